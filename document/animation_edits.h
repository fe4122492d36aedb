#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "formats/gif/gif_records.h"

namespace lp {

class COrvantixDoc;

// Ranges of the animation panel's fields.
inline constexpr std::int32_t kMaxFramePosition = 65535;  // GIF positions are 16-bit
inline constexpr std::int32_t kMaxFrameDelay = 65535;     // hundredths of a second, 16-bit
inline constexpr std::int32_t kMinScreenSide = 1;
inline constexpr std::int32_t kMaxScreenSide = 5000;
inline constexpr std::int32_t kMaxLoopCount = 32637;
inline constexpr int kSpeedSliderMax = 19;
inline constexpr int kSpeedSliderNormal = 10;

/// "Remove Image with" choices, in list order, for disposals 1, 2 and 3.
inline constexpr std::array<std::string_view, 3> kDisposalLabels = {"Nothing", "Background Color",
                                                                    "Overwrite previous"};
/// The list entry of a disposal: 2 and 3 have their own, every other value shows "Nothing".
int DisposalChoice(int disposal);
/// The disposal of a list entry (0, 1, 2 give 1, 2, 3).
int DisposalOfChoice(int choice);
std::string_view DisposalLabel(int disposal);

/// The delay field's text: "%.2f" seconds of hundredths.
std::string DelayText(std::int32_t hundredths);
/// Whether a typed delay text may stand: digits and at most one ".". Anything else is refused
/// (the field beeps and selects its text).
bool IsDelayText(std::string_view text);
/// The delay a valid text stores: trunc(seconds x 100), at most 65535; nothing for a text that
/// is refused or empty.
std::optional<std::int32_t> DelayFromText(std::string_view text);

/// Playback speed factor of the speed slider (0..19): (20 - p) x 0.1 above 10, (10 - p) x 0.5 + 1
/// at 10 or below.
double PlaybackSpeedFactor(int position);
/// The text beside the speed slider: position - 10.
std::string SpeedSliderText(int position);
/// A delay scaled by the speed factor (a delay of 0 counts as 1 unless the factor is 1.0).
std::uint16_t ScaledDelay(std::uint16_t delay, double factor);

/// "Frame %d" of a 0-based index.
std::string FrameLabel(std::size_t index);

/// What the animation page shows for the document's current frame and the whole animation.
struct AnimationPanelTexts {
    bool enabled = false;  // a picture with two or more frames
    std::size_t frameCount = 0;
    std::size_t currentFrame = 0;
    std::string frameLabel;  // "Frame %d"
    std::string left, top;
    bool transparent = false;
    ColourRef transparentColour = kNoColour;
    std::string delay;
    bool userInput = false;
    int disposalChoice = 0;
    std::string frameSize, frameTime;  // "%.1f k", "%.1f s"
    bool automaticSize = false;
    std::int32_t screenWidth = 0, screenHeight = 0;
    bool continuous = false;
    std::int32_t loopCount = 0;
    std::string fileSize, fileTime;
    std::string comment;
};

/// Reads the panel's texts from the document, measuring frames that were not measured yet.
AnimationPanelTexts DescribeAnimation(COrvantixDoc& document, double bitsPerSecond);

/// The frame list's columns: caption, width in pixels, alignment (0 left, 1 right, 2 centre).
struct FrameListColumn {
    std::string_view caption;
    int width;
    int alignment;
};
inline constexpr std::array<FrameListColumn, 12> kFrameListColumns = {{
    {"Name", 150, 0},
    {"Width", 70, 1},
    {"Height", 70, 1},
    {"Colors", 70, 1},
    {"Size (Bytes)", 80, 1},
    {"Transfer Time", 90, 1},
    {"Transparency", 90, 2},
    {"xOffset", 60, 2},
    {"yOffset", 60, 2},
    {"Delay Time", 80, 1},
    {"User Input", 80, 1},
    {"Remove Image with", 90, 1},
}};

/// One row of the frame list, column by column.
std::array<std::string, 12> FrameListRow(COrvantixDoc& document, std::size_t index, double bitsPerSecond);

}  // namespace lp
