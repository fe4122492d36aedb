// Magic wand on a 1600 x 1200 photo at the default tolerance (100) and a
// 90-degree rotation of a 4000 x 3000 picture.
//
//   tools_bench                       Google Benchmark figures, in process
//   tools_bench --run wand IN OUT X Y [TOLERANCE]
//                                     reads a binary PPM, selects the area around
//                                     (X, Y), fills it white, writes a binary PPM
//   tools_bench --run rotate90 IN OUT  reads, turns by 90 degrees clockwise, writes
//                                     (bench/tools_vs_imagemagick.sh)
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

Picture MakePhotoLike(int w, int h) {
    Picture p;
    p.Create(w, h);
    std::uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
        auto row = p.RowFromTop(y);
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 28);
            row[x * 3] = std::uint8_t((x * 255 / w + noise) & 0xFF);
            row[x * 3 + 1] = std::uint8_t((y * 255 / h + noise) & 0xFF);
            row[x * 3 + 2] = std::uint8_t(((x + y) / 16 + noise) & 0xFF);
        }
    }
    return p;
}

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

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Binary PPM (P6, maxval 255) header: "P6 <w> <h> 255" and one blank.
int ReadHeaderNumber(std::FILE* f) {
    int c = std::fgetc(f);
    while (c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '#') {
        if (c == '#')
            while (c != '\n' && c != EOF) c = std::fgetc(f);
        c = std::fgetc(f);
    }
    int value = 0;
    while (c >= '0' && c <= '9') {
        value = value * 10 + (c - '0');
        c = std::fgetc(f);
    }
    return value;
}

Picture ReadPpm(const char* path) {
    File f(std::fopen(path, "rb"));
    if (!f || std::fgetc(f.get()) != 'P' || std::fgetc(f.get()) != '6') throw std::runtime_error("not a P6 PPM");
    const int w = ReadHeaderNumber(f.get());
    const int h = ReadHeaderNumber(f.get());
    if (ReadHeaderNumber(f.get()) != 255) throw std::runtime_error("PPM maxval must be 255");
    Picture p;
    p.Create(w, h);
    std::vector<std::uint8_t> rgb(std::size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        if (std::fread(rgb.data(), 1, rgb.size(), f.get()) != rgb.size()) throw std::runtime_error("PPM cut short");
        std::uint8_t* row = p.RowFromTop(y).data();
        for (int x = 0; x < w; ++x) {
            row[x * 3] = rgb[x * 3 + 2];
            row[x * 3 + 1] = rgb[x * 3 + 1];
            row[x * 3 + 2] = rgb[x * 3];
        }
    }
    return p;
}

void WritePpm(const Picture& p, const char* path) {
    File f(std::fopen(path, "wb"));
    if (!f) throw std::runtime_error("cannot write output");
    std::fprintf(f.get(), "P6\n%d %d\n255\n", p.Width(), p.Height());
    std::vector<std::uint8_t> rgb(std::size_t(p.Width()) * 3);
    for (int y = 0; y < p.Height(); ++y) {
        const std::uint8_t* row = p.RowFromTop(y).data();
        for (int x = 0; x < p.Width(); ++x) {
            rgb[x * 3] = row[x * 3 + 2];
            rgb[x * 3 + 1] = row[x * 3 + 1];
            rgb[x * 3 + 2] = row[x * 3];
        }
        if (std::fwrite(rgb.data(), 1, rgb.size(), f.get()) != rgb.size()) throw std::runtime_error("write failed");
    }
}

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
