#include "optimize/transfer_info.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "formats/gif/gif_writer.h"
#include "formats/jpeg/jpeg_writer.h"
#include "formats/png/png_writer.h"
#include "imaging/colour_count.h"
#include "test_support.h"

namespace lp {
namespace {

using test::PatternPicture;
using test::SetPixel;

TransferInfo Measured(std::int32_t jpeg, std::int32_t gif, std::int32_t png, std::int32_t w, std::int32_t h,
                      std::int32_t colours) {
    TransferInfo t;
    t.jpegBytes0 = jpeg;
    t.gifBytes0 = gif;
    t.pngBytes0 = png;
    t.width0 = w;
    t.height0 = h;
    t.colors0 = colours;
    return t;
}

/// A picture of exactly n distinct colours (n <= width * height).
Picture ColouredPicture(int width, int height, int n) {
    Picture p;
    p.Create(width, height);
    for (int i = 0; i < width * height; ++i) {
        const int c = i % n;
        SetPixel(p, i % width, i / width,
                 MakeColour(std::uint8_t(c * 7), std::uint8_t(c / 37 * 11), std::uint8_t(c % 5)));
    }
    return p;
}

TEST(TransferEstimate, JpegCurveAtTheMeasuredSizeFollowsTheQualityTable) {
    const TransferInfo t = Measured(10000, 0, 0, 200, 100, 50);
    // The curve is not monotonic around 75: 76 is below both 75 and 77.
    const struct {
        int quality;
        std::int32_t bytes;
    } cases[] = {{10, 2110},  {50, 6550},  {74, 9214},  {75, 10000}, {76, 9675},
                 {77, 10000}, {80, 11109}, {90, 17435}, {100, 39425}};
    for (const auto& c : cases) EXPECT_EQ(EstimateJpegSize(&t, 200, 100, c.quality), c.bytes) << "q=" << c.quality;
}

TEST(TransferEstimate, JpegScalesWithTheAreaAndNeverGoesNegative) {
    const TransferInfo t = Measured(10000, 0, 0, 200, 100, 50);
    const std::int32_t half = EstimateJpegSize(&t, 100, 50, 75);
    const std::int32_t twice = EstimateJpegSize(&t, 400, 200, 75);
    EXPECT_LT(half, 10000);
    EXPECT_GT(twice, 10000);
    // r = sqrt(0.5 * 0.5) = 0.5: n = J0 x (0.62 e^0.5 + 1 - 0.62 e).
    EXPECT_EQ(half, std::int32_t(10000 * (0.62 * std::exp(0.5) + 1 - 1.6853347336445799)));
    // A tiny picture: the curve goes below 0 and the estimate stops at 0.
    EXPECT_EQ(EstimateJpegSize(&t, 1, 1, 75), 0);
    EXPECT_EQ(EstimateJpegSize(&t, 1, 1, 10), 0);
}

TEST(TransferEstimate, GifAndPngReturnTheMeasuredSizeAtTheMeasuredState) {
    const TransferInfo t = Measured(0, 5000, 7000, 64, 48, 100);
    EXPECT_NEAR(EstimateGifSize(&t, 64, 48, 100), 5000, 1);
    EXPECT_NEAR(EstimatePngSize(&t, 64, 48, 100), 7000, 1);
    // Fewer colours, smaller file; colours over 256 count as 256 on both sides.
    EXPECT_LT(EstimateGifSize(&t, 64, 48, 16), EstimateGifSize(&t, 64, 48, 100));
    const TransferInfo many = Measured(0, 5000, 0, 64, 48, 300);
    EXPECT_EQ(EstimateGifSize(&many, 64, 48, 300), EstimateGifSize(&many, 64, 48, 256));
    EXPECT_NEAR(EstimateGifSize(&many, 64, 48, 300), 5000, 1);
}

TEST(TransferEstimate, ResizeDragStatusShowsTheSizeAndBothTimes) {
    // At the measured size the times are the measured files' times: 36000 bytes of JPEG and
    // 18000 of GIF at 28800 bit/s are 10 s and 5 s.
    const TransferInfo t = Measured(36000, 18000, 0, 200, 100, 64);
    EXPECT_EQ(ResizeDragStatus(200, 100, t, 64, 28800), "200 x 100   JPG 10.0s   GIF 5.0s");
    // Twice the size takes longer for both; the text follows the estimates.
    const std::string larger = ResizeDragStatus(400, 200, t, 64, 28800);
    const double jpeg = TransferSeconds(EstimateJpegSize(&t, 400, 200, 75), 28800);
    const double gif = TransferSeconds(EstimateGifSize(&t, 400, 200, 64), 28800);
    EXPECT_GT(jpeg, 10.0);
    EXPECT_GT(gif, 5.0);
    EXPECT_EQ(larger, "400 x 200   JPG " + FormatOneDecimal(jpeg) + "s   GIF " + FormatOneDecimal(gif) + "s");
}

TEST(TransferEstimate, NoMasterOrNoMeasurementGivesZero) {
    EXPECT_EQ(EstimateJpegSize(nullptr, 10, 10, 75), 0);
    EXPECT_EQ(EstimateGifSize(nullptr, 10, 10, 2), 0);
    EXPECT_EQ(EstimatePngSize(nullptr, 10, 10, 2), 0);
    const TransferInfo empty;  // width0 = height0 = 0: nothing to scale from
    EXPECT_EQ(EstimateJpegSize(&empty, 10, 10, 75), 0);
    EXPECT_EQ(EstimateGifSize(&empty, 10, 10, 2), 0);
}

TEST(TransferTime, BitsOverSpeedAndZeroSpeed) {
    EXPECT_DOUBLE_EQ(TransferSeconds(3600, 28800), 1.0);
    EXPECT_DOUBLE_EQ(TransferSeconds(1000, 9600), 8000.0 / 9600);
    EXPECT_EQ(TransferSeconds(123456, 0), 0.0);
    EXPECT_EQ(TransferSeconds(123456, -5), 0.0);
    // 300 MB would wrap negative in a 32-bit bit count.
    EXPECT_DOUBLE_EQ(TransferSeconds(300'000'000, 8), 300'000'000.0);
    EXPECT_DOUBLE_EQ(TransferSecondsForKb(3.6, 28800), 1.0);
    EXPECT_EQ(TransferSecondsForKb(3.6, 0), 0.0);
}

TEST(TransferText, FieldAndColumnForms) {
    EXPECT_EQ(FormatSizeField(12345), "12.3k ");
    EXPECT_EQ(FormatSizeField(0), "0.0k ");
    EXPECT_EQ(FormatTimeField(2.46), "2.5s ");
    EXPECT_EQ(kEmptySizeField, "0.0k");
    EXPECT_EQ(kEmptyTimeField, "0.0s");
    EXPECT_EQ(FormatAnimationKb(12.39), "12.3k");  // truncated, not rounded
    EXPECT_EQ(FormatAnimationKb(0.96), "0.9k");
    EXPECT_EQ(FormatAnimationKb(7), "7.0k");
    EXPECT_EQ(FormatFrameSize(1.25), "1.2 k");  // 1.25 is exact: printf rounds half to even
    EXPECT_EQ(FormatFrameSeconds(3.04), "3.0 s");
    EXPECT_EQ(FormatWindowsManagerTime(10.66), "10.7s");
    EXPECT_EQ(FormatFrameListTime(0.5), "0.5 sec.");
}

TEST(TransferText, NumbersIgnoreTheUserLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    const std::string text = FormatTimeField(1.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(text, "1.5s ");
}

TEST(TransferText, WindowCaptionForms) {
    TransferInfo t;
    t.jpegBytes = 3600;         // 1.0 s at 28800
    t.gifBytes = 7200;          // 2.0 s
    t.pngBytes = 10800;         // 3.0 s
    t.allFramesKb = 36;         // 10.0 s
    t.previewAllFramesKb = 18;  // 5.0 s
    CaptionInput in;
    in.title = "a.gif";
    in.modemSpeed = 28800;

    in.usePng = false;
    EXPECT_EQ(WindowCaption(t, in), "(Master) (JPG 1.0s)   (GIF 2.0s) a.gif");
    in.master = false;
    in.previewNumber = 3;
    EXPECT_EQ(WindowCaption(t, in), "(Preview 2) (JPG 1.0s)   (GIF 2.0s) a.gif");
    in.usePng = true;
    EXPECT_EQ(WindowCaption(t, in), " (Preview 2) (JPG 1.0s)   (GIF 2.0s)   (PNG 3.0s)  a.gif");
    in.master = true;
    EXPECT_EQ(WindowCaption(t, in), " (Master) (JPG 1.0s)   (GIF 2.0s)   (PNG 3.0s) a.gif");
    in.multiFrame = true;
    EXPECT_EQ(WindowCaption(t, in), " (Master) (JPG 1.0s)   (GIF 2.0s)   (PNG 3.0s) a.gif");  // all frames off
    in.useAllFrames = true;
    EXPECT_EQ(WindowCaption(t, in), " (Master) (GIF 10.0s) a.gif");
    in.master = false;
    EXPECT_EQ(WindowCaption(t, in), "  (Preview 2) (GIF 5.0s)  a.gif");
    in.modemSpeed = 0;
    EXPECT_EQ(WindowCaption(t, in), "  (Preview 2) (GIF 0.0s)  a.gif");
}

TEST(ModemSpeed, ListsAndTheirCustomEntry) {
    EXPECT_EQ(kModemSpeedTable.size(), 11u);
    EXPECT_EQ(kTransferManagerSpeedTable.size(), 10u);
    for (const auto& e : kModemSpeedTable) EXPECT_LE(e.label.size(), 9u);
    EXPECT_EQ(kModemSpeedTable[SpeedEntryIndex(kModemSpeedTable, 56000)].label, "56");
    // The Transfer Manager has no "56": that speed shows as Custom there.
    EXPECT_EQ(kTransferManagerSpeedTable[SpeedEntryIndex(kTransferManagerSpeedTable, 56000)].label, "Custom");
    EXPECT_EQ(kModemSpeedTable[SpeedEntryIndex(kModemSpeedTable, 111200)].label, "T2 111.2");
    EXPECT_EQ(kModemSpeedTable[SpeedEntryIndex(kModemSpeedTable, 1234)].label, "Custom");
}

TEST(ModemSpeed, TransferPageSelectsAndTakesCustomValues) {
    TransferPageState fixed = TransferPageState::Open(28800, true);
    EXPECT_EQ(kModemSpeedTable[fixed.selected].label, "28.8");
    EXPECT_FALSE(fixed.customEnabled);
    EXPECT_TRUE(fixed.usePng);

    TransferPageState custom = TransferPageState::Open(1500, false);
    EXPECT_EQ(kModemSpeedTable[custom.selected].label, "Custom");
    EXPECT_TRUE(custom.customEnabled);
    EXPECT_EQ(custom.customText, "1.5");

    EXPECT_TRUE(custom.SetCustomText("2.5"));
    EXPECT_EQ(custom.bitsPerSecond, 2500);
    EXPECT_TRUE(custom.SetCustomText("0"));
    EXPECT_EQ(custom.bitsPerSecond, 0);
    EXPECT_FALSE(custom.SetCustomText("2000.5"));
    EXPECT_FALSE(custom.SetCustomText("-1"));
    EXPECT_FALSE(custom.SetCustomText("abc"));
    EXPECT_EQ(custom.bitsPerSecond, 0);  // refused values keep the speed

    custom.Choose(2);  // "28.8"
    EXPECT_FALSE(custom.customEnabled);
    EXPECT_EQ(custom.bitsPerSecond, 28800);
    custom.Choose(kModemSpeedTable.size() - 1);
    EXPECT_TRUE(custom.customEnabled);
}

TEST(MeasureSizes, UnsavedPictureUsesTheWritersInMemory) {
    const Picture p = PatternPicture(40, 30);
    TransferInfo t;
    t.width = 5;
    t.height = 6;
    t.colors = 7;
    MeasureInput in;
    in.picture = &p;
    in.usePng = false;
    MeasureSizes(t, in);
    EXPECT_EQ(t.width0, 40);
    EXPECT_EQ(t.height0, 30);
    EXPECT_EQ(t.colors0, CountColours(p));
    EXPECT_EQ(t.jpegBytes0, std::int32_t(EncodeJpeg(p, 75).size()));
    EXPECT_GT(t.gifBytes0, 0);
    EXPECT_EQ(t.pngBytes0, 0);  // Use PNG off
    EXPECT_EQ(t.fileBytes, 40 * 30 * 3);
    EXPECT_EQ(t.width, 0);
    EXPECT_EQ(t.height, 0);
    EXPECT_EQ(t.colors, 0);

    in.usePng = true;
    MeasureSizes(t, in);
    const bool palette = CountColours(p) <= 256;
    EXPECT_EQ(t.pngBytes0, std::int32_t(EncodePng(p, in.background, nullptr, {},
                                                  palette ? PngColourMode::Palette : PngColourMode::TrueColour)
                                            .size()));
}

TEST(MeasureSizes, ManyColoursAreMeasuredAsA256ColourGifWithoutTouchingThePicture) {
    const Picture p = ColouredPicture(30, 20, 300);
    const Picture before = p;
    TransferInfo t;
    MeasureInput in;
    in.picture = &p;
    MeasureSizes(t, in);
    EXPECT_EQ(t.colors0, 300);
    EXPECT_GT(t.gifBytes0, 0);
    EXPECT_TRUE(p.SamePixels(before));
    const std::int32_t gif = EstimateGifSize(&t, 30, 20, 300);
    EXPECT_NEAR(gif, t.gifBytes0, 1);
}

TEST(MeasureSizes, OwnFormatUsesTheFileOnDisk) {
    test::ScratchDir dir;
    const Picture p = PatternPicture(16, 16);
    const auto jpg = dir / "own.JPG";
    test::WriteFileBytes(jpg, std::vector<std::uint8_t>(777, 0));  // only its size matters here
    TransferInfo t;
    MeasureInput in;
    in.picture = &p;
    in.path = jpg;
    in.usePng = true;
    MeasureSizes(t, in);
    EXPECT_EQ(t.jpegBytes0, 777);
    EXPECT_EQ(t.fileBytes, 777);

    // A single-frame GIF takes its file size; an animation measures its current frame alone.
    const auto gif = dir / "own.gif";
    test::WriteFileBytes(gif, std::vector<std::uint8_t>(555, 0));
    in.path = gif;
    in.frameCount = 1;
    MeasureSizes(t, in);
    EXPECT_EQ(t.gifBytes0, 555);
    in.frameCount = 3;
    MeasureSizes(t, in);
    EXPECT_EQ(t.gifBytes0, std::int32_t(MeasureGifBytes(p, nullptr, nullptr, in.background)));
    EXPECT_NE(t.gifBytes0, 555);
}

TEST(AnimationEstimate, SumsFramesCountsMissingColoursAndStoresTheTotal) {
    GifFrameList frames;
    for (int i = 0; i < 3; ++i) {
        GifFrame f;
        f.picture = ColouredPicture(20, 10, 4 + i);
        frames.Add(std::move(f));
    }
    frames[1].colourCount = 5;  // cached
    TransferInfo t = Measured(0, 4000, 0, 20, 10, 4);
    AnimationEstimate what;
    const double kb = EstimateAnimationSize(&t, frames, what);
    EXPECT_EQ(frames[0].colourCount, 4);  // counted and stored
    EXPECT_EQ(frames[2].colourCount, 6);
    const double expected =
        (EstimateGifSize(&t, 20, 10, 4) + EstimateGifSize(&t, 20, 10, 5) + EstimateGifSize(&t, 20, 10, 6)) * 0.001;
    EXPECT_DOUBLE_EQ(kb, expected);
    EXPECT_DOUBLE_EQ(t.allFramesKb, expected);

    // Preview with the Size and GIF pages: the settings' size, colours capped by the settings.
    what.preview = true;
    what.sizePageSelected = true;
    what.gifPageSelected = true;
    what.settingsWidth = 10;
    what.settingsHeight = 5;
    what.settingsColors = 2;
    const double preview = EstimateAnimationSize(&t, frames, what);
    EXPECT_DOUBLE_EQ(preview, 3 * EstimateGifSize(&t, 10, 5, 2) * 0.001);
    EXPECT_DOUBLE_EQ(t.previewAllFramesKb, preview);
    EXPECT_DOUBLE_EQ(t.allFramesKb, expected);

    // "Use all Frames" off: the current frame alone, nothing stored.
    AnimationEstimate one;
    one.useAllFrames = false;
    one.currentFrame = 1;
    t.allFramesKb = -1;
    EXPECT_DOUBLE_EQ(EstimateAnimationSize(&t, frames, one), EstimateGifSize(&t, 20, 10, 5) * 0.001);
    EXPECT_EQ(t.allFramesKb, -1);
}

}  // namespace
}  // namespace lp
