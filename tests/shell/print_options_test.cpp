#include "shell/print_options.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

namespace lp {
namespace {

// A letter-sized page at 100 dots per inch, no margins.
constexpr PrinterCaps kLetter100{100, 100, 850, 1100};
constexpr std::array<std::int32_t, 4> kNoMargins{0, 0, 0, 0};

PrintSettings Accepted(const PrintOptionsModel& model) {
    const auto result = model.Accept();
    EXPECT_TRUE(std::holds_alternative<PrintSettings>(result))
        << (std::holds_alternative<std::string>(result) ? std::get<std::string>(result) : "");
    return std::holds_alternative<PrintSettings>(result) ? std::get<PrintSettings>(result) : PrintSettings{};
}

TEST(PrintOptions, FitToPageFollowsTheTighterAxisAndTheSeparationBorder) {
    struct Case {
        int w, h;
        PrintSeparation separation;
        int xPercent, yPercent;
        double px, py;
        const char* sheets;
    };
    const Case cases[] = {
        // 850 x 1100 dots: the width is the tighter axis (425% against 1100%).
        {200, 100, PrintSeparation::Colour, 425, 425, 850, 425, "1"},
        // A tall picture: the height decides (1100 / 1000 = 110%).
        {100, 1000, PrintSeparation::Colour, 110, 110, 110, 1100, "1"},
        // Separations lose 0.3 inch a side: 790 x 1040 dots, three or four plates.
        {200, 100, PrintSeparation::Cmy, 395, 395, 790, 395, "3"},
        {200, 100, PrintSeparation::Cmyk, 395, 395, 790, 395, "4"},
    };
    for (const Case& c : cases) {
        PrintOptionsModel model(c.w, c.h, kLetter100, kNoMargins, MeasureUnit::Pixel);
        model.SetSeparation(c.separation);
        EXPECT_EQ(model.SizeMode(), PrintSizeMode::FitToPage);
        EXPECT_FALSE(model.SizeControlsEnabled());
        EXPECT_EQ(model.XPercent(), c.xPercent) << c.w << "x" << c.h;
        EXPECT_EQ(model.YPercent(), c.yPercent) << c.w << "x" << c.h;
        EXPECT_DOUBLE_EQ(model.PrintWidth(), c.px) << c.w << "x" << c.h;
        EXPECT_DOUBLE_EQ(model.PrintHeight(), c.py) << c.w << "x" << c.h;
        EXPECT_EQ(model.PagesText(), c.sheets) << c.w << "x" << c.h;
        const PrintSettings s = Accepted(model);
        EXPECT_EQ(s.printWidth, int(c.px));
        EXPECT_EQ(s.planes, PlanesOf(c.separation));
    }
}

TEST(PrintOptions, MarginsShrinkThePrintableAreaAndShowInInches) {
    const PrinterCaps caps{600, 300, 5100, 3300};
    PrintOptionsModel model(100, 100, caps, {500, 250, 1000, 0}, MeasureUnit::Pixel);
    const PrintArea area = model.Area();
    EXPECT_EQ(area.left, 300);    // 0.5 inch at 600 dpi
    EXPECT_EQ(area.top, 75);      // 0.25 inch at 300 dpi
    EXPECT_EQ(area.right, 4500);  // 5100 - 1 inch
    EXPECT_EQ(area.bottom, 3300);
    EXPECT_EQ(model.ResolutionText(), "  600 Dpi x 300 Dpi");
    EXPECT_EQ(model.MarginText(kMarginLeft), "0.50\"");
    EXPECT_EQ(model.MarginText(kMarginTop), "0.25\"");
    EXPECT_EQ(model.MarginText(kMarginRight), "1.00\"");
    EXPECT_EQ(model.MarginText(kMarginBottom), "0.00\"");
    model.SetSeparation(PrintSeparation::Cmy);
    EXPECT_EQ(model.Area().left, 300 + 180);
    EXPECT_EQ(model.Area().bottom, 3300 - 90);
    EXPECT_EQ(Accepted(model).margins, (std::array<std::int32_t, 4>{500, 250, 1000, 0}));
}

TEST(PrintOptions, KeepSizeWiderThanThePageCountsPagesAcross) {
    PrintOptionsModel model(2000, 500, kLetter100, kNoMargins, MeasureUnit::Pixel);
    model.SetSizeMode(PrintSizeMode::KeepSize);
    EXPECT_FALSE(model.SizeControlsEnabled());
    EXPECT_DOUBLE_EQ(model.PrintWidth(), 2000);
    EXPECT_EQ(model.PagesAcross(), 3);  // 850 + 850 + 300
    EXPECT_EQ(model.PagesDown(), 1);
    EXPECT_EQ(model.PagesText(), "3");
    model.SetSeparation(PrintSeparation::Cmyk);  // 790 dots a page: still 3 across, 4 plates
    EXPECT_EQ(model.PagesText(), "12");
    EXPECT_DOUBLE_EQ(model.PrintWidth(), 2000);
    const PrintSettings s = Accepted(model);
    EXPECT_EQ(s.printWidth, 2000);
    EXPECT_EQ(s.printHeight, 500);
    EXPECT_EQ(s.planes, 4);
}

TEST(PrintOptions, ProportionalWidthInCentimetres) {
    PrintOptionsModel model(200, 100, kLetter100, kNoMargins, MeasureUnit::Cm);
    model.SetSizeMode(PrintSizeMode::Custom);
    EXPECT_TRUE(model.SizeControlsEnabled());
    EXPECT_TRUE(model.Proportional());
    EXPECT_EQ(model.WidthText(), "5.08");  // starts at the picture's own 200 dots
    EXPECT_EQ(model.TypeWidth("5"), std::nullopt);
    EXPECT_EQ(model.HeightText(), "2.50");
    EXPECT_NEAR(model.PrintWidth(), 196.85, 0.01);
    EXPECT_NEAR(model.PrintHeight(), 98.43, 0.01);
    EXPECT_EQ(model.XPercent(), 98);
    EXPECT_EQ(model.YPercent(), 98);
    const PrintSettings s = Accepted(model);
    EXPECT_EQ(s.printWidth, 197);
    EXPECT_EQ(s.printHeight, 99);

    // Unticked, the height stays where it was.
    model.SetProportional(false);
    EXPECT_EQ(model.TypeHeight("1"), std::nullopt);
    EXPECT_EQ(model.WidthText(), "5");
    EXPECT_NEAR(model.PrintHeight(), 39.37, 0.01);
    EXPECT_NEAR(model.PrintWidth(), 196.85, 0.01);
    EXPECT_EQ(model.YPercent(), 39);
    EXPECT_EQ(model.XPercent(), 98);
}

TEST(PrintOptions, BadSizeTextsAreRefusedAndChangeNothing) {
    PrintOptionsModel model(200, 100, kLetter100, kNoMargins, MeasureUnit::Cm);
    model.SetSizeMode(PrintSizeMode::Custom);
    ASSERT_EQ(model.TypeWidth("3"), std::nullopt);
    const double px = model.PrintWidth(), py = model.PrintHeight();
    const std::string wt = model.WidthText(), ht = model.HeightText();
    for (const char* text : {"1.2.3", "0", "0.0", "", "abc", "-1", "1,5", "2e3"}) {
        EXPECT_EQ(model.TypeWidth(text), std::string(kInvalidData)) << text;
        EXPECT_EQ(model.TypeHeight(text), std::string(kInvalidData)) << text;
        EXPECT_DOUBLE_EQ(model.PrintWidth(), px) << text;
        EXPECT_DOUBLE_EQ(model.PrintHeight(), py) << text;
        EXPECT_EQ(model.WidthText(), wt) << text;
        EXPECT_EQ(model.HeightText(), ht) << text;
    }
}

TEST(PrintOptions, PercentagesScaleFromThePictureSize) {
    PrintOptionsModel model(200, 100, kLetter100, kNoMargins, MeasureUnit::Pixel);
    model.SetSizeMode(PrintSizeMode::Custom);
    model.SetXPercent(250);
    EXPECT_DOUBLE_EQ(model.PrintWidth(), 500);
    EXPECT_DOUBLE_EQ(model.PrintHeight(), 250);
    EXPECT_EQ(model.YPercent(), 250);
    EXPECT_EQ(model.WidthText(), "500");
    EXPECT_EQ(model.HeightText(), "250");
    model.SetYPercent(1500);  // 1500 dots high: two pages down
    EXPECT_DOUBLE_EQ(model.PrintWidth(), 3000);
    EXPECT_EQ(model.PagesAcross(), 4);
    EXPECT_EQ(model.PagesDown(), 2);
    EXPECT_EQ(model.PagesText(), "8");
    model.SetProportional(false);
    model.SetXPercent(50);
    EXPECT_DOUBLE_EQ(model.PrintWidth(), 100);
    EXPECT_DOUBLE_EQ(model.PrintHeight(), 1500);
}

TEST(PrintOptions, RangeChecksWhenTheValuesAreTaken) {
    PrintOptionsModel model(200, 100, kLetter100, kNoMargins, MeasureUnit::Pixel);
    model.SetSizeMode(PrintSizeMode::Custom);
    model.SetXPercent(4001);
    EXPECT_EQ(std::get<std::string>(model.Accept()), kPrintPercentRange);
    model.SetXPercent(4000);
    EXPECT_TRUE(std::holds_alternative<PrintSettings>(model.Accept()));
    // 0 percent would store a size of 0, which printing reads as the picture's own size.
    model.SetXPercent(0);
    EXPECT_EQ(std::get<std::string>(model.Accept()), kInvalidData);

    PrintOptionsModel fine(200, 100, {2400, 1200, 20400, 26400}, kNoMargins, MeasureUnit::Pixel);
    EXPECT_EQ(std::get<std::string>(fine.Accept()), kPrintResolutionRange);
}

TEST(PrintOptions, UnitChangeAndSpinSteps) {
    PrintOptionsModel model(200, 100, kLetter100, kNoMargins, MeasureUnit::Cm);
    model.SetSizeMode(PrintSizeMode::Custom);
    ASSERT_EQ(model.TypeWidth("2.54"), std::nullopt);
    model.SetUnit(MeasureUnit::Inch);
    EXPECT_EQ(model.WidthText(), "1.00");
    EXPECT_EQ(model.HeightText(), "0.50");
    EXPECT_NEAR(model.PrintWidth(), 100, 1e-9);  // the dots themselves stay
    model.SetUnit(MeasureUnit::Mm);
    EXPECT_EQ(model.WidthText(), "25");
    model.SetUnit(MeasureUnit::Pixel);
    EXPECT_EQ(model.WidthText(), "100");

    model.SetUnit(MeasureUnit::Inch);
    EXPECT_EQ(model.SpinWidth(3), std::nullopt);  // tenths of an inch
    EXPECT_EQ(model.WidthText(), "1.3");
    EXPECT_NEAR(model.PrintWidth(), 130, 1e-9);
    EXPECT_EQ(model.HeightText(), "0.65");
    model.SetUnit(MeasureUnit::Pixel);
    EXPECT_EQ(model.SpinHeight(-5), std::nullopt);  // whole dots
    EXPECT_NEAR(model.PrintHeight(), 60, 1e-9);
    EXPECT_NEAR(model.PrintWidth(), 120, 1e-9);
    // The spin buttons stop at 1.
    ASSERT_EQ(model.TypeWidth("1"), std::nullopt);
    EXPECT_EQ(model.SpinWidth(-1), std::nullopt);
    EXPECT_NEAR(model.PrintWidth(), 1, 1e-9);
}

TEST(PrintOptions, AnotherPrinterOrMarginsApplyTheSizeModeAgain) {
    PrintOptionsModel model(200, 100, kLetter100, kNoMargins, MeasureUnit::Inch);
    EXPECT_DOUBLE_EQ(model.PrintWidth(), 850);
    model.SetPrinter({300, 300, 2550, 3300});
    EXPECT_DOUBLE_EQ(model.PrintWidth(), 2550);
    EXPECT_EQ(model.ResolutionText(), "  300 Dpi x 300 Dpi");
    model.SetMargins({1000, 0, 1000, 0});  // 6.5 inches left
    EXPECT_DOUBLE_EQ(model.PrintWidth(), 1950);
    EXPECT_EQ(model.WidthText(), "6.50");

    model.SetSizeMode(PrintSizeMode::Custom);
    ASSERT_EQ(model.TypeWidth("4"), std::nullopt);
    model.SetPrinter({600, 600, 5100, 6600});
    EXPECT_DOUBLE_EQ(model.PrintWidth(), 1200);  // custom keeps its dots
    EXPECT_EQ(model.WidthText(), "2.00");
    model.SetMargins({0, 0, 0, 0});
    EXPECT_DOUBLE_EQ(model.PrintWidth(), 1200);
}

TEST(PrintOptions, MarginsThatLeaveNoRoomGiveNoPages) {
    PrintOptionsModel model(200, 100, kLetter100, {5000, 0, 5000, 0}, MeasureUnit::Pixel);
    EXPECT_LE(model.Area().Width(), 0);
    EXPECT_EQ(model.PagesText(), "0");
    EXPECT_EQ(std::get<std::string>(model.Accept()), kInvalidData);
}

}  // namespace
}  // namespace lp
