#pragma once
#include "imaging/picture.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lp {

/// The index of the thumbnail cache and the extension of its thumbnail files.
inline constexpr const char* kCacheIndexName = "oxbrowse.csh";
inline constexpr const char* kCacheFileExtension = ".wbi";
inline constexpr std::size_t kCacheHeaderBytes = 56;
inline constexpr std::size_t kCacheRecordBytes = 601;
inline constexpr std::size_t kCachePathBytes = 260;  // with its NUL
inline constexpr std::size_t kCacheNameBytes = 256;  // with its NUL
/// The quality every cached thumbnail is written with.
inline constexpr int kCacheJpegQuality = 75;
/// Value of smallIconState / thumbQuality meaning "drawn from the picture" / "smoothing resize".
inline constexpr std::int32_t kIconDrawn = 5;
inline constexpr std::int32_t kSmoothQuality = 5;

/// The message shown when the CACHE folder is missing and cannot be made.
inline constexpr const char* kCacheDirectoryError = "Unable to Create Cache Directory\nPictures Will not be Cached";

/// One index record: a source picture (by path, size and last-write time) and
/// its cached thumbnail with the facts that are costly to compute.
struct CacheRecord {
    std::string path;             // absolute, UTF-8, shorter than kCachePathBytes
    std::uint32_t size = 0;       // low 32 bits of the source's size
    std::uint64_t lastWrite = 0;  // FILETIME: 100 ns ticks since 1601
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t colours = -1;  // -1 = not counted
    std::string cacheName;      // "PicNNNNN.wbi", relative to the cache folder
    std::uint8_t animated = 0;  // 1 = a GIF with more than one frame
    std::int32_t smallIconState = 0;
    std::int32_t thumbQuality = 0;

    friend bool operator==(const CacheRecord&, const CacheRecord&) = default;
};

/// Size and last-write time of a file as the index stores them.
struct SourceStamp {
    std::uint32_t size = 0;
    std::uint64_t lastWrite = 0;
};

/// FILETIME (100 ns ticks since 1 January 1601 UTC) of a Unix time.
std::uint64_t FileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds);
/// The stamp of a file (following symbolic links); nothing when it cannot be read.
std::optional<SourceStamp> StampOf(const std::filesystem::path& path);

/// A cache file name the cache may create, read and delete: a plain name in
/// the cache folder ending in ".wbi" — no separator, no "..", no NUL.
bool IsSafeCacheName(std::string_view name);
/// "%s%.5d%s" of "Pic", the number and ".wbi".
std::string CacheFileName(std::int32_t number);

/// The index file's bytes: header with the next number, then every record.
std::vector<std::uint8_t> SerializeCacheIndex(std::int32_t nextNumber, std::span<const CacheRecord> records);

struct ParsedCacheIndex {
    bool valid = false;
    std::string problem;  // why it is not valid
    std::int32_t nextNumber = 0;
    std::vector<CacheRecord> records;
};
/// Reads and validates an index. Anything the cache would have to trust
/// blindly — a short header, a wrong magic, a cut record, a negative next
/// number, a path that is not absolute or not terminated, a cache name that is
/// not a plain ".wbi" name, negative sizes, a colour count below -1, an
/// animated byte other than 0 or 1 — makes the whole index invalid.
ParsedCacheIndex ParseCacheIndex(std::span<const std::uint8_t> bytes);

/// What the "Cache" dialog shows under "Statistics".
struct CacheStatistics {
    std::size_t files = 0;    // records
    std::uint64_t bytes = 0;  // sizes of the existing cache files
    /// "%5d" of the record count.
    std::string FilesText() const;
    /// "%9.2fKb" of bytes / 1024.
    std::string SizeText() const;
};

/// The disk cache of thumbnails: the CACHE folder with its index
/// "oxbrowse.csh" and one ".wbi" JPEG file per thumbnail.
///
/// Thread safety: every member function locks the object, so the workers of
/// one list (or of the command line's parallel run) may share it.
///
/// Two program instances sharing one folder: each cache file is created
/// exclusively (O_EXCL), skipping numbers already in use, so no two writers
/// ever share a file; the index is written to a temporary file and renamed
/// over the old one, so readers see either index whole. The last instance to
/// save wins: records only the other one added are forgotten (their files stay
/// until the folder is cleaned by hand), but the index is never corrupted.
///
/// Whatever the index says, the cache creates, overwrites or deletes nothing
/// outside its folder and nothing but ".wbi" files inside it.
class CThumbnailCache {
public:
    /// Create: makes the folder when missing and loads the index. An index
    /// that is missing is created with next number 0; one that fails
    /// validation is set aside and replaced by an empty one.
    /// enabled is the `CacheInfo` setting: when false, the index is neither read
    /// nor written and Lookup finds nothing.
    CThumbnailCache(std::filesystem::path directory, bool enabled);
    /// The folder every browser list and the command line use.
    static std::filesystem::path DefaultDirectory();

    /// Saves the index (when enabled).
    ~CThumbnailCache();
    CThumbnailCache(const CThumbnailCache&) = delete;
    CThumbnailCache& operator=(const CThumbnailCache&) = delete;

    const std::filesystem::path& Directory() const { return m_directory; }
    std::filesystem::path IndexPath() const { return m_directory / kCacheIndexName; }
    /// False when the folder could not be made: kCacheDirectoryError applies.
    bool DirectoryUsable() const { return m_directoryUsable; }
    /// True when the index found at creation failed validation (it was replaced).
    bool IndexWasRebuilt() const { return m_rebuilt; }

    bool Enabled() const;
    /// The dialog's "Enable Cache Info" box. Turning it on loads the index.
    void SetEnabled(bool enabled);

    /// The first record of the path; a stale record (size or time changed, or
    /// its file gone) is dropped, together with its file.
    std::optional<CacheRecord> Lookup(const std::string& path, std::uint32_t size, std::uint64_t lastWrite);
    /// Drops the first record of the path and deletes its file (a cache file
    /// that turned out to be unusable).
    void Forget(const std::string& path);
    /// Appends a record. False (nothing added) for a record whose path or name
    /// does not fit the index or is unsafe.
    bool Add(CacheRecord record);

    /// Writes the thumbnail as a new cache file: reserves the next free number
    /// by creating "PicNNNNN.wbi" exclusively, then writes the JPEG over it
    /// atomically. Returns the file name; nothing when the cache is disabled,
    /// the folder is unusable or the write failed (the reserved file is removed).
    std::optional<std::string> StoreThumbnail(const Picture& thumbnail);
    /// Reads a cache file. Throws ImpExpException when it cannot be read.
    Picture ReadThumbnail(const CacheRecord& record) const;

    /// Writes the index atomically (only when something changed since it was
    /// read or last written). False when it could not be written (the old
    /// index is then untouched) or the cache is disabled.
    bool Save();

    CacheStatistics Statistics() const;
    /// "&All": deletes every record's file, drops every record, next number 0.
    void CleanAll();
    /// "&Keep Only " N days (1..365): drops records whose file is missing, and
    /// those whose file is more than N whole days old (with the file).
    void CleanOlderThan(int days, std::chrono::system_clock::time_point now = std::chrono::system_clock::now());

    std::int32_t NextNumber() const;
    std::vector<CacheRecord> Records() const;

private:
    void LoadLocked();
    /// The first record of the path, through an index by path rebuilt after removals.
    std::vector<CacheRecord>::iterator FindLocked(const std::string& path);
    void EraseLocked(std::vector<CacheRecord>::iterator it);
    void RemoveFileLocked(const std::string& name) const;

    mutable std::mutex m_mutex;
    std::filesystem::path m_directory;
    bool m_enabled;
    bool m_directoryUsable = false;
    bool m_loaded = false;
    bool m_rebuilt = false;
    bool m_dirty = false;  // records or next number differ from the index file
    std::int32_t m_nextNumber = 0;
    std::vector<CacheRecord> m_records;
    std::unordered_map<std::string, std::size_t> m_byPath;  // first record of each path
    bool m_byPathValid = false;
};

}  // namespace lp
