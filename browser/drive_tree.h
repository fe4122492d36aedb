#pragma once
#include "imaging/progress_sink.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lp {

/// The roots and children of the browser's tree (`CDriveView`) without a window.

inline constexpr const char* kNetworkRoot = "Network Neighborhood";
inline constexpr const char* kWebSitesRoot = "Web-Sites";
/// Connecting and disconnecting network drives are the system's business here.
inline constexpr const char* kNetworkDialogsMissing = "not available on this system";

/// One line of the mount table.
struct MountEntry {
    std::string device;  // "/dev/sda1", "server:/export", "//server/share"
    std::filesystem::path mountPoint;
    std::string type;    // "ext4", "nfs4", "cifs"...
    bool network = false;
};
/// The mount table's lines (the format of /proc/self/mounts, octal escapes
/// decoded) that a user browses: local file systems are the drives, network
/// file systems (NFS, SMB/CIFS, sshfs, WebDAV...) the network resources.
/// Kernel and system mounts (/proc, /sys, /dev, /run, cgroups...) are left out.
std::vector<MountEntry> ParseMountTable(std::string_view text);
/// The system's mount table; "/" alone when it cannot be read.
std::vector<MountEntry> ReadMountTable();

/// What a folder of the tree holds.
struct TreeChild {
    enum class Kind { Folder, HtmlFile, AnimatedGif };
    Kind kind;
    std::string name;
    std::filesystem::path path;
};
/// An HTML-named file (".HTML", ".HTM", ".SHTM", ".SHTML", any case).
bool IsHtmlName(const std::filesystem::path& path);
/// Every subfolder; every HTML-named file whose first bytes are not a GIF
/// signature; every GIF (".GIF", or an HTML-named file holding "GIF87"/"GIF89a")
/// with more than one frame, read under "Checking for animation in %s".
/// Sorted by name. Unreadable folders give nothing.
std::vector<TreeChild> FolderChildren(const std::filesystem::path& folder, ProgressSink* progress = nullptr);
/// The expand button: at least one subfolder or one file with one of the five extensions.
bool MayHaveChildren(const std::filesystem::path& folder);

}  // namespace lp
