#include "app/thumbnails_command.h"

#include "app/command_options.h"
#include "base/data_folders.h"
#include "browser/picture_catalog.h"
#include "browser/thumbnail_cache.h"
#include "browser/thumbnail_worker.h"
#include "imaging/console_progress.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string_view>
#include <thread>

namespace lp {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr unsigned kMaxJobs = 64;

constexpr const char* kDescription =
    "Makes the browser's thumbnails of the pictures in FOLDER and keeps them in\n"
    "the thumbnail cache, so that the browser shows the folder at once.\n";
constexpr const char* kFooter =
    "Exit status: 0 every picture has its thumbnail, 1 a picture failed or the cache\n"
    "index could not be saved, 2 usage error.\n";

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
    // Decoding dominates and each picture is independent: every core by default.
    int jobCount = int(std::clamp(std::thread::hardware_concurrency(), 1u, kMaxJobs));
    Shard shard;
    CommandOptions cli("--thumbnails", "--thumbnails FOLDER [--jobs N] [--shard K/N]", kDescription, kFooter);
    cli.Int("--jobs", jobCount, 1, int(kMaxJobs), "N", "pictures decoded at the same time (default: one per core)",
            "a number from 1 to 64");
    cli.ShardOption(shard);
    if (const int code = cli.Parse(args, stdout, stderr); code >= 0) return code;
    if (cli.Positionals().empty()) return cli.UsageError("no folder given", stderr);
    if (cli.Positionals().size() > 1) return cli.UsageError("only one folder can be given", stderr);
    std::filesystem::path folder = cli.Positionals()[0];
    const unsigned jobs = unsigned(jobCount);
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
    std::size_t listed = catalog.ListFolder(folder);
    std::vector<std::size_t> slice;  // empty: every picture
    if (shard.count > 1) {
        std::vector<std::string> names;
        for (const auto& path : catalog.Paths()) names.push_back(path.string());
        const std::vector<std::string> mine = ShardOf(names, shard);
        for (std::size_t i = 0; i < names.size(); ++i)
            if (std::binary_search(mine.begin(), mine.end(), names[i])) slice.push_back(i);
        listed = slice.size();
    }
    ThumbnailJob job = catalog.MakeJob(PassKind::FirstListing, options, slice);
    if (shard.count > 1 && slice.empty()) job.rows.clear();

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
