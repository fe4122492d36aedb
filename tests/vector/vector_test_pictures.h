#pragma once
// Small hand-drawn pictures for the vectorizer tests: one character per pixel.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "base/colour.h"
#include "imaging/picture.h"
#include "test_support.h"

namespace lp::test {

inline const std::map<char, ColourRef>& VectorTestColours() {
    static const std::map<char, ColourRef> colours = {
        {'.', MakeColour(255, 255, 255)}, {'r', MakeColour(255, 0, 0)}, {'g', MakeColour(0, 160, 0)},
        {'b', MakeColour(0, 0, 255)},     {'k', MakeColour(0, 0, 0)},   {'y', MakeColour(250, 220, 0)},
    };
    return colours;
}

inline Picture GridPicture(const std::vector<std::string>& rows) {
    Picture p;
    p.Create(static_cast<std::int32_t>(rows[0].size()), static_cast<std::int32_t>(rows.size()));
    for (std::size_t y = 0; y < rows.size(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x)
            SetPixel(p, int(x), int(y), VectorTestColours().at(rows[y][x]));
    return p;
}

/// A few-colour graphic with thick regions: rectangles, a ring with a hole,
/// on a plain ground (white unless given).
inline Picture FewColourGraphic(int width, int height, ColourRef ground = MakeColour(255, 255, 255)) {
    Picture p;
    p.Create(width, height);
    p.Fill(ground);
    auto rect = [&](int x0, int y0, int x1, int y1, ColourRef c) {
        for (int y = y0; y < y1 && y < height; ++y)
            for (int x = x0; x < x1 && x < width; ++x) SetPixel(p, x, y, c);
    };
    rect(width / 10, height / 10, width / 2, height / 2, MakeColour(0, 90, 200));
    rect(width / 5, height / 5, width / 3, height / 3, MakeColour(250, 220, 0));
    rect(width / 2 + 4, height / 8, width - width / 10, height / 3, MakeColour(20, 140, 60));
    const int cx = width * 2 / 3, cy = height * 2 / 3, r = std::min(width, height) / 5;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
            if (d2 <= r * r && d2 >= (r / 2) * (r / 2)) SetPixel(p, x, y, MakeColour(200, 30, 40));
        }
    rect(width / 8, height * 3 / 5, width / 3, height * 9 / 10, MakeColour(0, 0, 0));
    return p;
}

}  // namespace lp::test
