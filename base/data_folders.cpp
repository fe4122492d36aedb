#include "base/data_folders.h"

#include <cstdlib>

namespace lp {

namespace {
std::filesystem::path EnvPath(const char* name) {
    const char* v = std::getenv(name);
    return (v && *v) ? std::filesystem::path(v) : std::filesystem::path();
}

std::filesystem::path Ensure(const std::filesystem::path& p) {
    std::error_code ec;
    std::filesystem::create_directories(p, ec);
    return p;
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

DataFolders DataFolders::UnderRoot(const std::filesystem::path& root) {
    DataFolders f;
    for (DataFolder d : {DataFolder::Template, DataFolder::Palette, DataFolder::Picture, DataFolder::Cache})
        f.m_folders[d] = root / FolderName(d);
    f.m_settings = root;
    return f;
}

DataFolders DataFolders::FromEnvironment() {
    if (auto home = EnvPath("LUMAPRISM_HOME"); !home.empty()) return UnderRoot(home);
    const auto user = EnvPath("HOME").empty() ? std::filesystem::temp_directory_path() : EnvPath("HOME");
    auto xdg = [&](const char* var, const char* fallback) {
        auto p = EnvPath(var);
        return (p.empty() || p.is_relative()) ? user / fallback : p;
    };
    const auto data = xdg("XDG_DATA_HOME", ".local/share") / "lumaprism";
    DataFolders f = UnderRoot(data);
    f.m_folders[DataFolder::Cache] = xdg("XDG_CACHE_HOME", ".cache") / "lumaprism" / "CACHE";
    f.m_settings = xdg("XDG_CONFIG_HOME", ".config") / "lumaprism";
    return f;
}

std::filesystem::path DataFolders::Folder(DataFolder which) const { return Ensure(m_folders.at(which)); }

std::filesystem::path DataFolders::SettingsFolder() const { return Ensure(m_settings); }

}  // namespace lp
