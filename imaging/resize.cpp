#include "imaging/resize.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace lp {

void Resize(Picture& picture, int newWidth, int newHeight) {
    const std::int64_t w = picture.Width();
    const std::int64_t h = picture.Height();
    if (w == 0 || h == 0) return;
    if (newWidth == w && newHeight == h) return;  // the identity mapping

    Picture result;
    result.Create(newWidth, newHeight);  // throws before anything changes

    // Source byte offset of every destination column, computed once per call.
    std::vector<std::size_t> sourceOffset(static_cast<std::size_t>(newWidth));
    for (std::int64_t u = 0; u < newWidth; ++u)
        sourceOffset[static_cast<std::size_t>(u)] = static_cast<std::size_t>(u * w / newWidth) * 3;

    for (std::int64_t v = 0; v < newHeight; ++v) {
        const auto source = picture.RowFromTop(static_cast<int>(v * h / newHeight));
        auto target = result.RowFromTop(static_cast<int>(v));
        for (int u = 0; u < newWidth; ++u) std::memcpy(&target[std::size_t(u) * 3], &source[sourceOffset[u]], 3);
    }
    picture.Adopt(std::move(result));
}

}  // namespace lp
