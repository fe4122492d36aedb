#include "options/options_sheet.h"

#include <gtest/gtest.h>

#include <fstream>

#include "test_support.h"

namespace lp {
namespace {

TEST(OptionsSheet, PagesInTheSheetsOrderAndTheStartPagePerCaller) {
    std::vector<std::string_view> captions;
    for (OptionsPage page : kOptionsPages) captions.push_back(OptionsPageCaption(page));
    EXPECT_EQ(captions, (std::vector<std::string_view>{"Units/Res", "Spot Remover", "Rotate/Merge", "Defaults", "Transfer",
                                                  "Internet", "Browser"}));
    EXPECT_EQ(OptionsStartPage(OptionsCaller::PictureWindow), 0u);
    EXPECT_EQ(kOptionsPages[OptionsStartPage(OptionsCaller::Browser)], OptionsPage::Transfer);
    EXPECT_EQ(OptionsStartPage(OptionsCaller::Browser), 4u);  // the fifth page
    AppSettings s;
    EXPECT_EQ(OptionsSheetModel(s, OptionsCaller::Browser).StartPage(), OptionsPageIndex(OptionsPage::Transfer));
}

TEST(OptionsSheet, PagesWorkOnACopyUntilAccept) {
    AppSettings app;
    app.downLoadDirectory = test::ScratchDir().Path().parent_path().string();
    const AppSettings before = app;
    OptionsSheetModel sheet(app, OptionsCaller::PictureWindow);
    sheet.defaults.penWidth = 7;
    sheet.defaults.jpegQuality = 40;
    sheet.transfer.Choose(4);  // "56"
    sheet.spotRemover = 90;
    sheet.browser.Choose(1);
    EXPECT_EQ(app, before);  // dropping the sheet (Cancel) leaves everything

    ASSERT_FALSE(sheet.Check());
    SpotRemoverParams params;
    const OptionsEffects effects = sheet.Accept(app, params);
    EXPECT_EQ(app.penWidth, 7);
    EXPECT_EQ(app.jpegQuality, 40);
    EXPECT_EQ(app.modemSpeed, 56000);
    EXPECT_EQ(app.spotRemover, 90);
    EXPECT_EQ(params, SpotRemoverParams::FromSlider(90));
    EXPECT_EQ(app.optType, 1);
    EXPECT_EQ(app.optColors, 0);
    EXPECT_TRUE(effects.speedChanged);
    EXPECT_FALSE(effects.usePngChanged);
    EXPECT_TRUE(effects.showColorsColumn);
    EXPECT_EQ(effects.modemStatus, "Modem 56 kbps ");
}

TEST(OptionsSheet, PicturePositionKeepsTheApplicationsValue) {
    AppSettings app;
    OptionsSheetModel sheet(app, OptionsCaller::PictureWindow);
    app.picPosition = 0;  // the page's selector acted at once
    SpotRemoverParams params;
    sheet.Accept(app, params);
    EXPECT_EQ(app.picPosition, 0);
}

TEST(OptionsSheet, UsePngChangeAndTheStartUpChoiceAreReported) {
    AppSettings app;
    OptionsSheetModel sheet(app, OptionsCaller::Browser);
    sheet.transfer.usePng = true;
    sheet.defaults.userSettings = true;
    sheet.browser.Choose(0);
    SpotRemoverParams params;
    const OptionsEffects effects = sheet.Accept(app, params);
    EXPECT_TRUE(effects.usePngChanged);
    EXPECT_TRUE(effects.selectorTakesColours);
    EXPECT_FALSE(effects.showColorsColumn);
    EXPECT_EQ(app.usePng, 1);
    EXPECT_EQ(app.optColors, 1);
}

TEST(OptionsSheet, RestoringTheDefaultsPageGivesAFirstStartsValues) {
    AppSettings app;
    app.penWidth = 5;
    app.jpegQuality = 20;
    app.fgRed = 250;
    app.transparency = 2;
    app.paletteName = "Mine";
    app.magicTolerance = 3;
    OptionsSheetModel sheet(app, OptionsCaller::PictureWindow);
    EXPECT_EQ(sheet.defaults.penWidth, 5);
    sheet.RestoreDefaultsPage();
    SpotRemoverParams params;
    sheet.Accept(app, params);
    const AppSettings fresh;
    EXPECT_EQ(app.penWidth, fresh.penWidth);
    EXPECT_EQ(app.jpegQuality, fresh.jpegQuality);
    EXPECT_EQ(app.fgRed, fresh.fgRed);
    EXPECT_EQ(app.fgBlue, 128);
    EXPECT_EQ(app.transparency, fresh.transparency);
    EXPECT_EQ(app.paletteName, "Web-Safe");
    EXPECT_EQ(app.magicTolerance, 100);
}

TEST(OptionsSheet, ConvertToPaletteSelectsWebSafe) {
    AppSettings app;
    app.paletteName = "Mine";
    OptionsSheetModel sheet(app, OptionsCaller::PictureWindow);
    EXPECT_EQ(sheet.defaults.paletteName, "Mine");
    sheet.defaults.SetConvertToPalette(true);
    EXPECT_EQ(sheet.defaults.paletteName, "Web-Safe");
    app.paletteName.clear();
    EXPECT_EQ(OptionsSheetModel(app, OptionsCaller::PictureWindow).defaults.paletteName, "Web-Safe");
}

TEST(OptionsSheet, OutOfRangeFieldsAreRefusedOnTheirPage) {
    const struct {
        const char* what;
        std::function<void(OptionsSheetModel&)> edit;
        OptionsPage page;
        std::string_view message;
    } cases[] = {
        {"tolerance 101", [](OptionsSheetModel& m) { m.defaults.magicTolerance = "101"; }, OptionsPage::Defaults,
         kMagicToleranceRange},
        {"tolerance text", [](OptionsSheetModel& m) { m.defaults.magicTolerance = "ten"; }, OptionsPage::Defaults,
         kMagicToleranceRange},
        {"tolerance -1", [](OptionsSheetModel& m) { m.defaults.magicTolerance = "-1"; }, OptionsPage::Defaults,
         kMagicToleranceRange},
        {"custom 2001",
         [](OptionsSheetModel& m) {
             m.transfer.Choose(10);
             m.transfer.SetCustomText("2001");
         },
         OptionsPage::Transfer, kCustomSpeedRange},
        {"empty proxy",
         [](OptionsSheetModel& m) {
             m.internet.accessType = kAccessProxy;
             m.internet.proxyName.clear();
         },
         OptionsPage::Internet, "Proxy Server Name cannot be EMPTY !"},
        {"proxy port 70000",
         [](OptionsSheetModel& m) {
             m.internet.accessType = kAccessProxy;
             m.internet.proxyName = "proxy.example:70000";
         },
         OptionsPage::Internet, kProxyPortRange},
        {"proxy port 0",
         [](OptionsSheetModel& m) {
             m.internet.accessType = kAccessProxy;
             m.internet.proxyName = "http://proxy.example:0/";
         },
         OptionsPage::Internet, kProxyPortRange},
        {"missing folder", [](OptionsSheetModel& m) { m.internet.downLoadDirectory = "/no/such/folder/here"; },
         OptionsPage::Internet, "Invalid Directory path /no/such/folder/here"},
    };
    test::ScratchDir dir;
    for (const auto& c : cases) {
        AppSettings app;
        app.downLoadDirectory = dir.Path().string();
        const AppSettings before = app;
        OptionsSheetModel sheet(app, OptionsCaller::PictureWindow);
        c.edit(sheet);
        const auto refusal = sheet.Check();
        ASSERT_TRUE(refusal) << c.what;
        EXPECT_EQ(refusal->page, c.page) << c.what;
        EXPECT_EQ(refusal->message, c.message) << c.what;
        EXPECT_TRUE(sheet.CheckPage(c.page)) << c.what;
        EXPECT_EQ(app, before) << c.what;
    }
}

TEST(OptionsSheet, ProxyPortsThatStand) {
    for (const char* name : {"proxy", "proxy:8080", "http://proxy:3128/", "[::1]:1080", "::1", "p:65535"})
        EXPECT_FALSE(CheckProxyPort(name)) << name;
    for (const char* name : {"proxy:", "proxy:abc", "proxy:65536", "[::1]:0"}) EXPECT_TRUE(CheckProxyPort(name)) << name;
}

TEST(OptionsSheet, BrowserChoicesLockOrFreeTheirBoxes) {
    BrowserPageValues v;
    v.Choose(0);
    EXPECT_TRUE(v.removeColors && v.largeOnly && v.fastThumbnails);
    EXPECT_FALSE(v.BoxesEnabled());
    v.Choose(1);
    EXPECT_FALSE(v.removeColors || v.largeOnly || v.fastThumbnails);
    v.Choose(2);
    EXPECT_TRUE(v.BoxesEnabled());
    v.largeOnly = true;
    AppSettings app;
    app.optType = 2;
    app.optLargePics = 1;
    EXPECT_TRUE(BrowserPageValues::Of(app).largeOnly);
    app.optType = 0;  // Speed shows all three ticked whatever is stored
    EXPECT_TRUE(BrowserPageValues::Of(app).removeColors);
}

TEST(OptionsSheet, PaletteListHoldsThePalFilesOfTheFolder) {
    test::ScratchDir dir;
    EXPECT_TRUE(PaletteChoices(dir / "missing").empty());
    std::filesystem::create_directories(dir / "Folder.pal");
    for (const char* name : {"Web-Safe.pal", "b.PAL", "notes.txt"}) std::ofstream(dir / name) << "x";
    EXPECT_EQ(PaletteChoices(dir.Path()), (std::vector<std::string>{"Web-Safe", "b"}));
}

}  // namespace
}  // namespace lp

namespace lp {
namespace {

TEST(OptionsUnitsPage, EqualResolutionCopiesEitherValue) {
    AppSettings app;
    OptionsSheetModel sheet(app, OptionsCaller::PictureWindow);
    EXPECT_TRUE(sheet.units.equalResolution);
    EXPECT_EQ(sheet.units.xResolution, 96);
    sheet.units.SetXResolution(150);
    EXPECT_EQ(sheet.units.yResolution, 150);
    sheet.units.SetEqualResolution(false);
    sheet.units.SetYResolution(300);
    EXPECT_EQ(sheet.units.xResolution, 150);
    // Ticking again copies X to Y.
    sheet.units.SetEqualResolution(true);
    EXPECT_EQ(sheet.units.yResolution, 150);
    sheet.units.SetXResolution(5000);
    EXPECT_EQ(sheet.units.xResolution, kMaxResolution);
    sheet.units.SetXResolution(0);
    EXPECT_EQ(sheet.units.xResolution, kMinResolution);
}

TEST(OptionsUnitsPage, AcceptGivesTheUnitsAndTellsTheWindows) {
    AppSettings app;
    SpotRemoverParams params;
    {
        OptionsSheetModel sheet(app, OptionsCaller::PictureWindow);
        EXPECT_FALSE(sheet.Accept(app, params).unitsChanged);
    }
    OptionsSheetModel sheet(app, OptionsCaller::PictureWindow);
    sheet.units.unit = MeasureUnit::Cm;
    sheet.units.SetEqualResolution(false);
    sheet.units.SetYResolution(72);
    EXPECT_EQ(app.units, MeasureUnits{});  // a copy until OK
    EXPECT_TRUE(sheet.Accept(app, params).unitsChanged);
    EXPECT_EQ(app.units, (MeasureUnits{MeasureUnit::Cm, 96, 72}));
    // The page opens with the run's units and "Equal Resolution" ticked again.
    OptionsSheetModel again(app, OptionsCaller::PictureWindow);
    EXPECT_EQ(again.units.unit, MeasureUnit::Cm);
    EXPECT_EQ(again.units.yResolution, 72);
    EXPECT_TRUE(again.units.equalResolution);
}

TEST(OptionsMergeRotatePage, ShowsAndStoresGapsOverlapAndTheStepInHundredths) {
    AppSettings app;
    app.mergeGapX = 4;
    app.mergeGapY = 9;
    app.stepRotation = 1.25;
    OptionsSheetModel sheet(app, OptionsCaller::PictureWindow);
    EXPECT_EQ(sheet.mergeRotate.gapX, 4);
    EXPECT_EQ(sheet.mergeRotate.gapY, 9);
    EXPECT_FALSE(sheet.mergeRotate.overlap);
    EXPECT_EQ(sheet.mergeRotate.stepText, "1.25");
    sheet.mergeRotate.gapX = 12;
    sheet.mergeRotate.overlap = true;
    sheet.mergeRotate.stepText = "2.759";  // stored x 100, rounded toward zero
    ASSERT_FALSE(sheet.Check());
    SpotRemoverParams params;
    sheet.Accept(app, params);
    EXPECT_EQ(app.mergeGapX, 12);
    EXPECT_EQ(app.overlap, 1);
    EXPECT_DOUBLE_EQ(app.stepRotation, 2.75);
}

TEST(OptionsMergeRotatePage, AStepThatWouldTurnNothingOrIsNoNumberIsRefused) {
    AppSettings app;
    for (const char* text : {"0", "0.001", "360", "-1", "abc", ""}) {
        OptionsSheetModel sheet(app, OptionsCaller::PictureWindow);
        sheet.mergeRotate.stepText = text;
        const auto refusal = sheet.Check();
        ASSERT_TRUE(refusal) << text;
        EXPECT_EQ(refusal->page, OptionsPage::RotateMerge);
        EXPECT_EQ(refusal->message, kRotationStepRange);
        SpotRemoverParams params;
        sheet.Accept(app, params);
        EXPECT_DOUBLE_EQ(app.stepRotation, 0.5) << text;  // unchanged
    }
    for (const char* text : {"0.01", "359", "45"}) {
        OptionsSheetModel sheet(app, OptionsCaller::PictureWindow);
        sheet.mergeRotate.stepText = text;
        EXPECT_FALSE(sheet.Check()) << text;
    }
}

}  // namespace
}  // namespace lp
