#include "web/ui/site_jobs.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/prompter.h"
#include "base/printf_text.h"
#include "batch/ui/batch_report_window.h"
#include "guikit/ui/worker_prompter.h"
#include "shell/ui/main_frame.h"
#include "web/batch_site_images.h"
#include "web/internet_settings.h"
#include "web/site_report.h"

namespace lp {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CSiteStatusWindow::CSiteStatusWindow(const QString& server, SiteStopSignal& stop, QWidget* parent)
    : QDialog(parent), m_signal(stop) {
    setObjectName(QStringLiteral("SiteStatusWindow"));
    setWindowTitle(server);
    setAccessibleName(QStringLiteral("Html-Page Optimization Status"));
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(QStringLiteral("Html-Page Optimization Status"), this);
    m_text = new QLabel(this);
    m_text->setAccessibleName(QStringLiteral("Status"));
    m_text->setMinimumWidth(320);
    m_text->setWordWrap(true);
    m_stop = new QPushButton(QStringLiteral("Stop"), this);
    m_stop->setAccessibleName(QStringLiteral("Stop"));
    layout->addWidget(heading);
    layout->addWidget(m_text);
    layout->addWidget(m_stop, 0, Qt::AlignRight);
    connect(m_stop, &QPushButton::clicked, this, [this] {
        if (m_ended)
            hide();
        else
            RequestStop();
    });
}

void CSiteStatusWindow::RequestStop() {
    m_signal.Request();
    SetText(QStringLiteral("Terminating the process...Please wait..."));
    m_stop->setEnabled(false);
}

void CSiteStatusWindow::SetText(const QString& text) { m_text->setText(text); }
QString CSiteStatusWindow::Text() const { return m_text->text(); }

void CSiteStatusWindow::Ended() {
    m_ended = true;
    m_stop->setText(QStringLiteral("Close"));
    m_stop->setAccessibleName(QStringLiteral("Close"));
    m_stop->setEnabled(true);
}

void CSiteStatusWindow::closeEvent(QCloseEvent* event) {
    if (!m_ended) RequestStop();
    QDialog::closeEvent(event);
}

struct CSiteJobs::Job {
    std::unique_ptr<WorkerPrompter> prompter;
    std::unique_ptr<BatchSiteImageProcessor> images;
    std::unique_ptr<CSiteOptimizer> job;
    QPointer<CSiteStatusWindow> status;
};

CSiteJobs::CSiteJobs(CMainFrame& main) : QObject(&main), m_main(main) {
    connect(this, &CSiteJobs::JobEnded, this, &CSiteJobs::OnJobEnded, Qt::QueuedConnection);
}

CSiteJobs::~CSiteJobs() {
    m_list.Stop().Request();
    for (auto& [key, job] : m_jobs) job->job->Wait();
}

bool CSiteJobs::StartJob(const std::string& url, const std::filesystem::path& outputDir, const SiteOptions& options,
                         const BatchMacro& macro) {
    auto job = std::make_unique<Job>();
    QPointer<CSiteStatusWindow> status;
    // The job's questions wait for the user until a Stop reaches it.
    SiteStopSignal* stop = &m_list.Stop();
    const std::uint64_t stopsAtStart = stop->Requests();
    auto stopped = [stop, stopsAtStart] { return stop->Requests() != stopsAtStart; };
    job->prompter = std::make_unique<WorkerPrompter>(m_main.GetPrompter(), this, stopped, [this, raw = job.get()](const std::string& t) {
        if (raw->status) raw->status->SetText(Q(t));
    });
    BatchContext context;
    context.prompter = job->prompter.get();
    context.keepPictures = true;
    job->images = std::make_unique<BatchSiteImageProcessor>(macro, context);
    SiteJobEnvironment env;
    env.internet = InternetSettingsOf(m_main.Settings());
    env.prompter = job->prompter.get();
    env.stop = &m_list.Stop();
    env.images = job->images.get();
    env.modemSpeed = m_main.Settings().modemSpeed;
    Job* raw = job.get();
    env.onStatus = [this, raw](std::string_view text) {
        QMetaObject::invokeMethod(
            this, [raw, t = std::string(text)] {
                if (raw->status) raw->status->SetText(Q(t));
            },
            Qt::QueuedConnection);
    };
    env.onFinished = [this](CSiteOptimizer& finished) { emit JobEnded(&finished); };
    job->job = std::make_unique<CSiteOptimizer>(url, outputDir, options, std::move(env));
    job->status = new CSiteStatusWindow(Q(job->job->Server()), m_list.Stop(), &m_main);
    job->status->setAttribute(Qt::WA_DeleteOnClose, false);
    CSiteOptimizer* key = job->job.get();
    m_lastStatus = job->status;
    m_jobs[key] = std::move(job);
    raw->status->show();
    if (!m_list.Start(*key, &m_main.GetPrompter())) {
        raw->status->deleteLater();
        m_jobs.erase(key);
        return false;
    }
    return true;
}

void CSiteJobs::OnJobEnded(CSiteOptimizer* key) {
    const auto it = m_jobs.find(key);
    if (it == m_jobs.end()) return;
    std::unique_ptr<Job> job = std::move(it->second);
    m_jobs.erase(it);
    job->job->Wait();
    m_list.Finished(*job->job);
    const SiteReport& report = job->job->Report();
    if (job->job->StartFailed()) {
        // The status window keeps the error; the user closes it.
        if (job->status) {
            job->status->SetText(
                QStringLiteral("Attempts to connect to the server failed.\nCheck the Internet settings under Options"));
            job->status->Ended();
        }
    } else if (job->status) {
        job->status->hide();
        job->status->deleteLater();
    }
    if (!job->job->Images().empty()) {
        auto* window = new CBatchReportWindow(QStringLiteral("Batch Processing"), report.modemSpeed, &m_main);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->Report().SetFilesSelected(report.imageFiles);
        for (const BatchFileResult& r : job->images->Results()) window->AddFile(r);
        auto* summary = new QWidget(window);
        auto* form = new QFormLayout(summary);
        auto add = [summary, form](const char* label, const std::string& value) {
            auto* v = new QLabel(Q(value), summary);
            v->setAccessibleName(QString::fromLatin1(label).trimmed());
            form->addRow(new QLabel(QString::fromLatin1(label), summary), v);
        };
        const double speed = report.modemSpeed;
        add("URL / Site          :", report.url);
        add("Output Directory  :", report.outputDir);
        add("Number of levels processed :", PrintfText("%d ", report.levels));
        add("Number  of  Html  files  found  :", PrintfText("%d ", report.htmlFiles));
        add("Images found :", PrintfText("%d ", report.imageFiles));
        add("Images Processed :", PrintfText("%d ", report.imagesProcessed));
        add("ALT tags attached :", PrintfText("%d ", report.altCount));
        add("WIDTH tags attached :", PrintfText("%d ", report.widthCount));
        add("HEIGHT tags attached :", PrintfText("%d ", report.heightCount));
        add("Total file size before :", PrintfText("%.0f ", report.bytesBefore));
        add("Total file size after :", PrintfText("%.0f ", report.bytesAfter));
        add("Saving :", PrintfText("%.0f ", report.bytesBefore - report.bytesAfter));
        if (speed > 0) {
            add("Download time before :", PrintfText("%.2f ", report.bytesBefore * 8 / speed));
            add("Download time after :", PrintfText("%.2f ", report.bytesAfter * 8 / speed));
            add("Download time saved :", PrintfText("%.2f ", (report.bytesBefore - report.bytesAfter) * 8 / speed));
        }
        add("Overall Improvement", PrintfText("%d %% ", report.improvement));
        add("Average Improvement per file :",
            PrintfText("%.2f %% ", report.imageFiles > 0 ? double(report.improvement) / report.imageFiles : 0.0));
        add("Modem speed :", PrintfText("%.2f kbps ", speed * 0.001));
        window->ReplaceSummary(summary);
        // Html-Page Analysis: the three ratings as lamps.
        auto* analysis = new QWidget(window);
        auto* al = new QVBoxLayout(analysis);
        auto lamps = [analysis, al](const QString& title, std::string_view lit, std::initializer_list<const char*> names) {
            auto* row = new QHBoxLayout;
            row->addWidget(new QLabel(title, analysis), 1);
            for (const char* name : names) {
                auto* lamp = new QLabel(QString::fromLatin1(name), analysis);
                const bool on = lit == name;
                lamp->setAccessibleName(title + QStringLiteral(" ") + QString::fromLatin1(name) +
                                        (on ? QStringLiteral(" lit") : QStringLiteral(" dark")));
                lamp->setStyleSheet(on ? QStringLiteral("background:#3c3;color:black;padding:3px;border-radius:6px")
                                       : QStringLiteral("background:#444;color:#999;padding:3px;border-radius:6px"));
                row->addWidget(lamp);
            }
            al->addLayout(row);
        };
        lamps(QStringLiteral("HTML Design   (Before Optimization)"), RateDesign(report.TagsAttached()),
              {"Excellent", "Good", "Fair", "Poor"});
        lamps(QStringLiteral("Download Time (Before Optimization)"), RateDownloadTime(report.PageDownloadTime()),
              {"Excellent", "Good", "Fair", "Poor"});
        lamps(QStringLiteral("Page Size Improvement (After Optimization)"), RateImprovement(report.improvement),
              {"Excellent", "Good", "Fair"});
        al->addStretch(1);
        window->AddPage(analysis, QStringLiteral("Html-Page Analysis"));
        SiteReport saved = report;
        saved.detailedReport = window->Report().DetailedText();
        window->savedText = [saved] { return SiteReportText(saved); };
        window->chooseFile = chooseReportFile;
        window->show();
        m_lastReport = window;
    }
    emit JobFinished(key);
}

}  // namespace lp
