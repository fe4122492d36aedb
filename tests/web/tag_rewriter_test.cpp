#include "web/tag_rewriter.h"

#include <gtest/gtest.h>

#include <map>

namespace lp {
namespace {

/// Sizes by SRC value, as the optimizer would read them from the mirror.
ImageSizeLookup Sizes(std::map<std::string, std::pair<int, int>> sizes) {
    return [sizes = std::move(sizes)](std::string_view src) -> std::optional<std::pair<int, int>> {
        const auto it = sizes.find(std::string(src));
        if (it == sizes.end()) return std::nullopt;
        return it->second;
    };
}

const ImageSizeLookup kLogo = Sizes({{"logo.gif", {40, 30}}, {"img/logo.gif", {40, 30}}});

TEST(RewriteImageTagTest, AddsAltWidthAndHeightAsDocumented) {
    TagCounts counts;
    EXPECT_EQ(RewriteImageTag("<IMG SRC=\"logo.gif\">", {}, kLogo, counts),
              "<IMG SRC=\"logo.gif\" ALT=\"logo.gif\"  WIDTH=40  HEIGHT=30 >");
    EXPECT_EQ(counts.alt, 1);
    EXPECT_EQ(counts.width, 1);
    EXPECT_EQ(counts.height, 1);
}

TEST(RewriteImageTagTest, Table) {
    struct Case {
        const char* tag;
        TagOptions options;
        const char* expected;
    };
    const TagOptions all{};
    const Case cases[] = {
        // Existing attributes in any case are kept and not added again.
        {"<img Alt=\"x\" src=\"logo.gif\" width=\"40\">", all, "<img Alt=\"x\" src=\"logo.gif\" width=\"40\" HEIGHT=30 >"},
        {"<img src='img/logo.gif' HEIGHT=9>", all, "<img src='img/logo.gif' ALT=\"logo.gif\"  HEIGHT=9 WIDTH=40 >"},
        // An unquoted value ended by ">" gets ALT before the ">".
        {"<img src=logo.gif>", all, "<img src=logo.gif ALT=\"logo.gif\"  WIDTH=40  HEIGHT=30 >"},
        {"<img src=logo.gif border=0>", TagOptions{true, false, false},
         "<img src=logo.gif  ALT=\"logo.gif\" border=0>"},
        // No ALT for programs or names without an extension; no size for unknown pictures.
        {"<img src=\"run.EXE\">", all, "<img src=\"run.EXE\">"},
        {"<img src=\"noext\">", all, "<img src=\"noext\">"},
        {"<img src=\"pic.bmp\">", all, "<img src=\"pic.bmp\" ALT=\"pic.bmp\" >"},
        {"<IMG SRC=\"logo.gif\">", TagOptions{false, true, false}, "<IMG SRC=\"logo.gif\" WIDTH=40 >"},
        // XHTML stays well formed.
        {"<img src=\"logo.gif\" alt=\"\" />", TagOptions{false, true, true}, "<img src=\"logo.gif\" alt=\"\"  WIDTH=40  HEIGHT=30 />"},
        // A name with a query keeps its file name for ALT.
        {"<img src=\"logo.gif?v=2\" width=1 height=1>", all, "<img src=\"logo.gif?v=2\" ALT=\"logo.gif\"  width=1 height=1>"},
    };
    for (const Case& c : cases) {
        TagCounts counts;
        EXPECT_EQ(RewriteImageTag(c.tag, c.options, kLogo, counts), c.expected) << c.tag;
    }
}

TEST(RewritePageTextTest, ChangesOnlyRealImageTags) {
    const std::string page =
        "<HTML>\r\n<Body>\r\n"
        "<!-- <img src=\"logo.gif\"> -->\r\n"
        "<script>document.write('<img src=\"logo.gif\">');</script>\n"
        "<style>img>x{}</style>"
        "<a title=\"<img src=logo.gif>\" href=x.html>t</a>"
        "<input type=image src=\"logo.gif\">"
        "<img Src=\"logo.gif\">"  // neither "SRC" nor "src": left alone
        "<img src=\"logo.gif\">\xE9\xE8 text\n"
        "<img src=\"logo.gif\" title=\"" + std::string(600, 'x') + "\">"
        "</Body></HTML>";
    TagCounts counts;
    const std::string out = RewritePageText(page, {}, kLogo, counts);
    std::string expected = page;
    const std::string tag = "<img src=\"logo.gif\">\xE9";
    const std::size_t at = expected.find(tag);
    ASSERT_NE(at, std::string::npos);
    expected.replace(at, tag.size() - 1, "<img src=\"logo.gif\" ALT=\"logo.gif\"  WIDTH=40  HEIGHT=30 >");
    EXPECT_EQ(out, expected);
    EXPECT_EQ(counts.alt, 1);
    EXPECT_EQ(counts.width, 1);
    EXPECT_EQ(counts.height, 1);
}

}  // namespace
}  // namespace lp
