#include "shell/print_settings.h"

#include <cmath>

namespace lp {

PrintArea ComputePrintArea(const PrinterCaps& caps, const std::array<std::int32_t, 4>& margins, bool separations) {
    const double s = separations ? kSeparationBorderInches : 0.0;
    PrintArea area;
    // Margins are thousandths of an inch; 64-bit products keep large values exact.
    area.left = int(std::trunc(double(margins[kMarginLeft]) * caps.dpiX / 1000.0 + s * caps.dpiX));
    area.top = int(std::trunc(double(margins[kMarginTop]) * caps.dpiY / 1000.0 + s * caps.dpiY));
    area.right = int(std::trunc(caps.width - double(margins[kMarginRight]) * caps.dpiX / 1000.0 - s * caps.dpiX));
    area.bottom = int(std::trunc(caps.height - double(margins[kMarginBottom]) * caps.dpiY / 1000.0 - s * caps.dpiY));
    area.borderX = int(std::trunc(s * caps.dpiX));
    area.borderY = int(std::trunc(s * caps.dpiY));
    return area;
}

int PagesAlong(double length, int piece) {
    if (piece <= 0 || length < 1) return 0;
    return int(std::floor((length - 1) / piece)) + 1;
}

}  // namespace lp
