#pragma once
#include <QWidget>

#include "options/options_sheet.h"

class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace lp {

/// The "Rotate/Merge" page of the Options sheet: the merge's default gaps and overlap, and
/// the free-hand rotation step.
class CMergeRotateOpt final : public QWidget {
    Q_OBJECT
public:
    CMergeRotateOpt(MergeRotatePageValues& values, QWidget* parent);
    QSpinBox* GapXField() const { return m_gapX; }
    QSpinBox* GapYField() const { return m_gapY; }
    QRadioButton* NoOverlapButton() const { return m_noOverlap; }
    QRadioButton* OverlapButton() const { return m_overlap; }
    QLineEdit* StepField() const { return m_step; }

private:
    void Load();
    MergeRotatePageValues& m_values;
    bool m_loading = false;
    QSpinBox* m_gapX = nullptr;
    QSpinBox* m_gapY = nullptr;
    QLabel* m_gapXLabel = nullptr;
    QLabel* m_gapYLabel = nullptr;
    QRadioButton* m_noOverlap = nullptr;
    QRadioButton* m_overlap = nullptr;
    QLineEdit* m_step = nullptr;
};

}  // namespace lp
