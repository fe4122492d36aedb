#include "app/ui/file_registration.h"

#include "formats/file_types.h"

namespace lp {

FileTypeRegistration RegistrationFor(const std::filesystem::path& path) {
    struct Row {
        std::string_view extension;
        PictureFileType type;
        std::int32_t bit;
        std::string_view mime;
    };
    static constexpr Row kRows[] = {
        {".JPG", PictureFileType::Jpeg, 0x08, "image/jpeg"},
        {".JPEG", PictureFileType::Jpeg, 0x08, "image/jpeg"},
        {".GIF", PictureFileType::Gif, 0x04, "image/gif"},
        {".PNG", PictureFileType::Png, 0x20, "image/png"},
        {".BMP", PictureFileType::Bmp, 0x01, "image/bmp"},
        {".PCX", PictureFileType::Pcx, 0x10, "image/vnd.zbrush.pcx"},
        {".TGA", PictureFileType::Targa, 0x80, "image/x-tga"},
        {".TIF", PictureFileType::Tiff, 0x100, "image/tiff"},
        {".TIFF", PictureFileType::Tiff, 0x100, "image/tiff"},
        {".RLE", PictureFileType::Rle, 0x40, "image/x-bmp-rle"},
        {".DIB", PictureFileType::Dib, 0x02, "image/x-dib"},
    };
    const std::string extension = UpperExtension(path);
    for (const Row& row : kRows) {
        if (row.extension != extension) continue;
        if (SniffFileType(path) != row.type) return {};
        return {row.bit, std::string(row.mime)};
    }
    return {};
}

bool RegisterAsHandler(const std::filesystem::path& path, std::int32_t defaultBrowserBits,
                       const std::function<void(const std::string&, const std::vector<std::string>&)>& run) {
    const FileTypeRegistration registration = RegistrationFor(path);
    if (registration.bit == 0 || (defaultBrowserBits & registration.bit) == 0) return false;
    if (run) run("xdg-mime", {"default", std::string(kDesktopFileName), registration.mimeType});
    return true;
}

}  // namespace lp
