// GIF frame optimizer: speed in process, and a one-shot mode for the peer comparison
// (bench/gif_optimize_vs_peers.sh).
//
//   gif_optimize_bench                       Google Benchmark figures on LP_GIFOPT_BENCH_ANIM
//                                            (a GIF file), else on an animation made here
//   gif_optimize_bench --optimize IN OUT CUT TRANS [--smaller|--lossless]
//                                            read IN, run the cut-out pass with tolerance CUT
//                                            and the transparency pass with TRANS (-1 skips a
//                                            pass), write OUT; --smaller keeps per frame the
//                                            smaller of "with" and "without" transparency;
//                                            --lossless runs the exact rebuild instead (which
//                                            chooses disposals too; CUT and TRANS do not apply)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formats/gif/gif_colours.h"
#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"
#include "base/imp_exp_exception.h"
#include "optimize/gif_optimizer.h"

namespace {

using lp::GifAnimation;

// A 400 x 300 animation of 40 frames: a 64-colour backdrop with a 60 x 40 block moving over it.
GifAnimation MakeAnimation() {
    GifAnimation a;
    a.info.screenWidth = a.info.fileScreenWidth = 400;
    a.info.screenHeight = a.info.fileScreenHeight = 300;
    for (int f = 0; f < 40; ++f) {
        lp::GifFrame frame;
        frame.picture.Create(400, 300);
        frame.delay = 5;
        frame.disposal = 1;
        for (int y = 0; y < 300; ++y) {
            auto row = frame.picture.RowFromTop(y);
            for (int x = 0; x < 400; ++x) {
                const bool block = x >= f * 8 && x < f * 8 + 60 && y >= 100 + f % 7 && y < 140 + f % 7;
                const int v = block ? 63 - (x + y) % 16 : ((x / 7) ^ (y / 5)) & 63;
                row[std::size_t(x) * 3] = std::uint8_t(v * 4);
                row[std::size_t(x) * 3 + 1] = std::uint8_t(255 - v * 3);
                row[std::size_t(x) * 3 + 2] = std::uint8_t(block ? 250 : v * 2);
            }
        }
        a.frames.Add(std::move(frame));
    }
    return a;
}

const GifAnimation& Input() {
    static const GifAnimation anim = [] {
        if (const char* path = std::getenv("LP_GIFOPT_BENCH_ANIM")) return lp::LoadGif(path);
        return MakeAnimation();
    }();
    return anim;
}

void BM_CutOut(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        GifAnimation a = Input();
        state.ResumeTiming();
        lp::GifFrameOptimizer(0, 1).CutOut(a.frames, a.info);
        benchmark::DoNotOptimize(a.frames[1].picture.Width());
    }
}
BENCHMARK(BM_CutOut)->Unit(benchmark::kMillisecond);

void BM_CutOutAndTransparency(benchmark::State& state) {
    const auto choice = state.range(0) ? lp::GifTransparencyChoice::Smallest : lp::GifTransparencyChoice::Always;
    for (auto _ : state) {
        state.PauseTiming();
        GifAnimation a = Input();
        state.ResumeTiming();
        lp::GifFrameOptimizer optimizer(0, 1, false, choice);
        optimizer.CutOut(a.frames, a.info);
        optimizer.MakeTransparent(a.frames, a.info);
        benchmark::DoNotOptimize(a.frames[1].picture.Width());
    }
}
BENCHMARK(BM_CutOutAndTransparency)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Lossless(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        GifAnimation a = Input();
        state.ResumeTiming();
        lp::OptimizeGifFramesLossless(a.frames, a.info);
        benchmark::DoNotOptimize(a.frames[1].picture.Width());
    }
}
BENCHMARK(BM_Lossless)->Unit(benchmark::kMillisecond);

int RunOnce(int argc, char** argv) {
    if (argc < 6 || std::strcmp(argv[1], "--optimize") != 0) {
        std::fprintf(stderr, "usage: gif_optimize_bench --optimize IN OUT CUT TRANS [--smaller|--lossless]\n");
        return 2;
    }
    try {
        const int cut = std::atoi(argv[4]);
        const int trans = std::atoi(argv[5]);
        const bool smaller = argc > 6 && std::strcmp(argv[6], "--smaller") == 0;
        const bool lossless = argc > 6 && std::strcmp(argv[6], "--lossless") == 0;
        GifAnimation a = lp::LoadGif(argv[2]);
        lp::FitGifColours(a.frames);
        lp::GifFrameOptimizer optimizer(
            cut, trans, false, smaller ? lp::GifTransparencyChoice::Smallest : lp::GifTransparencyChoice::Always);
        if (lossless) {
            optimizer.OptimizeLossless(a.frames, a.info);
        } else {
            if (cut >= 0) optimizer.CutOut(a.frames, a.info);
            if (trans >= 0) optimizer.MakeTransparent(a.frames, a.info);
        }
        lp::SaveGif(a.frames, a.info, argv[3]);
        return 0;
    } catch (const lp::ImpExpException& e) {
        std::fprintf(stderr, "%s: %s\n", e.Where().c_str(), e.Message().c_str());
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strncmp(argv[1], "--", 2) == 0 && std::strncmp(argv[1], "--benchmark", 11) != 0)
        return RunOnce(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
