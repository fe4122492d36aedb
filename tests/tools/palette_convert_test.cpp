#include "tools/palette.h"

#include "imaging/colour_count.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace lp {
namespace {

using test::PixelAt;

const std::string kMissingText =
    ".  Check your palette directory for the same.\nYour request to convert to the palette is not processed";

TEST(PaletteFolder, ShippedWebSafePaletteIsInstalledOnce) {
    test::ScratchDir dir;
    const DataFolders folders = DataFolders::UnderRoot(dir / "home");
    InstallShippedPalettes(folders);
    const auto path = PaletteFolder(folders) / "Web-Safe.pal";
    ASSERT_TRUE(std::filesystem::exists(path));

    Palette p;
    ASSERT_EQ(p.Read(path), 0);
    EXPECT_EQ(p.Name(), "Web-Safe");
    ASSERT_EQ(p.Count(), 216);
    std::set<ColourRef> distinct;
    for (int i = 0; i < 216; ++i) {
        const ColourRef c = p.GetEntry(i);
        EXPECT_EQ(RedOf(c) % 51, 0);
        EXPECT_EQ(GreenOf(c) % 51, 0);
        EXPECT_EQ(BlueOf(c) % 51, 0);
        distinct.insert(c);
    }
    EXPECT_EQ(distinct.size(), 216u);
    std::string name;
    p.GetEntry(215, &name);
    EXPECT_EQ(name, "FFFFFF");

    // A user's own Web-Safe.pal is never overwritten.
    Palette mine;
    mine.SetName("Web-Safe");
    mine.AddEntry(MakeColour(1, 2, 3), "mine");
    ASSERT_EQ(mine.Write(path), 0);
    InstallShippedPalettes(folders);
    ASSERT_EQ(p.Read(path), 0);
    EXPECT_EQ(p.Count(), 1);
}

TEST(PaletteFolder, ListsPaletteFilesWhateverTheExtensionCase) {
    test::ScratchDir dir;
    const DataFolders folders = DataFolders::UnderRoot(dir / "home");
    const auto folder = PaletteFolder(folders);
    EXPECT_EQ(folder, dir / "home" / "PALETTE");
    for (const char* f : {"b.pal", "A.PAL", "c.Pal", "notes.txt", "pal"}) test::WriteFileBytes(folder / f, {1});
    std::filesystem::create_directory(folder / "folder.pal");
    EXPECT_EQ(ListPaletteNames(folders), (std::vector<std::string>{"A", "b", "c"}));

    EXPECT_EQ(PaletteFilePath(folders, "A"), folder / "A.PAL");
    EXPECT_EQ(PaletteFilePath(folders, "new"), folder / "new.pal");
    EXPECT_TRUE(PaletteFilePath(folders, "../escape").empty());
    EXPECT_TRUE(PaletteFilePath(folders, "").empty());
}

class PaletteConversionTest : public ::testing::Test {
protected:
    PaletteConversionTest() : folders(DataFolders::UnderRoot(dir / "home")) {
        InstallShippedPalettes(folders);
        Palette bw;
        bw.SetName("BW");
        bw.AddEntry(MakeColour(0, 0, 0), "black");
        bw.AddEntry(MakeColour(255, 255, 255), "white");
        bw.Write(PaletteFolder(folders) / "BW.pal");
    }
    test::ScratchDir dir;
    DataFolders folders;
};

TEST_F(PaletteConversionTest, WebSafeMapsEveryFrame) {
    Picture a = test::PatternPicture(40, 30), b = test::PatternPicture(20, 50);
    Picture* frames[] = {&a, &b};
    const PaletteConversion r = ConvertPicturesToPaletteFile(frames, dir / "pic.gif", true, "BW", folders);
    EXPECT_EQ(r.outcome, PaletteConversion::Outcome::Converted);
    EXPECT_TRUE(r.message.empty());
    EXPECT_EQ(r.palettePath, PaletteFolder(folders) / "Web-Safe.pal");
    for (const Picture* p : frames)
        for (int y = 0; y < p->Height(); ++y)
            for (int x = 0; x < p->Width(); ++x) {
                const ColourRef c = PixelAt(*p, x, y);
                ASSERT_TRUE(RedOf(c) % 51 == 0 && GreenOf(c) % 51 == 0 && BlueOf(c) % 51 == 0);
            }
}

TEST_F(PaletteConversionTest, WithoutTheFlagTheSettingNamesThePalette) {
    Picture a = test::PatternPicture(40, 30);
    Picture* frames[] = {&a};
    const PaletteConversion r = ConvertPicturesToPaletteFile(frames, dir / "pic.png", false, "BW", folders);
    EXPECT_EQ(r.outcome, PaletteConversion::Outcome::Converted);
    EXPECT_EQ(CountColours(a), 2);
}

TEST_F(PaletteConversionTest, JpegDocumentsAreRefused) {
    for (const char* name : {"photo.jpg", "photo.JPEG", "p.Jpg"}) {
        Picture a = test::PatternPicture(10, 10);
        Picture* frames[] = {&a};
        const PaletteConversion r = ConvertPicturesToPaletteFile(frames, dir / name, true, "BW", folders);
        EXPECT_EQ(r.outcome, PaletteConversion::Outcome::JpegRefused) << name;
        EXPECT_EQ(r.message, "Color conversion will not be allowed on JPEG pictures.");
        EXPECT_TRUE(a.SamePixels(test::PatternPicture(10, 10)));
    }
}

TEST_F(PaletteConversionTest, MissingOrDamagedPaletteLeavesThePicture) {
    test::WriteFileBytes(PaletteFolder(folders) / "Broken.pal", {'V', 'P', '1'});
    for (const char* setting : {"Nowhere", "Broken", "../BW", ""}) {
        Picture a = test::PatternPicture(10, 10);
        Picture* frames[] = {&a};
        const PaletteConversion r = ConvertPicturesToPaletteFile(frames, dir / "x.bmp", false, setting, folders);
        EXPECT_EQ(r.outcome, PaletteConversion::Outcome::PaletteUnreadable) << setting;
        EXPECT_EQ(r.message, "Unable to find palette file : " + r.palettePath.string() + kMissingText);
        EXPECT_EQ(r.palettePath.filename(), std::filesystem::path(std::string(setting) + ".pal").filename());
        EXPECT_TRUE(a.SamePixels(test::PatternPicture(10, 10))) << setting;
    }
}

}  // namespace
}  // namespace lp
