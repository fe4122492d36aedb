#pragma once
#include "browser/browser_item.h"
#include "browser/thumbnail_maker.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace lp {

/// The details columns of the list.
struct CatalogColumn {
    const char* heading;
    int width;
    enum class Align { Left, Centre, Right } align;
};
/// Columns 0..6; the last ("Colors  ") exists only when `OptColors` is 0.
const std::vector<CatalogColumn>& CatalogColumns();
inline constexpr int kColoursColumn = 6;

/// The row's text in a details column.
std::string ColumnText(const BrowserItem& item, int column);
/// "Last Modified": local time as "%d/%0.2d/%0.2d (%d:%0.2d%c)"; empty for 0.
std::string LastModifiedText(std::uint64_t fileTime);

/// The comparison of the header click on a column: negative when a comes
/// first with the direction flag set (names, sizes, dates and types ascend;
/// width, height and colours descend).
int CompareByColumn(const BrowserItem& a, const BrowserItem& b, int column);

/// Counts pane and status text of update-counts with n (see the list's status bar).
struct CountsTexts {
    std::string counts;
    std::string status;
};
CountsTexts FormatCounts(int total, int selected, int n, const std::string& statusText);

inline constexpr const char* kIdleStatus = "Idle ";
inline constexpr const char* kAddingPrefix = "Adding : ";
inline constexpr const char* kRefreshingPrefix = "Refreshing : ";
inline constexpr const char* kProcessingPrefix = "Processing : ";

/// What the list shows for one location: its rows with their images, the
/// path list the worker walks, the selection and the sort state. The list
/// view of the GUI shows this model; everything here runs without a window.
class PictureCatalog {
public:
    struct Row {
        BrowserItem item;
        std::filesystem::path path;  // full path of the picture (the GIF for frames)
        bool selected = false;
    };

    PictureCatalog();

    BrowseMode Mode() const { return m_mode; }
    const std::filesystem::path& Location() const { return m_location; }
    const std::vector<Row>& Rows() const { return m_rows; }
    /// Full paths in insertion order: what the thumbnail worker walks.
    const std::vector<std::filesystem::path>& Paths() const { return m_paths; }
    /// The row's 100 x 100 and 32 x 32 images (the placeholders until the worker has made them).
    const Picture& LargeImage(std::int32_t imageIndex) const {
        const Picture& p = m_large.at(std::size_t(imageIndex));
        return p.IsEmpty() ? m_largePlaceholder : p;
    }
    const Picture& SmallImage(std::int32_t imageIndex) const {
        const Picture& p = m_small.at(std::size_t(imageIndex));
        return p.IsEmpty() ? m_smallPlaceholder : p;
    }
    const std::string& StatusText() const { return m_status; }

    FileTypeFilter& Filter() { return m_filter; }
    const FileTypeFilter& Filter() const { return m_filter; }

    /// Folder listing: admitted, recognised files only (by content; a JPEG
    /// named .BMP is a "Jpeg Picture"). Stops early when running turns false.
    /// Returns the number of rows.
    std::size_t ListFolder(const std::filesystem::path& folder, const std::atomic<bool>* running = nullptr);
    /// Refresh in Folder mode with no row selected: drops rows whose file is
    /// gone or no longer admitted, re-queues the others, adds new files.
    /// Returns the indexes (into Paths()) to hand to a refresh pass.
    std::vector<std::size_t> RefreshFolder(const std::atomic<bool>* running = nullptr);
    /// Frames mode: one row per frame of an animated GIF, with colours,
    /// sizes and images made at once (no cache). A GIF of one frame gives no rows.
    /// Throws ImpExpException when the GIF cannot be read. progress gets the
    /// caption "Counting Colors for Frame #N" for each frame.
    std::size_t ListGifFrames(const std::filesystem::path& gif, ProgressSink* progress = nullptr);
    void Clear();

    /// The worker's job for the given paths (all of them when empty).
    ThumbnailJob MakeJob(PassKind pass, const ThumbnailOptions& options,
                         const std::vector<std::size_t>& pathIndexes = {});
    /// Applies a worker result; results of an older pass are dropped. The
    /// outcome's index refers to the job made by the last MakeJob.
    bool Apply(ThumbnailOutcome&& outcome);
    std::uint64_t PassNumber() const { return m_passNumber; }
    /// The row a result of the last job refers to (rows move when sorted).
    std::optional<std::size_t> RowOfJobIndex(std::size_t jobIndex) const;
    /// The row showing a path.
    std::optional<std::size_t> RowOfPath(const std::filesystem::path& path) const { return FindRowByPath(path); }

    /// After a rename on disk: the row and its path-list entry take the new name.
    void RenameRow(std::size_t row, const std::filesystem::path& newPath);
    /// Lists given files as rows (the HTML-file and web-site modes): name =
    /// the full path (or URL), type from the extension, size and time from the
    /// file when it exists. Entries whose extension the filter does not admit are skipped.
    void ListFiles(BrowseMode mode, const std::string& location, const std::vector<std::filesystem::path>& files);
    /// Size and time of the row's file read again (a downloaded picture).
    void RefreshStamp(std::size_t row);
    /// Adds one such row at the end (a picture found while a site is searched).
    bool AddListedFile(const std::filesystem::path& file);

    /// Header click: flips the shared direction flag and sorts by the column.
    void SortByColumn(int column);
    bool SortAscending() const { return m_sortFlag; }

    void Select(std::size_t row, bool selected);
    void SelectAll();
    void InvertSelection();
    int SelectedCount() const;

    /// "apply batch macro to the selected pictures": the full paths of the
    /// selected rows in list order, or of every row when selectAll (the report
    /// of all listed pictures). Frames mode hands nothing.
    std::vector<std::filesystem::path> PathsForBatch(bool selectAll = false) const;

private:
    std::optional<std::size_t> FindRowByPath(const std::filesystem::path& path) const;
    /// Row lookups by path in constant time; rebuilt after rows move.
    void RowsChanged() { m_rowIndexValid = false; }
    void AddPlaceholders(BrowserItem& item);
    bool AdmitFile(const std::filesystem::directory_entry& entry, BrowserItem& item) const;

    BrowseMode m_mode = BrowseMode::Folder;
    std::filesystem::path m_location;
    FileTypeFilter m_filter;
    std::vector<Row> m_rows;
    std::vector<std::filesystem::path> m_paths;
    std::vector<std::filesystem::path> m_jobPaths;  // the rows of the last job, by index
    std::vector<Picture> m_large;
    std::vector<Picture> m_small;
    Picture m_largePlaceholder;
    Picture m_smallPlaceholder;
    std::string m_status = kIdleStatus;
    bool m_sortFlag = false;
    std::uint64_t m_passNumber = 0;
    mutable std::unordered_map<std::string, std::size_t> m_rowIndex;
    mutable bool m_rowIndexValid = false;
};

}  // namespace lp
