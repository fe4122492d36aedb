#include "formats/format_table.h"

#include "formats/bmp/bmp_reader.h"
#include "formats/bmp/bmp_writer.h"
#include "formats/eps/eps_writer.h"
#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"
#include "formats/jpeg/jpeg_reader.h"
#include "formats/jpeg/jpeg_writer.h"
#include "formats/pcx/pcx_reader.h"
#include "formats/pcx/pcx_writer.h"
#include "formats/png/png_reader.h"
#include "formats/png/png_writer.h"
#include "formats/tga/tga_reader.h"
#include "formats/tga/tga_writer.h"
#include "formats/tiff/tiff_reader.h"
#include "formats/tiff/tiff_writer.h"
#include "imaging/colour_count.h"
#include "base/imp_exp_exception.h"

#include <array>
#include <string>

namespace lp {

namespace {

void SaveBmp24(const Picture& p, const std::filesystem::path& path, ProgressSink* s) {
    SaveBmp(p, path, BmpCompression::None, 24, s);
}
void SaveRle4(const Picture& p, const std::filesystem::path& path, ProgressSink* s) {
    SaveBmp(p, path, BmpCompression::Rle4, 4, s);
}
void SaveRle8(const Picture& p, const std::filesystem::path& path, ProgressSink* s) {
    SaveBmp(p, path, BmpCompression::Rle8, 8, s);
}
// Targa is always written run-length encoded.
void SaveTargaRle(const Picture& p, const std::filesystem::path& path, ProgressSink* s) {
    SaveTarga(p, path, true, s);
}

// A plain load has no background setting at hand: transparency goes over black.
Picture LoadPngOverBlack(const std::filesystem::path& path, ProgressSink* s) { return LoadPng(path, kNoColour, s); }
void SaveJpegDefault(const Picture& p, const std::filesystem::path& path, ProgressSink* s) {
    SaveJpeg(p, path, kDefaultJpegQuality, s);
}
// As the document and the command line save: a palette image when the picture
// has at most 256 colours, else true colour.
void SavePngCounted(const Picture& p, const std::filesystem::path& path, ProgressSink* s) {
    const bool fits = !p.IsEmpty() && CountColours(p, s) <= 256;
    SavePng(p, path, kNoColour, s, {}, fits ? PngColourMode::Palette : PngColourMode::TrueColour);
}

// Most common first. Formats whose codec has not landed yet keep a null entry.
constexpr std::array kReaders{
    ReaderEntry{PictureFileType::Jpeg, &LoadJpeg},
    ReaderEntry{PictureFileType::Gif, &LoadGifPicture},
    ReaderEntry{PictureFileType::Png, &LoadPngOverBlack},
    ReaderEntry{PictureFileType::Bmp, &LoadBmp},
    ReaderEntry{PictureFileType::Rle, &LoadBmp},
    ReaderEntry{PictureFileType::Dib, &LoadBmp},
    ReaderEntry{PictureFileType::Tiff, &LoadTiff},
    ReaderEntry{PictureFileType::Targa, &LoadTarga},
    ReaderEntry{PictureFileType::Pcx, &LoadPcx},
};

constexpr std::array kWriters{
    WriterEntry{".JPG", &SaveJpegDefault}, WriterEntry{".JPEG", &SaveJpegDefault},   WriterEntry{".GIF", &SaveGifPicture},
    WriterEntry{".PNG", &SavePngCounted},     WriterEntry{".BMP", &SaveBmp24}, WriterEntry{".RLE", &SaveRle4},
    WriterEntry{".DIB", &SaveRle8},   WriterEntry{".TIF", &SaveTiff},    WriterEntry{".TGA", &SaveTargaRle},
    WriterEntry{".PCX", &SavePcx},     WriterEntry{".EPS", &SaveEpsWithPreview},
};

}  // namespace

const ReaderEntry* FindReader(PictureFileType type) {
    for (const auto& e : kReaders)
        if (e.type == type) return &e;
    return nullptr;
}

const WriterEntry* FindWriter(std::string_view upperExtension) {
    for (const auto& e : kWriters)
        if (e.extension == upperExtension) return &e;
    return nullptr;
}

Picture LoadPicture(const std::filesystem::path& path, PictureFileType type, ProgressSink* progress) {
    const ReaderEntry* entry = FindReader(type);
    if (!entry) throw ImpExpException(path.string(), "Unknown file format", "Format Error");
    if (!entry->load)
        throw ImpExpException(path.string(),
                              std::string("Reading ") + FileTypeName(type) + " files is not supported yet",
                              "Format Error");
    return entry->load(path, progress);
}

void SavePictureByExtension(const Picture& picture, const std::filesystem::path& path, ProgressSink* progress) {
    const std::string ext = UpperExtension(path);
    const WriterEntry* entry = FindWriter(ext);
    if (!entry)
        throw ImpExpException(path.string(), "Unsupported Format. Don't know to save as " + ext + ".",
                              "Format Error");
    if (!entry->save)
        throw ImpExpException(path.string(), "Writing " + ext + " files is not supported yet", "Format Error");
    entry->save(picture, path, progress);
}

}  // namespace lp
