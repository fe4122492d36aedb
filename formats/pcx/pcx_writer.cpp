#include "formats/pcx/pcx_writer.h"

#include "base/atomic_file.h"
#include "formats/pcx/pcx_format.h"
#include "formats/pcx/pcx_reader.h"
#include "base/imp_exp_exception.h"

#include <new>

namespace lp {

using namespace pcx;

namespace {

constexpr std::int32_t kMaxSide = 65535;  // xmax, ymax and bytes per line are 16-bit

void PutU16(std::uint8_t* at, unsigned v) {
    at[0] = std::uint8_t(v & 0xFF);
    at[1] = std::uint8_t((v >> 8) & 0xFF);
}

// One encoded line: runs of 2 to 63 equal bytes become a count byte and the
// byte; a single byte of 0x40 or more is written as a run of one (from 0xC0 on
// it would otherwise read as a count). Runs may cross from one plane into the
// next, never into the next line.
void EncodeLine(const std::uint8_t* line, std::size_t size, std::vector<std::uint8_t>& out) {
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t b = line[i];
        std::size_t run = 1;
        while (i + run < size && run < std::size_t(kMaxRun) && line[i + run] == b) ++run;
        if (run >= 2) {
            out.push_back(std::uint8_t(kRunMask | run));
            out.push_back(b);
        } else if (b >= 0x40) {
            out.push_back(std::uint8_t(kRunMask | 1));
            out.push_back(b);
        } else {
            out.push_back(b);
        }
        i += run;
    }
}

}  // namespace

void EncodePcx(const Picture& picture, ByteSink& sink, ProgressSink* progress) {
    const std::int32_t width = picture.Width();
    const std::int32_t height = picture.Height();
    // Nothing to write, or a size the 16-bit header cannot hold: refuse rather
    // than write a file no reader accepts.
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        throw ImpExpException("", PcxErrorText(kBadParameters), kPcxErrorTitle);

    std::vector<std::uint8_t> out(kHeaderBytes, 0);
    out[0] = kManufacturer;
    out[kOffVersion] = kVersionWithPalette;
    out[kOffEncoding] = 1;
    out[kOffBitsPerPixel] = 8;
    PutU16(&out[kOffXMin], 1);
    PutU16(&out[kOffYMin], 1);
    PutU16(&out[kOffXMax], unsigned(width));
    PutU16(&out[kOffYMax], unsigned(height));
    out[kOffPlanes] = 3;
    PutU16(&out[kOffBytesPerLine], unsigned(width));
    sink.Write(out);

    ProgressScope scope(progress, 0, 100, "Saving PCX File");
    const std::size_t w = std::size_t(width);
    std::vector<std::uint8_t> line(w * 3);
    out.reserve(line.size() * 2);  // a line encodes to at most two bytes per byte
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* bgr = picture.RowFromTop(y).data();
        std::uint8_t* red = line.data();
        std::uint8_t* green = red + w;
        std::uint8_t* blue = green + w;
        for (std::size_t x = 0; x < w; ++x, bgr += 3) {
            blue[x] = bgr[0];
            green[x] = bgr[1];
            red[x] = bgr[2];
        }
        out.clear();
        EncodeLine(line.data(), line.size(), out);
        sink.Write(out);
        scope.Step(long((std::int64_t(y) + 1) * 100 / height));
    }
}

std::vector<std::uint8_t> EncodePcx(const Picture& picture, ProgressSink* progress) {
    std::vector<std::uint8_t> bytes;
    VectorSink sink(bytes);
    EncodePcx(picture, sink, progress);
    return bytes;
}

void SavePcx(const Picture& picture, const std::filesystem::path& path, ProgressSink* progress) {
    WithImpExpErrors(path.string(), kPcxErrorTitle, PcxErrorText(kNoMemory), InnerImpExp::NameTheFile, [&] {
        AtomicFileWriter file(path, PcxErrorText(kErrorOpening), PcxErrorText(kErrorWriting));
        EncodePcx(picture, file, progress);
        file.Commit();
    });
}

}  // namespace lp
