#pragma once
// The fields of the drawing-tools bar after its tool buttons: the magic-wand
// tolerance, the pen width, the colour selector and the zoom list. They edit
// the application settings directly and send zoom choices as commands.
#include <QColor>
#include <QWidget>
#include <functional>
#include <optional>

class QComboBox;
class QSpinBox;
class QToolBar;

namespace lp {

struct AppSettings;

/// Two overlapping squares: the foreground colour in front, the transparent one behind.
/// A left click asks for a new foreground colour, with Ctrl for the transparent one.
class CColourSelector final : public QWidget {
    Q_OBJECT
public:
    explicit CColourSelector(QWidget* parent = nullptr);
    void SetColours(QColor foreground, QColor transparent);
    QSize sizeHint() const override { return {28, 22}; }

signals:
    void Clicked(bool transparent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor m_foreground;
    QColor m_transparent;
};

class CDrawingBarFields final : public QObject {
    Q_OBJECT
public:
    /// Asks the user for a colour; an invalid colour means cancelled.
    using ColourChooser = std::function<QColor(QColor initial, const QString& title)>;

    /// Adds the fields to the bar (which owns them). route sends a command id.
    CDrawingBarFields(QToolBar& bar, AppSettings& settings, std::function<void(int)> route);

    /// Shows the settings and the active view's zoom (none without a picture window).
    void Refresh(std::optional<double> zoom);
    void SetColourChooser(ColourChooser chooser) { m_chooseColour = std::move(chooser); }

    QSpinBox* ToleranceField() const { return m_tolerance; }
    QComboBox* PenWidthList() const { return m_penWidth; }
    CColourSelector* ColourSelector() const { return m_colours; }
    QComboBox* ZoomList() const { return m_zoom; }

signals:
    /// A setting shown here was changed by the user.
    void SettingsChanged();

private:
    void ChooseColour(bool transparent);

    AppSettings& m_settings;
    std::function<void(int)> m_route;
    ColourChooser m_chooseColour;
    QSpinBox* m_tolerance = nullptr;
    QComboBox* m_penWidth = nullptr;
    CColourSelector* m_colours = nullptr;
    QComboBox* m_zoom = nullptr;
};

}  // namespace lp
