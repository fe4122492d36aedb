#include "tools/picture_resize.h"

#include <gtest/gtest.h>

namespace lp {
namespace {

const MeasureUnits k96{MeasureUnit::Pixel, 96, 96};

SizeWH Result(const PictureResizeModel& m) {
    const auto result = m.Accept();
    if (const auto* message = std::get_if<std::string>(&result)) {
        ADD_FAILURE() << *message;
        return {0, 0};
    }
    return std::get<ResizeResult>(result).size;
}

TEST(PictureResize, StartsAtThePresentSizeInPixels) {
    PictureResizeModel m(400, 300, {MeasureUnit::Cm, 150, 150});  // the program's unit does not matter
    EXPECT_EQ(m.Unit(), MeasureUnit::Pixel);
    EXPECT_EQ(m.WidthText(), "400");
    EXPECT_EQ(m.HeightText(), "300");
    EXPECT_EQ(m.XPercent(), 100);
    EXPECT_TRUE(m.Proportional());
    EXPECT_FALSE(m.Smart());
    EXPECT_EQ(Result(m), (SizeWH{400, 300}));
}

TEST(PictureResize, PercentagesWithAndWithoutProportions) {
    PictureResizeModel m(400, 300, k96);
    m.SetXPercent(50);
    EXPECT_EQ(m.YPercent(), 50);
    EXPECT_EQ(m.WidthText(), "200");
    EXPECT_EQ(m.HeightText(), "150");
    EXPECT_EQ(Result(m), (SizeWH{200, 150}));
    m.SetProportional(false);
    m.SetYPercent(10);
    EXPECT_EQ(m.XPercent(), 50);
    EXPECT_EQ(Result(m), (SizeWH{200, 30}));
    // Ticking again applies the X percentage to both.
    m.SetProportional(true);
    EXPECT_EQ(Result(m), (SizeWH{200, 150}));
    // Fractions are rounded up: 33 % of 401 x 301.
    PictureResizeModel odd(401, 301, k96);
    odd.SetXPercent(33);
    EXPECT_EQ(Result(odd), (SizeWH{133, 100}));
}

TEST(PictureResize, TypedSizes) {
    PictureResizeModel free(400, 300, k96);
    free.SetProportional(false);
    EXPECT_FALSE(free.TypeWidth("100"));
    EXPECT_EQ(free.XPercent(), 25);
    EXPECT_EQ(free.YPercent(), 100);
    EXPECT_EQ(Result(free), (SizeWH{100, 300}));

    PictureResizeModel tied(400, 300, k96);
    EXPECT_FALSE(tied.TypeHeight("150"));
    EXPECT_EQ(tied.WidthText(), "200");
    EXPECT_EQ(tied.XPercent(), 50);
    EXPECT_EQ(Result(tied), (SizeWH{200, 150}));
}

TEST(PictureResize, CentimetresAt96DotsPerInch) {
    PictureResizeModel square(96, 96, k96);
    square.SetUnit(MeasureUnit::Cm);
    EXPECT_EQ(square.WidthText(), "2.54");
    EXPECT_EQ(square.HeightText(), "2.54");
    EXPECT_EQ(Result(square), (SizeWH{96, 96}));  // not 97 from rounding noise

    PictureResizeModel m(400, 300, k96);
    m.SetUnit(MeasureUnit::Cm);
    EXPECT_FALSE(m.TypeWidth("5.08"));  // 2 inches
    EXPECT_EQ(m.HeightText(), "3.81");
    EXPECT_EQ(Result(m), (SizeWH{192, 144}));
    // Spin buttons step by a tenth of a centimetre.
    EXPECT_FALSE(m.SpinWidth(1));
    EXPECT_EQ(m.WidthText(), "5.18");
    EXPECT_EQ(Result(m).width, 196);  // 5.18 cm = 195.78 px
    // Back to pixels through dots.
    m.SetUnit(MeasureUnit::Pixel);
    EXPECT_EQ(m.WidthText(), "196");
}

TEST(PictureResize, MillimetresAndInchesUseTheirAxisResolution) {
    PictureResizeModel m(300, 300, {MeasureUnit::Pixel, 150, 300});
    m.SetUnit(MeasureUnit::Inch);
    EXPECT_EQ(m.WidthText(), "2.00");
    EXPECT_EQ(m.HeightText(), "1.00");
    m.SetUnit(MeasureUnit::Mm);
    EXPECT_EQ(m.WidthText(), "50");
    EXPECT_EQ(m.HeightText(), "25");
}

TEST(PictureResize, BadSizesAreRefusedAndChangeNothing) {
    for (const char* text : {"0", "-5", "12a", "", "1.2.3"}) {
        PictureResizeModel m(400, 300, k96);
        const auto message = m.TypeWidth(text);
        ASSERT_TRUE(message) << text;
        EXPECT_EQ(*message, kInvalidNumber);
        EXPECT_EQ(m.WidthText(), "400") << text;
        EXPECT_EQ(m.HeightText(), "300") << text;
        EXPECT_EQ(m.XPercent(), 100) << text;
        EXPECT_EQ(Result(m), (SizeWH{400, 300})) << text;
    }
    // A percentage of 0 leaves no pixels.
    PictureResizeModel zero(400, 300, k96);
    zero.SetXPercent(0);
    const auto none = zero.Accept();
    ASSERT_TRUE(std::holds_alternative<std::string>(none));
    EXPECT_EQ(std::get<std::string>(none), kInvalidNumber);
    // Sizes beyond 2000 % fail the percentage range check.
    PictureResizeModel wide(400, 300, k96);
    wide.SetProportional(false);
    EXPECT_FALSE(wide.TypeWidth("900000"));
    const auto range = wide.Accept();
    ASSERT_TRUE(std::holds_alternative<std::string>(range));
    EXPECT_EQ(std::get<std::string>(range), kResizePercentRange);
    // Within 2000 % but beyond the pixel limit: the clear limit message, no size.
    PictureResizeModel huge(20000, 20000, k96);
    huge.SetXPercent(2000);
    const auto refused = huge.Accept();
    ASSERT_TRUE(std::holds_alternative<std::string>(refused));
    EXPECT_NE(std::get<std::string>(refused).find("too large"), std::string::npos) << std::get<std::string>(refused);
}

TEST(PictureResize, SmartFlagTravelsWithTheResult) {
    PictureResizeModel m(10, 10, k96);
    m.SetSmart(true);
    EXPECT_TRUE(std::get<ResizeResult>(m.Accept()).smart);
}

}  // namespace
}  // namespace lp
