#pragma once
// Appends little-endian fields to a byte buffer; shared by the binary vector
// writers (LVF, WMF, EMF).
#include <cstdint>
#include <vector>

namespace lp {

class LittleEndianBytes {
public:
    void U8(std::uint8_t v) { m_bytes.push_back(v); }
    void U16(std::uint16_t v) {
        m_bytes.push_back(std::uint8_t(v));
        m_bytes.push_back(std::uint8_t(v >> 8));
    }
    void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) m_bytes.push_back(std::uint8_t(v >> (8 * i)));
    }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    /// Overwrites a 32-bit field written earlier (sizes known only at the end).
    void PatchU32(std::size_t offset, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) m_bytes[offset + std::size_t(i)] = std::uint8_t(v >> (8 * i));
    }
    void PatchU16(std::size_t offset, std::uint16_t v) {
        m_bytes[offset] = std::uint8_t(v);
        m_bytes[offset + 1] = std::uint8_t(v >> 8);
    }
    std::size_t Size() const { return m_bytes.size(); }
    std::vector<std::uint8_t>& Bytes() { return m_bytes; }
    std::vector<std::uint8_t> Take() { return std::move(m_bytes); }

private:
    std::vector<std::uint8_t> m_bytes;
};

}  // namespace lp
