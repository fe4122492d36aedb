// The command line's GIF jobs with the frame optimizer (-gc, -gt): the output plays like the same
// job's output without them (composited by ImageMagick and Pillow), and is smaller.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"
#include "formats/gif_test_support.h"
#include "base/colour.h"
#include "optimize/gif_optimizer_test_support.h"
#include "test_support.h"

namespace lp {
namespace {

using test::RunLumaprism;
using test::SetPixel;
using namespace test::gifopt;

/// A sprite moving over a photo-like backdrop: full frames, as cameras and simple tools write them.
GifAnimation SpriteAnimation(int width, int height, int count) {
    GifAnimation a;
    a.info = Screen(width, height);
    a.info.loop = 1;
    for (int f = 0; f < count; ++f) {
        Picture p;
        p.Create(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                // Smooth bands with a little texture: about 150 colours.
                const int v = (x * 3 + y * 2) / 8 + ((x * 7) ^ (y * 3)) % 3;
                SetPixel(p, x, y,
                         MakeColour(std::uint8_t(40 + v * 4), std::uint8_t(90 + v * 2), std::uint8_t(200 - v * 3)));
            }
        const int sx = f * (width - 20) / std::max(count - 1, 1), sy = height / 3 + (f % 3);
        for (int y = 0; y < 14 && sy + y < height; ++y)
            for (int x = 0; x < 20 && sx + x < width; ++x)
                if ((x - 10) * (x - 10) + (y - 7) * (y - 7) < 50)
                    SetPixel(p, sx + x, sy + y, MakeColour(250, std::uint8_t(60 + x * 8), std::uint8_t(y * 12)));
        GifFrame frame = Frame(p, 0, 0, 1, kNoColour, 8);
        a.frames.Add(std::move(frame));
    }
    return a;
}

std::uintmax_t FileSize(const std::filesystem::path& p) { return std::filesystem::file_size(p); }

TEST(GifJobOptimize, ResizedAnimationPlaysAlikeAndShrinks) {
    if (!HavePython()) GTEST_SKIP() << "/usr/bin/python3 with PIL not available";
    test::ScratchDir dir;
    GifAnimation anim = SpriteAnimation(100, 75, 12);
    SaveGif(anim.frames, anim.info, dir / "anim.gif");

    const auto plain = RunLumaprism({"-ianim.gif", "-oplain.gif", "-w200"}, dir.Path());
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    const auto optimized = RunLumaprism({"-ianim.gif", "-oout.gif", "-w200", "-gt5", "-gc10"}, dir.Path());
    ASSERT_EQ(optimized.exitCode, 0) << optimized.err;

    // Cut-out keeps pixels within 10 of what is shown, transparency within 4.
    for (const char* tool : {"magick", "pillow"}) {
        SCOPED_TRACE(tool);
        ExpectFilesComposeAlike(tool, dir / "plain.gif", dir / "out.gif", 10);
    }
    EXPECT_LT(FileSize(dir / "out.gif"), FileSize(dir / "plain.gif"));
    EXPECT_LT(FileSize(dir / "out.gif"), FileSize(dir / "anim.gif"));

    // The frames were really cut: every later frame is smaller than the screen.
    const GifAnimation back = LoadGif(dir / "out.gif");
    ASSERT_EQ(back.frames.Count(), 12u);
    EXPECT_EQ(back.info.screenWidth, 200);
    EXPECT_EQ(back.info.screenHeight, 150);
    for (std::size_t i = 1; i < back.frames.Count(); ++i)
        EXPECT_LT(back.frames[i].picture.Width() * back.frames[i].picture.Height(), 200 * 150) << i;
}

TEST(GifJobOptimize, KeywordsAndEachPassAlone) {
    if (!HavePython()) GTEST_SKIP() << "/usr/bin/python3 with PIL not available";
    test::ScratchDir dir;
    GifAnimation anim = SpriteAnimation(60, 40, 5);
    SaveGif(anim.frames, anim.info, dir / "anim.gif");
    ASSERT_EQ(RunLumaprism({"-ianim.gif", "-oplain.gif", "-w60"}, dir.Path()).exitCode, 0);

    // GCUTOUT alone: frames are cut, no transparency.
    ASSERT_EQ(RunLumaprism({"INPUT=anim.gif", "OUTPUT=cut.gif", "GCUTOUT=1", "WIDTH=60"}, dir.Path()).exitCode, 0);
    const GifAnimation cut = LoadGif(dir / "cut.gif");
    EXPECT_LT(cut.frames[2].picture.Width(), 60);
    for (const GifFrame& f : cut.frames) EXPECT_EQ(f.transparentColour, kNoColour);
    ExpectFilesComposeAlike("magick", dir / "plain.gif", dir / "cut.gif", 1);

    // GTRANSPARENT alone: full frames with transparency.
    ASSERT_EQ(RunLumaprism({"INPUT=anim.gif", "OUTPUT=clear.gif", "GTRANSPARENT=1", "WIDTH=60"}, dir.Path()).exitCode,
              0);
    const GifAnimation clear = LoadGif(dir / "clear.gif");
    EXPECT_EQ(clear.frames[2].picture.Width(), 60);
    EXPECT_NE(clear.frames[2].transparentColour, kNoColour);
    ExpectFilesComposeAlike("magick", dir / "plain.gif", dir / "clear.gif", 0);
}

// Awkward animations: the job gives a GIF that plays like the job without optimization.
struct OddAnimation {
    const char* name;
    std::function<std::vector<std::uint8_t>()> build;
    const char* width;  // the -w flag: the first frame's own width, so nothing is rescaled
};

std::vector<std::uint8_t> Encoded(GifFrameList frames, GifInfo info) { return EncodeGif(frames, info); }

std::vector<std::uint8_t> DifferentSizes() {
    GifFrameList frames;
    frames.Add(Frame(Noise(30, 20, 1, 16), 0, 0));
    frames.Add(Frame(Noise(10, 6, 2, 16), 4, 5));
    frames.Add(Frame(Noise(30, 20, 1, 16), 0, 0));
    frames.Add(Frame(Noise(20, 3, 3, 16), 10, 17));
    return Encoded(frames, Screen(30, 20));
}

std::vector<std::uint8_t> OutsideTheScreen() {
    GifFrameList frames;
    frames.Add(Frame(Noise(24, 16, 4, 16), 0, 0));
    frames.Add(Frame(Noise(10, 10, 5, 16), 20, 10));  // reaches past the right and bottom edges
    frames.Add(Frame(Noise(4, 4, 6, 16), 40, 40));    // wholly outside
    frames.Add(Frame(Noise(24, 16, 4, 16), 0, 0));
    return Encoded(frames, Screen(24, 16));
}

std::vector<std::uint8_t> OneFrame() {
    GifFrameList frames;
    frames.Add(Frame(Noise(16, 12, 7, 16), 0, 0));
    GifInfo info = Screen(16, 12);
    return Encoded(frames, info);
}

std::vector<std::uint8_t> ThousandFrames() {
    GifFrameList frames;
    for (int i = 0; i < 1000; ++i) {
        Picture p = Flat(8, 8, MakeColour(10, 20, 30));
        SetPixel(p, i % 8, (i / 8) % 8, MakeColour(200, 100, std::uint8_t(i % 4)));
        frames.Add(Frame(p, 0, 0, 1, kNoColour, 2));
    }
    return Encoded(frames, Screen(8, 8));
}

std::vector<std::uint8_t> NoGlobalTable() {
    using test::gif::GifBuilder;
    using test::gif::RootsOnly;
    const std::vector<ColourRef> a = {MakeColour(255, 0, 0), MakeColour(0, 0, 255), MakeColour(0, 255, 0),
                                      MakeColour(9, 9, 9)};
    const std::vector<ColourRef> b = {MakeColour(0, 0, 255), MakeColour(255, 255, 0)};
    std::vector<int> first(12 * 8), second(12 * 8);
    for (std::size_t i = 0; i < first.size(); ++i) {
        first[i] = int(i % 7 == 0 ? 1 : i % 4);
        second[i] = (i / 12 >= 3 && i / 12 < 5 && i % 12 > 4) ? 1 : 0;  // a band of yellow
    }
    GifBuilder g;
    g.Screen(12, 8);
    g.Control(10, 1).Image(0, 0, 12, 8, 2, a).Raw(RootsOnly(first, 2));
    g.Control(10, 1, 0).Image(0, 0, 12, 8, 2, b).Raw(RootsOnly(second, 2));
    g.Trailer();
    return g.Get();
}

TEST(GifJobOptimize, AwkwardAnimationsGiveCorrectGifs) {
    if (!HavePython()) GTEST_SKIP() << "/usr/bin/python3 with PIL not available";
    const std::vector<OddAnimation> cases = {
        {"different-sizes", DifferentSizes, "-w30"},
        {"outside-the-screen", OutsideTheScreen, "-w24"},
        {"one-frame", OneFrame, "-w16"},
        {"thousand-frames", ThousandFrames, "-w8"},
        {"no-global-table", NoGlobalTable, "-w12"},
    };
    for (const OddAnimation& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScratchDir dir;
        test::WriteFileBytes(dir / "in.gif", c.build());
        const auto plain = RunLumaprism({"-iin.gif", "-oplain.gif", c.width}, dir.Path());
        const auto optimized = RunLumaprism({"-iin.gif", "-oout.gif", c.width, "-gt1", "-gc1"}, dir.Path());
        ASSERT_EQ(plain.exitCode, 0) << plain.err;
        ASSERT_EQ(optimized.exitCode, 0) << optimized.err;
        EXPECT_NO_THROW(LoadGif(dir / "out.gif"));
        ExpectFilesComposeAlike("magick", dir / "plain.gif", dir / "out.gif", 1);
        EXPECT_LE(FileSize(dir / "out.gif"), FileSize(dir / "plain.gif"));
    }
}

}  // namespace
}  // namespace lp
