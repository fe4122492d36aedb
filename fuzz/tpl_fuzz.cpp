// Feeds arbitrary bytes to the .TPL parser. Whatever parses must encode, parse
// again to the same settings, and encode again to the same bytes.
#include "batch/batch_macro.h"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path where = "fuzz.TPL";
    lp::BatchMacro macro;
    try {
        macro = lp::DecodeBatchMacro(std::span<const std::uint8_t>(data, size), where);
    } catch (const lp::BatchMacroError&) {
        return 0;
    }
    std::vector<std::uint8_t> encoded;
    try {
        encoded = lp::EncodeBatchMacro(macro);
    } catch (const lp::BatchMacroError&) {
        std::abort();  // what was read must fit its fields again
    }
    const lp::BatchMacro again = lp::DecodeBatchMacro(encoded, where);
    if (!(again == macro)) std::abort();
    if (lp::EncodeBatchMacro(again) != encoded) std::abort();
    return 0;
}
