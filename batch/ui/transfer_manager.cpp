#include "batch/ui/transfer_manager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleValidator>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "base/data_folders.h"
#include "base/prompter.h"

namespace lp {

namespace {

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

constexpr const char* kFormatNames[3] = {"JPG", "GIF", "PNG"};

QColor Legend(int format) {
    const std::uint32_t rgb = kLegendColours[std::size_t(format)];
    return QColor(int(rgb >> 16), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
}

QSlider* MakeSlider(const QString& name, int low, int high, QWidget* parent) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(name);
    slider->setAccessibleName(name);
    slider->setRange(low, high);
    return slider;
}

QLabel* MakeLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAccessibleName(text);
    return label;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Size curve graph

CSizeCurveGraph::CSizeCurveGraph(TransferManagerModel& model, QWidget* parent) : QWidget(parent), m_model(model) {
    setObjectName(QStringLiteral("SizeCurve"));
    setAccessibleName(QStringLiteral("Size curve"));
    setMinimumHeight(70);
    setMouseTracking(true);
}

void CSizeCurveGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = width(), h = height();
    painter.fillRect(QRect(QPoint(2, 2), QPoint(w - 2, h - 2)), Qt::black);
    const SizeCurve::Plot plot = m_model.Curve().Compute(m_model.Info(), w, h);
    painter.setPen(QPen(QColor(100, 100, 100), 1));
    for (const int x : plot.gridX) painter.drawLine(x, 5, x, h - 5);
    for (const int y : plot.gridY) painter.drawLine(5, y, w - 5, y);
    if (!plot.curves) return;
    static const QColor kCurve[3] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255)};
    for (std::size_t f = 0; f < 3; ++f) {
        const auto& points = plot.points[f];
        if (points.size() < 2) continue;
        QPolygon line;
        line.reserve(qsizetype(points.size()));
        for (const auto& p : points) line.append(QPoint(p.x, p.y));
        painter.setPen(QPen(kCurve[f], 2));
        painter.drawPolyline(line);
    }
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawLine(plot.markerX, 5, plot.markerX, h - 5);
}

void CSizeCurveGraph::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_model.Attached()) return;
    const int x = int(event->position().x());
    if (x < 5 || x > width() - 5) return;
    m_dragging = true;
    if (m_model.DragCurve(x, width())) emit TrialDragged();
}

void CSizeCurveGraph::mouseMoveEvent(QMouseEvent* event) {
    const int x = int(event->position().x());
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        if (m_model.DragCurve(std::clamp(x, 5, width() - 5), width())) emit TrialDragged();
        return;
    }
    setCursor(m_model.Attached() && m_model.Curve().NearMarker(x, width()) ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void CSizeCurveGraph::mouseReleaseEvent(QMouseEvent*) { m_dragging = false; }

// ---------------------------------------------------------------------------------------------
// History graph

CHistoryGraph::CHistoryGraph(TransferManagerModel& model, QWidget* parent) : QWidget(parent), m_model(model) {
    setObjectName(QStringLiteral("HistoryGraph"));
    setAccessibleName(QStringLiteral("History graph"));
    setMinimumHeight(18 * 2 + 12);
    setMouseTracking(true);
}

void CHistoryGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (!m_model.Attached()) return;
    const HistoryGraph& graph = m_model.Graph();
    const bool png = m_model.UsePng();
    std::array<bool, 3> shown{};
    for (int f = 0; f < 3; ++f) shown[std::size_t(f)] = m_model.Shown(f);
    const std::int64_t largest = graph.Largest(shown);
    const int barWidth = (HistoryGraph::ColumnWidth(png) - 2) / (png ? 3 : 2);
    const int bottom = height() - 4;
    auto drawColumn = [&](int index, const std::array<std::int64_t, 3>& bytes, bool live) {
        std::array<int, 3> segments{};
        for (std::size_t f = 0; f < 3; ++f) segments[f] = HistoryGraph::Segments(bytes[f], largest);
        const std::array<int, 3> nudge = HistoryGraph::Nudges(segments);
        int slot = 0;
        for (std::size_t f = 0; f < 3; ++f) {
            if (f == kFormatPng && !png) continue;
            const int x = HistoryGraph::ColumnLeft(index, png) + slot * barWidth;
            ++slot;
            QColor lit = Legend(int(f));
            if (live) lit = QColor(lit.red() / 2 + 64, lit.green() / 2 + 64, lit.blue() / 2 + 64);
            for (int s = 0; s < HistoryGraph::kSegments; ++s) {
                const bool on = shown[f] && s < segments[f];
                const int y = bottom - s * 2 - 2 - (on ? nudge[f] : 0);
                painter.fillRect(x, y, barWidth - 1, 1, on ? lit : QColor(160, 160, 160));
            }
        }
    };
    int index = 0;
    for (const HistoryGraph::Column& column : graph.Windows()) drawColumn(index++, column.bytes, false);
    drawColumn(index, graph.Live(), true);
}

void CHistoryGraph::mousePressEvent(QMouseEvent* event) {
    if (!m_model.Attached()) return;
    const int index = m_model.Graph().WindowColumnAt(int(event->position().x()), m_model.UsePng());
    if (index >= 0) emit WindowClicked(m_model.Graph().Windows()[std::size_t(index)].previewNumber);
}

void CHistoryGraph::mouseMoveEvent(QMouseEvent* event) {
    const bool over = m_model.Attached() &&
                      m_model.Graph().WindowColumnAt(int(event->position().x()), m_model.UsePng()) >= 0;
    setCursor(over ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

// ---------------------------------------------------------------------------------------------
// The panel

CTransferManager::CTransferManager(bool usePng, QWidget* parent) : QWidget(parent), m_model(usePng) {
    setObjectName(QStringLiteral("TransferManagerPage"));
    setAccessibleName(QStringLiteral("Transfer Manager"));
    Build();
    Refresh();
}

void CTransferManager::RebuildLayout(bool usePng) {
    const BatchMacro macro = m_model.Macro();
    const double speed = m_model.Speed();
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) delete child;
    delete layout();
    m_formatBoxes = {};
    m_fields = {};
    m_model = TransferManagerModel(usePng);
    m_model.Macro() = macro;
    m_model.SetSpeed(speed);
    Build();
    RefreshMacroList();
    Refresh();
}

void CTransferManager::SetServices(const DataFolders* folders, Prompter* prompter) {
    m_folders = folders;
    m_prompter = prompter;
    RefreshMacroList();
}

void CTransferManager::Build() {
    const bool png = m_model.UsePng();
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(4);

    // Format tab with the size curve above its sliders.
    m_formatTabs = new QTabBar(this);
    m_formatTabs->setObjectName(QStringLiteral("FormatTabs"));
    m_formatTabs->setAccessibleName(QStringLiteral("Format"));
    m_formatTabs->addTab(QStringLiteral("Size"));
    m_formatTabs->addTab(png ? QStringLiteral("GifPng") : QStringLiteral("  Gif "));
    m_formatTabs->addTab(QStringLiteral("Jpeg"));
    m_formatTabs->setExpanding(false);
    outer->addWidget(m_formatTabs);
    m_curve = new CSizeCurveGraph(m_model, this);
    outer->addWidget(m_curve);
    m_pages = new QStackedWidget(this);
    outer->addWidget(m_pages);

    {  // Size
        auto* page = new QWidget(m_pages);
        auto* grid = new QGridLayout(page);
        grid->setContentsMargins(0, 0, 0, 0);
        m_area = MakeSlider(QStringLiteral("Area"), 0, 100, page);
        m_areaText = MakeLabel(QStringLiteral("100%"), page);
        m_areaText->setObjectName(QStringLiteral("AreaText"));
        grid->addWidget(MakeLabel(QStringLiteral("0%"), page), 0, 0);
        grid->addWidget(m_area, 0, 1, 1, 3);
        grid->addWidget(MakeLabel(QStringLiteral("100%"), page), 0, 4);
        grid->addWidget(m_areaText, 0, 5);
        m_width = MakeSlider(QStringLiteral("Width"), 0, 1, page);
        m_height = MakeSlider(QStringLiteral("Height"), 0, 1, page);
        m_widthText = MakeLabel(QString(), page);
        m_heightText = MakeLabel(QString(), page);
        grid->addWidget(m_width, 1, 0, 1, 2);
        grid->addWidget(m_widthText, 1, 2);
        grid->addWidget(MakeLabel(QStringLiteral("X"), page), 1, 3);
        grid->addWidget(m_heightText, 1, 4);
        grid->addWidget(m_height, 1, 5);
        m_pages->addWidget(page);
    }
    {  // GifPng
        auto* page = new QWidget(m_pages);
        auto* grid = new QGridLayout(page);
        grid->setContentsMargins(0, 0, 0, 0);
        m_colours = MakeSlider(QStringLiteral("Colors"), 1, 256, page);
        m_coloursText = MakeLabel(QStringLiteral("256"), page);
        m_coloursText->setObjectName(QStringLiteral("ColoursText"));
        grid->addWidget(m_colours, 0, 0);
        grid->addWidget(m_coloursText, 0, 1);
        m_usePalette = new QCheckBox(QStringLiteral("Use Current Palette"), page);
        m_usePalette->setAccessibleName(m_usePalette->text());
        grid->addWidget(m_usePalette, 1, 0, 1, 2);
        m_pages->addWidget(page);
    }
    {  // Jpeg
        auto* page = new QWidget(m_pages);
        auto* grid = new QGridLayout(page);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->addWidget(MakeLabel(QStringLiteral("Quality"), page), 0, 0);
        m_qualityText = MakeLabel(QStringLiteral("75"), page);
        grid->addWidget(m_qualityText, 0, 1);
        m_quality = MakeSlider(QStringLiteral("Quality"), 0, 100, page);
        grid->addWidget(MakeLabel(QStringLiteral("0"), page), 1, 0);
        grid->addWidget(m_quality, 1, 1);
        grid->addWidget(MakeLabel(QStringLiteral("100"), page), 1, 2);
        m_pages->addWidget(page);
    }

    // Batch macro commands.
    auto* macroRow = new QGridLayout;
    auto* macroLabel = MakeLabel(QStringLiteral("Batch Macro"), this);
    m_macros = new QComboBox(this);
    m_macros->setObjectName(QStringLiteral("BatchMacro"));
    m_macros->setAccessibleName(QStringLiteral("Batch Macro"));
    macroLabel->setBuddy(m_macros);
    m_apply = new QPushButton(QStringLiteral("Apply"), this);
    m_preview = new QPushButton(QStringLiteral("Preview"), this);
    m_wizard = new QPushButton(QStringLiteral("Wizard"), this);
    for (QPushButton* b : {m_apply, m_preview, m_wizard}) b->setAccessibleName(b->text());
    connect(m_wizard, &QPushButton::clicked, this, &CTransferManager::WizardRequested);
    macroRow->addWidget(macroLabel, 0, 0);
    macroRow->addWidget(m_macros, 0, 1, 1, 2);
    macroRow->addWidget(m_apply, 1, 0);
    macroRow->addWidget(m_preview, 1, 1);
    macroRow->addWidget(m_wizard, 1, 2);
    outer->addLayout(macroRow);

    auto* switches = new QHBoxLayout;
    m_allFrames = new QCheckBox(QStringLiteral("Use all Frames"), this);
    m_allFrames->setAccessibleName(m_allFrames->text());
    switches->addWidget(m_allFrames);
    m_speed = new QComboBox(this);
    m_speed->setObjectName(QStringLiteral("SpeedList"));
    m_speed->setAccessibleName(QStringLiteral("Speed"));
    for (const ModemSpeedEntry& entry : kTransferManagerSpeedTable) m_speed->addItem(Text(entry.label));
    m_custom = new QLineEdit(this);
    m_custom->setObjectName(QStringLiteral("CustomSpeed"));
    m_custom->setAccessibleName(QStringLiteral("Custom"));
    auto* validator = new QDoubleValidator(0, kMaxCustomKbps, 3, m_custom);
    validator->setLocale(QLocale::c());
    m_custom->setValidator(validator);
    m_custom->setMaximumWidth(60);
    switches->addWidget(m_speed);
    switches->addWidget(m_custom);
    outer->addLayout(switches);

    // Format check boxes with their legend colours, then the four groups of fields.
    auto* fields = new QGridLayout;
    fields->setSpacing(2);
    for (int f = 0; f < 3; ++f) {
        if (f == kFormatPng && !png) continue;
        auto* box = new QCheckBox(QString::fromLatin1(kFormatNames[f]), this);
        box->setAccessibleName(box->text());
        box->setChecked(true);
        m_formatBoxes[std::size_t(f)] = box;
        auto* legend = new QLabel(this);
        legend->setFixedSize(10, 10);
        legend->setAutoFillBackground(true);
        QPalette pal = legend->palette();
        pal.setColor(QPalette::Window, Legend(f));
        legend->setPalette(pal);
        legend->setAccessibleName(box->text() + QStringLiteral(" colour"));
        auto* cell = new QHBoxLayout;
        cell->addWidget(legend);
        cell->addWidget(box);
        fields->addLayout(cell, 0, f + 1);
    }
    static const char* kGroups[4] = {"Master", "Preview", "Improve", "Overall Improve"};
    for (int g = 0; g < 4; ++g) {
        auto* label = MakeLabel(QString::fromLatin1(kGroups[g]), this);
        fields->addWidget(label, g + 1, 0);
        for (int f = 0; f < 3; ++f) {
            if (f == kFormatPng && !png) continue;
            auto* field = new QLineEdit(this);
            field->setReadOnly(true);
            field->setObjectName(QStringLiteral("%1 %2").arg(QString::fromLatin1(kGroups[g]),
                                                            QString::fromLatin1(kFormatNames[f])));
            field->setAccessibleName(field->objectName());
            field->setMinimumWidth(52);
            m_fields[std::size_t(g)][std::size_t(f)] = field;
            fields->addWidget(field, g + 1, f + 1);
        }
    }
    outer->addLayout(fields);
    auto* compareRow = new QHBoxLayout;
    auto* compareLabel = MakeLabel(QStringLiteral("Compare to"), this);
    m_compare = new QComboBox(this);
    m_compare->setAccessibleName(QStringLiteral("Compare to"));
    m_compare->addItems({QStringLiteral("Original"), QStringLiteral("Specific")});
    m_compare->setCurrentIndex(kCompareSpecific);
    compareLabel->setBuddy(m_compare);
    compareRow->addWidget(compareLabel);
    compareRow->addWidget(m_compare);
    outer->addLayout(compareRow);

    m_displayTabs = new QTabBar(this);
    m_displayTabs->setObjectName(QStringLiteral("DisplayTabs"));
    m_displayTabs->setAccessibleName(QStringLiteral("Display"));
    m_displayTabs->addTab(QStringLiteral("File size"));
    m_displayTabs->addTab(QStringLiteral("Time"));
    outer->addWidget(m_displayTabs);
    m_history = new CHistoryGraph(m_model, this);
    outer->addWidget(m_history);
    outer->addStretch(1);

    // Forwarding: every move goes to the model, then everything is redrawn from it.
    connect(m_formatTabs, &QTabBar::currentChanged, this, [this](int tab) {
        m_pages->setCurrentIndex(tab);
        if (m_updating) return;
        m_model.SelectTab(tab);
        emit TabChosen(tab);
        Refresh();
    });
    connect(m_area, &QSlider::valueChanged, this, [this](int v) {
        if (m_updating) return;
        m_model.SetAreaPercent(v);
        AfterTrialChange();
    });
    connect(m_width, &QSlider::valueChanged, this, [this](int v) {
        if (m_updating) return;
        m_model.SetTrialWidth(v);
        AfterTrialChange();
    });
    connect(m_height, &QSlider::valueChanged, this, [this](int v) {
        if (m_updating) return;
        m_model.SetTrialHeight(v);
        AfterTrialChange();
    });
    connect(m_colours, &QSlider::valueChanged, this, [this](int v) {
        if (m_updating) return;
        m_model.SetColors(v);
        AfterTrialChange();
    });
    connect(m_quality, &QSlider::valueChanged, this, [this](int v) {
        if (m_updating) return;
        m_model.SetQuality(v);
        AfterTrialChange();
    });
    connect(m_usePalette, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_updating) m_model.SetUsePalette(on);
    });
    connect(m_curve, &CSizeCurveGraph::TrialDragged, this, &CTransferManager::AfterTrialChange);
    connect(m_macros, &QComboBox::activated, this, &CTransferManager::OnMacroChosen);
    connect(m_apply, &QPushButton::clicked, this, &CTransferManager::ApplyRequested);
    connect(m_preview, &QPushButton::clicked, this, &CTransferManager::PreviewRequested);
    connect(m_allFrames, &QCheckBox::toggled, this, [this](bool on) {
        if (m_updating) return;
        m_model.SetUseAllFrames(on);
        emit UseAllFramesChanged(on);
        Refresh();
    });
    connect(m_speed, &QComboBox::activated, this, [this](int index) {
        const double speed = m_model.ChooseSpeed(std::size_t(index));
        emit SpeedChosen(speed);
        Refresh();
    });
    connect(m_custom, &QLineEdit::textEdited, this, [this](const QString& text) {
        bool ok = false;
        const double kbps = QLocale::c().toDouble(text, &ok);
        if (!ok || !m_model.SetCustomKbps(kbps)) return;
        if (m_model.CustomSelected()) emit SpeedChosen(m_model.Speed());
        Refresh();
    });
    for (int f = 0; f < 3; ++f)
        if (QCheckBox* box = m_formatBoxes[std::size_t(f)])
            connect(box, &QCheckBox::toggled, this, [this, f](bool on) {
                if (m_updating) return;
                m_model.SetShown(f, on);
                Refresh();
            });
    connect(m_displayTabs, &QTabBar::currentChanged, this, [this](int tab) {
        if (m_updating) return;
        m_model.SetDisplayTimes(tab == 1);
        RefreshFields();
    });
    connect(m_compare, &QComboBox::activated, this, [this](int index) {
        m_model.SetCompareTo(index);
        RefreshFields();
    });
    connect(m_history, &CHistoryGraph::WindowClicked, this, &CTransferManager::WindowClicked);
}

void CTransferManager::Attach(TransferInfo* info, BatchMacro* settings, GifFrameList* frames,
                              std::size_t currentFrame, int formatTab, const std::string& groupKey) {
    m_model.Attach(info, settings, frames, currentFrame, formatTab, groupKey);
    Refresh();
}

void CTransferManager::Detach() {
    m_model.Detach();
    Refresh();
}

void CTransferManager::SetPresentState(std::int32_t w, std::int32_t h, std::int32_t c, std::int32_t q) {
    if (m_model.SetPresentState(w, h, c, q)) {
        m_model.Curve().SetReference({double(w), double(h), std::min(c, 256), q});
        m_model.RefreshTrial();
    }
    Refresh();
}

void CTransferManager::SetSpeed(double bitsPerSecond) {
    m_model.SetSpeed(bitsPerSecond);
    Refresh();
}

void CTransferManager::RefreshMacroList() {
    const QString current = m_macros->currentText();
    m_macros->clear();
    m_macros->addItem(QStringLiteral("Default"));
    if (m_folders) {
        std::vector<std::pair<QString, QString>> names;  // shown name, file name
        std::error_code ec;
        const std::filesystem::path dir = m_folders->Folder(DataFolder::Template);
        for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            std::string ext = it->path().extension().string();
            std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
            if (ext == ".tpl")
                names.emplace_back(QString::fromStdString(it->path().stem().string()),
                                   QString::fromStdString(it->path().filename().string()));
        }
        std::sort(names.begin(), names.end());
        for (const auto& [name, file] : names) m_macros->addItem(name, file);
    }
    const int index = m_macros->findText(current.isEmpty() ? Text(m_model.Macro().name) : current);
    m_macros->setCurrentIndex(std::max(index, 0));
}

void CTransferManager::OnMacroChosen(int index) {
    if (index < 0) return;
    BatchMacro loaded = m_model.Macro();
    if (index == 0) {
        loaded = BatchMacro("Default");
    } else {
        if (!m_folders || !m_prompter) return;
        // A file that cannot be read shows its error and the settings stay. The file is named
        // with its own extension: "x.tpl" and "x.TPL" are different files here.
        if (!loaded.Load(m_macros->itemData(index).toString().toStdString(), *m_folders, *m_prompter)) {
            RefreshMacroList();
            const int shown = m_macros->findText(Text(m_model.Macro().name));
            m_macros->setCurrentIndex(std::max(shown, 0));
            return;
        }
    }
    m_model.TakeMacro(loaded);
    Refresh();
}

void CTransferManager::AfterTrialChange() {
    RefreshSliders();
    RefreshFields();
    m_curve->update();
    m_history->update();
}

void CTransferManager::SetBrowserTarget(bool on) {
    if (m_browserTarget == on) return;
    m_browserTarget = on;
    Refresh();
}

void CTransferManager::Refresh() {
    m_updating = true;
    const bool attached = m_model.Attached();
    m_formatTabs->setCurrentIndex(m_model.Tab());
    m_pages->setCurrentIndex(m_model.Tab());
    m_allFrames->setEnabled(attached && m_model.UseAllFramesEnabled());
    m_allFrames->setChecked(m_model.UseAllFrames());
    m_speed->setCurrentIndex(int(m_model.SpeedIndex()));
    m_custom->setEnabled(m_model.CustomSelected());
    if (m_model.CustomSelected() && !m_custom->hasFocus())
        m_custom->setText(QLocale::c().toString(m_model.CustomKbps(), 'g', 6));
    for (int f = 0; f < 3; ++f)
        if (QCheckBox* box = m_formatBoxes[std::size_t(f)]) {
            box->setEnabled(m_model.FormatEnabled(f));
            box->setChecked(m_model.Shown(f));
        }
    m_displayTabs->setCurrentIndex(m_model.DisplayTimes() ? 1 : 0);
    m_compare->setCurrentIndex(m_model.Compare());
    for (QWidget* w : std::initializer_list<QWidget*>{m_area, m_width, m_height, m_colours, m_quality, m_usePalette,
                                                      m_apply, m_preview, m_curve})
        w->setEnabled(attached);
    // Without a picture, Apply works on the picture browser's selection.
    if (!attached && m_browserTarget) m_apply->setEnabled(true);
    m_updating = false;
    RefreshSliders();
    RefreshFields();
    m_curve->update();
    m_history->update();
}

void CTransferManager::RefreshSliders() {
    m_updating = true;
    m_width->setRange(0, std::max(1, m_model.PresentWidth()));
    m_height->setRange(0, std::max(1, m_model.PresentHeight()));
    m_colours->setRange(1, m_model.ColorsMax());
    m_area->setValue(m_model.AreaPercent());
    m_width->setValue(m_model.TrialWidth());
    m_height->setValue(m_model.TrialHeight());
    m_colours->setValue(m_model.TrialColors());
    m_quality->setValue(m_model.TrialQuality());
    m_usePalette->setChecked(m_model.UsePalette());
    m_areaText->setText(QStringLiteral("%1%").arg(m_model.AreaPercent()));
    m_widthText->setText(QString::number(m_model.TrialWidth()));
    m_heightText->setText(QString::number(m_model.TrialHeight()));
    m_coloursText->setText(QString::number(m_model.TrialColors()));
    m_qualityText->setText(QString::number(m_model.TrialQuality()));
    m_updating = false;
}

void CTransferManager::RefreshFields() {
    for (int f = 0; f < 3; ++f) {
        if (!m_fields[0][std::size_t(f)]) continue;
        m_fields[0][std::size_t(f)]->setText(QString::fromStdString(m_model.MasterField(f)));
        m_fields[1][std::size_t(f)]->setText(QString::fromStdString(m_model.PreviewField(f)));
        m_fields[2][std::size_t(f)]->setText(QString::fromStdString(m_model.ImproveField(f)));
        m_fields[3][std::size_t(f)]->setText(QString::fromStdString(m_model.OverallImproveField(f)));
    }
}

}  // namespace lp
