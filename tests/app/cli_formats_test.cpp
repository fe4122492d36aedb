// Command-line jobs for every input format: each writes its input's format
// with that format's options (JPEG quality, PNG palette by colour count, GIF
// frames scaled and reduced), and the smart flag picks the averaging resampler.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/bmp/bmp_reader.h"
#include "formats/file_types.h"
#include "formats/format_table.h"
#include "formats/gif/gif_colours.h"
#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"
#include "formats/jpeg/jpeg_writer.h"
#include "formats/pcx/pcx_writer.h"
#include "formats/png/png_writer.h"
#include "formats/tga/tga_writer.h"
#include "formats/tiff/tiff_writer.h"
#include "imaging/colour_count.h"
#include "test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::PixelAt;
using test::RunLumaprism;
using test::ScratchDir;

std::string ReadText(const fs::path& path) {
    const auto bytes = test::ReadFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

Picture Solid(int width, int height, ColourRef colour) {
    Picture p;
    p.Create(width, height);
    p.Fill(colour);
    return p;
}

TEST(CliFormats, EveryFormatWritesItsOwnKindWhateverTheOutputName) {
    struct Case {
        const char* input;
        PictureFileType type;
        void (*write)(const Picture&, const fs::path&);
        bool lossless;
    };
    const Case cases[] = {
        {"a.jpg", PictureFileType::Jpeg, [](const Picture& p, const fs::path& f) { SaveJpeg(p, f, 90); }, false},
        {"a.png", PictureFileType::Png, [](const Picture& p, const fs::path& f) { SavePng(p, f); }, true},
        {"a.tif", PictureFileType::Tiff, [](const Picture& p, const fs::path& f) { SaveTiff(p, f, nullptr); }, true},
        {"a.tga", PictureFileType::Targa, [](const Picture& p, const fs::path& f) { SaveTarga(p, f, true, nullptr); },
         true},
        {"a.pcx", PictureFileType::Pcx, [](const Picture& p, const fs::path& f) { SavePcx(p, f, nullptr); }, true},
    };
    const Picture source = test::PatternPicture(40, 20);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        ScratchDir scratch;
        c.write(source, scratch / c.input);
        const auto r = RunLumaprism({std::string("-i") + c.input, "-oout.bmp", "-w20"}, scratch.Path());
        ASSERT_EQ(r.exitCode, 0) << r.err;
        // Loading with the input's reader is the check: a BMP would fail it.
        const Picture out = LoadPicture(scratch / "out.bmp", c.type, nullptr);
        ASSERT_EQ(out.Width(), 20);
        ASSERT_EQ(out.Height(), 10);
        if (!c.lossless) continue;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x) ASSERT_EQ(PixelAt(out, x, y), PixelAt(source, x * 2, y * 2)) << x << "," << y;
    }
}

TEST(CliFormats, JpegQualityDefaultsTo75) {
    ScratchDir scratch;
    SaveJpeg(test::PatternPicture(64, 64), scratch / "a.jpg", 95);
    ASSERT_EQ(RunLumaprism({"-ia.jpg", "-olow.jpg", "-w64", "-q10"}, scratch.Path()).exitCode, 0);
    ASSERT_EQ(RunLumaprism({"-ia.jpg", "-odefault.jpg", "-w64"}, scratch.Path()).exitCode, 0);
    ASSERT_EQ(RunLumaprism({"-ia.jpg", "-oq75.jpg", "-w64", "-q75"}, scratch.Path()).exitCode, 0);
    const auto low = test::ReadFileBytes(scratch / "low.jpg");
    const auto byDefault = test::ReadFileBytes(scratch / "default.jpg");
    EXPECT_LT(low.size(), byDefault.size());
    EXPECT_EQ(byDefault, test::ReadFileBytes(scratch / "q75.jpg"));
}

TEST(CliFormats, PngIsAPaletteFileOnlyUpTo256Colours) {
    ScratchDir scratch;
    Picture few = Solid(16, 16, MakeColour(200, 10, 10));
    test::SetPixel(few, 3, 3, MakeColour(0, 0, 255));
    SavePng(few, scratch / "few.png");
    SavePng(test::PatternPicture(64, 64), scratch / "many.png");
    ASSERT_EQ(RunLumaprism({"{", "-ifew.png", "-ofew_out.png", "-w16", "}", "{", "-imany.png", "-omany_out.png",
                            "-w64", "}"},
                           scratch.Path())
                  .exitCode,
              0);
    // IHDR colour type: 3 = palette, 2 = true colour.
    EXPECT_EQ(test::ReadFileBytes(scratch / "few_out.png").at(25), 3);
    EXPECT_EQ(test::ReadFileBytes(scratch / "many_out.png").at(25), 2);
    const Picture few2 = LoadPicture(scratch / "few_out.png", PictureFileType::Png, nullptr);
    EXPECT_EQ(PixelAt(few2, 3, 3), MakeColour(0, 0, 255));
    EXPECT_EQ(PixelAt(few2, 4, 3), MakeColour(200, 10, 10));
}

TEST(CliFormats, SmartFlagAveragesPlainResizePicks) {
    ScratchDir scratch;
    Picture p = Solid(2, 1, MakeColour(0, 0, 0));
    test::SetPixel(p, 1, 0, MakeColour(200, 100, 50));
    SavePng(p, scratch / "a.png");
    ASSERT_EQ(RunLumaprism({"{", "-ia.png", "-osmart.png", "-sy", "-w1", "}", "{", "-ia.png", "-oplain.png", "-w1",
                            "}"},
                           scratch.Path())
                  .exitCode,
              0);
    const Picture smart = LoadPicture(scratch / "smart.png", PictureFileType::Png, nullptr);
    const Picture plain = LoadPicture(scratch / "plain.png", PictureFileType::Png, nullptr);
    ASSERT_EQ(smart.Width(), 1);
    EXPECT_EQ(PixelAt(smart, 0, 0), MakeColour(100, 50, 25));
    EXPECT_EQ(PixelAt(plain, 0, 0), MakeColour(0, 0, 0));
}

// An animation whose second frame is smaller and placed inside the screen,
// with a transparent hole; colours are 15-bit cell corners so reduction keeps them.
void MakeAnimation(const fs::path& path) {
    GifFrameList frames;
    GifFrame first;
    first.picture = Solid(40, 30, MakeColour(8, 16, 200));
    for (int x = 0; x < 10; ++x) test::SetPixel(first.picture, x, 5, MakeColour(248, 248, 0));
    first.delay = 10;
    frames.Add(std::move(first));
    GifFrame second;
    second.picture = Solid(20, 10, MakeColour(0, 128, 0));
    test::SetPixel(second.picture, 2, 2, MakeColour(255, 0, 255));
    second.transparentColour = MakeColour(255, 0, 255);
    second.left = 10;
    second.top = 12;
    second.delay = 10;
    frames.Add(std::move(second));
    GifInfo info;
    info.screenWidth = 40;
    info.screenHeight = 30;
    info.loop = 1;
    SaveGif(frames, info, path);
}

TEST(CliFormats, GifJobScalesEveryFrameAndItsPlace) {
    ScratchDir scratch;
    MakeAnimation(scratch / "anim.gif");
    const auto r = RunLumaprism({"-ianim.gif", "-oout.gif", "-w80", "-sy"}, scratch.Path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const GifAnimation out = LoadGif(scratch / "out.gif");
    ASSERT_EQ(out.frames.Count(), 2u);
    EXPECT_EQ(out.info.screenWidth, 80);
    EXPECT_EQ(out.info.screenHeight, 60);
    EXPECT_EQ(out.info.loop, 1);
    const GifFrame& second = out.frames[1];
    EXPECT_EQ(second.picture.Width(), 40);
    EXPECT_EQ(second.picture.Height(), 20);
    EXPECT_EQ(second.left, 20);
    EXPECT_EQ(second.top, 24);
    // The transparent pixel survives the resize as a 2 x 2 block of the key, nothing else takes it.
    ASSERT_NE(second.transparentColour, kNoColour);
    int keyed = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) keyed += PixelAt(second.picture, x, y) == std::int32_t(second.transparentColour);
    EXPECT_EQ(keyed, 4);
    EXPECT_EQ(PixelAt(second.picture, 4, 4), std::int32_t(second.transparentColour));
}

TEST(CliFormats, GifColourCountIsHonoured) {
    ScratchDir scratch;
    GifFrameList frames;
    GifFrame frame;
    frame.picture = test::PatternPicture(32, 32);
    frames.Add(std::move(frame));
    GifInfo info;
    // The writer needs at most 256 colours; the pattern has more, so reduce first.
    FitGifColours(frames);
    SaveGif(frames, info, scratch / "a.gif");
    ASSERT_EQ(RunLumaprism({"-ia.gif", "-ob.gif", "-w32", "-n8"}, scratch.Path()).exitCode, 0);
    const GifAnimation out = LoadGif(scratch / "b.gif");
    EXPECT_LE(CountColours(out.frames[0].picture), 8);
    EXPECT_GE(CountColours(out.frames[0].picture), 2);

    const auto zero = RunLumaprism({"-ia.gif", "-oc.gif", "-w32", "-n0"}, scratch.Path());
    EXPECT_EQ(zero.exitCode, 1);
    EXPECT_FALSE(fs::exists(scratch / "c.gif"));
    EXPECT_EQ(ReadText(scratch / "Error.log"), "ERROR: a.gif Number of colors must be at least 1\n");
}

// ImageMagick composites input and output; the output must look like the input
// composited, then doubled.
TEST(CliFormats, GifJobDisplaysLikeTheInputScaled) {
    if (!fs::exists("/usr/bin/convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
    ScratchDir scratch;
    MakeAnimation(scratch / "anim.gif");
    ASSERT_EQ(RunLumaprism({"-ianim.gif", "-oout.gif", "-w80"}, scratch.Path()).exitCode, 0);
    const std::string dir = "'" + scratch.Path().string() + "/";
    ASSERT_EQ(std::system(("convert " + dir + "anim.gif' -coalesce -sample 200% BMP3:" + dir + "in_%d.bmp'").c_str()),
              0);
    ASSERT_EQ(std::system(("convert " + dir + "out.gif' -coalesce BMP3:" + dir + "out_%d.bmp'").c_str()), 0);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const Picture expected = LoadBmp(scratch / ("in_" + std::to_string(i) + ".bmp"), nullptr);
        const Picture actual = LoadBmp(scratch / ("out_" + std::to_string(i) + ".bmp"), nullptr);
        ASSERT_EQ(actual.Width(), expected.Width());
        ASSERT_EQ(actual.Height(), expected.Height());
        int different = 0;
        for (int y = 0; y < expected.Height(); ++y)
            for (int x = 0; x < expected.Width(); ++x) different += PixelAt(actual, x, y) != PixelAt(expected, x, y);
        EXPECT_EQ(different, 0);
    }
}

TEST(CliFormats, BatchRunWritesOnlyTheExitSettings) {
    ScratchDir scratch;
    SavePng(Solid(4, 4, 0), scratch / "a.png");
    ASSERT_EQ(RunLumaprism({"-ia.png", "-ob.png", "-w2"}, scratch.Path()).exitCode, 0);
    std::string ini;
    for (const auto& entry : fs::recursive_directory_iterator(scratch.Path()))
        if (entry.path().extension() == ".ini") ini = ReadText(entry.path());
    ASSERT_FALSE(ini.empty()) << "no settings file written under LUMAPRISM_HOME";
    EXPECT_NE(ini.find("Internet"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("[Settings]"), std::string::npos) << ini;
}

}  // namespace
}  // namespace lp
