#pragma once
// Lengths in the program-wide unit: conversions, the text rules of the size fields
// shared by the resize dialog and the print options, the status-bar size and the
// tick marks of the rulers.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/measure_units.h"

namespace lp {

/// The length of `pixels` dots at `dpi` dots per inch in the unit.
double PixelsToUnit(double pixels, MeasureUnit unit, double dpi);
/// A length in the unit back into dots (the size fields' entry rule).
double UnitToPixels(double value, MeasureUnit unit, double dpi);
/// Every value a size field shows is first rounded to two decimals.
double RoundToHundredths(double value);

/// A size field's text for a length of `pixels` dots: pixel "%d" of the value rounded up,
/// cm and inch "%4.2f" without leading blanks, mm "%d" truncated.
std::string SizeFieldText(double pixels, MeasureUnit unit, double dpi);
/// A size field's value: digits with at most one "." and not 0; nothing otherwise.
std::optional<double> ParseSizeField(std::string_view text);
/// The value a spin button of a size field gives: cm and inch move by tenths, pixel and
/// mm by ones, rounded to two decimals.
double SpinSizeValue(double shown, int steps, MeasureUnit unit);
/// A size field's text shown in another unit: the value in dots by the old unit, shown
/// by the new one. A refused text stays as it is.
std::string ConvertSizeFieldText(std::string_view text, MeasureUnit from, MeasureUnit to, double dpi);
/// Whole pixels of a length in dots: rounded up, ignoring the last bits of floating-point
/// noise (2.54 cm at 96 dpi is 96 pixels, not 97).
long long WholePixelsUp(double pixels);

/// A spun value as the text that is then handled as if typed: at most two decimals,
/// without trailing zeros.
std::string SpunSizeText(double value);

/// The size the resize dialog and the print options hold for a w x h picture: the new
/// width and height in dots (real numbers) and in whole percent of the picture, tied
/// together while `proportional` is on. Starts at the picture's size, 100 %.
struct ProportionalSize {
    ProportionalSize(int width, int height);

    /// A typed width in dots: X% follows; with proportions Y% and the height too.
    void SetWidth(double dots);
    void SetHeight(double dots);
    /// The width from X%; with proportions Y% and the height follow.
    void ApplyXPercent();
    void ApplyYPercent();

    int w;
    int h;
    double aspect;
    double px;
    double py;
    int xPercent = 100;
    int yPercent = 100;
    bool proportional = true;
};

/// The picture size the status bar shows in the unit: pixels as whole numbers.
struct UnitSize {
    double width = 0;
    double height = 0;
    bool wholeNumbers = true;
};
UnitSize SizeInUnit(int widthPixels, int heightPixels, const MeasureUnits& units);

/// The text of the horizontal ruler's unit button: "Pi", "Cm", "In" or "mm".
std::string_view UnitButtonText(MeasureUnit unit);

/// One tick mark of a ruler: where it lies (ruler pixels from the ruler's start), how long
/// it is (0 long, 1 medium, 2 short) and its number (empty: none).
struct RulerTick {
    double position = 0;
    int level = 0;
    std::string label;
};
/// The ticks a ruler of `length` pixels shows: a picture coordinate c (in pixels along the
/// ruler's axis) lies at (c - origin) x zoom. Pixels: numbered long ticks every 100, medium
/// every 50 (numbered from zoom 1), short ones between above zoom 1; zooms below 0.3 count
/// as 0.3. Lengths: numbered ticks on whole units (every 1, 2, 5, 10... so that numbers keep
/// apart), with tenths, fifths or halves between as the room allows.
std::vector<RulerTick> RulerTicks(MeasureUnit unit, double dpi, double zoom, double origin, double length);

}  // namespace lp
