#pragma once
// The pages of one print run: how the printed picture is tiled over the pages,
// which plate each page belongs to, which part of the picture lands where, and
// the plate copies of a colour separation.
#include <string_view>
#include <vector>

#include "imaging/picture.h"
#include "shell/print_settings.h"

namespace lp {

struct PrintRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int Right() const { return x + width; }
    int Bottom() const { return y + height; }
    friend bool operator==(const PrintRect&, const PrintRect&) = default;
};

/// One page of the run.
struct PrintPage {
    int plate = 1;   // 1.. planes
    int column = 0;  // tile position from the top-left, from 0
    int row = 0;
    /// The part of the picture, in picture pixels from its top-left corner (at least 1 x 1).
    PrintRect source;
    /// Where it is drawn, in printer dots from the printable area's top-left corner.
    PrintRect destination;
};

/// A registration mark: a cross with a small circle, centred in the border.
struct RegistrationMark {
    int x = 0;
    int y = 0;
    int arm = 0;     // half the length of each bar of the cross, in dots
    int radius = 0;  // of the circle
};

/// The run for a width x height picture with the view's settings on a printer.
class PrintPlan {
public:
    PrintPlan(int width, int height, const PrintSettings& settings, const PrinterCaps& caps);

    int Planes() const { return m_planes; }
    int PrintWidth() const { return m_printWidth; }
    int PrintHeight() const { return m_printHeight; }
    const PrintArea& Area() const { return m_area; }
    int Across() const { return m_across; }
    int Down() const { return m_down; }
    /// The last page number (pages count from 1): across x down x planes; 0 when the
    /// margins leave no room.
    int LastPage() const { return m_across * m_down * m_planes; }

    /// Page n, 1 <= n <= LastPage().
    PrintPage Page(int n) const;
    /// The registration marks of a page, at the corners of its printed part.
    std::vector<RegistrationMark> Marks(const PrintPage& page) const;
    /// Where the plate label's text starts (its top-left corner) and its height in dots:
    /// below the printed part, inside the border.
    PrintRect LabelBox(const PrintPage& page) const;

private:
    int m_w;
    int m_h;
    int m_planes;
    int m_printWidth;
    int m_printHeight;
    PrintArea m_area;
    int m_across = 0;
    int m_down = 0;
};

/// The label printed under a plate: "Cyan Plane", "Magenta Label", "Yellow Plane",
/// "Black Plane"; empty for colour printing or a plate out of range.
std::string_view PlateLabel(int planes, int plate);

/// The picture a plate prints: for 3 planes halftoned from one channel (plate 1 red,
/// 2 green, 3 blue), for 4 from all channels (plate 1 mode 4 .. plate 4 mode 1); for
/// 1 plane an unchanged copy. Black pixels carry the plate's ink.
Picture MakePlate(const Picture& picture, int planes, int plate);

}  // namespace lp
