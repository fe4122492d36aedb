// "lumaprism --convert" with its long options, run as a user runs it: files in, decoded
// files, standard output, standard error and exit status out.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "formats/bmp/bmp_writer.h"
#include "formats/file_types.h"
#include "formats/format_table.h"
#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"
#include "formats/png/png_reader.h"
#include "base/colour.h"
#include "imaging/colour_count.h"
#include "imaging/quantize_perceptual.h"
#include "imaging/resize.h"
#include "optimize/gif_optimizer_test_support.h"
#include "test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::RunLumaprism;
using test::ScratchDir;

Picture Decode(const fs::path& path) { return LoadPicture(path, SniffFileType(path)); }

void MakeBmp(const fs::path& path, const Picture& picture) {
    SaveBmp(picture, path, BmpCompression::None, 24, nullptr);
}

/// A smooth picture with many colours, like a photo.
Picture Gradient(int width, int height) {
    Picture p;
    p.Create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            test::SetPixel(p, x, y,
                           MakeColour(std::uint8_t(x * 255 / std::max(1, width - 1)),
                                      std::uint8_t(y * 255 / std::max(1, height - 1)),
                                      std::uint8_t((x + y) * 127 / std::max(1, width + height - 2))));
    return p;
}

/// Three frames: a noisy first frame, then two small changed patches.
void MakeAnimation(const fs::path& path, GifFrameList& frames, GifInfo& info) {
    using namespace test::gifopt;
    const Picture base = Noise(40, 30, 7, 32);
    Picture second = base, third = base;
    for (int y = 5; y < 10; ++y)
        for (int x = 8; x < 14; ++x) test::SetPixel(second, x, y, MakeColour(250, 10, 10));
    for (int y = 20; y < 26; ++y)
        for (int x = 30; x < 37; ++x) test::SetPixel(third, x, y, MakeColour(10, 250, 10));
    frames = GifFrameList();
    frames.Add(Frame(base, 0, 0));
    frames.Add(Frame(second, 0, 0));
    frames.Add(Frame(third, 0, 0));
    info = Screen(40, 30);
    SaveGif(frames, info, path);
}

TEST(CliConvert, SizeOptions) {
    ScratchDir s;
    MakeBmp(s / "in.bmp", Gradient(200, 100));
    const struct {
        std::vector<std::string> options;
        int width, height;
    } cases[] = {
        {{"--width", "100"}, 100, 50},           {{"--height", "25"}, 50, 25},
        {{"--width", "30", "--height", "40"}, 30, 40}, {{"--fit", "50x50"}, 50, 25},
        {{"--fit", "300x20"}, 40, 20},           {{"--fit", "400X400"}, 400, 200},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--convert", "in.bmp", "out.png"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const auto r = RunLumaprism(args, s.Path());
        ASSERT_EQ(r.exitCode, 0) << c.options[0] << r.err;
        EXPECT_EQ(r.err, "");
        const Picture out = Decode(s / "out.png");
        EXPECT_EQ(out.Width(), c.width) << c.options[0];
        EXPECT_EQ(out.Height(), c.height) << c.options[0];
    }
}

TEST(CliConvert, SmartChoosesTheAveragingResize) {
    ScratchDir s;
    const Picture in = test::PatternPicture(90, 60);
    MakeBmp(s / "in.bmp", in);
    ASSERT_EQ(RunLumaprism({"--convert", "in.bmp", "plain.bmp", "--width", "40"}, s.Path()).exitCode, 0);
    ASSERT_EQ(RunLumaprism({"--convert", "in.bmp", "smart.bmp", "--width", "40", "--smart"}, s.Path()).exitCode, 0);
    Picture plain = in, smart = in;
    Resize(plain, 40, 26);
    SmartResize(smart, 40, 26, nullptr);
    EXPECT_TRUE(Decode(s / "plain.bmp").SamePixels(plain));
    EXPECT_TRUE(Decode(s / "smart.bmp").SamePixels(smart));
    EXPECT_FALSE(plain.SamePixels(smart));
}

TEST(CliConvert, ColoursWithEitherQuantizer) {
    ScratchDir s;
    const Picture in = Gradient(64, 48);
    ASSERT_GT(CountColours(in), 1000);
    MakeBmp(s / "photo.bmp", in);
    std::map<std::string, std::vector<std::uint8_t>> bytes;
    for (const std::string out : {"c.gif", "c.png", "p.gif", "p.png"}) {
        const std::string quantizer = out[0] == 'c' ? "classic" : "precise";
        const auto r =
            RunLumaprism({"--convert", "photo.bmp", out, "--colors", "64", "--quantizer", quantizer}, s.Path());
        ASSERT_EQ(r.exitCode, 0) << out << r.err;
        const Picture decoded = Decode(s / out);
        EXPECT_LE(CountColours(decoded), 64) << out;
        EXPECT_GE(CountColours(decoded), 32) << out;
        bytes[out] = test::ReadFileBytes(s / out);
    }
    // A palette PNG (colour type 3 in IHDR).
    EXPECT_EQ(bytes["c.png"].at(25), 3);
    EXPECT_EQ(bytes["p.png"].at(25), 3);
    // The precise quantizer is the one that clusters in RGB, pixel for pixel.
    Picture expected = in;
    QuantizeOptions options;
    options.colours = 64;
    options.space = QuantizeSpace::Rgb;
    QuantizeColours(expected, options);
    EXPECT_TRUE(Decode(s / "p.png").SamePixels(expected));
    EXPECT_FALSE(Decode(s / "c.png").SamePixels(expected));
    // The default is the classic reduction.
    ASSERT_EQ(RunLumaprism({"--convert", "photo.bmp", "d.png", "--colors", "64"}, s.Path()).exitCode, 0);
    EXPECT_EQ(test::ReadFileBytes(s / "d.png"), bytes["c.png"]);
}

TEST(CliConvert, OptimizeFramesIsLossless) {
    ScratchDir s;
    GifFrameList frames;
    GifInfo info;
    MakeAnimation(s / "anim.gif", frames, info);
    const auto plain = RunLumaprism({"--convert", "anim.gif", "plain.gif"}, s.Path());
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    const auto r = RunLumaprism({"--convert", "anim.gif", "small.gif", "--optimize-frames"}, s.Path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_LT(fs::file_size(s / "small.gif"), fs::file_size(s / "plain.gif"));
    const GifAnimation before = LoadGif(s / "anim.gif");
    const GifAnimation after = LoadGif(s / "small.gif");
    ASSERT_EQ(after.frames.Count(), 3u);
    EXPECT_LT(after.frames[1].picture.Width() * after.frames[1].picture.Height(), 40 * 30);  // cut out
    const auto shown = test::gifopt::Composite(before.frames, 40, 30);
    test::gifopt::ExpectSameDisplay(after.frames, shown, 40, 30, 0);

    // The lossy variant stays within its tolerance.
    const auto lossy =
        RunLumaprism({"--convert", "anim.gif", "lossy.gif", "--optimize-frames", "--frame-tolerance", "30"}, s.Path());
    ASSERT_EQ(lossy.exitCode, 0) << lossy.err;
    test::gifopt::ExpectSameDisplay(LoadGif(s / "lossy.gif").frames, shown, 40, 30, 30);
}

TEST(CliConvert, QualityAndBackground) {
    ScratchDir s;
    MakeBmp(s / "photo.bmp", Gradient(120, 80));
    ASSERT_EQ(RunLumaprism({"--convert", "photo.bmp", "q10.jpg", "--quality", "10"}, s.Path()).exitCode, 0);
    ASSERT_EQ(RunLumaprism({"--convert", "photo.bmp", "q95.jpg", "--quality", "95"}, s.Path()).exitCode, 0);
    EXPECT_LT(fs::file_size(s / "q10.jpg") * 2, fs::file_size(s / "q95.jpg"));

    Picture two;
    two.Create(8, 8);
    two.Fill(MakeColour(255, 0, 0));
    for (int y = 0; y < 8; ++y)
        for (int x = 4; x < 8; ++x) test::SetPixel(two, x, y, MakeColour(0, 0, 255));
    MakeBmp(s / "two.bmp", two);
    for (const auto& [text, colour] :
         {std::pair{"255,0,0", MakeColour(255, 0, 0)}, std::pair{"0,0,255", MakeColour(0, 0, 255)}}) {
        const auto r = RunLumaprism({"--convert", "two.bmp", "two.gif", "--background", text}, s.Path());
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(LoadGif(s / "two.gif").info.backgroundColour, colour) << text;
    }
}

TEST(CliConvert, DashWritesToStandardOutput) {
    ScratchDir s;
    const Picture in = test::PatternPicture(20, 10);
    MakeBmp(s / "in.bmp", in);
    const auto r = RunLumaprism({"--convert", "in.bmp", "-", "--format", "png"}, s.Path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_GT(r.out.size(), 8u);
    EXPECT_EQ(r.out.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    test::WriteFileBytes(s / "piped.png", {r.out.begin(), r.out.end()});
    EXPECT_TRUE(Decode(s / "piped.png").SamePixels(in));
    std::set<std::string> files;
    for (const auto& e : fs::directory_iterator(s.Path()))
        if (e.is_regular_file()) files.insert(e.path().filename().string());
    EXPECT_EQ(files, (std::set<std::string>{"in.bmp", "piped.png"})) << "no file left behind";
}

TEST(CliConvert, OutDirWithJobsGivesTheSameFiles) {
    ScratchDir s;
    fs::create_directories(s / "one");
    fs::create_directories(s / "two");
    std::vector<std::string> inputs;
    for (int i = 0; i < 5; ++i) {
        const std::string name = "p" + std::to_string(i) + ".bmp";
        MakeBmp(s / name, Gradient(30 + i * 7, 20 + i));
        inputs.push_back(name);
    }
    auto run = [&](const std::string& dir, const std::string& jobs) {
        std::vector<std::string> args = {"--convert"};
        args.insert(args.end(), inputs.begin(), inputs.end());
        for (const std::string a : {"--out-dir", dir.c_str(), "--format", "gif", "--colors", "16", "--jobs"})
            args.push_back(a);
        args.push_back(jobs);
        return RunLumaprism(args, s.Path());
    };
    ASSERT_EQ(run("one", "1").exitCode, 0);
    const auto r = run("two", "2");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (int i = 0; i < 5; ++i) {
        const std::string name = "p" + std::to_string(i) + ".gif";
        ASSERT_TRUE(fs::exists(s / "two" / name)) << name;
        EXPECT_EQ(test::ReadFileBytes(s / "one" / name), test::ReadFileBytes(s / "two" / name)) << name;
    }
}

TEST(CliConvert, ShardsSplitTheSortedInputs) {
    ScratchDir s;
    fs::create_directories(s / "out");
    std::vector<std::string> inputs;
    for (const char* name : {"e.bmp", "a.bmp", "d.bmp", "b.bmp", "c.bmp"}) {
        MakeBmp(s / name, Gradient(6, 4));
        inputs.push_back(name);
    }
    std::vector<std::set<std::string>> slices;
    for (const std::string shard : {"1/2", "2/2"}) {
        fs::remove_all(s / "out");
        fs::create_directories(s / "out");
        std::vector<std::string> args = {"--convert", "--out-dir", "out", "--shard", shard};
        args.insert(args.end(), inputs.begin(), inputs.end());
        ASSERT_EQ(RunLumaprism(args, s.Path()).exitCode, 0);
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(s / "out")) names.insert(e.path().filename().string());
        slices.push_back(names);
    }
    EXPECT_EQ(slices[0], (std::set<std::string>{"a.bmp", "b.bmp", "c.bmp"}));
    EXPECT_EQ(slices[1], (std::set<std::string>{"d.bmp", "e.bmp"}));
}

TEST(CliConvert, InPlaceOnlyWhenAsked) {
    ScratchDir s;
    MakeBmp(s / "a.bmp", Gradient(40, 20));
    const auto before = test::ReadFileBytes(s / "a.bmp");
    for (const auto& args : {std::vector<std::string>{"--convert", "a.bmp", "a.bmp", "--width", "10"},
                             std::vector<std::string>{"--convert", "a.bmp", "./a.bmp", "--width", "10"},
                             std::vector<std::string>{"--convert", "a.bmp", "--out-dir", ".", "--width", "10"}}) {
        const auto r = RunLumaprism(args, s.Path());
        EXPECT_EQ(r.exitCode, 2) << args[2];
        EXPECT_NE(r.err.find("is its own input; give --in-place"), std::string::npos) << r.err;
        EXPECT_EQ(test::ReadFileBytes(s / "a.bmp"), before);
    }
    const auto r = RunLumaprism({"--convert", "a.bmp", "a.bmp", "--width", "10", "--in-place"}, s.Path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Decode(s / "a.bmp").Width(), 10);
}

TEST(CliConvert, BadInputExitsTwoNamingTheOption) {
    ScratchDir s;
    MakeBmp(s / "in.bmp", Gradient(10, 10));
    GifFrameList frames;
    GifInfo info;
    MakeAnimation(s / "anim.gif", frames, info);
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"in.bmp", "o.gif", "--colors", "0"}, "--colors: '0' is not a colour count from 1 to 256"},
        {{"in.bmp", "o.gif", "--colors", "300"}, "from 1 to 256"},
        {{"in.bmp", "o.gif", "--fit", "0x5"}, "--fit: '0x5' is not WxH with each from 1 to 65535"},
        {{"in.bmp", "o.gif", "--fit", "5"}, "--fit: '5' is not WxH"},
        {{"in.bmp", "o.jpg", "--quality", "101"}, "--quality: '101' is not a quality from 1 to 100"},
        {{"in.bmp", "o.jpg", "--quality"}, "--quality needs a value"},
        {{"in.bmp", "o.gif", "--quantizer", "best"}, "is not classic or precise"},
        {{"in.bmp", "o.gif", "--background", "1,2"}, "is not R,G,B"},
        {{"in.bmp", "o.gif", "--bogus"}, "unknown option '--bogus'"},
        {{"in.bmp", "o.gif", "--fit", "5x5", "--width", "3"}, "excludes"},
        {{"in.bmp", "o.gif", "--frame-tolerance", "3"}, "requires --optimize-frames"},
        {{"in.bmp", "o.jpg", "--colors", "16"}, "--colors applies to GIF, PNG, RLE and DIB"},
        {{"anim.gif", "o.png", "--optimize-frames"}, "--optimize-frames needs a GIF output"},
        {{"in.bmp", "-"}, "needs --format"},
        {{"in.bmp", "o.png", "--format", "gif"}, "--format does not match"},
        {{"in.bmp", "o.png", "--format", "webp"}, "--format: 'webp' is not jpeg"},
        {{"in.bmp", "anim.gif", "o.png"}, "several inputs need --out-dir DIR"},
        {{"in.bmp"}, "needs an input and an output"},
        {{"in.bmp", "--out-dir", "missing"}, "--out-dir: 'missing' is not a folder"},
        {{"in.bmp", "o.png", "--shard", "3/2"}, "is not K/N"},
        {{"in.bmp", "o.png", "--jobs", "0"}, "--jobs: '0' is not a number from 1 to 64"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--convert"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto r = RunLumaprism(args, s.Path());
        EXPECT_EQ(r.exitCode, 2) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.message << "\n" << r.err;
        EXPECT_NE(r.err.find("Usage: lumaprism --convert"), std::string::npos);
        EXPECT_EQ(r.out, "");
    }
    // Nothing was written by any of them.
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(s.Path()))
        if (e.is_regular_file()) names.insert(e.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"in.bmp", "anim.gif"}));
}

TEST(CliConvert, HelpNamesEveryOption) {
    ScratchDir s;
    const auto r = RunLumaprism({"--convert", "--help"}, s.Path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.starts_with("Usage: lumaprism --convert")) << r.out;
    for (const char* option :
         {"--width", "--height", "--fit", "--smart", "--colors", "--quantizer", "--optimize-frames",
          "--frame-tolerance", "--background", "--quality", "--format", "--out-dir", "--jobs", "--shard",
          "--in-place", "--quiet", "--yes", "better choice for photos"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

// The formats the help names are the table's writable rows, in its order, and every name
// --format shows is taken and writes that row's canonical extension.
TEST(CliConvert, HelpListsTheFormatTablesWriters) {
    ScratchDir s;
    const auto help = RunLumaprism({"--convert", "--help"}, s.Path());
    std::string flat = help.out;
    std::replace(flat.begin(), flat.end(), '\n', ' ');
    std::string extensions, names;
    std::vector<std::pair<std::string, std::string>> shown;  // name, canonical extension
    for (const FormatRow& row : FormatRows()) {
        if (!row.CanWrite()) continue;
        std::string last;
        for (std::string_view e : row.extensions)
            if (!e.empty()) {
                extensions += (extensions.empty() ? "" : " ") + std::string(e);
                last = std::string(e.substr(1));
            }
        names += " " + last;
        shown.emplace_back(last, row.CanonicalExtension());
    }
    EXPECT_NE(flat.find("extension (" + extensions + ") or of --format"), std::string::npos) << help.out;
    EXPECT_NE(flat.find("write this format:" + names + " "), std::string::npos) << help.out;

    SaveBmp(test::PatternPicture(6, 4), s / "in.bmp", BmpCompression::None, 24, nullptr);
    fs::create_directory(s / "out");
    for (const auto& [name, extension] : shown) {
        SCOPED_TRACE(name);
        const auto r = RunLumaprism({"--convert", "in.bmp", "--out-dir", "out", "--format", name}, s.Path());
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(fs::exists(s / "out" / ("in" + extension)));
    }
}

// Warnings go to standard error; they change neither Error.log nor the exit status.
TEST(CliWarnings, LegacyJobsSayWhatTheyIgnore) {
    ScratchDir s;
    MakeBmp(s / "in.bmp", Gradient(20, 10));
    SavePictureByExtension(Gradient(20, 10), s / "p.png");
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> warnings;
    } cases[] = {
        {{"-ip.png", "-op.jpg", "-w8", "-q80"},
         {"warning: p.jpg is written as PNG, the format of p.png; its extension names JPEG\n",
          "warning: -q applies to JPEG inputs only; ignored for p.png (PNG)\n"}},
        {{"-iin.bmp", "-oout.bmp", "-w8", "-n64"}, {"warning: -n applies to GIF inputs only; ignored for in.bmp (BMP)\n"}},
        {{"-iin.bmp", "-oout.bmp", "-w8"}, {}},
        {{"-iin.bmp", "-oout.BMP", "-w8"}, {}},
    };
    for (const auto& c : cases) {
        const auto r = RunLumaprism(c.args, s.Path());
        EXPECT_EQ(r.exitCode, 0) << c.args[1] << r.err;
        std::string expected;
        for (const std::string& w : c.warnings) expected += w;
        EXPECT_EQ(r.err, expected) << c.args[1];
        EXPECT_EQ(test::ReadFileBytes(s / "Error.log").size(), 0u);
    }
    // The legacy output really is in the input's format.
    const auto written = test::ReadFileBytes(s / "p.jpg");
    ASSERT_GE(written.size(), 8u);
    EXPECT_EQ(std::string(written.begin(), written.begin() + 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

TEST(CliWarnings, AnimationToOneFrameFormat) {
    ScratchDir s;
    GifFrameList frames;
    GifInfo info;
    MakeAnimation(s / "anim.gif", frames, info);
    const auto r = RunLumaprism({"--convert", "anim.gif", "x.png"}, s.Path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "warning: x.png: kept frame 1 of 3 (only GIF holds an animation)\n");
    EXPECT_TRUE(Decode(s / "x.png").SamePixels(frames[0].picture));
    const auto quiet = RunLumaprism({"--convert", "anim.gif", "y.png", "--quiet"}, s.Path());
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.err, "");
    const auto gif = RunLumaprism({"--convert", "anim.gif", "y.gif"}, s.Path());
    EXPECT_EQ(gif.err, "");
    EXPECT_EQ(LoadGif(s / "y.gif").frames.Count(), 3u);
}

// A one-picture target decodes the first frame only, and the warning still counts every
// frame: 20 frames of 1500 x 1500 (135 MB of pixels together) convert to PNG under an
// address-space limit that holds one of them but not all.
TEST(CliWarnings, AnimationToOneFrameFormatDecodesTheFirstFrameOnly) {
    if (std::system("prlimit --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "prlimit not found";
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "address-space limits do not apply to a sanitizer build";
#endif
    ScratchDir s;
    GifFrameList frames;
    for (int i = 0; i < 20; ++i) {
        GifFrame frame;
        frame.picture.Create(1500, 1500);
        frame.picture.Fill(MakeColour(std::uint8_t(10 * i), 40, 200));
        frame.delay = 5;
        frames.Add(std::move(frame));
    }
    GifInfo info;
    SaveGif(frames, info, s / "big.gif");
    frames = GifFrameList();
    const std::string cmd = "cd '" + s.Path().string() + "' && prlimit --as=100000000 '" + std::string(LP_BINARY) +
                            "' --convert big.gif first.png >out.txt 2>err.txt";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    const auto err = test::ReadFileBytes(s / "err.txt");
    EXPECT_EQ(WEXITSTATUS(status), 0) << std::string(err.begin(), err.end());
    EXPECT_EQ(std::string(err.begin(), err.end()), "warning: first.png: kept frame 1 of 20 (only GIF holds an animation)\n");
    const Picture first = Decode(s / "first.png");
    EXPECT_EQ(first.Width(), 1500);
    EXPECT_EQ(test::PixelAt(first, 700, 700), MakeColour(0, 40, 200));
}

}  // namespace
}  // namespace lp
