#include "tools/view_tools.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace lp {

int ToolHintNumber(ViewTool tool) {
    switch (tool) {
        case ViewTool::Rectangle: return 0;
        case ViewTool::Ellipse: return 1;
        case ViewTool::Polygon: return 2;
        case ViewTool::MagicWand: return 3;
        case ViewTool::PickPalette: return 4;
        case ViewTool::RetouchPen: return 5;
        case ViewTool::PickColour: return 6;
        case ViewTool::ManualResize: return 11;
        default: return -1;
    }
}

double ZoomInStep(double zoom) { return std::min(kMaxZoom, zoom >= 1.0 ? zoom + 1.0 : zoom + 0.25); }

double ZoomOutStep(double zoom) { return std::max(kMinZoom, zoom > 1.0 ? zoom - 1.0 : zoom - 0.25); }

double FitWidthZoom(int clientWidth, int pictureWidth) {
    return pictureWidth <= 0 || clientWidth <= 0 ? 1.0 : double(clientWidth) / pictureWidth;
}

double FitHeightZoom(int clientHeight, int pictureHeight) {
    return pictureHeight <= 0 || clientHeight <= 0 ? 1.0 : double(clientHeight) / pictureHeight;
}

double BestFitZoom(int clientWidth, int clientHeight, int pictureWidth, int pictureHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0) return 1.0;
    return std::min(FitWidthZoom(clientWidth, pictureWidth), FitHeightZoom(clientHeight, pictureHeight));
}

int CustomZoomValue(double zoom) { return std::clamp(int(zoom * 100.0 + 1e-9), 10, 1000); }

bool IsListedZoom(double zoom) { return zoom == 0.5 || zoom == 1.0 || zoom == 2.0 || zoom == 4.0; }

std::string ZoomListText(double zoom) {
    char text[32];
    std::snprintf(text, sizeof text, "%d%%", int(zoom * 100.0 + 1e-9));
    return text;
}

ResizeHandle HitResizeHandle(double shownWidth, double shownHeight, double x, double y) {
    auto near = [](double a, double b) { return a >= b - kResizeHandleHalf && a <= b + kResizeHandleHalf; };
    // The corner first: it lies next to both edge handles on a small picture.
    if (near(x, shownWidth) && near(y, shownHeight)) return ResizeHandle::Corner;
    if (near(x, shownWidth) && near(y, shownHeight / 2)) return ResizeHandle::RightEdge;
    if (near(x, shownWidth / 2) && near(y, shownHeight)) return ResizeHandle::BottomEdge;
    return ResizeHandle::None;
}

SizeWH DraggedSize(ResizeHandle handle, SizeWH original, int x, int y, bool free) {
    const SizeWH dragged{std::max(1, x), std::max(1, y)};
    switch (handle) {
        case ResizeHandle::RightEdge: return {dragged.width, original.height};
        case ResizeHandle::BottomEdge: return {original.width, dragged.height};
        case ResizeHandle::Corner: return free ? dragged : ProportionalResize(original, dragged);
        case ResizeHandle::None: break;
    }
    return original;
}

std::vector<std::string> ZoomListEntries(double zoom) {
    std::vector<std::string> entries{"50%",     "100%",         "200%",          "400%",
                                     "Best Fit", "Fit to Width", "Fit to Height", "Custom"};
    if (!IsListedZoom(zoom)) entries.push_back(ZoomListText(zoom));
    return entries;
}

int ZoomListSelection(double zoom) {
    if (zoom == 0.5) return 0;
    if (zoom == 1.0) return 1;
    if (zoom == 2.0) return 2;
    if (zoom == 4.0) return 3;
    return kFixedZoomEntries;
}

SizeWH ProportionalResize(SizeWH original, SizeWH dragged) {
    if (original.width <= 0 || original.height <= 0) return dragged;
    const double rw = double(dragged.width) / original.width;
    const double rh = double(dragged.height) / original.height;
    // The larger factor leads; the other side follows it.
    if (rw >= rh) return {dragged.width, std::max(1, int(std::lround(original.height * rw)))};
    return {std::max(1, int(std::lround(original.width * rh))), dragged.height};
}

}  // namespace lp
