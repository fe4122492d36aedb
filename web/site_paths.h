#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace lp {

/// The start URL of a site job as the optimizer uses it.
struct StartUrl {
    std::string url;
    /// The page name was not given: "default.html" was appended, and other
    /// usual names are tried when it is missing.
    bool guessed = false;
};

/// "http://" in front unless the URL starts with "http:" or "https:" (any case),
/// "\" turned into "/", "/default.html" appended when the path is empty or its
/// last component has no extension, and a "/" after a file name removed.
StartUrl NormaliseStartUrl(std::string_view url);

/// The last path component of a link or URL path, without query or fragment.
std::string_view LastComponent(std::string_view path);
/// The extension of a component with its dot, in upper case; empty when none.
std::string UpperExtension(std::string_view component);

/// The URL with its last path component replaced by `name` (same folder).
std::string SameFolder(std::string_view url, std::string_view name);

/// A link made absolute against the URL of the page holding it. Absolute http
/// and https links are kept; "/x" is taken from the server root; others from
/// the page's folder. Dot segments are resolved and never climb above the root.
/// Nothing for links of other schemes (mailto:, ftp://, javascript:).
std::optional<std::string> MakeAbsoluteUrl(std::string_view link, std::string_view pageUrl);

/// True when both URLs are http(s) URLs naming the same server (case-insensitive).
bool SameServer(std::string_view a, std::string_view b);

/// Where the mirror keeps a URL: outputDir/server/path. Percent escapes are
/// decoded; "..", absolute paths, drive letters, NUL bytes and an empty file
/// name are refused (nothing returned), a query becomes a safe part of the
/// file name. The result always lies inside outputDir.
std::optional<std::filesystem::path> LocalPathOfUrl(const std::filesystem::path& outputDir, std::string_view url);

}  // namespace lp
