#include "formats/tiff/tiff_lzw.h"

#include <algorithm>
#include <cstring>

#include "formats/tiff/tiff_file.h"

namespace lp {

namespace {
constexpr int kClearCode = 256;
constexpr int kEndCode = 257;
constexpr int kFirstFree = 258;
constexpr int kMaxWidth = 12;
}  // namespace

// The window starts with the 256 literals, so that a literal code is an entry
// like any other and decoding needs no separate path for it.
TiffLzwDecoder::TiffLzwDecoder(std::span<const std::uint8_t> source) {
    m_window.resize(kLiterals + kTableSize + 16);
    for (std::uint32_t i = 0; i < kLiterals; ++i) {
        m_window[i] = static_cast<std::uint8_t>(i);
        m_table[i] = Entry{i, 1};
    }
    Restart(source);
}

void TiffLzwDecoder::Restart(std::span<const std::uint8_t> source) {
    m_source = source;
    m_pos = 0;
    m_bits = 0;
    m_bitCount = 0;
    m_ended = false;
    m_windowSize = kLiterals;
    m_delivered = kLiterals;
    m_compactAt = kCompactMinimum;
    Reset();
}

void TiffLzwDecoder::Reset() {
    m_width = 9;
    m_nextFree = kFirstFree;
    m_previous = -1;
}

void TiffLzwDecoder::Reserve() {
    constexpr std::size_t kRoom = kTableSize + 16;
    if (m_windowSize + kRoom > m_window.size()) m_window.resize(std::max(m_window.size() * 2, m_windowSize + kRoom));
}

void TiffLzwDecoder::Compact() {
    const std::size_t waiting = m_windowSize - m_delivered;
    std::size_t total = waiting;
    for (int code = kFirstFree; code < kTableSize; ++code) total += m_table[static_cast<std::size_t>(code)].length;
    std::vector<std::uint8_t> fresh(kLiterals + total + kTableSize + 16);
    std::memcpy(fresh.data(), m_window.data(), kLiterals);
    std::size_t at = kLiterals;
    for (int code = kFirstFree; code < kTableSize; ++code) {
        Entry& e = m_table[static_cast<std::size_t>(code)];
        std::memcpy(fresh.data() + at, m_window.data() + e.offset, e.length);
        e.offset = static_cast<std::uint32_t>(at);
        at += e.length;
    }
    std::memcpy(fresh.data() + at, m_window.data() + m_delivered, waiting);
    m_delivered = at;
    m_windowSize = at + waiting;
    m_window = std::move(fresh);
    // Compact again only once the window has doubled, so the work stays linear.
    m_compactAt = std::max(kCompactMinimum, 2 * m_windowSize);
}

void TiffLzwDecoder::Fill(std::size_t want) {
    // The state lives in locals while decoding so that it stays in registers.
    const std::uint8_t* const source = m_source.data();
    const std::size_t sourceSize = m_source.size();
    std::size_t pos = m_pos;
    std::uint64_t bits = m_bits;
    int bitCount = m_bitCount;
    int width = m_width;
    int nextFree = m_nextFree;
    int previous = m_previous;
    std::uint32_t previousOffset = m_previousOffset;
    std::uint32_t previousLength = m_previousLength;
    std::size_t size = m_windowSize;
    Entry* const table = m_table.data();
    std::uint8_t* window = m_window.data();
    std::size_t capacity = m_window.size();
    std::uint32_t mask = (1u << width) - 1;
    int growAt = (1 << width) - 2;  // the entry after which the codes grow by one bit

    while (size - m_delivered < want) {
        // Next code, most significant bit first; four bytes at a time while
        // they last (at most 11 bits are left over, so 43 fit in the buffer).
        if (bitCount < width) {
            if (sourceSize - pos >= 4) {
                bits = (bits << 32) | (std::uint32_t(source[pos]) << 24) | (std::uint32_t(source[pos + 1]) << 16) |
                       (std::uint32_t(source[pos + 2]) << 8) | source[pos + 3];
                pos += 4;
                bitCount += 32;
            } else {
                while (bitCount < width && pos < sourceSize) {
                    bits = (bits << 8) | source[pos++];
                    bitCount += 8;
                }
                if (bitCount < width) {
                    m_ended = true;  // no whole code left
                    break;
                }
            }
        }
        bitCount -= width;
        const int code = static_cast<int>((bits >> bitCount) & mask);

        if (code == kEndCode) {
            m_ended = true;
            break;
        }
        if (code == kClearCode) {
            width = 9;
            mask = (1u << width) - 1;
            growAt = (1 << width) - 2;
            nextFree = kFirstFree;
            previous = -1;
            // Nothing refers to the strings any more: keep the literals and
            // what the caller has not had.
            const std::size_t waiting = size - m_delivered;
            std::memmove(window + kLiterals, window + m_delivered, waiting);
            m_delivered = kLiterals;
            size = kLiterals + waiting;
            m_compactAt = std::max(kCompactMinimum, 2 * waiting);
            continue;
        }
        if (size + kTableSize + 16 > capacity) {
            m_windowSize = size;
            Reserve();
            window = m_window.data();
            capacity = m_window.size();
        }
        std::uint8_t* const dst = window + size;
        if (previous < 0) {
            // Right after a clear only a literal can follow.
            if (code > 255) throw TiffStatusError(kTiffCorrupted);
            *dst = static_cast<std::uint8_t>(code);
            previous = code;
            previousOffset = static_cast<std::uint32_t>(size);
            previousLength = 1;
            ++size;
            continue;
        }
        std::uint32_t length;
        if (code < nextFree) {
            const Entry e = table[code];
            length = e.length;
            const std::uint8_t* src = window + e.offset;
            if (length <= 16) {
                // The string ends where the window's used part ends at the
                // latest, so loading 16 bytes before storing them is safe.
                std::uint64_t a, b;
                std::memcpy(&a, src, 8);
                std::memcpy(&b, src + 8, 8);
                std::memcpy(dst, &a, 8);
                std::memcpy(dst + 8, &b, 8);
            } else {
                std::memcpy(dst, src, length);
            }
        } else if (code == nextFree && nextFree < kTableSize) {
            // Not yet in the table: the previous string followed by its own first byte.
            length = previousLength + 1;
            std::memcpy(dst, window + previousOffset, previousLength);
            dst[previousLength] = window[previousOffset];
        } else {
            throw TiffStatusError(kTiffCorrupted);
        }
        // The new entry: the previous string and the byte that follows it in
        // the window (the first byte of this string). The table holds 4096
        // entries; once full it stays as it is (and 12 bits wide) until the
        // next clear code.
        if (nextFree < kTableSize) {
            table[nextFree] = Entry{previousOffset, previousLength + 1};
            if (nextFree == growAt && width < kMaxWidth) {
                ++width;
                mask = (1u << width) - 1;
                growAt = (1 << width) - 2;
            }
            ++nextFree;
        }
        previous = code;
        previousOffset = static_cast<std::uint32_t>(size);
        previousLength = length;
        size += length;
        if (nextFree >= kTableSize && size > m_compactAt) {
            m_windowSize = size;
            Compact();
            size = m_windowSize;
            window = m_window.data();
            capacity = m_window.size();
        }
    }
    m_pos = pos;
    m_bits = bits;
    m_bitCount = bitCount;
    m_width = width;
    m_nextFree = nextFree;
    m_previous = previous;
    m_previousOffset = previousOffset;
    m_previousLength = previousLength;
    m_windowSize = size;
}

std::size_t TiffLzwDecoder::Read(std::span<std::uint8_t> out) {
    if (m_windowSize - m_delivered < out.size() && !m_ended) Fill(out.size());
    const std::size_t n = std::min(out.size(), m_windowSize - m_delivered);
    std::memcpy(out.data(), m_window.data() + m_delivered, n);
    m_delivered += n;
    return n;
}

namespace {

// Codes packed from the most significant bit, into space reserved up front:
// a strip of n bytes needs at most n + 2 codes of 12 bits plus a clear code
// for every 3836 codes.
class CodeWriter {
public:
    CodeWriter(std::vector<std::uint8_t>& out, std::size_t inputBytes) : m_out(out), m_start(out.size()) {
        const std::size_t codes = inputBytes + 3 + inputBytes / 3000;
        m_out.resize(m_start + codes * 12 / 8 + 8);
        m_p = m_out.data() + m_start;
    }
    void Put(std::uint32_t code, int width) {
        m_acc = (m_acc << width) | code;
        m_count += width;
        while (m_count >= 8) {
            m_count -= 8;
            *m_p++ = static_cast<std::uint8_t>(m_acc >> m_count);
        }
    }
    // Pads the last byte with zero bits and gives back the unused space.
    void Finish() {
        if (m_count > 0) *m_p++ = static_cast<std::uint8_t>(m_acc << (8 - m_count));
        m_count = 0;
        m_out.resize(static_cast<std::size_t>(m_p - m_out.data()));
    }

private:
    std::vector<std::uint8_t>& m_out;
    std::size_t m_start;
    std::uint8_t* m_p = nullptr;
    std::uint64_t m_acc = 0;
    int m_count = 0;
};

}  // namespace

TiffLzwEncoder::TiffLzwEncoder() : m_slots(kSlots, Slot{0, 0}) {}

void TiffLzwEncoder::NewTable() {
    if (++m_current == 0) {
        std::fill(m_slots.begin(), m_slots.end(), Slot{0, 0});
        m_current = 1;
    }
}

void TiffLzwEncoder::Encode(std::span<const std::uint8_t> strip, std::vector<std::uint8_t>& out) {
    CodeWriter writer(out, strip.size());
    int width = 9;
    std::uint32_t nextFree = kFirstFree;
    NewTable();
    writer.Put(kClearCode, width);
    if (strip.empty()) {
        writer.Put(kEndCode, width);
        writer.Finish();
        return;
    }
    Slot* const slots = m_slots.data();
    std::uint32_t current = m_current;
    std::uint32_t prefix = strip[0];
    for (std::size_t i = 1; i < strip.size(); ++i) {
        const std::uint32_t byte = strip[i];
        const std::uint32_t key = (prefix << 8) | byte;  // 20 bits
        // A multiplicative hash (its top bits) spreads the dense (prefix, byte)
        // keys; a sum of prefix and byte clusters them into long probe runs.
        const std::uint32_t first = (key * 2654435761u) >> (32 - kSlotBits);
        std::uint32_t slot = first;
        bool found = false;
        for (;;) {
            const Slot& s = slots[slot];
            if (s.stamp != current) break;
            if ((s.keyAndCode >> 12) == key) {
                found = true;
                break;
            }
            slot = (slot + 1) & (kSlots - 1);
        }
        if (found) {
            prefix = slots[slot].keyAndCode & 0xFFF;
            continue;
        }
        writer.Put(prefix, width);
        slots[slot] = Slot{current, (key << 12) | nextFree};
        const std::uint32_t assigned = nextFree++;
        if (assigned == 511 || assigned == 1023 || assigned == 2047) {
            ++width;
        } else if (assigned == 4093) {
            writer.Put(kClearCode, width);
            width = 9;
            nextFree = kFirstFree;
            NewTable();
            current = m_current;
        }
        prefix = byte;
    }
    writer.Put(prefix, width);
    // Reading that last code the decoder adds the entry assigned last; when that entry is
    // 510, 1022 or 2046 it widens before the end code, so the end code is wider too.
    const std::uint32_t lastAssigned = nextFree - 1;
    if (lastAssigned == 510 || lastAssigned == 1022 || lastAssigned == 2046) ++width;
    writer.Put(kEndCode, width);
    writer.Finish();
}

std::uint64_t TiffLzwMostBytes(std::uint64_t bytes) {
    // Without a clear code the n-th code gives at most n bytes until the table is full,
    // then at most the longest entry; codes are taken as narrow as they can be.
    std::uint64_t bits = bytes * 8;
    int width = 9;
    std::uint32_t next = kFirstFree;
    std::uint64_t length = 0;
    std::uint64_t out = 0;
    while (bits >= std::uint64_t(width)) {
        bits -= std::uint64_t(width);
        out += ++length;
        if (next >= 4096) return out + bits / kMaxWidth * (length + 1);
        if (++next > (1u << width) && width < kMaxWidth) ++width;
    }
    return out;
}

void TiffLzwEncode(std::span<const std::uint8_t> strip, std::vector<std::uint8_t>& out) {
    TiffLzwEncoder encoder;
    encoder.Encode(strip, out);
}

}  // namespace lp
