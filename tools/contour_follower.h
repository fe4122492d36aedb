#pragma once
// The eight-direction contour follower and its point merge, shared by the
// magic wand (outline of the selected area) and the vectorizer (outline of
// every region). Each caller says which pixels belong to the area being traced
// and what to do with a pixel the walk leaves.
#include <cstdint>
#include <span>
#include <vector>

namespace lp {

struct ContourPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const ContourPoint&, const ContourPoint&) = default;
};

/// Closed contours one after another, each ending with a repetition of its own
/// first point. Points are appended through the point merge: a point that keeps
/// the path within the merge tolerance of a straight line replaces the last one.
class ContourPointList {
public:
    /// Points reserved up front, so small outlines never reallocate.
    static constexpr std::size_t kInitialCapacity = 1024;

    explicit ContourPointList(double mergeTolerance = 0.0);

    double MergeTolerance() const { return m_mergeTolerance; }
    /// Starts a new contour: the next two points are kept unchanged.
    void BeginContour();
    /// Appends q with the point merge against the last two points of the contour.
    void Append(ContourPoint q);
    /// Points of the contour being traced (since BeginContour).
    std::size_t ContourSize() const { return m_points.size() - m_contourStart; }
    std::span<const ContourPoint> CurrentContour() const {
        return std::span<const ContourPoint>(m_points).subspan(m_contourStart);
    }
    /// Drops the contour being traced (since BeginContour).
    void DiscardContour() { m_points.resize(m_contourStart); }
    /// Empties the whole list.
    void Clear();

    std::span<const ContourPoint> Points() const { return m_points; }
    std::vector<ContourPoint>& Storage() { return m_points; }

    /// |dist(a, b) + dist(b, q) - dist(a, q)|: how far going through b departs
    /// from the straight way from a to q. Exactly 0 when b lies on the segment.
    static long double PathDeviation(ContourPoint a, ContourPoint b, ContourPoint q);

private:
    std::vector<ContourPoint> m_points;
    std::size_t m_contourStart = 0;
    double m_mergeTolerance;
};

/// Splits a point list into its contours: a contour runs from its first point up
/// to and including the next point equal to it (or to the end of the list).
std::vector<std::span<const ContourPoint>> SplitContours(std::span<const ContourPoint> points);

enum class ContourEnd {
    Closed,    // the walk came back to its start
    Isolated,  // the start has no neighbour in the area: one point
    TooLong,   // the contour passed the caller's point limit
    Stuck,     // the walk went round without meeting its start again
};

namespace contour_detail {
inline constexpr int kDx[8] = {1, 1, 0, -1, -1, -1, 0, 1};
inline constexpr int kDy[8] = {0, 1, 1, 1, 0, -1, -1, -1};
inline constexpr int kStartDirection = 5;
}  // namespace contour_detail

/// Follows the outline of the area that contains start, with y growing
/// downwards and directions 0 east, 1 south-east, ... 7 north-east.
///   inArea(x, y)  -> bool: whether a pixel inside the picture belongs to the area;
///   onLeave(x, y): called for every pixel the walk leaves (the start again
///                  when the walk closes), after it was appended to points.
/// The search starts north-west; an axis neighbour is taken when it is in the
/// area, a diagonal one when it is and one of the two pixels sharing an edge
/// with both is too. After a move the search turns back by one (axis) or two
/// (diagonal) steps. The walk appends to points (after points.BeginContour())
/// and ends on returning to the start (appending it again), at an isolated
/// start (appended once, onLeave not called), when the contour grows past
/// maxPoints, or after as many moves as there are pixel-direction states (a
/// walk that cycles without passing its start).
template <class InArea, class OnLeave>
ContourEnd FollowContour(std::int32_t width, std::int32_t height, ContourPoint start, InArea&& inArea,
                         OnLeave&& onLeave, ContourPointList& points, std::size_t maxPoints) {
    using namespace contour_detail;
    auto accept = [&](std::int64_t x, std::int64_t y) {
        return x >= 0 && y >= 0 && x < width && y < height &&
               inArea(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
    };
    points.BeginContour();
    const std::uint64_t moveLimit = std::uint64_t(width) * std::uint64_t(height) * 8 + 8;
    std::uint64_t moves = 0;
    ContourPoint at = start;
    int d = kStartDirection;
    for (;;) {
        int taken = -1;
        for (int tries = 0; tries < 8; ++tries, d = (d + 1) & 7) {
            const std::int64_t nx = std::int64_t(at.x) + kDx[d];
            const std::int64_t ny = std::int64_t(at.y) + kDy[d];
            if (!accept(nx, ny)) continue;
            if ((d & 1) != 0 && !accept(nx, at.y) && !accept(at.x, ny)) continue;
            taken = d;
            break;
        }
        if (taken < 0) {
            // Only the start can have no neighbour: every later pixel was
            // reached from one that is in the area.
            points.Append(at);
            return ContourEnd::Isolated;
        }
        points.Append(at);
        onLeave(at.x, at.y);
        at = ContourPoint{at.x + kDx[taken], at.y + kDy[taken]};
        d = (taken - ((taken & 1) != 0 ? 2 : 1)) & 7;
        if (at == start) {
            points.Append(at);
            onLeave(at.x, at.y);
            return ContourEnd::Closed;
        }
        if (points.ContourSize() > maxPoints) return ContourEnd::TooLong;
        if (++moves > moveLimit) return ContourEnd::Stuck;
    }
}

}  // namespace lp
