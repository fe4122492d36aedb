#include "shell/ui/ruler.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <algorithm>
#include <cmath>

namespace lp {

namespace {
QString Text(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }
}  // namespace

Ruler::Ruler(Qt::Orientation orientation, QWidget* parent) : QFrame(parent), m_orientation(orientation) {
    setFrameStyle(QFrame::NoFrame);
    if (orientation == Qt::Horizontal) {
        setFixedHeight(kThickness);
        m_button = new QPushButton(Text(UnitButtonText(m_unit)), this);
        m_button->setObjectName(QStringLiteral("RulerUnit"));
        m_button->setAccessibleName(QStringLiteral("Ruler unit"));
        m_button->setToolTip(QStringLiteral("Measuring units"));
        m_button->setFocusPolicy(Qt::NoFocus);
        m_button->setGeometry(0, 0, kButtonWidth, kThickness);
        QFont small = m_button->font();
        small.setPointSizeF(6.5);
        m_button->setFont(small);
        connect(m_button, &QPushButton::clicked, this, &Ruler::UnitButtonClicked);
        m_start = kButtonWidth;
    } else {
        setFixedWidth(kThickness);
    }
}

void Ruler::Changed() {
    ++m_repaints;
    update();
}

void Ruler::SetZoom(double zoom) {
    m_zoom = zoom > 0 ? zoom : 1;
    Changed();
}

void Ruler::SetOrigin(double origin) {
    if (origin == m_origin) return;
    m_origin = origin;
    Changed();
}

void Ruler::SetUnit(MeasureUnit unit) {
    m_unit = unit;
    if (m_button) m_button->setText(Text(UnitButtonText(unit)));
    Changed();
}

void Ruler::SetResolution(double dpi) {
    m_dpi = dpi > 0 ? dpi : 96;
    Changed();
}

void Ruler::SetStartOffset(int pixels) {
    if (pixels == m_start) return;
    m_start = pixels;
    Changed();
}

std::vector<RulerTick> Ruler::Ticks() const {
    const int length = (m_orientation == Qt::Horizontal ? width() : height()) - m_start;
    return RulerTicks(m_unit, m_dpi, m_zoom, m_origin, length);
}

void Ruler::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool horizontal = m_orientation == Qt::Horizontal;
    painter.fillRect(rect(), QColor(192, 192, 192));
    painter.setPen(Qt::black);
    // The line along the long edge next to the picture.
    if (horizontal)
        painter.drawLine(0, height() - 1, width(), height() - 1);
    else
        painter.drawLine(width() - 1, 0, width() - 1, height());
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(5.5);
    painter.setFont(font);
    const int lengths[3] = {kThickness - 4, kThickness / 2, kThickness / 4};
    painter.save();
    if (horizontal) painter.setClipRect(m_start, 0, width() - m_start, height());
    for (const RulerTick& tick : Ticks()) {
        const int at = m_start + int(std::lround(tick.position));
        const int len = lengths[std::clamp(tick.level, 0, 2)];
        if (horizontal) {
            painter.drawLine(at, height() - 1 - len, at, height() - 1);
            if (!tick.label.empty()) painter.drawText(at + 2, 8, QString::fromStdString(tick.label));
        } else {
            painter.drawLine(width() - 1 - len, at, width() - 1, at);
            if (!tick.label.empty()) {
                painter.save();
                painter.translate(8, at + 2);
                painter.rotate(90);
                painter.drawText(0, 0, QString::fromStdString(tick.label));
                painter.restore();
            }
        }
    }
    painter.restore();
}

}  // namespace lp
