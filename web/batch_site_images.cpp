#include "web/batch_site_images.h"

#include "batch/batch_report.h"
#include "web/site_report.h"

namespace lp {

std::vector<std::string> BatchSiteImageProcessor::Process(std::span<const SiteImage> images, bool resizeImages,
                                                          SiteReport& report, ProgressSink* status) {
    BatchMacro macro = m_macro;
    macro.resizeImages = resizeImages ? 1 : 0;
    BatchContext context = m_context;
    context.progress = status;
    BatchOutputClaims claims;  // two images must not write one file
    if (!context.claims) context.claims = &claims;
    BatchReport rows;
    rows.SetFilesSelected(static_cast<int>(images.size()));
    std::vector<std::string> failures;
    m_results.clear();
    for (const SiteImage& image : images) {
        if (!image.downloaded) continue;  // a record without a file: nothing to optimize
        // A copy shown at its natural size keeps the image as it is: no
        // declared size to shrink to.
        const int width = image.naturalSizeShown ? 0 : image.width;
        const int height = image.naturalSizeShown ? 0 : image.height;
        const BatchFileResult result = ApplyForSite(macro, image.localPath, width, height, context);
        rows.AddFile(result);
        m_results.push_back(result);
        if (!result.ok) {
            failures.push_back(image.localPath.string() + ": " +
                               (result.error.empty() ? std::string("not optimized") : result.error));
            continue;
        }
        if (result.skipped) continue;
        report.AddProcessed(static_cast<double>(result.sourceBytes), static_cast<double>(result.outputBytes));
    }
    report.detailedReport = rows.DetailedText();
    return failures;
}

}  // namespace lp
