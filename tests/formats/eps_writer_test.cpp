#include "formats/eps/eps_writer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "formats/format_table.h"
#include "formats/tiff/tiff_reader.h"
#include "base/colour.h"
#include "base/imp_exp_exception.h"
#include "test_support.h"
#include "tiff_test_support.h"

namespace lp {
namespace {

namespace tt = test::tiff;

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t(b.at(at)) | (std::uint32_t(b.at(at + 1)) << 8) | (std::uint32_t(b.at(at + 2)) << 16) |
           (std::uint32_t(b.at(at + 3)) << 24);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(EpsWriter, OneRedPixelIsTheWholeProgram) {
    Picture red;
    red.Create(1, 1);
    red.Fill(MakeColour(255, 0, 0));
    EXPECT_EQ(EpsPostScript(red, true, nullptr),
              "%!PS-Adobe-3.0 EPSF-3.0\n"
              "%%Title: None\n"
              "%%Pages: 1\n"
              "%%Orientation: PORTRAIT\n"
              "%%BoundingBox: 0 0 1 1\n"
              "%%EndComments\n"
              "%%BeginSetup\n"
              "%%EndSetup\n"
              "/picstr 3 string def\n"
              "1 1 scale\n"
              "1 1 8\n"
              "[1 0 0 -1 0 1]\n"
              "{currentfile picstr readhexstring pop}\n"
              "false 3\n"
              "colorimage\n"
              "ff0000\n"
              "%%EOF");
    // Without the preview the program is the same, without "%%EOF".
    const std::string plain = EpsPostScript(red, false, nullptr);
    EXPECT_EQ(plain.substr(plain.size() - 8), "\nff0000\n");
}

TEST(EpsWriter, SizesAndLineBreaks) {
    const Picture big = test::PatternPicture(640, 480);
    const std::string ps = EpsPostScript(big, false, nullptr);
    const auto lines = Lines(ps);
    EXPECT_EQ(lines[4], "%%BoundingBox: 0 0 640 480");
    EXPECT_EQ(lines[8], "/picstr 1920 string def");
    EXPECT_EQ(lines[9], "640 480 scale");
    EXPECT_EQ(lines[10], "640 480 8");
    EXPECT_EQ(lines[11], "[640 0 0 -480 0 480]");

    // 30 pixels: 13 (78 characters), 13, then 4 and the row's own line break.
    Picture wide = test::PatternPicture(30, 2);
    const auto rows = Lines(EpsPostScript(wide, false, nullptr));
    ASSERT_EQ(rows.size(), 15u + 6u);
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(rows[15 + 3 * row].size(), 78u);
        EXPECT_EQ(rows[16 + 3 * row].size(), 78u);
        EXPECT_EQ(rows[17 + 3 * row].size(), 24u);
    }
    // Pixels are red, green, blue in lower-case hex, rows from the top.
    const std::int32_t first = test::PixelAt(wide, 0, 0), last = test::PixelAt(wide, 29, 1);
    char expected[16];
    std::snprintf(expected, sizeof expected, "%.2x%.2x%.2x", RedOf(first), GreenOf(first), BlueOf(first));
    EXPECT_EQ(rows[15].substr(0, 6), expected);
    std::snprintf(expected, sizeof expected, "%.2x%.2x%.2x", RedOf(last), GreenOf(last), BlueOf(last));
    EXPECT_EQ(rows[20].substr(18), expected);

    // A row of exactly 13 pixels breaks after its 13th pixel and again at its end.
    const auto thirteen = Lines(EpsPostScript(test::PatternPicture(13, 1), false, nullptr));
    ASSERT_EQ(thirteen.size(), 17u);
    EXPECT_EQ(thirteen[15].size(), 78u);
    EXPECT_EQ(thirteen[16], "");
}

TEST(EpsWriter, PreviewFormHasTheHeaderThePostScriptAndATiff) {
    const Picture picture = test::PatternPicture(37, 21);
    const auto file = EncodeEps(picture, true, nullptr);
    EXPECT_EQ(file[0], 0xC5);
    EXPECT_EQ(file[1], 0xD0);
    EXPECT_EQ(file[2], 0xD3);
    EXPECT_EQ(file[3], 0xC6);
    const std::uint32_t psAt = Le32(file, 4), psLength = Le32(file, 8);
    const std::uint32_t tiffAt = Le32(file, 20), tiffLength = Le32(file, 24);
    EXPECT_EQ(psAt, 32u);
    EXPECT_EQ(Le32(file, 12), 0u);
    EXPECT_EQ(Le32(file, 16), 0u);
    EXPECT_EQ(tiffAt, 32 + psLength);
    EXPECT_EQ(Le32(file, 28), 0u);
    EXPECT_EQ(file.size(), std::size_t(tiffAt) + tiffLength);
    EXPECT_EQ(std::string(file.begin() + psAt, file.begin() + psAt + psLength), EpsPostScript(picture, true, nullptr));
    const std::vector<std::uint8_t> tiff(file.begin() + tiffAt, file.end());
    EXPECT_TRUE(DecodeTiff(tiff, "preview", nullptr).SamePixels(picture));

    // Without the preview flag the file is the PostScript alone.
    const auto plain = EncodeEps(picture, false, nullptr);
    EXPECT_EQ(std::string(plain.begin(), plain.end()), EpsPostScript(picture, false, nullptr));
}

TEST(EpsWriter, GhostscriptRendersThePictureAndLibtiffReadsThePreview) {
    if (!tt::HaveTool("gs")) GTEST_SKIP() << "Ghostscript not installed";
    test::ScratchDir dir;
    const Picture picture = test::PatternPicture(61, 33);
    const auto path = dir / "pic.eps";
    SavePictureByExtension(picture, path);  // the .EPS entry: preview form
    const auto render = tt::RunTool("gs -q -dNOPAUSE -dBATCH -dSAFER -dEPSCrop -r72 -sDEVICE=ppmraw -sOutputFile=- " +
                                    tt::Quote(path) + " 2>/dev/null");
    ASSERT_EQ(render.status, 0);
    const Picture rendered = tt::ReadPpmBytes(render.out);
    ASSERT_EQ(rendered.Width(), 61);
    ASSERT_EQ(rendered.Height(), 33);
    EXPECT_LE(tt::MaxDifference(rendered, picture), 1);

    if (!tt::HaveTool("tiffinfo")) GTEST_SKIP() << "libtiff-tools not installed";
    const auto file = test::ReadFileBytes(path);
    const std::vector<std::uint8_t> tiff(file.begin() + Le32(file, 20), file.end());
    test::WriteFileBytes(dir / "preview.tif", tiff);
    const auto info = tt::RunTool("tiffinfo -D " + tt::Quote(dir / "preview.tif") + " 2>&1");
    const std::string text(info.out.begin(), info.out.end());
    EXPECT_EQ(info.status, 0) << text;
    EXPECT_NE(text.find("Image Width: 61 Image Length: 33"), std::string::npos) << text;
    EXPECT_EQ(text.find("rror"), std::string::npos) << text;
}

TEST(EpsWriter, FailuresKeepTheOldFile) {
    test::ScratchDir dir;
    const auto target = dir / "old.eps";
    test::WriteFileBytes(target, {'o', 'l', 'd'});
    try {
        SaveEps(Picture(), target, true, nullptr);
        FAIL() << "saved an empty picture";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Error writing to file");
        EXPECT_EQ(e.Title(), "EPS Error");
        EXPECT_EQ(e.Where(), target.string());
    }
    EXPECT_EQ(test::ReadFileBytes(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    try {
        SaveEps(test::PatternPicture(3, 3), dir / "missing" / "x.eps", true, nullptr);
        FAIL() << "saved into a missing folder";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Unable to open file for writing");
        EXPECT_EQ(e.Title(), "EPS Error");
    }
    std::filesystem::create_directory(dir / "folder.eps");
    try {
        SaveEps(test::PatternPicture(3, 3), dir / "folder.eps", false, nullptr);
        FAIL() << "saved over a folder";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Error writing to file");
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.eps"));
    // A good save replaces the old file.
    SaveEps(test::PatternPicture(3, 3), target, true, nullptr);
    EXPECT_EQ(Le32(test::ReadFileBytes(target), 0), 0xC6D3D0C5u);
}

TEST(EpsWriter, ProgressStepsPerRowThenTheTiffPreview) {
    struct Sink : ProgressSink {
        std::vector<std::string> calls;
        void Begin(long, long, std::string_view text) override { calls.push_back("Begin " + std::string(text)); }
        void Step(long position) override { calls.push_back("Step " + std::to_string(position)); }
        void SetText(std::string_view) override {}
        void End() override { calls.push_back("End"); }
    } sink;
    EncodeEps(test::PatternPicture(3000, 3), true, &sink);
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"Step 0", "Step 1", "Step 2", "Begin Saving TIFF file", "Step 33",
                                                    "Step 66", "Step 100", "End"}));
}

}  // namespace
}  // namespace lp
