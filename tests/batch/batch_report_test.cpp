#include "batch/batch_report.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace lp {
namespace {

BatchFileResult File(const std::string& source, std::uint64_t before, const std::string& output, std::uint64_t after,
                     std::string status = {}) {
    BatchFileResult r;
    r.sourcePath = source;
    r.sourceBytes = before;
    r.outputPath = output;
    r.outputBytes = after;
    r.widthBefore = 320;
    r.heightBefore = 200;
    r.colorsBefore = 5000;
    r.widthAfter = 160;
    r.heightAfter = 100;
    r.colorsAfter = 256;
    r.status = std::move(status);
    return r;
}

TEST(BatchReport, TotalsSplitByImprovedAndGrown) {
    BatchReport report;
    report.SetFilesSelected(2);
    report.AddFile(File("/pics/a.bmp", 10000, "/out/a.GIF", 6000, "Optimized"));
    report.AddFile(File("/pics/b.bmp", 5000, "/out/b.GIF", 5500));
    const auto& t = report.Totals();
    EXPECT_EQ(t.filesProcessed, 2);
    EXPECT_EQ(t.sizeBefore, 15000);
    EXPECT_EQ(t.sizeAfter, 11500);
    EXPECT_EQ(t.improvedCount, 1);
    EXPECT_EQ(t.improvedBefore, 10000);
    EXPECT_EQ(t.improvedAfter, 6000);
    EXPECT_EQ(t.grownCount, 1);
    EXPECT_EQ(t.grownBefore, 5000);
    EXPECT_EQ(t.grownAfter, 5500);

    const BatchSummary s = report.Summary(28800);
    EXPECT_EQ(s.saved, 3500);
    EXPECT_NEAR(s.savedPercent, 23.333, 0.001);
    EXPECT_NEAR(s.averagePercent, 11.667, 0.001);
    EXPECT_NEAR(s.secondsBefore, 15000 * 8 / 28800.0, 1e-9);

    const auto& rows = report.Rows();
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].fileName, "a.bmp");
    EXPECT_EQ(rows[0].path, "/pics/");
    EXPECT_EQ(rows[0].progress, "");
    EXPECT_EQ(rows[1].fileName, "a.GIF");
    EXPECT_EQ(rows[1].progress, "40");
    EXPECT_EQ(rows[1].remarks, "Optimized");
    EXPECT_EQ(rows[2].kind, BatchReportRow::Kind::Empty);
    EXPECT_EQ(rows[4].progress, "-10");
    EXPECT_EQ(rows[4].size, "5500");
}

TEST(BatchReport, AlreadyOptimizedAndEmptyResults) {
    BatchReport report;
    report.AddFile(File("/p/x.gif", 900, "/p/x.gif", 900, "Already optimized picture"));
    report.AddFile(File("/p/y.gif", 900, std::string(kUnsupportedOutput), 0));
    const auto& rows = report.Rows();
    EXPECT_EQ(rows[1].progress, "0");
    EXPECT_EQ(rows[1].size, "900");
    EXPECT_EQ(rows[1].remarks, "Already optimized picture");
    EXPECT_EQ(rows[4].fileName, "** Unsupported in this Version **");
    EXPECT_EQ(rows[4].size, "") << "blank when 0";
    EXPECT_EQ(rows[4].progress, "");
    EXPECT_EQ(report.Totals().improvedCount, 2);

    BatchReport none;  // nothing processed: percentages are 0, not a division by zero
    none.SetFilesSelected(3);
    const BatchSummary s = none.Summary(0);
    EXPECT_EQ(s.savedPercent, 0);
    EXPECT_EQ(s.averagePercent, 0);
    EXPECT_EQ(s.secondsBefore, 0);
}

TEST(BatchReport, FailedFilesGetARowButNoTotals) {
    BatchReport report;
    BatchFileResult r;
    r.sourcePath = "/p/missing.png";
    r.ok = false;
    r.error = "File not found";
    report.AddFile(r);
    EXPECT_EQ(report.Totals().filesProcessed, 0);
    ASSERT_EQ(report.Rows().size(), 3u);
    EXPECT_EQ(report.Rows()[0].fileName, "missing.png");
    EXPECT_EQ(report.Rows()[1].remarks, "File not found");
}

TEST(BatchReport, SavedTextOfABrowserRun) {
    BatchReport report;
    report.SetFilesSelected(2);
    report.AddFile(File("/pics/a.bmp", 10000, "/out/a.GIF", 6000, "Optimized"));
    const std::string longDir = "/" + std::string(80, 'd') + "/";
    report.AddFile(File(longDir + "b.bmp", 5000, "/out/b.GIF", 5500));
    const std::string dashes(140, '-');
    auto line = [](const std::string& name, const std::string& size, const std::string& progress) {
        char buf[512];
        std::snprintf(buf, sizeof buf, "%-75s %6s %12s %8s %10s %10s \n", name.c_str(), size.c_str(), progress.c_str(),
                      name.starts_with("Old") ? "320" : "160", name.starts_with("Old") ? "200" : "100",
                      name.starts_with("Old") ? "5000" : "256");
        return std::string(buf);
    };
    char header[256];
    std::snprintf(header, sizeof header, "%-75s %6s %12s %8s %10s %10s\n", "Filename", "Size", "%Progress", "Width",
                  "Height", "Colors");
    const std::string expected =
        "BROWSER PAGE OPTIMIZATION\n"
        "-----------------------------------\n\n\n"
        "SUMMARY REPORT\n\n"
        "Number of files selected                          : 2\n"
        "Number of files processed                         : 2\n"
        "Total size of processed files before optimization : 15000\n"
        "Total size of processed files after optimization  : 11500\n"
        "Total size saved in bytes                         : 3500\n"
        "Total size saved in percentage                    : 23.33 %\n"
        "Average saving in percentage                      : 11.67 %\n"
        "Download time before optimization                 : 4.17 seconds\n"
        "Download time after optimization                  : 3.19 seconds\n"
        "Saving in time\t                                   : 0.97 seconds\n"
        "Download time calculated based on modem speed of  : 28.80 kbps\n"
        "\n\nDETAILED REPORT\n\n\n" +
        dashes + "\n" + header + dashes + "\n" + line("Old : /pics/a.bmp", "10000", "") +
        line("New : /out/a.GIF", "6000", "40") + "\n\n" + line("Old : " + longDir + "b.bmp", "5000", "") +
        line("New : /out/b.GIF", "5500", "-10") + "\n\n" + dashes + "\n";
    EXPECT_EQ(report.SavedText(28800), expected);
    // The long path is written in full; the columns move right.
    EXPECT_NE(report.DetailedText().find("Old : " + longDir + "b.bmp   5000 "), std::string::npos);

    test::ScratchDir dir;
    BatchReport::SaveText(dir / "report.txt", report.SavedText(28800));
    const auto bytes = test::ReadFileBytes(dir / "report.txt");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
    EXPECT_THROW(BatchReport::SaveText(dir / "no/such/folder/report.txt", "x"), std::runtime_error);
}

TEST(BatchReport, PreviewFigures) {
    BatchReport report;
    report.AddFile(File("/p/a.png", 2000, "/o/a.GIF", 500));
    const BatchPreviewFigures f = report.Preview(0, 28800);
    EXPECT_EQ(f.saving, 1500);
    EXPECT_EQ(f.improvement, 75);
    EXPECT_NEAR(f.secondsBefore, 2000 * 8 / 28800.0, 1e-9);
    struct Case {
        int w, h, fw, fh, ew, eh;
    };
    const Case cases[] = {{100, 50, 200, 200, 100, 50}, {400, 100, 200, 200, 200, 50},
                          {100, 400, 200, 200, 50, 200}, {200, 100, 200, 200, 200, 100}};
    for (const auto& c : cases) {
        int w = 0, h = 0;
        FitPreview(c.w, c.h, c.fw, c.fh, w, h);
        EXPECT_EQ(w, c.ew) << c.w << "x" << c.h;
        EXPECT_EQ(h, c.eh) << c.w << "x" << c.h;
    }
}

}  // namespace
}  // namespace lp
