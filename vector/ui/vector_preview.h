#pragma once
#include <QDialog>
#include <QImage>
#include <QPoint>

#include "vector/vectorizer.h"

class QPushButton;

namespace lp {

/// The picture area of a vector preview: the painted drawing at scale 1 from a scroll origin
/// that dragging with the right button moves, never past the bitmap's right or bottom edge.
class CVectorPreviewArea final : public QWidget {
    Q_OBJECT
public:
    explicit CVectorPreviewArea(QImage image, QWidget* parent = nullptr);
    const QImage& Image() const { return m_image; }
    QPoint Origin() const { return m_origin; }
    void SetOrigin(QPoint origin);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage m_image;
    QPoint m_origin{0, 0};
    QPoint m_last;
    bool m_dragging = false;
};

/// "Vector Preview": the objects of one vectorizer run painted as the writers see them, with
/// "&Select" (its parameters back into the dialog) and "&Close". Any number may be open.
class CVectorPreview final : public QDialog {
    Q_OBJECT
public:
    /// image: the drawing painted by PaintVectorObjects.
    CVectorPreview(const VectorizeResult& result, const VectorizerSettings& settings, QImage image,
                   QWidget* parent = nullptr);

    const VectorizerSettings& Settings() const { return m_settings; }
    const VectorDrawing& Drawing() const { return m_drawing; }
    CVectorPreviewArea* Area() const { return m_area; }
    QPushButton* SelectButton() const { return m_select; }
    QPushButton* CloseButton() const { return m_close; }

signals:
    void SelectRequested(const lp::VectorizerSettings& settings);

private:
    VectorizerSettings m_settings;
    VectorDrawing m_drawing;
    CVectorPreviewArea* m_area = nullptr;
    QPushButton* m_select = nullptr;
    QPushButton* m_close = nullptr;
};

}  // namespace lp
