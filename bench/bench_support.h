#pragma once
// What the benchmark programs share: a photo-like test picture and binary PPM
// (P6, maxval 255) files, the form the peer scripts hand over.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

#include "imaging/picture.h"

namespace lp::bench {

/// Smooth gradients with noise: a photo-like picture where long runs and repeated
/// strings are rare. noiseShift sets the noise amplitude (28: 0..15, 29: 0..7).
inline Picture MakePhotoLike(int w, int h, int noiseShift = 28) {
    Picture p;
    p.Create(w, h);
    std::uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
        auto row = p.RowFromTop(y);
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> noiseShift);
            row[x * 3] = std::uint8_t((x * 255 / w + noise) & 0xFF);
            row[x * 3 + 1] = std::uint8_t((y * 255 / h + noise) & 0xFF);
            row[x * 3 + 2] = std::uint8_t(((x + y) / 16 + noise) & 0xFF);
        }
    }
    return p;
}

namespace detail {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

inline int ReadHeaderNumber(std::FILE* f) {
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
}  // namespace detail

/// Reads a P6 PPM with maxval 255 (header comments allowed); throws on anything else.
inline Picture ReadPpm(const char* path) {
    detail::File f(std::fopen(path, "rb"));
    if (!f || std::fgetc(f.get()) != 'P' || std::fgetc(f.get()) != '6') throw std::runtime_error("not a P6 PPM");
    const int w = detail::ReadHeaderNumber(f.get());
    const int h = detail::ReadHeaderNumber(f.get());
    if (detail::ReadHeaderNumber(f.get()) != 255) throw std::runtime_error("PPM maxval must be 255");
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

inline void WritePpm(const Picture& p, const char* path) {
    detail::File f(std::fopen(path, "wb"));
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

}  // namespace lp::bench
