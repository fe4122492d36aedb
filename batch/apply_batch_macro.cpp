#include "batch/apply_batch_macro.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <new>
#include <system_error>

#include "base/data_folders.h"
#include "base/prompter.h"
#include "base/temp_file.h"
#include "formats/file_types.h"
#include "formats/format_table.h"
#include "formats/write_prep.h"
#include "formats/gif/gif_colours.h"
#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_records.h"
#include "formats/gif/gif_writer.h"
#include "formats/jpeg/jpeg_writer.h"
#include "imaging/colour_count.h"
#include "imaging/colour_reduce.h"
#include "base/imp_exp_exception.h"
#include "imaging/palette_map.h"
#include "imaging/resize.h"
#include "optimize/gif_optimizer.h"
#include "tools/palette.h"

namespace lp {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kCaption = "Lumaprism";

// The batch engine's own type numbers, stored in reports; the format facts come from the table.
struct MacroTypeOfFile {
    PictureFileType fileType;
    MacroPictureType type;
};
constexpr MacroTypeOfFile kMacroTypes[] = {
    {PictureFileType::Pcx, MacroPictureType::Pcx},   {PictureFileType::Gif, MacroPictureType::Gif},
    {PictureFileType::Targa, MacroPictureType::Targa}, {PictureFileType::Tiff, MacroPictureType::Tiff},
    {PictureFileType::Bmp, MacroPictureType::Bmp},   {PictureFileType::Jpeg, MacroPictureType::Jpeg},
    {PictureFileType::Rle, MacroPictureType::Rle},   {PictureFileType::Dib, MacroPictureType::Dib},
    {PictureFileType::Png, MacroPictureType::Png},
};

MacroPictureType MacroTypeOf(PictureFileType type) {
    for (const auto& e : kMacroTypes)
        if (e.fileType == type) return e.type;
    return MacroPictureType::Unsupported;
}

/// The row that reads files of this extension, or null.
const FormatRow* FindLoadable(std::string_view extension) {
    const FormatRow* row = FindFormatByExtension(extension);
    return row && row->CanRead() && MacroTypeOf(row->type) != MacroPictureType::Unsupported ? row : nullptr;
}

bool IsJpegExtension(std::string_view ext) { return ext == ".JPG" || ext == ".JPEG"; }

void Show(BatchContext& context, const std::string& text, std::string_view caption) {
    if (context.prompter) context.prompter->Message(text, caption, PromptIcon::Stop);
}

PromptAnswer Ask(BatchContext& context, const std::string& text, PromptAnswer defaultAnswer) {
    if (!context.prompter) return defaultAnswer;
    return context.prompter->Ask(text, kCaption, PromptButtons::YesNo, defaultAnswer);
}

void Fail(BatchFileResult& result, std::string message) {
    result.ok = false;
    if (result.error.empty()) result.error = std::move(message);
}

std::string Printf(const char* format, const std::string& value) {
    const int n = std::snprintf(nullptr, 0, format, value.c_str());
    std::string out(static_cast<std::size_t>(std::max(n, 0)) + 1, '\0');
    std::snprintf(out.data(), out.size(), format, value.c_str());
    out.resize(static_cast<std::size_t>(std::max(n, 0)));
    return out;
}
std::string Printf(const char* format, long long value) {
    char buf[256];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

int AtLeastOne(double v) {
    if (!(v >= 1.0)) return 1;
    if (v > 2147483647.0) return 2147483647;
    return static_cast<int>(v);
}

/// The loaded source: every frame (one for a still picture) and the animation record.
struct LoadedSource {
    GifFrameList frames;
    GifInfo info;
    bool isGif = false;
};

std::uint64_t FileBytes(const fs::path& p) {
    std::error_code ec;
    const auto n = fs::file_size(p, ec);
    return ec ? 0 : static_cast<std::uint64_t>(n);
}

enum class RunOutcome { Continue, Stop };

/// Reduces the picture to macro.colors, towards a palette when one is given: mapped onto it when
/// it has more colours than the target, else its colours join the fixed entries. A reduction's
/// palette goes to chosen (when given), for the writer to store as it is. count holds the
/// picture's colours when known (0 = not counted) and, on return, its colours after when they
/// are known without counting again.
void ReduceTowards(const BatchMacro& macro, Picture& picture, const Palette* towards, std::vector<ColourEntry> fixed,
                   BatchContext& context, ColourRef* transparent, std::vector<ColourEntry>* chosen,
                   std::int64_t& count) {
    if (count == 0) count = CountColours(picture, context.progress);
    if (towards) {
        if (towards->Count() > macro.colors) {
            ConvertToPalette(picture, *towards, context.progress);
            count = CountColours(picture, context.progress);
        } else {
            const std::size_t limit = static_cast<std::size_t>(std::min(macro.colors, 256));
            for (const auto& entry : towards->Entries()) {
                if (fixed.size() >= limit) break;
                fixed.push_back(entry.colour);
            }
        }
    }
    if (macro.colors < count) {
        std::vector<ColourEntry> palette = ReduceColours(picture, macro.colors, fixed, context.progress, transparent);
        if (chosen) *chosen = std::move(palette);
        count = 0;
    }
}

/// Reduces the picture towards a palette read from PALETTE/<name>.pal (see ReduceTowards).
bool ReduceWithPaletteFile(const BatchMacro& macro, Picture& picture, BatchContext& context, BatchFileResult& result,
                           ColourRef fixedTransparent, ColourRef* transparent, std::vector<ColourEntry>* chosen,
                           std::int64_t& count) {
    Palette palette;
    fs::path path;
    if (context.folders) path = PaletteFilePath(*context.folders, macro.paletteName);
    if (path.empty() || palette.Read(path) != 0) {
        const std::string text = Printf(
            "Unable to find palette file : %s.  Check your palette directory for the same.\n"
            "Your request to convert to the palette is not processed",
            macro.paletteName);
        Show(context, text, kCaption);
        Fail(result, text);
        return false;
    }
    std::vector<ColourEntry> fixed;
    if (fixedTransparent != kNoColour) fixed.push_back(ColourEntry::FromColour(fixedTransparent));
    ReduceTowards(macro, picture, &palette, std::move(fixed), context, transparent, chosen, count);
    return true;
}

/// Reduces the picture towards the palette window's colours (or freely).
void ReduceWithWindowPalette(const BatchMacro& macro, Picture& picture, BatchContext& context, ColourRef* transparent,
                             std::vector<ColourEntry>* chosen, std::int64_t& count) {
    const Palette* window = context.paletteWindow;
    const bool towards = macro.usePalette == 1 && window && window->Count() > 0;
    ReduceTowards(macro, picture, towards ? window : nullptr, {}, context, transparent, chosen, count);
}

/// The key two output names are compared by: absolute, normalised, links resolved.
fs::path OutputKey(const fs::path& target) {
    std::error_code ec;
    fs::path key = fs::weakly_canonical(target, ec);
    if (ec) key = fs::absolute(target, ec).lexically_normal();
    return key;
}

}  // namespace

std::string MacroOutputExtension(const BatchMacro& macro, const fs::path& source) {
    const std::string own = source.extension().string();
    MacroPictureType type = MacroPictureType::Unsupported;
    const char* canonical = nullptr;
    switch (macro.outputFormat) {
        case kOutputGif: type = MacroPictureType::Gif; canonical = ".gif"; break;
        case kOutputJpeg: type = MacroPictureType::Jpeg; canonical = ".jpg"; break;
        case kOutputPng: type = MacroPictureType::Png; canonical = ".png"; break;
        default: return own;
    }
    // Web servers and Linux file systems compare names by case: a file that
    // keeps its format keeps its name, a converted one gets the usual spelling.
    return MacroTypeOfExtension(UpperExtension(source)) == type ? own : canonical;
}

std::optional<fs::path> BatchOutputClaims::Claim(const fs::path& target, const fs::path& source) {
    const fs::path key = OutputKey(target);
    const fs::path owner = OutputKey(source);
    std::lock_guard lock(m_mutex);
    const auto [it, inserted] = m_owners.try_emplace(key, owner, source);
    if (inserted || it->second.first == owner) return std::nullopt;
    return it->second.second;
}

void BatchOutputClaims::ReservePlanned(const BatchMacro& macro, std::span<const fs::path> sources) {
    fs::path dir;
    if (macro.outputFormat != kOutputSame) {
        try {
            dir = MacroOutputFolder(macro);
        } catch (const BatchMacroError&) {
            return;  // every file fails on the folder anyway
        }
    }
    for (const fs::path& source : sources) {
        // An animation written as JPEG or PNG may become one numbered file per
        // frame; its names are claimed when written.
        const bool mayNumber = (macro.outputFormat == kOutputJpeg || macro.outputFormat == kOutputPng) &&
                               MacroTypeOfExtension(UpperExtension(source)) == MacroPictureType::Gif;
        if (mayNumber) continue;
        const fs::path folder = macro.outputFormat == kOutputSame ? source.parent_path() : dir;
        Claim(folder / (source.stem().string() + MacroOutputExtension(macro, source)), source);
    }
}

MacroPictureType MacroTypeOfExtension(std::string_view upperExtension) {
    if (const FormatRow* row = FindLoadable(upperExtension)) return MacroTypeOf(row->type);
    return MacroPictureType::Unsupported;
}

int TargetColorCount(BatchMacro& macro, std::int64_t c) {
    if (c <= 1) return 1;
    double target = 0;
    switch (macro.reductionMode) {
        case kReductionAuto:
            if (c >= 257) target = 255;
            else if (c >= 151) target = 127;
            else if (c >= 97) target = 63;
            else target = static_cast<double>(c) * 0.4;
            break;
        case kReductionExposure: {
            static constexpr double kFactor[] = {0.2, 0.3, 0.5};
            static constexpr int kMany[] = {50, 100, 200};
            const int level = std::clamp(macro.exposure, 0, 2);
            target = c >= 257 ? kMany[level] : static_cast<double>(c) * kFactor[level];
            break;
        }
        default:
            if (macro.colorCountMode == kColorCountRelative)
                target = static_cast<double>(c) * macro.colorPercent * 0.01;
            else
                target = macro.colors;
            break;
    }
    if (macro.reductionMode == kReductionAuto || macro.reductionMode == kReductionExposure) {
        macro.paletteName.clear();
        macro.usePalette = 1;
        macro.updateTransparent = 1;
    }
    return std::clamp(AtLeastOne(target), 1, 256);
}

bool ApplyToPicture(const BatchMacro& macro, Picture& picture, unsigned what, MacroVariant variant,
                    BatchContext& context, BatchFileResult& result, ApplyFrameState* frameState) {
    // Any palette the frame had no longer describes what the steps below make of it.
    if (frameState && frameState->frame) frameState->frame->palette.clear();
    // Counted once per picture: a step that changes the pixels forgets the count.
    std::int64_t colours = frameState ? frameState->knownColours : 0;
    try {
        const int w = picture.Width();
        const int h = picture.Height();
        // 1. Resize.
        if ((what & kApplyResize) && !picture.IsEmpty() && macro.resizeMode != kResizeNone) {
            int nw = w, nh = h;
            if (macro.resizeMode == kResizeRelative) {
                nw = AtLeastOne(double(w) * macro.widthPercent / 100.0);
                nh = AtLeastOne(double(h) * macro.heightPercent / 100.0);
            } else if (macro.resizeMode == kResizeAbsolute) {
                if (macro.width < 1 || macro.height < 1) {
                    Fail(result, "Invalid size " + std::to_string(macro.width) + " x " + std::to_string(macro.height));
                    return false;
                }
                nw = macro.width;
                nh = macro.height;
            }
            if (nw != w || nh != h) {
                const bool smooth =
                    variant == MacroVariant::Full ? context.smartResizeSetting : macro.smartResize == 1;
                if (smooth) SmartResize(picture, nw, nh, context.progress);
                else Resize(picture, nw, nh);
                colours = 0;
                if (frameState && frameState->frame) {
                    GifFrame& frame = *frameState->frame;
                    const double fx = double(nw) / w, fy = double(nh) / h;
                    frame.left = static_cast<int>(frame.left * fx);
                    frame.top = static_cast<int>(frame.top * fy);
                    if (frameState->firstFrame && frameState->info) {
                        GifInfo& info = *frameState->info;
                        if (macro.resizeMode == kResizeRelative) {
                            info.screenWidth = AtLeastOne(info.screenWidth * fx);
                            info.screenHeight = AtLeastOne(info.screenHeight * fy);
                        } else {
                            info.screenWidth = std::max(info.screenWidth, nw);
                            info.screenHeight = std::max(info.screenHeight, nh);
                        }
                    }
                }
            }
        }

        // 2. Colour reduction.
        if ((what & kApplyReduceColors) && macro.outputFormat != kOutputJpeg && !picture.IsEmpty()) {
            ColourRef* transparent = nullptr;
            ColourRef fixedTransparent = kNoColour;
            if (frameState) {
                if (frameState->replaceTransparent && frameState->currentTransparent != kNoColour)
                    transparent = &frameState->currentTransparent;
                if (macro.transparentMode == kTransparentKeep) fixedTransparent = frameState->currentTransparent;
            }
            if (macro.transparentMode == kTransparentUseColour) fixedTransparent = macro.transparentColor;
            std::vector<ColourEntry>* chosen = frameState && frameState->frame ? &frameState->frame->palette : nullptr;

            if (variant == MacroVariant::Full) {
                if (macro.colorCountMode == kColorCountRelative) {
                    ReduceWithWindowPalette(macro, picture, context, transparent, chosen, colours);
                } else if (macro.colorCountMode == kColorCountAbsolute) {
                    if (!ReduceWithPaletteFile(macro, picture, context, result, fixedTransparent, transparent, chosen, colours))
                        return false;
                }
            } else if (macro.usePalette == 1 && !macro.paletteName.empty()) {
                if (!ReduceWithPaletteFile(macro, picture, context, result, fixedTransparent, transparent, chosen, colours))
                    return false;
            } else {
                ReduceWithWindowPalette(macro, picture, context, transparent, chosen, colours);
            }
        }

        // 3. The picture after.
        result.widthAfter = picture.Width();
        result.heightAfter = picture.Height();
        if (colours == 0 && !picture.IsEmpty()) colours = CountColours(picture, context.progress);
        result.colorsAfter = colours;
        if (frameState) frameState->knownColours = colours;
        return true;
    } catch (const std::bad_alloc&) {
        Show(context, "Not Enough Memory", kCaption);
        Fail(result, "Not Enough Memory");
        return false;
    } catch (const ImpExpException& e) {
        Show(context, e.Message(), e.Title());
        Fail(result, e.Message());
        return false;
    }
}

namespace {

/// Loads the source by its extension into result and source. Returns false
/// when it could not be loaded (result says why).
bool LoadSource(const fs::path& path, BatchContext& context, BatchFileResult& result, LoadedSource& source,
                bool& unsupported) {
    unsupported = false;
    std::error_code ec;
    if (path.empty() || !fs::is_regular_file(path, ec)) {
        Fail(result, "File not found");
        return false;
    }
    // A shortcut (symbolic link) is replaced by its target; the target's extension decides.
    fs::path real = path;
    if (fs::is_symlink(path, ec)) {
        const fs::path target = fs::canonical(path, ec);
        if (!ec) real = target;
    }
    result.sourcePath = real;
    result.sourceBytes = FileBytes(real);
    const std::string ext = UpperExtension(real);
    const FormatRow* row = FindLoadable(ext);
    if (!row) {
        unsupported = true;
        result.sourceType = MacroPictureType::Unsupported;
        const std::string text = Printf("Unsupported\\Don't know to load %s format", ext);
        if (context.prompter) context.prompter->Message(text, "Message", PromptIcon::Exclamation);
        Fail(result, text);
        return false;
    }
    result.sourceType = MacroTypeOf(row->type);
    try {
        // The extension decides the reader; the file is read once.
        PictureFile file = ReadPictureFile(real);
        file.type = row->type;
        DecodeOptions options;
        options.progress = context.progress;
        DecodedPicture decoded = DecodePictureFile(file, options);
        source.isGif = row->type == PictureFileType::Gif;
        if (source.isGif) {
            source.frames = std::move(decoded.frames);
            source.info = std::move(decoded.info);
        } else {
            GifFrame frame;
            frame.picture = std::move(decoded.frames[0].picture);
            frame.transparentColour = kNoColour;
            source.info.screenWidth = frame.picture.Width();
            source.info.screenHeight = frame.picture.Height();
            source.frames.Add(std::move(frame));
        }
        const Picture& first = source.frames[0].picture;
        result.widthBefore = first.Width();
        result.heightBefore = first.Height();
        result.colorsBefore = first.IsEmpty() ? 0 : CountColours(first, context.progress);
        if (context.keepPictures) result.pictureBefore = first;
        return true;
    } catch (const ImpExpException& e) {
        Show(context, e.Message(), e.Title());
        Fail(result, e.Message());
        return false;
    } catch (const std::bad_alloc&) {
        Show(context, "Not Enough Memory", kCaption);
        Fail(result, "Not Enough Memory");
        return false;
    }
}

/// One output (a picture or the whole frame list) made saveable for the target's format.
struct PreparedOutput {
    GifFrameList frames;
    GifInfo info;
    bool animated = false;  // the GIF writer gets the animation record
    EncodeOptions options;

    GifInfo* Info() { return animated ? &info : nullptr; }
};

PreparedOutput PrepareOutput(const BatchMacro& macro, LoadedSource& source, int frameIndex, bool wholeList,
                             const FormatRow& row, const fs::path& target, ProgressSink* progress) {
    PreparedOutput out;
    EncodeOptions& options = out.options;
    options.jpegQuality = macro.quality;
    options.progress = progress;
    options.where = target.string();
    if (row.accepts.maxFrames != 1) {
        auto transparentFor = [&](const GifFrame& frame) -> ColourRef {
            switch (macro.transparentMode) {
                case kTransparentNone: return kNoColour;
                case kTransparentKeep: return frame.transparentColour;
                default: return macro.transparentColor;
            }
        };
        GifFrameList list;
        if (wholeList) {
            for (const GifFrame& f : source.frames) list.Add(f);
        } else {
            list.Add(source.frames[std::size_t(frameIndex)]);
        }
        for (GifFrame& f : list) f.transparentColour = transparentFor(f);
        if (list.Count() > 1 && (macro.cutOut == 1 || macro.makeTransparent == 1)) {
            GifFrameOptimizer optimizer(macro.cutOutTolerance, macro.transparentTolerance);
            if (macro.cutOut == 1 && macro.makeTransparent == 1 && macro.cutOutTolerance == 0 &&
                macro.transparentTolerance == 1) {
                // Both passes exact: the lossless rebuild shows the same frames in fewer bytes.
                optimizer.OptimizeLossless(list, source.info, progress);
            } else {
                if (macro.cutOut == 1) optimizer.CutOut(list, source.info, progress);
                if (macro.makeTransparent == 1) optimizer.MakeTransparent(list, source.info, progress);
            }
            // Counts may be stale after the optimizer: the preparation counts again.
            for (GifFrame& f : list) f.colourCount = 0;
        }
        out.frames = std::move(list);
        out.info = source.info;
        out.animated = true;
    } else {
        const GifFrame& frame = source.frames[std::size_t(frameIndex)];
        options.knownColours = frame.colourCount;
        options.palette = frame.palette;
        GifFrame still;
        still.picture = frame.picture;
        still.transparentColour = kNoColour;
        out.frames.Add(std::move(still));
    }
    PrepareForWrite(row, out.frames, options);
    return out;
}

/// The macro as this file's variant applies it: the wizard's colour target, the site's
/// resize down to the size the page shows the image at.
BatchMacro MacroForFile(const BatchMacro& givenMacro, MacroVariant variant, const BatchFileResult& result,
                        int declaredWidth, int declaredHeight) {
    BatchMacro macro = givenMacro;
    if (variant == MacroVariant::Wizard) macro.colors = TargetColorCount(macro, result.colorsBefore);
    if (variant == MacroVariant::Site) {
        const int w = result.widthBefore, h = result.heightBefore;
        // Only ever down to the size the page shows the image at, and only when
        // both sides shrink: one growing side would blow the picture up.
        if (macro.resizeImages == 1 && declaredWidth > 0 && declaredHeight > 0 && w > declaredWidth && h > declaredHeight) {
            macro.resizeMode = kResizeAbsolute;
            macro.width = declaredWidth;
            macro.height = declaredHeight;
        } else {
            macro.resizeMode = kResizeNone;
        }
    }
    return macro;
}

/// The questions about an animation. Returns false when the file is skipped (result says so);
/// framesAsFiles tells whether each frame becomes a file of its own.
bool AskAboutAnimation(const BatchMacro& macro, std::size_t frameCount, BatchContext& context,
                       BatchFileResult& result, bool& framesAsFiles) {
    framesAsFiles = true;
    if (frameCount < 2) return true;
    if (macro.outputFormat == kOutputJpeg || macro.outputFormat == kOutputPng) {
        const auto answer = Ask(context,
                                Printf("GIF file contains %d frames, Save each frame as in selected format",
                                       static_cast<long long>(frameCount)),
                                PromptAnswer::Yes);
        framesAsFiles = answer == PromptAnswer::Yes;
    }
    if (macro.resizeMode == kResizeAbsolute) {
        const auto answer = Ask(context,
                                "Absolute size will change all frames and may distrub the animation.. Want to "
                                "continue ?",
                                PromptAnswer::No);
        if (answer != PromptAnswer::Yes) {
            result.skipped = true;
            if (context.skipCountsAsFailure) Fail(result, "Skipped: absolute size would change all frames");
            return false;
        }
    }
    return true;
}

/// Resizes and reduces every frame with its transparent colour. False when a frame failed.
bool ApplyToFrames(const BatchMacro& macro, MacroVariant variant, LoadedSource& source, BatchContext& context,
                   BatchFileResult& result) {
    const std::string sourceExt = UpperExtension(result.sourcePath);
    unsigned what = kApplyResize | kApplyReduceColors;
    if (macro.outputFormat == kOutputJpeg || (macro.outputFormat == kOutputSame && IsJpegExtension(sourceExt)))
        what = kApplyResize;

    for (std::size_t i = 0; i < source.frames.Count(); ++i) {
        GifFrame& frame = source.frames[i];
        if (i > 0 && context.progress)
            context.progress->SetText(Printf("Applying batch macro for frame #%d", static_cast<long long>(i + 1)));
        ApplyFrameState state;
        state.frame = &frame;
        state.info = &source.info;
        state.firstFrame = i == 0;
        if (i == 0) state.knownColours = result.colorsBefore;
        if (source.isGif) {
            switch (macro.transparentMode) {
                case kTransparentNone: frame.transparentColour = kNoColour; break;
                case kTransparentKeep:
                    state.currentTransparent = frame.transparentColour;
                    if (variant == MacroVariant::Full) {
                        if (what & kApplyReduceColors) {
                            const auto answer = Ask(
                                context,
                                Printf("File : %s Color reduction may change Transparent color of frame(if set)\n"
                                       "Do you wish to replace it with New Color",
                                       result.sourcePath.string()),
                                PromptAnswer::Yes);
                            state.replaceTransparent = answer == PromptAnswer::Yes;
                        }
                    } else {
                        state.replaceTransparent = macro.updateTransparent == 1;
                    }
                    break;
                default: frame.transparentColour = macro.transparentColor; break;
            }
        }
        if (macro.transparentMode == kTransparentUseColour) {
            // The macro's colour is written as given; the reduction keeps it as a fixed entry.
            state.currentTransparent = macro.transparentColor;
            state.replaceTransparent = false;
        }
        const int widthAfter = result.widthAfter, heightAfter = result.heightAfter;
        const auto colorsAfter = result.colorsAfter;
        if (!ApplyToPicture(macro, frame.picture, what, variant, context, result, &state)) return false;
        if (source.isGif && macro.transparentMode == kTransparentKeep) frame.transparentColour = state.currentTransparent;
        frame.colourCount = static_cast<std::int32_t>(std::min<std::int64_t>(state.knownColours, 1 << 30));
        if (i > 0) {  // the file's "after" figures are those of the first frame
            result.widthAfter = widthAfter;
            result.heightAfter = heightAfter;
            result.colorsAfter = colorsAfter;
        }
    }
    if (context.keepPictures) result.pictureAfter = source.frames[0].picture;
    return true;
}

/// The folder the outputs go to. False (result says why) when there is none.
bool OutputFolderFor(const BatchMacro& macro, BatchContext& context, BatchFileResult& result, fs::path& dir) {
    if (macro.outputFormat == kOutputSame) {
        dir = context.sameFormatFolder.empty() ? result.sourcePath.parent_path() : context.sameFormatFolder;
    } else {
        try {
            dir = MacroOutputFolder(macro);
        } catch (const BatchMacroError& e) {
            Show(context, e.what(), kMacroErrorCaption);
            Fail(result, e.what());
            return false;
        }
    }
    std::error_code ec;
    if (!dir.empty() && !fs::is_directory(dir, ec)) {
        const std::string text = "Output directory " + dir.string() + " does not exist";
        Show(context, text, kCaption);
        Fail(result, text);
        return false;
    }
    return true;
}

/// Encodes into the target, or with keepIfSmaller only when the result is smaller than the
/// source (compared in memory; the target, which may be the source, is replaced by one
/// atomic write).
void WriteOutput(const FormatRow& row, const fs::path& target, PreparedOutput& output, bool keepIfSmaller,
                 BatchContext& context, BatchFileResult& result) {
    std::uint64_t written = 0;
    if (!keepIfSmaller) {
        written = EncodeIntoFile(row, target, output.frames, output.Info(), output.options);
    } else {
        const std::vector<std::uint8_t> bytes = EncodeWithRow(row, output.frames, output.Info(), output.options);
        if (bytes.empty() || bytes.size() >= result.sourceBytes) {
            result.status = std::string(kStatusAlreadyOptimized);
            result.outputPath = result.sourcePath.string();
            result.outputType = result.sourceType;
            result.outputBytes = result.sourceBytes;
            result.widthAfter = result.widthBefore;
            result.heightAfter = result.heightBefore;
            result.colorsAfter = result.colorsBefore;
            if (context.keepPictures) result.pictureAfter = result.pictureBefore;
            return;
        }
        WriteWithRow(row, target, bytes);
        written = bytes.size();
        result.status = std::string(kStatusOptimized);
    }
    result.outputPath = target.string();
    result.outputBytes = written;
    result.outputs.push_back({target, result.outputType, result.outputBytes});
}

/// Encodes and writes one output, reporting a failure. False when the file's run ends there.
bool EncodeAndWrite(const BatchMacro& macro, LoadedSource& source, int frameIndex, bool wholeList,
                    const FormatRow& row, const fs::path& target, bool keepIfSmaller, BatchContext& context,
                    BatchFileResult& result) {
    const auto failed = [&](const std::string& text, std::string_view caption) {
        Show(context, text, caption);
        Fail(result, text);
        return false;
    };
    try {
        PreparedOutput output = PrepareOutput(macro, source, frameIndex, wholeList, row, target, context.progress);
        WriteOutput(row, target, output, keepIfSmaller, context, result);
        return true;
    } catch (const ImpExpException& e) {
        return failed(e.Message(), e.Title());
    } catch (const std::filesystem::filesystem_error& e) {
        return failed(e.what(), kCaption);
    } catch (const std::runtime_error& e) {  // the temporary file could not be made
        return failed(e.what(), kCaption);
    } catch (const std::bad_alloc&) {
        return failed("Not Enough Memory", kCaption);
    }
}

/// The whole per-file procedure: load, ask, reduce, name, write (or keep if smaller); the
/// variant decides the differences.
RunOutcome RunFile(const BatchMacro& givenMacro, const fs::path& path, MacroVariant variant, BatchContext& context,
                   BatchFileResult& result, int declaredWidth = 0, int declaredHeight = 0) {
    LoadedSource source;
    bool unsupported = false;
    if (!LoadSource(path, context, result, source, unsupported))
        return unsupported ? RunOutcome::Continue : RunOutcome::Stop;
    const BatchMacro macro = MacroForFile(givenMacro, variant, result, declaredWidth, declaredHeight);

    const std::size_t frameCount = source.frames.Count();
    bool framesAsFiles = true;
    if (!AskAboutAnimation(macro, frameCount, context, result, framesAsFiles)) return RunOutcome::Continue;
    if (!ApplyToFrames(macro, variant, source, context, result)) return RunOutcome::Stop;

    // How many files, where, and named how.
    const bool oneFile = macro.outputFormat == kOutputGif || (macro.outputFormat == kOutputSame && source.isGif) ||
                         !framesAsFiles;
    const std::size_t outputs = oneFile ? 1 : frameCount;
    fs::path dir;
    if (!OutputFolderFor(macro, context, result, dir)) return RunOutcome::Stop;
    const std::string extension = MacroOutputExtension(macro, result.sourcePath);
    const std::string upperExt = UpperExtension(fs::path("x" + extension));
    const FormatRow* outputRow = FindFormatByExtension(upperExt);
    const bool writable = outputRow && outputRow->CanWrite();
    const std::string stem = result.sourcePath.stem().string();
    const bool keepIfSmaller = variant != MacroVariant::Full;

    for (std::size_t k = 1; k <= outputs; ++k) {
        const std::string base = outputs > 1 ? stem + std::to_string(k) : stem;
        const fs::path target = dir / (base + extension);
        result.outputType = MacroTypeOfExtension(upperExt);
        if (!writable) {
            result.outputPath = std::string(kUnsupportedOutput);
            result.outputType = MacroPictureType::Unsupported;
            result.outputBytes = 0;
            continue;
        }
        if (context.claims) {
            if (const auto first = context.claims->Claim(target, result.sourcePath)) {
                const std::string text = "Not written: " + target.string() + " would overwrite the output of " +
                                         first->string();
                Show(context, text, kCaption);
                Fail(result, text);
                return RunOutcome::Continue;
            }
        }
        const int frameIndex = static_cast<int>(outputs > 1 ? k - 1 : 0);
        const bool wholeList = outputRow->accepts.maxFrames != 1 && oneFile;
        if (!EncodeAndWrite(macro, source, frameIndex, wholeList, *outputRow, target, keepIfSmaller, context, result))
            return RunOutcome::Continue;
        if (context.stop && context.stop->load()) {
            Fail(result, "Stopped");
            return RunOutcome::Stop;
        }
    }
    return RunOutcome::Continue;
}

}  // namespace

bool ApplyToFile(const BatchMacro& macro, const fs::path& path, BatchContext& context, BatchFileResult& result) {
    result = BatchFileResult{};
    result.sourcePath = path;
    return RunFile(macro, path, MacroVariant::Full, context, result) == RunOutcome::Continue;
}

std::vector<BatchFileResult> ApplyToSelection(const BatchMacro& macro, std::span<const fs::path> paths,
                                              BatchContext& context) {
    std::vector<BatchFileResult> results;
    if (paths.empty()) {
        if (context.prompter) context.prompter->Message("No Pictures In the List !!", kCaption, PromptIcon::Exclamation);
        return results;
    }
    // Two files of the run must not write one output.
    BatchOutputClaims runClaims;
    BatchContext run = context;
    if (!run.claims) run.claims = &runClaims;
    for (const fs::path& path : paths) {
        results.emplace_back();
        if (!ApplyToFile(macro, path, run, results.back())) return results;
    }
    if (context.prompter)
        context.prompter->Message(macro.name + " Template Successfully applied", kCaption, PromptIcon::Information);
    return results;
}

BatchFileResult ApplyKeepIfSmaller(const BatchMacro& macro, const fs::path& path, BatchContext& context) {
    BatchFileResult result;
    result.sourcePath = path;
    RunFile(macro, path, MacroVariant::Wizard, context, result);
    return result;
}

BatchFileResult ApplyForSite(const BatchMacro& macro, const fs::path& path, int declaredWidth, int declaredHeight,
                             BatchContext& context) {
    BatchFileResult result;
    result.sourcePath = path;
    RunFile(macro, path, MacroVariant::Site, context, result, declaredWidth, declaredHeight);
    return result;
}

}  // namespace lp
