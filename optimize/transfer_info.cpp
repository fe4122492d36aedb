#include "optimize/transfer_info.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "formats/file_types.h"
#include "formats/format_table.h"
#include "formats/jpeg/jpeg_writer.h"
#include "formats/write_prep.h"
#include "imaging/colour_count.h"

namespace lp {

namespace {

constexpr double kJpegScaleOffset = 1.6853347336445799;  // 0.62 x e: the curve passes J0 at r = 1
constexpr double kGifScaleOffset = 1.709799270100711;    // 0.629 x e
constexpr double kColourCurveOffset = 0.8814809179645235;
constexpr double kQualityStep = 0.007551905417067308;
constexpr double kTan175 = 1.321583447986779;   // 175 x kQualityStep
constexpr double kTan177 = 1.3366872588209135;  // 177 x kQualityStep

std::int32_t ClampToInt32(double value) {
    if (!(value > 0)) return 0;  // negative and NaN become 0
    if (value >= double(std::numeric_limits<std::int32_t>::max())) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);  // truncation toward zero
}

std::int32_t ClampToInt32(std::int64_t value) {
    if (value < 0) return 0;
    return static_cast<std::int32_t>(std::min<std::int64_t>(value, std::numeric_limits<std::int32_t>::max()));
}

/// The linear scale factor between the measured size and (w, h); NaN when the record has no size.
double LinearScale(const TransferInfo& m, double w, double h) {
    if (m.width0 <= 0 || m.height0 <= 0) return std::numeric_limits<double>::quiet_NaN();
    return std::sqrt((w / m.width0) * h / m.height0);
}

double ColourCurve(double x) {
    const double l = std::log(x + 1);
    return 0.028666985 * l * l + 1 - kColourCurveOffset;
}

std::int32_t EstimatePaletteSize(const TransferInfo* master, std::int32_t measured, double w, double h, double c) {
    if (!master) return 0;
    const double r = LinearScale(*master, w, h);
    if (std::isnan(r)) return 0;
    const double d = c > 256 ? 256 : c;
    const double e = master->colors0 > 256 ? 256 : master->colors0;
    const double base = measured * (0.629 * std::exp(r) + 1 - kGifScaleOffset);
    return ClampToInt32(base / ColourCurve(e) * ColourCurve(d));
}

std::int64_t FileSizeOrZero(const std::filesystem::path& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? 0 : static_cast<std::int64_t>(size);
}

std::string WithSuffix(std::string text, std::string_view suffix) {
    text += suffix;
    return text;
}

}  // namespace

// --- Modem speed -------------------------------------------------------------------------------

std::size_t SpeedEntryIndex(std::span<const ModemSpeedEntry> table, std::int32_t bitsPerSecond) {
    for (std::size_t i = 0; i + 1 < table.size(); ++i)
        if (table[i].bitsPerSecond == bitsPerSecond) return i;
    return table.empty() ? 0 : table.size() - 1;
}

bool CustomSpeedFromKbps(double kbps, std::int32_t& bitsPerSecond) {
    if (!(kbps >= 0 && kbps <= kMaxCustomKbps)) return false;
    bitsPerSecond = static_cast<std::int32_t>(kbps * 1000);
    return true;
}

TransferPageState TransferPageState::Open(std::int32_t modemSpeed, bool usePng) {
    TransferPageState state;
    state.usePng = usePng;
    state.bitsPerSecond = modemSpeed;
    state.selected = SpeedEntryIndex(kModemSpeedTable, modemSpeed);
    state.customEnabled = state.selected == kModemSpeedTable.size() - 1;
    if (state.customEnabled) {
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, modemSpeed / 1000.0);
        state.customText.assign(buffer, result.ptr);
    }
    return state;
}

void TransferPageState::Choose(std::size_t index) {
    if (index >= kModemSpeedTable.size()) return;
    selected = index;
    customEnabled = index == kModemSpeedTable.size() - 1;
    if (!customEnabled) {
        bitsPerSecond = kModemSpeedTable[index].bitsPerSecond;
        return;
    }
    SetCustomText(customText);
}

bool TransferPageState::SetCustomText(std::string_view text) {
    customText = std::string(text);
    double kbps = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    while (first < last && *first == ' ') ++first;
    const auto result = std::from_chars(first, last, kbps);
    if (result.ec != std::errc() || result.ptr != last) return false;
    return CustomSpeedFromKbps(kbps, bitsPerSecond);
}

// --- Transfer time -----------------------------------------------------------------------------

double TransferSeconds(std::int64_t bytes, double bitsPerSecond) {
    if (!(bitsPerSecond > 0)) return 0;
    // 64-bit bit count: a 32-bit shift would turn sizes above 256 MB negative.
    return static_cast<double>(bytes * 8) / bitsPerSecond;
}

double TransferSecondsForKb(double kilobytes, double bitsPerSecond) {
    if (!(bitsPerSecond > 0)) return 0;
    return kilobytes * 8 / (bitsPerSecond * 0.001);
}

// --- Measurement -------------------------------------------------------------------------------

// Every measured size is the size of what saving writes: the same row, the same
// preparation, the same options.
std::int64_t MeasureGifBytes(const Picture& picture, const GifFrame* frame, const GifInfo* info, ColourRef background) {
    // A document of this one frame: the frame-list writer with the animation record, the
    // frame's own transparency, the colours fitted to 256.
    GifFrameList list;
    GifFrame copy;
    if (frame) {
        copy.delay = frame->delay;
        copy.disposal = frame->disposal;
        copy.userInput = frame->userInput;
        copy.transparentColour = frame->transparentColour;
    } else {
        copy.delay = 50;
    }
    copy.picture = picture;
    list.Add(std::move(copy));
    GifInfo record = info ? *info : GifInfo{};
    record.backgroundColour = background;
    return static_cast<std::int64_t>(
        EncodeSaveable(*FindFormat(PictureFileType::Gif), std::move(list), &record, EncodeOptions{}).size());
}

std::int64_t MeasurePngBytes(const Picture& picture, ColourRef background) {
    EncodeOptions options;
    options.background = background;
    return static_cast<std::int64_t>(EncodeSaveable(*FindFormat(PictureFileType::Png), picture, options).size());
}

void MeasureSizes(TransferInfo& info, const MeasureInput& input) {
    if (!input.picture || input.picture->IsEmpty()) return;
    const Picture& picture = *input.picture;
    // The file's own format is measured by its size on disk.
    const FormatRow* ownRow = input.path.empty() ? nullptr : FindFormatForPath(input.path);
    const PictureFileType own = ownRow ? ownRow->type : PictureFileType::Unknown;
    const bool ownJpeg = own == PictureFileType::Jpeg;
    const bool ownStillGif = own == PictureFileType::Gif && input.frameCount == 1;
    const bool ownPng = own == PictureFileType::Png;

    const std::int64_t colours = CountColours(picture, input.progress);
    info.colors0 = ClampToInt32(colours);
    info.width0 = picture.Width();
    info.height0 = picture.Height();

    if (!ownJpeg) {
        EncodeOptions options;
        options.jpegQuality = kDefaultJpegQuality;
        options.progress = input.progress;
        options.caption = kMeasureJpegText;
        info.jpegBytes0 = ClampToInt32(static_cast<std::int64_t>(
            EncodeSaveable(*FindFormat(PictureFileType::Jpeg), picture, options).size()));
    }
    if (!ownStillGif) {
        ProgressScope scope(input.progress, 0, 1, kMeasureGifText);
        info.gifBytes0 = ClampToInt32(MeasureGifBytes(picture, input.frame, input.animationInfo, input.background));
    }
    if (!ownPng) {
        if (input.usePng) {
            EncodeOptions options;
            options.background = input.background;
            options.knownColours = colours;
            options.progress = input.progress;
            options.caption = kMeasurePngText;
            const std::vector<std::uint8_t> bytes =
                EncodeSaveable(*FindFormat(PictureFileType::Png), picture, options);
            info.pngBytes0 = ClampToInt32(static_cast<std::int64_t>(bytes.size()));
        } else {
            info.pngBytes0 = 0;
        }
    }

    const std::int64_t ownSize = input.path.empty() ? 0 : FileSizeOrZero(input.path);
    if (ownJpeg) info.jpegBytes0 = ClampToInt32(ownSize);
    if (ownStillGif) info.gifBytes0 = ClampToInt32(ownSize);
    if (ownPng) info.pngBytes0 = ClampToInt32(ownSize);

    info.fileBytes =
        input.path.empty() ? ClampToInt32(std::int64_t(picture.Width()) * picture.Height() * 3) : ClampToInt32(ownSize);
    info.width = 0;
    info.height = 0;
    info.colors = 0;
}

// --- Estimates ---------------------------------------------------------------------------------

std::int32_t EstimateJpegSize(const TransferInfo* master, double w, double h, double q) {
    if (!master) return 0;
    const double r = LinearScale(*master, w, h);
    if (std::isnan(r)) return 0;
    const double n = std::trunc(master->jpegBytes0 * (0.62 * std::exp(r) + 1 - kJpegScaleOffset));
    double result = n;
    if (q < 75) {
        const double m = n * 0.1;
        const double t = std::trunc(n * std::tan(kTan175) / std::tan(kTan177));
        const double k = std::trunc((t - m) * 0.013333333333333334);
        result = std::trunc(k * q + m);
    } else if (q > 75) {
        result = std::trunc(n * std::tan((q + 100) * kQualityStep) / std::tan(kTan177));
    }
    return ClampToInt32(result);
}

std::int32_t EstimateGifSize(const TransferInfo* master, double w, double h, double c) {
    return master ? EstimatePaletteSize(master, master->gifBytes0, w, h, c) : 0;
}

std::int32_t EstimatePngSize(const TransferInfo* master, double w, double h, double c) {
    return master ? EstimatePaletteSize(master, master->pngBytes0, w, h, c) : 0;
}

double EstimateAnimationSize(TransferInfo* master, GifFrameList& frames, const AnimationEstimate& what) {
    if (!master || frames.Empty()) return 0;
    auto colours = [&](GifFrame& frame) {
        // A count of 0 means "not counted yet", not "no colours".
        if (frame.colourCount == 0 && !frame.picture.IsEmpty())
            frame.colourCount = ClampToInt32(CountColours(frame.picture));
        std::int32_t c = std::min<std::int32_t>(frame.colourCount, 256);
        if (what.preview && what.gifPageSelected) c = std::min(c, what.settingsColors);
        return c;
    };
    double total = 0;
    if (what.useAllFrames) {
        for (GifFrame& frame : frames) {
            double w = frame.picture.Width();
            double h = frame.picture.Height();
            if (what.preview && what.sizePageSelected) {
                w = what.settingsWidth;
                h = what.settingsHeight;
            }
            total += EstimateGifSize(master, w, h, colours(frame));
        }
    } else {
        GifFrame& frame = frames[std::min(what.currentFrame, frames.Count() - 1)];
        total = EstimateGifSize(master, frame.picture.Width(), frame.picture.Height(), colours(frame));
    }
    const double kb = total * 0.001;
    if (what.useAllFrames) (what.preview ? master->previewAllFramesKb : master->allFramesKb) = kb;
    return kb;
}

// --- Text forms --------------------------------------------------------------------------------

std::string FormatOneDecimal(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    if (result.ec != std::errc()) return "0.0";
    return std::string(buffer, result.ptr);
}

std::string FormatSizeField(std::int64_t bytes) { return WithSuffix(FormatOneDecimal(bytes * 0.001), "k "); }
std::string FormatTimeField(double seconds) { return WithSuffix(FormatOneDecimal(seconds), "s "); }

std::string ResizeDragStatus(int width, int height, const TransferInfo& measured, double colours,
                             double bitsPerSecond) {
    const double jpeg = TransferSeconds(EstimateJpegSize(&measured, width, height, 75), bitsPerSecond);
    const double gif = TransferSeconds(EstimateGifSize(&measured, width, height, colours), bitsPerSecond);
    return std::to_string(width) + " x " + std::to_string(height) + "   JPG " + FormatOneDecimal(jpeg) + "s   GIF " +
           FormatOneDecimal(gif) + "s";
}

std::string FormatAnimationKb(double kilobytes) {
    // Whole kilobytes and the first decimal, truncated (never rounded up).
    const double tenths = kilobytes > 0 ? std::trunc(kilobytes * 10) : 0;
    const auto t = static_cast<std::int64_t>(std::min(tenths, 9.0e17));
    return std::to_string(t / 10) + "." + std::to_string(t % 10) + "k";
}

std::string FormatFrameSize(double kilobytes) { return WithSuffix(FormatOneDecimal(kilobytes), " k"); }
std::string FormatFrameSeconds(double seconds) { return WithSuffix(FormatOneDecimal(seconds), " s"); }
std::string FormatWindowsManagerTime(double seconds) { return WithSuffix(FormatOneDecimal(seconds), "s"); }
std::string FormatFrameListTime(double seconds) { return WithSuffix(FormatOneDecimal(seconds), " sec."); }

std::string WindowCaption(const TransferInfo& info, const CaptionInput& input) {
    const std::string preview = std::to_string(input.previewNumber - 1);
    std::string prefix;
    if (input.multiFrame && input.useAllFrames) {
        const double kb = input.master ? info.allFramesKb : info.previewAllFramesKb;
        const std::string gif = FormatOneDecimal(TransferSecondsForKb(kb, input.modemSpeed));
        prefix = input.master ? " (Master) (GIF " + gif + "s) " : "  (Preview " + preview + ") (GIF " + gif + "s)  ";
    } else {
        const std::string jpg = FormatOneDecimal(TransferSeconds(info.jpegBytes, input.modemSpeed));
        const std::string gif = FormatOneDecimal(TransferSeconds(info.gifBytes, input.modemSpeed));
        if (input.usePng) {
            const std::string png = FormatOneDecimal(TransferSeconds(info.pngBytes, input.modemSpeed));
            const std::string times = "(JPG " + jpg + "s)   (GIF " + gif + "s)   (PNG " + png + "s) ";
            prefix = input.master ? " (Master) " + times : " (Preview " + preview + ") " + times + " ";
        } else {
            const std::string times = "(JPG " + jpg + "s)   (GIF " + gif + "s) ";
            prefix = input.master ? "(Master) " + times : "(Preview " + preview + ") " + times;
        }
    }
    return prefix + input.title;
}

}  // namespace lp
