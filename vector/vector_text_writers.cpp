#include "vector/vector_text_writers.h"

#include <algorithm>
#include <charconv>
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

/// Path data in relative steps: h and v along the axes, l otherwise (its
/// letter left out when it repeats), no separator before a minus sign.
class PathData {
public:
    explicit PathData(std::string& out) : m_out(out) {}

    void Contour(std::span<const ContourPoint> contour) {
        if (contour.empty()) return;
        // The closing repetition is implied by z.
        const std::size_t n = contour.size() > 1 && contour.back() == contour.front() ? contour.size() - 1 : contour.size();
        const ContourPoint start = contour[0];
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
        for (std::size_t i = 1; i < n; ++i) {
            const ContourPoint p = contour[i];
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
        m_out += 'z';
        m_at = start;  // z returns to the contour's start
        m_pairs = false;
    }

private:
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

    // One style per colour, in the order of first use.
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
        styles += "{fill:";
        AppendHexColour(styles, it->first);
        styles += ";stroke:";
        AppendHexColour(styles, it->first);
        styles += '}';
    }
    if (!styles.empty()) out += "<style>" + styles + "</style>\n";

    out += "<rect width=\"";
    AppendInt(out, drawing.width);
    out += "\" height=\"";
    AppendInt(out, drawing.height);
    out += "\" fill=\"";
    AppendHexColour(out, drawing.background >= 0 ? drawing.background : MakeColour(255, 255, 255));
    // Points are pixel centres: the half-pixel shift puts them there, and the
    // one-pixel outline (the default stroke width) reaches the outer edges of
    // the boundary pixels.
    out += "\"/>\n<g transform=\"translate(.5 .5)\" fill-rule=\"evenodd\">\n";

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
        const VectorObject& head = objects[order[k]];
        out += "<path class=\"";
        AppendClassName(out, objectClass[order[k]]);
        out += "\" d=\"";
        PathData data(out);
        std::size_t end = k;
        do {
            for (const auto contour : objects[order[end]].Contours()) data.Contour(contour);
            scope.Step(++done);
            ++end;
        } while (drawing.nestingKnown && end < order.size() && objects[order[end]].depth == head.depth &&
                 objectClass[order[end]] == objectClass[order[k]]);
        out += "\"/>\n";
        k = end;
    }
    out += "</g>\n</svg>\n";
    return out;
}

}  // namespace lp
