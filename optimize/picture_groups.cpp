#include "optimize/picture_groups.h"

#include "optimize/wizard_flow.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "base/prompter.h"
#include "optimize/transfer_info.h"

namespace lp {

namespace {
constexpr std::string_view kCaption = "Lumaprism";
}

GroupWindowId PictureGroups::AddMaster(std::string key, int formatTab) {
    const GroupWindowId id = m_nextId++;
    m_members.push_back({id, std::move(key), 1, formatTab});
    return id;
}

GroupWindowId PictureGroups::AddPreview(std::string_view key, int kind) {
    const GroupWindowId id = m_nextId++;
    m_members.push_back({id, std::string(key), HighestPreviewNumber(key) + 1, kind});
    return id;
}

void PictureGroups::Remove(GroupWindowId id) {
    std::erase_if(m_members, [id](const GroupMember& m) { return m.id == id; });
}

void PictureGroups::Rekey(GroupWindowId id, std::string key) {
    if (GroupMember* m = Find(id)) m->key = std::move(key);
}

const GroupMember* PictureGroups::Find(GroupWindowId id) const {
    for (const GroupMember& m : m_members)
        if (m.id == id) return &m;
    return nullptr;
}

GroupMember* PictureGroups::Find(GroupWindowId id) {
    return const_cast<GroupMember*>(std::as_const(*this).Find(id));
}

bool PictureGroups::IsMaster(GroupWindowId id) const {
    const GroupMember* m = Find(id);
    return m && m->previewNumber == 1;
}

int PictureGroups::HighestPreviewNumber(std::string_view key) const {
    int highest = 0;
    for (const GroupMember& m : m_members)
        if (m.key == key) highest = std::max(highest, m.previewNumber);
    return highest;
}

std::optional<GroupWindowId> PictureGroups::FindGroupWindow(std::string_view key, int number) const {
    for (const GroupMember& m : m_members)
        if (m.key == key && m.previewNumber == number) return m.id;
    return std::nullopt;
}

bool PictureGroups::HasPreviews(std::string_view key) const {
    return std::any_of(m_members.begin(), m_members.end(),
                       [key](const GroupMember& m) { return m.key == key && m.previewNumber > 1; });
}

std::vector<GroupWindowId> PictureGroups::ClosePreviews(std::string_view key) {
    std::vector<GroupWindowId> ids;
    for (GroupMember& m : m_members)
        if (m.key == key && m.previewNumber != 1) {
            m.previewNumber = 0;
            ids.push_back(m.id);
        }
    return ids;
}

std::vector<GroupWindowId> PictureGroups::CloseAllBut(std::string_view key, int number) {
    std::vector<GroupWindowId> ids;
    for (GroupMember& m : m_members)
        if (m.key == key && m.previewNumber != number) {
            m.previewNumber = 0;
            ids.push_back(m.id);
        }
    return ids;
}

std::optional<GroupWindowId> PictureGroups::MakeMaster(GroupWindowId id) {
    GroupMember* preview = Find(id);
    if (!preview || preview->previewNumber == 1) return std::nullopt;
    const auto masterId = FindGroupWindow(preview->key, 1);
    if (!masterId) {
        preview->previewNumber = 1;
        return std::nullopt;
    }
    GroupMember* master = Find(*masterId);
    std::swap(master->previewNumber, preview->previewNumber);
    return masterId;
}

std::vector<std::string> PictureGroups::Keys() const {
    std::vector<std::string> keys;
    for (const GroupMember& m : m_members)
        if (std::find(keys.begin(), keys.end(), m.key) == keys.end()) keys.push_back(m.key);
    return keys;
}

std::vector<GroupMember> PictureGroups::Members(std::string_view key) const {
    std::vector<GroupMember> members;
    for (const GroupMember& m : m_members)
        if (m.key == key) members.push_back(m);
    std::stable_sort(members.begin(), members.end(),
                     [](const GroupMember& a, const GroupMember& b) { return a.previewNumber < b.previewNumber; });
    return members;
}

std::string GroupStatusTitle(int previewNumber, int previewKind) {
    if (previewNumber == 1) return std::string(kMasterStatusTitle);
    const char* what = nullptr;
    switch (previewKind) {
        case kPreviewSize:
            what = "Size";
            break;
        case kPreviewColors:
            what = "Color Reduction";
            break;
        case kPreviewQuality:
            what = "JPEG Quality";
            break;
        case 3:
        case 4:
        case 5:
            // Wizard previews name their wizard.
            return WizardPreviewTitle(static_cast<WizardKind>(previewKind), ShownPreviewNumber(previewNumber));
        default:
            what = nullptr;
    }
    char buffer[64];
    if (what)
        std::snprintf(buffer, sizeof buffer, "Preview %d  (%s) ", ShownPreviewNumber(previewNumber), what);
    else
        std::snprintf(buffer, sizeof buffer, "Preview %d ", ShownPreviewNumber(previewNumber));
    return buffer;
}

EditPlan PlanEdit(PictureGroups& groups, GroupWindowId id, Prompter& prompter) {
    EditPlan plan;
    const GroupMember* member = groups.Find(id);
    if (!member || !groups.HasPreviews(member->key)) return plan;
    const std::string key = member->key;
    if (member->previewNumber == 1) {
        if (prompter.Ask(kMasterEditQuestion, kCaption, PromptButtons::OkCancel, PromptAnswer::Ok) != PromptAnswer::Ok) {
            plan.run = false;
            return plan;
        }
        plan.close = groups.ClosePreviews(key);
        return plan;
    }
    if (prompter.Ask(kPreviewEditQuestion, kCaption, PromptButtons::OkCancel, PromptAnswer::Ok) != PromptAnswer::Ok) {
        plan.run = false;
        return plan;
    }
    plan.oldMaster = groups.MakeMaster(id);
    plan.close = groups.CloseAllBut(key, 1);
    return plan;
}

ClosePlan PlanClose(PictureGroups& groups, GroupWindowId id, Prompter& prompter, bool shuttingDown) {
    ClosePlan plan;
    const GroupMember* member = groups.Find(id);
    if (!member || member->previewNumber != 1 || !groups.HasPreviews(member->key)) return plan;
    const std::string key = member->key;
    if (!shuttingDown) {
        switch (prompter.Ask(kCloseMasterQuestion, kCaption, PromptButtons::YesNoCancel, PromptAnswer::Yes)) {
            case PromptAnswer::Yes:
                plan.choice = CloseChoice::ChooseNewMaster;
                return plan;
            case PromptAnswer::No:
                break;
            default:
                plan.choice = CloseChoice::Cancel;
                return plan;
        }
    }
    plan.close = groups.ClosePreviews(key);
    return plan;
}

// ---------------------------------------------------------------------------------------------
// Windows Manager

std::vector<WmColumnInfo> WindowsManagerModel::Columns() const {
    std::vector<WmColumnInfo> columns{
        {WmColumn::Window, "Window", 70, true},      {WmColumn::Type, "Type", 45, false},
        {WmColumn::Width, "Width", 40, true},        {WmColumn::Height, "Height", 45, true},
        {WmColumn::Colors, "Colors", 45, true},      {WmColumn::JpgTime, "JPG Time", 60, true},
        {WmColumn::GifTime, "GIF Time", 55, true},
    };
    if (m_usePng) columns.push_back({WmColumn::PngTime, "PNG Time", 65, true});
    return columns;
}

void WindowsManagerModel::SetRows(std::vector<WindowsManagerRow> rows) {
    m_rows = std::move(rows);
    m_ascending = true;
    SortByNumber();
}

std::string WindowsManagerModel::CellText(const WindowsManagerRow& row, WmColumn column) const {
    char buffer[48];
    switch (column) {
        case WmColumn::Window:
            if (row.previewNumber == 1) return "Master";
            std::snprintf(buffer, sizeof buffer, "Preview %5d", ShownPreviewNumber(row.previewNumber));
            return buffer;
        case WmColumn::Type:
            if (row.previewNumber == 1) return {};
            switch (row.previewKind) {
                case kPreviewSize:
                    return "Size";
                case kPreviewColors:
                    return "Colors";
                case kPreviewQuality:
                    return "Quality";
                default:
                    return {};
            }
        case WmColumn::Width:
            return std::to_string(row.width);
        case WmColumn::Height:
            return std::to_string(row.height);
        case WmColumn::Colors:
            return std::to_string(row.colors);
        case WmColumn::JpgTime:
            return FormatWindowsManagerTime(row.jpgSeconds);
        case WmColumn::GifTime:
            return FormatWindowsManagerTime(row.gifSeconds);
        case WmColumn::PngTime:
            return FormatWindowsManagerTime(row.pngSeconds);
    }
    return {};
}

namespace {
double SortValue(const WindowsManagerRow& row, WmColumn column) {
    switch (column) {
        case WmColumn::Window:
            return row.previewNumber;
        case WmColumn::Width:
            return row.width;
        case WmColumn::Height:
            return row.height;
        case WmColumn::Colors:
            return double(row.colors);
        case WmColumn::JpgTime:
            return row.jpgSeconds;
        case WmColumn::GifTime:
            return row.gifSeconds;
        case WmColumn::PngTime:
            return row.pngSeconds;
        case WmColumn::Type:
            break;
    }
    return 0;
}
}  // namespace

bool WindowsManagerModel::SortBy(WmColumn column) {
    if (column == WmColumn::Type) return false;
    const bool ascending = m_ascending;
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const WindowsManagerRow& a, const WindowsManagerRow& b) {
        const double x = SortValue(a, column);
        const double y = SortValue(b, column);
        return ascending ? x < y : y < x;
    });
    m_ascending = !m_ascending;
    return true;
}

void WindowsManagerModel::SortByNumber() {
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [](const WindowsManagerRow& a, const WindowsManagerRow& b) { return a.previewNumber < b.previewNumber; });
}

bool WindowsManagerModel::CloseRefused(const std::vector<GroupWindowId>& selected) const {
    if (m_rows.size() <= 1) return false;
    for (const WindowsManagerRow& row : m_rows)
        if (row.previewNumber == 1 && std::find(selected.begin(), selected.end(), row.id) != selected.end()) return true;
    return false;
}

void WindowsManagerModel::RemoveRows(const std::vector<GroupWindowId>& closed, const PictureGroups& groups) {
    std::erase_if(m_rows, [&](const WindowsManagerRow& row) {
        return std::find(closed.begin(), closed.end(), row.id) != closed.end();
    });
    for (WindowsManagerRow& row : m_rows)
        if (const GroupMember* m = groups.Find(row.id)) row.previewNumber = m->previewNumber;
    SortByNumber();
}

}  // namespace lp
