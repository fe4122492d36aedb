#include "web/tag_rewriter.h"

#include <cctype>

#include "web/html_scan.h"
#include "web/site_paths.h"

namespace lp {
namespace {

constexpr std::size_t kRewriteTagLimit = 592;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }
bool IsQuote(char c) { return c == '"' || c == '\''; }

/// Whether the tag holds an attribute beginning with the word (after any blank).
bool HasAttribute(std::string_view tag, std::string_view lowerWord) {
    for (std::size_t i = 1; i + lowerWord.size() <= tag.size(); ++i) {
        if (!IsBlank(tag[i - 1])) continue;
        bool same = true;
        for (std::size_t k = 0; k < lowerWord.size() && same; ++k)
            same = std::tolower(static_cast<unsigned char>(tag[i + k])) == lowerWord[k];
        if (same) return true;
    }
    return false;
}

struct SrcValue {
    std::size_t begin = 0;
    std::size_t end = 0;  // the character that ended the value (or the tag's size)
};

/// The SRC attribute ("src" or "SRC" exactly) and its value.
std::optional<SrcValue> FindSrc(std::string_view tag) {
    for (std::size_t at = 1; at + 3 <= tag.size(); ++at) {
        const std::string_view word = tag.substr(at, 3);
        if (word != "src" && word != "SRC") continue;
        if (!IsBlank(tag[at - 1])) continue;  // "data-src", "srcset" are other attributes
        std::size_t i = at + 3;
        while (i < tag.size() && IsBlank(tag[i])) ++i;
        if (i >= tag.size() || tag[i] != '=') continue;
        while (i < tag.size() && (tag[i] == '=' || IsBlank(tag[i]) || IsQuote(tag[i]))) ++i;
        std::size_t end = i;
        while (end < tag.size() && !IsBlank(tag[end]) && !IsQuote(tag[end]) && tag[end] != '>') ++end;
        if (end == i) return std::nullopt;
        return SrcValue{i, end};
    }
    return std::nullopt;
}

/// Puts `text` in front of the tag's closing ">" (and in front of an XHTML "/>").
std::string BeforeClose(std::string_view tag, std::string_view text) {
    std::size_t close = tag.rfind('>');
    if (close == std::string_view::npos) return std::string(tag);
    if (close > 0 && tag[close - 1] == '/') --close;
    std::string out(tag.substr(0, close));
    out += text;
    out += tag.substr(close);
    return out;
}

}  // namespace

std::optional<std::string> ImageSource(std::string_view tag) {
    const auto src = FindSrc(tag);
    if (!src) return std::nullopt;
    return std::string(tag.substr(src->begin, src->end - src->begin));
}

std::string RewriteImageTag(std::string_view input, const TagOptions& options, const ImageSizeLookup& lookup,
                            TagCounts& counts) {
    std::string tag(input);
    const bool hasAlt = HasAttribute(tag, "alt");
    const bool hasWidth = HasAttribute(tag, "width");
    const bool hasHeight = HasAttribute(tag, "height");

    if (options.addAlt && !hasAlt) {
        if (const auto src = FindSrc(tag)) {
            const std::string_view value = std::string_view(tag).substr(src->begin, src->end - src->begin);
            const std::string name(LastComponent(value));
            const std::string extension = UpperExtension(name);
            if (extension.size() > 1 && extension != ".EXE") {
                const std::string alt = " ALT=\"" + name + "\" ";
                if (src->end < tag.size() && tag[src->end] != '>')
                    tag = tag.substr(0, src->end + 1) + alt + tag.substr(src->end + 1);
                else
                    tag = tag.substr(0, src->end) + alt + tag.substr(src->end);
                ++counts.alt;
            }
        }
    }

    const bool wantWidth = options.addWidth && !hasWidth;
    const bool wantHeight = options.addHeight && !hasHeight;
    if ((wantWidth || wantHeight) && lookup) {
        if (const auto src = ImageSource(tag)) {
            if (const auto size = lookup(*src)) {
                if (wantWidth) {
                    tag = BeforeClose(tag, " WIDTH=" + std::to_string(size->first) + " ");
                    ++counts.width;
                }
                if (wantHeight) {
                    tag = BeforeClose(tag, " HEIGHT=" + std::to_string(size->second) + " ");
                    ++counts.height;
                }
            }
        }
    }
    return tag;
}

std::string RewritePageText(std::string_view page, const TagOptions& options, const ImageSizeLookup& lookup,
                            TagCounts& counts) {
    std::string out;
    out.reserve(page.size() + page.size() / 8);
    for (const HtmlPiece& piece : SplitHtml(page, kRewriteTagLimit)) {
        const std::string_view text = page.substr(piece.begin, piece.end - piece.begin);
        const bool imageTag = piece.kind == HtmlPieceKind::Tag && TagName(text) == "IMG" &&
                              (text.find("SRC") != std::string_view::npos || text.find("src") != std::string_view::npos);
        if (imageTag)
            out += RewriteImageTag(text, options, lookup, counts);
        else
            out += text;
    }
    return out;
}

}  // namespace lp
