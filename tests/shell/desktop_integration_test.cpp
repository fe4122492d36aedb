// Wallpaper and default-viewer integration: the written file and the desktop commands.
#include "shell/desktop_integration.h"

#include <gtest/gtest.h>

#include "base/data_folders.h"
#include "formats/format_table.h"
#include "test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;

TEST(Wallpaper, TileAndCenteredWriteThePictureStretchTheScreenSize) {
    test::ScratchDir scratch;
    const Picture picture = test::PatternPicture(40, 30);
    const struct {
        WallpaperMode mode;
        int width, height;
    } cases[] = {{WallpaperMode::Tile, 40, 30}, {WallpaperMode::Centered, 40, 30}, {WallpaperMode::Stretch, 800, 600}};
    for (const auto& c : cases) {
        const fs::path file = scratch / "wall.bmp";
        WriteWallpaper(picture, c.mode, 800, 600, file);
        const std::vector<std::uint8_t> bytes = test::ReadFileBytes(file);
        ASSERT_GT(bytes.size(), 54u);
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[28], 24);  // bits per pixel
        EXPECT_EQ(bytes[30], 0);   // no compression
        const Picture back = LoadPicture(file, PictureFileType::Bmp);
        EXPECT_EQ(back.Width(), c.width);
        EXPECT_EQ(back.Height(), c.height);
        if (c.mode != WallpaperMode::Stretch) EXPECT_EQ(test::PixelAt(back, 7, 5), test::PixelAt(picture, 7, 5));
    }
}

TEST(Wallpaper, CopyLivesInTheDataFolder) {
    test::ScratchDir scratch;
    const DataFolders folders = DataFolders::UnderRoot(scratch.Path());
    const fs::path file = WallpaperFile(folders);
    EXPECT_EQ(file.filename(), "LumaprismWallPaper.bmp");
    EXPECT_EQ(file.parent_path(), folders.Folder(DataFolder::Template).parent_path());
}

TEST(Wallpaper, GnomeLikeDesktopsGetTheBackgroundSettings) {
    const fs::path file = "/home/u/.local/share/lumaprism/My Wall.bmp";
    const struct {
        const char* desktop;
        bool supported;
    } desktops[] = {{"GNOME", true}, {"ubuntu:GNOME", true}, {"Unity", true}, {"Budgie:GNOME", true},
                    {"KDE", false},  {"XFCE", false},        {"", false},     {"GNOME-Flashback-not", false}};
    for (const auto& d : desktops)
        EXPECT_EQ(WallpaperCommands(d.desktop, file, WallpaperMode::Tile).has_value(), d.supported) << d.desktop;
    const struct {
        WallpaperMode mode;
        const char* option;
    } modes[] = {{WallpaperMode::Tile, "wallpaper"}, {WallpaperMode::Centered, "centered"}, {WallpaperMode::Stretch, "stretched"}};
    for (const auto& m : modes) {
        const auto commands = WallpaperCommands("GNOME", file, m.mode);
        ASSERT_TRUE(commands.has_value());
        const std::vector<DesktopCommand> expected{
            {"gsettings", {"set", "org.gnome.desktop.background", "picture-options", m.option}},
            {"gsettings", {"set", "org.gnome.desktop.background", "picture-uri", "file:///home/u/.local/share/lumaprism/My%20Wall.bmp"}},
            {"gsettings", {"set", "org.gnome.desktop.background", "picture-uri-dark", "file:///home/u/.local/share/lumaprism/My%20Wall.bmp"}},
        };
        EXPECT_EQ(*commands, expected) << m.option;
    }
}

TEST(DefaultViewer, OneXdgMimeCallForTheChosenTypesOnly) {
    EXPECT_FALSE(DefaultViewerCommand(0).has_value());
    // ".JPG Files" covers .jpg and .jpeg: one MIME type.
    const auto jpeg = DefaultViewerCommand(0x008);
    ASSERT_TRUE(jpeg.has_value());
    EXPECT_EQ(*jpeg, (DesktopCommand{"xdg-mime", {"default", "lumaprism.desktop", "image/jpeg"}}));
    const auto several = DefaultViewerCommand(0x008 | 0x004 | 0x100);
    ASSERT_TRUE(several.has_value());
    EXPECT_EQ(several->args, (std::vector<std::string>{"default", "lumaprism.desktop", "image/jpeg", "image/gif", "image/tiff"}));
    // Every box names a type the format table offers.
    std::int32_t all = 0;
    for (const DefaultViewerBox& box : kDefaultViewerBoxes) all |= box.bit;
    const auto every = DefaultViewerCommand(all);
    ASSERT_TRUE(every.has_value());
    EXPECT_EQ(every->args.size(), 2u + 9u);
}

}  // namespace
}  // namespace lp
