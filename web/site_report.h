#pragma once
#include <filesystem>
#include <string>
#include <string_view>

namespace lp {

/// What the site optimizer reports at the end of a job.
struct SiteReport {
    std::string url;
    std::string outputDir;
    int levels = 0;       // the job's level setting
    int htmlFiles = 0;    // pages downloaded
    int imageFiles = 0;   // image records
    int imagesProcessed = 0;
    int altCount = 0;
    int widthCount = 0;
    int heightCount = 0;
    double bytesBefore = 0;  // processed images, before optimization
    double bytesAfter = 0;
    int improvement = 0;     // percent; kept while bytesBefore is 0
    double modemSpeed = 0;   // bits per second
    /// The batch engine's detailed report, appended to the saved text.
    std::string detailedReport;

    /// The batch engine reports one processed image.
    void AddProcessed(double before, double after);
    int TagsAttached() const { return altCount + widthCount + heightCount; }
    /// Seconds to download the images of an average page; 0 without a speed or pages.
    double PageDownloadTime() const;
};

/// "Excellent", "Good", "Fair" or "Poor" by the number of tags attached.
std::string_view RateDesign(int tagsAttached);
/// By a page's download time in seconds.
std::string_view RateDownloadTime(double seconds);
/// "Excellent", "Good" or "Fair" by the improvement in percent.
std::string_view RateImprovement(int improvement);

/// The summary part of the saved report.
std::string SiteSummaryText(const SiteReport& report);
/// The "Html-Page Analysis" part of the saved report.
std::string SiteAnalysisText(const SiteReport& report);
/// The whole saved report: summary, analysis, then the detailed report.
std::string SiteReportText(const SiteReport& report);

/// Writes the report atomically; false when it could not be written.
bool SaveSiteReport(const SiteReport& report, const std::filesystem::path& path);

}  // namespace lp
