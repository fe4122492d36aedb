#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace lp {

/// The result of sniffing a file. The numbers are stored in files and lists.
enum class PictureFileType : int {
    Unknown = 0,
    Jpeg = 1,
    Gif = 2,
    Png = 3,
    Bmp = 4,
    Pcx = 5,
    Targa = 6,
    Tiff = 7,
    Rle = 8,
    Dib = 9,
};

/// Decides the type from the first (up to 10) bytes and the name's extension.
/// Later tests override earlier ones: extension > TIFF > BMP > JPEG > GIF.
PictureFileType SniffBytes(std::span<const std::uint8_t> head, std::string_view fileName);
/// Reads the first 10 bytes of the file; Unknown when it cannot be opened.
PictureFileType SniffFileType(const std::filesystem::path& path);

/// The extension with its dot in upper case ("" when the name has none).
std::string UpperExtension(const std::filesystem::path& path);

const char* FileTypeName(PictureFileType type);

/// File dialog filters, exactly as the dialogs show them, built from the format table.
const std::string& OpenFileFilter();
const std::string& SaveFileFilter();
extern const char* const kOpenFileFilter;
extern const char* const kSaveFileFilter;

}  // namespace lp
