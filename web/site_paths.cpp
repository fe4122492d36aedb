#include "web/site_paths.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "base/uri_text.h"
#include "web/url_fetch.h"

namespace lp {
namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == prefix;
}

/// Where the path of an absolute URL starts (after "scheme://authority"), or npos.
std::size_t PathStart(std::string_view url) {
    const std::size_t scheme = url.find("://");
    if (scheme == std::string_view::npos) return std::string_view::npos;
    const std::size_t slash = url.find_first_of("/?#", scheme + 3);
    return slash == std::string_view::npos ? url.size() : slash;
}

/// The path without query and fragment.
std::string_view PathOnly(std::string_view path) {
    const std::size_t cut = path.find_first_of("?#");
    return cut == std::string_view::npos ? path : path.substr(0, cut);
}

/// A scheme such as "mailto:" or "ftp:" at the start of a link.
std::optional<std::string> LinkScheme(std::string_view link) {
    std::size_t i = 0;
    while (i < link.size() && (std::isalnum(static_cast<unsigned char>(link[i])) || link[i] == '+' ||
                               link[i] == '-' || link[i] == '.'))
        ++i;
    if (i == 0 || i >= link.size() || link[i] != ':' || !std::isalpha(static_cast<unsigned char>(link[0])))
        return std::nullopt;
    // "c:" alone would be a drive letter; treat it as a scheme too (never followed).
    return Lower(link.substr(0, i));
}

/// Resolves "." and ".." segments of an absolute path; ".." at the root is dropped.
std::string RemoveDotSegments(std::string_view path) {
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    const bool trailingSlash = path.ends_with('/') || path.ends_with("/.") || path.ends_with("/..");
    while (pos <= path.size()) {
        std::size_t end = path.find('/', pos);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view segment = path.substr(pos, end - pos);
        pos = end + 1;
        if (segment.empty() || segment == ".") continue;
        if (segment == "..") {
            if (!out.empty()) out.pop_back();
            continue;
        }
        out.push_back(segment);
    }
    std::string result;
    for (std::string_view segment : out) {
        result += '/';
        result += segment;
    }
    if (result.empty() || trailingSlash) result += '/';
    return result;
}

/// A query text reduced to characters that are safe in any file name.
std::string SafeQuery(std::string_view query) {
    std::string out;
    for (char c : query.substr(0, 100)) {
        const bool safe = std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '=';
        out += safe ? c : '_';
    }
    return out;
}

}  // namespace

StartUrl NormaliseStartUrl(std::string_view input) {
    std::string url(input);
    std::replace(url.begin(), url.end(), '\\', '/');
    if (!StartsWithNoCase(url, "http:") && !StartsWithNoCase(url, "https:")) url = "http://" + url;
    StartUrl result;
    std::size_t pathStart = PathStart(url);
    if (pathStart == std::string::npos) pathStart = url.size();
    const std::size_t queryStart = std::min(url.find_first_of("?#", pathStart), url.size());
    std::string path = url.substr(pathStart, queryStart - pathStart);
    const std::string rest = url.substr(queryStart);
    // A "/" after a file name with an extension is dropped.
    if (path.size() > 1 && path.ends_with('/')) {
        const std::string_view trimmed = std::string_view(path).substr(0, path.size() - 1);
        if (!UpperExtension(LastComponent(trimmed)).empty()) path.pop_back();
    }
    if (path.empty() || UpperExtension(LastComponent(path)).empty()) {
        if (!path.ends_with('/')) path += '/';
        path += "default.html";
        result.guessed = true;
    }
    result.url = url.substr(0, pathStart) + path + rest;
    return result;
}

std::string_view LastComponent(std::string_view path) {
    path = PathOnly(path);
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string UpperExtension(std::string_view component) {
    const std::size_t dot = component.rfind('.');
    if (dot == std::string_view::npos) return {};
    std::string ext(component.substr(dot));
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

std::string SameFolder(std::string_view url, std::string_view name) {
    const std::size_t pathStart = PathStart(url);
    std::string_view head = url;
    if (pathStart != std::string_view::npos) {
        const std::size_t cut = url.find_first_of("?#", pathStart);
        head = url.substr(0, cut == std::string_view::npos ? url.size() : cut);
    }
    const std::size_t slash = head.rfind('/');
    if (slash == std::string_view::npos || (pathStart != std::string_view::npos && slash < pathStart))
        return std::string(head) + "/" + std::string(name);
    return std::string(head.substr(0, slash + 1)) + std::string(name);
}

std::optional<std::string> MakeAbsoluteUrl(std::string_view rawLink, std::string_view pageUrl) {
    std::string link(rawLink);
    std::replace(link.begin(), link.end(), '\\', '/');
    const auto page = ParseHttpUrl(pageUrl);
    if (!page) return std::nullopt;
    std::string base = page->service + "://" + page->server;
    if (page->port != 0) base += ":" + std::to_string(page->port);

    std::string combined;
    if (link.starts_with("//")) {
        combined = page->service + ":" + link;
    } else if (const auto scheme = LinkScheme(link)) {
        if (*scheme != "http" && *scheme != "https") return std::nullopt;
        combined = link;
    } else if (link.starts_with('/')) {
        combined = base + link;
    } else {
        const std::string_view object = PathOnly(page->object);
        const std::size_t slash = object.rfind('/');
        const std::string folder(slash == std::string_view::npos ? "/" : object.substr(0, slash + 1));
        combined = base + folder + link;
    }
    // Resolve dot segments of the path part only.
    const std::size_t pathStart = PathStart(combined);
    if (pathStart == std::string::npos) return std::nullopt;
    const std::size_t tail = std::min(combined.find_first_of("?#", pathStart), combined.size());
    std::string path = combined.substr(pathStart, tail - pathStart);
    if (path.empty()) path = "/";
    std::string result = combined.substr(0, pathStart) + RemoveDotSegments(path) + combined.substr(tail);
    if (!ParseHttpUrl(result)) return std::nullopt;
    return result;
}

bool SameServer(std::string_view a, std::string_view b) {
    const auto pa = ParseHttpUrl(a);
    const auto pb = ParseHttpUrl(b);
    return pa && pb && Lower(pa->server) == Lower(pb->server);
}

std::optional<std::filesystem::path> LocalPathOfUrl(const std::filesystem::path& outputDir, std::string_view url) {
    const auto parsed = ParseHttpUrl(url);
    if (!parsed) return std::nullopt;
    const std::string server = Lower(parsed->server);
    if (server.empty() || server == "." || server == ".." ||
        server.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos)
        return std::nullopt;

    std::string_view object = parsed->object;
    std::string query;
    if (const std::size_t q = object.find('?'); q != std::string_view::npos) {
        query = SafeQuery(object.substr(q + 1));
        object = object.substr(0, q);
    }
    std::string decoded = PercentDecode(object);
    if (decoded.find('\0') != std::string::npos) return std::nullopt;
    std::replace(decoded.begin(), decoded.end(), '\\', '/');

    std::vector<std::string> segments;
    std::size_t pos = 0;
    while (pos <= decoded.size()) {
        std::size_t end = decoded.find('/', pos);
        if (end == std::string::npos) end = decoded.size();
        std::string segment = decoded.substr(pos, end - pos);
        pos = end + 1;
        if (segment.empty() || segment == ".") continue;
        if (segment == "..") return std::nullopt;
        if (segment.size() >= 2 && segment[1] == ':' && std::isalpha(static_cast<unsigned char>(segment[0])))
            return std::nullopt;  // a drive letter
        for (char& c : segment)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '_';
        if (segment.size() > 255) return std::nullopt;
        segments.push_back(std::move(segment));
    }
    if (segments.empty() || decoded.ends_with('/')) return std::nullopt;  // no file name
    if (!query.empty()) {
        std::string& name = segments.back();
        const std::size_t dot = name.rfind('.');
        const std::size_t at = dot == std::string::npos ? name.size() : dot;
        name.insert(at, "_" + query);
        if (name.size() > 255) return std::nullopt;
    }
    std::filesystem::path result = outputDir / server;
    for (const std::string& segment : segments) result /= segment;
    return result;
}

}  // namespace lp
