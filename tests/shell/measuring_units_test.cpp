#include "shell/measuring_units.h"

#include <gtest/gtest.h>

#include <cmath>

namespace lp {
namespace {

constexpr MeasureUnit kLengths[] = {MeasureUnit::Cm, MeasureUnit::Inch, MeasureUnit::Mm};

TEST(MeasuringUnits, ConversionsAtKnownValues) {
    EXPECT_DOUBLE_EQ(PixelsToUnit(96, MeasureUnit::Inch, 96), 1.0);
    EXPECT_DOUBLE_EQ(PixelsToUnit(96, MeasureUnit::Cm, 96), 2.54);
    EXPECT_NEAR(PixelsToUnit(96, MeasureUnit::Mm, 96), 25.4, 1e-12);
    EXPECT_DOUBLE_EQ(PixelsToUnit(123, MeasureUnit::Pixel, 300), 123.0);
    EXPECT_NEAR(UnitToPixels(2.54, MeasureUnit::Cm, 96), 96.0, 1e-9);
    EXPECT_NEAR(UnitToPixels(25.4, MeasureUnit::Mm, 300), 300.0, 1e-9);
    EXPECT_DOUBLE_EQ(UnitToPixels(2, MeasureUnit::Inch, 150), 300.0);
}

TEST(MeasuringUnits, RoundTripsStayWithinOnePixelAtEveryResolution) {
    for (int dpi : {1, 72, 96, 150, 300, 600, 1200, 2000})
        for (MeasureUnit unit : kLengths)
            for (double pixels : {1.0, 7.0, 100.0, 333.0, 4096.0, 30000.0}) {
                const double back = UnitToPixels(PixelsToUnit(pixels, unit, dpi), unit, dpi);
                EXPECT_NEAR(back, pixels, 1.0) << int(unit) << " at " << dpi;
                EXPECT_EQ(WholePixelsUp(back), (long long)pixels) << int(unit) << " at " << dpi;
            }
}

TEST(MeasuringUnits, SizeFieldTextsRoundTripWithinTheirLastShownDigit) {
    // A field shows two decimals (whole mm): typed back, the value is off by at most half
    // of that last digit, and within one pixel wherever that digit is finer than a pixel.
    for (int dpi : {72, 96, 150})
        for (MeasureUnit unit : {MeasureUnit::Cm, MeasureUnit::Inch, MeasureUnit::Pixel})
            for (double pixels : {1.0, 50.0, 96.0, 100.0, 1023.0}) {
                const auto value = ParseSizeField(SizeFieldText(pixels, unit, dpi));
                ASSERT_TRUE(value);
                EXPECT_NEAR(UnitToPixels(*value, unit, dpi), pixels, 1.0) << int(unit) << " at " << dpi;
            }
    for (double pixels : {100.0, 500.0}) {
        const auto mm = ParseSizeField(SizeFieldText(pixels, MeasureUnit::Mm, 96));
        ASSERT_TRUE(mm);
        EXPECT_LE(pixels - UnitToPixels(*mm, MeasureUnit::Mm, 96), 96 / 25.4);  // truncated: never above
        EXPECT_GE(pixels - UnitToPixels(*mm, MeasureUnit::Mm, 96), 0.0);
    }
}

TEST(MeasuringUnits, SizeFieldDisplayRules) {
    struct Case {
        double pixels;
        MeasureUnit unit;
        int dpi;
        const char* text;
    } cases[] = {
        {96, MeasureUnit::Cm, 96, "2.54"},
        {96, MeasureUnit::Inch, 96, "1.00"},
        {100, MeasureUnit::Mm, 96, "26"},
        {200, MeasureUnit::Cm, 100, "5.08"},
        {200.5, MeasureUnit::Pixel, 96, "201"},
        {200.004, MeasureUnit::Pixel, 96, "200"},  // rounded to hundredths before rounding up
        {5000, MeasureUnit::Cm, 96, "132.29"},     // no leading blanks, no cut-off
        {9, MeasureUnit::Inch, 96, "0.09"},
    };
    for (const Case& c : cases) EXPECT_EQ(SizeFieldText(c.pixels, c.unit, c.dpi), c.text) << c.text;
}

TEST(MeasuringUnits, SizeFieldEntryRefusesZeroAndWhatIsNoPlainNumber) {
    EXPECT_DOUBLE_EQ(*ParseSizeField("12"), 12.0);
    EXPECT_DOUBLE_EQ(*ParseSizeField("2.54"), 2.54);
    EXPECT_DOUBLE_EQ(*ParseSizeField(".5"), 0.5);
    EXPECT_DOUBLE_EQ(*ParseSizeField("7."), 7.0);
    for (const char* refused : {"", "0", "0.00", ".", "1.2.3", "12a", "-5", "+5", " 5", "1e3", "1,5"})
        EXPECT_FALSE(ParseSizeField(refused)) << '"' << refused << '"';
}

TEST(MeasuringUnits, SpinButtonsMoveByTenthsInLengthsAndOnesOtherwise) {
    EXPECT_DOUBLE_EQ(SpinSizeValue(2.54, 1, MeasureUnit::Cm), 2.64);
    EXPECT_DOUBLE_EQ(SpinSizeValue(1.0, -3, MeasureUnit::Inch), 0.7);
    EXPECT_DOUBLE_EQ(SpinSizeValue(26, 1, MeasureUnit::Mm), 27.0);
    EXPECT_DOUBLE_EQ(SpinSizeValue(96, -1, MeasureUnit::Pixel), 95.0);
}

TEST(MeasuringUnits, UnitChangeGoesThroughDots) {
    EXPECT_EQ(ConvertSizeFieldText("96", MeasureUnit::Pixel, MeasureUnit::Cm, 96), "2.54");
    EXPECT_EQ(ConvertSizeFieldText("2.54", MeasureUnit::Cm, MeasureUnit::Inch, 96), "1.00");
    EXPECT_EQ(ConvertSizeFieldText("1.00", MeasureUnit::Inch, MeasureUnit::Pixel, 96), "96");
    EXPECT_EQ(ConvertSizeFieldText("100", MeasureUnit::Pixel, MeasureUnit::Mm, 96), "26");
    EXPECT_EQ(ConvertSizeFieldText("12a", MeasureUnit::Pixel, MeasureUnit::Cm, 96), "12a");
}

TEST(MeasuringUnits, StatusSizeInTheUnit) {
    const UnitSize cm = SizeInUnit(200, 100, {MeasureUnit::Cm, 100, 100});
    EXPECT_FALSE(cm.wholeNumbers);
    EXPECT_DOUBLE_EQ(cm.width, 5.08);
    EXPECT_DOUBLE_EQ(cm.height, 2.54);
    // Widths use X, heights Y.
    const UnitSize inch = SizeInUnit(300, 300, {MeasureUnit::Inch, 150, 300});
    EXPECT_DOUBLE_EQ(inch.width, 2.0);
    EXPECT_DOUBLE_EQ(inch.height, 1.0);
    const UnitSize px = SizeInUnit(640, 480, {MeasureUnit::Pixel, 150, 300});
    EXPECT_TRUE(px.wholeNumbers);
    EXPECT_EQ(px.width, 640);
    EXPECT_EQ(UnitButtonText(MeasureUnit::Pixel), "Pi");
    EXPECT_EQ(UnitButtonText(MeasureUnit::Cm), "Cm");
    EXPECT_EQ(UnitButtonText(MeasureUnit::Inch), "In");
    EXPECT_EQ(UnitButtonText(MeasureUnit::Mm), "mm");
}

const RulerTick* TickAt(const std::vector<RulerTick>& ticks, double position) {
    for (const RulerTick& t : ticks)
        if (std::abs(t.position - position) < 1e-6) return &t;
    return nullptr;
}

TEST(Ruler, PixelTicksFollowZoomAndOrigin) {
    // Zoom 1: numbered long ticks on hundreds, numbered medium ones on fifties.
    auto ticks = RulerTicks(MeasureUnit::Pixel, 96, 1.0, 0, 300);
    ASSERT_TRUE(TickAt(ticks, 100));
    EXPECT_EQ(TickAt(ticks, 100)->level, 0);
    EXPECT_EQ(TickAt(ticks, 100)->label, "100");
    EXPECT_EQ(TickAt(ticks, 50)->level, 1);
    EXPECT_EQ(TickAt(ticks, 50)->label, "50");
    EXPECT_FALSE(TickAt(ticks, 10));  // no short ticks at zoom 1
    // Zoom 2, scrolled to x = 150: picture x 200 lies at (200 - 150) x 2 = 100.
    ticks = RulerTicks(MeasureUnit::Pixel, 96, 2.0, 150, 400);
    ASSERT_TRUE(TickAt(ticks, 100));
    EXPECT_EQ(TickAt(ticks, 100)->label, "200");
    ASSERT_TRUE(TickAt(ticks, 20));  // x 160: a short tick
    EXPECT_EQ(TickAt(ticks, 20)->level, 2);
    EXPECT_TRUE(TickAt(ticks, 20)->label.empty());
    for (const RulerTick& t : ticks) {
        EXPECT_GE(t.position, 0);
        EXPECT_LE(t.position, 400);
    }
    // Below 1 the medium ticks lose their numbers; below 0.3 the ruler takes 0.3.
    ticks = RulerTicks(MeasureUnit::Pixel, 96, 0.5, 0, 300);
    EXPECT_TRUE(TickAt(ticks, 25)->label.empty());
    ticks = RulerTicks(MeasureUnit::Pixel, 96, 0.1, 0, 300);
    ASSERT_TRUE(TickAt(ticks, 30));
    EXPECT_EQ(TickAt(ticks, 30)->label, "100");
}

TEST(Ruler, LengthTicksNumberWholeUnitsAtTheResolution) {
    // 1 inch at 96 dpi, zoom 1: whole inches every 96 pixels, tenths between.
    auto ticks = RulerTicks(MeasureUnit::Inch, 96, 1.0, 0, 200);
    ASSERT_TRUE(TickAt(ticks, 96));
    EXPECT_EQ(TickAt(ticks, 96)->label, "1");
    EXPECT_EQ(TickAt(ticks, 48)->level, 1);  // the half
    EXPECT_EQ(TickAt(ticks, 9.6)->level, 2);
    // At 150 dpi and zoom 2, 1 cm is 118.1 ruler pixels.
    ticks = RulerTicks(MeasureUnit::Cm, 150, 2.0, 0, 300);
    ASSERT_TRUE(TickAt(ticks, 150 / 2.54 * 2));
    EXPECT_EQ(TickAt(ticks, 150 / 2.54 * 2)->label, "1");
    // Millimetres at 96 dpi: numbers keep at least 40 pixels apart.
    ticks = RulerTicks(MeasureUnit::Mm, 96, 1.0, 0, 400);
    double lastNumbered = -1000;
    for (const RulerTick& t : ticks)
        if (!t.label.empty()) {
            EXPECT_GE(t.position - lastNumbered, 40 - 1e-9);
            lastNumbered = t.position;
        }
    ASSERT_TRUE(TickAt(ticks, 10 * 96 / 25.4 * 2));
    EXPECT_EQ(TickAt(ticks, 10 * 96 / 25.4 * 2)->label, "20");
}

}  // namespace
}  // namespace lp
