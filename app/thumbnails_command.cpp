#include "app/thumbnails_command.h"

#include "base/data_folders.h"
#include "browser/picture_catalog.h"
#include "browser/thumbnail_cache.h"
#include "browser/thumbnail_worker.h"
#include "imaging/console_progress.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string_view>

namespace lp {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr unsigned kMaxJobs = 64;

constexpr const char* kUsage =
    "Usage: lumaprism --thumbnails FOLDER [--jobs N]\n"
    "\n"
    "Makes the browser's thumbnails of the pictures in FOLDER and keeps them in\n"
    "the thumbnail cache, so that the browser shows the folder at once.\n"
    "  --jobs N   pictures decoded at the same time (1..64, default 1)\n";

int Usage(const char* problem) {
    if (problem) std::fprintf(stderr, "lumaprism: %s\n\n", problem);
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

/// Counts the outcomes and draws the bar; the worker's threads call it at once.
class CommandObserver final : public ThumbnailObserver {
public:
    explicit CommandObserver(std::size_t total) { m_progress.Begin(0, long(total), "Thumbnails"); }
    ~CommandObserver() override { m_progress.End(); }

    void OnItemStarted(std::uint64_t, std::size_t, const std::filesystem::path& path) override {
        std::lock_guard lock(m_mutex);
        m_progress.SetText(kProcessingPrefix + path.filename().string());
    }
    void OnThumbnail(ThumbnailOutcome&& outcome) override {
        std::lock_guard lock(m_mutex);
        switch (outcome.kind) {
            case ThumbnailOutcome::Kind::Made: ++made; break;
            case ThumbnailOutcome::Kind::FromCache:
            case ThumbnailOutcome::Kind::Complete: ++fromCache; break;
            case ThumbnailOutcome::Kind::Failed: ++failed; break;
            case ThumbnailOutcome::Kind::Skipped: ++skipped; break;
        }
        m_progress.Step(long(++m_done));
    }
    void OnPassFinished(std::uint64_t, const ErrorListing&, bool) override {}

    std::size_t made = 0, fromCache = 0, failed = 0, skipped = 0;

private:
    std::mutex m_mutex;
    ConsoleProgress m_progress;
    std::size_t m_done = 0;
};

}  // namespace

int RunThumbnails(std::span<const std::string> args, const AppSettings& settings) {
    std::filesystem::path folder;
    unsigned jobs = 1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--jobs") {
            if (i + 1 >= args.size()) return Usage("--jobs needs a number");
            const std::string& value = args[++i];
            std::int32_t n = 0;
            if (!ParseStoredInt(value, n) || n < 1 || unsigned(n) > kMaxJobs)
                return Usage("--jobs takes a number from 1 to 64");
            jobs = unsigned(n);
        } else if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        } else if (arg.starts_with("--")) {
            return Usage(("unknown option '" + arg + "'").c_str());
        } else if (folder.empty()) {
            folder = arg;
        } else {
            return Usage("only one folder can be given");
        }
    }
    if (folder.empty()) return Usage("no folder given");
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        std::fprintf(stderr, "lumaprism: %s is not a folder\n", folder.c_str());
        return kExitFailed;
    }
    folder = std::filesystem::absolute(folder, ec).lexically_normal();

    ThumbnailOptions options = ThumbnailOptions::FromSettings(settings);
    options.drawImages = false;  // no list to show them
    CThumbnailCache cache(CThumbnailCache::DefaultDirectory(), options.cacheInfo);
    if (!cache.DirectoryUsable()) std::fprintf(stderr, "lumaprism: %s\n", kCacheDirectoryError);
    if (!options.cacheInfo)
        std::fputs("lumaprism: the thumbnail cache is off (CacheInfo=0): nothing is kept\n", stderr);

    PictureCatalog catalog;
    const std::size_t listed = catalog.ListFolder(folder);
    ThumbnailJob job = catalog.MakeJob(PassKind::FirstListing, options);

    const auto start = std::chrono::steady_clock::now();
    std::size_t made = 0, fromCache = 0, failed = 0;
    ErrorListing errors;
    {
        CommandObserver observer(listed);
        ThumbnailWorker worker;
        worker.Start(std::move(job), &cache, observer, jobs);
        worker.Wait();
        made = observer.made;
        fromCache = observer.fromCache;
        failed = observer.failed;
        errors = worker.Errors();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const bool saved = !options.cacheInfo || cache.Save();

    for (const ErrorListingEntry& e : errors.Entries())
        std::fprintf(stderr, "ERROR: %s %s\n", e.object.c_str(), e.description.c_str());
    if (!saved) std::fprintf(stderr, "lumaprism: cannot write %s\n", cache.IndexPath().c_str());

    char rate[32];
    std::snprintf(rate, sizeof rate, "%.1f", seconds > 0 ? double(listed) / seconds : 0.0);
    // The rate is written in the "C" locale: snprintf's point is the only one
    // this program ever sets.
    std::printf("%zu pictures in %s\n", listed, folder.c_str());
    std::printf("made %zu, from cache %zu, failed %zu\n", made, fromCache, failed);
    std::printf("cache %s (%s files/s)\n", cache.Directory().c_str(), rate);
    return failed == 0 && saved ? kExitOk : kExitFailed;
}

}  // namespace lp
