#include "formats/gif/gif_canvas.h"

#include <algorithm>

namespace lp {

namespace {

std::uint32_t PixelColour(const std::uint8_t* bgr) {
    return std::uint32_t(bgr[2]) | std::uint32_t(bgr[1]) << 8 | std::uint32_t(bgr[0]) << 16;
}

}  // namespace

GifCanvas::GifCanvas(int width, int height, std::uint32_t background)
    : m_width(std::max(width, 0)),
      m_height(std::max(height, 0)),
      m_background(background),
      m_pixels(std::size_t(m_width) * std::size_t(m_height), background) {}

std::optional<GifCanvas::Rect> GifCanvas::OnScreen(const GifFrame& frame) const {
    const Picture& picture = frame.picture;
    if (picture.IsEmpty()) return std::nullopt;
    const auto clampX = [&](std::int64_t v) { return int(std::clamp<std::int64_t>(v, 0, m_width)); };
    const auto clampY = [&](std::int64_t v) { return int(std::clamp<std::int64_t>(v, 0, m_height)); };
    const Rect r{clampX(frame.left), clampY(frame.top), clampX(std::int64_t(frame.left) + picture.Width()),
                 clampY(std::int64_t(frame.top) + picture.Height())};
    if (r.x0 >= r.x1 || r.y0 >= r.y1) return std::nullopt;
    return r;
}

void GifCanvas::Draw(const GifFrame& frame) {
    m_saved.clear();
    const auto r = OnScreen(frame);
    if (!r) return;
    for (int y = r->y0; y < r->y1; ++y) {
        std::uint32_t* out = &m_pixels[std::size_t(y) * std::size_t(m_width)];
        if (frame.disposal == 3) m_saved.insert(m_saved.end(), out + r->x0, out + r->x1);
        const std::uint8_t* p = frame.picture.RowFromTop(y - frame.top).data() + std::size_t(r->x0 - frame.left) * 3;
        for (int x = r->x0; x < r->x1; ++x, p += 3) {
            const std::uint32_t c = PixelColour(p);
            if (frame.transparentColour == kNoColour || c != std::uint32_t(frame.transparentColour)) out[x] = c;
        }
    }
}

void GifCanvas::Dispose(const GifFrame& frame) {
    if (frame.disposal != 2 && frame.disposal != 3) return;
    const auto r = OnScreen(frame);
    if (!r) return;
    const std::size_t width = std::size_t(r->x1 - r->x0);
    if (frame.disposal == 3 && m_saved.size() != width * std::size_t(r->y1 - r->y0)) return;
    for (int y = r->y0; y < r->y1; ++y) {
        std::uint32_t* out = &m_pixels[std::size_t(y) * std::size_t(m_width)] + r->x0;
        if (frame.disposal == 2)
            std::fill(out, out + width, m_background);
        else
            std::copy_n(m_saved.begin() + std::ptrdiff_t(std::size_t(y - r->y0) * width), width, out);
    }
    m_saved.clear();
}

void GifCanvas::RowUnder(const GifFrame& frame, int row, std::vector<std::uint32_t>& out) const {
    const int width = frame.picture.Width();
    out.assign(std::size_t(width), kUnknown);
    const std::int64_t y = std::int64_t(frame.top) + row;
    if (y < 0 || y >= m_height) return;
    const std::uint32_t* in = &m_pixels[std::size_t(y) * std::size_t(m_width)];
    const int first = int(std::clamp<std::int64_t>(-std::int64_t(frame.left), 0, width));
    const int last = int(std::clamp<std::int64_t>(std::int64_t(m_width) - frame.left, 0, width));
    for (int x = first; x < last; ++x) out[std::size_t(x)] = in[frame.left + x];
}

void GifCanvas::CopyTo(Picture& picture) const {
    if (picture.Width() != m_width || picture.Height() != m_height) picture.Create(m_width, m_height);
    for (int y = 0; y < m_height; ++y) {
        std::uint8_t* p = picture.RowFromTop(y).data();
        const std::uint32_t* in = &m_pixels[std::size_t(y) * std::size_t(m_width)];
        for (int x = 0; x < m_width; ++x, p += 3) {
            p[0] = std::uint8_t(in[x] >> 16);
            p[1] = std::uint8_t(in[x] >> 8);
            p[2] = std::uint8_t(in[x]);
        }
    }
}

}  // namespace lp
