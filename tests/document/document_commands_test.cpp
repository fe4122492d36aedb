// The headless document commands: --analyze and --convert.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "app/analyze_command.h"
#include "app/convert_command.h"
#include "base/prompter.h"
#include "base/settings.h"
#include "document/picture_document.h"
#include "formats/format_table.h"
#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"
#include "formats/jpeg/jpeg_writer.h"
#include "test_support.h"

namespace lp {
namespace {

using test::PatternPicture;

struct Captured {
    int code = -1;
    std::string out;
    std::string err;
};

/// Runs a command function with its output and errors captured in memory.
template <typename Fn>
Captured Capture(Fn fn, std::vector<std::string> args, const AppSettings& settings) {
    char* outText = nullptr;
    char* errText = nullptr;
    std::size_t outSize = 0, errSize = 0;
    std::FILE* out = open_memstream(&outText, &outSize);
    std::FILE* err = open_memstream(&errText, &errSize);
    Captured c;
    c.code = fn(std::span<const std::string>(args), settings, out, err);
    std::fclose(out);
    std::fclose(err);
    c.out.assign(outText, outSize);
    c.err.assign(errText, errSize);
    std::free(outText);
    std::free(errText);
    return c;
}

class CommandTest : public ::testing::Test {
protected:
    std::filesystem::path Write(const std::string& name, const Picture& p) {
        const auto path = m_dir / name;
        SavePictureByExtension(p, path);
        return path;
    }
    /// What the document measures for a file with these settings.
    TransferInfo Measure(const std::filesystem::path& path) {
        ScriptedPrompter prompter;
        AppSettings s = settings;
        s.usePng = 1;
        DocumentServices services;
        services.prompter = &prompter;
        services.settings = &s;
        COrvantixDoc doc(services);
        EXPECT_TRUE(doc.Open(path));
        return doc.Transfer();
    }

    test::ScratchDir m_dir;
    AppSettings settings;
};

TEST_F(CommandTest, AnalyzeTableShowsTheDocumentsFigures) {
    settings.modemSpeed = 28800;
    const auto bmp = Write("pic.bmp", PatternPicture(40, 30));
    const Captured r = Capture(RunAnalyze, {bmp.string()}, settings);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    const TransferInfo t = Measure(bmp);
    EXPECT_NE(r.out.find("Modem speed: 28800 bits per second\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("File"), std::string::npos);
    const std::string row = r.out.substr(r.out.find(bmp.string()));
    EXPECT_NE(row.find("40x30"), std::string::npos) << row;
    for (std::int32_t bytes : {t.gifBytes0, t.jpegBytes0, t.pngBytes0})
        EXPECT_NE(row.find(" " + std::to_string(bytes) + " "), std::string::npos) << bytes << "\n" << row;
    const std::string gifTime = FormatOneDecimal(TransferSeconds(t.gifBytes0, 28800)) + "s";
    EXPECT_NE(row.find(gifTime), std::string::npos) << gifTime << "\n" << row;
}

TEST_F(CommandTest, AnalyzeJsonWithModemOverride) {
    const auto jpg = Write("photo.jpg", PatternPicture(24, 16));
    const auto gif = m_dir / "anim.gif";
    {
        GifFrameList frames;
        for (int i = 0; i < 2; ++i) {
            GifFrame f;
            f.picture = PatternPicture(8, 6 + i);
            frames.Add(std::move(f));
        }
        GifInfo info;
        SaveGif(frames, info, gif);
    }
    const Captured r = Capture(RunAnalyze, {"--json", jpg.string(), "--modem", "8000", gif.string()}, settings);
    ASSERT_EQ(r.code, 0) << r.err;
    const TransferInfo t = Measure(jpg);
    const auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json.at("modemSpeed"), 8000) << r.out;
    const auto& photo = json.at("pictures").at(0);
    EXPECT_EQ(photo.at("file"), jpg.string());
    EXPECT_EQ(photo.at("width"), 24);
    EXPECT_EQ(photo.at("height"), 16);
    // A JPEG's own size is its file's; seconds = bytes x 8 / 8000 = bytes / 1000.
    const auto size = std::filesystem::file_size(jpg);
    EXPECT_EQ(t.jpegBytes0, std::int32_t(size));
    EXPECT_EQ(photo.at("jpeg").at("bytes"), size);
    EXPECT_DOUBLE_EQ(photo.at("jpeg").at("seconds").get<double>(), double(size) / 1000);
    EXPECT_EQ(json.at("pictures").at(1).at("frames"), 2);
    EXPECT_EQ(r.out.substr(r.out.size() - 2), "}\n");
}

TEST_F(CommandTest, AnalyzeReportsBadFilesAndGoesOn) {
    const auto good = Write("good.png", PatternPicture(8, 8));
    const auto bad = m_dir / "bad.gif";
    test::WriteFileBytes(bad, {'G', 'I', 'F'});
    const Captured table = Capture(RunAnalyze, {bad.string(), good.string()}, settings);
    EXPECT_EQ(table.code, 1);
    EXPECT_NE(table.err.find(bad.string()), std::string::npos) << table.err;
    const std::size_t badRow = table.out.find(bad.string());
    ASSERT_NE(badRow, std::string::npos) << table.out;
    const std::string line = table.out.substr(badRow, table.out.find('\n', badRow) - badRow);
    EXPECT_NE(line.find("  error: "), std::string::npos) << line;
    EXPECT_NE(table.out.find("8x8"), std::string::npos);
    const Captured json = Capture(RunAnalyze, {"--json", bad.string()}, settings);
    EXPECT_EQ(json.code, 1);
    EXPECT_FALSE(nlohmann::json::parse(json.out).at("pictures").at(0).at("error").get<std::string>().empty())
        << json.out;
}

TEST_F(CommandTest, AnalyzeSpeedZeroGivesZeroTimes) {
    const auto bmp = Write("zero.bmp", PatternPicture(8, 8));
    const Captured r = Capture(RunAnalyze, {"--modem=0", "--json", bmp.string()}, settings);
    ASSERT_EQ(r.code, 0);
    const auto picture = nlohmann::json::parse(r.out).at("pictures").at(0);
    for (const char* format : {"gif", "jpeg", "png"}) EXPECT_EQ(picture.at(format).at("seconds"), 0) << r.out;
}

TEST_F(CommandTest, AnalyzeUsageErrors) {
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{}, "needs at least one picture file"},
        {{"--json"}, "needs at least one picture file"},
        {{"--modem"}, "--modem needs a value: a speed"},
        {{"--modem", "fast", "a.bmp"}, "is not a speed"},
        {{"--modem", "-5", "a.bmp"}, "is not a speed"},
        {{"--modem=99999999999", "a.bmp"}, "is not a speed"},
        {{"--colour", "a.bmp"}, "unknown option '--colour'"},
    };
    for (const auto& c : cases) {
        const Captured r = Capture(RunAnalyze, c.args, settings);
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Usage: lumaprism --analyze"), std::string::npos);
        EXPECT_TRUE(r.out.empty());
    }
    const Captured help = Capture(RunAnalyze, {"--help"}, settings);
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.starts_with(std::string("Usage: lumaprism ") + kAnalyzeUsage + "\n")) << help.out;
}

TEST_F(CommandTest, ConvertWritesEveryFormatByExtension) {
    const auto source = Write("src.bmp", PatternPicture(16, 12));
    for (const char* ext : {".gif", ".png", ".jpg", ".jpeg", ".bmp", ".rle", ".dib", ".tif", ".tga", ".pcx", ".eps"}) {
        SCOPED_TRACE(ext);
        const auto target = m_dir / (std::string("out") + ext);
        const Captured r = Capture(RunConvert, {source.string(), target.string()}, settings);
        ASSERT_EQ(r.code, 0) << r.err;
        ASSERT_TRUE(std::filesystem::exists(target));
        const std::string e = ext;
        if (e == ".eps") {
            const auto bytes = test::ReadFileBytes(target);
            ASSERT_GE(bytes.size(), 4u);
            continue;
        }
        const Picture back = lp::LoadPicture(target, SniffFileType(target));
        EXPECT_EQ(back.Width(), 16);
        EXPECT_EQ(back.Height(), 12);
        if (e == ".png" || e == ".bmp" || e == ".gif" || e == ".tif" || e == ".tga" || e == ".pcx") {
            EXPECT_TRUE(back.SamePixels(PatternPicture(16, 12)));
        }
    }
}

TEST_F(CommandTest, ConvertKeepsAnimationsAndTakesTheQuality) {
    const auto gif = m_dir / "anim.gif";
    GifFrameList frames;
    for (int i = 0; i < 3; ++i) {
        GifFrame f;
        f.delay = 9;
        f.picture = PatternPicture(8, 8);
        f.picture.Fill(MakeColour(std::uint8_t(i * 60), 0, 0));
        frames.Add(std::move(f));
    }
    GifInfo info;
    info.loop = 1;
    SaveGif(frames, info, gif);
    const auto copy = m_dir / "copy.gif";
    ASSERT_EQ(Capture(RunConvert, {gif.string(), copy.string()}, settings).code, 0);
    const GifAnimation back = LoadGif(copy);
    ASSERT_EQ(back.frames.Count(), 3u);
    EXPECT_EQ(back.frames[2].delay, 9);
    EXPECT_EQ(back.info.loop, 1);

    const auto photo = Write("photo.bmp", PatternPicture(64, 48));
    const auto low = m_dir / "low.jpg";
    const auto high = m_dir / "high.jpg";
    ASSERT_EQ(Capture(RunConvert, {photo.string(), low.string(), "--quality", "10"}, settings).code, 0);
    ASSERT_EQ(Capture(RunConvert, {"--quality=95", photo.string(), high.string()}, settings).code, 0);
    EXPECT_EQ(test::ReadFileBytes(low), EncodeJpeg(PatternPicture(64, 48), 10));
    EXPECT_EQ(test::ReadFileBytes(high), EncodeJpeg(PatternPicture(64, 48), 95));
}

TEST_F(CommandTest, ConvertFailuresKeepAnExistingOutput) {
    const auto source = Write("s.bmp", PatternPicture(8, 8));
    const auto target = m_dir / "keep.png";
    test::WriteFileBytes(target, {1, 2, 3});
    const auto bad = m_dir / "bad.png";
    test::WriteFileBytes(bad, {0x89, 'P', 'N', 'G'});

    Captured r = Capture(RunConvert, {bad.string(), target.string()}, settings);
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(r.err.empty());
    r = Capture(RunConvert, {source.string(), (m_dir / "x.webp").string()}, settings);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Unsupported Format. Don't know to save as .WEBP."), std::string::npos) << r.err;
    r = Capture(RunConvert, {source.string(), (m_dir / "missing" / "x.png").string()}, settings);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(test::ReadFileBytes(target), (std::vector<std::uint8_t>{1, 2, 3}));

    const struct {
        std::vector<std::string> args;
        const char* message;
    } usage[] = {
        {{source.string()}, "needs an input and an output"},
        {{source.string(), "a.png", "b.png"}, "needs an input and an output"},
        {{source.string(), "a.jpg", "--quality", "0"}, "is not a quality"},
        {{source.string(), "a.jpg", "--quality", "101"}, "is not a quality"},
        {{source.string(), "a.jpg", "--quality"}, "--quality needs a value"},
        {{source.string(), "a.jpg", "--fast"}, "unknown option '--fast'"},
    };
    for (const auto& c : usage) {
        r = Capture(RunConvert, c.args, settings);
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
}

// Through the program: the table entry, the user's settings file, --help.
TEST(DocumentCommandsProgram, AnalyzeReadsTheModemSpeedOfTheSettingsFile) {
    test::ScratchDir dir;
    const auto home = dir / "home";
    std::filesystem::create_directories(home);
    {
        std::ofstream ini(home / (ApplicationKey() + ".ini"));
        ini << "[Settings]\nModemSpeed=14400\n";
    }
    const auto bmp = dir / "p.bmp";
    SavePictureByExtension(PatternPicture(10, 10), bmp);
    const test::CommandResult r = test::RunLumaprism({"--analyze", bmp.string()}, dir.Path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Modem speed: 14400 bits per second"), std::string::npos) << r.out;
    const test::CommandResult over = test::RunLumaprism({"--analyze", "--modem", "56000", bmp.string()}, dir.Path());
    EXPECT_NE(over.out.find("Modem speed: 56000 bits per second"), std::string::npos) << over.out;

    const auto out = dir / "p.png";
    const test::CommandResult conv = test::RunLumaprism({"--convert", bmp.string(), out.string()}, dir.Path());
    EXPECT_EQ(conv.exitCode, 0) << conv.err;
    EXPECT_TRUE(std::filesystem::exists(out));

    const test::CommandResult help = test::RunLumaprism({"--help"}, dir.Path());
    EXPECT_NE(help.out.find("--analyze"), std::string::npos);
    EXPECT_NE(help.out.find("--convert"), std::string::npos);
}

}  // namespace
}  // namespace lp
