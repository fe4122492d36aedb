#include "web/site_optimizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>

#include "base/data_folders.h"
#include "base/prompter.h"
#include "batch/batch_macro.h"
#include "formats/gif/gif_reader.h"
#include "test_support.h"
#include "web/batch_site_images.h"
#include "web/test_http_server.h"

namespace lp {
namespace {

using test::CannedResponse;
using test::TestHttpServer;

std::string Fixture(const std::string& name) {
    const auto bytes = test::ReadFileBytes(test::TestDataDir() / "web" / name);
    return std::string(bytes.begin(), bytes.end());
}

std::string ReadText(const std::filesystem::path& path) {
    const auto bytes = test::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

/// Records what the image step was given; "optimizes" each image to half its size.
class RecordingImages final : public SiteImageProcessor {
public:
    std::vector<std::string> Process(std::span<const SiteImage> images, bool resizeImages, SiteReport& report,
                                     ProgressSink*) override {
        calls.assign(images.begin(), images.end());
        resize = resizeImages;
        for (const SiteImage& image : images)
            if (image.downloaded) {
                const double size = static_cast<double>(std::filesystem::file_size(image.localPath));
                report.AddProcessed(size, size / 2);
            }
        return {};
    }
    std::vector<SiteImage> calls;
    bool resize = false;
};

/// A small site: nested pages, relative and absolute links, images with and
/// without declared sizes, a redirect, a 404, hostile links.
std::string ServeSite(TestHttpServer& server) {
    const std::string base = server.Base();
    const std::string index =
                "<HTML><HEAD><TITLE>Home</TITLE></HEAD>\r\n"
                "<BODY BACKGROUND=\"img/bg.png\">\r\n"
                "<IMG SRC=\"img/logo.gif\" WIDTH=100>\r\n"
                "<img src='img/photo.jpg' alt=\"Photo\" width=\"60\" height=\"40\">\r\n"
                "<A HREF=\"docs/page1.html\">Docs</A> <a href=\"" + base + "/about.htm\">About</a>\r\n"
                "<a href=\"http://elsewhere.invalid/far.html\">Far</a> <a href=\"search.html?q=1\">Q</a>\r\n"
                "<a href=\"moved.html\">Moved</a> <a href=\"missing.html\">Missing</a> <a href=\"sub/\">Sub</a>\r\n"
                "<!-- <img src=\"img/commented.gif\"> -->\r\n"
                "</BODY></HTML>\r\n";
    server.Page("/index.html", index);
    server.Page("/docs/page1.html",
                "<html><body><img src=\"../img/logo.gif\" width=200 height=20>"
                "<img src=\"/img/pic.bmp\"><a href=\"../../../../../etc/evil.html\">up</a>"
                "<a href=\"%2e%2e/%2e%2e/escape.html\">esc</a><a href=\"deep/page2.html\">deeper</a>"
                "</body></html>\n");
    server.Page("/docs/deep/page2.html", "<html><img src=\"../../img/icon.png\"><a href=\"page3.html\">3</a></html>");
    server.Page("/docs/deep/page3.html", "<html>level four</html>");
    server.Page("/about.htm", "<p>About us</p><img src=\"img/missing.gif\">");
    server.Page("/etc/evil.html", "<p>still inside</p>");
    server.Set("/moved.html", CannedResponse{302, "", {"Location: /target.html"}});
    server.Page("/target.html", "<p>target</p>");
    server.Page("/sub/index.html", "<p>sub index</p>");
    server.Set("/img/logo.gif", CannedResponse{200, Fixture("logo.gif"), {"Content-Type: image/gif"}});
    server.Set("/img/photo.jpg", CannedResponse{200, Fixture("photo.jpg"), {"Content-Type: image/jpeg"}});
    server.Set("/img/icon.png", CannedResponse{200, Fixture("icon.png"), {"Content-Type: image/png"}});
    server.Set("/img/bg.png", CannedResponse{200, Fixture("icon.png"), {"Content-Type: image/png"}});
    server.Set("/img/pic.bmp", CannedResponse{200, Fixture("pic.bmp"), {"Content-Type: image/bmp"}});
    return index;
}

struct SiteFixture : ::testing::Test {
    TestHttpServer server;
    test::ScratchDir scratch;
    ScriptedPrompter prompter;
    SiteStopSignal stop;
    RecordingImages images;
    std::filesystem::path out = scratch / "mirror";
    std::string indexBody = ServeSite(server);

    SiteJobEnvironment Env() {
        SiteJobEnvironment env;
        env.internet = InternetSettings{kAccessDirect, "", ""};
        env.prompter = &prompter;
        env.stop = &stop;
        env.images = &images;
        env.modemSpeed = 28800;
        env.statusPause = std::chrono::milliseconds(0);
        return env;
    }
    std::filesystem::path Local(const std::string& path) const { return out / "127.0.0.1" / path; }

    /// Every file below the scratch folder, relative to it.
    std::vector<std::string> AllFiles() const {
        std::vector<std::string> files;
        for (const auto& e : std::filesystem::recursive_directory_iterator(scratch.Path()))
            if (e.is_regular_file()) files.push_back(std::filesystem::relative(e.path(), scratch.Path()).string());
        std::sort(files.begin(), files.end());
        return files;
    }
};

TEST_F(SiteFixture, LevelOneTakesTheStartPageAndItsImagesOnly) {
    CSiteOptimizer job(server.Base() + "/index.html", out, SiteOptions{1, false}, Env());
    job.Start();
    job.Wait();
    ASSERT_FALSE(job.StartFailed());
    ASSERT_EQ(job.Pages().size(), 1u);
    EXPECT_EQ(ReadText(Local("index.html")), indexBody);
    std::vector<std::string> imagePaths;
    for (const SiteImage& i : job.Images()) imagePaths.push_back(i.url.substr(server.Base().size()));
    EXPECT_EQ(imagePaths, (std::vector<std::string>{"/img/bg.png", "/img/logo.gif", "/img/photo.jpg"}));
    EXPECT_EQ(server.Count("/docs/page1.html"), 0);
    EXPECT_EQ(server.Count("/img/commented.gif"), 0);
    EXPECT_TRUE(std::filesystem::exists(Local("img/photo.jpg")));
    EXPECT_EQ(test::ReadFileBytes(Local("img/logo.gif")), test::ReadFileBytes(test::TestDataDir() / "web/logo.gif"));
}

TEST_F(SiteFixture, AllLevelsMirrorTheSiteInsideTheOutputFolder) {
    SiteOptions options;
    options.levels = 6;
    options.addTags = false;
    CSiteOptimizer job(server.Base() + "/index.html", out, options, Env());
    job.Start();
    job.Wait();

    std::vector<std::string> expected = {
        "mirror/127.0.0.1/about.htm",          "mirror/127.0.0.1/docs/deep/page2.html",
        "mirror/127.0.0.1/docs/deep/page3.html", "mirror/127.0.0.1/docs/page1.html",
        "mirror/127.0.0.1/etc/evil.html",      "mirror/127.0.0.1/img/bg.png",
        "mirror/127.0.0.1/img/icon.png",       "mirror/127.0.0.1/img/logo.gif",
        "mirror/127.0.0.1/img/photo.jpg",      "mirror/127.0.0.1/img/pic.bmp",
        "mirror/127.0.0.1/index.html",         "mirror/127.0.0.1/moved.html",
        "mirror/127.0.0.1/sub/index.html",
    };
    EXPECT_EQ(AllFiles(), expected);
    // The redirect's target was saved under the URL that was asked for.
    EXPECT_EQ(ReadText(Local("moved.html")), "<p>target</p>");
    // Other hosts and queries are never fetched; the 404 is reported, the job went on.
    for (const std::string& target : server.Requests()) EXPECT_EQ(target.find('?'), std::string::npos) << target;
    const auto& failures = job.Failures();
    auto has = [&](std::string_view text) {
        return std::any_of(failures.begin(), failures.end(),
                           [&](const std::string& f) { return f.find(text) != std::string::npos; });
    };
    EXPECT_TRUE(has("/missing.html: 404 Object not found.")) << testing::PrintToString(failures);
    EXPECT_TRUE(has("/img/missing.gif: 404")) << testing::PrintToString(failures);
    EXPECT_EQ(server.Count("/img/logo.gif"), 1);
    // "sub/" was tried as default.htm, then the usual names, in that order.
    const auto requests = server.Requests();
    std::vector<std::string> sub;
    for (const auto& r : requests)
        if (r.starts_with("/sub/")) sub.push_back(r);
    EXPECT_EQ(sub, (std::vector<std::string>{"/sub/default.htm", "/sub/default.html", "/sub/index.html"}));
}

TEST_F(SiteFixture, ImageRecordsKeepTheLargestDeclaredSize) {
    SiteOptions options;
    options.levels = 2;
    CSiteOptimizer job(server.Base() + "/index.html", out, options, Env());
    job.Run();
    const auto logo = std::find_if(job.Images().begin(), job.Images().end(),
                                   [](const SiteImage& i) { return i.url.ends_with("/img/logo.gif"); });
    ASSERT_NE(logo, job.Images().end());
    EXPECT_EQ(logo->width, 200);
    EXPECT_EQ(logo->height, 20);
    EXPECT_TRUE(logo->downloaded);
    ASSERT_EQ(images.calls.size(), job.Images().size());
    EXPECT_TRUE(images.resize);
    // Level 2 reaches page1 but not page2 (level 3): its icon is unknown.
    EXPECT_EQ(server.Count("/docs/deep/page2.html"), 0);
}

TEST_F(SiteFixture, RewrittenPagesDifferOnlyByTheAddedAttributes) {
    SiteOptions options;
    options.levels = 2;
    CSiteOptimizer job(server.Base() + "/index.html", out, options, Env());
    job.Run();
    const std::string index = ReadText(Local("index.html"));
    const std::string page1 = ReadText(Local("docs/page1.html"));

    std::string expectedIndex =
        "<HTML><HEAD><TITLE>Home</TITLE></HEAD>\r\n"
        "<BODY BACKGROUND=\"img/bg.png\">\r\n"
        "<IMG SRC=\"img/logo.gif\" ALT=\"logo.gif\"  WIDTH=100 HEIGHT=30 >\r\n"
        "<img src='img/photo.jpg' alt=\"Photo\" width=\"60\" height=\"40\">\r\n";
    EXPECT_TRUE(index.starts_with(expectedIndex)) << index;
    EXPECT_NE(index.find("<!-- <img src=\"img/commented.gif\"> -->\r\n</BODY></HTML>\r\n"), std::string::npos);
    EXPECT_EQ(page1,
              "<html><body><img src=\"../img/logo.gif\" ALT=\"logo.gif\"  width=200 height=20>"
              "<img src=\"/img/pic.bmp\" ALT=\"pic.bmp\" ><a href=\"../../../../../etc/evil.html\">up</a>"
              "<a href=\"%2e%2e/%2e%2e/escape.html\">esc</a><a href=\"deep/page2.html\">deeper</a>"
              "</body></html>\n");
    EXPECT_EQ(job.Report().altCount, 4);  // logo, page1's logo and pic.bmp, about.htm's missing.gif
    EXPECT_EQ(job.Report().widthCount, 0);
    EXPECT_EQ(job.Report().heightCount, 1);
    EXPECT_EQ(job.Report().htmlFiles, static_cast<int>(job.Pages().size()));
    EXPECT_EQ(job.Report().imageFiles, static_cast<int>(job.Images().size()));
}

TEST_F(SiteFixture, HostileLinksNeverWriteOutsideTheOutputFolder) {
    server.Page("/hostile.html",
                "<a href=\"..%2f..%2f..%2fpwn.html\">a</a><img src=\"/%2e%2e/%2e%2e/pwn.gif\">"
                "<img src=\"..\\..\\..\\pwn2.gif\"><a href=\"/C:/pwn.html\">c</a>"
                "<a href=\"/a%00b.html\">n</a><frame src=\"/x/%2E%2E/%2E%2E/%2E%2E/pwn3.html\">"
                "<a href=\"" + std::string(5000, 'a') + ".html\">long</a>");
    server.Set("/%2e%2e/%2e%2e/pwn.gif", CannedResponse{200, Fixture("logo.gif"), {}});
    SiteOptions options;
    options.levels = 6;
    CSiteOptimizer job(server.Base() + "/hostile.html", out, options, Env());
    job.Run();
    for (const std::string& file : AllFiles()) EXPECT_TRUE(file.starts_with("mirror/127.0.0.1/")) << file;
    EXPECT_FALSE(std::filesystem::exists(scratch / "pwn.gif"));
    EXPECT_FALSE(job.Failures().empty());
}

TEST_F(SiteFixture, GuessedStartPageTriesTheUsualNames) {
    // A bare server name: default.html and default.htm are missing, index.html is there.
    const std::string bare = "127.0.0.1:" + std::to_string(server.Port());
    CSiteOptimizer job(bare, out, SiteOptions{1, false}, Env());
    job.Run();
    EXPECT_FALSE(job.StartFailed());
    const auto requests = server.Requests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(requests.begin(), requests.begin() + 3),
              (std::vector<std::string>{"/default.html", "/default.htm", "/index.html"}));
    EXPECT_TRUE(std::filesystem::exists(Local("index.html")));
}

TEST_F(SiteFixture, UnreachableStartPageReportsAndDownloadsNothing) {
    bool finished = false;
    SiteJobEnvironment env = Env();
    env.onFinished = [&](CSiteOptimizer&) { finished = true; };
    CSiteOptimizer job(server.Base() + "/nothing/here.html", out, SiteOptions{}, std::move(env));
    job.Start();
    job.Wait();
    EXPECT_TRUE(finished);
    EXPECT_TRUE(job.StartFailed());
    EXPECT_TRUE(job.Pages().empty());
    ASSERT_EQ(prompter.Messages().size(), 1u);
    EXPECT_EQ(prompter.Messages()[0].text,
              "Attempts to connect to the server failed.\nCheck the Internet settings under Options");
    EXPECT_TRUE(images.calls.empty());  // no images: no image step
}

TEST_F(SiteFixture, CrawlIsBoundedByPagesBytesTimeAndPageSize) {
    // An endless tree: every page links to two deeper pages.
    for (int i = 1; i < 400; ++i)
        server.Page("/t/" + std::to_string(i) + ".html", "<a href=\"" + std::to_string(2 * i) + ".html\">a</a><a href=\"" +
                                                             std::to_string(2 * i + 1) + ".html\">b</a>");
    SiteJobEnvironment env = Env();
    env.limits.maxPages = 20;
    SiteOptions options;
    options.levels = 6;
    CSiteOptimizer job(server.Base() + "/t/1.html", out, options, std::move(env));
    job.Run();
    EXPECT_EQ(job.Pages().size(), 20u);
    EXPECT_NE(job.LimitReached().find("page limit"), std::string::npos);

    // Byte and time budgets end the crawl after the start page.
    for (const bool byBytes : {true, false}) {
        SiteJobEnvironment bounded = Env();
        if (byBytes)
            bounded.limits.maxBytes = 10;
        else
            bounded.limits.maxTime = std::chrono::seconds(0);
        CSiteOptimizer boundedJob(server.Base() + "/t/1.html", scratch / (byBytes ? "bytes" : "time"), options,
                                  std::move(bounded));
        boundedJob.Run();
        EXPECT_EQ(boundedJob.Pages().size(), 1u) << byBytes;
        EXPECT_NE(boundedJob.LimitReached().find(byBytes ? "download limit" : "time limit"), std::string::npos)
            << boundedJob.LimitReached();
    }

    // A huge page is refused by the size cap and the job goes on.
    server.Page("/huge.html", std::string(300000, ' ') + "<a href=\"x.html\">");
    SiteJobEnvironment small = Env();
    small.limits.fetch.maxBodyBytes = 100000;
    CSiteOptimizer hugeJob(server.Base() + "/huge.html", scratch / "huge", options, std::move(small));
    hugeJob.Run();
    EXPECT_TRUE(hugeJob.StartFailed());
    EXPECT_FALSE(std::filesystem::exists(scratch / "huge" / "127.0.0.1" / "huge.html"));
}

TEST_F(SiteFixture, StopOnOneJobStopsEveryRunningJobButNotLaterOnes) {
    // Slow pages keep two jobs busy.
    for (int i = 0; i < 30; ++i)
        server.Set("/slow/" + std::to_string(i) + ".html",
                   CannedResponse{200, "<p>slow</p>", {}, std::chrono::milliseconds(100)});
    std::string links;
    for (int i = 0; i < 30; ++i) links += "<a href=\"slow/" + std::to_string(i) + ".html\">x</a>";
    server.Page("/many.html", links);

    SiteJobList list;
    auto envFor = [&] {
        SiteJobEnvironment env = Env();
        env.stop = &list.Stop();
        env.onFinished = [&list](CSiteOptimizer& job) { list.Finished(job); };
        return env;
    };
    SiteOptions options;
    options.levels = 6;
    CSiteOptimizer a(server.Base() + "/many.html", scratch / "a", options, envFor());
    CSiteOptimizer b(server.Base() + "/many.html", scratch / "b", options, envFor());
    ASSERT_TRUE(list.Start(a, &prompter));
    ASSERT_TRUE(list.Start(b, &prompter));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    list.Stop().Request();
    CSiteOptimizer later(server.Base() + "/index.html", scratch / "c", SiteOptions{2, false}, envFor());
    ASSERT_TRUE(list.Start(later, &prompter));
    a.Wait();
    b.Wait();
    later.Wait();
    EXPECT_LT(a.Pages().size(), 31u);
    EXPECT_LT(b.Pages().size(), 31u);
    EXPECT_GT(later.Pages().size(), 1u);  // started after the stop: it ran to its end
    EXPECT_EQ(list.Running(), 0u);
}

TEST_F(SiteFixture, SameServerAndFolderCannotRunTwice) {
    server.Set("/slowstart.html", CannedResponse{200, "<p>x</p>", {}, std::chrono::milliseconds(300)});
    SiteJobList list;
    SiteJobEnvironment env = Env();
    env.stop = &list.Stop();
    env.onFinished = [&list](CSiteOptimizer& job) { list.Finished(job); };
    CSiteOptimizer first(server.Base() + "/slowstart.html", out, SiteOptions{}, env);
    CSiteOptimizer second(server.Base() + "/index.html", scratch / "mirror" / ".", SiteOptions{}, env);
    CSiteOptimizer third(server.Base() + "/index.html", scratch / "other", SiteOptions{}, env);
    ASSERT_TRUE(list.Start(first, &prompter));
    EXPECT_FALSE(list.Start(second, &prompter));
    ASSERT_EQ(prompter.Messages().size(), 1u);
    EXPECT_EQ(prompter.Messages()[0].text, "This combination of URL & Output directory is already being processed.");
    EXPECT_TRUE(list.Start(third, &prompter));
    first.Wait();
    third.Wait();
}

TEST_F(SiteFixture, BatchEngineOptimizesTheImagesToTheirDeclaredSizes) {
    const DataFolders folders = DataFolders::UnderRoot(scratch / "home");
    BatchContext context;
    context.folders = &folders;
    BatchSiteImageProcessor engine(BatchMacro("Default"), context);
    SiteJobEnvironment env = Env();
    env.images = &engine;
    CSiteOptimizer job(server.Base() + "/index.html", out, SiteOptions{1, true}, std::move(env));
    job.Run();
    const SiteReport& report = job.Report();
    EXPECT_EQ(report.imageFiles, 3);
    EXPECT_EQ(report.imagesProcessed, 3) << testing::PrintToString(job.Failures());
    EXPECT_LE(report.bytesAfter, report.bytesBefore);
    EXPECT_NE(report.detailedReport.find("DETAILED REPORT"), std::string::npos);
    // photo.jpg (120 x 80) is declared 60 x 40 and was scaled down to it.
    EXPECT_LT(test::ReadFileBytes(Local("img/photo.jpg")).size(), Fixture("photo.jpg").size());
}

TEST_F(SiteFixture, ImagesShownAtTheirNaturalSizeSomewhereAreNeverShrunk) {
    // logo.gif is 40 x 30. A tag without a declared size shows it at 40 x 30
    // (and the rewriter writes that size into it), so shrinking the file
    // would blow that copy up; sizes that disagree in aspect shrink only
    // when both sides do.
    struct Case {
        const char* tags;
        int expectW, expectH;
    };
    const Case cases[] = {
        {"<img src=\"logo.gif\"><img src=\"logo.gif\" width=20 height=15>", 40, 30},
        {"<img src=\"logo.gif\" width=20 height=15><img src=\"logo.gif\">", 40, 30},
        {"<img src=\"logo.gif\" width=20 height=15><img src=\"logo.gif\" width=20>", 40, 30},
        {"<img src=\"logo.gif\" width=20 height=15><a href=\"logo.gif\">big</a>", 40, 30},
        {"<body background=\"logo.gif\"><img src=\"logo.gif\" width=20 height=15>", 40, 30},
        {"<img src=\"logo.gif\" width=\"50%\" height=15>", 40, 30},
        {"<img src=\"logo.gif\" width=20 height=40>", 40, 30},  // the height would grow
        {"<img src=\"logo.gif\" width=40 height=15>", 40, 30},  // the width stays
        {"<img src=\"logo.gif\" width=20 height=15><img src=\"logo.gif\" width=\"10\" height='10'>", 20, 15},
        {"<img src=\"logo.gif\" width=30 height=10><img src=\"logo.gif\" width=20 height=15>", 30, 15},
    };
    const DataFolders folders = DataFolders::UnderRoot(scratch / "home");
    BatchContext context;
    context.folders = &folders;
    BatchSiteImageProcessor engine(BatchMacro("Default"), context);
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tags);
        const std::string folder = "/natural" + std::to_string(n++);
        server.Page(folder + "/index.html", std::string("<html><body>") + c.tags + "</body></html>");
        server.Set(folder + "/logo.gif", CannedResponse{200, Fixture("logo.gif"), {"Content-Type: image/gif"}});
        SiteJobEnvironment env = Env();
        env.images = &engine;
        CSiteOptimizer job(server.Base() + folder + "/index.html", out, SiteOptions{2, true}, std::move(env));
        job.Run();
        ASSERT_EQ(job.Images().size(), 1u);
        EXPECT_TRUE(job.Images()[0].downloaded);
        const Picture after = LoadGifPicture(Local(folder.substr(1) + "/logo.gif"), nullptr);
        EXPECT_EQ(after.Width(), c.expectW);
        EXPECT_EQ(after.Height(), c.expectH);
    }
    // The rewritten page of the first case declares the size the file keeps.
    const std::string page = ReadText(Local("natural0/index.html"));
    EXPECT_NE(page.find("WIDTH=40  HEIGHT=30"), std::string::npos) << page;
}

}  // namespace
}  // namespace lp
