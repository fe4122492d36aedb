#pragma once
// Helpers of the BMP tests: a builder for hand-made files, reference pixels
// read from PNG with libpng, and the oracles (ImageMagick, Pillow) run as
// programs.
#include <png.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "imaging/picture.h"
#include "test_support.h"

namespace lp::test::bmp {

/// A BMP file put together field by field, so tests can make files that no
/// writer would. Defaults give a valid 1 x 1 24-bit file with a 40-byte header.
struct BmpLayout {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t planes = 1;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
    std::vector<std::uint32_t> headerMasks;    // written at offset 40 of a header of 52 bytes or more
    std::vector<std::uint32_t> trailingMasks;  // written right after the header (40-byte BI_BITFIELDS)
    std::vector<std::uint32_t> palette;        // 0x00RRGGBB; 3 bytes each with a 12-byte header, else 4
    std::optional<std::uint32_t> bitsOffset;   // default: right after the colour table
    std::vector<std::uint8_t> data;            // the image bits
};

inline void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v);
    Put16(out, v >> 16);
}

inline std::vector<std::uint8_t> BuildBmp(const BmpLayout& s) {
    std::vector<std::uint8_t> info;
    Put32(info, s.headerSize);
    if (s.headerSize == 12) {
        Put16(info, std::uint32_t(s.width));
        Put16(info, std::uint32_t(s.height));
        Put16(info, s.planes);
        Put16(info, s.bits);
    } else {
        Put32(info, std::uint32_t(s.width));
        Put32(info, std::uint32_t(s.height));
        Put16(info, s.planes);
        Put16(info, s.bits);
        Put32(info, s.compression);
        Put32(info, 0);  // image size
        Put32(info, 2835);
        Put32(info, 2835);
        Put32(info, s.coloursUsed);
        Put32(info, 0);
        for (const auto m : s.headerMasks) Put32(info, m);
        if (info.size() < s.headerSize) info.resize(s.headerSize, 0);
    }
    for (const auto m : s.trailingMasks) Put32(info, m);
    for (const auto c : s.palette) {
        info.push_back(std::uint8_t(c));
        info.push_back(std::uint8_t(c >> 8));
        info.push_back(std::uint8_t(c >> 16));
        if (s.headerSize != 12) info.push_back(0);
    }
    const std::uint32_t offset = s.bitsOffset.value_or(std::uint32_t(14 + info.size()));
    std::vector<std::uint8_t> file{'B', 'M'};
    Put32(file, 0);  // file size: readers must not trust it
    Put32(file, 0);
    Put32(file, offset);
    file.insert(file.end(), info.begin(), info.end());
    if (file.size() < offset) file.resize(offset, 0);
    file.insert(file.end(), s.data.begin(), s.data.end());
    return file;
}

/// Pixels top row first, red, green, blue.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

inline RgbImage ToRgb(const Picture& p) {
    RgbImage out{p.Width(), p.Height(), {}};
    out.rgb.reserve(std::size_t(p.Width()) * std::size_t(p.Height()) * 3);
    for (int y = 0; y < p.Height(); ++y) {
        const auto row = p.RowFromTop(y);
        for (int x = 0; x < p.Width(); ++x) out.rgb.insert(out.rgb.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
    }
    return out;
}

/// Reads a PNG as 8-bit RGB, dropping any alpha (never compositing it).
inline std::optional<RgbImage> ReadPngRgb(const std::filesystem::path& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return std::nullopt;
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        return std::nullopt;
    }
    RgbImage out{int(image.width), int(image.height), {}};
    out.rgb.reserve(rgba.size() / 4 * 3);
    for (std::size_t i = 0; i < rgba.size(); i += 4) out.rgb.insert(out.rgb.end(), &rgba[i], &rgba[i + 3]);
    return out;
}

/// Reads a binary PPM (P6, maxval 255).
inline std::optional<RgbImage> ReadPpm(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    RgbImage img;
    if (!(in >> magic >> img.width >> img.height >> maxval) || magic != "P6" || maxval != 255) return std::nullopt;
    in.get();
    img.rgb.resize(std::size_t(img.width) * std::size_t(img.height) * 3);
    in.read(reinterpret_cast<char*>(img.rgb.data()), std::streamsize(img.rgb.size()));
    if (!in) return std::nullopt;
    return img;
}

inline std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}
inline bool RunQuiet(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }
inline bool HaveImageMagick() { return RunQuiet("convert -version"); }
inline bool HavePillow() { return RunQuiet("/usr/bin/python3 -c 'import PIL.Image'"); }

/// ImageMagick's decode as 8-bit RGB; nullopt when it refuses the file.
inline std::optional<RgbImage> DecodeWithImageMagick(const std::filesystem::path& file,
                                                     const std::filesystem::path& work) {
    const auto out = work / "imagemagick.ppm";
    std::filesystem::remove(out);
    if (!RunQuiet("convert " + Quote(file.string()) + " -depth 8 " + Quote("ppm:" + out.string()))) return std::nullopt;
    return ReadPpm(out);
}

/// Pillow's decode as RGB; nullopt when it refuses the file.
inline std::optional<RgbImage> DecodeWithPillow(const std::filesystem::path& file, const std::filesystem::path& work) {
    const auto out = work / "pillow.ppm";
    std::filesystem::remove(out);
    const std::string script =
        "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\nim.load()\n"
        "im.convert('RGB').save(sys.argv[2], 'PPM')\n";
    if (!RunQuiet("/usr/bin/python3 -c " + Quote(script) + " " + Quote(file.string()) + " " + Quote(out.string())))
        return std::nullopt;
    return ReadPpm(out);
}

/// Empty when the images are equal within the tolerance per channel, else a
/// description of the first difference and how many pixels differ.
inline std::string CompareRgb(const RgbImage& got, const RgbImage& want, int tolerance = 0) {
    if (got.width != want.width || got.height != want.height)
        return "size " + std::to_string(got.width) + "x" + std::to_string(got.height) + ", expected " +
               std::to_string(want.width) + "x" + std::to_string(want.height);
    std::size_t bad = 0;
    std::string first;
    for (std::size_t i = 0; i < got.rgb.size(); i += 3) {
        bool differs = false;
        for (int c = 0; c < 3; ++c) differs |= std::abs(int(got.rgb[i + c]) - int(want.rgb[i + c])) > tolerance;
        if (!differs) continue;
        if (bad++ == 0) {
            const std::size_t px = i / 3;
            first = "first at (" + std::to_string(px % std::size_t(got.width)) + ", " +
                    std::to_string(px / std::size_t(got.width)) + "): got " + std::to_string(got.rgb[i]) + "," +
                    std::to_string(got.rgb[i + 1]) + "," + std::to_string(got.rgb[i + 2]) + " expected " +
                    std::to_string(want.rgb[i]) + "," + std::to_string(want.rgb[i + 1]) + "," +
                    std::to_string(want.rgb[i + 2]);
        }
    }
    return bad == 0 ? std::string() : std::to_string(bad) + " pixels differ, " + first;
}

}  // namespace lp::test::bmp
