#pragma once
#include <cstdint>
#include <span>
#include <vector>

namespace lp {

/// Where an encoder puts the bytes of a file, in order. Encoders that can write
/// as they go take one, so a save streams into the file instead of holding the
/// whole encoded file beside the picture.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    /// Throws InnerError (FileWriteError for a file) when the bytes cannot be stored.
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;
    /// Bytes taken so far.
    std::uint64_t Written() const { return m_written; }

protected:
    void Count(std::size_t bytes) { m_written += bytes; }

private:
    std::uint64_t m_written = 0;
};

/// Appends to a vector: an encode in memory.
class VectorSink final : public ByteSink {
public:
    explicit VectorSink(std::vector<std::uint8_t>& out) : m_out(out) {}
    void Write(std::span<const std::uint8_t> bytes) override {
        m_out.insert(m_out.end(), bytes.begin(), bytes.end());
        Count(bytes.size());
    }

private:
    std::vector<std::uint8_t>& m_out;
};

/// Keeps nothing: measures the size a file would have.
class CountingSink final : public ByteSink {
public:
    void Write(std::span<const std::uint8_t> bytes) override { Count(bytes.size()); }
};

}  // namespace lp
