#pragma once
#include <cstddef>
#include <string>

#include "batch/apply_batch_macro.h"
#include "batch/transfer_manager_model.h"
#include "batch/batch_macro.h"
#include "formats/gif/gif_records.h"

namespace lp {

class DataFolders;
class Palette;
class Prompter;
class ProgressSink;

/// How the Transfer Manager's Apply and Preview process pictures.
struct TrialRequest {
    const BatchMacro* settings = nullptr;  // the trial settings (the master's macro)
    int tab = 0;                           // 0 size, 1 colours, 2 JPEG quality
    bool useAllFrames = false;
    /// Preview: the "Keep Transparency" setting (0 replace, 1 keep, 2 ask). Apply always asks.
    int transparency = 2;
    bool smartResize = false;  // the application setting SmartReSize
    Prompter* prompter = nullptr;
    ProgressSink* progress = nullptr;
    const DataFolders* folders = nullptr;
    const Palette* paletteWindow = nullptr;
};

inline constexpr std::string_view kJpegQualityProgress = "Applying Quality Factor for JPEG";
inline constexpr std::string_view kNotEnoughMemory = "Not Enough Memory";
inline constexpr std::string_view kFramesTransparentQuestion =
    "Color reduction may change Transparent color of frame(if set)\nDo you wish to replace it with New Color";
inline constexpr std::string_view kPictureTransparentQuestion =
    "Color reduction may change Transparent color\nDo you wish to replace it with New Color";
inline constexpr std::string_view kResizeAllFramesQuestion =
    "Changing size to all frames will distrub the animation.. Want to continue ?";

struct TrialOutcome {
    bool ok = false;
    bool cancelled = false;  // the user said No to a question that stops the work
    std::string error;       // the message for a failure
    bool shown = false;      // the message was already shown (missing palette file)
};

/// Processes frames in place with the trial: every frame with Use all Frames, else the
/// current one. The Size tab resizes to the settings' absolute size, the colour tab reduces
/// colours through ApplyToPicture, the JPEG tab runs each picture through the JPEG codec at
/// the settings' quality. On failure the frames are unchanged (the work runs on a copy).
TrialOutcome ProcessTrial(GifFrameList& frames, GifInfo& info, std::size_t currentFrame, const TrialRequest& request);

/// The zero-size check of Preview: false (with the message) for a width or height of 0.
bool TrialSizeValid(const BatchMacro& settings, std::string& message);

}  // namespace lp
