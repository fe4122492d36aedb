#pragma once
#include <QDialog>
#include <QObject>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "batch/batch_macro.h"
#include "web/site_optimizer.h"

class QLabel;
class QPushButton;

namespace lp {

class CMainFrame;
class CBatchReportWindow;

/// "Html-Page Optimization Status": one text line and "Stop" (which stops every job).
class CSiteStatusWindow final : public QDialog {
    Q_OBJECT
public:
    CSiteStatusWindow(const QString& server, SiteStopSignal& stop, QWidget* parent);
    void SetText(const QString& text);
    QString Text() const;
    QPushButton* StopButton() const { return m_stop; }
    /// The job ended: Stop becomes Close.
    void Ended();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void RequestStop();
    SiteStopSignal& m_signal;
    QLabel* m_text;
    QPushButton* m_stop;
    bool m_ended = false;
};

/// The main window's site optimizer jobs: each on its own worker with its status window; a
/// job's end comes back as a queued signal and shows the site's report.
class CSiteJobs final : public QObject {
    Q_OBJECT
public:
    explicit CSiteJobs(CMainFrame& main);
    ~CSiteJobs() override;

    /// Starts a job (refused with its message when the same server and folder run already).
    bool StartJob(const std::string& url, const std::filesystem::path& outputDir, const SiteOptions& options,
                  const BatchMacro& macro);
    std::size_t Running() const { return m_list.Running(); }
    /// Stop on any status window: every job.
    void StopAll() { m_list.Stop().Request(); }
    CSiteStatusWindow* LastStatusWindow() const { return m_lastStatus.data(); }
    CBatchReportWindow* LastReportWindow() const { return m_lastReport.data(); }

    std::function<std::optional<std::filesystem::path>(QWidget*, const std::filesystem::path&)> chooseReportFile;

signals:
    /// Sent from a job's worker; delivered queued on the user-interface thread.
    void JobEnded(CSiteOptimizer* job);
    /// The job's end was handled (report shown when it had images).
    void JobFinished(CSiteOptimizer* job);

private:
    struct Job;
    void OnJobEnded(CSiteOptimizer* job);

    CMainFrame& m_main;
    SiteJobList m_list;
    std::map<CSiteOptimizer*, std::unique_ptr<Job>> m_jobs;
    QPointer<CSiteStatusWindow> m_lastStatus;
    QPointer<CBatchReportWindow> m_lastReport;
};

}  // namespace lp
