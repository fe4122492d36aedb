#include "formats/gif/gif_writer.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdio>
#include <numeric>
#include <span>
#include <string>

#include "formats/gif/gif_lzw.h"
#include "base/atomic_file.h"
#include "base/imp_exp_exception.h"

namespace lp {

namespace {

constexpr const char* kTitle = "Gif Error";
constexpr const char* kTooManyColours = "too many colors - try reducing colors";
constexpr int kMaxGifSize = 65535;

constexpr std::uint32_t PackRgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | b;
}
constexpr std::uint32_t PackRgb(ColourRef c) { return PackRgb(RedOf(c), GreenOf(c), BlueOf(c)); }

/// Colour -> palette index for at most 256 colours (open addressing over 24-bit keys).
class ColourIndex {
public:
    ColourIndex() { m_keys.fill(kEmpty); }

    int Find(std::uint32_t rgb) const {
        for (std::uint32_t slot = Hash(rgb);; slot = (slot + 1) & (kSlots - 1)) {
            if (m_keys[slot] == rgb) return m_values[slot];
            if (m_keys[slot] == kEmpty) return -1;
        }
    }
    /// Adds rgb when new; false when it was there already.
    bool Insert(std::uint32_t rgb, int value) {
        std::uint32_t slot = Hash(rgb);
        for (; m_keys[slot] != kEmpty; slot = (slot + 1) & (kSlots - 1))
            if (m_keys[slot] == rgb) return false;
        m_keys[slot] = rgb;
        m_values[slot] = static_cast<std::int16_t>(value);
        return true;
    }
    void Set(std::uint32_t rgb, int value) {
        std::uint32_t slot = Hash(rgb);
        while (m_keys[slot] != rgb) slot = (slot + 1) & (kSlots - 1);
        m_values[slot] = static_cast<std::int16_t>(value);
    }

private:
    static constexpr std::uint32_t kSlots = 1024;  // load stays below 1/3 for 257 keys
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    static std::uint32_t Hash(std::uint32_t rgb) { return (rgb * 2654435761u) >> 22; }
    std::array<std::uint32_t, kSlots> m_keys;
    std::array<std::int16_t, kSlots> m_values{};
};

/// A frame's palette: its exact colours in the order they are written.
struct FramePalette {
    std::vector<std::uint32_t> colours;  // packed 0xRRGGBB
    ColourIndex index;
    int bits = 1;  // the table written has 1 << bits entries
};

int BitsForCount(std::size_t count) {
    int bits = 1;
    while ((std::size_t(1) << bits) < count) ++bits;
    if (bits > 8) throw InnerError("Error : calculation Bits Per Pixel");
    return bits;
}

/// A frame's distinct colours in first-seen order (from the top row, left to right) and,
/// when kept, each pixel's colour as its number in that order.
struct FrameColours {
    std::vector<std::uint32_t> seen;    // packed 0xRRGGBB
    std::vector<std::uint32_t> pixels;  // how many pixels have seen[i]
    std::vector<std::uint8_t> ids;      // one per pixel, top row first; empty when not kept
    std::uint64_t runs = 0;             // runs of one colour along the rows: a rough measure of the coded size
};

/// The colours of a chosen palette (in its order, repeats and all past 256 left out) as the
/// start of a frame's colour list, so that its pixels are looked up rather than discovered.
void SeedColours(std::span<const ColourEntry> palette, ColourIndex& index, FrameColours& out) {
    if (palette.size() > 256) return;  // not a palette this writer could store
    for (const ColourEntry& e : palette) {
        const std::uint32_t rgb = PackRgb(e.red, e.green, e.blue);
        if (!index.Insert(rgb, static_cast<int>(out.seen.size()))) continue;
        out.seen.push_back(rgb);
        out.pixels.push_back(0);
    }
}

/// Puts a seeded colour list into the order the pixels first show the colours (firstSeen, the
/// colour numbers in that order), dropping the chosen colours no pixel uses: the table holds
/// what the frame shows, in the order it would have had without a chosen palette.
void ToFirstSeenOrder(FrameColours& colours, const std::vector<std::uint8_t>& firstSeen) {
    std::array<std::uint8_t, 256> renumber{};
    std::vector<std::uint32_t> seen, pixels;
    seen.reserve(firstSeen.size());
    pixels.reserve(firstSeen.size());
    for (const std::uint8_t i : firstSeen) {
        renumber[i] = static_cast<std::uint8_t>(seen.size());
        seen.push_back(colours.seen[i]);
        pixels.push_back(colours.pixels[i]);
    }
    colours.seen = std::move(seen);
    colours.pixels = std::move(pixels);
    for (std::uint8_t& id : colours.ids) id = renumber[id];
}

/// A chosen palette gives the colours looked up before any is added; colours it lacks are
/// added as found, so a palette that no longer matches the pixels costs time, never colours.
FrameColours ScanColours(const Picture& picture, bool keepIds, std::span<const ColourEntry> palette) {
    ColourIndex index;
    FrameColours out;
    out.seen.reserve(256);
    out.pixels.reserve(256);
    SeedColours(palette, index, out);
    const bool seeded = !out.seen.empty();
    std::vector<std::uint8_t> firstSeen;
    if (keepIds) out.ids.resize(std::size_t(picture.Width()) * std::size_t(picture.Height()));
    std::uint8_t* id = out.ids.data();
    // Every pixel is looked up: on photo-like pixels a test for runs mispredicts and costs more.
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* p = picture.RowFromTop(y).data();
        int previous = -1;
        for (int x = 0; x < picture.Width(); ++x, p += 3) {
            const std::uint32_t rgb = PackRgb(p[2], p[1], p[0]);
            int found = index.Find(rgb);
            if (found < 0) {
                // Chosen colours the pixels no longer use may be what fills the table.
                if (out.seen.size() == 256 && seeded) return ScanColours(picture, keepIds, {});
                if (out.seen.size() == 256) throw InnerError(kTooManyColours);
                found = static_cast<int>(out.seen.size());
                index.Insert(rgb, found);
                out.seen.push_back(rgb);
                out.pixels.push_back(0);
            }
            if (++out.pixels[std::size_t(found)] == 1 && seeded) firstSeen.push_back(static_cast<std::uint8_t>(found));
            out.runs += found != previous;
            previous = found;
            if (keepIds) *id++ = static_cast<std::uint8_t>(found);
        }
    }
    if (seeded) ToFirstSeenOrder(out, firstSeen);
    return out;
}

/// A palette holding the colours in the given order.
FramePalette PaletteOf(std::vector<std::uint32_t> colours) {
    FramePalette palette;
    for (std::size_t i = 0; i < colours.size(); ++i)
        if (!palette.index.Insert(colours[i], static_cast<int>(i))) {
            char text[64];
            std::snprintf(text, sizeof text, "same color found twice - %d %d %d", int(colours[i] >> 16),
                          int((colours[i] >> 8) & 0xFF), int(colours[i] & 0xFF));
            throw InnerError(text);
        }
    palette.bits = BitsForCount(colours.size());
    palette.colours = std::move(colours);
    return palette;
}

/// Palette order: each colour, in first-seen order, is put at the head of its bucket
/// (R << 20 | G << 10 | B) % 20023; the buckets are read in order, each from its head.
FramePalette OrderPalette(const std::vector<std::uint32_t>& seen) {
    const auto bucket = [](std::uint32_t rgb) {
        const std::uint32_t r = rgb >> 16, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
        return (r << 20 | g << 10 | b) % 20023u;
    };
    std::vector<int> order(seen.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const auto ba = bucket(seen[std::size_t(a)]), bb = bucket(seen[std::size_t(b)]);
        return ba != bb ? ba < bb : a > b;  // within a bucket the latest first-seen comes first
    });
    std::vector<std::uint32_t> colours;
    colours.reserve(seen.size());
    for (const int i : order) colours.push_back(seen[std::size_t(i)]);
    return PaletteOf(std::move(colours));
}

/// The global table of an animation, ordered for short codes: a frame's codes need only as
/// many bits as its highest index, so the table is arranged in nested leading groups of 128,
/// 64, ... 4 colours, each chosen so that the frames it holds entirely weigh as much as can be
/// had (greedily: the frame bringing most weight per new colour first; a frame weighs its runs
/// of one colour, which follow its coded size far better than its pixel count). Only frames
/// whose colours all lie in the table count, since only they can use it. Within a group,
/// colours more frames (then more pixels) use come first; ties keep the bucket order.
FramePalette OrderGlobalPalette(const std::vector<std::uint32_t>& colours, const std::vector<FrameColours>& frames) {
    using Mask = std::bitset<256>;
    const FramePalette bucketOrder = OrderPalette(colours);
    const std::size_t n = bucketOrder.colours.size();
    std::vector<std::uint32_t> frameCount(n, 0);
    std::vector<std::uint64_t> pixelCount(n, 0);
    struct User {
        Mask colours;
        std::size_t count = 0;
        std::uint64_t weight = 0;  // what shorter codes save grows with the coded size
    };
    std::vector<User> users;
    std::vector<int> at;
    for (const auto& frame : frames) {
        at.clear();
        for (const std::uint32_t c : frame.seen) {
            const int i = bucketOrder.index.Find(c);
            if (i < 0) break;
            at.push_back(i);
        }
        if (at.size() != frame.seen.size()) continue;
        User user;
        for (std::size_t k = 0; k < at.size(); ++k) {
            const auto i = std::size_t(at[k]);
            ++frameCount[i];
            pixelCount[i] += frame.pixels[k];
            user.colours.set(i);
        }
        user.count = at.size();
        user.weight = frame.runs;
        users.push_back(user);
    }
    const auto byUse = [&](int a, int b) {
        const auto ua = std::size_t(a), ub = std::size_t(b);
        if (frameCount[ua] != frameCount[ub]) return frameCount[ua] > frameCount[ub];
        return pixelCount[ua] > pixelCount[ub];
    };
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), byUse);

    // group[i]: the smallest leading group colour i belongs to (0 for the 4, 1 for the 8, ...).
    std::vector<int> group(n, 7);
    Mask outer;
    for (std::size_t i = 0; i < n; ++i) outer.set(i);
    std::vector<bool> covered(users.size());
    for (int level = 6; level >= 0; --level) {
        const std::size_t size = std::size_t(4) << level;
        if (size >= outer.count()) {
            for (std::size_t i = 0; i < n; ++i)
                if (outer[i]) group[i] = level;
            continue;
        }
        Mask inner;
        std::fill(covered.begin(), covered.end(), false);
        for (;;) {
            // The frame that brings the most weight per colour it adds and still fits.
            std::size_t best = users.size(), bestNew = 0;
            for (std::size_t u = 0; u < users.size(); ++u) {
                if (covered[u] || users[u].count > size || (users[u].colours & ~outer).any()) continue;
                const std::size_t added = (users[u].colours & ~inner).count();
                if (added == 0) {
                    covered[u] = true;
                    continue;
                }
                if (inner.count() + added > size) continue;
                if (best == users.size() || users[u].weight * bestNew > users[best].weight * added) {
                    best = u;
                    bestNew = added;
                }
            }
            if (best == users.size()) break;
            inner |= users[best].colours;
            covered[best] = true;
        }
        // Room left goes to the most used colours of the outer group.
        for (const int i : order)
            if (inner.count() < size && outer[std::size_t(i)]) inner.set(std::size_t(i));
        for (std::size_t i = 0; i < n; ++i)
            if (inner[i]) group[i] = level;
        outer = inner;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return group[std::size_t(a)] < group[std::size_t(b)]; });
    std::vector<std::uint32_t> ordered;
    ordered.reserve(n);
    for (const int i : order) ordered.push_back(bucketOrder.colours[std::size_t(i)]);
    return PaletteOf(std::move(ordered));
}

/// The colours of all frames together, in first-seen order; empty when more than 256.
std::vector<std::uint32_t> UnionOfColours(const std::vector<FrameColours>& frames) {
    ColourIndex index;
    std::vector<std::uint32_t> all;
    for (const auto& colours : frames)
        for (const std::uint32_t c : colours.seen) {
            if (index.Find(c) >= 0) continue;
            if (all.size() == 256) return {};
            index.Insert(c, 0);
            all.push_back(c);
        }
    return all;
}

bool IsSubset(const FramePalette& part, const FramePalette& whole) {
    return std::all_of(part.colours.begin(), part.colours.end(),
                       [&](std::uint32_t c) { return whole.index.Find(c) >= 0; });
}

/// The LZW minimum code size of a frame written with palette: enough bits for the highest
/// index the frame's pixels use, at least 2. With a shared global table that may be fewer
/// bits than the table's depth; decoders map the same indexes either way.
int CodeSizeFor(const FrameColours& colours, const FramePalette& palette) {
    int highest = 0;
    for (const std::uint32_t c : colours.seen) highest = std::max(highest, palette.index.Find(c));
    return std::max(BitsForCount(std::size_t(highest) + 1), 2);
}

void PutU16(std::vector<std::uint8_t>& out, int v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void PutColourTable(std::vector<std::uint8_t>& out, const FramePalette& palette) {
    const std::size_t entries = std::size_t(1) << palette.bits;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::uint32_t rgb = i < palette.colours.size() ? palette.colours[i] : 0;
        out.push_back(static_cast<std::uint8_t>(rgb >> 16));
        out.push_back(static_cast<std::uint8_t>(rgb >> 8));
        out.push_back(static_cast<std::uint8_t>(rgb));
    }
}

void PutGraphicControl(std::vector<std::uint8_t>& out, int flags, int delay, int transparentIndex) {
    const std::uint8_t bytes[] = {0x21, 0xF9, 0x04, static_cast<std::uint8_t>(flags)};
    out.insert(out.end(), std::begin(bytes), std::end(bytes));
    PutU16(out, delay);
    out.push_back(static_cast<std::uint8_t>(transparentIndex >= 0 ? transparentIndex : 0));
    out.push_back(0);
}

/// What one frame of the output is made of.
struct FrameSource {
    const Picture* picture = nullptr;
    const GifFrame* record = nullptr;  // null for a single picture
    std::span<const ColourEntry> palette;  // chosen by a reduction; empty = discover
};

class GifEncoder {
public:
    GifEncoder(ProgressSink* progress, std::string_view caption) : m_progress(progress), m_caption(caption) {}

    std::vector<std::uint8_t> Encode(std::span<const FrameSource> frames, const GifInfo* info, ColourRef background);

private:
    std::string FrameText(int number) const {
        char text[64];
        if (m_caption.empty()) {
            std::snprintf(text, sizeof text, "Saving GIF File.. Frame #%d", number);
            return text;
        }
        std::snprintf(text, sizeof text, " Frame #%d", number);
        return std::string(m_caption) + text;
    }
    /// Code size byte, data sub-blocks and terminator; steps the progress once per row when asked.
    void EncodeImageData(const Picture& picture, const FrameColours& colours, const FramePalette& palette,
                         std::vector<std::uint8_t>& out, const ProgressScope* scope);

    ProgressSink* m_progress;
    std::string_view m_caption;
    std::vector<std::uint8_t> m_out;
    std::vector<std::uint8_t> m_data;   // one frame's image data before it joins m_out
    std::vector<std::uint8_t> m_trial;  // the same frame with the other table
    std::vector<std::uint8_t> m_indexes;
};

void GifEncoder::EncodeImageData(const Picture& picture, const FrameColours& colours, const FramePalette& palette,
                                 std::vector<std::uint8_t>& out, const ProgressScope* scope) {
    std::array<std::uint8_t, 256> toPalette{};
    for (std::size_t i = 0; i < colours.seen.size(); ++i) {
        const int index = palette.index.Find(colours.seen[i]);
        if (index < 0) throw InnerError(kTooManyColours);  // the palette holds every colour of the frame
        toPalette[i] = static_cast<std::uint8_t>(index);
    }
    const int codeSize = CodeSizeFor(colours, palette);
    out.push_back(static_cast<std::uint8_t>(codeSize));
    GifLzwEncoder lzw(codeSize, out);
    const std::size_t width = std::size_t(picture.Width());
    m_indexes.resize(width);
    std::uint32_t last = 0xFFFFFFFFu;
    std::uint8_t lastIndex = 0;
    for (int y = 0; y < picture.Height(); ++y) {
        if (!colours.ids.empty()) {
            const std::uint8_t* id = colours.ids.data() + std::size_t(y) * width;
            for (std::size_t x = 0; x < width; ++x) m_indexes[x] = toPalette[id[x]];
        } else {
            const std::uint8_t* p = picture.RowFromTop(y).data();
            for (std::size_t x = 0; x < width; ++x, p += 3) {
                const std::uint32_t rgb = PackRgb(p[2], p[1], p[0]);
                if (rgb != last) {
                    const int i = palette.index.Find(rgb);
                    if (i < 0) throw InnerError(kTooManyColours);
                    last = rgb;
                    lastIndex = static_cast<std::uint8_t>(i);
                }
                m_indexes[x] = lastIndex;
            }
        }
        lzw.Add(m_indexes);
        if (scope) scope->Step(y + 1);
    }
    lzw.Finish();
}

void CheckFrameSize(const Picture& picture) {
    if (picture.Width() <= 0 || picture.Height() <= 0) throw InnerError("Nothing to save: the picture is empty");
    if (picture.Width() > kMaxGifSize || picture.Height() > kMaxGifSize)
        throw InnerError("Picture too large for GIF: " + std::to_string(picture.Width()) + " x " +
                         std::to_string(picture.Height()) + " (at most 65535 x 65535)");
}

std::vector<std::uint8_t> GifEncoder::Encode(std::span<const FrameSource> frames, const GifInfo* info,
                                             ColourRef background) {
    if (frames.empty()) throw InnerError("Nothing to save: the animation has no frames");
    const bool animated = frames.size() > 1;
    for (const auto& f : frames) {
        CheckFrameSize(*f.picture);
        if (animated &&
            (f.record->left < 0 || f.record->top < 0 || f.record->left > kMaxGifSize || f.record->top > kMaxGifSize))
            throw InnerError("Frame position outside the GIF range 0..65535");
    }

    int screenWidth = frames[0].picture->Width();
    int screenHeight = frames[0].picture->Height();
    if (animated) {
        if (info && info->screenWidth > 0 && info->screenHeight > 0) {
            screenWidth = info->screenWidth;
            screenHeight = info->screenHeight;
        } else {
            // No screen given: the smallest one that shows every frame.
            std::int64_t w = 1, h = 1;
            for (const auto& f : frames) {
                w = std::max<std::int64_t>(w, std::int64_t(f.record->left) + f.picture->Width());
                h = std::max<std::int64_t>(h, std::int64_t(f.record->top) + f.picture->Height());
            }
            screenWidth = static_cast<int>(std::min<std::int64_t>(w, INT32_MAX));
            screenHeight = static_cast<int>(std::min<std::int64_t>(h, INT32_MAX));
        }
        if (screenWidth > kMaxGifSize || screenHeight > kMaxGifSize)
            throw InnerError("Picture too large for GIF: " + std::to_string(screenWidth) + " x " +
                             std::to_string(screenHeight) + " (at most 65535 x 65535)");
    }

    ProgressScope scope(m_progress, 0, frames[0].picture->Height(), FrameText(1));

    // Every frame's colours first: a frame with too many fails before anything is written.
    // Each pixel's colour number is kept for the encoding pass while that costs at most
    // kKeptIdBytes in all; frames past that look their colours up again.
    constexpr std::uint64_t kKeptIdBytes = std::uint64_t(1) << 26;
    std::vector<FrameColours> colours;
    colours.reserve(frames.size());
    std::uint64_t kept = 0;
    for (const auto& f : frames) {
        const std::uint64_t pixels = std::uint64_t(f.picture->Width()) * std::uint64_t(f.picture->Height());
        const bool keep = kept + pixels <= kKeptIdBytes;
        if (keep) kept += pixels;
        colours.push_back(ScanColours(*f.picture, keep, f.palette));
    }
    // The global table: all colours of the animation when they fit in one table, so that
    // later frames need no table of their own; else the first frame's colours.
    // A still picture keeps the bucket order.
    std::vector<std::uint32_t> globalColours = animated ? UnionOfColours(colours) : std::vector<std::uint32_t>{};
    const std::vector<std::uint32_t>& globalSource = globalColours.empty() ? colours[0].seen : globalColours;
    const FramePalette global = animated ? OrderGlobalPalette(globalSource, colours) : OrderPalette(globalSource);
    const ColourRef backgroundColour = info ? info->backgroundColour : background;
    const int backgroundIndex = std::max(global.index.Find(PackRgb(backgroundColour)), 0);

    m_out.clear();
    std::uint64_t estimate = 0;
    for (const auto& f : frames)
        estimate += std::uint64_t(f.picture->Width()) * std::uint64_t(f.picture->Height()) / 2 + 1024;
    m_out.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(estimate, std::uint64_t(1) << 30)));

    for (const char c : std::string_view("GIF89a")) m_out.push_back(static_cast<std::uint8_t>(c));
    PutU16(m_out, screenWidth);
    PutU16(m_out, screenHeight);
    m_out.push_back(static_cast<std::uint8_t>(0x80 | (global.bits - 1) << 4 | (global.bits - 1)));
    m_out.push_back(static_cast<std::uint8_t>(backgroundIndex));
    m_out.push_back(0);
    PutColourTable(m_out, global);

    if (info) {
        const std::string comment = GifCommentWithSignature(info->comment);
        m_out.push_back(0x21);
        m_out.push_back(0xFE);
        if (!comment.empty()) {
            m_out.push_back(static_cast<std::uint8_t>(comment.size()));
            m_out.insert(m_out.end(), comment.begin(), comment.end());
        }
        m_out.push_back(0);
        // The count is kept as given: a finite count never becomes endless.
        if (info->loop != 0 || info->loopCount > 0) {
            const char block[] = "\x21\xFF\x0BNETSCAPE2.0\x03\x01";
            m_out.insert(m_out.end(), block, block + 16);
            PutU16(m_out, std::clamp(info->loopCount, 0, kMaxGifSize));
            m_out.push_back(0);
        }
    }

    const auto disposalOf = [](const GifFrame& r) { return (r.disposal >= 0 && r.disposal <= 3) ? r.disposal : 0; };
    const auto controlFlags = [&](const GifFrame& r, int transparentIndex) {
        return (transparentIndex >= 0 ? 1 : 0) | (r.userInput != 0 ? 2 : 0) | disposalOf(r) << 2;
    };

    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Picture& picture = *frames[i].picture;
        const GifFrame* record = frames[i].record;
        if (i > 0) scope.SetText(FrameText(static_cast<int>(i) + 1));

        if (i == 0) {
            const int transparent = (record && record->transparentColour != kNoColour)
                                        ? global.index.Find(PackRgb(record->transparentColour))
                                        : -1;
            if (transparent >= 0) PutGraphicControl(m_out, 0x01, 0, transparent);
            if (animated) PutGraphicControl(m_out, controlFlags(*record, transparent), record->delay, transparent);
            m_out.push_back(0x2C);
            PutU16(m_out, animated ? record->left : 0);
            PutU16(m_out, animated ? record->top : 0);
            PutU16(m_out, picture.Width());
            PutU16(m_out, picture.Height());
            m_out.push_back(0);
            EncodeImageData(picture, colours[i], global, m_out, &scope);
            continue;
        }

        const FramePalette local = OrderPalette(colours[i].seen);
        // A frame whose colours all lie in the global table may use it and store no table of
        // its own. With the same code size that is never larger; when its highest global
        // index needs wider codes they may cost more than the table saves, so both are tried.
        bool useGlobal = false;
        m_data.clear();
        if (IsSubset(local, global)) {
            if (CodeSizeFor(colours[i], global) == CodeSizeFor(colours[i], local)) {
                useGlobal = true;
                EncodeImageData(picture, colours[i], global, m_data, &scope);
            } else {
                EncodeImageData(picture, colours[i], local, m_data, &scope);
                m_trial.clear();
                EncodeImageData(picture, colours[i], global, m_trial, nullptr);
                if (m_trial.size() <= m_data.size() + (std::size_t(3) << local.bits)) {
                    useGlobal = true;
                    m_data.swap(m_trial);
                }
            }
        } else {
            EncodeImageData(picture, colours[i], local, m_data, &scope);
        }
        const FramePalette& palette = useGlobal ? global : local;
        const int transparent =
            record->transparentColour != kNoColour ? palette.index.Find(PackRgb(record->transparentColour)) : -1;
        PutGraphicControl(m_out, controlFlags(*record, transparent), record->delay, transparent);
        m_out.push_back(0x2C);
        PutU16(m_out, record->left);
        PutU16(m_out, record->top);
        PutU16(m_out, picture.Width());
        PutU16(m_out, picture.Height());
        m_out.push_back(useGlobal ? 0 : static_cast<std::uint8_t>(0x80 | (local.bits - 1)));
        if (!useGlobal) PutColourTable(m_out, local);
        m_out.insert(m_out.end(), m_data.begin(), m_data.end());
    }
    m_out.push_back(0x3B);
    return std::move(m_out);
}


void WriteGifFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    WithImpExpErrors(path.string(), kTitle,
                  [&] { WriteFileAtomically(path, bytes, "Unable to open file", "Unable to write file"); });
}

}  // namespace

std::string GifCommentWithSignature(std::string_view comment) {
    comment = comment.substr(0, std::min(comment.find('\0'), comment.size()));
    std::string text(comment);
    if (text.find(kGifSignature) == std::string::npos) {
        if (!text.empty()) text += ' ';
        text += kGifSignature;
    }
    if (text.size() > kGifMaxComment) text.resize(kGifMaxComment);
    return text;
}

std::vector<std::uint8_t> EncodeGif(const Picture& picture, ColourRef background, ProgressSink* progress,
                                    std::string_view caption, const std::string& where,
                                    std::span<const ColourEntry> palette) {
    return WithImpExpErrors(where, kTitle, [&] {
        const FrameSource source{&picture, nullptr, palette};
        return GifEncoder(progress, caption).Encode({&source, 1}, nullptr, background);
    });
}

std::vector<std::uint8_t> EncodeGif(const GifFrameList& frames, const GifInfo& info, ProgressSink* progress,
                                    std::string_view caption, const std::string& where) {
    return WithImpExpErrors(where, kTitle, [&] {
        std::vector<FrameSource> sources;
        sources.reserve(frames.Count());
        for (const auto& f : frames) sources.push_back({&f.picture, &f, f.palette});
        return GifEncoder(progress, caption).Encode(sources, &info, info.backgroundColour);
    });
}

void SaveGif(const Picture& picture, const std::filesystem::path& path, ColourRef background, ProgressSink* progress,
             std::string_view caption) {
    WriteGifFile(path, EncodeGif(picture, background, progress, caption, path.string()));
}

void SaveGif(const GifFrameList& frames, GifInfo& info, const std::filesystem::path& path, ProgressSink* progress,
             std::string_view caption) {
    WriteGifFile(path, EncodeGif(frames, info, progress, caption, path.string()));
    info.comment = GifCommentWithSignature(info.comment);
}

void SaveGifPicture(const Picture& picture, const std::filesystem::path& path, ProgressSink* progress) {
    SaveGif(picture, path, 0, progress);
}

}  // namespace lp
