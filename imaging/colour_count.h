#pragma once
#include "base/colour.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

#include <cstdint>
#include <span>
#include <vector>

namespace lp {

/// Index of the 15-bit colour cell of (r, g, b): 5 bits per channel, red highest.
constexpr int CellIndex(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
}
inline constexpr int kCellCount = 32768;

/// The corner colour of a cell: each channel's low 3 bits clear.
constexpr ColourEntry CellCorner(int cell) {
    return {std::uint8_t((cell >> 10) << 3), std::uint8_t(((cell >> 5) & 31) << 3), std::uint8_t((cell & 31) << 3), 0};
}

/// One bit per 24-bit colour (2 MB), zero-filled on construction. Several
/// pictures may share one to gather their colours together.
class ColourBitset {
public:
    /// Throws ImpExpException("Bitmap Color Count Error", "Not Enough Memory", "Bitmap Error").
    ColourBitset();

    /// Sets the colour's bit; true when it was clear (a colour not seen before).
    bool Insert(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        // Byte (G + 256 R) * 32 + B / 8, bit B & 7.
        std::uint8_t& byte = m_bits[(std::size_t(g) + 256 * std::size_t(r)) * 32 + (b >> 3)];
        const std::uint8_t bit = std::uint8_t(1u << (b & 7));
        if (byte & bit) return false;
        byte |= bit;
        return true;
    }
    bool Contains(std::uint8_t r, std::uint8_t g, std::uint8_t b) const {
        return (m_bits[(std::size_t(g) + 256 * std::size_t(r)) * 32 + (b >> 3)] >> (b & 7)) & 1;
    }

private:
    std::vector<std::uint8_t> m_bits;
};

/// Distinct 24-bit colours of rows handed over one at a time, so a decoder can
/// count its output rows while they are still in the cache. Reusable: TakeCount
/// empties it by clearing only the words it set, so one tally serves many
/// pictures without writing 2 MB each time.
class ColourTally {
public:
    /// Throws ImpExpException("Bitmap Color Count Error", "Not Enough Memory", "Bitmap Error").
    ColourTally();

    /// Adds width pixels of a 24-bit row (blue, green, red).
    void AddRow(const std::uint8_t* bgr, int width);
    /// Adds every row of the picture.
    void AddPicture(const Picture& picture);
    /// Rows added since the tally was last emptied.
    std::int64_t Rows() const { return m_rows; }
    /// The number of distinct colours added since the tally was last emptied; empties it.
    std::int64_t TakeCount();
    /// Empties the tally.
    void Clear() { (void)TakeCount(); }

private:
    // One bit per colour 0xRRGGBB: bit (colour & 63) of word colour >> 6.
    std::vector<std::uint64_t> m_bits;
    std::int64_t m_rows = 0;
};

/// Number of distinct 24-bit colours. Progress "Counting Colors in the Picture ..", one step per row.
/// Throws ImpExpException("Bitmap Color Count Error", "Not Enough Memory", "Bitmap Error").
std::int64_t CountColours(const Picture& picture, ProgressSink* progress = nullptr);

/// Counts the distinct colours and, while fewer than 256 have been seen, writes each new colour
/// (R, G, B, 0) to the palette in scan order from the top row (never past the palette's end; an empty
/// palette only counts). Returns min(count, 256).
int CollectColours(const Picture& picture, std::span<ColourEntry> palette, ProgressSink* progress = nullptr);

/// Gathers the colours of several pictures into one palette: colours not yet in the shared bitset are
/// stored at the running index while it is below start + 256 (and inside the palette array).
/// Returns start plus the number of new colours seen, which may exceed the number stored.
int CollectColoursInto(const Picture& picture, ColourBitset& seen, std::span<ColourEntry> palette, int start,
                       ProgressSink* progress = nullptr);

/// Number of distinct 15-bit colour cells (0..32768): the colour count a reduction can reach.
int Count15BitCells(const Picture& picture);

}  // namespace lp
