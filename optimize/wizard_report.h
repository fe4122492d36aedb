#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "optimize/wizard_flow.h"

namespace lp {

inline constexpr std::string_view kReportWindowCaption = "Optimization report";
inline constexpr std::string_view kDocumentAlreadyClosed = "Document is already closed. No action taken.";

/// The text fields of the "Optimization report" window: sizes and download times of the
/// master and the wizard's result, the saving and the improvement.
struct OptimizationReportTexts {
    std::string windowName;
    std::string afterLabel;  // "After Optimization ( JPG )", "( GIF )" or "After optimization"
    std::string beforeBytes, beforeSeconds;
    std::string afterBytes, afterSeconds;
    std::string savingBytes, savingSeconds;
    std::string improvement;
    std::string modemSpeed;
};

/// What the report keeps of one wizard result.
struct OptimizationReportData {
    std::string previewTitle;
    int previewNumber = 0;  // the result preview's previewNumber
    std::int64_t resultBytes = 0;
    std::int64_t masterBytes = 0;
    ReportComparison comparison = ReportComparison::None;
    WizardKind kind = WizardKind::Color;
    bool previewExists = true;
    double modemSpeed = 0;  // bits per second
};

/// The fields as the window shows them. Times are 0 without a modem speed; the improvement is
/// 0 for a master of 0 bytes.
OptimizationReportTexts FormatOptimizationReport(const OptimizationReportData& data);

}  // namespace lp
