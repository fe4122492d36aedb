#include "app/ui/file_registration.h"

#include "formats/file_types.h"
#include "formats/format_table.h"

namespace lp {

FileTypeRegistration RegistrationFor(const std::filesystem::path& path) {
    const FormatRow* row = FindFormatForPath(path);
    if (!row || row->registrationBit == 0 || row->type == PictureFileType::Unknown) return {};
    if (SniffFileType(path) != row->type) return {};
    return {row->registrationBit, std::string(row->mimeType)};
}

bool RegisterAsHandler(const std::filesystem::path& path, std::int32_t defaultBrowserBits,
                       const std::function<void(const std::string&, const std::vector<std::string>&)>& run) {
    const FileTypeRegistration registration = RegistrationFor(path);
    if (registration.bit == 0 || (defaultBrowserBits & registration.bit) == 0) return false;
    if (run) run("xdg-mime", {"default", std::string(kDesktopFileName), registration.mimeType});
    return true;
}

}  // namespace lp
