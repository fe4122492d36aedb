#pragma once
#include <QDialog>
#include <QWizard>
#include <QWizardPage>
#include <optional>
#include <vector>

#include "tools/merge_layout.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace lp {

class Prompter;
class CMergeWizardSheet;

/// A list of check boxes, one per picture; the box last clicked is the current entry.
class CMyCheckListBox final : public QWidget {
    Q_OBJECT
public:
    explicit CMyCheckListBox(QWidget* parent);
    void Add(const QString& text, bool checked);
    int Count() const { return int(m_boxes.size()); }
    QCheckBox* Box(int index) const { return m_boxes[std::size_t(index)]; }
    int Current() const { return m_current; }
    void SetCurrent(int index);

signals:
    void Toggled(int index, bool on);
    void CurrentChanged(int index);

private:
    std::vector<QCheckBox*> m_boxes;
    int m_current = -1;
};

/// Step 1: tick the open pictures to merge; "View picture" previews the current one.
class CMergeWizardPage1 final : public QWizardPage {
    Q_OBJECT
public:
    explicit CMergeWizardPage1(CMergeWizardSheet& sheet);
    CMyCheckListBox* CheckList() const { return m_list; }
    QCheckBox* ViewPictureBox() const { return m_view; }
    QLabel* Preview() const { return m_preview; }

private:
    void ShowPreview();
    CMergeWizardSheet& m_sheet;
    CMyCheckListBox* m_list = nullptr;
    QCheckBox* m_view = nullptr;
    QLabel* m_preview = nullptr;
};

/// The "Merge bitmap area": the canvas scaled to the box, each selected picture's place
/// with its diagonal and number (green once placed, red until then), their union in blue.
/// In manual placement the picked-up picture follows the mouse and a click drops it.
class CMergeArea final : public QWidget {
    Q_OBJECT
public:
    CMergeArea(MergeList& list, QWidget* parent);
    /// Picks up an entry (manual placement); -1 puts nothing in hand.
    void PickUp(int entry);
    int Carried() const { return m_carried; }
    /// The canvas point under a widget point.
    QPoint CanvasPoint(QPointF widgetPoint) const;

signals:
    void Dropped();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QRectF WidgetRect(const MergeRect& r) const;
    MergeList& m_list;
    int m_carried = -1;
};

/// "Auto Placement : Settings ": fill order, pictures per row or column, gaps and overlap.
class CAutoPlacementDlg final : public QDialog {
    Q_OBJECT
public:
    CAutoPlacementDlg(const MergePlacement& placement, QWidget* parent);
    MergePlacement Placement() const;
    QRadioButton* RowFirstButton() const { return m_rowFirst; }
    QRadioButton* ColumnFirstButton() const { return m_columnFirst; }
    QSpinBox* ColumnsField() const { return m_columns; }
    QSpinBox* RowsField() const { return m_rows; }
    QSpinBox* GapXField() const { return m_gapX; }
    QSpinBox* GapYField() const { return m_gapY; }
    QRadioButton* OverlapButton() const { return m_overlap; }

private:
    void Refresh();
    MergePlacement m_start;
    QRadioButton* m_rowFirst = nullptr;
    QRadioButton* m_columnFirst = nullptr;
    QSpinBox* m_columns = nullptr;
    QSpinBox* m_rows = nullptr;
    QSpinBox* m_gapX = nullptr;
    QSpinBox* m_gapY = nullptr;
    QRadioButton* m_noOverlap = nullptr;
    QRadioButton* m_overlap = nullptr;
};

/// Step 2: the selected pictures numbered, the merge area, manual or automatic placement.
class CMergeWizardPage2 final : public QWizardPage {
    Q_OBJECT
public:
    explicit CMergeWizardPage2(CMergeWizardSheet& sheet);
    void initializePage() override;
    QListWidget* ImagesList() const { return m_images; }
    CMergeArea* Area() const { return m_area; }
    QRadioButton* ManualButton() const { return m_manual; }
    QRadioButton* AutomaticButton() const { return m_automatic; }
    QPushButton* SettingsButton() const { return m_settings; }
    MergePlacement& Placement() { return m_placement; }
    /// Unset: the settings dialog is shown; tests change the placement instead.
    std::function<std::optional<MergePlacement>(const MergePlacement&)> chooseSettings;

private:
    void Place();
    CMergeWizardSheet& m_sheet;
    MergePlacement m_placement;
    std::vector<std::size_t> m_shown;  // list row -> entry
    QListWidget* m_images = nullptr;
    CMergeArea* m_area = nullptr;
    QRadioButton* m_manual = nullptr;
    QRadioButton* m_automatic = nullptr;
    QPushButton* m_settings = nullptr;
};

/// The merge wizard over the open pictures. Finish composes the selected pictures on
/// the background colour; the result goes through JPEG (quality 75) as a new picture.
class CMergeWizardSheet final : public QWizard {
    Q_OBJECT
public:
    /// pictures[i] is the picture of list entry i.
    CMergeWizardSheet(MergeList list, std::vector<const Picture*> pictures, const MergePlacement& defaults,
                      ColourRef background, Prompter& prompter, QWidget* parent = nullptr);

    MergeList& List() { return m_list; }
    const std::vector<const Picture*>& Pictures() const { return m_pictures; }
    const MergePlacement& Defaults() const { return m_defaults; }
    CMergeWizardPage1* Page1() const { return m_page1; }
    CMergeWizardPage2* Page2() const { return m_page2; }
    /// After Finish: the merged picture; nothing when it failed.
    std::optional<Picture>& Result() { return m_result; }

    void accept() override;

private:
    MergeList m_list;
    std::vector<const Picture*> m_pictures;
    MergePlacement m_defaults;
    ColourRef m_background;
    Prompter& m_prompter;
    CMergeWizardPage1* m_page1 = nullptr;
    CMergeWizardPage2* m_page2 = nullptr;
    std::optional<Picture> m_result;
};

}  // namespace lp
