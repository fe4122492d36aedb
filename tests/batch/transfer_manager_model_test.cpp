// The Transfer Manager's logic: slider arithmetic, trial estimates by tab, field texts,
// the history graph and the size curve.
#include <gtest/gtest.h>

#include <cmath>

#include "batch/transfer_manager_model.h"
#include "optimize/transfer_info.h"

namespace lp {
namespace {

/// A master of 400 x 300 with 200 colours, as a measurement leaves it.
TransferInfo Measured400x300() {
    TransferInfo t;
    t.width0 = 400;
    t.height0 = 300;
    t.colors0 = 200;
    t.jpegBytes0 = 10000;
    t.gifBytes0 = 20000;
    t.pngBytes0 = 15000;
    t.fileBytes = 30000;
    t.width = 400;
    t.height = 300;
    t.colors = 200;
    t.quality = 75;
    return t;
}

struct Fixture {
    TransferInfo info = Measured400x300();
    BatchMacro settings{"Default"};
    TransferManagerModel model;
    explicit Fixture(bool usePng = true) : model(usePng) {
        model.SetSpeed(28800);
        model.Attach(&info, &settings, nullptr, 0, kTabSize, "photo.bmp");
    }
};

TEST(TransferManagerModel, AreaSliderAt25PercentHalvesBothSides) {
    Fixture f;
    f.model.SetAreaPercent(25);
    EXPECT_EQ(f.settings.width, 200);
    EXPECT_EQ(f.settings.height, 150);
    EXPECT_EQ(f.settings.resizeMode, kResizeAbsolute);
    EXPECT_EQ(f.model.AreaPercent(), 25);
    // The panel's own macro follows the master's settings.
    EXPECT_EQ(f.model.Macro().width, 200);
}

TEST(TransferManagerModel, WidthSliderAtHalfShowsFiftyPercent) {
    Fixture f;
    f.model.SetTrialHeight(300);
    f.model.SetTrialWidth(200);
    EXPECT_EQ(f.model.AreaPercent(), 50);
    f.model.SetTrialHeight(150);
    EXPECT_EQ(f.model.AreaPercent(), 25);
}

TEST(TransferManagerModel, AttachClampsDefaultSizeAndSetsArea) {
    // The default 360 x 240 fits a 400 x 300 master: ceil(240/300 x 360/400 x 100) = 72.
    Fixture f;
    EXPECT_EQ(f.settings.width, 360);
    EXPECT_EQ(f.settings.height, 240);
    EXPECT_EQ(f.model.AreaPercent(), 72);
    // A smaller master clamps the settings to its size.
    TransferInfo small = Measured400x300();
    small.width = 100;
    small.height = 80;
    BatchMacro s{"Default"};
    TransferManagerModel m(false);
    m.Attach(&small, &s, nullptr, 0, kTabSize, "small");
    EXPECT_EQ(s.width, 100);
    EXPECT_EQ(s.height, 80);
    EXPECT_EQ(m.AreaPercent(), 100);
}

TEST(TransferManagerModel, TrialEstimatesFollowTheTab) {
    Fixture f;
    const TransferInfo* t = &f.info;
    f.model.SetAreaPercent(25);  // 200 x 150
    f.model.SelectTab(kTabJpeg);
    f.model.SetQuality(40);
    f.model.SelectTab(kTabGifPng);
    f.model.SetColors(16);

    struct Case {
        int tab;
        std::int32_t jpg, gif, png;
    };
    const Case cases[] = {
        // Size tab: the JPEG trial ignores the quality slider (75 is used).
        {kTabSize, EstimateJpegSize(t, 200, 150, 75), EstimateGifSize(t, 200, 150, 200), EstimatePngSize(t, 200, 150, 200)},
        {kTabGifPng, EstimateJpegSize(t, 400, 300, 75), EstimateGifSize(t, 400, 300, 16), EstimatePngSize(t, 400, 300, 16)},
        {kTabJpeg, EstimateJpegSize(t, 400, 300, 40), EstimateGifSize(t, 400, 300, 200), EstimatePngSize(t, 400, 300, 200)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tab);
        f.model.SelectTab(c.tab);
        EXPECT_EQ(f.info.previewJpegBytes, c.jpg);
        EXPECT_EQ(f.info.previewGifBytes, c.gif);
        EXPECT_EQ(f.info.previewPngBytes, c.png);
    }
    // The quality really changes the JPEG estimate (else the Size-tab check above proves nothing).
    EXPECT_NE(EstimateJpegSize(t, 200, 150, 40), EstimateJpegSize(t, 200, 150, 75));
}

TEST(TransferManagerModel, FieldsShowSizesTimesAndImprovements) {
    Fixture f;
    f.model.SelectTab(kTabGifPng);
    f.model.SetColors(16);
    const TransferInfo& t = f.info;
    EXPECT_EQ(f.model.MasterField(kFormatGif), FormatSizeField(t.gifBytes));
    EXPECT_EQ(f.model.PreviewField(kFormatGif), FormatSizeField(t.previewGifBytes));
    char expected[32];
    std::snprintf(expected, sizeof expected, "%.0f%% ", 100.0 - double(t.previewGifBytes) / t.gifBytes * 100.0);
    EXPECT_EQ(f.model.ImproveField(kFormatGif), expected);
    std::snprintf(expected, sizeof expected, "%.0f%% ", 100.0 - double(t.previewGifBytes) / t.gifBytes0 * 100.0);
    EXPECT_EQ(f.model.OverallImproveField(kFormatGif), expected);
    f.model.SetCompareTo(kCompareOriginal);
    std::snprintf(expected, sizeof expected, "%.0f%% ", 100.0 - double(t.previewGifBytes) / t.fileBytes * 100.0);
    EXPECT_EQ(f.model.OverallImproveField(kFormatGif), expected);
    // JPEG is unchanged on this tab: no improvement.
    EXPECT_EQ(f.model.ImproveField(kFormatJpg), "0% ");

    f.model.SetDisplayTimes(true);
    EXPECT_EQ(f.model.MasterField(kFormatJpg), FormatTimeField(TransferSeconds(t.jpegBytes, 28800)));
    EXPECT_EQ(f.model.PreviewField(kFormatGif), FormatTimeField(TransferSeconds(t.previewGifBytes, 28800)));

    // Unticking a format clears its fields.
    f.model.SetShown(kFormatJpg, false);
    EXPECT_EQ(f.model.MasterField(kFormatJpg), "");
    EXPECT_EQ(f.model.ImproveField(kFormatJpg), "");
}

TEST(TransferManagerModel, ZeroPreviewAndZeroSpeedTexts) {
    Fixture f;
    f.model.SetAreaPercent(0);  // 0 x 0: every trial estimate is 0
    EXPECT_EQ(f.info.previewJpegBytes, 0);
    EXPECT_EQ(f.model.PreviewField(kFormatJpg), "0.0k");
    f.model.SetDisplayTimes(true);
    EXPECT_EQ(f.model.PreviewField(kFormatJpg), "0.0s");
    EXPECT_EQ(f.model.ImproveField(kFormatJpg), "100% ");

    f.model.ChooseSpeed(kTransferManagerSpeedTable.size() - 1);  // Custom
    EXPECT_TRUE(f.model.SetCustomKbps(0));
    EXPECT_EQ(f.model.Speed(), 0);
    EXPECT_EQ(f.model.MasterField(kFormatGif), "0.0s");
    EXPECT_EQ(f.model.ImproveField(kFormatGif), "0% ");
    EXPECT_FALSE(f.model.SetCustomKbps(2001));
}

TEST(TransferManagerModel, SpeedListHasNo56AndPicksCustomForIt) {
    Fixture f;
    f.model.SetSpeed(56000);
    EXPECT_TRUE(f.model.CustomSelected());
    EXPECT_DOUBLE_EQ(f.model.CustomKbps(), 56);
    EXPECT_EQ(f.model.ChooseSpeed(0), 9600);
    EXPECT_FALSE(f.model.CustomSelected());
    // Times follow the speed.
    EXPECT_DOUBLE_EQ(f.info.jpegSeconds, TransferSeconds(f.info.jpegBytes, 9600));
}

TEST(TransferManagerModel, PngOffLayoutHasNoPngValues) {
    Fixture f(/*usePng=*/false);
    EXPECT_FALSE(f.model.FormatEnabled(kFormatPng));
    EXPECT_EQ(f.info.pngBytes, 0);
    EXPECT_EQ(f.model.MasterField(kFormatPng), "");
    EXPECT_EQ(f.model.PreviewField(kFormatPng), "");
}

GifFrameList TwoFrames() {
    GifFrameList frames;
    for (int i = 0; i < 2; ++i) {
        GifFrame frame;
        frame.picture.Create(400, 300);
        frame.picture.Fill(MakeColour(10 * i, 20, 30));
        frame.colourCount = 1;
        frames.Add(std::move(frame));
    }
    return frames;
}

TEST(TransferManagerModel, AnimationWithAllFramesShowsGifTotalsOnly) {
    TransferInfo info = Measured400x300();
    BatchMacro settings{"Default"};
    GifFrameList frames = TwoFrames();
    TransferManagerModel model(true);
    model.Attach(&info, &settings, &frames, 0, kTabGifPng, "anim.gif");
    EXPECT_TRUE(model.UseAllFramesEnabled());
    EXPECT_FALSE(model.MasterField(kFormatJpg).empty());
    model.SetUseAllFrames(true);
    EXPECT_FALSE(model.FormatEnabled(kFormatJpg));
    EXPECT_FALSE(model.FormatEnabled(kFormatPng));
    for (int format : {kFormatJpg, kFormatPng}) {
        EXPECT_EQ(model.MasterField(format), "");
        EXPECT_EQ(model.PreviewField(format), "");
        EXPECT_EQ(model.ImproveField(format), "");
    }
    // GIF shows the all-frames total as kilobytes with one truncated decimal.
    ASSERT_GT(info.allFramesKb, 0);
    EXPECT_EQ(model.MasterField(kFormatGif), FormatAnimationKb(info.allFramesKb));
    EXPECT_NEAR(info.allFramesKb, 2 * EstimateGifSize(&info, 400, 300, 1) * 0.001, 1e-9);
    // A single picture cannot use all frames.
    GifFrameList one;
    one.Add(GifFrame{});
    TransferInfo single = Measured400x300();
    TransferManagerModel m2(true);
    m2.Attach(&single, &settings, &one, 0, kTabSize, "one");
    EXPECT_FALSE(m2.UseAllFramesEnabled());
}

TEST(TransferManagerModel, LoadedMacroTurnsRelativeSizeIntoPixels) {
    Fixture f;
    BatchMacro loaded{"Half"};
    loaded.resizeMode = kResizeRelative;
    loaded.widthPercent = 50;
    loaded.heightPercent = 50;
    loaded.colors = 64;
    loaded.usePalette = 0;
    f.model.TakeMacro(loaded);
    EXPECT_EQ(f.settings.width, 200);
    EXPECT_EQ(f.settings.height, 150);
    EXPECT_EQ(f.settings.colors, 64);
    EXPECT_FALSE(f.model.UsePalette());
    EXPECT_EQ(f.model.AreaPercent(), 25);
    EXPECT_EQ(f.model.Macro().name, "Half");
}

TEST(TransferManagerModel, ColourSliderStaysInsideOneToPresentColours) {
    Fixture f;
    f.model.SetColors(0);
    EXPECT_EQ(f.settings.colors, 1);
    f.model.SetColors(999);
    EXPECT_EQ(f.settings.colors, 200);
    EXPECT_EQ(f.model.ColorsMax(), 200);
}

// --- History graph ------------------------------------------------------------------------------

TEST(HistoryGraph, SegmentCounts) {
    struct Case {
        std::int64_t value, largest;
        int segments;
    };
    const Case cases[] = {
        {0, 1000, 1}, {1000, 1000, 18}, {500, 1000, 9}, {999, 1000, 18}, {100, 1000, 2}, {0, 0, 1}, {5, 5, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(HistoryGraph::Segments(c.value, c.largest), c.segments);
    }
}

TEST(HistoryGraph, SevenWindowColumnsAtMostAndSwaps) {
    HistoryGraph g;
    for (int n = 1; n <= 8; ++n) g.SetWindow(n, {n * 10, n * 20, 0});
    ASSERT_EQ(g.Windows().size(), 7u);
    EXPECT_EQ(g.Windows().front().previewNumber, 2);  // the oldest went first
    g.SetLive({5000, 1, 1});
    EXPECT_EQ(g.Largest({true, true, true}), 5000);
    EXPECT_EQ(g.Largest({false, true, true}), 160);
    g.SwapNumbers(2, 5);
    EXPECT_EQ(g.Windows().front().previewNumber, 5);
    EXPECT_EQ(g.Windows()[3].previewNumber, 2);
    g.RemoveWindow(5);
    EXPECT_EQ(g.Windows().size(), 6u);
    // Columns are 14 pixels wide with PNG, 10 without, from x = 4; the live column holds no window.
    EXPECT_EQ(g.WindowColumnAt(4, true), 0);
    EXPECT_EQ(g.WindowColumnAt(17, true), 0);
    EXPECT_EQ(g.WindowColumnAt(18, true), 1);
    EXPECT_EQ(g.WindowColumnAt(3, true), -1);
    EXPECT_EQ(g.WindowColumnAt(4 + 6 * 10, false), -1);
    EXPECT_EQ(HistoryGraph::Nudges({5, 5, 5}), (std::array<int, 3>{0, 1, 2}));
    EXPECT_EQ(HistoryGraph::Nudges({5, 6, 5}), (std::array<int, 3>{0, 0, 1}));
}

// --- Size curve ---------------------------------------------------------------------------------

TEST(SizeCurve, GridCurvesAndMarker) {
    Fixture f;
    SizeCurve& curve = f.model.Curve();
    const int w = 110, h = 90;
    const SizeCurve::Plot plot = f.model.Curve().Compute(&f.info, w, h);
    EXPECT_EQ(plot.gridX, (std::vector<int>{5, 16, 27, 38, 49, 60, 71, 82, 93, 105}));
    EXPECT_EQ(plot.gridY, (std::vector<int>{5, 15, 25, 35, 45, 55, 65, 75, 85}));
    ASSERT_TRUE(plot.curves);
    for (int fmt = 0; fmt < 3; ++fmt) ASSERT_EQ(plot.points[std::size_t(fmt)].size(), std::size_t(w - 9));
    // Size tab: the last point is the full picture; the first is empty (bottom line).
    const double m = curve.ScaleMax(&f.info);
    EXPECT_EQ(m, EstimateJpegSize(&f.info, 400, 300, 100));
    const auto& gif = plot.points[kFormatGif];
    EXPECT_EQ(gif.front().x, 5);
    EXPECT_EQ(gif.front().y, h - 5);
    EXPECT_EQ(gif.back().x, w - 5);
    EXPECT_EQ(gif.back().y, h - 5 - int(EstimateGifSize(&f.info, 400, 300, 200) / m * (h - 10)));
    // Marker at the trial 360 x 240 of 400 x 300: trunc(0.72 x 100) + 1 + 5.
    EXPECT_EQ(plot.markerX, 72 + 1 + 5);
    EXPECT_TRUE(curve.NearMarker(77, w));
    EXPECT_FALSE(curve.NearMarker(80, w));
}

TEST(SizeCurve, DraggingSetsTheTrialAsTheSliderWould) {
    Fixture f;
    const int w = 110;
    EXPECT_FALSE(f.model.DragCurve(4, w));
    ASSERT_TRUE(f.model.DragCurve(5 + 25, w));  // t = 0.25: half of each side
    EXPECT_EQ(f.settings.width, 200);
    EXPECT_EQ(f.settings.height, 150);
    EXPECT_EQ(f.model.AreaPercent(), 25);
    f.model.SelectTab(kTabGifPng);
    ASSERT_TRUE(f.model.DragCurve(5 + 50, w));
    EXPECT_EQ(f.settings.colors, 100);
    f.model.SelectTab(kTabJpeg);
    ASSERT_TRUE(f.model.DragCurve(5 + 50, w));
    EXPECT_EQ(f.settings.quality, 50);
    EXPECT_EQ(f.model.Curve().MarkerX(w), 50 + 1 + 5);
}

TEST(SizeCurve, NothingButGridWithoutAScale) {
    SizeCurve curve;
    curve.SetReference({400, 300, 200, 75});
    const SizeCurve::Plot plot = curve.Compute(nullptr, 100, 80);  // attached to nothing: M = 0
    EXPECT_FALSE(plot.curves);
    EXPECT_FALSE(plot.gridX.empty());
}

}  // namespace
}  // namespace lp
