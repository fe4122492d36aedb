#pragma once
#include <QDialog>
#include <vector>

#include "optimize/picture_groups.h"

class QComboBox;
class QPushButton;
class QTreeWidget;

namespace lp {

class CGroupWindows;

/// "Windows Manager": the groups of open pictures, the windows of the chosen group with their
/// sizes, colours and transfer times, and the commands that bring them forward, make one the
/// master, close them or arrange them. Rows, texts, sorting and the rules come from
/// WindowsManagerModel and PictureGroups.
class CWindowsManagerDlg final : public QDialog {
    Q_OBJECT
public:
    CWindowsManagerDlg(CGroupWindows& groups, bool usePng, double modemSpeed, QWidget* parent);

    QComboBox* FileList() const { return m_files; }
    QTreeWidget* List() const { return m_list; }
    QPushButton* ActivateButton() const { return m_activate; }
    QPushButton* SelectButton() const { return m_select; }
    QPushButton* CloseButton() const { return m_close; }
    QPushButton* TileButton() const { return m_tile; }
    QPushButton* CascadeButton() const { return m_cascade; }
    const WindowsManagerModel& Model() const { return m_model; }

    /// Rebuilds the file list and the rows of the chosen group.
    void Reload();
    /// The rows of the group at index of the file list.
    void ShowGroup(int index);
    /// Selects the rows of these windows (tests and the accessibility flow use the list too).
    void SelectWindows(const std::vector<GroupWindowId>& ids);

    void OnActivate();
    void OnSelect();
    void OnClose();

private:
    void FillRows();
    std::vector<GroupWindowId> SelectedIds() const;
    void UpdateButtons();

    CGroupWindows& m_groups;
    WindowsManagerModel m_model;
    double m_speed;
    std::vector<std::string> m_keys;
    QComboBox* m_files = nullptr;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_activate = nullptr;
    QPushButton* m_select = nullptr;
    QPushButton* m_close = nullptr;
    QPushButton* m_tile = nullptr;
    QPushButton* m_cascade = nullptr;
};

}  // namespace lp
