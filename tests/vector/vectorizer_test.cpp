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

/// Regions of alike (here: equal) colour joined through edges, with at least
/// two pixels: the objects a run must make, each exactly once.
std::size_t RegionsOfTwoOrMorePixels(const Picture& p) {
    const int w = p.Width(), h = p.Height();
    std::vector<int> seen(std::size_t(w) * h, 0);
    std::size_t regions = 0;
    for (int y0 = 0; y0 < h; ++y0)
        for (int x0 = 0; x0 < w; ++x0) {
            if (seen[std::size_t(y0) * w + x0]) continue;
            const ColourRef c = test::PixelAt(p, x0, y0);
            std::vector<std::pair<int, int>> pending{{x0, y0}};
            seen[std::size_t(y0) * w + x0] = 1;
            std::size_t size = 0;
            while (!pending.empty()) {
                const auto [x, y] = pending.back();
                pending.pop_back();
                ++size;
                const int dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1};
                for (int k = 0; k < 4; ++k) {
                    const int nx = x + dx[k], ny = y + dy[k];
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h || seen[std::size_t(ny) * w + nx]) continue;
                    if (test::PixelAt(p, nx, ny) != c) continue;
                    seen[std::size_t(ny) * w + nx] = 1;
                    pending.push_back({nx, ny});
                }
            }
            if (size >= 2) ++regions;
        }
    return regions;
}

/// Every object's first point is its region's first pixel: strictly
/// increasing in row-major order, so no region is traced twice and every
/// enclosing object comes before the objects inside it.
void ExpectFirstPixelOrder(const VectorDrawing& d) {
    for (std::size_t i = 1; i < d.objects.size(); ++i) {
        const ContourPoint a = d.objects[i - 1].points.front(), b = d.objects[i].points.front();
        EXPECT_TRUE(a.y < b.y || (a.y == b.y && a.x < b.x))
            << "object " << i << " at " << b.x << "," << b.y << " after " << a.x << "," << a.y;
    }
}

TEST(VectorizerTest, InnerObjectsStayVisibleInsideOuterOnesInBothModes) {
    struct Case {
        const char* name;
        std::vector<std::string> grid;
        std::vector<ColourRef> colours;  // object colours in painting order
    };
    const Case cases[] = {
        // A ring thin on the left and thick on the right, on the ground's
        // colour inside as outside, with a dot in it.
        {"ring with a dot",
         {"...........", "..rrrrrrr..", "..r....rr..", "..r.kk.rr..", "..r.kk.rr..", "..r....rr..", "..rrrrrrr..",
          "..........."},
         {kWhite, kRed, kWhite, MakeColour(0, 0, 0)}},
        // Outlines within outlines, as a cartoon draws them.
        {"nested shapes",
         {"............", ".kkkkkkkkkk.", ".kyyyyyyyyk.", ".kykkkkkkyk.", ".kyk..rrkyk.", ".kyk..rrkyk.",
          ".kykkkkkkyk.", ".kyyyyyyyyk.", ".kkkkkkkkkk.", "............"},
         {kWhite, 0, MakeColour(250, 220, 0), 0, kWhite, kRed}},
        // Dark letters in a filled box on a dark ground.
        {"text in a box",
         {"kkkkkkkkkkkk", "kkbbbbbbbbkk", "kkbkkbkkbbkk", "kkbkkbkkbbkk", "kkbbbbbbbbkk", "kkkkkkkkkkkk"},
         {0, MakeColour(0, 0, 255), 0, 0}},
    };
    for (const Case& c : cases) {
        const Picture picture = GridPicture(c.grid);
        for (const bool overlapped : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (overlapped ? ", overlapped" : ", not overlapped"));
            const VectorizeResult r = Vectorize(picture, overlapped);
            ASSERT_TRUE(r.Complete());
            std::vector<ColourRef> colours;
            for (const VectorObject& o : r.drawing.objects) colours.push_back(o.colour);
            EXPECT_EQ(colours, c.colours);
            ExpectFirstPixelOrder(r.drawing);
            EXPECT_TRUE(PaintVectorObjects(r.drawing).SamePixels(picture));
        }
    }
}

TEST(VectorizerTest, EveryRegionIsOneObjectAndPaintsBackExactly) {
    // Random blobs of four colours in 2 x 2 cells (no lone pixels, which make
    // no object), at several sizes: any region traced twice, missed, or
    // painted before its enclosing object shows up in the painted copy.
    const ColourRef palette[4] = {kWhite, kRed, MakeColour(0, 0, 0), MakeColour(0, 0, 255)};
    std::uint32_t seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 16;
    };
    for (int round = 0; round < 40; ++round) {
        const int cw = 3 + int(next() % 20), ch = 3 + int(next() % 15);
        Picture p;
        p.Create(cw * 2, ch * 2);
        // Few colour changes: mostly the left or upper neighbour's colour.
        std::vector<int> cells(std::size_t(cw) * ch);
        for (int y = 0; y < ch; ++y)
            for (int x = 0; x < cw; ++x) {
                const unsigned roll = next() % 10;
                int v = int(next() % 4);
                if (roll < 4 && x > 0) v = cells[std::size_t(y) * cw + x - 1];
                else if (roll < 7 && y > 0) v = cells[std::size_t(y - 1) * cw + x];
                cells[std::size_t(y) * cw + x] = v;
                for (int k = 0; k < 4; ++k) test::SetPixel(p, 2 * x + k % 2, 2 * y + k / 2, palette[v]);
            }
        const std::size_t regions = RegionsOfTwoOrMorePixels(p);
        for (const bool overlapped : {true, false}) {
            SCOPED_TRACE("round " + std::to_string(round) + (overlapped ? " overlapped" : " not overlapped"));
            const VectorizeResult r = Vectorize(p, overlapped);
            ASSERT_TRUE(r.Complete());
            EXPECT_EQ(r.drawing.objects.size(), regions);
            ExpectFirstPixelOrder(r.drawing);
            EXPECT_TRUE(PaintVectorObjects(r.drawing).SamePixels(p));
        }
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
