// JPEG and PNG speed: decoding a 4000 x 3000 JPEG, encoding it at quality 75,
// and encoding a 1600 x 1200 photo as true-colour PNG and a 256-colour one as
// palette PNG.
//
//   jpeg_png_bench                          Google Benchmark figures, in process
//                                           (inputs from LP_BENCH_IN, default
//                                           /tmp/lp-bench-in, else synthetic)
//   jpeg_png_bench --jpeg-decode IN.jpg     one whole JPEG load, nothing written
//   jpeg_png_bench --jpeg-encode IN.ppm OUT.jpg [QUALITY]
//                                           binary PPM in, JPEG out (default 75)
//   jpeg_png_bench --png-encode IN.ppm OUT.png
//                                           binary PPM in, PNG out as a plain
//                                           save writes it: palette when the
//                                           picture has at most 256 colours
//
// The command forms are what bench/jpeg_png_vs_peers.sh times beside cjpeg,
// djpeg, ImageMagick and vips, whole process against whole process.
#include "bench/bench_support.h"
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "formats/jpeg/jpeg_reader.h"
#include "formats/jpeg/jpeg_writer.h"
#include "formats/png/png_reader.h"
#include "formats/png/png_writer.h"
#include "imaging/colour_count.h"
#include "base/imp_exp_exception.h"
#include "imaging/picture.h"

namespace {

using lp::Picture;
using lp::bench::MakePhotoLike;

// Binary PPM (P6, maxval 255), read straight into the picture's rows, then
// red and blue swapped in place.
std::optional<Picture> ReadPpm(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    if (!(in >> magic >> w >> h >> maxval) || magic != "P6" || maxval != 255 || w <= 0 || h <= 0) return std::nullopt;
    in.get();
    const std::size_t rowBytes = std::size_t(w) * 3;
    Picture p;
    p.Create(w, h);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = p.RowFromTop(y).data();
        if (!in.read(reinterpret_cast<char*>(row), std::streamsize(rowBytes))) return std::nullopt;
        for (std::size_t i = 0; i < rowBytes; i += 3) std::swap(row[i], row[i + 2]);
    }
    return p;
}

std::filesystem::path InputDir() {
    const char* env = std::getenv("LP_BENCH_IN");
    return env ? env : "/tmp/lp-bench-in";
}

Picture LoadOrMake(const std::string& ppm, int w, int h) {
    if (auto p = ReadPpm(InputDir() / ppm)) return std::move(*p);
    return MakePhotoLike(w, h);
}

// The photo cut to 256 colours by keeping the top 3-3-2 bits: a stand-in for
// the 256-colour input the peer script makes with ImageMagick.
Picture To256Colours(const Picture& source) {
    Picture p;
    p.CopyFrom(source);
    for (int y = 0; y < p.Height(); ++y) {
        auto row = p.Row(y);
        for (int x = 0; x < p.Width(); ++x) {
            row[x * 3] &= 0xC0;
            row[x * 3 + 1] &= 0xE0;
            row[x * 3 + 2] &= 0xE0;
        }
    }
    return p;
}

void BM_JpegDecode4000x3000(benchmark::State& state) {
    std::vector<std::uint8_t> file;
    const auto path = InputDir() / "large/l1_elephants.jpg";
    if (std::filesystem::exists(path)) {
        std::ifstream in(path, std::ios::binary);
        file.assign(std::istreambuf_iterator<char>(in), {});
    } else {
        file = lp::EncodeJpeg(MakePhotoLike(4000, 3000), 90);
    }
    for (auto _ : state) benchmark::DoNotOptimize(lp::DecodeJpeg(file, "bench", nullptr));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * 4000 * 3000 * 3);
}
BENCHMARK(BM_JpegDecode4000x3000)->Unit(benchmark::kMillisecond);

void BM_JpegEncode4000x3000Q75(benchmark::State& state) {
    const Picture picture = LoadOrMake("large/l1_elephants.ppm", 4000, 3000);
    std::uint64_t size = 0;
    for (auto _ : state) size = lp::EncodeJpeg(picture, 75).size();
    state.counters["bytes"] = double(size);
}
BENCHMARK(BM_JpegEncode4000x3000Q75)->Unit(benchmark::kMillisecond);

void BM_PngEncodeTrueColour1600x1200(benchmark::State& state) {
    const Picture picture = LoadOrMake("photo/p01_aqua.ppm", 1600, 1200);
    std::uint64_t size = 0;
    for (auto _ : state) size = lp::EncodePng(picture).size();
    state.counters["bytes"] = double(size);
}
BENCHMARK(BM_PngEncodeTrueColour1600x1200)->Unit(benchmark::kMillisecond);

void BM_PngEncodePalette1600x1200(benchmark::State& state) {
    const Picture picture = To256Colours(LoadOrMake("photo/p01_aqua.ppm", 1600, 1200));
    std::uint64_t size = 0;
    for (auto _ : state) size = lp::EncodePng(picture, lp::kNoColour, nullptr, {}, lp::PngColourMode::Palette).size();
    state.counters["bytes"] = double(size);
}
BENCHMARK(BM_PngEncodePalette1600x1200)->Unit(benchmark::kMillisecond);

int Fail(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    return 1;
}

int RunCommand(int argc, char** argv) {
    const std::string mode = argv[1];
    try {
        if (mode == "--jpeg-decode" && argc == 3) {
            const Picture p = lp::LoadJpeg(argv[2], nullptr);
            return p.IsEmpty() ? 1 : 0;
        }
        if (mode == "--jpeg-encode" && (argc == 4 || argc == 5)) {
            const auto picture = ReadPpm(argv[2]);
            if (!picture) return Fail("cannot read PPM " + std::string(argv[2]));
            lp::SaveJpeg(*picture, argv[3], argc == 5 ? std::atoi(argv[4]) : lp::kDefaultJpegQuality);
            return 0;
        }
        if (mode == "--png-encode" && argc == 4) {
            const auto picture = ReadPpm(argv[2]);
            if (!picture) return Fail("cannot read PPM " + std::string(argv[2]));
            const bool palette = lp::CountColours(*picture) <= 256;
            lp::SavePng(*picture, argv[3], lp::kNoColour, nullptr, {},
                        palette ? lp::PngColourMode::Palette : lp::PngColourMode::TrueColour);
            return 0;
        }
    } catch (const lp::ImpExpException& e) {
        return Fail(e.Title() + ": " + e.Message());
    }
    return Fail(
        "usage: jpeg_png_bench [--jpeg-decode IN.jpg | --jpeg-encode IN.ppm OUT.jpg [Q] | "
        "--png-encode IN.ppm OUT.png]");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strncmp(argv[1], "--jpeg-", 7) == 0) return RunCommand(argc, argv);
    if (argc >= 2 && std::strncmp(argv[1], "--png-", 6) == 0) return RunCommand(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
