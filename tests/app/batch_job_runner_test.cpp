#include "app/batch_job_runner.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>

#include "base/imp_exp_exception.h"
#include "test_support.h"

namespace lp {

void PrintTo(const TargetSize& t, std::ostream* os) {
    *os << "picture " << t.pictureWidth << "x" << t.pictureHeight << " canvas " << t.canvasWidth << "x"
        << t.canvasHeight;
}

namespace {

struct TargetCase {
    const char* name;
    BatchJob job;
    std::int32_t pictureWidth;
    std::int32_t pictureHeight;
    TargetSize expected;
};

constexpr std::uint16_t kW = kGivenWidth;
constexpr std::uint16_t kH = kGivenHeight;
constexpr std::uint16_t kP = kGivenProportional;
constexpr std::uint16_t kB = kGivenBackground;

TEST(ComputeTargetSize, Table) {
    const TargetCase cases[] = {
        {"only width keeps aspect", {.width = 100, .given = kW}, 200, 100, {100, 50, 100, 50}},
        {"only height keeps aspect", {.height = 50, .given = kH}, 200, 100, {100, 50, 100, 50}},
        {"only width truncates", {.width = 3, .given = kW}, 7, 5, {3, 2, 3, 2}},
        {"width and height without proportional",
         {.width = 30, .height = 40, .given = kW | kH},
         200,
         100,
         {30, 40, 30, 40}},
        {"nothing given keeps the size", {.quality = 50, .given = kGivenQuality}, 64, 48, {64, 48, 64, 48}},
        {"fit, wide box, no background",
         {.width = 300, .height = 100, .given = kW | kH | kP},
         200,
         200,
         {100, 100, 100, 100}},
        {"fit, wide box, background",
         {.width = 300, .height = 100, .given = kW | kH | kP | kB},
         200,
         200,
         {100, 100, 300, 100}},
        {"fit, tall box, no background",
         {.width = 100, .height = 300, .given = kW | kH | kP},
         200,
         200,
         {100, 100, 100, 100}},
        {"fit, tall box, background",
         {.width = 100, .height = 300, .given = kW | kH | kP | kB},
         200,
         200,
         {100, 100, 100, 300}},
        {"fit, same aspect uses the height",
         {.width = 100, .height = 50, .given = kW | kH | kP},
         200,
         100,
         {100, 50, 100, 50}},
        {"fit compares exactly",
         {.width = 333, .height = 100, .given = kW | kH | kP},
         1000,
         300,
         // 333/100 < 1000/300 (3.33 < 3.333...): height follows the width.
         {333, 99, 333, 99}},
        {"by width keeps the canvas",
         {.width = 100, .height = 300, .proportional = 1, .given = kW | kH | kP},
         200,
         100,
         {100, 50, 100, 300}},
        {"by width with background",
         {.width = 100, .height = 300, .proportional = 1, .given = kW | kH | kP | kB},
         200,
         100,
         {100, 50, 100, 300}},
        {"by height keeps the canvas",
         {.width = 100, .height = 300, .proportional = 2, .given = kW | kH | kP},
         200,
         100,
         {600, 300, 100, 300}},
        {"by height with background",
         {.width = 400, .height = 50, .proportional = 2, .given = kW | kH | kP | kB},
         200,
         100,
         {100, 50, 400, 50}},
        {"width with proportional but no height",
         {.width = 100, .proportional = 1, .given = kW | kP},
         200,
         80,
         {100, 80, 100, 80}},
        {"height with proportional but no width", {.height = 40, .given = kH | kP}, 200, 80, {200, 40, 200, 40}},
        {"background alone changes nothing", {.width = 100, .given = kW | kB}, 200, 100, {100, 50, 100, 50}},
        {"computed height at least 1", {.width = 1, .given = kW}, 1000, 10, {1, 1, 1, 1}},
        {"computed width at least 1", {.height = 1, .given = kH}, 10, 1000, {1, 1, 1, 1}},
        {"zero divisor keeps the value", {.width = 100, .given = kW}, 0, 50, {100, 50, 100, 50}},
        {"zero divisor by height", {.height = 30, .given = kH}, 40, 0, {40, 30, 40, 30}},
        {"large sizes computed in 64 bits",
         {.width = INT_MAX, .given = kW},
         2,
         1,
         {INT_MAX, INT_MAX / 2, INT_MAX, INT_MAX / 2}},
        {"large results saturate", {.width = INT_MAX, .given = kW}, 1, 2, {INT_MAX, INT_MAX, INT_MAX, INT_MAX}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComputeTargetSize(c.job, c.pictureWidth, c.pictureHeight), c.expected) << c.name;
}

TEST(CheckJobSizes, SizesGivenBelowOneAreErrors) {
    EXPECT_EQ(CheckJobSizes({.width = 0, .given = kW}), "Width must be at least 1");
    EXPECT_EQ(CheckJobSizes({.width = -1, .height = 5, .given = kW | kH}), "Width must be at least 1");
    EXPECT_EQ(CheckJobSizes({.width = 5, .height = -7, .given = kW | kH}), "Height must be at least 1");
    EXPECT_EQ(CheckJobSizes({.width = 1, .height = 1, .given = kW | kH}), "");
    EXPECT_EQ(CheckJobSizes({.quality = 10, .given = kGivenQuality}), "");
}

TEST(ComposeJobPicture, FitsAndCentresOnBackground) {
    // 200 x 200 into 300 x 100, fit, with a background: 100 x 100 centred.
    const Picture source = test::PatternPicture(200, 200);
    Picture picture;
    picture.CopyFrom(source);
    const ColourRef red = MakeColour(255, 0, 0);
    BatchJob job{.width = 300, .height = 100, .background = red, .given = kW | kH | kP | kB};
    ComposeJobPicture(picture, ComputeTargetSize(job, 200, 200), job.background, false);

    ASSERT_EQ(picture.Width(), 300);
    ASSERT_EQ(picture.Height(), 100);
    for (int y = 0; y < 100; ++y) {
        for (int x : {0, 99, 200, 299}) EXPECT_EQ(test::PixelAt(picture, x, y), red) << x << "," << y;
        for (int u : {0, 1, 50, 99})
            EXPECT_EQ(test::PixelAt(picture, 100 + u, y), test::PixelAt(source, u * 2, y * 2)) << u << "," << y;
    }
}

TEST(ComposeJobPicture, OddMarginsRoundTowardTopLeft) {
    Picture picture;
    picture.Create(2, 1);
    picture.Fill(MakeColour(1, 2, 3));
    ComposeJobPicture(picture, {2, 1, 5, 4}, MakeColour(9, 9, 9), false);
    ASSERT_EQ(picture.Width(), 5);
    ASSERT_EQ(picture.Height(), 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const bool inside = y == 1 && (x == 1 || x == 2);
            EXPECT_EQ(test::PixelAt(picture, x, y), inside ? MakeColour(1, 2, 3) : MakeColour(9, 9, 9))
                << x << "," << y;
        }
}

TEST(ComposeJobPicture, CanvasNeverSmallerThanThePicture) {
    // By height: the picture (600 x 300) is wider than the requested canvas (100 x 300).
    Picture picture = test::PatternPicture(20, 10);
    ComposeJobPicture(picture, {60, 30, 10, 30}, 0, false);
    EXPECT_EQ(picture.Width(), 60);
    EXPECT_EQ(picture.Height(), 30);
}

TEST(ComposeJobPicture, FailureLeavesPictureUsable) {
    Picture picture = test::PatternPicture(4, 4);
    const Picture before = test::PatternPicture(4, 4);
    EXPECT_THROW(ComposeJobPicture(picture, {INT_MAX, INT_MAX, INT_MAX, INT_MAX}, 0, false), ImpExpException);
    EXPECT_TRUE(picture.SamePixels(before));
}

}  // namespace
}  // namespace lp
