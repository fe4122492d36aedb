// Large buffers live in their own mappings; they must behave as any vector's memory.
#include <gtest/gtest.h>

#include <cstdint>

#include "base/large_buffer.h"
#include "imaging/picture.h"

namespace lp {
namespace {

TEST(LargeBuffer, SmallAndLargeBuffersKeepTheirBytesThroughGrowthCopiesAndMoves) {
    for (const std::size_t size : {std::size_t(100), std::size_t(2) << 20, (std::size_t(5) << 20) + 12345}) {
        SCOPED_TRACE(size);
        ByteBuffer buffer(size);
        for (std::size_t i = 0; i < size; ++i) buffer[i] = std::uint8_t(i * 31 + 7);
        buffer.resize(size * 2 + 1);  // moves into a larger block
        for (std::size_t i = size; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0) << i;
        const ByteBuffer copy = buffer;
        ByteBuffer moved = std::move(buffer);
        bool same = true;
        for (std::size_t i = 0; i < size; ++i) same = same && copy[i] == std::uint8_t(i * 31 + 7) && moved[i] == copy[i];
        EXPECT_TRUE(same);
        moved.shrink_to_fit();
    }
}

TEST(LargeBuffer, TheEdgesOfALargeBufferAreWritable) {
    // Exactly a few huge pages, and one byte past a boundary: the first and the
    // last byte of each must be inside the mapping.
    for (const std::size_t size : {std::size_t(4) << 20, (std::size_t(4) << 20) + 1}) {
        auto* bytes = static_cast<std::uint8_t*>(AllocateLargeBuffer(size));
        bytes[0] = 1;
        bytes[size - 1] = 2;
        EXPECT_EQ(bytes[0] + bytes[size - 1], 3);
        FreeLargeBuffer(bytes, size);
    }
}

TEST(LargeBuffer, APictureOfManyMegapixelsIsZeroedAndCopiesItsRows) {
    Picture picture;
    picture.Create(2000, 1500);  // 9 MB of rows
    EXPECT_EQ(picture.Row(0)[0], 0);
    EXPECT_EQ(picture.Row(1499)[5999], 0);
    picture.Row(1499)[5999] = 77;
    const Picture copy = picture;
    EXPECT_EQ(copy.Row(1499)[5999], 77);
    EXPECT_TRUE(copy.SamePixels(picture));
}

}  // namespace
}  // namespace lp
