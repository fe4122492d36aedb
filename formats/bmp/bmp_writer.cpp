#include "formats/bmp/bmp_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>

#include "formats/bmp/bmp_format.h"
#include "formats/bmp/bmp_reader.h"
#include "base/atomic_file.h"
#include "imaging/image_size.h"
#include "base/imp_exp_exception.h"

namespace lp {

namespace {

using namespace bmp;

constexpr const char* kTitle = "Bitmap Error";

// The (bits, compression) pairs a file may have; bits 0 lets the compression choose.
int ResolveBits(BmpCompression compression, int bitsPerPixel) {
    const bool none = compression == BmpCompression::None;
    const bool rle8 = compression == BmpCompression::Rle8;
    const bool rle4 = compression == BmpCompression::Rle4;
    switch (bitsPerPixel) {
        case 0:
            if (rle4) return 4;
            if (rle8) return 8;
            break;
        case 1:
            if (none) return 1;
            break;
        case 4:
            if (none || rle4) return 4;
            break;
        case 8:
            if (none || rle8) return 8;
            break;
        case 16:
        case 24:
            if (none) return bitsPerPixel;
            break;
        default:
            break;
    }
    Fail(kBadSaveParameters);
}

inline std::uint32_t ColourKey(const std::uint8_t* bgr) {
    return std::uint32_t(bgr[0]) | (std::uint32_t(bgr[1]) << 8) | (std::uint32_t(bgr[2]) << 16);
}

// The distinct colours of a picture, up to 256, each with its table index.
class OwnColours {
public:
    /// Index of the colour, adding it when new; -1 when it would be colour
    /// number limit + 1.
    int Insert(std::uint32_t key, int limit) {
        std::size_t slot = Slot(key);
        while (m_keys[slot] != 0) {
            if (m_keys[slot] == key + 1) return m_index[slot];
            slot = (slot + 1) & (kSlots - 1);
        }
        if (m_count >= limit) return -1;
        m_keys[slot] = key + 1;
        m_index[slot] = std::uint16_t(m_count);
        m_colours[m_count] = {std::uint8_t(key), std::uint8_t(key >> 8), std::uint8_t(key >> 16)};
        return m_count++;
    }
    int Find(std::uint32_t key) const {
        std::size_t slot = Slot(key);
        while (m_keys[slot] != key + 1) slot = (slot + 1) & (kSlots - 1);
        return m_index[slot];
    }
    int Count() const { return m_count; }
    const Bgr& Colour(int i) const { return m_colours[i]; }

private:
    static constexpr std::size_t kSlots = 1024;  // at most 256 used: short probes
    static std::size_t Slot(std::uint32_t key) { return (key * 2654435761u) >> 22; }
    std::array<std::uint32_t, kSlots> m_keys{};  // colour + 1; 0 marks a free slot
    std::array<std::uint16_t, kSlots> m_index{};
    std::array<Bgr, 256> m_colours{};
    int m_count = 0;
};

// Maps picture rows to palette indexes: onto the picture's own colours when
// they fit in the table, else onto the nearest entries of the fixed palette.
// Counting the own colours already gives every pixel its index, so those are
// kept (one byte per pixel) instead of being looked up a second time.
class IndexMapper {
public:
    IndexMapper(const Picture& picture, int bits, std::span<const ColourEntry> chosen)
        : m_bits(bits), m_width(picture.Width()), m_table(std::size_t(1) << bits), m_row(std::size_t(m_width)) {
        const int limit = 1 << bits;
        m_indexes.resize(std::size_t(m_width) * std::size_t(picture.Height()));
        // A palette a reduction chose keeps its order at the head of the table; one that
        // leaves no room for the picture's own colours is not worth the fixed palette's loss.
        bool own = chosen.size() <= std::size_t(limit) && !chosen.empty() && MapOwnColours(picture, limit, chosen);
        if (!own) {
            m_colours = OwnColours{};
            own = MapOwnColours(picture, limit, {});
        }
        if (own) {
            for (int i = 0; i < m_colours.Count(); ++i) m_table[i] = m_colours.Colour(i);
        } else {
            m_indexes = {};
            const auto fixed = FixedPalette(bits);
            std::copy(fixed.begin(), fixed.end(), m_table.begin());
            m_cache.resize(kCacheSlots);
        }
    }

    /// The colour table of the file: 2, 16 or 256 entries, unused ones black.
    const std::vector<Bgr>& Table() const { return m_table; }

    /// The indexes of picture row y (valid until the next call).
    std::span<const std::uint8_t> MapRow(const Picture& picture, int y) {
        if (!m_indexes.empty()) return {m_indexes.data() + std::size_t(y) * std::size_t(m_width), std::size_t(m_width)};
        const std::uint8_t* row = picture.Row(y).data();
        std::uint32_t lastKey = std::numeric_limits<std::uint32_t>::max();
        std::uint8_t lastIndex = 0;
        for (int x = 0; x < m_width; ++x) {
            const std::uint32_t key = ColourKey(row + 3 * x);
            if (key != lastKey) {
                lastKey = key;
                lastIndex = std::uint8_t(Nearest(key));
            }
            m_row[x] = lastIndex;
        }
        return m_row;
    }

private:
    /// Gives every pixel its index among the chosen and then the picture's own colours;
    /// false when they do not fit in the table.
    bool MapOwnColours(const Picture& picture, int limit, std::span<const ColourEntry> chosen) {
        for (const ColourEntry& e : chosen)
            m_colours.Insert(std::uint32_t(e.blue) | std::uint32_t(e.green) << 8 | std::uint32_t(e.red) << 16, limit);
        for (int y = 0; y < picture.Height(); ++y) {
            const std::uint8_t* row = picture.Row(y).data();
            std::uint8_t* out = m_indexes.data() + std::size_t(y) * std::size_t(m_width);
            std::uint32_t lastKey = std::numeric_limits<std::uint32_t>::max();
            int lastIndex = 0;
            for (int x = 0; x < m_width; ++x) {
                const std::uint32_t key = ColourKey(row + 3 * x);
                if (key != lastKey) {
                    lastKey = key;
                    lastIndex = m_colours.Insert(key, limit);
                    if (lastIndex < 0) return false;
                }
                out[x] = std::uint8_t(lastIndex);
            }
        }
        return true;
    }

    static constexpr std::size_t kCacheSlots = 4096;
    struct CacheEntry {
        std::uint32_t keyPlusOne = 0;
        int index = 0;
    };

    int Nearest(std::uint32_t key) {
        CacheEntry& e = m_cache[(key * 2654435761u) >> 20];
        if (e.keyPlusOne != key + 1) {
            e.keyPlusOne = key + 1;
            e.index = NearestFixedIndex(m_bits, std::uint8_t(key >> 16), std::uint8_t(key >> 8), std::uint8_t(key));
        }
        return e.index;
    }

    int m_bits;
    int m_width;
    OwnColours m_colours;
    std::vector<Bgr> m_table;
    std::vector<std::uint8_t> m_indexes;  // every pixel's index when the own colours fit, else empty
    std::vector<std::uint8_t> m_row;
    std::vector<CacheEntry> m_cache;
};

void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

void PackIndexes(const std::uint8_t* indexes, int width, int bits, std::uint8_t* dst) {
    switch (bits) {
        case 1:
            for (int x = 0; x < width; ++x) dst[x >> 3] |= std::uint8_t(indexes[x] << (7 - (x & 7)));
            break;
        case 4:
            for (int x = 0; x < width; ++x) dst[x >> 1] |= std::uint8_t(indexes[x] << ((x & 1) ? 0 : 4));
            break;
        default:
            std::memcpy(dst, indexes, std::size_t(width));
            break;
    }
}

void Pack555(const std::uint8_t* row, int width, std::uint8_t* dst) {
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* p = row + 3 * x;
        Put16(dst + 2 * x, std::uint32_t(p[2] >> 3) << 10 | std::uint32_t(p[1] >> 3) << 5 | std::uint32_t(p[0] >> 3));
    }
}

// The two headers; the size fields are 32-bit.
void PutHeaders(std::uint8_t* h, std::uint64_t fileBytes, std::uint64_t offBits, int width, int height, int bits,
                std::uint32_t compressionField) {
    if (fileBytes > std::numeric_limits<std::uint32_t>::max()) Fail(kInsufficientInfo);
    h[0] = 'B';
    h[1] = 'M';
    Put32(h + 2, std::uint32_t(fileBytes));
    Put32(h + 6, 0);  // reserved
    Put32(h + 10, std::uint32_t(offBits));
    std::uint8_t* info = h + kFileHeaderBytes;
    std::memset(info, 0, kInfoHeaderBytes);
    Put32(info, kInfoHeaderBytes);
    Put32(info + 4, std::uint32_t(width));
    Put32(info + 8, std::uint32_t(height));
    Put16(info + 12, 1);
    Put16(info + 14, std::uint32_t(bits));
    Put32(info + 16, compressionField);
    // Readers need the image size for run-length data; it is exact for the others too.
    Put32(info + 20, std::uint32_t(fileBytes - offBits));
}

// Uncompressed files know their size up front and go out a row at a time;
// run-length files are gathered first, since the header holds their length.
void EncodeChecked(const Picture& picture, BmpCompression compression, int bitsPerPixel,
                   std::span<const ColourEntry> palette, ByteSink& sink) {
    const int bits = ResolveBits(compression, bitsPerPixel);
    if (picture.IsEmpty() || picture.Width() <= 0 || picture.Height() <= 0) Fail(kInsufficientInfo);
    const int width = picture.Width();
    const int height = picture.Height();
    const bool rle = compression != BmpCompression::None;
    const std::uint32_t compressionField = compression == BmpCompression::Rle8   ? kBiRle8
                                           : compression == BmpCompression::Rle4 ? kBiRle4
                                                                                 : kBiRgb;
    const std::uint64_t colours = bits <= 8 ? (std::uint64_t(1) << bits) : 0;
    const std::uint64_t offBits = kFileHeaderBytes + kInfoHeaderBytes + 4 * colours;
    const std::uint64_t rowBytes = PackedRowBytes(width, bits);

    std::vector<std::uint8_t> out(offBits);  // headers and table; a run-length file's rows follow
    if (rle)
        out.reserve(offBits + (2 * std::uint64_t(width) + 6) * std::uint64_t(height) + 2);
    else
        PutHeaders(out.data(), offBits + rowBytes * std::uint64_t(height), offBits, width, height, bits,
                   compressionField);
    std::vector<std::uint8_t> row(rle ? 0 : rowBytes);  // zero-filled: row padding stays 0

    if (bits <= 8) {
        IndexMapper mapper(picture, bits, palette);
        const auto& table = mapper.Table();
        for (std::size_t i = 0; i < table.size(); ++i) {
            std::uint8_t* e = out.data() + kFileHeaderBytes + kInfoHeaderBytes + 4 * i;
            e[0] = table[i].blue;
            e[1] = table[i].green;
            e[2] = table[i].red;
            e[3] = 0;
        }
        if (!rle) sink.Write(out);
        for (int y = 0; y < height; ++y) {
            const auto indexes = mapper.MapRow(picture, y);
            if (!rle) {
                std::fill(row.begin(), row.end(), std::uint8_t(0));
                PackIndexes(indexes.data(), width, bits, row.data());
                sink.Write(row);
                continue;
            }
            if (bits == 8)
                EncodeRle8Row(indexes, out);
            else
                EncodeRle4Row(indexes, out);
            out.push_back(0);  // end of line
            out.push_back(0);
        }
        if (rle) {
            out.push_back(0);  // end of bitmap
            out.push_back(1);
            PutHeaders(out.data(), out.size(), offBits, width, height, bits, compressionField);
            sink.Write(out);
        }
    } else {
        sink.Write(out);
        for (int y = 0; y < height; ++y) {
            if (bits == 24)
                std::memcpy(row.data(), picture.Row(y).data(), std::size_t(width) * 3);
            else
                Pack555(picture.Row(y).data(), width, row.data());
            sink.Write(row);
        }
    }
}

template <typename Fn>
auto WithBmpErrors(const std::string& where, Fn&& fn) {
    return WithImpExpErrors(where, kTitle, BmpErrorText(kNoMemory), std::forward<Fn>(fn));
}

}  // namespace

namespace bmp {

// Both encoders write at most two bytes per pixel: a run of three or more
// pixels takes two bytes, an absolute run of n >= 3 pixels at most n + 3, and
// the pieces too short for either take two bytes per one or two pixels.

void EncodeRle8Row(std::span<const std::uint8_t> px, std::vector<std::uint8_t>& out) {
    const std::size_t n = px.size();
    const std::size_t start = out.size();
    out.resize(start + 2 * n + 4);
    const std::uint8_t* p = px.data();
    std::uint8_t* o = out.data() + start;
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t v = p[i];
        const std::size_t maxRun = std::min<std::size_t>(n - i, 255);
        std::size_t run = 1;
        while (run < maxRun && p[i + run] == v) ++run;
        if (run >= 3) {
            *o++ = std::uint8_t(run);
            *o++ = v;
            i += run;
            continue;
        }
        // Gather pixels for an absolute run until three equal pixels start a better run.
        const std::size_t limit = std::min<std::size_t>(n, i + 255);
        std::size_t j = i;
        while (j < limit && !(j + 2 < n && p[j] == p[j + 1] && p[j] == p[j + 2])) ++j;
        const std::size_t length = j - i;
        if (length < 3) {  // an absolute run needs at least 3 pixels
            for (std::size_t k = i; k < j;) {
                const std::size_t r = (k + 1 < j && p[k + 1] == p[k]) ? 2 : 1;
                *o++ = std::uint8_t(r);
                *o++ = p[k];
                k += r;
            }
        } else {
            *o++ = 0;
            *o++ = std::uint8_t(length);
            std::memcpy(o, p + i, length);
            o += length;
            if (length & 1) *o++ = 0;
        }
        i = j;
    }
    out.resize(std::size_t(o - out.data()));
}

void EncodeRle4Row(std::span<const std::uint8_t> px, std::vector<std::uint8_t>& out) {
    const std::size_t n = px.size();
    const std::size_t start = out.size();
    out.resize(start + 2 * n + 4);
    const std::uint8_t* p = px.data();
    std::uint8_t* o = out.data() + start;
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t v = p[i];
        const std::size_t maxRun = std::min<std::size_t>(n - i, 255);
        std::size_t run = 1;
        while (run < maxRun && p[i + run] == v) ++run;
        if (run >= 3) {
            *o++ = std::uint8_t(run);
            *o++ = std::uint8_t(v << 4 | v);
            i += run;
            continue;
        }
        const std::size_t limit = std::min<std::size_t>(n, i + 255);
        std::size_t j = i;
        while (j < limit && !(j + 2 < n && p[j] == p[j + 1] && p[j] == p[j + 2])) ++j;
        const std::size_t length = j - i;
        if (length < 3) {
            // An encoded run alternates its two nibbles: one code holds both pixels.
            *o++ = std::uint8_t(length);
            *o++ = std::uint8_t(p[i] << 4 | (length == 2 ? p[i + 1] : 0));
        } else {
            *o++ = 0;
            *o++ = std::uint8_t(length);
            const std::size_t bytes = (length + 1) / 2;
            for (std::size_t k = 0; k < bytes; ++k) {
                const std::uint8_t lo = 2 * k + 1 < length ? p[i + 2 * k + 1] : 0;
                *o++ = std::uint8_t(p[i + 2 * k] << 4 | lo);
            }
            if (bytes & 1) *o++ = 0;
        }
        i = j;
    }
    out.resize(std::size_t(o - out.data()));
}

}  // namespace bmp

void EncodeBmp(const Picture& picture, BmpCompression compression, int bitsPerPixel, ByteSink& out,
               ProgressSink* progress, std::span<const ColourEntry> palette) {
    const ProgressScope scope(progress, 0, 100, "Saving BMP file");
    WithBmpErrors("", [&] { EncodeChecked(picture, compression, bitsPerPixel, palette, out); });
}

std::vector<std::uint8_t> EncodeBmp(const Picture& picture, BmpCompression compression, int bitsPerPixel,
                                    ProgressSink* progress, std::span<const ColourEntry> palette) {
    std::vector<std::uint8_t> bytes;
    VectorSink sink(bytes);
    EncodeBmp(picture, compression, bitsPerPixel, sink, progress, palette);
    return bytes;
}

void SaveBmp(const Picture& picture, const std::filesystem::path& path, BmpCompression compression, int bitsPerPixel,
             ProgressSink* progress) {
    const ProgressScope scope(progress, 0, 100, "Saving BMP file");
    WithBmpErrors(path.string(), [&] {
        AtomicFileWriter file(path, BmpErrorText(kOpenFailed), BmpErrorText(kWriteFailed));
        EncodeChecked(picture, compression, bitsPerPixel, {}, file);
        scope.Step(10);
        file.Commit();
        scope.Step(100);
    });
}

}  // namespace lp
