#include "browser/html_pictures.h"

#include "base/uri_text.h"
#include "browser/file_operations.h"
#include "web/html_scan.h"
#include "web/site_paths.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <deque>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace lp {

namespace {

constexpr std::array<std::string_view, 10> kPictureExtensions = {".BMP", ".JPG", ".JPEG", ".TIF", ".GIF",
                                                                 ".PNG", ".DIB", ".PCX", ".TGA", ".RLE"};
constexpr std::array<std::string_view, 4> kPageExtensions = {".HTM", ".HTML", ".SHTM", ".SHTML"};
constexpr std::array<const char*, 8> kDefaultDocuments = {"default.htm",  "default.html",  "index.htm",
                                                          "index.html",   "default.shtm",  "default.shtml",
                                                          "index.shtm",   "index.shtml"};

bool OneOf(std::string_view value, const auto& list) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

std::string Upper(std::string text) {
    for (char& c : text) c = char(std::toupper((unsigned char)c));
    return text;
}

/// A page read whole, up to the limit (a longer page is scanned as far as the limit).
std::optional<std::string> ReadPage(const fs::path& path, std::uint64_t limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text(std::size_t(std::min<std::uint64_t>(limit, 1 << 20)), '\0');
    std::string page;
    while (in && page.size() < limit) {
        in.read(text.data(), std::streamsize(std::min<std::uint64_t>(text.size(), limit - page.size())));
        page.append(text.data(), std::size_t(in.gcount()));
    }
    return page;
}

bool IsRemote(std::string_view link) {
    const std::string head = Upper(std::string(link.substr(0, 12)));
    return head.rfind("HTTP:", 0) == 0 || head.rfind("HTTPS:", 0) == 0 || head.rfind("FTP:", 0) == 0 ||
           head.rfind("MAILTO:", 0) == 0 || head.rfind("JAVASCRIPT:", 0) == 0 || head.rfind("DATA:", 0) == 0;
}

std::string WithoutQueryAndFragment(std::string text) {
    if (const auto cut = text.find_first_of("?#"); cut != std::string::npos) text.resize(cut);
    return text;
}

}  // namespace

HtmlFilePictures ScanHtmlFile(const fs::path& html, const FileTypeFilter& filter, int depth, ProgressSink* progress,
                              const HtmlScanLimits& limits) {
    HtmlFilePictures result;
    std::error_code ec;
    const fs::path start = fs::absolute(html, ec).lexically_normal();
    if (!ReadPage(start, 1)) {
        result.opened = false;
        return result;
    }
    if (progress) progress->Begin(0, 100, "Processing HTML File ...");
    long position = 0;
    std::set<fs::path> scanned{start};
    std::set<fs::path> listed;
    std::deque<fs::path> pages{start};
    while (!pages.empty() && scanned.size() <= limits.maxPages) {
        const fs::path page = pages.front();
        pages.pop_front();
        const auto text = ReadPage(page, limits.maxPageBytes);
        if (!text) continue;
        for (const FoundLink& link : ScanPageLinks(*text, depth >= 2 ? 2 : 1)) {
            if (progress) progress->Step(position = position >= 100 ? 0 : position + 1);
            std::string value = WithoutQueryAndFragment(link.text);
            if (value.empty() || IsRemote(value)) continue;
            value = PercentDecode(value);
            std::replace(value.begin(), value.end(), '\\', '/');
            fs::path target = fs::path(value).is_absolute() ? fs::path(value) : page.parent_path() / value;
            target = target.lexically_normal();
            const std::string ext = Upper(target.extension().string());
            if (!fs::exists(target, ec)) {
                result.errors.push_back({target.string(), kFileMissingTitle});
                continue;
            }
            if (OneOf(ext, kPageExtensions)) {
                if (scanned.insert(target).second) pages.push_back(target);
                continue;
            }
            if (!fs::is_regular_file(target, ec) || !filter.Admits(ext == ".TIFF" ? ".TIF" : ext)) continue;
            if (result.pictures.size() >= limits.maxPictures) continue;
            if (listed.insert(target).second) result.pictures.push_back(target);
        }
    }
    if (progress) progress->End();
    return result;
}

SiteSearchResult SearchSitePictures(const std::string& siteUrl, int depth, const SiteSearchEnv& env) {
    SiteSearchResult result;
    auto running = [&] { return !env.running || env.running->load(); };
    auto message = [&](const std::string& text) {
        if (env.message) env.message(text);
    };
    FetchLimits fetchLimits = env.fetch;
    fetchLimits.maxBodyBytes = std::min<std::uint64_t>(fetchLimits.maxBodyBytes, env.limits.maxPageBytes);
    if (env.running) fetchLimits.cancelled = [&env] { return !env.running->load(); };
    CUrlFetch fetch(siteUrl, env.internet, nullptr, fetchLimits);

    // A page's text: from the mapped folder when the site is mapped and the file is there, else fetched.
    auto pageText = [&](const std::string& url, std::string& text) -> bool {
        if (!env.mappedDirectory.empty()) {
            const auto parsed = ParseHttpUrl(url);
            if (parsed) {
                const std::string object = PercentDecode(WithoutQueryAndFragment(parsed->object));
                fs::path local = (env.mappedDirectory / fs::path(object).relative_path()).lexically_normal();
                const fs::path root = env.mappedDirectory.lexically_normal();
                const auto rel = local.lexically_relative(root);
                std::error_code ec;
                if (!rel.empty() && *rel.begin() != ".." && fs::is_regular_file(local, ec)) {
                    if (auto page = ReadPage(local, env.limits.maxPageBytes)) {
                        text = std::move(*page);
                        return true;
                    }
                }
            }
        }
        message("Contacting Server...");
        const int status = fetch.Fetch(url);
        ++result.pagesFetched;
        if (status != 200 || !fetch.Request().complete) {
            const std::string_view statusText = CUrlFetch::StatusText(status);
            result.errors.push_back({url, !fetch.ErrorText().empty() ? fetch.ErrorText()
                                          : !statusText.empty()      ? std::string(statusText)
                                                                     : std::to_string(status)});
            return false;
        }
        text.assign(fetch.Request().body.begin(), fetch.Request().body.end());
        return true;
    };

    std::string start = siteUrl;
    std::string text;
    bool startRead = false;
    if (UpperExtension(LastComponent(WithoutQueryAndFragment(start))).empty()) {
        // No file named: the first default document that exists.
        if (start.back() != '/') start += '/';
        std::vector<ErrorListingEntry> tried;
        for (const char* name : kDefaultDocuments) {
            if (!running()) break;
            const std::string candidate = start + name;
            const std::size_t errorsBefore = result.errors.size();
            if (pageText(candidate, text)) {
                start = candidate;
                startRead = true;
                break;
            }
            // Only the last failure of the guesses is worth listing.
            if (result.errors.size() > errorsBefore) {
                tried.assign(result.errors.begin() + std::ptrdiff_t(errorsBefore), result.errors.end());
                result.errors.resize(errorsBefore);
            }
        }
        if (!startRead) result.errors.insert(result.errors.end(), tried.begin(), tried.end());
    } else {
        startRead = pageText(start, text);
    }
    if (!startRead) return result;

    std::set<std::string> visited{start};
    std::set<std::string> listed;
    // (url, level): the start page is level 1.
    std::deque<std::pair<std::string, int>> queue;
    std::pair<std::string, int> current{start, 1};
    for (;;) {
        for (const FoundLink& link : ScanPageLinks(text, current.second < depth ? 2 : 1)) {
            if (!running()) break;
            std::string value = link.text;
            if (value.empty() || value.front() == '#') continue;
            if (const auto hash = value.find('#'); hash != std::string::npos) value.resize(hash);
            const auto absolute = MakeAbsoluteUrl(value, current.first);
            if (!absolute) {
                if (value.rfind("http", 0) == 0) result.errors.push_back({value, kNotAValidUrl});
                continue;
            }
            const std::string ext = UpperExtension(LastComponent(WithoutQueryAndFragment(*absolute)));
            if (OneOf(ext, kPictureExtensions)) {
                message("Searching For Picture...");
                if (result.pictures.size() < env.limits.maxPictures && listed.insert(*absolute).second) {
                    result.pictures.push_back(*absolute);
                    if (env.found) env.found(*absolute);
                }
                continue;
            }
            if (!OneOf(ext, kPageExtensions) || current.second >= depth) continue;
            if (absolute->find(".exe") != std::string::npos || !SameServer(*absolute, start)) continue;
            if (visited.size() >= env.limits.maxPages || !visited.insert(*absolute).second) continue;
            queue.emplace_back(*absolute, current.second + 1);
        }
        if (!running() || queue.empty()) break;
        current = queue.front();
        queue.pop_front();
        while (!pageText(current.first, text)) {
            if (!running() || queue.empty()) return result;
            current = queue.front();
            queue.pop_front();
        }
    }
    return result;
}

std::optional<fs::path> DownloadTarget(const fs::path& downloadDirectory, const std::string& url) {
    const std::string name = PercentDecode(LastComponent(WithoutQueryAndFragment(url)));
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\\') != std::string::npos || name.find('\0') != std::string::npos)
        return std::nullopt;
    fs::path target = downloadDirectory / name;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(target, ec))) target = FreeNameIn(downloadDirectory, name);
    return target;
}

DownloadOutcome DownloadPicture(CUrlFetch& fetch, const std::string& url, const fs::path& downloadDirectory) {
    DownloadOutcome outcome;
    const auto target = DownloadTarget(downloadDirectory, url);
    if (!target) {
        outcome.error = {url, kNotAValidUrl};
        return outcome;
    }
    const int status = fetch.Fetch(url);
    if (status != 200 || !fetch.Request().complete) {
        const std::string_view text = CUrlFetch::StatusText(status);
        outcome.error = {url, !fetch.ErrorText().empty() ? fetch.ErrorText()
                              : !text.empty()            ? std::string(text)
                                                         : std::to_string(status)};
        return outcome;
    }
    std::error_code ec;
    fs::create_directories(downloadDirectory, ec);
    if (!fetch.SaveBody(*target)) {
        outcome.error = {url, "Unable to open file " + target->string()};
        return outcome;
    }
    outcome.local = *target;
    return outcome;
}

}  // namespace lp
