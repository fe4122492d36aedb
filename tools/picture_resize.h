#pragma once
// The "Picture Resize" dialog's arithmetic: the new size in pixels (real numbers) and in
// percent of the present size, the fields' texts in the chosen unit, and the result.
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "base/measure_units.h"
#include "shell/measuring_units.h"
#include "tools/view_tools.h"

namespace lp {

inline constexpr std::string_view kInvalidNumber = "Invalid Number";
inline constexpr int kMaxResizePercent = 2000;
inline constexpr std::string_view kResizePercentRange = "Please enter an integer between 0 and 2000.";

/// What "&Ok" gives: the new size, rounded up, and whether to resample smartly.
struct ResizeResult {
    SizeWH size{0, 0};
    bool smart = false;
};

class PictureResizeModel {
public:
    /// A width x height picture; the resolutions of the measuring units (the dialog starts
    /// in pixels whatever the program-wide unit is).
    PictureResizeModel(int width, int height, const MeasureUnits& units);

    double NewWidth() const { return m_size.px; }
    double NewHeight() const { return m_size.py; }
    int XPercent() const { return m_size.xPercent; }
    int YPercent() const { return m_size.yPercent; }
    MeasureUnit Unit() const { return m_unit; }
    bool Proportional() const { return m_size.proportional; }
    bool Smart() const { return m_smart; }
    /// The texts the width and height fields show.
    const std::string& WidthText() const { return m_widthText; }
    const std::string& HeightText() const { return m_heightText; }

    /// A typed width or height: nothing when taken, else "Invalid Number" and nothing changes.
    std::optional<std::string> TypeWidth(std::string_view text);
    std::optional<std::string> TypeHeight(std::string_view text);
    /// The percentage fields (clamped to 0..2000); with proportions both follow.
    void SetXPercent(int percent);
    void SetYPercent(int percent);
    /// Ticking applies the X percentage again.
    void SetProportional(bool on);
    void SetSmart(bool on) { m_smart = on; }
    /// The size fields' spin buttons: by tenths in cm and inch, by ones in pixel and mm.
    std::optional<std::string> SpinWidth(int steps);
    std::optional<std::string> SpinHeight(int steps);
    /// Shows both fields in another unit.
    void SetUnit(MeasureUnit unit);

    /// "&Ok": the shown values turned into pixels and rounded up, or the message that
    /// refuses them (a refused text, or a size of no pixels or beyond the picture limits).
    std::variant<ResizeResult, std::string> Accept() const;

private:
    double Dpi(bool width) const { return width ? m_units.xResolution : m_units.yResolution; }
    void RefreshTexts();
    std::optional<std::string> Spin(bool width, int steps);

    ProportionalSize m_size;
    MeasureUnits m_units;
    MeasureUnit m_unit = MeasureUnit::Pixel;
    bool m_smart = false;
    std::string m_widthText;
    std::string m_heightText;
};

}  // namespace lp
