#include "web/html_scan.h"

#include <gtest/gtest.h>

namespace lp {
namespace {

std::vector<std::string> Texts(std::string_view html, int levels) {
    std::vector<std::string> out;
    for (const FoundLink& l : ScanPageLinks(html, levels)) out.push_back(l.text + (l.anchor ? " (a)" : ""));
    return out;
}

TEST(ScanPageLinksTest, LevelOneFindsOnlyImageSources) {
    const std::string html =
        "<html><body background=\"bg.gif\"><IMG SRC=\"logo.gif\" WIDTH=40>"
        "<input type=image value='button.png'><a href=\"next.html\">next</a>"
        "<frame src=\"dir/\"><script>open('popup.htm')</script></body></html>";
    EXPECT_EQ(Texts(html, 1), (std::vector<std::string>{"bg.gif", "logo.gif", "button.png", "dir/"}));
}

TEST(ScanPageLinksTest, DeeperLevelsFindAnchorsFramesUrlsAndScriptPages) {
    const std::string html =
        "<a href=\"next.html\">n</a><A HREF=docs/>d</A><frameset><frame src=\"menu/\"></frameset>"
        "<meta http-equiv=refresh content=\"0; URL=moved.html\">"
        "<script>window.open('popup.htm','w');</script>"
        "<!-- <a href=\"hidden.html\"> --><a href='#top'>t</a>";
    EXPECT_EQ(Texts(html, 2), (std::vector<std::string>{"next.html (a)", "docs/ (a)", "menu/default.htm",
                                                        "moved.html", "popup.htm", "#top (a)"}));
}

TEST(ScanPageLinksTest, FirstMatchWinsPerTagAndNamesMustBeWhole) {
    // SRC beats HREF in one tag; DATA-SRC is no SRC.
    EXPECT_EQ(Texts("<a href=\"p.html\"><img src=x.gif></a><img data-src=\"lazy.gif\" src='real.gif'>", 2),
              (std::vector<std::string>{"p.html (a)", "x.gif", "real.gif"}));
}

TEST(ScanPageLinksTest, DeclaredSizes) {
    const auto links = ScanPageLinks(
        "<img src=a.gif width=\"100\" height='50'><img src=b.gif WIDTH=50% HEIGHT=20>"
        "<img src=c.gif borderwidth=9><img src=d.gif width=99999999999999>",
        1);
    ASSERT_EQ(links.size(), 4u);
    EXPECT_EQ(links[0].width, 100);
    EXPECT_EQ(links[0].height, 50);
    EXPECT_EQ(links[1].width, 0);  // relative sizes count as absent
    EXPECT_EQ(links[1].height, 20);
    EXPECT_EQ(links[2].width, 0);
    EXPECT_EQ(links[3].width, 2147483647);
}

TEST(ScanPageLinksTest, OverlongTagsAndParenthesesAreNotExamined) {
    const std::string longTag = "<a href=\"far.html\" title=\"" + std::string(700, 'x') + "\">";
    const std::string longParen = "(" + std::string(160, ' ') + "far.htm)";
    EXPECT_TRUE(Texts(longTag + longParen, 3).empty());
}

TEST(SplitHtmlTest, PiecesCoverThePageAndRespectQuotesScriptsAndComments) {
    const std::string html =
        "a<img alt=\"x>y\" src=p.gif>b<!-- <img src=c.gif> -->"
        "<SCRIPT>if (a<b) x='<img src=s.gif>';</script><style>p>q{}</style>< not a tag";
    const auto pieces = SplitHtml(html, 592);
    std::size_t at = 0;
    std::vector<std::string> tags;
    for (const HtmlPiece& p : pieces) {
        EXPECT_EQ(p.begin, at);
        at = p.end;
        if (p.kind == HtmlPieceKind::Tag) tags.push_back(html.substr(p.begin, p.end - p.begin));
    }
    EXPECT_EQ(at, html.size());
    EXPECT_EQ(tags, (std::vector<std::string>{"<img alt=\"x>y\" src=p.gif>", "<SCRIPT>", "</script>", "<style>",
                                              "</style>"}));
}

}  // namespace
}  // namespace lp
