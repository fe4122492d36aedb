#include "imaging/image_size.h"

#include "base/imp_exp_exception.h"

#include <string>

namespace lp {

void CheckImageSize(std::int64_t width, std::int64_t height, const ImageLimits& limits) {
    if (width <= 0 || height <= 0) throw InnerError("Invalid picture size");
    const auto pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (width > limits.maxDimension || height > limits.maxDimension || pixels > limits.maxPixels) {
        const std::uint64_t needMb = (pixels * 3 + (1u << 20) - 1) >> 20;
        const std::uint64_t limitMb = (limits.maxPixels * 3) >> 20;
        throw InnerError("Picture too large: " + std::to_string(width) + " x " + std::to_string(height) +
                         " needs " + std::to_string(needMb) + " MB, limit " + std::to_string(limitMb) + " MB");
    }
}

}  // namespace lp
