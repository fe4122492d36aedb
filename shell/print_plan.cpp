#include "shell/print_plan.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "imaging/palette_map.h"

namespace lp {

PrintPlan::PrintPlan(int width, int height, const PrintSettings& settings, const PrinterCaps& caps)
    : m_w(std::max(width, 1)),
      m_h(std::max(height, 1)),
      m_planes(settings.planes == 3 || settings.planes == 4 ? settings.planes : 1),
      m_printWidth(settings.printWidth > 0 ? settings.printWidth : m_w),
      m_printHeight(settings.printHeight > 0 ? settings.printHeight : m_h),
      m_area(ComputePrintArea(caps, settings.margins, m_planes > 1)) {
    m_across = PagesAlong(m_printWidth, m_area.Width());
    m_down = PagesAlong(m_printHeight, m_area.Height());
}

PrintPage PrintPlan::Page(int n) const {
    PrintPage page;
    const int per = std::max(m_across * m_down, 1);
    const int k = std::max(n, 1) - 1;
    page.plate = k / per + 1;
    const int i = k % per;
    page.column = i % std::max(m_across, 1);
    page.row = i / std::max(m_across, 1);

    const int W = m_area.Width();
    const int H = m_area.Height();
    // The page's part of the printed picture, cut at the printed size.
    const int partX = page.column * W;
    const int partY = page.row * H;
    const int partWidth = std::max(std::min(W, m_printWidth - partX), 0);
    const int partHeight = std::max(std::min(H, m_printHeight - partY), 0);
    page.destination = {m_area.left, m_area.top, partWidth, partHeight};

    const double sx = double(m_w) / m_printWidth;
    const double sy = double(m_h) / m_printHeight;
    page.source.x = int(partX * sx);
    page.source.y = int(partY * sy);
    page.source.width = std::max(int(partWidth * sx), 1);
    page.source.height = std::max(int(partHeight * sy), 1);
    // Rounding must not reach past the picture's edge.
    page.source.x = std::min(page.source.x, m_w - 1);
    page.source.y = std::min(page.source.y, m_h - 1);
    page.source.width = std::min(page.source.width, m_w - page.source.x);
    page.source.height = std::min(page.source.height, m_h - page.source.y);
    return page;
}

std::vector<RegistrationMark> PrintPlan::Marks(const PrintPage& page) const {
    if (m_planes <= 1) return {};
    // Centred in the border, diagonally off each corner of the printed part.
    const int bx = m_area.borderX;
    const int by = m_area.borderY;
    const int arm = std::max(std::min(bx, by) * 2 / 5, 1);
    const int radius = std::max(arm / 2, 1);
    const PrintRect& d = page.destination;
    const std::array<std::array<int, 2>, 4> centres{{
        {d.x - bx / 2, d.y - by / 2},
        {d.Right() + bx / 2, d.y - by / 2},
        {d.x - bx / 2, d.Bottom() + by / 2},
        {d.Right() + bx / 2, d.Bottom() + by / 2},
    }};
    std::vector<RegistrationMark> marks;
    for (const auto& c : centres) marks.push_back({c[0], c[1], arm, radius});
    return marks;
}

PrintRect PrintPlan::LabelBox(const PrintPage& page) const {
    const int by = m_area.borderY;
    const PrintRect& d = page.destination;
    // Between the printed part and the lower marks: the text starts where the marks end.
    const int height = std::max(by / 3, 1);
    return {d.x + m_area.borderX / 2, d.Bottom() + (by - height) / 2, std::max(d.width - m_area.borderX, 1), height};
}

std::string_view PlateLabel(int planes, int plate) {
    if (planes != 3 && planes != 4) return {};
    // The magenta plate's label reads as it always has.
    constexpr std::array<std::string_view, 4> kLabels{"Cyan Plane", "Magenta Label", "Yellow Plane", "Black Plane"};
    if (plate < 1 || plate > planes) return {};
    return kLabels[std::size_t(plate - 1)];
}

Picture MakePlate(const Picture& picture, int planes, int plate) {
    Picture copy(picture);
    if (planes == 3)
        Halftone(copy, 0, 4 - plate);
    else if (planes == 4)
        HalftoneByChannel(copy, 0, 5 - plate);
    return copy;
}

}  // namespace lp
