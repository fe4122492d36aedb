#include "shell/desktop_integration.h"

#include <algorithm>
#include <cctype>

#include "base/data_folders.h"
#include "base/uri_text.h"
#include "formats/bmp/bmp_writer.h"
#include "formats/format_table.h"
#include "imaging/resize.h"

namespace lp {

namespace {

// Desktops that read their background from the GNOME settings schema.
constexpr std::string_view kGnomeLike[] = {"gnome", "unity", "budgie", "pantheon"};

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

bool IsGnomeLike(std::string_view currentDesktop) {
    // A colon-separated list, most specific first.
    const std::string desktops = Lower(currentDesktop);
    std::size_t start = 0;
    while (start <= desktops.size()) {
        const std::size_t end = std::min(desktops.find(':', start), desktops.size());
        const std::string_view name = std::string_view(desktops).substr(start, end - start);
        if (std::find(std::begin(kGnomeLike), std::end(kGnomeLike), name) != std::end(kGnomeLike)) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

std::filesystem::path WallpaperFile(const DataFolders& folders) {
    return folders.Folder(DataFolder::Template).parent_path() / kWallpaperFileName;
}

void WriteWallpaper(const Picture& picture, WallpaperMode mode, int screenWidth, int screenHeight,
                    const std::filesystem::path& file, ProgressSink* progress) {
    if (mode == WallpaperMode::Stretch && screenWidth > 0 && screenHeight > 0) {
        Picture stretched = picture;
        SmartResize(stretched, screenWidth, screenHeight, progress);
        SaveBmp(stretched, file, BmpCompression::None, 24, progress);
        return;
    }
    SaveBmp(picture, file, BmpCompression::None, 24, progress);
}

std::optional<std::vector<DesktopCommand>> WallpaperCommands(std::string_view currentDesktop,
                                                            const std::filesystem::path& file, WallpaperMode mode) {
    if (!IsGnomeLike(currentDesktop)) return std::nullopt;
    const char* options = mode == WallpaperMode::Tile ? "wallpaper" : mode == WallpaperMode::Centered ? "centered" : "stretched";
    const std::string uri = FileUri(file);
    const std::string schema = "org.gnome.desktop.background";
    return std::vector<DesktopCommand>{
        {"gsettings", {"set", schema, "picture-options", options}},
        {"gsettings", {"set", schema, "picture-uri", uri}},
        // The dark style has a background of its own; both show the chosen picture.
        {"gsettings", {"set", schema, "picture-uri-dark", uri}},
    };
}

std::optional<DesktopCommand> DefaultViewerCommand(std::int32_t chosenBits) {
    DesktopCommand command{"xdg-mime", {"default", std::string(kDesktopFileName)}};
    for (const FormatRow& row : FormatRows()) {
        if (row.registrationBit == 0 || (chosenBits & row.registrationBit) == 0) continue;
        const std::string mime(row.mimeType);
        if (std::find(command.args.begin(), command.args.end(), mime) == command.args.end()) command.args.push_back(mime);
    }
    if (command.args.size() == 2) return std::nullopt;
    return command;
}

}  // namespace lp
