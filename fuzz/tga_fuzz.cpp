// Feeds arbitrary bytes to the Targa reader with lowered limits. Whatever
// decodes must survive our writer and read back to the same pixels.
#include "formats/tga/tga_reader.h"
#include "formats/tga/tga_writer.h"
#include "base/imp_exp_exception.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const lp::ImageLimits limits{1u << 16, 1 << 12};
    lp::Picture picture;
    try {
        picture = lp::DecodeTarga(std::span<const std::uint8_t>(data, size), "fuzz.tga", nullptr, limits);
    } catch (const lp::ImpExpException&) {
        return 0;
    }
    if (picture.Width() <= 0 || picture.Height() <= 0) std::abort();
    for (const bool rle : {true, false}) {
        const auto encoded = lp::EncodeTarga(picture, rle, nullptr);
        const lp::Picture back = lp::DecodeTarga(encoded, "again.tga", nullptr, limits);
        if (!back.SamePixels(picture)) std::abort();
    }
    return 0;
}
