#pragma once
#include <optional>
#include <string>

#include "base/settings.h"
#include "web/url_fetch.h"

namespace lp {

/// The internet settings a fetch is built with, from the program's settings.
InternetSettings InternetSettingsOf(const AppSettings& settings);

/// What the "Internet" page of the Options sheet holds.
struct InternetPageValues {
    int accessType = kAccessSystem;  // "Current Settings" 0, "Direct Connection" 1, "Proxy Server" 3
    std::string proxyName;
    std::string proxyByPass;
    std::string downLoadDirectory;
};

/// OK on the "Internet" page. An empty download directory becomes the current
/// folder. Returns the message to show (and the page stays open), or nothing
/// when the values may be stored.
std::optional<std::string> CheckInternetPage(InternetPageValues& values);

/// Stores accepted values in the settings (section "Internet Settings").
void StoreInternetPage(const InternetPageValues& values, AppSettings& settings);

}  // namespace lp
