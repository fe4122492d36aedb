#pragma once
// The "Printing Options" dialog's arithmetic: the printed size in printer dots
// (real numbers) and in percent of the picture, the size fields' texts in the
// chosen unit, the printable area, the page count, and what "&OK" stores.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "base/measure_units.h"
#include "shell/measuring_units.h"
#include "shell/print_settings.h"

namespace lp {

inline constexpr std::string_view kInvalidData = "Invalid Data";
inline constexpr int kMaxPrintPercent = 4000;
inline constexpr int kPrintSizeSpinMax = 8000;
inline constexpr std::string_view kPrintPercentRange = "Please enter an integer between 0 and 4000.";
inline constexpr std::string_view kPrintResolutionRange = "Please enter an integer between 1 and 2000.";

enum class PrintSizeMode { FitToPage = 0, KeepSize = 1, Custom = 2 };
enum class PrintSeparation { Colour = 0, Cmy = 1, Cmyk = 2 };

/// Plates a separation prints: 1, 3 or 4.
int PlanesOf(PrintSeparation separation);

class PrintOptionsModel {
public:
    /// A width x height picture for a printer with `caps`, the margins (thousandths of
    /// an inch) and the unit the fields start in. Starts in "&Fit To Page", "Co&lor".
    PrintOptionsModel(int width, int height, const PrinterCaps& caps, const std::array<std::int32_t, 4>& margins,
                      MeasureUnit unit);

    double PrintWidth() const { return m_size.px; }
    double PrintHeight() const { return m_size.py; }
    int XPercent() const { return m_size.xPercent; }
    int YPercent() const { return m_size.yPercent; }
    MeasureUnit Unit() const { return m_unit; }
    PrintSizeMode SizeMode() const { return m_mode; }
    PrintSeparation Separation() const { return m_separation; }
    bool Proportional() const { return m_size.proportional; }
    const PrinterCaps& Caps() const { return m_caps; }
    const std::array<std::int32_t, 4>& Margins() const { return m_margins; }
    /// Whether the nine size controls take input (only in "C&ustom").
    bool SizeControlsEnabled() const { return m_mode == PrintSizeMode::Custom; }

    /// The area the picture is printed into with the current separation.
    PrintArea Area() const;
    int PagesAcross() const;
    int PagesDown() const;
    /// Sheets printed: pages x plates.
    int SheetCount() const;

    /// The texts the dialog shows.
    const std::string& WidthText() const { return m_widthText; }
    const std::string& HeightText() const { return m_heightText; }
    std::string ResolutionText() const;             // "%5d Dpi x %d Dpi"
    std::string MarginText(MarginSide side) const;  // "%4.2f" inches and an inch sign
    std::string PagesText() const;                  // "%d" sheets

    void SetSizeMode(PrintSizeMode mode);
    void SetSeparation(PrintSeparation separation);
    /// Typed sizes: nothing when taken, else "Invalid Data" and nothing changes.
    std::optional<std::string> TypeWidth(std::string_view text);
    std::optional<std::string> TypeHeight(std::string_view text);
    void SetXPercent(int percent);
    void SetYPercent(int percent);
    void SetProportional(bool on) { m_size.proportional = on; }
    /// The size fields' spin buttons: by tenths in cm and inch, by ones in pixel and mm.
    std::optional<std::string> SpinWidth(int steps);
    std::optional<std::string> SpinHeight(int steps);
    void SetUnit(MeasureUnit unit);
    /// Another printer was chosen: its capabilities, and the size mode applied again
    /// ("C&ustom" keeps its size).
    void SetPrinter(const PrinterCaps& caps);
    /// The page setup's margins, and the size mode applied again ("C&ustom" keeps its size).
    void SetMargins(const std::array<std::int32_t, 4>& margins);

    /// "&OK": the settings the view keeps, or the message that refuses the values.
    std::variant<PrintSettings, std::string> Accept() const;

private:
    double Dpi(bool width) const { return width ? m_caps.dpiX : m_caps.dpiY; }
    void RefreshTexts();
    void ApplySizeMode();
    void ApplyXPercent();
    void ApplyYPercent();
    std::optional<std::string> Spin(bool width, int steps);

    ProportionalSize m_size;
    PrinterCaps m_caps;
    std::array<std::int32_t, 4> m_margins;
    MeasureUnit m_unit;
    PrintSizeMode m_mode = PrintSizeMode::FitToPage;
    PrintSeparation m_separation = PrintSeparation::Colour;
    std::string m_widthText;
    std::string m_heightText;
};

}  // namespace lp
