#include "shell/print_options.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/printf_text.h"
#include "shell/measuring_units.h"

namespace lp {

int PlanesOf(PrintSeparation separation) {
    switch (separation) {
        case PrintSeparation::Cmy:
            return 3;
        case PrintSeparation::Cmyk:
            return 4;
        case PrintSeparation::Colour:
            break;
    }
    return 1;
}

PrintOptionsModel::PrintOptionsModel(int width, int height, const PrinterCaps& caps,
                                     const std::array<std::int32_t, 4>& margins, MeasureUnit unit)
    : m_size(width, height), m_caps(caps), m_margins(margins), m_unit(unit) {
    ApplySizeMode();
}

PrintArea PrintOptionsModel::Area() const {
    return ComputePrintArea(m_caps, m_margins, m_separation != PrintSeparation::Colour);
}

int PrintOptionsModel::PagesAcross() const { return PagesAlong(m_size.px, Area().Width()); }
int PrintOptionsModel::PagesDown() const { return PagesAlong(m_size.py, Area().Height()); }
int PrintOptionsModel::SheetCount() const { return PagesAcross() * PagesDown() * PlanesOf(m_separation); }

std::string PrintOptionsModel::ResolutionText() const { return PrintfText("%5d Dpi x %d Dpi", m_caps.dpiX, m_caps.dpiY); }

std::string PrintOptionsModel::MarginText(MarginSide side) const {
    return PrintfText("%4.2f\"", m_margins[std::size_t(side)] / 1000.0);
}

std::string PrintOptionsModel::PagesText() const { return PrintfText("%d", SheetCount()); }

void PrintOptionsModel::RefreshTexts() {
    m_widthText = SizeFieldText(m_size.px, m_unit, Dpi(true));
    m_heightText = SizeFieldText(m_size.py, m_unit, Dpi(false));
}

void PrintOptionsModel::ApplyXPercent() {
    m_size.ApplyXPercent();
    RefreshTexts();
}

void PrintOptionsModel::ApplyYPercent() {
    m_size.ApplyYPercent();
    RefreshTexts();
}

void PrintOptionsModel::ApplySizeMode() {
    switch (m_mode) {
        case PrintSizeMode::FitToPage: {
            // The whole area first; the tighter axis then sets the size through its percentage.
            const PrintArea area = Area();
            const int W = std::max(area.Width(), 0);
            const int H = std::max(area.Height(), 0);
            m_size.px = W;
            m_size.py = H;
            const int u = int((std::int64_t(W) * 100) / m_size.w);
            const int v = int((std::int64_t(H) * 100) / m_size.h);
            if (u < v) {
                m_size.xPercent = std::min(u, kMaxPrintPercent);
                ApplyXPercent();
            } else {
                m_size.yPercent = std::min(v, kMaxPrintPercent);
                ApplyYPercent();
            }
            break;
        }
        case PrintSizeMode::KeepSize:
        case PrintSizeMode::Custom:
            m_size.px = m_size.w;
            m_size.py = m_size.h;
            m_size.xPercent = m_size.yPercent = 100;
            RefreshTexts();
            break;
    }
}

void PrintOptionsModel::SetSizeMode(PrintSizeMode mode) {
    m_mode = mode;
    ApplySizeMode();
}

void PrintOptionsModel::SetSeparation(PrintSeparation separation) {
    m_separation = separation;
    // The border of a separation shrinks the area: a fitted picture must still fit.
    if (m_mode == PrintSizeMode::FitToPage) ApplySizeMode();
}

void PrintOptionsModel::SetPrinter(const PrinterCaps& caps) {
    m_caps = caps;
    if (m_mode == PrintSizeMode::Custom)
        RefreshTexts();  // the same dots read differently at another resolution
    else
        ApplySizeMode();
}

void PrintOptionsModel::SetMargins(const std::array<std::int32_t, 4>& margins) {
    m_margins = margins;
    if (m_mode != PrintSizeMode::Custom) ApplySizeMode();
}

std::optional<std::string> PrintOptionsModel::TypeWidth(std::string_view text) {
    const std::optional<double> value = ParseSizeField(text);
    if (!value) return std::string(kInvalidData);
    m_widthText = std::string(text);
    m_size.SetWidth(UnitToPixels(*value, m_unit, Dpi(true)));
    if (m_size.proportional) m_heightText = SizeFieldText(m_size.py, m_unit, Dpi(false));
    return std::nullopt;
}

std::optional<std::string> PrintOptionsModel::TypeHeight(std::string_view text) {
    const std::optional<double> value = ParseSizeField(text);
    if (!value) return std::string(kInvalidData);
    m_heightText = std::string(text);
    m_size.SetHeight(UnitToPixels(*value, m_unit, Dpi(false)));
    if (m_size.proportional) m_widthText = SizeFieldText(m_size.px, m_unit, Dpi(true));
    return std::nullopt;
}

void PrintOptionsModel::SetXPercent(int percent) {
    m_size.xPercent = percent;
    ApplyXPercent();
}

void PrintOptionsModel::SetYPercent(int percent) {
    m_size.yPercent = percent;
    ApplyYPercent();
}

std::optional<std::string> PrintOptionsModel::Spin(bool width, int steps) {
    const std::string& text = width ? m_widthText : m_heightText;
    const double shown = ParseSizeField(text).value_or(0);
    const double next = SpinSizeValue(shown, steps, m_unit);
    // The spin buttons run from 1 to 8000 in the field's unit.
    if (next < 1 || next > kPrintSizeSpinMax) return std::nullopt;
    const std::string typed = SpunSizeText(next);
    return width ? TypeWidth(typed) : TypeHeight(typed);
}

std::optional<std::string> PrintOptionsModel::SpinWidth(int steps) { return Spin(true, steps); }
std::optional<std::string> PrintOptionsModel::SpinHeight(int steps) { return Spin(false, steps); }

void PrintOptionsModel::SetUnit(MeasureUnit unit) {
    if (unit == m_unit) return;
    // The fields always show the dots the dialog holds, so the text shown in the new unit comes
    // from those dots: converting the rounded texts again and again would drift (a fitted size
    // could grow by a rounding step and spill onto a second page).
    m_unit = unit;
    RefreshTexts();
}

std::variant<PrintSettings, std::string> PrintOptionsModel::Accept() const {
    if (m_size.xPercent < 0 || m_size.xPercent > kMaxPrintPercent || m_size.yPercent < 0 || m_size.yPercent > kMaxPrintPercent)
        return std::string(kPrintPercentRange);
    if (m_caps.dpiX < kMinResolution || m_caps.dpiX > kMaxResolution || m_caps.dpiY < kMinResolution ||
        m_caps.dpiY > kMaxResolution)
        return std::string(kPrintResolutionRange);
    PrintSettings settings;
    settings.margins = m_margins;
    const long long width = WholePixelsUp(m_size.px);
    const long long height = WholePixelsUp(m_size.py);
    // 0 would mean "the picture's own size" to the printing: a size of no dots is refused.
    if (width < 1 || height < 1 || width > INT32_MAX || height > INT32_MAX) return std::string(kInvalidData);
    settings.printWidth = std::int32_t(width);
    settings.printHeight = std::int32_t(height);
    settings.planes = PlanesOf(m_separation);
    return settings;
}

}  // namespace lp
