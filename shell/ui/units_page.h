#pragma once
#include <QWidget>
#include <array>

#include "options/options_sheet.h"

class QCheckBox;
class QRadioButton;
class QSpinBox;

namespace lp {

/// The "Units/Res" page of the Options sheet: the unit, the two resolutions and
/// "Equal Resolution", working on the sheet's copy.
class CUnitsPage final : public QWidget {
    Q_OBJECT
public:
    CUnitsPage(UnitsPageValues& values, QWidget* parent);
    QRadioButton* UnitButton(MeasureUnit unit) const { return m_units[std::size_t(unit)]; }
    QSpinBox* XField() const { return m_x; }
    QSpinBox* YField() const { return m_y; }
    QCheckBox* EqualBox() const { return m_equal; }

private:
    void Load();
    UnitsPageValues& m_values;
    bool m_loading = false;
    std::array<QRadioButton*, 4> m_units{};
    QSpinBox* m_x = nullptr;
    QSpinBox* m_y = nullptr;
    QCheckBox* m_equal = nullptr;
};

}  // namespace lp
