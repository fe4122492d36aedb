// Wizard pages, their order, the summary, neutral values and the result's report figures.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "base/prompter.h"
#include "batch/apply_batch_macro.h"
#include "imaging/colour_count.h"
#include "optimize/wizard_flow.h"
#include "optimize/wizard_report.h"
#include "optimize/wizard_result.h"
#include "test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using P = WizardPage;
using K = WizardKind;

struct SequenceCase {
    const char* name;
    K kind;
    bool hasPicture;
    std::size_t frames;
    int reductionMode;   // user level
    int jpegLevel;
    int resizeMode;
    bool changeSize;
    int gifChosen;
    std::vector<P> expected;
};

class PageSequence : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(PageSequence, FollowsKindAndAnswers) {
    const SequenceCase& c = GetParam();
    BatchMacro m = NewWizardMacro();
    m.reductionMode = c.reductionMode;
    m.jpegLevel = c.jpegLevel;
    m.resizeMode = c.resizeMode;
    m.gifChosen = c.gifChosen;
    WizardFlowState state{c.hasPicture, c.frames, c.changeSize};
    EXPECT_EQ(WizardPageSequence(c.kind, m, state), c.expected);
    // Walking with Next gives the same pages.
    std::vector<P> walked{P::Welcome};
    while (auto next = NextWizardPage(c.kind, walked.back(), m, state)) walked.push_back(*next);
    EXPECT_EQ(walked, c.expected);
}

const SequenceCase kSequences[] = {
    {"ColorAutomatic", K::Color, true, 1, 0, 2, 0, false, 1, {P::Welcome, P::UserLevel, P::Summary}},
    {"ColorAutomaticNoPicture", K::Color, false, 0, 0, 2, 0, false, 1,
     {P::Welcome, P::UserLevel, P::SaveToDirectory, P::Summary}},
    {"ColorPartial", K::Color, true, 1, 1, 2, 0, false, 1, {P::Welcome, P::UserLevel, P::Exposure, P::Summary}},
    {"ColorManual", K::Color, true, 1, 2, 2, 0, false, 1,
     {P::Welcome, P::UserLevel, P::ColorCount, P::PaletteTransparency, P::Summary}},
    {"JpegHigh", K::Jpeg, true, 1, 0, 2, 0, false, 1, {P::Welcome, P::JpegLevel, P::Summary}},
    {"JpegCustom", K::Jpeg, true, 1, 0, 3, 0, false, 1, {P::Welcome, P::JpegLevel, P::JpegQuality, P::Summary}},
    {"JpegCustomNoPicture", K::Jpeg, false, 0, 0, 3, 0, false, 1,
     {P::Welcome, P::JpegLevel, P::JpegQuality, P::SaveToDirectory, P::Summary}},
    {"GifPartial", K::Gif, true, 3, 1, 2, 0, false, 1,
     {P::Welcome, P::UserLevel, P::Exposure, P::Frames, P::Summary}},
    {"GifManual", K::Gif, true, 3, 2, 2, 0, false, 1,
     {P::Welcome, P::UserLevel, P::ColorCount, P::PaletteTransparency, P::Frames, P::Summary}},
    {"SizeAbsolute", K::Size, true, 1, 0, 2, 2, false, 1, {P::Welcome, P::ResizeType, P::AbsoluteSize, P::Summary}},
    {"SizeRelative", K::Size, true, 1, 0, 2, 1, false, 1, {P::Welcome, P::ResizeType, P::RelativeSize, P::Summary}},
    {"SizeRelativeNoPicture", K::Size, false, 0, 0, 2, 1, false, 1,
     {P::Welcome, P::ResizeType, P::AbsoluteSize, P::SaveToDirectory, P::Summary}},
    {"MasterPhotoNoResize", K::Master, true, 1, 0, 2, 0, false, 0,
     {P::Welcome, P::AskResize, P::PictureKind, P::JpegLevel, P::Summary}},
    {"MasterPhotoCustom", K::Master, true, 1, 0, 3, 0, false, 0,
     {P::Welcome, P::AskResize, P::PictureKind, P::JpegLevel, P::JpegQuality, P::Summary}},
    {"MasterResizeRelative", K::Master, true, 1, 2, 2, 1, true, 0,
     {P::Welcome, P::AskResize, P::ResizeType, P::RelativeSize, P::PictureKind, P::JpegLevel, P::Summary}},
    {"MasterLineArtAutomatic", K::Master, true, 1, 0, 2, 0, false, 1,
     {P::Welcome, P::AskResize, P::PictureKind, P::UserLevel, P::Frames, P::Summary}},
    {"MasterLineArtPartial", K::Master, true, 1, 1, 2, 0, false, 1,
     {P::Welcome, P::AskResize, P::PictureKind, P::UserLevel, P::Exposure, P::Summary}},
    {"MasterAnimationManual", K::Master, true, 4, 2, 2, 2, true, 1,
     {P::Welcome, P::AskResize, P::ResizeType, P::AbsoluteSize, P::UserLevel, P::ColorCount,
      P::PaletteTransparency, P::Frames, P::Summary}},
    {"MasterNoPicturePartial", K::Master, false, 0, 1, 2, 0, false, 1,
     {P::Welcome, P::AskResize, P::PictureKind, P::UserLevel, P::Exposure, P::Frames, P::SaveToDirectory,
      P::Summary}},
    {"MasterNoPictureJpeg", K::Master, false, 0, 1, 2, 0, false, 0,
     {P::Welcome, P::AskResize, P::PictureKind, P::JpegLevel, P::SaveToDirectory, P::Summary}},
    {"HtmlAutomatic", K::Html, false, 0, 0, 2, 0, false, 1,
     {P::Welcome, P::HtmlUrl, P::HtmlTags, P::UserLevel, P::JpegLevel, P::Frames, P::Summary}},
    {"HtmlManualCustom", K::Html, false, 0, 2, 3, 0, false, 1,
     {P::Welcome, P::HtmlUrl, P::HtmlTags, P::UserLevel, P::ColorCount, P::PaletteTransparency, P::JpegLevel,
      P::JpegQuality, P::Frames, P::Summary}},
};

INSTANTIATE_TEST_SUITE_P(Kinds, PageSequence, ::testing::ValuesIn(kSequences),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WizardTexts, KindsHaveTheirCaptionsAndWelcome) {
    EXPECT_EQ(WizardSummaryCaption(K::Gif), "GIF Optimization Wizard's Summary");
    EXPECT_EQ(WizardWelcomeTitle(K::Size), "Welcome to Resizing Wizard");
    EXPECT_EQ(WizardWelcomeTitle(K::Master), "Welcome to Lumaprism Image Optimization Wizard!");
    EXPECT_EQ(WizardMenuText(K::Html), "&Html-Page Optimization Wizard");
    EXPECT_EQ(WizardPageCaption(P::Frames), "Optimization of frames");
    EXPECT_EQ(WizardPageCaption(P::HtmlTags), "Html-Page optimization Wizard");
    EXPECT_EQ(WizardPageCaption(P::AskResize), "Lumaprism Wizard");
}

TEST(WizardPages, StoreWhatTheUserChose) {
    BatchMacro m = NewWizardMacro();
    m.paletteName = "Web-Safe";
    m.usePalette = 0;
    m.updateTransparent = 0;
    StoreUserLevel(m, 2);  // Manual keeps the palette choices
    EXPECT_EQ(m.reductionMode, 2);
    EXPECT_EQ(m.paletteName, "Web-Safe");
    StoreUserLevel(m, 1);
    EXPECT_EQ(m.reductionMode, 1);
    EXPECT_EQ(m.paletteName, "");
    EXPECT_EQ(m.usePalette, 1);
    EXPECT_EQ(m.updateTransparent, 1);

    StoreJpegLevel(m, 0);
    EXPECT_EQ(m.quality, 40);
    StoreJpegLevel(m, 1);
    EXPECT_EQ(m.quality, 50);
    StoreJpegLevel(m, 2);
    EXPECT_EQ(m.quality, 75);
    m.quality = 33;
    StoreJpegLevel(m, 3);  // Custom: the slider page decides
    EXPECT_EQ(m.quality, 33);
    EXPECT_EQ(m.jpegLevel, 3);

    StoreColorCount(m, true, 300);
    EXPECT_EQ(m.colorCountMode, 2);
    EXPECT_EQ(m.colors, 256);
    StoreColorCount(m, false, 140);
    EXPECT_EQ(m.colorCountMode, 1);
    EXPECT_EQ(m.colorPercent, 100);

    for (int kind = 0; kind < 4; ++kind) {
        StorePictureKind(m, kind);
        EXPECT_EQ(m.gifChosen, kind >= 2 ? 1 : 0) << kind;
    }
    StoreHtmlLevels(m, 5);
    EXPECT_EQ(m.htmlLevels, 6);
    StoreHtmlLevels(m, 0);
    EXPECT_EQ(m.htmlLevels, 1);
}

using Lines = std::vector<std::string>;

TEST(WizardSummary, ColorAutomatic) {
    BatchMacro m = NewWizardMacro();
    EXPECT_EQ(WizardSummaryLines(K::Color, m), (Lines{"Color Optimization", "", "   Automatic Reduction"}));
}

TEST(WizardSummary, ColorManualWithPalettes) {
    BatchMacro m = NewWizardMacro();
    m.reductionMode = 2;
    m.colorCountMode = 1;
    m.colorPercent = 40;
    m.paletteName = "Web-Safe";
    m.updateTransparent = 0;
    EXPECT_EQ(WizardSummaryLines(K::Color, m),
              (Lines{"Color Optimization", "", "   Reduction to 40 % of colors", "   Predefined colors from Web-Safe palette",
                     "   Do not update transparent color"}));
    m.colorCountMode = 2;
    m.colors = 16;
    m.paletteName.clear();
    m.updateTransparent = 1;
    EXPECT_EQ(WizardSummaryLines(K::Color, m),
              (Lines{"Color Optimization", "", "   Reduction to 16 colors", "   Predefined colors from current palette",
                     "   Update transparent color"}));
    m.usePalette = 0;
    EXPECT_EQ(WizardSummaryLines(K::Color, m)[3], "   Predefined colors not used");
    m.reductionMode = 1;
    m.exposure = 1;
    EXPECT_EQ(WizardSummaryLines(K::Color, m),
              (Lines{"Color Optimization", "", "   Reduction for Medium Exposure Picture"}));
}

TEST(WizardSummary, GifWithAnimationDetails) {
    BatchMacro m = NewWizardMacro();
    m.reductionMode = 1;
    m.exposure = 0;
    m.cutOut = 1;
    m.cutOutTolerance = 20;
    m.makeTransparent = 0;
    EXPECT_EQ(WizardSummaryLines(K::Gif, m),
              (Lines{"Color Optimization", "", "   Reduction for Low Exposure Picture", " ", "   Animation details",
                     "   .  Cut out image      --  Yes", "   .  Cut out tolerance  --  20",
                     "   .  Transparent    --  No"}));
}

TEST(WizardSummary, JpegAndSize) {
    BatchMacro m = NewWizardMacro();
    StoreJpegLevel(m, 1);
    EXPECT_EQ(WizardSummaryLines(K::Jpeg, m),
              (Lines{"", "JPEG Optimization", "", "   Level chosen -- Medium", "   Jpeg QFactor -- 50 "}));
    m.resizeMode = 1;
    m.widthPercent = 50;
    m.heightPercent = 100;
    m.smartResize = 1;
    EXPECT_EQ(WizardSummaryLines(K::Size, m),
              (Lines{"", "Resizing parameters", "", "   Resizing type  --  Relative", "     .  Width       --   50 %",
                     "     .  Height      --  100 %", "", "   Smart resizing --  Yes"}));
    m.resizeMode = 2;
    m.width = 200;
    m.height = 150;
    m.smartResize = 0;
    EXPECT_EQ(WizardSummaryLines(K::Size, m),
              (Lines{"", "Resizing parameters", "", "   Resizing type  --  Absolute", "     .  Width       --  200",
                     "     .  Height      --  150", "", "   Smart resizing --  No"}));
}

TEST(WizardSummary, LumaprismPhotoShowsColourJpegAndSize) {
    BatchMacro m = NewWizardMacro();
    StorePictureKind(m, 0);
    const Lines lines = WizardSummaryLines(K::Master, m);
    const Lines expected{"Color Optimization", "", "   Automatic Reduction", " ", "   Animation details",
                         "   .  Cut out image      --  No", "   .  Transparent    --  No", "", "JPEG Optimization", "",
                         "   Level chosen -- High", "   Jpeg QFactor -- 75 ", "", "Resizing parameters", "",
                         "   Resizing type  --  Relative", "     .  Width       --  100 %",
                         "     .  Height      --  100 %", "", "   Smart resizing --  No"};
    EXPECT_EQ(lines, expected);
    StorePictureKind(m, 3);  // as GIF: no JPEG section
    for (const std::string& line : WizardSummaryLines(K::Master, m)) EXPECT_NE(line, "JPEG Optimization");
}

TEST(WizardSummary, HtmlPage) {
    BatchMacro m = NewWizardMacro();
    m.htmlLevels = 6;
    m.addWidth = 0;
    m.resizeImages = 0;
    const Lines lines = WizardSummaryLines(K::Html, m, {"http://127.0.0.1:8080/", "/tmp/out"});
    const Lines head{"Html-Page Optimization", "", "URL                         : http://127.0.0.1:8080/",
                     "Output Directory       : /tmp/out", "Optimize levels         : All",
                     "Add TAGS               : Yes", "Add ALT TAG          : Yes", "Add WIDTH TAG    : No",
                     "Add HEIGHT TAG   : Yes", "Resize Images         : No", "", "Color Optimization"};
    ASSERT_GE(lines.size(), head.size());
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + std::ptrdiff_t(head.size())), head);
    m.addTags = 0;
    m.htmlLevels = 3;
    const Lines off = WizardSummaryLines(K::Html, m, {"u", "d"});
    EXPECT_EQ(off[4], "Optimize levels         : 3");
    EXPECT_EQ(off[5], "Add TAGS               : No");
    EXPECT_EQ(off[6], "Resize Images         : No");
    EXPECT_EQ(lines.back(), "   Jpeg QFactor -- 75 ");
}

TEST(WizardFinish, SaveNameIsTrimmedAndMustNotBeEmpty) {
    ScriptedPrompter prompter;
    EXPECT_EQ(CheckSaveMacroName("  my macro ", prompter), std::optional<std::string>("my macro"));
    EXPECT_TRUE(prompter.Messages().empty());
    for (const char* empty : {"", "    "}) {
        EXPECT_FALSE(CheckSaveMacroName(empty, prompter).has_value());
        ASSERT_FALSE(prompter.Messages().empty());
        EXPECT_EQ(prompter.Messages().back().text, "Specify a filename for saving the Template");
    }
}

TEST(WizardSaveDirectory, MissingFolderIsCreatedWithItsMessage) {
    test::ScratchDir scratch;
    ScriptedPrompter prompter;
    const fs::path existing = scratch.Path();
    EXPECT_TRUE(PrepareSaveDirectory(existing.string(), prompter));
    EXPECT_TRUE(prompter.Messages().empty());

    const fs::path fresh = scratch / "new/deeper";
    EXPECT_TRUE(PrepareSaveDirectory(fresh.string(), prompter));
    ASSERT_EQ(prompter.Messages().size(), 1u);
    EXPECT_EQ(prompter.Messages()[0].text, "Cannot Find Directory " + fresh.string());
    EXPECT_TRUE(fs::is_directory(fresh));

    // Below a plain file no folder can be made.
    std::ofstream(scratch / "file") << "x";
    const fs::path impossible = scratch / "file/sub";
    EXPECT_FALSE(PrepareSaveDirectory(impossible.string(), prompter));
    ASSERT_EQ(prompter.Messages().size(), 3u);
    EXPECT_EQ(prompter.Messages()[1].text, "Cannot Find Directory " + impossible.string());
    EXPECT_EQ(prompter.Messages()[2].text, "Unable to Create Directory " + impossible.string());
}

TEST(WizardHtmlPage, MessagesComeInTheirOrder) {
    test::ScratchDir scratch;
    const std::string dir = scratch.Path().string();
    auto check = CheckHtmlPage("", "");
    EXPECT_EQ(check.message, std::optional<std::string>("The URL field cannot be Empty."));
    EXPECT_EQ(check.focus, HtmlPageField::Url);
    check = CheckHtmlPage("example", "");
    EXPECT_EQ(check.message, std::optional<std::string>("An Output directory must be specified."));
    check = CheckHtmlPage("example", dir + "/missing");
    EXPECT_EQ(check.message, std::optional<std::string>("The directory doesn't exist."));
    EXPECT_EQ(check.focus, HtmlPageField::Directory);

    struct {
        const char* typed;
        const char* url;
    } urls[] = {{"  www.example.com", "http://www.example.com"},
                {"http://127.0.0.1:80/", "http://127.0.0.1:80/"},
                {"https://site/", "https://site/"},
                {"HTTP://site/", "http://HTTP://site/"}};  // compared with case
    for (const auto& u : urls) {
        check = CheckHtmlPage(u.typed, dir);
        EXPECT_FALSE(check.message.has_value()) << u.typed;
        EXPECT_EQ(check.url, u.url);
    }
}

TEST(WizardNeutralValues, PerKind) {
    const WizardPictureState picture{120, 80, 200, 60};
    BatchMacro base = NewWizardMacro();
    base.reductionMode = 2;
    base.colorCountMode = 1;
    base.colorPercent = 40;
    base.cutOut = 1;
    base.makeTransparent = 1;
    base.quality = 30;

    BatchMacro m = base;
    PrepareWizardMacro(K::Color, m, picture);
    EXPECT_EQ(m.resizeMode, kResizeAbsolute);  // relative 100 % in pixels
    EXPECT_EQ(m.width, 120);
    EXPECT_EQ(m.height, 80);
    EXPECT_EQ(m.gifChosen, 1);
    EXPECT_EQ(m.quality, 60);
    EXPECT_EQ(m.cutOut, 0);
    EXPECT_EQ(m.makeTransparent, 0);
    EXPECT_EQ(m.colors, 80);  // 40 % of 200 colours

    m = base;
    PrepareWizardMacro(K::Jpeg, m, picture);
    EXPECT_EQ(m.resizeMode, kResizeRelative);
    EXPECT_EQ(m.widthPercent, 100);
    EXPECT_EQ(m.colors, 200);
    EXPECT_EQ(m.colorPercent, 100);
    EXPECT_EQ(m.reductionMode, 2);
    EXPECT_EQ(m.exposure, 2);
    EXPECT_EQ(m.updateTransparent, 0);
    EXPECT_EQ(m.gifChosen, 0);
    EXPECT_EQ(m.quality, 30);  // the wizard's own
    EXPECT_EQ(m.cutOut, 0);
    EXPECT_EQ(WizardApplyFlags(K::Jpeg, m), 0u);

    m = base;
    PrepareWizardMacro(K::Gif, m, picture);
    EXPECT_EQ(m.width, 120);
    EXPECT_EQ(m.quality, 60);
    EXPECT_EQ(m.cutOut, 1);  // the frames page's choice stays
    EXPECT_EQ(m.colors, 80);

    m = base;
    m.resizeMode = kResizeRelative;
    m.widthPercent = 50;
    m.heightPercent = 25;
    PrepareWizardMacro(K::Size, m, picture);
    EXPECT_EQ(m.width, 60);
    EXPECT_EQ(m.height, 20);
    EXPECT_EQ(m.colors, 200);  // colours untouched
    EXPECT_EQ(m.gifChosen, 0);
    EXPECT_EQ(WizardApplyFlags(K::Size, m), unsigned(kApplyResize));

    m = base;
    m.gifChosen = 0;
    PrepareWizardMacro(K::Master, m, picture);
    EXPECT_EQ(m.width, 120);
    EXPECT_EQ(m.height, 80);
    EXPECT_EQ(m.colorPercent, 40);  // unchanged for the JPEG path
    EXPECT_EQ(m.quality, 30);
    EXPECT_EQ(WizardComparison(K::Master, m), ReportComparison::Jpeg);

    m = base;
    m.gifChosen = 1;
    PrepareWizardMacro(K::Master, m, picture);
    EXPECT_EQ(m.quality, 60);
    EXPECT_EQ(m.colors, 80);
    EXPECT_EQ(WizardComparison(K::Master, m), ReportComparison::Gif);
}

TEST(WizardNeutralValues, RelativeSizesAreAtLeastOnePixel) {
    BatchMacro m = NewWizardMacro();
    m.resizeMode = kResizeRelative;
    m.widthPercent = 1;
    m.heightPercent = 1;
    PrepareWizardMacro(K::Size, m, {50, 30, 10, 75});
    EXPECT_EQ(m.width, 1);
    EXPECT_EQ(m.height, 1);
}

TEST(WizardTitles, PreviewAndReport) {
    EXPECT_EQ(WizardPreviewTitle(K::Color, 1), "Preview 1  (Color Reduction) ");
    EXPECT_EQ(WizardPreviewTitle(K::Gif, 2), "Preview 2  (  GIF Optimization  )");
    EXPECT_EQ(WizardPreviewTitle(K::Master, 3), "Preview 3  (  Color/Quality/Size Optimization  )");
    EXPECT_EQ(WizardReportTitle(K::Jpeg, 1), "Preview 1  (JPEG Optimization)");
    EXPECT_EQ(WizardReportTitle(K::Gif, 1), "Preview 1  (GIF  Optimization)");
    EXPECT_EQ(WizardReportTitle(K::Size, 4), "Preview 4  (Size Optimization)");
}

TEST(OptimizationReport, FiguresOfAResult) {
    OptimizationReportData d;
    d.previewTitle = "Preview 1  (Color Optimization)";
    d.masterBytes = 10000;
    d.resultBytes = 7500;
    d.modemSpeed = 28800;
    d.comparison = ReportComparison::Gif;
    const OptimizationReportTexts t = FormatOptimizationReport(d);
    EXPECT_EQ(t.windowName, "Preview 1  (Color Optimization)");
    EXPECT_EQ(t.afterLabel, "After Optimization ( GIF )");
    EXPECT_EQ(t.beforeBytes, "10000 ");
    EXPECT_EQ(t.beforeSeconds, "2.8 ");
    EXPECT_EQ(t.afterBytes, "7500 ");
    EXPECT_EQ(t.afterSeconds, "2.1 ");
    EXPECT_EQ(t.savingBytes, "2500 ");
    EXPECT_EQ(t.savingSeconds, "0.7 ");
    EXPECT_EQ(t.improvement, "25 % ");
    EXPECT_EQ(t.modemSpeed, "28.8 kbps");

    d.resultBytes = 12000;  // larger than the master
    d.comparison = ReportComparison::Jpeg;
    const OptimizationReportTexts worse = FormatOptimizationReport(d);
    EXPECT_EQ(worse.afterLabel, "After Optimization ( JPG )");
    EXPECT_EQ(worse.savingBytes, "-2000 ");
    EXPECT_EQ(worse.improvement, "-20 % ");

    d.masterBytes = 0;
    d.modemSpeed = 0;
    d.comparison = ReportComparison::None;
    const OptimizationReportTexts empty = FormatOptimizationReport(d);
    EXPECT_EQ(empty.afterLabel, "After optimization");
    EXPECT_EQ(empty.improvement, "0 % ");
    EXPECT_EQ(empty.beforeSeconds, "0.0 ");
}

GifFrameList OneFrame(Picture picture) {
    GifFrameList frames;
    GifFrame frame;
    frame.delay = 50;
    frame.picture = std::move(picture);
    frames.Add(std::move(frame));
    return frames;
}

TEST(WizardResultMaking, ColorWizardReducesTheCopyAndMeasuresGif) {
    const GifFrameList master = OneFrame(test::PatternPicture(64, 48));
    ASSERT_GT(CountColours(master[0].picture), 256);
    GifInfo info;
    info.screenWidth = 64;
    info.screenHeight = 48;
    BatchMacro m = NewWizardMacro();  // Automatic
    const WizardResult r = MakeWizardResult(K::Color, m, master, info, 0, 75, {});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.comparison, ReportComparison::Gif);
    EXPECT_EQ(r.settings.colors, 255);
    EXPECT_LE(CountColours(r.frames[0].picture), 255);
    EXPECT_EQ(r.frames[0].picture.Width(), 64);
    EXPECT_GT(r.resultBytes, 0);
    EXPECT_EQ(r.resultBytes, MeasureWizardGif(r.frames, r.info, MakeColour(255, 255, 255)));
    // The master's frames are untouched.
    EXPECT_GT(CountColours(master[0].picture), 256);
}

TEST(WizardResultMaking, SizeWizardScalesAndJpegWizardRoundTrips) {
    const GifFrameList master = OneFrame(test::PatternPicture(80, 60));
    GifInfo info;
    BatchMacro m = NewWizardMacro();
    m.resizeMode = kResizeRelative;
    m.widthPercent = 50;
    m.heightPercent = 50;
    const WizardResult sized = MakeWizardResult(K::Size, m, master, info, 0, 75, {});
    ASSERT_TRUE(sized.ok) << sized.error;
    EXPECT_EQ(sized.frames[0].picture.Width(), 40);
    EXPECT_EQ(sized.frames[0].picture.Height(), 30);

    BatchMacro j = NewWizardMacro();
    StoreJpegLevel(j, 0);
    const WizardResult jpeg = MakeWizardResult(K::Jpeg, j, master, info, 0, 75, {});
    ASSERT_TRUE(jpeg.ok) << jpeg.error;
    EXPECT_EQ(jpeg.comparison, ReportComparison::Jpeg);
    EXPECT_EQ(jpeg.frames[0].picture.Width(), 80);
    // The preview holds the decoded JPEG, not the original pixels.
    bool differs = false;
    for (int y = 0; y < 60 && !differs; ++y)
        differs = !std::equal(jpeg.frames[0].picture.Row(y).begin(), jpeg.frames[0].picture.Row(y).end(),
                              master[0].picture.Row(y).begin());
    EXPECT_TRUE(differs);
    EXPECT_GT(jpeg.resultBytes, 0);
}

TEST(WizardResultMaking, AnimationFramesAreScaledWithTheirPositions) {
    GifFrameList master;
    for (int i = 0; i < 3; ++i) {
        GifFrame frame;
        frame.picture = test::PatternPicture(40, 20);
        frame.left = 10 * i;
        frame.top = 4 * i;
        frame.delay = 10;
        master.Add(std::move(frame));
    }
    GifInfo info;
    info.screenWidth = 60;
    info.screenHeight = 28;
    BatchMacro m = NewWizardMacro();
    m.resizeMode = kResizeRelative;
    m.widthPercent = 50;
    m.heightPercent = 50;
    const WizardResult r = MakeWizardResult(K::Master, m, master, info, 0, 75, {});
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.frames.Count(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(r.frames[std::size_t(i)].picture.Width(), 20);
        EXPECT_EQ(r.frames[std::size_t(i)].left, 5 * i);
        EXPECT_EQ(r.frames[std::size_t(i)].top, 2 * i);
    }
    EXPECT_EQ(r.info.screenWidth, 30);
    EXPECT_EQ(r.info.screenHeight, 14);
}

TEST(WizardResultMaking, MasterBytesByComparison) {
    TransferInfo t;
    t.jpegBytes0 = 1234;
    t.gifBytes0 = 5678;
    const GifFrameList one = OneFrame(test::PatternPicture(8, 8));
    EXPECT_EQ(WizardMasterBytes(ReportComparison::Jpeg, t, one, {}, 0), 1234);
    EXPECT_EQ(WizardMasterBytes(ReportComparison::Gif, t, one, {}, 0), 5678);
    GifFrameList two = one;
    two.Add(one[0]);
    two[0].encodedSize = 100;
    two[1].encodedSize = 50;
    EXPECT_EQ(WizardMasterBytes(ReportComparison::Gif, t, two, {}, 0), 150);
}

}  // namespace
}  // namespace lp
