#include "batch/batch_macro.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/data_folders.h"
#include "base/prompter.h"
#include "test_support.h"

namespace lp {
namespace {

using test::ReadFileBytes;
using test::ScratchDir;
using test::WriteFileBytes;

std::int32_t Int32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::int32_t(std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
                        std::uint32_t(b[at + 3]) << 24);
}
std::int16_t Int16At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::int16_t(std::uint16_t(b[at] | b[at + 1] << 8));
}
void PutInt32(std::vector<std::uint8_t>& b, std::size_t at, std::int32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(std::uint32_t(v) >> (8 * i));
}

TEST(BatchMacroFile, DefaultsSitAtTheirOffsets) {
    BatchMacro m("Default");
    const auto b = EncodeBatchMacro(m);
    ASSERT_EQ(b.size(), 514u);
    EXPECT_EQ(b[0], 0x54);
    EXPECT_EQ(b[1], 0x50);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[2])), "Default");
    EXPECT_EQ(b[33], 0);  // empty palette name
    EXPECT_EQ(b[64], 0);  // empty output folder
    struct Expect {
        std::size_t offset;
        std::int32_t value;
    };
    const Expect expected[] = {{324, 0},  {328, 360}, {332, 240}, {336, 100}, {340, 100}, {344, 1}, {348, 256},
                               {352, 0},  {356, 1},   {360, 0},   {364, 1},   {368, 0},   {372, 0}, {380, 0},
                               {384, 0},  {388, 1},   {392, 2},   {396, 0},   {400, 1},   {404, 100},
                               {486, 75}, {490, 1},   {494, 1},   {498, 1},   {502, 1},   {506, 1}, {510, 1}};
    for (const auto& e : expected) EXPECT_EQ(Int32At(b, e.offset), e.value) << "offset " << e.offset;
    EXPECT_EQ(Int16At(b, 376), 50);
    EXPECT_EQ(Int16At(b, 378), 1);
    for (std::size_t i = 408; i < 486; ++i) ASSERT_EQ(b[i], 0) << "reserved byte " << i;
}

// Every field set to a distinct value, checked at its offset: a swapped or
// shifted field shows up here.
TEST(BatchMacroFile, EveryFieldAtItsOffset) {
    BatchMacro m("Fields");
    m.resizeMode = 2;
    m.width = 1001;
    m.height = 1002;
    m.widthPercent = 33;
    m.heightPercent = 44;
    m.colorCountMode = 2;
    m.colors = 17;
    m.outputFormat = 3;
    m.transparentMode = 2;
    m.transparentColor = MakeColour(0x11, 0x22, 0x33);
    m.usePalette = 0;
    m.cutOut = 1;
    m.makeTransparent = 1;
    m.cutOutTolerance = 300;
    m.transparentTolerance = 7;
    m.reductionMode = 2;
    m.exposure = 1;
    m.updateTransparent = 0;
    m.jpegLevel = 3;
    m.smartResize = 1;
    m.gifChosen = 0;
    m.colorPercent = 42;
    m.quality = 91;
    m.htmlLevels = 6;
    m.addTags = 0;
    m.addAlt = 0;
    m.addWidth = 0;
    m.addHeight = 0;
    m.resizeImages = 0;
    const auto b = EncodeBatchMacro(m);
    const std::pair<std::size_t, std::int32_t> expected[] = {
        {324, 2},   {328, 1001}, {332, 1002}, {336, 33}, {340, 44}, {344, 2}, {348, 17}, {352, 3},
        {356, 2},   {364, 0},    {368, 1},    {372, 1},  {380, 2},  {384, 1}, {388, 0},  {392, 3},
        {396, 1},   {400, 0},    {404, 42},   {486, 91}, {490, 6},  {494, 0}, {498, 0},  {502, 0},
        {506, 0},   {510, 0}};
    for (const auto& [offset, value] : expected) EXPECT_EQ(Int32At(b, offset), value) << "offset " << offset;
    EXPECT_EQ(b[360], 0x11);
    EXPECT_EQ(b[361], 0x22);
    EXPECT_EQ(b[362], 0x33);
    EXPECT_EQ(b[363], 0);
    EXPECT_EQ(Int16At(b, 376), 300);
    EXPECT_EQ(Int16At(b, 378), 7);
    EXPECT_EQ(DecodeBatchMacro(b, "x.TPL"), m);
}

TEST(BatchMacroFile, FieldsAtTheirLimitsRoundTripByteForByte) {
    ScratchDir dir;
    const DataFolders folders = DataFolders::FromEnvironment();
    BatchMacro high(std::string(30, 'N'));
    high.paletteName = std::string(30, 'p');
    high.outputDir = std::string(259, 'd');
    high.resizeMode = 2;
    high.width = high.height = 65535;
    high.widthPercent = high.heightPercent = 10000;
    high.colors = 256;
    high.outputFormat = 3;
    high.transparentMode = 2;
    high.transparentColor = MakeColour(255, 255, 255);
    high.cutOutTolerance = high.transparentTolerance = 765;
    high.reductionMode = high.exposure = 2;
    high.jpegLevel = 3;
    high.colorPercent = 100;
    high.quality = 100;
    high.htmlLevels = 6;

    BatchMacro low("L");
    low.width = low.height = 1;
    low.widthPercent = low.heightPercent = 1;
    low.colorCountMode = 0;
    low.colors = 1;
    low.transparentMode = 0;
    low.usePalette = 0;
    low.cutOutTolerance = low.transparentTolerance = 0;
    low.updateTransparent = 0;
    low.jpegLevel = 0;
    low.gifChosen = 0;
    low.colorPercent = 1;
    low.quality = 0;
    low.htmlLevels = 0;
    low.addTags = low.addAlt = low.addWidth = low.addHeight = low.resizeImages = 0;

    for (const BatchMacro& m : {high, low}) {
        ScriptedPrompter prompter;
        BatchMacro copy = m;
        ASSERT_TRUE(copy.Save("", folders, prompter)) << (prompter.Messages().empty() ? "" : prompter.Messages()[0].text);
        const auto path = folders.Folder(DataFolder::Template) / (m.name + ".TPL");
        const auto bytes = ReadFileBytes(path);
        ASSERT_EQ(bytes.size(), 514u);
        BatchMacro loaded;
        ASSERT_TRUE(loaded.Load(m.name, folders, prompter));
        EXPECT_EQ(loaded, m);
        // Saved again, the file is the same bytes.
        ASSERT_TRUE(loaded.Save("again", folders, prompter));
        auto again = ReadFileBytes(folders.Folder(DataFolder::Template) / "again.TPL");
        auto expected = bytes;
        std::fill(expected.begin() + 2, expected.begin() + 33, 0);
        std::copy_n("again", 5, expected.begin() + 2);
        EXPECT_EQ(again, expected);
    }
}

struct BadFile {
    const char* label;
    std::vector<std::uint8_t> bytes;
    bool messageHasPath;
    const char* message;  // with %s for the path
};

TEST(BatchMacroFile, DamagedFilesFailWithTheirMessage) {
    ScratchDir dir;
    std::vector<std::uint8_t> good = EncodeBatchMacro(BatchMacro("G"));
    std::vector<std::uint8_t> longer = good;
    longer.push_back(0);
    std::vector<std::uint8_t> shorter(good.begin(), good.begin() + 513);
    std::vector<std::uint8_t> wrongId = good;
    wrongId[1] = 'Q';
    const BadFile cases[] = {
        {"empty", {}, true, "Not a %s Batch macro file"},
        {"one byte", {0x54}, true, "Not a %s Batch macro file"},
        {"other identification", wrongId, false, "Not a Lumaprism Batch macro file"},
        {"id only", {0x54, 0x50}, false, "Error Reading Batch macro file"},
        {"513 bytes", shorter, false, "Error Reading Batch macro file"},
        {"515 bytes", longer, false, "Error Reading Batch macro file"},
    };
    for (const auto& c : cases) {
        const auto path = dir / "bad.TPL";
        WriteFileBytes(path, c.bytes);
        std::string expected = c.message;
        if (c.messageHasPath) expected.replace(expected.find("%s"), 2, path.string());
        try {
            LoadBatchMacroFile(path);
            ADD_FAILURE() << c.label << ": loaded";
        } catch (const BatchMacroError& e) {
            EXPECT_EQ(std::string(e.what()), expected) << c.label;
            EXPECT_EQ(e.File(), path) << c.label;
        }
    }
    try {
        LoadBatchMacroFile(dir / "missing.TPL");
        ADD_FAILURE() << "missing file loaded";
    } catch (const BatchMacroError& e) {
        EXPECT_EQ(std::string(e.what()), "Error opening file ");
    }
}

TEST(BatchMacroFile, FailedLoadShowsMessageAndKeepsSettings) {
    ScratchDir dir;
    const DataFolders folders = DataFolders::FromEnvironment();
    WriteFileBytes(folders.Folder(DataFolder::Template) / "short.TPL", {0x54, 0x50, 1, 2, 3});
    BatchMacro m("Mine");
    m.colors = 12;
    const BatchMacro before = m;
    ScriptedPrompter prompter;
    EXPECT_FALSE(m.Load("short", folders, prompter));
    EXPECT_EQ(m, before);
    ASSERT_EQ(prompter.Messages().size(), 1u);
    EXPECT_EQ(prompter.Messages()[0].text, "Error Reading Batch macro file");
    EXPECT_EQ(prompter.Messages()[0].caption, "Batch macro Wizard Error");
}

TEST(BatchMacroFile, TextsStopAtTheirWidthAndNumbersOutOfRangeReadAsDefaults) {
    auto b = EncodeBatchMacro(BatchMacro("x"));
    std::fill(b.begin() + 2, b.begin() + 33, 'A');    // name without its NUL
    std::fill(b.begin() + 33, b.begin() + 64, 'B');   // palette name without its NUL
    std::fill(b.begin() + 64, b.begin() + 324, 'c');  // folder without its NUL
    PutInt32(b, 324, 7);         // resizeMode
    PutInt32(b, 328, -5);        // width
    PutInt32(b, 348, 1000);      // colors
    PutInt32(b, 352, -1);        // outputFormat
    PutInt32(b, 404, 0);         // colorPercent
    PutInt32(b, 486, 1000000);   // quality
    PutInt32(b, 490, 99);        // htmlLevels
    b[376] = 0xFF;               // cutOutTolerance -1
    b[377] = 0xFF;
    b[363] = 0x7F;  // the unused byte of the colour is ignored
    const BatchMacro m = DecodeBatchMacro(b, "odd.TPL");
    const BatchMacro d;
    EXPECT_EQ(m.name, std::string(30, 'A'));
    EXPECT_EQ(m.paletteName, std::string(30, 'B'));
    EXPECT_EQ(m.outputDir, std::string(259, 'c'));
    EXPECT_EQ(m.resizeMode, d.resizeMode);
    EXPECT_EQ(m.width, d.width);
    EXPECT_EQ(m.colors, d.colors);
    EXPECT_EQ(m.outputFormat, d.outputFormat);
    EXPECT_EQ(m.colorPercent, d.colorPercent);
    EXPECT_EQ(m.quality, d.quality);
    EXPECT_EQ(m.htmlLevels, d.htmlLevels);
    EXPECT_EQ(m.cutOutTolerance, d.cutOutTolerance);
    EXPECT_EQ(m.transparentColor, MakeColour(0, 0, 0));
}

TEST(BatchMacroFile, OutputFolderUsesBackslashesAndRefusesDrivesWhereTheFolderIsUsed) {
    auto b = EncodeBatchMacro(BatchMacro("x"));
    const std::string drive = "C:\\web\\out";
    std::copy(drive.begin(), drive.end(), b.begin() + 64);
    // The macro loads (its folder may never be used) ...
    const BatchMacro loaded = DecodeBatchMacro(b, "drive.TPL");
    EXPECT_EQ(loaded.outputDir, drive);
    // ... and the folder is refused, with the folder named, where it would be used.
    try {
        MacroOutputFolder(loaded);
        ADD_FAILURE() << "drive letter accepted";
    } catch (const BatchMacroError& e) {
        EXPECT_NE(std::string(e.what()).find("C:\\web\\out"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("names a drive"), std::string::npos) << e.what();
    }
    BatchMacro m;
    m.outputDir = "out\\gifs\\";
    EXPECT_EQ(MacroOutputFolder(m), std::filesystem::path("out/gifs/"));
}

TEST(BatchMacroFile, SaveRefusesWhatDoesNotFitAndKeepsTheOldFile) {
    ScratchDir dir;
    // No shipped macros: the folder holds only what the test saves.
    const DataFolders folders = DataFolders::UnderRoot(dir.Path());
    ScriptedPrompter prompter;
    BatchMacro good("keep");
    ASSERT_TRUE(good.Save("", folders, prompter));
    const auto path = folders.Folder(DataFolder::Template) / "keep.TPL";
    const auto oldBytes = ReadFileBytes(path);

    BatchMacro tooLongDir("keep");
    tooLongDir.outputDir = std::string(260, 'd');
    BatchMacro tooLongPalette("keep");
    tooLongPalette.paletteName = std::string(31, 'p');
    for (BatchMacro m : {tooLongDir, tooLongPalette}) {
        EXPECT_FALSE(m.Save("", folders, prompter));
        EXPECT_EQ(ReadFileBytes(path), oldBytes);
    }
    // Names that would leave the TEMPLATE folder, or not fit, are refused.
    for (const std::string& name : std::vector<std::string>{"a/b", "..", "x\\y", "t\tab", std::string(31, 'n'), ""}) {
        BatchMacro m("");
        EXPECT_FALSE(m.Save(name, folders, prompter)) << name;
        EXPECT_EQ(m.name, "") << "a refused name is not taken";
    }
    ASSERT_FALSE(prompter.Messages().empty());
    EXPECT_EQ(prompter.Messages().back().text, "Error Writing batch macro File ");
    EXPECT_EQ(prompter.Messages().back().caption, "Batch macro Wizard Error");
    // Only keep.TPL exists: nothing was written elsewhere.
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folders.Folder(DataFolder::Template)))
        ++files;
    EXPECT_EQ(files, 1u);
}

TEST(BatchMacroFile, NamesAndListing) {
    ScratchDir dir;
    // No shipped macros: the folder holds only what the test saves.
    const DataFolders folders = DataFolders::UnderRoot(dir.Path());
    const auto tpl = folders.Folder(DataFolder::Template);
    EXPECT_EQ(MacroPath("Web", folders), tpl / "Web.TPL");
    EXPECT_EQ(MacroPath("Web.mac", folders), tpl / "Web.mac");
    EXPECT_THROW(MacroPath("../Web", folders), BatchMacroError);

    ScriptedPrompter prompter;
    BatchMacro m("Small");
    ASSERT_TRUE(m.Save("", folders, prompter));
    ASSERT_TRUE(m.Save("large.tpl", folders, prompter));
    EXPECT_EQ(m.name, "large.tpl");
    WriteFileBytes(tpl / "notes.txt", {1});
    std::filesystem::create_directory(tpl / "folder.tpl");
    EXPECT_EQ(ListBatchMacros(folders), (std::vector<std::string>{"Small", "large"}));
}

}  // namespace
}  // namespace lp
