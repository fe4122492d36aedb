#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "formats/gif/gif_records.h"
#include "base/colour.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

namespace lp {

struct BatchMacro;

/// Measured and estimated sizes and transfer times of one picture window. Sizes are
/// byte counts, times seconds. The master window and every preview keep their own copy;
/// a preview starts from a copy of its master's record.
struct TransferInfo {
    // Measured by MeasureSizes.
    std::int32_t gifBytes0 = 0;
    std::int32_t jpegBytes0 = 0;
    std::int32_t pngBytes0 = 0;  // 0 when PNG is not in use
    std::int32_t fileBytes = 0;  // the file on disk; width x height x 3 without a file
    std::int32_t width0 = 0;
    std::int32_t height0 = 0;
    std::int32_t colors0 = 0;  // distinct colours when measured, not capped
    // Estimates for the picture's present state.
    std::int32_t gifBytes = 0;
    std::int32_t jpegBytes = 0;
    std::int32_t pngBytes = 0;
    double gifSeconds = 0;
    double jpegSeconds = 0;
    double pngSeconds = 0;
    // The present state the estimates were made for (colors capped at 256, quality 0..100);
    // all 0 after a measurement so that the next update recomputes.
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t colors = 0;
    std::int32_t quality = 0;
    // Estimates for the Transfer Manager's settings.
    std::int32_t previewGifBytes = 0;
    std::int32_t previewJpegBytes = 0;
    std::int32_t previewPngBytes = 0;
    double previewGifSeconds = 0;
    double previewJpegSeconds = 0;
    double previewPngSeconds = 0;
    double allFramesKb = 0;         // all frames of an animation, present state; 1 k = 1000 bytes
    double previewAllFramesKb = 0;  // the same for the Transfer Manager's settings
    /// The settings the preview estimates use; the owner of the record keeps it pointing
    /// at its own macro (not owned).
    const BatchMacro* settings = nullptr;
    std::int32_t isAnimation = 0;  // 1 with two or more frames
};

// ---------------------------------------------------------------------------------------------
// Modem speed

/// One entry of a speed list. bitsPerSecond is 0 for "Custom".
struct ModemSpeedEntry {
    std::string_view label;  // at most nine characters
    std::int32_t bitsPerSecond;
};

/// The options page "Transfer": eleven entries, "Custom" last.
inline constexpr std::array<ModemSpeedEntry, 11> kModemSpeedTable{{
    {"9.6", 9600},
    {"14.4", 14400},
    {"28.8", 28800},
    {"33.6", 33600},
    {"56", 56000},
    {"64.0", 64000},
    {"128.0", 128000},
    {"T1 55.6", 55600},
    {"T2 111.2", 111200},
    {"T3 166.8", 166800},
    {"Custom", 0},
}};

/// The Transfer Manager's speed list: the same without "56" (ten entries).
inline constexpr std::array<ModemSpeedEntry, 10> kTransferManagerSpeedTable{{
    {"9.6", 9600},
    {"14.4", 14400},
    {"28.8", 28800},
    {"33.6", 33600},
    {"64.0", 64000},
    {"128.0", 128000},
    {"T1 55.6", 55600},
    {"T2 111.2", 111200},
    {"T3 166.8", 166800},
    {"Custom", 0},
}};

/// The entry of a list whose speed equals bitsPerSecond; the "Custom" entry (the last)
/// when no fixed entry matches.
std::size_t SpeedEntryIndex(std::span<const ModemSpeedEntry> table, std::int32_t bitsPerSecond);
inline std::size_t SpeedEntryIndex(const auto& table, std::int32_t bitsPerSecond) {
    return SpeedEntryIndex(std::span<const ModemSpeedEntry>(table.data(), table.size()), bitsPerSecond);
}

/// The custom edit box accepts 0..2000 kilobits per second.
inline constexpr double kMaxCustomKbps = 2000;
/// Bits per second for a custom value in kilobits per second: value x 1000 truncated;
/// false (speed unchanged) for a value outside 0..2000.
bool CustomSpeedFromKbps(double kbps, std::int32_t& bitsPerSecond);

/// The options page's state: list selection, custom box, Use PNG check box. Opened with
/// the current settings, and on OK gives back the speed and switch to store.
struct TransferPageState {
    std::size_t selected = 0;  // index into kModemSpeedTable
    bool customEnabled = false;
    std::string customText;  // speed / 1000 as shown in the edit box
    std::int32_t bitsPerSecond = 0;
    bool usePng = false;

    static TransferPageState Open(std::int32_t modemSpeed, bool usePng);
    /// Choosing an entry of the list.
    void Choose(std::size_t index);
    /// Typing in the custom box; false when the text is not a number from 0 to 2000.
    bool SetCustomText(std::string_view text);
};

// ---------------------------------------------------------------------------------------------
// Transfer time

/// Seconds to transfer bytes at bitsPerSecond; 0 when the speed is 0 or less.
double TransferSeconds(std::int64_t bytes, double bitsPerSecond);
/// The same for a kilobyte total of an animation: kb x 8 / (speed x 0.001).
double TransferSecondsForKb(double kilobytes, double bitsPerSecond);

// ---------------------------------------------------------------------------------------------
// Measurement

/// What MeasureSizes needs to know about the picture and the program's settings.
struct MeasureInput {
    const Picture* picture = nullptr;        // the current picture (current frame of an animation)
    const GifFrame* frame = nullptr;         // its frame record (transparency, delay), may be null
    const GifInfo* animationInfo = nullptr;  // the document's animation record, may be null
    std::size_t frameCount = 1;
    std::filesystem::path path;                        // the document's file; empty when unsaved
    ColourRef background = MakeColour(255, 255, 255);  // settings BG_Red, BG_Green, BG_Blue
    bool usePng = false;
    ProgressSink* progress = nullptr;
};

inline constexpr std::string_view kMeasureJpegText = "Analyzing and Calculating Size for JPEG";
inline constexpr std::string_view kMeasureGifText = "Analyzing and Calculating Size for GIF";
inline constexpr std::string_view kMeasurePngText = "Analyzing and Calculating Size for PNG";

/// Fills gifBytes0, jpegBytes0, pngBytes0, fileBytes, width0, height0 and colors0 and clears
/// width, height and colors. Sizes are what the writers produce in memory with the options
/// the document saves with (JPEG quality 75; GIF of the current frame, reduced to 256
/// colours on a copy when needed; PNG with the background and palette mode at 256 colours
/// or fewer); the file's own format takes its size on disk. Codec failures propagate as
/// ImpExpException.
void MeasureSizes(TransferInfo& info, const MeasureInput& input);

/// The bytes the GIF measurement counts: the frame list of the current frame alone.
std::int64_t MeasureGifBytes(const Picture& picture, const GifFrame* frame, const GifInfo* info, ColourRef background);
/// The bytes of the PNG measurement (palette mode at 256 colours or fewer).
std::int64_t MeasurePngBytes(const Picture& picture, ColourRef background);

// ---------------------------------------------------------------------------------------------
// Estimates. Each reads its reference values from the master's record; a null record (the
// Transfer Manager attached to no picture) gives 0. Results are never negative.

std::int32_t EstimateJpegSize(const TransferInfo* master, double width, double height, double quality);
std::int32_t EstimateGifSize(const TransferInfo* master, double width, double height, double colors);
std::int32_t EstimatePngSize(const TransferInfo* master, double width, double height, double colors);

/// What EstimateAnimationSize estimates for.
struct AnimationEstimate {
    bool useAllFrames = true;        // the Transfer Manager's "Use all Frames" switch
    bool preview = false;            // the Transfer Manager's settings instead of the present state
    bool sizePageSelected = false;   // preview: the Size page is selected (use the settings' size)
    bool gifPageSelected = false;    // preview: the GIF page is selected (cap at the settings' colours)
    std::int32_t settingsWidth = 0;  // BatchMacro absolute width and height
    std::int32_t settingsHeight = 0;
    std::int32_t settingsColors = 256;  // BatchMacro colour count
    std::size_t currentFrame = 0;
};

/// Kilobytes of the animation's GIF. Frames whose colour count is 0 are counted (master
/// estimate) and the count stored back. With useAllFrames the total goes into
/// allFramesKb or previewAllFramesKb of the master record as well.
double EstimateAnimationSize(TransferInfo* master, GifFrameList& frames, const AnimationEstimate& what);

// ---------------------------------------------------------------------------------------------
// Text forms

/// Transfer Manager size field, "%.1fk " of bytes x 0.001.
std::string FormatSizeField(std::int64_t bytes);
/// Transfer Manager time field, "%.1fs ".
std::string FormatTimeField(double seconds);
/// The status text while a picture's size is dragged: the new size and the estimated transfer
/// times of a JPEG at quality 75 and of a GIF with the picture's colours, from the measured
/// sizes of the picture as it is. "W x H   JPG t s   GIF t s".
std::string ResizeDragStatus(int width, int height, const TransferInfo& measured, double colours,
                             double bitsPerSecond);
/// An empty preview value.
inline constexpr std::string_view kEmptySizeField = "0.0k";
inline constexpr std::string_view kEmptyTimeField = "0.0s";
/// An animation total: whole kilobytes, ".", the first decimal (truncated), "k".
std::string FormatAnimationKb(double kilobytes);
/// Frame properties: "%.1f k" and "%.1f s".
std::string FormatFrameSize(double kilobytes);
std::string FormatFrameSeconds(double seconds);
/// Windows Manager time columns: "%.1fs".
std::string FormatWindowsManagerTime(double seconds);
/// Frame list of the animation view: "%.1f sec.".
std::string FormatFrameListTime(double seconds);
/// "%.1f" in the "C" locale.
std::string FormatOneDecimal(double value);

/// What the window caption shows.
struct CaptionInput {
    bool master = true;
    int previewNumber = 1;      // preview windows: shown as previewNumber - 1
    bool multiFrame = false;    // two or more frames
    bool useAllFrames = false;  // the Transfer Manager's switch
    bool usePng = false;
    double modemSpeed = 28800;
    std::string title;
};
/// The caption prefix followed directly by the title.
std::string WindowCaption(const TransferInfo& info, const CaptionInput& input);

}  // namespace lp
