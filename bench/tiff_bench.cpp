// TIFF speed: writing (LZW encode + atomic save) and reading back a 4000 x 3000
// photo-like picture.
//
//   tiff_bench                        Google Benchmark figures, in process
//   tiff_bench --write IN.ppm OUT.tif one whole write for peer comparisons
//                                     (bench/tiff_vs_peers.sh): reads a binary PPM
//                                     and saves OUT as the program saves TIFF
//   tiff_bench --read IN.tif          one whole read of a TIFF file
#include "bench/bench_support.h"
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
using lp::bench::MakePhotoLike;
using lp::bench::ReadPpm;

const Picture& Photo() {
    static const Picture photo = MakePhotoLike(4000, 3000, 29);  // less noise: LZW finds short strings only
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
