#pragma once
#include <QAbstractScrollArea>
#include <QImage>
#include <functional>
#include <memory>
#include <vector>

#include "guikit/ui/command_router.h"
#include "shell/print_settings.h"
#include "tools/palette_window_model.h"
#include "tools/selection_shape.h"
#include "tools/spot_remover.h"
#include "tools/view_tools.h"

namespace lp {

class COrvantixDoc;
class COrvantixView;
class PictureClipboard;
class Prompter;
class ProgressSink;
struct AppSettings;

/// What a view needs from the application around it. Null members are allowed:
/// the view then keeps its own tool state and skips what they serve.
struct ViewContext {
    AppSettings* settings = nullptr;     // colours, tolerance, pen width, rotation step
    ToolState* tools = nullptr;          // the application's one current tool
    SpotRemoverParams* spot = nullptr;   // the spot remover's working parameters
    Prompter* prompter = nullptr;
    ProgressSink* progress = nullptr;
    PictureClipboard* clipboard = nullptr;  // Copy of a selection; without it Copy takes the picture
    std::function<void(int)> showHint;   // beginner's hint number
    /// Other views showing the same picture (same path, or same title without one).
    std::function<std::vector<COrvantixView*>()> samePictureViews;
    /// The check before every change of the picture; false stops the change.
    std::function<bool()> confirmChange;
    /// The tool or the colours changed: refresh the command states and the bars.
    std::function<void()> stateChanged;
    /// Status-bar text while the mouse is over the view.
    std::function<void(const QString&)> statusText;
    /// The pick-palette tool's rectangle (picture pixels from the top-left, clipped by the receiver).
    std::function<void(const Picture&, PickRect)> pickPalette;
    /// Opens a help topic; unset: help is not available.
    std::function<void(int)> openHelp;
    /// Zoom, scroll position or picture placement changed (the rulers follow).
    std::function<void()> geometryChanged;
};

/// The picture view of a picture window: shows the document's current frame
/// zoomed and placed by the picture position (0 top left .. 8 bottom right)
/// while it is smaller than the window, scrollable when larger. It carries
/// the tools: the four selections, picking colours, the retouch pen, panning
/// with the right button, the zoom and rotation commands and the fills.
class COrvantixView final : public QAbstractScrollArea, public CommandTarget {
    Q_OBJECT
public:
    explicit COrvantixView(COrvantixDoc& document, ViewContext context = {}, QWidget* parent = nullptr);
    ~COrvantixView() override;

    /// Takes the document's current picture again (after load, edit, undo, frame switch).
    void RefreshPicture();
    /// Shows a playback canvas instead of the current frame until RefreshPicture.
    void ShowCanvas(const QImage& canvas);
    void SetPicturePosition(int position);
    int PicturePosition() const { return m_position; }
    const QImage& ShownImage() const { return m_image; }
    /// Where the picture's top-left corner lies in the viewport.
    QPoint PictureOrigin() const;

    double Zoom() const { return m_zoom; }
    /// Sets the zoom (clamped to 0.1 .. 10); resetScroll returns to the top-left.
    void SetZoom(double zoom, bool resetScroll = false);
    /// Scroll origin: the picture pixel at the top-left of the window.
    QPoint ScrollOrigin() const;
    void SetScrollOrigin(QPoint origin);
    /// The picture pixel under a viewport point (may lie outside the picture).
    QPoint PicturePoint(QPoint viewportPoint) const;
    /// The viewport point of a picture pixel's top-left corner.
    QPointF ViewportPoint(QPointF picturePoint) const;
    /// The picture coordinates at the viewport's top-left corner (negative while the
    /// picture is placed inside a larger window).
    QPointF TopLeftPicturePoint() const;

    const CSelectionShape* Selection() const { return m_selection.get(); }
    void RemoveSelection();
    ViewTool CurrentTool() const { return Tools().Current(); }
    bool Document(const COrvantixDoc& document) const { return &document == &m_document; }
    COrvantixDoc& GetDocument() { return m_document; }
    /// The printed size and separation this view prints with (0 until the print options).
    PrintSettings& Printing() { return m_printSettings; }

    bool UpdateCommand(int id, CommandState& state) override;
    bool ExecuteCommand(int id) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Drag { None, Drawing, Handle, Moving, Retouch, Pan, Resize, Pick };

    ToolState& Tools() const;
    ColourRef Foreground() const;
    ColourRef Transparent() const;
    bool Confirm() const;
    bool CopiesSelection() const;
    void Message(const char* text) const;
    void ChooseTool(ViewTool tool);
    void Fill(bool foreground);
    void SpotRemover();
    void ResizeDialog();
    void Rotate(double angle, ColourRef background);
    void RotateArbitrary();
    void StartFreeHand();
    void FreeHandStep(double angle);
    void CustomZoom();
    void ZoomSamePicture(double zoom, bool resetScroll);
    void PickColour(QPoint picturePoint, bool transparent);
    void UpdateScrollBars();
    void ShowStatus(QPoint viewportPoint);
    ResizeHandle ResizeHandleAt(QPoint viewportPoint) const;

    COrvantixDoc& m_document;
    ViewContext m_context;
    mutable ToolState m_ownTools;  // when the context holds none
    QImage m_image;
    int m_position = 4;
    double m_zoom = 1.0;
    std::unique_ptr<CSelectionShape> m_selection;
    Drag m_drag = Drag::None;
    QPoint m_lastPicturePoint;
    QPoint m_lastViewportPoint;
    QPoint m_pressPoint;
    bool m_retouchTransparent = false;
    QPoint m_rubberBand{-1, -1};
    ResizeHandle m_resizeHandle = ResizeHandle::None;
    SizeWH m_resizeSize{0, 0};  // the size the drag would give
    PrintSettings m_printSettings;
};

}  // namespace lp
