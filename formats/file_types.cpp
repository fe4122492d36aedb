#include "formats/file_types.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

namespace lp {

std::string UpperExtension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return ext;
}

PictureFileType SniffBytes(std::span<const std::uint8_t> head, std::string_view fileName) {
    std::array<std::uint8_t, 10> b{};
    std::copy_n(head.begin(), std::min<std::size_t>(head.size(), b.size()), b.begin());
    auto is = [&](std::size_t at, const char* text) { return std::memcmp(b.data() + at, text, std::strlen(text)) == 0; };

    PictureFileType type = PictureFileType::Unknown;
    if (is(0, "GIF") && (is(3, "87") || is(3, "89a"))) type = PictureFileType::Gif;
    if ((b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) || is(6, "JFIF")) type = PictureFileType::Jpeg;
    if (is(0, "BM")) type = PictureFileType::Bmp;
    if (is(0, "II*")) type = PictureFileType::Tiff;

    const std::string ext = UpperExtension(std::filesystem::path(std::string(fileName)));
    if (ext == ".TGA") type = PictureFileType::Targa;
    else if (ext == ".PCX") type = PictureFileType::Pcx;
    else if (ext == ".RLE") type = PictureFileType::Rle;
    else if (ext == ".PNG") type = PictureFileType::Png;
    else if (ext == ".DIB") type = PictureFileType::Dib;
    return type;
}

PictureFileType SniffFileType(const std::filesystem::path& path) {
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return PictureFileType::Unknown;
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "rb"));
    if (!file) return PictureFileType::Unknown;
    std::array<std::uint8_t, 10> head{};
    const std::size_t n = std::fread(head.data(), 1, head.size(), file.get());
    return SniffBytes(std::span(head.data(), n), path.filename().string());
}

const char* FileTypeName(PictureFileType type) {
    switch (type) {
        case PictureFileType::Unknown: return "Unknown";
        case PictureFileType::Jpeg: return "JPEG";
        case PictureFileType::Gif: return "GIF";
        case PictureFileType::Png: return "PNG";
        case PictureFileType::Bmp: return "BMP";
        case PictureFileType::Pcx: return "PCX";
        case PictureFileType::Targa: return "Targa";
        case PictureFileType::Tiff: return "TIFF";
        case PictureFileType::Rle: return "RLE";
        case PictureFileType::Dib: return "DIB";
    }
    return "Unknown";
}

const char* const kOpenFileFilter =
    "Graphics Files (*.jpg,*,jpeg,*.gif,*.png,*.bmp,*.tif,*.tga,*.pcx,*.rle,*.dib)|*.jpg;*.jpeg;*.gif;*.png;*.bmp;"
    "*.tif;*.tga;*.pcx;*.rle;*.dib|Jpeg Files (*.jpg,*.jpeg)|*.jpg;*.jpeg|GIF Files (*.gif)|*.gif|PNG Files "
    "(*.png)|*.png|Bitmap Files (*.bmp)|*.bmp|Tiff Files (*.tif)|*.tif|Targa Files (*.tga)|*.tga|PCX Files "
    "(*.pcx)|*.pcx|16 color BMP Files (*.rle)|*.rle|256 color BMP Files (*.dib)|*.dib|All Files (*.*)|*.*||";
const char* const kSaveFileFilter =
    "Graphics Files (*.jpg,*.jpeg,*.gif,*.png,*.bmp,*.tif,*.tga,*.pcx,*.rle,*.dib,*.eps)|*.jpg;*.jpeg;*.gif;*.png;"
    "*.bmp;*.tif;*.tga;*.pcx;*.rle;*.dib;*.eps|Jpeg Files (*.jpg,*.jpeg)|*.jpg;*.jpeg|GIF Files (*.gif)|*.gif|PNG "
    "Files (*.png)|*.png|Bitmap Files (*.bmp)|*.bmp|Tiff Files (*.tif)|*.tif|Targa Files (*.tga)|*.tga|PCX Files "
    "(*.pcx)|*.pcx|16 color BMP Files (*.rle)|*.rle|256 color BMP Files (*.dib)|*.dib|Encapsulated PS Files "
    "(*.eps)|*.eps||";

}  // namespace lp
