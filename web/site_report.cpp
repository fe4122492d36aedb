#include "web/site_report.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "base/printf_text.h"
#include "base/atomic_file.h"
#include "base/imp_exp_exception.h"

namespace lp {
namespace {

double TimeOf(double bytes, double speed) { return speed > 0 ? bytes * 8 / speed : 0.0; }

}  // namespace

void SiteReport::AddProcessed(double before, double after) {
    ++imagesProcessed;
    bytesBefore += before;
    bytesAfter += after;
    if (bytesBefore != 0) improvement = static_cast<int>(100 - bytesAfter / bytesBefore * 100);
}

double SiteReport::PageDownloadTime() const {
    if (modemSpeed <= 0 || htmlFiles <= 0) return 0;
    return bytesBefore * 8 / modemSpeed / htmlFiles;
}

std::string_view RateDesign(int tags) {
    if (tags <= 0) return "Excellent";
    if (tags <= 5) return "Good";
    if (tags <= 20) return "Fair";
    return "Poor";
}

std::string_view RateDownloadTime(double seconds) {
    if (seconds <= 3) return "Excellent";
    if (seconds <= 7) return "Good";
    if (seconds <= 11) return "Fair";
    return "Poor";
}

std::string_view RateImprovement(int improvement) {
    if (improvement >= 60) return "Excellent";
    if (improvement >= 50) return "Good";
    return "Fair";
}

std::string SiteSummaryText(const SiteReport& r) {
    std::string out;
    AppendPrintf(out, "HTML-PAGE OPTIMIZATION\n");
    AppendPrintf(out, "----------------------\n\n\n");
    AppendPrintf(out, "SUMMARY REPORT\n\n");
    AppendPrintf(out, "URL                : %s\n", r.url.c_str());
    AppendPrintf(out, "Output Directory   : %s\n", r.outputDir.c_str());
    AppendPrintf(out, "Levels processed   : %d\n\n", r.levels);
    AppendPrintf(out, "Number of Html  files found : %d\n", r.htmlFiles);
    AppendPrintf(out, "Number of Image files found : %d\n", r.imageFiles);
    AppendPrintf(out, "Number of Images processed  : %d\n\n", r.imagesProcessed);
    AppendPrintf(out, "Number of ALT tags attached    : %d\n", r.altCount);
    AppendPrintf(out, "Number of WIDTH tags attached  : %d\n", r.widthCount);
    AppendPrintf(out, "Number of HEIGHT tags attached : %d\n\n", r.heightCount);
    AppendPrintf(out, "Total size of processed Image files before optimization : %.0f\n", r.bytesBefore);
    AppendPrintf(out, "Total size of processed Image files after  optimization : %.0f\n\n", r.bytesAfter);
    const long saved = static_cast<long>(static_cast<std::int64_t>(r.bytesBefore) - static_cast<std::int64_t>(r.bytesAfter));
    AppendPrintf(out, "Total size saved in bytes                         : %ld\n", saved);
    AppendPrintf(out, "Percentage improvement in Total size : %d %%\n\n", r.improvement);
    const double average = r.imagesProcessed > 0 ? static_cast<double>(r.improvement) / r.imagesProcessed : 0.0;
    AppendPrintf(out, "Average saving in percentage                      : %.2lf %%\n", average);
    AppendPrintf(out, "Download time before optimization                 : %.2lf seconds\n",
           TimeOf(r.bytesBefore, r.modemSpeed));
    AppendPrintf(out, "Download time after optimization                  : %.2lf seconds\n",
           TimeOf(r.bytesAfter, r.modemSpeed));
    AppendPrintf(out, "Saving in time\t                                   : %.2lf seconds\n",
           TimeOf(r.bytesBefore - r.bytesAfter, r.modemSpeed));
    AppendPrintf(out, "Download time calculated based on modem speed of  : %.2lf kbps\n", r.modemSpeed * 0.001);
    return out;
}

std::string SiteAnalysisText(const SiteReport& r) {
    std::string out = "\nHtml-Page Analysis\n------------------\n\n";
    AppendPrintf(out, "HTML Design   (Before Optimization)   : %s\n", std::string(RateDesign(r.TagsAttached())).c_str());
    AppendPrintf(out, "Download Time (Before Optimization)   : %s\n\n",
           std::string(RateDownloadTime(r.PageDownloadTime())).c_str());
    AppendPrintf(out, "Page Size Improvement (After Optimization)   : %s\n",
           std::string(RateImprovement(r.improvement)).c_str());
    return out;
}

std::string SiteReportText(const SiteReport& r) {
    return SiteSummaryText(r) + SiteAnalysisText(r) + r.detailedReport;
}

bool SaveSiteReport(const SiteReport& report, const std::filesystem::path& path) {
    const std::string text = SiteReportText(report);
    try {
        WriteFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                            "Unable to open file " + path.string(), "Unable to write file " + path.string());
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace lp
