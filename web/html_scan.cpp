#include "web/html_scan.h"

#include <cctype>
#include <climits>
#include <cstdint>
#include <optional>

namespace lp {
namespace {

constexpr std::size_t kTagLimit = 600;       // "<" and up to 599 more, ">" included
constexpr std::size_t kParenthesisLimit = 150;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }
bool IsQuote(char c) { return c == '"' || c == '\''; }
bool IsAlnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool MatchesNoCase(std::string_view text, std::size_t at, std::string_view upperWord) {
    if (at + upperWord.size() > text.size()) return false;
    for (std::size_t i = 0; i < upperWord.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[at + i])) != upperWord[i]) return false;
    return true;
}

std::size_t FindNoCase(std::string_view text, std::string_view upperWord, std::size_t from = 0) {
    for (std::size_t i = from; i + upperWord.size() <= text.size(); ++i)
        if (MatchesNoCase(text, i, upperWord)) return i;
    return std::string_view::npos;
}

/// Where the "=" of an attribute keyword lies: the keyword starts an attribute
/// name (not the tail of a longer name) and only blanks separate it from "=".
std::optional<std::size_t> KeywordEquals(std::string_view upper, std::size_t at, std::string_view keyword) {
    if (at > 0) {
        const char before = upper[at - 1];
        if (IsAlnum(before) || before == '-' || before == '_') return std::nullopt;
    }
    std::size_t i = at + keyword.size();
    if (keyword.ends_with('=')) return i - 1;
    while (i < upper.size() && IsBlank(upper[i])) ++i;
    if (i < upper.size() && upper[i] == '=') return i;
    return std::nullopt;
}

/// The value of the first occurrence of the keyword that has one; the
/// position of its "=" (nothing when no occurrence has a value).
std::optional<std::size_t> FindValue(std::string_view tag, std::string_view upper, std::string_view keyword) {
    for (std::size_t at = upper.find(keyword); at != std::string_view::npos; at = upper.find(keyword, at + 1)) {
        const auto equals = KeywordEquals(upper, at, keyword);
        if (!equals) continue;
        std::size_t i = *equals;
        while (i < tag.size() && (IsBlank(tag[i]) || IsQuote(tag[i]) || tag[i] == '=')) ++i;
        std::size_t end = i;
        while (end < tag.size() && !IsBlank(tag[end]) && !IsQuote(tag[end]) && tag[end] != '>') ++end;
        if (end > i) return *equals;
    }
    return std::nullopt;
}

/// The link text read from its "=": leading junk and one quote skipped, up to
/// a quote, blank, comma, semicolon or ">".
std::string LinkTextAt(std::string_view tag, std::size_t equals) {
    std::size_t i = equals;
    auto keep = [](char c) {
        return IsAlnum(c) || c == '.' || c == '/' || c == '\\' || IsQuote(c) || c == '#' || c == '_' || c == '-' ||
               c == '~' || c == '%';
    };
    while (i < tag.size() && (IsBlank(tag[i]) || !keep(tag[i]))) ++i;
    if (i < tag.size() && IsQuote(tag[i])) ++i;
    std::size_t end = i;
    while (end < tag.size() && !IsQuote(tag[end]) && !IsBlank(tag[end]) && tag[end] != ',' && tag[end] != ';' &&
           tag[end] != '>')
        ++end;
    return std::string(tag.substr(i, end - i));
}

/// The word around ".htm" in a parenthesised script text.
std::string ScriptWord(std::string_view text) {
    const std::size_t at = FindNoCase(text, ".HTM");
    if (at == std::string_view::npos) return {};
    auto delimiter = [](char c) { return IsBlank(c) || IsQuote(c) || c == ',' || c == ';'; };
    std::size_t begin = at;
    while (begin > 0 && !delimiter(text[begin - 1])) --begin;
    std::size_t end = at;
    while (end < text.size() && !delimiter(text[end])) ++end;
    return std::string(text.substr(begin, end - begin));
}

void ScanTag(std::string_view tag, int levels, std::vector<FoundLink>& links) {
    const std::string upper = Upper(tag);
    std::optional<std::size_t> equals;
    bool anchor = false;
    bool frame = false;
    if (levels > 1 && upper.find("FRAME ") != std::string::npos) {
        equals = FindValue(tag, upper, "SRC");
        frame = equals.has_value();
    }
    if (!equals) equals = FindValue(tag, upper, "SRC");
    if (!equals) equals = FindValue(tag, upper, "VALUE=");
    if (!equals && upper.find("BODY") != std::string::npos) equals = FindValue(tag, upper, "BACKGROUND");
    if (!equals && levels > 1) {
        equals = FindValue(tag, upper, "HREF");
        anchor = equals.has_value();
        if (!equals) equals = FindValue(tag, upper, "URL");
    }
    if (!equals) return;
    FoundLink link;
    link.text = LinkTextAt(tag, *equals);
    if (frame && link.text.ends_with('/')) link.text += "default.htm";
    link.anchor = anchor;
    link.width = DeclaredSize(tag, "WIDTH");
    link.height = DeclaredSize(tag, "HEIGHT");
    if (!link.text.empty()) links.push_back(std::move(link));
}

void ScanText(std::string_view text, int levels, std::vector<FoundLink>& links) {
    if (levels <= 1) return;
    for (std::size_t open = text.find('('); open != std::string_view::npos; open = text.find('(', open + 1)) {
        const std::size_t close = text.find(')', open + 1);
        if (close == std::string_view::npos || close - open - 1 > kParenthesisLimit) continue;
        const std::string word = ScriptWord(text.substr(open + 1, close - open - 1));
        if (!word.empty()) links.push_back(FoundLink{word, false, 0, 0});
        open = close;
    }
}

}  // namespace

std::vector<HtmlPiece> SplitHtml(std::string_view html, std::size_t maxTagLength) {
    std::vector<HtmlPiece> pieces;
    std::size_t textStart = 0;
    auto flushText = [&](std::size_t upTo) {
        if (upTo > textStart) pieces.push_back({HtmlPieceKind::Text, textStart, upTo});
    };
    std::size_t i = 0;
    const std::size_t n = html.size();
    while (i < n) {
        if (html[i] != '<') {
            ++i;
            continue;
        }
        if (html.substr(i, 4) == "<!--") {
            const std::size_t close = html.find("-->", i + 4);
            const std::size_t end = close == std::string_view::npos ? n : close + 3;
            flushText(i);
            pieces.push_back({HtmlPieceKind::Comment, i, end});
            i = textStart = end;
            continue;
        }
        const char next = i + 1 < n ? html[i + 1] : '\0';
        if (!(std::isalpha(static_cast<unsigned char>(next)) || next == '/' || next == '!' || next == '?')) {
            ++i;
            continue;
        }
        // Find the closing ">" outside quoted attribute values.
        std::size_t j = i + 1;
        char quote = 0;
        bool afterEquals = false;
        bool closed = false;
        for (; j < n && j - i < maxTagLength; ++j) {
            const char c = html[j];
            if (quote) {
                if (c == quote) quote = 0;
                continue;
            }
            if (c == '>') {
                closed = true;
                break;
            }
            if (IsQuote(c) && afterEquals) {
                quote = c;
                afterEquals = false;
                continue;
            }
            if (c == '=')
                afterEquals = true;
            else if (!IsBlank(c))
                afterEquals = false;
        }
        flushText(i);
        if (!closed) {
            const std::size_t end = std::min(n, i + maxTagLength);
            pieces.push_back({HtmlPieceKind::CutTag, i, end});
            i = textStart = end;
            continue;
        }
        pieces.push_back({HtmlPieceKind::Tag, i, j + 1});
        i = textStart = j + 1;
        const std::string name = TagName(html.substr(pieces.back().begin, j + 1 - pieces.back().begin));
        if (name == "SCRIPT" || name == "STYLE") {
            const std::size_t close = FindNoCase(html, "</" + name, i);
            const std::size_t end = close == std::string_view::npos ? n : close;
            if (end > i) pieces.push_back({HtmlPieceKind::RawText, i, end});
            i = textStart = end;
        }
    }
    flushText(n);
    return pieces;
}

std::string TagName(std::string_view tag) {
    std::size_t i = tag.starts_with('<') ? 1 : 0;
    std::size_t end = i;
    if (end < tag.size() && tag[end] == '/') ++end;
    while (end < tag.size() && (IsAlnum(tag[end]) || tag[end] == '-' || tag[end] == ':' || tag[end] == '!')) ++end;
    return Upper(tag.substr(i, end - i));
}

int DeclaredSize(std::string_view tag, std::string_view upperKeyword) {
    const std::string upper = Upper(tag);
    for (std::size_t at = upper.find(upperKeyword); at != std::string::npos; at = upper.find(upperKeyword, at + 1)) {
        const auto equals = KeywordEquals(upper, at, upperKeyword);
        if (!equals) continue;
        std::size_t i = *equals + 1;
        while (i < tag.size() && (IsBlank(tag[i]) || IsQuote(tag[i]))) ++i;
        std::int64_t value = 0;
        bool any = false;
        while (i < tag.size() && std::isdigit(static_cast<unsigned char>(tag[i]))) {
            value = std::min<std::int64_t>(value * 10 + (tag[i] - '0'), INT_MAX);
            any = true;
            ++i;
        }
        if (!any || (i < tag.size() && tag[i] == '%')) return 0;
        return static_cast<int>(value);
    }
    return 0;
}

std::vector<FoundLink> ScanPageLinks(std::string_view html, int levels) {
    std::vector<FoundLink> links;
    for (const HtmlPiece& piece : SplitHtml(html, kTagLimit)) {
        const std::string_view text = html.substr(piece.begin, piece.end - piece.begin);
        switch (piece.kind) {
            case HtmlPieceKind::Tag: ScanTag(text, levels, links); break;
            case HtmlPieceKind::Text:
            case HtmlPieceKind::RawText: ScanText(text, levels, links); break;
            case HtmlPieceKind::Comment:
            case HtmlPieceKind::CutTag: break;
        }
    }
    return links;
}

}  // namespace lp
