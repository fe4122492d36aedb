#include "web/url_fetch.h"
#include "web/internet_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "base/prompter.h"
#include "test_support.h"
#include "web/test_http_server.h"

namespace lp {
namespace {

using test::CannedResponse;
using test::TestHttpServer;

InternetSettings Direct() { return InternetSettings{kAccessDirect, "", ""}; }

struct FetchFixture : ::testing::Test {
    TestHttpServer server;
    ScriptedPrompter prompter;
    test::ScratchDir scratch;

    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> out;
        for (const auto& m : prompter.Messages()) out.push_back(m.text);
        return out;
    }
};

TEST(UrlFetchStatusText, TableAndUnknownCodes) {
    const std::pair<int, const char*> cases[] = {
        {200, "Request completed successfully."},  {204, "No info to return."},
        {302, "Object temporarily moved."},        {303, "Redirection w/ new access method."},
        {404, "Object not found."},                {411, "Couldn't authorize client."},
        {504, "Timed out waiting for gateway."},   {418, ""},
        {0, ""},                                   {205, ""},
    };
    for (const auto& [code, text] : cases) EXPECT_EQ(CUrlFetch::StatusText(code), text) << code;
}

TEST(ParseHttpUrlTest, SplitsServiceServerObjectPort) {
    auto p = ParseHttpUrl("http://Example.com:8080/a/b.html?x=1&y=2");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->service, "http");
    EXPECT_EQ(p->server, "Example.com");
    EXPECT_EQ(p->object, "/a/b.html?x=1&y=2");
    EXPECT_EQ(p->port, 8080);
    p = ParseHttpUrl("HTTPS://host");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->service, "https");
    EXPECT_EQ(p->object, "/");
    EXPECT_EQ(p->port, 0);
    for (const char* bad : {"ftp://host/x.gif", "mailto:a@b", "", "http://", "not a url", "file:///etc/passwd"})
        EXPECT_FALSE(ParseHttpUrl(bad)) << bad;
}

TEST_F(FetchFixture, NonHttpUrlFailsAtOnceWithoutMessage) {
    CUrlFetch fetch("ftp://127.0.0.1/file.gif", Direct(), &prompter);
    EXPECT_EQ(fetch.Fetch(), 0);
    EXPECT_EQ(fetch.FailureCode(), 1);
    EXPECT_TRUE(prompter.Messages().empty());
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(FetchFixture, GetSendsFixedHeadersAndSavesTheBodyExactly) {
    // 1023 bytes is the read size of the copy loop; the sizes around it matter.
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{1023}, std::size_t{1024},
                                   std::size_t{5000}}) {
        std::string body(size, '\0');
        for (std::size_t i = 0; i < size; ++i) body[i] = static_cast<char>(i * 31 + 7);
        server.Set("/data.bin", CannedResponse{200, body, {}});
        CUrlFetch fetch(server.Base() + "/data.bin", Direct(), &prompter);
        ASSERT_EQ(fetch.Fetch(), 200);
        const auto path = scratch / ("data" + std::to_string(size) + ".bin");
        ASSERT_TRUE(fetch.SaveBody(path));
        const auto saved = test::ReadFileBytes(path);
        EXPECT_EQ(std::string(saved.begin(), saved.end()), body) << size;
    }
    const std::string headers = server.LastHeaders();
    EXPECT_NE(headers.find("User-Agent: URL_Connection_Sample\r\n"), std::string::npos) << headers;
    EXPECT_NE(headers.find("Accept: */*\r\n"), std::string::npos) << headers;
    EXPECT_TRUE(prompter.Messages().empty());
}

TEST_F(FetchFixture, StatusCodesComeBackAsTheyAre) {
    server.Set("/secret", CannedResponse{401, "no", {}});
    server.Set("/gone", CannedResponse{410, "gone", {}});
    CUrlFetch fetch(server.Base() + "/secret", Direct(), &prompter);
    EXPECT_EQ(fetch.Fetch(), 401);
    EXPECT_EQ(fetch.Fetch(server.Base() + "/missing"), 404);
    EXPECT_EQ(fetch.Url(), server.Base() + "/missing");
    EXPECT_EQ(fetch.Fetch(server.Base() + "/gone"), 410);
    EXPECT_TRUE(prompter.Messages().empty());
}

TEST_F(FetchFixture, FollowsOneRelativeRedirectAndKeepsTheUrl) {
    server.Set("/old/page.html", CannedResponse{301, "", {"location: ../new/page.html"}});
    server.Page("/new/page.html", "<html>moved</html>");
    const std::string url = server.Base() + "/old/page.html";
    CUrlFetch fetch(url, Direct(), &prompter);
    EXPECT_EQ(fetch.Fetch(), 200);
    EXPECT_EQ(fetch.Url(), url);
    const auto& body = fetch.Request().body;
    EXPECT_EQ(std::string(body.begin(), body.end()), "<html>moved</html>");
    EXPECT_EQ(server.Count("/new/page.html"), 1);
}

TEST_F(FetchFixture, SecondRedirectIsNotFollowed) {
    server.Set("/a", CannedResponse{302, "", {"Location: /b"}});
    server.Set("/b", CannedResponse{303, "", {"Location: /c"}});
    server.Page("/c", "end");
    CUrlFetch fetch(server.Base() + "/a", Direct(), &prompter);
    EXPECT_EQ(fetch.Fetch(), 303);
    EXPECT_EQ(fetch.FailureCode(), 2);
    EXPECT_EQ(server.Count("/c"), 0);
}

TEST_F(FetchFixture, RedirectFailuresShowTheirMessages) {
    server.Set("/nowhere", CannedResponse{302, "", {}});
    server.Set("/ftp", CannedResponse{302, "", {"Location: ftp://127.0.0.1/file.gif"}});
    CUrlFetch fetch(server.Base() + "/nowhere", Direct(), &prompter);
    EXPECT_EQ(fetch.Fetch(), 302);
    EXPECT_EQ(fetch.FailureCode(), 2);
    EXPECT_EQ(fetch.Fetch(server.Base() + "/ftp"), 302);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{
                                  "Error: Site redirects with no new location",
                                  "Error: the redirected URL does not reference a HTTP resource.",
                              }));
}

TEST_F(FetchFixture, ShortBodyIsAFailureAndLeavesNoFile) {
    server.Set("/short.gif", CannedResponse{200, std::string(100, 'x'), {}, {}, 5000});
    const auto path = scratch / "short.gif";
    test::WriteFileBytes(path, {'o', 'l', 'd'});
    CUrlFetch fetch(server.Base() + "/short.gif", Direct(), &prompter);
    fetch.Fetch();
    EXPECT_FALSE(fetch.Request().complete);
    EXPECT_EQ(fetch.FailureCode(), 3);
    EXPECT_FALSE(fetch.SaveBody(path));
    EXPECT_EQ(test::ReadFileBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    ASSERT_EQ(prompter.Messages().size(), 1u);
    EXPECT_LE(prompter.Messages()[0].text.size(), 1024u);
}

TEST_F(FetchFixture, BodyLargerThanTheLimitIsRefused) {
    server.Set("/huge.html", CannedResponse{200, std::string(200000, 'h'), {}});
    FetchLimits limits;
    limits.maxBodyBytes = 65536;
    CUrlFetch fetch(server.Base() + "/huge.html", Direct(), &prompter, limits);
    fetch.Fetch();
    EXPECT_FALSE(fetch.Request().complete);
    EXPECT_NE(fetch.ErrorText().find("larger than 65536 bytes"), std::string::npos) << fetch.ErrorText();
    EXPECT_FALSE(fetch.SaveBody(scratch / "huge.html"));
    EXPECT_FALSE(std::filesystem::exists(scratch / "huge.html"));
}

TEST_F(FetchFixture, SlowResponseEndsAtTheTimeout) {
    server.Set("/slow.html", CannedResponse{200, "late", {}, std::chrono::milliseconds(3000)});
    FetchLimits limits;
    limits.totalTimeout = std::chrono::milliseconds(300);
    CUrlFetch fetch(server.Base() + "/slow.html", Direct(), &prompter, limits);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(fetch.Fetch(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_EQ(fetch.FailureCode(), 3);
    EXPECT_EQ(prompter.Messages().size(), 1u);
}

TEST_F(FetchFixture, SaveBodyReportsAFileThatCannotBeCreated) {
    server.Page("/p.html", "x");
    CUrlFetch fetch(server.Base() + "/p.html", Direct(), &prompter);
    ASSERT_EQ(fetch.Fetch(), 200);
    const auto path = scratch / "no-such-folder" / "p.html";
    EXPECT_FALSE(fetch.SaveBody(path));
    ASSERT_EQ(prompter.Messages().size(), 1u);
    EXPECT_EQ(prompter.Messages()[0].text, "Unable to open file " + path.string());
}

TEST_F(FetchFixture, NamedProxyCarriesTheRequestAndBypassGoesDirect) {
    // The proxy is our server: a proxied request arrives with the whole URL as target.
    server.Page("http://far.invalid/page.html", "via proxy");
    InternetSettings proxied{kAccessProxy, "127.0.0.1:" + std::to_string(server.Port()), ""};
    CUrlFetch fetch("http://far.invalid/page.html", proxied, &prompter);
    EXPECT_EQ(fetch.Fetch(), 200);
    EXPECT_EQ(server.Count("http://far.invalid/page.html"), 1);

    // A dead proxy with the server's host on the bypass list: reached directly.
    server.Page("/direct.html", "direct");
    InternetSettings bypassed{kAccessProxy, "127.0.0.1:9", "example.org; 127.0.0.1"};
    CUrlFetch direct(server.Base() + "/direct.html", bypassed, &prompter);
    EXPECT_EQ(direct.Fetch(), 200);
}

TEST_F(FetchFixture, DirectAccessIgnoresTheEnvironmentsProxy) {
    server.Page("/env.html", "direct");
    ::setenv("http_proxy", "http://127.0.0.1:9", 1);
    CUrlFetch direct(server.Base() + "/env.html", Direct(), &prompter);
    const int status = direct.Fetch();
    ::unsetenv("http_proxy");
    EXPECT_EQ(status, 200);
}

TEST_F(FetchFixture, ClosedPortGivesZeroAndTheErrorText) {
    CUrlFetch fetch("http://127.0.0.1:9/x.html", Direct(), &prompter);
    EXPECT_EQ(fetch.Fetch(), 0);
    EXPECT_EQ(fetch.FailureCode(), 3);
    EXPECT_FALSE(fetch.ErrorText().empty());
}

TEST(InternetPageTest, OkChecksProxyNameAndDownloadDirectory) {
    test::ScratchDir scratch;
    InternetPageValues proxy{kAccessProxy, "", "", scratch.Path().string()};
    EXPECT_EQ(CheckInternetPage(proxy), "Proxy Server Name cannot be EMPTY !");

    InternetPageValues missing{kAccessDirect, "", "", (scratch / "nope").string()};
    EXPECT_EQ(CheckInternetPage(missing), "Invalid Directory path " + (scratch / "nope").string());
    test::WriteFileBytes(scratch / "file", {'x'});
    InternetPageValues notFolder{kAccessSystem, "", "", (scratch / "file").string()};
    EXPECT_EQ(CheckInternetPage(notFolder), "Invalid Directory path " + (scratch / "file").string());

    InternetPageValues empty{kAccessProxy, "proxy:8080", "a.com b.com", ""};
    EXPECT_EQ(CheckInternetPage(empty), std::nullopt);
    EXPECT_EQ(empty.downLoadDirectory, std::filesystem::current_path().string());
    AppSettings settings;
    StoreInternetPage(empty, settings);
    EXPECT_EQ(settings.accessType, 3);
    EXPECT_EQ(InternetSettingsOf(settings).proxyName, "proxy:8080");
    EXPECT_EQ(InternetSettingsOf(settings).proxyByPass, "a.com b.com");
}

}  // namespace
}  // namespace lp
