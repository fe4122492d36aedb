// Resizing speed: SmartResize (box average) and the plain nearest-neighbour
// Resize on a 4000 x 3000 picture, to 50 % and to 1024 x 768.
//
//   resize_bench                      Google Benchmark figures, in process
//   resize_bench --run KIND IN OUT W H
//                                     one whole run for peer comparisons
//                                     (bench/resize_vs_peers.sh): reads a binary
//                                     PPM, resizes (KIND smart or plain), writes
//                                     a binary PPM, so that every tool pays the
//                                     same, trivial file costs.
#include "bench/bench_support.h"
#include "imaging/picture.h"
#include "imaging/resize.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using lp::Picture;
using lp::bench::MakePhotoLike;
using lp::bench::ReadPpm;
using lp::bench::WritePpm;

const Picture& Source() {
    static const Picture source = MakePhotoLike(4000, 3000);
    return source;
}

void BM_SmartResize(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    for (auto _ : state) {
        state.PauseTiming();
        Picture p = Source();
        state.ResumeTiming();
        lp::SmartResize(p, w, h, nullptr);
        benchmark::DoNotOptimize(p.Row(0).data());
    }
    state.SetItemsProcessed(state.iterations() * 4000LL * 3000LL);
}

void BM_PlainResize(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    for (auto _ : state) {
        state.PauseTiming();
        Picture p = Source();
        state.ResumeTiming();
        lp::Resize(p, w, h);
        benchmark::DoNotOptimize(p.Row(0).data());
    }
    state.SetItemsProcessed(state.iterations() * 4000LL * 3000LL);
}

BENCHMARK(BM_SmartResize)->Args({2000, 1500})->Args({1024, 768})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainResize)->Args({2000, 1500})->Args({1024, 768})->Unit(benchmark::kMillisecond);

int RunOnce(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s --run smart|plain in.ppm out.ppm width height\n", argv[0]);
        return 2;
    }
    try {
        Picture p = ReadPpm(argv[3]);
        const int w = std::atoi(argv[5]), h = std::atoi(argv[6]);
        if (std::strcmp(argv[2], "smart") == 0)
            lp::SmartResize(p, w, h, nullptr);
        else
            lp::Resize(p, w, h);
        WritePpm(p, argv[4]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "resize_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--run") == 0) return RunOnce(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
