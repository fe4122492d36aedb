#pragma once
#include "base/settings.h"

#include <cstdint>
#include <filesystem>
#include <memory>

class QSettings;

namespace lp {

/// The settings store as an INI file read and written by QSettings, in the
/// sections "Settings", "Internet Settings", "Recent File List" and
/// "BarSettings". Numbers are written as plain decimal text in the "C" locale.
///
/// A damaged file never stops the program: values that are not text read as
/// Invalid (the loader then takes the key's default), and a file too large to
/// be a settings file is not read at all and is replaced at the next write.
class QSettingsStore final : public SettingsStore {
public:
    /// The settings file of this user: "<ApplicationKey()>.ini" in
    /// DataFolders::FromEnvironment().SettingsFolder() ($LUMAPRISM_HOME when set).
    QSettingsStore();
    explicit QSettingsStore(const std::filesystem::path& file);
    ~QSettingsStore() override;
    QSettingsStore(const QSettingsStore&) = delete;
    QSettingsStore& operator=(const QSettingsStore&) = delete;

    static std::filesystem::path DefaultFile();
    /// Files above this size are not settings files: they are ignored and replaced.
    static constexpr std::uintmax_t kMaxFileBytes = 1u << 20;

    const std::filesystem::path& File() const { return m_file; }

    StoredText ReadText(std::string_view section, std::string_view key) const override;
    void WriteText(std::string_view section, std::string_view key, std::string_view value) override;
    void Remove(std::string_view section, std::string_view key) override;
    bool Flush() override;

private:
    /// The QSettings to write through; null when the path is not a regular file.
    QSettings* Writable();

    std::filesystem::path m_file;
    std::unique_ptr<QSettings> m_settings;  // null until first write when the file was set aside
    bool m_replaceFile = false;             // an oversized file: removed before the first write
    bool m_unusable = false;                // the path is a folder, a pipe, ...: never opened
};

}  // namespace lp
