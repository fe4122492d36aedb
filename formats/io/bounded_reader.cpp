#include "formats/io/bounded_reader.h"

#include <cstdio>
#include <memory>

namespace lp {

void BoundedReader::Seek(std::uint64_t position) {
    if (position > m_data.size()) ThrowTruncated();
    m_pos = position;
}

void BoundedReader::Skip(std::uint64_t count) {
    Need(count);
    m_pos += count;
}

std::uint8_t BoundedReader::U8() {
    Need(1);
    return m_data[m_pos++];
}

std::uint16_t BoundedReader::U16LE() {
    Need(2);
    const auto v = static_cast<std::uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
    m_pos += 2;
    return v;
}

std::uint32_t BoundedReader::U32LE() {
    Need(4);
    const std::uint32_t v = std::uint32_t(m_data[m_pos]) | (std::uint32_t(m_data[m_pos + 1]) << 8) |
                            (std::uint32_t(m_data[m_pos + 2]) << 16) | (std::uint32_t(m_data[m_pos + 3]) << 24);
    m_pos += 4;
    return v;
}

std::uint16_t BoundedReader::U16BE() {
    Need(2);
    const auto v = static_cast<std::uint16_t>((m_data[m_pos] << 8) | m_data[m_pos + 1]);
    m_pos += 2;
    return v;
}

std::uint32_t BoundedReader::U32BE() {
    Need(4);
    const std::uint32_t v = (std::uint32_t(m_data[m_pos]) << 24) | (std::uint32_t(m_data[m_pos + 1]) << 16) |
                            (std::uint32_t(m_data[m_pos + 2]) << 8) | std::uint32_t(m_data[m_pos + 3]);
    m_pos += 4;
    return v;
}

std::span<const std::uint8_t> BoundedReader::Bytes(std::uint64_t count) {
    Need(count);
    auto out = m_data.subspan(m_pos, count);
    m_pos += count;
    return out;
}

std::span<const std::uint8_t> BoundedReader::BytesUpTo(std::uint64_t count) {
    const std::uint64_t n = count < Remaining() ? count : Remaining();
    auto out = m_data.subspan(m_pos, n);
    m_pos += n;
    return out;
}

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path, const std::string& openMessage,
                                        std::uint64_t maxBytes) {
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "rb"));
    if (!file) throw InnerError(openMessage);
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw InnerError(openMessage);
    std::vector<std::uint8_t> data;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec) {
        if (size > maxBytes) throw InnerError("File too large");
        data.reserve(static_cast<std::size_t>(size));
    }
    std::uint8_t block[65536];
    for (;;) {
        const std::size_t n = std::fread(block, 1, sizeof block, file.get());
        if (n > 0) {
            if (data.size() + n > maxBytes) throw InnerError("File too large");
            data.insert(data.end(), block, block + n);
        }
        if (n < sizeof block) {
            if (std::ferror(file.get())) throw InnerError(openMessage);
            break;
        }
    }
    return data;
}

}  // namespace lp
