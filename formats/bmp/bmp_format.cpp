#include "formats/bmp/bmp_format.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "formats/bmp/bmp_reader.h"
#include "base/imp_exp_exception.h"

namespace lp {

const char* BmpErrorText(int code) {
    static constexpr const char* kTexts[] = {
        "Not a Window Bitmap",
        "Error Opening File",
        "Bad Parameters for Saving File",
        "Unknown/Unsupported DIB format",
        "Not Enough Memory",
        "Insufficient Information for Saving",
        "Error writing to file",
    };
    if (code < 0 || code >= int(std::size(kTexts))) return "Unknown Bitmap Error";
    return kTexts[code];
}

namespace bmp {

void Fail(int code) { throw InnerError(BmpErrorText(code)); }

namespace {

constexpr int kCubeLevels = 6;
constexpr int kCubeStep = 51;
constexpr int kCubeEntries = kCubeLevels * kCubeLevels * kCubeLevels;  // 216
constexpr int kExtraGreys = 256 - kCubeEntries;                        // 40

// Extra grey i (0-based) is round((i + 1) * 255 / 41): none of them falls on a
// cube level, so no two entries of the 256-colour palette are equal.
constexpr std::uint8_t ExtraGrey(int i) {
    return std::uint8_t(((i + 1) * 255 * 2 + (kExtraGreys + 1)) / (2 * (kExtraGreys + 1)));
}

constexpr std::array<Bgr, 2> kMono{{{0, 0, 0}, {255, 255, 255}}};

// Blue, green, red in the order of the standard VGA palette.
constexpr std::array<Bgr, 16> kVga{{
    {0, 0, 0},
    {0, 0, 128},
    {0, 128, 0},
    {0, 128, 128},
    {128, 0, 0},
    {128, 0, 128},
    {128, 128, 0},
    {192, 192, 192},
    {128, 128, 128},
    {0, 0, 255},
    {0, 255, 0},
    {0, 255, 255},
    {255, 0, 0},
    {255, 0, 255},
    {255, 255, 0},
    {255, 255, 255},
}};

constexpr std::array<Bgr, 256> MakeCubePalette() {
    std::array<Bgr, 256> p{};
    for (int r = 0; r < kCubeLevels; ++r)
        for (int g = 0; g < kCubeLevels; ++g)
            for (int b = 0; b < kCubeLevels; ++b)
                p[r * 36 + g * 6 + b] = {std::uint8_t(b * kCubeStep), std::uint8_t(g * kCubeStep),
                                         std::uint8_t(r * kCubeStep)};
    for (int i = 0; i < kExtraGreys; ++i) p[kCubeEntries + i] = {ExtraGrey(i), ExtraGrey(i), ExtraGrey(i)};
    return p;
}
constexpr std::array<Bgr, 256> kCube = MakeCubePalette();

// For every grey value m, the extra greys just below and just above it (-1:
// none). The distance of (r, g, b) to a grey v is convex in v with its
// minimum at the median of r, g, b, so the nearest extra grey is one of the
// two around the median.
struct GreyNeighbours {
    std::array<std::int8_t, 256> below{};
    std::array<std::int8_t, 256> above{};
};
constexpr GreyNeighbours MakeGreyNeighbours() {
    GreyNeighbours n{};
    for (int m = 0; m < 256; ++m) {
        n.below[m] = -1;
        n.above[m] = -1;
        for (int i = 0; i < kExtraGreys; ++i) {
            if (ExtraGrey(i) <= m) n.below[m] = std::int8_t(i);
            if (ExtraGrey(i) >= m && n.above[m] < 0) n.above[m] = std::int8_t(i);
        }
    }
    return n;
}
constexpr GreyNeighbours kGreyNeighbours = MakeGreyNeighbours();

int Nearest256(int r, int g, int b) {
    // The cube is a product of per-channel level sets and the distance is a sum
    // of per-channel terms, so the nearest cube entry takes the nearest level in
    // each channel (levels are 51 apart: never a tie).
    const int ri = (r + kCubeStep / 2) / kCubeStep;
    const int gi = (g + kCubeStep / 2) / kCubeStep;
    const int bi = (b + kCubeStep / 2) / kCubeStep;
    int best = ri * 36 + gi * 6 + bi;
    int bestDistance = std::abs(r - ri * kCubeStep) + std::abs(g - gi * kCubeStep) + std::abs(b - bi * kCubeStep);
    const int median = std::max(std::min(r, g), std::min(std::max(r, g), b));
    // Greys come after the cube, so they win only when strictly nearer; the one
    // below the median is tried first because its index is lower.
    for (const int i : {int(kGreyNeighbours.below[median]), int(kGreyNeighbours.above[median])}) {
        if (i < 0) continue;
        const int v = ExtraGrey(i);
        const int d = std::abs(r - v) + std::abs(g - v) + std::abs(b - v);
        if (d < bestDistance) {
            bestDistance = d;
            best = kCubeEntries + i;
        }
    }
    return best;
}

}  // namespace

std::span<const Bgr> FixedPalette(int bitsPerPixel) {
    switch (bitsPerPixel) {
        case 1:
            return kMono;
        case 4:
            return kVga;
        default:
            return kCube;
    }
}

int NearestFixedIndex(int bitsPerPixel, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    if (bitsPerPixel == 1) return (int(r) + g + b) * 2 > 765 ? 1 : 0;  // 765 is odd: no tie
    if (bitsPerPixel == 8) return Nearest256(r, g, b);
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < int(kVga.size()); ++i) {
        const int d = ColourDistance(r, g, b, kVga[i].red, kVga[i].green, kVga[i].blue);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

}  // namespace bmp
}  // namespace lp
