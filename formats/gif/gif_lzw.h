#pragma once
// The LZW coder of GIF image data (variable-length codes of up to 12 bits,
// LSB first, a table of 4096 entries, clear and end codes). Private to the
// GIF reader and writer.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace lp {

inline constexpr int kGifMaxCodeBits = 12;
inline constexpr int kGifTableSize = 1 << kGifMaxCodeBits;

/// Decodes one image's LZW stream (its data sub-blocks already joined).
/// Codes past the next free table entry are taken as 0; a first code after a
/// clear that is not a root is taken as 0 too. Everything after the end code
/// is ignored. Pixel values are wider than a byte because a minimum code size
/// above 8 has roots up to 2047; callers map them through a table that large.
class GifLzwDecoder {
public:
    /// minCodeSize must lie in 1..11 (the reader refuses anything else).
    GifLzwDecoder(int minCodeSize, std::span<const std::uint8_t> data);

    /// Writes up to out.size() pixels; returns how many. Fewer than asked only
    /// when the stream is over (end code or no more data).
    std::size_t Read(std::span<std::uint16_t> out);

    /// True once the end code was read or the data ran out.
    bool Finished() const { return m_finished && m_pendingCount == 0; }
    /// True when the stream stopped at its end code (not for want of data).
    bool SawEndCode() const { return m_sawEndCode; }

private:
    int NextCode();
    void ResetTable();
    /// Writes the string of code (plus extra when extra >= 0) backwards ending at out[length - 1].
    void WriteString(int code, int extra, std::uint16_t* out, int length) const;

    std::span<const std::uint8_t> m_data;
    std::size_t m_bytePos = 0;
    std::uint64_t m_bitBuffer = 0;
    int m_bitCount = 0;

    int m_minCodeSize;
    int m_clearCode;
    int m_endCode;
    int m_codeWidth = 0;
    int m_nextFree = 0;
    int m_previous = -1;  // -1 right after a clear
    bool m_finished = false;
    bool m_sawEndCode = false;

    std::array<std::uint16_t, kGifTableSize> m_prefix{};
    std::array<std::uint16_t, kGifTableSize> m_suffix{};
    std::array<std::uint16_t, kGifTableSize> m_first{};
    std::array<std::uint16_t, kGifTableSize> m_length{};

    // The tail of a string that did not fit in the caller's buffer.
    std::array<std::uint16_t, kGifTableSize + 1> m_pending{};
    int m_pendingStart = 0;
    int m_pendingCount = 0;
};

/// Encodes pixel indexes into GIF image data: the first code is a clear, the
/// table restarts with a clear when it holds 4096 entries, the last code is
/// followed by the end code, and the bytes go out in data sub-blocks of 254
/// bytes followed by the 0 terminator.
class GifLzwEncoder {
public:
    /// minCodeSize 2..8; every pixel must be below 1 << minCodeSize.
    GifLzwEncoder(int minCodeSize, std::vector<std::uint8_t>& out);

    void Add(std::span<const std::uint8_t> pixels);
    /// Writes the last code, the end code, the final sub-block and the terminator.
    void Finish();

private:
    void PutCode(int code);
    void FlushBlock();
    void ResetTable();

    std::vector<std::uint8_t>& m_out;
    int m_minCodeSize;
    int m_clearCode;
    int m_endCode;
    int m_codeWidth = 0;
    int m_nextFree = 0;
    int m_prefix = -1;  // current string's code, -1 before the first pixel

    std::uint32_t m_bitBuffer = 0;
    int m_bitCount = 0;
    std::array<std::uint8_t, 254> m_block{};
    int m_blockLength = 0;

    // Open addressing: entry = (prefix << 8 | pixel) << 12 | code; 0 is empty
    // (no real entry has code 0).
    static constexpr int kHashBits = 14;
    std::vector<std::uint32_t> m_hash;
};

}  // namespace lp
