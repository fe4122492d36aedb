#pragma once
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "imaging/progress_sink.h"

namespace lp {

struct SiteReport;

/// One image a site's pages use: where the mirror keeps it and the largest
/// WIDTH and HEIGHT any tag declares for it (0 when none did).
struct SiteImage {
    std::filesystem::path localPath;
    std::string url;
    int width = 0;
    int height = 0;
    bool downloaded = false;  // false: the record stays, without a file
    /// Some tag (or a link or background) declares no width or no height, so
    /// a page shows the image at its natural size there: shrinking it would
    /// blow that copy up.
    bool naturalSizeShown = false;
};

/// The image step of a site job: optimizes the downloaded images, each with its
/// declared size, reporting every processed image to the report.
class SiteImageProcessor {
public:
    virtual ~SiteImageProcessor() = default;
    /// Calls report.AddProcessed(before, after) per processed image and may fill
    /// report.detailedReport. Returns one message per image that failed.
    virtual std::vector<std::string> Process(std::span<const SiteImage> images, bool resizeImages,
                                             SiteReport& report, ProgressSink* status) = 0;
};

}  // namespace lp
