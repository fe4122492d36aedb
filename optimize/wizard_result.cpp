#include "optimize/wizard_result.h"

#include <algorithm>
#include <new>

#include "base/imp_exp_exception.h"
#include "base/printf_text.h"
#include "formats/gif/gif_colours.h"
#include "formats/format_table.h"
#include "formats/gif/gif_writer.h"
#include "formats/write_prep.h"
#include "formats/jpeg/jpeg_reader.h"
#include "formats/jpeg/jpeg_writer.h"
#include "imaging/colour_count.h"
#include "imaging/colour_reduce.h"
#include "optimize/gif_optimizer.h"

namespace lp {

namespace {

constexpr std::string_view kJpegQualityText = "Applying Quality Factor for JPEG";

/// One frame through the wizard's macro: neutral values for its own picture, the kind's flags.
bool ProcessFrame(WizardKind kind, const BatchMacro& wizardMacro, GifFrame& frame, int quality, bool jpeg,
                  const WizardResultContext& context, BatchMacro& applied, std::string& error) {
    Picture& picture = frame.picture;
    if (picture.IsEmpty()) return true;
    WizardPictureState state;
    state.width = picture.Width();
    state.height = picture.Height();
    state.colors = CountColours(picture, context.progress);
    state.quality = quality;
    BatchMacro macro = wizardMacro;
    PrepareWizardMacro(kind, macro, state);
    applied = macro;
    const unsigned flags = WizardApplyFlags(kind, macro);
    if (flags != 0) {
        BatchContext batch;
        batch.folders = context.folders;
        batch.prompter = context.prompter;
        batch.progress = context.progress;
        batch.paletteWindow = context.paletteWindow;
        BatchFileResult result;
        ApplyFrameState frameState;
        // The frame's transparent colour follows the reduction only when the macro says so.
        frameState.currentTransparent = macro.updateTransparent ? frame.transparentColour : kNoColour;
        frameState.replaceTransparent = macro.updateTransparent != 0;
        const int oldWidth = picture.Width(), oldHeight = picture.Height();
        if (!ApplyToPicture(macro, picture, flags, MacroVariant::Wizard, batch, result, &frameState)) {
            error = result.error.empty() ? std::string("Not Enough Memory") : result.error;
            return false;
        }
        if (macro.updateTransparent && frame.transparentColour != kNoColour)
            frame.transparentColour = frameState.currentTransparent;
        const bool resized = picture.Width() != oldWidth || picture.Height() != oldHeight;
        if (resized && macro.smartResize == 1 && !jpeg && CountColours(picture, context.progress) > 256) {
            ColourRef* transparent = frame.transparentColour != kNoColour ? &frame.transparentColour : nullptr;
            ReduceColours(picture, 255, {}, context.progress, transparent);
        }
    }
    if (jpeg) {
        // The preview shows what the JPEG file holds.
        const std::vector<std::uint8_t> bytes = EncodeJpeg(picture, macro.quality, context.progress, kJpegQualityText);
        picture = DecodeJpeg(bytes, "12##1~~.JPG", context.progress);
    }
    frame.colourCount = 0;
    return true;
}

}  // namespace

std::int64_t MeasureWizardGif(const GifFrameList& frames, const GifInfo& info, ColourRef background) {
    if (frames.Count() == 1) return MeasureGifBytes(frames[0].picture, &frames[0], &info, background);
    // The same preparation a save makes: frames over 256 colours are fitted on copies.
    GifInfo record = info;
    record.backgroundColour = background;
    return static_cast<std::int64_t>(
        EncodeSaveable(*FindFormat(PictureFileType::Gif), frames, &record, EncodeOptions{}).size());
}

WizardResult MakeWizardResult(WizardKind kind, const BatchMacro& wizardMacro, const GifFrameList& masterFrames,
                              const GifInfo& masterInfo, std::size_t currentFrame, int masterQuality,
                              const WizardResultContext& context) {
    WizardResult out;
    out.comparison = WizardComparison(kind, wizardMacro);
    const bool jpeg = out.comparison == ReportComparison::Jpeg;
    try {
        if (masterFrames.Empty() || currentFrame >= masterFrames.Count()) {
            out.error = "Unable to Create New document";
            return out;
        }
        out.frames = masterFrames;
        out.info = masterInfo;
        const std::size_t count = out.frames.Count();
        std::vector<std::pair<int, int>> oldSizes;
        for (const GifFrame& f : out.frames) oldSizes.emplace_back(f.picture.Width(), f.picture.Height());

        if (!ProcessFrame(kind, wizardMacro, out.frames[currentFrame], masterQuality, jpeg, context, out.settings,
                          out.error)) {
            out.shown = context.prompter != nullptr;
            return out;
        }
        if (count >= 2) {
            BatchMacro ignored;
            for (std::size_t i = 0; i < count; ++i) {
                if (i == currentFrame) continue;
                if (context.progress) context.progress->SetText(PrintfText("Applying batch macro for frame #%d", int(i + 1)));
                if (!ProcessFrame(kind, wizardMacro, out.frames[i], masterQuality, jpeg, context, ignored, out.error)) {
                    out.shown = context.prompter != nullptr;
                    return out;
                }
            }
            if (WizardApplyFlags(kind, out.settings) & kApplyResize) {
                // Positions follow their frames; the screen grows to cover them all.
                out.info.screenWidth = 0;
                out.info.screenHeight = 0;
                for (std::size_t i = 0; i < count; ++i) {
                    GifFrame& f = out.frames[i];
                    const auto [ow, oh] = oldSizes[i];
                    if (ow > 0 && oh > 0) {
                        f.left = static_cast<int>(f.left * (double(f.picture.Width()) / ow));
                        f.top = static_cast<int>(f.top * (double(f.picture.Height()) / oh));
                    }
                    out.info.screenWidth = std::max(out.info.screenWidth, f.left + f.picture.Width());
                    out.info.screenHeight = std::max(out.info.screenHeight, f.top + f.picture.Height());
                }
            }
            if (kind == WizardKind::Gif || kind == WizardKind::Master) {
                for (GifFrame& f : out.frames)
                    if (CountColours(f.picture) > 256) ReduceGifFrameColours(f, 256, context.progress);
                GifFrameOptimizer optimizer(wizardMacro.cutOutTolerance, wizardMacro.transparentTolerance);
                if (wizardMacro.cutOut) optimizer.CutOut(out.frames, out.info, context.progress);
                if (wizardMacro.makeTransparent) optimizer.MakeTransparent(out.frames, out.info, context.progress);
                for (GifFrame& f : out.frames) f.colourCount = 0;
            }
        }
        if (jpeg) {
            out.resultBytes = static_cast<std::int64_t>(
                EncodeJpeg(out.frames[currentFrame].picture, out.settings.quality, context.progress,
                           "Analyzing and Calculating Size for JPEG")
                    .size());
        } else {
            if (context.progress) context.progress->SetText("Analyzing and Calculating Size for GIF");
            out.resultBytes = MeasureWizardGif(out.frames, out.info, context.background);
        }
        out.ok = true;
    } catch (const ImpExpException& e) {
        out.error = e.Message();
    } catch (const std::bad_alloc&) {
        out.error = "Not Enough Memory";
    }
    if (!out.ok) {
        out.frames.Clear();
    }
    return out;
}

std::int64_t WizardMasterBytes(ReportComparison comparison, const TransferInfo& master, const GifFrameList& frames,
                               const GifInfo& info, ColourRef background) {
    if (comparison == ReportComparison::Jpeg) return master.jpegBytes0;
    if (frames.Count() < 2) return master.gifBytes0;
    std::int64_t sum = 0;
    bool known = true;
    for (const GifFrame& f : frames) {
        if (f.encodedSize <= 0) known = false;
        sum += f.encodedSize;
    }
    if (known) return sum;
    try {
        return MeasureWizardGif(frames, info, background);
    } catch (const ImpExpException&) {
        return sum;
    }
}

}  // namespace lp
