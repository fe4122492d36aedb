#include "imaging/quantize_perceptual.h"

#include "imaging/colour_count.h"
#include "imaging/colour_reduce.h"
#include "base/imp_exp_exception.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace lp {
namespace {

using test::PixelAt;
using test::SetPixel;

// A smooth picture, like a sky or a face: red across, green down, blue along the diagonal.
Picture Gradient(int width, int height) {
    Picture p;
    p.Create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(p, x, y,
                     MakeColour(std::uint8_t(x * 255 / (width - 1)), std::uint8_t(y * 255 / (height - 1)),
                                std::uint8_t((x + y) * 255 / (width + height - 2))));
    return p;
}

double MeanSquaredError(const Picture& a, const Picture& b) {
    double se = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            const ColourRef p = PixelAt(a, x, y), q = PixelAt(b, x, y);
            for (int d : {RedOf(p) - RedOf(q), GreenOf(p) - GreenOf(q), BlueOf(p) - BlueOf(q)}) se += double(d) * d;
        }
    return se / (3.0 * a.Width() * a.Height());
}

void ExpectPixelsFromPalette(const Picture& p, const std::vector<ColourEntry>& palette) {
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) {
            const ColourEntry c = ColourEntry::FromColour(PixelAt(p, x, y));
            ASSERT_NE(std::find(palette.begin(), palette.end(), c), palette.end()) << x << "," << y;
        }
}

TEST(ColourQuantize, FewColoursAreKeptExactly) {
    Picture original;
    original.Create(9, 7);
    const ColourRef colours[] = {MakeColour(1, 2, 3), MakeColour(250, 0, 7), MakeColour(9, 9, 9),
                                 MakeColour(128, 128, 129), MakeColour(0, 255, 0)};
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x) SetPixel(original, x, y, colours[(x * 3 + y) % 5]);
    for (QuantizeSpace space : {QuantizeSpace::Oklab, QuantizeSpace::Rgb})
        for (bool dither : {false, true}) {
            Picture p = original;
            const auto palette = QuantizeColours(p, {.colours = 5, .dither = dither, .space = space});
            EXPECT_EQ(palette.size(), 5u);
            EXPECT_TRUE(p.SamePixels(original)) << "dither " << dither;
        }
}

TEST(ColourQuantize, ExactlyTheCountKeepsEveryColour) {
    // 256 distinct colours asked to 256 stay as they are; 512 asked to 511 must change.
    auto distinct = [](int height) {
        Picture p;
        p.Create(32, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < 32; ++x) {
                const int i = y * 32 + x;
                SetPixel(p, x, y, MakeColour(std::uint8_t(i % 256), std::uint8_t(255 - i % 256), std::uint8_t(i / 256)));
            }
        return p;
    };
    const Picture few = distinct(8), many = distinct(16);
    ASSERT_EQ(CountColours(few), 256);
    ASSERT_EQ(CountColours(many), 512);
    Picture p = few;
    EXPECT_EQ(QuantizeColours(p, {.colours = 256, .space = QuantizeSpace::Rgb}).size(), 256u);
    EXPECT_TRUE(p.SamePixels(few));
    p = many;
    QuantizeColours(p, {.colours = 511, .space = QuantizeSpace::Rgb});
    EXPECT_LE(CountColours(p), 511);
    EXPECT_FALSE(p.SamePixels(many));
}

TEST(ColourQuantize, SameResultEveryRun) {
    const Picture original = test::PatternPicture(96, 64);
    for (QuantizeSpace space : {QuantizeSpace::Oklab, QuantizeSpace::Rgb}) {
        Picture a = original, b = original;
        const auto paletteA = QuantizeColours(a, {.colours = 37, .space = space});
        const auto paletteB = QuantizeColours(b, {.colours = 37, .space = space});
        EXPECT_EQ(paletteA, paletteB);
        EXPECT_TRUE(a.SamePixels(b));
    }
}

TEST(ColourQuantize, ReducesToAtMostTheCountFromThePalette) {
    const Picture original = test::PatternPicture(64, 48);
    for (int n : {256, 16, 2, 1})
        for (bool dither : {false, true}) {
            Picture p = original;
            const auto palette = QuantizeColours(p, {.colours = n, .dither = dither});
            EXPECT_LE(palette.size(), std::size_t(n));
            EXPECT_LE(CountColours(p), n);
            ExpectPixelsFromPalette(p, palette);
        }
}

TEST(ColourQuantize, SmallerErrorThanThePopularityReductionOnASmoothPicture) {
    const Picture original = Gradient(200, 150);
    for (int n : {16, 64}) {
        Picture popular = original;
        ReduceColours(popular, n);
        Picture better = original;
        QuantizeColours(better, {.colours = n, .space = QuantizeSpace::Rgb});
        Picture perceptual = original;
        QuantizeColours(perceptual, {.colours = n, .space = QuantizeSpace::Oklab});
        const double popularError = MeanSquaredError(original, popular);
        EXPECT_LT(MeanSquaredError(original, better), popularError * 0.7) << n;
        EXPECT_LT(MeanSquaredError(original, perceptual), popularError) << n;
    }
}

TEST(ColourQuantize, DitheringKeepsTheAverageOfAFlatArea) {
    // Grey 100 on black and white: the nearest colour alone makes it black; diffusion mixes in about
    // 39 % white (a little less, as only part of the error is passed on).
    Picture flat;
    flat.Create(64, 64);
    flat.Fill(MakeColour(100, 100, 100));
    const std::vector<ColourEntry> blackWhite = {{0, 0, 0, 0}, {255, 255, 255, 0}};

    Picture plain = flat;
    RemapToPalette(plain, blackWhite, false, QuantizeSpace::Rgb);
    EXPECT_EQ(CountColours(plain), 1);
    EXPECT_EQ(PixelAt(plain, 10, 10), MakeColour(0, 0, 0));

    Picture dithered = flat;
    RemapToPalette(dithered, blackWhite, true, QuantizeSpace::Rgb);
    double sum = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) sum += RedOf(PixelAt(dithered, x, y));
    EXPECT_NEAR(sum / (64 * 64), 100.0, 5.0);
}

TEST(ColourQuantize, RejectsCountsOutsideTheRange) {
    Picture p = test::PatternPicture(8, 8);
    const Picture before = p;
    for (int n : {0, -1, kMaxQuantizeColours + 1}) {
        EXPECT_THROW(QuantizeColours(p, {.colours = n}), ImpExpException) << n;
    }
    EXPECT_TRUE(p.SamePixels(before));
    EXPECT_THROW(RemapToPalette(p, {}, false, QuantizeSpace::Rgb), ImpExpException);
}

TEST(ColourQuantize, EmptyPictureGivesAnEmptyPalette) {
    Picture p;
    EXPECT_TRUE(QuantizeColours(p, {.colours = 16}).empty());
}

}  // namespace
}  // namespace lp
