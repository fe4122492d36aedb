#pragma once
#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/colour.h"
#include "base/measure_units.h"
#include "base/settings.h"
#include "optimize/transfer_info.h"
#include "tools/spot_remover.h"
#include "web/internet_settings.h"

namespace lp {

/// Where the "&Options" command came from: it decides the page the sheet opens on.
enum class OptionsCaller { PictureWindow, Browser };

/// The pages of the Options sheet, in the sheet's order.
enum class OptionsPage { UnitsRes, SpotRemover, RotateMerge, Defaults, Transfer, Internet, Browser };
inline constexpr std::array<OptionsPage, 7> kOptionsPages = {
    OptionsPage::UnitsRes, OptionsPage::SpotRemover, OptionsPage::RotateMerge, OptionsPage::Defaults,
    OptionsPage::Transfer, OptionsPage::Internet,    OptionsPage::Browser};
std::string_view OptionsPageCaption(OptionsPage page);
std::size_t OptionsPageIndex(OptionsPage page);
/// A picture window opens the sheet on its first page, the picture browser on "Transfer".
std::size_t OptionsStartPage(OptionsCaller caller);

/// The framework's range message for the tolerance field.
inline constexpr std::string_view kMagicToleranceRange = "Please enter an integer between 0 and 100.";
/// The same for the custom speed box of the "Transfer" page.
inline constexpr std::string_view kCustomSpeedRange = "Please enter a number between 0 and 2000.";
/// A proxy given as "host:port" with a port that is no port.
inline constexpr std::string_view kProxyPortRange = "The proxy port must be a number between 1 and 65535.";

/// The tolerance field's value: a whole decimal number 0..100 (blanks around it allowed).
std::optional<int> MagicToleranceFromText(std::string_view text);
/// Nothing when the proxy name's port (after the last ':' of "host:port") is 1..65535 or absent.
std::optional<std::string> CheckProxyPort(std::string_view proxyName);

/// The palette list of the "Defaults" page: names without extension of the "*.pal" files of
/// the folder (case-insensitive extension, folders skipped), sorted; empty when the folder is
/// missing or empty.
std::vector<std::string> PaletteChoices(const std::filesystem::path& folder);

/// The rotation step field's range message; a step that would be stored as 0 hundredths
/// is refused too (a step of 0 would turn nothing).
inline constexpr std::string_view kRotationStepRange = "Please enter a number between 0.01 and 359.";

/// What the "Units/Res" page edits. While "Equal Resolution" is ticked a change of either
/// resolution is copied to the other; ticking it copies X to Y.
struct UnitsPageValues {
    MeasureUnit unit = MeasureUnit::Pixel;
    int xResolution = 96;
    int yResolution = 96;
    bool equalResolution = true;  // ticked whenever the page opens

    static UnitsPageValues Of(const MeasureUnits& units);
    void SetXResolution(int dpi);
    void SetYResolution(int dpi);
    void SetEqualResolution(bool on);
    MeasureUnits Units() const { return {unit, xResolution, yResolution}; }
};

/// What the "Rotate/Merge" page (`CMergeRotateOpt`) edits.
struct MergeRotatePageValues {
    int gapX = 2;
    int gapY = 2;
    bool overlap = false;    // the gap fields are disabled while on
    std::string stepText;    // degrees, the setting divided by 100

    static MergeRotatePageValues Of(const AppSettings& settings);
    /// The step in degrees, 0.01..359; nothing when the text is no such number.
    std::optional<double> Step() const;
};

/// What the "Defaults" page edits.
struct DefaultsPageValues {
    ColourRef transparent = 0;
    ColourRef foreground = 0;
    bool convertToPalette = false;
    std::string paletteName;  // "Web-Safe" when the setting was empty
    int penWidth = 1;         // 1..9
    bool smartSizing = false;
    bool zoomToWindow = false;
    std::string magicTolerance;  // the field's text
    int jpegQuality = 75;        // slider 1..100
    int keepTransparency = 0;    // 0 "Yes", 1 "No", 2 "Ask"
    bool userSettings = false;

    static DefaultsPageValues Of(const AppSettings& settings);
    /// Ticking "Convert Picture to Palette" also selects "Web-Safe".
    void SetConvertToPalette(bool on);
};

/// What the "Browser" page edits: the choice and its three boxes.
struct BrowserPageValues {
    int optType = 0;  // 0 Speed, 1 Features, 2 Custom
    bool removeColors = false;
    bool largeOnly = false;
    bool fastThumbnails = false;

    static BrowserPageValues Of(const AppSettings& settings);
    /// Speed ticks the three boxes, Features clears them; both lock them. Custom frees them.
    void Choose(int type);
    bool BoxesEnabled() const { return optType == 2; }
};

/// A page that refuses OK: the page to show and the message.
struct OptionsRefusal {
    OptionsPage page;
    std::string message;
};

/// What the windows must do after OK.
struct OptionsEffects {
    bool usePngChanged = false;  // the Transfer Manager is rebuilt in its other layout
    bool speedChanged = false;
    /// With "Choose these settings at StartUp": the colour selector takes the page's colours.
    bool selectorTakesColours = false;
    bool showColorsColumn = true;  // the browser list's "Colors" column
    std::string modemStatus;       // "Modem %g kbps "
    bool unitsChanged = false;     // every picture window takes the new units
};

/// The Options sheet's logic: every page works on a copy of the application's settings;
/// Accept takes the pages over in the sheet's order, dropping the sheet drops them.
class OptionsSheetModel {
public:
    OptionsSheetModel(const AppSettings& settings, OptionsCaller caller);

    std::size_t StartPage() const { return OptionsStartPage(m_caller); }

    // The pages' values, edited by the widgets.
    UnitsPageValues units;
    int spotRemover = 1;  // slider 0..100
    MergeRotatePageValues mergeRotate;
    DefaultsPageValues defaults;
    TransferPageState transfer;
    InternetPageValues internet;
    BrowserPageValues browser;

    /// The "Defaults" page's controls back to a first start's values.
    void RestoreDefaultsPage();

    /// The first page that refuses OK, checked in the sheet's order (the internet page may
    /// put the current folder into an empty download directory). Nothing when OK may go on.
    std::optional<OptionsRefusal> Check();
    /// A page being left: only that page's own check.
    std::optional<OptionsRefusal> CheckPage(OptionsPage page);

    /// OK after Check passed: stores the pages into the settings and the spot remover's working
    /// parameters. PicPosition keeps the application's value (the page's selector acts at once).
    OptionsEffects Accept(AppSettings& settings, SpotRemoverParams& spotParams) const;

private:
    OptionsCaller m_caller;
    bool m_usePngBefore = false;
    std::int32_t m_speedBefore = 0;
};

/// "Modem %g kbps " of bits per second.
std::string ModemStatusText(double bitsPerSecond);

}  // namespace lp
