#pragma once
#include <filesystem>
#include <map>
#include <string>

namespace lp {

enum class DataFolder { Template, Palette, Picture, Cache };

/// Answers "where is TEMPLATE" (and PALETTE, PICTURE, CACHE, and the settings
/// folder). With LUMAPRISM_HOME set, everything lies under it; otherwise the
/// XDG folders are used. Nobody else builds these paths.
///
/// The palettes and macros that come with the program (the shipped folder,
/// with PALETTE and TEMPLATE inside) are copied into the user's folders on
/// first use: each shipped file once, never over a file of the user's.
class DataFolders {
public:
    /// Reads LUMAPRISM_HOME, XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME and
    /// HOME; the shipped folder is the one found beside the program.
    static DataFolders FromEnvironment();
    /// Everything under one root (tests, portable use); shipped files come
    /// from `shipped` when it is given.
    static DataFolders UnderRoot(const std::filesystem::path& root, std::filesystem::path shipped = {});

    /// The folder's path, created when missing, with the shipped files added.
    std::filesystem::path Folder(DataFolder which) const;
    /// Where the settings file lives, created when missing.
    std::filesystem::path SettingsFolder() const;
    /// Where the shipped palettes and macros are read from; empty when none were found.
    const std::filesystem::path& ShippedFolder() const { return m_shipped; }

    static const char* FolderName(DataFolder which);
    /// The shipped folder of this program: <prefix>/share/lumaprism beside an
    /// installed program, the folder it was built to install into, or the
    /// source tree's for a program run from its build folder. Empty when none exists.
    static std::filesystem::path FindShippedFolder();
    /// The file in a data folder that lists the shipped files already copied there.
    static constexpr const char* kShippedListName = ".shipped-files";

private:
    std::map<DataFolder, std::filesystem::path> m_folders;
    std::filesystem::path m_settings;
    std::filesystem::path m_shipped;
};

}  // namespace lp
