#pragma once
#include "base/colour.h"
#include "base/measure_units.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace lp {

/// "%s %d.%d" with the product name and version: names the settings file.
std::string ApplicationKey();

inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kInternetSection = "Internet Settings";
inline constexpr const char* kRecentFileSection = "Recent File List";
inline constexpr const char* kBarSection = "BarSettings";
inline constexpr int kRecentFileCount = 5;

/// Every user setting of the program, with the defaults of a first start.
/// Other parts read settings from here, never from the store.
struct AppSettings {
    // Section "Settings".
    std::int32_t welcomeScreen = 11;
    std::int32_t picPosition = 4;  // 0..8, top left to bottom right
    std::int32_t beginnersHint = 1;
    std::int32_t spotRemover = 1;  // slider 0..100
    std::int32_t jpegQuality = 75;
    std::int32_t transparency = 0;  // 0 "Yes", 1 "No", 2 "Ask"
    std::int32_t cacheInfo = 1;
    std::int32_t magicTolerance = 100;
    std::string paletteName = "Web-Safe";
    std::int32_t penWidth = 1;
    std::int32_t smartReSize = 0;
    std::int32_t convToPalet = 0;
    /// 1 keeps the user-mode keys at closing; 0 writes their defaults.
    std::int32_t userSettings = 0;
    std::int32_t zoomWindow = 0;
    std::int32_t fgRed = 0, fgGreen = 0, fgBlue = 128;
    std::int32_t bgRed = 255, bgGreen = 255, bgBlue = 255;
    std::int32_t pbWizard = 1;
    std::int32_t optType = 0;  // 0 Speed, 1 Features, 2 Custom
    std::int32_t optColors = 0;
    std::int32_t optLargePics = 0;
    std::int32_t optTnailQlty = 0;
    std::int32_t modemSpeed = 28800;  // bits per second
    std::int32_t usePng = 0;
    /// File types the program handles (0x01 BMP ... 0x100 TIFF). After loading
    /// never -1: the installer's value has no source here and reads as 0.
    std::int32_t defaultBrowser = -1;
    std::int32_t overlap = 0;
    std::int32_t mergeGapX = 0;
    std::int32_t mergeGapY = 0;
    /// MiB of pixel data one file may make (all its frames); the environment variable
    /// LUMAPRISM_PICTURE_BUDGET_MB wins over it.
    std::int32_t pictureBudget = 1024;
    /// Free-hand rotation step in degrees; stored as hundredths of a degree.
    double stepRotation = 0.5;
    std::int32_t tmPosX = 510, tmPosY = 125;
    std::int32_t palPosX = 5, palPosY = 240;
    /// Held for the run only (no key): the "Units/Res" page's unit and resolutions.
    MeasureUnits units;

    // Section "Internet Settings", written by the exit step.
    std::int32_t accessType = 0;  // 0 system, 1 direct, 3 named proxy
    std::string proxyName;
    std::string proxyByPass;
    /// Default: the current folder at start-up (filled in by LoadSettings).
    std::string downLoadDirectory;

    // Section "Recent File List": File1..File5, most recent first; empty = unused.
    std::array<std::string, kRecentFileCount> recentFiles;

    // Section "BarSettings": the tool-bar layout as the GUI encodes it (opaque text).
    std::string barState;

    ColourRef Foreground() const;
    ColourRef Background() const;

    friend bool operator==(const AppSettings&, const AppSettings&) = default;
};

/// Whether a key was found in the store and could be read as the asked type.
enum class StoredState { Absent, Invalid, Present };

struct StoredText {
    StoredState state = StoredState::Absent;
    std::string text;
};

struct StoredInt {
    StoredState state = StoredState::Absent;
    std::int32_t value = 0;
};

/// The persistent key-value store behind the settings, organised in sections
/// and keys. The core reads and writes it through this interface only, so it
/// needs no toolkit at link time.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    /// Absent when the key is missing; Invalid when the stored value is not text.
    virtual StoredText ReadText(std::string_view section, std::string_view key) const = 0;
    virtual void WriteText(std::string_view section, std::string_view key, std::string_view value) = 0;
    virtual void Remove(std::string_view section, std::string_view key) = 0;
    /// Makes the writes so far durable; false when the store could not be written.
    virtual bool Flush() = 0;

    /// Invalid unless the text is a whole decimal number in the 32-bit range
    /// (blanks around it and a leading '+' allowed), read in the "C" locale.
    virtual StoredInt ReadInt(std::string_view section, std::string_view key) const;
    virtual void WriteInt(std::string_view section, std::string_view key, std::int32_t value);
};

/// Decimal text of a stored integer, or nothing when the text is not one.
bool ParseStoredInt(std::string_view text, std::int32_t& value);

/// A store held in memory (tests, and runs that must not touch the disk).
class InMemorySettingsStore final : public SettingsStore {
public:
    StoredText ReadText(std::string_view section, std::string_view key) const override;
    void WriteText(std::string_view section, std::string_view key, std::string_view value) override;
    void Remove(std::string_view section, std::string_view key) override;
    bool Flush() override { return true; }

    /// Stores a value that reads back as Invalid (a value of another type).
    void SetInvalid(std::string_view section, std::string_view key);
    bool Contains(std::string_view section, std::string_view key) const;
    /// Every stored value as "section/key" -> text (invalid values as "<invalid>").
    std::map<std::string, std::string> Dump() const;

private:
    std::map<std::pair<std::string, std::string>, StoredText, std::less<>> m_values;
};

/// Reads every key into a settings object. A key that is absent, not a number,
/// or outside its range takes its default, key by key; loading never fails.
AppSettings LoadSettings(const SettingsStore& store);

/// Closing the main window: the tool-bar state, the "always" keys with their
/// current values, and the user-mode keys with their current values when
/// userSettings is 1, else with their defaults. Returns the store's Flush().
bool WriteSettingsAtClose(const AppSettings& settings, SettingsStore& store);

/// The exit step (also after a batch run ends the program): the four
/// "Internet Settings" keys and the recent-file list. Returns the store's Flush().
bool WriteSettingsAtExit(const AppSettings& settings, SettingsStore& store);

}  // namespace lp
