#include "shell/ui/orvantix_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "document/picture_document.h"
#include "imaging/ui/qimage_convert.h"

namespace lp {

COrvantixView::COrvantixView(COrvantixDoc& document, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(document) {
    setObjectName(QStringLiteral("PictureView"));
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    RefreshPicture();
}

void COrvantixView::RefreshPicture() {
    const Picture* picture = m_document.GetPicture();
    m_image = picture ? ToQImage(*picture) : QImage();
    UpdateScrollBars();
    viewport()->update();
}

void COrvantixView::ShowCanvas(const QImage& canvas) {
    m_image = canvas;
    UpdateScrollBars();
    viewport()->update();
}

void COrvantixView::SetPicturePosition(int position) {
    m_position = std::clamp(position, 0, 8);
    viewport()->update();
}

QPoint COrvantixView::PictureOrigin() const {
    const QSize area = viewport()->size();
    const int column = m_position % 3;
    const int row = m_position / 3;
    auto place = [](int free, int cell) { return free <= 0 ? 0 : (cell == 0 ? 0 : cell == 1 ? free / 2 : free); };
    const int x = m_image.width() > area.width() ? -horizontalScrollBar()->value()
                                                 : place(area.width() - m_image.width(), column);
    const int y =
        m_image.height() > area.height() ? -verticalScrollBar()->value() : place(area.height() - m_image.height(), row);
    return {x, y};
}

void COrvantixView::UpdateScrollBars() {
    const QSize area = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, m_image.width() - area.width()));
    horizontalScrollBar()->setPageStep(area.width());
    verticalScrollBar()->setRange(0, std::max(0, m_image.height() - area.height()));
    verticalScrollBar()->setPageStep(area.height());
}

void COrvantixView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    if (!m_image.isNull()) painter.drawImage(PictureOrigin(), m_image);
}

void COrvantixView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

bool COrvantixView::UpdateCommand(int, CommandState&) { return false; }
bool COrvantixView::ExecuteCommand(int) { return false; }

}  // namespace lp
