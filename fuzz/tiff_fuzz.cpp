// Fuzz target of the TIFF reader. Limits are lowered instead of filtering
// inputs, so sizes near them are explored without slow runs. A picture that
// decodes is written by our writer and must read back the same.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "formats/tiff/tiff_file.h"
#include "formats/tiff/tiff_reader.h"
#include "formats/tiff/tiff_writer.h"
#include "base/imp_exp_exception.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lp::ImageLimits limits;
    limits.maxPixels = 1 << 18;
    limits.maxDimension = 1 << 12;
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        const lp::Picture picture = lp::DecodeTiff(bytes, "fuzz", nullptr, limits);
        const auto written = lp::EncodeTiff(picture, nullptr);
        if (!lp::DecodeTiff(written, "again", nullptr, limits).SamePixels(picture)) std::abort();
    } catch (const lp::ImpExpException&) {
    }
    // The later directories through the component, as a caller of it would.
    try {
        const lp::TiffFile file = lp::TiffFile::Open(bytes);
        for (int i = 1; i < file.ImageCount(); ++i) {
            try {
                const lp::TiffRowLayout layout = lp::TiffHeaderOf(file, file.ImageAt(i));
                lp::CheckImageSize(layout.width, layout.height, limits);
                if (std::uint64_t(layout.width) * layout.samplesPerPixel * layout.height > limits.maxPixels * 4)
                    continue;
                lp::ReadTiffRows(file, file.ImageAt(i), [](std::uint32_t, const lp::TiffSamples&) {});
            } catch (const lp::InnerError&) {
            }
        }
    } catch (const lp::InnerError&) {
    }
    return 0;
}
