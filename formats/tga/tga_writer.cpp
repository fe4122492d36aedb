#include "formats/tga/tga_writer.h"

#include "base/atomic_file.h"
#include "formats/tga/tga_format.h"
#include "formats/tga/tga_reader.h"
#include "base/imp_exp_exception.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>

namespace lp {

using namespace tga;

namespace {

constexpr std::string_view kIdentification = "Quintera Forge";
constexpr std::int32_t kMaxSide = 65535;  // the header holds 16-bit sizes

void PutU16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(std::uint8_t(v & 0xFF));
    out.push_back(std::uint8_t((v >> 8) & 0xFF));
}

inline bool SamePixel(const std::uint8_t* a, const std::uint8_t* b) {
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

// Packets never cross rows. A literal packet stops before the first pixel that
// equals its successor (or leaves out the last pixel when none does); a run
// packet covers equal pixels. Both hold at most 128 pixels.
void EncodeRleRow(const std::uint8_t* row, std::size_t width, std::vector<std::uint8_t>& out) {
    std::size_t i = 0;
    while (i < width) {
        const std::uint8_t* p = row + i * 3;
        if (i + 1 == width) {
            out.push_back(0);
            out.insert(out.end(), p, p + 3);
            break;
        }
        if (!SamePixel(p, p + 3)) {
            std::size_t j = i + 1;
            while (j < width - 1 && j - i < std::size_t(kMaxPacketPixels) && !SamePixel(row + j * 3, row + j * 3 + 3))
                ++j;
            const std::size_t count = j - i;
            out.push_back(std::uint8_t(count - 1));
            out.insert(out.end(), p, p + count * 3);
            i += count;
        } else {
            std::size_t count = 2;
            while (i + count < width && count < std::size_t(kMaxPacketPixels) && SamePixel(p, row + (i + count) * 3))
                ++count;
            out.push_back(std::uint8_t((count - 1) | kRunPacket));
            out.insert(out.end(), p, p + 3);
            i += count;
        }
    }
}

}  // namespace

void EncodeTarga(const Picture& picture, bool compress, ByteSink& sink, ProgressSink* progress) {
    const std::int32_t width = picture.Width();
    const std::int32_t height = picture.Height();
    // Nothing to write, or a size the 16-bit header cannot hold: refuse rather
    // than write a file no reader accepts.
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        throw ImpExpException("", TargaErrorText(kBadParameters), kTargaErrorTitle);

    ProgressScope scope(progress, 0, 100, "Saving Targa File");
    std::vector<std::uint8_t> out;
    const std::uint64_t rowBytes = std::uint64_t(width) * 3;
    out.reserve(std::max<std::size_t>(kHeaderBytes + kIdentification.size(), rowBytes + rowBytes / 128 + 1));

    out.push_back(std::uint8_t(kIdentification.size()));  // ID length
    out.push_back(0);                                     // no colour map
    out.push_back(compress ? kTypeTrueColour + kRleTypeOffset : kTypeTrueColour);
    PutU16(out, 0);    // colour map first entry
    PutU16(out, 0);    // colour map length
    out.push_back(0);  // colour map entry size
    PutU16(out, 0);    // x origin
    PutU16(out, 0);    // y origin
    PutU16(out, unsigned(width));
    PutU16(out, unsigned(height));
    out.push_back(24);
    out.push_back(kTopToBottom);
    out.insert(out.end(), kIdentification.begin(), kIdentification.end());
    sink.Write(out);

    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = picture.RowFromTop(y).data();
        if (compress) {
            out.clear();
            EncodeRleRow(row, std::size_t(width), out);
            sink.Write(out);
        } else {
            sink.Write({row, std::size_t(rowBytes)});
        }
        scope.Step(long(std::int64_t(y) * 100 / height));
    }
}

std::vector<std::uint8_t> EncodeTarga(const Picture& picture, bool compress, ProgressSink* progress) {
    std::vector<std::uint8_t> bytes;
    VectorSink sink(bytes);
    EncodeTarga(picture, compress, sink, progress);
    return bytes;
}

void SaveTarga(const Picture& picture, const std::filesystem::path& path, bool compress, ProgressSink* progress) {
    WithImpExpErrors(path.string(), kTargaErrorTitle, TargaErrorText(kNoMemory), InnerImpExp::NameTheFile, [&] {
        AtomicFileWriter file(path, TargaErrorText(kErrorOpening), TargaErrorText(kErrorWriting));
        EncodeTarga(picture, compress, file, progress);
        file.Commit();
    });
}

}  // namespace lp
