#pragma once
// The logical screen of an animation as a player shows it: the one place the disposal
// rules live, for the playback and for the frame optimizer.
#include <cstdint>
#include <optional>
#include <vector>

#include "formats/gif/gif_records.h"
#include "imaging/picture.h"

namespace lp {

class GifCanvas {
public:
    /// Every pixel starts as background, a 0x00BBGGRR colour or a value outside colours
    /// (such as kUnknown) that marks pixels no frame has drawn.
    GifCanvas(int width, int height, std::uint32_t background);

    static constexpr std::uint32_t kUnknown = 0xFF000000u;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    /// Screen pixel (x, y) from the top-left; the caller keeps it on the screen.
    std::uint32_t At(int x, int y) const { return m_pixels[std::size_t(y) * std::size_t(m_width) + std::size_t(x)]; }
    /// Every screen pixel, row after row from the top.
    const std::uint32_t* Pixels() const { return m_pixels.data(); }

    /// Draws the frame at its position, its transparent colour left out and the parts off the
    /// screen clipped. A frame with disposal 3 has what it covers kept for Dispose.
    void Draw(const GifFrame& frame);
    /// What follows the frame's showing: 2 clears its rectangle to the background, 3 puts back
    /// what was there before Draw, anything else leaves the frame drawn.
    void Dispose(const GifFrame& frame);
    /// Draw and Dispose: the screen the next frame is drawn over.
    void Show(const GifFrame& frame) {
        Draw(frame);
        Dispose(frame);
    }

    /// One frame row against the canvas: each pixel's canvas colour, or kUnknown off the screen.
    void RowUnder(const GifFrame& frame, int row, std::vector<std::uint32_t>& out) const;
    /// The screen as a picture (a pixel outside the colours shows as its low 24 bits).
    void CopyTo(Picture& picture) const;

private:
    struct Rect {
        int x0, y0, x1, y1;
    };
    std::optional<Rect> OnScreen(const GifFrame& frame) const;

    int m_width;
    int m_height;
    std::uint32_t m_background;
    std::vector<std::uint32_t> m_pixels;  // top row first
    std::vector<std::uint32_t> m_saved;   // under a disposal-3 frame, row after row of its rectangle
};

}  // namespace lp
