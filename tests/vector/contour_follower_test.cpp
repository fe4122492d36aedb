#include "tools/contour_follower.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace lp {
namespace {

using Points = std::vector<ContourPoint>;

// A hand-drawn area: '#' belongs to it. Traces the outline from the first
// '#' in row-major order, as the wand and the vectorizer both start there.
struct TraceResult {
    ContourEnd end;
    Points points;
    std::vector<std::string> left;  // 'L' where onLeave was called
};

TraceResult Trace(const std::vector<std::string>& rows, double mergeTolerance = 0.0, std::size_t maxPoints = 100000) {
    const auto h = static_cast<std::int32_t>(rows.size());
    const auto w = static_cast<std::int32_t>(rows[0].size());
    ContourPoint start{-1, -1};
    for (std::int32_t y = 0; y < h && start.x < 0; ++y)
        for (std::int32_t x = 0; x < w; ++x)
            if (rows[y][x] == '#') {
                start = {x, y};
                break;
            }
    TraceResult result;
    result.left = rows;
    ContourPointList list(mergeTolerance);
    result.end = FollowContour(
        w, h, start, [&](std::int32_t x, std::int32_t y) { return rows[y][x] == '#'; },
        [&](std::int32_t x, std::int32_t y) { result.left[y][x] = 'L'; }, list, maxPoints);
    result.points.assign(list.Points().begin(), list.Points().end());
    return result;
}

TEST(ContourFollowerTest, RectangleKeepsOnlyItsCornersClockwise) {
    const TraceResult r = Trace({"####", "####", "####"});
    EXPECT_EQ(r.end, ContourEnd::Closed);
    EXPECT_EQ(r.points, (Points{{0, 0}, {3, 0}, {3, 2}, {0, 2}, {0, 0}}));
    // Every border pixel was left once; the interior never.
    EXPECT_EQ(r.left, (std::vector<std::string>{"LLLL", "L##L", "LLLL"}));
}

TEST(ContourFollowerTest, StraightEdgeOfHundredPixelsGivesTwoEndPoints) {
    const TraceResult r = Trace({std::string(100, '#'), std::string(100, '#')});
    EXPECT_EQ(r.points, (Points{{0, 0}, {99, 0}, {99, 1}, {0, 1}, {0, 0}}));
}

TEST(ContourFollowerTest, SinglePixelIsOnePointAndNeverLeft) {
    const TraceResult r = Trace({"...", ".#.", "..."});
    EXPECT_EQ(r.end, ContourEnd::Isolated);
    EXPECT_EQ(r.points, (Points{{1, 1}}));
    EXPECT_EQ(r.left[1][1], '#');
}

TEST(ContourFollowerTest, PixelsTouchingOnlyAtACornerAreNotJoined) {
    const TraceResult r = Trace({"#.", ".#"});
    EXPECT_EQ(r.end, ContourEnd::Isolated);
    EXPECT_EQ(r.points, (Points{{0, 0}}));
}

TEST(ContourFollowerTest, DiagonalStepNeedsAnEdgeNeighbour) {
    // (0,0) -> (1,1) goes through (0,1); the whole staircase is one contour
    // whose diagonal side collapses to its end points.
    const TraceResult r = Trace({"#..", "##.", "###"});
    EXPECT_EQ(r.end, ContourEnd::Closed);
    EXPECT_EQ(r.points, (Points{{0, 0}, {2, 2}, {0, 2}, {0, 0}}));
}

TEST(ContourFollowerTest, OnePixelWideArmIsWalkedOutAndBack) {
    // The search turns into the area first, so the walk leaves the vertical
    // arm diagonally, runs out along the foot and comes back over it.
    const TraceResult r = Trace({"#..", "#..", "###"});
    EXPECT_EQ(r.points, (Points{{0, 0}, {0, 1}, {1, 2}, {2, 2}, {0, 2}, {0, 0}}));
    EXPECT_EQ(r.left, (std::vector<std::string>{"L..", "L..", "LLL"}));
}

TEST(ContourFollowerTest, PrecisionDecidesWhetherShallowStairCornersStay) {
    // A stair of slope 1/2: each corner adds less than 0.2 pixel of path over
    // the straight line from the first point, so tolerance 0 keeps them and
    // tolerance 0.5 lets the hypotenuse run straight to (5,2).
    const std::vector<std::string> stair = {"##....", "####..", "######"};
    const TraceResult exact = Trace(stair, 0.0);
    const TraceResult loose = Trace(stair, 0.5);
    EXPECT_EQ(exact.points, (Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {0, 2}, {0, 0}}));
    EXPECT_EQ(loose.points, (Points{{0, 0}, {5, 2}, {0, 2}, {0, 0}}));
}

TEST(ContourFollowerTest, StopsWhenTheContourPassesThePointLimit) {
    // A zigzag top edge makes a point per pixel.
    std::string top, second(40, '#');
    for (int i = 0; i < 40; ++i) top += (i % 2 == 0) ? '#' : '.';
    const TraceResult r = Trace({top, second, second}, 0.0, 10);
    EXPECT_EQ(r.end, ContourEnd::TooLong);
    EXPECT_EQ(r.points.size(), 11u);
}

TEST(ContourPointListTest, PathDeviationIsExactlyZeroOnLongDiagonals) {
    // sqrt(2) + sqrt(8) differs from sqrt(18) by rounding: the merge must not
    // depend on it, or straight diagonals would keep every point.
    for (int k = 1; k < 2000; k += 37)
        EXPECT_EQ(ContourPointList::PathDeviation({0, 0}, {k, k}, {k + 1, k + 1}), 0.0L) << k;
    EXPECT_GT(ContourPointList::PathDeviation({0, 0}, {1, 0}, {0, 0}), 1.9L);  // going back is no shortcut
    EXPECT_NEAR(double(ContourPointList::PathDeviation({0, 0}, {1, 0}, {2, 1})), 1 + std::sqrt(2.0) - std::sqrt(5.0),
                1e-12);
}

TEST(ContourPointListTest, MergeWorksPerContourAndKeepsFirstTwoPoints) {
    ContourPointList list(0.0);
    list.BeginContour();
    for (const ContourPoint p : {ContourPoint{0, 0}, {1, 0}, {2, 0}, {3, 0}}) list.Append(p);
    EXPECT_EQ(list.ContourSize(), 2u);
    list.BeginContour();
    // A new contour never merges with the points of the one before.
    list.Append({4, 0});
    list.Append({5, 0});
    EXPECT_EQ((Points(list.Points().begin(), list.Points().end())), (Points{{0, 0}, {3, 0}, {4, 0}, {5, 0}}));
    list.DiscardContour();
    EXPECT_EQ(list.Points().size(), 2u);
}

TEST(SplitContoursTest, SplitsAtTheRepetitionOfEachFirstPoint) {
    const Points all = {{0, 0}, {4, 0}, {4, 4}, {0, 0}, {2, 1}, {1, 2}, {2, 1}, {7, 7}, {8, 8}};
    const auto contours = SplitContours(all);
    ASSERT_EQ(contours.size(), 3u);
    EXPECT_EQ(contours[0].size(), 4u);
    EXPECT_EQ(contours[1].size(), 3u);
    EXPECT_EQ(contours[2].size(), 2u);  // an unclosed tail runs to the end of the list
    EXPECT_TRUE(SplitContours({}).empty());
}

}  // namespace
}  // namespace lp
