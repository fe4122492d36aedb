#include "base/colour.h"
#include "base/imp_exp_exception.h"
#include "imaging/picture.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace lp {
namespace {

TEST(Picture, EmptyReadsAsZeroAndCopiesAsEmpty) {
    Picture empty;
    EXPECT_EQ(empty.Width(), 0);
    EXPECT_EQ(empty.Height(), 0);
    Picture copy = test::PatternPicture(3, 3);
    copy.CopyFrom(empty);
    EXPECT_EQ(copy.Width(), 0);
    EXPECT_EQ(copy.Height(), 0);
}

TEST(Picture, RowBufferOfOnePixelIsFourBytes) {
    Picture p;
    p.Create(1, 1);
    EXPECT_EQ(p.RowBufferBytes(), 4u);
    EXPECT_EQ(RowBytes24(1), 4u);
    EXPECT_EQ(RowBytes24(4), 12u);
    EXPECT_EQ(RowBytes24(5), 16u);
}

TEST(Picture, RowsAreBottomUpBgr) {
    Picture p;
    p.Create(2, 3);
    test::SetPixel(p, 1, 0, MakeColour(10, 20, 30));  // top row, right pixel
    std::vector<std::uint8_t> row(p.RowBufferBytes());
    ASSERT_EQ(p.ReadRows(p.Height() - 1, 1, row), 1);
    EXPECT_EQ(row[3], 30);  // blue first
    EXPECT_EQ(row[4], 20);
    EXPECT_EQ(row[5], 10);
    ASSERT_EQ(p.ReadRows(0, 1, row), 1);
    EXPECT_EQ(row[3], 0);  // bottom row untouched
}

TEST(Picture, WriteRowsThenReadRowsReturnsSameBytes) {
    Picture p;
    p.Create(5, 4);
    std::vector<std::uint8_t> in(p.RowBufferBytes() * 4);
    for (std::size_t i = 0; i < in.size(); ++i) in[i] = std::uint8_t(i * 31 + 7);
    EXPECT_EQ(p.WriteRows(0, 4, in), 4);
    std::vector<std::uint8_t> out(in.size());
    EXPECT_EQ(p.ReadRows(0, 4, out), 4);
    EXPECT_EQ(in, out);
    // Rows outside the picture are skipped, not read out of bounds.
    EXPECT_EQ(p.ReadRows(3, 4, out), 1);
}

TEST(Picture, CopyFromIsDeep) {
    Picture a = test::PatternPicture(7, 5);
    Picture b;
    b.CopyFrom(a);
    EXPECT_TRUE(b.SamePixels(a));
    test::SetPixel(a, 0, 0, MakeColour(1, 2, 3));
    EXPECT_FALSE(b.SamePixels(a));
}

TEST(Picture, CreateRefusesImpossibleSizes) {
    Picture p;
    for (auto [w, h] : {std::pair{0, 10}, {10, 0}, {-5, 5}, {100000, 100000}}) {
        try {
            p.Create(w, h);
            FAIL() << w << " x " << h << " should fail";
        } catch (const ImpExpException& e) {
            EXPECT_EQ(e.Where(), "BITMAP.CPP");
            EXPECT_EQ(e.Message(), "Not Enough Memory");
            EXPECT_EQ(e.Title(), "Bitmap Error");
        }
    }
    EXPECT_EQ(p.Width(), 0);
}

TEST(ImageSize, LimitsUse64BitMath) {
    ImageLimits limits;
    EXPECT_NO_THROW(CheckImageSize(16384, 16384, limits));
    EXPECT_THROW(CheckImageSize(70000, 70000, limits), InnerError);  // overflows 32 bits
    EXPECT_THROW(CheckImageSize(0, 5, limits), InnerError);
    limits.maxPixels = 100;
    try {
        CheckImageSize(20, 20, limits);
        FAIL();
    } catch (const InnerError& e) {
        EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
    }
    EXPECT_EQ(PackedRowBytes(1, 1), 4u);
    EXPECT_EQ(PackedRowBytes(33, 1), 8u);
    EXPECT_EQ(PackedRowBytes(3, 24), 12u);
    EXPECT_EQ(PackedRowBytes(0x7fffffff, 32), 0x7fffffffull * 4);
}

}  // namespace
}  // namespace lp
