#pragma once
// State and arithmetic of the picture view's tools: which tool is current for
// the application, the zoom steps and fits, and the zoom list's texts.
#include <string>
#include <vector>

namespace lp {

enum class ViewTool {
    Rectangle,
    Ellipse,
    Polygon,
    MagicWand,
    PickPalette,
    PickColour,
    RetouchPen,
    ManualResize,
    FreeHandRotation,
};

/// Exactly one tool is current for the whole application; free-hand rotation
/// remembers the tool it interrupted and gives it back when it ends.
class ToolState {
public:
    ViewTool Current() const { return m_current; }
    ViewTool Previous() const { return m_previous; }
    void Choose(ViewTool tool) {
        if (tool == m_current) return;
        m_previous = m_current;
        m_current = tool;
    }
    void BeginFreeHand() {
        if (m_current == ViewTool::FreeHandRotation) return;
        Choose(ViewTool::FreeHandRotation);
    }
    void EndFreeHand() {
        if (m_current == ViewTool::FreeHandRotation) m_current = m_previous;
    }
    bool InFreeHand() const { return m_current == ViewTool::FreeHandRotation; }

private:
    ViewTool m_current = ViewTool::Rectangle;
    ViewTool m_previous = ViewTool::Rectangle;
};

/// The beginner's hint of a tool, or -1.
int ToolHintNumber(ViewTool tool);

inline constexpr double kMinZoom = 0.5;
inline constexpr double kMaxZoom = 10.0;

/// Zoom In: at 1 or more one whole step, below it a quarter; never above 10.
double ZoomInStep(double zoom);
/// Zoom Out: above 1 one whole step, otherwise a quarter; never below 0.5.
double ZoomOutStep(double zoom);
/// The largest zoom at which the picture fits the client area in both directions,
/// in its width only or in its height only. A picture of no size gives 1.
double BestFitZoom(int clientWidth, int clientHeight, int pictureWidth, int pictureHeight);
double FitWidthZoom(int clientWidth, int pictureWidth);
double FitHeightZoom(int clientHeight, int pictureHeight);
/// The Custom zoom slider's value (10..1000) for a zoom, and back.
int CustomZoomValue(double zoom);
/// The zoom list's entry: one of "50%", "100%", "200%", "400%", else "%d%%" of zoom x 100.
std::string ZoomListText(double zoom);
/// Whether the zoom is one of the four percentages of the list.
bool IsListedZoom(double zoom);

/// The drawing-tools bar's zoom list: what each of its fixed entries does.
enum class ZoomListEntry { Zoom50, Zoom100, Zoom200, Zoom400, BestFit, FitWidth, FitHeight, Custom };
inline constexpr int kFixedZoomEntries = 8;
/// The list's texts for the present zoom: the eight fixed entries, and a ninth "%d%%"
/// when the zoom is none of the four percentages.
std::vector<std::string> ZoomListEntries(double zoom);
/// The entry the list shows for the zoom: its percentage, or else the ninth.
int ZoomListSelection(double zoom);

/// The magic-wand tolerance field takes 0 to 100 and refuses anything else.
inline constexpr int kMinMagicTolerance = 0;
inline constexpr int kMaxMagicTolerance = 100;
/// The pen-width list offers 1 to 9.
inline constexpr int kMinPenWidth = 1;
inline constexpr int kMaxPenWidth = 9;

/// Manual resize with the corner handle: the dimension that would overshoot follows the
/// other, keeping the aspect ratio (rounded to the nearest pixel); free keeps both.
struct SizeWH {
    int width;
    int height;
    friend bool operator==(const SizeWH&, const SizeWH&) = default;
};
SizeWH ProportionalResize(SizeWH original, SizeWH dragged);

/// The black boxes of manual resize: the middle of the right edge, the middle of the
/// bottom edge and the bottom-right corner of the shown picture.
enum class ResizeHandle { None, RightEdge, BottomEdge, Corner };
/// Half the side of a handle box, in window pixels.
inline constexpr int kResizeHandleHalf = 3;
/// The handle under a window point given relative to the picture's top-left corner,
/// for a picture shown shownWidth x shownHeight window pixels large.
ResizeHandle HitResizeHandle(double shownWidth, double shownHeight, double x, double y);
/// The new size while a handle is dragged to the picture point (x, y): the right edge
/// changes only the width, the bottom edge only the height, the corner both, keeping
/// the proportions unless free. Never below one pixel.
SizeWH DraggedSize(ResizeHandle handle, SizeWH original, int x, int y, bool free);

}  // namespace lp
