#include "optimize/ui/group_windows.h"

#include <QApplication>
#include <QMdiArea>
#include <new>

#include "base/prompter.h"
#include "batch/apply_batch_macro.h"
#include "browser/ui/br_frame.h"
#include "browser/ui/file_view.h"
#include "batch/transfer_trial.h"
#include "batch/ui/transfer_manager.h"
#include "document/picture_document.h"
#include "optimize/ui/windows_manager_dlg.h"
#include "shell/ui/child_frame.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/status_progress.h"
#include "tools/ui/palette_window.h"

namespace lp {

namespace {
constexpr std::string_view kCaption = "Lumaprism";
}

CGroupWindows::CGroupWindows(CMainFrame& mainFrame, CTransferManager& transferManager)
    : QObject(&mainFrame), m_main(mainFrame), m_tm(transferManager) {
    connect(&m_tm, &CTransferManager::PreviewRequested, this, [this] { MakePreview(); });
    connect(&m_tm, &CTransferManager::ApplyRequested, this, [this] { Apply(); });
    connect(&m_tm, &CTransferManager::WindowClicked, this, &CGroupWindows::ActivateNumber);
    connect(&m_tm, &CTransferManager::TabChosen, this, [this](int) {
        // The master keeps the tab chosen for it.
        if (m_attached) m_groups.Find(IdOf(m_attached))->previewKind = m_tm.Model().Tab();
    });
    connect(&m_tm, &CTransferManager::UseAllFramesChanged, this, [this](bool) {
        for (auto& [id, frame] : m_windows) frame->RefreshGroupLabels();
    });
}

CGroupWindows::~CGroupWindows() = default;

std::string CGroupWindows::KeyOf(const COrvantixDoc& document) {
    return document.PathName().empty() ? document.Title() : document.PathName().string();
}

void CGroupWindows::Register(CChildFrame* frame) {
    if (m_ids.count(frame)) return;
    GroupWindowId id = 0;
    if (m_pending) {
        id = m_groups.AddPreview(m_pending->key, m_pending->kind);
    } else {
        id = m_groups.AddMaster(KeyOf(frame->Document()), frame->Document().FormatTab());
    }
    m_ids[frame] = id;
    m_windows[id] = frame;
    connect(frame, &QObject::destroyed, this, &CGroupWindows::Forget);
    frame->RefreshGroupLabels();
}

void CGroupWindows::Forget(QObject* object) {
    const auto it = m_ids.find(object);
    if (it == m_ids.end()) return;
    const GroupWindowId id = it->second;
    const GroupMember* member = m_groups.Find(id);
    if (member) {
        const std::string key = member->key;
        if (key == m_tm.Model().GroupKey() && member->previewNumber > 0)
            m_tm.Model().Graph().RemoveWindow(member->previewNumber);
        m_groups.Remove(id);
        if (m_groups.HighestPreviewNumber(key) == 0) {
            m_tm.Model().ForgetGraph(key);
        } else if (key == m_tm.Model().GroupKey()) {
            // Windows closed by their group had number 0 by now: drop every column no window holds.
            std::vector<int> stale;
            for (const HistoryGraph::Column& column : m_tm.Model().Graph().Windows())
                if (!m_groups.FindGroupWindow(key, column.previewNumber)) stale.push_back(column.previewNumber);
            for (const int number : stale) m_tm.Model().Graph().RemoveWindow(number);
        }
    }
    if (m_attached == object) {
        m_attached = nullptr;
        m_tm.Detach();
    }
    m_windows.erase(id);
    m_ids.erase(it);
    m_tm.History()->update();
}

GroupWindowId CGroupWindows::IdOf(const CChildFrame* frame) const {
    const auto it = m_ids.find(frame);
    return it == m_ids.end() ? 0 : it->second;
}

CChildFrame* CGroupWindows::WindowOf(GroupWindowId id) const {
    const auto it = m_windows.find(id);
    return it == m_windows.end() ? nullptr : it->second;
}

int CGroupWindows::PreviewNumber(const CChildFrame* frame) const {
    const GroupMember* m = m_groups.Find(IdOf(frame));
    return m ? m->previewNumber : 1;
}

int CGroupWindows::PreviewKind(const CChildFrame* frame) const {
    const GroupMember* m = m_groups.Find(IdOf(frame));
    return m ? m->previewKind : 0;
}

std::string CGroupWindows::StatusTitle(const CChildFrame* frame) const {
    const int number = PreviewNumber(frame);
    return GroupStatusTitle(number < 1 ? 2 : number, PreviewKind(frame));
}

CChildFrame* CGroupWindows::MasterOf(const CChildFrame* frame) const {
    const GroupMember* m = m_groups.Find(IdOf(frame));
    if (!m) return const_cast<CChildFrame*>(frame);
    const auto master = m_groups.FindGroupWindow(m->key, 1);
    return master ? WindowOf(*master) : const_cast<CChildFrame*>(frame);
}

bool CGroupWindows::UseAllFrames() const { return m_tm.Model().UseAllFrames(); }

void CGroupWindows::PresentState(const COrvantixDoc& document, std::int32_t& w, std::int32_t& h, std::int32_t& c,
                                 std::int32_t& q) {
    const Picture* picture = document.GetPicture();
    w = picture ? picture->Width() : 0;
    h = picture ? picture->Height() : 0;
    c = std::int32_t(std::min<std::int64_t>(document.ColourCount(), 256));
    q = document.JpegQuality();
}

void CGroupWindows::AttachTo(CChildFrame* master) {
    m_attached = master;
    if (!master) {
        m_tm.Detach();
        return;
    }
    COrvantixDoc& doc = master->Document();
    const GroupMember* m = m_groups.Find(IdOf(master));
    m_tm.Attach(&doc.Transfer(), &doc.Settings(), &doc.Frames(), doc.CurrentFrame(), m ? m->previewKind : doc.FormatTab(),
                KeyOf(doc));
}

void CGroupWindows::OnActivated(CChildFrame* frame) {
    if (!frame) return;  // another kind of window: the panel keeps what it shows
    CChildFrame* master = MasterOf(frame);
    if (master == m_attached && m_tm.Model().Attached()) return;
    AttachTo(master);
}

void CGroupWindows::OnTransferInfoChanged(CChildFrame* frame) {
    if (!frame || frame != m_attached) return;
    std::int32_t w, h, c, q;
    PresentState(frame->Document(), w, h, c, q);
    m_tm.SetPresentState(w, h, c, q);
    m_tm.Model().Graph().SetWindow(1, m_tm.Model().PresentBytes());
}

bool CGroupWindows::BeforeEdit(CChildFrame* frame) {
    const GroupWindowId id = IdOf(frame);
    if (!id) return true;
    const EditPlan plan = PlanEdit(m_groups, id, m_main.GetPrompter());
    if (!plan.run) return false;
    if (plan.oldMaster) {
        m_tm.Model().Graph().SwapNumbers(1, m_groups.Find(*plan.oldMaster)->previewNumber);
    }
    CloseWindows(plan.close);
    AttachTo(MasterOf(frame));
    frame->RefreshGroupLabels();
    return true;
}

bool CGroupWindows::AllowClose(CChildFrame* frame) {
    const GroupWindowId id = IdOf(frame);
    if (!id) return true;
    const ClosePlan plan = PlanClose(m_groups, id, m_main.GetPrompter(), m_shuttingDown);
    switch (plan.choice) {
        case CloseChoice::Cancel:
            return false;
        case CloseChoice::ChooseNewMaster:
            OpenWindowsManager();
            return false;
        case CloseChoice::Close:
            break;
    }
    CloseWindows(plan.close);
    return true;
}

void CGroupWindows::CloseWindows(const std::vector<GroupWindowId>& ids) {
    for (const GroupWindowId id : ids)
        if (CChildFrame* frame = WindowOf(id)) frame->CloseWithoutAsking();
}

CChildFrame* CGroupWindows::MakePreview() {
    CChildFrame* active = m_main.ActivePictureWindow();
    if (!active) return nullptr;
    CChildFrame* master = MasterOf(active);
    ActivateWindow(master);
    COrvantixDoc& source = master->Document();
    Prompter& prompter = m_main.GetPrompter();
    const BatchMacro& settings = source.Settings();
    std::string message;
    if (!TrialSizeValid(settings, message)) {
        prompter.Message(message, kCaption, PromptIcon::Exclamation);
        return nullptr;
    }
    if (!m_main.documentServices || !m_main.addDocumentWindow) {
        prompter.Message(kCannotCreateDocument, kCaption, PromptIcon::Stop);
        return nullptr;
    }
    const int tab = m_tm.Model().Tab();
    DocumentServices services = m_main.documentServices();
    services.measureSizes = false;  // previews carry estimates, only the master is measured
    services.addToRecentFiles = {};

    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_ptr<COrvantixDoc> document;
    GifFrameList frames;
    GifInfo info;
    TrialOutcome outcome;
    try {
        document = std::make_unique<COrvantixDoc>(services);
        frames = source.Frames();
        info = source.AnimationInfo();
        TrialRequest request;
        request.settings = &settings;
        request.tab = tab;
        request.useAllFrames = m_tm.Model().UseAllFrames();
        request.transparency = m_main.Settings().transparency;
        request.smartResize = m_main.Settings().smartReSize != 0;
        request.prompter = &prompter;
        request.progress = &m_main.StatusProgress();
        request.folders = services.folders;
        request.paletteWindow = m_main.WindowPalette();
        outcome = ProcessTrial(frames, info, source.CurrentFrame(), request);
    } catch (const std::bad_alloc&) {
        outcome = {};
        outcome.error = std::string(kNotEnoughMemory);
    }
    m_main.StatusProgress().End();
    QApplication::restoreOverrideCursor();
    if (!outcome.ok) {
        // Nothing half made stays behind: the document goes with this scope.
        if (!outcome.cancelled && !outcome.shown) prompter.Message(outcome.error, kCaption, PromptIcon::Stop);
        return nullptr;
    }

    document->AdoptContent(std::move(frames), info, source.CurrentFrame());
    document->SetTitle(source.Title());
    document->Settings().CopySettingsFrom(settings);
    if (tab == kTabJpeg) document->SetJpegQuality(settings.quality);
    // The preview starts from its master's record; its present state is the trial estimate.
    TransferInfo t = source.Transfer();
    t.jpegBytes = t.previewJpegBytes;
    t.gifBytes = t.previewGifBytes;
    t.pngBytes = t.previewPngBytes;
    t.jpegSeconds = t.previewJpegSeconds;
    t.gifSeconds = t.previewGifSeconds;
    t.pngSeconds = t.previewPngSeconds;
    t.allFramesKb = t.previewAllFramesKb;
    t.settings = &document->Settings();
    if (const Picture* p = document->GetPicture()) {
        t.width = p->Width();
        t.height = p->Height();
    }
    t.colors = std::int32_t(std::min<std::int64_t>(document->ColourCount(), 256));
    document->Transfer() = t;
    const std::array<std::int64_t, 3> bytes = m_tm.Model().TrialBytes();

    m_pending = std::make_unique<Pending>(Pending{KeyOf(source), tab});
    CChildFrame* frame = m_main.addDocumentWindow(std::move(document));
    m_pending.reset();
    if (!frame) {
        prompter.Message(kCannotCreateDocument, kCaption, PromptIcon::Stop);
        return nullptr;
    }
    m_tm.Model().RegisterWindow(PreviewNumber(frame), bytes);
    frame->RefreshGroupLabels();
    // The palette window's "Preview Window" choice arranges the windows after a preview.
    if (m_main.PaletteWindow().CascadePreviews())
        Cascade();
    else
        Tile();
    m_tm.Refresh();
    return frame;
}

CChildFrame* CGroupWindows::AddWizardPreview(CChildFrame* master, GifFrameList frames, const GifInfo& info,
                                             const BatchMacro& settings, int kind, bool jpeg, std::int64_t resultBytes) {
    Prompter& prompter = m_main.GetPrompter();
    if (!master || !m_main.documentServices || !m_main.addDocumentWindow) {
        prompter.Message(kCannotCreateDocument, kCaption, PromptIcon::Stop);
        return nullptr;
    }
    ActivateWindow(master);
    COrvantixDoc& source = master->Document();
    DocumentServices services = m_main.documentServices();
    services.measureSizes = false;  // previews carry estimates, only the master is measured
    services.addToRecentFiles = {};
    auto document = std::make_unique<COrvantixDoc>(services);
    const std::size_t current = std::min(source.CurrentFrame(), frames.Count() ? frames.Count() - 1 : 0);
    document->AdoptContent(std::move(frames), info, current);
    document->SetTitle(source.Title());
    document->Settings().CopySettingsFrom(settings);
    if (jpeg) document->SetJpegQuality(settings.quality);
    TransferInfo t = source.Transfer();
    t.settings = &document->Settings();
    document->Transfer() = t;
    document->EstimateSizes();
    // The comparison's size was measured: it replaces its estimate.
    TransferInfo& own = document->Transfer();
    const double speed = m_main.Settings().modemSpeed;
    if (jpeg) {
        own.jpegBytes = std::int32_t(std::min<std::int64_t>(resultBytes, INT32_MAX));
        own.jpegSeconds = TransferSeconds(own.jpegBytes, speed);
    } else {
        own.gifBytes = std::int32_t(std::min<std::int64_t>(resultBytes, INT32_MAX));
        own.gifSeconds = TransferSeconds(own.gifBytes, speed);
    }
    const std::array<std::int64_t, 3> bytes{own.jpegBytes, own.gifBytes, own.pngBytes};
    m_pending = std::make_unique<Pending>(Pending{KeyOf(source), kind});
    CChildFrame* frame = m_main.addDocumentWindow(std::move(document));
    m_pending.reset();
    if (!frame) {
        prompter.Message(kCannotCreateDocument, kCaption, PromptIcon::Stop);
        return nullptr;
    }
    if (KeyOf(source) == m_tm.Model().GroupKey()) m_tm.Model().RegisterWindow(PreviewNumber(frame), bytes);
    frame->RefreshGroupLabels();
    m_tm.Refresh();
    return frame;
}

bool CGroupWindows::Apply() {
    CChildFrame* active = m_main.ActivePictureWindow();
    if (!active) return ApplyToBrowserSelection();
    CChildFrame* master = MasterOf(active);
    COrvantixDoc& doc = master->Document();
    const BatchMacro& settings = doc.Settings();
    const int tab = m_tm.Model().Tab();
    if (tab == kTabJpeg) {
        doc.SetJpegQuality(settings.quality);
        doc.SetModifiedFlag(true);
        doc.EstimateSizes();
        return true;
    }
    Prompter& prompter = m_main.GetPrompter();
    GifFrameList frames;
    GifInfo info;
    TrialOutcome outcome;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        frames = doc.Frames();
        info = doc.AnimationInfo();
        TrialRequest request;
        request.settings = &settings;
        request.tab = tab;
        request.useAllFrames = m_tm.Model().UseAllFrames();
        request.transparency = 2;  // Apply asks
        request.smartResize = m_main.Settings().smartReSize != 0;
        request.prompter = &prompter;
        request.progress = &m_main.StatusProgress();
        if (m_main.documentServices) request.folders = m_main.documentServices().folders;
        request.paletteWindow = m_main.WindowPalette();
        outcome = ProcessTrial(frames, info, doc.CurrentFrame(), request);
    } catch (const std::bad_alloc&) {
        outcome = {};
        outcome.error = std::string(kNotEnoughMemory);
    }
    m_main.StatusProgress().End();
    QApplication::restoreOverrideCursor();
    if (!outcome.ok) {
        if (!outcome.cancelled && !outcome.shown) prompter.Message(outcome.error, kCaption, PromptIcon::Stop);
        return false;
    }
    const std::size_t current = doc.CurrentFrame();
    // The current picture goes through the document's edit, which keeps the undo copy.
    Picture processed = std::move(frames[current].picture);
    if (!doc.ApplyEdit([&processed](Picture& picture) { picture = std::move(processed); })) return false;
    GifFrameList& target = doc.Frames();
    for (std::size_t i = 0; i < target.Count() && i < frames.Count(); ++i) {
        target[i].left = frames[i].left;
        target[i].top = frames[i].top;
        target[i].transparentColour = frames[i].transparentColour;
        if (i != current) {
            target[i].picture = std::move(frames[i].picture);
            target[i].colourCount = 0;
        }
    }
    doc.AnimationInfo() = info;
    doc.PictureChanged();
    return true;
}

bool CGroupWindows::ApplyToBrowserSelection() {
    // With no picture window active the macro goes to the pictures chosen in the browser.
    CBrFrame* browser = m_main.Browser();
    Prompter& prompter = m_main.GetPrompter();
    const std::vector<std::filesystem::path> paths =
        browser ? browser->View().SelectedPaths() : std::vector<std::filesystem::path>{};
    BatchContext context;
    context.prompter = &prompter;
    context.progress = &m_main.StatusProgress();
    context.smartResizeSetting = m_main.Settings().smartReSize != 0;
    if (m_main.documentServices) context.folders = m_main.documentServices().folders;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::vector<BatchFileResult> results = ApplyToSelection(m_tm.Model().Macro(), paths, context);
    m_main.StatusProgress().End();
    QApplication::restoreOverrideCursor();
    if (browser && !results.empty()) browser->View().Refresh();
    return !results.empty() && results.back().ok;
}

void CGroupWindows::Promote(CChildFrame* preview) {
    const GroupWindowId id = IdOf(preview);
    const GroupMember* member = m_groups.Find(id);
    if (!member || member->previewNumber == 1) return;
    const std::string key = member->key;
    const int oldNumber = member->previewNumber;
    const auto oldMaster = m_groups.MakeMaster(id);
    if (key == m_tm.Model().GroupKey()) m_tm.Model().Graph().SwapNumbers(1, oldNumber);
    (void)oldMaster;
    CloseWindows(m_groups.CloseAllBut(key, 1));
    AttachTo(preview);
    preview->RefreshGroupLabels();
    ActivateWindow(preview);
}

void CGroupWindows::ActivateNumber(int previewNumber) {
    const auto id = m_groups.FindGroupWindow(m_tm.Model().GroupKey(), previewNumber);
    if (id) ActivateWindow(WindowOf(*id));
}

void CGroupWindows::ActivateWindow(CChildFrame* frame) {
    if (!frame) return;
    if (frame->isMinimized()) frame->showNormal();
    frame->setEnabled(true);
    m_main.MdiArea()->setActiveSubWindow(frame);
}

void CGroupWindows::OpenWindowsManager() {
    if (m_main.PictureWindows().empty()) {
        m_main.GetPrompter().Message(kNoWindowsActive, kCaption, PromptIcon::Information);
        return;
    }
    if (m_dialog) {
        m_dialog->Reload();
        m_dialog->raise();
        return;
    }
    m_dialog = new CWindowsManagerDlg(*this, m_main.Settings().usePng != 0, m_main.Settings().modemSpeed, &m_main);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog->open();
}

CWindowsManagerDlg* CGroupWindows::WindowsManager() const { return m_dialog.data(); }

void CGroupWindows::Tile() { m_main.MdiArea()->tileSubWindows(); }

void CGroupWindows::Cascade() { m_main.MdiArea()->cascadeSubWindows(); }

}  // namespace lp
