#include "web/site_paths.h"

#include <gtest/gtest.h>

namespace lp {
namespace {

TEST(NormaliseStartUrlTest, Table) {
    struct Case {
        const char* in;
        const char* out;
        bool guessed;
    };
    const Case cases[] = {
        {"www.site.com", "http://www.site.com/default.html", true},
        {"www.site.com/", "http://www.site.com/default.html", true},
        {"HTTP://site.com/docs", "HTTP://site.com/docs/default.html", true},
        {"http://site.com/a/page.htm", "http://site.com/a/page.htm", false},
        {"http://site.com/a/page.htm/", "http://site.com/a/page.htm", false},
        {"site.com\\a\\b.html", "http://site.com/a/b.html", false},
        {"https://site.com", "https://site.com/default.html", true},
        {"http://site.com:8080/x?y=1", "http://site.com:8080/x/default.html?y=1", true},
    };
    for (const Case& c : cases) {
        const StartUrl r = NormaliseStartUrl(c.in);
        EXPECT_EQ(r.url, c.out) << c.in;
        EXPECT_EQ(r.guessed, c.guessed) << c.in;
    }
}

TEST(MakeAbsoluteUrlTest, Table) {
    const std::string page = "http://h.com:81/a/b/page.html";
    const std::pair<const char*, const char*> cases[] = {
        {"pic.gif", "http://h.com:81/a/b/pic.gif"},
        {"./pic.gif", "http://h.com:81/a/b/pic.gif"},
        {"../pic.gif", "http://h.com:81/a/pic.gif"},
        {"../../pic.gif", "http://h.com:81/pic.gif"},
        {"../../../../../etc/passwd.gif", "http://h.com:81/etc/passwd.gif"},  // never above the root
        {"/img/x.png", "http://h.com:81/img/x.png"},
        {"\\img\\x.png", "http://h.com:81/img/x.png"},
        {"sub/../y.html", "http://h.com:81/a/b/y.html"},
        {"http://other.com/z.html", "http://other.com/z.html"},
        {"HTTPS://h.com/z.html", "HTTPS://h.com/z.html"},
        {"//cdn.com/q.gif", "http://cdn.com/q.gif"},
        {"list.html?page=2", "http://h.com:81/a/b/list.html?page=2"},
    };
    for (const auto& [link, expected] : cases) {
        const auto r = MakeAbsoluteUrl(link, page);
        ASSERT_TRUE(r) << link;
        EXPECT_EQ(*r, expected) << link;
    }
    for (const char* other : {"mailto:me@h.com", "javascript:go('x.html')", "ftp://h.com/a.gif"})
        EXPECT_FALSE(MakeAbsoluteUrl(other, page)) << other;
}

TEST(SameServerTest, ComparesHostNamesOnly) {
    EXPECT_TRUE(SameServer("http://Site.com/a.html", "https://site.com:8080/b.gif"));
    EXPECT_FALSE(SameServer("http://site.com/a.html", "http://evil.com/a.html"));
    EXPECT_FALSE(SameServer("ftp://site.com/a", "http://site.com/a"));
}

TEST(LocalPathOfUrlTest, MirrorsTheServerPath) {
    const std::filesystem::path out = "/out";
    const std::pair<const char*, const char*> cases[] = {
        {"http://Site.com/a/b/page.html", "/out/site.com/a/b/page.html"},
        {"http://site.com/a%20b/c.gif", "/out/site.com/a b/c.gif"},
        {"http://site.com//double//slash.gif", "/out/site.com/double/slash.gif"},
        {"http://site.com/list.asp?id=3&x=../y", "/out/site.com/list_id=3_x=___y.asp"},
        {"http://site.com/./a/./b.gif", "/out/site.com/a/b.gif"},
    };
    for (const auto& [url, expected] : cases) {
        const auto r = LocalPathOfUrl(out, url);
        ASSERT_TRUE(r) << url;
        EXPECT_EQ(r->string(), expected) << url;
    }
}

TEST(LocalPathOfUrlTest, RefusesPathsThatWouldLeaveTheFolder) {
    for (const char* url : {
             "http://site.com/%2e%2e/%2e%2e/etc/x.html",
             "http://site.com/a/%2E%2E/%2E%2E/%2E%2E/x.html",
             "http://site.com/a/..%2f..%2fx.html",
             "http://site.com/a/..%5c..%5cx.html",
             "http://site.com/C:/windows/x.html",
             "http://site.com/a%00b.html",
             "http://site.com/",
             "http://site.com/folder/",
         }) {
        EXPECT_FALSE(LocalPathOfUrl("/out", url)) << url;
    }
}

TEST(LastComponentTest, IgnoresQueryAndFragment) {
    EXPECT_EQ(LastComponent("a/b/c.gif?x=1/2"), "c.gif");
    EXPECT_EQ(LastComponent("a\\b\\c.HTM#top"), "c.HTM");
    EXPECT_EQ(UpperExtension("c.jpeg"), ".JPEG");
    EXPECT_EQ(UpperExtension("folder"), "");
    EXPECT_EQ(SameFolder("http://h/a/b.html?q", "index.htm"), "http://h/a/index.htm");
    EXPECT_EQ(SameFolder("http://h/default.html", "index.html"), "http://h/index.html");
}

}  // namespace
}  // namespace lp
