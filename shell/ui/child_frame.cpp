#include "shell/ui/child_frame.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>

#include "base/prompter.h"
#include "document/ui/doc_commands.h"
#include "document/ui/frame_strip.h"
#include "imaging/ui/qimage_convert.h"
#include "guikit/ui/command_ids.h"
#include "optimize/ui/group_windows.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/orvantix_view.h"
#include "shell/ui/ruler.h"
#include "shell/measuring_units.h"
#include "shell/ui/status_progress.h"
#include "tools/ui/palette_window.h"
#include "vector/ui/vectorize_dialog.h"
#include "shell/ui/tool_icons.h"

namespace lp {

namespace {
constexpr int kRulerThickness = Ruler::kThickness;
constexpr int kWholeWindow = 1000;
}  // namespace

ViewContext CChildFrame::ViewContextFor() {
    ViewContext c;
    c.settings = &m_mainFrame.Settings();
    c.tools = &m_mainFrame.Tools();
    c.spot = &m_mainFrame.SpotParams();
    c.prompter = &m_mainFrame.GetPrompter();
    c.progress = &m_mainFrame.StatusProgress();
    c.clipboard = &m_clipboard;
    c.showHint = [this](int number) { m_mainFrame.ShowHint(number); };
    c.samePictureViews = [this] {
        // The same picture: the same path name, or the same title without one.
        std::vector<COrvantixView*> views;
        for (CChildFrame* frame : m_mainFrame.PictureWindows()) {
            const COrvantixDoc& other = frame->Document();
            const bool same = m_document->PathName().empty()
                                  ? other.PathName().empty() && other.Title() == m_document->Title()
                                  : other.PathName() == m_document->PathName();
            if (same) views.push_back(&frame->View());
        }
        return views;
    };
    c.confirmChange = [this] {
        return !m_mainFrame.confirmPictureChange || m_mainFrame.PictureWindows().size() <= 1 ||
               m_mainFrame.confirmPictureChange(*this);
    };
    c.stateChanged = [this] { m_mainFrame.UpdateCommandStates(); };
    c.statusText = [this](const QString& text) { m_mainFrame.statusBar()->showMessage(text); };
    c.pickPalette = [this](const Picture& picture, PickRect rect) {
        m_mainFrame.SelectPage(1);  // the colours arrive where the user can see them
        m_mainFrame.PaletteWindow().AddColoursFromPicture(picture, rect);
    };
    c.geometryChanged = [this] { FollowView(); };
    if (m_mainFrame.openHelpTopic) c.openHelp = m_mainFrame.openHelpTopic;
    return c;
}

CChildFrame::CChildFrame(CMainFrame& mainFrame, std::unique_ptr<COrvantixDoc> document, PictureClipboard& clipboard,
                         FileChooser& chooser)
    : QMdiSubWindow(nullptr), m_mainFrame(mainFrame), m_document(std::move(document)), m_clipboard(clipboard) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("PictureWindow"));
    auto* client = new QWidget(this);
    auto* outer = new QVBoxLayout(client);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    m_horzRuler = new Ruler(Qt::Horizontal, client);
    m_horzRuler->setObjectName(QStringLiteral("Horz Ruler"));
    m_horzRuler->setAccessibleName(QStringLiteral("Horz Ruler"));
    m_horzRuler->setToolTip(QStringLiteral("Show or hide Horz Ruler"));
    m_vertRuler = new Ruler(Qt::Vertical, client);
    m_vertRuler->setObjectName(QStringLiteral("Vert Ruler"));
    m_vertRuler->setAccessibleName(QStringLiteral("Vert Ruler"));
    m_vertRuler->setToolTip(QStringLiteral("Show or hide Vert Ruler"));
    // A click on the unit button opens the options sheet on its first page.
    connect(m_horzRuler, &Ruler::UnitButtonClicked, this, [this] { m_mainFrame.RouteCommand(cmd::kOptions); });

    m_splitter = new QSplitter(Qt::Vertical, client);
    m_splitter->setObjectName(QStringLiteral("Splitter"));
    m_view = new COrvantixView(*m_document, ViewContextFor(), m_splitter);
    m_frameStrip = new CFrameStrip(*m_document, m_splitter);
    m_frameStrip->setMinimumHeight(0);
    m_splitter->addWidget(m_view);
    m_splitter->addWidget(m_frameStrip);
    m_splitter->setCollapsible(1, true);

    // The unit button sits in the corner above the vertical ruler.
    grid->addWidget(m_horzRuler, 0, 0, 1, 2);
    grid->addWidget(m_vertRuler, 1, 0);
    grid->addWidget(m_splitter, 1, 1);
    outer->addLayout(grid, 1);

    m_statusBar = new QStatusBar(client);
    m_statusBar->setSizeGripEnabled(false);
    outer->addWidget(m_statusBar);
    m_status = new CStatusProgress(m_statusBar, CStatusProgress::Mode::FourPane);

    setWidget(client);
    setWindowIcon(ApplicationIcon());

    if (!m_mainFrame.RulersShown()) {
        m_horzRuler->hide();
        m_vertRuler->hide();
    }

    TakeUnits(m_mainFrame.Settings().units);
    m_docCommands = std::make_unique<CDocCommands>(*m_document, clipboard, chooser, &m_mainFrame);
    m_docCommands->vectorize = [this, &chooser] { OpenVectorizeDialog(chooser); };
    m_document->SetObserver(this);
    resize(480, 360);
    RefreshCaption();
    RefreshStatus();
}

CChildFrame::~CChildFrame() {
    // Nothing may report to this half-destroyed window, not even the stop.
    m_document->SetObserver(nullptr);
    m_document->Stop();
}

QString CChildFrame::CaptionText() const {
    const CGroupWindows& groups = m_mainFrame.Groups();
    const int number = groups.PreviewNumber(this);
    return QString::fromStdString(m_document->Caption(number <= 1, number, groups.UseAllFrames()));
}

void CChildFrame::RefreshCaption() { setWindowTitle(CaptionText()); }

void CChildFrame::RefreshGroupLabels() {
    RefreshCaption();
    if (m_shownOnce) m_status->ShowTitle(QString::fromStdString(m_mainFrame.Groups().StatusTitle(this)));
}

void CChildFrame::ShowSize(std::int32_t width, std::int32_t height) {
    const UnitSize size = SizeInUnit(width, height, m_mainFrame.Settings().units);
    m_status->ShowSize(size.width, size.height, size.wholeNumbers);
}

void CChildFrame::TakeUnits(const MeasureUnits& units) {
    m_horzRuler->SetUnit(units.unit);
    m_horzRuler->SetResolution(units.xResolution);
    m_vertRuler->SetUnit(units.unit);
    m_vertRuler->SetResolution(units.yResolution);
    if (const Picture* picture = m_document ? m_document->GetPicture() : nullptr) {
        m_status->ShowResolution(units.xResolution, units.yResolution);
        ShowSize(picture->Width(), picture->Height());
    }
}

void CChildFrame::FollowView() {
    if (!m_view || !m_horzRuler) return;
    const QPointF topLeft = m_view->TopLeftPicturePoint();
    const double zoom = m_view->Zoom() > 0 ? m_view->Zoom() : 1.0;
    // Picture coordinate 0 lines up with the view's first pixel, wherever the rulers sit.
    const QPoint viewStart = m_view->viewport()->mapTo(widget(), QPoint(0, 0));
    m_horzRuler->SetStartOffset(viewStart.x() - m_horzRuler->mapTo(widget(), QPoint(0, 0)).x());
    m_vertRuler->SetStartOffset(viewStart.y() - m_vertRuler->mapTo(widget(), QPoint(0, 0)).y());
    if (m_horzRuler->Zoom() != zoom) m_horzRuler->SetZoom(zoom);
    if (m_vertRuler->Zoom() != zoom) m_vertRuler->SetZoom(zoom);
    m_horzRuler->SetOrigin(topLeft.x());
    m_vertRuler->SetOrigin(topLeft.y());
}

void CChildFrame::RefreshStatus() {
    const Picture* picture = m_document->GetPicture();
    m_status->ShowColours(long(m_document->ColourCount()));
    if (picture) ShowSize(picture->Width(), picture->Height());
    m_status->ShowFrame(int(m_document->CurrentFrame()) + 1, int(m_document->FrameCount()));
}

void CChildFrame::ShowRulers(bool show) {
    const bool shown = !m_horzRuler->isHidden();
    if (shown == show) return;
    m_horzRuler->setVisible(show);
    m_vertRuler->setVisible(show);
    const int delta = show ? kRulerThickness : -kRulerThickness;
    const QPoint position = pos();
    resize(width() + delta, height() + delta);
    move(position);
}

void CChildFrame::LayoutSplitter() {
    const int clientHeight = m_splitter->height();
    int first = kWholeWindow;
    if (m_document->FrameCount() > 1) {
        // Room for one thumbnail of the canvas (the largest frame extent).
        double canvasWidth = 0;
        double canvasHeight = 0;
        for (const GifFrame& frame : m_document->Frames()) {
            canvasWidth = std::max(canvasWidth, double(frame.left) + frame.picture.Width());
            canvasHeight = std::max(canvasHeight, double(frame.top) + frame.picture.Height());
        }
        if (canvasWidth > 0 && canvasHeight > 0) {
            const double s = std::min({100.0 / canvasWidth, 100.0 / canvasHeight, 1.0});
            const int rest = clientHeight - int(s * canvasHeight + 70);
            first = rest < 0 ? kWholeWindow : rest;
        }
    }
    const int second = first >= clientHeight ? 0 : clientHeight - first;
    m_splitter->setSizes({first, second});
}

void CChildFrame::CloseWithoutAsking() {
    m_closeAsked = true;
    close();
}

bool CChildFrame::SaveModified() {
    if (!m_document->IsModified()) return true;
    Prompter& prompter = m_mainFrame.GetPrompter();
    const std::string question = "Save changes to " + m_document->Title() + "?";
    switch (prompter.Ask(question, "Lumaprism", PromptButtons::YesNoCancel, PromptAnswer::Yes)) {
        case PromptAnswer::Yes:
            return m_docCommands->Save();
        case PromptAnswer::No:
            return true;
        default:
            return false;
    }
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (!m_closeAsked && !m_mainFrame.Groups().AllowClose(this)) {
        event->ignore();
        return;
    }
    if (!m_closeAsked && !SaveModified()) {
        event->ignore();
        return;
    }
    m_closeAsked = true;
    m_document->Stop();
    QMdiSubWindow::closeEvent(event);
}

void CChildFrame::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    LayoutSplitter();
    FollowView();
}

void CChildFrame::showEvent(QShowEvent* event) {
    QMdiSubWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        m_status->ShowTitle(QString::fromStdString(m_mainFrame.Groups().StatusTitle(this)));
        LayoutSplitter();
    }
    FollowView();
}

bool CChildFrame::UpdateCommand(int id, CommandState& state) {
    switch (id) {
        case cmd::kFileClose:
            state.enabled = true;
            return true;
        case cmd::kViewRuler:
            state.enabled = true;
            state.checked = m_mainFrame.RulersShown();
            return true;
        case cmd::kStartUpScreen:
            state.enabled = true;
            state.checked = m_mainFrame.Settings().welcomeScreen != 0;
            return true;
        default:
            return false;
    }
}

bool CChildFrame::ExecuteCommand(int id) {
    switch (id) {
        case cmd::kFileClose:
            close();
            return true;
        case cmd::kViewRuler:
            m_mainFrame.ToggleRulers();
            return true;
        case cmd::kStartUpScreen:
            m_mainFrame.ToggleWelcomeScreen();
            return true;
        default:
            return false;
    }
}

CVectorizeDlg* CChildFrame::OpenVectorizeDialog(FileChooser& chooser) {
    const Picture* picture = m_document->GetPicture();
    if (!picture) return nullptr;
    m_mainFrame.ShowHint(10);
    // The dialog works on a copy: the picture may change or close while it is open.
    std::filesystem::path proposed = m_document->PathName();
    if (proposed.empty()) proposed = m_document->Title();
    auto* dialog = new CVectorizeDlg(*picture, proposed, chooser, m_mainFrame.GetPrompter(), &m_mainFrame);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (m_mainFrame.openHelpTopic)
        dialog->openHelp = [this] { m_mainFrame.openHelpTopic(cmd::HelpTopic(cmd::kVectorize)); };
    else
        dialog->HelpButton()->setEnabled(false);
    dialog->open();
    return dialog;
}

void CChildFrame::PictureReplaced() {
    m_view->RefreshPicture();
    m_frameStrip->CurrentFrameChanged();
    RefreshStatus();
    m_mainFrame.UpdateCommandStates();
}

void CChildFrame::FramesChanged() {
    m_frameStrip->FramesChanged();
    RefreshStatus();
    LayoutSplitter();
    m_mainFrame.UpdateCommandStates();
    emit DocumentChanged();
}

void CChildFrame::TitleChanged() {
    RefreshCaption();
    m_mainFrame.UpdateCommandStates();
}

void CChildFrame::TransferInfoChanged() {
    RefreshCaption();
    m_mainFrame.Groups().OnTransferInfoChanged(this);
    emit DocumentChanged();
}

void CChildFrame::StatusChanged(std::int64_t colourCount, std::int32_t width, std::int32_t height) {
    m_status->ShowColours(long(colourCount));
    ShowSize(width, height);
}

void CChildFrame::PlaybackFrame(const Picture& canvas, std::size_t) {
    // Called on the playback worker: hand a copy to this window's thread, never wait for it.
    QImage image = ToQImage(canvas);
    QMetaObject::invokeMethod(
        this, [this, image = std::move(image)] { m_view->ShowCanvas(image); }, Qt::QueuedConnection);
}

void CChildFrame::PlaybackEnded() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_view->RefreshPicture();
            m_mainFrame.UpdateCommandStates();
        },
        Qt::QueuedConnection);
}

}  // namespace lp
