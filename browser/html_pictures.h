#pragma once
#include "browser/browser_item.h"
#include "browser/error_listing.h"
#include "imaging/progress_sink.h"
#include "web/url_fetch.h"

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lp {

/// The pictures an HTML page uses: of a local HTML file (HtmlFile mode) and of
/// a listed web site (WebSite mode), and their download.

inline constexpr const char* kNoImagesInHtml = "No Image Files Found in this HTML file !";
inline constexpr const char* kNoPicturesToDownload = "No Pictures Selected to Download";
inline constexpr const char* kNotAValidUrl = "Error: Not a Valid URL !!";

/// Bounds of one scan, so that no page or site can keep the list busy or fill memory.
struct HtmlScanLimits {
    std::size_t maxPages = 500;
    std::uint64_t maxPageBytes = 8ull << 20;
    std::size_t maxPictures = 20000;
};

struct HtmlFilePictures {
    bool opened = true;  // false: "Unable to open file %s"
    std::vector<std::filesystem::path> pictures;  // in page order, each once
    std::vector<ErrorListingEntry> errors;        // references to files that do not exist
};
/// HtmlFile mode: the SRC references (and, with depth 2 or more, A HREF) of the
/// file and of the local pages it refers to, each page scanned once. A picture
/// is a reference to an existing file whose extension the filter admits;
/// missing files are recorded as "File does not exists".
HtmlFilePictures ScanHtmlFile(const std::filesystem::path& html, const FileTypeFilter& filter, int depth,
                              ProgressSink* progress = nullptr, const HtmlScanLimits& limits = {});

/// What a site search needs.
struct SiteSearchEnv {
    InternetSettings internet;
    FetchLimits fetch;
    HtmlScanLimits limits;
    const std::atomic<bool>* running = nullptr;  // cleared: the search ends after the current page
    /// The message pane ("Contacting Server...", "Searching For Picture...").
    std::function<void(const std::string&)> message;
    /// A picture URL found (each once, in order).
    std::function<void(const std::string&)> found;
    /// The local directory of a site mapped locally (empty: none).
    std::filesystem::path mappedDirectory;
};
struct SiteSearchResult {
    std::vector<std::string> pictures;
    std::vector<ErrorListingEntry> errors;  // pages that failed, with their status text
    std::size_t pagesFetched = 0;
};
/// WebSite mode: fetches the start page (the first default document when the
/// URL names no file), then follows page links on the same server while the
/// depth allows, collecting the URLs of pictures.
SiteSearchResult SearchSitePictures(const std::string& siteUrl, int depth, const SiteSearchEnv& env);

/// Where a downloaded picture goes: the download folder + the URL's file name.
/// Nothing for a URL whose last component is no plain file name. A name taken
/// by a symbolic link gets a free name, so a download never writes through a
/// link to somewhere outside the folder.
std::optional<std::filesystem::path> DownloadTarget(const std::filesystem::path& downloadDirectory, const std::string& url);

struct DownloadOutcome {
    std::optional<std::filesystem::path> local;
    ErrorListingEntry error;  // (URL, status text) when local is empty
};
/// Fetches one picture and saves its body in the download folder.
DownloadOutcome DownloadPicture(CUrlFetch& fetch, const std::string& url, const std::filesystem::path& downloadDirectory);

}  // namespace lp
