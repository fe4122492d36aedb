#include "batch/batch_report.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "base/printf_text.h"
#include "base/atomic_file.h"

namespace lp {

namespace {

namespace fs = std::filesystem;

std::string Number(long long v) { return PrintfText("%lld", v); }

/// The folder of a path with a trailing separator ("" when it has none).
std::string FolderOf(const fs::path& p) {
    const fs::path parent = p.parent_path();
    if (parent.empty()) return {};
    std::string s = parent.string();
    if (s.back() != '/') s.push_back('/');
    return s;
}

const std::string kDashes(140, '-');

double Seconds(std::int64_t bytes, double modemSpeed) {
    return modemSpeed > 0 ? static_cast<double>(bytes) * 8.0 / modemSpeed : 0.0;
}

}  // namespace

int ProgressPercent(std::uint64_t before, std::uint64_t after) {
    if (before == 0) return 0;
    return static_cast<int>(std::trunc(100.0 - static_cast<double>(after) / static_cast<double>(before) * 100.0));
}

void FitPreview(int width, int height, int frameWidth, int frameHeight, int& shownWidth, int& shownHeight) {
    if ((width < frameWidth && height < frameHeight) || width <= 0 || height <= 0) {
        shownWidth = width;
        shownHeight = height;
        return;
    }
    const double ratio = std::min(double(frameWidth) / width, double(frameHeight) / height);
    shownWidth = std::max(1, static_cast<int>(width * ratio));
    shownHeight = std::max(1, static_cast<int>(height * ratio));
}

void BatchReport::AddFile(const BatchFileResult& r) {
    const std::size_t index = m_files.size();
    BatchReportFile file;
    file.sourcePath = r.sourcePath;
    file.outputPath = r.outputPath;
    file.sizeBefore = r.sourceBytes;
    file.sizeAfter = r.outputBytes;
    file.widthBefore = r.widthBefore;
    file.heightBefore = r.heightBefore;
    file.widthAfter = r.widthAfter;
    file.heightAfter = r.heightAfter;
    file.colorsBefore = r.colorsBefore;
    file.colorsAfter = r.colorsAfter;
    file.status = r.status;
    file.ok = r.ok;
    file.pictureBefore = r.pictureBefore;
    file.pictureAfter = r.pictureAfter;
    m_files.push_back(std::move(file));

    BatchReportRow before;
    before.kind = BatchReportRow::Kind::Before;
    before.fileName = r.sourcePath.filename().string();
    before.size = Number(static_cast<long long>(r.sourceBytes));
    before.width = Number(r.widthBefore);
    before.height = Number(r.heightBefore);
    before.colors = Number(r.colorsBefore);
    before.path = FolderOf(r.sourcePath);
    before.file = index;

    BatchReportRow after;
    after.kind = BatchReportRow::Kind::After;
    after.file = index;
    if (!r.ok) {
        // A file that failed has nothing after; its remark says why.
        if (r.widthBefore == 0) before.width = before.height = before.colors = "";
        after.remarks = r.error;
    } else {
        if (r.outputPath == kUnsupportedOutput) {
            after.fileName = r.outputPath;
        } else {
            const fs::path out(r.outputPath);
            after.fileName = out.filename().string();
            after.path = FolderOf(out);
        }
        if (r.outputBytes != 0) {
            after.size = Number(static_cast<long long>(r.outputBytes));
            after.progress = Number(ProgressPercent(r.sourceBytes, r.outputBytes));
        }
        after.width = Number(r.widthAfter);
        after.height = Number(r.heightAfter);
        after.colors = Number(r.colorsAfter);
        after.remarks = r.status;
    }
    m_rows.push_back(std::move(before));
    m_rows.push_back(std::move(after));
    m_rows.push_back(BatchReportRow{});
    m_rows.back().file = index;

    if (!r.ok || r.skipped) return;
    auto& t = m_totals;
    ++t.filesProcessed;
    const auto b = static_cast<std::int64_t>(r.sourceBytes);
    const auto a = static_cast<std::int64_t>(r.outputBytes);
    t.sizeBefore += b;
    t.sizeAfter += a;
    if (ProgressPercent(r.sourceBytes, r.outputBytes) < 0) {
        ++t.grownCount;
        t.grownBefore += b;
        t.grownAfter += a;
    } else {
        ++t.improvedCount;
        t.improvedBefore += b;
        t.improvedAfter += a;
    }
}

BatchSummary BatchReport::Summary(double modemSpeed) const {
    BatchSummary s;
    s.filesSelected = m_totals.filesSelected;
    s.filesProcessed = m_totals.filesProcessed;
    s.sizeBefore = m_totals.sizeBefore;
    s.sizeAfter = m_totals.sizeAfter;
    s.saved = s.sizeBefore - s.sizeAfter;
    if (s.sizeBefore > 0) s.savedPercent = double(s.saved) / double(s.sizeBefore) * 100.0;
    if (s.filesProcessed > 0) s.averagePercent = s.savedPercent / s.filesProcessed;
    s.secondsBefore = Seconds(s.sizeBefore, modemSpeed);
    s.secondsAfter = Seconds(s.sizeAfter, modemSpeed);
    s.secondsSaved = s.secondsBefore - s.secondsAfter;
    s.kbps = modemSpeed * 0.001;
    return s;
}

BatchPreviewFigures BatchReport::Preview(std::size_t file, double modemSpeed) const {
    const BatchReportFile& f = m_files.at(file);
    BatchPreviewFigures p;
    p.secondsBefore = Seconds(static_cast<std::int64_t>(f.sizeBefore), modemSpeed);
    p.secondsAfter = Seconds(static_cast<std::int64_t>(f.sizeAfter), modemSpeed);
    p.saving = static_cast<std::int64_t>(f.sizeBefore) - static_cast<std::int64_t>(f.sizeAfter);
    p.improvement = ProgressPercent(f.sizeBefore, f.sizeAfter);
    return p;
}

std::string BatchReport::SummaryText(double modemSpeed) const {
    const BatchSummary s = Summary(modemSpeed);
    std::string t;
    t += "BROWSER PAGE OPTIMIZATION\n";
    t += "-----------------------------------\n\n\n";
    t += "SUMMARY REPORT\n\n";
    t += PrintfText("Number of files selected                          : %d\n", s.filesSelected);
    t += PrintfText("Number of files processed                         : %d\n", s.filesProcessed);
    t += PrintfText("Total size of processed files before optimization : %lld\n", static_cast<long long>(s.sizeBefore));
    t += PrintfText("Total size of processed files after optimization  : %lld\n", static_cast<long long>(s.sizeAfter));
    t += PrintfText("Total size saved in bytes                         : %lld\n", static_cast<long long>(s.saved));
    t += PrintfText("Total size saved in percentage                    : %.2f %%\n", s.savedPercent);
    t += PrintfText("Average saving in percentage                      : %.2f %%\n", s.averagePercent);
    t += PrintfText("Download time before optimization                 : %.2f seconds\n", s.secondsBefore);
    t += PrintfText("Download time after optimization                  : %.2f seconds\n", s.secondsAfter);
    t += PrintfText("Saving in time\t                                   : %.2f seconds\n", s.secondsSaved);
    t += PrintfText("Download time calculated based on modem speed of  : %.2f kbps\n", s.kbps);
    return t;
}

std::string BatchReport::DetailedText() const {
    std::string t;
    t += "\n\n";
    t += "DETAILED REPORT\n\n";
    t += "\n" + kDashes + "\n";
    t += PrintfText("%-75s %6s %12s %8s %10s %10s\n", "Filename", "Size", "%Progress", "Width", "Height", "Colors");
    t += kDashes + "\n";
    bool first = true;
    for (const BatchReportRow& row : m_rows) {
        if (row.kind == BatchReportRow::Kind::Empty) {
            t += "\n\n";
            first = true;
            continue;
        }
        const std::string name = (first ? "Old : " : "New : ") + row.path + row.fileName;
        first = false;
        t += PrintfText("%-75s ", name.c_str());
        t += PrintfText("%6s ", row.size.c_str());
        t += PrintfText("%12s ", row.progress.c_str());
        t += PrintfText("%8s ", row.width.c_str());
        t += PrintfText("%10s ", row.height.c_str());
        t += PrintfText("%10s ", row.colors.c_str());
        t += "\n";
    }
    t += kDashes + "\n";
    return t;
}

void BatchReport::SaveText(const fs::path& path, const std::string& text) {
    const std::string message = "Cannot write the report " + path.string();
    try {
        WriteFileAtomically(path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, message, message);
    } catch (const std::exception&) {
        throw std::runtime_error(message);
    }
}

}  // namespace lp
