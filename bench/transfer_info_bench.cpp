// Time to a full TransferInfo: opening a picture into a document measures its GIF, JPEG and
// PNG sizes (and, for an animation, estimates every frame).
//
//   transfer_info_bench                      Google Benchmark cases (inputs from LP_BENCH_IN,
//                                            default /tmp/lp-bench-in; synthetic when absent)
//   transfer_info_bench --analyze FILE...    the "lumaprism --analyze" report with default
//                                            settings, for whole-process comparisons
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/analyze_command.h"
#include "base/prompter.h"
#include "base/settings.h"
#include "document/picture_document.h"
#include "formats/bmp/bmp_writer.h"
#include "formats/gif/gif_writer.h"

namespace {

std::filesystem::path InputDir() {
    const char* dir = std::getenv("LP_BENCH_IN");
    return dir ? dir : "/tmp/lp-bench-in";
}

/// A noisy photo-like picture, when the shared inputs are not there.
lp::Picture Synthetic(int width, int height, int seed) {
    lp::Picture p;
    p.Create(width, height);
    std::uint32_t state = 2463534242u + std::uint32_t(seed);
    for (int y = 0; y < height; ++y) {
        auto row = p.Row(y);
        for (int x = 0; x < width; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            row[std::size_t(x) * 3] = std::uint8_t((x + seed * 3) ^ (state & 7));
            row[std::size_t(x) * 3 + 1] = std::uint8_t(y + (state >> 8 & 15));
            row[std::size_t(x) * 3 + 2] = std::uint8_t((x * y) >> 6);
        }
    }
    return p;
}

std::filesystem::path PhotoInput() {
    const auto shared = InputDir() / "photo" / "p01_aqua.bmp";
    if (std::filesystem::exists(shared)) return shared;
    const auto made = std::filesystem::temp_directory_path() / "lp_transfer_bench_photo.bmp";
    if (!std::filesystem::exists(made))
        lp::SaveBmp(Synthetic(1600, 1200, 1), made, lp::BmpCompression::None, 24, nullptr);
    return made;
}

std::filesystem::path AnimationInput() {
    const auto shared = InputDir() / "anim" / "a2_plasma_ball.gif";  // 60 frames, 400 x 300
    if (std::filesystem::exists(shared)) return shared;
    const auto made = std::filesystem::temp_directory_path() / "lp_transfer_bench_anim.gif";
    if (!std::filesystem::exists(made)) {
        lp::GifFrameList frames;
        for (int i = 0; i < 60; ++i) {
            lp::GifFrame f;
            f.delay = 5;
            f.picture.Create(400, 300);
            f.picture.Fill(lp::MakeColour(std::uint8_t(i * 4), 80, 160));
            frames.Add(std::move(f));
        }
        lp::GifInfo info;
        info.loop = 1;
        lp::SaveGif(frames, info, made);
    }
    return made;
}

void OpenAndMeasure(benchmark::State& state, const std::filesystem::path& input, bool usePng = true) {
    lp::AppSettings settings;
    settings.usePng = usePng ? 1 : 0;
    lp::ScriptedPrompter prompter;
    for (auto _ : state) {
        lp::DocumentServices services;
        services.prompter = &prompter;
        services.settings = &settings;
        lp::COrvantixDoc doc(services);
        if (!doc.Open(input)) {
            state.SkipWithError("cannot open the input");
            return;
        }
        benchmark::DoNotOptimize(doc.Transfer().gifBytes0);
    }
}

void BM_Photo1600x1200(benchmark::State& state) { OpenAndMeasure(state, PhotoInput()); }
void BM_Animation60Frames(benchmark::State& state) { OpenAndMeasure(state, AnimationInput()); }
// "Use PNG" off (the default setting): GIF and JPEG only. The PNG writer's zlib level 9 on
// filtered photo rows dominates the case above.
void BM_Photo1600x1200WithoutPng(benchmark::State& state) { OpenAndMeasure(state, PhotoInput(), false); }
BENCHMARK(BM_Photo1600x1200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Photo1600x1200WithoutPng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Animation60Frames)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--analyze") == 0) {
        const std::vector<std::string> args(argv + 2, argv + argc);
        return lp::RunAnalyze(args, lp::AppSettings{}, stdout, stderr);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
