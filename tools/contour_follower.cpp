#include "tools/contour_follower.h"

#include <cmath>

namespace lp {

ContourPointList::ContourPointList(double mergeTolerance) : m_mergeTolerance(mergeTolerance) {
    m_points.reserve(kInitialCapacity);
}

void ContourPointList::BeginContour() { m_contourStart = m_points.size(); }

void ContourPointList::Clear() {
    m_points.clear();
    m_contourStart = 0;
}

long double ContourPointList::PathDeviation(ContourPoint a, ContourPoint b, ContourPoint q) {
    const std::int64_t abx = std::int64_t(b.x) - a.x, aby = std::int64_t(b.y) - a.y;
    const std::int64_t bqx = std::int64_t(q.x) - b.x, bqy = std::int64_t(q.y) - b.y;
    // b on the segment from a to q: the sum of distances equals the direct one,
    // which rounding of the square roots would hide (sqrt 2 + sqrt 8 != sqrt 18
    // in floating point), so a straight diagonal would keep all its points.
    if (abx * bqy - aby * bqx == 0 && abx * bqx + aby * bqy >= 0) return 0.0L;
    auto dist = [](std::int64_t dx, std::int64_t dy) {
        return std::sqrt(static_cast<long double>(dx) * dx + static_cast<long double>(dy) * dy);
    };
    const std::int64_t aqx = std::int64_t(q.x) - a.x, aqy = std::int64_t(q.y) - a.y;
    return std::fabs(dist(abx, aby) + dist(bqx, bqy) - dist(aqx, aqy));
}

void ContourPointList::Append(ContourPoint q) {
    const std::size_t n = ContourSize();
    if (n >= 2) {
        const ContourPoint a = m_points[m_points.size() - 2];
        ContourPoint& b = m_points.back();
        if (PathDeviation(a, b, q) <= static_cast<long double>(m_mergeTolerance)) {
            b = q;
            return;
        }
    }
    // Geometric growth: a fixed step would copy the whole list again every
    // kGrowth points, quadratic on the outline of a noisy area.
    m_points.push_back(q);
}

std::vector<std::span<const ContourPoint>> SplitContours(std::span<const ContourPoint> points) {
    std::vector<std::span<const ContourPoint>> contours;
    std::size_t begin = 0;
    while (begin < points.size()) {
        std::size_t end = begin + 1;
        while (end < points.size() && !(points[end] == points[begin])) ++end;
        if (end < points.size()) ++end;  // include the closing repetition
        contours.push_back(points.subspan(begin, end - begin));
        begin = end;
    }
    return contours;
}

}  // namespace lp
