#pragma once
#include <cstdint>

namespace lp {

/// Limits checked before any pixel allocation. Decoders take them by value so
/// fuzzers and tests can lower them without global state.
struct ImageLimits {
    std::uint64_t maxPixels = 256ull * 1024 * 1024;
    std::int32_t maxDimension = 1 << 20;
};

/// Bytes of one row in the 24-bit exchange format (BGR, padded to 4 bytes).
constexpr std::uint64_t RowBytes24(std::int64_t width) {
    return width <= 0 ? 0 : (static_cast<std::uint64_t>(width) * 3 + 3) / 4 * 4;
}

/// Bytes of one row of a packed bitmap at the given depth, padded to 4 bytes.
constexpr std::uint64_t PackedRowBytes(std::int64_t width, int bitsPerPixel) {
    return width <= 0 ? 0 : (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitsPerPixel) + 31) / 32 * 4;
}

/// Throws InnerError with a clear "too large" message when width x height
/// breaks the limits or is not positive.
void CheckImageSize(std::int64_t width, std::int64_t height, const ImageLimits& limits);

}  // namespace lp
