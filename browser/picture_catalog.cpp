#include "browser/picture_catalog.h"

#include "browser/thumbnail_cache.h"
#include "formats/file_types.h"
#include "formats/format_table.h"
#include "imaging/colour_count.h"
#include "base/imp_exp_exception.h"
#include "imaging/resize.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <strings.h>

namespace lp {

namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;

int CompareText(const std::string& a, const std::string& b) {
    const int c = ::strcasecmp(a.c_str(), b.c_str());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CompareDescending(std::int32_t a, std::int32_t b) { return a < b ? 1 : (a > b ? -1 : 0); }

template <class T>
int CompareValues(T a, T b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

Picture MakePlaceholder(int size) {
    Picture p;
    p.Create(size, size);
    p.Fill(0x00F0F0F0);
    for (int x = 0; x < size; ++x)
        for (int y : {0, size - 1}) {
            auto row = p.RowFromTop(y);
            row[std::size_t(x) * 3] = row[std::size_t(x) * 3 + 1] = row[std::size_t(x) * 3 + 2] = 0x80;
        }
    for (int y = 0; y < size; ++y) {
        auto row = p.RowFromTop(y);
        for (int x : {0, size - 1}) row[std::size_t(x) * 3] = row[std::size_t(x) * 3 + 1] = row[std::size_t(x) * 3 + 2] = 0x80;
    }
    return p;
}

}  // namespace

const std::vector<CatalogColumn>& CatalogColumns() {
    using A = CatalogColumn::Align;
    static const std::vector<CatalogColumn> columns = {
        {"File Name", 170, A::Left},   {"Size (Bytes)", 75, A::Right}, {"Last Modified", 100, A::Centre},
        {"File Type", 100, A::Right},  {"Width", 50, A::Right},        {"Height", 50, A::Right},
        {"Colors  ", 45, A::Right},
    };
    return columns;
}

std::string LastModifiedText(std::uint64_t fileTime) {
    if (fileTime == 0) return {};
    const std::int64_t unixSeconds = std::int64_t(fileTime / kTicksPerSecond) - kSecondsFrom1601To1970;
    const std::time_t t = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    if (!::localtime_r(&t, &local)) return {};
    const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char text[64];
    std::snprintf(text, sizeof text, "%d/%.2d/%.2d (%d:%.2d%c)", local.tm_mon + 1, local.tm_mday,
                  local.tm_year % 100, hour12, local.tm_min, local.tm_hour >= 12 ? 'p' : 'a');
    return text;
}

std::string ColumnText(const BrowserItem& item, int column) {
    switch (column) {
        case 0: return item.name;
        case 1: return item.size == 0 ? std::string() : std::to_string(item.size);
        case 2: return LastModifiedText(item.lastWrite);
        case 3: return item.typeName;
        case 4: return std::to_string(item.width);
        case 5: return std::to_string(item.height);
        case 6: return std::to_string(item.colors);
        default: return {};
    }
}

int CompareByColumn(const BrowserItem& a, const BrowserItem& b, int column) {
    switch (column) {
        case 0: return CompareText(a.name, b.name);
        // Values compared as such: an unsigned difference would wrap.
        case 1: return CompareValues(a.size, b.size);
        case 2: return CompareValues(a.lastWrite, b.lastWrite);
        case 3: return CompareText(a.typeName, b.typeName);
        case 4: return CompareDescending(a.width, b.width);
        case 5: return CompareDescending(a.height, b.height);
        case 6: return CompareDescending(a.colors, b.colors);
        default: return 0;
    }
}

CountsTexts FormatCounts(int total, int selected, int n, const std::string& statusText) {
    CountsTexts out;
    char text[64];
    std::snprintf(text, sizeof text, "%i", total);
    out.counts = text;
    if (n == total + 1) {
        out.counts += " Frame(s) ";
        n = 0;
    } else {
        out.counts += " File(s) ";
    }
    if (selected > 1) {
        std::snprintf(text, sizeof text, "(%i Selected )", selected);
        out.counts += text;
    }
    out.status = statusText;
    if (n != 0) {
        std::snprintf(text, sizeof text, " : #%i", n);
        out.status += text;
    }
    return out;
}

// ---------------------------------------------------------------------------

PictureCatalog::PictureCatalog()
    : m_largePlaceholder(MakePlaceholder(kLargeImageSize)), m_smallPlaceholder(MakePlaceholder(kSmallImageSize)) {}

void PictureCatalog::Clear() {
    RowsChanged();
    m_rows.clear();
    m_paths.clear();
    m_jobPaths.clear();
    m_large.clear();
    m_small.clear();
    m_status = kIdleStatus;
    ++m_passNumber;  // results of a running pass no longer apply
}

void PictureCatalog::AddPlaceholders(BrowserItem& item) {
    item.imageIndex = static_cast<std::int32_t>(m_small.size());
    // An empty picture stands for the placeholder: a large folder does not
    // hold one copy of it per row.
    m_large.emplace_back();
    m_small.emplace_back();
}

bool PictureCatalog::AdmitFile(const std::filesystem::directory_entry& entry, BrowserItem& item) const {
    std::error_code ec;
    // Folders are skipped; so are sockets, pipes and devices, and links that
    // lead nowhere (or round in a loop).
    if (!entry.is_regular_file(ec) || ec) return false;
    const std::string ext = UpperExtension(entry.path().filename());
    if (!m_filter.Admits(ext)) return false;
    const PictureFileType type = SniffFileType(entry.path());
    if (type == PictureFileType::Unknown) return false;
    item = BrowserItem{};
    item.name = entry.path().filename().string();
    if (const auto stamp = StampOf(entry.path())) {
        item.size = stamp->size;
        item.lastWrite = stamp->lastWrite;
    }
    item.typeName = std::string(TypeNameForExtension(CanonicalExtension(type)));
    return true;
}

std::size_t PictureCatalog::ListFolder(const std::filesystem::path& folder, const std::atomic<bool>* running) {
    Clear();
    m_mode = BrowseMode::Folder;
    m_location = folder;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, std::filesystem::directory_options::skip_permission_denied, ec);
    std::vector<std::filesystem::directory_entry> entries;
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) entries.push_back(*it);
    // Directory order differs between file systems: a stable order makes the
    // listing and the worker's walk repeatable.
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
    for (const auto& entry : entries) {
        if (running && !running->load()) break;
        BrowserItem item;
        if (!AdmitFile(entry, item)) continue;
        try {
            AddPlaceholders(item);
            m_status = kAddingPrefix + item.name;
            m_rows.push_back(Row{std::move(item), entry.path(), false});
            RowsChanged();
            m_paths.push_back(entry.path());
        } catch (const std::bad_alloc&) {
            break;  // the rows added so far stay
        }
    }
    m_status = kIdleStatus;
    return m_rows.size();
}

std::vector<std::size_t> PictureCatalog::RefreshFolder(const std::atomic<bool>* running) {
    std::vector<std::filesystem::path> kept;
    for (const auto& path : m_paths) {
        const auto rowIndex = FindRowByPath(path);
        if (!rowIndex) continue;
        Row& row = m_rows[*rowIndex];
        std::error_code ec;
        const PictureFileType type =
            std::filesystem::is_regular_file(path, ec) ? SniffFileType(path) : PictureFileType::Unknown;
        if (type == PictureFileType::Unknown || !m_filter.Admits(CanonicalExtension(type))) {
            const std::int32_t gone = row.item.imageIndex;
            m_rows.erase(m_rows.begin() + std::ptrdiff_t(*rowIndex));
            RowsChanged();
            if (gone >= 0 && std::size_t(gone) < m_large.size()) {
                m_large.erase(m_large.begin() + gone);
                m_small.erase(m_small.begin() + gone);
            }
            for (Row& r : m_rows)
                if (r.item.imageIndex > gone) --r.item.imageIndex;
            continue;
        }
        m_status = kRefreshingPrefix + row.item.name;
        if (const auto stamp = StampOf(path)) {
            row.item.size = stamp->size;
            row.item.lastWrite = stamp->lastWrite;
        }
        if (row.item.colors == 0) row.item.colors = -1;
        kept.push_back(path);
    }
    m_paths = kept;

    std::error_code ec;
    std::filesystem::directory_iterator it(m_location, std::filesystem::directory_options::skip_permission_denied, ec);
    std::vector<std::filesystem::directory_entry> entries;
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) entries.push_back(*it);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
    for (const auto& entry : entries) {
        if (running && !running->load()) break;
        if (FindRowByPath(entry.path())) continue;
        BrowserItem item;
        if (!AdmitFile(entry, item)) continue;
        AddPlaceholders(item);
        m_status = kAddingPrefix + item.name;
        m_rows.push_back(Row{std::move(item), entry.path(), false});
        RowsChanged();
        m_paths.push_back(entry.path());
    }
    for (Row& r : m_rows) r.selected = false;
    m_status = kIdleStatus;
    std::vector<std::size_t> queued(m_paths.size());
    for (std::size_t i = 0; i < queued.size(); ++i) queued[i] = i;
    return queued;
}

std::size_t PictureCatalog::ListGifFrames(const std::filesystem::path& gif, ProgressSink* progress) {
    Clear();
    m_mode = BrowseMode::GifFrames;
    m_location = gif;
    // Read through the format table as the GIF it is asked for: a file of another kind fails
    // as the GIF reader fails, and one that cannot be opened says why.
    PictureFile file = ReadPictureFile(gif);
    file.type = PictureFileType::Gif;
    DecodedPicture animation = DecodePictureFile(file);
    file.bytes = {};
    if (animation.frames.Count() <= 1) return 0;
    const auto stamp = StampOf(gif);
    for (std::size_t i = 0; i < animation.frames.Count(); ++i) {
        const Picture& frame = animation.frames[i].picture;
        BrowserItem item;
        char name[64];
        std::snprintf(name, sizeof name, "Frame #%d", int(i + 1));
        item.name = name;
        if (stamp) {
            item.size = stamp->size;
            item.lastWrite = stamp->lastWrite;
        }
        item.typeName = kGifFrameTypeName;
        item.imageIndex = static_cast<std::int32_t>(m_small.size());
        std::snprintf(name, sizeof name, "Counting Colors for Frame #%d", int(i + 1));
        if (progress) progress->SetText(name);
        item.colors = static_cast<std::int32_t>(std::min<std::int64_t>(CountColours(frame, progress), INT32_MAX));
        item.width = frame.Width();
        item.height = frame.Height();
        Picture thumbnail;
        thumbnail.CopyFrom(frame);
        const ThumbnailSize size = ComputeThumbnailSize(frame.Width(), frame.Height());
        // Either side changing needs the resize: a 600 x 1 frame shrinks to 90 x 1, not clipped.
        if (size.width != frame.Width() || size.height != frame.Height())
            SmartResize(thumbnail, size.width, size.height, nullptr);
        item.thumbQuality = kSmoothQuality;
        m_large.push_back(ComposeLargeImage(thumbnail));
        m_small.push_back(ComposeSmallImage(thumbnail, true));
        item.smallIconState = kIconDrawn;
        m_rows.push_back(Row{std::move(item), gif, false});
        RowsChanged();
    }
    return m_rows.size();
}

std::optional<std::size_t> PictureCatalog::FindRowByPath(const std::filesystem::path& path) const {
    if (!m_rowIndexValid) {
        m_rowIndex.clear();
        for (std::size_t i = 0; i < m_rows.size(); ++i) m_rowIndex.emplace(m_rows[i].path.native(), i);
        m_rowIndexValid = true;
    }
    const auto it = m_rowIndex.find(path.native());
    if (it == m_rowIndex.end()) return std::nullopt;
    return it->second;
}

ThumbnailJob PictureCatalog::MakeJob(PassKind pass, const ThumbnailOptions& options,
                                     const std::vector<std::size_t>& pathIndexes) {
    ++m_passNumber;
    ThumbnailJob job;
    job.pass = pass;
    job.options = options;
    job.passNumber = m_passNumber;
    m_jobPaths.clear();
    auto addPath = [&](const std::filesystem::path& path) {
        ThumbnailRow row;
        row.path = path;
        if (const auto index = FindRowByPath(path)) {
            const Row& r = m_rows[*index];
            row.colours = r.item.colors;
            row.smallIconState = r.item.smallIconState;
            row.selected = r.selected;
        }
        job.rows.push_back(std::move(row));
        m_jobPaths.push_back(path);
    };
    if (pathIndexes.empty()) {
        for (const auto& path : m_paths) addPath(path);
    } else {
        for (std::size_t i : pathIndexes)
            if (i < m_paths.size()) addPath(m_paths[i]);
    }
    return job;
}

bool PictureCatalog::Apply(ThumbnailOutcome&& outcome) {
    if (outcome.passNumber != m_passNumber || outcome.index >= m_jobPaths.size()) return false;
    const auto index = FindRowByPath(m_jobPaths[outcome.index]);
    if (!index) return false;
    if (outcome.kind != ThumbnailOutcome::Kind::Made && outcome.kind != ThumbnailOutcome::Kind::FromCache)
        return false;
    BrowserItem& item = m_rows[*index].item;
    item.width = outcome.width;
    item.height = outcome.height;
    item.colors = outcome.colours;
    if (!outcome.typeName.empty()) item.typeName = outcome.typeName;
    item.thumbQuality = outcome.thumbQuality;
    item.smallIconState = outcome.smallIconState;
    const std::size_t image = std::size_t(item.imageIndex);
    if (image < m_large.size() && !outcome.largeImage.IsEmpty()) m_large[image] = std::move(outcome.largeImage);
    if (image < m_small.size() && !outcome.smallImage.IsEmpty()) m_small[image] = std::move(outcome.smallImage);
    return true;
}

std::optional<std::size_t> PictureCatalog::RowOfJobIndex(std::size_t jobIndex) const {
    if (jobIndex >= m_jobPaths.size()) return std::nullopt;
    return FindRowByPath(m_jobPaths[jobIndex]);
}

void PictureCatalog::RenameRow(std::size_t row, const std::filesystem::path& newPath) {
    if (row >= m_rows.size()) return;
    Row& r = m_rows[row];
    for (auto& p : m_paths)
        if (p == r.path) p = newPath;
    for (auto& p : m_jobPaths)
        if (p == r.path) p = newPath;
    r.path = newPath;
    r.item.name = m_mode == BrowseMode::Folder ? newPath.filename().string() : newPath.string();
    RowsChanged();
}

void PictureCatalog::RefreshStamp(std::size_t row) {
    if (row >= m_rows.size()) return;
    BrowserItem& item = m_rows[row].item;
    if (const auto stamp = StampOf(m_rows[row].path)) {
        item.size = stamp->size;
        item.lastWrite = stamp->lastWrite;
    }
    std::string ext = UpperExtension(m_rows[row].path.filename());
    if (ext == ".TIFF") ext = ".TIF";
    if (!TypeNameForExtension(ext).empty()) item.typeName = std::string(TypeNameForExtension(ext));
}

bool PictureCatalog::AddListedFile(const std::filesystem::path& file) {
    if (FindRowByPath(file)) return false;
    const std::string text = file.string();
    const bool url = text.rfind("http://", 0) == 0 || text.rfind("https://", 0) == 0;
    std::string ext = UpperExtension(url ? std::filesystem::path(text.substr(text.find_last_of('/') + 1)) : file.filename());
    if (ext == ".TIFF") ext = ".TIF";
    if (!m_filter.Admits(ext) && !(url && !TypeNameForExtension(ext).empty())) return false;
    BrowserItem item;
    item.name = text;
    item.typeName = std::string(TypeNameForExtension(ext));
    if (!url)
        if (const auto stamp = StampOf(file)) {
            item.size = stamp->size;
            item.lastWrite = stamp->lastWrite;
        }
    AddPlaceholders(item);
    m_rows.push_back(Row{std::move(item), file, false});
    RowsChanged();
    m_paths.push_back(file);
    return true;
}

void PictureCatalog::ListFiles(BrowseMode mode, const std::string& location,
                               const std::vector<std::filesystem::path>& files) {
    Clear();
    m_mode = mode;
    m_location = location;
    for (const auto& file : files) AddListedFile(file);
}

void PictureCatalog::SortByColumn(int column) {
    m_sortFlag = !m_sortFlag;
    const bool flag = m_sortFlag;
    RowsChanged();
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const Row& a, const Row& b) {
        return (flag ? CompareByColumn(a.item, b.item, column) : CompareByColumn(b.item, a.item, column)) < 0;
    });
}

void PictureCatalog::Select(std::size_t row, bool selected) {
    if (row < m_rows.size()) m_rows[row].selected = selected;
}

void PictureCatalog::SelectAll() {
    for (Row& r : m_rows) r.selected = true;
}

void PictureCatalog::InvertSelection() {
    for (Row& r : m_rows) r.selected = !r.selected;
}

int PictureCatalog::SelectedCount() const {
    return static_cast<int>(std::count_if(m_rows.begin(), m_rows.end(), [](const Row& r) { return r.selected; }));
}

std::vector<std::filesystem::path> PictureCatalog::PathsForBatch(bool selectAll) const {
    std::vector<std::filesystem::path> paths;
    if (m_mode == BrowseMode::GifFrames) return paths;
    for (const Row& r : m_rows)
        if (selectAll || r.selected) paths.push_back(r.path);
    return paths;
}

}  // namespace lp
