#include "web/site_report.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace lp {
namespace {

TEST(SiteRatingTest, Thresholds) {
    const std::pair<int, const char*> design[] = {{0, "Excellent"}, {1, "Good"},  {5, "Good"},
                                                  {6, "Fair"},      {20, "Fair"}, {21, "Poor"}, {25, "Poor"}};
    for (const auto& [tags, rating] : design) EXPECT_EQ(RateDesign(tags), rating) << tags;
    const std::pair<double, const char*> time[] = {{0, "Excellent"}, {3, "Excellent"}, {3.01, "Good"},
                                                   {7, "Good"},      {11, "Fair"},     {11.5, "Poor"}};
    for (const auto& [seconds, rating] : time) EXPECT_EQ(RateDownloadTime(seconds), rating) << seconds;
    const std::pair<int, const char*> improvement[] = {{100, "Excellent"}, {60, "Excellent"}, {59, "Good"},
                                                       {50, "Good"},       {49, "Fair"},      {-20, "Fair"}};
    for (const auto& [percent, rating] : improvement) EXPECT_EQ(RateImprovement(percent), rating) << percent;
}

TEST(SiteReportTest, ImprovementIsTruncatedAndKeptWhileNothingWasBefore) {
    SiteReport r;
    r.AddProcessed(0, 0);
    EXPECT_EQ(r.improvement, 0);
    EXPECT_EQ(r.imagesProcessed, 1);
    r.AddProcessed(3000, 1001);  // 100 - 33.37 = 66.63
    EXPECT_EQ(r.improvement, 66);
    r.AddProcessed(1000, 1999);
    EXPECT_EQ(r.improvement, 25);  // 100 - 3000 / 4000 x 100
    EXPECT_EQ(r.imagesProcessed, 3);
}

TEST(SiteReportTest, SavedTextMatchesLineForLine) {
    SiteReport r;
    r.url = "http://site.com/default.html";
    r.outputDir = "/tmp/out";
    r.levels = 2;
    r.htmlFiles = 2;
    r.imageFiles = 3;
    r.altCount = 2;
    r.widthCount = 3;
    r.heightCount = 3;
    r.modemSpeed = 28800;
    r.AddProcessed(20000.0, 8000.0);
    r.AddProcessed(16000.0, 6000.0);
    r.detailedReport = "\n\nDETAILED REPORT\n\n";
    const std::string expected =
        "HTML-PAGE OPTIMIZATION\n"
        "----------------------\n\n\n"
        "SUMMARY REPORT\n\n"
        "URL                : http://site.com/default.html\n"
        "Output Directory   : /tmp/out\n"
        "Levels processed   : 2\n\n"
        "Number of Html  files found : 2\n"
        "Number of Image files found : 3\n"
        "Number of Images processed  : 2\n\n"
        "Number of ALT tags attached    : 2\n"
        "Number of WIDTH tags attached  : 3\n"
        "Number of HEIGHT tags attached : 3\n\n"
        "Total size of processed Image files before optimization : 36000\n"
        "Total size of processed Image files after  optimization : 14000\n\n"
        "Total size saved in bytes                         : 22000\n"
        "Percentage improvement in Total size : 61 %\n\n"
        "Average saving in percentage                      : 30.50 %\n"
        "Download time before optimization                 : 10.00 seconds\n"
        "Download time after optimization                  : 3.89 seconds\n"
        "Saving in time\t                                   : 6.11 seconds\n"
        "Download time calculated based on modem speed of  : 28.80 kbps\n"
        "\nHtml-Page Analysis\n------------------\n\n"
        "HTML Design   (Before Optimization)   : Fair\n"
        "Download Time (Before Optimization)   : Good\n\n"  // 36000 x 8 / 28800 / 2 = 5 s
        "Page Size Improvement (After Optimization)   : Excellent\n"
        "\n\nDETAILED REPORT\n\n";
    EXPECT_EQ(SiteReportText(r), expected);

    test::ScratchDir scratch;
    ASSERT_TRUE(SaveSiteReport(r, scratch / "report.txt"));
    const auto saved = test::ReadFileBytes(scratch / "report.txt");
    EXPECT_EQ(std::string(saved.begin(), saved.end()), expected);
    EXPECT_FALSE(SaveSiteReport(r, scratch / "missing" / "report.txt"));
}

TEST(SiteReportTest, NothingProcessedAndNoModemSpeedGiveZeros) {
    SiteReport r;
    const std::string text = SiteReportText(r);
    EXPECT_NE(text.find("Average saving in percentage                      : 0.00 %\n"), std::string::npos);
    EXPECT_NE(text.find("Download time before optimization                 : 0.00 seconds\n"), std::string::npos);
    EXPECT_NE(text.find("HTML Design   (Before Optimization)   : Excellent\n"), std::string::npos);
    EXPECT_NE(text.find("Page Size Improvement (After Optimization)   : Fair\n"), std::string::npos);
    EXPECT_EQ(r.PageDownloadTime(), 0.0);
}

}  // namespace
}  // namespace lp
