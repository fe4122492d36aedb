#pragma once
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_macro.h"
#include "base/colour.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

namespace lp {

class DataFolders;
class Palette;
class Prompter;
struct GifFrame;
struct GifInfo;

/// Picture type codes of a batch run (sourceType, outputType). They differ
/// from PictureFileType and are what reports show.
enum class MacroPictureType : int {
    Gif = 0,
    Jpeg = 1,
    Png = 2,
    Bmp = 3,
    Pcx = 4,
    Tiff = 5,
    Targa = 6,
    Dib = 7,
    Rle = 8,
    Unsupported = 9,
};

inline constexpr std::string_view kUnsupportedOutput = "** Unsupported in this Version **";
inline constexpr std::string_view kStatusOptimized = "Optimized";
inline constexpr std::string_view kStatusAlreadyOptimized = "Already optimized picture";

/// The type code a file name's extension stands for (Unsupported for any other).
MacroPictureType MacroTypeOfExtension(std::string_view upperExtension);

/// What ApplyToPicture does: a set of these flags.
enum ApplyWhat : unsigned { kApplyResize = 1u, kApplyReduceColors = 2u };

/// Which caller applies the macro; they differ in colour target, palette
/// choice, smoothing and writing (keep only a smaller result).
enum class MacroVariant {
    Full,      // picture browser and Transfer Manager: straight to the output
    Wizard,    // wizards' last page: TargetColorCount, keep only when smaller
    Site,      // site optimizer: as the wizard, resized to the declared size
};

/// One file a run wrote.
struct BatchOutputFile {
    std::filesystem::path path;
    MacroPictureType type = MacroPictureType::Unsupported;
    std::uint64_t bytes = 0;
};

/// The working state of one file while the macro is applied to it, and what
/// came out. Reports are built from these.
struct BatchFileResult {
    std::filesystem::path sourcePath;
    std::uint64_t sourceBytes = 0;
    MacroPictureType sourceType = MacroPictureType::Unsupported;
    /// Path written (the last one when several were), or kUnsupportedOutput.
    std::string outputPath;
    MacroPictureType outputType = MacroPictureType::Unsupported;
    std::uint64_t outputBytes = 0;
    int widthBefore = 0, heightBefore = 0;
    std::int64_t colorsBefore = 0;
    int widthAfter = 0, heightAfter = 0;
    std::int64_t colorsAfter = 0;
    /// Wizard and site variants: kStatusOptimized or kStatusAlreadyOptimized.
    std::string status;
    /// Every file written, in order (one per frame when frames became files).
    std::vector<BatchOutputFile> outputs;
    /// False when the file failed (missing, unreadable, unsupported, write error,
    /// missing palette, or skipped by a question's default on the command line).
    bool ok = true;
    /// The message shown for a failure (empty when ok).
    std::string error;
    /// The user answered No to the absolute-size question: nothing was written.
    bool skipped = false;
    /// Copies of the first frame before and after, for report thumbnails; only
    /// filled when BatchContext::keepPictures is set.
    Picture pictureBefore;
    Picture pictureAfter;
};

/// The output files of one run, each with the input that wrote it: a second
/// input whose output would land on the same file fails instead of silently
/// replacing the first result. Workers of one run may share it.
class BatchOutputClaims {
public:
    /// Records that source writes target. Empty when the name was free or is
    /// source's own already; otherwise the input that claimed it first.
    std::optional<std::filesystem::path> Claim(const std::filesystem::path& target,
                                               const std::filesystem::path& source);
    /// Claims, in the order given, the name each source's output will have, so
    /// that the first input in that order keeps a contested name however the
    /// files are shared out between workers.
    void ReservePlanned(const BatchMacro& macro, std::span<const std::filesystem::path> sources);

private:
    std::mutex m_mutex;
    // output key -> (source key, source as given)
    std::map<std::filesystem::path, std::pair<std::filesystem::path, std::filesystem::path>> m_owners;
};

/// The extension of an output file: the source's own, as spelt, when the
/// format stays; else ".gif", ".jpg" or ".png".
std::string MacroOutputExtension(const BatchMacro& macro, const std::filesystem::path& source);

/// What a run needs from the program around it. Nothing here is owned.
struct BatchContext {
    const DataFolders* folders = nullptr;       // PALETTE folder for palette files; required for colorCountMode 2
    Prompter* prompter = nullptr;               // questions and messages; null = every default, no messages
    ProgressSink* progress = nullptr;           // status texts; may be null
    const Palette* paletteWindow = nullptr;     // the palette window's palette; null when it holds none
    bool smartResizeSetting = false;            // the application setting SmartReSize (full form)
    const std::atomic<bool>* stop = nullptr;    // stop request, seen between output files
    bool keepPictures = false;                  // fill BatchFileResult::pictureBefore/After
    /// Command line: a file skipped by a question's default answer counts as failed.
    bool skipCountsAsFailure = false;
    /// Wizards without a picture: outputs in the source's format go to this folder instead
    /// of beside their source (empty: beside the source, which they replace when smaller).
    std::filesystem::path sameFormatFolder;
    /// The run's output names; null checks nothing (ApplyToSelection makes its own).
    BatchOutputClaims* claims = nullptr;
};

/// Where ApplyToPicture works inside an animation: the frame whose position
/// scales with it, the animation record whose screen follows the first frame,
/// and the transparent colour in use (kNoColour for none).
struct ApplyFrameState {
    GifFrame* frame = nullptr;
    GifInfo* info = nullptr;
    bool firstFrame = true;
    ColourRef currentTransparent = kNoColour;
    /// A colour reduction moves currentTransparent to the colour its pixels
    /// received (the full form asks; the other variants use updateTransparent).
    bool replaceTransparent = true;
    /// The picture's distinct colours when already counted (0 = not counted); on return
    /// the count after, so that the writer need not count again.
    std::int64_t knownColours = 0;
};

/// Resizes and reduces one picture as the macro says; returns false (with
/// result.error set and the message shown) only when a palette file is missing
/// or memory runs out. Records widthAfter, heightAfter and colorsAfter.
bool ApplyToPicture(const BatchMacro& macro, Picture& picture, unsigned what, MacroVariant variant,
                    BatchContext& context, BatchFileResult& result, ApplyFrameState* frameState = nullptr);

/// The colour count a wizard macro asks for a picture of `colourCount`
/// colours; for automatic and exposure reduction the macro's palette settings
/// are reset too.
int TargetColorCount(BatchMacro& macro, std::int64_t colourCount);

/// The full per-file procedure (picture browser, Transfer Manager). Returns
/// false when the run must stop; `result` tells what happened either way.
bool ApplyToFile(const BatchMacro& macro, const std::filesystem::path& path, BatchContext& context,
                 BatchFileResult& result);

/// ApplyToFile for every path in order, stopping at the first failure; after at
/// least one file shows "<name> Template Successfully applied". Returns the
/// results of the files tried.
std::vector<BatchFileResult> ApplyToSelection(const BatchMacro& macro, std::span<const std::filesystem::path> paths,
                                              BatchContext& context);

/// The wizards' variant: the colour target comes from TargetColorCount, the
/// result replaces the output only when smaller than the source (else the
/// source stays and status is kStatusAlreadyOptimized). A failure is reported
/// in the result (ok = false); the source is never lost.
BatchFileResult ApplyKeepIfSmaller(const BatchMacro& macro, const std::filesystem::path& path,
                                   BatchContext& context);

/// The site optimizer's variant: as the wizards', and when macro.resizeImages
/// is 1 and both declared sizes are positive, an image larger than them in
/// both dimensions is scaled down to exactly declaredWidth x declaredHeight
/// (never up in either). A declared size of 0 or less counts as absent.
BatchFileResult ApplyForSite(const BatchMacro& macro, const std::filesystem::path& path, int declaredWidth,
                             int declaredHeight, BatchContext& context);

}  // namespace lp
