#pragma once
// Reading what a PNG file stores, without decoding it.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/colour.h"

namespace lp::test {

/// The colours of the PLTE chunk in file order; empty when the file has none.
inline std::vector<ColourRef> StoredPngPalette(const std::vector<std::uint8_t>& bytes) {
    std::vector<ColourRef> table;
    for (std::size_t at = 8; at + 12 <= bytes.size();) {
        const std::size_t length = std::size_t(bytes[at]) << 24 | std::size_t(bytes[at + 1]) << 16 |
                                   std::size_t(bytes[at + 2]) << 8 | bytes[at + 3];
        if (at + 12 + length > bytes.size()) break;
        if (std::equal(bytes.begin() + long(at) + 4, bytes.begin() + long(at) + 8, "PLTE")) {
            for (std::size_t i = 0; i + 3 <= length; i += 3)
                table.push_back(MakeColour(bytes[at + 8 + i], bytes[at + 9 + i], bytes[at + 10 + i]));
            break;
        }
        at += length + 12;
    }
    return table;
}

}  // namespace lp::test
