#pragma once
#include "base/colour.h"
#include "imaging/picture.h"

namespace lp {

/// Hatch styles of the rotation background: lines in the fill colour on white,
/// repeating every 8 pixels from the top-left corner of the new surface.
inline constexpr int kSolidFill = -1;
inline constexpr int kHatchHorizontal = 0;
inline constexpr int kHatchVertical = 1;
inline constexpr int kHatchForwardDiagonal = 2;   // "\": down from left to right
inline constexpr int kHatchBackwardDiagonal = 3;  // "/": up from left to right
inline constexpr int kHatchCross = 4;
inline constexpr int kHatchDiagonalCross = 5;

/// Mirrors left-right (horizontal) or top-bottom in place: column c and
/// column w - 1 - c exchange (rows likewise); a middle column or row stays.
void Mirror(Picture& picture, bool horizontal);

/// Rotates the picture about its top-left corner into a new surface that holds
/// the whole turned picture; positive angles turn counter-clockwise as seen on
/// the screen. Exact multiples of 90 degrees move every pixel exactly (100 x 50
/// turned by 90 is 50 x 100). Other angles map each target pixel's centre back
/// to the source pixel under it, without interpolation; target pixels outside
/// the picture take the fill colour (solid) or the hatch pattern of hatchStyle
/// (0..5; -1 or any other value is solid). Throws ImpExpException for an angle
/// that is not a finite number or a result over the pixel limits; the picture
/// is then unchanged. An empty picture stays empty.
void Rotate(Picture& picture, double angleDegrees, ColourRef fillColour, int hatchStyle = kSolidFill);

}  // namespace lp
