#include "imaging/colour_count.h"

#include "base/imp_exp_exception.h"

#include <bitset>
#include <memory>
#include <new>

namespace lp {

namespace {

constexpr const char* kCountingText = "Counting Colors in the Picture ..";

[[noreturn]] void ThrowCountNoMemory() {
    throw ImpExpException("Bitmap Color Count Error", "Not Enough Memory", "Bitmap Error");
}

// Walks the rows from the top, calling onNew(r, g, b) for every colour not yet in the bitset.
template <typename OnNew>
void ScanNewColours(const Picture& picture, ColourBitset& seen, ProgressSink* progress, OnNew&& onNew) {
    const int height = picture.Height();
    const int width = picture.Width();
    ProgressScope scope(progress, 0, height, kCountingText);
    for (int done = 0; done < height; ++done) {
        const auto row = picture.RowFromTop(done);
        const std::uint8_t* p = row.data();
        for (int x = 0; x < width; ++x, p += 3)
            if (seen.Insert(p[2], p[1], p[0])) onNew(p[2], p[1], p[0]);
        scope.Step(done + 1);
    }
}

}  // namespace

ColourBitset::ColourBitset() {
    try {
        m_bits.assign(0x200000, 0);
    } catch (const std::bad_alloc&) {
        ThrowCountNoMemory();
    }
}

std::int64_t CountColours(const Picture& picture, ProgressSink* progress) {
    ColourBitset seen;
    std::int64_t count = 0;
    ScanNewColours(picture, seen, progress, [&](std::uint8_t, std::uint8_t, std::uint8_t) { ++count; });
    return count;
}

int CollectColours(const Picture& picture, std::span<ColourEntry> palette, ProgressSink* progress) {
    ColourBitset seen;
    std::int64_t count = 0;
    ScanNewColours(picture, seen, progress, [&](std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        if (count < 256 && std::size_t(count) < palette.size()) palette[std::size_t(count)] = {r, g, b, 0};
        ++count;
    });
    return count < 256 ? int(count) : 256;
}

int CollectColoursInto(const Picture& picture, ColourBitset& seen, std::span<ColourEntry> palette, int start,
                       ProgressSink* progress) {
    std::int64_t index = start;
    const std::int64_t limit = std::int64_t(start) + 256;
    ScanNewColours(picture, seen, progress, [&](std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        if (index >= 0 && index < limit && std::uint64_t(index) < palette.size())
            palette[std::size_t(index)] = {r, g, b, 0};
        ++index;
    });
    return index > INT32_MAX ? INT32_MAX : int(index);
}

int Count15BitCells(const Picture& picture) {
    auto cells = std::make_unique<std::bitset<kCellCount>>();
    int count = 0;
    const int width = picture.Width();
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* p = picture.Row(y).data();
        for (int x = 0; x < width; ++x, p += 3) {
            const int cell = CellIndex(p[2], p[1], p[0]);
            if (!cells->test(std::size_t(cell))) {
                cells->set(std::size_t(cell));
                ++count;
            }
        }
    }
    return count;
}

}  // namespace lp
