#include "options/options_sheet.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "tools/view_tools.h"

namespace lp {

namespace {

constexpr std::string_view kWebSafe = "Web-Safe";

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::uint8_t Channel(std::int32_t value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

}  // namespace

std::string_view OptionsPageCaption(OptionsPage page) {
    switch (page) {
        case OptionsPage::UnitsRes:
            return "Units/Res";
        case OptionsPage::SpotRemover:
            return "Spot Remover";
        case OptionsPage::RotateMerge:
            return "Rotate/Merge";
        case OptionsPage::Defaults:
            return "Defaults";
        case OptionsPage::Transfer:
            return "Transfer";
        case OptionsPage::Internet:
            return "Internet";
        case OptionsPage::Browser:
            return "Browser";
    }
    return {};
}

std::size_t OptionsPageIndex(OptionsPage page) {
    return std::size_t(std::find(kOptionsPages.begin(), kOptionsPages.end(), page) - kOptionsPages.begin());
}

std::size_t OptionsStartPage(OptionsCaller caller) {
    return caller == OptionsCaller::Browser ? OptionsPageIndex(OptionsPage::Transfer) : 0;
}

std::optional<int> MagicToleranceFromText(std::string_view text) {
    text = Trim(text);
    if (text.empty()) return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (ec != std::errc() || end != text.data() + text.size() || value < kMinMagicTolerance ||
        value > kMaxMagicTolerance)
        return std::nullopt;
    return value;
}

std::optional<std::string> CheckProxyPort(std::string_view proxyName) {
    std::string_view name = Trim(proxyName);
    if (const auto scheme = name.find("://"); scheme != std::string_view::npos) name.remove_prefix(scheme + 3);
    if (const auto slash = name.find('/'); slash != std::string_view::npos) name = name.substr(0, slash);
    // "[::1]:8080": the port follows the bracket; a bare IPv6 address has no port.
    const auto bracket = name.rfind(']');
    const auto colon = name.rfind(':');
    if (colon == std::string_view::npos || (bracket != std::string_view::npos && colon < bracket)) return std::nullopt;
    if (bracket == std::string_view::npos && name.find(':') != colon) return std::nullopt;
    const std::string_view port = name.substr(colon + 1);
    long value = 0;
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value, 10);
    if (port.empty() || ec != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535)
        return std::string(kProxyPortRange);
    return std::nullopt;
}

std::vector<std::string> PaletteChoices(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) continue;
        std::string ext = it->path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        if (ext == ".pal") names.push_back(it->path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

UnitsPageValues UnitsPageValues::Of(const MeasureUnits& u) {
    UnitsPageValues v;
    v.unit = u.unit;
    v.xResolution = std::clamp(u.xResolution, kMinResolution, kMaxResolution);
    v.yResolution = std::clamp(u.yResolution, kMinResolution, kMaxResolution);
    v.equalResolution = true;
    return v;
}

void UnitsPageValues::SetXResolution(int dpi) {
    xResolution = std::clamp(dpi, kMinResolution, kMaxResolution);
    if (equalResolution) yResolution = xResolution;
}

void UnitsPageValues::SetYResolution(int dpi) {
    yResolution = std::clamp(dpi, kMinResolution, kMaxResolution);
    if (equalResolution) xResolution = yResolution;
}

void UnitsPageValues::SetEqualResolution(bool on) {
    equalResolution = on;
    if (on) yResolution = xResolution;
}

MergeRotatePageValues MergeRotatePageValues::Of(const AppSettings& s) {
    MergeRotatePageValues v;
    v.gapX = std::max(s.mergeGapX, 0);
    v.gapY = std::max(s.mergeGapY, 0);
    v.overlap = s.overlap != 0;
    char text[32];
    std::snprintf(text, sizeof text, "%g", std::trunc(s.stepRotation * 100 + 1e-6) / 100);
    v.stepText = text;
    return v;
}

std::optional<double> MergeRotatePageValues::Step() const {
    const std::string_view text = Trim(stepText);
    if (text.empty()) return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    // Stored as hundredths rounded toward zero: anything that stores as 0 turns nothing.
    if (!(value <= 359) || std::trunc(value * 100 + 1e-9) < 1) return std::nullopt;
    return value;
}

DefaultsPageValues DefaultsPageValues::Of(const AppSettings& s) {
    DefaultsPageValues v;
    v.transparent = MakeColour(Channel(s.bgRed), Channel(s.bgGreen), Channel(s.bgBlue));
    v.foreground = MakeColour(Channel(s.fgRed), Channel(s.fgGreen), Channel(s.fgBlue));
    v.convertToPalette = s.convToPalet != 0;
    v.paletteName = s.paletteName.empty() ? std::string(kWebSafe) : s.paletteName;
    v.penWidth = std::clamp(s.penWidth, kMinPenWidth, kMaxPenWidth);
    v.smartSizing = s.smartReSize != 0;
    v.zoomToWindow = s.zoomWindow != 0;
    v.magicTolerance = std::to_string(s.magicTolerance);
    v.jpegQuality = std::clamp(s.jpegQuality, 1, 100);
    v.keepTransparency = std::clamp(s.transparency, 0, 2);
    v.userSettings = s.userSettings != 0;
    return v;
}

void DefaultsPageValues::SetConvertToPalette(bool on) {
    if (on && !convertToPalette) paletteName = std::string(kWebSafe);
    convertToPalette = on;
}

BrowserPageValues BrowserPageValues::Of(const AppSettings& s) {
    BrowserPageValues v;
    v.optType = std::clamp(s.optType, 0, 2);
    v.removeColors = s.optColors != 0;
    v.largeOnly = s.optLargePics != 0;
    v.fastThumbnails = s.optTnailQlty != 0;
    if (v.optType != 2) v.Choose(v.optType);
    return v;
}

void BrowserPageValues::Choose(int type) {
    optType = std::clamp(type, 0, 2);
    if (optType == 2) return;
    const bool speed = optType == 0;
    removeColors = largeOnly = fastThumbnails = speed;
}

OptionsSheetModel::OptionsSheetModel(const AppSettings& settings, OptionsCaller caller) : m_caller(caller) {
    units = UnitsPageValues::Of(settings.units);
    spotRemover = std::clamp(settings.spotRemover, 0, 100);
    mergeRotate = MergeRotatePageValues::Of(settings);
    defaults = DefaultsPageValues::Of(settings);
    transfer = TransferPageState::Open(settings.modemSpeed, settings.usePng != 0);
    internet.accessType = settings.accessType;
    internet.proxyName = settings.proxyName;
    internet.proxyByPass = settings.proxyByPass;
    internet.downLoadDirectory = settings.downLoadDirectory;
    browser = BrowserPageValues::Of(settings);
    m_usePngBefore = settings.usePng != 0;
    m_speedBefore = settings.modemSpeed;
}

void OptionsSheetModel::RestoreDefaultsPage() { defaults = DefaultsPageValues::Of(AppSettings{}); }

std::optional<OptionsRefusal> OptionsSheetModel::CheckPage(OptionsPage page) {
    switch (page) {
        case OptionsPage::Defaults:
            if (!MagicToleranceFromText(defaults.magicTolerance))
                return OptionsRefusal{page, std::string(kMagicToleranceRange)};
            return std::nullopt;
        case OptionsPage::Transfer:
            if (transfer.customEnabled && !TransferPageState(transfer).SetCustomText(transfer.customText))
                return OptionsRefusal{page, std::string(kCustomSpeedRange)};
            return std::nullopt;
        case OptionsPage::Internet:
            if (auto message = CheckInternetPage(internet)) return OptionsRefusal{page, *message};
            if (internet.accessType == kAccessProxy)
                if (auto message = CheckProxyPort(internet.proxyName)) return OptionsRefusal{page, *message};
            return std::nullopt;
        case OptionsPage::RotateMerge:
            if (!mergeRotate.Step()) return OptionsRefusal{page, std::string(kRotationStepRange)};
            return std::nullopt;
        case OptionsPage::UnitsRes:
        case OptionsPage::SpotRemover:
        case OptionsPage::Browser:
            return std::nullopt;
    }
    return std::nullopt;
}

std::optional<OptionsRefusal> OptionsSheetModel::Check() {
    for (OptionsPage page : kOptionsPages)
        if (auto refusal = CheckPage(page)) return refusal;
    return std::nullopt;
}

OptionsEffects OptionsSheetModel::Accept(AppSettings& s, SpotRemoverParams& spotParams) const {
    OptionsEffects effects;
    // 1. Internet.
    StoreInternetPage(internet, s);
    // 2. Defaults (PicPosition stays as the application has it).
    s.bgRed = RedOf(defaults.transparent), s.bgGreen = GreenOf(defaults.transparent),
    s.bgBlue = BlueOf(defaults.transparent);
    s.fgRed = RedOf(defaults.foreground), s.fgGreen = GreenOf(defaults.foreground),
    s.fgBlue = BlueOf(defaults.foreground);
    s.convToPalet = defaults.convertToPalette ? 1 : 0;
    s.paletteName = defaults.paletteName.empty() ? std::string(kWebSafe) : defaults.paletteName;
    s.penWidth = std::clamp(defaults.penWidth, kMinPenWidth, kMaxPenWidth);
    s.smartReSize = defaults.smartSizing ? 1 : 0;
    s.zoomWindow = defaults.zoomToWindow ? 1 : 0;
    if (auto tolerance = MagicToleranceFromText(defaults.magicTolerance)) s.magicTolerance = *tolerance;
    s.jpegQuality = std::clamp(defaults.jpegQuality, 1, 100);
    s.transparency = std::clamp(defaults.keepTransparency, 0, 2);
    s.userSettings = defaults.userSettings ? 1 : 0;
    // 3. The colour selector follows only when the settings are the start-up choice.
    effects.selectorTakesColours = defaults.userSettings;
    // 4. Pages of other tools: the spot remover's strength and working parameters.
    s.spotRemover = std::clamp(spotRemover, 0, 100);
    spotParams = SpotRemoverParams::FromSlider(s.spotRemover);
    // The units and the "Rotate/Merge" values.
    const MeasureUnits newUnits = units.Units();
    effects.unitsChanged = !(newUnits == s.units);
    s.units = newUnits;
    s.mergeGapX = std::max(mergeRotate.gapX, 0);
    s.mergeGapY = std::max(mergeRotate.gapY, 0);
    s.overlap = mergeRotate.overlap ? 1 : 0;
    if (const auto step = mergeRotate.Step()) s.stepRotation = std::trunc(*step * 100 + 1e-9) / 100;
    // 5. Browser.
    s.optType = browser.optType;
    s.optColors = browser.removeColors ? 1 : 0;
    s.optLargePics = browser.largeOnly ? 1 : 0;
    s.optTnailQlty = browser.fastThumbnails ? 1 : 0;
    effects.showColorsColumn = s.optColors != 1;
    // Transfer.
    TransferPageState speed = transfer;
    if (speed.customEnabled) speed.SetCustomText(speed.customText);
    s.modemSpeed = std::max(speed.bitsPerSecond, 0);
    s.usePng = speed.usePng ? 1 : 0;
    effects.usePngChanged = speed.usePng != m_usePngBefore;
    effects.speedChanged = s.modemSpeed != m_speedBefore;
    effects.modemStatus = ModemStatusText(s.modemSpeed);
    return effects;
}

std::string ModemStatusText(double bitsPerSecond) {
    char text[64];
    std::snprintf(text, sizeof text, "Modem %g kbps ", bitsPerSecond * 0.001);
    return text;
}

}  // namespace lp
