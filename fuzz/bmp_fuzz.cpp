// Fuzz target of the BMP/DIB/RLE reader. A picture that decodes is also
// written back in every writer mode and read again, so the encoders meet the
// shapes and colours the fuzzer finds; the round trips must hold:
// 24 bits is lossless, and a run-length file reads back exactly as the
// uncompressed file of the same depth (same palette choice, same pixels).
#include <cstdint>
#include <cstdlib>
#include <span>

#include "formats/bmp/bmp_reader.h"
#include "formats/bmp/bmp_writer.h"
#include "base/imp_exp_exception.h"

namespace {

lp::Picture RoundTrip(const lp::Picture& p, lp::BmpCompression compression, int bits) {
    return lp::DecodeBmp(lp::EncodeBmp(p, compression, bits, nullptr), "round trip", nullptr);
}

void CheckWriters(const lp::Picture& picture) {
    if (!RoundTrip(picture, lp::BmpCompression::None, 24).SamePixels(picture)) std::abort();
    for (const auto& [compression, bits] : {std::pair{lp::BmpCompression::Rle8, 8}, {lp::BmpCompression::Rle4, 4}}) {
        if (!RoundTrip(picture, compression, bits).SamePixels(RoundTrip(picture, lp::BmpCompression::None, bits)))
            std::abort();
    }
    RoundTrip(picture, lp::BmpCompression::None, 1);
    RoundTrip(picture, lp::BmpCompression::None, 16);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lp::ImageLimits limits;
    limits.maxPixels = 16u << 20;
    limits.maxDimension = 1 << 16;
    try {
        const lp::Picture picture = lp::DecodeBmp(std::span(data, size), "fuzz", nullptr, limits);
        // Writing back is checked on pictures small enough to keep the fuzzer fast.
        if (std::uint64_t(picture.Width()) * std::uint64_t(picture.Height()) <= 65536) CheckWriters(picture);
    } catch (const lp::ImpExpException&) {
    }
    return 0;
}
