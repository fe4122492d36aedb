#include "tools/merge_layout.h"

#include <gtest/gtest.h>

#include "base/imp_exp_exception.h"
#include "base/settings.h"

namespace lp {
namespace {

MergeList ListOf(std::initializer_list<std::pair<int, int>> sizes) {
    MergeList list;
    int n = 0;
    for (auto [w, h] : sizes) list.Add("p" + std::to_string(++n) + ".bmp", w, h);
    for (std::size_t i = 0; i < list.Size(); ++i) list.Select(i, true);
    return list;
}

MergePlacement Auto(MergeOrder order, int perLine, int gapX, int gapY, bool overlap = false) {
    MergePlacement p;
    p.automatic = true;
    p.order = order;
    p.columns = p.rows = perLine;
    p.gapX = gapX;
    p.gapY = gapY;
    p.overlap = overlap;
    return p;
}

TEST(MergePlacement, AutomaticRowsAndColumnsWithGapsAndOverlap) {
    struct Case {
        const char* name;
        std::initializer_list<std::pair<int, int>> sizes;
        MergePlacement placement;
        std::vector<MergeRect> rects;
        MergeRect canvas;
    } cases[] = {
        {"row, 2 columns, gaps 10 and 5",
         {{100, 50}, {100, 50}},
         Auto(MergeOrder::RowFirst, 2, 10, 5),
         {{0, 0, 100, 50}, {110, 0, 210, 50}},
         {0, 0, 210, 50}},
        {"the same with overlap",
         {{100, 50}, {100, 50}},
         Auto(MergeOrder::RowFirst, 2, 10, 5, true),
         {{0, 0, 100, 50}, {100, 0, 200, 50}},
         {0, 0, 200, 50}},
        {"third picture starts a new row below the tallest",
         {{100, 50}, {80, 70}, {30, 30}},
         Auto(MergeOrder::RowFirst, 2, 10, 5),
         {{0, 0, 100, 50}, {110, 0, 190, 70}, {0, 75, 30, 105}},
         {0, 0, 190, 105}},
        {"column first, 2 rows: the next column right of the widest",
         {{100, 50}, {60, 40}, {30, 30}},
         Auto(MergeOrder::ColumnFirst, 2, 10, 5),
         {{0, 0, 100, 50}, {0, 55, 60, 95}, {110, 0, 140, 30}},
         {0, 0, 140, 95}},
        {"one per row stacks them",
         {{20, 10}, {20, 10}},
         Auto(MergeOrder::RowFirst, 1, 3, 4),
         {{0, 0, 20, 10}, {0, 14, 20, 24}},
         {0, 0, 20, 24}},
    };
    for (const Case& c : cases) {
        MergeList list = ListOf(c.sizes);
        list.PlaceAutomatically(c.placement);
        for (std::size_t i = 0; i < c.rects.size(); ++i) {
            EXPECT_EQ(list.Entries()[i].rect, c.rects[i]) << c.name << " #" << i;
            EXPECT_TRUE(list.Entries()[i].placed) << c.name;
        }
        EXPECT_EQ(list.Canvas(), c.canvas) << c.name;
    }
}

TEST(MergePlacement, UnselectedPicturesAreSkippedEverywhere) {
    MergeList list = ListOf({{100, 50}, {40, 40}, {100, 50}});
    list.Select(1, false);
    list.PlaceAutomatically(Auto(MergeOrder::RowFirst, 2, 10, 5));
    EXPECT_EQ(list.Entries()[2].rect, (MergeRect{110, 0, 210, 50}));
    EXPECT_FALSE(list.Entries()[1].placed);
    EXPECT_EQ(list.ExtentWidth(), 150 + 200);
    EXPECT_EQ(list.ExtentHeight(), 150 + 100);
    // Wherever its rectangle lies, an unselected picture never widens the canvas.
    list.MoveCentred(1, 5000, 5000);
    EXPECT_EQ(list.Canvas(), (MergeRect{0, 0, 210, 50}));
}

TEST(MergeList, NamesAreListedOnceAndTheFirstStartsSelected) {
    MergeList list;
    EXPECT_TRUE(list.Add(MergeEntryName("/tmp/a.bmp", "a.bmp"), 10, 10));
    EXPECT_FALSE(list.Add(MergeEntryName("/other/a.bmp", "a.bmp:2"), 10, 10));
    EXPECT_TRUE(list.Add(MergeEntryName({}, "Untitled"), 5, 5));
    ASSERT_EQ(list.Size(), 2u);
    EXPECT_EQ(list.Entries()[1].name, "Untitled");
    EXPECT_TRUE(list.Entries()[0].selected);
    EXPECT_FALSE(list.Entries()[1].selected);
    EXPECT_EQ(list.Entries()[1].rect, (MergeRect{0, 0, 5, 5}));
    EXPECT_EQ(MergeList::ListText(1, "a.bmp"), "  1 a.bmp");
}

TEST(MergeList, ManualPlacementCentresOnTheMouseAndDrops) {
    MergeList list = ListOf({{100, 50}, {40, 20}});
    list.MoveCentred(1, 300, 100);
    EXPECT_EQ(list.Entries()[1].rect, (MergeRect{280, 90, 320, 110}));
    EXPECT_FALSE(list.Entries()[1].placed);
    list.Drop(1);
    EXPECT_TRUE(list.Entries()[1].placed);
    // Never dropped: the first stays at the origin and still counts.
    EXPECT_EQ(list.Canvas(), (MergeRect{0, 0, 320, 110}));
}

TEST(MergeCompose, GapsTakeTheBackgroundAndLaterPicturesCoverEarlierOnes) {
    Picture red, blue;
    red.Create(100, 50);
    red.Fill(std::int32_t(MakeColour(255, 0, 0)));
    blue.Create(100, 50);
    blue.Fill(std::int32_t(MakeColour(0, 0, 255)));
    const Picture* pictures[] = {&red, &blue};
    const ColourRef white = MakeColour(255, 255, 255);
    auto pixel = [](const Picture& p, int x, int y) {
        const std::uint8_t* px = p.RowFromTop(y).data() + x * 3;
        return MakeColour(px[2], px[1], px[0]);
    };

    MergeList row = ListOf({{100, 50}, {100, 50}});
    row.PlaceAutomatically(Auto(MergeOrder::RowFirst, 2, 10, 5));
    const Picture merged = ComposeMerge(row, pictures, white);
    ASSERT_EQ(merged.Width(), 210);
    ASSERT_EQ(merged.Height(), 50);
    EXPECT_EQ(pixel(merged, 0, 0), MakeColour(255, 0, 0));
    EXPECT_EQ(pixel(merged, 99, 49), MakeColour(255, 0, 0));
    for (int x = 100; x < 110; ++x) EXPECT_EQ(pixel(merged, x, 25), white) << x;
    EXPECT_EQ(pixel(merged, 110, 0), MakeColour(0, 0, 255));
    EXPECT_EQ(pixel(merged, 209, 49), MakeColour(0, 0, 255));

    // Overlapping by hand, offset from the origin: the canvas starts at the union's corner.
    MergeList moved = ListOf({{100, 50}, {100, 50}});
    moved.MoveCentred(0, 100, 100);  // (50, 75) .. (150, 125)
    moved.MoveCentred(1, 150, 100);  // (100, 75) .. (200, 125)
    const Picture over = ComposeMerge(moved, pictures, white);
    ASSERT_EQ(over.Width(), 150);
    ASSERT_EQ(over.Height(), 50);
    EXPECT_EQ(pixel(over, 49, 0), MakeColour(255, 0, 0));
    EXPECT_EQ(pixel(over, 50, 0), MakeColour(0, 0, 255));  // the later one on top
}

TEST(MergeCompose, ACanvasBeyondThePictureLimitsIsRefused) {
    MergeList list = ListOf({{10, 10}, {10, 10}});
    list.PlaceAutomatically(Auto(MergeOrder::RowFirst, 2, 2000000, 0));
    Picture small;
    small.Create(10, 10);
    const Picture* pictures[] = {&small, &small};
    try {
        ComposeMerge(list, pictures, 0);
        FAIL() << "no refusal";
    } catch (const ImpExpException& e) {
        EXPECT_NE(e.Message().find("too large"), std::string::npos) << e.Message();
    }
}

TEST(MergePlacement, SettingsGiveGapsAndOverlap) {
    AppSettings s;
    s.mergeGapX = 7;
    s.mergeGapY = 3;
    s.overlap = 1;
    const MergePlacement p = MergePlacement::FromSettings(s);
    EXPECT_EQ(p.gapX, 7);
    EXPECT_EQ(p.gapY, 3);
    EXPECT_TRUE(p.overlap);
    EXPECT_FALSE(p.automatic);
    EXPECT_EQ(p.columns, 1);
}

}  // namespace
}  // namespace lp
