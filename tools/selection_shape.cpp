#include "tools/selection_shape.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>

namespace lp {

std::size_t SelectionMask::Count() const { return std::size_t(std::count(marks.begin(), marks.end(), 1)); }

// --- Common ------------------------------------------------------------------------------------

bool CSelectionShape::NearPoint(ContourPoint p, std::int32_t x, std::int32_t y) const {
    const double z = zoom > 0 ? zoom : 1.0;
    return std::abs(double(x) - p.x) * z <= 3.0 && std::abs(double(y) - p.y) * z <= 3.0;
}

std::size_t CSelectionShape::Fill(Picture& picture, ColourRef colour, std::int32_t frameX, std::int32_t frameY,
                                  ProgressSink* progress) const {
    const SelectionBox box = Bounds();
    const std::int32_t left = std::max(0, box.left - frameX);
    const std::int32_t top = std::max(0, box.top - frameY);
    const std::int32_t right = std::min(picture.Width(), box.right - frameX);
    const std::int32_t bottom = std::min(picture.Height(), box.bottom - frameY);
    if (right <= left || bottom <= top) return 0;
    ProgressScope scope(progress, top, bottom, "Filling Area..");
    const std::uint8_t b = BlueOf(colour), g = GreenOf(colour), r = RedOf(colour);
    std::size_t painted = 0;
    for (std::int32_t y = top; y < bottom; ++y) {
        std::uint8_t* row = picture.RowFromTop(y).data();
        for (std::int32_t x = left; x < right; ++x) {
            if (!Covers(x + frameX, y + frameY)) continue;
            std::uint8_t* p = row + std::size_t(x) * 3;
            p[0] = b, p[1] = g, p[2] = r;
            ++painted;
        }
        scope.Step(y);
    }
    return painted;
}

SelectionMask CSelectionShape::Mask(std::int32_t width, std::int32_t height, std::int32_t frameX,
                                    std::int32_t frameY) const {
    SelectionMask mask{width, height, std::vector<std::uint8_t>(std::size_t(width) * std::size_t(height), 0)};
    const SelectionBox box = Bounds();
    for (std::int32_t y = std::max(0, box.top - frameY); y < std::min(height, box.bottom - frameY); ++y)
        for (std::int32_t x = std::max(0, box.left - frameX); x < std::min(width, box.right - frameX); ++x)
            if (Covers(x + frameX, y + frameY)) mask.marks[std::size_t(y) * std::size_t(width) + std::size_t(x)] = 1;
    return mask;
}

// --- Rectangle and ellipse ---------------------------------------------------------------------

bool CRectSelection::SetPoint(std::int32_t x, std::int32_t y) {
    m_b = {x, y};
    return true;
}

SelectionBox CRectSelection::Bounds() const {
    return {std::min(m_a.x, m_b.x), std::min(m_a.y, m_b.y), std::max(m_a.x, m_b.x), std::max(m_a.y, m_b.y)};
}

bool CRectSelection::Covers(std::int32_t x, std::int32_t y) const {
    const SelectionBox b = Bounds();
    return x >= b.left && x < b.right && y >= b.top && y < b.bottom;
}

bool CRectSelection::Contains(std::int32_t x, std::int32_t y) const {
    const SelectionBox b = Bounds();
    return x > b.left && x < b.right && y > b.top && y < b.bottom;
}

std::vector<ContourPoint> CRectSelection::Handles() const {
    return {m_a, {m_b.x, m_a.y}, m_b, {m_a.x, m_b.y}};
}

std::vector<std::vector<ContourPoint>> CRectSelection::Outlines() const {
    return {{m_a, {m_b.x, m_a.y}, m_b, {m_a.x, m_b.y}, m_a}};
}

bool CRectSelection::HitHandleAndAnchor(std::int32_t x, std::int32_t y) {
    for (const ContourPoint h : Handles()) {
        if (!NearPoint(h, x, y)) continue;
        // The opposite corner stays; the grabbed one follows SetPoint.
        const SelectionBox b = Bounds();
        m_a = {h.x == b.left ? b.right : b.left, h.y == b.top ? b.bottom : b.top};
        m_b = h;
        return true;
    }
    return false;
}

bool CRectSelection::HitHandle(std::int32_t x, std::int32_t y) const {
    for (const ContourPoint h : Handles())
        if (NearPoint(h, x, y)) return true;
    return false;
}

void CRectSelection::Offset(std::int32_t dx, std::int32_t dy) {
    m_a.x += dx, m_a.y += dy;
    m_b.x += dx, m_b.y += dy;
}

bool CEllipseSelection::Covers(std::int32_t x, std::int32_t y) const {
    const SelectionBox b = Bounds();
    if (b.Empty() || x < b.left || x >= b.right || y < b.top || y >= b.bottom) return false;
    const double rx = b.Width() / 2.0, ry = b.Height() / 2.0;
    const double dx = (x + 0.5 - (b.left + rx)) / rx;
    const double dy = (y + 0.5 - (b.top + ry)) / ry;
    return dx * dx + dy * dy <= 1.0;
}

std::vector<std::vector<ContourPoint>> CEllipseSelection::Outlines() const {
    const SelectionBox b = Bounds();
    const double rx = b.Width() / 2.0, ry = b.Height() / 2.0;
    const double cx = b.left + rx, cy = b.top + ry;
    std::vector<ContourPoint> ring;
    constexpr int kSteps = 72;
    for (int i = 0; i <= kSteps; ++i) {
        const double t = (i % kSteps) * 2.0 * 3.141592653589793 / kSteps;
        ring.push_back({std::int32_t(std::lround(cx + rx * std::cos(t))), std::int32_t(std::lround(cy + ry * std::sin(t)))});
    }
    return {ring};
}

// --- Polygon -----------------------------------------------------------------------------------

bool CPolygonSelection::SetPoint(std::int32_t x, std::int32_t y) {
    if (m_grabbed >= 0) {
        m_vertices[std::size_t(m_grabbed)] = {x, y};
        return true;
    }
    if (m_closed || m_vertices.size() >= kMaxVertices) return false;
    m_vertices.push_back({x, y});
    return true;
}

bool CPolygonSelection::Covers(std::int32_t x, std::int32_t y) const {
    if (m_vertices.size() < 3) return false;
    // Even-odd rule at the pixel centre.
    const double px = x + 0.5, py = y + 0.5;
    bool inside = false;
    for (std::size_t i = 0, j = m_vertices.size() - 1; i < m_vertices.size(); j = i++) {
        const ContourPoint a = m_vertices[i], b = m_vertices[j];
        if ((a.y > py) != (b.y > py)) {
            const double cross = a.x + (py - a.y) * double(b.x - a.x) / double(b.y - a.y);
            if (px < cross) inside = !inside;
        }
    }
    return inside;
}

SelectionBox CPolygonSelection::Bounds() const {
    SelectionBox b{m_vertices[0].x, m_vertices[0].y, m_vertices[0].x, m_vertices[0].y};
    for (const ContourPoint p : m_vertices) {
        b.left = std::min(b.left, p.x), b.top = std::min(b.top, p.y);
        b.right = std::max(b.right, p.x), b.bottom = std::max(b.bottom, p.y);
    }
    return b;
}

std::vector<std::vector<ContourPoint>> CPolygonSelection::Outlines() const {
    std::vector<ContourPoint> line = m_vertices;
    if (m_closed) line.push_back(m_vertices.front());
    return {line};
}

bool CPolygonSelection::HitHandleAndAnchor(std::int32_t x, std::int32_t y) {
    for (std::size_t i = 0; i < m_vertices.size(); ++i)
        if (NearPoint(m_vertices[i], x, y)) {
            m_grabbed = int(i);
            return true;
        }
    return false;
}

bool CPolygonSelection::HitHandle(std::int32_t x, std::int32_t y) const {
    for (const ContourPoint v : m_vertices)
        if (NearPoint(v, x, y)) return true;
    return false;
}

void CPolygonSelection::Offset(std::int32_t dx, std::int32_t dy) {
    for (ContourPoint& v : m_vertices) v.x += dx, v.y += dy;
}

// --- Magic wand --------------------------------------------------------------------------------

CWandSelection::CWandSelection(const Picture& picture, std::int32_t seedX, std::int32_t seedY, int tolerance,
                               ProgressSink* progress)
    : m_tolerance(tolerance) {
    const std::int32_t w = picture.Width(), h = picture.Height();
    m_mask = {w, h, std::vector<std::uint8_t>(std::size_t(w) * std::size_t(h), 0)};
    m_bounds = {seedX, seedY, seedX, seedY};  // empty until a pixel is marked
    if (seedX < 0 || seedY < 0 || seedX >= w || seedY >= h) return;
    FindArea(picture, {seedX, seedY}, progress);
    TraceOutline(progress);
}

void CWandSelection::FindArea(const Picture& picture, ContourPoint seed, ProgressSink* progress) {
    const std::int32_t w = picture.Width(), h = picture.Height();
    const std::uint8_t* s = picture.RowFromTop(seed.y).data() + std::size_t(seed.x) * 3;
    const int b0 = s[0], g0 = s[1], r0 = s[2];
    const int tolerance = m_tolerance;
    auto similar = [&](std::int32_t x, std::int32_t y) {
        const std::uint8_t* p = picture.RowFromTop(y).data() + std::size_t(x) * 3;
        return std::abs(p[0] - b0) + std::abs(p[1] - g0) + std::abs(p[2] - r0) <= tolerance;
    };
    auto marked = [&](std::int32_t x, std::int32_t y) -> std::uint8_t& {
        return m_mask.marks[std::size_t(y) * std::size_t(w) + std::size_t(x)];
    };
    std::int32_t minX = seed.x, maxX = seed.x, minY = seed.y, maxY = seed.y;

    ProgressScope scope(progress, 0, 100, "Identifying Area ...");
    long counter = 0;
    std::vector<ContourPoint> stack;
    stack.reserve(3001);
    stack.push_back(seed);
    while (!stack.empty()) {
        const ContourPoint at = stack.back();
        stack.pop_back();
        if (!marked(at.x, at.y)) {
            const std::int32_t y = at.y;
            std::int32_t xr = at.x;
            while (xr + 1 < w && similar(xr + 1, y)) ++xr;
            if (similar(xr, y)) {
                // One seed per run of similar pixels above and below the span.
                bool pushAbove = true, pushBelow = true;
                for (std::int32_t xi = xr;; --xi) {
                    if (y - 1 >= 0) {
                        const bool sim = similar(xi, y - 1);
                        if (sim && pushAbove) {
                            stack.push_back({xi, y - 1});
                            pushAbove = false;
                        } else if (!sim && !pushAbove) {
                            pushAbove = true;
                        }
                    }
                    if (y + 1 < h) {
                        const bool sim = similar(xi, y + 1);
                        if (sim && pushBelow) {
                            stack.push_back({xi, y + 1});
                            pushBelow = false;
                        } else if (!sim && !pushBelow) {
                            pushBelow = true;
                        }
                    }
                    marked(xi, y) = 1;
                    minX = std::min(minX, xi), maxX = std::max(maxX, xi);
                    minY = std::min(minY, y), maxY = std::max(maxY, y);
                    if (xi - 1 < 0 || !similar(xi - 1, y)) break;
                }
            }
        }
        scope.Step(counter);
        if (++counter > 100) counter = 0;
    }
    m_bounds = {minX, minY, maxX + 1, maxY + 1};
}

void CWandSelection::TraceOutline(ProgressSink* progress) {
    const std::int32_t w = m_mask.width, h = m_mask.height;
    // Column-major, as the walk looks up left neighbours.
    m_visited.assign(std::size_t(w) * std::size_t(h), 0);
    auto visited = [&](std::int32_t x, std::int32_t y) -> std::uint8_t& {
        return m_visited[std::size_t(x) * std::size_t(h) + std::size_t(y)];
    };
    auto inArea = [&](std::int32_t x, std::int32_t y) { return m_mask.At(x, y); };
    auto onLeave = [&](std::int32_t x, std::int32_t y) { visited(x, y) = 1; };
    ProgressScope scope(progress, m_bounds.top, m_bounds.bottom, "Walking Area..");
    try {
        for (std::int32_t y = m_bounds.top; y < m_bounds.bottom; ++y) {
            bool inside = false;
            for (std::int32_t x = m_bounds.left; x < m_bounds.right; ++x) {
                if (!m_mask.At(x, y)) {
                    inside = false;
                } else if (x - 1 >= 0 && visited(x - 1, y)) {
                    inside = true;
                } else if (!visited(x, y) && !inside) {
                    FollowContour(w, h, ContourPoint{x, y}, inArea, onLeave, m_contours,
                                  std::numeric_limits<std::size_t>::max());
                    visited(x, y) = 1;
                }
            }
            scope.Step(y);
        }
    } catch (const std::bad_alloc&) {
        // The contours collected so far stay; the area itself is complete.
        m_outlineIncomplete = true;
    }
}

std::vector<std::vector<ContourPoint>> CWandSelection::Outlines() const {
    std::vector<std::vector<ContourPoint>> result;
    for (const auto contour : SplitContours(m_contours.Points())) result.emplace_back(contour.begin(), contour.end());
    return result;
}

}  // namespace lp
