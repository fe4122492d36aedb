#include "formats/bmp/bmp_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>
#include <vector>

#include "formats/bmp/bmp_format.h"
#include "formats/io/bounded_reader.h"
#include "base/imp_exp_exception.h"

namespace lp {

namespace {

using namespace bmp;

constexpr const char* kTitle = "Bitmap Error";
constexpr std::uint64_t kProgressBlock = 32768;

// One colour channel of a 16- or 32-bit pixel: its bits are (pixel & mask) >>
// shift, scaled from 0..max to 0..255. Masks of any shape give a defined
// result: a mask with holes just has a larger max; an empty mask reads as 0.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    static Channel FromMask(std::uint32_t mask) {
        Channel c;
        c.mask = mask;
        c.shift = mask == 0 ? 0 : std::countr_zero(mask);
        c.max = mask >> c.shift;
        return c;
    }
    std::uint8_t Scale(std::uint32_t pixel) const {
        if (max == 0) return 0;
        const std::uint64_t v = (pixel & mask) >> shift;
        return std::uint8_t((v * 255 + max / 2) / max);
    }
};

// Everything the pixel decoders need, read and checked from the headers.
struct Layout {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool topDown = false;
    int bits = 0;
    std::uint32_t compression = kBiRgb;
    std::array<std::uint32_t, 3> masks{};  // red, green, blue
    std::array<Bgr, 256> palette{};        // entries the file does not give stay black
    std::uint64_t pixelStart = 0;          // file offset of the image bits (may lie past the end)
};

bool KnownInfoHeaderSize(std::uint32_t size) {
    switch (size) {
        case 40:   // BITMAPINFOHEADER
        case 52:   // + red, green, blue masks
        case 56:   // + alpha mask
        case 64:   // OS/2 2.x (no masks)
        case 108:  // BITMAPV4HEADER
        case 124:  // BITMAPV5HEADER
            return true;
        default:
            return false;
    }
}

bool ValidDepth(int bits, std::uint32_t compression) {
    switch (compression) {
        case kBiRgb:
            return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
        case kBiRle8:
            return bits == 8;
        case kBiRle4:
            return bits == 4;
        case kBiBitfields:
        case kBiAlphaBitfields:
            return bits == 16 || bits == 32;
        default:
            return false;  // JPEG, PNG, OS/2 Huffman and RLE24, CMYK forms
    }
}

Layout ReadLayout(std::span<const std::uint8_t> file, const ImageLimits& limits) {
    if (file.size() < 2 || file[0] != 'B' || file[1] != 'M') Fail(kNotBitmap);
    // Any header or colour table cut short by the end of the file is a format error.
    BoundedReader r(file, BmpErrorText(kUnsupported));
    r.Skip(2 + 4 + 2 + 2);  // type, file size (often wrong: ignored), reserved
    const std::uint32_t bitsOffset = r.U32LE();
    const std::uint32_t headerSize = r.U32LE();

    Layout layout;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t planes = 0;
    std::uint64_t coloursUsed = 0;
    std::uint64_t entryBytes = 4;
    bool masksInHeader = false;
    if (headerSize == kCoreHeaderBytes) {
        // OS/2 1.x: unsigned 16-bit sizes, no compression, 3-byte colour entries.
        width = r.U16LE();
        height = r.U16LE();
        planes = r.U16LE();
        layout.bits = r.U16LE();
        entryBytes = 3;
    } else if (KnownInfoHeaderSize(headerSize)) {
        width = r.I32LE();
        height = r.I32LE();
        planes = r.U16LE();
        layout.bits = r.U16LE();
        layout.compression = r.U32LE();
        r.Skip(4 + 4 + 4);  // image size (the file bounds the data), resolution
        coloursUsed = r.U32LE();
        r.Skip(4);  // colours important
        if (headerSize >= 52 && headerSize != 64) {
            for (auto& m : layout.masks) m = r.U32LE();
            masksInHeader = true;
        }
    } else {
        Fail(kUnsupported);
    }
    r.Seek(kFileHeaderBytes + std::uint64_t(headerSize));

    if (planes != 1 || !ValidDepth(layout.bits, layout.compression)) Fail(kUnsupported);
    if (width <= 0 || height == 0) Fail(kUnsupported);
    if (height < 0) {
        layout.topDown = true;
        height = -height;
    }
    // Run-length data runs bottom-up by definition.
    if (layout.topDown && (layout.compression == kBiRle8 || layout.compression == kBiRle4)) Fail(kUnsupported);
    CheckImageSize(width, height, limits);
    layout.width = static_cast<std::int32_t>(width);
    layout.height = static_cast<std::int32_t>(height);

    if (layout.compression == kBiBitfields || layout.compression == kBiAlphaBitfields) {
        if (!masksInHeader) {
            for (auto& m : layout.masks) m = r.U32LE();
            if (layout.compression == kBiAlphaBitfields) r.Skip(4);
        }
    } else if (layout.bits == 16) {
        layout.masks = {0x7C00, 0x03E0, 0x001F};
    } else if (layout.bits == 32) {
        layout.masks = {0xFF0000, 0x00FF00, 0x0000FF};
    }

    const std::uint64_t tableStart = r.Position();
    const std::uint64_t declared = coloursUsed != 0 ? coloursUsed : layout.bits <= 8 ? (1u << layout.bits) : 0;
    const std::uint64_t tableBytes = declared * entryBytes;
    if (layout.bits <= 8) {
        // An explicit count the file cannot hold is corrupt. A table longer than
        // the depth can index is allowed; only the indexable entries are used.
        if (coloursUsed != 0 && tableBytes > r.Remaining()) Fail(kUnsupported);
        // Writers that store fewer entries than the depth's default count leave
        // the bits offset inside the table: the entries stop there (the rest
        // stay black).
        std::uint64_t tableLimit = tableBytes;
        if (bitsOffset > tableStart && bitsOffset < tableStart + tableBytes) tableLimit = bitsOffset - tableStart;
        if (tableLimit > r.Remaining()) Fail(kUnsupported);
        const std::uint64_t used =
            std::min<std::uint64_t>({declared, std::uint64_t(1) << layout.bits, tableLimit / entryBytes});
        for (std::uint64_t i = 0; i < used; ++i) {
            const auto e = r.Bytes(entryBytes);
            layout.palette[i] = {e[0], e[1], e[2]};
        }
    }
    layout.pixelStart = bitsOffset != 0 ? bitsOffset : tableStart + tableBytes;
    return layout;
}

// Steps the progress to 100 - remaining x 100 / total after each block of
// 32768 bytes of image bits.
class BlockProgress {
public:
    BlockProgress(const ProgressScope& scope, std::uint64_t total) : m_scope(scope), m_total(total) {}
    void Consumed(std::uint64_t bytes) {
        if (bytes < m_next || m_total == 0) return;
        const std::uint64_t done = std::min(bytes, m_total);
        m_scope.Step(long(100 - (m_total - done) * 100 / m_total));
        m_next = (bytes / kProgressBlock + 1) * kProgressBlock;
    }

private:
    const ProgressScope& m_scope;
    std::uint64_t m_total;
    std::uint64_t m_next = kProgressBlock;
};

inline void PutColour(std::uint8_t* dst, const Bgr& c) {
    dst[0] = c.blue;
    dst[1] = c.green;
    dst[2] = c.red;
}

// Turns one stored row into a 24-bit picture row.
class RowDecoder {
public:
    explicit RowDecoder(const Layout& layout) : m_layout(layout) {
        if (layout.bits == 16) {
            const auto red = Channel::FromMask(layout.masks[0]);
            const auto green = Channel::FromMask(layout.masks[1]);
            const auto blue = Channel::FromMask(layout.masks[2]);
            m_lut16.resize(65536);
            for (std::uint32_t v = 0; v < 65536; ++v) m_lut16[v] = {blue.Scale(v), green.Scale(v), red.Scale(v)};
        } else if (layout.bits == 32) {
            m_plain32 = layout.masks == std::array<std::uint32_t, 3>{0xFF0000, 0x00FF00, 0x0000FF};
            m_red = Channel::FromMask(layout.masks[0]);
            m_green = Channel::FromMask(layout.masks[1]);
            m_blue = Channel::FromMask(layout.masks[2]);
        }
    }

    void Decode(const std::uint8_t* src, std::uint8_t* dst) const {
        const int width = m_layout.width;
        const auto& pal = m_layout.palette;
        switch (m_layout.bits) {
            case 1:
                for (int x = 0; x < width; ++x) PutColour(dst + 3 * x, pal[(src[x >> 3] >> (7 - (x & 7))) & 1]);
                break;
            case 4:
                for (int x = 0; x < width; ++x)
                    PutColour(dst + 3 * x, pal[(x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4)]);
                break;
            case 8:
                for (int x = 0; x < width; ++x) PutColour(dst + 3 * x, pal[src[x]]);
                break;
            case 16:
                for (int x = 0; x < width; ++x) PutColour(dst + 3 * x, m_lut16[src[2 * x] | (src[2 * x + 1] << 8)]);
                break;
            case 24:
                std::memcpy(dst, src, std::size_t(width) * 3);
                break;
            case 32:
                if (m_plain32) {
                    for (int x = 0; x < width; ++x) {
                        dst[3 * x] = src[4 * x];
                        dst[3 * x + 1] = src[4 * x + 1];
                        dst[3 * x + 2] = src[4 * x + 2];
                    }
                } else {
                    for (int x = 0; x < width; ++x) {
                        const std::uint32_t v = std::uint32_t(src[4 * x]) | (std::uint32_t(src[4 * x + 1]) << 8) |
                                                (std::uint32_t(src[4 * x + 2]) << 16) |
                                                (std::uint32_t(src[4 * x + 3]) << 24);
                        dst[3 * x] = m_blue.Scale(v);
                        dst[3 * x + 1] = m_green.Scale(v);
                        dst[3 * x + 2] = m_red.Scale(v);
                    }
                }
                break;
        }
    }

private:
    const Layout& m_layout;
    std::vector<Bgr> m_lut16;
    bool m_plain32 = false;
    Channel m_red, m_green, m_blue;
};

// Uncompressed bits. Rows the data does not reach decode as zero bytes, as if
// the file had been read into a zero-filled buffer.
void DecodeRows(const Layout& layout, std::span<const std::uint8_t> data, Picture& picture,
                const ProgressScope& scope) {
    const RowDecoder decoder(layout);
    const std::uint64_t rowBytes = PackedRowBytes(layout.width, layout.bits);
    const std::uint64_t total = rowBytes * std::uint64_t(layout.height);
    BlockProgress progress(scope, total);
    std::vector<std::uint8_t> padded;
    const std::uint8_t* missingRow = nullptr;  // decoded form of an all-zero row, once needed
    for (std::int32_t i = 0; i < layout.height; ++i) {
        const std::int32_t y = layout.topDown ? layout.height - 1 - i : i;
        std::uint8_t* dst = picture.Row(y).data();
        const std::uint64_t offset = std::uint64_t(i) * rowBytes;
        if (offset + rowBytes <= data.size()) {
            decoder.Decode(data.data() + offset, dst);
        } else if (missingRow) {
            std::memcpy(dst, missingRow, std::size_t(layout.width) * 3);
        } else {
            padded.assign(rowBytes, 0);
            if (offset < data.size()) std::memcpy(padded.data(), data.data() + offset, data.size() - offset);
            decoder.Decode(padded.data(), dst);
            if (offset >= data.size()) missingRow = dst;
        }
        progress.Consumed(offset + rowBytes);
    }
}

// Run-length bits (always bottom-up). Runs and deltas that go past the row
// or the picture are clipped; pixels no code reaches, and everything after
// data that ends early, stay black.
void DecodeRle(const Layout& layout, std::span<const std::uint8_t> data, Picture& picture, const ProgressScope& scope) {
    const bool rle4 = layout.compression == kBiRle4;
    const std::int64_t width = layout.width;
    const std::int64_t height = layout.height;
    const auto& pal = layout.palette;
    BlockProgress progress(scope, data.size());
    const std::size_t size = data.size();
    std::size_t pos = 0;
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::uint8_t* row = picture.Row(0).data();
    auto nextRow = [&](std::int64_t rows) {
        y += rows;
        if (y < height) row = picture.Row(int(y)).data();
    };
    while (y < height && pos + 2 <= size) {
        const std::uint8_t count = data[pos];
        const std::uint8_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            const std::int64_t end = std::min<std::int64_t>(x + count, width);
            if (rle4) {
                const Bgr pair[2] = {pal[value >> 4], pal[value & 0x0F]};
                for (std::int64_t i = x; i < end; ++i) PutColour(row + 3 * i, pair[(i - x) & 1]);
            } else {
                for (std::int64_t i = x; i < end; ++i) PutColour(row + 3 * i, pal[value]);
            }
            x += count;
        } else if (value == 0) {  // end of line
            x = 0;
            nextRow(1);
        } else if (value == 1) {  // end of bitmap
            break;
        } else if (value == 2) {  // delta: right and up
            if (pos + 2 > size) break;
            x += data[pos];
            const std::uint8_t up = data[pos + 1];
            pos += 2;
            if (up > 0) nextRow(up);
        } else {  // absolute run of `value` pixels, padded to 16 bits
            const std::size_t bytes = rle4 ? (value + 1u) / 2 : value;
            const std::size_t available = std::min(bytes, size - pos);
            const std::uint8_t* src = data.data() + pos;
            const std::int64_t pixels =
                rle4 ? std::min<std::int64_t>(value, std::int64_t(available) * 2) : std::int64_t(available);
            const std::int64_t end = std::min(x + pixels, width);
            for (std::int64_t i = x; i < end; ++i) {
                const std::int64_t k = i - x;
                const std::uint8_t index = rle4 ? ((k & 1) ? src[k >> 1] & 0x0F : src[k >> 1] >> 4) : src[k];
                PutColour(row + 3 * i, pal[index]);
            }
            x += value;
            pos += std::min(bytes + (bytes & 1), size - pos);
        }
        progress.Consumed(pos);
    }
}

// Most rows the data present can reach. Run-length data is bounded generously: an end of
// line per 2 bytes, a delta of 255 rows per 4 bytes, runs of 255 pixels per 2 bytes.
std::uint64_t ReachableRows(const Layout& layout, std::uint64_t bytes) {
    if (layout.compression == kBiRle8 || layout.compression == kBiRle4)
        return bytes / 4 * 255 + bytes / 2 + bytes * 255 / (2 * std::uint64_t(layout.width)) + 1;
    const std::uint64_t rowBytes = PackedRowBytes(layout.width, layout.bits);
    return (bytes + rowBytes - 1) / rowBytes;
}

Picture DecodeChecked(std::span<const std::uint8_t> file, const ProgressScope& scope, const ImageLimits& limits) {
    const Layout layout = ReadLayout(file, limits);
    const auto data = file.subspan(std::min<std::uint64_t>(layout.pixelStart, file.size()));
    // A large picture is made only when its data reaches at least half its rows: a cut
    // file still opens with the rest zero, a header over a few bytes does not.
    if (PictureBytes24(layout.width, layout.height) > kFillCheckBytes &&
        ReachableRows(layout, data.size()) * 2 < std::uint64_t(layout.height))
        throw InnerError(kNotEnoughImageData);
    Picture picture;
    picture.Create(layout.width, layout.height);
    if (layout.compression == kBiRle8 || layout.compression == kBiRle4)
        DecodeRle(layout, data, picture, scope);
    else
        DecodeRows(layout, data, picture, scope);
    scope.Step(100);
    return picture;
}

Picture DecodeInScope(std::span<const std::uint8_t> file, const std::string& where, const ProgressScope& scope,
                      const ImageLimits& limits) {
    // Picture::Create reports with its own where and title: the file's are used.
    return WithImpExpErrors(where, kTitle, BmpErrorText(kNoMemory), InnerImpExp::Adopt,
                            [&] { return DecodeChecked(file, scope, limits); });
}

}  // namespace

Picture DecodeBmp(std::span<const std::uint8_t> file, const std::string& where, ProgressSink* progress,
                  const ImageLimits& limits) {
    const ProgressScope scope(progress, 0, 100, "Loading BMP file");
    return DecodeInScope(file, where, scope, limits);
}

Picture LoadBmp(const std::filesystem::path& path, ProgressSink* progress) {
    return LoadBmp(path, progress, ImageLimits{});
}

Picture LoadBmp(const std::filesystem::path& path, ProgressSink* progress, const ImageLimits& limits) {
    std::filesystem::path name = path;
    if (path.filename().string().find('.') == std::string::npos) name += ".bmp";
    const std::vector<std::uint8_t> file = WithImpExpErrors(
        name.string(), kTitle, BmpErrorText(kNoMemory), [&] { return ReadWholeFile(name, BmpErrorText(kOpenFailed)); });
    const ProgressScope scope(progress, 0, 100, "Loading BMP file");
    return DecodeInScope(file, name.string(), scope, limits);
}

}  // namespace lp
