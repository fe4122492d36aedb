#pragma once
#include "base/data_folders.h"
#include "base/colour.h"
#include "imaging/palette_map.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lp {

/// One named colour of a palette.
struct PaletteEntry {
    ColourEntry colour;
    std::string name;  // at most kPaletteNameMax bytes
};

/// A named list of named colours, kept in ".pal" files (magic "VP1.0"), with the nearest-colour search
/// that palette conversion uses.
class Palette : public NearestColourSource {
public:
    static constexpr std::size_t kNameMax = 29;          // palette and colour names, in bytes
    static constexpr std::size_t kMaxReadCount = 16000;  // entries kept when reading a file
    static constexpr std::size_t kHeaderBytes = 64;
    static constexpr std::size_t kEntryBytes = 33;

    /// Drops all entries; count = n (black, unnamed entries) limited to 16000.
    void Allocate(int n);
    /// Drops all entries and the name.
    void Clear();
    /// Appends a colour (0x00BBGGRR); the name is cut to 29 bytes. Returns 0, or -1 when memory runs out.
    int AddEntry(ColourRef colour, std::string_view name);
    /// The entry's colour, or -1 when index is not below Count(); name receives its name.
    ColourRef GetEntry(int index, std::string* name = nullptr) const;
    void SetName(std::string_view name);

    std::string_view Name() const override { return m_name; }
    int Count() const { return static_cast<int>(m_entries.size()); }
    std::span<const PaletteEntry> Entries() const { return m_entries; }
    /// The file the palette was read from (empty for a palette made in memory).
    const std::filesystem::path& Path() const { return m_path; }

    /// The first entry closest to colour by |dR|+|dG|+|dB| (a later one must be strictly closer); an
    /// empty palette returns colour unchanged.
    ColourRef Nearest(ColourRef colour) const override;

    /// Reads a palette file. On any failure throws ImpExpException(file, reason, "Palette Error") and
    /// leaves this palette as it was.
    void Load(const std::filesystem::path& path);
    /// Writes the palette atomically (an old file survives a failed write); an empty path means the
    /// file it was read from. Throws ImpExpException(file, reason, "Palette Error").
    void Save(const std::filesystem::path& path = {});

    /// Load / Save reporting 0 on success and -1 on failure, for callers that show their own message.
    int Read(const std::filesystem::path& path);
    int Write(const std::filesystem::path& path = {});

    /// The file's bytes as Save writes them.
    std::vector<std::uint8_t> Encode() const;
    /// Parses file bytes; where names the file in errors.
    static Palette Decode(std::span<const std::uint8_t> bytes, const std::string& where);

private:
    std::string m_name;
    std::filesystem::path m_path;
    std::vector<PaletteEntry> m_entries;
};

/// Palette names follow the macro-name rule: no "/", "\", "..", NUL or control characters.
bool IsAcceptablePaletteName(std::string_view name);

/// The PALETTE data folder (created when missing).
std::filesystem::path PaletteFolder(const DataFolders& folders);
/// PALETTE/<name>.pal; an existing file whose extension differs only in case is preferred. Empty when
/// the name is refused.
std::filesystem::path PaletteFilePath(const DataFolders& folders, std::string_view name);
/// Base names of the ".pal" files in the palette folder (extension compared without case), sorted.
std::vector<std::string> ListPaletteNames(const DataFolders& folders);

/// The 216-colour web-safe palette "Web-Safe" (every channel one of 0, 51, ..., 255).
Palette WebSafePalette();
/// Writes the palettes that come with the program ("Web-Safe.pal") into the palette folder when they
/// are missing; existing files are left alone.
void InstallShippedPalettes(const DataFolders& folders);

/// Maps a picture onto a palette (see ConvertToPalette in imaging/palette_map.h).
inline void ConvertPictureToPalette(Picture& picture, const Palette& palette, ProgressSink* progress = nullptr) {
    ConvertToPalette(picture, palette, progress);
}

/// The outcome of converting a document's pictures to a palette file.
struct PaletteConversion {
    enum class Outcome { Converted, JpegRefused, PaletteUnreadable };
    Outcome outcome = Outcome::Converted;
    /// The message to show for a refusal; empty when converted.
    std::string message;
    std::filesystem::path palettePath;
};

/// The window-free half of the document's palette conversion: refuses JPEG documents, reads
/// "Web-Safe.pal" (webSafe) or "<paletteNameSetting>.pal" from the palette folder, and maps every
/// picture onto it. Pictures are unchanged unless the outcome is Converted.
PaletteConversion ConvertPicturesToPaletteFile(std::span<Picture* const> pictures,
                                               const std::filesystem::path& documentPath, bool webSafe,
                                               std::string_view paletteNameSetting, const DataFolders& folders,
                                               ProgressSink* progress = nullptr);

}  // namespace lp
