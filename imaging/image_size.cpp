#include "imaging/image_size.h"

#include "base/imp_exp_exception.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

namespace lp {

namespace {

constexpr std::uint64_t kMiB = 1ull << 20;
// A budget above this would overflow the byte arithmetic of callers.
constexpr std::uint64_t kMaxBudgetMiB = 1ull << 30;

std::uint64_t MegabytesText(std::uint64_t bytes) { return (bytes + kMiB - 1) / kMiB; }

// A positive decimal number of MiB, else 0.
std::uint64_t ParseMegabytes(const char* text) {
    if (text == nullptr || *text == '\0') return 0;
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || text[0] == '-') return 0;
    return std::min<std::uint64_t>(value, kMaxBudgetMiB);
}

}  // namespace

std::uint64_t DefaultMaxPixels() {
    return std::max<std::uint64_t>(256ull * 1024 * 1024, DefaultPictureBudget() / 3);
}

std::uint64_t DefaultPictureBudget() {
    const std::uint64_t mb = ParseMegabytes(std::getenv(kPictureBudgetVariable));
    return mb > 0 ? mb * kMiB : kDefaultPictureBudget;
}

void ApplyPictureBudgetSetting(std::int64_t megabytes) {
    if (megabytes <= 0 || ParseMegabytes(std::getenv(kPictureBudgetVariable)) > 0) return;
    const std::string text = std::to_string(std::min<std::uint64_t>(std::uint64_t(megabytes), kMaxBudgetMiB));
    ::setenv(kPictureBudgetVariable, text.c_str(), 1);
}

void CheckImageSize(std::int64_t width, std::int64_t height, const ImageLimits& limits) {
    if (width <= 0 || height <= 0) throw InnerError("Invalid picture size");
    const auto pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    const std::uint64_t limitBytes = std::min(limits.maxPixels * 3, limits.maxBytes);
    if (width > limits.maxDimension || height > limits.maxDimension || pixels > limits.maxPixels ||
        PictureBytes24(width, height) > limits.maxBytes) {
        const std::uint64_t needMb = (pixels * 3 + kMiB - 1) >> 20;
        throw InnerError("Picture too large: " + std::to_string(width) + " x " + std::to_string(height) +
                         " needs " + std::to_string(needMb) + " MB, limit " + std::to_string(limitBytes >> 20) +
                         " MB");
    }
}

void PictureBudget::Charge(std::int64_t width, std::int64_t height) {
    const std::uint64_t bytes = PictureBytes24(width, height);
    if (bytes > m_max || m_used > m_max - bytes)
        throw InnerError("Picture too large: the frames need " + std::to_string(MegabytesText(m_used + bytes)) +
                         " MB, limit " + std::to_string(m_max >> 20) + " MB");
    m_used += bytes;
}

}  // namespace lp
