#include "app/ui/sample_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "formats/format_table.h"
#include "base/imp_exp_exception.h"

namespace lp {

namespace {

// A fixed integer hash: the same picture on every run and machine.
double Lattice(int x, int y, int seed) {
    std::uint32_t h = std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u + std::uint32_t(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return double(h & 0xFFFF) / 65535.0;
}

double Smooth(double t) { return t * t * (3 - 2 * t); }

double ValueNoise(double x, double y, int seed) {
    const int x0 = int(std::floor(x));
    const int y0 = int(std::floor(y));
    const double fx = Smooth(x - x0);
    const double fy = Smooth(y - y0);
    const double a = Lattice(x0, y0, seed), b = Lattice(x0 + 1, y0, seed);
    const double c = Lattice(x0, y0 + 1, seed), d = Lattice(x0 + 1, y0 + 1, seed);
    return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
}

double Stone(double x, double y) {
    double sum = 0, amplitude = 0.55, frequency = 1.0 / 48;
    for (int octave = 0; octave < 6; ++octave) {
        sum += amplitude * ValueNoise(x * frequency, y * frequency, octave + 1);
        amplitude *= 0.5;
        frequency *= 2.1;
    }
    return sum;
}

}  // namespace

Picture MakeSamplePicture(int width, int height) {
    Picture picture;
    picture.Create(width, height);
    for (int y = 0; y < height; ++y) {
        auto row = picture.RowFromTop(y);
        for (int x = 0; x < width; ++x) {
            const double h = Stone(x, y);
            // Light from the top left: brighter where the surface rises towards it.
            const double slope = (h - Stone(x - 1, y - 1)) * 6.0;
            const double light = std::clamp(0.55 + h * 0.5 + slope, 0.0, 1.2);
            const double vein = std::pow(std::abs(std::sin((x + y * 0.6) / 23.0 + h * 5.0)), 12.0) * 0.25;
            const double base = std::clamp(light + vein, 0.0, 1.0);
            row[std::size_t(x) * 3 + 0] = std::uint8_t(std::clamp(base * 150 + 20, 0.0, 255.0));  // blue
            row[std::size_t(x) * 3 + 1] = std::uint8_t(std::clamp(base * 170 + 25, 0.0, 255.0));  // green
            row[std::size_t(x) * 3 + 2] = std::uint8_t(std::clamp(base * 185 + 30, 0.0, 255.0));  // red
        }
    }
    return picture;
}

std::filesystem::path EnsureSamplePicture(const std::filesystem::path& pictureFolder) {
    const std::filesystem::path path = pictureFolder / kSamplePictureName;
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) return path;
    try {
        SavePictureByExtension(MakeSamplePicture(), path);
    } catch (const ImpExpException&) {
        return {};
    }
    return path;
}

}  // namespace lp
