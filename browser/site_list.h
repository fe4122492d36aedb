#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lp {

/// The site list of the browser's "Web-Sites" branch and each site's picture list.
inline constexpr const char* kSiteListName = "httpsite.htp";
inline constexpr const char* kPictureListExtension = ".him";
inline constexpr std::size_t kSiteListHeaderBytes = 56;
inline constexpr std::size_t kSiteRecordBytes = 842;
inline constexpr std::size_t kOldSiteRecordBytes = 578;  // files with the magic "HT"
inline constexpr std::size_t kSiteUrlBytes = 260;
inline constexpr std::size_t kPictureListNameBytes = 260;
inline constexpr std::size_t kMappedDirectoryBytes = 304;
inline constexpr std::size_t kPictureListEntryBytes = 260;
/// The "Recursive Level" list: "1" .. "5", "All" (index 5).
inline constexpr int kAllLevels = 5;

/// One listed web site.
struct SiteRecord {
    std::string url;              // normalised: server and object path, without "http://"
    std::int32_t level = 0;       // index in the "Recursive Level" list
    bool downloadAll = false;     // "&DownLoad All Files"
    std::string pictureList;      // "htpNNNNN.him", empty while none
    bool mapLocally = false;      // "Map the URL Locally"
    std::string mappedDirectory;  // the local directory of a mapped site

    /// Pages are followed this deep (recursive level + 1; "All" gives 6).
    int SearchDepth() const { return level >= kAllLevels ? 6 : level + 1; }
    friend bool operator==(const SiteRecord&, const SiteRecord&) = default;
};

/// "http://" text parsed and stored as server + object path; other text as typed.
/// Nothing when the text contains "http://" (or "https://") but does not parse.
std::optional<std::string> NormaliseSiteUrl(std::string_view typed);
/// The browser location of a site: "http://" + its stored URL.
std::string SiteLocation(const SiteRecord& site);

/// The site list file's bytes: header "MT" with the next number, then the records.
std::vector<std::uint8_t> SerializeSiteList(std::int32_t nextNumber, std::span<const SiteRecord> records);
struct ParsedSiteList {
    bool valid = false;  // false: another magic, or a short header
    std::int32_t nextNumber = 0;
    std::vector<SiteRecord> records;
};
/// Reads "MT" files and converts the older "HT" layout; records until a short read.
ParsedSiteList ParseSiteList(std::span<const std::uint8_t> bytes);

/// A picture list: 260-byte entries, each a NUL-terminated, zero-padded local path.
std::vector<std::uint8_t> SerializePictureList(std::span<const std::filesystem::path> paths);
std::vector<std::filesystem::path> ParsePictureList(std::span<const std::uint8_t> bytes);

/// `CSiteList`: the sites of the "Web-Sites" branch, stored beside the
/// thumbnail index in the cache folder. Loaded when made, saved by Save (the
/// tree saves it when it goes away).
class CSiteList {
public:
    /// Loads the list; a missing file is created with an empty header.
    /// cacheInfo is the `CacheInfo` setting: the picture-list operations do
    /// nothing while it is off.
    CSiteList(std::filesystem::path cacheDirectory, bool cacheInfo);

    const std::filesystem::path& Directory() const { return m_directory; }
    std::filesystem::path FilePath() const { return m_directory / kSiteListName; }
    void SetCacheInfo(bool on) { m_cacheInfo = on; }

    std::size_t Count() const { return m_records.size(); }
    const SiteRecord& Record(std::size_t i) const { return m_records.at(i); }
    SiteRecord& Record(std::size_t i) { return m_records.at(i); }
    std::int32_t NextNumber() const { return m_nextNumber; }
    /// The index of the record whose stored URL equals url (case-insensitive).
    std::optional<std::size_t> Find(std::string_view url) const;
    /// The record a browser location ("http://" + URL) belongs to.
    std::optional<std::size_t> FindLocation(std::string_view location) const;
    /// False when the URL is listed already.
    bool Add(SiteRecord record);
    /// False when i is out of range or the new URL belongs to another record.
    bool Modify(std::size_t i, SiteRecord record);
    bool Delete(std::size_t i);

    /// The downloaded pictures of a site; nothing while caching is off or the
    /// site has no picture list.
    std::optional<std::vector<std::filesystem::path>> ReadPictureList(std::string_view url) const;
    /// Writes the site's picture list, naming it "htpNNNNN.him" on first use.
    /// False while caching is off, for an unknown site, or when the write failed.
    bool WritePictureList(std::string_view url, std::span<const std::filesystem::path> paths);

    /// Writes the file (header with the next number, all records), atomically.
    bool Save() const;

private:
    std::filesystem::path m_directory;
    bool m_cacheInfo;
    std::int32_t m_nextNumber = 0;
    std::vector<SiteRecord> m_records;
};

}  // namespace lp
