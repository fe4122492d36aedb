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

/// A colour near wanted that is not in the palette (a palette of at most 255 entries leaves one free).
ColourRef FreeColour(ColourRef wanted, const std::vector<ColourEntry>& palette) {
    const auto used = [&](ColourRef c) {
        return std::any_of(palette.begin(), palette.end(), [&](const ColourEntry& e) { return e.ToColour() == c; });
    };
    for (std::uint32_t k = 0; k < 0x1000000u; ++k) {
        const ColourRef candidate = static_cast<ColourRef>((std::uint32_t(wanted) ^ k) & 0xFFFFFFu);
        if (!used(candidate)) return candidate;
    }
    return wanted;  // unreachable: the palette has fewer than 2^24 entries
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
        ReduceColours(picture, targetCount, {}, progress);
        return true;
    }
    // The transparent entry takes one slot of the table.
    const std::vector<ColourEntry> palette = ReduceColours(picture, std::max(targetCount - 1, 1), {}, progress);
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
    return true;
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
