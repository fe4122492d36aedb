#include "browser/thumbnail_cache.h"

#include "base/data_folders.h"
#include "base/atomic_file.h"
#include "formats/io/bounded_reader.h"
#include "formats/jpeg/jpeg_reader.h"
#include "formats/jpeg/jpeg_writer.h"
#include "base/imp_exp_exception.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <limits>

namespace lp {

namespace {

constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;
// A thumbnail file is a small JPEG; anything much larger is not one of ours.
constexpr std::uint64_t kMaxCacheFileBytes = 4u << 20;
// An index larger than this many records (150 MB) is not read: it is rebuilt.
constexpr std::uint64_t kMaxIndexRecords = 250'000;

void PutU32(std::uint8_t* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = std::uint8_t(v >> (8 * i));
}
std::uint32_t GetU32(const std::uint8_t* in) {
    return std::uint32_t(in[0]) | std::uint32_t(in[1]) << 8 | std::uint32_t(in[2]) << 16 | std::uint32_t(in[3]) << 24;
}
std::int32_t GetI32(const std::uint8_t* in) { return static_cast<std::int32_t>(GetU32(in)); }

/// The NUL-terminated text of a fixed field; nothing when the field has no NUL.
std::optional<std::string> FieldText(const std::uint8_t* field, std::size_t width) {
    const auto* end = static_cast<const std::uint8_t*>(std::memchr(field, 0, width));
    if (!end) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(field), std::size_t(end - field));
}

}  // namespace

std::uint64_t FileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds) {
    const std::int64_t since1601 = seconds + kSecondsFrom1601To1970;
    if (since1601 <= 0) return 0;
    return std::uint64_t(since1601) * 10'000'000u + std::uint64_t(std::max<std::int64_t>(nanoseconds, 0) / 100);
}

std::optional<SourceStamp> StampOf(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return SourceStamp{static_cast<std::uint32_t>(std::uint64_t(st.st_size) & 0xFFFFFFFFu),
                       FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec)};
}

bool IsSafeCacheName(std::string_view name) {
    if (name.size() <= 4 || name.size() >= kCacheNameBytes) return false;
    if (name.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos) return false;
    if (name.find("..") != std::string_view::npos) return false;
    std::string ext(name.substr(name.size() - 4));
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext == kCacheFileExtension;
}

std::string CacheFileName(std::int32_t number) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%.5d%s", "Pic", number, kCacheFileExtension);
    return text;
}

std::vector<std::uint8_t> SerializeCacheIndex(std::int32_t nextNumber, std::span<const CacheRecord> records) {
    std::vector<std::uint8_t> out(kCacheHeaderBytes + records.size() * kCacheRecordBytes, 0);
    out[0] = 'O';
    out[1] = 'X';
    PutU32(&out[2], static_cast<std::uint32_t>(nextNumber));
    std::fill(out.begin() + 6, out.begin() + kCacheHeaderBytes, std::uint8_t(' '));
    std::uint8_t* r = out.data() + kCacheHeaderBytes;
    for (const CacheRecord& record : records) {
        std::memcpy(r, record.path.data(), std::min(record.path.size(), kCachePathBytes - 1));
        PutU32(r + 260, record.size);
        PutU32(r + 264, static_cast<std::uint32_t>(record.lastWrite & 0xFFFFFFFFu));
        PutU32(r + 268, static_cast<std::uint32_t>(record.lastWrite >> 32));
        PutU32(r + 272, static_cast<std::uint32_t>(record.width));
        PutU32(r + 276, static_cast<std::uint32_t>(record.height));
        PutU32(r + 280, static_cast<std::uint32_t>(record.colours));
        std::memcpy(r + 288, record.cacheName.data(), std::min(record.cacheName.size(), kCacheNameBytes - 1));
        r[544] = record.animated;
        PutU32(r + 593, static_cast<std::uint32_t>(record.smallIconState));
        PutU32(r + 597, static_cast<std::uint32_t>(record.thumbQuality));
        r += kCacheRecordBytes;
    }
    return out;
}

ParsedCacheIndex ParseCacheIndex(std::span<const std::uint8_t> bytes) {
    ParsedCacheIndex parsed;
    auto fail = [&](std::string why) {
        parsed.valid = false;
        parsed.problem = std::move(why);
        parsed.records.clear();
        parsed.nextNumber = 0;
        return parsed;
    };
    if (bytes.size() < kCacheHeaderBytes) return fail("short header");
    if (bytes[0] != 'O' || bytes[1] != 'X') return fail("wrong magic");
    parsed.nextNumber = GetI32(&bytes[2]);
    if (parsed.nextNumber < 0) return fail("negative next number");
    const std::size_t body = bytes.size() - kCacheHeaderBytes;
    if (body % kCacheRecordBytes != 0) return fail("cut record");
    const std::size_t count = body / kCacheRecordBytes;
    parsed.records.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* r = bytes.data() + kCacheHeaderBytes + i * kCacheRecordBytes;
        CacheRecord record;
        auto path = FieldText(r, kCachePathBytes);
        if (!path || path->empty() || (*path)[0] != '/') return fail("bad path in record " + std::to_string(i));
        record.path = std::move(*path);
        record.size = GetU32(r + 260);
        record.lastWrite = std::uint64_t(GetU32(r + 264)) | std::uint64_t(GetU32(r + 268)) << 32;
        record.width = GetI32(r + 272);
        record.height = GetI32(r + 276);
        record.colours = GetI32(r + 280);
        if (record.width < 0 || record.height < 0 || record.colours < -1)
            return fail("number out of range in record " + std::to_string(i));
        auto name = FieldText(r + 288, kCacheNameBytes);
        if (!name || !IsSafeCacheName(*name)) return fail("bad cache name in record " + std::to_string(i));
        record.cacheName = std::move(*name);
        record.animated = r[544];
        if (record.animated > 1) return fail("bad animated byte in record " + std::to_string(i));
        record.smallIconState = GetI32(r + 593);
        record.thumbQuality = GetI32(r + 597);
        // The reserved fields are not checked: nothing reads them.
        parsed.records.push_back(std::move(record));
    }
    parsed.valid = true;
    return parsed;
}

std::string CacheStatistics::FilesText() const {
    char text[32];
    std::snprintf(text, sizeof text, "%5d", static_cast<int>(std::min<std::size_t>(files, INT_MAX)));
    return text;
}

std::string CacheStatistics::SizeText() const {
    // The text of "%9.2f" (never negative), built without the locale so the
    // point is always ".".
    const std::uint64_t hundredths = (bytes * 100 + 512) / 1024;
    char text[48];
    std::snprintf(text, sizeof text, "%6llu.%02llu", static_cast<unsigned long long>(hundredths / 100),
                  static_cast<unsigned long long>(hundredths % 100));
    return std::string(text) + "Kb";
}

// ---------------------------------------------------------------------------

std::filesystem::path CThumbnailCache::DefaultDirectory() {
    return DataFolders::FromEnvironment().Folder(DataFolder::Cache);
}

CThumbnailCache::CThumbnailCache(std::filesystem::path directory, bool enabled)
    : m_directory(std::move(directory)), m_enabled(enabled) {
    std::error_code ec;
    std::filesystem::create_directories(m_directory, ec);
    m_directoryUsable = std::filesystem::is_directory(m_directory, ec);
    std::lock_guard lock(m_mutex);
    if (m_enabled) LoadLocked();
}

CThumbnailCache::~CThumbnailCache() { Save(); }

void CThumbnailCache::LoadLocked() {
    m_loaded = true;
    m_byPathValid = false;
    m_dirty = false;
    m_records.clear();
    m_nextNumber = 0;
    if (!m_directoryUsable) return;
    const auto index = m_directory / kCacheIndexName;
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(index, ec);
    if (ec || !std::filesystem::exists(status)) {
        try {
            const auto bytes = SerializeCacheIndex(0, {});
            WriteFileAtomically(index, bytes, "Cannot create the cache index", "Cannot write the cache index");
        } catch (const std::exception&) {
            // No index can be written: the cache runs without files.
            m_directoryUsable = false;
        }
        return;
    }
    std::vector<std::uint8_t> bytes;
    bool readable = std::filesystem::is_regular_file(status);
    if (readable) {
        try {
            bytes = ReadWholeFile(index, "Cannot read the cache index",
                                  kCacheHeaderBytes + std::uint64_t(kCacheRecordBytes) * kMaxIndexRecords);
        } catch (const std::exception&) {
            readable = false;
        }
    }
    ParsedCacheIndex parsed = readable ? ParseCacheIndex(bytes) : ParsedCacheIndex{};
    if (!parsed.valid) {
        // Not trusted: replaced by an empty index right away, so that the next
        // instance does not have to judge it again.
        m_rebuilt = true;
        try {
            WriteFileAtomically(index, SerializeCacheIndex(0, {}), "Cannot create the cache index",
                                "Cannot write the cache index");
        } catch (const std::exception&) {
        }
        return;
    }
    m_nextNumber = parsed.nextNumber;
    m_records = std::move(parsed.records);
}

bool CThumbnailCache::Enabled() const {
    std::lock_guard lock(m_mutex);
    return m_enabled;
}

void CThumbnailCache::SetEnabled(bool enabled) {
    std::lock_guard lock(m_mutex);
    m_enabled = enabled;
    if (m_enabled && !m_loaded) LoadLocked();
}

std::vector<CacheRecord>::iterator CThumbnailCache::FindLocked(const std::string& path) {
    if (!m_byPathValid) {
        m_byPath.clear();
        for (std::size_t i = 0; i < m_records.size(); ++i) m_byPath.emplace(m_records[i].path, i);
        m_byPathValid = true;
    }
    const auto it = m_byPath.find(path);
    return it == m_byPath.end() ? m_records.end() : m_records.begin() + std::ptrdiff_t(it->second);
}

void CThumbnailCache::EraseLocked(std::vector<CacheRecord>::iterator it) {
    m_records.erase(it);
    m_byPathValid = false;
    m_dirty = true;
}

void CThumbnailCache::RemoveFileLocked(const std::string& name) const {
    if (!m_directoryUsable || !IsSafeCacheName(name)) return;
    // remove() unlinks a symbolic link itself, never what it points to.
    std::error_code ec;
    std::filesystem::remove(m_directory / name, ec);
}

std::optional<CacheRecord> CThumbnailCache::Lookup(const std::string& path, std::uint32_t size,
                                                   std::uint64_t lastWrite) {
    std::lock_guard lock(m_mutex);
    if (!m_enabled || !m_loaded) return std::nullopt;
    const auto it = FindLocked(path);
    if (it == m_records.end()) return std::nullopt;
    if (it->lastWrite != lastWrite || it->size != size) {
        RemoveFileLocked(it->cacheName);
        EraseLocked(it);
        return std::nullopt;
    }
    std::error_code ec;
    if (!m_directoryUsable || !std::filesystem::is_regular_file(m_directory / it->cacheName, ec)) {
        EraseLocked(it);
        return std::nullopt;
    }
    return *it;
}

void CThumbnailCache::Forget(const std::string& path) {
    std::lock_guard lock(m_mutex);
    const auto it = FindLocked(path);
    if (it == m_records.end()) return;
    RemoveFileLocked(it->cacheName);
    EraseLocked(it);
}

bool CThumbnailCache::Add(CacheRecord record) {
    if (record.path.empty() || record.path.size() >= kCachePathBytes || record.path.find('\0') != std::string::npos)
        return false;
    if (!IsSafeCacheName(record.cacheName)) return false;
    std::lock_guard lock(m_mutex);
    if (!m_enabled || !m_loaded) return false;
    try {
        m_records.push_back(std::move(record));
    } catch (const std::bad_alloc&) {
        return false;  // shown but not recorded
    }
    m_dirty = true;
    try {
        // emplace keeps an earlier record of the same path as the first.
        if (m_byPathValid) m_byPath.emplace(m_records.back().path, m_records.size() - 1);
    } catch (const std::bad_alloc&) {
        m_byPathValid = false;
    }
    return true;
}

std::optional<std::string> CThumbnailCache::StoreThumbnail(const Picture& thumbnail) {
    std::vector<std::uint8_t> jpeg;
    try {
        jpeg = EncodeJpeg(thumbnail, kCacheJpegQuality, nullptr, "Writing to Cache");
    } catch (const std::exception&) {
        return std::nullopt;
    }
    std::string name;
    int fd = -1;
    {
        std::lock_guard lock(m_mutex);
        if (!m_enabled || !m_loaded || !m_directoryUsable) return std::nullopt;
        // Reserve the name: a file that already exists (another list, another
        // instance, or a record of a rebuilt index) is never reused.
        for (;;) {
            if (m_nextNumber < 0 || m_nextNumber == std::numeric_limits<std::int32_t>::max()) return std::nullopt;
            name = CacheFileName(m_nextNumber++);
            m_dirty = true;
            const auto target = m_directory / name;
            fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
            if (fd >= 0) break;
            if (errno != EEXIST) return std::nullopt;
        }
    }
    // The new name is ours alone and nothing trusts it before the record that
    // names it reaches the index, which Save writes only once the cache files
    // are on disk: so the file is written in place, without a temporary file
    // and a sync of its own for every thumbnail.
    const auto target = m_directory / name;
    const std::uint8_t* p = jpeg.data();
    std::size_t left = jpeg.size();
    bool written = true;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            written = false;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) written = false;
    if (!written) {
        ::unlink(target.c_str());
        return std::nullopt;
    }
    return name;
}

Picture CThumbnailCache::ReadThumbnail(const CacheRecord& record) const {
    if (!IsSafeCacheName(record.cacheName))
        throw ImpExpException(record.cacheName, "Invalid cache file name", "Cache Error");
    const auto file = m_directory / record.cacheName;
    std::vector<std::uint8_t> bytes;
    try {
        bytes = ReadWholeFile(file, "Error Opening File\n" + file.string(), kMaxCacheFileBytes);
    } catch (const InnerError& e) {
        throw ImpExpException(file.string(), e.what(), "Jpeg Error");
    }
    JpegReadOptions options;
    options.limits.maxDimension = 4096;
    options.limits.maxPixels = 4096ull * 4096;
    return DecodeJpeg(bytes, file.string(), nullptr, options);
}

bool CThumbnailCache::Save() {
    std::lock_guard lock(m_mutex);
    if (!m_enabled || !m_loaded || !m_directoryUsable) return false;
    std::error_code ec;
    if (!m_dirty && std::filesystem::is_regular_file(m_directory / kCacheIndexName, ec)) return true;
    // The cache files were written without syncs of their own: they reach the
    // disk before an index that names them does.
    if (const int folder = ::open(m_directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); folder >= 0) {
        const bool synced = ::syncfs(folder) == 0;
        ::close(folder);
        if (!synced) return false;
    }
    try {
        WriteFileAtomically(m_directory / kCacheIndexName, SerializeCacheIndex(m_nextNumber, m_records),
                            "Cannot create the cache index", "Cannot write the cache index");
    } catch (const std::exception&) {
        return false;
    }
    m_dirty = false;
    return true;
}

CacheStatistics CThumbnailCache::Statistics() const {
    std::lock_guard lock(m_mutex);
    CacheStatistics stats;
    stats.files = m_records.size();
    if (!m_directoryUsable) return stats;
    for (const CacheRecord& r : m_records) {
        std::error_code ec;
        const auto file = m_directory / r.cacheName;
        if (!std::filesystem::is_regular_file(file, ec)) continue;
        const auto size = std::filesystem::file_size(file, ec);
        if (!ec) stats.bytes += size;
    }
    return stats;
}

void CThumbnailCache::CleanAll() {
    std::lock_guard lock(m_mutex);
    for (const CacheRecord& r : m_records) RemoveFileLocked(r.cacheName);
    m_records.clear();
    m_byPathValid = false;
    m_nextNumber = 0;
    m_dirty = true;
}

void CThumbnailCache::CleanOlderThan(int days, std::chrono::system_clock::time_point now) {
    days = std::clamp(days, 1, 365);
    std::lock_guard lock(m_mutex);
    const std::int64_t nowSeconds =
        std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
    const std::size_t before = m_records.size();
    std::erase_if(m_records, [&](const CacheRecord& r) {
        struct stat st {};
        const auto file = m_directory / r.cacheName;
        if (!m_directoryUsable || ::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return true;
        const std::int64_t age = (nowSeconds - std::int64_t(st.st_mtim.tv_sec)) / 86400;
        if (age > days) {
            RemoveFileLocked(r.cacheName);
            return true;
        }
        return false;
    });
    if (m_records.size() != before) {
        m_dirty = true;
        m_byPathValid = false;
    }
}

std::int32_t CThumbnailCache::NextNumber() const {
    std::lock_guard lock(m_mutex);
    return m_nextNumber;
}

std::vector<CacheRecord> CThumbnailCache::Records() const {
    std::lock_guard lock(m_mutex);
    return m_records;
}

}  // namespace lp
