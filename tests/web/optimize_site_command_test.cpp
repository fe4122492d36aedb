#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "batch/batch_macro.h"
#include "test_support.h"
#include "web/test_http_server.h"

namespace lp {
namespace {

using test::CannedResponse;
using test::TestHttpServer;

std::string Read(const std::filesystem::path& path) {
    const auto bytes = test::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::string Fixture(const std::string& name) { return Read(test::TestDataDir() / "web" / name); }

const std::string kIndex =
    "<html>\n<head><title>Site</title></head>\n<body bgcolor=white>\n"
    "<IMG SRC=\"img/logo.gif\">\n"
    "<img src=img/photo.jpg width=60 height=40 border=0>\n"
    "<a href=\"docs/page.html\">docs</a>\n"
    "<!-- <img src=\"img/old.gif\"> -->\n"
    "</body>\n</html>\n";
const std::string kPage = "<HTML><BODY><Img Src='../img/icon.png'><IMG SRC=\"../img/logo.gif\" alt=\"\"></BODY></HTML>";

class OptimizeSiteCommand : public ::testing::Test {
protected:
    void SetUp() override {
        // The child process takes the system's proxy settings (access type 0).
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            ::unsetenv(name);
        server.Page("/index.html", kIndex);
        server.Page("/docs/page.html", kPage);
        server.Set("/img/logo.gif", CannedResponse{200, Fixture("logo.gif"), {}});
        server.Set("/img/photo.jpg", CannedResponse{200, Fixture("photo.jpg"), {}});
        server.Set("/img/icon.png", CannedResponse{200, Fixture("icon.png"), {}});
    }
    std::filesystem::path Mirror(const std::string& path) const { return scratch / "out" / "127.0.0.1" / path; }

    test::ScratchDir scratch;
    TestHttpServer server;
};

/// The page with every attribute the optimizer adds taken out again.
std::string WithoutAddedAttributes(const std::string& page) {
    static const std::regex added(R"( ALT="[^"]*" | WIDTH=[0-9]+ | HEIGHT=[0-9]+ )");
    return std::regex_replace(page, added, "");
}

TEST_F(OptimizeSiteCommand, MirrorsRewritesOptimizesAndReports) {
    const auto r = test::RunLumaprism({"--optimize-site", server.Base() + "/index.html", "out", "--levels", "2",
                                       "--report", "site-report.txt"},
                                      scratch.Path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string index = Read(Mirror("index.html"));
    const std::string page = Read(Mirror("docs/page.html"));
    EXPECT_NE(index.find("<IMG SRC=\"img/logo.gif\" ALT=\"logo.gif\"  WIDTH=40  HEIGHT=30 >"), std::string::npos)
        << index;
    EXPECT_NE(index.find("<img src=img/photo.jpg  ALT=\"photo.jpg\" width=60 height=40 border=0>"), std::string::npos)
        << index;
    // Apart from the added attributes, the pages are the server's, byte for byte.
    EXPECT_NE(index, kIndex);
    EXPECT_EQ(WithoutAddedAttributes(index), kIndex);
    EXPECT_EQ(WithoutAddedAttributes(page), kPage);

    const std::string report = Read(scratch / "site-report.txt");
    EXPECT_TRUE(report.starts_with("HTML-PAGE OPTIMIZATION\n----------------------\n\n\nSUMMARY REPORT\n\n"));
    EXPECT_NE(report.find("URL                : " + server.Base() + "/index.html\n"), std::string::npos);
    EXPECT_NE(report.find("Levels processed   : 2\n\n"), std::string::npos);
    EXPECT_NE(report.find("Number of Html  files found : 2\n"), std::string::npos);
    EXPECT_NE(report.find("Number of Image files found : 3\n"), std::string::npos);
    EXPECT_NE(report.find("Number of Images processed  : 3\n"), std::string::npos) << report << r.err;
    EXPECT_NE(report.find("Number of ALT tags attached    : 2\n"), std::string::npos);
    EXPECT_NE(report.find("\nHtml-Page Analysis\n------------------\n\n"), std::string::npos);
    EXPECT_NE(report.find("DETAILED REPORT"), std::string::npos);
    EXPECT_NE(r.out.find("SUMMARY REPORT"), std::string::npos);
    // The photo was declared 60 x 40 and came down to that size.
    EXPECT_LT(test::ReadFileBytes(Mirror("img/photo.jpg")).size(), Fixture("photo.jpg").size());
}

TEST_F(OptimizeSiteCommand, OptionsTurnAttributesOffAndMacrosGiveLevels) {
    BatchMacro macro("site");
    macro.htmlLevels = 2;
    macro.addAlt = 0;
    SaveBatchMacroFile(macro, scratch / "site.TPL");
    const auto r = test::RunLumaprism(
        {"--optimize-site", server.Base() + "/index.html", "out", "--macro", "./site.TPL", "--no-height"},
        scratch.Path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string index = Read(Mirror("index.html"));
    EXPECT_EQ(index.find("ALT="), std::string::npos);
    EXPECT_EQ(index.find("HEIGHT="), std::string::npos);
    EXPECT_NE(index.find("<IMG SRC=\"img/logo.gif\" WIDTH=40 >"), std::string::npos) << index;
    EXPECT_TRUE(std::filesystem::exists(Mirror("docs/page.html")));  // level 2 from the macro
}

TEST_F(OptimizeSiteCommand, FailuresAndUsage) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* err;
    };
    const std::string base = server.Base();
    const Case cases[] = {
        {{"--optimize-site"}, 2, "give a URL and an output folder"},
        {{"--optimize-site", base + "/index.html"}, 2, "give a URL and an output folder"},
        {{"--optimize-site", base + "/index.html", "out", "--levels", "0"}, 2, "--levels: '0' is not a whole number"},
        {{"--optimize-site", base + "/index.html", "out", "--levels"}, 2, "--levels needs a value"},
        {{"--optimize-site", base + "/index.html", "out", "--bogus"}, 2, "unknown option '--bogus'"},
        {{"--optimize-site", base + "/absent.html", "out"}, 1, "Attempts to connect to the server failed."},
        {{"--optimize-site", "http://127.0.0.1:9/", "out"}, 1, "Attempts to connect to the server failed."},
        {{"--optimize-site", base + "/index.html", "out", "--macro", "NoSuchMacro"}, 1, ""},
        {{"--optimize-site", base + "/index.html", "out", "--report", "no/such/folder/r.txt"}, 1,
         "cannot write the report"},
    };
    for (const Case& c : cases) {
        const auto r = test::RunLumaprism(c.args, scratch.Path());
        EXPECT_EQ(r.exitCode, c.exitCode) << testing::PrintToString(c.args) << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << testing::PrintToString(c.args) << r.err;
    }
}

}  // namespace
}  // namespace lp
