#include "base/data_folders.h"

#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <system_error>
#include <unistd.h>

namespace lp {

namespace {

namespace fs = std::filesystem;

fs::path EnvPath(const char* name) {
    const char* v = std::getenv(name);
    return (v && *v) ? fs::path(v) : fs::path();
}

fs::path Ensure(const fs::path& p) {
    std::error_code ec;
    fs::create_directories(p, ec);
    return p;
}

bool IsDirectory(const fs::path& p) {
    std::error_code ec;
    return !p.empty() && fs::is_directory(p, ec);
}

/// True when inner lies inside outer (both absolute, normalised).
bool IsInside(const fs::path& inner, const fs::path& outer) {
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i)
        if (o->empty()) break;  // a trailing separator
        else if (i == inner.end() || *i != *o) return false;
    return true;
}

std::set<std::string> ReadShippedList(const fs::path& file) {
    std::set<std::string> names;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) names.insert(line);
    return names;
}

/// The umask, read without changing it (changing it races with other threads).
fs::perms CurrentUmaskBits() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Umask:", 0) == 0) return fs::perms(std::stoul(line.substr(6), nullptr, 8) & 0777);
    return fs::perms(022);
}

/// Copies src to dst unless dst exists: the copy is made under a temporary
/// name and linked in, which fails rather than replace a file that appeared
/// meanwhile. False when nothing was copied.
bool CopyIfAbsent(const fs::path& src, const fs::path& dst) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(dst, ec))) return false;
    std::string pattern = (dst.parent_path() / (".copy." + dst.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return false;
    ::close(fd);
    const fs::path temp = pattern;
    if (!fs::copy_file(src, temp, fs::copy_options::overwrite_existing, ec)) {
        fs::remove(temp, ec);
        return false;
    }
    fs::permissions(temp, fs::perms(0666) & ~CurrentUmaskBits(), ec);
    const bool linked = ::link(temp.c_str(), dst.c_str()) == 0;
    fs::remove(temp, ec);
    return linked;
}

/// Adds to folder each shipped file not copied there before. A file the user
/// has of that name stays as it is; one the user removed is not brought back.
void AddShippedFiles(const fs::path& shippedFolder, const fs::path& folder) {
    if (!IsDirectory(shippedFolder)) return;
    const fs::path listFile = folder / DataFolders::kShippedListName;
    std::set<std::string> done = ReadShippedList(listFile);
    std::set<std::string> added;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(shippedFolder, ec)) {
        std::error_code fe;
        if (!entry.is_regular_file(fe)) continue;
        const std::string name = entry.path().filename().string();
        if (done.count(name)) continue;
        CopyIfAbsent(entry.path(), folder / name);
        added.insert(name);  // copied, or the user's own file of that name kept
    }
    if (added.empty()) return;
    std::ofstream out(listFile, std::ios::app);
    for (const std::string& name : added) out << name << '\n';
}

}  // namespace

const char* DataFolders::FolderName(DataFolder which) {
    switch (which) {
        case DataFolder::Template: return "TEMPLATE";
        case DataFolder::Palette: return "PALETTE";
        case DataFolder::Picture: return "PICTURE";
        case DataFolder::Cache: return "CACHE";
    }
    return "";
}

fs::path DataFolders::FindShippedFolder() {
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        // Installed: <prefix>/bin/lumaprism and <prefix>/share/lumaprism, wherever the prefix is.
        const fs::path beside = program.parent_path().parent_path() / "share" / "lumaprism";
        if (IsDirectory(beside)) return beside;
#ifdef LP_SHIPPED_DATA_SOURCE
        // Run from the build folder: the files have not been installed yet.
        if (IsInside(program.lexically_normal(), fs::path(LP_BUILD_TREE).lexically_normal()) &&
            IsDirectory(LP_SHIPPED_DATA_SOURCE))
            return LP_SHIPPED_DATA_SOURCE;
#endif
    }
#ifdef LP_SHIPPED_DATA_INSTALLED
    if (IsDirectory(LP_SHIPPED_DATA_INSTALLED)) return LP_SHIPPED_DATA_INSTALLED;
#endif
    return {};
}

DataFolders DataFolders::UnderRoot(const fs::path& root, fs::path shipped) {
    DataFolders f;
    for (DataFolder d : {DataFolder::Template, DataFolder::Palette, DataFolder::Picture, DataFolder::Cache})
        f.m_folders[d] = root / FolderName(d);
    f.m_settings = root;
    f.m_shipped = std::move(shipped);
    return f;
}

DataFolders DataFolders::FromEnvironment() {
    // The program's own files do not change while it runs: look for them once.
    static const fs::path shipped = FindShippedFolder();
    if (auto home = EnvPath("LUMAPRISM_HOME"); !home.empty()) return UnderRoot(home, shipped);
    const auto user = EnvPath("HOME").empty() ? fs::temp_directory_path() : EnvPath("HOME");
    auto xdg = [&](const char* var, const char* fallback) {
        auto p = EnvPath(var);
        return (p.empty() || p.is_relative()) ? user / fallback : p;
    };
    const auto data = xdg("XDG_DATA_HOME", ".local/share") / "lumaprism";
    DataFolders f = UnderRoot(data, shipped);
    f.m_folders[DataFolder::Cache] = xdg("XDG_CACHE_HOME", ".cache") / "lumaprism" / "CACHE";
    f.m_settings = xdg("XDG_CONFIG_HOME", ".config") / "lumaprism";
    return f;
}

fs::path DataFolders::Folder(DataFolder which) const {
    const fs::path folder = Ensure(m_folders.at(which));
    if ((which == DataFolder::Palette || which == DataFolder::Template) && !m_shipped.empty())
        AddShippedFiles(m_shipped / FolderName(which), folder);
    return folder;
}

fs::path DataFolders::SettingsFolder() const { return Ensure(m_settings); }

}  // namespace lp
