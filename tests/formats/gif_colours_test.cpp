// Colour reduction of GIF frames with a transparent colour: only the visible pixels are
// counted and reduced, and the key comes back as a colour outside the visible palette.
#include "formats/gif/gif_colours.h"
#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"

#include <gtest/gtest.h>

#include <set>

#include "base/colour.h"
#include "test_support.h"

namespace lp {
namespace {

// A frame whose visible pixels are `visible` distinct cell corners, with a transparent hole
// in every fifth pixel.
GifFrame HoledFrame(int visible, ColourRef key) {
    const int width = 32;
    const int height = (visible * 5 / 4 + width - 1) / width + 1;
    GifFrame frame;
    frame.picture.Create(width, height);
    int next = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int k = y * width + x;
            if (k % 5 == 4) {
                test::SetPixel(frame.picture, x, y, key);
                continue;
            }
            const int v = next++ % visible;
            // Cell corners (low 3 bits 0) in cells far from the key's.
            test::SetPixel(frame.picture, x, y, MakeColour(std::uint8_t(8 * (v % 32)), std::uint8_t(8 * (v / 32)), 128));
        }
    frame.transparentColour = key;
    return frame;
}

std::set<ColourRef> VisibleColours(const GifFrame& f) {
    std::set<ColourRef> colours;
    for (int y = 0; y < f.picture.Height(); ++y)
        for (int x = 0; x < f.picture.Width(); ++x)
            if (test::PixelAt(f.picture, x, y) != f.transparentColour) colours.insert(test::PixelAt(f.picture, x, y));
    return colours;
}

// Reducing to the frame's own cell count (what a resize job asks for) keeps every visible
// colour: the key's slot is not taken from them.
TEST(GifColours, OwnCellCountKeepsEveryVisibleColour) {
    const ColourRef key = MakeColour(1, 2, 3);
    for (int visible : {3, 100, 255}) {
        GifFrame frame = HoledFrame(visible, key);
        const Picture before = frame.picture;
        const int cells = CountGifFrameCells(frame);
        EXPECT_EQ(cells, visible + 1) << visible;
        ASSERT_TRUE(ReduceGifFrameColours(frame, std::min(cells, 256)));
        ASSERT_NE(frame.transparentColour, kNoColour);
        for (int y = 0; y < before.Height(); ++y)
            for (int x = 0; x < before.Width(); ++x) {
                const bool hole = test::PixelAt(before, x, y) == key;
                if (hole)
                    EXPECT_EQ(test::PixelAt(frame.picture, x, y), frame.transparentColour) << visible;
                else
                    EXPECT_EQ(test::PixelAt(frame.picture, x, y), test::PixelAt(before, x, y))
                        << visible << " at " << x << "," << y;
            }
        EXPECT_EQ(VisibleColours(frame).count(frame.transparentColour), 0u);
    }
}

// A smaller target: the visible pixels get target - 1 colours, the holes stay exact.
TEST(GifColours, SmallTargetLeavesOneSlotForTheKey) {
    const ColourRef key = MakeColour(1, 2, 3);
    for (int target : {2, 16, 64}) {
        GifFrame frame = HoledFrame(200, key);
        const Picture before = frame.picture;
        ASSERT_TRUE(ReduceGifFrameColours(frame, target));
        const auto colours = VisibleColours(frame);
        EXPECT_LE(int(colours.size()), target - 1) << target;
        EXPECT_EQ(colours.count(frame.transparentColour), 0u);
        for (int y = 0; y < before.Height(); ++y)
            for (int x = 0; x < before.Width(); ++x)
                EXPECT_EQ(test::PixelAt(before, x, y) == key,
                          test::PixelAt(frame.picture, x, y) == frame.transparentColour)
                    << target << " at " << x << "," << y;
    }
}

std::set<ColourRef> AllColours(const Picture& p) {
    std::set<ColourRef> colours;
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) colours.insert(test::PixelAt(p, x, y));
    return colours;
}

// The palette a reduction chose stays with the frame: every colour it shows, key included.
TEST(GifColours, TheReductionsPaletteTravelsWithTheFrame) {
    for (const ColourRef key : {kNoColour, MakeColour(1, 2, 3)}) {
        GifFrame frame = HoledFrame(200, MakeColour(1, 2, 3));
        frame.transparentColour = key;
        ASSERT_TRUE(ReduceGifFrameColours(frame, 16));
        std::set<ColourRef> palette;
        for (const ColourEntry& e : frame.palette) palette.insert(e.ToColour());
        EXPECT_EQ(palette.size(), frame.palette.size()) << "no colour twice";
        EXPECT_LE(frame.palette.size(), 16u);
        EXPECT_EQ(palette, AllColours(frame.picture)) << (key == kNoColour ? "opaque" : "with a key");
        if (key != kNoColour) EXPECT_EQ(palette.count(frame.transparentColour), 1u);
    }
}

// The key shares its cell with a visible colour: it still counts as one more entry.
TEST(GifColours, KeyInAVisibleCellCountsOnce) {
    GifFrame frame;
    frame.picture.Create(3, 1);
    test::SetPixel(frame.picture, 0, 0, MakeColour(0, 0, 0));
    test::SetPixel(frame.picture, 1, 0, MakeColour(1, 1, 1));
    test::SetPixel(frame.picture, 2, 0, MakeColour(200, 0, 0));
    frame.transparentColour = MakeColour(1, 1, 1);
    EXPECT_EQ(CountGifFrameCells(frame), 3);
    frame.transparentColour = kNoColour;
    EXPECT_EQ(CountGifFrameCells(frame), 2);
}

// The job that showed the fault: an animation whose frames have their own tables, 255 visible
// colours each and transparent holes, resized to its own width, comes back pixel for pixel.
TEST(GifColours, ResizeJobAtTheOwnWidthKeepsEveryPixel) {
    test::ScratchDir dir;
    const ColourRef key = MakeColour(1, 2, 3);
    GifFrameList frames;
    for (int f = 0; f < 3; ++f) {
        GifFrame frame = HoledFrame(255, key);
        // Each frame its own colours, so that each needs its own table.
        for (int y = 0; y < frame.picture.Height(); ++y)
            for (int x = 0; x < frame.picture.Width(); ++x) {
                const ColourRef c = test::PixelAt(frame.picture, x, y);
                if (c != key) test::SetPixel(frame.picture, x, y, MakeColour(RedOf(c), GreenOf(c), std::uint8_t(64 + 8 * f)));
            }
        frame.delay = 10;
        frames.Add(std::move(frame));
    }
    GifInfo info;
    info.screenWidth = frames[0].picture.Width();
    info.screenHeight = frames[0].picture.Height();
    SaveGif(frames, info, dir / "in.gif");
    const GifAnimation in = LoadGif(dir / "in.gif");

    const auto run = test::RunLumaprism({"-iin.gif", "-oout.gif", "-w" + std::to_string(info.screenWidth)}, dir.Path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const GifAnimation out = LoadGif(dir / "out.gif");
    ASSERT_EQ(out.frames.Count(), in.frames.Count());
    for (std::size_t f = 0; f < in.frames.Count(); ++f) {
        const GifFrame& a = in.frames[f];
        const GifFrame& b = out.frames[f];
        ASSERT_EQ(b.picture.Width(), a.picture.Width());
        ASSERT_EQ(b.picture.Height(), a.picture.Height());
        int wrong = 0;
        for (int y = 0; y < a.picture.Height(); ++y)
            for (int x = 0; x < a.picture.Width(); ++x) {
                const bool hole = test::PixelAt(a.picture, x, y) == a.transparentColour;
                const bool holeAfter = test::PixelAt(b.picture, x, y) == b.transparentColour;
                if (hole != holeAfter || (!hole && test::PixelAt(a.picture, x, y) != test::PixelAt(b.picture, x, y)))
                    ++wrong;
            }
        EXPECT_EQ(wrong, 0) << "frame " << f;
    }
}

}  // namespace
}  // namespace lp
