#include "batch/batch_macro.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "base/data_folders.h"
#include "base/prompter.h"
#include "base/atomic_file.h"
#include "base/imp_exp_exception.h"

namespace lp {

namespace {

constexpr std::uint8_t kId0 = 0x54;  // "T"
constexpr std::uint8_t kId1 = 0x50;  // "P"
constexpr const char* kProductName = "Lumaprism";
constexpr const char* kWriteError = "Error Writing batch macro File ";
constexpr const char* kReadError = "Error Reading Batch macro file";
constexpr const char* kOpenError = "Error opening file ";

// File offsets of the fields.
constexpr std::size_t kOffName = 2;
constexpr std::size_t kOffPalette = 33;
constexpr std::size_t kOffOutputDir = 64;
constexpr std::size_t kOffResizeMode = 324;
constexpr std::size_t kOffReserved = 408;
constexpr std::size_t kReservedBytes = 78;
constexpr std::size_t kOffQuality = 486;

// The numeric fields from resizeMode to colorPercent, in file order, with the
// range a value must lie in to be taken (else the default stays).
struct NumberField {
    std::int32_t BatchMacro::*member;
    std::int32_t low;
    std::int32_t high;
};
constexpr NumberField kFirstNumbers[] = {
    {&BatchMacro::resizeMode, 0, 2},      {&BatchMacro::width, 1, 65535},
    {&BatchMacro::height, 1, 65535},      {&BatchMacro::widthPercent, 1, 10000},
    {&BatchMacro::heightPercent, 1, 10000}, {&BatchMacro::colorCountMode, 0, 2},
    {&BatchMacro::colors, 1, 256},        {&BatchMacro::outputFormat, 0, 3},
    {&BatchMacro::transparentMode, 0, 2},
};
// transparentColor (4 bytes) at 360
constexpr NumberField kMiddleNumbers[] = {
    {&BatchMacro::usePalette, 0, 1},
    {&BatchMacro::cutOut, 0, 1},
    {&BatchMacro::makeTransparent, 0, 1},
};
// cutOutTolerance, transparentTolerance (int16) at 376, 378
constexpr std::int16_t kToleranceMax = 765;  // the largest |dR|+|dG|+|dB|
constexpr NumberField kLateNumbers[] = {
    {&BatchMacro::reductionMode, 0, 2}, {&BatchMacro::exposure, 0, 2},   {&BatchMacro::updateTransparent, 0, 1},
    {&BatchMacro::jpegLevel, 0, 3},     {&BatchMacro::smartResize, 0, 1}, {&BatchMacro::gifChosen, 0, 1},
    {&BatchMacro::colorPercent, 1, 100},
};
// reserved 78 bytes, then from 486:
constexpr NumberField kSiteNumbers[] = {
    {&BatchMacro::quality, 0, 100}, {&BatchMacro::htmlLevels, 0, 6}, {&BatchMacro::addTags, 0, 1},
    {&BatchMacro::addAlt, 0, 1},    {&BatchMacro::addWidth, 0, 1},   {&BatchMacro::addHeight, 0, 1},
    {&BatchMacro::resizeImages, 0, 1},
};

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) out[at + i] = std::uint8_t(u >> (8 * i));
}
void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::int16_t v) {
    const auto u = static_cast<std::uint16_t>(v);
    out[at] = std::uint8_t(u);
    out[at + 1] = std::uint8_t(u >> 8);
}
std::int32_t Get32(std::span<const std::uint8_t> in, std::size_t at) {
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= std::uint32_t(in[at + i]) << (8 * i);
    return static_cast<std::int32_t>(u);
}
std::int16_t Get16(std::span<const std::uint8_t> in, std::size_t at) {
    return static_cast<std::int16_t>(std::uint16_t(in[at] | (in[at + 1] << 8)));
}

void PutText(std::vector<std::uint8_t>& out, std::size_t at, std::size_t width, const std::string& text,
             const std::filesystem::path& where) {
    // A text must keep its terminating NUL inside the field; one that does not
    // fit is refused rather than cut (a cut folder would send output elsewhere).
    if (text.size() >= width || text.find('\0') != std::string::npos) throw BatchMacroError(kWriteError, where);
    std::copy(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
}
std::string GetText(std::span<const std::uint8_t> in, std::size_t at, std::size_t width) {
    std::string s;
    for (std::size_t i = 0; i + 1 < width && in[at + i] != 0; ++i) s.push_back(static_cast<char>(in[at + i]));
    return s;
}

template <std::size_t N>
std::size_t PutNumbers(std::vector<std::uint8_t>& out, std::size_t at, const BatchMacro& m,
                       const NumberField (&fields)[N]) {
    for (const auto& f : fields) {
        Put32(out, at, m.*(f.member));
        at += 4;
    }
    return at;
}
template <std::size_t N>
std::size_t GetNumbers(std::span<const std::uint8_t> in, std::size_t at, BatchMacro& m,
                       const NumberField (&fields)[N]) {
    for (const auto& f : fields) {
        const std::int32_t v = Get32(in, at);
        if (v >= f.low && v <= f.high) m.*(f.member) = v;
        at += 4;
    }
    return at;
}

bool HasDriveLetter(std::string_view dir) {
    return dir.size() >= 2 && std::isalpha(static_cast<unsigned char>(dir[0])) && dir[1] == ':';
}

bool HasExtension(std::string_view name) {
    const auto dot = name.rfind('.');
    return dot != std::string_view::npos && dot + 1 < name.size();
}

}  // namespace

std::vector<std::uint8_t> EncodeBatchMacro(const BatchMacro& m) {
    std::vector<std::uint8_t> out(kMacroFileSize, 0);
    out[0] = kId0;
    out[1] = kId1;
    PutText(out, kOffName, kMacroNameField, m.name, {});
    PutText(out, kOffPalette, kMacroPaletteField, m.paletteName, {});
    PutText(out, kOffOutputDir, kMacroOutputDirField, m.outputDir, {});
    std::size_t at = PutNumbers(out, kOffResizeMode, m, kFirstNumbers);
    out[at] = RedOf(m.transparentColor);
    out[at + 1] = GreenOf(m.transparentColor);
    out[at + 2] = BlueOf(m.transparentColor);
    out[at + 3] = 0;
    at = PutNumbers(out, at + 4, m, kMiddleNumbers);
    Put16(out, at, m.cutOutTolerance);
    Put16(out, at + 2, m.transparentTolerance);
    at = PutNumbers(out, at + 4, m, kLateNumbers);
    // at == kOffReserved; the reserved area stays zero.
    at = PutNumbers(out, kOffQuality, m, kSiteNumbers);
    static_assert(kOffReserved + kReservedBytes == kOffQuality);
    return out;
}

BatchMacro DecodeBatchMacro(std::span<const std::uint8_t> in, const std::filesystem::path& where) {
    if (in.size() < 2) throw BatchMacroError("Not a " + where.string() + " Batch macro file", where);
    if (in[0] != kId0 || in[1] != kId1)
        throw BatchMacroError(std::string("Not a ") + kProductName + " Batch macro file", where);
    // A file that is not exactly one record is damaged: a short one lacks
    // fields, a long one is not what we wrote.
    if (in.size() != kMacroFileSize) throw BatchMacroError(kReadError, where);

    BatchMacro m;
    m.name = GetText(in, kOffName, kMacroNameField);
    m.paletteName = GetText(in, kOffPalette, kMacroPaletteField);
    // Kept as stored: a drive letter is refused only where the folder is used
    // (MacroOutputFolder), so a macro that writes beside its sources still loads.
    m.outputDir = GetText(in, kOffOutputDir, kMacroOutputDirField);
    std::size_t at = GetNumbers(in, kOffResizeMode, m, kFirstNumbers);
    m.transparentColor = MakeColour(in[at], in[at + 1], in[at + 2]);
    at = GetNumbers(in, at + 4, m, kMiddleNumbers);
    const std::int16_t cut = Get16(in, at);
    const std::int16_t tr = Get16(in, at + 2);
    if (cut >= 0 && cut <= kToleranceMax) m.cutOutTolerance = cut;
    if (tr >= 0 && tr <= kToleranceMax) m.transparentTolerance = tr;
    GetNumbers(in, at + 4, m, kLateNumbers);
    GetNumbers(in, kOffQuality, m, kSiteNumbers);
    return m;
}

BatchMacro LoadBatchMacroFile(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    std::error_code ec;
    if (!f || std::filesystem::is_directory(path, ec)) throw BatchMacroError(kOpenError, path);
    // One byte more than a record tells a long file from a good one without
    // reading an arbitrarily large file.
    std::vector<std::uint8_t> bytes(kMacroFileSize + 1);
    f.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(f.gcount()));
    if (f.bad()) throw BatchMacroError(kReadError, path);
    return DecodeBatchMacro(bytes, path);
}

void SaveBatchMacroFile(const BatchMacro& macro, const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = EncodeBatchMacro(macro);
    } catch (const BatchMacroError& e) {
        throw BatchMacroError(e.what(), path);
    }
    try {
        WriteFileAtomically(path, bytes, kWriteError, kWriteError);
    } catch (const std::exception&) {
        throw BatchMacroError(kWriteError, path);
    }
}

bool IsValidMacroName(std::string_view name) {
    if (name.find("..") != std::string_view::npos) return false;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) return false;
    }
    return true;
}

std::filesystem::path MacroPath(std::string_view macroName, const DataFolders& folders) {
    if (macroName.empty() || !IsValidMacroName(macroName))
        throw BatchMacroError("Batch macro name \"" + std::string(macroName) + "\" is not allowed");
    std::string file(macroName);
    if (!HasExtension(macroName)) file += ".TPL";
    return folders.Folder(DataFolder::Template) / file;
}

std::filesystem::path MacroOutputFolder(const BatchMacro& macro) {
    if (HasDriveLetter(macro.outputDir))
        throw BatchMacroError("Output directory \"" + macro.outputDir + "\" names a drive; use a folder path");
    std::string dir = macro.outputDir;
    std::replace(dir.begin(), dir.end(), '\\', '/');
    return std::filesystem::path(dir);
}

std::vector<std::string> ListBatchMacros(const DataFolders& folders) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folders.Folder(DataFolder::Template), ec)) {
        std::error_code fe;
        if (!entry.is_regular_file(fe)) continue;
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (ext == ".tpl") names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool BatchMacro::Load(std::string_view macroName, const DataFolders& folders, Prompter& prompter) {
    try {
        BatchMacro loaded = LoadBatchMacroFile(MacroPath(macroName, folders));
        *this = std::move(loaded);
        return true;
    } catch (const BatchMacroError& e) {
        prompter.Message(e.what(), kMacroErrorCaption, PromptIcon::Stop);
        return false;
    }
}

bool BatchMacro::Save(std::string_view macroName, const DataFolders& folders, Prompter& prompter) {
    try {
        // The macro takes the name only once the path is known to be acceptable,
        // and a name too long for its field is refused before anything is written.
        const std::string newName = macroName.empty() ? name : std::string(macroName);
        if (newName.empty() || !IsValidMacroName(newName)) throw BatchMacroError(kWriteError);
        const auto path = MacroPath(newName, folders);
        BatchMacro copy = *this;
        copy.name = newName;
        SaveBatchMacroFile(copy, path);
        name = newName;
        return true;
    } catch (const BatchMacroError& e) {
        prompter.Message(e.what(), kMacroErrorCaption, PromptIcon::Stop);
        return false;
    }
}

}  // namespace lp
