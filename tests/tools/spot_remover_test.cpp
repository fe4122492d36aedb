#include "tools/spot_remover.h"

#include <gtest/gtest.h>

#include "base/colour.h"
#include "test_support.h"

namespace lp {
namespace {

using test::PixelAt;
using test::SetPixel;

Picture Solid(int w, int h, ColourRef c) {
    Picture p;
    p.Create(w, h);
    p.Fill(c);
    return p;
}

struct SliderCase {
    int slider;
    SpotRemoverParams expected;
};

class SpotSlider : public ::testing::TestWithParam<SliderCase> {};

TEST_P(SpotSlider, MapsToParameters) {
    EXPECT_EQ(SpotRemoverParams::FromSlider(GetParam().slider), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, SpotSlider,
                         ::testing::Values(SliderCase{0, {0, 100, 0}}, SliderCase{20, {100, 100, 0}},
                                           SliderCase{21, {3, 100, 1}}, SliderCase{50, {90, 100, 1}},
                                           SliderCase{51, {4, 100, 2}}, SliderCase{75, {100, 100, 2}},
                                           SliderCase{76, {27, 25, 2}}, SliderCase{100, {75, 1, 2}},
                                           SliderCase{-5, {0, 100, 0}}, SliderCase{300, {75, 1, 2}}));

TEST(SpotRemover, RequiredPairsPerLevel) {
    EXPECT_EQ((SpotRemoverParams{5, 20, 0}).RequiredPairs(), 6);
    EXPECT_EQ((SpotRemoverParams{5, 20, 1}).RequiredPairs(), 5);
    EXPECT_EQ((SpotRemoverParams{5, 20, 2}).RequiredPairs(), 3);
}

TEST(SpotRemover, GreySpotOnUniformGroundIsReplacedByTheAverage) {
    Picture p = Solid(5, 5, MakeColour(100, 100, 100));
    SetPixel(p, 2, 2, MakeColour(200, 10, 250));
    EXPECT_EQ(CSpotRemover(0, 0, 5, 5, p).Run(5, 20, 6), 1u);
    EXPECT_EQ(PixelAt(p, 2, 2), MakeColour(100, 100, 100));
}

TEST(SpotRemover, WhitePixelOnBlackIsNeverReplaced) {
    Picture p = Solid(5, 5, MakeColour(0, 0, 0));
    SetPixel(p, 2, 2, MakeColour(255, 255, 255));
    for (const int s : {0, 20, 50, 75, 100}) {
        EXPECT_EQ(CSpotRemover(0, 0, 5, 5, p).Run(SpotRemoverParams::FromSlider(s)), 0u) << s;
        EXPECT_EQ(PixelAt(p, 2, 2), MakeColour(255, 255, 255));
    }
}

TEST(SpotRemover, SpotMustDifferInEveryChannel) {
    Picture p = Solid(5, 5, MakeColour(100, 100, 100));
    SetPixel(p, 2, 2, MakeColour(200, 200, 110));  // blue only 10 away
    EXPECT_EQ(CSpotRemover(0, 0, 5, 5, p).Run(5, 20, 6), 0u);
}

TEST(SpotRemover, LevelZeroNeedsAllFourNeighboursSimilar) {
    Picture p = Solid(5, 5, MakeColour(100, 100, 100));
    SetPixel(p, 2, 2, MakeColour(250, 250, 250));
    SetPixel(p, 3, 2, MakeColour(160, 160, 160));  // N4, the right-hand neighbour, differs
    Picture q = p;
    CSpotRemover(0, 0, 5, 5, p).Run(5, 20, 6);
    EXPECT_EQ(PixelAt(p, 2, 2), MakeColour(250, 250, 250));
    // Level 2 (three pairs) replaces it with the average of the three similar ones.
    CSpotRemover(0, 0, 5, 5, q).Run(5, 20, 3);
    EXPECT_EQ(PixelAt(q, 2, 2), MakeColour(100, 100, 100));
}

TEST(SpotRemover, BorderOfTheRectangleAndSmallPicturesStay) {
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{2, 5}, {5, 2}, {1, 1}}) {
        Picture p = Solid(w, h, MakeColour(100, 100, 100));
        SetPixel(p, 0, 0, MakeColour(250, 250, 250));
        const Picture before = p;
        EXPECT_EQ(CSpotRemover(0, 0, w, h, p).Run(75, 1, 3), 0u);
        EXPECT_TRUE(p.SamePixels(before));
    }
    // A spot on the rectangle's border is left alone; one inside it is taken.
    Picture p = Solid(8, 8, MakeColour(100, 100, 100));
    SetPixel(p, 2, 2, MakeColour(250, 250, 250));
    SetPixel(p, 4, 4, MakeColour(250, 250, 250));
    CSpotRemover(2, 2, 7, 7, p).Run(5, 20, 6);
    EXPECT_EQ(PixelAt(p, 2, 2), MakeColour(250, 250, 250));
    EXPECT_EQ(PixelAt(p, 4, 4), MakeColour(100, 100, 100));
}

TEST(SpotRemover, InPlaceReplacementFeedsTheNextRow) {
    // (3, 3) is close to the ground but far from the spot at its upper left: once the
    // spot is smoothed in place, (3, 3) is no longer a spot itself.
    Picture p = Solid(6, 6, MakeColour(100, 100, 100));
    SetPixel(p, 2, 2, MakeColour(250, 250, 250));
    SetPixel(p, 3, 3, MakeColour(110, 110, 110));
    EXPECT_EQ(CSpotRemover(0, 0, 6, 6, p).Run(5, 20, 3), 1u);
    EXPECT_EQ(PixelAt(p, 2, 2), MakeColour(100, 100, 100));
    EXPECT_EQ(PixelAt(p, 3, 3), MakeColour(110, 110, 110));
}

}  // namespace
}  // namespace lp
