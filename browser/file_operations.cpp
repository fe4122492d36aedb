#include "browser/file_operations.h"

#include "base/printf_text.h"
#include "base/uri_text.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace lp {

namespace {

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

bool PlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

/// Renames without ever replacing what is at to (renameat2 with RENAME_NOREPLACE
/// where the file system has it; else a hard link and an unlink, which fail on an existing name).
bool RenameNoReplace(const fs::path& from, const fs::path& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
#endif
    if (Exists(to)) return false;
    if (::link(from.c_str(), to.c_str()) == 0) return ::unlink(from.c_str()) == 0;
    // Folders cannot be hard-linked: the check above is the best that remains.
    if (Exists(to)) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

}  // namespace

std::string NewFolderName(const fs::path& parent) {
    if (!Exists(parent / "New Folder")) return "New Folder";
    for (int n = 1;; ++n) {
        const std::string name = "New Folder(" + std::to_string(n) + ")";
        if (!Exists(parent / name)) return name;
    }
}

FolderResult MakeNewFolder(const fs::path& parent) {
    FolderResult result;
    result.path = parent / NewFolderName(parent);
    if (::mkdir(result.path.c_str(), 0777) != 0) result.error = PrintfText("Unable to Create Directory %s", result.path.string().c_str());
    return result;
}

bool ExtensionChanges(std::string_view oldName, std::string_view newName) {
    const std::string a = fs::path(oldName).extension().string();
    const std::string b = fs::path(newName).extension().string();
    return a.size() != b.size() || ::strcasecmp(a.c_str(), b.c_str()) != 0;
}

std::string RenameInFolder(const fs::path& file, std::string_view newName) {
    const fs::path target = file.parent_path() / fs::path(newName);
    const std::string error = PrintfText("Unable to rename %s to %s", file.string().c_str(), target.string().c_str());
    if (!PlainName(newName)) return error;
    if (file.filename() == fs::path(newName)) return {};
    return RenameNoReplace(file, target) ? std::string() : error;
}

std::string RenameFolder(const fs::path& folder, std::string_view newName) {
    const fs::path target = folder.parent_path() / fs::path(newName);
    const std::string error = PrintfText("Unable to Create Directory %s", target.string().c_str());
    if (!PlainName(newName)) return error;
    if (folder.filename() == fs::path(newName)) return {};
    return RenameNoReplace(folder, target) ? std::string() : error;
}

fs::path FreeNameIn(const fs::path& folder, const fs::path& name) {
    if (!Exists(folder / name)) return folder / name;
    const std::string stem = name.stem().string();
    const std::string ext = name.extension().string();
    for (int n = 1;; ++n) {
        const fs::path candidate = folder / (stem + "(" + std::to_string(n) + ")" + ext);
        if (!Exists(candidate)) return candidate;
    }
}

std::vector<fs::path> TransferFiles(std::span<const fs::path> files, const fs::path& folder, TransferKind kind,
                                    std::vector<std::string>& errors) {
    std::vector<fs::path> made;
    for (const fs::path& file : files) {
        std::error_code ec;
        if (SameFile(file.parent_path(), folder)) {
            if (kind == TransferKind::Move) continue;  // already there
        }
        const fs::path target = FreeNameIn(folder, file.filename());
        bool ok = false;
        if (kind == TransferKind::Move) {
            ok = RenameNoReplace(file, target);
            if (!ok && errno == EXDEV) {
                // Another file system: copy, then remove the original only once the copy is whole.
                ok = fs::copy_file(file, target, fs::copy_options::none, ec) && !ec;
                if (ok) fs::remove(file, ec);
            }
        } else {
            ok = fs::copy_file(file, target, fs::copy_options::none, ec) && !ec;
        }
        if (ok)
            made.push_back(target);
        else
            errors.push_back(PrintfText(kind == TransferKind::Move ? "Unable to move %s to %s" : "Unable to copy %s to %s",
                                     file.string().c_str(), target.string().c_str()));
    }
    return made;
}

std::string ShortcutName(const fs::path& target) { return "Shortcut to " + target.filename().string() + ".LNK"; }

std::string MakeShortcut(const fs::path& target, const fs::path& linkPath) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(target, ec);
    if (::symlink(absolute.c_str(), linkPath.c_str()) != 0)
        return PrintfText("Unable to make the shortcut %s to %s", linkPath.string().c_str(), absolute.string().c_str());
    return {};
}

std::optional<fs::path> ResolveShortcut(const fs::path& shortcut) {
    std::error_code ec;
    fs::path target;
    if (fs::is_symlink(fs::symlink_status(shortcut, ec))) {
        target = fs::read_symlink(shortcut, ec);
        if (ec) return std::nullopt;
        if (target.is_relative()) target = shortcut.parent_path() / target;
    } else {
        // A freedesktop link file: "[Desktop Entry]", "Type=Link", "URL=file:///...".
        std::ifstream in(shortcut);
        if (!in) return std::nullopt;
        std::string line;
        bool entry = false, link = false;
        std::string url;
        for (int lines = 0; lines < 200 && std::getline(in, line); ++lines) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty() && line[0] == '[') {
                entry = line == "[Desktop Entry]";
                continue;
            }
            if (!entry) continue;
            if (line == "Type=Link") link = true;
            if (line.rfind("URL=", 0) == 0) url = line.substr(4);
        }
        if (!link || url.empty()) return std::nullopt;
        if (url.rfind("file://", 0) == 0) url = url.substr(7);
        if (url.empty() || url[0] != '/') return std::nullopt;
        target = PercentDecode(url);
    }
    if (!fs::exists(target, ec)) return std::nullopt;
    return target.lexically_normal();
}

std::vector<fs::path> LinkFiles(std::span<const std::string> files, const fs::path& folder,
                                std::vector<std::string>& errors) {
    std::vector<fs::path> made;
    for (const std::string& file : files) {
        if (file.find("http://") != std::string::npos) continue;
        const fs::path link = folder / ShortcutName(file);
        std::string error = MakeShortcut(file, link);
        if (error.empty())
            made.push_back(link);
        else
            errors.push_back(std::move(error));
    }
    return made;
}

}  // namespace lp
