#include "shell/ui/position_selector.h"

#include <QMouseEvent>
#include <QPainter>

namespace lp {

CPositionSelector::CPositionSelector(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Pos Win"));
    setObjectName(QStringLiteral("Pos Win"));
    setFixedSize(31, 22);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Picture Position"));
    setStatusTip(QStringLiteral("Position the Picture by Selecting a Rectangle"));
}

void CPositionSelector::SetSelection(int cell) {
    m_selection = (cell >= 0 && cell <= 8) ? cell : -1;
    update();
}

int CPositionSelector::CellAt(int x, int y) {
    // Integer division truncates toward zero: the two border pixels left of
    // and above the grid still count as the first column and row.
    const int column = (x - 2) / 9;
    const int row = (y - 2) / 6;
    if (column < 0 || column > 2 || row < 0 || row > 2) return -1;
    return column + 3 * row;
}

void CPositionSelector::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Button));
    p.setPen(pal.color(QPalette::Button));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(pal.color(QPalette::Shadow));
    for (int x : {2, 11, 20}) p.drawLine(x, 2, x, 20);
    for (int y : {2, 8, 14}) p.drawLine(2, y, 29, y);
    p.setPen(pal.color(QPalette::Light));
    for (int x : {10, 19, 28}) p.drawLine(x, 2, x, 20);
    for (int y : {7, 13, 19}) p.drawLine(2, y, 29, y);
    if (m_selection >= 0) {
        const int column = m_selection % 3;
        const int row = m_selection / 3;
        const QColor red(160, 0, 0);
        p.setPen(red);
        p.setBrush(red);
        p.drawRect(
            QRect(QPoint(column * 9 + 3, row * 6 + 3), QPoint(column * 9 + 10, row * 6 + 7)).adjusted(0, 0, -1, -1));
    }
}

void CPositionSelector::Follow(QPoint point) {
    const int cell = CellAt(point.x(), point.y());
    if (cell >= 0 && cell != m_selection) SetSelection(cell);
}

void CPositionSelector::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Follow(event->position().toPoint());
}

void CPositionSelector::mouseMoveEvent(QMouseEvent* event) {
    // Qt grabs the mouse for the widget while a button is held.
    if (event->buttons() & Qt::LeftButton) Follow(event->position().toPoint());
}

void CPositionSelector::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit Released(m_selection);
}

}  // namespace lp
