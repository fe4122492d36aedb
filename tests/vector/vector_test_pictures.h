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

/// Shapes inside shapes as cartoons and signs draw them: a black frame one
/// pixel wide on the left and six on the right, white inside as outside,
/// with a red dot in it; outlines within outlines; dark letters close together
/// in a blue box on a dark ground. Each inner part is painted only if every
/// enclosing object comes before it and every region is drawn once.
inline Picture NestedShapesGraphic(int width = 160, int height = 120) {
    Picture p;
    p.Create(width, height);
    p.Fill(MakeColour(255, 255, 255));
    auto rect = [&](int x0, int y0, int x1, int y1, ColourRef c) {
        for (int y = std::max(0, y0); y < y1 && y < height; ++y)
            for (int x = std::max(0, x0); x < x1 && x < width; ++x) SetPixel(p, x, y, c);
    };
    const ColourRef black = MakeColour(0, 0, 0), white = MakeColour(255, 255, 255), red = MakeColour(255, 0, 0);
    rect(10, 10, 71, 71, black);  // the frame: left 1, top 2, right 6, bottom 3
    rect(11, 12, 65, 68, white);
    rect(30, 30, 41, 41, red);
    rect(80, 8, 151, 64, black);  // outlines within outlines
    rect(81, 9, 150, 63, MakeColour(250, 220, 0));
    rect(88, 16, 143, 56, black);
    rect(89, 17, 142, 55, white);
    rect(105, 28, 125, 44, red);
    rect(0, 78, width, height, black);  // letters in a box on a dark ground
    rect(12, 84, 148, 114, MakeColour(0, 60, 200));
    for (int i = 0; i < 6; ++i) rect(16 + 6 * i, 88, 21 + 6 * i, 110, black);  // one-pixel gaps
    rect(60, 88, 76, 110, black);  // an "o": a letter with a hole
    rect(64, 93, 72, 105, MakeColour(0, 60, 200));
    return p;
}

/// Shapes of two to four pixels, as speckled and scanned pictures are full
/// of: pairs across and down, columns, rows, squares, Ls and a T, in turn in
/// three colours on a light ground, two ground pixels apart. Every pixel of a
/// shape belongs to a region of at least two pixels, so each is drawn.
inline Picture SmallShapesGraphic(int width = 160, int height = 120) {
    Picture p;
    p.Create(width, height);
    p.Fill(MakeColour(230, 230, 230));
    static const std::vector<std::vector<std::pair<int, int>>> kShapes = {
        {{0, 0}, {1, 0}},                  // a pair across
        {{0, 0}, {0, 1}},                  // a pair down
        {{0, 0}, {0, 1}, {0, 2}, {0, 3}},  // a column
        {{0, 0}, {1, 0}, {2, 0}},          // a row
        {{0, 0}, {1, 0}, {0, 1}, {1, 1}},  // a square
        {{0, 0}, {1, 0}, {1, 1}},          // Ls in two turns
        {{1, 0}, {0, 1}, {1, 1}},
        {{0, 0}, {1, 0}, {2, 0}, {1, 1}},  // a T
    };
    const ColourRef colours[] = {MakeColour(20, 20, 20), MakeColour(200, 30, 40), MakeColour(0, 60, 200)};
    std::size_t n = 0;
    for (int y = 2; y + 6 <= height; y += 6)
        for (int x = 2; x + 5 <= width; x += 5, ++n) {
            for (const auto& [dx, dy] : kShapes[n % kShapes.size()]) SetPixel(p, x + dx, y + dy, colours[n % 3]);
        }
    return p;
}

}  // namespace lp::test
