#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_macro.h"

namespace lp {

class Prompter;

/// The six optimization wizards; the number is the kind kept in previews and reports.
enum class WizardKind : int { Color = 1, Jpeg = 2, Gif = 3, Size = 4, Master = 5, Html = 6 };

/// The pages every wizard is built from.
enum class WizardPage {
    Welcome,
    UserLevel,
    Exposure,
    ColorCount,
    PaletteTransparency,
    ResizeType,
    AbsoluteSize,
    RelativeSize,
    AskResize,
    PictureKind,
    JpegLevel,
    JpegQuality,
    Frames,
    SaveToDirectory,
    HtmlUrl,
    HtmlTags,
    Summary,
};

/// What a wizard knows besides its macro: whether it was started for a picture window and
/// how many frames that picture has, and the answers that live on pages only.
struct WizardFlowState {
    bool hasPicture = false;
    std::size_t frameCount = 0;  // 0 without a picture
    /// Ask resize page: "Yes".
    bool changeSize = false;
};

/// Menu text, sheet caption of the summary page, welcome title and description of a kind.
std::string_view WizardMenuText(WizardKind kind);
std::string_view WizardName(WizardKind kind);
std::string_view WizardSummaryCaption(WizardKind kind);
std::string_view WizardWelcomeTitle(WizardKind kind);
std::string_view WizardWelcomeDescription(WizardKind kind);
/// The dialog caption a page carries (empty for Welcome, Summary and Save to directory).
std::string_view WizardPageCaption(WizardPage page);

/// The pages of the wizard for its present answers, Welcome first and Summary last. A page's
/// answers only decide what follows it, so the sequence up to the current page never moves.
std::vector<WizardPage> WizardPageSequence(WizardKind kind, const BatchMacro& macro, const WizardFlowState& state);
/// The page after `current` (nothing after Summary or for a page not in the sequence).
std::optional<WizardPage> NextWizardPage(WizardKind kind, WizardPage current, const BatchMacro& macro,
                                         const WizardFlowState& state);

/// A new wizard's macro: "Default" with the creation values.
BatchMacro NewWizardMacro();

// --- What pages store ------------------------------------------------------------------------

/// User level: 0 "Automatic", 1 "Partial", 2 "Manual".
void StoreUserLevel(BatchMacro& macro, int level);
/// JPEG level: 0 "Low", 1 "Medium", 2 "High", 3 "Custom" (the quality page decides).
void StoreJpegLevel(BatchMacro& macro, int level);
/// Picture kind: 0 "Photographic picture", 1 "Painted picture", 2 "Animated or vector
/// picture", 3 "LineArt picture".
void StorePictureKind(BatchMacro& macro, int pictureKind);
/// The choice a Picture kind page shows for the macro.
int PictureKindOf(const BatchMacro& macro);
/// Colour count: absolute (colorCountMode 2 with colors 1..256) or relative (colorCountMode 1
/// with colorPercent 1..100).
void StoreColorCount(BatchMacro& macro, bool absolute, int value);
/// The URL page's level list: position 0..5 ("1" to "5", "All").
void StoreHtmlLevels(BatchMacro& macro, int listPosition);

// --- Summary ---------------------------------------------------------------------------------

/// The site job's URL and output folder, shown by the Html-Page wizard's summary.
struct HtmlJobTexts {
    std::string url;
    std::string outputDir;
};
/// The lines of the summary list, each exactly as shown (an empty string is an empty line).
std::vector<std::string> WizardSummaryLines(WizardKind kind, const BatchMacro& macro, const HtmlJobTexts& html = {});

// --- Finish and page checks --------------------------------------------------------------------

inline constexpr std::string_view kSaveNameMissing = "Specify a filename for saving the Template";
inline constexpr std::string_view kSummaryFinishNote = "Press Finish button to apply macro to picture.";
/// "Save macro as": the typed name trimmed of blanks at both ends; nothing (after the
/// message) when it is empty.
std::optional<std::string> CheckSaveMacroName(std::string_view typed, Prompter& prompter);

/// Save to directory, on Next: a missing folder gives "Cannot Find Directory %s" and is
/// created; a failed creation gives "Unable to Create Directory %s". The wizard goes on either
/// way; returns whether the folder exists afterwards.
bool PrepareSaveDirectory(const std::string& dir, Prompter& prompter);

/// Which box of the URL page takes the focus after a refusal.
enum class HtmlPageField { None, Url, Directory };
struct HtmlPageCheck {
    std::optional<std::string> message;  // the refusal, in the page's order; none: go on
    HtmlPageField focus = HtmlPageField::None;
    std::string url;  // the URL to use when accepted
};
/// The URL page's Next: an empty URL, an empty directory, a directory that does not exist
/// (in that order); otherwise the URL without leading blanks and with "http://" in front
/// unless it begins with "http".
HtmlPageCheck CheckHtmlPage(std::string_view url, std::string_view dir);

// --- Applying to a picture ----------------------------------------------------------------------

/// The picture a wizard macro is applied to: width, height, colour count and JPEG quality.
struct WizardPictureState {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int64_t colors = 0;
    std::int32_t quality = 75;
};
/// Sets the aspects the kind does not change so that they leave the picture alone; then,
/// except for the JPEG wizard, turns relative resizing into pixels (at least 1) and sets colors
/// to the colour count the macro asks for (TargetColorCount).
void PrepareWizardMacro(WizardKind kind, BatchMacro& macro, const WizardPictureState& picture);

/// The JPEG wizard, and the Lumaprism Wizard optimizing as JPEG, compare JPEG sizes; every
/// other kind compares GIF sizes.
enum class ReportComparison { None, Jpeg, Gif };
ReportComparison WizardComparison(WizardKind kind, const BatchMacro& macro);
/// ApplyWhat flags of the kind (kApplyResize, kApplyReduceColors).
unsigned WizardApplyFlags(WizardKind kind, const BatchMacro& macro);

/// The status-bar title of a wizard preview ("Preview %d  (Color Reduction) " ...), n the
/// number the user sees.
std::string WizardPreviewTitle(WizardKind kind, int shownNumber);
/// The report's window name ("Preview %d  (Color Optimization)" ...).
std::string WizardReportTitle(WizardKind kind, int shownNumber);

}  // namespace lp
