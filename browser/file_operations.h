#pragma once
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lp {

/// The browser's file operations without a window: folders, renames, copies,
/// moves and shortcuts. Failures come back as the message the user reads.

/// "New Folder" when nothing of that name is in parent, else "New Folder(%d)"
/// with the smallest free number from 1.
std::string NewFolderName(const std::filesystem::path& parent);
/// Makes the folder of NewFolderName; the message "Unable to Create Directory %s" on failure.
struct FolderResult {
    std::filesystem::path path;
    std::string error;  // empty on success
};
FolderResult MakeNewFolder(const std::filesystem::path& parent);

/// Rename in the list: the question "If You change file extension, file may
/// become unusable\nDo You want to change ?" is asked when the extensions
/// differ (case-insensitively).
inline constexpr const char* kExtensionChangeQuestion =
    "If You change file extension, file may become unusable\nDo You want to change ?";
bool ExtensionChanges(std::string_view oldName, std::string_view newName);
/// Gives the file the new name in its folder. Never replaces an existing file
/// (rename(2) would, silently); a name with a separator, "." or ".." is
/// refused. The message "Unable to rename %s to %s" with both paths on failure.
std::string RenameInFolder(const std::filesystem::path& file, std::string_view newName);
/// A folder of the tree gets the new name in the same parent; the message
/// "Unable to Create Directory %s" with the new path on failure.
std::string RenameFolder(const std::filesystem::path& folder, std::string_view newName);

/// The name a copy takes in a folder where the name is taken: "x(1).gif", "x(2).gif"...
std::filesystem::path FreeNameIn(const std::filesystem::path& folder, const std::filesystem::path& name);

/// Copy or move of files into a folder (the paste and the drop). An existing
/// file of the same name is never overwritten: the copy takes a free name.
/// A file copied or moved onto itself is left alone. Returns the new paths;
/// errors gets one message per file that failed.
enum class TransferKind { Copy, Move };
std::vector<std::filesystem::path> TransferFiles(std::span<const std::filesystem::path> files,
                                                 const std::filesystem::path& folder, TransferKind kind,
                                                 std::vector<std::string>& errors);

/// Shortcuts are symbolic links (made here) or freedesktop ".desktop" link
/// files (read here, as other programs make them).
inline constexpr const char* kShortcutDescription = "Lumaprism Shortcut";
/// "Shortcut to " + file name + ".LNK".
std::string ShortcutName(const std::filesystem::path& target);
/// Makes a shortcut at linkPath to target (a symbolic link to the absolute target).
/// Never replaces an existing file. Returns an error message, empty on success.
std::string MakeShortcut(const std::filesystem::path& target, const std::filesystem::path& linkPath);
/// The target of a shortcut: a symbolic link's target (relative ones against
/// the link's folder), or the "URL=file://" / "Exec" path of a ".desktop" link
/// file of type Link. Nothing when the file is neither, or the target does not exist.
std::optional<std::filesystem::path> ResolveShortcut(const std::filesystem::path& shortcut);
/// Links with the link effect: "Shortcut to NAME.LNK" in folder for each
/// file; entries containing "http://" are skipped. Returns the links made.
std::vector<std::filesystem::path> LinkFiles(std::span<const std::string> files, const std::filesystem::path& folder,
                                             std::vector<std::string>& errors);

}  // namespace lp
