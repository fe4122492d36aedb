#include "formats/gif/gif_colours.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/colour.h"
#include "imaging/colour_count.h"
#include "imaging/colour_reduce.h"

namespace lp {

namespace {

ColourRef ColourAt(const std::uint8_t* p) { return MakeColour(p[2], p[1], p[0]); }

/// A colour near wanted that is not in the palette; of the palette's size + 1 candidates
/// one is always free.
ColourRef FreeColour(ColourRef wanted, const std::vector<ColourEntry>& palette) {
    std::vector<ColourRef> used;
    used.reserve(palette.size());
    for (const ColourEntry& e : palette) used.push_back(e.ToColour() & 0xFFFFFF);
    std::sort(used.begin(), used.end());
    for (std::uint32_t k = 0;; ++k) {
        const ColourRef candidate = static_cast<ColourRef>((std::uint32_t(wanted) ^ k) & 0xFFFFFFu);
        if (!std::binary_search(used.begin(), used.end(), candidate)) return candidate;
    }
}

/// The visible pixels of a frame packed row after row into a picture of the frame's width;
/// the last row is completed by repeating the first visible pixels.
Picture VisiblePixels(const Picture& picture, const std::vector<std::uint8_t>& transparent, std::size_t visible) {
    const int width = picture.Width();
    const int rows = static_cast<int>((visible + std::size_t(width) - 1) / std::size_t(width));
    Picture packed;
    packed.Create(width, rows);
    std::size_t k = 0;
    const auto put = [&](const std::uint8_t* p) {
        std::uint8_t* q = packed.RowFromTop(int(k / std::size_t(width))).data() + (k % std::size_t(width)) * 3;
        q[0] = p[0];
        q[1] = p[1];
        q[2] = p[2];
        ++k;
    };
    const std::size_t total = std::size_t(rows) * std::size_t(width);
    while (k < total)
        for (int y = 0; y < picture.Height() && k < total; ++y) {
            const std::uint8_t* p = picture.RowFromTop(y).data();
            for (int x = 0; x < width && k < total; ++x, p += 3)
                if (!transparent[std::size_t(y) * std::size_t(width) + std::size_t(x)]) put(p);
        }
    return packed;
}

}  // namespace

bool FitGifColours(Picture& picture, ProgressSink* progress) {
    if (picture.IsEmpty() || CountColours(picture) <= 256) return false;
    ReduceColours(picture, 256, {}, progress);
    return true;
}

bool ReduceGifFrameColours(GifFrame& frame, int targetCount, ProgressSink* progress) {
    Picture& picture = frame.picture;
    if (picture.IsEmpty()) return false;
    const int width = picture.Width();
    const int height = picture.Height();

    // Which pixels are transparent, before the reduction moves colours around.
    std::vector<std::uint8_t> transparent;
    bool anyTransparent = false;
    if (frame.transparentColour != kNoColour) {
        transparent.assign(std::size_t(width) * std::size_t(height), 0);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* p = picture.RowFromTop(y).data();
            for (int x = 0; x < width; ++x, p += 3)
                if (ColourAt(p) == frame.transparentColour) {
                    transparent[std::size_t(y) * std::size_t(width) + std::size_t(x)] = 1;
                    anyTransparent = true;
                }
        }
    }
    frame.colourCount = 0;
    if (!anyTransparent) {
        frame.palette = ReduceColours(picture, targetCount, {}, progress);
        return true;
    }
    // Only the visible pixels are counted and reduced; the transparent entry takes one slot.
    std::size_t visible = 0;
    for (std::uint8_t t : transparent) visible += t == 0;
    std::vector<ColourEntry> palette;
    if (visible > 0) {
        Picture packed = VisiblePixels(picture, transparent, visible);
        palette = ReduceColours(packed, std::max(targetCount - 1, 1), {}, progress);
        std::size_t k = 0;
        for (int y = 0; y < height; ++y) {
            std::uint8_t* p = picture.RowFromTop(y).data();
            for (int x = 0; x < width; ++x, p += 3) {
                if (transparent[std::size_t(y) * std::size_t(width) + std::size_t(x)]) continue;
                const std::uint8_t* q = packed.RowFromTop(int(k / std::size_t(width))).data() + (k % std::size_t(width)) * 3;
                p[0] = q[0];
                p[1] = q[1];
                p[2] = q[2];
                ++k;
            }
        }
    }
    const ColourRef key = FreeColour(frame.transparentColour, palette);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = picture.RowFromTop(y).data();
        for (int x = 0; x < width; ++x, p += 3)
            if (transparent[std::size_t(y) * std::size_t(width) + std::size_t(x)]) {
                p[0] = BlueOf(key);
                p[1] = GreenOf(key);
                p[2] = RedOf(key);
            }
    }
    frame.transparentColour = key;
    palette.push_back(ColourEntry::FromColour(key));
    frame.palette = std::move(palette);
    return true;
}

int CountGifFrameCells(const GifFrame& frame) {
    const Picture& picture = frame.picture;
    if (picture.IsEmpty()) return 0;
    if (frame.transparentColour == kNoColour) return Count15BitCells(picture);
    std::vector<std::uint8_t> seen(kCellCount, 0);
    int cells = 0;
    bool anyTransparent = false;
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* p = picture.RowFromTop(y).data();
        for (int x = 0; x < picture.Width(); ++x, p += 3) {
            if (ColourAt(p) == frame.transparentColour) {
                anyTransparent = true;
                continue;
            }
            std::uint8_t& s = seen[std::size_t(CellIndex(p[2], p[1], p[0]))];
            cells += s == 0;
            s = 1;
        }
    }
    return cells + (anyTransparent ? 1 : 0);
}

bool FitGifColours(GifFrame& frame, ProgressSink* progress) {
    if (frame.picture.IsEmpty() || CountColours(frame.picture) <= 256) return false;
    return ReduceGifFrameColours(frame, 256, progress);
}

int FitGifColours(GifFrameList& frames, ProgressSink* progress) {
    int changed = 0;
    for (auto& frame : frames)
        if (FitGifColours(frame, progress)) ++changed;
    return changed;
}

}  // namespace lp
