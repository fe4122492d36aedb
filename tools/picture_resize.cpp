#include "tools/picture_resize.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/imp_exp_exception.h"
#include "imaging/image_size.h"
#include "shell/measuring_units.h"

namespace lp {

namespace {
int PercentOf(double value, int whole) {
    if (whole <= 0) return 0;
    const double p = std::floor(value / whole * 100 + 1e-9);
    return int(std::clamp(p, 0.0, double(1 << 30)));
}
}  // namespace

PictureResizeModel::PictureResizeModel(int width, int height, const MeasureUnits& units)
    : m_w(std::max(width, 1)),
      m_h(std::max(height, 1)),
      m_aspect(double(m_w) / m_h),
      m_units(units),
      m_px(m_w),
      m_py(m_h) {
    RefreshTexts();
}

void PictureResizeModel::RefreshTexts() {
    m_widthText = SizeFieldText(m_px, m_unit, Dpi(true));
    m_heightText = SizeFieldText(m_py, m_unit, Dpi(false));
}

std::optional<std::string> PictureResizeModel::TypeWidth(std::string_view text) {
    const std::optional<double> value = ParseSizeField(text);
    if (!value) return std::string(kInvalidNumber);
    m_widthText = std::string(text);
    m_px = UnitToPixels(*value, m_unit, Dpi(true));
    m_xPercent = PercentOf(m_px, m_w);
    if (m_proportional) {
        m_yPercent = m_xPercent;
        m_py = m_px / m_aspect;
        m_heightText = SizeFieldText(m_py, m_unit, Dpi(false));
    }
    return std::nullopt;
}

std::optional<std::string> PictureResizeModel::TypeHeight(std::string_view text) {
    const std::optional<double> value = ParseSizeField(text);
    if (!value) return std::string(kInvalidNumber);
    m_heightText = std::string(text);
    m_py = UnitToPixels(*value, m_unit, Dpi(false));
    m_yPercent = PercentOf(m_py, m_h);
    if (m_proportional) {
        m_xPercent = m_yPercent;
        m_px = m_py * m_aspect;
        m_widthText = SizeFieldText(m_px, m_unit, Dpi(true));
    }
    return std::nullopt;
}

void PictureResizeModel::SetXPercent(int percent) {
    m_xPercent = std::clamp(percent, 0, kMaxResizePercent);
    m_px = m_xPercent * 0.01 * m_w;
    if (m_proportional) {
        m_yPercent = m_xPercent;
        m_py = m_px / m_aspect;
    }
    RefreshTexts();
}

void PictureResizeModel::SetYPercent(int percent) {
    m_yPercent = std::clamp(percent, 0, kMaxResizePercent);
    m_py = m_yPercent * 0.01 * m_h;
    if (m_proportional) {
        m_xPercent = m_yPercent;
        m_px = m_py * m_aspect;
    }
    RefreshTexts();
}

void PictureResizeModel::SetProportional(bool on) {
    m_proportional = on;
    if (on) SetXPercent(m_xPercent);
}

std::optional<std::string> PictureResizeModel::Spin(bool width, int steps) {
    const std::string& text = width ? m_widthText : m_heightText;
    const double shown = ParseSizeField(text).value_or(0);
    const double next = SpinSizeValue(shown, steps, m_unit);
    if (next <= 0) return std::nullopt;  // the spin button stops at its lowest value
    // The value is shown rounded to two decimals and then handled as if typed.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", next);
    std::string typed = buffer;
    while (!typed.empty() && typed.back() == '0') typed.pop_back();
    if (!typed.empty() && typed.back() == '.') typed.pop_back();
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
    if (m_xPercent < 0 || m_xPercent > kMaxResizePercent || m_yPercent < 0 || m_yPercent > kMaxResizePercent)
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
