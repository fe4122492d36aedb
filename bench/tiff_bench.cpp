// TIFF speed: writing (LZW encode + atomic save) and reading back a 4000 x 3000
// photo-like picture.
//
//   tiff_bench                        Google Benchmark figures, in process
//   tiff_bench --write IN.ppm OUT.tif one whole write for peer comparisons
//                                     (bench/tiff_vs_peers.sh): reads a binary PPM
//                                     and saves OUT as the program saves TIFF
//   tiff_bench --read IN.tif          one whole read of a TIFF file
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "formats/tiff/tiff_reader.h"
#include "formats/tiff/tiff_writer.h"
#include "base/imp_exp_exception.h"
#include "imaging/picture.h"

namespace {

using lp::Picture;

// Smooth gradients with noise: a photo-like picture (LZW finds short strings only).
Picture MakePhotoLike(int w, int h) {
    Picture p;
    p.Create(w, h);
    std::uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
        auto row = p.RowFromTop(y);
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 29);
            row[x * 3] = std::uint8_t((x * 255 / w + noise) & 0xFF);
            row[x * 3 + 1] = std::uint8_t((y * 255 / h + noise) & 0xFF);
            row[x * 3 + 2] = std::uint8_t(((x + y) / 16 + noise) & 0xFF);
        }
    }
    return p;
}

const Picture& Photo() {
    static const Picture photo = MakePhotoLike(4000, 3000);
    return photo;
}

std::filesystem::path BenchFile(const char* name) { return std::filesystem::temp_directory_path() / name; }

void BM_TiffEncode(benchmark::State& state) {
    for (auto _ : state) {
        auto bytes = lp::EncodeTiff(Photo(), nullptr);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * 4000LL * 3000LL * 3);
}

void BM_TiffSave(benchmark::State& state) {
    const auto path = BenchFile("lp_bench.tif");
    for (auto _ : state) lp::SaveTiff(Photo(), path, nullptr);
    state.SetBytesProcessed(state.iterations() * 4000LL * 3000LL * 3);
}

void BM_TiffLoad(benchmark::State& state) {
    const auto path = BenchFile("lp_bench_read.tif");
    lp::SaveTiff(Photo(), path, nullptr);
    for (auto _ : state) {
        Picture p = lp::LoadTiff(path, nullptr);
        benchmark::DoNotOptimize(p.Row(0).data());
    }
    state.SetBytesProcessed(state.iterations() * 4000LL * 3000LL * 3);
}

BENCHMARK(BM_TiffEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffLoad)->Unit(benchmark::kMillisecond);

// Binary PPM (P6, maxval 255) as ImageMagick writes it.
Picture ReadPpm(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    in >> magic >> w >> h >> maxval;
    in.get();
    if (!in || magic != "P6" || maxval != 255) throw std::runtime_error("not a binary PPM");
    Picture p;
    p.Create(w, h);
    std::vector<char> rgb(std::size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        if (!in.read(rgb.data(), std::streamsize(rgb.size()))) throw std::runtime_error("PPM too short");
        auto row = p.RowFromTop(y);
        for (int x = 0; x < w; ++x) {
            row[x * 3] = std::uint8_t(rgb[x * 3 + 2]);
            row[x * 3 + 1] = std::uint8_t(rgb[x * 3 + 1]);
            row[x * 3 + 2] = std::uint8_t(rgb[x * 3]);
        }
    }
    return p;
}

int RunOnce(int argc, char** argv) {
    try {
        const std::string mode = argv[1];
        if (mode == "--write" && argc == 4) {
            lp::SaveTiff(ReadPpm(argv[2]), argv[3], nullptr);
            return 0;
        }
        if (mode == "--read" && argc == 3) {
            const Picture p = lp::LoadTiff(argv[2], nullptr);
            std::printf("%dx%d\n", p.Width(), p.Height());
            return 0;
        }
    } catch (const lp::ImpExpException& e) {
        std::fprintf(stderr, "%s: %s\n", e.Where().c_str(), e.Message().c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: tiff_bench [--write IN.ppm OUT.tif | --read IN.tif]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "--write") == 0 || std::strcmp(argv[1], "--read") == 0))
        return RunOnce(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
