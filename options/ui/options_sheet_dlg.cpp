#include "options/ui/options_sheet_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleValidator>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/prompter.h"
#include "batch/ui/transfer_manager.h"
#include "optimize/ui/group_windows.h"
#include "shell/ui/child_frame.h"
#include "shell/ui/control_panel.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/orvantix_view.h"
#include "shell/ui/position_selector.h"
#include "shell/ui/units_page.h"
#include "tools/ui/merge_rotate_opt.h"
#include "tools/ui/spot_remover_page.h"
#include "tools/view_tools.h"

namespace lp {

namespace {

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QLabel* Buddy(const QString& text, QWidget* field, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(field);
    field->setAccessibleName(QString(text).remove(QLatin1Char('&')).remove(QLatin1Char(':')).trimmed());
    return label;
}

template <typename T>
T* Named(T* widget) {
    widget->setAccessibleName(widget->text().remove(QLatin1Char('&')).trimmed());
    return widget;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

CColourBox::CColourBox(const QString& name, QWidget* parent) : QPushButton(parent) {
    setAccessibleName(name);
    setToolTip(name);
    setFixedSize(40, 20);
    connect(this, &QPushButton::clicked, this, [this] {
        std::optional<ColourRef> chosen;
        if (chooseColour) {
            chosen = chooseColour(m_colour);
        } else {
            const QColor c = QColorDialog::getColor(QColor(RedOf(m_colour), GreenOf(m_colour), BlueOf(m_colour)), this,
                                                    accessibleName());
            if (c.isValid()) chosen = MakeColour(std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue()));
        }
        if (!chosen) return;
        SetColour(*chosen);
        emit ColourChosen(*chosen);
    });
}

void CColourBox::SetColour(ColourRef colour) {
    m_colour = colour;
    setStyleSheet(QStringLiteral("background-color: rgb(%1, %2, %3);")
                      .arg(RedOf(colour))
                      .arg(GreenOf(colour))
                      .arg(BlueOf(colour)));
}

// ---------------------------------------------------------------------------------------------

CDefaultsPage::CDefaultsPage(OptionsSheetModel& model, std::vector<std::string> palettes, int picPosition,
                             QWidget* parent)
    : QWidget(parent), m_model(model) {
    setObjectName(QStringLiteral("DefaultsPage"));
    setAccessibleName(QStringLiteral("Defaults"));
    auto* grid = new QGridLayout(this);

    auto* colours = new QGroupBox(QStringLiteral("Color"), this);
    auto* cg = new QGridLayout(colours);
    m_transparent = new CColourBox(QStringLiteral("Transparent"), colours);
    m_foreground = new CColourBox(QStringLiteral("Foreground"), colours);
    cg->addWidget(Buddy(QStringLiteral("Transparent :"), m_transparent, colours), 0, 0);
    cg->addWidget(m_transparent, 0, 1);
    cg->addWidget(Buddy(QStringLiteral("Foreground  :"), m_foreground, colours), 1, 0);
    cg->addWidget(m_foreground, 1, 1);
    grid->addWidget(colours, 0, 0, 2, 1);

    m_convert = Named(new QCheckBox(QStringLiteral("Convert Picture to Palette"), this));
    m_palettes = new QComboBox(this);
    m_palettes->setAccessibleName(QStringLiteral("Palette"));
    for (const std::string& name : palettes) m_palettes->addItem(QString::fromStdString(name));
    grid->addWidget(m_convert, 0, 1);
    grid->addWidget(m_palettes, 1, 1);

    m_penWidth = new QComboBox(this);
    for (int i = kMinPenWidth; i <= kMaxPenWidth; ++i) m_penWidth->addItem(QString::number(i));
    grid->addWidget(Buddy(QStringLiteral("Pen Width"), m_penWidth, this), 2, 0);
    grid->addWidget(m_penWidth, 2, 1);
    m_smart = Named(new QCheckBox(QStringLiteral(" Smart Sizing"), this));
    m_zoom = Named(new QCheckBox(QStringLiteral(" Zoom to Window"), this));
    grid->addWidget(m_smart, 3, 0);
    grid->addWidget(m_zoom, 3, 1);
    m_tolerance = new QSpinBox(this);
    m_tolerance->setRange(0, 100);
    grid->addWidget(Buddy(QStringLiteral("Magic-Wand Tolerance :"), m_tolerance, this), 4, 0);
    grid->addWidget(m_tolerance, 4, 1);
    m_position = new CPositionSelector(this);
    m_position->setAccessibleName(QStringLiteral("Picture position"));
    m_position->SetSelection(picPosition);
    grid->addWidget(new QLabel(QStringLiteral("Picture position :"), this), 5, 0);
    grid->addWidget(m_position, 5, 1, Qt::AlignLeft);

    auto* quality = new QGroupBox(QStringLiteral("Jpeg Quality Factor"), this);
    auto* qg = new QHBoxLayout(quality);
    m_quality = new QSlider(Qt::Horizontal, quality);
    m_quality->setRange(1, 100);
    m_quality->setAccessibleName(QStringLiteral("Jpeg Quality Factor"));
    m_qualityText = new QLabel(quality);
    m_qualityText->setMinimumWidth(28);
    qg->addWidget(new QLabel(QStringLiteral("1"), quality));
    qg->addWidget(m_quality);
    qg->addWidget(new QLabel(QStringLiteral("100"), quality));
    qg->addWidget(m_qualityText);
    grid->addWidget(quality, 6, 0, 1, 2);

    auto* keep = new QGroupBox(QStringLiteral("Keep Transparency"), this);
    auto* kg = new QHBoxLayout(keep);
    const char* keepTexts[3] = {"Yes", "No", "Ask"};
    for (int i = 0; i < 3; ++i) {
        m_keep[std::size_t(i)] = Named(new QRadioButton(QString::fromLatin1(keepTexts[i]), keep));
        kg->addWidget(m_keep[std::size_t(i)]);
    }
    grid->addWidget(keep, 7, 0, 1, 2);
    m_user = Named(new QCheckBox(QStringLiteral("Choose these settings at StartUp"), this));
    grid->addWidget(m_user, 8, 0, 1, 2);
    m_restore = Named(new QPushButton(QStringLiteral("Restore Defaults"), this));
    grid->addWidget(m_restore, 9, 0);
    grid->setRowStretch(10, 1);

    for (CColourBox* box : {m_transparent, m_foreground}) {
        connect(box, &CColourBox::ColourChosen, this, [this, box](ColourRef c) {
            (box == m_transparent ? m_model.defaults.transparent : m_model.defaults.foreground) = c;
        });
    }
    connect(m_convert, &QCheckBox::toggled, this, [this](bool on) {
        if (m_loading) return;
        m_model.defaults.SetConvertToPalette(on);
        Load();
    });
    connect(m_palettes, &QComboBox::activated, this,
            [this](int) { m_model.defaults.paletteName = m_palettes->currentText().toStdString(); });
    connect(m_penWidth, &QComboBox::activated, this, [this](int i) { m_model.defaults.penWidth = i + kMinPenWidth; });
    connect(m_smart, &QCheckBox::toggled, this, [this](bool on) { m_model.defaults.smartSizing = on; });
    connect(m_zoom, &QCheckBox::toggled, this, [this](bool on) { m_model.defaults.zoomToWindow = on; });
    connect(m_tolerance, &QSpinBox::textChanged, this,
            [this](const QString& t) { m_model.defaults.magicTolerance = t.toStdString(); });
    connect(m_position, &CPositionSelector::Released, this, &CDefaultsPage::PositionChosen);
    // The text follows the thumb; the setting takes the value when the scrolling ends.
    connect(m_quality, &QSlider::valueChanged, this, [this](int v) {
        m_qualityText->setText(QString::number(v));
        if (!m_quality->isSliderDown()) m_model.defaults.jpegQuality = v;
    });
    connect(m_quality, &QSlider::sliderReleased, this, [this] { m_model.defaults.jpegQuality = m_quality->value(); });
    for (int i = 0; i < 3; ++i)
        connect(m_keep[std::size_t(i)], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) m_model.defaults.keepTransparency = i;
        });
    connect(m_user, &QCheckBox::toggled, this, [this](bool on) { m_model.defaults.userSettings = on; });
    connect(m_restore, &QPushButton::clicked, this, [this] {
        m_model.RestoreDefaultsPage();
        Load();
    });
    Load();
}

void CDefaultsPage::Load() {
    m_loading = true;
    const DefaultsPageValues& v = m_model.defaults;
    m_transparent->SetColour(v.transparent);
    m_foreground->SetColour(v.foreground);
    m_convert->setChecked(v.convertToPalette);
    m_palettes->setEnabled(v.convertToPalette);
    m_palettes->setCurrentIndex(m_palettes->findText(QString::fromStdString(v.paletteName)));
    m_penWidth->setCurrentIndex(std::clamp(v.penWidth, kMinPenWidth, kMaxPenWidth) - kMinPenWidth);
    m_smart->setChecked(v.smartSizing);
    m_zoom->setChecked(v.zoomToWindow);
    m_tolerance->setValue(MagicToleranceFromText(v.magicTolerance).value_or(100));
    m_quality->setValue(v.jpegQuality);
    m_qualityText->setText(QString::number(v.jpegQuality));
    m_keep[std::size_t(std::clamp(v.keepTransparency, 0, 2))]->setChecked(true);
    m_user->setChecked(v.userSettings);
    m_loading = false;
}

// ---------------------------------------------------------------------------------------------

CTransferPage::CTransferPage(OptionsSheetModel& model, QWidget* parent) : QWidget(parent), m_model(model) {
    setObjectName(QStringLiteral("TransferPage"));
    setAccessibleName(QStringLiteral("Transfer"));
    auto* grid = new QGridLayout(this);
    m_speed = new QComboBox(this);
    for (const ModemSpeedEntry& e : kModemSpeedTable) m_speed->addItem(Text(e.label));
    grid->addWidget(Buddy(QStringLiteral("Modem Speed"), m_speed, this), 0, 0);
    grid->addWidget(m_speed, 0, 1);
    m_custom = new QLineEdit(this);
    auto* validator = new QDoubleValidator(0, kMaxCustomKbps, 3, m_custom);
    validator->setLocale(QLocale::c());
    m_custom->setValidator(validator);
    grid->addWidget(Buddy(QStringLiteral("Custom"), m_custom, this), 1, 0);
    grid->addWidget(m_custom, 1, 1);
    m_usePng = Named(new QCheckBox(QStringLiteral("Use PNG Format"), this));
    grid->addWidget(m_usePng, 2, 0, 1, 2);
    grid->setRowStretch(3, 1);
    connect(m_speed, &QComboBox::activated, this, [this](int i) {
        m_model.transfer.Choose(std::size_t(i));
        Load();
    });
    connect(m_custom, &QLineEdit::textEdited, this,
            [this](const QString& t) { m_model.transfer.SetCustomText(t.toStdString()); });
    connect(m_usePng, &QCheckBox::toggled, this, [this](bool on) { m_model.transfer.usePng = on; });
    Load();
}

void CTransferPage::Load() {
    const TransferPageState& t = m_model.transfer;
    m_speed->setCurrentIndex(int(t.selected));
    m_custom->setEnabled(t.customEnabled);
    m_custom->setText(QString::fromStdString(t.customText));
    m_usePng->setChecked(t.usePng);
}

// ---------------------------------------------------------------------------------------------

CInternetPage::CInternetPage(OptionsSheetModel& model, QWidget* parent) : QWidget(parent), m_model(model) {
    setObjectName(QStringLiteral("InternetPage"));
    setAccessibleName(QStringLiteral("Internet"));
    auto* outer = new QVBoxLayout(this);
    auto* server = new QGroupBox(QStringLiteral("Server"), this);
    auto* sl = new QVBoxLayout(server);
    m_current = Named(new QRadioButton(QStringLiteral("Current Settings"), server));
    m_proxy = Named(new QRadioButton(QStringLiteral("Proxy Server"), server));
    m_direct = Named(new QRadioButton(QStringLiteral("Direct Connection"), server));
    for (QRadioButton* b : {m_current, m_proxy, m_direct}) sl->addWidget(b);
    auto* proxyGrid = new QGridLayout;
    m_server = new QLineEdit(server);
    m_bypass = new QPlainTextEdit(server);
    m_bypass->setMaximumHeight(60);
    proxyGrid->addWidget(Buddy(QStringLiteral("Server  :"), m_server, server), 0, 0);
    proxyGrid->addWidget(m_server, 0, 1);
    proxyGrid->addWidget(Buddy(QStringLiteral("ByPass :"), m_bypass, server), 1, 0);
    proxyGrid->addWidget(m_bypass, 1, 1);
    sl->addLayout(proxyGrid);
    outer->addWidget(server);
    auto* download = new QGroupBox(QStringLiteral("DownLoad Directory"), this);
    auto* dl = new QHBoxLayout(download);
    m_directory = new QLineEdit(download);
    m_directory->setAccessibleName(QStringLiteral("DownLoad Directory"));
    m_browse = Named(new QPushButton(QStringLiteral("&Browse"), download));
    dl->addWidget(m_directory);
    dl->addWidget(m_browse);
    outer->addWidget(download);
    outer->addStretch(1);

    const std::pair<QRadioButton*, int> types[] = {{m_current, kAccessSystem}, {m_proxy, kAccessProxy},
                                                   {m_direct, kAccessDirect}};
    for (const auto& [button, type] : types)
        connect(button, &QRadioButton::toggled, this, [this, type = type](bool on) {
            if (!on) return;
            m_model.internet.accessType = type;
            Load();
        });
    connect(m_server, &QLineEdit::textEdited, this, [this](const QString& t) { m_model.internet.proxyName = t.toStdString(); });
    connect(m_bypass, &QPlainTextEdit::textChanged, this,
            [this] { m_model.internet.proxyByPass = m_bypass->toPlainText().toStdString(); });
    connect(m_directory, &QLineEdit::textChanged, this,
            [this](const QString& t) { m_model.internet.downLoadDirectory = t.toStdString(); });
    connect(m_browse, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Select the Download Directory"),
                                                                 m_directory->text());
        if (!folder.isEmpty()) m_directory->setText(folder);
    });
    Load();
}

QRadioButton* CInternetPage::AccessButton(int accessType) const {
    return accessType == kAccessProxy ? m_proxy : accessType == kAccessDirect ? m_direct : m_current;
}

void CInternetPage::Load() {
    const InternetPageValues& v = m_model.internet;
    AccessButton(v.accessType)->setChecked(true);
    const bool proxy = v.accessType == kAccessProxy;
    m_server->setEnabled(proxy);
    m_bypass->setEnabled(proxy);
    if (m_server->text().toStdString() != v.proxyName) m_server->setText(QString::fromStdString(v.proxyName));
    if (m_bypass->toPlainText().toStdString() != v.proxyByPass)
        m_bypass->setPlainText(QString::fromStdString(v.proxyByPass));
    if (m_directory->text().toStdString() != v.downLoadDirectory)
        m_directory->setText(QString::fromStdString(v.downLoadDirectory));
}

// ---------------------------------------------------------------------------------------------

CBrowserPage::CBrowserPage(OptionsSheetModel& model, QWidget* parent) : QWidget(parent), m_model(model) {
    setObjectName(QStringLiteral("BrowserPage"));
    setAccessibleName(QStringLiteral("Browser"));
    auto* outer = new QVBoxLayout(this);
    auto* types = new QGroupBox(QStringLiteral("Optimize for"), this);
    auto* tl = new QHBoxLayout(types);
    const char* typeTexts[3] = {"Speed", "Features", "Custom"};
    for (int i = 0; i < 3; ++i) {
        m_types[std::size_t(i)] = Named(new QRadioButton(QString::fromLatin1(typeTexts[i]), types));
        tl->addWidget(m_types[std::size_t(i)]);
        connect(m_types[std::size_t(i)], &QRadioButton::toggled, this, [this, i](bool on) {
            if (!on) return;
            m_model.browser.Choose(i);
            Load();
        });
    }
    outer->addWidget(types);
    const char* boxTexts[3] = {"Removing Color Column", "Displaying Only Large Pictures",
                               "Decreasing Quality of Thumbnails"};
    for (int i = 0; i < 3; ++i) {
        m_boxes[std::size_t(i)] = Named(new QCheckBox(QString::fromLatin1(boxTexts[i]), this));
        outer->addWidget(m_boxes[std::size_t(i)]);
        connect(m_boxes[std::size_t(i)], &QCheckBox::toggled, this, [this, i](bool on) {
            BrowserPageValues& b = m_model.browser;
            (i == 0 ? b.removeColors : i == 1 ? b.largeOnly : b.fastThumbnails) = on;
        });
    }
    outer->addStretch(1);
    Load();
}

void CBrowserPage::Load() {
    const BrowserPageValues& b = m_model.browser;
    m_types[std::size_t(b.optType)]->setChecked(true);
    const bool values[3] = {b.removeColors, b.largeOnly, b.fastThumbnails};
    for (int i = 0; i < 3; ++i) {
        m_boxes[std::size_t(i)]->setChecked(values[i]);
        m_boxes[std::size_t(i)]->setEnabled(b.BoxesEnabled());
    }
}

// ---------------------------------------------------------------------------------------------

CAllPgSt::CAllPgSt(const AppSettings& settings, OptionsCaller caller, const DataFolders& folders, Prompter& prompter,
                   QWidget* parent)
    : QDialog(parent), m_model(settings, caller), m_prompter(prompter),
      m_spotScratch(std::make_unique<AppSettings>(settings)) {
    setObjectName(QStringLiteral("OptionsSheet"));
    setWindowTitle(QStringLiteral("Options"));
    setAccessibleName(QStringLiteral("Options"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setAccessibleName(QStringLiteral("Options"));
    layout->addWidget(m_tabs);
    for (OptionsPage page : kOptionsPages) {
        QWidget* widget = nullptr;
        switch (page) {
            case OptionsPage::UnitsRes:
                widget = m_units = new CUnitsPage(m_model.units, m_tabs);
                break;
            case OptionsPage::RotateMerge:
                widget = m_mergeRotate = new CMergeRotateOpt(m_model.mergeRotate, m_tabs);
                break;
            case OptionsPage::SpotRemover:
                widget = m_spot = new CSpotRemoverPage(*m_spotScratch, m_spotParams, m_tabs);
                break;
            case OptionsPage::Defaults:
                widget = m_defaults =
                    new CDefaultsPage(m_model, PaletteChoices(folders.Folder(DataFolder::Palette)), settings.picPosition, m_tabs);
                break;
            case OptionsPage::Transfer:
                widget = m_transfer = new CTransferPage(m_model, m_tabs);
                break;
            case OptionsPage::Internet:
                widget = m_internet = new CInternetPage(m_model, m_tabs);
                break;
            case OptionsPage::Browser:
                widget = m_browser = new CBrowserPage(m_model, m_tabs);
                break;
        }
        m_tabs->addTab(widget, Text(OptionsPageCaption(page)));
    }
    m_currentPage = int(m_model.StartPage());
    m_tabs->setCurrentIndex(m_currentPage);
    // Leaving a page checks it: a refused value keeps the page open.
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == m_currentPage) return;
        if (!LeavePage(m_currentPage)) {
            const QSignalBlocker block(m_tabs);
            m_tabs->setCurrentIndex(m_currentPage);
            return;
        }
        m_currentPage = index;
    });
    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QDialogButtonBox::Ok);
    m_cancel = buttons->addButton(QDialogButtonBox::Cancel);
    m_ok->setText(QStringLiteral("OK"));
    m_cancel->setText(QStringLiteral("Cancel"));
    for (QPushButton* b : {m_ok, m_cancel}) b->setAccessibleName(b->text());
    layout->addWidget(buttons);
    connect(m_ok, &QPushButton::clicked, this, &CAllPgSt::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CAllPgSt::reject);
}

CAllPgSt::~CAllPgSt() = default;

bool CAllPgSt::LeavePage(int index) {
    if (index < 0 || index >= int(kOptionsPages.size())) return true;
    const OptionsPage page = kOptionsPages[std::size_t(index)];
    // The internet page is checked on OK only (it may fill in the current folder).
    if (page == OptionsPage::Internet) return true;
    const auto refusal = m_model.CheckPage(page);
    if (!refusal) return true;
    m_prompter.Message(refusal->message, "Lumaprism", PromptIcon::Exclamation);
    return false;
}

void CAllPgSt::accept() {
    m_spot->Apply();
    m_model.spotRemover = m_spotScratch->spotRemover;
    if (const auto refusal = m_model.Check()) {
        m_prompter.Message(refusal->message, "Lumaprism", PromptIcon::Exclamation);
        const QSignalBlocker block(m_tabs);
        m_currentPage = int(OptionsPageIndex(refusal->page));
        m_tabs->setCurrentIndex(m_currentPage);
        return;
    }
    QDialog::accept();
}

// ---------------------------------------------------------------------------------------------

void ApplyOptionsEffects(CMainFrame& main, const OptionsEffects& effects) {
    AppSettings& s = main.Settings();
    CChildFrame* active = main.ActivePictureWindow();
    if (effects.usePngChanged) {
        // The panel comes back in its other layout where it was, and shows the active master.
        if (main.ControlPanel()->isFloating()) {
            s.tmPosX = main.ControlPanel()->x();
            s.tmPosY = main.ControlPanel()->y();
        }
        main.TransferManager().RebuildLayout(s.usePng != 0);
        if (active) main.Groups().OnActivated(active);
    }
    main.TransferManager().SetSpeed(s.modemSpeed);
    for (CChildFrame* frame : main.PictureWindows()) {
        if (effects.usePngChanged)
            frame->Document().MeasureSizes();
        else
            frame->Document().EstimateSizes();
        frame->RefreshGroupLabels();
        frame->View().SetPicturePosition(s.picPosition);
        frame->TakeUnits(s.units);
    }
    main.ShowModem(s.modemSpeed);
    main.UpdateCommandStates();
    if (active) active->setFocus();
}

bool RunOptionsSheet(CMainFrame& main, OptionsCaller caller, const DataFolders& folders, SettingsStore* store) {
    CAllPgSt sheet(main.Settings(), caller, folders, main.GetPrompter(), &main);
    QObject::connect(sheet.DefaultsPage(), &CDefaultsPage::PositionChosen, &main, [&main](int cell) {
        // As on the tool bar: a picture window takes it at once, and with it the application.
        if (cell < 0 || !main.ActivePictureWindow()) return;
        main.Settings().picPosition = cell;
        for (CChildFrame* frame : main.PictureWindows()) frame->View().SetPicturePosition(cell);
    });
    if (sheet.exec() != QDialog::Accepted) return false;
    const OptionsEffects effects = sheet.Accept(main.Settings(), main.SpotParams());
    ApplyOptionsEffects(main, effects);
    if (store) {
        WriteSettingsAtClose(main.Settings(), *store);
        WriteSettingsAtExit(main.Settings(), *store);
    }
    return true;
}

}  // namespace lp
