#include "app/ini_settings_store.h"

#include "base/data_folders.h"
#include "base/atomic_file.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

namespace lp {

namespace {

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

/// Numeric escapes name UTF-16 code units (files of older toolkit versions
/// wrote every non-ASCII character so); a surrogate pair becomes one character.
class Utf16Sink {
public:
    explicit Utf16Sink(std::string& out) : m_out(out) {}
    void Unit(std::uint32_t unit) {
        if (m_high != 0) {
            const std::uint32_t high = std::exchange(m_high, 0);
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                AppendUtf8(m_out, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
                return;
            }
            AppendUtf8(m_out, 0xFFFD);
        }
        if (unit >= 0xD800 && unit <= 0xDBFF)
            m_high = unit;
        else
            AppendUtf8(m_out, unit);
    }
    void End() {
        if (m_high != 0) AppendUtf8(m_out, 0xFFFD);
        m_high = 0;
    }

private:
    std::string& m_out;
    std::uint32_t m_high = 0;
};

/// The unescaping of one value: quotes group text (commas and outer blanks
/// inside are kept), unquoted commas split the value into a list, unquoted
/// blanks around items are dropped, backslash escapes as in C.
struct Unescaped {
    bool isList = false;
    std::vector<std::string> items;  // one item unless isList
};

Unescaped Unescape(std::string_view s) {
    Unescaped result;
    std::string current;
    Utf16Sink units(current);
    bool inQuotes = false;
    bool currentQuoted = false;
    std::size_t chopLimit = 0;  // blanks before this index came from escapes or quotes: kept
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    };
    auto chopTrailingBlanks = [&] {
        while (current.size() > chopLimit && (current.back() == ' ' || current.back() == '\t')) current.pop_back();
    };
    auto endItem = [&] {
        units.End();
        if (!currentQuoted) chopTrailingBlanks();
        result.items.push_back(std::move(current));
        current.clear();
        chopLimit = 0;
        currentQuoted = false;
    };

    skipBlanks();
    while (i < s.size()) {
        const char c = s[i];
        if (c == '\\') {
            ++i;
            if (i >= s.size()) break;
            const char e = s[i++];
            if (e != 'x' && !IsOctal(e)) units.End();
            switch (e) {
                case 'a': current += '\a'; break;
                case 'b': current += '\b'; break;
                case 'f': current += '\f'; break;
                case 'n': current += '\n'; break;
                case 'r': current += '\r'; break;
                case 't': current += '\t'; break;
                case 'v': current += '\v'; break;
                case '"': case '?': case '\'': case '\\': current += e; break;
                case 'x': {
                    std::uint32_t value = 0;
                    bool any = false;
                    while (i < s.size() && IsHex(s[i])) {
                        value = ((value << 4) | std::uint32_t(HexValue(s[i++]))) & 0xFFFF;
                        any = true;
                    }
                    if (any) units.Unit(value);
                    break;
                }
                case '\n':
                case '\r':
                    // A line continued on the next one.
                    if (i < s.size() && (s[i] == '\n' || s[i] == '\r') && s[i] != e) ++i;
                    break;
                default:
                    if (IsOctal(e)) {
                        std::uint32_t value = std::uint32_t(e - '0');
                        while (i < s.size() && IsOctal(s[i])) value = ((value << 3) | std::uint32_t(s[i++] - '0')) & 0xFFFF;
                        units.Unit(value);
                    }
                    // Any other escaped character is dropped.
                    break;
            }
            chopLimit = current.size();
            continue;
        }
        if (c == '"') {
            ++i;
            currentQuoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                chopLimit = current.size();
                skipBlanks();
            }
            continue;
        }
        if (c == ',' && !inQuotes) {
            result.isList = true;
            endItem();
            ++i;
            skipBlanks();
            continue;
        }
        std::size_t j = i + 1;
        while (j < s.size() && s[j] != '\\' && s[j] != '"' && s[j] != ',') ++j;
        units.End();
        current.append(s.substr(i, j - i));
        i = j;
    }
    endItem();
    return result;
}

/// A value of another type than text, as the older store wrote it.
bool IsTypedForm(std::string_view s) {
    static constexpr std::array<std::string_view, 8> kForms = {
        "@ByteArray(", "@Variant(", "@DateTime(", "@Rect(", "@Size(", "@Point(", "@Invalid(", "@String(",
    };
    if (!s.ends_with(')')) return false;
    for (std::string_view form : kForms)
        if (s.starts_with(form)) return true;
    return false;
}

/// One unescaped item as text; false when it is a value of another type.
bool ItemText(std::string& item) {
    if (item.starts_with("@String(") && item.ends_with(')')) {
        item = item.substr(8, item.size() - 9);
        return true;
    }
    if (IsTypedForm(item)) return false;
    if (item.starts_with("@@")) item.erase(0, 1);
    return true;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

/// Splits the text into logical lines: a backslash before a line break
/// continues the line (the break stays in it for the value's unescaping).
std::vector<std::string_view> LogicalLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            i += 2;
            if (text[i - 1] == '\r' && i < text.size() && text[i] == '\n') ++i;
            continue;
        }
        if (c == '\n' || c == '\r') {
            lines.push_back(text.substr(start, i - start));
            ++i;
            if (c == '\r' && i < text.size() && text[i] == '\n') ++i;
            start = i;
            continue;
        }
        ++i;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

IniSettingsStore::Section& SectionNamed(std::vector<IniSettingsStore::Section>& sections, std::string_view name) {
    for (auto& section : sections)
        if (section.name == name) return section;
    sections.push_back({std::string(name), {}});
    return sections.back();
}

const IniSettingsStore::Entry* FindEntry(const std::vector<IniSettingsStore::Section>& sections,
                                         std::string_view section, std::string_view key) {
    for (const auto& s : sections) {
        if (s.name != section) continue;
        for (const auto& entry : s.entries)
            if (entry.key == key) return &entry;
    }
    return nullptr;
}

// Keys written before any section header belong to this one, as in the older files.
constexpr std::string_view kGeneralSection = "General";

}  // namespace

StoredText IniSettingsStore::DecodeValue(std::string_view raw) {
    Unescaped u = Unescape(raw);
    if (!u.isList) {
        std::string& text = u.items.front();
        if (!ItemText(text)) return {StoredState::Invalid, {}};
        return {StoredState::Present, std::move(text)};
    }
    // An unquoted value with commas, as a person may type it by hand.
    std::string joined;
    for (std::size_t k = 0; k < u.items.size(); ++k) {
        if (!ItemText(u.items[k])) return {StoredState::Invalid, {}};
        if (k != 0) joined += ',';
        joined += u.items[k];
    }
    return {StoredState::Present, std::move(joined)};
}

std::string IniSettingsStore::EncodeValue(std::string_view value) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(value.size() + 2);
    if (value.starts_with('@')) out += '@';
    bool needsQuotes = false;
    bool escapeNextIfHex = false;
    for (char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == ';' || ch == ',' || ch == '=') needsQuotes = true;
        if (escapeNextIfHex && IsHex(ch)) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
            continue;
        }
        escapeNextIfHex = false;
        switch (ch) {
            case '\0': out += "\\0"; escapeNextIfHex = true; break;
            case '\a': out += "\\a"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\v': out += "\\v"; break;
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out += "\\x";
                    out += kHex[c >> 4];
                    out += kHex[c & 15];
                    escapeNextIfHex = true;
                } else {
                    out += ch;  // UTF-8 stays as it is
                }
        }
    }
    if (needsQuotes || (!out.empty() && (out.front() == ' ' || out.back() == ' '))) out = '"' + out + '"';
    return out;
}

std::string IniSettingsStore::DecodeName(std::string_view raw) {
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\\') {
            out += '/';
        } else if (c == '%' && i + 5 < raw.size() && raw[i + 1] == 'U' && IsHex(raw[i + 2]) && IsHex(raw[i + 3]) &&
                   IsHex(raw[i + 4]) && IsHex(raw[i + 5])) {
            std::uint32_t cp = 0;
            for (int k = 2; k <= 5; ++k) cp = (cp << 4) | std::uint32_t(HexValue(raw[i + k]));
            AppendUtf8(out, cp);
            i += 5;
        } else if (c == '%' && i + 2 < raw.size() && IsHex(raw[i + 1]) && IsHex(raw[i + 2])) {
            AppendUtf8(out, std::uint32_t(HexValue(raw[i + 1]) * 16 + HexValue(raw[i + 2])));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string IniSettingsStore::EncodeName(std::string_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        const bool edgeBlank = c == ' ' && (i == 0 || i + 1 == name.size());
        const bool special = c < 0x20 || c == 0x7F || std::string_view("%=[]\\/;#\"").find(char(c)) != std::string_view::npos;
        if (edgeBlank || special) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += char(c);
        }
    }
    return out;
}

std::vector<IniSettingsStore::Section> IniSettingsStore::Parse(std::string_view text) {
    std::vector<Section> sections;
    Section* current = nullptr;
    for (std::string_view line : LogicalLines(text)) {
        std::string_view t = line;
        while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
        if (t.empty() || t.front() == ';' || t.front() == '#') continue;
        if (t.front() == '[') {
            std::string_view name = t.substr(1);
            if (const auto close = name.find(']'); close != std::string_view::npos) name = name.substr(0, close);
            current = &SectionNamed(sections, DecodeName(TrimBlanks(name)));
            continue;
        }
        const auto eq = t.find('=');
        if (eq == std::string_view::npos) continue;
        std::string key = DecodeName(TrimBlanks(t.substr(0, eq)));
        if (key.empty()) continue;
        if (!current) current = &SectionNamed(sections, kGeneralSection);
        std::string_view raw = t.substr(eq + 1);
        if (raw.ends_with('\r')) raw.remove_suffix(1);
        Entry entry{std::move(key), DecodeValue(raw), std::string(raw)};
        // A key given twice: the later value counts, at the place of the first.
        bool replaced = false;
        for (Entry& existing : current->entries) {
            if (existing.key == entry.key) {
                existing = std::move(entry);
                replaced = true;
                break;
            }
        }
        if (!replaced) current->entries.push_back(std::move(entry));
    }
    return sections;
}

std::string IniSettingsStore::Serialize(const std::vector<Section>& sections) {
    std::string out;
    for (const Section& section : sections) {
        if (section.entries.empty()) continue;
        if (!out.empty()) out += '\n';
        out += '[' + EncodeName(section.name) + "]\n";
        for (const Entry& entry : section.entries) {
            out += EncodeName(entry.key);
            out += '=';
            out += entry.value.state == StoredState::Present ? EncodeValue(entry.value.text) : entry.raw;
            out += '\n';
        }
    }
    return out;
}

std::filesystem::path IniSettingsStore::DefaultFile() {
    return DataFolders::FromEnvironment().SettingsFolder() / (ApplicationKey() + ".ini");
}

IniSettingsStore::IniSettingsStore() : IniSettingsStore(DefaultFile()) {}

IniSettingsStore::IniSettingsStore(std::filesystem::path file) : m_file(std::move(file)) {
    if (Load(m_sections) == FileState::Unusable) {
        m_unusable = true;
        m_sections.clear();
    }
}

IniSettingsStore::FileState IniSettingsStore::Load(std::vector<Section>& sections) const {
    sections.clear();
    std::error_code ec;
    const auto status = std::filesystem::status(m_file, ec);
    if (ec || !std::filesystem::exists(status)) return FileState::Missing;
    // Reading a pipe or a device could block the start for ever.
    if (!std::filesystem::is_regular_file(status)) return FileState::Unusable;
    const auto size = std::filesystem::file_size(m_file, ec);
    if (ec) return FileState::Unusable;
    if (size > kMaxFileBytes) return FileState::Oversized;
    std::ifstream in(m_file, std::ios::binary);
    // A file that exists but cannot be read is not ours to replace.
    if (!in) return FileState::Unusable;
    std::string text;
    text.resize(static_cast<std::size_t>(kMaxFileBytes) + 1);
    in.read(text.data(), std::streamsize(text.size()));
    if (in.bad()) return FileState::Unusable;
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxFileBytes) return FileState::Oversized;  // grew while we looked
    sections = Parse(text);
    return FileState::Readable;
}

void IniSettingsStore::Apply(std::vector<Section>& sections, const Change& change) {
    if (!change.value) {
        for (Section& section : sections) {
            if (section.name != change.section) continue;
            std::erase_if(section.entries, [&](const Entry& e) { return e.key == change.key; });
        }
        return;
    }
    Section& section = SectionNamed(sections, change.section);
    for (Entry& entry : section.entries) {
        if (entry.key == change.key) {
            entry.value = {StoredState::Present, *change.value};
            entry.raw.clear();
            return;
        }
    }
    section.entries.push_back({change.key, {StoredState::Present, *change.value}, {}});
}

StoredText IniSettingsStore::ReadText(std::string_view section, std::string_view key) const {
    const Entry* entry = FindEntry(m_sections, section, key);
    return entry ? entry->value : StoredText{};
}

void IniSettingsStore::WriteText(std::string_view section, std::string_view key, std::string_view value) {
    Change change{std::string(section), std::string(key), std::string(value)};
    Apply(m_sections, change);
    m_changes.push_back(std::move(change));
}

void IniSettingsStore::Remove(std::string_view section, std::string_view key) {
    Change change{std::string(section), std::string(key), std::nullopt};
    Apply(m_sections, change);
    m_changes.push_back(std::move(change));
}

bool IniSettingsStore::Flush() {
    if (m_unusable) return false;
    if (m_changes.empty()) return true;  // nothing written: the file stays as it is
    // Another run may have written keys since we read the file: keep them.
    std::vector<Section> merged;
    if (Load(merged) == FileState::Unusable) return false;
    for (const Change& change : m_changes) Apply(merged, change);
    const std::string text = Serialize(merged);
    try {
        WriteFileAtomically(m_file, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                            "Cannot create the settings file", "Cannot write the settings file");
    } catch (const std::exception&) {
        return false;
    }
    m_sections = std::move(merged);
    m_changes.clear();
    return true;
}

}  // namespace lp
