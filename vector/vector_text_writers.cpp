#include "vector/vector_text_writers.h"

#include <charconv>
#include <cstdio>

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
    out += "\">\n<rect width=\"";
    AppendInt(out, drawing.width);
    out += "\" height=\"";
    AppendInt(out, drawing.height);
    out += "\" fill=\"";
    AppendHexColour(out, drawing.background >= 0 ? drawing.background : MakeColour(255, 255, 255));
    // Points are pixel centres: the half-pixel shift puts them there, and the
    // one-pixel outline reaches the outer edges of the boundary pixels.
    out += "\"/>\n<g transform=\"translate(0.5 0.5)\" fill-rule=\"evenodd\" stroke-width=\"1\">\n";
    ProgressScope scope(progress, 0, static_cast<long>(drawing.objects.size()), "Writing Objects..");
    long done = 0;
    for (const VectorObject& object : drawing.objects) {
        out += "<path fill=\"";
        AppendHexColour(out, object.colour);
        out += "\" stroke=\"";
        AppendHexColour(out, object.colour);
        out += "\" d=\"";
        for (const auto contour : object.Contours()) {
            // The closing repetition is implied by Z.
            const std::size_t n =
                contour.size() > 1 && contour.back() == contour.front() ? contour.size() - 1 : contour.size();
            out += 'M';
            AppendInt(out, contour[0].x);
            out += ' ';
            AppendInt(out, contour[0].y);
            for (std::size_t i = 1; i < n; ++i) {
                const ContourPoint p = contour[i], prev = contour[i - 1];
                if (p.y == prev.y) {
                    out += 'H';
                    AppendInt(out, p.x);
                } else if (p.x == prev.x) {
                    out += 'V';
                    AppendInt(out, p.y);
                } else {
                    out += 'L';
                    AppendInt(out, p.x);
                    out += ' ';
                    AppendInt(out, p.y);
                }
            }
            out += 'Z';
        }
        out += "\"/>\n";
        scope.Step(++done);
    }
    out += "</g>\n</svg>\n";
    return out;
}

}  // namespace lp
