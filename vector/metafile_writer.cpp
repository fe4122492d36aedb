#include "vector/metafile_writer.h"

#include <algorithm>
#include <initializer_list>
#include <limits>

#include "base/imp_exp_exception.h"
#include "vector/little_endian_bytes.h"

namespace lp {

namespace {

constexpr const char* kCreateError = "Unable to create Meta file";
constexpr std::int32_t kMaxWmfCoordinate = std::numeric_limits<std::int16_t>::max();

ColourRef CanvasColour(const VectorDrawing& drawing) {
    return drawing.background < 0 ? MakeColour(255, 255, 255) : (drawing.background & 0xFFFFFF);
}

// ---- WMF ----------------------------------------------------------------

constexpr std::uint16_t kWmfSetWindowOrg = 0x020B;
constexpr std::uint16_t kWmfSetWindowExt = 0x020C;
constexpr std::uint16_t kWmfSetPolyFillMode = 0x0106;
constexpr std::uint16_t kWmfCreateBrushIndirect = 0x02FC;
constexpr std::uint16_t kWmfCreatePenIndirect = 0x02FA;
constexpr std::uint16_t kWmfSelectObject = 0x012D;
constexpr std::uint16_t kWmfDeleteObject = 0x01F0;
constexpr std::uint16_t kWmfRectangle = 0x041B;
constexpr std::uint16_t kWmfPolygon = 0x0324;
constexpr std::uint16_t kAlternateFill = 1;

class WmfRecorder {
public:
    void Record(std::uint16_t function, std::initializer_list<std::uint16_t> words) {
        Begin(function, words.size());
        for (const std::uint16_t w : words) m_out.U16(w);
    }
    /// Starts a record with the given number of parameter words.
    void Begin(std::uint16_t function, std::size_t parameterWords) {
        const std::uint32_t size = static_cast<std::uint32_t>(3 + parameterWords);
        m_maxRecord = std::max(m_maxRecord, size);
        m_out.U32(size);
        m_out.U16(function);
    }
    void Colour(ColourRef c) { m_out.U32(static_cast<std::uint32_t>(c) & 0xFFFFFF); }
    void CreateBrushAndPen(ColourRef c) {
        Begin(kWmfCreateBrushIndirect, 4);
        m_out.U16(0);  // BS_SOLID
        Colour(c);
        m_out.U16(0);
        Begin(kWmfCreatePenIndirect, 5);
        m_out.U16(0);  // PS_SOLID
        m_out.I16(1);  // width
        m_out.I16(0);
        Colour(c);
    }
    LittleEndianBytes& Out() { return m_out; }
    std::uint32_t MaxRecord() const { return m_maxRecord; }

private:
    LittleEndianBytes m_out;
    std::uint32_t m_maxRecord = 0;
};

// ---- EMF ----------------------------------------------------------------

constexpr std::uint32_t kEmrHeader = 1;
constexpr std::uint32_t kEmrPolygon = 3;
constexpr std::uint32_t kEmrEof = 14;
constexpr std::uint32_t kEmrSetPolyFillMode = 19;
constexpr std::uint32_t kEmrSelectObject = 37;
constexpr std::uint32_t kEmrCreatePen = 38;
constexpr std::uint32_t kEmrCreateBrushIndirect = 39;
constexpr std::uint32_t kEmrDeleteObject = 40;
constexpr std::uint32_t kEmrRectangle = 43;
constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr char16_t kEmfDescription[] = u"Orvantix";

}  // namespace

std::vector<std::uint8_t> EncodeWmf(const VectorDrawing& drawing, ProgressSink* progress) {
    if (drawing.width <= 0 || drawing.height <= 0 || drawing.width > kMaxWmfCoordinate ||
        drawing.height > kMaxWmfCoordinate)
        throw InnerError(kCreateError);
    for (const VectorObject& object : drawing.objects)
        for (const auto contour : object.Contours())
            if (contour.size() > std::size_t(kMaxWmfCoordinate)) throw InnerError(kCreateError);

    const auto w = static_cast<std::uint16_t>(drawing.width);
    const auto h = static_cast<std::uint16_t>(drawing.height);
    WmfRecorder rec;
    LittleEndianBytes& out = rec.Out();
    // Placeable header: key, handle, bounds, units per inch, reserved, checksum.
    const std::uint16_t placeable[10] = {0xCDD7, 0x9AC6, 0, 0, 0, w, h, 96, 0, 0};
    std::uint16_t checksum = 0;
    for (const std::uint16_t word : placeable) {
        out.U16(word);
        checksum ^= word;
    }
    out.U16(checksum);
    const std::size_t headerStart = out.Size();
    out.U16(1);       // memory metafile
    out.U16(9);       // header words
    out.U16(0x0300);  // version
    out.U32(0);       // size in words, patched
    out.U16(4);       // handle slots: two brush/pen pairs in turn
    out.U32(0);       // largest record, patched
    out.U16(0);

    rec.Record(kWmfSetWindowOrg, {0, 0});
    rec.Record(kWmfSetWindowExt, {h, w});
    rec.Record(kWmfSetPolyFillMode, {kAlternateFill});
    // Objects take the lowest free slot: the canvas pair gets 0 and 1, each
    // object's pair the other two, and the pair before it is then deleted.
    rec.CreateBrushAndPen(CanvasColour(drawing));
    rec.Record(kWmfSelectObject, {0});
    rec.Record(kWmfSelectObject, {1});
    rec.Record(kWmfRectangle, {h, w, 0, 0});
    std::uint16_t current = 0;

    ProgressScope scope(progress, 0, static_cast<long>(drawing.objects.size()), "Writing Objects..");
    long done = 0;
    for (const VectorObject& object : drawing.objects) {
        const std::uint16_t next = current == 0 ? 2 : 0;
        rec.CreateBrushAndPen(object.colour);
        rec.Record(kWmfSelectObject, {next});
        rec.Record(kWmfSelectObject, {static_cast<std::uint16_t>(next + 1)});
        rec.Record(kWmfDeleteObject, {current});
        rec.Record(kWmfDeleteObject, {static_cast<std::uint16_t>(current + 1)});
        current = next;
        for (const auto contour : object.Contours()) {
            rec.Begin(kWmfPolygon, 1 + 2 * contour.size());
            out.U16(static_cast<std::uint16_t>(contour.size()));
            for (const ContourPoint& p : contour) {
                out.I16(static_cast<std::int16_t>(p.x));
                out.I16(static_cast<std::int16_t>(p.y));
            }
        }
        scope.Step(++done);
    }
    rec.Record(0, {});  // end of file

    out.PatchU32(headerStart + 6, static_cast<std::uint32_t>((out.Size() - headerStart) / 2));
    out.PatchU32(headerStart + 12, rec.MaxRecord());
    return out.Take();
}

std::vector<std::uint8_t> EncodeEmf(const VectorDrawing& drawing, ProgressSink* progress) {
    if (drawing.width <= 0 || drawing.height <= 0) throw InnerError(kCreateError);
    LittleEndianBytes out;
    std::uint32_t records = 0;
    auto begin = [&](std::uint32_t type, std::uint32_t size) {
        out.U32(type);
        out.U32(size);
        ++records;
    };
    const std::int64_t w = drawing.width, h = drawing.height;

    constexpr std::uint32_t kHeaderBytes = 108;
    constexpr std::uint32_t kDescriptionChars = sizeof kEmfDescription / sizeof(char16_t) + 1;  // two NULs
    constexpr std::uint32_t kDescriptionBytes = (kDescriptionChars * 2 + 3) / 4 * 4;
    begin(kEmrHeader, kHeaderBytes + kDescriptionBytes);
    out.I32(0);  // bounds, inclusive, in pixels
    out.I32(0);
    out.I32(static_cast<std::int32_t>(w - 1));
    out.I32(static_cast<std::int32_t>(h - 1));
    out.I32(0);  // frame in 0.01 mm
    out.I32(0);
    out.I32(static_cast<std::int32_t>(w * kEmfScreenMillimetresX * 100 / kEmfScreenPixelsX));
    out.I32(static_cast<std::int32_t>(h * kEmfScreenMillimetresY * 100 / kEmfScreenPixelsY));
    out.U32(kEmfSignature);
    out.U32(0x00010000);
    const std::size_t bytesField = out.Size();
    out.U32(0);  // file size, patched
    out.U32(0);  // record count, patched
    out.U16(5);  // handles: the metafile itself and two brush/pen pairs
    out.U16(0);
    out.U32(kDescriptionChars);
    out.U32(kHeaderBytes);
    out.U32(0);  // palette entries
    out.I32(kEmfScreenPixelsX);
    out.I32(kEmfScreenPixelsY);
    out.I32(kEmfScreenMillimetresX);
    out.I32(kEmfScreenMillimetresY);
    out.U32(0);  // no pixel format
    out.U32(0);
    out.U32(0);  // not OpenGL
    out.I32(kEmfScreenMillimetresX * 1000);
    out.I32(kEmfScreenMillimetresY * 1000);
    for (const char16_t c : kEmfDescription) out.U16(c);  // with its NUL
    out.U16(0);
    while (out.Size() % 4 != 0) out.U8(0);

    auto brushAndPen = [&](std::uint32_t brush, ColourRef c) {
        const std::uint32_t colour = static_cast<std::uint32_t>(c) & 0xFFFFFF;
        begin(kEmrCreateBrushIndirect, 24);
        out.U32(brush);
        out.U32(0);  // BS_SOLID
        out.U32(colour);
        out.U32(0);
        begin(kEmrCreatePen, 28);
        out.U32(brush + 1);
        out.U32(0);  // PS_SOLID
        out.I32(1);  // width
        out.I32(0);
        out.U32(colour);
        for (const std::uint32_t handle : {brush, brush + 1}) {
            begin(kEmrSelectObject, 12);
            out.U32(handle);
        }
    };

    begin(kEmrSetPolyFillMode, 12);
    out.U32(kAlternateFill);
    brushAndPen(1, CanvasColour(drawing));
    begin(kEmrRectangle, 24);
    out.I32(0);
    out.I32(0);
    out.I32(static_cast<std::int32_t>(w));
    out.I32(static_cast<std::int32_t>(h));
    std::uint32_t current = 1;

    ProgressScope scope(progress, 0, static_cast<long>(drawing.objects.size()), "Writing Objects..");
    long done = 0;
    for (const VectorObject& object : drawing.objects) {
        const std::uint32_t next = current == 1 ? 3 : 1;
        brushAndPen(next, object.colour);
        for (const std::uint32_t handle : {current, current + 1}) {
            begin(kEmrDeleteObject, 12);
            out.U32(handle);
        }
        current = next;
        for (const auto contour : object.Contours()) {
            if (contour.size() > (std::numeric_limits<std::uint32_t>::max() - 28) / 8) throw InnerError(kCreateError);
            std::int32_t left = contour[0].x, right = contour[0].x, top = contour[0].y, bottom = contour[0].y;
            for (const ContourPoint& p : contour) {
                left = std::min(left, p.x);
                right = std::max(right, p.x);
                top = std::min(top, p.y);
                bottom = std::max(bottom, p.y);
            }
            begin(kEmrPolygon, static_cast<std::uint32_t>(28 + 8 * contour.size()));
            out.I32(left);
            out.I32(top);
            out.I32(right);
            out.I32(bottom);
            out.U32(static_cast<std::uint32_t>(contour.size()));
            for (const ContourPoint& p : contour) {
                out.I32(p.x);
                out.I32(p.y);
            }
        }
        scope.Step(++done);
    }
    begin(kEmrEof, 20);
    out.U32(0);   // palette entries
    out.U32(16);  // their offset
    out.U32(20);  // this record's size, read backwards by palette readers

    if (out.Size() > std::numeric_limits<std::uint32_t>::max()) throw InnerError(kCreateError);
    out.PatchU32(bytesField, static_cast<std::uint32_t>(out.Size()));
    out.PatchU32(bytesField + 4, records);
    return out.Take();
}

}  // namespace lp
