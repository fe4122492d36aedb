#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/picture.h"

namespace lp {

class DataFolders;
class ProgressSink;

/// "Set as WallPaper": how the picture covers the desktop.
enum class WallpaperMode { Tile, Centered, Stretch };

/// A program the desktop integration runs, with its arguments.
struct DesktopCommand {
    std::string program;
    std::vector<std::string> args;
    friend bool operator==(const DesktopCommand&, const DesktopCommand&) = default;
};

/// The desktop entry installed with the program.
inline constexpr std::string_view kDesktopFileName = "lumaprism.desktop";
inline constexpr std::string_view kWallpaperFileName = "LumaprismWallPaper.bmp";
inline constexpr std::string_view kWallpaperUnsupported =
    "Setting the desktop wallpaper is not supported on this desktop";

/// Where the wallpaper copy lives: the program's data folder (the desktop reads the file
/// later, so it must outlive the run).
std::filesystem::path WallpaperFile(const DataFolders& folders);

/// Writes the wallpaper copy as an uncompressed 24-bit BMP: the picture as it is, or for
/// Stretch a smart-resized copy of the screen's size. Throws ImpExpException.
void WriteWallpaper(const Picture& picture, WallpaperMode mode, int screenWidth, int screenHeight,
                    const std::filesystem::path& file, ProgressSink* progress = nullptr);

/// The commands that make the file the wallpaper of the running desktop, named by
/// XDG_CURRENT_DESKTOP ("GNOME", "ubuntu:GNOME", ...): the GNOME background settings for the
/// desktops that share them. None for a desktop we cannot set.
std::optional<std::vector<DesktopCommand>> WallpaperCommands(std::string_view currentDesktop,
                                                            const std::filesystem::path& file, WallpaperMode mode);

/// The "DefaultBrowser" bits of the default-viewer dialog's boxes, in the dialog's order.
struct DefaultViewerBox {
    std::string_view label;
    std::int32_t bit;
};
inline constexpr DefaultViewerBox kDefaultViewerBoxes[] = {
    {".BMP Files", 0x001}, {".JPG Files", 0x008}, {".GIF Files", 0x004}, {".RLE Files", 0x040}, {".DIB Files", 0x002},
    {".TGA Files", 0x080}, {".PCX Files", 0x010}, {".TIFF Files", 0x100}, {".PNG Files", 0x020},
};

/// The command that makes the program the desktop's default viewer of the chosen types (one
/// `xdg-mime default` for all of them); none when no type is chosen. Types left unticked keep
/// whatever viewer the desktop has for them.
std::optional<DesktopCommand> DefaultViewerCommand(std::int32_t chosenBits);

}  // namespace lp
