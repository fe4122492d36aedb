#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lp {

/// What a stretch of an HTML page is, as the optimizer reads pages.
enum class HtmlPieceKind {
    Text,     // outside any tag
    Tag,      // "<" ... ">" (a ">" inside a quoted attribute value does not end it)
    Comment,  // "<!--" ... "-->" (to the end of the page when unterminated)
    RawText,  // the content of a SCRIPT or STYLE element
    CutTag,   // a "<" that found no ">" within the length limit: the first maxTagLength bytes
};

struct HtmlPiece {
    HtmlPieceKind kind;
    std::size_t begin;
    std::size_t end;  // one past the last byte
};

/// Splits a page into pieces that cover every byte exactly once, in order.
/// maxTagLength counts the whole tag, "<" and ">" included.
std::vector<HtmlPiece> SplitHtml(std::string_view html, std::size_t maxTagLength);

/// The element name of a tag in upper case ("IMG", "/A"), empty when none.
std::string TagName(std::string_view tag);

/// A link a page refers to, with the sizes its tag declares.
struct FoundLink {
    std::string text;
    bool anchor = false;  // found as HREF
    int width = 0;        // the tag's WIDTH, 0 when absent or relative ("50%")
    int height = 0;
};

/// The links of a page, in page order: per tag the first of (with levels above 1)
/// FRAME SRC, then SRC, VALUE=, BODY BACKGROUND, then (levels above 1) HREF and URL;
/// and (levels above 1) the ".htm" word of a parenthesised text outside tags.
/// Comments are not scanned.
std::vector<FoundLink> ScanPageLinks(std::string_view html, int levels);

/// The digits after "KEYWORD=" in a tag (any case), skipping blanks, quotes and
/// apostrophes; 0 when absent or followed by "%"; saturates at INT32_MAX.
int DeclaredSize(std::string_view tag, std::string_view upperKeyword);

}  // namespace lp
