#include "imaging/colour_reduce.h"

#include "formats/bmp/bmp_reader.h"
#include "formats/bmp/bmp_writer.h"
#include "imaging/colour_count.h"
#include "base/imp_exp_exception.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace lp {
namespace {

using test::PixelAt;
using test::SetPixel;

ColourEntry E(int r, int g, int b, int flags = 0) {
    return {std::uint8_t(r), std::uint8_t(g), std::uint8_t(b), std::uint8_t(flags)};
}

// One row holding the colours as runs, left to right.
Picture Runs(const std::vector<std::pair<ColourRef, int>>& runs) {
    int width = 0;
    for (const auto& r : runs) width += r.second;
    Picture p;
    p.Create(width, 1);
    int x = 0;
    for (const auto& [colour, count] : runs)
        for (int i = 0; i < count; ++i) SetPixel(p, x++, 0, colour);
    return p;
}

std::vector<ColourRef> RowColours(const Picture& p) {
    std::vector<ColourRef> out;
    for (int x = 0; x < p.Width(); ++x) out.push_back(PixelAt(p, x, 0));
    return out;
}

// Every output pixel must be a palette colour.
void ExpectPixelsFromPalette(const Picture& p, const std::vector<ColourEntry>& palette) {
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) {
            const ColourEntry c = ColourEntry::FromColour(PixelAt(p, x, y));
            ASSERT_NE(std::find(palette.begin(), palette.end(), c), palette.end()) << x << "," << y;
        }
}

TEST(ColourReduce, ThreeColoursKeepTheirCellCorners) {
    // Three cells, so the target 16 becomes 3. Thresholds: 766 admits the first only; 383 admits the
    // first and white (696 away) but not (200,96,48) (296 away); 192 admits all three, the last one
    // filling the palette on the last cell.
    Picture p = Runs({{MakeColour(10, 20, 30), 3}, {MakeColour(200, 100, 50), 2}, {MakeColour(255, 255, 255), 1}});
    const auto palette = ReduceColours(p, 16);
    EXPECT_EQ(palette, (std::vector<ColourEntry>{E(8, 16, 24), E(200, 96, 48), E(248, 248, 248)}));
    EXPECT_EQ(RowColours(p),
              (std::vector<ColourRef>{MakeColour(8, 16, 24), MakeColour(8, 16, 24), MakeColour(8, 16, 24),
                                      MakeColour(200, 96, 48), MakeColour(200, 96, 48), MakeColour(248, 248, 248)}));
}

TEST(ColourReduce, ThresholdSearchPicksTheLeastPopularColourWhenOnlyItFillsExactly) {
    // Cells by popularity A (0,0,0) x4, B (16,0,0) x3, C (200,200,200) x2, D (208,200,200) x1; target 2.
    // A-B 16, A-C 600, A-D 608, C-D 8. Thresholds 766 (A only), 383 (A, C: full before D, raise),
    // 574 (full at C), 669 (A only), 622, 599 (full at C), 610 (A only), 605: A and D, full on the last
    // cell, so {A, D} is the palette; B maps to A and C to D.
    Picture p = Runs({{MakeColour(0, 0, 0), 4},
                      {MakeColour(16, 0, 0), 3},
                      {MakeColour(200, 200, 200), 2},
                      {MakeColour(208, 200, 200), 1}});
    const auto palette = ReduceColours(p, 2);
    EXPECT_EQ(palette, (std::vector<ColourEntry>{E(0, 0, 0), E(208, 200, 200)}));
    const ColourRef a = MakeColour(0, 0, 0), d = MakeColour(208, 200, 200);
    EXPECT_EQ(RowColours(p), (std::vector<ColourRef>{a, a, a, a, a, a, a, d, d, d}));
}

TEST(ColourReduce, EqualCountsPutTheHigherCellIndexFirst) {
    // Target 1: every iteration fills at once, so the top-up takes the first cell of the popularity order.
    struct Case {
        ColourRef left, right, expected;
    } cases[] = {
        {MakeColour(0, 0, 0), MakeColour(255, 255, 255), MakeColour(248, 248, 248)},
        {MakeColour(255, 255, 255), MakeColour(0, 0, 0), MakeColour(248, 248, 248)},
        {MakeColour(0, 0, 8), MakeColour(8, 0, 0), MakeColour(8, 0, 0)},  // cell 1 against cell 1024
        {MakeColour(8, 0, 0), MakeColour(0, 0, 8), MakeColour(8, 0, 0)},
    };
    for (const Case& c : cases) {
        Picture p = Runs({{c.left, 1}, {c.right, 1}});
        const auto palette = ReduceColours(p, 1);
        ASSERT_EQ(palette.size(), 1u);
        EXPECT_EQ(RowColours(p), (std::vector<ColourRef>{c.expected, c.expected}));
    }
}

TEST(ColourReduce, CellCountersStopAt32767) {
    // (0,0,0) is in cell 0, (0,0,8) in cell 1. Unsaturated, the more popular black wins a target of 1;
    // with 40000 against 35000 pixels both counters stop at 32767 and the higher cell index wins.
    const ColourRef black = MakeColour(0, 0, 0), blue8 = MakeColour(0, 0, 8);
    Picture small = Runs({{black, 3}, {blue8, 2}});
    ReduceColours(small, 1);
    EXPECT_EQ(PixelAt(small, 4, 0), black);

    Picture big;
    big.Create(300, 250);
    for (int i = 0; i < 300 * 250; ++i) SetPixel(big, i % 300, i / 300, i < 40000 ? black : blue8);
    ReduceColours(big, 1);
    EXPECT_EQ(PixelAt(big, 0, 0), blue8);
    EXPECT_EQ(CountColours(big), 1);
}

TEST(ColourReduce, TargetRules) {
    // 5 cells: 4 with one pixel each and one with two.
    const std::vector<std::pair<ColourRef, int>> runs = {{MakeColour(0, 0, 0), 2},
                                                         {MakeColour(64, 0, 0), 1},
                                                         {MakeColour(0, 64, 0), 1},
                                                         {MakeColour(0, 0, 64), 1},
                                                         {MakeColour(255, 255, 255), 1}};
    struct Case {
        int target;
        std::size_t expectedColours;
    } cases[] = {{1, 1}, {3, 3}, {5, 5}, {6, 5}, {257, 5}, {-1, 5}, {-300, 5}};
    for (const Case& c : cases) {
        Picture p = Runs(runs);
        const auto palette = ReduceColours(p, c.target);
        EXPECT_EQ(palette.size(), c.expectedColours) << "target " << c.target;
        EXPECT_EQ(CountColours(p), std::int64_t(c.expectedColours)) << "target " << c.target;
        ExpectPixelsFromPalette(p, palette);
    }
}

TEST(ColourReduce, ZeroTargetIsAnErrorAndLeavesThePicture) {
    Picture p = test::PatternPicture(10, 10);
    const Picture before = p;
    try {
        ReduceColours(p, 0);
        FAIL() << "no exception";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Title(), "Bitmap Error");
        EXPECT_FALSE(e.Message().empty());
    }
    EXPECT_TRUE(p.SamePixels(before));
    EXPECT_THROW(BuildPalette(p, 0), ImpExpException);
    std::vector<ColourEntry> list(4, E(1, 1, 1));
    EXPECT_THROW(ReducePaletteList(list, 0), ImpExpException);
}

TEST(ColourReduce, ThousandCellsTo256AndTo257) {
    // 1000 pixels in 1000 distinct cells (5-bit steps of red, green and blue), with uneven counts.
    Picture p;
    p.Create(100, 30);
    int i = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 100; ++x, ++i) {
            const int cell = (i % 1000) * 32 + (i % 7);  // the same 1000 cells, some met more often
            SetPixel(p, x, y,
                     MakeColour(std::uint8_t((cell >> 10) << 3), std::uint8_t(((cell >> 5) & 31) << 3),
                                std::uint8_t((cell & 31) << 3)));
        }
    ASSERT_GE(Count15BitCells(p), 1000);
    for (int target : {256, 257, 16}) {
        Picture q = p;
        const auto palette = ReduceColours(q, target);
        EXPECT_EQ(palette.size(), std::size_t(target));
        EXPECT_EQ(CountColours(q), target);
        ExpectPixelsFromPalette(q, palette);
    }
}

TEST(ColourReduce, FixedEntryHandChecked) {
    // Fixed red; cells black x2 and (248,0,0) x1; target 2. Black is 255 from red, so it is admitted at
    // thresholds up to 255 and fills the palette before the last cell each time: the search ends with the
    // fixed entry alone, and the top-up adds black. (250,5,0) maps to red (7 away).
    Picture p = Runs({{MakeColour(0, 0, 0), 2}, {MakeColour(250, 5, 0), 1}});
    const std::vector<ColourEntry> fixed = {E(255, 0, 0)};
    const auto palette = ReduceColours(p, 2, fixed);
    EXPECT_EQ(palette, (std::vector<ColourEntry>{E(255, 0, 0), E(0, 0, 0)}));
    EXPECT_EQ(RowColours(p), (std::vector<ColourRef>{MakeColour(0, 0, 0), MakeColour(0, 0, 0), MakeColour(255, 0, 0)}));
}

TEST(ColourReduce, FixedEntriesStartThePaletteUnchanged) {
    const Picture p = test::PatternPicture(64, 64);
    const std::vector<ColourEntry> fixed = {E(1, 2, 3), E(250, 251, 252), E(7, 7, 7), E(100, 0, 200)};
    const auto palette = BuildPalette(p, 16, fixed);
    ASSERT_EQ(palette.size(), 16u);
    EXPECT_TRUE(std::equal(fixed.begin(), fixed.end(), palette.begin()));
}

TEST(ColourReduce, PictureWithFewerCellsThanFixedEntriesMapsOntoThem) {
    // One cell, corner (8,8,8), is 263 from each of red, green and blue: the first, red, wins the tie.
    const std::vector<ColourEntry> fixed = {E(255, 0, 0), E(0, 255, 0), E(0, 0, 255)};
    for (int target : {2, 3, 16, -1}) {
        Picture p = Runs({{MakeColour(10, 10, 10), 4}});
        const auto palette = ReduceColours(p, target, fixed);
        EXPECT_EQ(palette, fixed) << "target " << target;
        EXPECT_EQ(PixelAt(p, 3, 0), MakeColour(255, 0, 0)) << "target " << target;
    }
}

TEST(ColourReduce, TransparentColourFollowsItsPixel) {
    const auto three = [] {
        return Runs({{MakeColour(10, 20, 30), 3}, {MakeColour(200, 100, 50), 2}, {MakeColour(255, 255, 255), 1}});
    };
    struct Case {
        ColourRef in, out;
    } cases[] = {
        {MakeColour(255, 255, 255), MakeColour(248, 248, 248)},  // white is not in the palette
        {MakeColour(200, 100, 50), MakeColour(200, 96, 48)},
        {MakeColour(1, 2, 3), MakeColour(1, 2, 3)},  // no such pixel: unchanged
        {kNoColour, kNoColour},
    };
    for (const Case& c : cases) {
        Picture p = three();
        ColourRef transparent = c.in;
        ReduceColours(p, 16, {}, nullptr, &transparent);
        EXPECT_EQ(transparent, c.out);
    }
}

TEST(ColourReduce, EmptyPictureIsLeftAlone) {
    Picture p;
    EXPECT_TRUE(ReduceColours(p, 16).empty());
    EXPECT_TRUE(p.IsEmpty());
    EXPECT_EQ(BuildPalette(p, 16, std::vector<ColourEntry>{E(1, 2, 3)}), std::vector<ColourEntry>{E(1, 2, 3)});
}

TEST(ColourReduce, BuildPaletteIsTheReductionsPaletteAndLeavesThePicture) {
    const Picture original = test::PatternPicture(80, 60);
    for (int target : {2, 16, 64, 256}) {
        const auto built = BuildPalette(original, target);
        Picture reduced = original;
        EXPECT_EQ(ReduceColours(reduced, target), built) << target;
        EXPECT_EQ(built.size(), std::size_t(target));
    }
    EXPECT_TRUE(original.SamePixels(test::PatternPicture(80, 60)));
}

TEST(ColourReduce, ReportsItsPhases) {
    struct Recorder : ProgressSink {
        void Begin(long low, long high, std::string_view text) override {
            texts.push_back("Begin " + std::to_string(low) + ".." + std::to_string(high) + " " + std::string(text));
        }
        void Step(long position) override {
            EXPECT_GE(position, 0);
            EXPECT_LE(position, 100);
        }
        void SetText(std::string_view text) override { texts.emplace_back(text); }
        void End() override { texts.emplace_back("End"); }
        std::vector<std::string> texts;
    } progress;
    Picture p = Runs({{MakeColour(10, 20, 30), 3}, {MakeColour(200, 100, 50), 2}, {MakeColour(255, 255, 255), 1}});
    ReduceColours(p, 16, {}, &progress);
    const std::vector<std::string> expected = {"Begin 0..100 Counter Analysing Picture ..",
                                               "Processing Colors..",
                                               "Iterations : 1",
                                               "Iterations : 2",
                                               "Iterations : 3",
                                               "Mapping Colors",
                                               "Updating Colors",
                                               "End"};
    EXPECT_EQ(progress.texts, expected);
}

TEST(ColourReduce, ReducedPictureSurvivesAPaletteBmp) {
    // Reduced to 256 (16) colours, an 8-bit (4-bit) BMP holds the picture exactly.
    for (auto [colours, bits] : {std::pair{256, 8}, std::pair{16, 4}}) {
        Picture p = test::PatternPicture(100, 80);
        ReduceColours(p, colours);
        const auto file = EncodeBmp(p, BmpCompression::None, bits, nullptr);
        EXPECT_EQ(file[28], bits);  // biBitCount
        const Picture back = DecodeBmp(file, "reduced.bmp", nullptr);
        EXPECT_TRUE(back.SamePixels(p)) << bits << "-bit";
    }
}

TEST(ColourReducePaletteList, ExactColoursInListOrder) {
    // The same distances as the picture case above, but exact colours, not cell corners.
    std::vector<ColourEntry> list = {E(1, 2, 3), E(17, 2, 3), E(201, 202, 203), E(209, 202, 203)};
    EXPECT_EQ(ReducePaletteList(list, 2), 2);
    EXPECT_EQ(list[0], E(1, 2, 3));
    EXPECT_EQ(list[1], E(209, 202, 203));
}

TEST(ColourReducePaletteList, TopUpComparesAllFourBytes) {
    // Every colour is black, so the search keeps the first alone; the top-up then takes the entry whose
    // flag byte differs.
    std::vector<ColourEntry> list = {E(0, 0, 0), E(0, 0, 0), E(0, 0, 0, 5), E(0, 0, 0)};
    EXPECT_EQ(ReducePaletteList(list, 2), 2);
    EXPECT_EQ(list[0], E(0, 0, 0));
    EXPECT_EQ(list[1], E(0, 0, 0, 5));
}

TEST(ColourReducePaletteList, TargetNotBelowTheLengthLeavesTheList) {
    const std::vector<ColourEntry> original = {E(1, 1, 1), E(2, 2, 2), E(3, 3, 3)};
    for (int target : {3, 4, 1000, -1}) {
        std::vector<ColourEntry> list = original;
        EXPECT_EQ(ReducePaletteList(list, target), 3) << target;
        EXPECT_EQ(list, original);
    }
}

}  // namespace
}  // namespace lp
