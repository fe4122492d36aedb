#include "tools/picture_resize.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/imp_exp_exception.h"
#include "imaging/image_size.h"
#include "shell/measuring_units.h"

namespace lp {

PictureResizeModel::PictureResizeModel(int width, int height, const MeasureUnits& units)
    : m_size(width, height), m_units(units) {
    RefreshTexts();
}

void PictureResizeModel::RefreshTexts() {
    m_widthText = SizeFieldText(m_size.px, m_unit, Dpi(true));
    m_heightText = SizeFieldText(m_size.py, m_unit, Dpi(false));
}

std::optional<std::string> PictureResizeModel::TypeWidth(std::string_view text) {
    const std::optional<double> value = ParseSizeField(text);
    if (!value) return std::string(kInvalidNumber);
    m_widthText = std::string(text);
    m_size.SetWidth(UnitToPixels(*value, m_unit, Dpi(true)));
    if (m_size.proportional) m_heightText = SizeFieldText(m_size.py, m_unit, Dpi(false));
    return std::nullopt;
}

std::optional<std::string> PictureResizeModel::TypeHeight(std::string_view text) {
    const std::optional<double> value = ParseSizeField(text);
    if (!value) return std::string(kInvalidNumber);
    m_heightText = std::string(text);
    m_size.SetHeight(UnitToPixels(*value, m_unit, Dpi(false)));
    if (m_size.proportional) m_widthText = SizeFieldText(m_size.px, m_unit, Dpi(true));
    return std::nullopt;
}

void PictureResizeModel::SetXPercent(int percent) {
    m_size.xPercent = std::clamp(percent, 0, kMaxResizePercent);
    m_size.ApplyXPercent();
    RefreshTexts();
}

void PictureResizeModel::SetYPercent(int percent) {
    m_size.yPercent = std::clamp(percent, 0, kMaxResizePercent);
    m_size.ApplyYPercent();
    RefreshTexts();
}

void PictureResizeModel::SetProportional(bool on) {
    m_size.proportional = on;
    if (on) SetXPercent(m_size.xPercent);
}

std::optional<std::string> PictureResizeModel::Spin(bool width, int steps) {
    const std::string& text = width ? m_widthText : m_heightText;
    const double shown = ParseSizeField(text).value_or(0);
    const double next = SpinSizeValue(shown, steps, m_unit);
    if (next <= 0) return std::nullopt;  // the spin button stops at its lowest value
    // The value is shown rounded to two decimals and then handled as if typed.
    const std::string typed = SpunSizeText(next);
    return width ? TypeWidth(typed) : TypeHeight(typed);
}

std::optional<std::string> PictureResizeModel::SpinWidth(int steps) { return Spin(true, steps); }
std::optional<std::string> PictureResizeModel::SpinHeight(int steps) { return Spin(false, steps); }

void PictureResizeModel::SetUnit(MeasureUnit unit) {
    if (unit == m_unit) return;
    m_widthText = ConvertSizeFieldText(m_widthText, m_unit, unit, Dpi(true));
    m_heightText = ConvertSizeFieldText(m_heightText, m_unit, unit, Dpi(false));
    m_unit = unit;
}

std::variant<ResizeResult, std::string> PictureResizeModel::Accept() const {
    if (m_size.xPercent < 0 || m_size.xPercent > kMaxResizePercent || m_size.yPercent < 0 || m_size.yPercent > kMaxResizePercent)
        return std::string(kResizePercentRange);
    const std::optional<double> w = ParseSizeField(m_widthText);
    const std::optional<double> h = ParseSizeField(m_heightText);
    if (!w || !h) return std::string(kInvalidNumber);
    const long long width = WholePixelsUp(UnitToPixels(*w, m_unit, Dpi(true)));
    const long long height = WholePixelsUp(UnitToPixels(*h, m_unit, Dpi(false)));
    try {
        CheckImageSize(width, height, ImageLimits{});
    } catch (const InnerError& e) {
        return std::string(e.what());
    }
    return ResizeResult{{int(width), int(height)}, m_smart};
}

}  // namespace lp
