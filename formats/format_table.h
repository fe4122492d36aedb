#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_sink.h"
#include "base/large_buffer.h"
#include "formats/file_types.h"
#include "formats/gif/gif_records.h"
#include "base/colour.h"
#include "imaging/image_size.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

namespace lp {

class ColourTally;  // imaging/colour_count.h

/// What a file says about its size without any pixel being decoded.
struct PictureHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t frames = 1;
};

struct DecodeOptions {
    /// What transparency is composited over where the format does so (PNG); black when kNoColour.
    ColourRef background = kNoColour;
    /// Only the first frame of an animation (its record keeps position and transparency).
    bool firstFrameOnly = false;
    /// 1 decodes at full size; 2, 4 or 8 let a codec that can (JPEG) decode at that fraction.
    int scaleDenominator = 1;
    ImageLimits limits;
    ProgressSink* progress = nullptr;
    /// When set, a codec that can (JPEG) adds the first frame's rows to it while decoding;
    /// the others leave it as it was, so callers check its Rows() against the picture.
    ColourTally* colours = nullptr;
};

/// A decoded file: at least one frame, and the animation record (valid only for GIF).
struct DecodedPicture {
    GifFrameList frames;
    GifInfo info;
    /// Frames the file holds, counted from its header when only the first was decoded.
    std::size_t framesInFile = 0;
};

enum class PngPaletteMode {
    Auto,  // a palette picture when it has at most 256 colours
    Palette,
    TrueColour,
};

struct EncodeOptions {
    int jpegQuality = 75;
    /// Stored background (PNG bKGD, GIF background index of a single picture).
    ColourRef background = kNoColour;
    PngPaletteMode pngPalette = PngPaletteMode::Auto;
    /// Distinct colours of the (single) picture when the caller knows them; 0 = not counted.
    std::int64_t knownColours = 0;
    /// The palette already chosen for the (single) picture, in the order to store it; empty
    /// lets a palette writer discover the picture's colours itself.
    std::span<const ColourEntry> palette;
    ProgressSink* progress = nullptr;
    std::string_view caption;
    /// Names the target in errors.
    std::string where;
};

/// What a writer takes; 0 means no limit of the writer's own.
struct WriterAccepts {
    std::int32_t maxColours = 0;  // per frame
    std::int32_t maxFrames = 1;
    std::int32_t maxSide = 0;
};

using ProbeFn = bool (*)(std::span<const std::uint8_t> head);
using HeaderFn = std::optional<PictureHeader> (*)(std::span<const std::uint8_t> file);
using DecodeFn = DecodedPicture (*)(std::span<const std::uint8_t> file, const std::string& where,
                                    const DecodeOptions& options);
/// info null: a picture alone (frames holds one). The writer may record in info what it
/// wrote (the GIF comment with its signature).
using EncodeFn = void (*)(const GifFrameList& frames, GifInfo* info, const EncodeOptions& options, ByteSink& out);
/// Puts a file's bytes into the sink it is given.
using ProduceBytes = std::function<void(ByteSink&)>;
/// Writes what produce puts out into the file atomically, turning a failed file write
/// into ImpExpException with the format's own texts; what produce throws passes through.
using WriteFileFn = void (*)(const std::filesystem::path& path, const ProduceBytes& produce);

/// One file type: every fact the program knows about a format lives in its row.
struct FormatRow {
    PictureFileType type;  // Unknown for a format that is written only (EPS)
    std::string_view name;
    /// Lower case with the dot, canonical first; the first shownExtensions appear in dialogs.
    std::array<std::string_view, 2> extensions;
    int shownExtensions;
    std::string_view mimeType;
    std::string_view filterLabel;  // "Jpeg Files"
    std::string_view browserName;  // "Jpeg Picture"
    std::string_view errorTitle;
    std::int32_t registrationBit;  // default-viewer bit; 0 = not offered
    /// Magic bytes; the later of two matching probes wins (probeRank). Rows without a
    /// probe are recognised by extension, which overrides any probe.
    ProbeFn probe;
    int probeRank;
    bool byExtension;
    HeaderFn header;
    DecodeFn decode;
    EncodeFn encode;
    WriteFileFn writeFile;  // atomically, with the format's own error texts
    WriterAccepts accepts;

    bool CanRead() const { return decode != nullptr; }
    bool CanWrite() const { return encode != nullptr; }
    bool HasExtension(std::string_view anyCaseExtension) const;
    std::string CanonicalExtension() const { return std::string(extensions[0]); }
};

std::span<const FormatRow> FormatRows();
const FormatRow* FindFormat(PictureFileType type);
/// Any case, with the dot.
const FormatRow* FindFormatByExtension(std::string_view extension);
const FormatRow* FindFormatForPath(const std::filesystem::path& path);

/// "JPEG, GIF, PNG, ..." for the help text.
std::string ReadableFormatList();
std::string WritableFormatList();

/// The save dialog's filter n (0 = "Graphics Files"): the extension a typed name without
/// one gets (".jpg", ".gif", ...); empty for the first filter or outside the list.
std::string SaveFilterExtension(int filterIndex);
/// The save-dialog filter whose first extension is ext (any case); 0 when none.
int SaveFilterIndexForExtension(std::string_view extension);
int SaveFilterCount();

// --- Files ----------------------------------------------------------------------------------

/// A whole input file, read once, with the type its bytes and name give.
struct PictureFile {
    std::filesystem::path path;
    ByteBuffer bytes;
    PictureFileType type = PictureFileType::Unknown;
    const FormatRow* Row() const { return FindFormat(type); }
};

/// The text for an input that cannot be opened: "Error Opening File: No such file or directory".
std::string OpenFailureText(int errorNumber);
inline constexpr const char* kOpenFailureTitle = "File Error";

/// Reads the file (one open) and sniffs its bytes. A file that cannot be read throws
/// ImpExpException(path, OpenFailureText(errno), kOpenFailureTitle); errorNumber, when
/// given, receives the reason.
PictureFile ReadPictureFile(const std::filesystem::path& path, int* errorNumber = nullptr);

/// Decodes with the reader of the file's type. Unknown: ImpExpException "Unknown file format".
DecodedPicture DecodePictureFile(const PictureFile& file, const DecodeOptions& options = {});

/// Loads one picture (the first frame of an animation) with the reader of the given type.
/// Throws ImpExpException.
Picture LoadPicture(const std::filesystem::path& path, PictureFileType type, ProgressSink* progress = nullptr);

/// Encodes through the row, wrapping failures as ImpExpException(options.where, text, title).
std::vector<std::uint8_t> EncodeWithRow(const FormatRow& row, const GifFrameList& frames, GifInfo* info,
                                        const EncodeOptions& options);
std::vector<std::uint8_t> EncodePictureWithRow(const FormatRow& row, const Picture& picture,
                                               const EncodeOptions& options);
/// Writes encoded bytes atomically with the row's texts (ImpExpException naming the path).
void WriteWithRow(const FormatRow& row, const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
/// Encodes straight into the file, atomically: the writers that can stream never hold the
/// whole encoded file. Errors as EncodeWithRow and WriteWithRow. Returns the file's size.
std::uint64_t EncodeIntoFile(const FormatRow& row, const std::filesystem::path& path, const GifFrameList& frames,
                             GifInfo* info, const EncodeOptions& options);

/// Saves with the writer chosen by the target's extension (case-insensitive), made saveable
/// first (a GIF is fitted to 256 colours). Unknown extension: ImpExpException with
/// "Unsupported Format. Don't know to save as %s.".
void SavePictureByExtension(const Picture& picture, const std::filesystem::path& path,
                            ProgressSink* progress = nullptr);

}  // namespace lp
