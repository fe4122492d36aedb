#include "web/internet_settings.h"

#include <filesystem>

namespace lp {

InternetSettings InternetSettingsOf(const AppSettings& settings) {
    return InternetSettings{settings.accessType, settings.proxyName, settings.proxyByPass};
}

std::optional<std::string> CheckInternetPage(InternetPageValues& values) {
    if (values.accessType == kAccessProxy && values.proxyName.empty()) return "Proxy Server Name cannot be EMPTY !";
    std::error_code ec;
    if (values.downLoadDirectory.empty()) values.downLoadDirectory = std::filesystem::current_path(ec).string();
    if (!std::filesystem::is_directory(values.downLoadDirectory, ec))
        return "Invalid Directory path " + values.downLoadDirectory;
    return std::nullopt;
}

void StoreInternetPage(const InternetPageValues& values, AppSettings& settings) {
    settings.accessType = values.accessType;
    settings.proxyName = values.proxyName;
    settings.proxyByPass = values.proxyByPass;
    settings.downLoadDirectory = values.downLoadDirectory;
}

}  // namespace lp
