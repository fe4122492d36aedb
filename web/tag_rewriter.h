#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace lp {

/// Which attributes the rewriting adds to IMG tags that lack them.
struct TagOptions {
    bool addAlt = true;
    bool addWidth = true;
    bool addHeight = true;
};

/// How many attributes were added.
struct TagCounts {
    int alt = 0;
    int width = 0;
    int height = 0;
};

/// The width and height of the picture a SRC value names, when it can be read.
using ImageSizeLookup = std::function<std::optional<std::pair<int, int>>(std::string_view src)>;

/// One IMG tag with the missing ALT, WIDTH and HEIGHT attributes added.
std::string RewriteImageTag(std::string_view tag, const TagOptions& options, const ImageSizeLookup& lookup,
                            TagCounts& counts);

/// A whole page: every IMG tag outside comments, scripts and styles that holds
/// "SRC" or "src" is rewritten; every other byte is kept as it was. A tag with
/// no ">" within 592 bytes is copied unchanged.
std::string RewritePageText(std::string_view page, const TagOptions& options, const ImageSizeLookup& lookup,
                            TagCounts& counts);

/// The SRC value of an IMG tag (nothing when it has none).
std::optional<std::string> ImageSource(std::string_view tag);

}  // namespace lp
