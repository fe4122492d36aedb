#pragma once
#include <QWidget>

#include "tools/spot_remover.h"

class QLabel;
class QLineEdit;
class QSlider;

namespace lp {

struct AppSettings;

/// The "Spot Remover" page of the Options sheet: the strength slider (0..100)
/// with its four labels, the position shown in a text field, and the hints.
/// The sheet calls Apply on OK.
class CSpotRemoverPage final : public QWidget {
    Q_OBJECT
public:
    CSpotRemoverPage(AppSettings& settings, SpotRemoverParams& params, QWidget* parent = nullptr);

    /// Stores the slider as "SpotRemover" and computes the working parameters.
    void Apply();
    QString Title() const { return QStringLiteral("Spot Remover"); }
    QSlider* Slider() const { return m_slider; }
    QLineEdit* PositionField() const { return m_position; }

private:
    AppSettings& m_settings;
    SpotRemoverParams& m_params;
    QSlider* m_slider = nullptr;
    QLineEdit* m_position = nullptr;
};

}  // namespace lp
