// The palettes and macros that come with the program reach the user's data
// folders on first use, from the build tree and from an installed copy alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/data_folders.h"
#include "batch/batch_macro.h"
#include "formats/format_table.h"
#include "test_support.h"
#include "tools/palette.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::ScratchDir;
using test::WriteFileBytes;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string Text(const fs::path& path) {
    const auto bytes = ReadFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

TEST(ShippedData, CopiedOnFirstUseOnceAndNeverOverAUsersFile) {
    ScratchDir dir;
    const fs::path shipped = dir / "shipped";
    fs::create_directories(shipped / "PALETTE");
    fs::create_directories(shipped / "TEMPLATE");
    WriteFileBytes(shipped / "PALETTE" / "Web-Safe.pal", Bytes("shipped web-safe"));
    WriteFileBytes(shipped / "PALETTE" / "Grey.pal", Bytes("shipped grey"));
    WriteFileBytes(shipped / "TEMPLATE" / "Web.TPL", Bytes("shipped macro"));
    const fs::path home = dir / "home";
    fs::create_directories(home / "PALETTE");
    WriteFileBytes(home / "PALETTE" / "Grey.pal", Bytes("the user's grey"));

    const DataFolders folders = DataFolders::UnderRoot(home, shipped);
    const fs::path palettes = folders.Folder(DataFolder::Palette);
    EXPECT_EQ(ReadFileBytes(palettes / "Web-Safe.pal"), Bytes("shipped web-safe"));
    EXPECT_EQ(ReadFileBytes(palettes / "Grey.pal"), Bytes("the user's grey"));
    EXPECT_EQ(ReadFileBytes(folders.Folder(DataFolder::Template) / "Web.TPL"), Bytes("shipped macro"));

    // A shipped file the user removed or changed stays that way.
    fs::remove(palettes / "Web-Safe.pal");
    WriteFileBytes(folders.Folder(DataFolder::Template) / "Web.TPL", Bytes("edited"));
    // A later release ships one more palette: it arrives on the next use.
    WriteFileBytes(shipped / "PALETTE" / "New.pal", Bytes("new"));
    folders.Folder(DataFolder::Palette);
    EXPECT_FALSE(fs::exists(palettes / "Web-Safe.pal"));
    EXPECT_EQ(ReadFileBytes(palettes / "New.pal"), Bytes("new"));
    EXPECT_EQ(ReadFileBytes(folders.Folder(DataFolder::Template) / "Web.TPL"), Bytes("edited"));
    // Only the listed files and the record of what was copied: no temporary copies left.
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(palettes)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{DataFolders::kShippedListName, "Grey.pal", "New.pal"}));
    // Folders without shipped files, and a service without a shipped folder, copy nothing.
    EXPECT_TRUE(fs::is_empty(folders.Folder(DataFolder::Picture)));
    EXPECT_TRUE(fs::is_empty(DataFolders::UnderRoot(dir / "bare").Folder(DataFolder::Palette)));
}

TEST(ShippedData, TheShippedWebSafePaletteIsTheWebSafePalette) {
    Palette shipped;
    ASSERT_EQ(shipped.Read(test::SourceDir() / "resources" / "data" / "PALETTE" / "Web-Safe.pal"), 0);
    const Palette expected = WebSafePalette();
    EXPECT_EQ(shipped.Name(), "Web-Safe");
    ASSERT_EQ(shipped.Count(), expected.Count());
    for (int i = 0; i < expected.Count(); ++i) {
        std::string a, b;
        EXPECT_EQ(shipped.GetEntry(i, &a), expected.GetEntry(i, &b)) << i;
        EXPECT_EQ(a, b) << i;
    }
}

TEST(ShippedData, AFreshHomeHasTheWebSafePaletteWhenRunFromTheBuildTree) {
    ScratchDir dir;  // a LUMAPRISM_HOME nobody has used
    const DataFolders folders = DataFolders::FromEnvironment();
    EXPECT_EQ(folders.ShippedFolder(), test::SourceDir() / "resources" / "data");
    Palette p;
    ASSERT_EQ(p.Read(PaletteFilePath(folders, "Web-Safe")), 0);
    EXPECT_EQ(p.Count(), 216);
}

// A macro that maps every picture onto the Web-Safe palette file.
void WriteWebSafeMacro(const fs::path& tpl) {
    BatchMacro m("websafe");
    m.outputFormat = kOutputSame;
    m.colorCountMode = kColorCountAbsolute;
    m.paletteName = "Web-Safe";
    m.colors = 16;  // fewer than the palette holds: the picture is mapped onto it
    SaveBatchMacroFile(m, tpl);
}

TEST(ShippedData, TheInstalledProgramFindsItsShippedFilesWhereverItIsInstalled) {
    ScratchDir dir;
    const fs::path build = fs::path(LP_BINARY).parent_path();
    const fs::path prefix = dir / "prefix";
    const std::string install = "cmake --install '" + build.string() + "' --prefix '" + prefix.string() + "' >'" +
                                (dir / "install.log").string() + "' 2>&1";
    ASSERT_EQ(std::system(install.c_str()), 0) << Text(dir / "install.log");
    const fs::path installed = prefix / "share" / "lumaprism" / "PALETTE" / "Web-Safe.pal";
    ASSERT_TRUE(fs::exists(installed));
    // Make the installed copy recognisable: pure red only, more entries than
    // the macro's 16 colours so that pictures are mapped onto it.
    Palette red;
    red.SetName("Web-Safe");
    for (int i = 0; i < 17; ++i) red.AddEntry(MakeColour(255, 0, 0), "red");
    ASSERT_EQ(red.Write(installed), 0);

    const fs::path home = dir / "user";
    WriteWebSafeMacro(dir / "websafe.TPL");
    SavePictureByExtension(test::PatternPicture(8, 8), dir / "pic.bmp");
    const std::string run = "cd '" + dir.Path().string() + "' && LUMAPRISM_HOME='" + home.string() + "' '" +
                            (prefix / "bin" / "lumaprism").string() + "' --macro ./websafe.TPL pic.bmp >run.log 2>&1";
    ASSERT_EQ(std::system(run.c_str()), 0) << Text(dir / "run.log");
    EXPECT_EQ(ReadFileBytes(home / "PALETTE" / "Web-Safe.pal"), ReadFileBytes(installed));
    const Picture out = LoadPicture(dir / "pic.bmp", PictureFileType::Bmp);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(test::PixelAt(out, x, y), MakeColour(255, 0, 0)) << x << "," << y;
}

TEST(ShippedData, TheProgramRunFromTheBuildTreeFindsThemToo) {
    ScratchDir dir;
    WriteWebSafeMacro(dir / "websafe.TPL");
    SavePictureByExtension(test::PatternPicture(8, 8), dir / "pic.bmp");
    const auto r = test::RunLumaprism({"--macro", "./websafe.TPL", "pic.bmp"}, dir.Path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Picture out = LoadPicture(dir / "pic.bmp", PictureFileType::Bmp);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const ColourRef c = test::PixelAt(out, x, y);
            ASSERT_TRUE(RedOf(c) % 51 == 0 && GreenOf(c) % 51 == 0 && BlueOf(c) % 51 == 0) << x << "," << y;
        }
}

}  // namespace
}  // namespace lp
