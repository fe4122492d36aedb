#include "optimize/ui/wizard_launcher.h"

#include <QApplication>
#include <QFileDialog>
#include <QSlider>
#include <QThread>
#include <algorithm>
#include <cctype>

#include "base/data_folders.h"
#include "base/prompter.h"
#include "guikit/ui/worker_prompter.h"
#include "batch/batch_report.h"
#include "batch/ui/batch_report_window.h"
#include "batch/ui/transfer_manager.h"
#include "browser/ui/br_frame.h"
#include "browser/ui/file_view.h"
#include "document/picture_document.h"
#include "guikit/ui/command_ids.h"
#include "guikit/ui/command_router.h"
#include "imaging/colour_count.h"
#include "optimize/ui/group_windows.h"
#include "optimize/ui/optimization_report_dlg.h"
#include "optimize/ui/queued_progress.h"
#include "optimize/ui/wizard_sheet.h"
#include "optimize/wizard_result.h"
#include "shell/ui/child_frame.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/status_progress.h"
#include "web/ui/site_jobs.h"

namespace lp {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCaption = "Lumaprism";

std::optional<WizardKind> KindOfCommand(int id) {
    switch (id) {
        case cmd::kWizardColour: return WizardKind::Color;
        case cmd::kWizardJpeg: return WizardKind::Jpeg;
        case cmd::kWizardSize: return WizardKind::Size;
        case cmd::kWizardGif: return WizardKind::Gif;
        case cmd::kWizardMaster: return WizardKind::Master;
        case cmd::kWizardHtml: return WizardKind::Html;
        default: return std::nullopt;
    }
}

/// The picture files of a folder (not its subfolders) the batch engine can load, sorted.
std::vector<fs::path> PicturesOf(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file(ec)) continue;
        std::string ext = entry.path().extension().string();
        for (char& c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
        if (MacroTypeOfExtension(ext) != MacroPictureType::Unsupported) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

/// A result being made on the worker, and what the window needs when it arrives.
struct PendingResult {
    WizardKind kind = WizardKind::Color;
    BatchMacro macro;
    GifFrameList frames;
    GifInfo info;
    std::size_t current = 0;
    int quality = 75;
    WizardResult result;
    QPointer<CChildFrame> master;
};

CWizardLauncher::CWizardLauncher(CMainFrame& main) : QObject(&main), m_main(main) {
    m_siteJobs = std::make_unique<CSiteJobs>(main);
    chooseFolder = [](QWidget* parent, const QString& title, const QString& start) {
        return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
    };
    chooseReportFile = [](QWidget* parent, const fs::path& proposed) -> std::optional<fs::path> {
        const QString name = QFileDialog::getSaveFileName(parent, QString(), QString::fromStdString(proposed.string()),
                                                          QStringLiteral("All files (*.*);;Text files (*.txt)"));
        if (name.isEmpty()) return std::nullopt;
        return fs::path(name.toStdString());
    };
    m_siteJobs->chooseReportFile = [this](QWidget* parent, const fs::path& proposed) {
        return chooseReportFile(parent, proposed);
    };
    connect(&main.TransferManager(), &CTransferManager::WizardRequested, this, &CWizardLauncher::StartMaster);
}

CWizardLauncher::~CWizardLauncher() {
    // A question the worker is waiting on takes its default: nobody is left to answer it.
    m_closing->store(true);
    if (m_worker) {
        m_worker->wait();
        delete m_worker;
    }
}

CWizardSheet* CWizardLauncher::Sheet() const { return m_sheet.data(); }
COptimizationReportDlg* CWizardLauncher::Report() const { return m_report.data(); }
CBatchReportWindow* CWizardLauncher::BatchReportWindow() const { return m_batchWindow.data(); }

bool CWizardLauncher::UpdateCommand(int id, CommandState& state) {
    const auto kind = KindOfCommand(id);
    if (!kind) return false;
    state.enabled = !Busy() && !m_sheet;
    return true;
}

bool CWizardLauncher::ExecuteCommand(int id) {
    const auto kind = KindOfCommand(id);
    if (!kind) return false;
    Start(*kind);
    return true;
}

void CWizardLauncher::Start(WizardKind kind) {
    if (Busy() || m_sheet) return;
    m_lastKind = kind;
    CChildFrame* active = kind == WizardKind::Html ? nullptr : m_main.ActivePictureWindow();
    CChildFrame* master = active ? m_main.Groups().MasterOf(active) : nullptr;
    WizardFlowState state;
    WizardPictureState picture;
    if (master) {
        const COrvantixDoc& doc = master->Document();
        state.hasPicture = doc.HasPicture();
        state.frameCount = doc.FrameCount();
        if (const Picture* p = doc.GetPicture()) {
            picture.width = p->Width();
            picture.height = p->Height();
        }
        picture.colors = doc.ColourCount();
        picture.quality = doc.JpegQuality();
    }
    CWizardSheet::Environment env;
    static thread_local DataFolders fallback = DataFolders::FromEnvironment();
    env.folders = m_main.documentServices ? m_main.documentServices().folders : nullptr;
    if (!env.folders) env.folders = &fallback;
    env.prompter = &m_main.GetPrompter();
    env.chooseFolder = chooseFolder;
    env.downloadDirectory = m_main.Settings().downLoadDirectory;
    auto* sheet = new CWizardSheet(kind, state, picture, env, &m_main);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    m_sheet = sheet;
    QPointer<CChildFrame> target(master);
    connect(sheet, &QDialog::accepted, this, [this, sheet, target] {
        if (sheet->FlowState().hasPicture && !target) {
            m_main.GetPrompter().Message(kCannotCreateDocument, kCaption, PromptIcon::Stop);
            return;
        }
        if (target)
            MakeResult(*sheet, target);
        else
            Finished(sheet);
    });
    connect(sheet, &QDialog::finished, this, [this] { m_main.UpdateCommandStates(); });
    sheet->setModal(true);
    sheet->open();
    m_main.UpdateCommandStates();
}

void CWizardLauncher::Finished(CWizardSheet* sheet) {
    if (sheet->Kind() == WizardKind::Html) {
        SiteOptions options;
        const BatchMacro& m = sheet->Macro();
        options.levels = m.htmlLevels;
        options.addTags = m.addTags != 0;
        options.addAlt = m.addAlt != 0;
        options.addWidth = m.addWidth != 0;
        options.addHeight = m.addHeight != 0;
        options.resizeImages = m.resizeImages != 0;
        m_siteJobs->StartJob(sheet->HtmlJob().url, sheet->HtmlJob().outputDir, options, m);
        return;
    }
    RunOnFolder(*sheet);
}

void CWizardLauncher::RunOnWorker(std::function<void()> work, std::function<void()> done) {
    QApplication::setOverrideCursor(Qt::BusyCursor);
    m_worker = QThread::create(std::move(work));
    connect(m_worker, &QThread::finished, this, [this, done = std::move(done)] {
        m_worker->deleteLater();
        m_worker = nullptr;
        QApplication::restoreOverrideCursor();
        m_main.StatusProgress().End();
        done();
        m_main.UpdateCommandStates();
    });
    m_main.UpdateCommandStates();
    m_worker->start();
}

void CWizardLauncher::MakeResult(CWizardSheet& sheet, CChildFrame* master) {
    auto pending = std::make_shared<PendingResult>();
    COrvantixDoc& doc = master->Document();
    pending->kind = sheet.Kind();
    pending->macro = sheet.Macro();
    pending->frames = doc.Frames();  // the worker works on copies
    pending->info = doc.AnimationInfo();
    pending->current = doc.CurrentFrame();
    pending->quality = doc.JpegQuality();
    pending->master = master;
    const AppSettings& s = m_main.Settings();
    auto progress = std::make_shared<QueuedProgress>(&m_main.StatusProgress(), &m_main.StatusProgress());
    WizardResultContext context;
    context.progress = progress.get();
    context.prompter = nullptr;  // messages are shown here, once the worker is done
    context.folders = m_main.documentServices ? m_main.documentServices().folders : nullptr;
    context.background = MakeColour(std::uint8_t(s.bgRed), std::uint8_t(s.bgGreen), std::uint8_t(s.bgBlue));
    m_main.StatusProgress().Begin(0, 100, "Applying batch macro");
    RunOnWorker(
        [pending, context, progress] {
            pending->result = MakeWizardResult(pending->kind, pending->macro, pending->frames, pending->info,
                                               pending->current, pending->quality, context);
        },
        [this, pending] { ResultMade(pending.get()); });
}

void CWizardLauncher::ResultMade(PendingResult* pending) {
    Prompter& prompter = m_main.GetPrompter();
    WizardResult& r = pending->result;
    if (!r.ok) {
        prompter.Message(r.error.empty() ? std::string(kCannotCreateDocument) : r.error, kCaption, PromptIcon::Stop);
        return;
    }
    CChildFrame* master = pending->master;
    if (!master) {
        prompter.Message(kCannotCreateDocument, kCaption, PromptIcon::Stop);
        return;
    }
    const COrvantixDoc& masterDoc = master->Document();
    const AppSettings& s = m_main.Settings();
    const ColourRef background = MakeColour(std::uint8_t(s.bgRed), std::uint8_t(s.bgGreen), std::uint8_t(s.bgBlue));
    OptimizationReportData data;
    data.kind = pending->kind;
    data.comparison = r.comparison;
    data.resultBytes = r.resultBytes;
    data.masterBytes =
        WizardMasterBytes(r.comparison, masterDoc.Transfer(), masterDoc.Frames(), masterDoc.AnimationInfo(), background);
    data.modemSpeed = s.modemSpeed;
    m_resultKey = CGroupWindows::KeyOf(masterDoc);
    CChildFrame* preview =
        m_main.Groups().AddWizardPreview(master, std::move(r.frames), r.info, r.settings, static_cast<int>(pending->kind),
                                         r.comparison == ReportComparison::Jpeg, r.resultBytes);
    if (!preview) return;
    data.previewNumber = m_main.Groups().PreviewNumber(preview);
    data.previewTitle = WizardReportTitle(pending->kind, ShownPreviewNumber(data.previewNumber));
    m_main.Groups().Cascade();
    if (!m_report) {
        m_report = new COptimizationReportDlg(&m_main);
        connect(m_report, &COptimizationReportDlg::ApplyRequested, this, &CWizardLauncher::ApplyResult);
        connect(m_report, &COptimizationReportDlg::SaveAsRequested, this, &CWizardLauncher::SaveResultAs);
        connect(m_report, &COptimizationReportDlg::TryAgainRequested, this, &CWizardLauncher::TryAgain);
        connect(m_report, &COptimizationReportDlg::CancelRequested, this, &CWizardLauncher::CancelResult);
    }
    m_report->Show(data);
    emit ResultShown();
}

CChildFrame* CWizardLauncher::FindResultPreview() const {
    if (!m_report) return nullptr;
    const auto id = m_main.Groups().Groups().FindGroupWindow(m_resultKey, m_report->Data().previewNumber);
    if (!id) return nullptr;
    return m_main.Groups().WindowOf(*id);
}

void CWizardLauncher::ApplyResult() {
    if (!m_report) return;
    CChildFrame* preview = FindResultPreview();
    if (!preview) {
        m_main.GetPrompter().Message(kDocumentAlreadyClosed, kCaption, PromptIcon::Information);
        m_report->hide();
        return;
    }
    const int quality = preview->Document().Settings().quality;
    m_main.Groups().Promote(preview);
    preview->Document().SetModifiedFlag(true);
    m_main.TransferManager().QualitySlider()->setValue(quality);
    m_report->hide();
}

void CWizardLauncher::SaveResultAs() {
    if (!m_report) return;
    const bool exists = FindResultPreview() != nullptr;
    ApplyResult();
    if (exists) m_main.RouteCommand(cmd::kFileSaveAs);
}

void CWizardLauncher::TryAgain() {
    if (m_report) m_report->hide();
    Start(m_report ? m_report->Data().kind : m_lastKind);
}

void CWizardLauncher::CancelResult() {
    if (!m_report) return;
    if (CChildFrame* preview = FindResultPreview())
        preview->CloseWithoutAsking();
    else
        m_main.GetPrompter().Message(kDocumentAlreadyClosed, kCaption, PromptIcon::Information);
    m_report->hide();
}

void CWizardLauncher::RunOnFolder(CWizardSheet& sheet) {
    Prompter& prompter = m_main.GetPrompter();
    std::vector<fs::path> files;
    if (CBrFrame* browser = m_main.Browser()) {
        // The wizard works on the pictures chosen in the picture browser.
        if (browser->View().Total() == 0) {
            prompter.Message("No Pictures In the List !!", kCaption, PromptIcon::Exclamation);
            return;
        }
        files = browser->View().SelectedPaths();
        if (files.empty()) {
            prompter.Message("You must first select an item from the list", kCaption, PromptIcon::Exclamation);
            return;
        }
    } else {
        // Without the browser the wizard works on the pictures of a folder the user picks.
        const QString folder = chooseFolder ? chooseFolder(&m_main, QStringLiteral("Select the folder of the pictures"),
                                                           QString::fromStdString(sheet.Macro().outputDir))
                                            : QString();
        if (folder.isEmpty()) return;
        files = PicturesOf(fs::path(folder.toStdString()));
        if (files.empty()) {
            prompter.Message("No Pictures In the List !!", kCaption, PromptIcon::Exclamation);
            return;
        }
    }
    auto macro = std::make_shared<BatchMacro>(sheet.Macro());
    // The pictures go to the folder the Save to directory page chose, in their own formats.
    auto results = std::make_shared<std::vector<BatchFileResult>>();
    auto progress = std::make_shared<QueuedProgress>(&m_main.StatusProgress(), &m_main.StatusProgress());
    const DataFolders* folders = m_main.documentServices ? m_main.documentServices().folders : nullptr;
    const std::string saveDir = sheet.Macro().outputDir;
    // Questions about a picture (frames of an animation, its transparent colour) wait for the user.
    auto questions = std::make_shared<WorkerPrompter>(prompter, this,
                                                     [closing = m_closing] { return closing->load(); });
    m_main.StatusProgress().Begin(0, long(files.size()), "Applying batch macro");
    RunOnWorker(
        [macro, results, progress, questions, files, folders, saveDir] {
            BatchContext context;
            context.prompter = questions.get();
            context.folders = folders;
            context.progress = progress.get();
            context.keepPictures = true;
            context.sameFormatFolder = saveDir;
            BatchOutputClaims claims;
            context.claims = &claims;
            long done = 0;
            for (const fs::path& file : files) {
                results->push_back(ApplyKeepIfSmaller(*macro, file, context));
                progress->Step(++done);
            }
        },
        [this, results, files] {
            auto* window = new CBatchReportWindow(QStringLiteral("Batch Processing"), m_main.Settings().modemSpeed, &m_main);
            window->setAttribute(Qt::WA_DeleteOnClose);
            window->chooseFile = [this](QWidget* parent, const fs::path& proposed) {
                return chooseReportFile(parent, proposed);
            };
            window->openFile = [this](const fs::path& path) {
                if (m_main.onFilesDropped) m_main.onFilesDropped({path});
            };
            window->Report().SetFilesSelected(int(files.size()));
            for (const BatchFileResult& r : *results) window->AddFile(r);
            m_batchWindow = window;
            window->show();
            emit BatchShown();
        });
}

}  // namespace lp
