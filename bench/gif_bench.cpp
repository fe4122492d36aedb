// GIF speed: decoding and encoding a 1600 x 1200 picture of 256 colours and a
// 60-frame 400 x 300 animation.
//
//   gif_bench                          Google Benchmark figures, in process. The inputs
//                                      are LP_GIF_BENCH_STILL and LP_GIF_BENCH_ANIM
//                                      (GIF files) when set, else made here.
//   gif_bench --decode IN.gif          one whole read of every frame (peer comparisons,
//                                      bench/gif_vs_peers.sh)
//   gif_bench --transcode IN.gif OUT   read every frame and write them again
//   gif_bench --data-bytes FILE.gif    prints the bytes of LZW data in the file
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"
#include "base/colour.h"
#include "base/imp_exp_exception.h"

namespace {

using lp::GifAnimation;
using lp::GifFrame;
using lp::Picture;

// 256 colours in smooth bands with some noise: photo-like LZW work.
Picture MakeStill(int w, int h, int phase) {
    Picture p;
    p.Create(w, h);
    std::uint32_t seed = 777u + std::uint32_t(phase);
    for (int y = 0; y < h; ++y) {
        auto row = p.RowFromTop(y);
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int i = ((x + phase * 7) / 6 + y / 5 + int(seed >> 30)) & 0xFF;
            row[x * 3] = std::uint8_t(i);
            row[x * 3 + 1] = std::uint8_t(255 - i);
            row[x * 3 + 2] = std::uint8_t(i * 3);
        }
    }
    return p;
}

std::vector<std::uint8_t> ReadBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

GifAnimation LoadInput(const char* env, bool animation) {
    if (const char* path = std::getenv(env)) return lp::LoadGif(path);
    GifAnimation a;
    const int frames = animation ? 60 : 1;
    for (int i = 0; i < frames; ++i) {
        GifFrame f;
        f.picture = animation ? MakeStill(400, 300, i) : MakeStill(1600, 1200, 0);
        f.delay = 6;
        f.disposal = 1;
        a.frames.Add(std::move(f));
    }
    a.info.screenWidth = a.frames[0].picture.Width();
    a.info.screenHeight = a.frames[0].picture.Height();
    a.info.loop = animation ? 1 : 0;
    return a;
}

struct Input {
    GifAnimation decoded;
    std::vector<std::uint8_t> file;
    std::int64_t pixels = 0;
};

const Input& Get(bool animation) {
    static const Input inputs[2] = {
        [] {
            Input in;
            in.decoded = LoadInput("LP_GIF_BENCH_STILL", false);
            in.file = lp::EncodeGif(in.decoded.frames, in.decoded.info);
            for (const auto& f : in.decoded.frames) in.pixels += std::int64_t(f.picture.Width()) * f.picture.Height();
            return in;
        }(),
        [] {
            Input in;
            in.decoded = LoadInput("LP_GIF_BENCH_ANIM", true);
            in.file = lp::EncodeGif(in.decoded.frames, in.decoded.info);
            for (const auto& f : in.decoded.frames) in.pixels += std::int64_t(f.picture.Width()) * f.picture.Height();
            return in;
        }(),
    };
    return inputs[animation ? 1 : 0];
}

void BM_Decode(benchmark::State& state) {
    const Input& in = Get(state.range(0) != 0);
    for (auto _ : state) {
        GifAnimation a = lp::DecodeGif(in.file, "bench");
        benchmark::DoNotOptimize(a.frames[0].picture.Row(0).data());
    }
    state.SetLabel(state.range(0) ? "60 x 400x300 animation" : "1600x1200, 256 colours");
    state.SetItemsProcessed(state.iterations() * in.pixels);
}

void BM_Encode(benchmark::State& state) {
    const Input& in = Get(state.range(0) != 0);
    std::size_t size = 0;
    for (auto _ : state) {
        const auto bytes = lp::EncodeGif(in.decoded.frames, in.decoded.info);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetLabel((state.range(0) ? "60 x 400x300 animation, " : "1600x1200, 256 colours, ") + std::to_string(size) +
                   " bytes");
    state.SetItemsProcessed(state.iterations() * in.pixels);
}

BENCHMARK(BM_Decode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

/// Bytes of LZW data in all images of a GIF file (sub-block contents, without the
/// code size byte, length bytes and terminators).
long long DataBytes(const std::vector<std::uint8_t>& f) {
    std::size_t i = 13;
    if (f.size() < 13) return -1;
    if (f[10] & 0x80) i += 3 * (std::size_t(2) << (f[10] & 7));
    long long total = 0;
    const auto skipBlocks = [&](bool count) {
        while (i < f.size() && f[i] != 0) {
            if (count) total += f[i];
            i += std::size_t(f[i]) + 1;
        }
        ++i;
    };
    while (i < f.size()) {
        const int b = f[i++];
        if (b == 0x3B) return total;
        if (b == 0x21) {
            ++i;
            skipBlocks(false);
        } else if (b == 0x2C) {
            if (i + 10 > f.size()) return -1;
            const int flags = f[i + 8];
            i += 9;
            if (flags & 0x80) i += 3 * (std::size_t(2) << (flags & 7));
            ++i;  // code size
            skipBlocks(true);
        } else {
            return -1;
        }
    }
    return total;
}

int RunOnce(int argc, char** argv) {
    try {
        const std::string mode = argv[1];
        if (mode == "--decode" && argc == 3) {
            const GifAnimation a = lp::LoadGif(argv[2]);
            std::printf("%zu frames\n", a.frames.Count());
            return 0;
        }
        if (mode == "--transcode" && argc == 4) {
            GifAnimation a = lp::LoadGif(argv[2]);
            lp::SaveGif(a.frames, a.info, argv[3]);
            return 0;
        }
        if (mode == "--data-bytes" && argc == 3) {
            std::printf("%lld\n", DataBytes(ReadBytes(argv[2])));
            return 0;
        }
    } catch (const lp::ImpExpException& e) {
        std::fprintf(stderr, "%s: %s\n", e.Where().c_str(), e.Message().c_str());
        return 1;
    }
    std::fprintf(stderr, "usage: gif_bench [--decode IN | --transcode IN OUT | --data-bytes FILE]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strncmp(argv[1], "--", 2) == 0 && std::strncmp(argv[1], "--benchmark", 11) != 0)
        return RunOnce(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
