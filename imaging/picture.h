#pragma once
#include "base/large_buffer.h"
#include "imaging/image_size.h"

#include <cstdint>
#include <span>
#include <vector>

namespace lp {

/// One raster image in memory. Pixels are exchanged as 24-bit rows (blue,
/// green, red; rows padded to 4 bytes); row 0 is the bottom row.
/// An empty picture has no surface and reads as 0 x 0.
class Picture {
public:
    Picture() = default;
    virtual ~Picture() = default;
    Picture(const Picture&) = default;
    Picture& operator=(const Picture&) = default;
    Picture(Picture&&) noexcept = default;
    Picture& operator=(Picture&&) noexcept = default;

    /// New surface of width x height; any bits-per-pixel/planes request gets a
    /// 24-bit store (enough for every format the program reads). Throws
    /// ImpExpException("BITMAP.CPP", "Not Enough Memory", "Bitmap Error").
    void Create(std::int32_t width, std::int32_t height, int bitsPerPixel = 24, int planes = 1);
    void CreateCompatible(std::int32_t width, std::int32_t height) { Create(width, height); }
    void Destroy();
    bool IsEmpty() const { return m_width == 0; }

    std::int32_t Width() const { return m_width; }
    std::int32_t Height() const { return m_height; }
    std::size_t Stride() const { return m_stride; }
    /// Size of a row buffer for ReadRows/WriteRows of one row.
    std::size_t RowBufferBytes() const { return m_stride; }

    /// Copies rows [first, first+count) into buffer (count x Stride bytes);
    /// rows outside the picture are skipped. Returns rows read.
    int ReadRows(int first, int count, std::span<std::uint8_t> buffer) const;
    int WriteRows(int first, int count, std::span<const std::uint8_t> buffer);

    /// Direct access to one row (0 = bottom) for algorithms in the core.
    std::span<std::uint8_t> Row(int y) { return {m_pixels.data() + std::size_t(y) * m_stride, m_stride}; }
    std::span<const std::uint8_t> Row(int y) const {
        return {m_pixels.data() + std::size_t(y) * m_stride, m_stride};
    }
    /// Row counted from the top as displayed.
    std::span<std::uint8_t> RowFromTop(int y) { return Row(m_height - 1 - y); }
    std::span<const std::uint8_t> RowFromTop(int y) const { return Row(m_height - 1 - y); }

    /// Replaces this picture's surface with a copy of other's.
    void CopyFrom(const Picture& other);
    /// Adopts the surface of other (used by operations that replace the surface in place).
    void Adopt(Picture&& other);

    /// Fills every pixel with a 0x00BBGGRR colour.
    void Fill(std::int32_t colour);

    bool SamePixels(const Picture& other) const;

private:
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    std::size_t m_stride = 0;
    ByteBuffer m_pixels;  // large pictures sit in huge pages
};

}  // namespace lp
