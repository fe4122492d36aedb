// Feeds arbitrary bytes to the ".pal" parser. Whatever parses must encode and
// parse again to the same name and entries.
#include "base/imp_exp_exception.h"
#include "tools/palette.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lp::Palette palette;
    try {
        palette = lp::Palette::Decode(std::span<const std::uint8_t>(data, size), "fuzz.pal");
    } catch (const lp::ImpExpException&) {
        return 0;
    }
    const lp::Palette again = lp::Palette::Decode(palette.Encode(), "again.pal");
    if (again.Name() != palette.Name() || again.Count() != palette.Count()) std::abort();
    for (int i = 0; i < palette.Count(); ++i) {
        std::string a, b;
        if (palette.GetEntry(i, &a) != again.GetEntry(i, &b) || a != b) std::abort();
    }
    return 0;
}
