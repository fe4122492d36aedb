#include "formats/png/png_writer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <vector>

#include "base/atomic_file.h"
#include "formats/png/png_glue.h"
#include "imaging/colour_count.h"
#include "base/imp_exp_exception.h"

namespace lp {

namespace {

using png_detail::ErrorContext;
using png_detail::Guarded;

constexpr const char* kTitle = "Png Error";

void WriteFn(png_structp png, png_bytep data, png_size_t length) {
    auto* sink = static_cast<ByteSink*>(png_get_io_ptr(png));
    bool written = true;
    try {  // nothing may throw through libpng's C frames
        sink->Write({data, length});
    } catch (...) {
        written = false;
    }
    // The text libpng's own stdio writer gives when a write fails.
    if (!written) png_error(png, "Write Error");
}

void FlushFn(png_structp) {}

class PngWriteHandle {
public:
    explicit PngWriteHandle(ErrorContext& ctx) : m_ctx(ctx) {
        Guarded(ctx, [this] {
            m_png =
                png_create_write_struct(PNG_LIBPNG_VER_STRING, &m_ctx, &png_detail::ErrorFn, &png_detail::WarningFn);
            if (m_png) m_info = png_create_info_struct(m_png);
        });
        if (!m_png || !m_info) {
            Destroy();
            throw InnerError("Not Enough Memory to Complete Operation");
        }
    }
    ~PngWriteHandle() { Destroy(); }
    PngWriteHandle(const PngWriteHandle&) = delete;
    PngWriteHandle& operator=(const PngWriteHandle&) = delete;

    png_structp png() const { return m_png; }
    png_infop info() const { return m_info; }

private:
    void Destroy() {
        if (m_png) png_destroy_write_struct(&m_png, m_info ? &m_info : nullptr);
        m_png = nullptr;
        m_info = nullptr;
    }
    ErrorContext& m_ctx;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

// Colour to palette index. Palette colours are found exactly through a small
// open-addressing table; a colour outside the palette (possible only when the
// picture has more than 256 colours) takes the first nearest entry, remembered
// in a direct-mapped cache so that such pictures stay fast.
class PaletteIndex {
public:
    explicit PaletteIndex(std::span<const ColourEntry> palette) : m_palette(palette) {
        m_keys.fill(kEmpty);
        for (std::size_t i = 0; i < palette.size(); ++i) {
            const std::uint32_t key = Key(palette[i].red, palette[i].green, palette[i].blue);
            std::size_t s = Hash(key) & (kSlots - 1);
            while (m_keys[s] != kEmpty && m_keys[s] != key) s = (s + 1) & (kSlots - 1);
            if (m_keys[s] == kEmpty) m_keys[s] = key, m_index[s] = std::uint8_t(i);
        }
        m_missKeys.fill(kEmpty);
    }

    bool Holds(std::uint8_t r, std::uint8_t g, std::uint8_t b) const {
        const std::uint32_t key = Key(r, g, b);
        for (std::size_t s = Hash(key) & (kSlots - 1); m_keys[s] != kEmpty; s = (s + 1) & (kSlots - 1))
            if (m_keys[s] == key) return true;
        return false;
    }

    std::uint8_t Find(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        const std::uint32_t key = Key(r, g, b);
        for (std::size_t s = Hash(key) & (kSlots - 1); m_keys[s] != kEmpty; s = (s + 1) & (kSlots - 1))
            if (m_keys[s] == key) return m_index[s];
        const std::size_t m = Hash(key) & (kMissSlots - 1);
        if (m_missKeys[m] != key) {
            m_missKeys[m] = key;
            m_missIndex[m] = Nearest(r, g, b);
        }
        return m_missIndex[m];
    }

private:
    static constexpr std::size_t kSlots = 1024;  // at most 256 used: short probes
    static constexpr std::size_t kMissSlots = 4096;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;  // keys are 24-bit colours, never this
    static std::uint32_t Key(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16;
    }
    static std::size_t Hash(std::uint32_t key) { return std::size_t(std::uint32_t(key * 2654435761u) >> 12); }

    std::uint8_t Nearest(std::uint8_t r, std::uint8_t g, std::uint8_t b) const {
        int best = 0;
        int bestDistance = 1 << 30;
        for (std::size_t i = 0; i < m_palette.size(); ++i) {
            const ColourEntry& e = m_palette[i];
            const int d = ColourDistance(r, g, b, e.red, e.green, e.blue);
            if (d < bestDistance) bestDistance = d, best = int(i);
            if (d == 0) break;
        }
        return std::uint8_t(best);
    }

    std::span<const ColourEntry> m_palette;
    std::array<std::uint32_t, kSlots> m_keys;
    std::array<std::uint8_t, kSlots> m_index{};
    std::array<std::uint32_t, kMissSlots> m_missKeys;
    std::array<std::uint8_t, kMissSlots> m_missIndex{};
};

/// Takes a chosen palette (at most 256 entries, repeats dropped) when it holds every colour
/// of the picture; otherwise false, and the writer collects the colours itself.
bool TakeChosenPalette(const Picture& picture, std::span<const ColourEntry> chosen,
                       std::array<ColourEntry, 256>& colours, int& colourCount) {
    if (chosen.empty() || chosen.size() > colours.size()) return false;
    int count = 0;
    for (const ColourEntry& e : chosen) {
        const ColourEntry entry{e.red, e.green, e.blue, 0};
        if (std::find(colours.begin(), colours.begin() + count, entry) == colours.begin() + count)
            colours[std::size_t(count++)] = entry;
    }
    // Exact lookups only: a colour that falls to its nearest entry is a colour lost.
    const auto index = std::make_unique<PaletteIndex>(std::span<const ColourEntry>(colours.data(), std::size_t(count)));
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* p = picture.Row(y).data();
        for (int x = 0; x < picture.Width(); ++x, p += 3)
            if (!index->Holds(p[2], p[1], p[0])) return false;
    }
    colourCount = count;
    return true;
}

void Encode(const Picture& picture, ColourRef background, ProgressSink* progress, std::string_view caption,
            PngColourMode mode, std::span<const ColourEntry> chosen, ByteSink& sink) {
    const bool palette = mode == PngColourMode::Palette;
    const int width = picture.Width();
    const int height = picture.Height();

    std::array<ColourEntry, 256> colours{};
    int colourCount = 0;
    if (palette && !TakeChosenPalette(picture, chosen, colours, colourCount))
        colourCount = CollectColours(picture, colours, progress);
    std::span<const ColourEntry> used(colours.data(), std::size_t(colourCount));

    ErrorContext ctx{};
    PngWriteHandle handle(ctx);
    png_structp png = handle.png();
    png_infop info = handle.info();

    std::array<png_color, 256> plte{};
    for (int i = 0; i < colourCount; ++i) plte[i] = {colours[i].red, colours[i].green, colours[i].blue};
    std::unique_ptr<PaletteIndex> indexer;  // heap: its tables take about 25 KB
    std::vector<std::uint8_t> indexRow;
    if (palette) {
        indexer = std::make_unique<PaletteIndex>(used);
        indexRow.resize(std::size_t(width));
    }
    png_color_16 bkgd{};
    const bool hasBackground = background != kNoColour;
    if (hasBackground) {
        if (palette)
            bkgd.index = indexer->Find(RedOf(background), GreenOf(background), BlueOf(background));
        else
            bkgd.red = RedOf(background), bkgd.green = GreenOf(background), bkgd.blue = BlueOf(background);
    }

    Guarded(ctx, [&] {
        png_set_write_fn(png, &sink, &WriteFn, &FlushFn);
        if (!palette) {
            png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE | PNG_FILTER_SUB | PNG_FILTER_PAETH);
            png_set_compression_level(png, 9);
            png_set_compression_mem_level(png, 8);
            png_set_compression_strategy(png, Z_DEFAULT_STRATEGY);
            png_set_compression_window_bits(png, 15);
            png_set_compression_method(png, Z_DEFLATED);
        }
        png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8,
                     palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (palette) png_set_PLTE(png, info, plte.data(), colourCount);
        if (hasBackground) png_set_bKGD(png, info, &bkgd);
        png_write_info(png, info);
        if (!palette) png_set_bgr(png);
    });

    ProgressScope scope(progress, 0, height, caption.empty() ? std::string_view("Saving PNG File") : caption);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* pixels = picture.RowFromTop(y).data();
        png_bytep row;
        if (palette) {
            for (int x = 0; x < width; ++x, pixels += 3) indexRow[x] = indexer->Find(pixels[2], pixels[1], pixels[0]);
            row = indexRow.data();
        } else {
            // libpng only reads the rows it is given.
            row = const_cast<png_bytep>(pixels);
        }
        Guarded(ctx, [&] { png_write_row(png, row); });
        scope.Step(y);
    }
    Guarded(ctx, [&] { png_write_end(png, nullptr); });
}

template <class Fn>
auto Wrapped(const std::string& where, Fn&& fn) {
    // Colour collection reports its own failures; keep the text, take our title.
    return WithImpExpErrors(where, kTitle, "Not Enough Memory", InnerImpExp::Adopt, std::forward<Fn>(fn));
}

}  // namespace

void EncodePng(const Picture& picture, ByteSink& out, ColourRef background, ProgressSink* progress,
               std::string_view caption, PngColourMode mode, std::span<const ColourEntry> palette) {
    Wrapped("", [&] { Encode(picture, background, progress, caption, mode, palette, out); });
}

std::vector<std::uint8_t> EncodePng(const Picture& picture, ColourRef background, ProgressSink* progress,
                                    std::string_view caption, PngColourMode mode,
                                    std::span<const ColourEntry> palette) {
    std::vector<std::uint8_t> bytes;
    VectorSink sink(bytes);
    EncodePng(picture, sink, background, progress, caption, mode, palette);
    return bytes;
}

std::uint64_t MeasurePngSize(const Picture& picture, ColourRef background, PngColourMode mode) {
    CountingSink sink;
    EncodePng(picture, sink, background, nullptr, {}, mode);
    return sink.Written();
}

void SavePng(const Picture& picture, const std::filesystem::path& path, ColourRef background, ProgressSink* progress,
             std::string_view caption, PngColourMode mode) {
    Wrapped(path.string(), [&] {
        AtomicFileWriter file(path, "Error Opening File\n" + path.string(), "Write Error");
        Encode(picture, background, progress, caption, mode, {}, file);
        file.Commit();
    });
}

}  // namespace lp
