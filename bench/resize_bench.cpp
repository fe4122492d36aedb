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

// Smooth gradients with noise: a photo-like picture whose boxes differ.
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

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
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
