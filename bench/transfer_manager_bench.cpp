// The Transfer Manager following the mouse: one slider move on a 1600x1200 master (trial
// estimates, the twelve field texts, the size curve over a 300-pixel graph and the history
// graph's bars), and a colour-reduction preview of a 1600x1200 photo at 64 colours.
//
//   transfer_manager_bench     Google Benchmark cases (photo from LP_BENCH_IN, default
//                              /tmp/lp-bench-in/photo/p01_aqua.bmp; synthetic when absent)
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "batch/transfer_manager_model.h"
#include "batch/transfer_trial.h"
#include "formats/file_types.h"
#include "formats/format_table.h"
#include "imaging/colour_count.h"

namespace {

lp::Picture Synthetic(int width, int height) {
    lp::Picture p;
    p.Create(width, height);
    std::uint32_t state = 2463534242u;
    for (int y = 0; y < height; ++y) {
        auto row = p.Row(y);
        for (int x = 0; x < width; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            row[std::size_t(x) * 3] = std::uint8_t(x ^ (state & 7));
            row[std::size_t(x) * 3 + 1] = std::uint8_t(y + (state >> 8 & 15));
            row[std::size_t(x) * 3 + 2] = std::uint8_t((x * y) >> 6);
        }
    }
    return p;
}

lp::Picture Photo() {
    const char* dir = std::getenv("LP_BENCH_IN");
    const std::filesystem::path file = std::filesystem::path(dir ? dir : "/tmp/lp-bench-in") / "photo" / "p01_aqua.bmp";
    std::error_code ec;
    if (std::filesystem::exists(file, ec)) {
        try {
            return lp::LoadPicture(file, lp::SniffFileType(file));
        } catch (...) {
        }
    }
    return Synthetic(1600, 1200);
}

lp::TransferInfo Master1600() {
    lp::TransferInfo t;
    t.width0 = t.width = 1600;
    t.height0 = t.height = 1200;
    t.colors0 = 90000;
    t.colors = 256;
    t.quality = 75;
    t.jpegBytes0 = 420000;
    t.gifBytes0 = 1100000;
    t.pngBytes0 = 2300000;
    t.fileBytes = 1600 * 1200 * 3;
    return t;
}

void BM_SliderMove(benchmark::State& state) {
    lp::TransferInfo info = Master1600();
    lp::BatchMacro settings("Default");
    lp::TransferManagerModel model(true);
    model.Attach(&info, &settings, nullptr, 0, lp::kTabGifPng, "photo");
    int colours = 1;
    std::size_t sink = 0;
    for (auto _ : state) {
        colours = colours % 256 + 1;
        model.SetColors(colours);
        for (int f = 0; f < 3; ++f)
            sink += model.MasterField(f).size() + model.PreviewField(f).size() + model.ImproveField(f).size() +
                    model.OverallImproveField(f).size();
        const lp::SizeCurve::Plot plot = model.Curve().Compute(model.Info(), 300, 90);
        sink += plot.points[1].size();
        const auto& graph = model.Graph();
        const std::int64_t largest = graph.Largest({true, true, true});
        for (const auto& column : graph.Windows())
            for (std::int64_t v : column.bytes) sink += std::size_t(lp::HistoryGraph::Segments(v, largest));
        benchmark::DoNotOptimize(sink);
    }
}
BENCHMARK(BM_SliderMove)->Unit(benchmark::kMicrosecond);

void BM_ColourPreview64(benchmark::State& state) {
    const lp::Picture photo = Photo();
    lp::BatchMacro settings("Default");
    settings.colors = 64;
    settings.width = photo.Width();
    settings.height = photo.Height();
    lp::TrialRequest request;
    request.settings = &settings;
    request.tab = lp::kTabGifPng;
    for (auto _ : state) {
        lp::GifFrameList frames;
        lp::GifFrame frame;
        frame.picture = photo;
        frames.Add(std::move(frame));
        lp::GifInfo info;
        const lp::TrialOutcome outcome = lp::ProcessTrial(frames, info, 0, request);
        if (!outcome.ok) state.SkipWithError(outcome.error.c_str());
        benchmark::DoNotOptimize(frames[0].picture.Row(0).data());
    }
    state.counters["colours"] = double(lp::CountColours(photo));
}
BENCHMARK(BM_ColourPreview64)->Unit(benchmark::kMillisecond);

}  // namespace
