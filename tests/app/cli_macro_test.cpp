// Batch macros without a window: --macro-new, --macro-show, and --macro with --json,
// --yes and --shard, run through the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "app/macro_fields.h"
#include "batch/batch_macro.h"
#include "formats/bmp/bmp_writer.h"
#include "formats/file_types.h"
#include "formats/format_table.h"
#include "formats/gif/gif_writer.h"
#include "imaging/colour_count.h"
#include "optimize/gif_optimizer_test_support.h"
#include "test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::RunLumaprism;
using test::ScratchDir;

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::int32_t v) {
    for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(std::uint32_t(v) >> (8 * i));
}
void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::int16_t v) {
    b[at] = std::uint8_t(std::uint16_t(v));
    b[at + 1] = std::uint8_t(std::uint16_t(v) >> 8);
}
void PutText(std::vector<std::uint8_t>& b, std::size_t at, const std::string& text) {
    std::memcpy(b.data() + at, text.data(), text.size());
}

/// A new macro's file, field by field at the file's offsets, with the defaults of a new macro.
std::vector<std::uint8_t> DefaultTpl(const std::string& name) {
    std::vector<std::uint8_t> b(514, 0);
    b[0] = 0x54;
    b[1] = 0x50;
    PutText(b, 2, name);
    const std::pair<std::size_t, std::int32_t> numbers[] = {
        {324, 0},   {328, 360}, {332, 240}, {336, 100}, {340, 100}, {344, 1}, {348, 256},
        {352, 0},   {356, 1},   {360, 0},   {364, 1},   {368, 0},   {372, 0}, {380, 0},
        {384, 0},   {388, 1},   {392, 2},   {396, 0},   {400, 1},   {404, 100}, {486, 75},
        {490, 1},   {494, 1},   {498, 1},   {502, 1},   {506, 1},   {510, 1},
    };
    for (const auto& [at, v] : numbers) Put32(b, at, v);
    Put16(b, 376, 50);
    Put16(b, 378, 1);
    return b;
}

void MakeBmp(const fs::path& path, int width, int height) {
    SaveBmp(test::PatternPicture(width, height), path, BmpCompression::None, 24, nullptr);
}

fs::path Template(const ScratchDir& s) {
    // LUMAPRISM_HOME points into the scratch folder: find its TEMPLATE.
    for (const auto& e : fs::recursive_directory_iterator(s.Path()))
        if (e.is_directory() && e.path().filename() == "TEMPLATE") return e.path();
    return {};
}

TEST(CliMacro, NewWritesTheFileFieldByField) {
    ScratchDir s;
    const auto r = RunLumaprism({"--macro-new", "./photo.TPL", "--output-format", "jpeg", "--quality", "70",
                                 "--resize", "absolute", "--width", "800", "--height", "600", "--output-dir",
                                 "web", "--cut-out-tolerance", "7", "--transparent-tolerance", "300",
                                 "--transparent-color", "1,2,3", "--transparent-mode", "color", "--html-levels",
                                 "6", "--add-alt", "0"},
                                s.Path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::uint8_t> expected = DefaultTpl("photo");
    Put32(expected, 352, 2);      // outputFormat JPEG
    Put32(expected, 486, 70);     // quality
    Put32(expected, 324, 2);      // resizeMode absolute
    Put32(expected, 328, 800);
    Put32(expected, 332, 600);
    PutText(expected, 64, "web");
    Put16(expected, 376, 7);
    Put16(expected, 378, 300);
    expected[360] = 1;
    expected[361] = 2;
    expected[362] = 3;
    Put32(expected, 356, 2);      // transparentMode colour
    Put32(expected, 490, 6);
    Put32(expected, 498, 0);      // addAlt
    EXPECT_EQ(test::ReadFileBytes(s / "photo.TPL"), expected);

    // Without options: exactly a new macro of that name, in TEMPLATE.
    const auto plain = RunLumaprism({"--macro-new", "plain"}, s.Path());
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(test::ReadFileBytes(Template(s) / "plain.TPL"), DefaultTpl("plain"));
    // An existing file is kept unless --replace.
    const auto again = RunLumaprism({"--macro-new", "plain", "--quality", "5"}, s.Path());
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(test::ReadFileBytes(Template(s) / "plain.TPL"), DefaultTpl("plain"));
    ASSERT_EQ(RunLumaprism({"--macro-new", "plain", "--quality", "5", "--replace"}, s.Path()).exitCode, 0);
    auto five = DefaultTpl("plain");
    Put32(five, 486, 5);
    EXPECT_EQ(test::ReadFileBytes(Template(s) / "plain.TPL"), five);
}

TEST(CliMacro, NewChecksEveryValue) {
    ScratchDir s;
    const struct {
        std::vector<std::string> options;
        const char* message;
    } cases[] = {
        {{"--colors", "0"}, "--colors: '0' is not a number from 1 to 256"},
        {{"--colors", "257"}, "from 1 to 256"},
        {{"--quality", "101"}, "--quality: '101' is not a number from 0 to 100"},
        {{"--color-percent", "0"}, "from 1 to 100"},
        {{"--output-format", "tiff"}, "'tiff' is not same, gif, jpeg or png"},
        {{"--resize", "big"}, "is not none, relative or absolute"},
        {{"--use-palette", "2"}, "from 0 to 1"},
        {{"--transparent-color", "1,2,256"}, "is not R,G,B"},
        {{"--name", "a/b"}, "is not a name"},
        {{"--name", std::string(31, 'n')}, "longer than 30 characters"},
        {{"--output-dir", std::string(260, 'd')}, "longer than 259 characters"},
        {{"--qualty", "5"}, "unknown option '--qualty'"},
        {{"--quality"}, "--quality needs a value"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--macro-new", "./m.TPL"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const auto r = RunLumaprism(args, s.Path());
        EXPECT_EQ(r.exitCode, 2) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.message << "\n" << r.err;
        EXPECT_FALSE(fs::exists(s / "m.TPL")) << c.message;
    }
    // The help lists every field with its meaning and default.
    const auto help = RunLumaprism({"--macro-new", "--help"}, s.Path());
    EXPECT_EQ(help.exitCode, 0);
    for (const MacroField& field : MacroFields()) {
        const auto at = help.out.find("\n  --" + std::string(field.option) + " ");
        ASSERT_NE(at, std::string::npos) << field.option;
        // The option's entry: its line and the description lines indented under it.
        const auto next = help.out.find("\n  -", at + 1);
        const auto line = help.out.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
        EXPECT_NE(line.find("(default: " + MacroFieldDefault(field) + ")"), std::string::npos) << line;
    }
}

TEST(CliMacro, NewThenApplyGivesWhatTheWindowsMacroGives) {
    ScratchDir s;
    fs::create_directories(s / "a");
    fs::create_directories(s / "b");
    MakeBmp(s / "pic.bmp", 90, 60);
    ASSERT_EQ(RunLumaprism({"--macro-new", "./cli.TPL", "--output-format", "gif", "--colors", "32", "--use-palette",
                            "0", "--resize", "relative", "--width-percent", "50", "--height-percent", "50",
                            "--output-dir", "a"},
                           s.Path())
                  .exitCode,
              0);
    // The same settings as the windows set them.
    BatchMacro macro("gui");
    macro.outputFormat = kOutputGif;
    macro.colors = 32;
    macro.usePalette = 0;
    macro.resizeMode = kResizeRelative;
    macro.widthPercent = macro.heightPercent = 50;
    macro.outputDir = "b";
    SaveBatchMacroFile(macro, s / "gui.TPL");
    auto cli = test::ReadFileBytes(s / "cli.TPL");
    auto gui = test::ReadFileBytes(s / "gui.TPL");
    ASSERT_EQ(cli.size(), 514u);
    // Only the names and the folders differ.
    for (std::size_t i = 2; i < 324; ++i) cli[i] = gui[i] = 0;
    EXPECT_EQ(cli, gui);

    const auto ra = RunLumaprism({"--macro", "./cli.TPL", "pic.bmp"}, s.Path());
    const auto rb = RunLumaprism({"--macro", "./gui.TPL", "pic.bmp"}, s.Path());
    ASSERT_EQ(ra.exitCode, 0) << ra.err;
    ASSERT_EQ(rb.exitCode, 0) << rb.err;
    ASSERT_TRUE(fs::exists(s / "a" / "pic.gif"));
    EXPECT_EQ(test::ReadFileBytes(s / "a" / "pic.gif"), test::ReadFileBytes(s / "b" / "pic.gif"));
    const Picture out = LoadPicture(s / "a" / "pic.gif", PictureFileType::Gif);
    EXPECT_EQ(out.Width(), 45);
    EXPECT_LE(CountColours(out), 32);
}

TEST(CliMacro, ShowAsTextAndJson) {
    ScratchDir s;
    ASSERT_EQ(RunLumaprism({"--macro-new", "shown", "--quality", "70", "--output-format", "jpeg",
                            "--transparent-color", "10,20,30"},
                           s.Path())
                  .exitCode,
              0);
    const auto text = RunLumaprism({"--macro-show", "shown"}, s.Path());
    ASSERT_EQ(text.exitCode, 0) << text.err;
    // One line per field: the option name in a column as wide as the longest, then the value.
    std::size_t width = 0;
    for (const MacroField& field : MacroFields()) width = std::max(width, field.option.size());
    auto line = [width](const std::string& name, const std::string& value) {
        return name + std::string(width - name.size() + 2, ' ') + value + "\n";
    };
    EXPECT_NE(text.out.find("\n" + line("quality", "70")), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("\n" + line("output-format", "jpeg")), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("\n" + line("transparent-color", "10,20,30")), std::string::npos) << text.out;
    EXPECT_TRUE(text.out.starts_with(line("name", "shown"))) << text.out;
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), std::ptrdiff_t(MacroFields().size()));

    const auto json = RunLumaprism({"--macro-show", "shown", "--json"}, s.Path());
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const auto parsed = nlohmann::json::parse(json.out);
    EXPECT_EQ(parsed.at("name"), "shown");
    EXPECT_EQ(parsed.at("quality"), 70);
    EXPECT_EQ(parsed.at("output-format"), "jpeg");
    EXPECT_EQ(parsed.at("cut-out-tolerance"), 50);
    EXPECT_EQ(parsed.at("transparent-color"), nlohmann::json::array({10, 20, 30}));
    EXPECT_EQ(parsed.size(), MacroFields().size());

    const auto missing = RunLumaprism({"--macro-show", "nothere"}, s.Path());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("nothere.TPL Error opening file"), std::string::npos) << missing.err;
}

TEST(CliMacro, JsonReportListsEveryFile) {
    ScratchDir s;
    fs::create_directories(s / "out");
    MakeBmp(s / "p0.bmp", 40, 30);
    MakeBmp(s / "p1.bmp", 20, 10);
    ASSERT_EQ(RunLumaprism({"--macro-new", "./png.TPL", "--output-format", "png", "--output-dir", "out"}, s.Path())
                  .exitCode,
              0);
    const auto r = RunLumaprism({"--macro", "./png.TPL", "--json", "p0.bmp", "nothere.bmp", "p1.bmp"}, s.Path());
    EXPECT_EQ(r.exitCode, 1);
    const auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json.at("macro"), "png");
    ASSERT_EQ(json.at("files").size(), 3u);
    const auto& first = json["files"][0];
    EXPECT_EQ(first.at("file"), "p0.bmp");
    EXPECT_EQ(first.at("status"), "done");
    EXPECT_EQ(first.at("sourceBytes"), fs::file_size(s / "p0.bmp"));
    ASSERT_EQ(first.at("outputs").size(), 1u);
    EXPECT_EQ(first["outputs"][0].at("bytes"), fs::file_size(s / "out" / "p0.png"));
    EXPECT_EQ(first.at("after").at("width"), 40);
    EXPECT_EQ(json["files"][1].at("status"), "failed");
    EXPECT_FALSE(json["files"][1].at("error").get<std::string>().empty());
    EXPECT_EQ(json.at("summary").at("filesSelected"), 3);
    EXPECT_EQ(json.at("summary").at("sizeBefore"),
              std::int64_t(fs::file_size(s / "p0.bmp") + fs::file_size(s / "p1.bmp")));
}

TEST(CliMacro, YesAnswersTheAnimationQuestion) {
    ScratchDir s;
    fs::create_directories(s / "out");
    using namespace test::gifopt;
    GifFrameList frames;
    frames.Add(Frame(Noise(20, 10, 1, 16), 0, 0));
    frames.Add(Frame(Noise(20, 10, 2, 16), 0, 0));
    GifInfo info = Screen(20, 10);
    SaveGif(frames, info, s / "anim.gif");
    ASSERT_EQ(RunLumaprism({"--macro-new", "./abs.TPL", "--resize", "absolute", "--width", "10", "--height", "5",
                            "--output-format", "gif", "--output-dir", "out"},
                           s.Path())
                  .exitCode,
              0);
    const auto no = RunLumaprism({"--macro", "./abs.TPL", "anim.gif"}, s.Path());
    EXPECT_EQ(no.exitCode, 1);
    EXPECT_FALSE(fs::exists(s / "out" / "anim.gif"));
    const auto yes = RunLumaprism({"--macro", "./abs.TPL", "--yes", "anim.gif"}, s.Path());
    ASSERT_EQ(yes.exitCode, 0) << yes.err;
    EXPECT_EQ(LoadPicture(s / "out" / "anim.gif", PictureFileType::Gif).Width(), 10);
}

TEST(CliMacro, ShardAppliesToOneSlice) {
    ScratchDir s;
    fs::create_directories(s / "out");
    for (const char* name : {"c.bmp", "a.bmp", "b.bmp"}) MakeBmp(s / name, 4, 4);
    ASSERT_EQ(RunLumaprism({"--macro-new", "./p.TPL", "--output-format", "png", "--output-dir", "out"}, s.Path())
                  .exitCode,
              0);
    const auto r = RunLumaprism({"--macro", "./p.TPL", "--shard", "2/3", "c.bmp", "a.bmp", "b.bmp"}, s.Path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(s / "out")) names.insert(e.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"b.png"}));
}

// The shipped macros are what --macro-new makes from the options their README line shows.
TEST(CliMacro, ShippedMacrosAreMadeByMacroNew) {
    ScratchDir s;
    const struct {
        const char* file;
        std::vector<std::string> options;
    } shipped[] = {
        {"web-photo.TPL",
         {"--output-format", "jpeg", "--quality", "70", "--resize", "absolute", "--width", "800", "--height", "600"}},
        {"web-graphic.TPL",
         {"--output-format", "gif", "--colors", "64", "--color-count-mode", "relative", "--use-palette", "0"}},
        {"animation.TPL",
         {"--output-format", "gif", "--cut-out", "1", "--make-transparent", "1", "--cut-out-tolerance", "0",
          "--transparent-tolerance", "1"}},
    };
    for (const auto& m : shipped) {
        std::vector<std::string> args = {"--macro-new", "./" + std::string(m.file)};
        args.insert(args.end(), m.options.begin(), m.options.end());
        ASSERT_EQ(RunLumaprism(args, s.Path()).exitCode, 0) << m.file;
        EXPECT_EQ(test::ReadFileBytes(test::SourceDir() / "resources" / "data" / "TEMPLATE" / m.file),
                  test::ReadFileBytes(s / m.file))
            << m.file;
    }
}

}  // namespace
}  // namespace lp
