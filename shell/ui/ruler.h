#pragma once
#include <QFrame>

#include "base/measure_units.h"
#include "shell/measuring_units.h"

class QPushButton;

namespace lp {

/// One of the two rulers of a picture window: picture coordinates along its axis in the
/// program-wide unit, at the window's zoom and scroll position. The horizontal ruler
/// carries the unit button at its left end.
class Ruler final : public QFrame {
    Q_OBJECT
public:
    static constexpr int kThickness = 20;
    static constexpr int kButtonWidth = 20;

    Ruler(Qt::Orientation orientation, QWidget* parent);

    void SetZoom(double zoom);
    /// The picture coordinate at the ruler's start (the scroll position); repaints only
    /// when it changes.
    void SetOrigin(double origin);
    void SetUnit(MeasureUnit unit);
    void SetResolution(double dpi);
    /// Ruler pixels before picture coordinate `origin` is drawn (the unit button, and
    /// where the picture's view begins beside the ruler).
    void SetStartOffset(int pixels);

    Qt::Orientation Orientation() const { return m_orientation; }
    double Zoom() const { return m_zoom; }
    double Origin() const { return m_origin; }
    MeasureUnit Unit() const { return m_unit; }
    double Resolution() const { return m_dpi; }
    int StartOffset() const { return m_start; }
    /// Null on the vertical ruler.
    QPushButton* UnitButton() const { return m_button; }
    /// The ticks as painted now (positions from the start offset).
    std::vector<RulerTick> Ticks() const;
    int Repaints() const { return m_repaints; }

signals:
    /// The unit button was clicked: the options sheet opens.
    void UnitButtonClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Changed();

    Qt::Orientation m_orientation;
    MeasureUnit m_unit = MeasureUnit::Pixel;
    double m_dpi = 96;
    double m_zoom = 1;
    double m_origin = 0;
    int m_start = 0;
    int m_repaints = 0;  // requests, for the windows that must follow
    QPushButton* m_button = nullptr;
};

}  // namespace lp
