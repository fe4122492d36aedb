// The one compositor of animations: what a screen shows after each frame and its disposal.
#include "formats/gif/gif_canvas.h"

#include <gtest/gtest.h>

#include <string>

#include "base/colour.h"
#include "test_support.h"

namespace lp {
namespace {

constexpr std::uint32_t kBack = 0x00FFFFFF;
const ColourRef kRed = MakeColour(255, 0, 0);
const ColourRef kBlue = MakeColour(0, 0, 255);
const ColourRef kKey = MakeColour(0, 255, 0);

GifFrame Solid(int width, int height, ColourRef colour, int left, int top, int disposal) {
    GifFrame frame;
    frame.picture.Create(width, height);
    frame.picture.Fill(colour);
    frame.left = left;
    frame.top = top;
    frame.disposal = disposal;
    return frame;
}

/// One row of the canvas as letters: R red, B blue, . background, ? unknown, x anything else.
std::string RowText(const GifCanvas& canvas, int y) {
    std::string text;
    for (int x = 0; x < canvas.Width(); ++x) {
        const std::uint32_t c = canvas.At(x, y);
        text += c == std::uint32_t(kRed) ? 'R' : c == std::uint32_t(kBlue) ? 'B' : c == kBack ? '.'
               : c == GifCanvas::kUnknown ? '?' : 'x';
    }
    return text;
}

// A red frame over the whole 6 x 1 screen, then a blue one of 2 pixels at x = 2 with the
// disposal of the case: what the screen shows while blue is up, and after its disposal.
TEST(GifCanvas, DisposalRules) {
    struct Case {
        int disposal;
        const char* shown;
        const char* after;
    };
    const Case cases[] = {
        {0, "RRBBRR", "RRBBRR"},  // none: stays drawn
        {1, "RRBBRR", "RRBBRR"},  // keep
        {2, "RRBBRR", "RR..RR"},  // to the background, only the frame's rectangle
        {3, "RRBBRR", "RRRRRR"},  // back to what was there before
    };
    for (const Case& c : cases) {
        GifCanvas canvas(6, 1, kBack);
        canvas.Show(Solid(6, 1, kRed, 0, 0, 1));
        const GifFrame blue = Solid(2, 1, kBlue, 2, 0, c.disposal);
        canvas.Draw(blue);
        EXPECT_EQ(RowText(canvas, 0), c.shown) << c.disposal;
        canvas.Dispose(blue);
        EXPECT_EQ(RowText(canvas, 0), c.after) << c.disposal;
    }
}

TEST(GifCanvas, TransparentPixelsLeaveTheScreenAndClippingKeepsToIt) {
    GifCanvas canvas(4, 2, GifCanvas::kUnknown);
    EXPECT_EQ(RowText(canvas, 0), "????") << "nothing drawn yet";
    GifFrame holed = Solid(3, 1, kRed, 0, 0, 1);
    test::SetPixel(holed.picture, 1, 0, kKey);
    holed.transparentColour = kKey;
    canvas.Show(holed);
    EXPECT_EQ(RowText(canvas, 0), "R?R?");

    // Reaching past every edge: only what lies on the screen is drawn, and cleared again.
    const GifFrame wide = Solid(8, 4, kBlue, -2, -1, 2);
    canvas.Draw(wide);
    EXPECT_EQ(RowText(canvas, 0), "BBBB");
    EXPECT_EQ(RowText(canvas, 1), "BBBB");
    canvas.Dispose(wide);
    EXPECT_EQ(RowText(canvas, 1), "????");
    const GifFrame away = Solid(2, 2, kBlue, 10, 10, 1);
    canvas.Show(away);
    EXPECT_EQ(RowText(canvas, 0), "????");
}

TEST(GifCanvas, ARestoringFrameOffTheScreenLeavesItAlone) {
    GifCanvas canvas(3, 1, kBack);
    canvas.Show(Solid(3, 1, kRed, 0, 0, 1));
    canvas.Show(Solid(2, 1, kBlue, 5, 0, 3));
    EXPECT_EQ(RowText(canvas, 0), "RRR");
    // Restoring after a frame that covered half: only that half comes back.
    canvas.Show(Solid(2, 1, kBlue, 0, 0, 1));
    const GifFrame partly = Solid(2, 1, kRed, 2, 0, 3);
    canvas.Draw(partly);
    EXPECT_EQ(RowText(canvas, 0), "BBR");
    canvas.Show(Solid(1, 1, kBlue, 2, 0, 1));  // a Draw in between forgets the saved pixels
    canvas.Dispose(partly);
    EXPECT_EQ(RowText(canvas, 0), "BBB");
}

TEST(GifCanvas, RowUnderAndCopyToShowTheScreen) {
    GifCanvas canvas(3, 2, kBack);
    canvas.Show(Solid(1, 1, kRed, 1, 1, 1));
    std::vector<std::uint32_t> under;
    canvas.RowUnder(Solid(3, 1, kBlue, -1, 1, 1), 0, under);
    EXPECT_EQ(under, (std::vector<std::uint32_t>{GifCanvas::kUnknown, kBack, std::uint32_t(kRed)}));
    canvas.RowUnder(Solid(3, 1, kBlue, 0, 5, 1), 0, under);
    EXPECT_EQ(under, std::vector<std::uint32_t>(3, GifCanvas::kUnknown));

    Picture picture;
    canvas.CopyTo(picture);
    ASSERT_EQ(picture.Width(), 3);
    ASSERT_EQ(picture.Height(), 2);
    EXPECT_EQ(test::PixelAt(picture, 1, 1), kRed);
    EXPECT_EQ(test::PixelAt(picture, 0, 0), ColourRef(kBack));
}

}  // namespace
}  // namespace lp
