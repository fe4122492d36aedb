// --optimize-site with --json and --yes, against a local test server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"
#include "optimize/gif_optimizer_test_support.h"
#include "test_support.h"
#include "web/test_http_server.h"

namespace lp {
namespace {

namespace fs = std::filesystem;

std::string AnimationBytes() {
    using namespace test::gifopt;
    GifFrameList frames;
    frames.Add(Frame(Noise(40, 30, 3, 16), 0, 0));
    frames.Add(Frame(Noise(40, 30, 4, 16), 0, 0));
    const GifInfo info = Screen(40, 30);
    const std::vector<std::uint8_t> bytes = EncodeGif(frames, info);
    return {bytes.begin(), bytes.end()};
}

TEST(CliSite, YesResizesADeclaredAnimationAndJsonReports) {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        ::unsetenv(name);
    test::TestHttpServer server;
    server.Page("/index.html", "<html><body><IMG SRC=\"anim.gif\" WIDTH=20 HEIGHT=15></body></html>\n");
    server.Set("/anim.gif", test::CannedResponse{200, AnimationBytes(), {}});
    test::ScratchDir scratch;
    const fs::path mirrored = scratch / "out" / "127.0.0.1" / "anim.gif";

    // The default answer to "Absolute size will change all frames" is No: the image step fails.
    const auto no = test::RunLumaprism({"--optimize-site", server.Base() + "/index.html", "out", "--json"},
                                       scratch.Path());
    EXPECT_EQ(no.exitCode, 1) << no.err;
    const auto noJson = nlohmann::json::parse(no.out);
    EXPECT_EQ(noJson.at("imagesProcessed"), 0);
    EXPECT_EQ(LoadGif(mirrored).frames[0].picture.Width(), 40);

    fs::remove_all(scratch / "out");
    const auto yes = test::RunLumaprism(
        {"--optimize-site", server.Base() + "/index.html", "out", "--json", "--yes"}, scratch.Path());
    ASSERT_EQ(yes.exitCode, 0) << yes.err;
    const auto json = nlohmann::json::parse(yes.out);
    EXPECT_EQ(json.at("url"), server.Base() + "/index.html");
    EXPECT_EQ(json.at("htmlFiles"), 1);
    EXPECT_EQ(json.at("imageFiles"), 1);
    EXPECT_EQ(json.at("imagesProcessed"), 1);
    EXPECT_TRUE(json.at("failures").empty());
    EXPECT_GT(json.at("bytesBefore").get<double>(), 0);
    const GifAnimation resized = LoadGif(mirrored);
    ASSERT_EQ(resized.frames.Count(), 2u);
    EXPECT_EQ(resized.frames[0].picture.Width(), 20);
    EXPECT_EQ(resized.frames[0].picture.Height(), 15);
}

}  // namespace
}  // namespace lp
