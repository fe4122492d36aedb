#pragma once
#include <cstdint>

namespace lp {

/// A colour handed between parts: 0x00BBGGRR; kNoColour (-1) means none.
using ColourRef = std::int32_t;
inline constexpr ColourRef kNoColour = -1;

constexpr ColourRef MakeColour(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<ColourRef>(std::uint32_t(r) | (std::uint32_t(g) << 8) | (std::uint32_t(b) << 16));
}
constexpr std::uint8_t RedOf(ColourRef c) { return std::uint8_t(std::uint32_t(c) & 0xFF); }
constexpr std::uint8_t GreenOf(ColourRef c) { return std::uint8_t((std::uint32_t(c) >> 8) & 0xFF); }
constexpr std::uint8_t BlueOf(ColourRef c) { return std::uint8_t((std::uint32_t(c) >> 16) & 0xFF); }

/// A palette entry as stored in memory: red, green, blue, flags.
struct ColourEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t flags = 0;

    friend bool operator==(const ColourEntry&, const ColourEntry&) = default;
    constexpr ColourRef ToColour() const { return MakeColour(red, green, blue); }
    static constexpr ColourEntry FromColour(ColourRef c) { return {RedOf(c), GreenOf(c), BlueOf(c), 0}; }
};

/// |dR| + |dG| + |dB|, the one colour distance of the program.
constexpr int ColourDistance(int r1, int g1, int b1, int r2, int g2, int b2) {
    auto a = [](int v) { return v < 0 ? -v : v; };
    return a(r1 - r2) + a(g1 - g2) + a(b1 - b2);
}

}  // namespace lp
