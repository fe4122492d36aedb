#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "web/html_scan.h"
#include "web/site_image_processor.h"
#include "web/site_report.h"
#include "web/tag_rewriter.h"
#include "web/url_fetch.h"

namespace lp {

class Prompter;

/// The optimizer wizard's choices for one job.
struct SiteOptions {
    int levels = 1;  // page levels to process; 6 or more: all
    bool addTags = true;  // "Adding extra Html Image tags"
    bool addAlt = true;
    bool addWidth = true;
    bool addHeight = true;
    bool resizeImages = true;  // "Optimizing  Images by resizing"
};

/// Bounds of one crawl, so that no site can keep a job busy or fill the disk.
struct SiteLimits {
    std::size_t maxPages = 5000;    // pages fetched
    std::size_t maxImages = 20000;  // image records
    std::uint64_t maxBytes = 2ull << 30;  // bytes downloaded in all
    std::chrono::seconds maxTime{3600};
    FetchLimits fetch;
};

/// The one stop request every running job obeys ("Stop" on any status window
/// stops them all). Jobs remember the request count at their start, so starting
/// a job never withdraws a stop that is still reaching the others.
class SiteStopSignal {
public:
    void Request() { m_requests.fetch_add(1, std::memory_order_relaxed); }
    std::uint64_t Requests() const { return m_requests.load(std::memory_order_relaxed); }

private:
    std::atomic<std::uint64_t> m_requests{0};
};

class CSiteOptimizer;

/// What a job needs from the program around it. Nothing here is owned; every
/// callback runs on the job's worker thread.
struct SiteJobEnvironment {
    InternetSettings internet;
    Prompter* prompter = nullptr;           // messages; must accept calls from the worker
    SiteStopSignal* stop = nullptr;         // required
    SiteImageProcessor* images = nullptr;   // null: the image step reports nothing processed
    double modemSpeed = 0;                  // bits per second, for the report
    SiteLimits limits;
    /// How long "Optimizing images ..." stays up before the image step.
    std::chrono::milliseconds statusPause{2000};
    /// The status window's one text line.
    std::function<void(std::string_view)> onStatus;
    /// The job ended (the main window shows the report and frees the job).
    std::function<void(CSiteOptimizer&)> onFinished;
};

/// One site optimizer job: downloads a site's pages level by level into the
/// output folder, its images with their declared sizes, then rewrites the
/// pages and has the images optimized.
class CSiteOptimizer {
public:
    CSiteOptimizer(std::string startUrl, std::filesystem::path outputDir, SiteOptions options, SiteJobEnvironment env);
    ~CSiteOptimizer();
    CSiteOptimizer(const CSiteOptimizer&) = delete;
    CSiteOptimizer& operator=(const CSiteOptimizer&) = delete;

    /// Starts the worker thread.
    void Start();
    /// Waits for the worker to end.
    void Wait();
    /// Runs the whole job on the calling thread.
    void Run();

    const std::string& StartUrl() const { return m_startUrl; }
    const std::filesystem::path& OutputDir() const { return m_outputDir; }
    /// The start URL's server name (empty when it cannot be parsed).
    const std::string& Server() const { return m_server; }
    const SiteOptions& Options() const { return m_options; }

    // Results, valid once the job has ended.
    struct Page {
        std::string url;
        std::filesystem::path localPath;
    };
    const std::vector<Page>& Pages() const { return m_pages; }
    const std::vector<SiteImage>& Images() const { return m_images; }
    const SiteReport& Report() const { return m_report; }
    /// One line per page, image or step that failed; the job went on.
    const std::vector<std::string>& Failures() const { return m_failures; }
    /// Images the image step could not optimize (they are among Failures()).
    int ImageStepFailures() const { return m_imageStepFailures; }
    /// The start page could not be fetched: nothing was downloaded.
    bool StartFailed() const { return m_startFailed; }
    /// Why the crawl ended early (a limit), empty otherwise.
    const std::string& LimitReached() const { return m_limitReached; }

private:
    bool StopRequested() const;
    void Status(std::string_view text);
    bool OverBudget();
    void ProcessPage(const std::string& url, CUrlFetch& fetch);
    void HandleLink(const FoundLink& link, const std::string& pageUrl);
    void HandleImage(const std::string& absolute, const FoundLink& link);
    void CountBytes(const CUrlFetch& fetch);
    void Fail(const std::string& what, const CUrlFetch& fetch, int status);
    void RewritePages();
    void ImageStep();
    std::optional<std::pair<int, int>> ImageSize(std::string_view src, const std::string& pageUrl);

    std::string m_startUrl;
    std::filesystem::path m_outputDir;
    SiteOptions m_options;
    SiteJobEnvironment m_env;
    std::string m_server;
    std::uint64_t m_stopAtStart = 0;
    std::thread m_worker;

    std::vector<std::string> m_queue;
    std::set<std::string> m_queued;
    std::vector<Page> m_pages;
    std::set<std::filesystem::path> m_pagePaths;
    std::vector<SiteImage> m_images;
    std::map<std::filesystem::path, std::size_t> m_imageIndex;
    std::unique_ptr<CUrlFetch> m_imageFetch;
    std::map<std::filesystem::path, std::optional<std::pair<int, int>>> m_sizes;
    SiteReport m_report;
    std::vector<std::string> m_failures;
    bool m_startFailed = false;
    int m_imageStepFailures = 0;
    std::string m_limitReached;
    std::size_t m_pagesFetched = 0;
    std::uint64_t m_bytes = 0;
    std::chrono::steady_clock::time_point m_deadline;
};

/// The running jobs of the main window: refuses a second job for the same
/// server and output folder, and owns the stop signal they share.
class SiteJobList {
public:
    /// Starts the job unless one with the same server and output folder runs;
    /// then "This combination of URL & Output directory is already being
    /// processed." is shown and false returned. The job must outlive its run.
    bool Start(CSiteOptimizer& job, Prompter* prompter);
    /// Called when a job ends (from its finish callback).
    void Finished(const CSiteOptimizer& job);
    std::size_t Running() const;
    SiteStopSignal& Stop() { return m_stop; }

private:
    mutable std::mutex m_mutex;
    std::vector<const CSiteOptimizer*> m_jobs;
    SiteStopSignal m_stop;
};

}  // namespace lp
