#pragma once
// Private to the BMP reader and writer: file layout constants, error codes,
// the fixed output palettes and the RLE encoders (exposed here so tests can
// check them directly).
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "base/colour.h"

namespace lp::bmp {

// Error codes; BmpErrorText gives their texts.
enum ErrorCode : int {
    kNotBitmap = 0,
    kOpenFailed = 1,
    kBadSaveParameters = 2,
    kUnsupported = 3,
    kNoMemory = 4,
    kInsufficientInfo = 5,
    kWriteFailed = 6,
};

/// Throws InnerError with the text of the code.
[[noreturn]] void Fail(int code);

inline constexpr std::uint32_t kFileHeaderBytes = 14;
inline constexpr std::uint32_t kInfoHeaderBytes = 40;
inline constexpr std::uint32_t kCoreHeaderBytes = 12;

// biCompression values.
inline constexpr std::uint32_t kBiRgb = 0;
inline constexpr std::uint32_t kBiRle8 = 1;
inline constexpr std::uint32_t kBiRle4 = 2;
inline constexpr std::uint32_t kBiBitfields = 3;
inline constexpr std::uint32_t kBiAlphaBitfields = 6;

/// A colour-table entry in the order the file stores it.
struct Bgr {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    friend bool operator==(const Bgr&, const Bgr&) = default;
};

/// The fixed palettes used for 1-, 4- and 8-bit output when the picture's
/// own colours do not fit: black and white; the 16 colours of the standard
/// VGA palette; a 6 x 6 x 6 colour cube (index r*36 + g*6 + b, levels 0, 51,
/// ..., 255) followed by 40 greys that lie between the cube's greys.
std::span<const Bgr> FixedPalette(int bitsPerPixel);

/// Index of the entry of FixedPalette(bitsPerPixel) nearest to the colour by
/// |dR| + |dG| + |dB|; on a tie the lowest index wins.
int NearestFixedIndex(int bitsPerPixel, std::uint8_t r, std::uint8_t g, std::uint8_t b);

/// Appends one row of palette indexes (each below 256, or 16 for RLE4) in the
/// standard BMP run-length form, without the end-of-line code.
void EncodeRle8Row(std::span<const std::uint8_t> indexes, std::vector<std::uint8_t>& out);
void EncodeRle4Row(std::span<const std::uint8_t> indexes, std::vector<std::uint8_t>& out);

}  // namespace lp::bmp
