#include "vector/vector_paint.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace lp {

namespace {

class Canvas {
public:
    explicit Canvas(Picture& picture) : m_picture(picture) {}

    void Set(std::int64_t x, std::int64_t y, ColourRef c) {
        if (x < 0 || y < 0 || x >= m_picture.Width() || y >= m_picture.Height()) return;
        std::uint8_t* p = m_picture.RowFromTop(static_cast<int>(y)).data() + 3 * x;
        p[0] = BlueOf(c);
        p[1] = GreenOf(c);
        p[2] = RedOf(c);
    }

    void Line(ContourPoint a, ContourPoint b, ColourRef c) {
        std::int64_t x = a.x, y = a.y;
        const std::int64_t dx = std::llabs(std::int64_t(b.x) - a.x), dy = -std::llabs(std::int64_t(b.y) - a.y);
        const int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
        std::int64_t err = dx + dy;
        for (;;) {
            Set(x, y, c);
            if (x == b.x && y == b.y) return;
            const std::int64_t e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y += sy;
            }
        }
    }

private:
    Picture& m_picture;
};

struct Edge {
    double x0, y0, x1, y1;
};

void FillEvenOdd(Canvas& canvas, const std::vector<std::span<const ContourPoint>>& contours, std::int32_t height,
                 ColourRef colour) {
    std::vector<Edge> edges;
    double top = 1e300, bottom = -1e300;
    for (const auto contour : contours) {
        for (std::size_t i = 0; i < contour.size(); ++i) {
            const ContourPoint a = contour[i], b = contour[(i + 1) % contour.size()];
            if (a.y == b.y) continue;
            edges.push_back(Edge{double(a.x), double(a.y), double(b.x), double(b.y)});
            top = std::min({top, double(a.y), double(b.y)});
            bottom = std::max({bottom, double(a.y), double(b.y)});
        }
    }
    if (edges.empty()) return;
    const auto firstRow = static_cast<std::int64_t>(std::max(0.0, std::ceil(top)));
    const auto lastRow = static_cast<std::int64_t>(std::min(double(height - 1), std::floor(bottom)));
    std::vector<double> crossings;
    for (std::int64_t y = firstRow; y <= lastRow; ++y) {
        crossings.clear();
        const double fy = double(y);
        for (const Edge& e : edges) {
            const double lo = std::min(e.y0, e.y1), hi = std::max(e.y0, e.y1);
            if (fy < lo || fy >= hi) continue;  // half-open: a shared vertex counts once
            crossings.push_back(e.x0 + (fy - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0));
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
            const auto from = static_cast<std::int64_t>(std::ceil(crossings[i]));
            const auto to = static_cast<std::int64_t>(std::floor(crossings[i + 1]));
            for (std::int64_t x = from; x <= to; ++x) canvas.Set(x, y, colour);
        }
    }
}

}  // namespace

Picture PaintVectorObjects(const VectorDrawing& drawing, ProgressSink* progress) {
    Picture picture;
    if (drawing.width <= 0 || drawing.height <= 0) return picture;
    picture.Create(drawing.width, drawing.height);
    picture.Fill(drawing.background >= 0 ? (drawing.background & 0xFFFFFF) : MakeColour(255, 255, 255));
    Canvas canvas(picture);
    ProgressScope scope(progress, 0, static_cast<long>(drawing.objects.size()), "Writing Objects..");
    long done = 0;
    for (const VectorObject& object : drawing.objects) {
        const auto contours = object.Contours();
        for (const auto contour : contours) {
            if (contour.size() == 1) canvas.Set(contour[0].x, contour[0].y, object.colour);
            for (std::size_t i = 0; i + 1 < contour.size(); ++i) canvas.Line(contour[i], contour[i + 1], object.colour);
        }
        FillEvenOdd(canvas, contours, drawing.height, object.colour);
        scope.Step(++done);
    }
    return picture;
}

}  // namespace lp
