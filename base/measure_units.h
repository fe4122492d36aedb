#pragma once
// The program-wide measuring units: they last for the run and are never stored.

namespace lp {

/// In the order of the "Units/Res" page's radio buttons.
enum class MeasureUnit { Pixel = 0, Cm = 1, Inch = 2, Mm = 3 };

inline constexpr int kMinResolution = 1;
inline constexpr int kMaxResolution = 2000;

/// The unit of rulers, status-bar sizes and size fields, and the screen resolution
/// (dots per inch) that turns pixels into lengths: x for widths, y for heights.
struct MeasureUnits {
    MeasureUnit unit = MeasureUnit::Pixel;
    int xResolution = 96;
    int yResolution = 96;
    friend bool operator==(const MeasureUnits&, const MeasureUnits&) = default;
};

}  // namespace lp
