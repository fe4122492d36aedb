#include "optimize/wizard_report.h"

#include "base/printf_text.h"

namespace lp {

namespace {
double Seconds(std::int64_t bytes, double speed) { return speed > 0 ? double(bytes) * 8.0 / speed : 0.0; }
}  // namespace

OptimizationReportTexts FormatOptimizationReport(const OptimizationReportData& d) {
    OptimizationReportTexts t;
    t.windowName = d.previewTitle;
    switch (d.comparison) {
        case ReportComparison::Jpeg: t.afterLabel = "After Optimization ( JPG )"; break;
        case ReportComparison::Gif: t.afterLabel = "After Optimization ( GIF )"; break;
        case ReportComparison::None: t.afterLabel = "After optimization"; break;
    }
    const double before = Seconds(d.masterBytes, d.modemSpeed);
    const double after = Seconds(d.resultBytes, d.modemSpeed);
    t.beforeBytes = PrintfText("%ld ", long(d.masterBytes));
    t.beforeSeconds = PrintfText("%.1lf ", before);
    t.afterBytes = PrintfText("%ld ", long(d.resultBytes));
    t.afterSeconds = PrintfText("%.1lf ", after);
    t.savingBytes = PrintfText("%ld ", long(d.masterBytes - d.resultBytes));
    t.savingSeconds = PrintfText("%.1lf ", before - after);
    const int improvement =
        d.masterBytes != 0 ? int(double(d.masterBytes - d.resultBytes) / double(d.masterBytes) * 100.0) : 0;
    t.improvement = PrintfText("%d %% ", improvement);
    t.modemSpeed = PrintfText("%.1lf kbps", d.modemSpeed * 0.001);
    return t;
}

}  // namespace lp
