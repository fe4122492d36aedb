#include "imaging/palette_map.h"

#include "imaging/colour_count.h"
#include "base/imp_exp_exception.h"

#include <array>
#include <string>
#include <vector>

namespace lp {

namespace {

// Values 0..31. Some values repeat and some are missing; the table defines the halftone's look, so it
// stays exactly as it is.
constexpr std::array<std::array<std::uint8_t, 8>, 8> kHalftoneMatrix{{
    {2, 14, 24, 30, 31, 25, 15, 4},
    {8, 3, 20, 26, 27, 21, 6, 0},
    {19, 13, 10, 16, 17, 11, 12, 18},
    {29, 23, 5, 6, 1, 9, 22, 28},
    {31, 25, 15, 4, 2, 14, 24, 30},
    {27, 21, 7, 0, 8, 3, 20, 26},
    {17, 11, 12, 18, 19, 13, 10, 16},
    {1, 9, 22, 28, 29, 23, 5, 6},
}};

// c / 7 rounded to nearest, a remainder above 3 rounding up: 0..36.
constexpr int ScaleChannel(int c) { return c / 7 + (c % 7 > 3 ? 1 : 0); }

int NormalisedPhase(int phase) { return ((phase % 8) + 8) % 8; }

// Applies decide(blue, green, red, threshold) -> white? to every pixel, row by row from the top.
template <typename Decide>
void HalftoneRows(Picture& picture, int phase, Decide&& decide) {
    const int base = NormalisedPhase(phase);
    const int width = picture.Width();
    for (int i = 0; i < picture.Height(); ++i) {
        const auto& thresholds = kHalftoneMatrix[std::size_t((base + i % 8) % 8)];
        std::uint8_t* p = picture.RowFromTop(i).data();
        for (int j = 0; j < width; ++j, p += 3) {
            const std::uint8_t v = decide(p[0], p[1], p[2], int(thresholds[std::size_t(j % 8)])) ? 255 : 0;
            p[0] = p[1] = p[2] = v;
        }
    }
}

}  // namespace

int HalftoneThreshold(int matrixRow, int matrixColumn) {
    return kHalftoneMatrix[std::size_t(matrixRow & 7)][std::size_t(matrixColumn & 7)];
}

void ConvertToPalette(Picture& picture, const NearestColourSource& palette, ProgressSink* progress) {
    const int height = picture.Height();
    const int width = picture.Width();
    ProgressScope scope(progress, 0, height, "Converting Picture to palette " + std::string(palette.Name()));

    struct Cell {
        bool filled = false;
        std::uint8_t blue = 0, green = 0, red = 0;
    };
    std::vector<Cell> cache(kCellCount);
    for (int done = 0; done < height; ++done) {
        std::uint8_t* p = picture.RowFromTop(done).data();
        for (int x = 0; x < width; ++x, p += 3) {
            Cell& cell = cache[std::size_t(CellIndex(p[2], p[1], p[0]))];
            if (!cell.filled) {
                const ColourRef c = palette.Nearest(MakeColour(p[2], p[1], p[0]));
                cell = {true, BlueOf(c), GreenOf(c), RedOf(c)};
            }
            p[0] = cell.blue;
            p[1] = cell.green;
            p[2] = cell.red;
        }
        scope.Step(done + 1);
    }
}

void Halftone(Picture& picture, int phase, int channel) {
    if (channel < 1 || channel > 3)
        throw ImpExpException("Halftone", "Invalid channel " + std::to_string(channel), "Bitmap Error");
    // Channel 1 is blue, the first byte of a pixel.
    const int offset = channel - 1;
    HalftoneRows(picture, phase, [offset](int b, int g, int r, int m) {
        const int c = offset == 0 ? b : offset == 1 ? g : r;
        return m < ScaleChannel(c);
    });
}

void HalftoneByChannel(Picture& picture, int phase, int mode) {
    if (mode < 1 || mode > 4)
        throw ImpExpException("Halftone", "Invalid halftone mode " + std::to_string(mode), "Bitmap Error");
    HalftoneRows(picture, phase, [mode](int b, int g, int r, int m) {
        const int vB = ScaleChannel(b), vG = ScaleChannel(g), vR = ScaleChannel(r);
        const bool allAtOrBelow = m >= vR && m >= vG && m >= vB;
        switch (mode) {
            case 1:
                return !allAtOrBelow;
            case 2:
                return allAtOrBelow || m < vB;
            case 3:
                return allAtOrBelow || m < vG;
            default:
                return allAtOrBelow || m < vR;
        }
    });
}

}  // namespace lp
