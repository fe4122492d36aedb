// Colour counting and reduction: in-process timings (Google Benchmark) and a small command-line tool
// that bench/colour_vs_peers.sh times against ImageMagick and pngquant on the same files.
//
//   colour_bench [benchmark flags]                 timings on LP_COLOUR_BENCH_INPUT (a 1600x1200 PPM)
//   colour_bench --count IN.ppm                    prints the number of distinct colours
//   colour_bench --reduce N IN.ppm OUT.ppm         the popularity reduction (ReduceColours)
//   colour_bench --quantize N [--dither] [--rgb] IN.ppm OUT.ppm   the better quantizer
#include "imaging/colour_count.h"
#include "imaging/colour_reduce.h"
#include "imaging/quantize_perceptual.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

lp::Picture ReadPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    in >> magic >> w >> h >> maxval;
    in.get();
    if (!in || magic != "P6" || maxval != 255 || w <= 0 || h <= 0) {
        std::fprintf(stderr, "colour_bench: %s is not an 8-bit binary PPM\n", path.c_str());
        std::exit(2);
    }
    lp::Picture p;
    p.Create(w, h);
    std::vector<char> row(std::size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        in.read(row.data(), std::streamsize(row.size()));
        auto out = p.RowFromTop(y);
        for (int x = 0; x < w; ++x) {
            out[std::size_t(x) * 3] = std::uint8_t(row[std::size_t(x) * 3 + 2]);
            out[std::size_t(x) * 3 + 1] = std::uint8_t(row[std::size_t(x) * 3 + 1]);
            out[std::size_t(x) * 3 + 2] = std::uint8_t(row[std::size_t(x) * 3]);
        }
    }
    if (!in) {
        std::fprintf(stderr, "colour_bench: %s is truncated\n", path.c_str());
        std::exit(2);
    }
    return p;
}

void WritePpm(const lp::Picture& p, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << p.Width() << " " << p.Height() << "\n255\n";
    std::vector<char> row(std::size_t(p.Width()) * 3);
    for (int y = 0; y < p.Height(); ++y) {
        const auto in = p.RowFromTop(y);
        for (int x = 0; x < p.Width(); ++x) {
            row[std::size_t(x) * 3] = char(in[std::size_t(x) * 3 + 2]);
            row[std::size_t(x) * 3 + 1] = char(in[std::size_t(x) * 3 + 1]);
            row[std::size_t(x) * 3 + 2] = char(in[std::size_t(x) * 3]);
        }
        out.write(row.data(), std::streamsize(row.size()));
    }
}

// The picture the in-process benchmarks use: the given photo, or a smooth synthetic one.
const lp::Picture& BenchPicture() {
    static const lp::Picture picture = [] {
        const char* path = std::getenv("LP_COLOUR_BENCH_INPUT");
        if (path && *path) return ReadPpm(path);
        std::fprintf(stderr, "colour_bench: LP_COLOUR_BENCH_INPUT not set, using a synthetic 1600x1200 picture\n");
        lp::Picture p;
        p.Create(1600, 1200);
        for (int y = 0; y < 1200; ++y) {
            auto row = p.Row(y);
            for (int x = 0; x < 1600; ++x) {
                row[std::size_t(x) * 3] = std::uint8_t((x * y) >> 9);
                row[std::size_t(x) * 3 + 1] = std::uint8_t(y * 255 / 1199);
                row[std::size_t(x) * 3 + 2] = std::uint8_t(x * 255 / 1599 ^ (y & 7));
            }
        }
        return p;
    }();
    return picture;
}

void BM_CountColours(benchmark::State& state) {
    const lp::Picture& p = BenchPicture();
    for (auto _ : state) benchmark::DoNotOptimize(lp::CountColours(p));
}
BENCHMARK(BM_CountColours)->Unit(benchmark::kMillisecond);

void BM_Count15BitCells(benchmark::State& state) {
    const lp::Picture& p = BenchPicture();
    for (auto _ : state) benchmark::DoNotOptimize(lp::Count15BitCells(p));
}
BENCHMARK(BM_Count15BitCells)->Unit(benchmark::kMillisecond);

void BM_ReduceColours(benchmark::State& state) {
    const lp::Picture& original = BenchPicture();
    lp::Picture p;
    for (auto _ : state) {
        state.PauseTiming();
        p.CopyFrom(original);
        state.ResumeTiming();
        benchmark::DoNotOptimize(lp::ReduceColours(p, int(state.range(0))));
    }
}
BENCHMARK(BM_ReduceColours)->Arg(256)->Arg(64)->Arg(16)->Unit(benchmark::kMillisecond);

void BM_Quantize(benchmark::State& state) {
    const lp::Picture& original = BenchPicture();
    lp::Picture p;
    for (auto _ : state) {
        state.PauseTiming();
        p.CopyFrom(original);
        state.ResumeTiming();
        benchmark::DoNotOptimize(
            lp::QuantizeColours(p, {.colours = int(state.range(0)), .dither = state.range(1) != 0}));
    }
}
BENCHMARK(BM_Quantize)->Args({256, 0})->Args({256, 1})->Args({16, 0})->Unit(benchmark::kMillisecond);

int Usage() {
    std::fprintf(stderr,
                 "usage: colour_bench --count IN.ppm | --reduce N IN.ppm OUT.ppm |"
                 " --quantize N [--dither] [--rgb] [--passes P] IN.ppm OUT.ppm | [benchmark flags]\n");
    return 2;
}

int Tool(int argc, char** argv) {
    const std::string mode = argv[1];
    if (mode == "--count" && argc == 3) {
        std::printf("%lld\n", static_cast<long long>(lp::CountColours(ReadPpm(argv[2]))));
        return 0;
    }
    if (mode == "--reduce" && argc == 5) {
        lp::Picture p = ReadPpm(argv[3]);
        lp::ReduceColours(p, std::atoi(argv[2]));
        WritePpm(p, argv[4]);
        return 0;
    }
    if (mode == "--quantize" && argc >= 5) {
        lp::QuantizeOptions options{.colours = std::atoi(argv[2])};
        for (int i = 3; i < argc - 2; ++i) {
            if (std::strcmp(argv[i], "--dither") == 0)
                options.dither = true;
            else if (std::strcmp(argv[i], "--rgb") == 0)
                options.space = lp::QuantizeSpace::Rgb;
            else if (std::strcmp(argv[i], "--passes") == 0 && i + 1 < argc - 2)
                options.refinementPasses = std::atoi(argv[++i]);
            else
                return Usage();
        }
        lp::Picture p = ReadPpm(argv[argc - 2]);
        lp::QuantizeColours(p, options);
        WritePpm(p, argv[argc - 1]);
        return 0;
    }
    return Usage();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strncmp(argv[1], "--benchmark", 11) != 0) {
        try {
            return Tool(argc, argv);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "colour_bench: %s\n", e.what());
            return 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
