#include "imaging/palette_map.h"

#include "imaging/colour_count.h"
#include "base/imp_exp_exception.h"
#include "test_support.h"
#include "tools/palette.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace lp {
namespace {

using test::PixelAt;
using test::SetPixel;

constexpr ColourRef kWhite = MakeColour(255, 255, 255);
constexpr ColourRef kBlack = MakeColour(0, 0, 0);

Palette TwoGreys() {
    Palette p;
    p.SetName("greys");
    p.AddEntry(MakeColour(0, 0, 0), "black");
    p.AddEntry(MakeColour(16, 16, 16), "grey");
    return p;
}

// Counts how often the palette is asked.
class CountingSource : public NearestColourSource {
public:
    explicit CountingSource(const Palette& p) : m_palette(p) {}
    std::string_view Name() const override { return m_palette.Name(); }
    ColourRef Nearest(ColourRef c) const override {
        ++calls;
        asked.insert(CellIndex(RedOf(c), GreenOf(c), BlueOf(c)));
        return m_palette.Nearest(c);
    }
    mutable int calls = 0;
    mutable std::set<int> asked;

private:
    const Palette& m_palette;
};

TEST(ColourPaletteMap, FirstPixelOfACellFromTheTopLeftDecidesTheCell) {
    // (8,8,8) and (15,15,15) share a cell. (15,15,15) alone is nearest the grey (3 against 45);
    // (8,8,8) is 24 from both, so the earlier entry, black, wins.
    const Palette palette = TwoGreys();
    struct Case {
        ColourRef first, second, expected;
    } cases[] = {
        {MakeColour(15, 15, 15), MakeColour(8, 8, 8), MakeColour(16, 16, 16)},
        {MakeColour(8, 8, 8), MakeColour(15, 15, 15), kBlack},
    };
    for (const Case& c : cases) {
        Picture p;
        p.Create(2, 2);
        // The first pixel met is the top row's left pixel; the bottom row holds the other colour.
        SetPixel(p, 0, 0, c.first);
        SetPixel(p, 1, 0, c.second);
        SetPixel(p, 0, 1, c.second);
        SetPixel(p, 1, 1, c.second);
        ConvertToPalette(p, palette);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) EXPECT_EQ(PixelAt(p, x, y), c.expected) << x << "," << y;
    }
}

TEST(ColourPaletteMap, AsksThePaletteOncePerCell) {
    Picture p = test::PatternPicture(120, 90);
    const int cells = Count15BitCells(p);
    const Palette palette = WebSafePalette();
    CountingSource source(palette);
    ConvertToPalette(p, source);
    EXPECT_EQ(source.calls, cells);
    EXPECT_EQ(int(source.asked.size()), cells);
    // Every pixel is now a palette colour.
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) {
            const ColourRef c = PixelAt(p, x, y);
            ASSERT_EQ(palette.Nearest(c), c);
        }
}

TEST(ColourPaletteMap, ProgressNamesThePalette) {
    struct Recorder : ProgressSink {
        void Begin(long low, long high, std::string_view text) override {
            begin = std::to_string(low) + ".." + std::to_string(high) + " " + std::string(text);
        }
        void Step(long) override { ++steps; }
        void SetText(std::string_view) override {}
        void End() override { ++ends; }
        std::string begin;
        int steps = 0, ends = 0;
    } progress;
    Picture p;
    p.Create(3, 4);
    ConvertToPalette(p, TwoGreys(), &progress);
    EXPECT_EQ(progress.begin, "0..4 Converting Picture to palette greys");
    EXPECT_EQ(progress.steps, 4);
    EXPECT_EQ(progress.ends, 1);
}

// Rows of an 8-wide picture after halftoning, 'W' white, 'B' black, from the top.
std::string Pattern(const Picture& p) {
    std::string s;
    for (int y = 0; y < p.Height(); ++y) {
        for (int x = 0; x < p.Width(); ++x) {
            const ColourRef c = PixelAt(p, x, y);
            s += c == kWhite ? 'W' : c == kBlack ? 'B' : '?';
        }
        if (y + 1 < p.Height()) s += '|';
    }
    return s;
}

Picture Uniform(int width, int height, ColourRef c) {
    Picture p;
    p.Create(width, height);
    p.Fill(c);
    return p;
}

TEST(ColourHalftone, ThresholdsTheSelectedChannelAgainstTheMatrix) {
    // Red 100 scales to 14 (100 = 14 x 7 + 2). Matrix row 0 is 2 14 24 30 31 25 15 4, row 1 is
    // 8 3 20 26 27 21 6 0, row 3 is 29 23 5 6 1 9 22 28: white where the value is below 14.
    const ColourRef c = MakeColour(100, 0, 255);
    struct Case {
        int phase, channel;
        const char* expected;
    } cases[] = {
        {0, 3, "WBBBBBBW|WWBBBBWW"},
        {3, 3, "BBWWWWBB|BBBWWBBB"},  // matrix rows 3 and 4; row 4 is 31 25 15 4 2 14 24 30
        {8, 3, "WBBBBBBW|WWBBBBWW"},  // the phase counts modulo 8
        {0, 1, "WWWWWWWW|WWWWWWWW"},  // blue 255 scales to 36, above every value
        {0, 2, "BBBBBBBB|BBBBBBBB"},  // green 0 scales to 0, below none
    };
    for (const Case& k : cases) {
        Picture p = Uniform(8, 2, c);
        Halftone(p, k.phase, k.channel);
        EXPECT_EQ(Pattern(p), k.expected) << "phase " << k.phase << " channel " << k.channel;
    }
}

TEST(ColourHalftone, ScalingRoundsRemaindersAboveThreeUp) {
    // 3 scales to 0 (never white); 4 scales to 1, so only the matrix zeros (row 1 column 7, row 5
    // column 3) turn white.
    Picture low = Uniform(8, 8, MakeColour(3, 3, 3));
    Halftone(low, 0, 3);
    EXPECT_EQ(CountColours(low), 1);
    EXPECT_EQ(PixelAt(low, 0, 0), kBlack);

    Picture p = Uniform(8, 8, MakeColour(4, 4, 4));
    Halftone(p, 0, 3);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool zero = (y == 1 && x == 7) || (y == 5 && x == 3);
            EXPECT_EQ(PixelAt(p, x, y), zero ? kWhite : kBlack) << x << "," << y;
        }
}

TEST(ColourHalftone, ByChannelModes) {
    // vR = 25 (175), vG = 5 (35), vB = 15 (105). Matrix row 0: 2 14 24 30 31 25 15 4; "all at or below"
    // (value >= 25) holds at columns 3, 4 and 5.
    const ColourRef c = MakeColour(175, 35, 105);
    struct Case {
        int mode;
        const char* expected;
    } cases[] = {
        {1, "WWWBBBWW"},  // black where all at or below
        {2, "WWBWWWBW"},  // white there or below vB = 15: 2, 14, 4
        {3, "WBBWWWBW"},  // or below vG = 5: 2, 4
        {4, "WWWWWWWW"},  // or below vR = 25: every other column
    };
    for (const Case& k : cases) {
        Picture p = Uniform(8, 1, c);
        HalftoneByChannel(p, 0, k.mode);
        EXPECT_EQ(Pattern(p), k.expected) << "mode " << k.mode;
    }
}

TEST(ColourHalftone, RejectsUnknownChannelsAndModes) {
    Picture p = Uniform(2, 2, MakeColour(9, 9, 9));
    EXPECT_THROW(Halftone(p, 0, 0), ImpExpException);
    EXPECT_THROW(Halftone(p, 0, 4), ImpExpException);
    EXPECT_THROW(HalftoneByChannel(p, 0, 0), ImpExpException);
    EXPECT_THROW(HalftoneByChannel(p, 0, 5), ImpExpException);
    EXPECT_EQ(PixelAt(p, 1, 1), MakeColour(9, 9, 9));
}

}  // namespace
}  // namespace lp
