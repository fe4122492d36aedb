#pragma once
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace lp {

/// Where a help topic is in the HTML manual: a page of the manual's folder and an anchor on it.
struct HelpPlace {
    std::string_view page;
    std::string_view anchor;
};

/// One topic the manual answers. Topics of commands are 0x10000 + the command id;
/// dialogs' Help buttons use the numbers their dialog gives.
struct HelpTopicEntry {
    int topic;
    HelpPlace place;
};

/// The manual's first page and its list of contents ("Help > Topics", and any
/// topic the manual has no entry for).
inline constexpr HelpPlace kHelpContents{"index.html", "contents"};
/// The manual's folder inside the shipped folder.
inline constexpr const char* kManualFolderName = "help";

/// Every topic the manual answers, in topic order.
std::span<const HelpTopicEntry> HelpTopics();
/// The place of a topic; nullopt when the manual has no entry for it.
std::optional<HelpPlace> FindHelpTopic(int topic);
/// The topic's place, or the contents for a topic without an entry.
HelpPlace HelpPlaceOf(int topic);

/// The manual inside the program's shipped folder (DataFolders::ShippedFolder());
/// empty when the folder holds no manual.
std::filesystem::path ManualFolder(const std::filesystem::path& shippedFolder);
/// The file URL of a place in the manual: "file:///.../page.html#anchor", with the
/// path percent-encoded so that spaces, '#' and non-ASCII names survive.
std::string ManualUrl(const std::filesystem::path& manualFolder, HelpPlace place);

}  // namespace lp
