#pragma once
#include <cstdint>
#include <string>

#include "batch/apply_batch_macro.h"
#include "formats/gif/gif_records.h"
#include "optimize/transfer_info.h"
#include "optimize/wizard_flow.h"

namespace lp {

class DataFolders;
class Palette;
class Prompter;
class ProgressSink;

inline constexpr std::string_view kApplyFrameProgress = "Applying batch macro for frame #%d";

/// What making a wizard's result needs from the program around it.
struct WizardResultContext {
    ProgressSink* progress = nullptr;
    Prompter* prompter = nullptr;  // a missing palette file is reported here
    const DataFolders* folders = nullptr;
    const Palette* paletteWindow = nullptr;
    ColourRef background = MakeColour(255, 255, 255);  // the application's background colour
};

/// A wizard's result: the processed copy of the master's frames and its measured size.
struct WizardResult {
    bool ok = false;
    std::string error;       // the failure's message (empty when ok)
    bool shown = false;      // the message went through the prompter already
    GifFrameList frames;
    GifInfo info;
    BatchMacro settings;     // the macro as applied (neutral values set for the current frame)
    ReportComparison comparison = ReportComparison::Gif;
    std::int64_t resultBytes = 0;
};

/// Applies the wizard's macro to a copy of the master's frames (the current frame first, then
/// every other one with its own neutral values), runs the frame optimizer for the GIF and
/// Lumaprism wizards, and measures the result: JPEG at the macro's quality for a JPEG
/// comparison, else the GIF of all frames with the animation record. Never throws.
WizardResult MakeWizardResult(WizardKind kind, const BatchMacro& wizardMacro, const GifFrameList& masterFrames,
                              const GifInfo& masterInfo, std::size_t currentFrame, int masterQuality,
                              const WizardResultContext& context);

/// The master's size the report compares with: jpegBytes0 for a JPEG comparison; else gifBytes0
/// for one frame, and for an animation the sum of the frames' encoded sizes (measured with the
/// GIF writer when the frames do not know theirs).
std::int64_t WizardMasterBytes(ReportComparison comparison, const TransferInfo& master, const GifFrameList& frames,
                               const GifInfo& info, ColourRef background);

/// The GIF size of frames as the report measures it: frames over 256 colours are measured
/// from copies reduced to 256. Throws ImpExpException.
std::int64_t MeasureWizardGif(const GifFrameList& frames, const GifInfo& info, ColourRef background);

}  // namespace lp
