#include "shell/print_plan.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace lp {
namespace {

constexpr PrinterCaps kLetter100{100, 100, 850, 1100};

Picture Solid(int w, int h, std::int32_t colour) {
    Picture p;
    p.Create(w, h);
    p.Fill(colour);
    return p;
}

/// Share of black pixels (the plate's ink) in a two-level plate.
double Ink(const Picture& plate) {
    long long black = 0;
    for (int y = 0; y < plate.Height(); ++y)
        for (int x = 0; x < plate.Width(); ++x) black += plate.RowFromTop(y)[std::size_t(x) * 3] == 0;
    return double(black) / (double(plate.Width()) * plate.Height());
}

TEST(PrintPlan, WithoutOptionsOneDotPerPixelAtTheTopLeft) {
    // 600 x 400 pixels at 600 dots per inch: 1 x 2/3 inch on one page.
    const PrintPlan plan(600, 400, PrintSettings{}, {600, 600, 4800, 6600});
    EXPECT_EQ(plan.Planes(), 1);
    EXPECT_EQ(plan.LastPage(), 1);
    const PrintPage page = plan.Page(1);
    EXPECT_EQ(page.plate, 1);
    EXPECT_EQ(page.destination, (PrintRect{0, 0, 600, 400}));
    EXPECT_EQ(page.source, (PrintRect{0, 0, 600, 400}));
    EXPECT_TRUE(plan.Marks(page).empty());
}

TEST(PrintPlan, KeepSizeWiderThanThePageCutsTheLastColumn) {
    PrintSettings s;
    s.printWidth = 2000;
    s.printHeight = 500;
    s.planes = 1;
    const PrintPlan plan(2000, 500, s, kLetter100);
    ASSERT_EQ(plan.Across(), 3);
    ASSERT_EQ(plan.Down(), 1);
    ASSERT_EQ(plan.LastPage(), 3);
    const PrintRect widths[] = {{0, 0, 850, 500}, {850, 0, 850, 500}, {1700, 0, 300, 500}};
    for (int n = 1; n <= 3; ++n) {
        const PrintPage page = plan.Page(n);
        EXPECT_EQ(page.column, n - 1);
        EXPECT_EQ(page.row, 0);
        EXPECT_EQ(page.source, widths[n - 1]) << n;
        EXPECT_EQ(page.destination, (PrintRect{0, 0, widths[n - 1].width, 500})) << n;
    }
}

TEST(PrintPlan, PagesRunColumnsThenRowsThenPlates) {
    // 1600 x 2000 dots on 790 x 1040 separation pages: 3 across, 2 down, 3 plates.
    PrintSettings s;
    s.printWidth = 1600;
    s.printHeight = 2000;
    s.planes = 3;
    const PrintPlan plan(800, 1000, s, kLetter100);
    ASSERT_EQ(plan.Across(), 3);
    ASSERT_EQ(plan.Down(), 2);
    ASSERT_EQ(plan.LastPage(), 18);
    struct Expect {
        int n, plate, column, row;
    };
    for (const Expect e : {Expect{1, 1, 0, 0}, Expect{3, 1, 2, 0}, Expect{4, 1, 0, 1}, Expect{6, 1, 2, 1},
                           Expect{7, 2, 0, 0}, Expect{11, 2, 1, 1}, Expect{18, 3, 2, 1}}) {
        const PrintPage page = plan.Page(e.n);
        EXPECT_EQ(page.plate, e.plate) << e.n;
        EXPECT_EQ(page.column, e.column) << e.n;
        EXPECT_EQ(page.row, e.row) << e.n;
    }
    // Printed at twice the pixel size: each page takes half its dots in pixels, and the
    // last row and column are cut at the printed size.
    const PrintPage last = plan.Page(18);
    EXPECT_EQ(last.destination, (PrintRect{30, 30, 1600 - 2 * 790, 2000 - 1040}));
    EXPECT_EQ(last.source, (PrintRect{790, 520, 10, 480}));
    const PrintPage first = plan.Page(1);
    EXPECT_EQ(first.source, (PrintRect{0, 0, 395, 520}));
}

TEST(PrintPlan, ShrunkPartsKeepAtLeastOnePixel) {
    PrintSettings s;
    s.printWidth = 3;
    s.printHeight = 3;
    const PrintPlan plan(1000, 1000, s, kLetter100);
    ASSERT_EQ(plan.LastPage(), 1);
    EXPECT_EQ(plan.Page(1).source, (PrintRect{0, 0, 1000, 1000}));
    s.printWidth = 5000;  // enlarged 5 times across 6 pages: the last page's part is 750 dots
    const PrintPlan wide(1000, 1000, s, kLetter100);
    ASSERT_EQ(wide.Across(), 6);
    const PrintPage last = wide.Page(6);
    EXPECT_EQ(last.destination.width, 5000 - 5 * 850);
    EXPECT_EQ(last.source.x, 850);
    EXPECT_EQ(last.source.width, 150);
    EXPECT_LE(last.source.x + last.source.width, 1000);
}

TEST(PrintPlan, CmykOnOnePageGivesFourLabelledPlatesWithMarksInTheBorder) {
    PrintSettings s;
    s.planes = 4;
    const PrintPlan plan(200, 100, s, kLetter100);
    ASSERT_EQ(plan.LastPage(), 4);
    const char* labels[] = {"Cyan Plane", "Magenta Label", "Yellow Plane", "Black Plane"};
    for (int n = 1; n <= 4; ++n) {
        const PrintPage page = plan.Page(n);
        EXPECT_EQ(page.plate, n);
        EXPECT_EQ(PlateLabel(4, page.plate), labels[n - 1]);
        EXPECT_EQ(page.destination, (PrintRect{30, 30, 200, 100}));
        const auto marks = plan.Marks(page);
        ASSERT_EQ(marks.size(), 4u);
        std::set<std::pair<int, int>> corners;
        for (const RegistrationMark& m : marks) {
            // Inside the 30-dot border round the printed part, never on the picture.
            EXPECT_GE(m.x - m.arm, 0);
            EXPECT_GE(m.y - m.arm, 0);
            const bool besideX = m.x + m.arm <= page.destination.x || m.x - m.arm >= page.destination.Right();
            const bool besideY = m.y + m.arm <= page.destination.y || m.y - m.arm >= page.destination.Bottom();
            EXPECT_TRUE(besideX && besideY) << m.x << "," << m.y;
            EXPECT_LE(std::abs(m.x - (m.x < 100 ? 30 : 230)), 30);
            corners.insert({m.x < 100, m.y < 80});
        }
        EXPECT_EQ(corners.size(), 4u);  // one at each corner
        const PrintRect label = plan.LabelBox(page);
        EXPECT_GE(label.y, page.destination.Bottom());
        EXPECT_LE(label.Bottom(), page.destination.Bottom() + 30);
    }
    EXPECT_EQ(PlateLabel(3, 3), "Yellow Plane");
    EXPECT_EQ(PlateLabel(3, 4), "");
    EXPECT_EQ(PlateLabel(1, 1), "");
}

TEST(PrintPlan, MarginsThatLeaveNoRoomGiveNoPages) {
    PrintSettings s;
    s.margins = {4500, 0, 4500, 0};
    EXPECT_EQ(PrintPlan(10, 10, s, kLetter100).LastPage(), 0);
    EXPECT_EQ(PrintPlan(10, 10, PrintSettings{}, PrinterCaps{}).LastPage(), 0);
}

TEST(PrintPlan, PlatesCarryTheirInkOnly) {
    // Pure inks and paper: where each plate prints (1 all black, 0 all white).
    struct Case {
        const char* name;
        std::int32_t colour;  // 0x00BBGGRR
        double cmy[3];
        double cmyk[4];
    };
    const Case cases[] = {
        {"cyan", 0xFFFF00, {1, 0, 0}, {1, 0, 0, 0}},   {"magenta", 0xFF00FF, {0, 1, 0}, {0, 1, 0, 0}},
        {"yellow", 0x00FFFF, {0, 0, 1}, {0, 0, 1, 0}}, {"white", 0xFFFFFF, {0, 0, 0}, {0, 0, 0, 0}},
        {"black", 0x000000, {1, 1, 1}, {0, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        const Picture picture = Solid(16, 16, c.colour);
        for (int plate = 1; plate <= 3; ++plate)
            EXPECT_DOUBLE_EQ(Ink(MakePlate(picture, 3, plate)), c.cmy[plate - 1]) << c.name << " CMY " << plate;
        for (int plate = 1; plate <= 4; ++plate)
            EXPECT_DOUBLE_EQ(Ink(MakePlate(picture, 4, plate)), c.cmyk[plate - 1]) << c.name << " CMYK " << plate;
    }
    // A mid grey is screened: part of the plate prints.
    const double grey = Ink(MakePlate(Solid(16, 16, 0x808080), 3, 1));
    EXPECT_GT(grey, 0.2);
    EXPECT_LT(grey, 0.8);
    // Colour printing uses the picture as it is.
    const Picture picture = Solid(4, 4, 0x123456);
    EXPECT_TRUE(MakePlate(picture, 1, 1).SamePixels(picture));
}

}  // namespace
}  // namespace lp
