#include "browser/html_pictures.h"

#include "formats/format_table.h"
#include "test_support.h"
#include "web/test_http_server.h"

#include <fstream>

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;
using test::TestHttpServer;

void Write(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p) << text;
}

std::string Bytes(const fs::path& p) {
    const auto b = test::ReadFileBytes(p);
    return std::string(b.begin(), b.end());
}

TEST(HtmlFilePictures, ReferencesOfThePageAndItsLocalPages) {
    ScratchDir dir;
    const fs::path site = dir / "site";
    fs::create_directories(site / "img");
    fs::create_directories(site / "sub");
    SavePictureByExtension(test::PatternPicture(4, 4), site / "img" / "a.gif");
    SavePictureByExtension(test::PatternPicture(4, 4), site / "b c.png");
    SavePictureByExtension(test::PatternPicture(4, 4), site / "sub" / "d.jpg");
    Write(site / "notes.txt", "x");
    Write(site / "index.html",
          "<html><body><IMG SRC=\"img/a.gif\"><img src=b%20c.png>\n"
          "<img src='img\\a.gif'><!-- <img src=\"hidden.gif\"> -->"
          "<img src=\"http://elsewhere/x.gif\"><img src=\"missing.jpg\"><img src=\"notes.txt\">"
          "<a href=\"sub/page.htm\">more</a><a href=\"index.html\">self</a></body></html>");
    Write(site / "sub" / "page.htm", "<img src=\"d.jpg\"><img src=\"../img/a.gif\"><a href=\"../index.html\">back</a>");

    // Depth 1: only SRC, so the page behind A HREF is not read.
    const HtmlFilePictures one = ScanHtmlFile(site / "index.html", FileTypeFilter{}, 1);
    ASSERT_TRUE(one.opened);
    EXPECT_EQ(one.pictures, (std::vector<fs::path>{site / "img" / "a.gif", site / "b c.png"}));
    ASSERT_EQ(one.errors.size(), 1u);
    EXPECT_EQ(one.errors[0].object, (site / "missing.jpg").string());
    EXPECT_EQ(one.errors[0].description, "File does not exists");

    // Depth 2: the linked page too, each page once (the links back do not loop).
    const HtmlFilePictures two = ScanHtmlFile(site / "index.html", FileTypeFilter{}, 2);
    EXPECT_EQ(two.pictures,
              (std::vector<fs::path>{site / "img" / "a.gif", site / "b c.png", site / "sub" / "d.jpg"}));

    // The filter decides what is a picture.
    const HtmlFilePictures gifs = ScanHtmlFile(site / "index.html", FileTypeFilter(".GIF;"), 2);
    EXPECT_EQ(gifs.pictures, std::vector<fs::path>{site / "img" / "a.gif"});

    Write(site / "plain.htm", "<html><body>No pictures</body></html>");
    EXPECT_TRUE(ScanHtmlFile(site / "plain.htm", FileTypeFilter{}, 1).pictures.empty());
    EXPECT_FALSE(ScanHtmlFile(site / "gone.htm", FileTypeFilter{}, 1).opened);
}

TEST(HtmlFilePictures, HugePageIsReadOnlyToTheLimit) {
    ScratchDir dir;
    SavePictureByExtension(test::PatternPicture(4, 4), dir / "early.gif");
    SavePictureByExtension(test::PatternPicture(4, 4), dir / "late.gif");
    std::string page = "<img src=\"early.gif\">" + std::string(200000, 'x') + "<img src=\"late.gif\">";
    Write(dir / "big.html", page);
    HtmlScanLimits limits;
    limits.maxPageBytes = 100000;
    const HtmlFilePictures found = ScanHtmlFile(dir / "big.html", FileTypeFilter{}, 1, nullptr, limits);
    EXPECT_EQ(found.pictures, std::vector<fs::path>{dir / "early.gif"});
}

TEST(SitePictures, SearchFollowsPagesOnTheSiteAndDownloadsIntoTheFolder) {
    TestHttpServer server;
    const std::string gif = Bytes([] {
        static ScratchDir d;
        SavePictureByExtension(test::PatternPicture(8, 8), d / "p.gif");
        return d / "p.gif";
    }());
    server.Page("/index.htm",
                "<img src=\"/pics/one.gif\"><img src=\"pics/two.GIF\"><a href=\"more.html\">m</a>"
                "<a href=\"http://other.example/far.html\">f</a><a href=\"setup.exe.html\">x</a>"
                "<img src=\"pics/one.gif\"><img src=\"gone.png\">");
    server.Page("/more.html", "<img src=\"pics/three.gif\"><a href=\"deeper.html\">d</a><a href=\"index.htm\">i</a>");
    server.Page("/deeper.html", "<img src=\"pics/four.gif\">");
    for (const char* p : {"/pics/one.gif", "/pics/two.GIF", "/pics/three.gif"}) server.Page(p, gif, "image/gif");

    SiteSearchEnv env;
    env.internet.accessType = kAccessDirect;
    std::vector<std::string> messages;
    env.message = [&](const std::string& m) { messages.push_back(m); };
    // No file named: the default documents are tried in order (default.htm, default.html, index.htm).
    const SiteSearchResult depth2 = SearchSitePictures(server.Base() + "/", 2, env);
    EXPECT_EQ(depth2.pictures,
              (std::vector<std::string>{server.Base() + "/pics/one.gif", server.Base() + "/pics/two.GIF",
                                        server.Base() + "/gone.png", server.Base() + "/pics/three.gif"}));
    EXPECT_TRUE(depth2.errors.empty());
    EXPECT_NE(std::find(messages.begin(), messages.end(), "Contacting Server..."), messages.end());
    EXPECT_NE(std::find(messages.begin(), messages.end(), "Searching For Picture..."), messages.end());
    for (const std::string& r : server.Requests()) {
        EXPECT_EQ(r.find("far.html"), std::string::npos) << r;  // another server
        EXPECT_EQ(r.find(".exe"), std::string::npos) << r;
    }
    const SiteSearchResult depth1 = SearchSitePictures(server.Base() + "/index.htm", 1, env);
    EXPECT_EQ(depth1.pictures.size(), 3u);
    const SiteSearchResult depth3 = SearchSitePictures(server.Base() + "/index.htm", 3, env);
    EXPECT_EQ(depth3.pictures.size(), 5u);

    ScratchDir dir;
    const fs::path down = dir / "Download";
    CUrlFetch fetch(server.Base(), env.internet, nullptr);
    const DownloadOutcome one = DownloadPicture(fetch, server.Base() + "/pics/one.gif", down);
    ASSERT_TRUE(one.local);
    EXPECT_EQ(*one.local, down / "one.gif");
    EXPECT_EQ(Bytes(down / "one.gif"), gif);
    // A picture that is not there stays a URL and is listed with its status text.
    const DownloadOutcome gone = DownloadPicture(fetch, server.Base() + "/gone.png", down);
    EXPECT_FALSE(gone.local);
    EXPECT_EQ(gone.error.object, server.Base() + "/gone.png");
    EXPECT_EQ(gone.error.description, "Object not found.");
    EXPECT_FALSE(fs::exists(down / "gone.png"));
}

TEST(SitePictures, DownloadsNeverWriteOutsideTheFolder) {
    ScratchDir dir;
    const fs::path down = dir / "Download";
    fs::create_directories(down);
    for (const char* url : {"http://h/..", "http://h/a/%2e%2e", "http://h/", "http://h/x%2F..%2Fy.gif"})
        EXPECT_EQ(DownloadTarget(down, url), std::nullopt) << url;
    EXPECT_EQ(DownloadTarget(down, "http://h/dir/p%20q.gif?x=1"), down / "p q.gif");
    // A symbolic link in the folder is not written through.
    fs::create_symlink(dir / "outside.gif", down / "trap.gif");
    const auto target = DownloadTarget(down, "http://h/trap.gif");
    ASSERT_TRUE(target);
    EXPECT_EQ(target->parent_path(), down);
    EXPECT_NE(*target, down / "trap.gif");
}

TEST(SitePictures, RedirectLoopAndHugePageAreBounded) {
    TestHttpServer server;
    server.Set("/loop.htm", test::CannedResponse{302, "", {"Location: /loop.htm"}});
    server.Page("/huge.htm", "<img src=\"a.gif\">" + std::string(300000, ' ') + "<img src=\"b.gif\">");
    SiteSearchEnv env;
    env.internet.accessType = kAccessDirect;
    const SiteSearchResult loop = SearchSitePictures(server.Base() + "/loop.htm", 6, env);
    EXPECT_TRUE(loop.pictures.empty());
    EXPECT_EQ(loop.errors.size(), 1u);
    env.limits.maxPageBytes = 100000;
    const SiteSearchResult huge = SearchSitePictures(server.Base() + "/huge.htm", 1, env);
    EXPECT_TRUE(huge.pictures.empty());  // the page is over the limit: no page at all
    EXPECT_EQ(huge.errors.size(), 1u);
    // The running flag ends a search.
    std::atomic<bool> running{false};
    env.running = &running;
    env.limits.maxPageBytes = 8 << 20;
    EXPECT_TRUE(SearchSitePictures(server.Base() + "/huge.htm", 1, env).pictures.empty());
}

}  // namespace
}  // namespace lp
