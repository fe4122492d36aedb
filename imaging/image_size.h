#pragma once
#include <cstdint>

namespace lp {

/// Pixel data one file may hold (all frames of an animation together) unless the
/// user raises it: 1 GiB of 24-bit rows.
constexpr std::uint64_t kDefaultPictureBudget = 1ull << 30;
/// Environment variable naming the budget in MiB; it wins over the setting.
constexpr const char* kPictureBudgetVariable = "LUMAPRISM_PICTURE_BUDGET_MB";

/// The budget in bytes: the environment variable when it holds a positive number
/// of MiB, else kDefaultPictureBudget.
std::uint64_t DefaultPictureBudget();
/// Pixels one picture may have: 256 Mi, or what a raised budget holds.
std::uint64_t DefaultMaxPixels();
/// Start-up only (before any worker thread): a budget setting in MiB becomes the
/// process's default unless the environment variable already names one.
void ApplyPictureBudgetSetting(std::int64_t megabytes);

/// Pictures with more pixel bytes than this are allocated only when the data present
/// can fill them (a few bytes must not make a huge picture); smaller ones keep the
/// zero-filled rows of a truncated file.
constexpr std::uint64_t kFillCheckBytes = 4ull << 20;
/// The message readers give when the data cannot fill a large picture.
constexpr const char* kNotEnoughImageData = "Not enough image data";

/// Limits checked before any pixel allocation. Decoders take them by value so
/// fuzzers and tests can lower them without global state.
struct ImageLimits {
    std::uint64_t maxPixels = DefaultMaxPixels();
    std::int32_t maxDimension = 1 << 20;
    /// Bytes of 24-bit pixel rows one file may make, all its frames together.
    std::uint64_t maxBytes = DefaultPictureBudget();
};

/// Bytes of one row in the 24-bit exchange format (BGR, padded to 4 bytes).
constexpr std::uint64_t RowBytes24(std::int64_t width) {
    return width <= 0 ? 0 : (static_cast<std::uint64_t>(width) * 3 + 3) / 4 * 4;
}

/// Bytes of a whole picture in the 24-bit exchange format.
constexpr std::uint64_t PictureBytes24(std::int64_t width, std::int64_t height) {
    return height <= 0 ? 0 : RowBytes24(width) * static_cast<std::uint64_t>(height);
}

/// Bytes of one row of a packed bitmap at the given depth, padded to 4 bytes.
constexpr std::uint64_t PackedRowBytes(std::int64_t width, int bitsPerPixel) {
    return width <= 0 ? 0 : (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitsPerPixel) + 31) / 32 * 4;
}

/// Throws InnerError with a clear "too large" message when width x height
/// breaks the limits (pixels, side or bytes) or is not positive.
void CheckImageSize(std::int64_t width, std::int64_t height, const ImageLimits& limits);

/// Counts the pixel bytes of the pictures one file makes against limits.maxBytes.
class PictureBudget {
public:
    explicit PictureBudget(std::uint64_t maxBytes) : m_max(maxBytes) {}
    /// Adds one width x height picture; throws InnerError "Picture too large: ..."
    /// when the file's pictures together would pass the budget.
    void Charge(std::int64_t width, std::int64_t height);
    std::uint64_t Used() const { return m_used; }

private:
    std::uint64_t m_max;
    std::uint64_t m_used = 0;
};

}  // namespace lp
