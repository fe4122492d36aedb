#include "optimize/gif_optimizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"
#include "base/colour.h"
#include "base/imp_exp_exception.h"
#include "imaging/colour_count.h"
#include "optimize/gif_optimizer_test_support.h"
#include "test_support.h"

namespace lp {
namespace {

using test::PixelAt;
using test::SetPixel;
using namespace test::gifopt;

// ---------------------------------------------------------------------------
// The cut-out pass

TEST(GifOptimizerCutOut, IdenticalFrameBecomesOnePixelAtItsOwnPlace) {
    GifFrameList frames;
    frames.Add(Frame(Noise(20, 12, 1), 0, 0));
    frames.Add(Frame(Noise(16, 8, 2), 3, 2));  // drawn over frame 0
    // Frame 2 repeats exactly what is shown after frame 1.
    const auto shown = Composite(frames, 20, 12);
    Picture same;
    same.Create(10, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x) SetPixel(same, x, y, ColourRef(shown[1].At(5 + x, 4 + y)));
    frames.Add(Frame(same, 5, 4));
    GifInfo info = Screen(20, 12);
    const auto before = Composite(frames, 20, 12);

    GifFrameOptimizer(1, 1).CutOut(frames, info);

    EXPECT_EQ(frames[2].picture.Width(), 1);
    EXPECT_EQ(frames[2].picture.Height(), 1);
    EXPECT_EQ(frames[2].left, 5);
    EXPECT_EQ(frames[2].top, 4);
    ExpectSameDisplay(frames, before, 20, 12, 0);
}

TEST(GifOptimizerCutOut, ChangedSquareIsAllThatRemains) {
    GifFrameList frames;
    const Picture base = Noise(40, 30, 3);
    frames.Add(Frame(base, 0, 0));
    Picture next = base;
    for (int y = 7; y < 17; ++y)
        for (int x = 12; x < 22; ++x) SetPixel(next, x, y, MakeColour(250, 1, 2));
    frames.Add(Frame(next, 0, 0));
    GifInfo info = Screen(40, 30);
    const auto before = Composite(frames, 40, 30);

    GifFrameOptimizer(0, 1).CutOut(frames, info);

    EXPECT_EQ(frames[1].picture.Width(), 10);
    EXPECT_EQ(frames[1].picture.Height(), 10);
    EXPECT_EQ(frames[1].left, 12);
    EXPECT_EQ(frames[1].top, 7);
    EXPECT_EQ(PixelAt(frames[1].picture, 0, 0), MakeColour(250, 1, 2));
    ExpectSameDisplay(frames, before, 40, 30, 0);
    // Frame 0 is never touched.
    EXPECT_TRUE(frames[0].picture.SamePixels(base));
}

TEST(GifOptimizerCutOut, PositionedFrameCropsInItsOwnCoordinates) {
    GifFrameList frames;
    frames.Add(Frame(Flat(30, 20, MakeColour(10, 20, 30)), 0, 0));
    Picture next = Flat(12, 10, MakeColour(10, 20, 30));
    SetPixel(next, 4, 3, MakeColour(200, 0, 0));
    SetPixel(next, 9, 6, MakeColour(0, 200, 0));
    frames.Add(Frame(next, 15, 8));
    GifInfo info = Screen(30, 20);

    GifFrameOptimizer(0, 1).CutOut(frames, info);

    EXPECT_EQ(frames[1].left, 19);
    EXPECT_EQ(frames[1].top, 11);
    EXPECT_EQ(frames[1].picture.Width(), 6);
    EXPECT_EQ(frames[1].picture.Height(), 4);
    EXPECT_EQ(PixelAt(frames[1].picture, 0, 0), MakeColour(200, 0, 0));
    EXPECT_EQ(PixelAt(frames[1].picture, 5, 3), MakeColour(0, 200, 0));
}

// Tolerances: cut-out keeps a pixel out at distance <= tolerance, transparency needs < tolerance.
struct ToleranceCase {
    int distance;
    int tolerance;
    bool cutAway;    // the differing pixel is outside the cut-out
    bool madeClear;  // the differing pixel becomes transparent
};

class GifOptimizerTolerance : public ::testing::TestWithParam<ToleranceCase> {};

TEST_P(GifOptimizerTolerance, DistanceAgainstTolerance) {
    const ToleranceCase c = GetParam();
    const ColourRef base = MakeColour(100, 100, 100);
    // The distance is split over the channels to show it is |dR| + |dG| + |dB|.
    const int dr = c.distance / 3, dg = c.distance / 3, db = c.distance - 2 * (c.distance / 3);
    const ColourRef near = MakeColour(std::uint8_t(100 + dr), std::uint8_t(100 - dg), std::uint8_t(100 + db));
    const auto build = [&] {
        GifFrameList frames;
        frames.Add(Frame(Flat(8, 8, base), 0, 0));
        Picture next = Flat(8, 8, base);
        SetPixel(next, 2, 2, near);
        SetPixel(next, 6, 6, MakeColour(0, 0, 255));  // always changed
        frames.Add(Frame(next, 0, 0));
        return frames;
    };
    GifInfo info = Screen(8, 8);

    GifFrameList cut = build();
    GifFrameOptimizer(c.tolerance, c.tolerance).CutOut(cut, info);
    EXPECT_EQ(cut[1].left == 6 && cut[1].top == 6, c.cutAway) << "cut to " << cut[1].left << "," << cut[1].top;

    GifFrameList clear = build();
    GifFrameOptimizer(c.tolerance, c.tolerance).MakeTransparent(clear, info);
    // Tolerance 0 makes nothing transparent: no pixel is nearer than 0.
    EXPECT_EQ(clear[1].transparentColour != kNoColour, c.tolerance > 0);
    EXPECT_EQ(clear[1].transparentColour != kNoColour && PixelAt(clear[1].picture, 2, 2) == clear[1].transparentColour,
              c.madeClear);
    EXPECT_EQ(PixelAt(clear[1].picture, 6, 6), MakeColour(0, 0, 255));
}

INSTANTIATE_TEST_SUITE_P(Cases, GifOptimizerTolerance,
                         ::testing::Values(ToleranceCase{0, 0, true, false}, ToleranceCase{1, 0, false, false},
                                           ToleranceCase{0, 1, true, true}, ToleranceCase{1, 1, true, false},
                                           ToleranceCase{5, 5, true, false}, ToleranceCase{4, 5, true, true},
                                           ToleranceCase{6, 5, false, false}, ToleranceCase{50, 50, true, false},
                                           ToleranceCase{51, 50, false, false}),
                         [](const ::testing::TestParamInfo<ToleranceCase>& info) {
                             return "distance" + std::to_string(info.param.distance) + "_tolerance" +
                                    std::to_string(info.param.tolerance);
                         });

TEST(GifOptimizerCutOut, UndrawnAndClearedPixelsCountAsChanged) {
    // Frame 0 covers only the left half; the right half has never been drawn. Frame 1 paints the
    // whole screen black, the same colour as GifInfo's background: players show the right half
    // transparent until then, so it must stay in.
    GifFrameList frames;
    frames.Add(Frame(Flat(10, 10, 0), 0, 0));
    frames.Add(Frame(Flat(20, 10, 0), 0, 0));
    GifInfo info = Screen(20, 10);
    GifFrameOptimizer(0, 1).CutOut(frames, info);
    EXPECT_EQ(frames[1].left, 10);
    EXPECT_EQ(frames[1].picture.Width(), 10);

    // After a disposal 2 frame its rectangle is cleared: the next frame redraws it in full.
    GifFrameList cleared;
    cleared.Add(Frame(Flat(20, 10, 0), 0, 0));
    cleared.Add(Frame(Flat(6, 4, MakeColour(9, 9, 9)), 2, 3, /*disposal=*/2));
    cleared.Add(Frame(Flat(20, 10, 0), 0, 0));
    const auto before = Composite(cleared, 20, 10);
    GifFrameOptimizer(0, 1).CutOut(cleared, info);
    EXPECT_EQ(cleared[2].left, 2);
    EXPECT_EQ(cleared[2].top, 3);
    EXPECT_EQ(cleared[2].picture.Width(), 6);
    EXPECT_EQ(cleared[2].picture.Height(), 4);
    ExpectSameDisplay(cleared, before, 20, 10, 0);
}

TEST(GifOptimizerCutOut, DisposalTwoFrameKeepsItsRectangle) {
    GifFrameList frames;
    frames.Add(Frame(Flat(20, 10, MakeColour(1, 2, 3)), 0, 0));
    Picture next = Flat(20, 10, MakeColour(1, 2, 3));
    SetPixel(next, 5, 5, MakeColour(90, 90, 90));
    frames.Add(Frame(next, 0, 0, /*disposal=*/2));
    frames.Add(Frame(Flat(4, 4, MakeColour(7, 7, 7)), 0, 0));
    GifInfo info = Screen(20, 10);
    const auto before = Composite(frames, 20, 10);
    GifFrameOptimizer(0, 1).CutOut(frames, info);
    EXPECT_EQ(frames[1].picture.Width(), 20);
    EXPECT_EQ(frames[1].picture.Height(), 10);
    ExpectSameDisplay(frames, before, 20, 10, 0);
}

TEST(GifOptimizerCutOut, DisposalThreeRestoresTheCanvasForTheNextFrame) {
    GifFrameList frames;
    frames.Add(Frame(Flat(16, 16, MakeColour(50, 50, 50)), 0, 0));
    frames.Add(Frame(Flat(16, 16, MakeColour(200, 0, 0)), 0, 0, /*disposal=*/3));
    // Equal to frame 0, not to the restored-from frame 1: nothing to draw.
    frames.Add(Frame(Flat(16, 16, MakeColour(50, 50, 50)), 0, 0));
    GifInfo info = Screen(16, 16);
    const auto before = Composite(frames, 16, 16);
    GifFrameOptimizer(0, 1).CutOut(frames, info);
    EXPECT_EQ(frames[1].picture.Width(), 16);
    EXPECT_EQ(frames[2].picture.Width(), 1);
    EXPECT_EQ(frames[2].picture.Height(), 1);
    ExpectSameDisplay(frames, before, 16, 16, 0);
}

TEST(GifOptimizerCutOut, FramePartlyOffTheScreenKeepsItsOffScreenPart) {
    GifFrameList frames;
    frames.Add(Frame(Flat(10, 10, MakeColour(5, 5, 5)), 0, 0));
    frames.Add(Frame(Flat(8, 8, MakeColour(5, 5, 5)), 6, 6));  // 4 x 4 on screen, rest outside
    GifInfo info = Screen(10, 10);
    GifFrameOptimizer(0, 1).CutOut(frames, info);
    // Only the on-screen part matched; what lies outside counts as changed and stays.
    EXPECT_EQ(frames[1].left, 6);
    EXPECT_EQ(frames[1].top, 6);
    EXPECT_EQ(frames[1].picture.Width(), 8);
    EXPECT_EQ(frames[1].picture.Height(), 8);

    GifFrameList outside;
    outside.Add(Frame(Flat(10, 10, MakeColour(5, 5, 5)), 0, 0));
    outside.Add(Frame(Flat(3, 3, MakeColour(5, 5, 5)), 40, 40));
    GifFrameOptimizer(0, 1).CutOut(outside, info);
    GifFrameOptimizer(0, 1).MakeTransparent(outside, info);
    EXPECT_EQ(outside[1].picture.Width(), 3);
    EXPECT_EQ(outside[1].transparentColour, kNoColour);
}

TEST(GifOptimizerCutOut, TransparentPixelsAreUnchanged) {
    GifFrameList frames;
    frames.Add(Frame(Flat(12, 12, MakeColour(1, 1, 1)), 0, 0));
    const ColourRef key = MakeColour(0, 255, 0);
    Picture next = Flat(12, 12, key);
    SetPixel(next, 3, 4, MakeColour(255, 0, 0));
    frames.Add(Frame(next, 0, 0, 1, key));
    GifInfo info = Screen(12, 12);
    GifFrameOptimizer(0, 1).CutOut(frames, info);
    EXPECT_EQ(frames[1].picture.Width(), 1);
    EXPECT_EQ(frames[1].left, 3);
    EXPECT_EQ(frames[1].top, 4);
    EXPECT_EQ(frames[1].transparentColour, key);
}

// ---------------------------------------------------------------------------
// The transparency pass

TEST(GifOptimizerTransparency, UnchangedPixelsTakeAFreeRedKey) {
    GifFrameList frames;
    const Picture base = Noise(24, 16, 5);
    frames.Add(Frame(base, 0, 0));
    Picture next = base;
    for (int x = 0; x < 24; ++x) SetPixel(next, x, 8, MakeColour(0, 0, 0));
    frames.Add(Frame(next, 0, 0, /*disposal=*/0));
    GifInfo info = Screen(24, 16);
    const auto before = Composite(frames, 24, 16);

    GifFrameOptimizer(0, 1).MakeTransparent(frames, info);

    const ColourRef key = frames[1].transparentColour;
    ASSERT_NE(key, kNoColour);
    EXPECT_EQ(GreenOf(key), 0);
    EXPECT_EQ(BlueOf(key), 0);
    // The smallest red value no opaque pixel uses.
    std::set<int> reds;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x)
            if (PixelAt(frames[1].picture, x, y) != key) reds.insert(RedOf(PixelAt(frames[1].picture, x, y)));
    int expected = 0;
    while (reds.count(expected)) ++expected;
    EXPECT_EQ(RedOf(key), expected);
    for (int x = 0; x < 24; ++x) EXPECT_EQ(PixelAt(frames[1].picture, x, 8), MakeColour(0, 0, 0));
    EXPECT_EQ(PixelAt(frames[1].picture, 0, 0), key);
    EXPECT_EQ(frames[1].picture.Width(), 24);  // size and place stay
    EXPECT_EQ(frames[1].disposal, 1);          // 0 becomes "leave in place"
    ExpectSameDisplay(frames, before, 24, 16, 0);
}

TEST(GifOptimizerTransparency, FrameWithoutUnchangedPixelsIsLeftAlone) {
    GifFrameList frames;
    frames.Add(Frame(Flat(8, 8, MakeColour(1, 1, 1)), 0, 0));
    frames.Add(Frame(Flat(8, 8, MakeColour(2, 2, 2)), 0, 0, 0));
    GifInfo info = Screen(8, 8);
    GifFrameOptimizer(0, 1).MakeTransparent(frames, info);
    EXPECT_EQ(frames[1].transparentColour, kNoColour);
    EXPECT_EQ(frames[1].disposal, 0);
}

TEST(GifOptimizerTransparency, ExistingKeyIsKept) {
    GifFrameList frames;
    frames.Add(Frame(Flat(8, 8, MakeColour(1, 1, 1)), 0, 0));
    const ColourRef key = MakeColour(9, 8, 7);
    Picture next = Flat(8, 8, MakeColour(1, 1, 1));
    SetPixel(next, 0, 0, key);
    SetPixel(next, 7, 7, MakeColour(3, 3, 3));
    frames.Add(Frame(next, 0, 0, 1, key));
    GifInfo info = Screen(8, 8);
    GifFrameOptimizer(0, 1).MakeTransparent(frames, info);
    EXPECT_EQ(frames[1].transparentColour, key);
    EXPECT_EQ(PixelAt(frames[1].picture, 3, 3), key);
    EXPECT_EQ(PixelAt(frames[1].picture, 7, 7), MakeColour(3, 3, 3));
}

TEST(GifOptimizerTransparency, TooManyColoursAreReducedToLeaveRoomForTheKey) {
    // 300 colours, none of them on the canvas except a strip along the top.
    GifFrameList frames;
    frames.Add(Frame(Flat(30, 12, MakeColour(255, 255, 255)), 0, 0));
    Picture next = Flat(30, 12, MakeColour(255, 255, 255));
    for (int i = 0; i < 300; ++i)
        SetPixel(next, i % 30, 2 + i / 30, MakeColour(std::uint8_t(i % 256), std::uint8_t(i / 256 * 90), 77));
    frames.Add(Frame(next, 0, 0));
    GifInfo info = Screen(30, 12);

    GifFrameOptimizer(0, 1).MakeTransparent(frames, info);

    const ColourRef key = frames[1].transparentColour;
    ASSERT_NE(key, kNoColour);
    std::set<ColourRef> opaque;
    std::set<int> reds;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 30; ++x) {
            const ColourRef c = PixelAt(frames[1].picture, x, y);
            if (c == key) continue;
            opaque.insert(c);
            reds.insert(RedOf(c));
        }
    EXPECT_LE(opaque.size(), 255u);
    EXPECT_EQ(reds.count(RedOf(key)), 0u);
    EXPECT_EQ(GreenOf(key), 0);
    EXPECT_EQ(BlueOf(key), 0);
    for (int x = 0; x < 30; ++x) EXPECT_EQ(PixelAt(frames[1].picture, x, 0), key);
    // Writable as it stands.
    EXPECT_NO_THROW(EncodeGif(frames, info));
}

TEST(GifOptimizerTransparency, ManyColoursNeedNoReductionWhenTheChangedPartFits) {
    // 300 colours in all, but only 200 of them outside the part that matches the canvas.
    GifFrameList frames;
    Picture base = Flat(30, 10, MakeColour(255, 255, 255));
    for (int i = 0; i < 100; ++i) SetPixel(base, i % 30, i / 30, MakeColour(1, std::uint8_t(i), 1));
    frames.Add(Frame(base, 0, 0));
    Picture next = base;
    for (int i = 0; i < 200; ++i) SetPixel(next, i % 30, 3 + i / 30, MakeColour(std::uint8_t(i), 2, 200));
    frames.Add(Frame(next, 0, 0));
    GifInfo info = Screen(30, 10);
    const auto before = Composite(frames, 30, 10);
    GifFrameOptimizer(0, 1).MakeTransparent(frames, info);
    ASSERT_NE(frames[1].transparentColour, kNoColour);
    ExpectSameDisplay(frames, before, 30, 10, 0);  // exact: nothing was reduced
}

TEST(GifOptimizerTransparency, DisposalTwoAndThreeAreKept) {
    struct Case {
        int disposal;
        ColourRef key;
        bool madeClear;
    };
    // A disposal 2 frame without a key stays without one: some players clear its rectangle to
    // the background colour only when it has none.
    for (const Case c : {Case{2, kNoColour, false}, Case{2, MakeColour(0, 255, 1), true}, Case{3, kNoColour, true}}) {
        SCOPED_TRACE(c.disposal);
        GifFrameList frames;
        frames.Add(Frame(Noise(12, 12, 7), 0, 0));
        Picture next = Noise(12, 12, 7);
        SetPixel(next, 5, 5, MakeColour(1, 2, 3));
        frames.Add(Frame(next, 0, 0, c.disposal, c.key));
        frames.Add(Frame(Noise(12, 12, 8), 0, 0));
        GifInfo info = Screen(12, 12);
        const auto before = Composite(frames, 12, 12);
        GifFrameOptimizer(0, 1).MakeTransparent(frames, info);
        EXPECT_EQ(
            frames[1].transparentColour != kNoColour && PixelAt(frames[1].picture, 0, 0) == frames[1].transparentColour,
            c.madeClear);
        EXPECT_EQ(frames[1].disposal, c.disposal);
        ExpectSameDisplay(frames, before, 12, 12, 0);
    }
}

// ---------------------------------------------------------------------------
// Lists, progress, the common palette

TEST(GifOptimizer, EmptyAndSingleFrameListsAreLeftAlone) {
    GifFrameList empty;
    GifInfo info = Screen(10, 10);
    RecordingProgress progress;
    GifFrameOptimizer(0, 1).CutOut(empty, info, &progress);
    EXPECT_TRUE(progress.events.empty());

    GifFrameList one;
    const Picture p = Noise(10, 10, 9);
    one.Add(Frame(p, 0, 0));
    GifFrameOptimizer(0, 1).CutOut(one, info);
    GifFrameOptimizer(0, 1).MakeTransparent(one, info);
    EXPECT_TRUE(one[0].picture.SamePixels(p));
    EXPECT_EQ(one[0].transparentColour, kNoColour);
}

TEST(GifOptimizer, ZeroSizeFrameIsLeftAlone) {
    GifFrameList frames;
    frames.Add(Frame(Flat(8, 8, 0), 0, 0));
    frames.Add(GifFrame{});
    frames.Add(Frame(Flat(8, 8, 0), 0, 0));
    GifInfo info = Screen(8, 8);
    GifFrameOptimizer(0, 1).CutOut(frames, info);
    GifFrameOptimizer(0, 1).MakeTransparent(frames, info);
    EXPECT_TRUE(frames[1].picture.IsEmpty());
    EXPECT_EQ(frames[2].picture.Width(), 1);
}

TEST(GifOptimizer, ProgressTexts) {
    GifFrameList frames;
    for (int i = 0; i < 3; ++i) frames.Add(Frame(Flat(4, 4, 0), 0, 0));
    GifInfo info = Screen(4, 4);
    RecordingProgress progress;
    GifFrameOptimizer(0, 1).CutOut(frames, info, &progress);
    const std::vector<std::string> expected = {"Begin 0 3 Optimizing frames",
                                               "SetText Optimizing frames 2 of 3 ",
                                               "Step 1",
                                               "SetText Optimizing frames 3 of 3 ",
                                               "Step 2",
                                               "End"};
    EXPECT_EQ(progress.events, expected);
}

TEST(GifOptimizer, ScreenTooLargeFailsCleanly) {
    GifFrameList frames;
    frames.Add(Frame(Flat(4, 4, 0), 0, 0));
    frames.Add(Frame(Flat(4, 4, 0), 0, 0));
    GifInfo info = Screen(65535, 65535);
    const Picture before = frames[1].picture;
    try {
        GifFrameOptimizer(0, 1).CutOut(frames, info);
        FAIL() << "no exception";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Title(), "Gif Error");
        EXPECT_NE(e.Message().find("too large"), std::string::npos) << e.Message();
    }
    EXPECT_TRUE(frames[1].picture.SamePixels(before));
}

TEST(GifOptimizer, ScreenNotGivenCoversEveryFrame) {
    GifFrameList frames;
    frames.Add(Frame(Flat(4, 4, 0), 0, 0));
    frames.Add(Frame(Flat(4, 4, 0), 6, 6));
    GifInfo info;  // screen 0 x 0
    GifFrameOptimizer(0, 1).CutOut(frames, info);
    EXPECT_EQ(frames[1].picture.Width(), 4);  // never drawn there before: all changed
}

TEST(GifOptimizer, MarksWithoutCommonPalette) {
    GifFrameList frames;
    for (int i = 0; i < 3; ++i) {
        frames.Add(Frame(Flat(4, 4, 0), 0, 0));
        frames[std::size_t(i)].mark1 = 7;
        frames[std::size_t(i)].mark2 = 7;
    }
    GifInfo info = Screen(4, 4);
    GifFrameOptimizer(0, 1).CutOut(frames, info);
    for (const GifFrame& f : frames) {
        EXPECT_EQ(f.mark1, 1);
        EXPECT_EQ(f.mark2, 0);
    }
}

TEST(GifOptimizer, CommonPaletteCollectsAndTrims) {
    // Frame 0: 200 colours; frame 1: 200 others, and one far-off colour. The palette keeps 256
    // and drops the entries closest to a later one; frames that fit it are marked 0.
    GifFrameList frames;
    Picture a = Flat(20, 10, 0);
    Picture b = Flat(20, 10, 0);
    for (int i = 0; i < 200; ++i) {
        SetPixel(a, i % 20, i / 20, MakeColour(std::uint8_t(i), 0, 0));
        SetPixel(b, i % 20, i / 20, MakeColour(std::uint8_t(i), 0, 1));
    }
    SetPixel(b, 0, 0, MakeColour(0, 255, 255));
    frames.Add(Frame(a, 0, 0));
    frames.Add(Frame(b, 0, 0));
    frames.Add(Frame(Flat(2, 2, MakeColour(199, 0, 1)), 0, 0));  // exactly in the palette
    GifInfo info = Screen(20, 10);

    GifFrameOptimizer(0, 1, /*commonPalette=*/true).MakeTransparent(frames, info);

    EXPECT_EQ(info.commonPaletteCount, 256);
    std::set<ColourRef> entries;
    for (int i = 0; i < info.commonPaletteCount; ++i) entries.insert(info.commonPalette[std::size_t(i)].ToColour());
    EXPECT_EQ(entries.size(), 256u);
    EXPECT_TRUE(entries.count(MakeColour(0, 255, 255)));  // far from every other colour
    EXPECT_EQ(frames[0].mark1, 1);                        // lost some of its colours to the trim
    EXPECT_EQ(frames[2].mark1, 0);
    // Running again starts a new palette rather than growing the old one.
    GifFrameOptimizer(0, 1, true).MakeTransparent(frames, info);
    EXPECT_LE(info.commonPaletteCount, 256);
}

TEST(GifOptimizer, JobTolerances) {
    struct Case {
        int given, fallback, expected;
    };
    for (const Case c : {Case{-1, 50, 50}, Case{0, 50, 50}, Case{1, 50, 1}, Case{100, 50, 100}, Case{101, 1, 1},
                         Case{-7, 1, 1}, Case{10, 1, 10}})
        EXPECT_EQ(GifJobTolerance(c.given, c.fallback), c.expected) << c.given;

    // Neither given: nothing happens; only one given: only that pass.
    const auto build = [] {
        GifFrameList frames;
        frames.Add(Frame(Flat(10, 10, 0), 0, 0));
        Picture p = Flat(10, 10, 0);
        SetPixel(p, 4, 4, MakeColour(255, 0, 0));
        frames.Add(Frame(p, 0, 0));
        return frames;
    };
    GifInfo info = Screen(10, 10);
    GifFrameList none = build();
    OptimizeGifJobFrames(none, info, -1, -1);
    EXPECT_EQ(none[1].picture.Width(), 10);
    EXPECT_EQ(none[1].transparentColour, kNoColour);
    GifFrameList cut = build();
    OptimizeGifJobFrames(cut, info, 0, -1);  // 0 is out of range: tolerance 50
    EXPECT_EQ(cut[1].picture.Width(), 1);
    EXPECT_EQ(cut[1].transparentColour, kNoColour);
    GifFrameList clear = build();
    OptimizeGifJobFrames(clear, info, -1, 5);
    EXPECT_EQ(clear[1].picture.Width(), 10);
    EXPECT_NE(clear[1].transparentColour, kNoColour);
}

// ---------------------------------------------------------------------------
// Random animations: every combination of passes and tolerances displays as before.

struct RandomCase {
    int cutOut;        // -1: pass not run
    int transparency;  // -1: pass not run
    GifTransparencyChoice choice;
};

class GifOptimizerRandom : public ::testing::TestWithParam<RandomCase> {};

TEST_P(GifOptimizerRandom, DisplaysAsBefore) {
    const RandomCase c = GetParam();
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        GifInfo info;
        GifFrameList frames = RandomAnimation(seed, info);
        const auto before = Composite(frames, info.screenWidth, info.screenHeight);
        GifFrameOptimizer optimizer(std::max(c.cutOut, 0), std::max(c.transparency, 0), false, c.choice);
        if (c.cutOut >= 0) optimizer.CutOut(frames, info);
        if (c.transparency >= 0) optimizer.MakeTransparent(frames, info);
        const int bound = std::max({c.cutOut, c.transparency - 1, 0});
        ExpectSameDisplay(frames, before, info.screenWidth, info.screenHeight, bound);
        for (const GifFrame& f : frames) {
            if (f.picture.IsEmpty()) continue;
            EXPECT_GE(f.picture.Width(), 1);
            EXPECT_GE(f.left, 0);
        }
        // Through our own writer and reader: the file shows the same.
        const std::vector<std::uint8_t> bytes = EncodeGif(frames, info);
        GifAnimation back = DecodeGif(bytes, "random");
        ExpectSameDisplay(back.frames, before, info.screenWidth, info.screenHeight, bound);
    }
}

INSTANTIATE_TEST_SUITE_P(Passes, GifOptimizerRandom,
                         ::testing::Values(RandomCase{0, -1, GifTransparencyChoice::Always},
                                           RandomCase{-1, 1, GifTransparencyChoice::Always},
                                           RandomCase{0, 1, GifTransparencyChoice::Always},
                                           RandomCase{0, 1, GifTransparencyChoice::Smallest},
                                           RandomCase{6, 4, GifTransparencyChoice::Always},
                                           RandomCase{50, 1, GifTransparencyChoice::Always},
                                           RandomCase{3, 20, GifTransparencyChoice::Smallest}),
                         [](const ::testing::TestParamInfo<RandomCase>& info) {
                             const auto part = [](const char* name, int v) {
                                 return std::string(name) + (v < 0 ? std::string("Off") : std::to_string(v));
                             };
                             return part("cut", info.param.cutOut) + "_" + part("clear", info.param.transparency) +
                                    (info.param.choice == GifTransparencyChoice::Smallest ? "_smallest" : "");
                         });

TEST(GifOptimizer, SmallestTakesItsKeyFromTheAnimation) {
    // Frame 0 has four colours; frame 1 keeps the left half and repaints the right half, so it
    // uses neither of the right half's colours: one of them can serve as its key.
    const ColourRef a = MakeColour(10, 10, 10), b = MakeColour(20, 200, 20), c = MakeColour(200, 20, 20),
                    d = MakeColour(20, 20, 200), e = MakeColour(1, 2, 250);
    Picture first = Flat(32, 8, a);
    Picture second = Flat(32, 8, a);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 32; ++x) {
            if (x < 16 && x % 3 == 0) SetPixel(first, x, y, b), SetPixel(second, x, y, b);
            if (x >= 16) SetPixel(first, x, y, (x + y) % 2 ? c : d), SetPixel(second, x, y, e);
        }
    GifFrameList frames;
    frames.Add(Frame(first, 0, 0));
    frames.Add(Frame(second, 0, 0));
    GifInfo info = Screen(32, 8);
    const auto before = Composite(frames, 32, 8);

    GifFrameOptimizer(0, 1, false, GifTransparencyChoice::Smallest).MakeTransparent(frames, info);

    const ColourRef key = frames[1].transparentColour;
    ASSERT_NE(key, kNoColour);
    EXPECT_TRUE(key == c || key == d) << std::hex << key;
    EXPECT_EQ(PixelAt(frames[1].picture, 1, 1), key);  // a long run of unchanged pixels
    EXPECT_EQ(PixelAt(frames[1].picture, 20, 1), e);
    ExpectSameDisplay(frames, before, 32, 8, 0);
    // The animation's colours fit one table, so frame 1 needs no table of its own: the file is
    // no larger than with the key the plain method picks.
    GifFrameList plain;
    plain.Add(Frame(first, 0, 0));
    plain.Add(Frame(second, 0, 0));
    GifFrameOptimizer(0, 1).MakeTransparent(plain, info);
    EXPECT_LE(EncodeGif(frames, info).size(), EncodeGif(plain, info).size());
}

TEST(GifOptimizer, SmallestIsNeverLargerPerFrame) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        GifInfo info;
        GifFrameList always = RandomAnimation(seed, info);
        GifFrameList smaller = RandomAnimation(seed, info);
        GifFrameOptimizer(0, 1).CutOut(always, info);
        GifFrameOptimizer(0, 1).CutOut(smaller, info);
        GifFrameOptimizer(0, 1, false, GifTransparencyChoice::Always).MakeTransparent(always, info);
        GifFrameOptimizer(0, 1, false, GifTransparencyChoice::Smallest).MakeTransparent(smaller, info);
        for (std::size_t i = 1; i < always.Count(); ++i) {
            if (always[i].picture.IsEmpty()) continue;
            EXPECT_LE(EncodeGif(smaller[i].picture, 0).size(), EncodeGif(always[i].picture, 0).size())
                << "seed " << seed << " frame " << i;
        }
    }
}

// ---------------------------------------------------------------------------
// The lossless rebuild: frames drawn from what the input shows, disposals chosen per frame.

/// A sprite of `colours` colours of its own moving right over a noisy backdrop; every frame is the
/// whole screen, so each frame's colours differ from the first's (local tables when written).
GifFrameList SpriteOverBackdrop(int width, int height, int count, unsigned colours, GifInfo& info) {
    info = Screen(width, height);
    const Picture backdrop = Noise(width, height, 77, 40);
    GifFrameList frames;
    for (int f = 0; f < count; ++f) {
        Picture p = backdrop;
        if (f > 0)
            for (int y = 0; y < 10; ++y)
                for (int x = 0; x < 12; ++x) {
                    const unsigned v = unsigned(x * 10 + y + f) % colours;
                    SetPixel(p, f * 5 + x, 4 + y + f % 2, MakeColour(250, std::uint8_t(v * 2), std::uint8_t(f * 9)));
                }
        frames.Add(Frame(p, 0, 0, 1, kNoColour, 5 + f));
    }
    return frames;
}

TEST(GifOptimizerLossless, RandomAnimationsDisplayExactlyAsBefore) {
    // Any disposal (restore to background makes some of them fall back to the two passes), keys,
    // frames partly off the screen, a first frame that does not cover it.
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        GifInfo info;
        GifFrameList frames = seed % 2 ? RandomAnimation(seed, info) : RandomAnimation(seed, info, false, 0, 1);
        const std::size_t count = frames.Count();
        std::vector<std::uint16_t> delays;
        for (const GifFrame& f : frames) delays.push_back(f.delay);
        const auto before = Composite(frames, info.screenWidth, info.screenHeight);
        GifFrameOptimizer(5, 9).OptimizeLossless(frames, info);  // the tolerances do not apply
        ASSERT_EQ(frames.Count(), count);
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(frames[i].delay, delays[i]) << "frame " << i;
            // A count given to the writer is the frame's own (the writer trusts it).
            if (frames[i].colourCount != 0)
                EXPECT_EQ(frames[i].colourCount, CountColours(frames[i].picture)) << "frame " << i;
        }
        ExpectSameDisplay(frames, before, info.screenWidth, info.screenHeight, 0);
        const std::vector<std::uint8_t> bytes = EncodeGif(frames, info);
        GifAnimation back = DecodeGif(bytes, "random");
        ExpectSameDisplay(back.frames, before, info.screenWidth, info.screenHeight, 0);
    }
}

TEST(GifOptimizerLossless, RestoresToPreviousWhereThatLeavesLessToDraw) {
    GifInfo info;
    GifFrameList frames = SpriteOverBackdrop(60, 20, 8, 30, info);
    const auto before = Composite(frames, 60, 20);
    const Picture first = frames[0].picture;
    GifFrameList passes = frames;
    GifFrameOptimizer(0, 1, false, GifTransparencyChoice::Smallest).CutOut(passes, info);
    GifFrameOptimizer(0, 1, false, GifTransparencyChoice::Smallest).MakeTransparent(passes, info);

    OptimizeGifFramesLossless(frames, info);

    ExpectSameDisplay(frames, before, 60, 20, 0);
    // Frame 0 is the backdrop, kept as it is; each sprite frame is put back to the backdrop after
    // it is shown, so the next one draws only its sprite (12 x 10), not the backdrop it uncovers.
    EXPECT_TRUE(frames[0].picture.SamePixels(first));
    for (std::size_t i = 1; i + 1 < frames.Count(); ++i) {
        EXPECT_EQ(frames[i].disposal, 3) << "frame " << i;
        EXPECT_EQ(frames[i].picture.Width(), 12) << "frame " << i;
        EXPECT_EQ(frames[i].picture.Height(), 10) << "frame " << i;
        EXPECT_EQ(frames[i].left, int(i) * 5) << "frame " << i;
    }
    EXPECT_LT(EncodeGif(frames, info).size(), EncodeGif(passes, info).size());
}

TEST(GifOptimizerLossless, LeavesAFrameWhereTheNextOneBuildsOnIt) {
    // A bar that grows: each frame adds a column, so the next one needs only its new column.
    GifInfo info = Screen(40, 6);
    GifFrameList frames;
    const Picture backdrop = Noise(40, 6, 5, 20);
    for (int f = 0; f < 6; ++f) {
        Picture p = backdrop;
        for (int x = 0; x < f * 3; ++x)
            for (int y = 1; y < 5; ++y) SetPixel(p, x, y, MakeColour(20, 30, 200));
        frames.Add(Frame(p, 0, 0, 1));
    }
    const auto before = Composite(frames, 40, 6);
    OptimizeGifFramesLossless(frames, info);
    ExpectSameDisplay(frames, before, 40, 6, 0);
    for (std::size_t i = 1; i + 1 < frames.Count(); ++i) {
        EXPECT_EQ(frames[i].disposal, 1) << "frame " << i;
        EXPECT_EQ(frames[i + 1].picture.Width(), 3) << "frame " << i + 1;
    }
}

TEST(GifOptimizerLossless, EmptyOneFrameAndUnchangedFrames) {
    GifInfo info = Screen(8, 8);
    GifFrameList none;
    OptimizeGifFramesLossless(none, info);
    EXPECT_TRUE(none.Empty());

    GifFrameList frames;
    frames.Add(Frame(Noise(8, 8, 3), 0, 0, 1));
    GifFrameList one = frames;
    OptimizeGifFramesLossless(one, info);
    ASSERT_EQ(one.Count(), 1u);
    EXPECT_TRUE(one[0].picture.SamePixels(frames[0].picture));

    frames.Add(Frame(Noise(8, 8, 3), 0, 0, 1));  // shows the same again
    const auto before = Composite(frames, 8, 8);
    OptimizeGifFramesLossless(frames, info);
    ExpectSameDisplay(frames, before, 8, 8, 0);
    EXPECT_EQ(frames[1].picture.Width(), 1);
    EXPECT_EQ(frames[1].picture.Height(), 1);
}

TEST(GifOptimizerLossless, ProgressReportsEveryFrame) {
    GifInfo info;
    GifFrameList frames = SpriteOverBackdrop(30, 16, 3, 8, info);
    RecordingProgress progress;
    OptimizeGifFramesLossless(frames, info, &progress);
    const std::vector<std::string> expected = {"Begin 0 3 Optimizing frames", "SetText Optimizing frames 2 of 3 ",
                                               "Step 1", "SetText Optimizing frames 3 of 3 ", "Step 2", "End"};
    EXPECT_EQ(progress.events, expected);
}

// ---------------------------------------------------------------------------
// Independent players: the file written after optimizing composites like the input.

TEST(GifOptimizerInterop, PlayersShowTheSameFrames) {
    if (!HavePython()) GTEST_SKIP() << "/usr/bin/python3 with PIL not available";
    test::ScratchDir dir;
    // Pillow 9 keeps the previous frame's disposal for a frame that says 0 and misplays some
    // restore-to-previous sequences (even for the input), so it sees only animations with
    // disposals 1 and 2; ImageMagick sees every disposal.
    for (unsigned seed = 1; seed <= 8; ++seed) {
        const bool withPrevious = seed <= 4;
        GifInfo info;
        GifFrameList frames =
            withPrevious ? RandomAnimation(seed, info, /*forPlayers=*/true) : RandomAnimation(seed, info, true, 1, 2);
        const auto input = dir / ("in" + std::to_string(seed) + ".gif");
        const auto output = dir / ("out" + std::to_string(seed) + ".gif");
        SaveGif(frames, info, input);
        // As a job does: the animation as read from the file (background colour included).
        GifAnimation anim = LoadGif(input);
        GifFrameOptimizer optimizer(0, 1);
        optimizer.CutOut(anim.frames, anim.info);
        optimizer.MakeTransparent(anim.frames, anim.info);
        SaveGif(anim.frames, anim.info, output);
        for (const char* tool : {"pillow", "magick"}) {
            if (withPrevious && std::string(tool) == "pillow") continue;
            SCOPED_TRACE(std::string(tool) + " seed " + std::to_string(seed));
            ExpectFilesComposeAlike(tool, input, output, 0);
        }
    }
}

TEST(GifOptimizerInterop, CorpusAnimationsComposeAlike) {
    LP_REQUIRE_CORPUS();
    if (!HavePython()) GTEST_SKIP() << "/usr/bin/python3 with PIL not available";
    test::ScratchDir dir;
    const std::vector<std::string> names = {"gif/gif-test-suite/gifs/animated.gif",
                                            "gif/gif-test-suite/gifs/dispose-none.gif",
                                            "gif/gif-test-suite/gifs/dispose-restore-background.gif",
                                            "gif/gif-test-suite/gifs/dispose-restore-previous.gif",
                                            "gif/gif-test-suite/gifs/four-colors.gif",
                                            "gif/image-rs-gif/anim/mixed-disposal.gif",
                                            "gif/image-rs-gif/anim/any-disposal.gif",
                                            "gif/image-gif-tests/samples/anim-gr.gif"};
    int tried = 0;
    for (const std::string& name : names) {
        const auto path = test::CorpusDir() / name;
        if (!std::filesystem::exists(path)) continue;
        SCOPED_TRACE(name);
        ++tried;
        GifAnimation anim = LoadGif(path);
        const int w = anim.info.screenWidth, h = anim.info.screenHeight;
        const auto before = Composite(anim.frames, w, h);
        const auto resaved = dir / "resaved.gif";
        SaveGif(anim.frames, anim.info, resaved);
        GifFrameOptimizer optimizer(0, 1);
        optimizer.CutOut(anim.frames, anim.info);
        optimizer.MakeTransparent(anim.frames, anim.info);
        ExpectSameDisplay(anim.frames, before, w, h, 0);
        const auto output = dir / "optimized.gif";
        SaveGif(anim.frames, anim.info, output);
        ExpectFilesComposeAlike("magick", resaved, output, 0);
    }
    EXPECT_GT(tried, 0);
}

TEST(GifOptimizerInterop, LosslessRebuildComposesIdentically) {
    if (!HavePython()) GTEST_SKIP() << "/usr/bin/python3 with PIL not available";
    test::ScratchDir dir;
    // Local tables (the sprite frames bring 200 colours of their own beside the backdrop's 40),
    // transparency (the last frames draw through a key), restore-to-previous and leave disposals.
    GifInfo info;
    GifFrameList frames = SpriteOverBackdrop(80, 24, 9, 200, info);
    for (std::size_t i = 6; i < frames.Count(); ++i) {
        GifFrame& f = frames[i];
        f.transparentColour = MakeColour(1, 2, 3);
        for (int y = 0; y < f.picture.Height(); y += 2)
            for (int x = 0; x < f.picture.Width(); ++x) SetPixel(f.picture, x, y, f.transparentColour);
    }
    frames[3].disposal = 3;
    frames[4].disposal = 0;
    const auto input = dir / "input.gif";
    const auto output = dir / "output.gif";
    SaveGif(frames, info, input);
    GifAnimation anim = LoadGif(input);
    const auto before = Composite(anim.frames, anim.info.screenWidth, anim.info.screenHeight);
    OptimizeGifFramesLossless(anim.frames, anim.info);
    ExpectSameDisplay(anim.frames, before, anim.info.screenWidth, anim.info.screenHeight, 0);
    SaveGif(anim.frames, anim.info, output);
    // Our own reader on the written file.
    GifAnimation back = LoadGif(output);
    ExpectSameDisplay(back.frames, before, anim.info.screenWidth, anim.info.screenHeight, 0);
    bool restored = false;
    for (const GifFrame& f : back.frames) restored |= f.disposal == 3;
    EXPECT_TRUE(restored);
    EXPECT_LT(std::filesystem::file_size(output), std::filesystem::file_size(input));
    for (const char* tool : {"pillow", "magick"}) {
        SCOPED_TRACE(tool);
        ExpectFilesComposeAlike(tool, input, output, 0);
    }
}

}  // namespace
}  // namespace lp
