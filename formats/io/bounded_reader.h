#pragma once
#include "base/imp_exp_exception.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace lp {

/// Thrown by BoundedReader when a read would pass the end of its data. It is an
/// InnerError, so codecs that do not care about truncation get the plain text.
class TruncatedInput : public InnerError {
public:
    using InnerError::InnerError;
};

/// The one byte source under every decoder we write: never reads past the data
/// it was given; all positions and sizes are 64-bit.
class BoundedReader {
public:
    explicit BoundedReader(std::span<const std::uint8_t> data, std::string endMessage = "End of file")
        : m_data(data), m_endMessage(std::move(endMessage)) {}

    std::uint64_t Size() const { return m_data.size(); }
    std::uint64_t Position() const { return m_pos; }
    std::uint64_t Remaining() const { return m_data.size() - m_pos; }
    bool AtEnd() const { return m_pos >= m_data.size(); }

    /// Moves to an absolute position; past the end throws.
    void Seek(std::uint64_t position);
    void Skip(std::uint64_t count);

    std::uint8_t U8();
    std::uint16_t U16LE();
    std::uint32_t U32LE();
    std::int32_t I32LE() { return static_cast<std::int32_t>(U32LE()); }
    std::uint16_t U16BE();
    std::uint32_t U32BE();

    /// Exactly count bytes, or TruncatedInput.
    std::span<const std::uint8_t> Bytes(std::uint64_t count);
    /// Up to count bytes: whatever is left when the data ends early.
    std::span<const std::uint8_t> BytesUpTo(std::uint64_t count);
    /// The unread rest of the data.
    std::span<const std::uint8_t> Rest() const { return m_data.subspan(m_pos); }

    [[noreturn]] void ThrowTruncated() const { throw TruncatedInput(m_endMessage); }

private:
    void Need(std::uint64_t count) const {
        if (count > Remaining()) ThrowTruncated();
    }
    std::span<const std::uint8_t> m_data;
    std::uint64_t m_pos = 0;
    std::string m_endMessage;
};

/// Reads a whole file into memory; refuses files over maxBytes. Throws
/// InnerError(openMessage) when the file cannot be opened or read.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path, const std::string& openMessage,
                                        std::uint64_t maxBytes = std::uint64_t(4) << 30);

}  // namespace lp
