#pragma once
// The LZW of TIFF 6.0: codes packed from the most significant bit, 9 to 12 bits
// wide, clear code 256, end code 257, first free entry 258, the width growing
// one code early. Each strip is a stream of its own.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace lp {

/// Decodes one LZW strip on demand. Read() hands out the decoded bytes in
/// order; what was decoded beyond the space asked for is kept for the next call.
///
/// The table does not store strings as chains of prefixes: every string is
/// decoded into a window of the output since the last clear code, and an
/// entry is the place of its string in that window (a new entry is the
/// previous string plus the byte that follows it there). Decoding a code is
/// then one short copy.
class TiffLzwDecoder {
public:
    explicit TiffLzwDecoder(std::span<const std::uint8_t> source = {});
    /// Starts over on another strip.
    void Restart(std::span<const std::uint8_t> source);

    /// Fills out with decoded bytes; returns how many were produced, fewer than
    /// out.size() only when the data ended (end code or end of the source).
    /// Throws TiffStatusError(kTiffCorrupted) for a code past the table or a
    /// first code after a clear that is not a literal.
    std::size_t Read(std::span<std::uint8_t> out);

private:
    static constexpr int kTableSize = 4096;
    static constexpr std::uint32_t kLiterals = 256;
    struct Entry {
        std::uint32_t offset;  // in the window
        std::uint32_t length;
    };
    // Decodes codes until at least want bytes wait in the window or the data ends.
    void Fill(std::size_t want);
    void Reset();
    // Room for one more string (at most 4096 bytes) and a 16-byte overrun.
    void Reserve();
    // With the table full no entry changes until a clear: keep only the bytes
    // the entries and the caller still need.
    void Compact();

    std::span<const std::uint8_t> m_source;
    std::size_t m_pos = 0;
    std::uint64_t m_bits = 0;
    int m_bitCount = 0;
    int m_width = 9;
    int m_nextFree = 258;
    int m_previous = -1;  // -1 right after a clear (or at the start)
    bool m_ended = false;
    std::uint32_t m_previousOffset = 0;  // where the previous code's string sits in the window
    std::uint32_t m_previousLength = 0;
    std::array<Entry, kTableSize> m_table{};
    std::vector<std::uint8_t> m_window;  // size() is the capacity; m_windowSize bytes are used
    std::size_t m_windowSize = 0;
    std::size_t m_delivered = 0;  // bytes of the window already handed out
    static constexpr std::size_t kCompactMinimum = std::size_t(4) << 20;
    std::size_t m_compactAt = kCompactMinimum;
};

/// Encodes strips one at a time; the hash table is kept between strips so a
/// picture of many one-row strips does not pay for a fresh table each time.
class TiffLzwEncoder {
public:
    TiffLzwEncoder();
    /// Appends the encoding of one strip to out: a clear code, the codes, the
    /// end code, the last byte filled with zero bits on the right.
    void Encode(std::span<const std::uint8_t> strip, std::vector<std::uint8_t>& out);

private:
    // (prefix, byte) -> code, open addressing over 16384 slots with linear
    // probing (at most 3836 entries, under a quarter full, so probe runs stay
    // short and a free slot is always found; the table still fits in L2). A slot is in use only when its stamp equals the current one, so
    // restarting the table is one increment.
    static constexpr int kSlotBits = 14;
    static constexpr std::uint32_t kSlots = 1u << kSlotBits;
    struct Slot {
        std::uint32_t stamp;
        std::uint32_t keyAndCode;  // prefix (12 bits), byte (8), code (12)
    };
    void NewTable();
    std::vector<Slot> m_slots;
    std::uint32_t m_current = 0;
};

/// Convenience for one strip.
/// Most bytes LZW data of this size can decode to (a generous bound).
std::uint64_t TiffLzwMostBytes(std::uint64_t bytes);

void TiffLzwEncode(std::span<const std::uint8_t> strip, std::vector<std::uint8_t>& out);

}  // namespace lp
