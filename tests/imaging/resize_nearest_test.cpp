#include <gtest/gtest.h>

#include <cstdint>

#include "base/colour.h"
#include "base/imp_exp_exception.h"
#include "imaging/resize.h"
#include "test_support.h"

namespace lp {
namespace {

// Every destination pixel (u, v) must be the source pixel (u * w / W, v * h / H).
void ExpectNearest(const Picture& source, const Picture& result) {
    const std::int64_t w = source.Width(), h = source.Height();
    const std::int64_t W = result.Width(), H = result.Height();
    for (std::int64_t v = 0; v < H; ++v)
        for (std::int64_t u = 0; u < W; ++u)
            ASSERT_EQ(test::PixelAt(result, int(u), int(v)), test::PixelAt(source, int(u * w / W), int(v * h / H)))
                << "at " << u << "," << v << " of " << W << "x" << H << " from " << w << "x" << h;
}

TEST(Resize, NearestNeighbourTable) {
    const struct {
        int w, h, newW, newH;
    } cases[] = {
        {4, 2, 2, 1}, {2, 2, 4, 4},    {3, 3, 2, 2}, {5, 7, 13, 3}, {1, 1, 9, 5},
        {9, 5, 1, 1}, {17, 11, 17, 4}, {8, 1, 3, 1}, {1, 8, 1, 3},  {200, 100, 100, 50},
    };
    for (const auto& c : cases) {
        const Picture source = test::PatternPicture(c.w, c.h);
        Picture picture = test::PatternPicture(c.w, c.h);
        Resize(picture, c.newW, c.newH);
        ASSERT_EQ(picture.Width(), c.newW);
        ASSERT_EQ(picture.Height(), c.newH);
        ExpectNearest(source, picture);
    }
}

TEST(Resize, HalvingTakesEvenColumnsFromTheTop) {
    Picture picture;
    picture.Create(4, 2);
    for (int x = 0; x < 4; ++x) {
        test::SetPixel(picture, x, 0, MakeColour(std::uint8_t(10 + x), 0, 0));
        test::SetPixel(picture, x, 1, MakeColour(0, std::uint8_t(20 + x), 0));
    }
    Resize(picture, 2, 1);
    EXPECT_EQ(test::PixelAt(picture, 0, 0), MakeColour(10, 0, 0));
    EXPECT_EQ(test::PixelAt(picture, 1, 0), MakeColour(12, 0, 0));
}

TEST(Resize, WideSourceIndexesWithoutOverflow) {
    // u * w exceeds 32 bits here.
    Picture source;
    source.Create(70000, 1);
    for (int x = 0; x < 70000; ++x)
        test::SetPixel(source, x, 0, MakeColour(std::uint8_t(x), std::uint8_t(x >> 8), std::uint8_t(x >> 16)));
    Picture picture;
    picture.CopyFrom(source);
    Resize(picture, 40000, 1);
    ExpectNearest(source, picture);
}

TEST(Resize, SameSizeAndEmpty) {
    Picture picture = test::PatternPicture(6, 5);
    Resize(picture, 6, 5);
    EXPECT_TRUE(picture.SamePixels(test::PatternPicture(6, 5)));

    Picture empty;
    Resize(empty, 10, 10);
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(Resize, ImpossibleSizeThrowsAndKeepsThePicture) {
    for (const auto& [w, h] : {std::pair{0, 5}, {5, -1}, {1 << 30, 1 << 30}}) {
        Picture picture = test::PatternPicture(3, 2);
        EXPECT_THROW(Resize(picture, w, h), ImpExpException);
        EXPECT_TRUE(picture.SamePixels(test::PatternPicture(3, 2)));
    }
}

}  // namespace
}  // namespace lp
