#include "vector/vectorizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vector/vector_paint.h"
#include "vector_test_pictures.h"

namespace lp {
namespace {

using test::GridPicture;
using Points = std::vector<ContourPoint>;

constexpr ColourRef kWhite = MakeColour(255, 255, 255);
constexpr ColourRef kRed = MakeColour(255, 0, 0);

VectorizeResult Vectorize(const Picture& p, bool overlapped, int precision = 100, int tolerance = 0,
                          ColourRef background = kNoColour) {
    CVectorizer v(VectorizerSettings{tolerance, precision, background, overlapped});
    return v.Run(p);
}

TEST(VectorizerTest, OneColourPictureIsOneObjectAroundTheBorder) {
    const VectorizeResult r = Vectorize(GridPicture({"gggggg", "gggggg", "gggggg", "gggggg"}), true);
    ASSERT_TRUE(r.Complete());
    ASSERT_EQ(r.drawing.objects.size(), 1u);
    const VectorObject& o = r.drawing.objects[0];
    EXPECT_EQ(o.type, 1);
    EXPECT_EQ(o.colour, MakeColour(0, 160, 0));
    EXPECT_EQ(o.holeCount, 0u);
    EXPECT_EQ(o.points, (Points{{0, 0}, {5, 0}, {5, 3}, {0, 3}, {0, 0}}));
    EXPECT_EQ(r.drawing.width, 6);
    EXPECT_EQ(r.drawing.height, 4);
}

TEST(VectorizerTest, LonePixelMakesNoObjectButAHoleWhenNotOverlapped) {
    const auto picture = GridPicture({".....", ".....", "..r..", ".....", "....."});
    const VectorizeResult on = Vectorize(picture, true);
    ASSERT_EQ(on.drawing.objects.size(), 1u);
    EXPECT_EQ(on.drawing.objects[0].holeCount, 0u);
    EXPECT_EQ(on.drawing.objects[0].points.size(), 5u);

    const VectorizeResult off = Vectorize(picture, false);
    ASSERT_EQ(off.drawing.objects.size(), 1u);
    const VectorObject& white = off.drawing.objects[0];
    EXPECT_EQ(white.holeCount, 1u);
    // The hole starts right of the red pixel and steps diagonally round it.
    EXPECT_EQ(white.points, (Points{{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}, {3, 2}, {2, 1}, {1, 2}, {2, 3}, {3, 2}}));
}

TEST(VectorizerTest, SquareOnWhiteWithAndWithoutOverlap) {
    const std::vector<std::string> grid = {".......", ".......", "..rrr..", "..rrr..", "..rrr..", ".......", "......."};
    const VectorizeResult off = Vectorize(GridPicture(grid), false);
    ASSERT_EQ(off.drawing.objects.size(), 2u);
    const VectorObject& white = off.drawing.objects[0];
    const VectorObject& red = off.drawing.objects[1];
    EXPECT_EQ(white.colour, kWhite);
    EXPECT_EQ(red.colour, kRed);
    EXPECT_EQ(red.points, (Points{{2, 2}, {4, 2}, {4, 4}, {2, 4}, {2, 2}}));
    EXPECT_EQ(white.holeCount, 1u);
    const auto contours = white.Contours();
    ASSERT_EQ(contours.size(), 2u);
    // The hole runs through white pixels next to the square and closes where it began.
    EXPECT_EQ(contours[1].front(), (ContourPoint{5, 2}));
    EXPECT_EQ(contours[1].back(), (ContourPoint{5, 2}));
    for (const ContourPoint p : contours[1]) {
        EXPECT_EQ(grid[p.y][p.x], '.') << p.x << "," << p.y;
        EXPECT_TRUE(p.x >= 1 && p.x <= 5 && p.y >= 1 && p.y <= 5) << p.x << "," << p.y;
    }

    const VectorizeResult on = Vectorize(GridPicture(grid), true);
    ASSERT_EQ(on.drawing.objects.size(), 2u);
    EXPECT_EQ(on.drawing.objects[0].holeCount, 0u);
    EXPECT_EQ(on.drawing.objects[0].points, (Points{{0, 0}, {6, 0}, {6, 6}, {0, 6}, {0, 0}}));
}

TEST(VectorizerTest, BackgroundRegionsTouchingTheBorderMakeNoObject) {
    const VectorizeResult r = Vectorize(GridPicture({".....", ".rr..", ".rr..", "....."}), false, 100, 0, kWhite);
    ASSERT_EQ(r.drawing.objects.size(), 1u);
    EXPECT_EQ(r.drawing.objects[0].colour, kRed);
    EXPECT_EQ(r.drawing.background, kWhite);
}

TEST(VectorizerTest, EnclosedBackgroundRegionStillBecomesAnObject) {
    // Skipping the white inside the ring would paint the ring as a solid square.
    const auto picture = GridPicture({".......", ".rrrrr.", ".r...r.", ".r...r.", ".r...r.", ".rrrrr.", "......."});
    const VectorizeResult r = Vectorize(picture, false, 100, 0, kWhite);
    ASSERT_EQ(r.drawing.objects.size(), 2u);
    EXPECT_EQ(r.drawing.objects[0].colour, kRed);
    EXPECT_EQ(r.drawing.objects[1].colour, kWhite);
    EXPECT_EQ(r.drawing.objects[1].points, (Points{{2, 2}, {4, 2}, {4, 4}, {2, 4}, {2, 2}}));
    EXPECT_TRUE(PaintVectorObjects(r.drawing).SamePixels(picture));
}

TEST(VectorizerTest, ToleranceBucketsChannels) {
    CVectorizer v(VectorizerSettings{9, 0, kNoColour, true});
    EXPECT_EQ(v.BucketSize(), 10);
    EXPECT_TRUE(v.Similar(MakeColour(10, 0, 0), MakeColour(19, 0, 0)));
    EXPECT_FALSE(v.Similar(MakeColour(19, 0, 0), MakeColour(20, 0, 0)));
    EXPECT_FALSE(v.Similar(MakeColour(0, 0, 9), MakeColour(0, 0, 10)));
    EXPECT_TRUE(CVectorizer(VectorizerSettings{255, 0, kNoColour, true}).Similar(0, MakeColour(255, 255, 255)));

    struct Case {
        std::uint8_t left, right;
        std::size_t objects;
    };
    for (const Case c : {Case{10, 19, 1}, Case{19, 20, 2}}) {
        Picture p;
        p.Create(4, 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x) {
                const std::uint8_t v8 = x < 2 ? c.left : c.right;
                test::SetPixel(p, x, y, MakeColour(v8, v8, v8));
            }
        const VectorizeResult r = Vectorize(p, true, 100, 9);
        ASSERT_EQ(r.drawing.objects.size(), c.objects) << int(c.left) << " " << int(c.right);
        // The object takes the colour of the pixel where its region was first met.
        EXPECT_EQ(r.drawing.objects[0].colour, MakeColour(c.left, c.left, c.left));
    }
}

TEST(VectorizerTest, PrecisionSetsTheMergeTolerance) {
    EXPECT_DOUBLE_EQ(CVectorizer(VectorizerSettings{0, 100, kNoColour, true}).MergeTolerance(), 0.0);
    EXPECT_DOUBLE_EQ(CVectorizer(VectorizerSettings{0, 0, kNoColour, true}).MergeTolerance(), 0.5);
    EXPECT_DOUBLE_EQ(CVectorizer(VectorizerSettings{0, 60, kNoColour, true}).MergeTolerance(), 0.2);
    const auto stair = GridPicture({"rr....", "rrrr..", "rrrrrr"});
    EXPECT_EQ(Vectorize(stair, true, 100).drawing.objects[0].points.size(), 8u);
    EXPECT_EQ(Vectorize(stair, true, 0).drawing.objects[0].points.size(), 4u);
}

TEST(VectorizerTest, ObjectsComeInRowMajorOrderOfTheirFirstPixel) {
    const VectorizeResult r = Vectorize(GridPicture({"..bb", "rrbb", "rrgg", "..gg"}), true);
    std::vector<ColourRef> colours;
    for (const VectorObject& o : r.drawing.objects) colours.push_back(o.colour);
    EXPECT_EQ(colours, (std::vector<ColourRef>{kWhite, MakeColour(0, 0, 255), kRed, MakeColour(0, 160, 0), kWhite}));
}

TEST(VectorizerTest, RenderingTheObjectsGivesThePictureBack) {
    const Picture picture = test::FewColourGraphic(120, 90);
    for (const bool overlapped : {true, false}) {
        const VectorizeResult r = Vectorize(picture, overlapped);
        ASSERT_TRUE(r.Complete());
        // White, blue, yellow, green, the red ring, the white inside it, black.
        EXPECT_EQ(r.drawing.objects.size(), 7u);
        EXPECT_TRUE(PaintVectorObjects(r.drawing).SamePixels(picture)) << "overlapped " << overlapped;
    }
}

TEST(VectorizerTest, LongContourStopsTheRunAndKeepsEarlierObjects) {
    // A red strip on top, then a black region whose top edge zigzags: one
    // point per pixel, far past the limit.
    const int w = 12000;
    Picture p;
    p.Create(w, 4);
    p.Fill(0);
    for (int x = 0; x < w; ++x) {
        test::SetPixel(p, x, 0, kRed);
        if (x % 2 == 1) test::SetPixel(p, x, 1, kWhite);
    }
    const VectorizeResult r = Vectorize(p, true);
    EXPECT_EQ(r.stopMessage, CVectorizer::kTooLongMessage);
    ASSERT_EQ(r.drawing.objects.size(), 1u);
    EXPECT_EQ(r.drawing.objects[0].colour, kRed);
}

TEST(VectorizerTest, TinyNoisyAndEmptyPicturesGiveNoObjects) {
    Picture one;
    one.Create(1, 1);
    EXPECT_TRUE(Vectorize(one, true).drawing.objects.empty());
    EXPECT_TRUE(Vectorize(Picture{}, true).drawing.objects.empty());
    // Every pixel different: every region is a lone pixel.
    const Picture noise = test::PatternPicture(200, 150);
    const VectorizeResult r = Vectorize(noise, false);
    EXPECT_TRUE(r.Complete());
    EXPECT_TRUE(r.drawing.objects.empty());
}

struct RecordingSink : ProgressSink {
    std::vector<std::string> events;
    void Begin(long low, long high, std::string_view text) override {
        events.push_back("begin " + std::to_string(low) + " " + std::to_string(high) + " " + std::string(text));
    }
    void Step(long position) override { events.push_back("step " + std::to_string(position)); }
    void SetText(std::string_view text) override { events.push_back("text " + std::string(text)); }
    void End() override { events.push_back("end"); }
};

TEST(VectorizerTest, ReportsProgressPerRow) {
    RecordingSink sink;
    CVectorizer(VectorizerSettings{}).Run(GridPicture({"rr", "rr", "rr"}), &sink);
    EXPECT_EQ(sink.events,
              (std::vector<std::string>{"begin 0 3 Vectorizing ...", "step 0", "step 1", "step 2", "end"}));
}

}  // namespace
}  // namespace lp
