#pragma once
// Merge of open pictures: the entries the wizard works on, their placement on the
// common canvas (by hand or automatically in rows or columns with gaps) and the
// composition of the result.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/colour.h"
#include "imaging/picture.h"

namespace lp {

struct AppSettings;

inline constexpr std::string_view kMergeNeedsTwo = "Only one document opened.  Need atleast 2 documents to be opened";

/// A placement rectangle in canvas pixels (right and bottom exclusive).
struct MergeRect {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t right = 0;
    std::int64_t bottom = 0;
    std::int64_t Width() const { return right - left; }
    std::int64_t Height() const { return bottom - top; }
    friend bool operator==(const MergeRect&, const MergeRect&) = default;
};

/// One open picture of the merge.
struct MergeEntry {
    std::string name;  // file name and extension, or the title of a picture without a file
    std::int32_t width = 0;
    std::int32_t height = 0;
    MergeRect rect;  // starts at (0, 0, width, height)
    bool selected = false;
    bool placed = false;
};

/// "%s%s" of the file name and extension, or the title when there is no file.
std::string MergeEntryName(const std::filesystem::path& path, std::string_view title);

enum class MergeOrder { RowFirst = 0, ColumnFirst = 1 };

/// The automatic placement's settings (page 2 and its "Settings ..." dialog).
struct MergePlacement {
    bool automatic = false;
    MergeOrder order = MergeOrder::RowFirst;
    int columns = 1;  // pictures in a row (row first)
    int rows = 1;     // pictures in a column (column first)
    std::int64_t gapX = 0;
    std::int64_t gapY = 0;
    bool overlap = false;  // no gaps at all

    /// Gaps and overlap from "Merge Gap X", "Merge Gap Y" and "Overlap"; the rest defaults.
    static MergePlacement FromSettings(const AppSettings& settings);
};

/// The wizard's list of open pictures, in the order of the document list.
class MergeList {
public:
    /// Adds a picture; a name already listed is not listed again. False when skipped.
    bool Add(std::string name, std::int32_t width, std::int32_t height);
    std::vector<MergeEntry>& Entries() { return m_entries; }
    const std::vector<MergeEntry>& Entries() const { return m_entries; }
    std::size_t Size() const { return m_entries.size(); }

    void Select(std::size_t index, bool on);
    /// The selected entries' indexes in list order.
    std::vector<std::size_t> Selected() const;
    /// Step 2's list text of the n-th selected picture (from 1): "%3d %s".
    static std::string ListText(int number, std::string_view name);

    /// Places every selected picture at once from (0, 0) and marks them placed.
    void PlaceAutomatically(const MergePlacement& placement);
    /// Manual placement: the rectangle follows the mouse, centred on it, not yet placed.
    void MoveCentred(std::size_t index, std::int64_t x, std::int64_t y);
    /// A left click drops the rectangle where it is.
    void Drop(std::size_t index);

    /// The union of the selected rectangles: the result's canvas (empty with none selected).
    MergeRect Canvas() const;
    /// The merge area's logical extent: 150 + the selected widths by 150 + the selected heights.
    std::int64_t ExtentWidth() const;
    std::int64_t ExtentHeight() const;

private:
    std::vector<MergeEntry> m_entries;
};

/// The merged picture: the canvas filled with the background, then each selected picture
/// (pictures[i] belongs to entry i) copied at its place, later ones over earlier ones.
/// Throws ImpExpException when the canvas cannot be made (too large, no memory, nothing
/// selected).
Picture ComposeMerge(const MergeList& list, std::span<const Picture* const> pictures, ColourRef background);

}  // namespace lp
