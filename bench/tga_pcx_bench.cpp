// Targa and PCX speed: writing (encode + atomic save) and reading back a
// 4000 x 3000 picture.
//
//   tga_pcx_bench                     Google Benchmark figures, in process
//   tga_pcx_bench --write FMT IN.ppm OUT
//                                     one whole write for peer comparisons
//                                     (bench/tga_pcx_vs_peers.sh): reads a binary
//                                     PPM and writes OUT as FMT (tga = run-length
//                                     Targa as the program saves it, tga-raw, pcx)
//   tga_pcx_bench --read FMT IN       one whole read of a Targa or PCX file
#include "bench/bench_support.h"
#include "formats/pcx/pcx_reader.h"
#include "formats/pcx/pcx_writer.h"
#include "formats/tga/tga_reader.h"
#include "formats/tga/tga_writer.h"
#include "base/imp_exp_exception.h"
#include "imaging/picture.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using lp::Picture;
using lp::bench::MakePhotoLike;
using lp::bench::ReadPpm;

// Flat bands: a graphic where run-length encoding pays.
Picture MakeGraphic(int w, int h) {
    Picture p;
    p.Create(w, h);
    for (int y = 0; y < h; ++y) {
        auto row = p.RowFromTop(y);
        for (int x = 0; x < w; ++x) {
            const int band = (x / 500 + y / 375) % 8;
            row[x * 3] = std::uint8_t(band * 32);
            row[x * 3 + 1] = std::uint8_t(255 - band * 32);
            row[x * 3 + 2] = std::uint8_t(band * 16);
        }
    }
    return p;
}

const Picture& Source(int kind) {
    static const Picture photo = MakePhotoLike(4000, 3000);
    static const Picture graphic = MakeGraphic(4000, 3000);
    return kind == 0 ? photo : graphic;
}

std::filesystem::path BenchFile(const char* name) { return std::filesystem::temp_directory_path() / name; }

void BM_TargaWriteRle(benchmark::State& state) {
    const Picture& p = Source(int(state.range(0)));
    const auto path = BenchFile("lp_bench.tga");
    for (auto _ : state) lp::SaveTarga(p, path, true, nullptr);
    state.SetLabel(state.range(0) == 0 ? "photo" : "graphic");
    state.SetBytesProcessed(state.iterations() * 4000LL * 3000LL * 3);
}

void BM_TargaRead(benchmark::State& state) {
    const auto path = BenchFile("lp_bench_read.tga");
    lp::SaveTarga(Source(int(state.range(0))), path, true, nullptr);
    for (auto _ : state) {
        Picture p = lp::LoadTarga(path, nullptr);
        benchmark::DoNotOptimize(p.Row(0).data());
    }
    state.SetLabel(state.range(0) == 0 ? "photo" : "graphic");
    state.SetBytesProcessed(state.iterations() * 4000LL * 3000LL * 3);
}

void BM_PcxWrite(benchmark::State& state) {
    const Picture& p = Source(int(state.range(0)));
    const auto path = BenchFile("lp_bench.pcx");
    for (auto _ : state) lp::SavePcx(p, path, nullptr);
    state.SetLabel(state.range(0) == 0 ? "photo" : "graphic");
    state.SetBytesProcessed(state.iterations() * 4000LL * 3000LL * 3);
}

void BM_PcxRead(benchmark::State& state) {
    const auto path = BenchFile("lp_bench_read.pcx");
    lp::SavePcx(Source(int(state.range(0))), path, nullptr);
    for (auto _ : state) {
        Picture p = lp::LoadPcx(path, nullptr);
        benchmark::DoNotOptimize(p.Row(0).data());
    }
    state.SetLabel(state.range(0) == 0 ? "photo" : "graphic");
    state.SetBytesProcessed(state.iterations() * 4000LL * 3000LL * 3);
}

BENCHMARK(BM_TargaWriteRle)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TargaRead)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PcxWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PcxRead)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int RunOnce(int argc, char** argv) {
    try {
        const std::string mode = argv[1], format = argv[2];
        if (mode == "--write" && argc == 5) {
            const Picture p = ReadPpm(argv[3]);
            if (format == "pcx")
                lp::SavePcx(p, argv[4], nullptr);
            else
                lp::SaveTarga(p, argv[4], format == "tga", nullptr);
            return 0;
        }
        if (mode == "--read" && argc == 4) {
            const Picture p = format == "pcx" ? lp::LoadPcx(argv[3], nullptr) : lp::LoadTarga(argv[3], nullptr);
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
    std::fprintf(stderr, "usage: tga_pcx_bench [--write tga|tga-raw|pcx IN.ppm OUT | --read tga|pcx IN]\n");
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
