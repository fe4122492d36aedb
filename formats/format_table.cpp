#include "formats/format_table.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <new>
#include <optional>

#include "formats/bmp/bmp_reader.h"
#include "formats/bmp/bmp_writer.h"
#include "formats/eps/eps_writer.h"
#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"
#include "base/atomic_file.h"
#include "formats/jpeg/jpeg_reader.h"
#include "formats/jpeg/jpeg_writer.h"
#include "formats/pcx/pcx_reader.h"
#include "formats/pcx/pcx_writer.h"
#include "formats/picture_header.h"
#include "formats/png/png_reader.h"
#include "formats/png/png_writer.h"
#include "formats/tga/tga_reader.h"
#include "formats/tga/tga_writer.h"
#include "formats/tiff/tiff_file.h"
#include "formats/tiff/tiff_reader.h"
#include "formats/tiff/tiff_writer.h"
#include "formats/write_prep.h"
#include "imaging/colour_count.h"
#include "base/imp_exp_exception.h"

namespace lp {

namespace {

using Bytes = std::span<const std::uint8_t>;

bool Starts(Bytes head, std::string_view text, std::size_t at = 0) {
    if (head.size() < at + text.size()) return false;
    return std::equal(text.begin(), text.end(), head.begin() + static_cast<std::ptrdiff_t>(at),
                      [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; });
}

// --- Probes: the magic bytes of the formats that have them ------------------------------------

bool ProbeGif(Bytes h) { return Starts(h, "GIF") && (Starts(h, "87", 3) || Starts(h, "89a", 3)); }
bool ProbeJpeg(Bytes h) { return (h.size() >= 3 && h[0] == 0xFF && h[1] == 0xD8 && h[2] == 0xFF) || Starts(h, "JFIF", 6); }
bool ProbeBmp(Bytes h) { return Starts(h, "BM"); }
bool ProbeTiff(Bytes h) { return Starts(h, "II*"); }

// --- Readers ----------------------------------------------------------------------------------

GifFrame StillFrame(Picture picture) {
    GifFrame frame;
    frame.picture = std::move(picture);
    frame.transparentColour = kNoColour;
    return frame;
}

DecodedPicture Still(Picture picture) {
    DecodedPicture out;
    out.frames.Add(StillFrame(std::move(picture)));
    return out;
}

DecodedPicture DecodeJpegRow(Bytes file, const std::string& where, const DecodeOptions& o) {
    JpegReadOptions options;
    options.limits = o.limits;
    options.scaleDenominator = o.scaleDenominator;
    options.colours = o.colours;
    return Still(DecodeJpeg(file, where, o.progress, options));
}

DecodedPicture DecodeGifRow(Bytes file, const std::string& where, const DecodeOptions& o) {
    GifReadOptions options;
    options.limits.picture = o.limits;
    if (o.firstFrameOnly) {
        DecodedPicture out;
        out.frames.Add(DecodeGifFirstFrame(file, where, o.progress, &out.info, options));
        // The header counts what a full read would keep, without decoding it.
        const auto header = ReadGifHeader(file);
        out.framesInFile = header ? std::max<std::size_t>(std::size_t(header->frames), 1) : 1;
        return out;
    }
    GifAnimation animation = DecodeGif(file, where, o.progress, options);
    DecodedPicture out;
    out.frames = std::move(animation.frames);
    out.info = std::move(animation.info);
    return out;
}

DecodedPicture DecodePngRow(Bytes file, const std::string& where, const DecodeOptions& o) {
    return Still(DecodePng(file, where, o.background, o.progress, o.limits));
}
DecodedPicture DecodeBmpRow(Bytes file, const std::string& where, const DecodeOptions& o) {
    return Still(DecodeBmp(file, where, o.progress, o.limits));
}
DecodedPicture DecodeTiffRow(Bytes file, const std::string& where, const DecodeOptions& o) {
    return Still(DecodeTiff(file, where, o.progress, o.limits));
}
DecodedPicture DecodeTargaRow(Bytes file, const std::string& where, const DecodeOptions& o) {
    return Still(DecodeTarga(file, where, o.progress, o.limits));
}
DecodedPicture DecodePcxRow(Bytes file, const std::string& where, const DecodeOptions& o) {
    return Still(DecodePcx(file, where, o.progress, o.limits));
}

// --- Writers ----------------------------------------------------------------------------------

const Picture& OnlyPicture(const GifFrameList& frames) { return frames[0].picture; }
/// The palette a reduction chose for the picture: the caller's, else the frame's own.
std::span<const ColourEntry> ChosenPalette(const GifFrameList& frames, const EncodeOptions& o) {
    return o.palette.empty() ? std::span<const ColourEntry>(frames[0].palette) : o.palette;
}

// The writers that know their layout as they go stream; GIF, TIFF, EPS and the
// run-length BMPs hold their file until its sizes and offsets are known.
void EncodeJpegRow(const GifFrameList& f, GifInfo*, const EncodeOptions& o, ByteSink& sink) {
    EncodeJpeg(OnlyPicture(f), o.jpegQuality, sink, o.progress, o.caption);
}

void EncodeGifRow(const GifFrameList& f, GifInfo* info, const EncodeOptions& o, ByteSink& sink) {
    if (!info) {
        const ColourRef background = o.background == kNoColour ? 0 : o.background;
        sink.Write(EncodeGif(OnlyPicture(f), background, o.progress, o.caption, o.where, ChosenPalette(f, o)));
        return;
    }
    sink.Write(EncodeGif(f, *info, o.progress, o.caption, o.where));
    info->comment = GifCommentWithSignature(info->comment);
}

void EncodePngRow(const GifFrameList& f, GifInfo*, const EncodeOptions& o, ByteSink& sink) {
    const Picture& picture = OnlyPicture(f);
    const bool palette = PngUsesPalette(picture, o);
    EncodePng(picture, sink, o.background, o.progress, o.caption,
              palette ? PngColourMode::Palette : PngColourMode::TrueColour, ChosenPalette(f, o));
}

void EncodeBmpAs(const GifFrameList& f, const EncodeOptions& o, BmpCompression compression, int bits,
                 ByteSink& sink) {
    EncodeBmp(OnlyPicture(f), compression, bits, sink, o.progress, ChosenPalette(f, o));
}
void EncodeBmpRow(const GifFrameList& f, GifInfo*, const EncodeOptions& o, ByteSink& sink) {
    EncodeBmpAs(f, o, BmpCompression::None, 24, sink);
}
void EncodeRleRow(const GifFrameList& f, GifInfo*, const EncodeOptions& o, ByteSink& sink) {
    EncodeBmpAs(f, o, BmpCompression::Rle4, 4, sink);
}
void EncodeDibRow(const GifFrameList& f, GifInfo*, const EncodeOptions& o, ByteSink& sink) {
    EncodeBmpAs(f, o, BmpCompression::Rle8, 8, sink);
}
void EncodeTiffRow(const GifFrameList& f, GifInfo*, const EncodeOptions& o, ByteSink& sink) {
    sink.Write(EncodeTiff(OnlyPicture(f), o.progress, o.where));
}
// Targa is always written run-length encoded.
void EncodeTargaRow(const GifFrameList& f, GifInfo*, const EncodeOptions& o, ByteSink& sink) {
    EncodeTarga(OnlyPicture(f), true, sink, o.progress);
}
void EncodePcxRow(const GifFrameList& f, GifInfo*, const EncodeOptions& o, ByteSink& sink) {
    EncodePcx(OnlyPicture(f), sink, o.progress);
}
// The form the document saves: with the TIFF preview.
void EncodeEpsRow(const GifFrameList& f, GifInfo*, const EncodeOptions& o, ByteSink& sink) {
    sink.Write(EncodeEps(OnlyPicture(f), true, o.progress, o.where));
}

// Each format's own texts for a file that cannot be created or written (the codes of
// the BMP, PCX and Targa error tables). What produce throws itself passes through.
void WriteAtomically(const std::filesystem::path& path, const ProduceBytes& produce, const std::string& openText,
                     const std::string& writeText, const char* title) {
    try {
        AtomicFileWriter writer(path, openText, writeText);
        produce(writer);
        writer.Commit();
    } catch (const FileWriteError& e) {
        throw ImpExpException(path.string(), e.what(), title);
    }
}
void WriteJpegFile(const std::filesystem::path& p, const ProduceBytes& b) {
    WriteAtomically(p, b, "Error Opening File\n" + p.string(), "Output file write error --- out of disk space?",
                    "Jpeg Error");
}
void WriteGifFile(const std::filesystem::path& p, const ProduceBytes& b) {
    WriteAtomically(p, b, "Unable to open file", "Unable to write file", "Gif Error");
}
void WritePngFile(const std::filesystem::path& p, const ProduceBytes& b) {
    WriteAtomically(p, b, "Error Opening File\n" + p.string(), "Write Error", "Png Error");
}
void WriteBmpFile(const std::filesystem::path& p, const ProduceBytes& b) {
    WriteAtomically(p, b, BmpErrorText(1), BmpErrorText(6), "Bitmap Error");
}
void WritePcxFile(const std::filesystem::path& p, const ProduceBytes& b) {
    WriteAtomically(p, b, PcxErrorText(0), PcxErrorText(8), kPcxErrorTitle);
}
void WriteTargaFile(const std::filesystem::path& p, const ProduceBytes& b) {
    WriteAtomically(p, b, TargaErrorText(0), TargaErrorText(8), kTargaErrorTitle);
}
void WriteEpsFile(const std::filesystem::path& p, const ProduceBytes& b) {
    WriteAtomically(p, b, "Unable to open file for writing", "Error writing to file", "EPS Error");
}
// TIFF reports the C library's text for the error.
void WriteTiffFile(const std::filesystem::path& p, const ProduceBytes& b) {
    // The writer outlives the catch: closing its temporary must not touch errno first.
    std::optional<AtomicFileWriter> writer;
    try {
        writer.emplace(p, "", "");
        b(*writer);
        writer->Commit();
    } catch (const FileWriteError&) {
        const int err = errno;
        throw ImpExpException(p.string(), TiffStatusText(err > 0 && err < 256 ? err : EIO), "Tiff Error");
    }
}

constexpr std::int32_t kSixteenBitSide = 65535;  // header fields of 16 bits
constexpr std::int32_t kJpegLargestSide = 65500;  // the JPEG library's limit

// Dialog order; sniffing uses probeRank and byExtension, not this order.
constexpr FormatRow kRows[] = {
    {PictureFileType::Jpeg, "JPEG", {".jpg", ".jpeg"}, 2, "image/jpeg", "Jpeg Files", "Jpeg Picture", "Jpeg Error",
     0x08, &ProbeJpeg, 2, false, &ReadJpegHeader, &DecodeJpegRow, &EncodeJpegRow, &WriteJpegFile,
     {0, 1, kJpegLargestSide}},
    {PictureFileType::Gif, "GIF", {".gif", ""}, 1, "image/gif", "GIF Files", "GIF Picture", "Gif Error", 0x04,
     &ProbeGif, 1, false, &ReadGifHeader, &DecodeGifRow, &EncodeGifRow, &WriteGifFile, {256, 0, kSixteenBitSide}},
    {PictureFileType::Png, "PNG", {".png", ""}, 1, "image/png", "PNG Files", "PNG Picture", "Png Error", 0x20,
     nullptr, 0, true, &ReadPngHeader, &DecodePngRow, &EncodePngRow, &WritePngFile, {0, 1, 0}},
    {PictureFileType::Bmp, "BMP", {".bmp", ""}, 1, "image/bmp", "Bitmap Files", "Windows Bitmap", "Bitmap Error",
     0x01, &ProbeBmp, 3, false, &ReadBmpHeader, &DecodeBmpRow, &EncodeBmpRow, &WriteBmpFile, {0, 1, 0}},
    {PictureFileType::Tiff, "TIFF", {".tif", ".tiff"}, 1, "image/tiff", "Tiff Files", "Tiff Picture", "Tiff Error",
     0x100, &ProbeTiff, 4, false, &ReadTiffHeader, &DecodeTiffRow, &EncodeTiffRow, &WriteTiffFile, {0, 1, 0}},
    {PictureFileType::Targa, "Targa", {".tga", ""}, 1, "image/x-tga", "Targa Files", "Targa Picture", "Targa Error",
     0x80, nullptr, 0, true, &ReadTargaHeader, &DecodeTargaRow, &EncodeTargaRow, &WriteTargaFile,
     {0, 1, kSixteenBitSide}},
    {PictureFileType::Pcx, "PCX", {".pcx", ""}, 1, "image/vnd.zbrush.pcx", "PCX Files", "Pcx Picture", "PCX Error",
     0x10, nullptr, 0, true, &ReadPcxHeader, &DecodePcxRow, &EncodePcxRow, &WritePcxFile, {0, 1, kSixteenBitSide}},
    {PictureFileType::Rle, "RLE", {".rle", ""}, 1, "image/x-bmp-rle", "16 color BMP Files", "RLE Picture",
     "Bitmap Error", 0x40, nullptr, 0, true, &ReadBmpHeader, &DecodeBmpRow, &EncodeRleRow, &WriteBmpFile, {0, 1, 0}},
    {PictureFileType::Dib, "DIB", {".dib", ""}, 1, "image/x-dib", "256 color BMP Files", "DIB Picture",
     "Bitmap Error", 0x02, nullptr, 0, true, &ReadBmpHeader, &DecodeBmpRow, &EncodeDibRow, &WriteBmpFile, {0, 1, 0}},
    {PictureFileType::Unknown, "EPS", {".eps", ""}, 1, "application/postscript", "Encapsulated PS Files", "",
     "EPS Error", 0, nullptr, 0, false, nullptr, nullptr, &EncodeEpsRow, &WriteEpsFile, {0, 1, 0}},
};

bool SameExtension(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string Patterns(const FormatRow& row, char separator) {
    std::string out;
    for (int i = 0; i < row.shownExtensions; ++i) {
        if (i) out += separator;
        out += "*";
        out += row.extensions[std::size_t(i)];
    }
    return out;
}

template <class Keep>
std::string FilterText(std::string_view summaryLabel, Keep keep, bool allFiles) {
    std::string all;
    std::string rows;
    for (const FormatRow& row : kRows) {
        if (!keep(row)) continue;
        if (!all.empty()) all += ';';
        all += Patterns(row, ';');
        rows += std::string(row.filterLabel) + " (" + Patterns(row, ',') + ")|" + Patterns(row, ';') + "|";
    }
    std::string text = std::string(summaryLabel) + "|" + all + "|" + rows;
    if (allFiles) text += "All Files (*.*)|*.*|";
    return text + "|";
}

bool Readable(const FormatRow& row) { return row.CanRead(); }
bool Writable(const FormatRow& row) { return row.CanWrite(); }

std::vector<const FormatRow*> RowsWhere(bool (*keep)(const FormatRow&)) {
    std::vector<const FormatRow*> out;
    for (const FormatRow& row : kRows)
        if (keep(row)) out.push_back(&row);
    return out;
}

std::string FormatList(bool (*keep)(const FormatRow&)) {
    std::string text;
    for (const FormatRow* row : RowsWhere(keep)) {
        if (!text.empty()) text += ", ";
        text += row->name;
    }
    return text;
}

}  // namespace

// --- The rows ---------------------------------------------------------------------------------

bool FormatRow::HasExtension(std::string_view anyCaseExtension) const {
    for (std::string_view e : extensions)
        if (!e.empty() && SameExtension(e, anyCaseExtension)) return true;
    return false;
}

std::span<const FormatRow> FormatRows() { return kRows; }

const FormatRow* FindFormat(PictureFileType type) {
    if (type == PictureFileType::Unknown) return nullptr;
    for (const FormatRow& row : kRows)
        if (row.type == type) return &row;
    return nullptr;
}

const FormatRow* FindFormatByExtension(std::string_view extension) {
    if (extension.empty()) return nullptr;
    for (const FormatRow& row : kRows)
        if (row.HasExtension(extension)) return &row;
    return nullptr;
}

const FormatRow* FindFormatForPath(const std::filesystem::path& path) {
    return FindFormatByExtension(path.extension().string());
}

std::string ReadableFormatList() { return FormatList(&Readable); }
std::string WritableFormatList() { return FormatList(&Writable); }

std::string SaveFilterExtension(int filterIndex) {
    const auto rows = RowsWhere(&Writable);
    if (filterIndex < 1 || filterIndex > int(rows.size())) return {};
    return rows[std::size_t(filterIndex - 1)]->CanonicalExtension();
}

int SaveFilterIndexForExtension(std::string_view extension) {
    const auto rows = RowsWhere(&Writable);
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i]->HasExtension(extension)) return int(i) + 1;
    return 0;
}

int SaveFilterCount() { return int(RowsWhere(&Writable).size()) + 1; }


// --- Dialog filters -------------------------------------------------------------------------

const std::string& OpenFileFilter() {
    // The summary label keeps its printed form.
    static const std::string text = FilterText(
        "Graphics Files (*.jpg,*,jpeg,*.gif,*.png,*.bmp,*.tif,*.tga,*.pcx,*.rle,*.dib)", &Readable, true);
    return text;
}

const std::string& SaveFileFilter() {
    static const std::string text = [] {
        std::string label = "Graphics Files (";
        bool first = true;
        for (const FormatRow& row : FormatRows()) {
            if (!row.CanWrite()) continue;
            if (!first) label += ',';
            first = false;
            label += Patterns(row, ',');
        }
        return FilterText(label + ")", &Writable, false);
    }();
    return text;
}

const char* const kOpenFileFilter = OpenFileFilter().c_str();
const char* const kSaveFileFilter = SaveFileFilter().c_str();

// --- Files ------------------------------------------------------------------------------------

std::string OpenFailureText(int errorNumber) {
    return std::string("Error Opening File: ") + std::strerror(errorNumber);
}

PictureFile ReadPictureFile(const std::filesystem::path& path, int* errorNumber) {
    constexpr std::uint64_t kMaxFileBytes = std::uint64_t(4) << 30;
    const auto fail = [&](int err) -> PictureFile {
        if (errorNumber) *errorNumber = err;
        throw ImpExpException(path.string(), OpenFailureText(err), kOpenFailureTitle);
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail(errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return fail(errno);
    if (S_ISDIR(st.st_mode)) return fail(EISDIR);
    if (std::uint64_t(st.st_size) > kMaxFileBytes) return fail(EFBIG);

    PictureFile file;
    file.path = path;
    file.bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t have = 0;
    // Once the size fstat gave is read, a small probe tells whether the file
    // grew (or is a pipe): growing the buffer before knowing would copy the
    // whole file into a new one on every read.
    std::array<std::uint8_t, 4096> probe;
    for (;;) {
        const bool full = have == file.bytes.size();
        std::uint8_t* into = full ? probe.data() : file.bytes.data() + have;
        const std::size_t room = full ? probe.size() : file.bytes.size() - have;
        const ssize_t n = ::read(fd, into, room);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        if (n == 0) break;
        if (full) file.bytes.insert(file.bytes.end(), probe.begin(), probe.begin() + n);
        have += std::size_t(n);
        if (have > kMaxFileBytes) return fail(EFBIG);
    }
    file.bytes.resize(have);
    file.type = SniffBytes(file.bytes, path.filename().string());
    return file;
}

DecodedPicture DecodePictureFile(const PictureFile& file, const DecodeOptions& options) {
    const FormatRow* row = file.Row();
    if (!row || !row->CanRead()) throw ImpExpException(file.path.string(), "Unknown file format", "Format Error");
    DecodedPicture out = row->decode(file.bytes, file.path.string(), options);
    if (out.frames.Empty()) throw ImpExpException(file.path.string(), "Unknown message code 1016", "Format Error");
    if (out.framesInFile == 0) out.framesInFile = out.frames.Count();
    return out;
}

Picture LoadPicture(const std::filesystem::path& path, PictureFileType type, ProgressSink* progress) {
    const FormatRow* row = FindFormat(type);
    if (!row || !row->CanRead()) throw ImpExpException(path.string(), "Unknown file format", "Format Error");
    PictureFile file = ReadPictureFile(path);
    file.type = type;
    DecodeOptions options;
    options.firstFrameOnly = true;
    options.progress = progress;
    return std::move(DecodePictureFile(file, options).frames[0].picture);
}

namespace {

// The checks every encode makes, and the row's title on what the writer throws;
// a failing file write passes through for the row's own texts.
void EncodeChecked(const FormatRow& row, const GifFrameList& frames, GifInfo* info, const EncodeOptions& options,
                   ByteSink& sink) {
    const std::string title(row.errorTitle);
    try {
        if (!row.CanWrite())
            throw InnerError("Writing " + std::string(row.name) + " files is not supported");
        if (frames.Empty()) throw InnerError("There is no picture to save");
        if (row.accepts.maxFrames != 0 && frames.Count() > std::size_t(row.accepts.maxFrames))
            throw InnerError(std::string(row.name) + " files hold one picture only");
        row.encode(frames, info, options, sink);
    } catch (const ImpExpException& e) {
        if (!e.Where().empty() || options.where.empty()) throw;
        throw ImpExpException(options.where, e.Message(), e.Title());
    } catch (const FileWriteError&) {
        throw;
    } catch (const InnerError& e) {
        throw ImpExpException(options.where, e.what(), title);
    }
}

void CheckWritable(const FormatRow& row, const std::filesystem::path& path) {
    if (!row.writeFile)
        throw ImpExpException(path.string(), "Writing " + std::string(row.name) + " files is not supported",
                              std::string(row.errorTitle));
}

}  // namespace

std::vector<std::uint8_t> EncodeWithRow(const FormatRow& row, const GifFrameList& frames, GifInfo* info,
                                        const EncodeOptions& options) {
    std::vector<std::uint8_t> bytes;
    VectorSink sink(bytes);
    EncodeChecked(row, frames, info, options, sink);
    return bytes;
}

std::vector<std::uint8_t> EncodePictureWithRow(const FormatRow& row, const Picture& picture,
                                               const EncodeOptions& options) {
    GifFrameList frames;
    frames.Add(StillFrame(picture));
    return EncodeWithRow(row, frames, nullptr, options);
}

void WriteWithRow(const FormatRow& row, const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    CheckWritable(row, path);
    row.writeFile(path, [bytes](ByteSink& sink) { sink.Write(bytes); });
}

std::uint64_t EncodeIntoFile(const FormatRow& row, const std::filesystem::path& path, const GifFrameList& frames,
                             GifInfo* info, const EncodeOptions& options) {
    CheckWritable(row, path);
    std::uint64_t written = 0;
    row.writeFile(path, [&](ByteSink& sink) {
        EncodeChecked(row, frames, info, options, sink);
        written = sink.Written();
    });
    return written;
}

void SavePictureByExtension(const Picture& picture, const std::filesystem::path& path, ProgressSink* progress) {
    const FormatRow* row = FindFormatForPath(path);
    if (!row || !row->CanWrite())
        throw ImpExpException(path.string(),
                              "Unsupported Format. Don't know to save as " + UpperExtension(path) + ".",
                              "Format Error");
    GifFrameList frames;
    frames.Add(StillFrame(picture));
    EncodeOptions options;
    options.progress = progress;
    options.where = path.string();
    PrepareForWrite(*row, frames, options);
    EncodeIntoFile(*row, path, frames, nullptr, options);
}

}  // namespace lp
