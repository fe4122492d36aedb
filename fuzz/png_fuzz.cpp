// Feeds arbitrary bytes to the PNG reader, then writes what it decoded in
// both colour modes. Limits are lowered so that the fuzzer explores the
// library's paths instead of allocating huge pictures.
#include <cstdint>
#include <span>

#include "formats/png/png_reader.h"
#include "formats/png/png_writer.h"
#include "base/imp_exp_exception.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lp::ImageLimits limits;
    limits.maxPixels = 4u << 20;
    limits.maxDimension = 1 << 14;
    try {
        const lp::Picture picture =
            lp::DecodePng(std::span(data, size), "fuzz.png", lp::MakeColour(1, 2, 3), nullptr, limits);
        if (std::uint64_t(picture.Width()) * std::uint64_t(picture.Height()) <= 64 * 64) {
            (void)lp::MeasurePngSize(picture, lp::kNoColour, lp::PngColourMode::Palette);
            (void)lp::MeasurePngSize(picture, lp::MakeColour(9, 9, 9), lp::PngColourMode::TrueColour);
        }
    } catch (const lp::ImpExpException&) {
    }
    return 0;
}
