#include "browser/site_list.h"

#include "base/atomic_file.h"
#include "web/url_fetch.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <strings.h>

namespace lp {

namespace {

constexpr char kMagic[] = "MT";
constexpr char kOldMagic[] = "HT";

void PutInt(std::vector<std::uint8_t>& out, std::size_t at, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) out[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

std::int32_t GetInt(std::span<const std::uint8_t> in, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t(in[at + std::size_t(i)]) << (8 * i);
    return static_cast<std::int32_t>(v);
}

/// A NUL-terminated text in a field of `width` bytes; the rest stays as filled.
void PutText(std::vector<std::uint8_t>& out, std::size_t at, std::size_t width, std::string_view text) {
    const std::size_t n = std::min(text.size(), width - 1);
    std::memcpy(out.data() + at, text.data(), n);
    out[at + n] = 0;
}

/// The text of a field up to its NUL, never past its width minus one.
std::string GetText(std::span<const std::uint8_t> in, std::size_t at, std::size_t width) {
    std::string text;
    for (std::size_t i = 0; i + 1 < width && in[at + i] != 0; ++i) text.push_back(char(in[at + i]));
    return text;
}

/// A field the list pads with blanks reads as empty when nothing but blanks is in it.
std::string TrimBlanks(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

bool ContainsHttp(std::string_view text) {
    return text.find("http://") != std::string_view::npos || text.find("https://") != std::string_view::npos;
}

std::string StripScheme(std::string_view location) {
    for (std::string_view scheme : {"http://", "https://"})
        if (location.size() >= scheme.size() && ::strncasecmp(location.data(), scheme.data(), scheme.size()) == 0)
            return std::string(location.substr(scheme.size()));
    return std::string(location);
}

std::optional<std::vector<std::uint8_t>> ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::optional<std::string> NormaliseSiteUrl(std::string_view typed) {
    if (!ContainsHttp(typed)) return std::string(typed);
    const auto parsed = ParseHttpUrl(typed.substr(std::min(typed.find("http"), typed.size())));
    if (!parsed || parsed->server.empty()) return std::nullopt;
    std::string stored = parsed->server;
    if (parsed->port != 0) stored += ":" + std::to_string(parsed->port);
    stored += parsed->object.empty() ? std::string("/") : parsed->object;
    return stored;
}

std::string SiteLocation(const SiteRecord& site) { return "http://" + site.url; }

std::vector<std::uint8_t> SerializeSiteList(std::int32_t nextNumber, std::span<const SiteRecord> records) {
    std::vector<std::uint8_t> out(kSiteListHeaderBytes + records.size() * kSiteRecordBytes, 0);
    out[0] = std::uint8_t(kMagic[0]);
    out[1] = std::uint8_t(kMagic[1]);
    PutInt(out, 2, nextNumber);
    std::fill(out.begin() + 6, out.begin() + std::ptrdiff_t(kSiteListHeaderBytes), std::uint8_t(' '));
    std::size_t at = kSiteListHeaderBytes;
    for (const SiteRecord& r : records) {
        PutText(out, at, kSiteUrlBytes, r.url);
        PutInt(out, at + 260, 0);
        PutInt(out, at + 264, r.level);
        PutInt(out, at + 268, r.downloadAll ? 1 : 0);
        // The picture-list name is 260 blanks while the site has none.
        std::fill(out.begin() + std::ptrdiff_t(at + 272), out.begin() + std::ptrdiff_t(at + 272 + kPictureListNameBytes),
                  std::uint8_t(' '));
        if (!r.pictureList.empty()) PutText(out, at + 272, kPictureListNameBytes, r.pictureList);
        PutInt(out, at + 532, r.mapLocally ? 1 : 0);
        std::fill(out.begin() + std::ptrdiff_t(at + 536), out.begin() + std::ptrdiff_t(at + 536 + kMappedDirectoryBytes),
                  std::uint8_t(' '));
        PutText(out, at + 536, kMappedDirectoryBytes, r.mappedDirectory);
        out[at + 840] = out[at + 841] = ' ';
        at += kSiteRecordBytes;
    }
    return out;
}

ParsedSiteList ParseSiteList(std::span<const std::uint8_t> bytes) {
    ParsedSiteList parsed;
    if (bytes.size() < kSiteListHeaderBytes) return parsed;
    const bool current = bytes[0] == kMagic[0] && bytes[1] == kMagic[1];
    const bool old = bytes[0] == kOldMagic[0] && bytes[1] == kOldMagic[1];
    if (!current && !old) return parsed;
    parsed.valid = true;
    parsed.nextNumber = std::max(0, GetInt(bytes, 2));
    const std::size_t recordBytes = current ? kSiteRecordBytes : kOldSiteRecordBytes;
    for (std::size_t at = kSiteListHeaderBytes; at + recordBytes <= bytes.size(); at += recordBytes) {
        SiteRecord r;
        r.url = GetText(bytes, at, kSiteUrlBytes);
        r.level = std::clamp(GetInt(bytes, at + 264), 0, kAllLevels);
        r.downloadAll = GetInt(bytes, at + 268) == 1;
        r.pictureList = TrimBlanks(GetText(bytes, at + 272, kPictureListNameBytes));
        if (current) {
            r.mapLocally = GetInt(bytes, at + 532) == 1;
            r.mappedDirectory = TrimBlanks(GetText(bytes, at + 536, kMappedDirectoryBytes));
        }
        // A picture-list name is a plain file of the cache folder, whatever the file says.
        if (r.pictureList.find('/') != std::string::npos || r.pictureList.find("..") != std::string::npos)
            r.pictureList.clear();
        parsed.records.push_back(std::move(r));
    }
    return parsed;
}

std::vector<std::uint8_t> SerializePictureList(std::span<const std::filesystem::path> paths) {
    std::vector<std::uint8_t> out;
    out.reserve(paths.size() * kPictureListEntryBytes);
    for (const auto& path : paths) {
        const std::string text = path.string();
        if (text.size() >= kPictureListEntryBytes) continue;  // does not fit the entry
        const std::size_t at = out.size();
        out.resize(at + kPictureListEntryBytes, 0);
        std::memcpy(out.data() + at, text.data(), text.size());
    }
    return out;
}

std::vector<std::filesystem::path> ParsePictureList(std::span<const std::uint8_t> bytes) {
    std::vector<std::filesystem::path> paths;
    for (std::size_t at = 0; at + kPictureListEntryBytes <= bytes.size(); at += kPictureListEntryBytes) {
        std::string text = GetText(bytes, at, kPictureListEntryBytes);
        if (!text.empty()) paths.emplace_back(std::move(text));
    }
    return paths;
}

// ---------------------------------------------------------------------------

CSiteList::CSiteList(std::filesystem::path cacheDirectory, bool cacheInfo)
    : m_directory(std::move(cacheDirectory)), m_cacheInfo(cacheInfo) {
    std::error_code ec;
    std::filesystem::create_directories(m_directory, ec);
    if (!std::filesystem::exists(FilePath(), ec)) {
        Save();
        return;
    }
    if (const auto bytes = ReadAll(FilePath())) {
        ParsedSiteList parsed = ParseSiteList(*bytes);
        if (parsed.valid) {
            m_nextNumber = parsed.nextNumber;
            m_records = std::move(parsed.records);
        }
    }
}

std::optional<std::size_t> CSiteList::Find(std::string_view url) const {
    for (std::size_t i = 0; i < m_records.size(); ++i)
        if (m_records[i].url.size() == url.size() && ::strncasecmp(m_records[i].url.data(), url.data(), url.size()) == 0)
            return i;
    return std::nullopt;
}

std::optional<std::size_t> CSiteList::FindLocation(std::string_view location) const {
    const std::string stripped = StripScheme(location);
    if (auto found = Find(stripped)) return found;
    // "http://server" names the site stored as "server/".
    if (stripped.find('/') == std::string::npos) return Find(stripped + "/");
    return std::nullopt;
}

bool CSiteList::Add(SiteRecord record) {
    if (record.url.empty() || Find(record.url)) return false;
    m_records.push_back(std::move(record));
    return true;
}

bool CSiteList::Modify(std::size_t i, SiteRecord record) {
    if (i >= m_records.size() || record.url.empty()) return false;
    const auto other = Find(record.url);
    if (other && *other != i) return false;
    m_records[i] = std::move(record);
    return true;
}

bool CSiteList::Delete(std::size_t i) {
    if (i >= m_records.size()) return false;
    m_records.erase(m_records.begin() + std::ptrdiff_t(i));
    return true;
}

std::optional<std::vector<std::filesystem::path>> CSiteList::ReadPictureList(std::string_view url) const {
    if (!m_cacheInfo) return std::nullopt;
    const auto i = FindLocation(url);
    if (!i || m_records[*i].pictureList.empty()) return std::nullopt;
    const auto bytes = ReadAll(m_directory / m_records[*i].pictureList);
    if (!bytes) return std::nullopt;
    return ParsePictureList(*bytes);
}

bool CSiteList::WritePictureList(std::string_view url, std::span<const std::filesystem::path> paths) {
    if (!m_cacheInfo) return false;
    const auto i = FindLocation(url);
    if (!i) return false;
    SiteRecord& r = m_records[*i];
    if (r.pictureList.empty()) {
        char name[32];
        std::snprintf(name, sizeof name, "%s%.5d%s", "htp", int(m_nextNumber), kPictureListExtension);
        ++m_nextNumber;
        r.pictureList = name;
    }
    try {
        WriteFileAtomically(m_directory / r.pictureList, SerializePictureList(paths), "Unable to open file",
                            "Unable to write file");
    } catch (...) {
        return false;
    }
    return Save();
}

bool CSiteList::Save() const {
    try {
        WriteFileAtomically(FilePath(), SerializeSiteList(m_nextNumber, m_records), "Unable to open file",
                            "Unable to write file");
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace lp
