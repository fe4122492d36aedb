// Feeds arbitrary bytes to the LVF reader. Whatever reads must write and read
// back to the same objects.
#include "base/imp_exp_exception.h"
#include "vector/lvf_format.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lp::VectorDrawing drawing;
    try {
        drawing = lp::DecodeLvf(std::span<const std::uint8_t>(data, size));
    } catch (const lp::InnerError&) {
        return 0;
    }
    const lp::VectorDrawing again = lp::DecodeLvf(lp::EncodeLvf(drawing));
    if (again.objects.size() != drawing.objects.size() || again.background != drawing.background) std::abort();
    return 0;
}
