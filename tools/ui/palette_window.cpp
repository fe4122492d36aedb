#include "tools/ui/palette_window.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "base/data_folders.h"
#include "base/prompter.h"
#include "batch/transfer_manager_model.h"
#include "batch/ui/transfer_manager.h"
#include "document/picture_document.h"
#include "optimize/ui/group_windows.h"
#include "shell/ui/child_frame.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/status_progress.h"
#include "tools/ui/palette_dialogs.h"

namespace lp {

namespace {

constexpr const char* kCaption = "Lumaprism";
constexpr const char* kLoadFromPicture = "Load from Picture";

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Grid

CPaletteGrid::CPaletteGrid(const PaletteWindowModel& model, QWidget* parent) : QWidget(parent), m_model(model) {
    setObjectName(QStringLiteral("PaletteGrid"));
    setAccessibleName(QStringLiteral("Palette colors"));
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
}

QSize CPaletteGrid::sizeHint() const {
    const int rows = (PaletteWindowModel::kMaxColours + PaletteWindowModel::kPerRow - 1) / PaletteWindowModel::kPerRow;
    return {2 * kMargin + PaletteWindowModel::kPerRow * PaletteWindowModel::kPitch,
            2 * kMargin + rows * PaletteWindowModel::kPitch};
}

QPoint CPaletteGrid::SwatchCentre(int index) const {
    const auto [x, y] = PaletteWindowModel::SwatchOrigin(index);
    return {kMargin + x + PaletteWindowModel::kSwatchSize / 2, kMargin + y + PaletteWindowModel::kSwatchSize / 2};
}

int CPaletteGrid::PositionAt(QPoint p) const {
    return PaletteWindowModel::PositionAt(p.x() - kMargin, p.y() - kMargin);
}

void CPaletteGrid::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const auto& colours = m_model.Colours();
    for (std::size_t i = 0; i < colours.size(); ++i) {
        const auto [x, y] = PaletteWindowModel::SwatchOrigin(int(i));
        painter.fillRect(kMargin + x, kMargin + y, PaletteWindowModel::kSwatchSize, PaletteWindowModel::kSwatchSize,
                         QColor(colours[i].red, colours[i].green, colours[i].blue));
    }
}

void CPaletteGrid::mousePressEvent(QMouseEvent* event) {
    const int position = PositionAt(event->position().toPoint());
    if (position < 0 || position >= m_model.Count()) return;
    if (event->button() == Qt::LeftButton)
        emit LeftClicked(position, event->modifiers() & Qt::ControlModifier);
    else if (event->button() == Qt::RightButton)
        emit RightClicked(position);
}

void CPaletteGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int position = PositionAt(event->position().toPoint());
    if (position >= 0) emit DoubleClicked(position);
}

void CPaletteGrid::mouseMoveEvent(QMouseEvent* event) {
    const int position = PositionAt(event->position().toPoint());
    emit Hovered(position >= 0 && position < m_model.Count());
}

void CPaletteGrid::leaveEvent(QEvent*) { emit Hovered(false); }

// ---------------------------------------------------------------------------------------------
// Window

CPaletteWindow::CPaletteWindow(CMainFrame& mainFrame, QWidget* parent) : QWidget(parent), m_main(mainFrame) {
    setObjectName(QStringLiteral("PalettePage"));
    setWindowTitle(QStringLiteral("Palette"));
    auto* layout = new QVBoxLayout(this);

    m_title = new QLabel(QStringLiteral("Palette"), this);
    m_title->setObjectName(QStringLiteral("PaletteTitle"));
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    layout->addWidget(m_title);

    auto* listRow = new QHBoxLayout;
    auto* listLabel = new QLabel(QStringLiteral("Load Palette  :  "), this);
    m_list = new QComboBox(this);
    m_list->setAccessibleName(QStringLiteral("Load Palette"));
    listLabel->setBuddy(m_list);
    listRow->addWidget(listLabel);
    listRow->addWidget(m_list, 1);
    layout->addLayout(listRow);

    m_allFrames = new QCheckBox(QStringLiteral("Use All Frames"), this);
    m_allFrames->setAccessibleName(m_allFrames->text());
    m_allFrames->setToolTip(QStringLiteral("Pick colors from all Frames"));
    layout->addWidget(m_allFrames);

    m_grid = new CPaletteGrid(m_model, this);
    layout->addWidget(m_grid, 0, Qt::AlignHCenter);

    auto* sliderRow = new QHBoxLayout;
    auto* low = new QLabel(QStringLiteral("0"), this);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setRange(0, PaletteWindowModel::kMaxColours);
    m_slider->setAccessibleName(QStringLiteral("Number of Colors"));
    auto* high = new QLabel(QStringLiteral("256"), this);
    m_countText = new QLabel(QStringLiteral("0"), this);
    m_countText->setObjectName(QStringLiteral("PaletteCount"));
    m_countText->setMinimumWidth(24);
    sliderRow->addWidget(low);
    sliderRow->addWidget(m_slider, 1);
    sliderRow->addWidget(high);
    sliderRow->addWidget(m_countText);
    layout->addLayout(sliderRow);

    auto* buttons = new QGridLayout;
    auto button = [this](const char* text) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setAccessibleName(QString::fromLatin1(text).remove(QLatin1Char('&')));
        return b;
    };
    m_clear = button("C&lear");
    m_save = button("&Save...");
    m_apply = button("&Apply");
    m_preview = button("&Preview");
    m_sort = button("S&ort");
    buttons->addWidget(m_clear, 0, 0);
    buttons->addWidget(m_save, 0, 1);
    buttons->addWidget(m_sort, 0, 2);
    buttons->addWidget(m_apply, 1, 0);
    buttons->addWidget(m_preview, 1, 1);
    layout->addLayout(buttons);

    auto* arrange = new QGroupBox(QStringLiteral("Preview Window"), this);
    auto* arrangeLayout = new QHBoxLayout(arrange);
    m_tile = new QRadioButton(QStringLiteral("Tile"), arrange);
    m_cascade = new QRadioButton(QStringLiteral("Cascade"), arrange);
    m_tile->setAccessibleName(m_tile->text());
    m_cascade->setAccessibleName(m_cascade->text());
    m_tile->setChecked(true);
    arrangeLayout->addWidget(m_tile);
    arrangeLayout->addWidget(m_cascade);
    layout->addWidget(arrange);
    layout->addStretch(1);

    askName = [this]() -> std::optional<std::string> {
        CPaletteNameDlg dialog(this);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.Name();
    };
    askSort = [this](ColourSortKey key,
                     ColourSortOrder order) -> std::optional<std::pair<ColourSortKey, ColourSortOrder>> {
        CColourSortDlg dialog(key, order, this);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return std::make_pair(dialog.Key(), dialog.Order());
    };
    chooseColour = [this](QColor initial) { return QColorDialog::getColor(initial, this, QStringLiteral("Color")); };

    connect(m_grid, &CPaletteGrid::LeftClicked, this, &CPaletteWindow::ClickSwatch);
    connect(m_grid, &CPaletteGrid::RightClicked, this, &CPaletteWindow::RemoveSwatch);
    connect(m_grid, &CPaletteGrid::DoubleClicked, this, &CPaletteWindow::EditSwatch);
    connect(m_grid, &CPaletteGrid::Hovered, this,
            [this](bool over) { ShowStatus(over ? QString::fromLatin1(PaletteWindowModel::kStatusText) : QString()); });
    connect(m_slider, &QSlider::valueChanged, this, [this](int v) {
        m_countText->setText(QString::number(v));
        // Keys and assistive tools move the slider without a drag: they count as its release.
        if (!m_slider->isSliderDown()) ReleaseSlider(v);
    });
    connect(m_slider, &QSlider::sliderReleased, this, [this] { ReleaseSlider(m_slider->value()); });
    // A choice in the list loads it. Assistive tools change the current entry without the
    // activation a click or a key brings; a click that re-chooses the shown entry brings only
    // the activation. Either loads once.
    connect(m_list, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_loadedByChange = true;
        QTimer::singleShot(0, this, [this] { m_loadedByChange = false; });
        LoadEntry(index);
    });
    connect(m_list, &QComboBox::activated, this, [this](int index) {
        if (!m_loadedByChange) LoadEntry(index);
    });
    connect(m_clear, &QPushButton::clicked, this, &CPaletteWindow::Clear);
    connect(m_save, &QPushButton::clicked, this, &CPaletteWindow::Save);
    connect(m_sort, &QPushButton::clicked, this, &CPaletteWindow::Sort);
    connect(m_apply, &QPushButton::clicked, this, &CPaletteWindow::Apply);
    connect(m_preview, &QPushButton::clicked, this, &CPaletteWindow::Preview);

    RefreshPaletteList();
    Changed();
}

bool CPaletteWindow::CascadePreviews() const { return m_cascade->isChecked(); }

COrvantixDoc* CPaletteWindow::ActiveDocument() const {
    CChildFrame* frame = m_main.ActivePictureWindow();
    return frame && frame->Document().HasPicture() ? &frame->Document() : nullptr;
}

std::vector<const Picture*> CPaletteWindow::ActiveFrames(std::size_t* current) const {
    std::vector<const Picture*> frames;
    *current = 0;
    if (COrvantixDoc* doc = ActiveDocument()) {
        for (const GifFrame& frame : doc->Frames()) frames.push_back(&frame.picture);
        *current = doc->CurrentFrame();
    }
    return frames;
}

void CPaletteWindow::ShowStatus(const QString& text) { m_main.statusBar()->showMessage(text); }

void CPaletteWindow::Changed() {
    m_palette = m_model.AsPalette();
    const QString title = Q(m_model.Title());
    m_title->setText(title);
    setWindowTitle(title);
    {
        const QSignalBlocker block(m_slider);
        m_slider->setValue(m_model.Count());
    }
    m_countText->setText(QString::number(m_model.Count()));
    const bool any = !m_model.Empty();
    for (QPushButton* b : {m_clear, m_save, m_apply, m_preview, m_sort}) b->setEnabled(any);
    m_grid->update();
    emit ColoursChanged();
}

void CPaletteWindow::RefreshPaletteList() {
    const QSignalBlocker block(m_list);
    m_list->clear();
    m_list->addItem(QString::fromLatin1(kLoadFromPicture));
    DocumentServices services = m_main.documentServices ? m_main.documentServices() : DocumentServices{};
    const DataFolders folders = services.folders ? *services.folders : DataFolders::FromEnvironment();
    for (const std::string& name : ListPaletteNames(folders)) m_list->addItem(Q(name));
    m_list->setCurrentIndex(-1);
}

void CPaletteWindow::LoadEntry(int index) {
    if (index < 0) return;
    if (index == 0) {
        LoadFromPicture();
        return;
    }
    DocumentServices services = m_main.documentServices ? m_main.documentServices() : DocumentServices{};
    const DataFolders folders = services.folders ? *services.folders : DataFolders::FromEnvironment();
    const std::string name = m_list->itemText(index).toStdString();
    std::filesystem::path path = PaletteFilePath(folders, name);
    if (path.empty()) path = PaletteFolder(folders) / (name + ".pal");
    Palette palette;
    if (palette.Read(path) != 0) {
        m_main.GetPrompter().Message("Unable to find palette file : " + path.string() +
                                         ".  Check your palette directory for the same.\nYour request to convert "
                                         "to the palette is not processed",
                                     kCaption, PromptIcon::Stop);
        return;
    }
    m_model.LoadPalette(palette);
    Changed();
}

void CPaletteWindow::LoadFromPicture() {
    std::size_t current = 0;
    const std::vector<const Picture*> frames = ActiveFrames(&current);
    if (frames.empty()) return;
    CStatusProgress& progress = m_main.StatusProgress();
    if (m_allFrames->isChecked() && frames.size() >= 2)
        m_model.LoadCommonPalette(frames, PaletteWindowModel::kMaxColours, &progress);
    else
        m_model.LoadFromPicture(*frames[current], &progress);
    progress.End();
    Changed();
}

void CPaletteWindow::AddColoursFromPicture(const Picture& picture, PickRect rect) {
    CStatusProgress& progress = m_main.StatusProgress();
    m_model.AddColoursInRect(picture, rect, &progress);
    progress.End();
    Changed();
}

void CPaletteWindow::ReleaseSlider(int n) {
    std::size_t current = 0;
    const std::vector<const Picture*> frames = ActiveFrames(&current);
    CStatusProgress& progress = m_main.StatusProgress();
    m_model.SliderReleased(n, frames, current, m_allFrames->isChecked(), &progress);
    progress.End();
    Changed();
}

void CPaletteWindow::ClickSwatch(int index, bool ctrl) {
    const ColourRef colour = m_model.ColourAt(index);
    if (colour == kNoColour) return;
    AppSettings& s = m_main.Settings();
    if (ctrl) {
        s.bgRed = RedOf(colour), s.bgGreen = GreenOf(colour), s.bgBlue = BlueOf(colour);
        if (COrvantixDoc* doc = ActiveDocument()) doc->SetFrameTransparent(true, colour);
    } else {
        s.fgRed = RedOf(colour), s.fgGreen = GreenOf(colour), s.fgBlue = BlueOf(colour);
    }
    m_lastColour = colour;
    m_main.UpdateCommandStates();
}

void CPaletteWindow::RemoveSwatch(int index) {
    if (m_model.Remove(index)) Changed();
}

void CPaletteWindow::EditSwatch(int position) {
    ColourRef start = m_model.ColourAt(position);
    // An empty position starts from the last colour; an empty grid from black.
    if (start == kNoColour)
        start = m_model.Empty() ? MakeColour(0, 0, 0)
                                : (m_lastColour != kNoColour ? m_lastColour : m_model.ColourAt(m_model.Count() - 1));
    const QColor chosen = chooseColour(QColor(RedOf(start), GreenOf(start), BlueOf(start)));
    if (!chosen.isValid()) return;
    const ColourRef colour =
        MakeColour(std::uint8_t(chosen.red()), std::uint8_t(chosen.green()), std::uint8_t(chosen.blue()));
    m_lastColour = colour;
    if (m_model.SetColour(position, colour)) Changed();
}

void CPaletteWindow::Clear() {
    m_model.Clear();
    {
        const QSignalBlocker block(m_list);
        m_list->setCurrentIndex(-1);
    }
    Changed();
}

void CPaletteWindow::Sort() {
    const auto choice = askSort(m_sortKey, m_sortOrder);
    if (!choice) return;
    m_sortKey = choice->first;
    m_sortOrder = choice->second;
    m_model.Sort(m_sortKey, m_sortOrder);
    Changed();
}

void CPaletteWindow::Save() {
    const std::optional<std::string> name = askName();
    if (!name) return;
    SaveAs(*name);
}

bool CPaletteWindow::SaveAs(const std::string& name) {
    DocumentServices services = m_main.documentServices ? m_main.documentServices() : DocumentServices{};
    const DataFolders folders = services.folders ? *services.folders : DataFolders::FromEnvironment();
    const std::string message = m_model.SaveAs(name, folders);
    if (!message.empty()) {
        m_main.GetPrompter().Message(
            message, kCaption,
            message == PaletteWindowModel::kSaveErrorMessage ? PromptIcon::Stop : PromptIcon::Exclamation);
        return false;
    }
    RefreshPaletteList();
    {
        const QSignalBlocker block(m_list);  // showing the saved name loads nothing
        m_list->setCurrentIndex(m_list->findText(Q(name)));
    }
    Changed();
    return true;
}

void CPaletteWindow::Apply() {
    if (m_model.Empty()) return;
    // The Transfer Manager reduces with these colours on its colour page.
    CTransferManager& tm = m_main.TransferManager();
    tm.FormatTabs()->setCurrentIndex(kTabGifPng);
    if (!tm.UsePaletteBox()->isChecked()) tm.UsePaletteBox()->setChecked(true);
    m_main.Groups().Apply();
    m_main.UpdateCommandStates();
}

void CPaletteWindow::Preview() {
    if (m_model.Empty()) return;
    CTransferManager& tm = m_main.TransferManager();
    tm.FormatTabs()->setCurrentIndex(kTabGifPng);
    if (!tm.UsePaletteBox()->isChecked()) tm.UsePaletteBox()->setChecked(true);
    int n = m_slider->value();
    if (COrvantixDoc* doc = ActiveDocument())
        if (n == doc->ColourCount()) --n;  // a preview with as many colours would change nothing
    tm.QualitySlider()->setValue(75);
    tm.ColoursSlider()->setValue(std::max(1, n));
    tm.PreviewButton()->click();
}

}  // namespace lp
