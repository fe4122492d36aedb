#include "base/imp_exp_exception.h"
#include "imaging/rotate.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>

namespace lp {
namespace {

using test::PatternPicture;
using test::PixelAt;
using test::SetPixel;

constexpr ColourRef kFill = MakeColour(12, 34, 56);
constexpr ColourRef kWhite = MakeColour(255, 255, 255);

TEST(Mirror, HorizontalSwapsColumnsAndKeepsTheMiddle) {
    const Picture src = PatternPicture(5, 3);
    Picture p = src;
    Mirror(p, true);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelAt(p, x, y), PixelAt(src, 4 - x, y));
}

TEST(Mirror, VerticalSwapsRows) {
    const Picture src = PatternPicture(3, 4);
    Picture p = src;
    Mirror(p, false);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(p, x, y), PixelAt(src, x, 3 - y));
}

TEST(Mirror, TwiceRestoresThePicture) {
    for (auto [w, h] : {std::pair{1, 1}, {1, 6}, {6, 1}, {7, 5}, {8, 6}}) {
        for (bool horizontal : {true, false}) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + (horizontal ? " horizontal" : " vertical"));
            const Picture src = PatternPicture(w, h);
            Picture p = src;
            Mirror(p, horizontal);
            if ((horizontal ? w : h) > 1) {
                EXPECT_FALSE(p.SamePixels(src));
            }
            Mirror(p, horizontal);
            EXPECT_TRUE(p.SamePixels(src));
        }
    }
}

TEST(Rotate, QuarterTurnKeepsEveryPixel) {
    const Picture src = PatternPicture(100, 50);
    Picture p = src;
    Rotate(p, 90.0, kFill);
    ASSERT_EQ(p.Width(), 50);
    ASSERT_EQ(p.Height(), 100);
    // Counter-clockwise on screen: the top-right corner comes to the top-left.
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x) ASSERT_EQ(PixelAt(p, y, 99 - x), PixelAt(src, x, y)) << x << "," << y;
}

TEST(Rotate, OtherQuarterTurnsMoveWholePixels) {
    const Picture src = PatternPicture(6, 4);
    Picture half = src;
    Rotate(half, 180.0, kFill);
    ASSERT_EQ(half.Width(), 6);
    Picture clockwise = src;
    Rotate(clockwise, -90.0, kFill);
    ASSERT_EQ(clockwise.Width(), 4);
    ASSERT_EQ(clockwise.Height(), 6);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(PixelAt(half, 5 - x, 3 - y), PixelAt(src, x, y));
            EXPECT_EQ(PixelAt(clockwise, 3 - y, x), PixelAt(src, x, y));
        }
    Picture threeQuarters = src;
    Rotate(threeQuarters, 270.0, kFill);
    EXPECT_TRUE(threeQuarters.SamePixels(clockwise));
    Picture moreThanATurn = src;
    Rotate(moreThanATurn, 450.0, kFill);
    Picture quarter = src;
    Rotate(quarter, 90.0, kFill);
    EXPECT_TRUE(moreThanATurn.SamePixels(quarter));
}

TEST(Rotate, FourQuarterTurnsAreTheIdentity) {
    const Picture src = PatternPicture(13, 7);
    Picture p = src;
    for (int i = 0; i < 4; ++i) Rotate(p, 90.0, kFill);
    EXPECT_TRUE(p.SamePixels(src));
}

TEST(Rotate, ZeroAndFullTurnsGiveACopy) {
    const Picture src = PatternPicture(9, 4);
    for (double angle : {0.0, 360.0, -720.0}) {
        Picture p = src;
        Rotate(p, angle, kFill);
        EXPECT_TRUE(p.SamePixels(src)) << angle;
    }
}

TEST(Rotate, FortyFiveDegreesHoldsTheWholePictureWithFilledCorners) {
    Picture p;
    p.Create(100, 100);
    const ColourRef red = MakeColour(255, 0, 0);
    p.Fill(red);
    Rotate(p, 45.0, kFill);
    // 100 sqrt(2) = 141.42: the surface must hold it whole.
    EXPECT_EQ(p.Width(), 142);
    EXPECT_EQ(p.Height(), 142);
    for (auto [x, y] : {std::pair{0, 0}, {141, 0}, {0, 141}, {141, 141}, {20, 20}, {120, 120}})
        EXPECT_EQ(PixelAt(p, x, y), kFill) << x << "," << y;
    EXPECT_EQ(PixelAt(p, 71, 71), red);
    EXPECT_EQ(PixelAt(p, 71, 1), red);  // the top corner of the diamond
    EXPECT_EQ(PixelAt(p, 1, 71), red);
    int redCount = 0;
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) redCount += PixelAt(p, x, y) == red;
    EXPECT_NEAR(redCount, 10000, 150) << "the area is kept";
}

TEST(Rotate, PositiveAnglesTurnCounterClockwise) {
    Picture src;
    src.Create(100, 100);
    src.Fill(MakeColour(255, 0, 0));
    const ColourRef blue = MakeColour(0, 0, 255);
    for (int y = 0; y < 8; ++y)
        for (int x = 92; x < 100; ++x) SetPixel(src, x, y, blue);  // the top-right corner

    Picture ccw = src;
    Rotate(ccw, 45.0, kFill);
    EXPECT_EQ(PixelAt(ccw, 71, 4), blue) << "top-right corner rises to the top";
    Picture cw = src;
    Rotate(cw, -45.0, kFill);
    EXPECT_EQ(PixelAt(cw, cw.Width() - 5, 71), blue) << "top-right corner goes to the right";
}

TEST(Rotate, NonSquareSizeAtThirtyDegrees) {
    Picture p = PatternPicture(100, 50);
    Rotate(p, 30.0, kFill);
    const double c = std::cos(std::numbers::pi / 6), s = std::sin(std::numbers::pi / 6);
    EXPECT_EQ(p.Width(), int(std::ceil(100 * c + 50 * s)));   // 112
    EXPECT_EQ(p.Height(), int(std::ceil(100 * s + 50 * c)));  // 94
}

struct HatchCase {
    int style;
    std::vector<std::pair<int, int>> onLine;
    std::vector<std::pair<int, int>> offLine;
};

TEST(Rotate, HatchStylesDrawLinesInTheFillColourOnWhite) {
    // The top-left 24 x 24 corner of a square turned by 45 degrees is background.
    const HatchCase cases[] = {
        {kSolidFill, {{0, 0}, {3, 5}, {9, 2}}, {}},
        {kHatchHorizontal, {{3, 0}, {5, 8}}, {{0, 3}, {8, 5}}},
        {kHatchVertical, {{0, 3}, {8, 5}}, {{3, 0}, {5, 8}}},
        {kHatchForwardDiagonal, {{3, 3}, {8, 0}, {9, 1}}, {{1, 7}, {3, 5}}},
        {kHatchBackwardDiagonal, {{1, 7}, {3, 5}}, {{3, 3}, {9, 1}}},
        {kHatchCross, {{0, 3}, {3, 0}, {8, 5}}, {{3, 3}, {1, 7}}},
        {kHatchDiagonalCross, {{3, 3}, {1, 7}}, {{0, 3}, {3, 0}}},
        {99, {{0, 0}, {3, 5}}, {}},  // unknown styles fill solid
    };
    for (const HatchCase& c : cases) {
        SCOPED_TRACE(c.style);
        Picture p;
        p.Create(100, 100);
        p.Fill(MakeColour(255, 0, 0));
        Rotate(p, 45.0, kFill, c.style);
        for (auto [x, y] : c.onLine) EXPECT_EQ(PixelAt(p, x, y), kFill) << x << "," << y;
        for (auto [x, y] : c.offLine) EXPECT_EQ(PixelAt(p, x, y), kWhite) << x << "," << y;
    }
}

TEST(Rotate, BadRequestsFailCleanlyAndLeaveThePicture) {
    const Picture before = PatternPicture(7, 5);
    for (double angle : {std::nan(""), std::numeric_limits<double>::infinity()}) {
        Picture p = before;
        EXPECT_THROW(Rotate(p, angle, kFill), ImpExpException);
        EXPECT_TRUE(p.SamePixels(before));
    }
    // A long thin picture whose turned surface would break the pixel limits.
    Picture line;
    line.Create(1 << 20, 1);
    line.Fill(kFill);
    Picture copy = line;
    EXPECT_THROW(Rotate(line, 45.0, kFill), ImpExpException);
    EXPECT_TRUE(line.SamePixels(copy));
}

TEST(Rotate, EmptyPictureStaysEmpty) {
    Picture p;
    Rotate(p, 33.0, kFill);
    Mirror(p, true);
    EXPECT_TRUE(p.IsEmpty());
}

}  // namespace
}  // namespace lp
