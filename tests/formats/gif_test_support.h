#pragma once
// Helpers shared by the GIF tests: a byte builder for hand-made files, an LZW
// stream packer that does not use the codec under test, an RGBA compositor
// that applies the disposal methods, and a PNG loader for expected frames.
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "formats/gif/gif_records.h"
#include "base/colour.h"
#include "imaging/picture.h"

namespace lp::test::gif {

using Bytes = std::vector<std::uint8_t>;

/// Packs codes LSB first, each with the width a GIF decoder reads it at, and
/// splits the result into sub-blocks (with the terminator). Widths follow the
/// decoder's rule: after each code but the first one past a clear, the table
/// gains an entry; once the next free entry reaches 1 << width the width grows.
class CodePacker {
public:
    explicit CodePacker(int minCodeSize) : m_min(minCodeSize) { Reset(); }

    int Clear() const { return 1 << m_min; }
    int End() const { return (1 << m_min) + 1; }
    int Width() const { return m_width; }

    CodePacker& Code(int code) {
        Put(code, m_width);
        if (code == Clear()) {
            Reset();
        } else if (code != End()) {
            if (m_havePrevious && m_nextFree < 4096) {
                ++m_nextFree;
                if (m_nextFree >= (1 << m_width) && m_width < 12) ++m_width;
            }
            m_havePrevious = true;
        }
        return *this;
    }
    /// Raw bits, for streams that break the rules on purpose.
    CodePacker& Bits(int value, int width) {
        Put(value, width);
        return *this;
    }
    /// The packed bytes, without sub-block framing.
    Bytes Raw() const {
        Bytes out = m_bytes;
        if (m_bitCount > 0) out.push_back(static_cast<std::uint8_t>(m_bitBuffer));
        return out;
    }
    /// Sub-blocks of at most blockSize bytes plus the 0 terminator.
    Bytes Blocks(std::size_t blockSize = 255) const { return SubBlocks(Raw(), blockSize); }

    static Bytes SubBlocks(const Bytes& raw, std::size_t blockSize = 255, bool terminate = true) {
        Bytes out;
        for (std::size_t i = 0; i < raw.size(); i += blockSize) {
            const std::size_t n = std::min(blockSize, raw.size() - i);
            out.push_back(static_cast<std::uint8_t>(n));
            out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(i),
                       raw.begin() + static_cast<std::ptrdiff_t>(i + n));
        }
        if (terminate) out.push_back(0);
        return out;
    }

private:
    void Reset() {
        m_width = m_min + 1;
        m_nextFree = Clear() + 2;
        m_havePrevious = false;
    }
    void Put(int value, int width) {
        m_bitBuffer |= std::uint64_t(value) << m_bitCount;
        m_bitCount += width;
        while (m_bitCount >= 8) {
            m_bytes.push_back(static_cast<std::uint8_t>(m_bitBuffer));
            m_bitBuffer >>= 8;
            m_bitCount -= 8;
        }
    }
    int m_min;
    int m_width = 0;
    int m_nextFree = 0;
    bool m_havePrevious = false;
    std::uint64_t m_bitBuffer = 0;
    int m_bitCount = 0;
    Bytes m_bytes;
};

/// An LZW stream that sends every pixel as a root code (clear first, end last):
/// valid for any decoder, independent of the encoder under test.
inline Bytes RootsOnly(const std::vector<int>& pixels, int minCodeSize, bool endCode = true) {
    CodePacker p(minCodeSize);
    p.Code(p.Clear());
    for (int v : pixels) {
        // Restart before the table fills so that codes stay short and roots stay roots.
        if (p.Width() == 12) p.Code(p.Clear());
        p.Code(v);
    }
    if (endCode) p.Code(p.End());
    return p.Blocks();
}

/// Builds GIF files byte by byte.
class GifBuilder {
public:
    explicit GifBuilder(std::string_view version = "89a") {
        Raw("GIF");
        Raw(version);
    }
    GifBuilder& Raw(std::string_view s) {
        m_bytes.insert(m_bytes.end(), s.begin(), s.end());
        return *this;
    }
    GifBuilder& Raw(const Bytes& b) {
        m_bytes.insert(m_bytes.end(), b.begin(), b.end());
        return *this;
    }
    GifBuilder& Byte(int v) {
        m_bytes.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    GifBuilder& U16(int v) { return Byte(v & 0xFF).Byte((v >> 8) & 0xFF); }
    /// Logical screen; with a global table when colours is not empty (padded to 2 << bits entries).
    GifBuilder& Screen(int w, int h, const std::vector<ColourRef>& colours = {}, int background = 0) {
        U16(w).U16(h);
        const int bits = TableBits(colours.size());
        Byte(colours.empty() ? 0 : 0x80 | (bits << 4) | bits).Byte(background).Byte(0);
        if (!colours.empty()) Table(colours, bits);
        return *this;
    }
    GifBuilder& Control(int delay, int disposal, int transparent = -1, bool userInput = false) {
        Byte(0x21).Byte(0xF9).Byte(4);
        Byte((transparent >= 0 ? 1 : 0) | (userInput ? 2 : 0) | (disposal << 2));
        U16(delay).Byte(transparent >= 0 ? transparent : 0).Byte(0);
        return *this;
    }
    GifBuilder& Loop(int count, std::string_view name = "NETSCAPE2.0") {
        Byte(0x21).Byte(0xFF).Byte(int(name.size())).Raw(name);
        return Byte(3).Byte(1).U16(count).Byte(0);
    }
    GifBuilder& Comment(std::string_view text) {
        Byte(0x21).Byte(0xFE);
        for (std::size_t i = 0; i < text.size(); i += 255) {
            const std::size_t n = std::min<std::size_t>(255, text.size() - i);
            Byte(int(n)).Raw(text.substr(i, n));
        }
        return Byte(0);
    }
    /// Image descriptor (+ local table when colours is not empty) and the code size byte.
    GifBuilder& Image(int left, int top, int w, int h, int codeSize, const std::vector<ColourRef>& local = {},
                      bool interlaced = false) {
        Byte(0x2C).U16(left).U16(top).U16(w).U16(h);
        const int bits = TableBits(local.size());
        Byte((local.empty() ? 0 : 0x80 | bits) | (interlaced ? 0x40 : 0));
        if (!local.empty()) Table(local, bits);
        return Byte(codeSize);
    }
    GifBuilder& Trailer() { return Byte(0x3B); }
    const Bytes& Get() const { return m_bytes; }
    std::size_t Size() const { return m_bytes.size(); }

private:
    static int TableBits(std::size_t n) {
        int bits = 0;
        while ((std::size_t(2) << bits) < n) ++bits;
        return bits;
    }
    void Table(const std::vector<ColourRef>& colours, int bits) {
        for (int i = 0; i < (2 << bits); ++i) {
            const ColourRef c = i < int(colours.size()) ? colours[std::size_t(i)] : 0;
            Byte(RedOf(c)).Byte(GreenOf(c)).Byte(BlueOf(c));
        }
    }
    Bytes m_bytes;
};

/// An RGBA raster, top row first.
struct Rgba {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> px;  // r, g, b, a
    std::uint8_t* At(int x, int y) { return px.data() + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4; }
    const std::uint8_t* At(int x, int y) const {
        return px.data() + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4;
    }
};

inline bool LoadPngRgba(const std::filesystem::path& path, Rgba& out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGBA;
    out.width = int(image.width);
    out.height = int(image.height);
    out.px.assign(PNG_IMAGE_SIZE(image), 0);
    const bool ok = png_image_finish_read(&image, nullptr, out.px.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

/// Shows frames on a screen the way players do: transparent pixels leave the
/// screen as it was, parts off the screen are clipped, disposal 2 clears the
/// frame's area to transparent, 3 restores what was there before the frame.
class Compositor {
public:
    Compositor(int width, int height) {
        m_canvas.width = width;
        m_canvas.height = height;
        m_canvas.px.assign(std::size_t(width) * std::size_t(height) * 4, 0);
    }
    /// Draws the frame; returns the screen as shown with it. Disposal applies before the next Draw.
    const Rgba& Draw(const GifFrame& f) {
        ApplyPendingDisposal();
        m_before = m_canvas;
        const Picture& p = f.picture;
        for (int y = 0; y < p.Height(); ++y) {
            const int sy = f.top + y;
            if (sy < 0 || sy >= m_canvas.height) continue;
            const std::uint8_t* row = p.RowFromTop(y).data();
            for (int x = 0; x < p.Width(); ++x) {
                const int sx = f.left + x;
                if (sx < 0 || sx >= m_canvas.width) continue;
                const std::uint8_t* s = row + std::size_t(x) * 3;
                if (MakeColour(s[2], s[1], s[0]) == f.transparentColour) continue;
                std::uint8_t* d = m_canvas.At(sx, sy);
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
                d[3] = 255;
            }
        }
        m_pending = &f;
        return m_canvas;
    }

private:
    void ApplyPendingDisposal() {
        if (!m_pending) return;
        const GifFrame& f = *m_pending;
        if (f.disposal == 2) {
            for (int y = std::max(0, f.top); y < std::min(m_canvas.height, f.top + f.picture.Height()); ++y)
                for (int x = std::max(0, f.left); x < std::min(m_canvas.width, f.left + f.picture.Width()); ++x)
                    std::fill_n(m_canvas.At(x, y), 4, std::uint8_t(0));
        } else if (f.disposal == 3) {
            m_canvas = m_before;
        }
        m_pending = nullptr;
    }
    Rgba m_canvas;
    Rgba m_before;
    const GifFrame* m_pending = nullptr;
};

/// Number of pixels that differ (transparent pixels compare by alpha only).
inline int CountDifferences(const Rgba& a, const Rgba& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    int diff = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const std::uint8_t* p = a.At(x, y);
            const std::uint8_t* q = b.At(x, y);
            const bool pOpaque = p[3] != 0, qOpaque = q[3] != 0;
            if (pOpaque != qOpaque || (pOpaque && !std::equal(p, p + 3, q))) ++diff;
        }
    return diff;
}

/// The picture's colours, top row first, as 0x00BBGGRR.
inline std::vector<ColourRef> Pixels(const Picture& p) {
    std::vector<ColourRef> out;
    for (int y = 0; y < p.Height(); ++y) {
        const std::uint8_t* row = p.RowFromTop(y).data();
        for (int x = 0; x < p.Width(); ++x) out.push_back(MakeColour(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]));
    }
    return out;
}

/// The block structure of a GIF file, for checking what a writer produced.
struct GifItem {
    char kind = 0;              // 'E' extension, 'I' image
    int label = 0;              // extension label
    std::vector<Bytes> blocks;  // extension or image data sub-blocks
    int left = 0, top = 0, width = 0, height = 0, flags = 0, codeSize = 0;
    std::vector<ColourRef> table;  // local colour table
};
struct GifStructure {
    std::string signature;
    int width = 0, height = 0, flags = 0, background = 0, aspect = 0;
    std::vector<ColourRef> table;  // global colour table
    std::vector<GifItem> items;
    bool trailer = false;
    std::size_t trailerAt = 0;
    std::vector<const GifItem*> Images() const {
        std::vector<const GifItem*> out;
        for (const auto& i : items)
            if (i.kind == 'I') out.push_back(&i);
        return out;
    }
};

/// Walks the blocks; stops at the trailer or at anything unexpected (ok false).
inline GifStructure ParseGif(const Bytes& f, bool* ok = nullptr) {
    GifStructure g;
    std::size_t i = 0;
    bool good = false;
    const auto need = [&](std::size_t n) { return i + n <= f.size(); };
    const auto u16 = [&](std::size_t at) { return f[at] | (f[at + 1] << 8); };
    const auto table = [&](int bits, std::vector<ColourRef>& out) {
        const std::size_t n = std::size_t(2) << bits;
        if (!need(n * 3)) return false;
        for (std::size_t k = 0; k < n; ++k) out.push_back(MakeColour(f[i + k * 3], f[i + k * 3 + 1], f[i + k * 3 + 2]));
        i += n * 3;
        return true;
    };
    const auto blocks = [&](std::vector<Bytes>& out) {
        for (;;) {
            if (!need(1)) return false;
            const std::size_t n = f[i++];
            if (n == 0) return true;
            if (!need(n)) return false;
            out.emplace_back(f.begin() + std::ptrdiff_t(i), f.begin() + std::ptrdiff_t(i + n));
            i += n;
        }
    };
    do {
        if (!need(13)) break;
        g.signature.assign(f.begin(), f.begin() + 6);
        g.width = u16(6);
        g.height = u16(8);
        g.flags = f[10];
        g.background = f[11];
        g.aspect = f[12];
        i = 13;
        if ((g.flags & 0x80) && !table(g.flags & 7, g.table)) break;
        for (;;) {
            if (!need(1)) break;
            const int b = f[i++];
            if (b == 0x3B) {
                g.trailer = true;
                g.trailerAt = i - 1;
                good = true;
                break;
            }
            GifItem item;
            if (b == 0x21) {
                if (!need(1)) break;
                item.kind = 'E';
                item.label = f[i++];
                if (!blocks(item.blocks)) break;
            } else if (b == 0x2C) {
                if (!need(10)) break;
                item.kind = 'I';
                item.left = u16(i);
                item.top = u16(i + 2);
                item.width = u16(i + 4);
                item.height = u16(i + 6);
                item.flags = f[i + 8];
                i += 9;
                if ((item.flags & 0x80) && !table(item.flags & 7, item.table)) break;
                if (!need(1)) break;
                item.codeSize = f[i++];
                if (!blocks(item.blocks)) break;
            } else {
                break;
            }
            g.items.push_back(std::move(item));
        }
    } while (false);
    if (ok) *ok = good;
    return g;
}

}  // namespace lp::test::gif
