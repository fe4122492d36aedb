#include "vector/ui/vector_preview.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace lp {

CVectorPreviewArea::CVectorPreviewArea(QImage image, QWidget* parent) : QWidget(parent), m_image(std::move(image)) {
    setObjectName(QStringLiteral("VectorPreviewArea"));
    setAccessibleName(QStringLiteral("Vector Preview picture"));
    setMinimumSize(64, 64);
}

QSize CVectorPreviewArea::sizeHint() const {
    return m_image.size().boundedTo(QSize(640, 480)).expandedTo(QSize(64, 64));
}

void CVectorPreviewArea::SetOrigin(QPoint origin) {
    // The window never shows past the bitmap's right or bottom edge.
    const int maxX = std::max(0, m_image.width() - width());
    const int maxY = std::max(0, m_image.height() - height());
    m_origin = QPoint(std::clamp(origin.x(), 0, maxX), std::clamp(origin.y(), 0, maxY));
    update();
}

void CVectorPreviewArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.drawImage(QPoint(0, 0), m_image, QRect(m_origin, size()));
}

void CVectorPreviewArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) return;
    m_dragging = true;
    m_last = event->position().toPoint();
    setCursor(Qt::OpenHandCursor);
}

void CVectorPreviewArea::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) return;
    const QPoint at = event->position().toPoint();
    SetOrigin(m_origin - (at - m_last));
    m_last = at;
}

void CVectorPreviewArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) return;
    m_dragging = false;
    unsetCursor();
}

CVectorPreview::CVectorPreview(const VectorizeResult& result, const VectorizerSettings& settings, QImage image,
                               QWidget* parent)
    : QDialog(parent), m_settings(settings), m_drawing(result.drawing) {
    setObjectName(QStringLiteral("VectorPreview"));
    setWindowTitle(QStringLiteral("Vector Preview"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    m_area = new CVectorPreviewArea(std::move(image), this);
    layout->addWidget(m_area, 1);
    auto* buttons = new QHBoxLayout;
    m_select = new QPushButton(QStringLiteral("&Select"), this);
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_select->setAccessibleName(QStringLiteral("Select"));
    m_close->setAccessibleName(QStringLiteral("Close"));
    buttons->addStretch(1);
    buttons->addWidget(m_select);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);
    connect(m_select, &QPushButton::clicked, this, [this] { emit SelectRequested(m_settings); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
}

}  // namespace lp
