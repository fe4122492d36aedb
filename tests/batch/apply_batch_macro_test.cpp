#include "batch/apply_batch_macro.h"

#include <gtest/gtest.h>

#include <set>
#include <sys/stat.h>
#include <string>
#include <vector>

#include "base/data_folders.h"
#include "base/prompter.h"
#include "formats/file_types.h"
#include "formats/format_table.h"
#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"
#include "formats/jpeg/jpeg_reader.h"
#include "formats/png/png_writer.h"
#include "imaging/colour_count.h"
#include "test_support.h"
#include "formats/png_test_support.h"
#include "imaging/colour_reduce.h"
#include "tools/palette.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::PatternPicture;
using test::PixelAt;
using test::ReadFileBytes;
using test::ScratchDir;
using test::SetPixel;

/// A picture of `colours` vertical stripes of distinct colours.
Picture Stripes(int width, int height, int colours) {
    Picture p;
    p.Create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int k = x * colours / width;
            SetPixel(p, x, y, MakeColour(std::uint8_t(k * 37), std::uint8_t(255 - k * 11), std::uint8_t(k * 5)));
        }
    return p;
}

/// A GIF of `count` frames of 40 x 30 at (2k, k), each with its own stripes.
fs::path WriteAnimation(const fs::path& path, int count, ColourRef transparent = kNoColour) {
    GifFrameList frames;
    for (int k = 0; k < count; ++k) {
        GifFrame f;
        f.picture = Stripes(40, 30, 4 + k);
        if (transparent != kNoColour) SetPixel(f.picture, 0, 0, transparent);
        f.left = 2 * k;
        f.top = k;
        f.delay = 10;
        f.transparentColour = transparent;
        frames.Add(std::move(f));
    }
    GifInfo info;
    info.screenWidth = 60;
    info.screenHeight = 40;
    info.loop = 1;
    SaveGif(frames, info, path);
    return path;
}

struct Env {
    ScratchDir dir;
    DataFolders folders = DataFolders::FromEnvironment();
    ScriptedPrompter prompter;
    BatchContext context;
    fs::path out = dir / "out";
    Env(std::deque<PromptAnswer> answers = {}) : prompter(std::move(answers)) {
        fs::create_directories(out);
        context.folders = &folders;
        context.prompter = &prompter;
    }
};

BatchMacro OutputMacro(int format, const fs::path& outDir) {
    BatchMacro m("Test");
    m.outputFormat = format;
    m.outputDir = outDir.string();
    return m;
}

TEST(TargetColorCount, FollowsItsTable) {
    struct Case {
        int reductionMode, exposure, colorCountMode, colorPercent, colors;
        std::int64_t c;
        int expected;
    };
    const Case cases[] = {
        {0, 0, 1, 100, 256, 96, 38},  {0, 0, 1, 100, 256, 97, 63},  {0, 0, 1, 100, 256, 150, 63},
        {0, 0, 1, 100, 256, 151, 127}, {0, 0, 1, 100, 256, 256, 127}, {0, 0, 1, 100, 256, 300, 255},
        {0, 0, 1, 100, 256, 1, 1},     {0, 0, 1, 100, 256, 2, 1},     // 0.8 truncates to 0, returned as 1
        {1, 0, 1, 100, 256, 100, 20}, {1, 1, 1, 100, 256, 100, 30},  {1, 2, 1, 100, 256, 100, 50},
        {1, 0, 1, 100, 256, 257, 50}, {1, 1, 1, 100, 256, 300, 100}, {1, 2, 1, 100, 256, 1000, 200},
        {2, 0, 1, 25, 256, 200, 50},  {2, 0, 2, 25, 77, 200, 77},
    };
    for (const auto& c : cases) {
        BatchMacro m;
        m.reductionMode = c.reductionMode;
        m.exposure = c.exposure;
        m.colorCountMode = c.colorCountMode;
        m.colorPercent = c.colorPercent;
        m.colors = c.colors;
        EXPECT_EQ(TargetColorCount(m, c.c), c.expected)
            << "mode " << c.reductionMode << " exposure " << c.exposure << " C " << c.c;
    }
}

TEST(TargetColorCount, AutomaticModesResetThePaletteChoice) {
    for (int mode : {0, 1, 2}) {
        BatchMacro m;
        m.reductionMode = mode;
        m.paletteName = "Mine";
        m.usePalette = 0;
        m.updateTransparent = 0;
        TargetColorCount(m, 500);
        EXPECT_EQ(m.paletteName.empty(), mode != 2) << mode;
        EXPECT_EQ(m.usePalette, mode != 2 ? 1 : 0) << mode;
        EXPECT_EQ(m.updateTransparent, mode != 2 ? 1 : 0) << mode;
    }
}

TEST(ApplyToPicture, ResizesRelativelyAndAbsolutely) {
    Env env;
    struct Case {
        int mode, w, h, wp, hp;
        int expectW, expectH;
    };
    const Case cases[] = {
        {1, 0, 0, 100, 100, 50, 40},  // 100 % leaves it alone
        {1, 0, 0, 50, 25, 25, 10},    {1, 0, 0, 1, 1, 1, 1},  // at least 1
        {2, 7, 9, 0, 0, 7, 9},        {0, 7, 9, 10, 10, 50, 40},
    };
    for (const auto& c : cases) {
        BatchMacro m;
        m.resizeMode = c.mode;
        m.width = c.w;
        m.height = c.h;
        m.widthPercent = c.wp;
        m.heightPercent = c.hp;
        Picture p = PatternPicture(50, 40);
        const Picture before = p;
        BatchFileResult r;
        ASSERT_TRUE(ApplyToPicture(m, p, kApplyResize, MacroVariant::Full, env.context, r));
        EXPECT_EQ(p.Width(), c.expectW);
        EXPECT_EQ(p.Height(), c.expectH);
        EXPECT_EQ(r.widthAfter, c.expectW);
        EXPECT_EQ(r.heightAfter, c.expectH);
        if (c.expectW == 50 && c.expectH == 40) {
            EXPECT_TRUE(p.SamePixels(before));
        }
    }
    BatchMacro bad;
    bad.resizeMode = 2;
    bad.width = 0;
    Picture p = PatternPicture(5, 5);
    BatchFileResult r;
    EXPECT_FALSE(ApplyToPicture(bad, p, kApplyResize, MacroVariant::Full, env.context, r));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(p.Width(), 5);
}

TEST(ApplyToPicture, ReducesColoursUnlessJpeg) {
    Env env;
    BatchMacro m;
    m.colors = 16;
    Picture p = PatternPicture(64, 64);
    ASSERT_GT(CountColours(p), 16);
    BatchFileResult r;
    ASSERT_TRUE(ApplyToPicture(m, p, kApplyResize | kApplyReduceColors, MacroVariant::Full, env.context, r));
    EXPECT_LE(CountColours(p), 16);
    EXPECT_EQ(r.colorsAfter, CountColours(p));

    m.outputFormat = kOutputJpeg;
    Picture q = PatternPicture(64, 64);
    const Picture before = q;
    ASSERT_TRUE(ApplyToPicture(m, q, kApplyReduceColors, MacroVariant::Full, env.context, r));
    EXPECT_TRUE(q.SamePixels(before));
}

TEST(ApplyToPicture, MapsOntoThePaletteFileOrReportsItMissing) {
    Env env;
    BatchMacro m;
    m.colorCountMode = kColorCountAbsolute;
    // Fewer than the palette's 216 colours: the picture is mapped onto the palette. The
    // picture takes at most 72 of them (blue is 0..31), so no reduction follows.
    m.colors = 100;
    m.transparentMode = kTransparentNone;
    m.paletteName = "Web-Safe";
    InstallShippedPalettes(env.folders);
    Picture p = PatternPicture(32, 32);
    BatchFileResult r;
    ASSERT_TRUE(ApplyToPicture(m, p, kApplyReduceColors, MacroVariant::Full, env.context, r));
    const Palette web = WebSafePalette();
    std::set<ColourRef> allowed;
    for (const auto& e : web.Entries()) allowed.insert(e.colour.ToColour());
    std::set<ColourRef> seen;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) seen.insert(PixelAt(p, x, y));
    EXPECT_LE(seen.size(), 72u);
    EXPECT_GT(seen.size(), 4u);
    for (ColourRef c : seen) EXPECT_TRUE(allowed.count(c)) << std::hex << c;

    m.paletteName = "";  // asks for ".pal"
    Picture q = PatternPicture(8, 8);
    const Picture before = q;
    BatchFileResult missing;
    EXPECT_FALSE(ApplyToPicture(m, q, kApplyReduceColors, MacroVariant::Full, env.context, missing));
    EXPECT_TRUE(q.SamePixels(before));
    ASSERT_FALSE(env.prompter.Messages().empty());
    EXPECT_EQ(env.prompter.Messages().back().text,
              "Unable to find palette file : .  Check your palette directory for the same.\n"
              "Your request to convert to the palette is not processed");
}

TEST(ApplyToPicture, ScalesFramePositionAndScreen) {
    Env env;
    BatchMacro m;
    m.resizeMode = kResizeRelative;
    m.widthPercent = 50;
    m.heightPercent = 50;
    GifFrame frame;
    frame.picture = PatternPicture(40, 20);
    frame.left = 11;
    frame.top = 7;
    GifInfo info;
    info.screenWidth = 81;
    info.screenHeight = 41;
    ApplyFrameState state{&frame, &info, true, kNoColour};
    BatchFileResult r;
    ASSERT_TRUE(ApplyToPicture(m, frame.picture, kApplyResize, MacroVariant::Full, env.context, r, &state));
    EXPECT_EQ(frame.left, 5);
    EXPECT_EQ(frame.top, 3);
    EXPECT_EQ(info.screenWidth, 40);
    EXPECT_EQ(info.screenHeight, 20);

    m.resizeMode = kResizeAbsolute;  // enlarges the screen only when smaller
    m.width = 100;
    m.height = 10;
    ASSERT_TRUE(ApplyToPicture(m, frame.picture, kApplyResize, MacroVariant::Full, env.context, r, &state));
    EXPECT_EQ(info.screenWidth, 100);
    EXPECT_EQ(info.screenHeight, 20);
}

// The full form on a real picture of every format: written as GIF (resized,
// reduced) and written back in its own format next to the source.
TEST(ApplyToFile, RealPicturesOfEveryFormat) {
    LP_REQUIRE_CORPUS();
    const fs::path corpus = test::CorpusDir();
    const fs::path sources[] = {
        corpus / "png/pngsuite/basn2c08.png",          corpus / "bmp/bmpsuite/g/rgb24.bmp",
        corpus / "gif/gif-test-suite/gifs/animated_loop.gif", corpus / "jpeg/libjpeg-turbo-testimages/testorig.jpg",
        corpus / "tiff/libtiffpic-depth/flower-rgb-contig-08.tif", corpus / "tga/pillow-tga/common/200x32_rgb_bl_rle.tga",
        corpus / "pcx/sdl-image-sample/sample.pcx",
    };
    for (const fs::path& original : sources) {
        Env env;
        const fs::path src = env.dir / original.filename();
        fs::copy_file(original, src);
        BatchMacro gif = OutputMacro(kOutputGif, env.out);
        gif.resizeMode = kResizeRelative;
        gif.widthPercent = gif.heightPercent = 50;
        gif.colors = 32;
        gif.colorCountMode = kColorCountRelative;
        BatchFileResult r;
        ASSERT_TRUE(ApplyToFile(gif, src, env.context, r)) << src << " " << r.error;
        ASSERT_TRUE(r.ok) << r.error;
        const fs::path expected = env.out / (src.stem().string() + ".gif");
        EXPECT_EQ(r.outputPath, expected.string());
        EXPECT_EQ(r.outputType, MacroPictureType::Gif);
        EXPECT_EQ(r.outputBytes, fs::file_size(expected));
        const GifAnimation written = LoadGif(expected);
        EXPECT_EQ(written.frames[0].picture.Width(), std::max(1, r.widthBefore / 2)) << src;
        EXPECT_EQ(written.frames[0].picture.Height(), std::max(1, r.heightBefore / 2)) << src;
        EXPECT_LE(CountColours(written.frames[0].picture), 32) << src;
        EXPECT_EQ(r.widthAfter, written.frames[0].picture.Width());

        BatchMacro same = OutputMacro(kOutputSame, env.out);
        BatchFileResult s;
        ASSERT_TRUE(ApplyToFile(same, src, env.context, s)) << src << " " << s.error;
        ASSERT_TRUE(s.ok) << s.error;
        EXPECT_EQ(s.outputPath, src.string()) << "same format writes next to the source, replacing it";
        const Picture back = LoadPicture(src, SniffFileType(src));
        EXPECT_EQ(back.Width(), s.widthBefore) << src;
        EXPECT_TRUE(env.prompter.Messages().empty()) << env.prompter.Messages()[0].text;
    }
}

/// Counts how often a picture's colours are counted: every count reports its own progress.
class ColourCountingProgress : public ProgressSink {
public:
    void Begin(long, long, std::string_view text) override { counts += text == "Counting Colors in the Picture .."; }
    void Step(long) override {}
    void SetText(std::string_view) override {}
    void End() override {}
    int counts = 0;
};

// A file's colours are counted once, and once more only when a step changed its pixels. A PNG
// palette writer that was handed no palette (nothing was reduced) collects its own: one scan more.
TEST(ApplyToFile, CountsAFilesColoursOnceUnlessItsPixelsChange) {
    struct Case {
        const char* what;
        int outputFormat;
        int colors;
        int resizePercent;
        int expectedCounts;
    };
    const Case cases[] = {
        {"nothing to reduce", kOutputPng, 256, 100, 2},
        {"to GIF, nothing to reduce", kOutputGif, 256, 100, 1},
        {"to JPEG", kOutputJpeg, 8, 100, 1},
        {"reduced", kOutputPng, 8, 100, 2},
        {"reduced to GIF", kOutputGif, 8, 100, 2},
        {"resized", kOutputPng, 256, 50, 3},
        {"resized to GIF", kOutputGif, 256, 50, 2},
    };
    for (const Case& c : cases) {
        Env env;
        const fs::path src = env.dir / "stripes.png";
        SavePng(Stripes(64, 16, 40), src);
        ColourCountingProgress progress;
        env.context.progress = &progress;
        BatchMacro m = OutputMacro(c.outputFormat, env.out);
        m.colorCountMode = kColorCountRelative;
        m.colors = c.colors;
        if (c.resizePercent != 100) {
            m.resizeMode = kResizeRelative;
            m.widthPercent = m.heightPercent = c.resizePercent;
        }
        BatchFileResult r;
        ASSERT_TRUE(ApplyToFile(m, src, env.context, r)) << c.what << ": " << r.error;
        EXPECT_EQ(progress.counts, c.expectedCounts) << c.what;
        // The counts reused are the right ones.
        EXPECT_EQ(r.colorsBefore, 40) << c.what;
        const Picture written = LoadPicture(r.outputPath, SniffFileType(r.outputPath));
        if (c.outputFormat != kOutputJpeg) EXPECT_EQ(r.colorsAfter, CountColours(written)) << c.what;
        if (c.colors < 40 && c.outputFormat != kOutputJpeg) EXPECT_LE(r.colorsAfter, c.colors) << c.what;
    }
}

// The palette the batch's reduction chose is the one the PNG stores, in its order.
TEST(ApplyToFile, AReducedPngStoresThePaletteTheReductionChose) {
    Env env;
    const Picture source = Stripes(64, 16, 40);
    const fs::path src = env.dir / "stripes.png";
    SavePng(source, src);
    BatchMacro m = OutputMacro(kOutputPng, env.out);
    m.colorCountMode = kColorCountRelative;
    m.colors = 8;
    BatchFileResult r;
    ASSERT_TRUE(ApplyToFile(m, src, env.context, r)) << r.error;
    const std::vector<std::uint8_t> written = ReadFileBytes(r.outputPath);
    std::vector<ColourRef> expected;
    for (const ColourEntry& e : BuildPalette(source, 8)) expected.push_back(e.ToColour());
    EXPECT_EQ(test::StoredPngPalette(written), expected);

    // The reduction's order is not the order a writer would find by itself.
    Picture reduced = source;
    ReduceColours(reduced, 8);
    EXPECT_NE(test::StoredPngPalette(EncodePng(reduced, kNoColour, nullptr, {}, PngColourMode::Palette)), expected);
}

TEST(ApplyToFile, AnimationToJpegAsksAboutFrames) {
    for (PromptAnswer answer : {PromptAnswer::Yes, PromptAnswer::No}) {
        Env env({answer});
        const fs::path src = WriteAnimation(env.dir / "anim.gif", 3);
        BatchFileResult r;
        ASSERT_TRUE(ApplyToFile(OutputMacro(kOutputJpeg, env.out), src, env.context, r)) << r.error;
        ASSERT_EQ(env.prompter.Questions().size(), 1u);
        EXPECT_EQ(env.prompter.Questions()[0].text, "GIF file contains 3 frames, Save each frame as in selected format");
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(env.out)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        if (answer == PromptAnswer::Yes) {
            EXPECT_EQ(names, (std::vector<std::string>{"anim1.jpg", "anim2.jpg", "anim3.jpg"}));
            // Each file holds its own frame (frame k has 4 + k stripes).
            EXPECT_EQ(LoadJpeg(env.out / "anim3.jpg", nullptr).Width(), 40);
        } else {
            EXPECT_EQ(names, (std::vector<std::string>{"anim.jpg"}));
        }
    }
}

TEST(ApplyToFile, GifKeepsAllFramesAndTransparency) {
    Env env;
    const ColourRef key = MakeColour(1, 2, 3);
    const fs::path src = WriteAnimation(env.dir / "anim.gif", 3, key);
    BatchMacro m = OutputMacro(kOutputSame, env.out);
    m.resizeMode = kResizeRelative;
    m.widthPercent = m.heightPercent = 50;
    BatchFileResult r;
    ASSERT_TRUE(ApplyToFile(m, src, env.context, r)) << r.error;
    EXPECT_EQ(r.outputPath, src.string());
    const GifAnimation back = LoadGif(src);
    ASSERT_EQ(back.frames.Count(), 3u);
    EXPECT_EQ(back.frames[2].picture.Width(), 20);
    EXPECT_EQ(back.frames[2].left, 2);  // 4 x 50 %
    EXPECT_EQ(back.info.screenWidth, 30);
    EXPECT_EQ(back.info.loop, 1);
    EXPECT_NE(back.frames[0].transparentColour, kNoColour);
    // One transparency question per frame (colour reduction was asked for).
    EXPECT_EQ(env.prompter.Questions().size(), 3u);

    m.transparentMode = kTransparentNone;
    ASSERT_TRUE(ApplyToFile(m, src, env.context, r));
    EXPECT_EQ(LoadGif(src).frames[0].transparentColour, kNoColour);
}

TEST(ApplyToFile, CutOutShrinksUnchangedFrameBorders) {
    Env env;
    GifFrameList frames;
    for (int k = 0; k < 2; ++k) {
        GifFrame f;
        f.picture = Stripes(40, 30, 6);
        f.delay = 10;
        if (k == 1)  // only a 4 x 3 block changes
            for (int y = 10; y < 13; ++y)
                for (int x = 20; x < 24; ++x) SetPixel(f.picture, x, y, MakeColour(255, 255, 255));
        frames.Add(std::move(f));
    }
    GifInfo info;
    info.screenWidth = 40;
    info.screenHeight = 30;
    const fs::path src = env.dir / "blink.gif";
    SaveGif(frames, info, src);
    BatchMacro m = OutputMacro(kOutputGif, env.out);
    m.cutOut = 1;
    BatchFileResult r;
    ASSERT_TRUE(ApplyToFile(m, src, env.context, r)) << r.error;
    const GifAnimation back = LoadGif(env.out / "blink.gif");
    ASSERT_EQ(back.frames.Count(), 2u);
    EXPECT_EQ(back.frames[0].picture.Width(), 40);
    EXPECT_EQ(back.frames[1].picture.Width(), 4);
    EXPECT_EQ(back.frames[1].picture.Height(), 3);
    EXPECT_EQ(back.frames[1].left, 20);
    EXPECT_EQ(back.frames[1].top, 10);
}

TEST(ApplyToFile, AbsoluteSizeOnAnimationDefaultsToNothingWritten) {
    Env env;
    const fs::path src = WriteAnimation(env.dir / "anim.gif", 2);
    BatchMacro m = OutputMacro(kOutputGif, env.out);
    m.resizeMode = kResizeAbsolute;
    BatchFileResult r;
    EXPECT_TRUE(ApplyToFile(m, src, env.context, r));
    EXPECT_TRUE(r.skipped);
    EXPECT_TRUE(fs::is_empty(env.out));
    EXPECT_EQ(env.prompter.Questions().back().text,
              "Absolute size will change all frames and may distrub the animation.. Want to continue ?");
    env.context.skipCountsAsFailure = true;  // the command line counts it as failed
    EXPECT_TRUE(ApplyToFile(m, src, env.context, r));
    EXPECT_FALSE(r.ok);
}

TEST(ApplyToFile, JpegSourceKeepsItsExtensionAndIsNotReduced) {
    Env env;
    const fs::path src = env.dir / "photo.JPEG";
    const Picture photo = PatternPicture(64, 48);
    SavePictureByExtension(photo, env.dir / "photo.jpg");
    fs::rename(env.dir / "photo.jpg", src);
    BatchMacro m = OutputMacro(kOutputSame, env.out);
    m.colors = 2;  // would be visible if applied
    m.quality = 20;
    BatchFileResult r;
    ASSERT_TRUE(ApplyToFile(m, src, env.context, r)) << r.error;
    EXPECT_EQ(r.outputPath, src.string());
    EXPECT_GT(CountColours(LoadJpeg(src, nullptr)), 2);
    EXPECT_LT(r.outputBytes, r.sourceBytes) << "written at quality 20";
}

TEST(ApplyToFile, FailuresAndUnsupportedFiles) {
    Env env;
    BatchMacro m = OutputMacro(kOutputGif, env.out);
    BatchFileResult r;
    EXPECT_FALSE(ApplyToFile(m, env.dir / "missing.png", env.context, r));
    EXPECT_FALSE(r.ok);

    test::WriteFileBytes(env.dir / "notes.xyz", {1, 2, 3});
    EXPECT_TRUE(ApplyToFile(m, env.dir / "notes.xyz", env.context, r)) << "skipped, the run goes on";
    EXPECT_FALSE(r.ok);
    ASSERT_FALSE(env.prompter.Messages().empty());
    EXPECT_EQ(env.prompter.Messages().back().text, "Unsupported\\Don't know to load .XYZ format");
    EXPECT_EQ(env.prompter.Messages().back().caption, "Message");

    test::WriteFileBytes(env.dir / "broken.png", {0x89, 'P', 'N', 'G', 1, 2});
    EXPECT_FALSE(ApplyToFile(m, env.dir / "broken.png", env.context, r));
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());

    SavePng(Stripes(10, 10, 3), env.dir / "ok.png");
    m.outputDir = (env.dir / "nowhere").string();
    EXPECT_FALSE(ApplyToFile(m, env.dir / "ok.png", env.context, r));
    EXPECT_NE(r.error.find("nowhere"), std::string::npos) << r.error;
    EXPECT_FALSE(fs::exists(env.dir / "nowhere"));
}

TEST(MacroOutputName, KeepsTheSourceSpellingWhenTheFormatStaysElseLowerCase) {
    struct Case {
        const char* source;
        int format;
        const char* written;
    };
    const Case cases[] = {
        {"a.bmp", kOutputGif, "a.gif"},   {"b.PNG", kOutputJpeg, "b.jpg"}, {"c.jpeg", kOutputPng, "c.png"},
        {"d.GIF", kOutputGif, "d.GIF"},   {"e.JPEG", kOutputJpeg, "e.JPEG"}, {"f.Jpg", kOutputJpeg, "f.Jpg"},
        {"g.Png", kOutputPng, "g.Png"},   {"h.TGA", kOutputSame, "h.TGA"},   {"i.tif", kOutputGif, "i.gif"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        Env env;
        const fs::path src = env.dir / c.source;
        SavePictureByExtension(Stripes(12, 8, 3), src);
        BatchMacro m = OutputMacro(c.format, env.out);
        EXPECT_EQ(MacroOutputExtension(m, src), fs::path(c.written).extension().string());
        BatchFileResult r;
        ASSERT_TRUE(ApplyToFile(m, src, env.context, r)) << r.error;
        ASSERT_TRUE(r.ok) << r.error;
        const fs::path expected = (c.format == kOutputSame ? env.dir.Path() : env.out) / c.written;
        EXPECT_EQ(r.outputPath, expected.string());
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(env.out)) names.insert(e.path().filename().string());
        if (c.format != kOutputSame) {
            EXPECT_EQ(names, std::set<std::string>{c.written});
        }
        // The site optimizer names its files by the same rule.
        fs::remove_all(env.out);
        fs::create_directories(env.out);
        const BatchFileResult site = ApplyForSite(m, src, 0, 0, env.context);
        ASSERT_TRUE(site.ok) << site.error;
        if (site.status == kStatusOptimized) {
            EXPECT_EQ(site.outputPath, expected.string());
        }
    }
}

TEST(ApplyToSelection, ASecondInputWithTheSameOutputNameFailsAndKeepsTheFirstResult) {
    Env env;
    SavePictureByExtension(Stripes(10, 10, 3), env.dir / "noise.bmp");
    SavePictureByExtension(Stripes(20, 16, 3), env.dir / "noise.png");
    SavePictureByExtension(Stripes(12, 10, 3), env.dir / "other.png");
    const BatchMacro m = OutputMacro(kOutputGif, env.out);
    const std::vector<fs::path> files{env.dir / "noise.bmp", env.dir / "noise.png", env.dir / "other.png"};
    const auto results = ApplyToSelection(m, files, env.context);
    ASSERT_EQ(results.size(), 3u);  // a refused file does not stop the run
    EXPECT_TRUE(results[0].ok) << results[0].error;
    EXPECT_FALSE(results[1].ok);
    EXPECT_NE(results[1].error.find("would overwrite the output of " + (env.dir / "noise.bmp").string()),
              std::string::npos)
        << results[1].error;
    EXPECT_TRUE(results[1].outputs.empty());
    EXPECT_TRUE(results[2].ok) << results[2].error;
    // The file holds the first input's result.
    EXPECT_EQ(LoadGif(env.out / "noise.gif").frames[0].picture.Width(), 10);
    // The same file listed twice is not a collision with itself.
    const std::vector<fs::path> twice{env.dir / "other.png", env.dir / "other.png"};
    for (const auto& r : ApplyToSelection(m, twice, env.context)) EXPECT_TRUE(r.ok) << r.error;
}

TEST(BatchOutputClaims, NamesAreComparedAsTheFilesTheyReach) {
    ScratchDir dir;
    fs::create_directories(dir / "sub");
    BatchOutputClaims claims;
    EXPECT_FALSE(claims.Claim(dir / "out.gif", dir / "a.bmp"));
    EXPECT_FALSE(claims.Claim(dir / "sub/../out.gif", dir / "a.bmp"));  // its own file again
    const auto first = claims.Claim(dir / "sub/../out.gif", dir / "a.png");
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, dir / "a.bmp");
    EXPECT_FALSE(claims.Claim(dir / "out.GIF", dir / "a.png"));  // another name on Linux
    // Planned names go to the first input in the order given.
    BatchMacro m("Test");
    m.outputFormat = kOutputGif;
    m.outputDir = (dir / "sub").string();
    BatchOutputClaims planned;
    const std::vector<fs::path> order{dir / "n.bmp", dir / "n.jpg"};
    planned.ReservePlanned(m, order);
    EXPECT_FALSE(planned.Claim(dir / "sub/n.gif", dir / "n.bmp"));
    EXPECT_TRUE(planned.Claim(dir / "sub/n.gif", dir / "n.jpg"));
}

TEST(ApplyToSelection, StopsAtTheFirstFailureAndReportsSuccess) {
    Env env;
    SavePng(Stripes(10, 10, 3), env.dir / "a.png");
    SavePng(Stripes(10, 10, 3), env.dir / "c.png");
    const BatchMacro m = OutputMacro(kOutputGif, env.out);
    const std::vector<fs::path> withMissing{env.dir / "a.png", env.dir / "b.png", env.dir / "c.png"};
    auto results = ApplyToSelection(m, withMissing, env.context);
    EXPECT_EQ(results.size(), 2u);
    EXPECT_TRUE(fs::exists(env.out / "a.gif"));
    EXPECT_FALSE(fs::exists(env.out / "c.gif"));
    EXPECT_TRUE(env.prompter.Messages().empty());

    const std::vector<fs::path> good{env.dir / "a.png", env.dir / "c.png"};
    results = ApplyToSelection(m, good, env.context);
    EXPECT_EQ(results.size(), 2u);
    ASSERT_EQ(env.prompter.Messages().size(), 1u);
    EXPECT_EQ(env.prompter.Messages()[0].text, "Test Template Successfully applied");

    ApplyToSelection(m, {}, env.context);
    EXPECT_EQ(env.prompter.Messages().back().text, "No Pictures In the List !!");
}

std::set<std::string> FilesIn(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename() != "home") names.insert(e.path().filename().string());
    return names;
}

TEST(ApplyKeepIfSmaller, ReplacesOnlyWithASmallerResult) {
    Env env;
    // A true-colour PNG of few colours shrinks when written as a palette PNG.
    const fs::path big = env.dir / "big.png";
    SavePng(Stripes(200, 100, 8), big, kNoColour, nullptr, {}, PngColourMode::TrueColour);
    BatchMacro m = OutputMacro(kOutputSame, env.out);
    m.reductionMode = kReductionCount;
    m.colorCountMode = kColorCountAbsolute;
    m.colors = 8;
    const auto before = fs::file_size(big);
    BatchFileResult r = ApplyKeepIfSmaller(m, big, env.context);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.status, "Optimized");
    EXPECT_EQ(r.outputPath, big.string());
    EXPECT_LT(fs::file_size(big), before);
    EXPECT_EQ(r.outputBytes, fs::file_size(big));
    EXPECT_EQ(FilesIn(env.dir.Path()), (std::set<std::string>{"big.png", "out"})) << "no temporary left";

    // Written again, the result is no smaller: the source stays as it is.
    const auto bytes = ReadFileBytes(big);
    r = ApplyKeepIfSmaller(m, big, env.context);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.status, "Already optimized picture");
    EXPECT_EQ(ReadFileBytes(big), bytes);
    EXPECT_EQ(r.outputBytes, r.sourceBytes);
    EXPECT_EQ(FilesIn(env.dir.Path()), (std::set<std::string>{"big.png", "out"}));
}

TEST(ApplyKeepIfSmaller, UsesTheWizardColourTarget) {
    Env env;
    const fs::path src = env.dir / "s.bmp";
    SavePictureByExtension(PatternPicture(64, 64), src);
    BatchMacro m = OutputMacro(kOutputGif, env.out);
    m.reductionMode = kReductionExposure;
    m.exposure = 0;  // low: 50 colours for 257 or more
    BatchFileResult r = ApplyKeepIfSmaller(m, src, env.context);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.status, "Optimized");
    EXPECT_LE(CountColours(LoadGif(env.out / "s.gif").frames[0].picture), 50);
    EXPECT_LE(r.colorsAfter, 50);
}

TEST(ApplyForSite, ImagesComeOutWithTheModeAWebServerCanServe) {
    const mode_t oldMask = ::umask(022);
    Env env;
    const fs::path src = env.dir / "big.bmp";
    SavePictureByExtension(PatternPicture(64, 64), src);
    BatchMacro m = OutputMacro(kOutputGif, env.out);
    BatchFileResult r = ApplyForSite(m, src, 0, 0, env.context);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.status, kStatusOptimized);
    EXPECT_EQ(fs::status(env.out / "big.gif").permissions() & fs::perms::all, fs::perms(0644));
    // Replacing in place keeps the replaced file's bits.
    const fs::path inPlace = env.dir / "page.bmp";
    SavePictureByExtension(PatternPicture(64, 64), inPlace);
    fs::permissions(inPlace, fs::perms(0664));
    r = ApplyForSite(OutputMacro(kOutputSame, env.out), inPlace, 32, 32, env.context);
    ::umask(oldMask);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.status, kStatusOptimized);
    EXPECT_EQ(fs::status(inPlace).permissions() & fs::perms::all, fs::perms(0664));
    EXPECT_EQ(LoadPicture(inPlace, PictureFileType::Bmp).Width(), 32);
}

TEST(ApplyForSite, ResizesDownToTheDeclaredSizeOnly) {
    struct Case {
        int declaredW, declaredH, resizeImages;
        int expectW, expectH;
    };
    const Case cases[] = {
        {100, 50, 1, 100, 50},   // larger than declared: down to it
        {400, 200, 1, 200, 100}, // smaller: never enlarged
        {150, 150, 1, 200, 100}, // height would grow: untouched
        {150, 100, 1, 200, 100}, // only the width shrinks: untouched
        {150, 60, 1, 150, 60},   // both shrink, another aspect: to the declared size
        {0, 50, 1, 200, 100},    // a missing attribute: untouched
        {100, 50, 0, 200, 100},  // resizing switched off
    };
    for (const auto& c : cases) {
        Env env;
        const fs::path src = env.dir / "img.bmp";
        SavePictureByExtension(PatternPicture(200, 100), src);
        BatchMacro m = OutputMacro(kOutputGif, env.out);
        m.resizeImages = c.resizeImages;
        BatchFileResult r = ApplyForSite(m, src, c.declaredW, c.declaredH, env.context);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.widthAfter, c.expectW) << c.declaredW << "x" << c.declaredH;
        EXPECT_EQ(r.heightAfter, c.expectH) << c.declaredW << "x" << c.declaredH;
    }
}

}  // namespace
}  // namespace lp
