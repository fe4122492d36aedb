#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/desktop_integration.h"

namespace lp {

/// The registration of the program as the handler of one file type.
struct FileTypeRegistration {
    std::int32_t bit = 0;  // the type's "DefaultBrowser" bit
    std::string mimeType;  // what the desktop's MIME database calls the type
};


/// The registration for a file just opened or saved: only when its extension
/// is one the program handles and matches the type sniffed from its bytes.
/// bit 0 when it does not qualify.
FileTypeRegistration RegistrationFor(const std::filesystem::path& path);

/// Makes the program the default handler of the file's type when the type's
/// "DefaultBrowser" bit is set. run executes a command line (the desktop's
/// `xdg-mime default lumaprism.desktop TYPE`); returns whether it was asked to.
bool RegisterAsHandler(
    const std::filesystem::path& path, std::int32_t defaultBrowserBits,
    const std::function<void(const std::string& program, const std::vector<std::string>& args)>& run);

}  // namespace lp
