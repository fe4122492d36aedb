// BMP speed: decoding and encoding a 4000 x 3000 picture as a 24-bit BMP and
// as an RLE8 BMP.
//
//   bmp_bench                      Google Benchmark figures, in process
//   bmp_bench --convert IN OUT     one whole load + save for peer comparisons
//                                  (bench/bmp_vs_imagemagick.sh): reads IN as a
//                                  BMP and saves OUT with the writer its
//                                  extension chooses (.bmp 24 bits, .dib RLE8,
//                                  .rle RLE4)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "formats/bmp/bmp_reader.h"
#include "formats/bmp/bmp_writer.h"
#include "formats/format_table.h"
#include "base/imp_exp_exception.h"
#include "imaging/picture.h"

namespace {

using lp::Picture;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Smooth gradients with noise: a photo-like picture.
Picture MakePhotoLike() {
    Picture p;
    p.Create(kWidth, kHeight);
    std::uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y) {
        auto row = p.RowFromTop(y);
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 28);
            row[x * 3] = std::uint8_t((x * 255 / kWidth + noise) & 0xFF);
            row[x * 3 + 1] = std::uint8_t((y * 255 / kHeight + noise) & 0xFF);
            row[x * 3 + 2] = std::uint8_t(((x + y) / 16 + noise) & 0xFF);
        }
    }
    return p;
}

// 256 colours in patches with noisy edges: what an 8-bit run-length file of
// a reduced photo looks like (runs of a few to a few hundred pixels).
Picture MakeEightBit() {
    Picture p;
    p.Create(kWidth, kHeight);
    std::uint32_t seed = 777;
    for (int y = 0; y < kHeight; ++y) {
        auto row = p.RowFromTop(y);
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int jitter = (seed >> 29) == 0 ? int(seed >> 24) & 7 : 0;
            const int index = ((x / 40 + y / 30) * 5 + jitter) & 0xFF;
            row[x * 3] = std::uint8_t(index);
            row[x * 3 + 1] = std::uint8_t(index * 7);
            row[x * 3 + 2] = std::uint8_t(255 - index);
        }
    }
    return p;
}

const std::vector<std::uint8_t>& File24() {
    static const std::vector<std::uint8_t> file = lp::EncodeBmp(MakePhotoLike(), lp::BmpCompression::None, 24, nullptr);
    return file;
}

const std::vector<std::uint8_t>& FileRle8() {
    static const std::vector<std::uint8_t> file = lp::EncodeBmp(MakeEightBit(), lp::BmpCompression::Rle8, 8, nullptr);
    return file;
}

void BM_Decode24(benchmark::State& state) {
    const auto& file = File24();
    for (auto _ : state) benchmark::DoNotOptimize(lp::DecodeBmp(file, "bench", nullptr));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(file.size()));
}

void BM_Encode24(benchmark::State& state) {
    const Picture picture = lp::DecodeBmp(File24(), "bench", nullptr);
    for (auto _ : state) benchmark::DoNotOptimize(lp::EncodeBmp(picture, lp::BmpCompression::None, 24, nullptr));
}

void BM_DecodeRle8(benchmark::State& state) {
    const auto& file = FileRle8();
    for (auto _ : state) benchmark::DoNotOptimize(lp::DecodeBmp(file, "bench", nullptr));
    state.counters["file MB"] = double(file.size()) / 1e6;
}

void BM_EncodeRle8(benchmark::State& state) {
    const Picture picture = lp::DecodeBmp(FileRle8(), "bench", nullptr);
    for (auto _ : state) benchmark::DoNotOptimize(lp::EncodeBmp(picture, lp::BmpCompression::Rle8, 8, nullptr));
}

// A photo saved as 8 bits: more than 256 colours, so the fixed palette.
void BM_EncodePhotoAsRle8(benchmark::State& state) {
    const Picture picture = lp::DecodeBmp(File24(), "bench", nullptr);
    for (auto _ : state) benchmark::DoNotOptimize(lp::EncodeBmp(picture, lp::BmpCompression::Rle8, 8, nullptr));
}

// Load + save through files, as a conversion does.
void BM_LoadSave24(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path();
    const auto in = dir / "lp_bmp_bench_in.bmp";
    const auto out = dir / "lp_bmp_bench_out.bmp";
    {
        std::FILE* f = std::fopen(in.c_str(), "wb");
        std::fwrite(File24().data(), 1, File24().size(), f);
        std::fclose(f);
    }
    for (auto _ : state) lp::SaveBmp(lp::LoadBmp(in, nullptr), out, lp::BmpCompression::None, 24, nullptr);
    std::filesystem::remove(in);
    std::filesystem::remove(out);
}

BENCHMARK(BM_Decode24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeRle8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeRle8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodePhotoAsRle8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadSave24)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--convert") == 0) {
        try {
            lp::SavePictureByExtension(lp::LoadBmp(argv[2], nullptr), argv[3]);
            return 0;
        } catch (const lp::ImpExpException& e) {
            std::fprintf(stderr, "%s: %s\n", e.Where().c_str(), e.Message().c_str());
            return 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
