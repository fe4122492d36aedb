#include "formats/picture_header.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <vector>

#include "formats/gif/gif_lzw.h"
#include "formats/io/bounded_reader.h"

namespace lp {

namespace {

std::optional<PictureHeader> Positive(std::int64_t width, std::int64_t height, std::int64_t frames = 1) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    if (width <= 0 || height <= 0 || width > kMax || height > kMax || frames <= 0) return std::nullopt;
    return PictureHeader{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                         static_cast<std::int32_t>(std::min(frames, kMax))};
}

bool IsJpegFrameMarker(std::uint8_t m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

void SkipGifSubBlocks(BoundedReader& in) {
    for (std::uint8_t n = in.U8(); n != 0; n = in.U8()) in.Skip(n);
}

// Whether the sub-blocks of a cut image (from its first length byte to the end of the
// file) decode to at least one pixel, as the reader needs to keep the frame.
bool CutGifDataYieldsAPixel(std::span<const std::uint8_t> rest, int codeSize) {
    std::vector<std::uint8_t> data;
    std::size_t pos = 0;
    while (pos < rest.size()) {
        const std::size_t n = rest[pos++];
        if (n == 0) break;
        const std::size_t take = std::min(n, rest.size() - pos);
        data.insert(data.end(), rest.begin() + std::ptrdiff_t(pos), rest.begin() + std::ptrdiff_t(pos + take));
        pos += take;
    }
    GifLzwDecoder lzw(codeSize, data);
    std::uint16_t pixel = 0;
    return lzw.Read(std::span<std::uint16_t>(&pixel, 1)) > 0;
}

}  // namespace

std::optional<PictureHeader> ReadJpegHeader(std::span<const std::uint8_t> file) {
    try {
        BoundedReader in(file);
        if (in.U8() != 0xFF || in.U8() != 0xD8) return std::nullopt;
        for (;;) {
            if (in.U8() != 0xFF) return std::nullopt;
            std::uint8_t marker = in.U8();
            while (marker == 0xFF) marker = in.U8();  // fill bytes
            if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length
            if (marker == 0xD9) return std::nullopt;
            const std::uint16_t length = in.U16BE();
            if (length < 2) return std::nullopt;
            if (IsJpegFrameMarker(marker)) {
                in.U8();  // precision
                const std::uint16_t height = in.U16BE();
                const std::uint16_t width = in.U16BE();
                return Positive(width, height);
            }
            in.Skip(length - 2u);
        }
    } catch (const TruncatedInput&) {
        return std::nullopt;
    }
}

std::optional<PictureHeader> ReadGifHeader(std::span<const std::uint8_t> file) {
    // Frames are counted as the reader keeps them: stray bytes between blocks are skipped,
    // and a frame cut inside its data counts only when that data yields a pixel.
    std::int64_t screenWidth = 0, screenHeight = 0, right = 0, bottom = 0, frames = 0;
    try {
        BoundedReader in(file);
        const auto magic = in.Bytes(6);
        if (magic[0] != 'G' || magic[1] != 'I' || magic[2] != 'F') return std::nullopt;
        screenWidth = in.U16LE();
        screenHeight = in.U16LE();
        const std::uint8_t flags = in.U8();
        in.Skip(2);
        if (flags & 0x80) in.Skip(3ull << ((flags & 7) + 1));
        while (!in.AtEnd()) {
            const std::uint8_t block = in.U8();
            if (block == 0x3B) break;
            if (block == 0x21) {
                in.U8();
                SkipGifSubBlocks(in);
            } else if (block == 0x2C) {
                const std::int64_t left = in.U16LE(), top = in.U16LE();
                const std::int64_t width = in.U16LE(), height = in.U16LE();
                const std::uint8_t imageFlags = in.U8();
                if (imageFlags & 0x80) in.Skip(3ull << ((imageFlags & 7) + 1));
                const int codeSize = in.U8();
                const std::uint64_t dataStart = in.Position();
                try {
                    SkipGifSubBlocks(in);
                } catch (const TruncatedInput&) {
                    if (codeSize >= 1 && codeSize <= 11 && CutGifDataYieldsAPixel(file.subspan(dataStart), codeSize))
                        ++frames;
                    throw;
                }
                ++frames;
                right = std::max(right, left + width);
                bottom = std::max(bottom, top + height);
            }
        }
    } catch (const TruncatedInput&) {
        if (frames == 0) return std::nullopt;
    }
    if (screenWidth == 0 || screenHeight == 0) {
        screenWidth = right;
        screenHeight = bottom;
    }
    return Positive(screenWidth, screenHeight, frames);
}

std::optional<PictureHeader> ReadPngHeader(std::span<const std::uint8_t> file) {
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    try {
        BoundedReader in(file);
        const auto signature = in.Bytes(8);
        if (!std::equal(signature.begin(), signature.end(), kSignature)) return std::nullopt;
        in.U32BE();
        const auto type = in.Bytes(4);
        if (type[0] != 'I' || type[1] != 'H' || type[2] != 'D' || type[3] != 'R') return std::nullopt;
        const std::uint32_t width = in.U32BE();
        const std::uint32_t height = in.U32BE();
        return Positive(width, height);
    } catch (const TruncatedInput&) {
        return std::nullopt;
    }
}

std::optional<PictureHeader> ReadBmpHeader(std::span<const std::uint8_t> file) {
    try {
        BoundedReader in(file);
        if (in.U16LE() != 0x4D42) return std::nullopt;
        in.Skip(12);
        const std::uint32_t headerSize = in.U32LE();
        if (headerSize == 12) {
            const std::int64_t width = in.U16LE();
            const std::int64_t height = in.U16LE();
            return Positive(width, height);
        }
        const std::int64_t width = in.I32LE();
        const std::int64_t height = in.I32LE();
        return Positive(width, std::llabs(height));
    } catch (const TruncatedInput&) {
        return std::nullopt;
    }
}

std::optional<PictureHeader> ReadPcxHeader(std::span<const std::uint8_t> file) {
    try {
        BoundedReader in(file);
        if (in.U8() != 0x0A) return std::nullopt;
        in.Skip(3);
        const std::int64_t xmin = in.U16LE(), ymin = in.U16LE();
        const std::int64_t xmax = in.U16LE(), ymax = in.U16LE();
        return Positive(xmax - xmin + 1, ymax - ymin + 1);
    } catch (const TruncatedInput&) {
        return std::nullopt;
    }
}

std::optional<PictureHeader> ReadTargaHeader(std::span<const std::uint8_t> file) {
    try {
        BoundedReader in(file);
        in.Skip(12);
        const std::int64_t width = in.U16LE();
        const std::int64_t height = in.U16LE();
        return Positive(width, height);
    } catch (const TruncatedInput&) {
        return std::nullopt;
    }
}

std::optional<PictureHeader> ReadTiffHeader(std::span<const std::uint8_t> file) {
    try {
        BoundedReader in(file);
        const std::uint8_t a = in.U8(), b = in.U8();
        const bool little = a == 'I' && b == 'I';
        if (!little && !(a == 'M' && b == 'M')) return std::nullopt;
        auto u16 = [&] { return little ? in.U16LE() : in.U16BE(); };
        auto u32 = [&] { return little ? in.U32LE() : in.U32BE(); };
        if (u16() != 42) return std::nullopt;
        in.Seek(u32());
        const std::uint16_t entries = u16();
        std::int64_t width = 0, height = 0;
        for (std::uint16_t i = 0; i < entries; ++i) {
            const std::uint16_t tag = u16();
            const std::uint16_t type = u16();
            u32();  // count
            std::int64_t value = 0;
            if (type == 3) {
                value = u16();
                u16();
            } else if (type == 4) {
                value = u32();
            } else {
                u32();
            }
            if (tag == 256) width = value;
            if (tag == 257) height = value;
        }
        return Positive(width, height);
    } catch (const TruncatedInput&) {
        return std::nullopt;
    }
}

}  // namespace lp
