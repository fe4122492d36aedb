#include "shell/ui/drawing_bar_fields.h"

#include <algorithm>

#include <QColorDialog>
#include <QComboBox>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolBar>

#include "base/settings.h"
#include "guikit/ui/command_ids.h"
#include "tools/view_tools.h"

namespace lp {
namespace {

constexpr int kZoomCommands[kFixedZoomEntries] = {cmd::kZoom50,      cmd::kZoom100,      cmd::kZoom200,
                                                  cmd::kZoom400,     cmd::kZoomBestFit,  cmd::kZoomFitWidth,
                                                  cmd::kZoomFitHeight, cmd::kZoomCustom};

QColor ForegroundOf(const AppSettings& s) { return QColor(s.fgRed, s.fgGreen, s.fgBlue); }
QColor TransparentOf(const AppSettings& s) { return QColor(s.bgRed, s.bgGreen, s.bgBlue); }

}  // namespace

CColourSelector::CColourSelector(QWidget* parent) : QWidget(parent) {
    setToolTip(QStringLiteral("Left Click Updates ForeGround & Ctrl+Left Click Updates BackGround Color"));
    setAccessibleName(QStringLiteral("Color Selector"));
    setFixedSize(sizeHint());
}

void CColourSelector::SetColours(QColor foreground, QColor transparent) {
    if (foreground == m_foreground && transparent == m_transparent) return;
    m_foreground = foreground;
    m_transparent = transparent;
    update();
}

void CColourSelector::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect back(10, 8, 14, 12), front(3, 2, 14, 12);
    painter.setPen(Qt::black);
    painter.setBrush(m_transparent);
    painter.drawRect(back);
    painter.setBrush(m_foreground);
    painter.drawRect(front);
}

void CColourSelector::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    emit Clicked((event->modifiers() & Qt::ControlModifier) != 0);
}

CDrawingBarFields::CDrawingBarFields(QToolBar& bar, AppSettings& settings, std::function<void(int)> route)
    : QObject(&bar), m_settings(settings), m_route(std::move(route)) {
    m_chooseColour = [&bar](QColor initial, const QString& title) {
        return QColorDialog::getColor(initial, &bar, title);
    };
    bar.addSeparator();

    m_tolerance = new QSpinBox(&bar);
    m_tolerance->setRange(kMinMagicTolerance, kMaxMagicTolerance);  // the field refuses anything else
    m_tolerance->setAccessibleName(QStringLiteral("Magic Wand Tolerance"));
    m_tolerance->setToolTip(QStringLiteral("Magic Wand Tolerance"));
    // Taken over when the field is left (or Enter is pressed), not on every digit.
    connect(m_tolerance, &QSpinBox::editingFinished, this, [this] {
        if (m_settings.magicTolerance == m_tolerance->value()) return;
        m_settings.magicTolerance = m_tolerance->value();
        emit SettingsChanged();
    });
    bar.addWidget(m_tolerance);

    m_penWidth = new QComboBox(&bar);
    for (int width = kMinPenWidth; width <= kMaxPenWidth; ++width) m_penWidth->addItem(QString::number(width));
    m_penWidth->setAccessibleName(QStringLiteral("Pen Width"));
    m_penWidth->setToolTip(QStringLiteral("Pen Width"));
    connect(m_penWidth, &QComboBox::activated, this, [this](int index) {
        m_settings.penWidth = kMinPenWidth + index;
        emit SettingsChanged();
    });
    bar.addWidget(m_penWidth);

    m_colours = new CColourSelector(&bar);
    connect(m_colours, &CColourSelector::Clicked, this, &CDrawingBarFields::ChooseColour);
    bar.addWidget(m_colours);

    m_zoom = new QComboBox(&bar);
    m_zoom->setAccessibleName(QStringLiteral("Zoom"));
    m_zoom->setToolTip(QStringLiteral("Zoom"));
    m_zoom->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(m_zoom, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < kFixedZoomEntries) m_route(kZoomCommands[index]);
    });
    bar.addWidget(m_zoom);
    Refresh(std::nullopt);
}

void CDrawingBarFields::ChooseColour(bool transparent) {
    const QColor chosen = m_chooseColour(transparent ? TransparentOf(m_settings) : ForegroundOf(m_settings),
                                         transparent ? QStringLiteral("Background Color")
                                                     : QStringLiteral("Foreground Color"));
    if (!chosen.isValid()) return;
    if (transparent)
        m_settings.bgRed = chosen.red(), m_settings.bgGreen = chosen.green(), m_settings.bgBlue = chosen.blue();
    else
        m_settings.fgRed = chosen.red(), m_settings.fgGreen = chosen.green(), m_settings.fgBlue = chosen.blue();
    m_colours->SetColours(ForegroundOf(m_settings), TransparentOf(m_settings));
    emit SettingsChanged();
}

void CDrawingBarFields::Refresh(std::optional<double> zoom) {
    // A value being typed stays until the field is left.
    if (!m_tolerance->hasFocus()) {
        const QSignalBlocker block(m_tolerance);
        m_tolerance->setValue(m_settings.magicTolerance);
    }
    {
        const QSignalBlocker block(m_penWidth);
        m_penWidth->setCurrentIndex(std::clamp(m_settings.penWidth, kMinPenWidth, kMaxPenWidth) - kMinPenWidth);
    }
    m_colours->SetColours(ForegroundOf(m_settings), TransparentOf(m_settings));
    m_zoom->setEnabled(zoom.has_value());
    if (!zoom) {
        if (m_zoom->count() == 0) {
            const QSignalBlocker block(m_zoom);
            for (const std::string& text : ZoomListEntries(1.0)) m_zoom->addItem(QString::fromStdString(text));
            m_zoom->setCurrentIndex(ZoomListSelection(1.0));
        }
        return;
    }
    const QSignalBlocker block(m_zoom);
    const std::vector<std::string> entries = ZoomListEntries(*zoom);
    while (m_zoom->count() > int(entries.size())) m_zoom->removeItem(m_zoom->count() - 1);
    for (int i = 0; i < int(entries.size()); ++i) {
        const QString text = QString::fromStdString(entries[std::size_t(i)]);
        if (i < m_zoom->count())
            m_zoom->setItemText(i, text);
        else
            m_zoom->addItem(text);
    }
    m_zoom->setCurrentIndex(ZoomListSelection(*zoom));
}

}  // namespace lp
