#include "vector/lvf_format.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "formats/io/bounded_reader.h"
#include "base/imp_exp_exception.h"
#include "vector/little_endian_bytes.h"

namespace lp {

namespace {

constexpr char kSignatureText[] = "LINEAR VECTOR FORMAT 1.0";  // written with its zero byte
constexpr std::uint32_t kMaxField = std::numeric_limits<std::uint16_t>::max();

void RequireFits(std::size_t count) {
    if (count > kMaxField) throw InnerError("Error writing to file");
}

}  // namespace

std::vector<std::uint8_t> EncodeLvf(const VectorDrawing& drawing, ProgressSink* progress) {
    RequireFits(drawing.objects.size());
    std::size_t total = kLvfHeaderBytes + 5;
    for (const VectorObject& object : drawing.objects) {
        RequireFits(object.holeCount);
        RequireFits(object.points.size());
        total += kLvfObjectHeaderBytes + 8 * object.points.size();
    }

    LittleEndianBytes out;
    out.Bytes().reserve(total);
    out.U8(0x4C);
    out.U8(0x56);
    for (const char c : kSignatureText) out.U8(static_cast<std::uint8_t>(c));  // includes the zero
    while (out.Size() < kLvfHeaderBytes) out.U8(0x20);

    const ColourRef background = drawing.background < 0 ? 0 : drawing.background;
    out.U8(RedOf(background));
    out.U8(GreenOf(background));
    out.U8(BlueOf(background));
    out.U16(static_cast<std::uint16_t>(drawing.objects.size()));

    ProgressScope scope(progress, 0, static_cast<long>(drawing.objects.size()), "Writing Objects..");
    long done = 0;
    for (const VectorObject& object : drawing.objects) {
        out.U16(object.type);
        out.U16(static_cast<std::uint16_t>(object.holeCount));
        out.U8(RedOf(object.colour));
        out.U8(GreenOf(object.colour));
        out.U8(BlueOf(object.colour));
        out.U16(static_cast<std::uint16_t>(object.points.size()));
        for (const ContourPoint& p : object.points) {
            out.I32(p.x);
            out.I32(p.y);
        }
        scope.Step(++done);
    }
    return out.Take();
}

VectorDrawing DecodeLvf(std::span<const std::uint8_t> bytes) {
    BoundedReader in(bytes, "Not a complete LVF file");
    const auto head = in.Bytes(kLvfHeaderBytes);
    if (head[0] != 0x4C || head[1] != 0x56 || std::memcmp(head.data() + 2, kSignatureText, sizeof kSignatureText) != 0)
        throw InnerError("Not an LVF file");
    VectorDrawing drawing;
    const std::uint8_t r = in.U8(), g = in.U8(), b = in.U8();
    drawing.background = MakeColour(r, g, b);
    const std::uint16_t count = in.U16LE();
    drawing.objects.reserve(std::min<std::size_t>(count, in.Remaining() / kLvfObjectHeaderBytes));
    for (std::uint16_t i = 0; i < count; ++i) {
        VectorObject object;
        object.type = in.U16LE();
        object.holeCount = in.U16LE();
        const std::uint8_t cr = in.U8(), cg = in.U8(), cb = in.U8();
        object.colour = MakeColour(cr, cg, cb);
        const std::uint16_t points = in.U16LE();
        const auto raw = in.Bytes(std::uint64_t(points) * 8);  // checks the length before allocating
        BoundedReader pointReader(raw);
        object.points.resize(points);
        for (ContourPoint& p : object.points) {
            p.x = pointReader.I32LE();
            p.y = pointReader.I32LE();
        }
        drawing.objects.push_back(std::move(object));
    }
    return drawing;
}

VectorDrawing ReadLvf(const std::filesystem::path& path) {
    try {
        const std::vector<std::uint8_t> bytes = ReadWholeFile(path, "Unable to open file \n" + path.string());
        return DecodeLvf(bytes);
    } catch (const InnerError& e) {
        throw ImpExpException(path.string(), e.what(), "Vector Error");
    } catch (const std::bad_alloc&) {
        throw ImpExpException(path.string(), "Not enough Memory", "Vector Error");
    }
}

}  // namespace lp
