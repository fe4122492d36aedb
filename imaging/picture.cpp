#include "imaging/picture.h"

#include "base/colour.h"
#include "base/imp_exp_exception.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace lp {

namespace {
[[noreturn]] void ThrowNoMemory() { throw ImpExpException("BITMAP.CPP", "Not Enough Memory", "Bitmap Error"); }
}  // namespace

void Picture::Create(std::int32_t width, std::int32_t height, int /*bitsPerPixel*/, int /*planes*/) {
    if (width <= 0 || height <= 0) ThrowNoMemory();
    try {
        CheckImageSize(width, height, ImageLimits{});
    } catch (const InnerError&) {
        ThrowNoMemory();
    }
    const std::uint64_t stride = RowBytes24(width);
    ByteBuffer pixels;
    try {
        pixels.assign(static_cast<std::size_t>(stride * static_cast<std::uint64_t>(height)), 0);
    } catch (const std::bad_alloc&) {
        ThrowNoMemory();
    }
    m_pixels = std::move(pixels);
    m_width = width;
    m_height = height;
    m_stride = static_cast<std::size_t>(stride);
}

void Picture::Destroy() {
    m_pixels = {};
    m_width = m_height = 0;
    m_stride = 0;
}

int Picture::ReadRows(int first, int count, std::span<std::uint8_t> buffer) const {
    int done = 0;
    for (int i = 0; i < count; ++i) {
        const int y = first + i;
        if (y < 0 || y >= m_height) continue;
        const std::size_t offset = std::size_t(i) * m_stride;
        if (offset + m_stride > buffer.size()) break;
        std::memcpy(buffer.data() + offset, Row(y).data(), m_stride);
        ++done;
    }
    return done;
}

int Picture::WriteRows(int first, int count, std::span<const std::uint8_t> buffer) {
    int done = 0;
    for (int i = 0; i < count; ++i) {
        const int y = first + i;
        if (y < 0 || y >= m_height) continue;
        const std::size_t offset = std::size_t(i) * m_stride;
        if (offset + m_stride > buffer.size()) break;
        std::memcpy(Row(y).data(), buffer.data() + offset, m_stride);
        ++done;
    }
    return done;
}

void Picture::CopyFrom(const Picture& other) {
    if (&other == this) return;
    try {
        m_pixels = other.m_pixels;
    } catch (const std::bad_alloc&) {
        throw ImpExpException("Copy bitmap", "Not Enough Memory", "Bitmap Error");
    }
    m_width = other.m_width;
    m_height = other.m_height;
    m_stride = other.m_stride;
}

void Picture::Adopt(Picture&& other) {
    m_pixels = std::move(other.m_pixels);
    m_width = other.m_width;
    m_height = other.m_height;
    m_stride = other.m_stride;
    other.Destroy();
}

void Picture::Fill(std::int32_t colour) {
    for (int y = 0; y < m_height; ++y) {
        auto row = Row(y);
        for (int x = 0; x < m_width; ++x) {
            row[x * 3] = BlueOf(colour);
            row[x * 3 + 1] = GreenOf(colour);
            row[x * 3 + 2] = RedOf(colour);
        }
    }
}

bool Picture::SamePixels(const Picture& other) const {
    if (m_width != other.m_width || m_height != other.m_height) return false;
    const std::size_t used = std::size_t(m_width) * 3;
    for (int y = 0; y < m_height; ++y)
        if (std::memcmp(Row(y).data(), other.Row(y).data(), used) != 0) return false;
    return true;
}

}  // namespace lp
