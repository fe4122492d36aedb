#pragma once
#include "base/settings.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lp {

/// The user's settings as an INI file, read and written without any toolkit so
/// that headless runs never load one. Sections and keys are written plainly
/// ("[Internet Settings]", "Palette Name=..."); files written by earlier
/// versions through QSettings still read: escaped names ("Internet%20Settings",
/// "%U00F6", "\" for "/"), quoted values with backslash escapes, "@@" for a
/// leading "@", and unquoted commas (a list, read back joined by ",").
///
/// A damaged file never stops the program: a value of another type
/// ("@Variant(...)", "@ByteArray(...)", ...) reads as Invalid, a file too large
/// to be a settings file is not read and is replaced at the next write, and a
/// path that is not a regular file (a folder, a pipe) is never opened.
///
/// Writes are kept in memory until Flush(), which reads the file again, applies
/// only the keys this store changed (so two runs that write different keys do
/// not undo each other) and replaces the file atomically.
class IniSettingsStore final : public SettingsStore {
public:
    /// The settings file of this user: DefaultFile().
    IniSettingsStore();
    explicit IniSettingsStore(std::filesystem::path file);

    /// "<ApplicationKey()>.ini" in DataFolders::FromEnvironment().SettingsFolder()
    /// ($LUMAPRISM_HOME when set).
    static std::filesystem::path DefaultFile();
    /// Files above this size are not settings files: they are ignored and replaced.
    static constexpr std::uintmax_t kMaxFileBytes = 1u << 20;

    const std::filesystem::path& File() const { return m_file; }

    StoredText ReadText(std::string_view section, std::string_view key) const override;
    void WriteText(std::string_view section, std::string_view key, std::string_view value) override;
    void Remove(std::string_view section, std::string_view key) override;
    bool Flush() override;

    struct Entry {
        std::string key;
        StoredText value;
        std::string raw;  // the text after "=" as read; written back unchanged for Invalid values
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    /// Parses INI text (QSettings' dialect included). Never fails: lines that
    /// are neither a section header nor "key=value" are skipped.
    static std::vector<Section> Parse(std::string_view text);
    /// The INI text of the sections, names plain, values quoted where needed.
    static std::string Serialize(const std::vector<Section>& sections);

    /// One value as it reads from the text after "=" (unescaping, quotes, lists, "@" forms).
    static StoredText DecodeValue(std::string_view raw);
    /// The text after "=" that reads back as the value.
    static std::string EncodeValue(std::string_view value);
    /// A section or key name as read ("%20", "%U00F6", "\" -> "/").
    static std::string DecodeName(std::string_view raw);
    /// A section or key name as written: plain, with "%XX" only for the
    /// characters that cannot stand in a name.
    static std::string EncodeName(std::string_view name);

private:
    enum class FileState { Missing, Readable, Oversized, Unusable };
    struct Change {
        std::string section;
        std::string key;
        std::optional<std::string> value;  // nullopt: removed
    };

    /// Reads the file into sections; the state says what was found.
    FileState Load(std::vector<Section>& sections) const;
    static void Apply(std::vector<Section>& sections, const Change& change);

    std::filesystem::path m_file;
    std::vector<Section> m_sections;
    std::vector<Change> m_changes;  // since the last Flush
    bool m_unusable = false;        // the path is a folder, a pipe, an unreadable file: never written
};

}  // namespace lp
