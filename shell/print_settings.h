#pragma once
// What printing needs to know about a printer and what a view keeps of the
// print options, and the printable area both the options and the pages use.
#include <array>
#include <cstdint>

namespace lp {

/// The printed size and separation a picture view keeps. All 0 until the print
/// options are confirmed: a picture printed without them comes out at one
/// printer dot per pixel with no margins.
struct PrintSettings {
    /// Left, top, right, bottom margin in thousandths of an inch.
    std::array<std::int32_t, 4> margins{0, 0, 0, 0};
    /// Printed size in printer dots; 0 means the picture's own pixel size.
    std::int32_t printWidth = 0;
    std::int32_t printHeight = 0;
    /// 1 colour, 3 CMY separation, 4 CMYK separation (0 before the options: colour).
    std::int32_t planes = 0;

    friend bool operator==(const PrintSettings&, const PrintSettings&) = default;
};

enum MarginSide { kMarginLeft = 0, kMarginTop = 1, kMarginRight = 2, kMarginBottom = 3 };

/// A printer's resolution per axis and its printable width and height, in dots.
struct PrinterCaps {
    int dpiX = 0;
    int dpiY = 0;
    int width = 0;   // printable width in dots (HORZRES)
    int height = 0;  // printable height in dots (VERTRES)

    friend bool operator==(const PrinterCaps&, const PrinterCaps&) = default;
};

/// Separations leave this border round the printed area for the registration
/// marks and the plate label.
inline constexpr double kSeparationBorderInches = 0.3;

/// The area the picture is printed into, in dots from the printable area's
/// top-left corner.
struct PrintArea {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    /// The border kept for separations, in dots along each axis (0 without).
    int borderX = 0;
    int borderY = 0;

    friend bool operator==(const PrintArea&, const PrintArea&) = default;
};

/// The printable area less the margins, and less the separation border when
/// `separations` is set; each edge truncated to whole dots.
PrintArea ComputePrintArea(const PrinterCaps& caps, const std::array<std::int32_t, 4>& margins, bool separations);

/// Pages needed for `length` dots in pieces of `piece` dots: floor((length - 1) / piece) + 1.
/// 0 when the piece is empty (margins that leave no room) or the length is below one dot.
int PagesAlong(double length, int piece);

}  // namespace lp
