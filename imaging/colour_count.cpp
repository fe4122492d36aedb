#include "imaging/colour_count.h"

#include "base/imp_exp_exception.h"

#include <array>
#include <bit>
#include <bitset>
#include <cstring>
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

// The bit of a word, looked up: a shift by a variable amount costs more.
constexpr std::array<std::uint64_t, 64> kWordBit = [] {
    std::array<std::uint64_t, 64> table{};
    for (unsigned i = 0; i < 64; ++i) table[i] = std::uint64_t(1) << i;
    return table;
}();

constexpr std::size_t kTallyWords = (std::size_t(1) << 24) / 64;

}  // namespace

ColourTally::ColourTally() {
    try {
        m_bits.assign(kTallyWords, 0);
    } catch (const std::bad_alloc&) {
        ThrowCountNoMemory();
    }
}

namespace {

inline void SetKey(std::uint64_t* bits, std::uint32_t key) { bits[key >> 6] |= kWordBit[key & 63]; }

// The pixel's three bytes as one 24-bit key (a different order of them on a
// big-endian processor, which counts the same). From a four-byte load, whose
// fourth byte belongs to the next pixel...
inline std::uint32_t KeyOf4(const std::uint8_t* bgr) {
    std::uint32_t key;
    std::memcpy(&key, bgr, sizeof key);
    if constexpr (std::endian::native == std::endian::little) return key & 0xFFFFFFu;
    return key >> 8;
}
// ... or from exactly three bytes, for a row's last pixel.
inline std::uint32_t KeyOf3(const std::uint8_t* bgr) {
    std::uint32_t key = 0;
    std::memcpy(&key, bgr, 3);
    if constexpr (std::endian::native == std::endian::little) return key;
    return key >> 8;
}

}  // namespace

void ColourTally::AddRow(const std::uint8_t* bgr, int width) {
    std::uint64_t* bits = m_bits.data();
    // No test for "seen before": setting a bit that is already set costs less
    // than the branch it would take, and TakeCount counts the bits once.
    int x = 0;
    for (; x + 1 < width; ++x, bgr += 3) SetKey(bits, KeyOf4(bgr));
    if (x < width) SetKey(bits, KeyOf3(bgr));
    ++m_rows;
}

void ColourTally::AddPicture(const Picture& picture) {
    for (int y = 0; y < picture.Height(); ++y) AddRow(picture.Row(y).data(), picture.Width());
}

// The processor's own population count where it has one (an ifunc picks it at load time).
__attribute__((target_clones("popcnt", "default"))) std::int64_t ColourTally::TakeCount() {
    std::int64_t count = 0;
    if (m_rows == 0) return 0;  // nothing was set
    for (std::uint64_t& word : m_bits) {
        if (word == 0) continue;
        count += std::popcount(word);
        word = 0;
    }
    m_rows = 0;
    return count;
}

ColourBitset::ColourBitset() {
    try {
        m_bits.assign(0x200000, 0);
    } catch (const std::bad_alloc&) {
        ThrowCountNoMemory();
    }
}

std::int64_t CountColours(const Picture& picture, ProgressSink* progress) {
    ColourTally tally;
    const int height = picture.Height();
    ProgressScope scope(progress, 0, height, kCountingText);
    for (int done = 0; done < height; ++done) {
        tally.AddRow(picture.RowFromTop(done).data(), picture.Width());
        scope.Step(done + 1);
    }
    return tally.TakeCount();
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
