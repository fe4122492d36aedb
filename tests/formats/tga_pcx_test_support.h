#pragma once
// Expected pixels for the Targa and PCX tests: reference PNGs read with
// libpng, and independent decoders (Pillow, ImageMagick) run as programs.
#include "imaging/picture.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace lp::test {

/// Pixels top row first, red, green, blue.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

/// Reads a reference PNG as stored: no gamma correction, alpha dropped (the
/// codecs under test ignore alpha; compositing would change the colours).
inline std::optional<RgbImage> ReadPngRgb(const std::filesystem::path& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::nullopt;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    RgbImage out;
    std::vector<png_bytep> rows;
    bool ok = false;
    if (png && info && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_read_info(png, info);
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_strip_alpha(png);
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
        out.width = int(png_get_image_width(png, info));
        out.height = int(png_get_image_height(png, info));
        const std::size_t rowBytes = png_get_rowbytes(png, info);
        out.rgb.resize(rowBytes * std::size_t(out.height));
        rows.resize(std::size_t(out.height));
        for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = out.rgb.data() + y * rowBytes;
        png_read_image(png, rows.data());
        ok = rowBytes == std::size_t(out.width) * 3;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    if (!ok) return std::nullopt;
    return out;
}

inline std::string OracleQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

inline bool RunQuiet(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

inline bool HavePillow() { return RunQuiet("/usr/bin/python3 -c 'import PIL.Image'"); }
inline bool HaveImageMagick() { return RunQuiet("convert -version"); }

/// Reads a binary PPM (P6, maxval 255) as written by the oracles below.
inline std::optional<RgbImage> ReadPpm(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    RgbImage img;
    // Header fields may be separated by comments (ImageMagick copies a Targa's ID text there).
    auto field = [&](auto& value) {
        while (in >> std::ws && in.peek() == '#') in.ignore(1 << 20, '\n');
        return bool(in >> value);
    };
    if (!field(magic) || !field(img.width) || !field(img.height) || !field(maxval) || magic != "P6" || maxval != 255)
        return std::nullopt;
    in.get();
    img.rgb.resize(std::size_t(img.width) * std::size_t(img.height) * 3);
    in.read(reinterpret_cast<char*>(img.rgb.data()), std::streamsize(img.rgb.size()));
    if (!in) return std::nullopt;
    return img;
}

/// Pillow's decode, alpha dropped; nullopt when Pillow refuses the file.
inline std::optional<RgbImage> DecodeWithPillow(const std::filesystem::path& path, const std::filesystem::path& work) {
    const auto out = work / "pillow.ppm";
    std::filesystem::remove(out);
    const std::string script =
        "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\nim.load()\n"
        "im.convert('RGB').save(sys.argv[2], 'PPM')\n";
    if (!RunQuiet("/usr/bin/python3 -c " + OracleQuote(script) + " " + OracleQuote(path.string()) + " " +
                  OracleQuote(out.string())))
        return std::nullopt;
    return ReadPpm(out);
}

/// ImageMagick's decode, alpha dropped; nullopt when it refuses the file.
inline std::optional<RgbImage> DecodeWithImageMagick(const std::filesystem::path& path,
                                                     const std::filesystem::path& work, const std::string& coder = {}) {
    const auto out = work / "magick.ppm";
    std::filesystem::remove(out);
    const std::string input = coder.empty() ? path.string() : coder + ":" + path.string();
    if (!RunQuiet("convert " + OracleQuote(input) + "[0] -alpha off -depth 8 " + OracleQuote("ppm:" + out.string())))
        return std::nullopt;
    return ReadPpm(out);
}

inline RgbImage PictureToRgb(const Picture& p) {
    RgbImage out{p.Width(), p.Height(), {}};
    out.rgb.reserve(std::size_t(p.Width()) * std::size_t(p.Height()) * 3);
    for (int y = 0; y < p.Height(); ++y) {
        const auto row = p.RowFromTop(y);
        for (int x = 0; x < p.Width(); ++x) {
            out.rgb.push_back(row[std::size_t(x) * 3 + 2]);
            out.rgb.push_back(row[std::size_t(x) * 3 + 1]);
            out.rgb.push_back(row[std::size_t(x) * 3]);
        }
    }
    return out;
}

/// Same size and every channel within tolerance; names the first difference.
inline testing::AssertionResult SameRgb(const RgbImage& actual, const RgbImage& expected, int tolerance = 0) {
    if (actual.width != expected.width || actual.height != expected.height)
        return testing::AssertionFailure() << "size " << actual.width << "x" << actual.height << ", expected "
                                           << expected.width << "x" << expected.height;
    for (std::size_t i = 0; i < actual.rgb.size(); ++i) {
        if (std::abs(int(actual.rgb[i]) - int(expected.rgb[i])) > tolerance) {
            const std::size_t pixel = i / 3;
            return testing::AssertionFailure()
                   << "pixel (" << pixel % std::size_t(actual.width) << ", " << pixel / std::size_t(actual.width)
                   << ") channel " << i % 3 << " is " << int(actual.rgb[i]) << ", expected " << int(expected.rgb[i]);
        }
    }
    return testing::AssertionSuccess();
}

}  // namespace lp::test
