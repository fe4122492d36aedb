#include "vector/vector_text_writers.h"

#include <algorithm>
#include <charconv>
#include <climits>
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
        std::size_t n = 1;
        while (v >= 10) {
            v /= 10;
            ++n;
        }
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
/// fewest bytes (the earliest in drawing order among equals), found by
/// searching square rings of grid cells outwards until no nearer cell can
/// hold a cheaper move. The order within one path changes nothing painted:
/// its objects never overlap.
std::vector<std::size_t> ShortMoveOrder(const std::vector<ObjectForms>& forms, std::span<const std::size_t> members) {
    const std::size_t n = members.size();
    std::vector<std::size_t> order;
    order.reserve(n);
    if (n <= 2) {
        order.assign(members.begin(), members.end());
        return order;
    }
    constexpr std::int32_t kCell = 16;
    std::int32_t minX = INT32_MAX, minY = INT32_MAX, maxX = INT32_MIN, maxY = INT32_MIN;
    for (const std::size_t m : members) {
        const ContourPoint p = forms[m].Entry();
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    const auto columns = static_cast<std::int32_t>((std::int64_t(maxX) - minX) / kCell + 1);
    const auto rows = static_cast<std::int32_t>((std::int64_t(maxY) - minY) / kCell + 1);
    // Cells hold positions in members, ascending; taken ones are erased.
    std::vector<std::vector<std::uint32_t>> cells(std::size_t(columns) * std::size_t(rows));
    auto cellOf = [&](ContourPoint p, std::int32_t& cx, std::int32_t& cy) {
        cx = static_cast<std::int32_t>((std::int64_t(p.x) - minX) / kCell);
        cy = static_cast<std::int32_t>((std::int64_t(p.y) - minY) / kCell);
    };
    for (std::size_t i = 0; i < n; ++i) {
        std::int32_t cx, cy;
        cellOf(forms[members[i]].Entry(), cx, cy);
        cells[std::size_t(cy) * std::size_t(columns) + std::size_t(cx)].push_back(static_cast<std::uint32_t>(i));
    }
    auto take = [&](std::size_t i) {
        std::int32_t cx, cy;
        cellOf(forms[members[i]].Entry(), cx, cy);
        auto& cell = cells[std::size_t(cy) * std::size_t(columns) + std::size_t(cx)];
        cell.erase(std::find(cell.begin(), cell.end(), static_cast<std::uint32_t>(i)));
        order.push_back(members[i]);
    };
    take(0);
    while (order.size() < n) {
        const ContourPoint at = forms[order.back()].Exit();
        // The cell of at, clamped into the grid; ring r holds the cells at
        // Chebyshev distance r from it.
        const auto ax = static_cast<std::int32_t>(
            std::clamp<std::int64_t>((std::int64_t(at.x) - minX) / kCell, 0, columns - 1));
        const auto ay =
            static_cast<std::int32_t>(std::clamp<std::int64_t>((std::int64_t(at.y) - minY) / kCell, 0, rows - 1));
        std::size_t best = n, bestCost = SIZE_MAX;
        for (std::int32_t r = 0;; ++r) {
            if (ax - r < 0 && ay - r < 0 && ax + r >= columns && ay + r >= rows) break;
            // A point in ring r lies at least (r - 1) * kCell + 1 away on one axis.
            if (best < n && r >= 2) {
                const std::int64_t reach = std::int64_t(r - 1) * kCell + 1;
                if (PathData::MoveCost(at, ContourPoint{at.x + static_cast<std::int32_t>(reach), at.y}) > bestCost)
                    break;
            }
            for (std::int32_t cy = ay - r; cy <= ay + r; ++cy) {
                if (cy < 0 || cy >= rows) continue;
                const bool edgeRow = cy == ay - r || cy == ay + r;
                for (std::int32_t cx = ax - r; cx <= ax + r; cx += (edgeRow || r == 0) ? 1 : 2 * r) {
                    if (cx < 0 || cx >= columns) continue;
                    for (const std::uint32_t i : cells[std::size_t(cy) * std::size_t(columns) + std::size_t(cx)]) {
                        const std::size_t cost = PathData::MoveCost(at, forms[members[i]].Entry());
                        if (cost < bestCost || (cost == bestCost && i < best)) {
                            bestCost = cost;
                            best = i;
                        }
                    }
                }
            }
        }
        take(best);
    }
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
