#include "browser/drive_tree.h"

#include "base/printf_text.h"
#include "formats/gif/gif_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <strings.h>

namespace fs = std::filesystem;

namespace lp {

namespace {

constexpr std::array kNetworkTypes = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "9p",
                                      "fuse.sshfs", "fuse.davfs", "davfs", "fuse.gvfsd-fuse", "fuse.rclone"};
constexpr std::array kSystemTypes = {"proc", "sysfs", "cgroup", "cgroup2", "devpts", "devtmpfs", "mqueue",
                                     "securityfs", "debugfs", "tracefs", "pstore", "bpf", "autofs", "hugetlbfs",
                                     "configfs", "fusectl", "binfmt_misc", "nsfs", "rpc_pipefs", "efivarfs",
                                     "squashfs", "selinuxfs", "fuse.portal"};
constexpr std::array kSystemFolders = {"/proc", "/sys", "/dev", "/run", "/snap", "/boot/efi"};

bool OneOf(std::string_view value, auto const& list) {
    return std::any_of(list.begin(), list.end(), [&](const char* s) { return value == s; });
}

std::string DecodeOctal(std::string_view field) {
    const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2]) &&
            isOctal(field[i + 3])) {
            out.push_back(char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0')));
            i += 3;
            continue;
        }
        out.push_back(field[i]);
    }
    return out;
}

bool UnderSystemFolder(const std::string& mountPoint) {
    if (mountPoint.rfind("/run/media/", 0) == 0) return false;  // removable drives
    for (const char* folder : kSystemFolders) {
        const std::string f = folder;
        if (mountPoint == f || mountPoint.rfind(f + "/", 0) == 0) return true;
    }
    return false;
}

std::string UpperExt(const fs::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) c = char(std::toupper((unsigned char)c));
    return ext;
}

/// "GIF" followed by "87" or "89a".
bool HasGifSignature(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    char head[6] = {};
    in.read(head, 6);
    if (in.gcount() < 5) return false;
    if (head[0] != 'G' || head[1] != 'I' || head[2] != 'F') return false;
    if (head[3] == '8' && head[4] == '7') return true;
    return in.gcount() == 6 && head[3] == '8' && head[4] == '9' && head[5] == 'a';
}

bool HasExpandableExtension(const fs::path& path) {
    const std::string ext = UpperExt(path);
    return ext == ".HTML" || ext == ".HTM" || ext == ".SHTM" || ext == ".SHTML" || ext == ".GIF";
}

}  // namespace

std::vector<MountEntry> ParseMountTable(std::string_view text) {
    std::vector<MountEntry> entries;
    std::istringstream in{std::string(text)};
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string device, point, type;
        if (!(fields >> device >> point >> type)) continue;
        MountEntry e;
        e.device = DecodeOctal(device);
        e.mountPoint = DecodeOctal(point);
        e.type = type;
        e.network = OneOf(type, kNetworkTypes);
        if (!e.network && OneOf(type, kSystemTypes)) continue;
        if (UnderSystemFolder(e.mountPoint.string())) continue;
        // A folder mounted twice (bind mounts) is one drive.
        if (std::any_of(entries.begin(), entries.end(), [&](const MountEntry& m) { return m.mountPoint == e.mountPoint; }))
            continue;
        entries.push_back(std::move(e));
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const MountEntry& a, const MountEntry& b) { return a.mountPoint < b.mountPoint; });
    return entries;
}

std::vector<MountEntry> ReadMountTable() {
    std::ifstream in("/proc/self/mounts");
    std::stringstream text;
    text << in.rdbuf();
    std::vector<MountEntry> entries = ParseMountTable(text.str());
    if (std::none_of(entries.begin(), entries.end(), [](const MountEntry& e) { return e.mountPoint == "/"; }))
        entries.insert(entries.begin(), MountEntry{"/", "/", "", false});
    return entries;
}

bool IsHtmlName(const fs::path& path) {
    const std::string ext = UpperExt(path);
    return ext == ".HTML" || ext == ".HTM" || ext == ".SHTM" || ext == ".SHTML";
}

std::vector<TreeChild> FolderChildren(const fs::path& folder, ProgressSink* progress) {
    std::vector<TreeChild> children;
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        const std::string name = entry.path().filename().string();
        if (name == "." || name == "..") continue;
        std::error_code statError;
        if (entry.is_directory(statError)) {
            children.push_back({TreeChild::Kind::Folder, name, entry.path()});
            continue;
        }
        if (!entry.is_regular_file(statError)) continue;
        const bool html = IsHtmlName(entry.path());
        const bool gifNamed = UpperExt(entry.path()) == ".GIF";
        if (!html && !gifNamed) continue;
        const bool gifSignature = HasGifSignature(entry.path());
        if (html && !gifSignature) {
            children.push_back({TreeChild::Kind::HtmlFile, name, entry.path()});
            continue;
        }
        if (gifNamed || gifSignature) {
            if (progress) progress->SetText(PrintfText("Checking for animation in %s", entry.path().string().c_str()));
            if (IsAnimatedGif(entry.path())) children.push_back({TreeChild::Kind::AnimatedGif, name, entry.path()});
        }
    }
    std::sort(children.begin(), children.end(), [](const TreeChild& a, const TreeChild& b) {
        const int c = ::strcasecmp(a.name.c_str(), b.name.c_str());
        return c != 0 ? c < 0 : a.name < b.name;
    });
    return children;
}

bool MayHaveChildren(const fs::path& folder) {
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code statError;
        if (it->is_directory(statError)) return true;
        if (HasExpandableExtension(it->path())) return true;
    }
    return false;
}

}  // namespace lp
