#include "imaging/rotate.h"

#include "base/imp_exp_exception.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace lp {

namespace {

struct Bgr {
    std::uint8_t b, g, r;
};

Bgr ToBgr(ColourRef c) { return {BlueOf(c), GreenOf(c), RedOf(c)}; }

inline void Put(std::uint8_t* p, Bgr c) {
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
}

/// Whether (x, y) of the new surface, from its top-left, lies on a hatch line.
bool OnHatchLine(int style, std::int64_t x, std::int64_t y) {
    switch (style) {
        case kHatchHorizontal:
            return (y & 7) == 0;
        case kHatchVertical:
            return (x & 7) == 0;
        case kHatchForwardDiagonal:
            return ((x - y) & 7) == 0;
        case kHatchBackwardDiagonal:
            return ((x + y) & 7) == 0;
        case kHatchCross:
            return (x & 7) == 0 || (y & 7) == 0;
        case kHatchDiagonalCross:
            return ((x - y) & 7) == 0 || ((x + y) & 7) == 0;
        default:
            return true;
    }
}

bool IsHatch(int style) { return style >= kHatchHorizontal && style <= kHatchDiagonalCross; }

// Quarter turns move whole pixels: (x, y) from the top-left goes to
// 1: (y, w-1-x)  2: (w-1-x, h-1-y)  3: (h-1-y, x)  (counter-clockwise on screen).
void RotateQuarters(Picture& picture, int quarters) {
    const int w = picture.Width();
    const int h = picture.Height();
    Picture result;
    if (quarters == 2)
        result.Create(w, h);
    else
        result.Create(h, w);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = picture.RowFromTop(y).data();
        for (int x = 0; x < w; ++x, src += 3) {
            int tx = 0, ty = 0;
            switch (quarters) {
                case 1:
                    tx = y, ty = w - 1 - x;
                    break;
                case 2:
                    tx = w - 1 - x, ty = h - 1 - y;
                    break;
                default:
                    tx = h - 1 - y, ty = x;
                    break;
            }
            std::memcpy(result.RowFromTop(ty).data() + std::size_t(tx) * 3, src, 3);
        }
    }
    picture.Adopt(std::move(result));
}

}  // namespace

void Mirror(Picture& picture, bool horizontal) {
    const int w = picture.Width();
    const int h = picture.Height();
    if (horizontal) {
        for (int y = 0; y < h; ++y) {
            std::uint8_t* row = picture.Row(y).data();
            for (int left = 0, right = w - 1; left < right; ++left, --right)
                std::swap_ranges(row + std::size_t(left) * 3, row + std::size_t(left) * 3 + 3,
                                 row + std::size_t(right) * 3);
        }
    } else {
        const std::size_t used = std::size_t(w) * 3;
        for (int bottom = 0, top = h - 1; bottom < top; ++bottom, --top)
            std::swap_ranges(picture.Row(bottom).data(), picture.Row(bottom).data() + used, picture.Row(top).data());
    }
}

void Rotate(Picture& picture, double angleDegrees, ColourRef fillColour, int hatchStyle) {
    if (!std::isfinite(angleDegrees))
        throw ImpExpException("Bitmap Rotate Error", "Invalid rotation angle", "Bitmap Error");
    if (picture.IsEmpty()) return;

    double angle = std::fmod(angleDegrees, 360.0);
    if (angle < 0) angle += 360.0;
    if (std::fmod(angle, 90.0) == 0.0) {
        const int quarters = static_cast<int>(angle / 90.0) % 4;
        if (quarters != 0) RotateQuarters(picture, quarters);
        return;
    }

    const double radians = angle * 3.1415926 * 0.005555555555555556;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    const double w = picture.Width();
    const double h = picture.Height();

    // Corners (0,0), (w,0), (0,h), (w,h) under x' = x c + y s, y' = -x s + y c.
    const double xs[] = {0.0, w * c, h * s, w * c + h * s};
    const double ys[] = {0.0, -w * s, h * c, h * c - w * s};
    const double minX = *std::min_element(std::begin(xs), std::end(xs));
    const double maxX = *std::max_element(std::begin(xs), std::end(xs));
    const double minY = *std::min_element(std::begin(ys), std::end(ys));
    const double maxY = *std::max_element(std::begin(ys), std::end(ys));
    // The new surface holds the whole turned picture; the small allowance keeps
    // rounding noise (100.00000000001) from adding an empty row or column.
    constexpr double kAllowance = 1e-6;
    const auto width = std::max<std::int64_t>(1, static_cast<std::int64_t>(std::ceil(maxX - minX - kAllowance)));
    const auto height = std::max<std::int64_t>(1, static_cast<std::int64_t>(std::ceil(maxY - minY - kAllowance)));
    try {
        CheckImageSize(width, height, ImageLimits{});
    } catch (const InnerError& e) {
        throw ImpExpException("Bitmap Rotate Error", e.what(), "Bitmap Error");
    }

    Picture result;
    result.Create(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));

    const bool hatch = IsHatch(hatchStyle);
    const Bgr fill = ToBgr(fillColour);
    const Bgr paper = ToBgr(MakeColour(255, 255, 255));
    const std::int64_t sourceW = picture.Width();
    const std::int64_t sourceH = picture.Height();

    for (std::int64_t ty = 0; ty < height; ++ty) {
        std::uint8_t* out = result.RowFromTop(static_cast<int>(ty)).data();
        // Inverse map of the target pixel centre: x = x' c - y' s, y = x' s + y' c.
        const double py = static_cast<double>(ty) + 0.5 + minY;
        for (std::int64_t tx = 0; tx < width; ++tx, out += 3) {
            const double px = static_cast<double>(tx) + 0.5 + minX;
            const double sxReal = px * c - py * s;
            const double syReal = px * s + py * c;
            if (sxReal >= 0.0 && syReal >= 0.0 && sxReal < w && syReal < h) {
                const auto sx = std::min<std::int64_t>(static_cast<std::int64_t>(sxReal), sourceW - 1);
                const auto sy = std::min<std::int64_t>(static_cast<std::int64_t>(syReal), sourceH - 1);
                std::memcpy(out, picture.RowFromTop(static_cast<int>(sy)).data() + sx * 3, 3);
            } else {
                Put(out, !hatch || OnHatchLine(hatchStyle, tx, ty) ? fill : paper);
            }
        }
    }
    picture.Adopt(std::move(result));
}

}  // namespace lp
