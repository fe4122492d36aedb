#pragma once
#include "browser/error_listing.h"
#include "browser/thumbnail_cache.h"
#include "browser/thumbnail_maker.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <thread>

namespace lp {

/// How the worker reports to its list. Every call comes from a worker thread
/// and must not block on the user-interface thread: a GUI posts the data as
/// an event, carrying the pass number, and drops events of an older pass.
/// With several threads (the command line's --jobs) calls may overlap.
class ThumbnailObserver {
public:
    virtual ~ThumbnailObserver() = default;
    /// Before a picture: status "Processing : " + name, update-counts with index + 1.
    virtual void OnItemStarted(std::uint64_t pass, std::size_t index, const std::filesystem::path& path) {}
    /// After a picture, whatever the outcome.
    virtual void OnThumbnail(ThumbnailOutcome&& outcome) = 0;
    /// At the end of the pass (also when stopped): status "Idle ", counts 0,
    /// and the "Error Listing" when errors is not empty.
    virtual void OnPassFinished(std::uint64_t pass, const ErrorListing& errors, bool stopped) = 0;
    /// Where the reader, resize and writer of one picture report progress
    /// (the list's progress control); null for none.
    virtual ProgressSink* PictureProgress() { return nullptr; }
};

/// One worker per list: a thread that walks the job's rows while its running
/// flag stays set, making each row's thumbnail (cache first).
class ThumbnailWorker {
public:
    ThumbnailWorker() = default;
    /// Stops and waits.
    ~ThumbnailWorker();
    ThumbnailWorker(const ThumbnailWorker&) = delete;
    ThumbnailWorker& operator=(const ThumbnailWorker&) = delete;

    /// Starts a pass (stopping any pass still running first). cache may be
    /// null; cache and observer must outlive the pass. threads > 1 shares the
    /// rows among that many threads (the command line); the browser uses 1.
    void Start(ThumbnailJob job, CThumbnailCache* cache, ThumbnailObserver& observer, unsigned threads = 1);
    /// Clears the running flag and waits for the pictures under way. Called
    /// from an observer callback, it only clears the flag.
    void Stop();
    /// Waits for the pass to end by itself.
    void Wait();
    bool Running() const { return m_running.load(); }
    /// The errors of the last pass (valid once it has ended).
    const ErrorListing& Errors() const { return m_errors; }

private:
    void Run(unsigned threads);

    ThumbnailJob m_job;
    CThumbnailCache* m_cache = nullptr;
    ThumbnailObserver* m_observer = nullptr;
    ErrorListing m_errors;
    std::atomic<bool> m_running{false};
    std::atomic<std::size_t> m_next{0};
    std::thread m_thread;
};

}  // namespace lp
