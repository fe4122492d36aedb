#include "shell/help_manual.h"

#include <algorithm>
#include <system_error>

#include "base/uri_text.h"

namespace lp {

namespace {

namespace fs = std::filesystem;

// The commands' numbers are those of the menus and bars; they are the manual's
// contract, so a command keeps its number once released.
constexpr int Command(int id) { return 0x10000 + id; }

constexpr const char* kIndex = "index.html";
constexpr const char* kMain = "main-window.html";
constexpr const char* kTransfer = "transfer-manager.html";
constexpr const char* kWizards = "wizards.html";
constexpr const char* kAnimation = "animation.html";
constexpr const char* kTools = "editing-tools.html";
constexpr const char* kPalettes = "palettes.html";
constexpr const char* kUnits = "units-resize-merge.html";
constexpr const char* kVector = "vectorizer.html";
constexpr const char* kBrowser = "browser.html";
constexpr const char* kOptions = "options.html";

// Kept in topic order: FindHelpTopic searches it by halves.
constexpr HelpTopicEntry kTopics[] = {
    {Command(130), {kUnits, "rulers"}},                // horizontal ruler bar
    {Command(132), {kUnits, "rulers"}},                // vertical ruler bar
    {Command(244), {kMain, "control-panel"}},          // View > Control
    {Command(32778), {kVector, "vectorization"}},      // Picture > Vectorization...
    {Command(32783), {kTools, "magic-wand"}},
    {Command(32785), {kTools, "pick-color"}},
    {Command(32786), {kTools, "retouch-pen"}},
    {Command(32787), {kUnits, "manual-resize"}},
    {Command(32810), {kMain, "picture-position"}},     // the tool bar's position selector
    {Command(32812), {kMain, "bars"}},                 // View > DrawingTool
    {Command(32823), {kTools, "spot-remover"}},
    {Command(32826), {kOptions, "options"}},
    {Command(32827), {kMain, "printing"}},             // the "Printing Options" dialog's Help button
    {Command(33001), {kMain, "files"}},                // Reload Picture
    {Command(33002), {kMain, "files"}},                // Close All
    {Command(33003), {kMain, "scanning"}},
    {Command(33004), {kMain, "scanning"}},
    {Command(33005), {kMain, "printing"}},
    {Command(33006), {kMain, "default-viewer"}},
    {Command(33007), {kTools, "cut-out"}},
    {Command(33008), {kUnits, "rulers"}},              // View > Ruler
    {Command(33009), {kMain, "start-up"}},             // Ask Wizard
    {Command(33010), {kMain, "start-up"}},             // StartUp Screen
    {Command(33011), {kMain, "start-up"}},             // Beginner's Hint
    {Command(33020), {kMain, "picture-position"}},     // the nine picture positions
    {Command(33021), {kMain, "picture-position"}},
    {Command(33022), {kMain, "picture-position"}},
    {Command(33023), {kMain, "picture-position"}},
    {Command(33024), {kMain, "picture-position"}},
    {Command(33025), {kMain, "picture-position"}},
    {Command(33026), {kMain, "picture-position"}},
    {Command(33027), {kMain, "picture-position"}},
    {Command(33028), {kMain, "picture-position"}},
    {Command(33030), {kMain, "zoom"}},                 // 50% .. Zoom Out
    {Command(33031), {kMain, "zoom"}},
    {Command(33032), {kMain, "zoom"}},
    {Command(33033), {kMain, "zoom"}},
    {Command(33034), {kMain, "zoom"}},
    {Command(33035), {kMain, "zoom"}},
    {Command(33036), {kMain, "zoom"}},
    {Command(33037), {kMain, "zoom"}},
    {Command(33038), {kMain, "zoom"}},
    {Command(33039), {kMain, "zoom"}},
    {Command(33040), {kMain, "wallpaper"}},
    {Command(33041), {kMain, "wallpaper"}},
    {Command(33042), {kMain, "wallpaper"}},
    {Command(33043), {kUnits, "resize"}},
    {Command(33050), {kAnimation, "frames"}},          // Next, Previous, First, Last Frame
    {Command(33051), {kAnimation, "frames"}},
    {Command(33052), {kAnimation, "frames"}},
    {Command(33053), {kAnimation, "frames"}},
    {Command(33054), {kAnimation, "playing"}},         // Play, Stop
    {Command(33055), {kAnimation, "playing"}},
    {Command(33056), {kAnimation, "adding-frames"}},   // Add Frame, Delete Frame
    {Command(33057), {kAnimation, "adding-frames"}},
    {Command(33060), {kPalettes, "web-safe"}},
    {Command(33061), {kTools, "flip-rotate"}},         // flips and rotations
    {Command(33062), {kTools, "flip-rotate"}},
    {Command(33063), {kTools, "flip-rotate"}},
    {Command(33064), {kTools, "flip-rotate"}},
    {Command(33065), {kTools, "flip-rotate"}},
    {Command(33066), {kTools, "flip-rotate"}},
    {Command(33067), {kTools, "flip-rotate"}},
    {Command(33068), {kUnits, "merge"}},
    {Command(33070), {kTools, "selections"}},          // Rectangle, Ellipse/Circle, Polygon
    {Command(33071), {kTools, "selections"}},
    {Command(33072), {kTools, "selections"}},
    {Command(33073), {kPalettes, "pick-palette"}},
    {Command(33074), {kTools, "selections"}},          // Hide
    {Command(33075), {kTools, "colors"}},              // Select Foreground / Transparent Color
    {Command(33076), {kTools, "colors"}},
    {Command(33077), {kTools, "fills"}},
    {Command(33078), {kTools, "fills"}},
    {Command(33080), {kTransfer, "window-manager"}},
    {Command(33090), {kWizards, "lumaprism-wizard"}},
    {Command(33091), {kWizards, "color-wizard"}},
    {Command(33092), {kWizards, "jpeg-wizard"}},
    {Command(33093), {kWizards, "size-wizard"}},
    {Command(33094), {kWizards, "gif-wizard"}},
    {Command(33095), {kWizards, "html-wizard"}},
    {Command(33100), {kIndex, "introduction"}},
    {Command(33101), {kIndex, "quick-start"}},
    {Command(33200), {kBrowser, "browser"}},           // back to the picture window
    {Command(33201), {kBrowser, "views"}},             // Thumb Nail, List View, Details
    {Command(33202), {kBrowser, "views"}},
    {Command(33203), {kBrowser, "views"}},
    {Command(33204), {kBrowser, "file-types"}},
    {Command(33205), {kBrowser, "web-sites"}},
    {Command(33206), {kBrowser, "views"}},             // Refresh
    {Command(33207), {kBrowser, "web-sites"}},         // Download
    {Command(33208), {kBrowser, "web-sites"}},         // Stop
    {Command(33209), {kBrowser, "browser"}},           // Open
    {Command(33210), {kBrowser, "working-with-files"}},  // Delete
    {Command(33211), {kBrowser, "working-with-files"}},  // Select All
    {Command(33212), {kBrowser, "working-with-files"}},  // Invert Selection
    {Command(33213), {kBrowser, "views"}},             // Cache Info
    {Command(33214), {kBrowser, "browser"}},           // frame Properties
    {Command(0xE101), {kMain, "files"}},               // Open
    {Command(0xE102), {kMain, "files"}},               // Close
    {Command(0xE103), {kMain, "files"}},               // Save
    {Command(0xE104), {kMain, "files"}},               // Save As
    {Command(0xE106), {kMain, "printing"}},            // Print Setup
    {Command(0xE107), {kMain, "printing"}},            // Print
    {Command(0xE109), {kMain, "printing"}},            // Print Preview
    {Command(0xE110), {kMain, "files"}},               // the recent-file list
    {Command(0xE111), {kMain, "files"}},
    {Command(0xE112), {kMain, "files"}},
    {Command(0xE113), {kMain, "files"}},
    {Command(0xE114), {kMain, "files"}},
    {Command(0xE122), {kMain, "editing"}},             // Copy
    {Command(0xE125), {kMain, "editing"}},             // Paste
    {Command(0xE12B), {kMain, "editing"}},             // Undo
    {Command(0xE130), {kMain, "windows"}},             // Arrange Icons, Cascade, Tile
    {Command(0xE132), {kMain, "windows"}},
    {Command(0xE133), {kMain, "windows"}},
    {Command(0xE134), {kMain, "windows"}},
    {Command(0xE140), {kMain, "about"}},
    {Command(0xE141), {kMain, "files"}},               // Exit
    {Command(0xE142), kHelpContents},                  // Help > Topics
    {Command(0xE800), {kMain, "bars"}},                // Toolbar
    {Command(0xE801), {kMain, "bars"}},                // Status Bar
    {0x4007E, {kUnits, "resize"}},                     // the "Picture Resize" dialog's Help button
};

bool IsFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

}  // namespace

std::span<const HelpTopicEntry> HelpTopics() { return kTopics; }

std::optional<HelpPlace> FindHelpTopic(int topic) {
    const auto it = std::lower_bound(std::begin(kTopics), std::end(kTopics), topic,
                                     [](const HelpTopicEntry& e, int t) { return e.topic < t; });
    if (it == std::end(kTopics) || it->topic != topic) return std::nullopt;
    return it->place;
}

HelpPlace HelpPlaceOf(int topic) { return FindHelpTopic(topic).value_or(kHelpContents); }

fs::path ManualFolder(const fs::path& shippedFolder) {
    if (shippedFolder.empty()) return {};
    const fs::path folder = shippedFolder / kManualFolderName;
    return IsFile(folder / kHelpContents.page) ? folder : fs::path();
}

std::string ManualUrl(const fs::path& manualFolder, HelpPlace place) {
    std::string url = FileUri(manualFolder / std::string(place.page));
    if (!place.anchor.empty()) url.append("#").append(place.anchor);
    return url;
}

}  // namespace lp
