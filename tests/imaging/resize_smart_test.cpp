#include "base/colour.h"
#include "base/imp_exp_exception.h"
#include "imaging/resize.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace lp {
namespace {

using test::PatternPicture;
using test::PixelAt;
using test::SetPixel;

Picture Grey(const std::vector<std::vector<int>>& rowsFromTop) {
    Picture p;
    p.Create(int(rowsFromTop[0].size()), int(rowsFromTop.size()));
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) {
            const auto v = std::uint8_t(rowsFromTop[y][x]);
            SetPixel(p, x, y, MakeColour(v, v, v));
        }
    return p;
}

int GreyAt(const Picture& p, int x, int y) { return RedOf(PixelAt(p, x, y)); }

// The box rule written out the slow way, one destination pixel at a time:
// columns j with trunc(u sx) <= j < (u + 1) sx, rows likewise, both clamped to
// the picture, integer mean of each channel.
Picture ReferenceBoxResize(const Picture& src, int newWidth, int newHeight) {
    const double sx = double(src.Width()) / newWidth;
    const double sy = double(src.Height()) / newHeight;
    Picture out;
    out.Create(newWidth, newHeight);
    for (int v = 0; v < newHeight; ++v) {
        const int y0 = int(v * sy);
        const double y1 = (v + 1) * sy;
        for (int u = 0; u < newWidth; ++u) {
            const int x0 = int(u * sx);
            const double x1 = (u + 1) * sx;
            std::uint64_t r = 0, g = 0, b = 0, n = 0;
            for (int k = y0; k < y1 && k < src.Height(); ++k)
                for (int j = x0; j < x1 && j < src.Width(); ++j) {
                    const ColourRef c = PixelAt(src, j, k);
                    r += RedOf(c), g += GreenOf(c), b += BlueOf(c), ++n;
                }
            SetPixel(out, u, v, MakeColour(std::uint8_t(r / n), std::uint8_t(g / n), std::uint8_t(b / n)));
        }
    }
    return out;
}

TEST(SmartResize, FourByFourToTwoByTwoAveragesEachBlockExactly) {
    Picture p = Grey({{10, 20, 200, 201},  //
                      {30, 41, 202, 203},
                      {0, 0, 255, 255},
                      {0, 1, 255, 254}});
    SmartResize(p, 2, 2, nullptr);
    ASSERT_EQ(p.Width(), 2);
    ASSERT_EQ(p.Height(), 2);
    EXPECT_EQ(GreyAt(p, 0, 0), (10 + 20 + 30 + 41) / 4);      // 25, truncated from 25.25
    EXPECT_EQ(GreyAt(p, 1, 0), (200 + 201 + 202 + 203) / 4);  // 201
    EXPECT_EQ(GreyAt(p, 0, 1), 0);                            // 1 / 4 truncates
    EXPECT_EQ(GreyAt(p, 1, 1), (255 * 3 + 254) / 4);          // 254
}

TEST(SmartResize, FractionalScaleCountsTheSharedColumnInBothBoxes) {
    Picture p = Grey({{0, 30, 90, 150, 240}});
    SmartResize(p, 2, 1, nullptr);
    ASSERT_EQ(p.Width(), 2);
    EXPECT_EQ(GreyAt(p, 0, 0), (0 + 30 + 90) / 3);     // columns 0, 1, 2
    EXPECT_EQ(GreyAt(p, 1, 0), (90 + 150 + 240) / 3);  // columns 2, 3, 4
}

TEST(SmartResize, ChannelsAreAveragedSeparately) {
    Picture p;
    p.Create(2, 1);
    SetPixel(p, 0, 0, MakeColour(255, 0, 10));
    SetPixel(p, 1, 0, MakeColour(0, 255, 21));
    SmartResize(p, 1, 1, nullptr);
    EXPECT_EQ(PixelAt(p, 0, 0), MakeColour(127, 127, 15));
}

TEST(SmartResize, LastBoxIsClampedToThePicture) {
    // 19 x (21 / 19) is 21.000000000000004: the last box would reach column 21.
    ASSERT_GT(19 * (21.0 / 19), 21.0);
    Picture p;
    p.Create(21, 21);
    p.Fill(MakeColour(0, 0, 0));
    for (int i = 0; i < 21; ++i) {
        SetPixel(p, 19, i, MakeColour(100, 100, 100));
        SetPixel(p, 20, i, MakeColour(200, 200, 200));
        SetPixel(p, i, 20, MakeColour(50, 50, 50));
    }
    SmartResize(p, 19, 19, nullptr);
    // Last column: source columns 19 and 20 only; last row: rows 19 and 20 only.
    EXPECT_EQ(GreyAt(p, 18, 9), (100 + 100 + 200 + 200) / 4);
    EXPECT_EQ(GreyAt(p, 5, 18), (0 + 0 + 50 + 50) / 4);
}

TEST(SmartResize, IntegerEnlargementRepeatsPixels) {
    for (int factor : {2, 3, 7}) {
        SCOPED_TRACE(factor);
        const Picture src = PatternPicture(5, 4);
        Picture p = src;
        SmartResize(p, 5 * factor, 4 * factor, nullptr);
        for (int v = 0; v < p.Height(); ++v)
            for (int u = 0; u < p.Width(); ++u)
                ASSERT_EQ(PixelAt(p, u, v), PixelAt(src, int(u * (1.0 / factor)), int(v * (1.0 / factor))))
                    << u << "," << v;
    }
}

TEST(SmartResize, FractionalEnlargementAveragesTheCellsABoxTouches) {
    // 4 -> 5: sx = 0.8; box 1 covers [0.8, 1.6): columns 0 and 1.
    Picture p = Grey({{0, 100, 200, 250}});
    SmartResize(p, 5, 1, nullptr);
    EXPECT_EQ(GreyAt(p, 0, 0), 0);
    EXPECT_EQ(GreyAt(p, 1, 0), 50);
    EXPECT_EQ(GreyAt(p, 2, 0), 150);
    EXPECT_EQ(GreyAt(p, 3, 0), 225);
    EXPECT_EQ(GreyAt(p, 4, 0), 250);
}

TEST(SmartResize, MatchesTheBoxRuleForManySizes) {
    struct Case {
        int w, h, newW, newH;
    };
    const Case cases[] = {{21, 21, 19, 19}, {23, 29, 21, 7}, {100, 80, 33, 27}, {64, 48, 64, 48}, {3, 5, 7, 11},
                          {40, 9, 13, 20},  {17, 1, 1, 1},   {1, 17, 3, 2},     {250, 3, 96, 3},  {9, 9, 1, 9}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " -> " + std::to_string(c.newW) + "x" +
                     std::to_string(c.newH));
        const Picture src = PatternPicture(c.w, c.h);
        Picture p = src;
        SmartResize(p, c.newW, c.newH, nullptr);
        EXPECT_TRUE(p.SamePixels(ReferenceBoxResize(src, c.newW, c.newH)));
    }
}

TEST(SmartResize, BigBoxesSumWithoutOverflow) {
    Picture p;
    p.Create(3000, 2000);
    p.Fill(MakeColour(255, 254, 253));
    SmartResize(p, 1, 1, nullptr);
    EXPECT_EQ(PixelAt(p, 0, 0), MakeColour(255, 254, 253));
}

class RecordingProgress : public ProgressSink {
public:
    void Begin(long low, long high, std::string_view text) override {
        ++begins;
        this->low = low, this->high = high, this->text = text;
    }
    void Step(long position) override { steps.push_back(position); }
    void SetText(std::string_view) override {}
    void End() override { ++ends; }
    int begins = 0, ends = 0;
    long low = -1, high = -1;
    std::string text;
    std::vector<long> steps;
};

TEST(SmartResize, ReportsProgressOncePerDestinationRow) {
    Picture p = PatternPicture(50, 40);
    RecordingProgress progress;
    SmartResize(p, 20, 16, &progress);
    EXPECT_EQ(progress.begins, 1);
    EXPECT_EQ(progress.ends, 1);
    EXPECT_EQ(progress.low, 0);
    EXPECT_EQ(progress.high, 40);
    EXPECT_EQ(progress.text, "Resizing the Picture..");
    ASSERT_EQ(progress.steps.size(), 16u);
    EXPECT_TRUE(std::is_sorted(progress.steps.begin(), progress.steps.end()));
    EXPECT_EQ(progress.steps.back(), 40);
}

struct BadSize {
    int w, h;
};
const BadSize kBadSizes[] = {{0, 10}, {10, 0}, {-5, 10}, {10, -1}, {0, 0}, {(1 << 20) + 1, 1}, {70000, 70000}};

TEST(SmartResize, BadSizesFailCleanlyAndLeaveThePicture) {
    for (const BadSize& s : kBadSizes) {
        SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
        const Picture before = PatternPicture(7, 5);
        Picture p = before;
        try {
            SmartResize(p, s.w, s.h, nullptr);
            ADD_FAILURE() << "no exception";
        } catch (const ImpExpException& e) {
            EXPECT_EQ(e.Where(), "Bitmap Resize Error");
            EXPECT_EQ(e.Title(), "Bitmap Error");
            EXPECT_FALSE(e.Message().empty());
        }
        EXPECT_TRUE(p.SamePixels(before));
    }
}

TEST(PlainResize, BadSizesFailCleanlyAndLeaveThePicture) {
    for (const BadSize& s : kBadSizes) {
        SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
        const Picture before = PatternPicture(7, 5);
        Picture p = before;
        EXPECT_THROW(Resize(p, s.w, s.h), ImpExpException);
        EXPECT_TRUE(p.SamePixels(before));
    }
}

TEST(PlainResize, TakesOnePixelPerDestinationPixelWithoutBlending) {
    const Picture src = PatternPicture(6, 4);
    Picture down = src;
    Resize(down, 3, 2);
    for (int v = 0; v < 2; ++v)
        for (int u = 0; u < 3; ++u) EXPECT_EQ(PixelAt(down, u, v), PixelAt(src, u * 2, v * 2));

    Picture up = src;
    Resize(up, 12, 12);
    for (int v = 0; v < 12; ++v)
        for (int u = 0; u < 12; ++u) EXPECT_EQ(PixelAt(up, u, v), PixelAt(src, u / 2, v / 3));

    Picture odd = src;
    Resize(odd, 4, 3);  // 6 -> 4: columns 0, 1, 3, 4; 4 -> 3: rows 0, 1, 2
    const int columns[] = {0, 1, 3, 4};
    for (int v = 0; v < 3; ++v)
        for (int u = 0; u < 4; ++u) EXPECT_EQ(PixelAt(odd, u, v), PixelAt(src, columns[u], v * 4 / 3));
}

TEST(PlainResize, EmptyPictureStaysEmpty) {
    Picture p;
    Resize(p, 10, 10);
    EXPECT_TRUE(p.IsEmpty());
    SmartResize(p, 10, 10, nullptr);
    EXPECT_TRUE(p.IsEmpty());
}

}  // namespace
}  // namespace lp
