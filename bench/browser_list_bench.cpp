// The browser list over a folder of 500 JPEGs: how long the listing takes (the rows appear
// with placeholders), and the thumbnail pass cold (empty cache) and warm (from the cache).
// The folder is the shared set's thumbs/ (LP_BENCH_IN, default /tmp/lp-bench-in) when it
// exists, else 500 photo-like 1024 x 768 JPEGs made once in the temporary folder.
//
//   build/bench/browser_list_bench --benchmark_min_time=1x
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "bench_support.h"
#include "browser/picture_catalog.h"
#include "browser/thumbnail_cache.h"
#include "browser/thumbnail_worker.h"
#include "formats/jpeg/jpeg_writer.h"

namespace lp {
namespace {

namespace fs = std::filesystem;

fs::path Folder() {
    const char* in = std::getenv("LP_BENCH_IN");
    const fs::path shared = fs::path(in && *in ? in : "/tmp/lp-bench-in") / "thumbs";
    std::error_code ec;
    if (fs::is_directory(shared, ec)) return shared;
    const fs::path made = fs::temp_directory_path() / "lp-browser-bench-500";
    if (!fs::exists(made / "t499.jpg", ec)) {
        fs::create_directories(made);
        const Picture photo = bench::MakePhotoLike(1024, 768);
        for (int i = 0; i < 500; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "t%03d.jpg", i);
            SaveJpeg(photo, made / name, 75 + i % 20);
        }
    }
    return made;
}

class Collect final : public ThumbnailObserver {
public:
    void OnThumbnail(ThumbnailOutcome&& outcome) override { kinds[int(outcome.kind)]++; }
    void OnPassFinished(std::uint64_t, const ErrorListing&, bool) override {}
    int kinds[5] = {};
};

ThumbnailOptions Features() {
    ThumbnailOptions o;  // colour count, small icons, smoothing resize: what the browser shows by default
    return o;
}

void BM_ListFolder(benchmark::State& state) {
    const fs::path folder = Folder();
    PictureCatalog catalog;
    for (auto _ : state) benchmark::DoNotOptimize(catalog.ListFolder(folder));
    state.counters["rows"] = double(catalog.Rows().size());
}
BENCHMARK(BM_ListFolder)->Unit(benchmark::kMillisecond);

ThumbnailOptions Speed() {
    ThumbnailOptions o;  // the "Speed" choice of the Browser page: no colours, no icons, fast resize
    o.noColours = true;
    o.largeOnly = true;
    o.fastResize = true;
    return o;
}

void RunPass(benchmark::State& state, bool warm, ThumbnailOptions options = Features()) {
    const fs::path folder = Folder();
    const fs::path cacheDir = fs::temp_directory_path() / "lp-browser-bench-cache";
    PictureCatalog catalog;
    catalog.ListFolder(folder);
    if (warm) {
        fs::remove_all(cacheDir);
        CThumbnailCache cache(cacheDir, true);
        Collect collect;
        ThumbnailWorker worker;
        worker.Start(catalog.MakeJob(PassKind::FirstListing, Features()), &cache, collect);
        worker.Wait();
        cache.Save();
    }
    int made = 0, cached = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!warm) fs::remove_all(cacheDir);
        state.ResumeTiming();
        CThumbnailCache cache(cacheDir, true);
        Collect collect;
        ThumbnailWorker worker;
        worker.Start(catalog.MakeJob(PassKind::FirstListing, options), &cache, collect);
        worker.Wait();
        made = collect.kinds[int(ThumbnailOutcome::Kind::Made)];
        cached = collect.kinds[int(ThumbnailOutcome::Kind::FromCache)];
    }
    state.counters["made"] = made;
    state.counters["from_cache"] = cached;
}

void BM_ThumbnailsCold(benchmark::State& state) { RunPass(state, false); }
void BM_ThumbnailsWarm(benchmark::State& state) { RunPass(state, true); }
void BM_ThumbnailsColdSpeed(benchmark::State& state) { RunPass(state, false, Speed()); }
BENCHMARK(BM_ThumbnailsCold)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ThumbnailsColdSpeed)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ThumbnailsWarm)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace lp
