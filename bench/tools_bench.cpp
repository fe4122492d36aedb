// Magic wand on a 1600 x 1200 photo at the default tolerance (100) and a
// 90-degree rotation of a 4000 x 3000 picture.
//
//   tools_bench                       Google Benchmark figures, in process
//   tools_bench --run wand IN OUT X Y [TOLERANCE]
//                                     reads a binary PPM, selects the area around
//                                     (X, Y), fills it white, writes a binary PPM
//   tools_bench --run rotate90 IN OUT  reads, turns by 90 degrees clockwise, writes
//                                     (bench/tools_vs_imagemagick.sh)
#include "bench/bench_support.h"
#include "imaging/picture.h"
#include "imaging/rotate.h"
#include "tools/selection_shape.h"

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

void BM_MagicWand(benchmark::State& state) {
    static const Picture photo = MakePhotoLike(1600, 1200);
    std::size_t marked = 0;
    for (auto _ : state) {
        lp::CWandSelection wand(photo, 800, 600, 100);
        marked = wand.WandMask().Count();
        benchmark::DoNotOptimize(marked);
    }
    state.counters["marked"] = double(marked);
}
BENCHMARK(BM_MagicWand)->Unit(benchmark::kMillisecond);

void BM_Rotate90(benchmark::State& state) {
    static const Picture big = MakePhotoLike(4000, 3000);
    for (auto _ : state) {
        state.PauseTiming();
        Picture p = big;
        state.ResumeTiming();
        lp::Rotate(p, -90, 0);
        benchmark::DoNotOptimize(p.Row(0).data());
    }
}
BENCHMARK(BM_Rotate90)->Unit(benchmark::kMillisecond);

int RunOnce(int argc, char** argv) {
    try {
        if (argc >= 7 && std::strcmp(argv[2], "wand") == 0) {
            Picture p = ReadPpm(argv[3]);
            const int tolerance = argc >= 8 ? std::atoi(argv[7]) : 100;
            lp::CWandSelection wand(p, std::atoi(argv[5]), std::atoi(argv[6]), tolerance);
            wand.Fill(p, lp::MakeColour(255, 255, 255));
            WritePpm(p, argv[4]);
            std::fprintf(stderr, "marked %zu\n", wand.WandMask().Count());
        } else if (argc >= 5 && std::strcmp(argv[2], "rotate90") == 0) {
            Picture p = ReadPpm(argv[3]);
            lp::Rotate(p, -90, 0);
            WritePpm(p, argv[4]);
        } else {
            std::fprintf(stderr, "usage: %s --run wand IN OUT X Y [TOL] | --run rotate90 IN OUT\n", argv[0]);
            return 2;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tools_bench: %s\n", e.what());
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
