#include "tools/picture_edits.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "imaging/rotate.h"

namespace lp {

namespace {

void PutPixel(Picture& picture, std::int32_t x, std::int32_t y, ColourRef colour) {
    if (x < 0 || y < 0 || x >= picture.Width() || y >= picture.Height()) return;
    std::uint8_t* p = picture.RowFromTop(y).data() + std::size_t(x) * 3;
    p[0] = BlueOf(colour), p[1] = GreenOf(colour), p[2] = RedOf(colour);
}

void Stamp(Picture& picture, std::int32_t cx, std::int32_t cy, int width, ColourRef colour) {
    if (width <= 1) {
        PutPixel(picture, cx, cy, colour);
        return;
    }
    // A disc of the pen's diameter around the point's centre.
    const double r = width / 2.0;
    const int lo = -(width / 2), hi = lo + width - 1;
    const double centre = (lo + hi) / 2.0;
    for (int dy = lo; dy <= hi; ++dy)
        for (int dx = lo; dx <= hi; ++dx) {
            const double ex = dx - centre, ey = dy - centre;
            if (ex * ex + ey * ey <= r * r) PutPixel(picture, cx + dx, cy + dy, colour);
        }
}

}  // namespace

std::optional<Picture> CutOut(const Picture& picture, const CSelectionShape& shape, ColourRef transparent) {
    if (shape.Kind() == SelectionKind::MagicWand) return std::nullopt;
    if (shape.Kind() == SelectionKind::Polygon) {
        const auto& polygon = static_cast<const CPolygonSelection&>(shape);
        if (!polygon.Closed() || polygon.Vertices().size() < 3) return std::nullopt;
    }
    SelectionBox box = shape.Bounds();
    box.left = std::max(0, box.left), box.top = std::max(0, box.top);
    box.right = std::min(picture.Width(), box.right), box.bottom = std::min(picture.Height(), box.bottom);
    if (box.Empty()) return std::nullopt;
    Picture result;
    result.Create(box.Width(), box.Height());
    const bool whole = shape.Kind() == SelectionKind::Rectangle;
    if (!whole) result.Fill(transparent);
    for (std::int32_t y = box.top; y < box.bottom; ++y) {
        const std::uint8_t* src = picture.RowFromTop(y).data();
        std::uint8_t* dst = result.RowFromTop(y - box.top).data();
        if (whole) {
            std::memcpy(dst, src + std::size_t(box.left) * 3, std::size_t(box.Width()) * 3);
            continue;
        }
        for (std::int32_t x = box.left; x < box.right; ++x)
            if (shape.Covers(x, y)) std::memcpy(dst + std::size_t(x - box.left) * 3, src + std::size_t(x) * 3, 3);
    }
    return result;
}

void DrawPenLine(Picture& picture, ContourPoint a, ContourPoint b, int penWidth, ColourRef colour) {
    penWidth = std::clamp(penWidth, 1, 9);
    std::int64_t x = a.x, y = a.y;
    const std::int64_t dx = std::abs(std::int64_t(b.x) - a.x), dy = -std::abs(std::int64_t(b.y) - a.y);
    const int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
    std::int64_t err = dx + dy;
    for (;;) {
        Stamp(picture, std::int32_t(x), std::int32_t(y), penWidth, colour);
        if (x == b.x && y == b.y) break;
        const std::int64_t e2 = 2 * err;
        if (e2 >= dy) err += dy, x += sx;
        if (e2 <= dx) err += dx, y += sy;
    }
}

void RotateArea(Picture& picture, SelectionBox box, bool ellipse, double angleDegrees, ColourRef background) {
    const SelectionBox shapeBox = box;
    box.left = std::max(0, box.left), box.top = std::max(0, box.top);
    box.right = std::min(picture.Width(), box.right), box.bottom = std::min(picture.Height(), box.bottom);
    if (box.Empty()) return;
    CEllipseSelection oval(shapeBox.left, shapeBox.top);
    oval.SetPoint(shapeBox.right, shapeBox.bottom);
    Picture area;
    area.Create(box.Width(), box.Height());
    area.Fill(background);
    for (std::int32_t y = box.top; y < box.bottom; ++y) {
        const std::uint8_t* src = picture.RowFromTop(y).data();
        std::uint8_t* dst = area.RowFromTop(y - box.top).data();
        for (std::int32_t x = box.left; x < box.right; ++x)
            if (!ellipse || oval.Covers(x, y))
                std::memcpy(dst + std::size_t(x - box.left) * 3, src + std::size_t(x) * 3, 3);
    }
    Rotate(area, angleDegrees, background);
    const std::int32_t w = std::min(box.Width(), area.Width());
    const std::int32_t h = std::min(box.Height(), area.Height());
    for (std::int32_t y = 0; y < h; ++y)
        std::memcpy(picture.RowFromTop(box.top + y).data() + std::size_t(box.left) * 3, area.RowFromTop(y).data(),
                    std::size_t(w) * 3);
}

void RotateOtherFrames(GifFrameList& frames, GifInfo& info, std::size_t skipFrame, double angleDegrees,
                       ColourRef background, ProgressSink* progress) {
    const std::size_t count = frames.Count();
    ProgressScope scope(progress, 0, long(count), "Rotating frame ");
    std::int32_t maxW = 0, maxH = 0;
    for (std::size_t i = 0; i < count; ++i) {
        GifFrame& frame = frames[i];
        if (i != skipFrame) {
            char text[64];
            std::snprintf(text, sizeof text, "Rotating frame %zu of %zu ", i + 1, count);
            scope.SetText(text);
            scope.Step(long(i));
            Rotate(frame.picture, angleDegrees, background);
            frame.colourCount = 0;
            frame.gifSize = 0;  // the turned frame encodes to a different size
        }
        maxW = std::max(maxW, frame.picture.Width());
        maxH = std::max(maxH, frame.picture.Height());
    }
    info.screenWidth = std::max(info.screenWidth, maxW);
    info.screenHeight = std::max(info.screenHeight, maxH);
}

}  // namespace lp
