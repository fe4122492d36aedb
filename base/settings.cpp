#include "base/settings.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

namespace lp {

namespace {

constexpr const char* kProductName = "Lumaprism";
constexpr int kVersionMajor = 2;
constexpr int kVersionMinor = 8;

constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();

// The rotation step is kept in hundredths of a degree; 0 would make the
// free-hand rotation stand still, and the options page offers 0..359 degrees.
constexpr const char* kStepRotationKey = "Step Rotation";
constexpr std::int32_t kStepRotationDefault = 50;
constexpr std::int32_t kStepRotationMax = 359 * 100;

constexpr const char* kDefaultBrowserKey = "DefaultBrowser";
constexpr std::int32_t kAllFileTypeBits = 0x1FF;

enum class WriteRule { Always, UserMode };

struct IntKey {
    const char* key;
    std::int32_t AppSettings::*field;
    std::int32_t min;
    std::int32_t max;
    WriteRule rule;
};

// Every integer key of section "Settings" but the two that need their own
// handling (DefaultBrowser, Step Rotation). Defaults come from AppSettings{}.
constexpr IntKey kIntKeys[] = {
    {"WelcomeScreen", &AppSettings::welcomeScreen, kIntMin, kIntMax, WriteRule::Always},
    {"PicPosition", &AppSettings::picPosition, 0, 8, WriteRule::UserMode},
    {"BeginnersHint", &AppSettings::beginnersHint, 0, 1, WriteRule::Always},
    {"SpotRemover", &AppSettings::spotRemover, 0, 100, WriteRule::Always},
    {"JpegQuality", &AppSettings::jpegQuality, 1, 100, WriteRule::UserMode},
    {"Transparency", &AppSettings::transparency, 0, 2, WriteRule::UserMode},
    {"CacheInfo", &AppSettings::cacheInfo, 0, 1, WriteRule::Always},
    {"MagicTolerance", &AppSettings::magicTolerance, 0, 100, WriteRule::UserMode},
    {"PenWidth", &AppSettings::penWidth, 1, 9, WriteRule::UserMode},
    {"SmartReSize", &AppSettings::smartReSize, 0, 1, WriteRule::UserMode},
    {"ConvToPalet", &AppSettings::convToPalet, 0, 1, WriteRule::UserMode},
    {"UserSettings", &AppSettings::userSettings, 0, 1, WriteRule::Always},
    {"ZoomWindow", &AppSettings::zoomWindow, 0, 1, WriteRule::UserMode},
    {"FG_Red", &AppSettings::fgRed, 0, 255, WriteRule::UserMode},
    {"FG_Green", &AppSettings::fgGreen, 0, 255, WriteRule::UserMode},
    {"FG_Blue", &AppSettings::fgBlue, 0, 255, WriteRule::UserMode},
    {"BG_Red", &AppSettings::bgRed, 0, 255, WriteRule::UserMode},
    {"BG_Green", &AppSettings::bgGreen, 0, 255, WriteRule::UserMode},
    {"BG_Blue", &AppSettings::bgBlue, 0, 255, WriteRule::UserMode},
    {"PBWizard", &AppSettings::pbWizard, 0, 1, WriteRule::Always},
    {"OptType", &AppSettings::optType, 0, 2, WriteRule::Always},
    {"OptColors", &AppSettings::optColors, 0, 1, WriteRule::Always},
    {"OptLargePics", &AppSettings::optLargePics, 0, 1, WriteRule::Always},
    {"OptTnailQlty", &AppSettings::optTnailQlty, 0, 1, WriteRule::Always},
    {"ModemSpeed", &AppSettings::modemSpeed, 0, kIntMax, WriteRule::Always},
    {"Use PNG", &AppSettings::usePng, 0, 1, WriteRule::Always},
    {"Overlap", &AppSettings::overlap, 0, 1, WriteRule::Always},
    {"Merge Gap X", &AppSettings::mergeGapX, 0, kIntMax, WriteRule::Always},
    {"Merge Gap Y", &AppSettings::mergeGapY, 0, kIntMax, WriteRule::Always},
    {"PictureBudget", &AppSettings::pictureBudget, 1, kIntMax, WriteRule::Always},
    // Window positions may be negative on a desktop of several screens.
    {"TMPosX", &AppSettings::tmPosX, kIntMin, kIntMax, WriteRule::Always},
    {"TMPosY", &AppSettings::tmPosY, kIntMin, kIntMax, WriteRule::Always},
    {"PalPosX", &AppSettings::palPosX, kIntMin, kIntMax, WriteRule::Always},
    {"PalPosY", &AppSettings::palPosY, kIntMin, kIntMax, WriteRule::Always},
};

constexpr const char* kPaletteNameKey = "Palette Name";
constexpr const char* kAccessTypeKey = "Access Type";
constexpr const char* kProxyNameKey = "Proxy Name";
constexpr const char* kProxyByPassKey = "Proxy ByPass";
constexpr const char* kDownLoadDirectoryKey = "Down Load Directory";
constexpr const char* kBarStateKey = "State";

// Text limits: a path is at most PATH_MAX bytes, a file name NAME_MAX; longer
// values can only be damage and would otherwise live on in every write-back.
constexpr std::size_t kMaxPathText = 4096;
constexpr std::size_t kMaxNameText = 255;
constexpr std::size_t kMaxBarState = 64 * 1024;

bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        int extra = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= s.size()) return false;
        for (int k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF.
        if ((extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) ||
            (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            return false;
        i += extra + 1;
    }
    return true;
}

bool HasControlChars(std::string_view s, bool allowLineBreaks) {
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (allowLineBreaks && (c == '\n' || c == '\r' || c == '\t')) continue;
        if (c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

bool IsPlainText(std::string_view s, std::size_t maxBytes, bool allowLineBreaks = false) {
    return s.size() <= maxBytes && IsValidUtf8(s) && !HasControlChars(s, allowLineBreaks);
}

// Palette names become file names in PALETTE: no separators, no "..".
bool IsValidPaletteName(std::string_view s) {
    return !s.empty() && IsPlainText(s, kMaxNameText) && s.find('/') == std::string_view::npos &&
           s.find('\\') == std::string_view::npos && s.find("..") == std::string_view::npos;
}

bool IsValidBarState(std::string_view s) {
    if (s.size() > kMaxBarState) return false;
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

std::int32_t ReadIntKey(const SettingsStore& store, const char* section, const char* key, std::int32_t fallback,
                        std::int32_t min, std::int32_t max) {
    const StoredInt v = store.ReadInt(section, key);
    if (v.state != StoredState::Present || v.value < min || v.value > max) return fallback;
    return v.value;
}

template <typename Valid>
std::string ReadTextKey(const SettingsStore& store, const char* section, const char* key, std::string fallback,
                        Valid valid) {
    StoredText v = store.ReadText(section, key);
    if (v.state != StoredState::Present || !valid(v.text)) return fallback;
    return std::move(v.text);
}

std::string CurrentFolderText() {
    std::error_code ec;
    const auto p = std::filesystem::current_path(ec);
    return ec ? std::string() : p.string();
}

std::string RecentFileKey(int index) { return "File" + std::to_string(index + 1); }

}  // namespace

std::string ApplicationKey() {
    char text[64];
    std::snprintf(text, sizeof text, "%s %d.%d", kProductName, kVersionMajor, kVersionMinor);
    return text;
}

ColourRef AppSettings::Foreground() const {
    return MakeColour(std::uint8_t(fgRed), std::uint8_t(fgGreen), std::uint8_t(fgBlue));
}

ColourRef AppSettings::Background() const {
    return MakeColour(std::uint8_t(bgRed), std::uint8_t(bgGreen), std::uint8_t(bgBlue));
}

bool ParseStoredInt(std::string_view text, std::int32_t& value) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return false;
    }
    if (text.empty()) return false;
    std::int32_t parsed = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed, 10);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    value = parsed;
    return true;
}

StoredInt SettingsStore::ReadInt(std::string_view section, std::string_view key) const {
    const StoredText t = ReadText(section, key);
    if (t.state != StoredState::Present) return {t.state, 0};
    std::int32_t v = 0;
    if (!ParseStoredInt(t.text, v)) return {StoredState::Invalid, 0};
    return {StoredState::Present, v};
}

void SettingsStore::WriteInt(std::string_view section, std::string_view key, std::int32_t value) {
    char text[16];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    WriteText(section, key, std::string_view(text, std::size_t(end - text)));
}

StoredText InMemorySettingsStore::ReadText(std::string_view section, std::string_view key) const {
    const auto it = m_values.find(std::pair<std::string, std::string>(section, key));
    return it == m_values.end() ? StoredText{} : it->second;
}

void InMemorySettingsStore::WriteText(std::string_view section, std::string_view key, std::string_view value) {
    m_values[{std::string(section), std::string(key)}] = {StoredState::Present, std::string(value)};
}

void InMemorySettingsStore::Remove(std::string_view section, std::string_view key) {
    m_values.erase(std::pair<std::string, std::string>(section, key));
}

void InMemorySettingsStore::SetInvalid(std::string_view section, std::string_view key) {
    m_values[{std::string(section), std::string(key)}] = {StoredState::Invalid, {}};
}

std::map<std::string, std::string> InMemorySettingsStore::Dump() const {
    std::map<std::string, std::string> out;
    for (const auto& [name, value] : m_values)
        out[name.first + "/" + name.second] = value.state == StoredState::Present ? value.text : "<invalid>";
    return out;
}

bool InMemorySettingsStore::Contains(std::string_view section, std::string_view key) const {
    return m_values.count(std::pair<std::string, std::string>(section, key)) != 0;
}

AppSettings LoadSettings(const SettingsStore& store) {
    const AppSettings defaults;
    AppSettings s;
    for (const IntKey& k : kIntKeys)
        s.*k.field = ReadIntKey(store, kSettingsSection, k.key, defaults.*k.field, k.min, k.max);

    s.paletteName = ReadTextKey(store, kSettingsSection, kPaletteNameKey, defaults.paletteName, IsValidPaletteName);

    // -1 asks for the value the installer left in the class registry; there is
    // no such value on this system, which reads as 0.
    s.defaultBrowser =
        ReadIntKey(store, kSettingsSection, kDefaultBrowserKey, defaults.defaultBrowser, -1, kAllFileTypeBits);
    if (s.defaultBrowser == -1) s.defaultBrowser = 0;

    const std::int32_t step =
        ReadIntKey(store, kSettingsSection, kStepRotationKey, kStepRotationDefault, 1, kStepRotationMax);
    s.stepRotation = step * 0.01;

    s.accessType = ReadIntKey(store, kInternetSection, kAccessTypeKey, defaults.accessType, 0, 3);
    if (s.accessType == 2) s.accessType = defaults.accessType;  // no such choice on the page
    auto nameText = [](std::string_view t) { return IsPlainText(t, kMaxNameText); };
    auto listText = [](std::string_view t) { return IsPlainText(t, kMaxPathText, true); };
    auto pathText = [](std::string_view t) { return IsPlainText(t, kMaxPathText); };
    s.proxyName = ReadTextKey(store, kInternetSection, kProxyNameKey, {}, nameText);
    s.proxyByPass = ReadTextKey(store, kInternetSection, kProxyByPassKey, {}, listText);
    // An empty download folder means the current folder, as the internet page treats it.
    s.downLoadDirectory = ReadTextKey(store, kInternetSection, kDownLoadDirectoryKey, {}, pathText);
    if (s.downLoadDirectory.empty()) s.downLoadDirectory = CurrentFolderText();

    for (int i = 0; i < kRecentFileCount; ++i)
        s.recentFiles[i] = ReadTextKey(store, kRecentFileSection, RecentFileKey(i).c_str(), {}, pathText);

    s.barState = ReadTextKey(store, kBarSection, kBarStateKey, {}, IsValidBarState);
    return s;
}

bool WriteSettingsAtClose(const AppSettings& settings, SettingsStore& store) {
    const AppSettings defaults;
    const bool keepUserValues = settings.userSettings == 1;

    store.WriteText(kBarSection, kBarStateKey, settings.barState);
    for (const IntKey& k : kIntKeys) {
        const bool current = k.rule == WriteRule::Always || keepUserValues;
        store.WriteInt(kSettingsSection, k.key, current ? settings.*k.field : defaults.*k.field);
    }
    store.WriteText(kSettingsSection, kPaletteNameKey, settings.paletteName);
    store.WriteInt(kSettingsSection, kDefaultBrowserKey, settings.defaultBrowser);

    // The step came from hundredths of a degree: round to the nearest so that
    // 0.29 (held as 0.28999...) is written back as 29, not 28.
    const double hundredths = std::round(settings.stepRotation * 100.0);
    const std::int32_t step = std::isfinite(hundredths) && hundredths >= kIntMin && hundredths <= kIntMax
                                  ? static_cast<std::int32_t>(hundredths)
                                  : kStepRotationDefault;
    store.WriteInt(kSettingsSection, kStepRotationKey, step);
    return store.Flush();
}

bool WriteSettingsAtExit(const AppSettings& settings, SettingsStore& store) {
    store.WriteInt(kInternetSection, kAccessTypeKey, settings.accessType);
    store.WriteText(kInternetSection, kProxyNameKey, settings.proxyName);
    store.WriteText(kInternetSection, kProxyByPassKey, settings.proxyByPass);
    store.WriteText(kInternetSection, kDownLoadDirectoryKey, settings.downLoadDirectory);
    // Like the framework's list: unused slots are not kept in the store.
    for (int i = 0; i < kRecentFileCount; ++i) {
        const std::string key = RecentFileKey(i);
        if (settings.recentFiles[i].empty())
            store.Remove(kRecentFileSection, key);
        else
            store.WriteText(kRecentFileSection, key, settings.recentFiles[i]);
    }
    return store.Flush();
}

}  // namespace lp
