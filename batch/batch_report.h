#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "batch/apply_batch_macro.h"

namespace lp {

/// Default name of a saved report.
inline constexpr std::string_view kReportDefaultName = "report.txt";

/// One row of the detailed report list. Each processed file adds three: the
/// source ("before"), the result ("after") and an empty separator row.
struct BatchReportRow {
    enum class Kind { Before, After, Empty };
    Kind kind = Kind::Empty;
    std::string fileName;  // "Filename": name with extension
    std::string size;      // "Size": bytes, blank when 0 on an after row
    std::string progress;  // "%Progress": blank on a before row
    std::string width;
    std::string height;
    std::string colors;
    std::string path;     // "Path": folder with a trailing separator
    std::string remarks;  // "Remarks": status text or failure
    std::size_t file = 0;  // index into BatchReport::Files()
};

/// What the report keeps of one processed file (for the preview page).
struct BatchReportFile {
    std::filesystem::path sourcePath;
    std::string outputPath;
    std::uint64_t sizeBefore = 0, sizeAfter = 0;
    int widthBefore = 0, heightBefore = 0, widthAfter = 0, heightAfter = 0;
    std::int64_t colorsBefore = 0, colorsAfter = 0;
    std::string status;
    bool ok = true;
    Picture pictureBefore, pictureAfter;
};

/// Totals of a run: all processed files, and split by improved and grown.
struct BatchReportTotals {
    int filesSelected = 0;
    int filesProcessed = 0;
    std::int64_t sizeBefore = 0;
    std::int64_t sizeAfter = 0;
    int improvedCount = 0;
    std::int64_t improvedBefore = 0, improvedAfter = 0;
    int grownCount = 0;
    std::int64_t grownBefore = 0, grownAfter = 0;
};

/// The figures of the Summary page (browser run); all 0 when nothing was
/// processed, times 0 when the modem speed is 0.
struct BatchSummary {
    int filesSelected = 0;
    int filesProcessed = 0;
    std::int64_t sizeBefore = 0, sizeAfter = 0, saved = 0;
    double savedPercent = 0, averagePercent = 0;
    double secondsBefore = 0, secondsAfter = 0, secondsSaved = 0;
    double kbps = 0;
};

/// The figures the Picture Preview page shows for one file.
struct BatchPreviewFigures {
    double secondsBefore = 0, secondsAfter = 0;  // size x 8 / speed
    std::int64_t saving = 0;                     // old - new bytes
    int improvement = 0;                         // 100 - new / old x 100, truncated
};

/// The model of a batch run's report: rows of the detailed list, files for the
/// preview, totals for the summary, and the saved text.
class BatchReport {
public:
    /// Number of files the run was given ("No. of files selected").
    void SetFilesSelected(int count) { m_totals.filesSelected = count; }

    /// Adds one file's three rows and updates the totals. A failed file adds a
    /// before row and an after row whose remark is the failure; it is not
    /// counted as processed.
    void AddFile(const BatchFileResult& result);

    const std::vector<BatchReportRow>& Rows() const { return m_rows; }
    const std::vector<BatchReportFile>& Files() const { return m_files; }
    const BatchReportTotals& Totals() const { return m_totals; }

    BatchSummary Summary(double modemSpeed) const;
    BatchPreviewFigures Preview(std::size_t file, double modemSpeed) const;

    /// "BROWSER PAGE OPTIMIZATION" header and summary lines of a browser run.
    std::string SummaryText(double modemSpeed) const;
    /// The "DETAILED REPORT" section (both kinds of run).
    std::string DetailedText() const;
    /// The whole saved report of a browser run: summary, then detailed report.
    std::string SavedText(double modemSpeed) const { return SummaryText(modemSpeed) + DetailedText(); }

    /// Writes text atomically (an old report survives a failed save). Throws
    /// std::runtime_error naming the file.
    static void SaveText(const std::filesystem::path& path, const std::string& text);

private:
    std::vector<BatchReportRow> m_rows;
    std::vector<BatchReportFile> m_files;
    BatchReportTotals m_totals;
};

/// %Progress of a file: 100 - after / before x 100 truncated; 0 when before is 0.
int ProgressPercent(std::uint64_t before, std::uint64_t after);

/// Size a picture is shown at inside a preview frame: its own when smaller in
/// both dimensions, else scaled by the smaller ratio (each side truncated, at
/// least 1).
void FitPreview(int width, int height, int frameWidth, int frameHeight, int& shownWidth, int& shownHeight);

}  // namespace lp
