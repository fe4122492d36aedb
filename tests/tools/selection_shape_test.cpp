#include "tools/selection_shape.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace lp {
namespace {

using test::PixelAt;
using test::SetPixel;

/// A picture drawn from text rows: each character picks a colour from the legend.
Picture FromRows(const std::vector<std::string>& rows, const std::vector<std::pair<char, ColourRef>>& legend) {
    Picture p;
    p.Create(int(rows[0].size()), int(rows.size()));
    for (int y = 0; y < int(rows.size()); ++y)
        for (int x = 0; x < int(rows[0].size()); ++x)
            for (const auto& [c, colour] : legend)
                if (rows[std::size_t(y)][std::size_t(x)] == c) SetPixel(p, x, y, colour);
    return p;
}

std::vector<std::string> MaskRows(const SelectionMask& m) {
    std::vector<std::string> rows;
    for (int y = 0; y < m.height; ++y) {
        std::string row;
        for (int x = 0; x < m.width; ++x) row += m.At(x, y) ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

const ColourRef kBlack = MakeColour(0, 0, 0);
const ColourRef kWhite = MakeColour(255, 255, 255);

struct WandCase {
    const char* name;
    std::vector<std::string> picture;  // digits 0..9: grey levels 0, 10, ... 90 on every channel
    int seedX, seedY, tolerance;
    std::vector<std::string> expected;
};

Picture GreyRows(const std::vector<std::string>& rows) {
    std::vector<std::pair<char, ColourRef>> legend;
    for (int d = 0; d <= 9; ++d)
        legend.push_back({char('0' + d), MakeColour(std::uint8_t(d * 10), std::uint8_t(d * 10), std::uint8_t(d * 10))});
    return FromRows(rows, legend);
}

class WandAreas : public ::testing::TestWithParam<WandCase> {};

TEST_P(WandAreas, MarksTheFourConnectedSimilarArea) {
    const WandCase& c = GetParam();
    const Picture p = GreyRows(c.picture);
    CWandSelection wand(p, c.seedX, c.seedY, c.tolerance);
    EXPECT_EQ(MaskRows(wand.WandMask()), c.expected);
}

// Grey digit d has |dR|+|dG|+|dB| = 30 per digit step from its neighbour digit.
INSTANTIATE_TEST_SUITE_P(
    Tolerances, WandAreas,
    ::testing::Values(
        WandCase{"Exact_OnDither",
                 {"0101", "1010", "0101"},
                 0, 0, 0,
                 {"#...", "....", "...."}},
        WandCase{"Tolerance29_StillExact",
                 {"0011", "0011", "2222"},
                 0, 0, 29,
                 {"##..", "##..", "...."}},
        WandCase{"Tolerance30_TakesOneStep",
                 {"0011", "0011", "2222"},
                 0, 0, 30,
                 {"####", "####", "...."}},
        WandCase{"Tolerance60_TakesTwoSteps",
                 {"0011", "0011", "2223"},
                 0, 0, 60,
                 {"####", "####", "###."}},
        WandCase{"CornerTouchNotJoined",
                 {"0099", "0099", "9900", "9900"},
                 0, 0, 0,
                 {"##..", "##..", "....", "...."}},
        WandCase{"HoleStaysOut",
                 {"00000", "09990", "09090", "09990", "00000"},
                 0, 0, 0,
                 {"#####", "#...#", "#...#", "#...#", "#####"}},
        WandCase{"UShapeSpansReachBothArms",
                 {"0550", "0550", "0000"},
                 3, 0, 0,
                 {"#..#", "#..#", "####"}},
        WandCase{"SeedInsideHole",
                 {"00000", "09990", "09090", "09990", "00000"},
                 2, 2, 0,
                 {".....", ".....", "..#..", ".....", "....."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WandSelection, ToleranceSumsTheChannelsNotEach) {
    // Each channel differs by 40 from the seed: within 100 per channel, but 120 summed.
    const Picture p = FromRows({"ab"}, {{'a', MakeColour(100, 100, 100)}, {'b', MakeColour(140, 140, 140)}});
    EXPECT_EQ(CWandSelection(p, 0, 0, 100).WandMask().Count(), 1u);
    EXPECT_EQ(CWandSelection(p, 0, 0, 120).WandMask().Count(), 2u);
    EXPECT_EQ(CWandSelection(p, 0, 0, 765).WandMask().Count(), 2u);
}

TEST(WandSelection, SeedOutsideThePictureIsEmptyAndFillsNothing) {
    Picture p = GreyRows({"00", "00"});
    const Picture before = p;
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{-1, 0}, {0, -1}, {2, 0}, {0, 2}}) {
        CWandSelection wand(p, x, y, 765);
        EXPECT_TRUE(wand.IsEmpty());
        EXPECT_TRUE(wand.Outlines().empty());
        EXPECT_EQ(wand.Fill(p, kWhite), 0u);
        EXPECT_TRUE(p.SamePixels(before));
    }
}

TEST(WandSelection, OnePixelAreaHasOneSinglePointContourAndFillsThatPixel) {
    Picture p = GreyRows({"000", "090", "000"});
    CWandSelection wand(p, 1, 1, 0);
    const auto outlines = wand.Outlines();
    ASSERT_EQ(outlines.size(), 1u);
    EXPECT_EQ(outlines[0], (std::vector<ContourPoint>{{1, 1}}));
    EXPECT_EQ(wand.Fill(p, kWhite), 1u);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(p, x, y), x == 1 && y == 1 ? kWhite : kBlack) << x << "," << y;
}

TEST(WandSelection, AreaWithAHoleHasOuterAndInnerContoursAndFillSkipsTheHole) {
    Picture p = GreyRows({"0000000", "0000000", "0099900", "0099900", "0099900", "0000000", "0000000"});
    const Picture before = p;
    CWandSelection wand(p, 0, 0, 0);
    EXPECT_EQ(wand.WandMask().Count(), 40u);
    EXPECT_GE(wand.Outlines().size(), 2u);
    for (const auto& contour : wand.Outlines()) EXPECT_EQ(contour.front(), contour.back());
    EXPECT_EQ(wand.Fill(p, kWhite), 40u);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(PixelAt(p, x, y), wand.Covers(x, y) ? kWhite : PixelAt(before, x, y)) << x << "," << y;
    EXPECT_EQ(PixelAt(p, 3, 3), MakeColour(90, 90, 90));
}

TEST(WandSelection, StraightEdgeCollapsesToItsEndPoints) {
    Picture p;
    p.Create(100, 1);
    p.Fill(kBlack);
    CWandSelection wand(p, 50, 0, 0);
    const auto outlines = wand.Outlines();
    ASSERT_EQ(outlines.size(), 1u);
    EXPECT_EQ(outlines[0], (std::vector<ContourPoint>{{0, 0}, {99, 0}, {0, 0}}));
    EXPECT_EQ(wand.Bounds(), (SelectionBox{0, 0, 100, 1}));
}

TEST(WandSelection, LargeAreaNeedsNoRecursion) {
    Picture p;
    p.Create(1500, 1500);
    p.Fill(kBlack);
    // A comb: many short spans push many seeds.
    for (int y = 0; y < 1500; y += 2)
        for (int x = 1; x < 1500; x += 2) SetPixel(p, x, y, kWhite);
    CWandSelection wand(p, 0, 0, 0);
    std::size_t expected = 0;
    for (int y = 0; y < 1500; ++y)
        for (int x = 0; x < 1500; ++x) expected += PixelAt(p, x, y) == kBlack;
    EXPECT_EQ(wand.WandMask().Count(), expected);
}

// --- Rectangle, ellipse, polygon --------------------------------------------------------------

TEST(RectSelection, CoversFromTheSmallerCornerUpToTheLargerAndContainsStrictly) {
    CRectSelection r(5, 4);
    r.SetPoint(2, 1);  // dragged up and left
    EXPECT_EQ(r.Bounds(), (SelectionBox{2, 1, 5, 4}));
    EXPECT_TRUE(r.Covers(2, 1));
    EXPECT_TRUE(r.Covers(4, 3));
    EXPECT_FALSE(r.Covers(5, 3));
    EXPECT_FALSE(r.Covers(4, 4));
    EXPECT_FALSE(r.Contains(2, 2));  // on the border
    EXPECT_TRUE(r.Contains(3, 2));
    const SelectionMask m = r.Mask(6, 5);
    EXPECT_EQ(m.Count(), 9u);
}

TEST(RectSelection, FillChangesExactlyItsPixels) {
    Picture p = test::PatternPicture(10, 8);
    const Picture before = p;
    CRectSelection r(2, 3);
    r.SetPoint(6, 5);
    EXPECT_EQ(r.Fill(p, MakeColour(1, 2, 3)), 8u);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 3 && y < 5;
            EXPECT_EQ(PixelAt(p, x, y), inside ? MakeColour(1, 2, 3) : PixelAt(before, x, y)) << x << "," << y;
        }
}

TEST(RectSelection, FillIsClippedToThePicture) {
    Picture p = test::PatternPicture(4, 4);
    CRectSelection r(-5, -5);
    r.SetPoint(2, 100);
    EXPECT_EQ(r.Fill(p, kWhite), 8u);
}

TEST(RectSelection, HandleDragKeepsTheOppositeCorner) {
    CRectSelection r(10, 10);
    r.SetPoint(20, 30);
    EXPECT_TRUE(r.HitHandle(21, 9));  // the top-right handle, within 3 pixels
    EXPECT_FALSE(r.HitHandle(15, 15));
    ASSERT_TRUE(r.HitHandleAndAnchor(20, 10));
    r.SetPoint(25, 5);
    EXPECT_EQ(r.Bounds(), (SelectionBox{10, 5, 25, 30}));
    r.Offset(-10, 5);
    EXPECT_EQ(r.Bounds(), (SelectionBox{0, 10, 15, 35}));
}

TEST(RectSelection, HandlesShrinkWithTheZoom) {
    CRectSelection r(10, 10);
    r.SetPoint(20, 20);
    r.zoom = 4.0;  // 3 screen pixels are less than one picture pixel
    EXPECT_TRUE(r.HitHandle(10, 10));
    EXPECT_FALSE(r.HitHandle(11, 10));
}

TEST(EllipseSelection, CoversTheInscribedEllipseOnly) {
    CEllipseSelection e(0, 0);
    e.SetPoint(9, 9);
    const std::vector<std::string> expected = {
        "..#####..", ".#######.", "#########", "#########", "#########",
        "#########", "#########", ".#######.", "..#####..",
    };
    EXPECT_EQ(MaskRows(e.Mask(9, 9)), expected);
    EXPECT_FALSE(e.Contains(0, 0));
    EXPECT_TRUE(e.Contains(4, 4));
}

TEST(PolygonSelection, AlternateRuleAndVertexLimit) {
    CPolygonSelection poly(0, 0);
    poly.SetPoint(6, 0);
    poly.SetPoint(0, 6);
    poly.Close();
    EXPECT_FALSE(poly.SetPoint(3, 3));  // closed: no more vertices
    const std::vector<std::string> expected = {"#####.", "####..", "###...", "##....", "#.....", "......"};
    EXPECT_EQ(MaskRows(poly.Mask(6, 6)), expected);
    EXPECT_EQ(poly.Outlines()[0].back(), (ContourPoint{0, 0}));

    // A self-crossing bow tie: only its two triangles are inside.
    CPolygonSelection star(0, 0);
    for (const ContourPoint v : std::vector<ContourPoint>{{4, 0}, {0, 4}, {4, 4}}) star.SetPoint(v.x, v.y);
    star.Close();
    EXPECT_TRUE(star.Covers(2, 0));
    EXPECT_FALSE(star.Covers(0, 2));

    CPolygonSelection big(0, 0);
    for (int i = 1; i < 1000; ++i) EXPECT_TRUE(big.SetPoint(i, i % 2));
    EXPECT_FALSE(big.SetPoint(5, 5));
    EXPECT_EQ(big.Vertices().size(), 1000u);
}

TEST(PolygonSelection, GrabbedVertexFollowsAndOffsetMovesAll) {
    CPolygonSelection poly(0, 0);
    poly.SetPoint(10, 0);
    poly.SetPoint(10, 10);
    poly.Close();
    ASSERT_TRUE(poly.HitHandleAndAnchor(11, 11));
    poly.SetPoint(20, 20);
    poly.ReleaseHandle();
    EXPECT_EQ(poly.Vertices()[2], (ContourPoint{20, 20}));
    poly.Offset(1, 2);
    EXPECT_EQ(poly.Vertices()[0], (ContourPoint{1, 2}));
    EXPECT_EQ(poly.Bounds(), (SelectionBox{1, 2, 21, 22}));
}

TEST(SelectionShapes, FillUsesTheFrameOffset) {
    Picture frame;
    frame.Create(4, 4);
    frame.Fill(kBlack);
    CRectSelection r(10, 10);  // canvas coordinates
    r.SetPoint(12, 11);
    EXPECT_EQ(r.Fill(frame, kWhite, 10, 10), 2u);
    EXPECT_EQ(PixelAt(frame, 0, 0), kWhite);
    EXPECT_EQ(PixelAt(frame, 1, 0), kWhite);
    EXPECT_EQ(PixelAt(frame, 2, 0), kBlack);
}

}  // namespace
}  // namespace lp
