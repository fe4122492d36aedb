#include "shell/measuring_units.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace lp {

namespace {

// The entry factors of the size fields: inches per centimetre and per millimetre.
constexpr double kInchPerCm = 0.39370078740157477;
constexpr double kInchPerMm = 0.03937007874015748;

std::string Printf(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string WholeText(long long value) { return std::to_string(value); }

/// Dots per unit of length.
double DotsPerUnit(MeasureUnit unit, double dpi) {
    switch (unit) {
        case MeasureUnit::Cm:
            return dpi / 2.54;
        case MeasureUnit::Inch:
            return dpi;
        case MeasureUnit::Mm:
            return dpi / 25.4;
        case MeasureUnit::Pixel:
            break;
    }
    return 1.0;
}

}  // namespace

double PixelsToUnit(double pixels, MeasureUnit unit, double dpi) {
    if (dpi <= 0) return pixels;
    switch (unit) {
        case MeasureUnit::Cm:
            return pixels * 2.54 / dpi;
        case MeasureUnit::Inch:
            return pixels / dpi;
        case MeasureUnit::Mm:
            return pixels * 2.54 / dpi * 10;
        case MeasureUnit::Pixel:
            break;
    }
    return pixels;
}

double UnitToPixels(double value, MeasureUnit unit, double dpi) {
    switch (unit) {
        case MeasureUnit::Cm:
            return value * kInchPerCm * dpi;
        case MeasureUnit::Inch:
            return value * dpi;
        case MeasureUnit::Mm:
            return value * kInchPerMm * dpi;
        case MeasureUnit::Pixel:
            break;
    }
    return value;
}

double RoundToHundredths(double value) { return std::floor(value * 100 + 0.5) * 0.01; }

long long WholePixelsUp(double pixels) {
    // Far beyond any picture limit, and still a number a long long holds.
    if (!(pixels < 1e15)) return static_cast<long long>(1e15);
    return static_cast<long long>(std::ceil(pixels - 1e-7));
}

std::string SizeFieldText(double pixels, MeasureUnit unit, double dpi) {
    const double v = RoundToHundredths(PixelsToUnit(pixels, unit, dpi));
    switch (unit) {
        case MeasureUnit::Pixel:
            return WholeText(WholePixelsUp(v));
        case MeasureUnit::Mm:
            return WholeText(static_cast<long long>(v + 1e-9));
        case MeasureUnit::Cm:
        case MeasureUnit::Inch:
            break;
    }
    std::string text = Printf("%4.2f", v);
    text.erase(0, text.find_first_not_of(' '));
    return text;
}

std::optional<double> ParseSizeField(std::string_view text) {
    if (text.empty()) return std::nullopt;
    int points = 0;
    bool digit = false;
    for (char c : text) {
        if (c == '.') {
            if (++points > 1) return std::nullopt;
        } else if (c >= '0' && c <= '9') {
            digit = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digit) return std::nullopt;
    // Digits and one point only: strtod reads all of it, whatever the locale's point is not.
    double value = 0, scale = 0;
    for (char c : text) {
        if (c == '.') {
            scale = 1;
            continue;
        }
        if (scale > 0) {
            scale *= 0.1;
            value += (c - '0') * scale;
        } else {
            value = value * 10 + (c - '0');
        }
    }
    if (value == 0) return std::nullopt;
    return value;
}

double SpinSizeValue(double shown, int steps, MeasureUnit unit) {
    const double step = unit == MeasureUnit::Cm || unit == MeasureUnit::Inch ? 0.1 : 1.0;
    return RoundToHundredths(shown + steps * step);
}

std::string ConvertSizeFieldText(std::string_view text, MeasureUnit from, MeasureUnit to, double dpi) {
    const std::optional<double> value = ParseSizeField(text);
    if (!value) return std::string(text);
    return SizeFieldText(UnitToPixels(*value, from, dpi), to, dpi);
}

UnitSize SizeInUnit(int widthPixels, int heightPixels, const MeasureUnits& units) {
    if (units.unit == MeasureUnit::Pixel) return {double(widthPixels), double(heightPixels), true};
    return {PixelsToUnit(widthPixels, units.unit, units.xResolution),
            PixelsToUnit(heightPixels, units.unit, units.yResolution), false};
}

std::string_view UnitButtonText(MeasureUnit unit) {
    switch (unit) {
        case MeasureUnit::Cm:
            return "Cm";
        case MeasureUnit::Inch:
            return "In";
        case MeasureUnit::Mm:
            return "mm";
        case MeasureUnit::Pixel:
            break;
    }
    return "Pi";
}

std::vector<RulerTick> RulerTicks(MeasureUnit unit, double dpi, double zoom, double origin, double length) {
    std::vector<RulerTick> ticks;
    if (length <= 0 || !(zoom > 0) || !(dpi > 0)) return ticks;
    // Each tick is counted in sub-steps of `sub` picture pixels; every `perMedium`-th is
    // medium and every `perLong`-th long and numbered (label value = index x labelStep).
    double sub = 0;
    long long perMedium = 0, perLong = 0;
    double labelStep = 0;
    bool numberMedium = false;
    if (unit == MeasureUnit::Pixel) {
        zoom = std::max(zoom, 0.3);
        sub = zoom >= 8 ? 1 : zoom >= 4 ? 5 : zoom > 1 ? 10 : 50;
        perMedium = static_cast<long long>(50 / sub);
        perLong = static_cast<long long>(100 / sub);
        labelStep = sub;
        numberMedium = zoom >= 1;
    } else {
        const double unitPixels = DotsPerUnit(unit, dpi);  // picture pixels per unit
        const double screenPerUnit = unitPixels * zoom;
        // Numbers on whole units, far enough apart to be read.
        double every = 0;
        for (double decade = 1; every == 0 && decade < 1e9; decade *= 10)
            for (double m : {1.0, 2.0, 5.0})
                if (m * decade * screenPerUnit >= 40) {
                    every = m * decade;
                    break;
                }
        if (every == 0) return ticks;
        const double numbered = every * screenPerUnit;
        int parts = 1;
        for (int candidate : {10, 5, 2})
            if (numbered / candidate >= 4) {
                parts = candidate;
                break;
            }
        sub = every * unitPixels / parts;
        perLong = parts;
        perMedium = parts % 2 == 0 ? parts / 2 : parts;
        labelStep = every / parts;
    }
    const double first = std::ceil(origin / sub - 1e-9);
    const double last = std::floor((origin + length / zoom) / sub + 1e-9);
    if (last - first > 100000) return ticks;  // never reached by a real window
    for (long long k = static_cast<long long>(first); k <= static_cast<long long>(last); ++k) {
        RulerTick tick;
        tick.position = (k * sub - origin) * zoom;
        const long long m = ((k % perLong) + perLong) % perLong;
        if (m == 0) {
            tick.level = 0;
            tick.label = WholeText(std::llround(k * labelStep));
        } else if (m % perMedium == 0) {
            tick.level = 1;
            if (numberMedium) tick.label = WholeText(std::llround(k * labelStep));
        } else {
            tick.level = 2;
        }
        ticks.push_back(std::move(tick));
    }
    return ticks;
}

std::string SpunSizeText(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    std::string text = buffer;
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

namespace {
int PercentOf(double value, int whole) {
    if (whole <= 0) return 0;
    // A hair of tolerance: 196.85 dots typed as 5 cm must not lose a percent to noise.
    const double p = std::floor(value / whole * 100 + 1e-9);
    return int(std::clamp(p, 0.0, double(1 << 30)));
}
}  // namespace

ProportionalSize::ProportionalSize(int width, int height)
    : w(std::max(width, 1)), h(std::max(height, 1)), aspect(double(w) / h), px(w), py(h) {}

void ProportionalSize::SetWidth(double dots) {
    px = dots;
    xPercent = PercentOf(px, w);
    if (proportional) {
        yPercent = xPercent;
        py = px / aspect;
    }
}

void ProportionalSize::SetHeight(double dots) {
    py = dots;
    yPercent = PercentOf(py, h);
    if (proportional) {
        xPercent = yPercent;
        px = py * aspect;
    }
}

void ProportionalSize::ApplyXPercent() {
    px = xPercent * 0.01 * w;
    if (proportional) {
        yPercent = xPercent;
        py = px / aspect;
    }
}

void ProportionalSize::ApplyYPercent() {
    py = yPercent * 0.01 * h;
    if (proportional) {
        xPercent = yPercent;
        px = py * aspect;
    }
}

}  // namespace lp
