#include "formats/gif/gif_lzw.h"

#include <algorithm>
#include <cstring>

namespace lp {

// ---------------------------------------------------------------------------
// Decoder

GifLzwDecoder::GifLzwDecoder(int minCodeSize, std::span<const std::uint8_t> data)
    : m_data(data), m_minCodeSize(minCodeSize), m_clearCode(1 << minCodeSize), m_endCode((1 << minCodeSize) + 1) {
    for (int i = 0; i < m_clearCode; ++i) {
        m_prefix[i] = 0;
        m_suffix[i] = static_cast<std::uint16_t>(i);
        m_first[i] = static_cast<std::uint16_t>(i);
        m_length[i] = 1;
    }
    ResetTable();
}

void GifLzwDecoder::ResetTable() {
    m_nextFree = m_clearCode + 2;
    m_codeWidth = m_minCodeSize + 1;
    m_previous = -1;
}

int GifLzwDecoder::NextCode() {
    if (m_bitCount < m_codeWidth) {
        while (m_bitCount <= 56 && m_bytePos < m_data.size()) {
            m_bitBuffer |= std::uint64_t(m_data[m_bytePos++]) << m_bitCount;
            m_bitCount += 8;
        }
        if (m_bitCount < m_codeWidth) return -1;  // a partial last code is no code
    }
    const int code = static_cast<int>(m_bitBuffer & ((1u << m_codeWidth) - 1));
    m_bitBuffer >>= m_codeWidth;
    m_bitCount -= m_codeWidth;
    return code;
}

void GifLzwDecoder::WriteString(int code, int extra, std::uint16_t* out, int length) const {
    int p = length - 1;
    if (extra >= 0) out[p--] = static_cast<std::uint16_t>(extra);
    while (p >= 0) {
        out[p--] = m_suffix[code];
        code = m_prefix[code];
    }
}

std::size_t GifLzwDecoder::Read(std::span<std::uint16_t> out) {
    const std::size_t wanted = out.size();
    std::size_t pos = 0;
    if (m_pendingCount > 0) {
        const int n = static_cast<int>(std::min<std::size_t>(std::size_t(m_pendingCount), wanted));
        std::copy_n(m_pending.begin() + m_pendingStart, n, out.begin());
        m_pendingStart += n;
        m_pendingCount -= n;
        pos = std::size_t(n);
    }
    while (pos < wanted && !m_finished) {
        int code = NextCode();
        if (code < 0) {
            m_finished = true;
            break;
        }
        if (code == m_clearCode) {
            ResetTable();
            continue;
        }
        if (code == m_endCode) {
            m_finished = true;
            m_sawEndCode = true;
            break;
        }
        int stringCode;
        int extra = -1;
        int length;
        if (m_previous < 0) {
            // Right after a clear only roots make sense.
            if (code >= m_clearCode) code = 0;
            stringCode = code;
            length = 1;
        } else {
            if (code < m_nextFree) {
                stringCode = code;
                length = m_length[code];
            } else if (code == m_nextFree) {
                // The string being defined: previous string plus its own first pixel.
                stringCode = m_previous;
                extra = m_first[m_previous];
                length = m_length[m_previous] + 1;
            } else {
                code = 0;
                stringCode = 0;
                length = 1;
            }
            if (m_nextFree < kGifTableSize) {
                const int entry = m_nextFree++;
                m_prefix[entry] = static_cast<std::uint16_t>(m_previous);
                m_suffix[entry] = extra >= 0 ? static_cast<std::uint16_t>(extra) : m_first[stringCode];
                m_first[entry] = m_first[m_previous];
                m_length[entry] = static_cast<std::uint16_t>(m_length[m_previous] + 1);
                // ">=" rather than "==" so that a minimum code size of 1, whose
                // first free entry already needs a wider code, stays decodable.
                if (m_nextFree >= (1 << m_codeWidth) && m_codeWidth < kGifMaxCodeBits) ++m_codeWidth;
            }
        }
        m_previous = code;

        const std::size_t room = wanted - pos;
        if (std::size_t(length) <= room) {
            WriteString(stringCode, extra, out.data() + pos, length);
            pos += std::size_t(length);
        } else {
            WriteString(stringCode, extra, m_pending.data(), length);
            std::copy_n(m_pending.begin(), room, out.begin() + static_cast<std::ptrdiff_t>(pos));
            m_pendingStart = static_cast<int>(room);
            m_pendingCount = length - static_cast<int>(room);
            pos = wanted;
        }
    }
    return pos;
}

// ---------------------------------------------------------------------------
// Encoder

GifLzwEncoder::GifLzwEncoder(int minCodeSize, std::vector<std::uint8_t>& out)
    : m_out(out),
      m_minCodeSize(minCodeSize),
      m_clearCode(1 << minCodeSize),
      m_endCode((1 << minCodeSize) + 1),
      m_hash(std::size_t(1) << kHashBits, 0) {
    ResetTable();
    PutCode(m_clearCode);
}

void GifLzwEncoder::ResetTable() {
    std::fill(m_hash.begin(), m_hash.end(), 0u);
    m_nextFree = m_clearCode + 2;
    m_codeWidth = m_minCodeSize + 1;
}

void GifLzwEncoder::FlushBlock() {
    if (m_blockLength == 0) return;
    m_out.push_back(static_cast<std::uint8_t>(m_blockLength));
    m_out.insert(m_out.end(), m_block.begin(), m_block.begin() + m_blockLength);
    m_blockLength = 0;
}

void GifLzwEncoder::PutCode(int code) {
    m_bitBuffer |= std::uint32_t(code) << m_bitCount;
    m_bitCount += m_codeWidth;
    while (m_bitCount >= 8) {
        m_block[std::size_t(m_blockLength++)] = static_cast<std::uint8_t>(m_bitBuffer);
        m_bitBuffer >>= 8;
        m_bitCount -= 8;
        if (m_blockLength == int(m_block.size())) FlushBlock();
    }
}

void GifLzwEncoder::Add(std::span<const std::uint8_t> pixels) {
    constexpr std::uint32_t kMask = (1u << kHashBits) - 1;
    std::uint32_t* const table = m_hash.data();
    // The hot loop works on locals; they go back to the members at the end.
    int prefix = m_prefix;
    int nextFree = m_nextFree;
    int codeWidth = m_codeWidth;
    std::uint32_t bitBuffer = m_bitBuffer;
    int bitCount = m_bitCount;
    const auto put = [&](int code) {
        bitBuffer |= std::uint32_t(code) << bitCount;
        bitCount += codeWidth;
        while (bitCount >= 8) {
            m_block[std::size_t(m_blockLength++)] = static_cast<std::uint8_t>(bitBuffer);
            bitBuffer >>= 8;
            bitCount -= 8;
            if (m_blockLength == int(m_block.size())) FlushBlock();
        }
    };
    for (const std::uint8_t pixel : pixels) {
        if (prefix < 0) {
            prefix = pixel;
            continue;
        }
        const std::uint32_t key = (std::uint32_t(prefix) << 8) | pixel;
        std::uint32_t slot = (key * 2654435761u) >> (32 - kHashBits);
        std::uint32_t e;
        while ((e = table[slot]) != 0 && (e >> 12) != key) slot = (slot + 1) & kMask;
        if (e != 0) {
            prefix = static_cast<int>(e & 0xFFF);
            continue;
        }
        put(prefix);
        if (nextFree < kGifTableSize) {
            const int entry = nextFree++;
            table[slot] = (key << 12) | std::uint32_t(entry);
            // The decoder defines this entry one code later; from then on it
            // reads codes one bit wider.
            if (entry == (1 << codeWidth) && codeWidth < kGifMaxCodeBits) ++codeWidth;
        } else {
            put(m_clearCode);
            ResetTable();
            nextFree = m_nextFree;
            codeWidth = m_codeWidth;
        }
        prefix = pixel;
    }
    m_prefix = prefix;
    m_nextFree = nextFree;
    m_codeWidth = codeWidth;
    m_bitBuffer = bitBuffer;
    m_bitCount = bitCount;
}

void GifLzwEncoder::Finish() {
    if (m_prefix >= 0) {
        PutCode(m_prefix);
        // The decoder adds an entry after this code too, which may widen the end code.
        if (m_nextFree < kGifTableSize && m_nextFree == (1 << m_codeWidth) && m_codeWidth < kGifMaxCodeBits)
            ++m_codeWidth;
    }
    PutCode(m_endCode);
    if (m_bitCount > 0) {
        m_block[std::size_t(m_blockLength++)] = static_cast<std::uint8_t>(m_bitBuffer);
        m_bitBuffer = 0;
        m_bitCount = 0;
        if (m_blockLength == int(m_block.size())) FlushBlock();
    }
    FlushBlock();
    m_out.push_back(0);
    m_prefix = -1;
}

}  // namespace lp
