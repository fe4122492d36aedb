#pragma once
#include <filesystem>
#include <map>
#include <string>

namespace lp {

enum class DataFolder { Template, Palette, Picture, Cache };

/// Answers "where is TEMPLATE" (and PALETTE, PICTURE, CACHE, and the settings
/// folder). With LUMAPRISM_HOME set, everything lies under it; otherwise the
/// XDG folders are used. Nobody else builds these paths.
class DataFolders {
public:
    /// Reads LUMAPRISM_HOME, XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME and HOME.
    static DataFolders FromEnvironment();
    /// Everything under one root (tests, portable use).
    static DataFolders UnderRoot(const std::filesystem::path& root);

    /// The folder's path, created when missing.
    std::filesystem::path Folder(DataFolder which) const;
    /// Where the settings file lives, created when missing.
    std::filesystem::path SettingsFolder() const;

    static const char* FolderName(DataFolder which);

private:
    std::map<DataFolder, std::filesystem::path> m_folders;
    std::filesystem::path m_settings;
};

}  // namespace lp
