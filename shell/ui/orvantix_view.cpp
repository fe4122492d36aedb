#include "shell/ui/orvantix_view.h"

#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "base/prompter.h"
#include "base/settings.h"
#include "document/picture_document.h"
#include "imaging/ui/qimage_convert.h"
#include "optimize/transfer_info.h"
#include "guikit/ui/command_ids.h"
#include "tools/edit_commands.h"
#include "tools/ui/resize_dialog.h"
#include "tools/ui/rotation_dialog.h"

namespace lp {

namespace {

constexpr const char* kCaption = "Lumaprism";
constexpr const char* kFreeHandOnly = "You have selected free hand rotation;  use Up and Down arrow only";

struct ToolCommand {
    int id;
    ViewTool tool;
};
constexpr ToolCommand kToolCommands[] = {
    {cmd::kToolRectangle, ViewTool::Rectangle}, {cmd::kToolEllipse, ViewTool::Ellipse},
    {cmd::kToolPolygon, ViewTool::Polygon},     {cmd::kMagicWand, ViewTool::MagicWand},
    {cmd::kToolPickPalette, ViewTool::PickPalette},
    {cmd::kPickColour, ViewTool::PickColour},   {cmd::kRetouchPen, ViewTool::RetouchPen},
    {cmd::kManualResize, ViewTool::ManualResize},
};

const char* ToolStatus(ViewTool tool, bool hasSelection) {
    switch (tool) {
        case ViewTool::Rectangle:
            return "Drag with Left Mouse Button to draw Rectangle";
        case ViewTool::Ellipse:
            return "Drag with Left Mouse Button to draw Ellipse";
        case ViewTool::Polygon:
            return hasSelection ? "Select Fill to fill the Area with Transparent/ForeGround Color :press ESC to Delete "
                                  "Selection"
                                : "Click to draw Lines for Polygon & DblClk to end Polygon";
        case ViewTool::MagicWand:
            return hasSelection ? "Selected Area can be Filled with Transparent / ForeGround Colors : press ESC to "
                                  "deselect Area"
                                : "Click with Left Mouse Button to Select Area with Color Tolerance";
        case ViewTool::PickPalette:
            return "Click or Drag with Left Mouse Button to draw Rectangle & to Pick Color for Palette";
        case ViewTool::PickColour:
            return "Left Mouse Button: Pick ForeGround   Ctrl+Left Mouse Button: Pick Transparent";
        case ViewTool::RetouchPen:
            return "Color Drawing: Left Mouse Button (ForeGround Color) -- Ctrl+Left Mouse Button ( Transparent Color )";
        case ViewTool::ManualResize:
            return "Click & Drag Black Box to Resize Picture";
        case ViewTool::FreeHandRotation:
            return kFreeHandOnly;
    }
    return "";
}

/// The viewport pixel under a (possibly fractional) mouse position.
QPoint ViewPixel(QPointF p) { return {int(std::floor(p.x())), int(std::floor(p.y()))}; }

}  // namespace

COrvantixView::COrvantixView(COrvantixDoc& document, ViewContext context, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(document), m_context(std::move(context)) {
    setObjectName(QStringLiteral("PictureView"));
    setAccessibleName(QStringLiteral("Picture"));
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    if (m_context.settings && m_context.settings->zoomWindow) m_zoom = 0;  // best fit once shown
    RefreshPicture();
}

COrvantixView::~COrvantixView() = default;

ToolState& COrvantixView::Tools() const { return m_context.tools ? *m_context.tools : m_ownTools; }

ColourRef COrvantixView::Foreground() const {
    const AppSettings* s = m_context.settings;
    return s ? MakeColour(std::uint8_t(s->fgRed), std::uint8_t(s->fgGreen), std::uint8_t(s->fgBlue))
             : MakeColour(0, 0, 128);
}

ColourRef COrvantixView::Transparent() const {
    const AppSettings* s = m_context.settings;
    return s ? MakeColour(std::uint8_t(s->bgRed), std::uint8_t(s->bgGreen), std::uint8_t(s->bgBlue))
             : MakeColour(255, 255, 255);
}

bool COrvantixView::Confirm() const { return !m_context.confirmChange || m_context.confirmChange(); }

void COrvantixView::Message(const char* text) const {
    if (m_context.prompter) m_context.prompter->Message(text, kCaption, PromptIcon::Exclamation);
}

void COrvantixView::RefreshPicture() {
    const Picture* picture = m_document.GetPicture();
    m_image = picture ? ToQImage(*picture) : QImage();
    if (m_zoom <= 0 && !m_image.isNull() && viewport()->width() > 0)
        m_zoom = BestFitZoom(viewport()->width(), viewport()->height(), m_image.width(), m_image.height());
    UpdateScrollBars();
    viewport()->update();
    if (m_context.geometryChanged) m_context.geometryChanged();
}

void COrvantixView::ShowCanvas(const QImage& canvas) {
    m_image = canvas;
    UpdateScrollBars();
    viewport()->update();
}

void COrvantixView::SetPicturePosition(int position) {
    m_position = std::clamp(position, 0, 8);
    viewport()->update();
    if (m_context.geometryChanged) m_context.geometryChanged();
}

void COrvantixView::SetZoom(double zoom, bool resetScroll) {
    m_zoom = std::clamp(zoom, 0.1, kMaxZoom);
    if (m_selection) m_selection->zoom = m_zoom;
    UpdateScrollBars();
    if (resetScroll) {
        horizontalScrollBar()->setValue(0);
        verticalScrollBar()->setValue(0);
    }
    viewport()->update();
    if (m_context.geometryChanged) m_context.geometryChanged();
    if (m_context.stateChanged) m_context.stateChanged();
}

QPoint COrvantixView::ScrollOrigin() const {
    const double z = m_zoom > 0 ? m_zoom : 1.0;
    return {int(horizontalScrollBar()->value() / z), int(verticalScrollBar()->value() / z)};
}

void COrvantixView::SetScrollOrigin(QPoint origin) {
    const double z = m_zoom > 0 ? m_zoom : 1.0;
    horizontalScrollBar()->setValue(int(std::lround(origin.x() * z)));
    verticalScrollBar()->setValue(int(std::lround(origin.y() * z)));
}

QPoint COrvantixView::PictureOrigin() const {
    const QSize area = viewport()->size();
    const double z = m_zoom > 0 ? m_zoom : 1.0;
    const int w = int(std::lround(m_image.width() * z));
    const int h = int(std::lround(m_image.height() * z));
    const int column = m_position % 3;
    const int row = m_position / 3;
    auto place = [](int free, int cell) { return free <= 0 ? 0 : (cell == 0 ? 0 : cell == 1 ? free / 2 : free); };
    const int x = w > area.width() ? -horizontalScrollBar()->value() : place(area.width() - w, column);
    const int y = h > area.height() ? -verticalScrollBar()->value() : place(area.height() - h, row);
    return {x, y};
}

QPointF COrvantixView::TopLeftPicturePoint() const {
    const QPoint o = PictureOrigin();
    const double z = m_zoom > 0 ? m_zoom : 1.0;
    return {-o.x() / z, -o.y() / z};
}

QPoint COrvantixView::PicturePoint(QPoint p) const {
    const QPoint o = PictureOrigin();
    const double z = m_zoom > 0 ? m_zoom : 1.0;
    return {int(std::floor((p.x() - o.x()) / z)), int(std::floor((p.y() - o.y()) / z))};
}

QPointF COrvantixView::ViewportPoint(QPointF p) const {
    const QPoint o = PictureOrigin();
    const double z = m_zoom > 0 ? m_zoom : 1.0;
    return {o.x() + p.x() * z, o.y() + p.y() * z};
}

void COrvantixView::UpdateScrollBars() {
    const QSize area = viewport()->size();
    const double z = m_zoom > 0 ? m_zoom : 1.0;
    const int w = int(std::lround(m_image.width() * z));
    const int h = int(std::lround(m_image.height() * z));
    horizontalScrollBar()->setRange(0, std::max(0, w - area.width()));
    horizontalScrollBar()->setPageStep(area.width());
    verticalScrollBar()->setRange(0, std::max(0, h - area.height()));
    verticalScrollBar()->setPageStep(area.height());
}

void COrvantixView::RemoveSelection() {
    m_selection.reset();
    m_drag = Drag::None;
    viewport()->update();
    if (m_context.stateChanged) m_context.stateChanged();
}

// --- Painting ------------------------------------------------------------------------------------

void COrvantixView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    if (m_image.isNull()) return;
    const double z = m_zoom > 0 ? m_zoom : 1.0;
    const QPoint o = PictureOrigin();
    painter.drawImage(QRectF(o, QSizeF(m_image.width() * z, m_image.height() * z)), m_image);
    if (Tools().Current() == ViewTool::ManualResize) {
        const double w = m_image.width() * z, h = m_image.height() * z;
        if (m_drag == Drag::Resize) {
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(o, QSizeF(m_resizeSize.width * z, m_resizeSize.height * z)));
            return;
        }
        const int s = 2 * kResizeHandleHalf;
        for (const QPointF c : {QPointF(w, h / 2), QPointF(w / 2, h), QPointF(w, h)})
            painter.fillRect(QRectF(o.x() + c.x() - kResizeHandleHalf, o.y() + c.y() - kResizeHandleHalf, s, s), Qt::black);
        return;
    }
    if (!m_selection) return;

    // Outlines invert what lies under them, so they show on any picture.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const bool wand = m_selection->Kind() == SelectionKind::MagicWand;
    const bool polygon = m_selection->Kind() == SelectionKind::Polygon;
    QPen pen(Qt::white, 1, polygon ? Qt::SolidLine : Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const double centre = wand ? 0.5 : 0.0;
    for (const auto& outline : m_selection->Outlines()) {
        QPolygonF line;
        for (const ContourPoint p : outline) line << ViewportPoint(QPointF(p.x + centre, p.y + centre));
        if (line.size() == 1)
            painter.drawPoint(line[0]);
        else
            painter.drawPolyline(line);
    }
    if (polygon && m_drag == Drag::None && !static_cast<const CPolygonSelection&>(*m_selection).Closed() &&
        m_rubberBand.x() >= 0) {
        const ContourPoint last = static_cast<const CPolygonSelection&>(*m_selection).Vertices().back();
        painter.drawLine(ViewportPoint(QPointF(last.x, last.y)), ViewportPoint(QPointF(m_rubberBand)));
    }
    if (m_drag == Drag::Drawing) return;
    painter.setPen(QPen(Qt::white, 1));
    for (const ContourPoint h : m_selection->Handles()) {
        const QPointF c = ViewportPoint(QPointF(h.x, h.y));
        painter.drawRect(QRectF(c.x() - 3, c.y() - 3, 6, 6));
    }
}

void COrvantixView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (m_zoom <= 0 && !m_image.isNull() && viewport()->width() > 0)
        m_zoom = BestFitZoom(viewport()->width(), viewport()->height(), m_image.width(), m_image.height());
    UpdateScrollBars();
    if (m_context.geometryChanged) m_context.geometryChanged();
}

void COrvantixView::scrollContentsBy(int, int) {
    viewport()->update();
    if (m_context.geometryChanged) m_context.geometryChanged();
}

// --- Mouse ---------------------------------------------------------------------------------------

void COrvantixView::mousePressEvent(QMouseEvent* event) {
    const QPoint at = ViewPixel(event->position());
    const QPoint p = PicturePoint(at);
    m_lastViewportPoint = at;
    m_lastPicturePoint = p;
    m_pressPoint = p;
    if (Tools().InFreeHand()) {
        Message(kFreeHandOnly);
        return;
    }
    if (event->button() == Qt::RightButton) {
        m_drag = Drag::Pan;
        if (m_context.statusText) m_context.statusText(QStringLiteral("Drag with Right Mouse Button for Panning"));
        return;
    }
    if (event->button() != Qt::LeftButton || m_image.isNull()) return;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (Tools().Current()) {
        case ViewTool::Rectangle:
        case ViewTool::Ellipse: {
            const SelectionKind kind =
                Tools().Current() == ViewTool::Rectangle ? SelectionKind::Rectangle : SelectionKind::Ellipse;
            if (m_selection && m_selection->Kind() == kind && m_selection->HitHandleAndAnchor(p.x(), p.y())) {
                m_drag = Drag::Handle;
            } else if (m_selection && m_selection->Kind() == kind && m_selection->Contains(p.x(), p.y())) {
                m_drag = Drag::Moving;
            } else {
                if (kind == SelectionKind::Rectangle)
                    m_selection = std::make_unique<CRectSelection>(p.x(), p.y());
                else
                    m_selection = std::make_unique<CEllipseSelection>(p.x(), p.y());
                m_selection->zoom = m_zoom;
                m_drag = Drag::Drawing;
            }
            break;
        }
        case ViewTool::Polygon: {
            auto* polygon = m_selection && m_selection->Kind() == SelectionKind::Polygon
                                ? static_cast<CPolygonSelection*>(m_selection.get())
                                : nullptr;
            if (polygon && polygon->Closed() && polygon->HitHandleAndAnchor(p.x(), p.y())) {
                m_drag = Drag::Handle;
            } else if (polygon && polygon->Closed() && polygon->Contains(p.x(), p.y())) {
                m_drag = Drag::Moving;
            } else if (polygon && !polygon->Closed()) {
                polygon->SetPoint(p.x(), p.y());
            } else {
                m_selection = std::make_unique<CPolygonSelection>(p.x(), p.y());
                m_selection->zoom = m_zoom;
            }
            break;
        }
        case ViewTool::MagicWand: {
            m_selection.reset();
            const int tolerance = m_context.settings ? m_context.settings->magicTolerance : 100;
            m_selection =
                std::make_unique<CWandSelection>(*m_document.GetPicture(), p.x(), p.y(), tolerance, m_context.progress);
            m_selection->zoom = m_zoom;
            break;
        }
        case ViewTool::PickPalette:
            // The rectangle is only drawn while dragging; its colours go to the palette window.
            m_selection = std::make_unique<CRectSelection>(p.x(), p.y());
            m_selection->zoom = m_zoom;
            m_drag = Drag::Pick;
            break;
        case ViewTool::PickColour:
            PickColour(p, ctrl);
            break;
        case ViewTool::ManualResize: {
            const ResizeHandle handle = ResizeHandleAt(at);
            if (handle == ResizeHandle::None || !Confirm()) return;
            m_resizeHandle = handle;
            m_resizeSize = {m_image.width(), m_image.height()};
            m_drag = Drag::Resize;
            break;
        }
        case ViewTool::RetouchPen:
            if (!Confirm() || !BeginRetouch(m_document)) return;
            m_retouchTransparent = ctrl;
            m_drag = Drag::Retouch;
            RetouchStroke(m_document, {p.x(), p.y()}, {p.x(), p.y()}, m_context.settings ? m_context.settings->penWidth : 1,
                          ctrl ? Transparent() : Foreground());
            m_image = ToQImage(*m_document.GetPicture());
            break;
        default:
            break;
    }
    viewport()->update();
    if (m_context.stateChanged) m_context.stateChanged();
}

void COrvantixView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = ViewPixel(event->position());
    const QPoint p = PicturePoint(at);
    ShowStatus(at);
    switch (m_drag) {
        case Drag::Drawing:
        case Drag::Handle:
        case Drag::Pick:
            if (m_selection) m_selection->SetPoint(p.x(), p.y());
            break;
        case Drag::Moving:
            if (m_selection) m_selection->Offset(p.x() - m_lastPicturePoint.x(), p.y() - m_lastPicturePoint.y());
            break;
        case Drag::Resize: {
            // The edge follows the mouse: the size is the distance from the picture's corner.
            const double z = m_zoom > 0 ? m_zoom : 1.0;
            const QPoint o = PictureOrigin();
            m_resizeSize = DraggedSize(m_resizeHandle, {m_image.width(), m_image.height()},
                                       int(std::lround((at.x() - o.x()) / z)), int(std::lround((at.y() - o.y()) / z)),
                                       event->modifiers() & Qt::ShiftModifier);
            if (m_context.statusText)
                m_context.statusText(QString::fromStdString(ResizeDragStatus(
                    m_resizeSize.width, m_resizeSize.height, m_document.Transfer(), double(m_document.ColourCount()),
                    m_context.settings ? m_context.settings->modemSpeed : AppSettings{}.modemSpeed)));
            break;
        }
        case Drag::Retouch:
            RetouchStroke(m_document, {m_lastPicturePoint.x(), m_lastPicturePoint.y()}, {p.x(), p.y()},
                          m_context.settings ? m_context.settings->penWidth : 1,
                          m_retouchTransparent ? Transparent() : Foreground());
            m_image = ToQImage(*m_document.GetPicture());
            break;
        case Drag::Pan: {
            const QPoint d = at - m_lastViewportPoint;
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() - d.x());
            verticalScrollBar()->setValue(verticalScrollBar()->value() - d.y());
            // Windows of the same picture stay aligned.
            if (m_context.samePictureViews)
                for (COrvantixView* other : m_context.samePictureViews())
                    if (other != this) other->SetScrollOrigin(ScrollOrigin());
            break;
        }
        case Drag::None:
            if (m_selection && m_selection->Kind() == SelectionKind::Polygon) m_rubberBand = p;
            break;
    }
    m_lastViewportPoint = at;
    m_lastPicturePoint = p;
    viewport()->update();
}

void COrvantixView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = PicturePoint(ViewPixel(event->position()));
    switch (m_drag) {
        case Drag::Drawing:
            if (m_selection) m_selection->SetPoint(p.x(), p.y());
            // A click without movement leaves no selection.
            if (p == m_pressPoint) m_selection.reset();
            break;
        case Drag::Handle:
            if (m_selection && m_selection->Kind() == SelectionKind::Polygon)
                static_cast<CPolygonSelection&>(*m_selection).ReleaseHandle();
            break;
        case Drag::Retouch:
            EndRetouch(m_document);
            break;
        case Drag::Pick: {
            m_selection.reset();
            const Picture* picture = m_document.GetPicture();
            if (picture && m_context.pickPalette)
                m_context.pickPalette(*picture, PickRect{std::min(m_pressPoint.x(), p.x()), std::min(m_pressPoint.y(), p.y()),
                                                         std::max(m_pressPoint.x(), p.x()) + 1,
                                                         std::max(m_pressPoint.y(), p.y()) + 1});
            break;
        }
        case Drag::Resize:
            m_drag = Drag::None;
            if (ResizePictureTo(m_document, m_resizeSize, m_context.settings && m_context.settings->smartReSize != 0,
                                m_context.progress))
                RefreshPicture();
            break;
        default:
            break;
    }
    m_drag = Drag::None;
    viewport()->update();
    if (m_context.stateChanged) m_context.stateChanged();
}

void COrvantixView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (Tools().Current() != ViewTool::Polygon || !m_selection || m_selection->Kind() != SelectionKind::Polygon) {
        mousePressEvent(event);
        return;
    }
    auto& polygon = static_cast<CPolygonSelection&>(*m_selection);
    if (polygon.Closed()) return;
    const QPoint p = PicturePoint(ViewPixel(event->position()));
    if (polygon.Vertices().back() != ContourPoint{p.x(), p.y()}) polygon.SetPoint(p.x(), p.y());
    polygon.Close();
    viewport()->update();
    if (m_context.stateChanged) m_context.stateChanged();
}

void COrvantixView::keyPressEvent(QKeyEvent* event) {
    const bool keypad = event->modifiers() & Qt::KeypadModifier;
    switch (event->key()) {
        case Qt::Key_Plus:
            if (keypad) ExecuteCommand(cmd::kZoomIn);
            return;
        case Qt::Key_Minus:
            if (keypad) ExecuteCommand(cmd::kZoomOut);
            return;
        case Qt::Key_Escape:
            if (Tools().InFreeHand()) {
                Tools().EndFreeHand();
                if (m_context.stateChanged) m_context.stateChanged();
            } else {
                RemoveSelection();
            }
            return;
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (Tools().InFreeHand()) {
                const double step = m_context.settings ? m_context.settings->stepRotation : 0.5;
                FreeHandStep(event->key() == Qt::Key_Up ? step : -step);
                return;
            }
            break;
        default:
            break;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void COrvantixView::ShowStatus(QPoint at) {
    if (!m_context.statusText) return;
    if (m_drag == Drag::Pan) return;
    const QPoint p = PicturePoint(at);
    const bool over = !m_image.isNull() && p.x() >= 0 && p.y() >= 0 && p.x() < m_image.width() && p.y() < m_image.height();
    if (!over) {
        m_context.statusText(QStringLiteral("Enable View/Beginners Hint for Tips"));
        return;
    }
    const ViewTool tool = Tools().Current();
    if (tool == ViewTool::ManualResize && m_drag == Drag::None) {
        switch (ResizeHandleAt(at)) {
            case ResizeHandle::RightEdge:
                return m_context.statusText(QStringLiteral("Click & Drag to Resize the Picture Horizontally"));
            case ResizeHandle::BottomEdge:
                return m_context.statusText(QStringLiteral("Click & Drag to Resize the Picture Vertically"));
            case ResizeHandle::Corner:
                return m_context.statusText(
                    QStringLiteral("Click & Drag to Resize Picture Proportionally or hold SHIFT for non-Proprotionally"));
            case ResizeHandle::None:
                break;
        }
    }
    if (m_selection && m_selection->Kind() != SelectionKind::MagicWand && m_selection->HitHandle(p.x(), p.y())) {
        if (tool == ViewTool::Rectangle)
            return m_context.statusText(QStringLiteral("Click & Drag Edit box to Edit Rectangle"));
        if (tool == ViewTool::Ellipse) return m_context.statusText(QStringLiteral("Click & Drag Edit box to Edit Ellipse"));
        if (tool == ViewTool::Polygon)
            return m_context.statusText(QStringLiteral("Click & Drag Edit Box to Stretch Polygon"));
    }
    m_context.statusText(QString::fromUtf8(ToolStatus(tool, m_selection != nullptr)));
}

ResizeHandle COrvantixView::ResizeHandleAt(QPoint at) const {
    if (m_image.isNull()) return ResizeHandle::None;
    const double z = m_zoom > 0 ? m_zoom : 1.0;
    const QPoint o = PictureOrigin();
    return HitResizeHandle(m_image.width() * z, m_image.height() * z, at.x() - o.x(), at.y() - o.y());
}

// --- Commands ------------------------------------------------------------------------------------

void COrvantixView::ChooseTool(ViewTool tool) {
    if (tool != ViewTool::PickColour) RemoveSelection();
    if (tool == ViewTool::ManualResize) m_document.DiscardUndoPicture();
    Tools().Choose(tool);
    if (m_context.showHint && ToolHintNumber(tool) >= 0) m_context.showHint(ToolHintNumber(tool));
    viewport()->update();
    if (m_context.stateChanged) m_context.stateChanged();
}

void COrvantixView::PickColour(QPoint p, bool transparent) {
    const Picture* picture = m_document.GetPicture();
    if (!picture || p.x() < 0 || p.y() < 0 || p.x() >= picture->Width() || p.y() >= picture->Height()) return;
    const std::uint8_t* px = picture->RowFromTop(p.y()).data() + std::size_t(p.x()) * 3;
    if (AppSettings* s = m_context.settings) {
        if (transparent)
            s->bgRed = px[2], s->bgGreen = px[1], s->bgBlue = px[0];
        else
            s->fgRed = px[2], s->fgGreen = px[1], s->fgBlue = px[0];
    }
}

void COrvantixView::Fill(bool foreground) {
    if (!m_selection) return;
    if (m_context.showHint) m_context.showHint(foreground ? 14 : 15);
    if (!Confirm()) return;
    FillSelection(m_document, *m_selection, foreground ? Foreground() : Transparent(), !foreground);
    m_selection.reset();
    RefreshPicture();
}

void COrvantixView::SpotRemover() {
    if (m_context.showHint) m_context.showHint(9);
    if (!Confirm() || !m_context.prompter) return;
    const SpotRemoverParams params = m_context.spot ? *m_context.spot : SpotRemoverParams{};
    RemoveSpots(m_document, *m_context.prompter, m_selection.get(), params);
    if (m_selection &&
        (m_selection->Kind() == SelectionKind::Rectangle || m_selection->Kind() == SelectionKind::Ellipse))
        m_selection.reset();
    RefreshPicture();
}

void COrvantixView::ResizeDialog() {
    const Picture* picture = m_document.GetPicture();
    if (!picture || !Confirm()) return;
    const MeasureUnits units = m_context.settings ? m_context.settings->units : MeasureUnits{};
    CPictureResizeDlg dialog(picture->Width(), picture->Height(), units, m_context.prompter, this);
    if (m_context.openHelp) dialog.SetHelp(m_context.openHelp);
    if (dialog.exec() != QDialog::Accepted || !dialog.Result()) return;
    const ResizeResult result = *dialog.Result();
    if (ResizePictureTo(m_document, result.size, result.smart, m_context.progress)) {
        m_selection.reset();
        RefreshPicture();
    }
}

void COrvantixView::Rotate(double angle, ColourRef background) {
    RotatePicture(m_document, angle, background);
    m_selection.reset();
    RefreshPicture();
}

void COrvantixView::RotateArbitrary() {
    m_document.RememberForUndo();
    CRotationDialog dialog(Transparent(), m_document.FrameCount() > 1, this);
    if (dialog.exec() != QDialog::Accepted) return;
    const double angle = dialog.Angle();
    if (angle == 0) {
        if (m_context.prompter)
            m_context.prompter->Message("Angle of rotation is 0 ( Zero ).  No change", kCaption, PromptIcon::Information);
        return;
    }
    const ColourRef background = dialog.Background();
    if (AppSettings* s = m_context.settings)
        s->bgRed = RedOf(background), s->bgGreen = GreenOf(background), s->bgBlue = BlueOf(background);
    RotatePicture(m_document, angle, background, dialog.AllFrames());
    m_selection.reset();
    RefreshPicture();
}

void COrvantixView::StartFreeHand() {
    if (!BeginFreeHandRotation(m_document)) return;
    Tools().BeginFreeHand();
    Message("Use only Up and Down arrow keys for free hand rotation\nUp arrow   : Rotate Counter clock wise\nDown arrow "
            ": Rotate Clock wise\nEsc : To End rotation\nYOU CAN ALSO SELECT AN AREA TO BE ROTATED\n");
    if (m_context.stateChanged) m_context.stateChanged();
}

void COrvantixView::FreeHandStep(double angle) {
    const ViewTool before = Tools().Previous();
    const bool areaTool = before == ViewTool::Rectangle || before == ViewTool::Ellipse;
    if ((before == ViewTool::Polygon || before == ViewTool::MagicWand) && m_selection) return;
    FreeHandRotationStep(m_document, areaTool ? m_selection.get() : nullptr, angle, Transparent());
    RefreshPicture();
}

void COrvantixView::ZoomSamePicture(double zoom, bool resetScroll) {
    SetZoom(zoom, resetScroll);
    if (m_context.samePictureViews)
        for (COrvantixView* other : m_context.samePictureViews())
            if (other != this) other->SetZoom(zoom, resetScroll);
}

void COrvantixView::CustomZoom() {
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Custom Zoom"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* value = new QLabel(&dialog);
    auto* slider = new QSlider(Qt::Horizontal, &dialog);
    slider->setAccessibleName(QStringLiteral("Zoom"));
    slider->setRange(10, 1000);
    slider->setValue(CustomZoomValue(m_zoom));
    value->setText(QStringLiteral("%1%").arg(slider->value()));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("10%"), &dialog));
    row->addWidget(slider, 1);
    row->addWidget(new QLabel(QStringLiteral("1000%"), &dialog));
    layout->addWidget(value);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(slider, &QSlider::valueChanged, &dialog, [this, value](int v) {
        value->setText(QStringLiteral("%1%").arg(v));
        SetZoom(v * 0.01);
    });
    connect(slider, &QSlider::sliderReleased, &dialog, [this, slider] { ZoomSamePicture(slider->value() * 0.01, false); });
    const double before = m_zoom;
    if (dialog.exec() == QDialog::Accepted)
        ZoomSamePicture(slider->value() * 0.01, true);
    else
        SetZoom(before);
}

bool COrvantixView::CopiesSelection() const {
    return m_context.clipboard && m_selection && m_selection->Kind() != SelectionKind::MagicWand &&
           !m_document.IsPlaying();
}

bool COrvantixView::UpdateCommand(int id, CommandState& state) {
    const bool has = m_document.HasPicture() && !m_document.IsPlaying();
    for (const ToolCommand& t : kToolCommands)
        if (t.id == id) {
            state.enabled = has;
            state.checked = Tools().Current() == t.tool;
            return true;
        }
    switch (id) {
        case cmd::kToolHide:
            state.enabled = m_selection != nullptr;
            return true;
        case cmd::kFillForeground:
        case cmd::kFillTransparent:
            state.enabled = has && m_selection != nullptr;
            return true;
        case cmd::kCutOut:
            state.enabled = has && m_selection && m_selection->Kind() != SelectionKind::MagicWand;
            return true;
        case cmd::kEditCopy:
            // With a shape selection Copy takes its cut-out; otherwise the document copies the picture.
            if (!CopiesSelection()) return false;
            state.enabled = m_document.HasPicture();
            return true;
        case cmd::kSelectForeground:
        case cmd::kSpotRemover:
        case cmd::kResize:
        case cmd::kFlipHorizontal:
        case cmd::kFlipVertical:
        case cmd::kRotate180:
        case cmd::kRotate90Cw:
        case cmd::kRotate90Ccw:
        case cmd::kRotateArbitrary:
        case cmd::kZoom50:
        case cmd::kZoom100:
        case cmd::kZoom200:
        case cmd::kZoom400:
        case cmd::kZoomBestFit:
        case cmd::kZoomFitWidth:
        case cmd::kZoomFitHeight:
        case cmd::kZoomCustom:
        case cmd::kZoomIn:
        case cmd::kZoomOut:
            state.enabled = has;
            return true;
        case cmd::kRotateFreeHand:
            state.enabled = has;
            state.checked = Tools().InFreeHand();
            return true;
        default:
            break;
    }
    if (id >= cmd::kPosTopLeft && id <= cmd::kPosTopLeft + 8) {
        state.enabled = true;
        state.checked = m_position == id - cmd::kPosTopLeft;
        return true;
    }
    return false;
}

bool COrvantixView::ExecuteCommand(int id) {
    for (const ToolCommand& t : kToolCommands)
        if (t.id == id) {
            ChooseTool(t.tool);
            return true;
        }
    if (id >= cmd::kPosTopLeft && id <= cmd::kPosTopLeft + 8) {
        SetPicturePosition(id - cmd::kPosTopLeft);
        if (m_context.settings) m_context.settings->picPosition = m_position;
        if (m_context.stateChanged) m_context.stateChanged();
        return true;
    }
    const int cw = viewport()->width(), ch = viewport()->height();
    switch (id) {
        case cmd::kToolHide:
            RemoveSelection();
            return true;
        case cmd::kFillForeground:
            Fill(true);
            return true;
        case cmd::kFillTransparent:
            Fill(false);
            return true;
        case cmd::kCutOut:
            if (m_selection && Confirm()) {
                if (CutOutSelection(m_document, *m_selection, Transparent())) m_selection.reset();
                RefreshPicture();
            }
            return true;
        case cmd::kEditCopy:
            if (!CopiesSelection()) return false;
            CopySelection(m_document, *m_context.clipboard, *m_selection, Transparent());
            return true;
        case cmd::kSelectForeground: {
            const QColor chosen = QColorDialog::getColor(QColor(RedOf(Foreground()), GreenOf(Foreground()),
                                                                BlueOf(Foreground())),
                                                         this, QStringLiteral("Foreground Color"));
            if (chosen.isValid() && m_context.settings)
                m_context.settings->fgRed = chosen.red(), m_context.settings->fgGreen = chosen.green(),
                m_context.settings->fgBlue = chosen.blue();
            return true;
        }
        case cmd::kSpotRemover:
            SpotRemover();
            return true;
        case cmd::kResize:
            ResizeDialog();
            return true;
        case cmd::kFlipHorizontal:
        case cmd::kFlipVertical:
            FlipPicture(m_document, id == cmd::kFlipVertical);
            m_selection.reset();
            RefreshPicture();
            return true;
        case cmd::kRotate180:
            Rotate(180, MakeColour(0, 0, 0));
            return true;
        case cmd::kRotate90Cw:
            Rotate(-90, MakeColour(0, 0, 0));
            return true;
        case cmd::kRotate90Ccw:
            Rotate(90, MakeColour(0, 0, 0));
            return true;
        case cmd::kRotateArbitrary:
            RotateArbitrary();
            return true;
        case cmd::kRotateFreeHand:
            StartFreeHand();
            return true;
        case cmd::kZoom50:
            SetZoom(0.5);
            return true;
        case cmd::kZoom100:
            SetZoom(1.0, true);
            return true;
        case cmd::kZoom200:
            SetZoom(2.0);
            return true;
        case cmd::kZoom400:
            SetZoom(4.0);
            return true;
        case cmd::kZoomBestFit:
            ZoomSamePicture(BestFitZoom(cw, ch, m_image.width(), m_image.height()), true);
            return true;
        case cmd::kZoomFitWidth:
            ZoomSamePicture(FitWidthZoom(cw, m_image.width()), true);
            return true;
        case cmd::kZoomFitHeight:
            ZoomSamePicture(FitHeightZoom(ch, m_image.height()), true);
            return true;
        case cmd::kZoomCustom:
            CustomZoom();
            return true;
        case cmd::kZoomIn:
            ZoomSamePicture(ZoomInStep(m_zoom), false);
            return true;
        case cmd::kZoomOut:
            ZoomSamePicture(ZoomOutStep(m_zoom), true);
            return true;
        default:
            return false;
    }
}

}  // namespace lp
