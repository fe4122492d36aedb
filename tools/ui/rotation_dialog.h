#pragma once
#include <QDialog>

#include "base/colour.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace lp {

/// The "Rotation" dialog: the angle, its direction, the background colour and,
/// for animations, whether every frame turns.
class CRotationDialog final : public QDialog {
    Q_OBJECT
public:
    CRotationDialog(ColourRef background, bool multiFrame, QWidget* parent = nullptr);

    /// The typed angle, negated for "CW" (positive turns counter-clockwise). Text
    /// that is no number reads as 0.
    double Angle() const;
    ColourRef Background() const { return m_background; }
    bool AllFrames() const;

    QLineEdit* AngleField() const { return m_angle; }
    QRadioButton* ClockwiseButton() const { return m_cw; }
    QCheckBox* AllFramesBox() const { return m_allFrames; }

private:
    void ShowSwatch();

    ColourRef m_background;
    QLineEdit* m_angle = nullptr;
    QRadioButton* m_cw = nullptr;
    QRadioButton* m_ccw = nullptr;
    QPushButton* m_swatch = nullptr;
    QCheckBox* m_allFrames = nullptr;
};

}  // namespace lp
