#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lp {

class Prompter;

/// A picture window as the group bookkeeping knows it.
using GroupWindowId = int;

/// What a preview shows (the master keeps its format tab here).
enum PreviewKind : int { kPreviewSize = 0, kPreviewColors = 1, kPreviewQuality = 2 };

/// One window of a group: previewNumber 1 is the master, 2, 3, ... the previews in order of
/// creation, 0 while the group closes it.
struct GroupMember {
    GroupWindowId id = 0;
    std::string key;  // path name, or the title of an unsaved picture
    int previewNumber = 1;
    int previewKind = 0;
};

inline constexpr std::string_view kMasterEditQuestion =
    "Operation on Master Picture will invalidate Previews. All Preview windows will be closed.";
inline constexpr std::string_view kPreviewEditQuestion =
    "Operation on Preview Picture. Do you want to select this Preview as a new Master Picture?";
inline constexpr std::string_view kCloseMasterQuestion =
    "You are closing Master Picture. As a result all Preview Windows will be Closed.\nDo you want to select some "
    "Preview as a Master Window?";
inline constexpr std::string_view kCloseMasterRefused =
    "You selected Master Picture to close. If you want to close master you should select new Master.";
inline constexpr std::string_view kNoWindowsActive = "No windows are active";
inline constexpr std::string_view kMasterStatusTitle = "Master Picture Window";
inline constexpr std::string_view kCannotCreateDocument = "Unable to Create New document";

/// Master pictures and their previews, grouped by path name (or title). Holds no windows:
/// callers map ids to their windows and close the ones the operations name.
class PictureGroups {
public:
    /// A newly opened picture: the master (number 1) of its group.
    GroupWindowId AddMaster(std::string key, int formatTab = 0);
    /// A preview of the group: number HighestPreviewNumber + 1.
    GroupWindowId AddPreview(std::string_view key, int kind);
    void Remove(GroupWindowId id);
    /// A window whose document took a new path or title (Save As).
    void Rekey(GroupWindowId id, std::string key);

    const GroupMember* Find(GroupWindowId id) const;
    GroupMember* Find(GroupWindowId id);
    bool IsMaster(GroupWindowId id) const;
    /// The largest previewNumber of the group; 1 with only the master, 0 without a group.
    int HighestPreviewNumber(std::string_view key) const;
    std::optional<GroupWindowId> FindGroupWindow(std::string_view key, int number) const;
    bool HasPreviews(std::string_view key) const;
    /// The windows to close: every window of the group but the master; each gets number 0.
    std::vector<GroupWindowId> ClosePreviews(std::string_view key);
    /// The windows to close: every window of the group whose number differs; each gets number 0.
    std::vector<GroupWindowId> CloseAllBut(std::string_view key, int number);
    /// Swaps previewNumber between the window and its group's master. Returns the old master
    /// (none when the window already was the master or is unknown).
    std::optional<GroupWindowId> MakeMaster(GroupWindowId id);

    /// Group keys in the order their first window was opened.
    std::vector<std::string> Keys() const;
    /// The windows of a group, by previewNumber.
    std::vector<GroupMember> Members(std::string_view key) const;
    bool Empty() const { return m_members.empty(); }

private:
    std::vector<GroupMember> m_members;  // in order of registration
    GroupWindowId m_nextId = 1;
};

/// The user sees preview number n = previewNumber - 1.
inline int ShownPreviewNumber(int previewNumber) { return previewNumber - 1; }

/// The status-bar title: "Master Picture Window" or "Preview %d  (Size) " and its kin.
std::string GroupStatusTitle(int previewNumber, int previewKind);

/// What must happen before an editing command on a grouped picture.
struct EditPlan {
    bool run = true;                          // the command may run
    std::vector<GroupWindowId> close;         // windows to close first
    std::optional<GroupWindowId> oldMaster;   // a preview became the master: the old one
};
/// Asks the editing rule's question (only when the group has previews) and does the
/// bookkeeping of the answer.
EditPlan PlanEdit(PictureGroups& groups, GroupWindowId id, Prompter& prompter);

/// What closing a window means for its group.
enum class CloseChoice { Close, Cancel, ChooseNewMaster };
struct ClosePlan {
    CloseChoice choice = CloseChoice::Close;
    std::vector<GroupWindowId> close;  // other windows to close with it
};
/// Closing a master whose group has previews asks the Yes/No/Cancel question (unless the
/// program is shutting down, when the previews simply close with it).
ClosePlan PlanClose(PictureGroups& groups, GroupWindowId id, Prompter& prompter, bool shuttingDown);

// ---------------------------------------------------------------------------------------------
// Windows Manager

struct WindowsManagerRow {
    GroupWindowId id = 0;
    int previewNumber = 1;
    int previewKind = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int64_t colors = 0;
    double jpgSeconds = 0;
    double gifSeconds = 0;
    double pngSeconds = 0;
};

enum class WmColumn { Window, Type, Width, Height, Colors, JpgTime, GifTime, PngTime };
struct WmColumnInfo {
    WmColumn column;
    std::string_view title;
    int width;  // dialog units
    bool rightAligned;
};

/// The report list of the Windows Manager: columns, cell texts, sorting, button states.
class WindowsManagerModel {
public:
    explicit WindowsManagerModel(bool usePng) : m_usePng(usePng) {}

    /// The columns shown ("PNG Time" only with Use PNG).
    std::vector<WmColumnInfo> Columns() const;
    /// Rows sorted by previewNumber; the direction flag restarts ascending.
    void SetRows(std::vector<WindowsManagerRow> rows);
    const std::vector<WindowsManagerRow>& Rows() const { return m_rows; }
    std::string CellText(const WindowsManagerRow& row, WmColumn column) const;
    /// A click on a header: sorts by that column, each click reversing the one direction
    /// flag. The Type column does not sort (false).
    bool SortBy(WmColumn column);
    void SortByNumber();

    static bool CanActivate(std::size_t selected) { return selected >= 1; }
    static bool CanSelect(std::size_t selected) { return selected == 1; }
    static bool CanClose(std::size_t selected) { return selected >= 1; }
    bool CanArrange() const { return !m_rows.empty(); }
    /// Close refuses a selection holding the master while other rows remain.
    bool CloseRefused(const std::vector<GroupWindowId>& selected) const;
    /// Removes the closed rows and re-sorts by the remaining windows' numbers.
    void RemoveRows(const std::vector<GroupWindowId>& closed, const PictureGroups& groups);

private:
    std::vector<WindowsManagerRow> m_rows;
    bool m_usePng;
    bool m_ascending = true;
};

}  // namespace lp
