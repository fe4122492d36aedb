#pragma once
#include "batch/apply_batch_macro.h"
#include "batch/batch_macro.h"
#include "web/site_image_processor.h"

namespace lp {

/// The image step on the batch engine's site variant: each downloaded image is
/// optimized in place with the job's macro and its largest declared size, and
/// the engine's per-file rows make the detailed report.
class BatchSiteImageProcessor final : public SiteImageProcessor {
public:
    /// The context's prompter, folders and palette are used as given; its
    /// progress sink is replaced by the job's status for the run.
    BatchSiteImageProcessor(BatchMacro macro, BatchContext context)
        : m_macro(std::move(macro)), m_context(context) {}

    std::vector<std::string> Process(std::span<const SiteImage> images, bool resizeImages, SiteReport& report,
                                     ProgressSink* status) override;

    /// What the engine did with each image of the last run (for the report window's rows).
    const std::vector<BatchFileResult>& Results() const { return m_results; }

private:
    std::vector<BatchFileResult> m_results;
    BatchMacro m_macro;
    BatchContext m_context;
};

}  // namespace lp
