#pragma once
#include <QObject>
#include <QPointer>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "batch/apply_batch_macro.h"
#include "optimize/wizard_flow.h"
#include "optimize/wizard_report.h"

class QThread;
class QWidget;

namespace lp {

class CBatchReportWindow;
class CChildFrame;
class CMainFrame;
class COptimizationReportDlg;
class CSiteJobs;
class CWizardSheet;
struct CommandState;

/// The Wizards menu: starts the six wizards, turns a finished wizard into its result (a
/// preview and the "Optimization report" for a picture; without one, a batch run over the
/// picture browser's selection, or over a folder's pictures while no browser is open; site jobs for the Html-Page wizard) and carries out the report's buttons. The
/// processing runs on a worker thread; the window stays responsive and shows the progress in
/// the status bar.
class CWizardLauncher final : public QObject {
    Q_OBJECT
public:
    explicit CWizardLauncher(CMainFrame& main);
    ~CWizardLauncher() override;

    /// The Wizards menu commands (main-window level).
    bool UpdateCommand(int id, CommandState& state);
    bool ExecuteCommand(int id);

    /// Starts the wizard of the kind: for the active picture window's master, or without a
    /// picture when none is active (always for the Html-Page wizard).
    void Start(WizardKind kind);
    /// The Lumaprism Wizard for the active picture (the Transfer Manager's "Wizard" button and
    /// the ask-wizard step).
    void StartMaster() { Start(WizardKind::Master); }

    CWizardSheet* Sheet() const;
    COptimizationReportDlg* Report() const;
    CBatchReportWindow* BatchReportWindow() const;
    CSiteJobs& SiteJobs() { return *m_siteJobs; }
    /// A result or a batch run is being made on the worker.
    bool Busy() const { return m_worker != nullptr; }

    /// Report buttons.
    void ApplyResult();
    void SaveResultAs();
    void TryAgain();
    void CancelResult();

    /// The system folder chooser (parent, title, start); tests replace it.
    std::function<QString(QWidget*, const QString&, const QString&)> chooseFolder;
    /// The report save dialog (parent, proposed name); tests replace it.
    std::function<std::optional<std::filesystem::path>(QWidget*, const std::filesystem::path&)> chooseReportFile;

signals:
    /// The result preview and its report are shown.
    void ResultShown();
    /// A batch run of a wizard without a picture has ended and its report is shown.
    void BatchShown();

private:
    void Finished(CWizardSheet* sheet);
    void MakeResult(CWizardSheet& sheet, CChildFrame* master);
    void ResultMade(struct PendingResult* pending);
    /// Without a picture: the browser's selection (or a folder chosen when no browser is open).
    void RunOnFolder(CWizardSheet& sheet);
    CChildFrame* FindResultPreview() const;
    void RunOnWorker(std::function<void()> work, std::function<void()> done);

    CMainFrame& m_main;
    QPointer<CWizardSheet> m_sheet;
    QPointer<COptimizationReportDlg> m_report;
    QPointer<CBatchReportWindow> m_batchWindow;
    std::unique_ptr<CSiteJobs> m_siteJobs;
    QThread* m_worker = nullptr;
    // Set when the launcher goes: the worker's questions stop waiting for an answer.
    std::shared_ptr<std::atomic<bool>> m_closing = std::make_shared<std::atomic<bool>>(false);
    std::string m_resultKey;  // the result's group
    WizardKind m_lastKind = WizardKind::Color;
};

}  // namespace lp
