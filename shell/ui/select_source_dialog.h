#pragma once
#include <QDialog>
#include <span>

#include "shell/sane_source_manager.h"

class QListWidget;
class QPushButton;

namespace lp {

/// The source list of "Select Source": one line per scanner or camera SANE lists, the current
/// source selected. Select takes the selected line (a double click too), Cancel changes nothing.
class CSelectSourceDlg final : public QDialog {
    Q_OBJECT
public:
    CSelectSourceDlg(std::span<const ScanDevice> devices, std::size_t initial, QWidget* parent = nullptr);

    /// The chosen line after Select.
    std::size_t Chosen() const;
    QListWidget* List() const { return m_list; }
    QPushButton* SelectButton() const { return m_select; }

private:
    QListWidget* m_list;
    QPushButton* m_select;
};

}  // namespace lp
