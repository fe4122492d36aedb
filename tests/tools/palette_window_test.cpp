#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <vector>

#include "base/data_folders.h"
#include "test_support.h"
#include "tools/palette_window_model.h"

namespace lp {
namespace {

ColourEntry E(int r, int g, int b) { return {std::uint8_t(r), std::uint8_t(g), std::uint8_t(b), 0}; }

std::vector<std::tuple<int, int, int>> Rgb(std::span<const ColourEntry> colours) {
    std::vector<std::tuple<int, int, int>> out;
    for (const ColourEntry& c : colours) out.emplace_back(c.red, c.green, c.blue);
    return out;
}

void SetPixel(Picture& p, int x, int y, int r, int g, int b) {
    std::uint8_t* px = p.RowFromTop(y).data() + std::size_t(x) * 3;
    px[0] = std::uint8_t(b), px[1] = std::uint8_t(g), px[2] = std::uint8_t(r);
}

/// A picture with exactly count different colours, one per pixel in scan order (then repeats).
Picture Distinct(int width, int height, int count) {
    Picture p;
    p.Create(width, height);
    for (int i = 0; i < width * height; ++i) {
        const int v = (i % count) * 7;  // never two alike for count <= 4096
        SetPixel(p, i % width, i / width, v & 0xFF, (v >> 8) & 0xFF, 200);
    }
    return p;
}

bool AllUnique(std::span<const ColourEntry> colours) {
    std::set<ColourRef> seen;
    for (const ColourEntry& c : colours)
        if (!seen.insert(c.ToColour()).second) return false;
    return true;
}

TEST(PaletteWindowSort, RgbAscendingOfThePartsExample) {
    std::vector<ColourEntry> c = {E(10, 5, 0), E(10, 2, 9), E(3, 7, 7)};
    SortColours(c, ColourSortKey::RGB, ColourSortOrder::Ascending);
    EXPECT_EQ(Rgb(c), (std::vector<std::tuple<int, int, int>>{{3, 7, 7}, {10, 2, 9}, {10, 5, 0}}));
}

TEST(PaletteWindowSort, EveryKeyAndOrderGivesTheLexicographicOrderOfItsChannels) {
    // A set with many ties on each channel, so that the later passes matter.
    std::vector<ColourEntry> base;
    for (int r : {0, 9, 200})
        for (int g : {5, 9})
            for (int b : {1, 9, 250}) base.push_back(E(r, g, b));
    std::reverse(base.begin() + 3, base.end());
    struct Case {
        ColourSortKey key;
        int channels[3];  // 0 red, 1 green, 2 blue
    };
    const Case cases[] = {{ColourSortKey::RGB, {0, 1, 2}}, {ColourSortKey::GBR, {1, 2, 0}},
                          {ColourSortKey::BRG, {2, 0, 1}}, {ColourSortKey::RBG, {0, 2, 1}},
                          {ColourSortKey::GRB, {1, 0, 2}}, {ColourSortKey::BGR, {2, 1, 0}}};
    for (const Case& k : cases)
        for (const ColourSortOrder order : {ColourSortOrder::Ascending, ColourSortOrder::Descending}) {
            std::vector<ColourEntry> c = base;
            SortColours(c, k.key, order);
            auto key = [&k](const ColourEntry& e) {
                const int ch[3] = {e.red, e.green, e.blue};
                return std::make_tuple(ch[k.channels[0]], ch[k.channels[1]], ch[k.channels[2]]);
            };
            for (std::size_t i = 1; i < c.size(); ++i) {
                if (order == ColourSortOrder::Ascending)
                    EXPECT_LE(key(c[i - 1]), key(c[i])) << kColourSortKeyTexts[std::size_t(k.key)] << " at " << i;
                else
                    EXPECT_GE(key(c[i - 1]), key(c[i])) << kColourSortKeyTexts[std::size_t(k.key)] << " at " << i;
            }
            EXPECT_EQ(c.size(), base.size());
        }
}

TEST(PaletteWindowSort, BrightnessComparesBlueHighestThenGreenThenRed) {
    std::vector<ColourEntry> c = {E(255, 0, 0), E(0, 0, 1), E(0, 1, 0), E(1, 0, 0)};
    SortColours(c, ColourSortKey::Brightness, ColourSortOrder::Ascending);
    EXPECT_EQ(Rgb(c), (std::vector<std::tuple<int, int, int>>{{1, 0, 0}, {255, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
    SortColours(c, ColourSortKey::Brightness, ColourSortOrder::Descending);
    EXPECT_EQ(Rgb(c), (std::vector<std::tuple<int, int, int>>{{0, 0, 1}, {0, 1, 0}, {255, 0, 0}, {1, 0, 0}}));
}

TEST(PaletteWindowModel, NeverHoldsMoreThan256OrAColourTwice) {
    PaletteWindowModel m;
    EXPECT_TRUE(m.Add(MakeColour(1, 2, 3)));
    EXPECT_FALSE(m.Add(MakeColour(1, 2, 3)));
    EXPECT_FALSE(m.Add(kNoColour));
    std::vector<ColourEntry> many;
    for (int i = 0; i < 300; ++i) many.push_back(E(i & 0xFF, i >> 8, 7));
    many.push_back(E(1, 2, 3));
    EXPECT_EQ(m.AddColours(many), 255);
    EXPECT_EQ(m.Count(), 256);
    EXPECT_TRUE(m.Full());
    EXPECT_FALSE(m.Add(MakeColour(9, 9, 9)));
    EXPECT_FALSE(m.SetColour(256, MakeColour(9, 9, 9)));  // appending past a full grid
    EXPECT_TRUE(AllUnique(m.Colours()));
}

TEST(PaletteWindowModel, RemoveMovesLaterSwatchesUpAndSetColourReplacesOrAppends) {
    PaletteWindowModel m;
    for (int i = 0; i < 4; ++i) m.Add(MakeColour(std::uint8_t(i), 0, 0));
    EXPECT_TRUE(m.Remove(1));
    EXPECT_FALSE(m.Remove(3));
    EXPECT_FALSE(m.Remove(-1));
    EXPECT_EQ(Rgb(m.Colours()), (std::vector<std::tuple<int, int, int>>{{0, 0, 0}, {2, 0, 0}, {3, 0, 0}}));

    EXPECT_TRUE(m.SetColour(0, MakeColour(50, 60, 70)));  // replace
    EXPECT_TRUE(m.SetColour(9, MakeColour(80, 80, 80)));  // a position past the last appends
    EXPECT_FALSE(m.SetColour(1, MakeColour(3, 0, 0)));    // already shown in swatch 2
    EXPECT_TRUE(m.SetColour(2, MakeColour(3, 0, 0)));     // its own colour again: nothing changes
    EXPECT_EQ(Rgb(m.Colours()),
              (std::vector<std::tuple<int, int, int>>{{50, 60, 70}, {2, 0, 0}, {3, 0, 0}, {80, 80, 80}}));
    EXPECT_EQ(m.ColourAt(3), MakeColour(80, 80, 80));
    EXPECT_EQ(m.ColourAt(4), kNoColour);
}

TEST(PaletteWindowModel, LoadPaletteKeepsTheFirst256InFileOrderEachOnceAndTakesTheName) {
    Palette p;
    p.SetName("big");
    p.AddEntry(MakeColour(5, 5, 5), "dup");
    for (int i = 0; i < 400; ++i) p.AddEntry(MakeColour(std::uint8_t(i & 0xFF), std::uint8_t(i >> 8), 1), "c");
    p.AddEntry(MakeColour(5, 5, 5), "dup again");
    PaletteWindowModel m;
    m.LoadPalette(p);
    ASSERT_EQ(m.Count(), 256);
    EXPECT_EQ(m.ColourAt(0), MakeColour(5, 5, 5));
    EXPECT_EQ(m.ColourAt(1), MakeColour(0, 0, 1));
    EXPECT_EQ(m.ColourAt(255), MakeColour(254, 0, 1));
    EXPECT_TRUE(AllUnique(m.Colours()));
    EXPECT_EQ(m.Title(), "Palette (big)");
    m.Clear();
    EXPECT_EQ(m.Title(), "Palette");
    EXPECT_TRUE(m.Empty());
}

TEST(PaletteWindowModel, LoadFromPictureTakesItsOwnColoursUpTo256ElseA256Reduction) {
    PaletteWindowModel m;
    const Picture few = Distinct(10, 4, 13);
    m.LoadFromPicture(few);
    ASSERT_EQ(m.Count(), 13);
    EXPECT_EQ(m.ColourAt(0), MakeColour(0, 0, 200));  // scan order from the top row
    EXPECT_EQ(m.ColourAt(1), MakeColour(7, 0, 200));

    const Picture many = Distinct(64, 64, 4000);
    m.LoadFromPicture(many);
    EXPECT_EQ(m.Count(), 256);
    EXPECT_TRUE(AllUnique(m.Colours()));
}

TEST(PaletteWindowModel, SliderBelowTheCountKeepsTheFirstAboveAddsTheReductionsColours) {
    PaletteWindowModel m;
    const Picture picture = Distinct(16, 16, 40);
    const Picture* frames[] = {&picture};
    m.Add(MakeColour(1, 1, 1));
    m.Add(MakeColour(2, 2, 2));
    m.Add(MakeColour(3, 3, 3));
    EXPECT_EQ(m.SliderReleased(2, frames, 0, false), 2);
    EXPECT_EQ(m.ColourAt(1), MakeColour(2, 2, 2));
    // More than the picture has: its own 40 colours are added, the slider moves to what is shown.
    EXPECT_EQ(m.SliderReleased(200, frames, 0, false), 42);
    EXPECT_TRUE(m.Contains(MakeColour(17, 1, 200)));
    // Fewer than the picture has: a reduction's colours.
    PaletteWindowModel r;
    EXPECT_EQ(r.SliderReleased(10, frames, 0, false), 10);
    // Nothing to read colours from: the slider goes back to the count.
    PaletteWindowModel none;
    EXPECT_EQ(none.SliderReleased(50, {}, 0, false), 0);
    EXPECT_EQ(m.SliderReleased(0, frames, 0, false), 0);
    EXPECT_TRUE(m.Empty());
}

TEST(PaletteWindowModel, CommonPaletteOverAllFramesWhenTheSwitchIsOnAndThereAreFrames) {
    Picture a, b;
    a.Create(2, 1);
    b.Create(3, 1);
    SetPixel(a, 0, 0, 255, 0, 0);
    SetPixel(a, 1, 0, 0, 255, 0);
    SetPixel(b, 0, 0, 0, 255, 0);
    SetPixel(b, 1, 0, 0, 0, 255);
    SetPixel(b, 2, 0, 9, 9, 9);
    const Picture* frames[] = {&a, &b};
    PaletteWindowModel m;
    m.Add(MakeColour(100, 100, 100));  // replaced by the common palette
    EXPECT_EQ(m.SliderReleased(256, frames, 1, true), 4);
    EXPECT_EQ(Rgb(m.Colours()),
              (std::vector<std::tuple<int, int, int>>{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}}));
    // Switch off: only the current frame counts.
    PaletteWindowModel one;
    EXPECT_EQ(one.SliderReleased(256, frames, 0, false), 2);

    // More colours than asked over the frames together: a reduction to n.
    const Picture big1 = Distinct(32, 32, 600), big2 = Distinct(16, 16, 200);
    const Picture* bigFrames[] = {&big1, &big2};
    PaletteWindowModel c;
    c.LoadCommonPalette(bigFrames, 64);
    EXPECT_EQ(c.Count(), 64);
    EXPECT_TRUE(AllUnique(c.Colours()));
}

TEST(PaletteWindowModel, PickedRectangleAddsItsColoursOnceClippedToThePicture) {
    Picture p;
    p.Create(4, 3);
    p.Fill(MakeColour(0, 0, 0));
    SetPixel(p, 1, 1, 10, 20, 30);
    SetPixel(p, 2, 1, 10, 20, 30);
    SetPixel(p, 3, 2, 40, 50, 60);
    PaletteWindowModel m;
    m.Add(MakeColour(0, 0, 0));
    // Dragged from the bottom right past the picture to the top left: clipped and normalised.
    EXPECT_EQ(m.AddColoursInRect(p, {9, 9, 1, 1}), 2);
    EXPECT_EQ(Rgb(m.Colours()), (std::vector<std::tuple<int, int, int>>{{0, 0, 0}, {10, 20, 30}, {40, 50, 60}}));
    EXPECT_EQ(m.AddColoursInRect(p, {-5, -5, -1, -1}), 0);

    const Picture many = Distinct(40, 40, 1000);
    PaletteWindowModel full;
    EXPECT_EQ(full.AddColoursInRect(many, {0, 0, 40, 40}), 256);
    EXPECT_TRUE(full.Full());
}

TEST(PaletteWindowModel, SavedPaletteNamesItsEntriesAfterThePaletteAndReadsBack) {
    test::ScratchDir dir;
    const DataFolders folders = DataFolders::UnderRoot(dir.Path());
    PaletteWindowModel m;
    m.Add(MakeColour(0, 0, 255));
    m.Add(MakeColour(0, 255, 0));
    m.Add(MakeColour(255, 0, 0));
    EXPECT_EQ(m.SaveAs("", folders), "File name is empty");
    EXPECT_EQ(m.SaveAs("a/b", folders), "Error Saving Palette");
    EXPECT_EQ(m.Title(), "Palette");
    ASSERT_EQ(m.SaveAs("blue", folders), "");
    EXPECT_EQ(m.Title(), "Palette (blue)");
    Palette back;
    ASSERT_EQ(back.Read(PaletteFolder(folders) / "blue.pal"), 0);
    EXPECT_EQ(back.Name(), "blue");
    ASSERT_EQ(back.Count(), 3);
    std::string name;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(back.GetEntry(i, &name), m.ColourAt(i));
        EXPECT_EQ(name, "blue" + std::to_string(i + 1));
    }
}

TEST(PaletteWindowModel, PositionsFollowTheGridOfTwelveOnATenPixelPitch) {
    EXPECT_EQ(PaletteWindowModel::PositionAt(0, 0), 0);
    EXPECT_EQ(PaletteWindowModel::PositionAt(8, 8), 0);
    EXPECT_EQ(PaletteWindowModel::PositionAt(9, 0), -1);  // the gap between swatches
    EXPECT_EQ(PaletteWindowModel::PositionAt(115, 3), 11);
    EXPECT_EQ(PaletteWindowModel::PositionAt(121, 3), -1);  // past the twelfth column
    EXPECT_EQ(PaletteWindowModel::PositionAt(3, 12), 12);
    EXPECT_EQ(PaletteWindowModel::PositionAt(35, 212), 21 * 12 + 3);
    EXPECT_EQ(PaletteWindowModel::PositionAt(50, 212), -1);  // position 256 and beyond
    EXPECT_EQ(PaletteWindowModel::SwatchOrigin(13), std::make_pair(10, 10));
}

}  // namespace
}  // namespace lp
