#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/colour.h"

namespace lp {

class DataFolders;
class Prompter;

/// Widths of the text fields of a .TPL file, terminating NUL included.
inline constexpr std::size_t kMacroNameField = 31;
inline constexpr std::size_t kMacroPaletteField = 31;
inline constexpr std::size_t kMacroOutputDirField = 260;
/// A .TPL file: two identification bytes and a 512-byte body.
inline constexpr std::size_t kMacroFileSize = 514;
inline constexpr std::size_t kMacroBodySize = 512;

/// Caption of every load or save failure shown to the user.
inline constexpr std::string_view kMacroErrorCaption = "Batch macro Wizard Error";

/// Values of BatchMacro::resizeMode.
enum MacroResizeMode : std::int32_t { kResizeNone = 0, kResizeRelative = 1, kResizeAbsolute = 2 };
/// Values of BatchMacro::colorCountMode.
enum MacroColorCountMode : std::int32_t { kColorCountRelative = 1, kColorCountAbsolute = 2 };
/// Values of BatchMacro::outputFormat.
enum MacroOutputFormat : std::int32_t { kOutputSame = 0, kOutputGif = 1, kOutputJpeg = 2, kOutputPng = 3 };
/// Values of BatchMacro::transparentMode.
enum MacroTransparentMode : std::int32_t { kTransparentNone = 0, kTransparentKeep = 1, kTransparentUseColour = 2 };
/// Values of BatchMacro::reductionMode.
enum MacroReductionMode : std::int32_t { kReductionAuto = 0, kReductionExposure = 1, kReductionCount = 2 };

/// A named set of optimization settings, as stored in a .TPL file. Only
/// settings live here: the state of a run that applies the macro is kept by the
/// run itself (BatchFileResult), so copying a macro copies exactly its settings
/// and one macro can be applied on several threads at once. The reserved area
/// of the file is not kept: it is always written as zeros.
struct BatchMacro {
    std::string name;         // at most 30 bytes; also the file name without extension
    std::string paletteName;  // at most 30 bytes; empty = the current palette
    std::string outputDir;    // at most 259 bytes, as stored (backslash or "/" separators); ignored for kOutputSame
    std::int32_t resizeMode = kResizeNone;
    std::int32_t width = 360;  // absolute target size, pixels
    std::int32_t height = 240;
    std::int32_t widthPercent = 100;  // relative target size, percent
    std::int32_t heightPercent = 100;
    std::int32_t colorCountMode = kColorCountRelative;
    std::int32_t colors = 256;  // 1..256
    std::int32_t outputFormat = kOutputSame;
    std::int32_t transparentMode = kTransparentKeep;
    ColourRef transparentColor = MakeColour(0, 0, 0);  // never kNoColour
    std::int32_t usePalette = 1;
    std::int32_t cutOut = 0;
    std::int32_t makeTransparent = 0;
    std::int16_t cutOutTolerance = 50;
    std::int16_t transparentTolerance = 1;
    std::int32_t reductionMode = kReductionAuto;
    std::int32_t exposure = 0;  // 0 low, 1 medium, 2 high
    std::int32_t updateTransparent = 1;
    std::int32_t jpegLevel = 2;  // 0 "Low", 1 "Medium", 2 "High", 3 "Expert"
    std::int32_t smartResize = 0;
    std::int32_t gifChosen = 1;
    std::int32_t colorPercent = 100;  // 1..100
    std::int32_t quality = 75;        // 0..100
    std::int32_t htmlLevels = 1;      // 6 = all
    std::int32_t addTags = 1;
    std::int32_t addAlt = 1;
    std::int32_t addWidth = 1;
    std::int32_t addHeight = 1;
    std::int32_t resizeImages = 1;

    BatchMacro() = default;
    explicit BatchMacro(std::string macroName) : name(std::move(macroName)) {}

    friend bool operator==(const BatchMacro&, const BatchMacro&) = default;

    /// The settings of another macro (every field; there is no working state here).
    void CopySettingsFrom(const BatchMacro& other) { *this = other; }

    /// Reads TEMPLATE/name(.TPL). On failure shows the message (caption
    /// kMacroErrorCaption) through the prompter, leaves the macro unchanged and
    /// returns false.
    bool Load(std::string_view macroName, const DataFolders& folders, Prompter& prompter);
    /// Writes TEMPLATE/name(.TPL) atomically; a non-empty name becomes the
    /// macro's own name first. On failure shows the message and returns false.
    bool Save(std::string_view macroName, const DataFolders& folders, Prompter& prompter);
};

/// A .TPL file that cannot be read or written; what() is the user's message,
/// File() the file it concerns (for messages that must name it).
class BatchMacroError : public std::runtime_error {
public:
    BatchMacroError(const std::string& message, std::filesystem::path file = {})
        : std::runtime_error(message), m_file(std::move(file)) {}
    const std::filesystem::path& File() const noexcept { return m_file; }

private:
    std::filesystem::path m_file;
};

/// The 514 bytes of a .TPL file. Throws BatchMacroError when a text does not
/// fit its field.
std::vector<std::uint8_t> EncodeBatchMacro(const BatchMacro& macro);
/// The macro held by the bytes of a .TPL file; `where` names the file in
/// messages. Throws BatchMacroError.
BatchMacro DecodeBatchMacro(std::span<const std::uint8_t> bytes, const std::filesystem::path& where);

/// Loads a .TPL file by path. Throws BatchMacroError.
BatchMacro LoadBatchMacroFile(const std::filesystem::path& path);
/// Saves a .TPL file by path, atomically. Throws BatchMacroError.
void SaveBatchMacroFile(const BatchMacro& macro, const std::filesystem::path& path);

/// True when the text may serve as a macro (or palette) name: no "/", "\",
/// "..", NUL or control characters.
bool IsValidMacroName(std::string_view name);
/// TEMPLATE/name, with ".TPL" appended when the name has no extension.
/// Throws BatchMacroError for a refused name.
std::filesystem::path MacroPath(std::string_view macroName, const DataFolders& folders);
/// The output folder of a macro as a path, a backslash read as a separator. Throws
/// BatchMacroError for a drive letter ("C:...").
std::filesystem::path MacroOutputFolder(const BatchMacro& macro);
/// Names (file names without extension) of the .tpl files of TEMPLATE, sorted.
std::vector<std::string> ListBatchMacros(const DataFolders& folders);

}  // namespace lp
