#include "vector/vector_text_writers.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <span>
#include <unordered_map>
#include <vector>

namespace lp {

namespace {

void AppendInt(std::string& out, long long v) {
    char buffer[24];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, end);
}

// "%f" of value / 255 as printf writes it in the "C" locale: six decimals.
void AppendChannel(std::string& out, std::uint8_t v) {
    char buffer[32];
    const double scaled = v * 0.00392156862745098;
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, scaled, std::chars_format::fixed, 6);
    out.append(buffer, end);
}

void AppendSetColour(std::string& out, ColourRef c) {
    AppendChannel(out, RedOf(c));
    out += ' ';
    AppendChannel(out, GreenOf(c));
    out += ' ';
    AppendChannel(out, BlueOf(c));
    out += " setcolor\n";
}

void AppendHexColour(std::string& out, ColourRef c) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '#';
    for (const std::uint8_t v : {RedOf(c), GreenOf(c), BlueOf(c)}) {
        out += kHex[v >> 4];
        out += kHex[v & 15];
    }
}

}  // namespace

std::string EncodeVectorEps(const VectorDrawing& drawing, ProgressSink* progress) {
    const long long w = drawing.width, h = drawing.height;
    std::string out;
    out += "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 ";
    AppendInt(out, w);
    out += ' ';
    AppendInt(out, h);
    out += "\n%%Pages: 0\n%%Creator: Lumaprism\n%%CreationDate: August 19th, 1997\n%%EndComments\n0 ";
    // PostScript's y axis points up: y is written as w - y and the translation
    // by h - w turns that into h - y.
    AppendInt(out, h - w);
    out += " translate\n0.25 setlinewidth\n/DeviceRGB setcolorspace\n";
    if (drawing.background >= 0) {
        AppendSetColour(out, drawing.background);
        out += "0 0 ";
        AppendInt(out, w);
        out += ' ';
        AppendInt(out, h);
        out += " rectfill\n";
    }
    ProgressScope scope(progress, 0, static_cast<long>(drawing.objects.size()), "Writing Objects..");
    long done = 0;
    for (const VectorObject& object : drawing.objects) {
        AppendSetColour(out, object.colour);
        for (const auto contour : object.Contours()) {
            out += "newpath\n";
            bool first = true;
            for (const ContourPoint& p : contour) {
                AppendInt(out, p.x);
                out += ' ';
                AppendInt(out, w - p.y);
                out += first ? " moveto\n" : " lineto\n";
                first = false;
            }
            out += "closepath\nfill\n";
        }
        scope.Step(++done);
    }
    return out;
}

namespace {

/// A class name per colour: a..z, A..Z, then longer names of letters.
void AppendClassName(std::string& out, std::size_t index) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    do {
        out += kLetters[index % 52];
        index /= 52;
    } while (index > 0);
}

/// #rgb when every channel's two hex digits agree, else #rrggbb.
void AppendShortHexColour(std::string& out, ColourRef c) {
    const std::uint8_t r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
    if (r % 17 == 0 && g % 17 == 0 && b % 17 == 0) {
        static constexpr char kHex[] = "0123456789abcdef";
        out += '#';
        out += kHex[r / 17];
        out += kHex[g / 17];
        out += kHex[b / 17];
    } else {
        AppendHexColour(out, c);
    }
}

bool OnAxis(ContourPoint a, ContourPoint b) { return a.x == b.x || a.y == b.y; }
bool UnitAxisStep(ContourPoint a, ContourPoint b) {
    return std::abs(std::int64_t(a.x) - b.x) + std::abs(std::int64_t(a.y) - b.y) == 1;
}

/// How one contour goes into the path data: from which of its points, and
/// whether it needs z. The outline is drawn with square caps, so an open
/// contour whose first and last steps run along the axes covers the pixels of
/// its two ends whole; the step back to its start may then be left out when
/// it is one pixel long (the caps cover what its outline covered) or retraces
/// the first step. Its fill closes by itself.
struct ContourForm {
    std::span<const ContourPoint> points;  // without the closing repetition
    std::size_t first = 0;
    bool closed = true;

    std::size_t Size() const { return points.size(); }
    ContourPoint At(std::size_t k) const { return points[(first + k) % points.size()]; }
    ContourPoint Start() const { return At(0); }
    /// Where the path stands after the contour.
    ContourPoint End() const { return closed ? Start() : At(Size() - 1); }
};

ContourForm FormOf(std::span<const ContourPoint> contour) {
    ContourForm form;
    const std::size_t n = contour.size() > 1 && contour.back() == contour.front() ? contour.size() - 1 : contour.size();
    form.points = contour.first(n);
    if (n < 2) return form;
    for (std::size_t k = 0; k < n; ++k) {
        const ContourPoint start = contour[k], next = contour[(k + 1) % n];
        const ContourPoint last = contour[(k + n - 1) % n], beforeLast = contour[(k + n - 2) % n];
        if (!OnAxis(start, next) || !OnAxis(beforeLast, last)) continue;
        if (UnitAxisStep(last, start) || last == next) {
            form.first = k;
            form.closed = false;
            return form;
        }
    }
    return form;
}

/// Path data in relative steps: h and v along the axes, l otherwise (its
/// letter left out when it repeats), no separator before a minus sign.
class PathData {
public:
    explicit PathData(std::string& out) : m_out(out) {}

    void Contour(const ContourForm& form) {
        if (form.Size() == 0) return;
        const ContourPoint start = form.Start();
        if (m_first) {
            m_out += 'M';
            AppendInt(m_out, start.x);
            m_out += ' ';
            AppendInt(m_out, start.y);
            m_pairs = false;  // pairs after M would be absolute
        } else {
            m_out += 'm';
            Pair(std::int64_t(start.x) - m_at.x, std::int64_t(start.y) - m_at.y);
            m_pairs = true;  // pairs after m are relative lines
        }
        m_first = false;
        ContourPoint prev = start;
        for (std::size_t i = 1; i < form.Size(); ++i) {
            const ContourPoint p = form.At(i);
            const std::int64_t dx = std::int64_t(p.x) - prev.x, dy = std::int64_t(p.y) - prev.y;
            if (dy == 0) {
                m_out += 'h';
                AppendInt(m_out, dx);
                m_pairs = false;
            } else if (dx == 0) {
                m_out += 'v';
                AppendInt(m_out, dy);
                m_pairs = false;
            } else {
                if (m_pairs) {
                    if (dx >= 0) m_out += ' ';
                } else {
                    m_out += 'l';
                }
                Pair(dx, dy);
                m_pairs = true;
            }
            prev = p;
        }
        if (form.closed) {
            m_out += 'z';
            m_pairs = false;
        }
        m_at = form.End();  // z returns to the contour's start
    }

    /// Bytes of the move from where the path stands to p (after the first contour).
    static std::size_t MoveCost(ContourPoint from, ContourPoint to) {
        const std::int64_t dx = std::int64_t(to.x) - from.x, dy = std::int64_t(to.y) - from.y;
        return 2 + Digits(dx) + (dx < 0) + Digits(dy);
    }

private:
    static std::size_t Digits(std::int64_t v) {
        v = v < 0 ? -v : v;
        if (v < 10) return 1;
        if (v < 100) return 2;
        if (v < 1000) return 3;
        std::size_t n = 4;
        for (v /= 10000; v > 0; v /= 10) ++n;
        return n;
    }

    void Pair(std::int64_t dx, std::int64_t dy) {
        AppendInt(m_out, dx);
        if (dy >= 0) m_out += ' ';
        AppendInt(m_out, dy);
    }

    std::string& m_out;
    ContourPoint m_at;
    bool m_first = true;
    bool m_pairs = false;
};

/// The contours of one object as they go into the path data.
struct ObjectForms {
    std::vector<ContourForm> contours;
    ContourPoint Entry() const { return contours.front().Start(); }
    ContourPoint Exit() const { return contours.back().End(); }
};

/// Orders the objects that share one path so that each move is short: from
/// where the last object ended, the next is the one whose move costs the
/// fewest bytes (the earliest in drawing order among equals) among those in
/// the nearest square ring of grid cells that holds any and the ring after it. The grid is built again, coarser, whenever half
/// of what it held is left, so that the search never crosses wide empty
/// stretches. The order within one path changes nothing painted: its objects
/// never overlap.
std::vector<std::size_t> ShortMoveOrder(const std::vector<ObjectForms>& forms, std::span<const std::size_t> members) {
    const std::size_t n = members.size();
    std::vector<std::size_t> order;
    order.reserve(n);
    if (n <= 2) {
        order.assign(members.begin(), members.end());
        return order;
    }
    // Where each member's first contour starts and its last one ends.
    std::vector<ContourPoint> entries(n), exits(n);
    for (std::size_t i = 0; i < n; ++i) {
        entries[i] = forms[members[i]].Entry();
        exits[i] = forms[members[i]].Exit();
    }
    std::vector<std::uint8_t> taken(n, 0);
    std::int64_t minX = INT32_MAX, minY = INT32_MAX, maxX = INT32_MIN, maxY = INT32_MIN;
    for (const ContourPoint p : entries) {
        minX = std::min<std::int64_t>(minX, p.x);
        minY = std::min<std::int64_t>(minY, p.y);
        maxX = std::max<std::int64_t>(maxX, p.x);
        maxY = std::max<std::int64_t>(maxY, p.y);
    }
    // Cells hold positions in members, ascending, one cell after another
    // (cellStart[c] .. cellStart[c + 1]); taken ones stay until the next build.
    std::int64_t cell = 1, columns = 1, rows = 1;
    std::vector<std::uint32_t> cellStart, inCells;
    std::size_t built = 0;
    auto cellIndex = [&](ContourPoint p) { return std::size_t(((p.y - minY) / cell) * columns + (p.x - minX) / cell); };
    auto build = [&](std::size_t left) {
        // About one object per cell.
        const double area = double(maxX - minX + 1) * double(maxY - minY + 1);
        cell = std::max<std::int64_t>(4, static_cast<std::int64_t>(std::sqrt(area / double(left))));
        columns = (maxX - minX) / cell + 1;
        rows = (maxY - minY) / cell + 1;
        cellStart.assign(std::size_t(columns * rows) + 1, 0);
        for (std::size_t i = 0; i < n; ++i)
            if (taken[i] == 0) ++cellStart[cellIndex(entries[i]) + 1];
        for (std::size_t c = 1; c < cellStart.size(); ++c) cellStart[c] += cellStart[c - 1];
        inCells.resize(left);
        std::vector<std::uint32_t> fill(cellStart.begin(), cellStart.end() - 1);
        for (std::size_t i = 0; i < n; ++i)
            if (taken[i] == 0) inCells[fill[cellIndex(entries[i])]++] = static_cast<std::uint32_t>(i);
        built = left;
    };
    auto take = [&](std::size_t i) {
        taken[i] = 1;
        order.push_back(i);
    };
    build(n);
    take(0);
    while (order.size() < n) {
        const std::size_t left = n - order.size();
        if (left * 2 <= built) build(left);
        const ContourPoint at = exits[order.back()];
        // The cell of at, clamped into the grid; ring r holds the cells at
        // Chebyshev distance r from it, whose points lie at least
        // (r - 1) * cell + 1 away from at on one axis.
        const std::int64_t ax = std::clamp<std::int64_t>((at.x - minX) / cell, 0, columns - 1);
        const std::int64_t ay = std::clamp<std::int64_t>((at.y - minY) / cell, 0, rows - 1);
        std::size_t best = n, bestCost = SIZE_MAX;
        std::int64_t foundAt = -1;
        for (std::int64_t r = 0; ax - r >= 0 || ay - r >= 0 || ax + r < columns || ay + r < rows; ++r) {
            // One ring past the first that held anything is enough: farther
            // ones rarely save a byte and would cost a search of the grid.
            if (foundAt >= 0 && r > foundAt + 1) break;
            if (best < n && r >= 2) {
                const std::int64_t reach = (r - 1) * cell + 1;
                if (PathData::MoveCost(at, ContourPoint{static_cast<std::int32_t>(at.x + reach), at.y}) > bestCost)
                    break;
            }
            for (std::int64_t cy = std::max<std::int64_t>(0, ay - r); cy <= std::min(rows - 1, ay + r); ++cy) {
                const bool edgeRow = cy == ay - r || cy == ay + r;
                for (std::int64_t cx = ax - r; cx <= ax + r; cx += edgeRow ? 1 : 2 * r) {
                    if (cx < 0 || cx >= columns) continue;
                    const std::size_t c = std::size_t(cy * columns + cx);
                    for (std::uint32_t k = cellStart[c]; k < cellStart[c + 1]; ++k) {
                        const std::uint32_t i = inCells[k];
                        if (taken[i] != 0) continue;
                        const std::size_t cost = PathData::MoveCost(at, entries[i]);
                        if (cost < bestCost || (cost == bestCost && i < best)) {
                            bestCost = cost;
                            best = i;
                        }
                    }
                }
            }
            if (best < n && foundAt < 0) foundAt = r;
        }
        take(best);
    }
    for (std::size_t& i : order) i = members[i];
    return order;
}

}  // namespace

std::string EncodeVectorSvg(const VectorDrawing& drawing, ProgressSink* progress) {
    std::string out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"";
    AppendInt(out, drawing.width);
    out += "\" height=\"";
    AppendInt(out, drawing.height);
    out += "\" viewBox=\"0 0 ";
    AppendInt(out, drawing.width);
    out += ' ';
    AppendInt(out, drawing.height);
    out += "\">\n";

    // One colour per class, in the order of first use; the paths fill and
    // outline in it through currentColor, so each colour is written once.
    const std::vector<VectorObject>& objects = drawing.objects;
    std::unordered_map<ColourRef, std::size_t> classOf;
    std::vector<std::size_t> objectClass(objects.size());
    std::string styles;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const auto [it, added] = classOf.try_emplace(objects[i].colour & 0xFFFFFF, classOf.size());
        objectClass[i] = it->second;
        if (!added) continue;
        styles += '.';
        AppendClassName(styles, it->second);
        styles += "{color:";
        AppendShortHexColour(styles, it->first);
        styles += '}';
    }
    if (!styles.empty()) out += "<style>path{fill:currentColor;stroke:currentColor}" + styles + "</style>\n";

    out += "<rect width=\"";
    AppendInt(out, drawing.width);
    out += "\" height=\"";
    AppendInt(out, drawing.height);
    out += "\" fill=\"";
    AppendHexColour(out, drawing.background >= 0 ? drawing.background : MakeColour(255, 255, 255));
    // Points are pixel centres: the half-pixel shift puts them there, and the
    // one-pixel outline (the default stroke width) reaches the outer edges of
    // the boundary pixels; square caps reach them at the ends of open contours.
    out += "\"/>\n<g transform=\"translate(.5 .5)\" fill-rule=\"evenodd\" stroke-linecap=\"square\">\n";

    std::vector<ObjectForms> forms(objects.size());
    for (std::size_t i = 0; i < objects.size(); ++i)
        for (const auto contour : objects[i].Contours()) forms[i].contours.push_back(FormOf(contour));

    // Painting order. When the nesting is known, objects of one depth never
    // overlap: each depth's objects of one colour share a path, depth after
    // depth. Otherwise every object keeps its own place and path.
    std::vector<std::size_t> order(objects.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    if (drawing.nestingKnown)
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            if (objects[a].depth != objects[b].depth) return objects[a].depth < objects[b].depth;
            return objectClass[a] < objectClass[b];
        });
    ProgressScope scope(progress, 0, static_cast<long>(objects.size()), "Writing Objects..");
    long done = 0;
    for (std::size_t k = 0; k < order.size();) {
        std::size_t end = k + 1;
        while (drawing.nestingKnown && end < order.size() && objects[order[end]].depth == objects[order[k]].depth &&
               objectClass[order[end]] == objectClass[order[k]])
            ++end;
        const std::span<const std::size_t> members(order.data() + k, end - k);
        out += "<path class=\"";
        AppendClassName(out, objectClass[order[k]]);
        out += "\" d=\"";
        PathData data(out);
        for (const std::size_t i : ShortMoveOrder(forms, members)) {
            for (const ContourForm& contour : forms[i].contours) data.Contour(contour);
            scope.Step(++done);
        }
        out += "\"/>\n";
        k = end;
    }
    out += "</g>\n</svg>\n";
    return out;
}

}  // namespace lp
