#include "batch/transfer_trial.h"

#include <cstdio>
#include <new>

#include "base/prompter.h"
#include "formats/jpeg/jpeg_reader.h"
#include "formats/jpeg/jpeg_writer.h"
#include "base/imp_exp_exception.h"
#include "imaging/progress_sink.h"

namespace lp {

bool TrialSizeValid(const BatchMacro& settings, std::string& message) {
    if (settings.width > 0 && settings.height > 0) return true;
    message = std::string(kZeroSizeMessage);
    return false;
}

namespace {

/// Whether the reduction should move the transparent colour to its new nearest colour.
bool ReplaceTransparent(const TrialRequest& request, bool animation, bool hasTransparent) {
    if (!animation && !hasTransparent) return true;
    switch (request.transparency) {
        case 0:
            return true;
        case 1:
            return false;
        default:
            if (!request.prompter) return true;
            return request.prompter->Ask(animation ? kFramesTransparentQuestion : kPictureTransparentQuestion,
                                         "Lumaprism", PromptButtons::YesNo, PromptAnswer::Yes) == PromptAnswer::Yes;
    }
}

}  // namespace

TrialOutcome ProcessTrial(GifFrameList& frames, GifInfo& info, std::size_t currentFrame, const TrialRequest& request) {
    TrialOutcome outcome;
    if (!request.settings || frames.Empty() || currentFrame >= frames.Count()) {
        outcome.error = "There is no picture";
        return outcome;
    }
    const BatchMacro& settings = *request.settings;
    if (request.tab == 0 && !TrialSizeValid(settings, outcome.error)) return outcome;
    const bool allFrames = request.useAllFrames && frames.Count() >= 2;
    try {
        GifFrameList work = frames;  // the frames change only when every step succeeded
        GifInfo workInfo = info;
        if (request.tab == 0 && allFrames) {
            const Picture& cur = work[currentFrame].picture;
            for (std::size_t i = 0; i < work.Count(); ++i)
                if (work[i].picture.Width() != cur.Width() || work[i].picture.Height() != cur.Height()) {
                    const PromptAnswer answer =
                        request.prompter ? request.prompter->Ask(kResizeAllFramesQuestion, "Lumaprism",
                                                                 PromptButtons::YesNo, PromptAnswer::No)
                                         : PromptAnswer::No;
                    if (answer != PromptAnswer::Yes) {
                        outcome.cancelled = true;
                        return outcome;
                    }
                    break;
                }
        }
        BatchMacro macro = settings;
        macro.resizeMode = kResizeAbsolute;  // the trial size is in pixels
        BatchContext context;
        context.folders = request.folders;
        context.prompter = request.prompter;
        context.progress = request.progress;
        context.paletteWindow = request.paletteWindow;
        context.smartResizeSetting = request.smartResize;
        bool replace = true;
        if (request.tab == 1) {
            bool hasTransparent = false;
            for (std::size_t i = 0; i < work.Count(); ++i)
                if (work[i].transparentColour != kNoColour) hasTransparent = true;
            replace = ReplaceTransparent(request, work.Count() >= 2, hasTransparent);
        }
        const std::size_t first = allFrames ? 0 : currentFrame;
        const std::size_t last = allFrames ? work.Count() : currentFrame + 1;
        for (std::size_t i = first; i < last; ++i) {
            GifFrame& frame = work[i];
            if (allFrames && request.progress) {
                char text[64];
                std::snprintf(text, sizeof text, "Applying batch macro for frame #%d", int(i + 1));
                request.progress->SetText(text);
            }
            if (request.tab == 2) {
                if (request.progress) request.progress->SetText(kJpegQualityProgress);
                const std::vector<std::uint8_t> bytes = EncodeJpeg(frame.picture, settings.quality);
                frame.picture = DecodeJpeg(bytes, "Preview", nullptr);
                frame.colourCount = 0;
                continue;
            }
            ApplyFrameState state;
            state.frame = allFrames ? &frame : nullptr;
            state.info = allFrames ? &workInfo : nullptr;
            state.firstFrame = i == 0;
            state.currentTransparent = frame.transparentColour;
            state.replaceTransparent = replace;
            BatchFileResult result;
            const unsigned what = request.tab == 0 ? kApplyResize : kApplyReduceColors;
            if (!ApplyToPicture(macro, frame.picture, what, MacroVariant::Full, context, result, &state)) {
                outcome.error = result.error.empty() ? std::string(kNotEnoughMemory) : result.error;
                outcome.shown = !result.error.empty() && context.prompter != nullptr;
                return outcome;
            }
            if (request.tab == 1) frame.transparentColour = state.currentTransparent;
            frame.colourCount = 0;
        }
        if (request.tab == 0 && allFrames) {
            workInfo.screenWidth = work[currentFrame].picture.Width();
            workInfo.screenHeight = work[currentFrame].picture.Height();
        }
        frames = std::move(work);
        info = std::move(workInfo);
        outcome.ok = true;
    } catch (const std::bad_alloc&) {
        outcome.error = std::string(kNotEnoughMemory);
    } catch (const ImpExpException& e) {
        outcome.error = e.Message();
    }
    return outcome;
}

}  // namespace lp
