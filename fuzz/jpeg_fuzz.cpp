// Feeds arbitrary bytes to the JPEG reader. Limits are lowered so that the
// fuzzer explores the library's paths instead of allocating huge pictures.
#include <cstdint>
#include <span>

#include "formats/jpeg/jpeg_reader.h"
#include "base/imp_exp_exception.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lp::JpegReadOptions options;
    options.limits.maxPixels = 4u << 20;
    options.limits.maxDimension = 1 << 14;
    try {
        (void)lp::DecodeJpeg(std::span(data, size), "fuzz.jpg", nullptr, options);
    } catch (const lp::ImpExpException&) {
    }
    return 0;
}
