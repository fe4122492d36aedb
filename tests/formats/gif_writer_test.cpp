// The GIF writer: file layout, palettes, comments, looping, transparency,
// refusals, atomic saving, progress, and read-write-read round trips.
#include "formats/gif/gif_writer.h"

#include <gtest/gtest.h>

#include "formats/format_table.h"
#include "formats/gif/gif_colours.h"
#include "formats/gif/gif_reader.h"
#include "gif_test_support.h"
#include "base/imp_exp_exception.h"
#include "test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using namespace test::gif;

constexpr ColourRef kRed = MakeColour(255, 0, 0);
constexpr ColourRef kGreen = MakeColour(0, 255, 0);
constexpr ColourRef kBlue = MakeColour(0, 0, 255);

Picture Solid(int w, int h, ColourRef c) {
    Picture p;
    p.Create(w, h);
    p.Fill(c);
    return p;
}

/// A picture with exactly n distinct colours (n <= 65536), in scan order.
Picture WithColours(int n, int width = 64, std::uint8_t blue = 7) {
    Picture p;
    p.Create(width, (n + width - 1) / width);
    for (int i = 0; i < p.Width() * p.Height(); ++i)
        test::SetPixel(
            p, i % width, i / width,
            MakeColour(std::uint8_t(std::min(i, n - 1) & 0xFF), std::uint8_t(std::min(i, n - 1) >> 8), blue));
    return p;
}

bool Contains(const Picture& p, ColourRef c) {
    const auto px = Pixels(p);
    return std::find(px.begin(), px.end(), c) != px.end();
}

GifFrame Frame(Picture p, int left = 0, int top = 0, int delay = 10, int disposal = 1,
               ColourRef transparent = kNoColour) {
    GifFrame f;
    f.picture = std::move(p);
    f.left = left;
    f.top = top;
    f.delay = static_cast<std::uint16_t>(delay);
    f.disposal = disposal;
    f.transparentColour = transparent;
    return f;
}

std::string EncodeError(const GifFrameList& frames, const GifInfo& info = {}) {
    try {
        EncodeGif(frames, info, nullptr, {}, "out.gif");
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Title(), "Gif Error");
        EXPECT_EQ(e.Where(), "out.gif");
        return e.Message();
    }
    return "encoded";
}

TEST(GifWriter, SinglePictureLayout) {
    Picture p = Solid(3, 2, kRed);
    test::SetPixel(p, 2, 1, kBlue);
    const Bytes file = EncodeGif(p, kBlue);
    bool ok = false;
    const GifStructure g = ParseGif(file, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(g.signature, "GIF89a");
    EXPECT_EQ(g.width, 3);
    EXPECT_EQ(g.height, 2);
    EXPECT_EQ(g.flags, 0x80);  // global table of 2 entries, resolution 1 bit, not sorted
    EXPECT_EQ(g.aspect, 0);
    ASSERT_EQ(g.table.size(), 2u);
    EXPECT_EQ(g.table[std::size_t(g.background)], kBlue);
    ASSERT_EQ(g.items.size(), 1u);  // no comment, no loop, no graphic control
    const GifItem& image = g.items[0];
    EXPECT_EQ(image.kind, 'I');
    EXPECT_EQ(image.left, 0);
    EXPECT_EQ(image.flags, 0);
    EXPECT_EQ(image.codeSize, 2);
    EXPECT_EQ(g.trailerAt, file.size() - 1);
    EXPECT_TRUE(DecodeGif(file, "x").frames[0].picture.SamePixels(p));
}

// Colour table size and LZW code size follow the colour count.
TEST(GifWriter, TableSizeAndCodeSizeFollowTheColourCount) {
    const struct {
        int colours, entries, codeSize;
    } cases[] = {{1, 2, 2},   {2, 2, 2},   {3, 4, 2},    {4, 4, 2},     {5, 8, 3},    {16, 16, 4},
                 {17, 32, 5}, {64, 64, 6}, {65, 128, 7}, {129, 256, 8}, {256, 256, 8}};
    for (const auto& c : cases) {
        const Picture p = WithColours(c.colours);
        const Bytes file = EncodeGif(p, 0);
        const GifStructure g = ParseGif(file);
        EXPECT_EQ(int(g.table.size()), c.entries) << c.colours;
        EXPECT_EQ((g.flags >> 4) & 7, (g.flags & 7)) << c.colours;
        ASSERT_EQ(g.Images().size(), 1u);
        EXPECT_EQ(g.Images()[0]->codeSize, c.codeSize) << c.colours;
        EXPECT_TRUE(DecodeGif(file, "x").frames[0].picture.SamePixels(p)) << c.colours;
    }
}

TEST(GifWriter, MoreThan256ColoursCannotBeSaved) {
    test::ScratchDir dir;
    const fs::path target = dir / "old.gif";
    test::WriteFileBytes(target, {1, 2, 3});
    try {
        SaveGif(WithColours(257), target, 0);
        FAIL();
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "too many colors - try reducing colors");
        EXPECT_EQ(e.Title(), "Gif Error");
        EXPECT_EQ(e.Where(), target.string());
    }
    EXPECT_EQ(test::ReadFileBytes(target), (Bytes{1, 2, 3}));  // the old file is untouched
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

// Colours are ordered by (R << 20 | G << 10 | B) % 20023, the latest first-seen first within a bucket.
TEST(GifWriter, PaletteOrderFollowsTheBuckets) {
    const ColourRef a = MakeColour(0, 0, 0), b = MakeColour(0, 39, 110), c = MakeColour(0, 0, 5);  // buckets 0, 0, 5
    Picture p;
    p.Create(3, 1);
    test::SetPixel(p, 0, 0, c);
    test::SetPixel(p, 1, 0, a);
    test::SetPixel(p, 2, 0, b);
    const GifStructure g = ParseGif(EncodeGif(p, 0));
    ASSERT_EQ(g.table.size(), 4u);
    EXPECT_EQ(g.table[0], b);
    EXPECT_EQ(g.table[1], a);
    EXPECT_EQ(g.table[2], c);
    EXPECT_EQ(g.table[3], 0);  // padding
}

TEST(GifWriter, CommentCarriesTheSignatureAndAtMost254Characters) {
    const struct {
        std::string comment, written;
    } cases[] = {
        {"", "Made with Lumaprism"},
        {"Hello", "Hello Made with Lumaprism"},
        {"Hello Made with Lumaprism", "Hello Made with Lumaprism"},
        {"Made with Lumaprism, then edited", "Made with Lumaprism, then edited"},
        {std::string(240, 'c'), std::string(240, 'c') + " Made with Lum"},  // cut to 254
        {std::string(300, 'c'), std::string(254, 'c')},
        {std::string("a\0b", 3), "a Made with Lumaprism"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GifCommentWithSignature(c.comment), c.written);
        GifFrameList frames;
        frames.Add(Frame(Solid(2, 2, kRed)));
        GifInfo info;
        info.comment = c.comment;
        const Bytes file = EncodeGif(frames, info);
        const GifStructure g = ParseGif(file);
        ASSERT_FALSE(g.items.empty());
        ASSERT_EQ(g.items[0].label, 0xFE);
        ASSERT_EQ(g.items[0].blocks.size(), 1u);  // one sub-block
        EXPECT_EQ(std::string(g.items[0].blocks[0].begin(), g.items[0].blocks[0].end()), c.written);
        EXPECT_EQ(DecodeGif(file, "x").info.comment, c.written);
    }
}

TEST(GifWriter, LoopCountIsKeptAsGiven) {
    const struct {
        int loop, count;
        bool block;
        int written;
    } cases[] = {{1, 5, true, 5}, {1, 0, true, 0}, {0, 3, true, 3}, {0, 0, false, 0}, {1, 70000, true, 65535}};
    for (const auto& c : cases) {
        GifFrameList frames;
        frames.Add(Frame(Solid(2, 2, kRed)));
        frames.Add(Frame(Solid(2, 2, kGreen)));
        GifInfo info;
        info.loop = c.loop;
        info.loopCount = c.count;
        const Bytes file = EncodeGif(frames, info);
        const GifStructure g = ParseGif(file);
        const GifItem* block = nullptr;
        for (const auto& item : g.items)
            if (item.kind == 'E' && item.label == 0xFF) block = &item;
        ASSERT_EQ(block != nullptr, c.block) << c.loop << " " << c.count;
        const GifAnimation back = DecodeGif(file, "x");
        if (!c.block) {
            EXPECT_EQ(back.info.loop, 0);
            continue;
        }
        ASSERT_EQ(block->blocks.size(), 2u);
        EXPECT_EQ(std::string(block->blocks[0].begin(), block->blocks[0].end()), "NETSCAPE2.0");
        EXPECT_EQ(block->blocks[1], (Bytes{1, std::uint8_t(c.written & 0xFF), std::uint8_t(c.written >> 8)}));
        EXPECT_EQ(back.info.loop, 1);
        EXPECT_EQ(back.info.loopCount, c.written);
    }
}

// The first frame of a transparent animation carries the transparency block and then its
// own graphic control; later frames carry one each, with the user-input bit as recorded.
TEST(GifWriter, GraphicControlBlocks) {
    GifFrameList frames;
    Picture first = Solid(4, 4, kRed);
    test::SetPixel(first, 0, 0, kBlue);
    frames.Add(Frame(std::move(first), 0, 0, 12, 2, kBlue));
    GifFrame second = Frame(Solid(2, 2, kGreen), 1, 2, 34, 3);
    second.userInput = 1;
    frames.Add(std::move(second));
    frames.Add(Frame(Solid(2, 2, kRed), 2, 1, 0, 0, kRed));
    GifInfo info;
    info.screenWidth = 4;
    info.screenHeight = 4;
    const Bytes file = EncodeGif(frames, info);
    const GifStructure g = ParseGif(file);
    std::vector<const GifItem*> controls;
    for (const auto& item : g.items)
        if (item.kind == 'E' && item.label == 0xF9) controls.push_back(&item);
    ASSERT_EQ(controls.size(), 4u);
    const int blueIndex = int(std::find(g.table.begin(), g.table.end(), kBlue) - g.table.begin());
    EXPECT_EQ(controls[0]->blocks[0], (Bytes{0x01, 0, 0, std::uint8_t(blueIndex)}));
    EXPECT_EQ(controls[1]->blocks[0], (Bytes{0x01 | 2 << 2, 12, 0, std::uint8_t(blueIndex)}));
    EXPECT_EQ(controls[2]->blocks[0], (Bytes{0x02 | 3 << 2, 34, 0, 0}));
    EXPECT_EQ(controls[3]->blocks[0][0], 0x01);

    const GifAnimation back = DecodeGif(file, "x");
    ASSERT_EQ(back.frames.Count(), 3u);
    EXPECT_EQ(back.frames[0].transparentColour, kBlue);
    EXPECT_EQ(back.frames[0].delay, 12);
    EXPECT_EQ(back.frames[0].disposal, 2);
    EXPECT_EQ(back.frames[1].userInput != 0, true);
    EXPECT_EQ(back.frames[1].left, 1);
    EXPECT_EQ(back.frames[1].top, 2);
    EXPECT_EQ(back.frames[1].transparentColour, kNoColour);
    EXPECT_EQ(back.frames[2].userInput, 0);
    EXPECT_EQ(back.frames[2].transparentColour, kRed);
}

// The global table holds every colour of the animation when they fit, and then no frame
// needs a table of its own.
TEST(GifWriter, AnAnimationsColoursShareTheGlobalTableWhenTheyFit) {
    GifFrameList frames;
    Picture first = Solid(4, 1, kRed);
    test::SetPixel(first, 1, 0, kGreen);
    frames.Add(Frame(std::move(first)));
    frames.Add(Frame(Solid(2, 1, kBlue)));
    Picture third = Solid(3, 1, kBlue);
    test::SetPixel(third, 0, 0, kGreen);
    frames.Add(Frame(std::move(third)));
    const Bytes file = EncodeGif(frames, GifInfo{});
    const GifStructure g = ParseGif(file);
    EXPECT_EQ(g.table.size(), 4u);
    EXPECT_NE(std::find(g.table.begin(), g.table.end(), kBlue), g.table.end());
    for (const GifItem* image : g.Images()) EXPECT_EQ(image->flags, 0);
    const GifAnimation back = DecodeGif(file, "x");
    for (std::size_t i = 0; i < 3; ++i) EXPECT_TRUE(back.frames[i].picture.SamePixels(frames[i].picture)) << i;
}

/// w x h pixels of random picks among colours (i, 0, 7) for i in [first, first + count).
Picture Noise(int w, int h, int first, int count, std::uint32_t seed = 1) {
    Picture p;
    p.Create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            test::SetPixel(p, x, y, MakeColour(std::uint8_t(first + int((seed >> 16) % std::uint32_t(count))), 0, 7));
        }
    return p;
}

// More than 256 colours in all: the global table is the first frame's. A later frame uses it
// when its colours lie in it and that is not larger, else it brings its own table.
TEST(GifWriter, FramesBringTheirOwnTableWhenTheGlobalOneDoesNotServe) {
    GifFrameList frames;
    frames.Add(Frame(WithColours(200)));
    frames.Add(Frame(WithColours(100, 64, 99)));  // none of the first frame's colours
    frames.Add(Frame(WithColours(150)));          // a subset, same depth
    // Two of the first frame's colours in a small frame that loses the table's first 128
    // places to a larger frame of 128 colours: 1-bit codes beat 8-bit codes into the table.
    frames.Add(Frame(Noise(16, 16, 198, 2)));
    frames.Add(Frame(Noise(256, 256, 0, 128)));
    const Bytes file = EncodeGif(frames, GifInfo{});
    const GifStructure g = ParseGif(file);
    const auto images = g.Images();
    ASSERT_EQ(images.size(), 5u);
    EXPECT_EQ(images[0]->flags, 0x00);
    EXPECT_EQ(images[1]->flags, 0x86);  // 128-entry local table
    EXPECT_EQ(images[2]->flags, 0x00);
    EXPECT_EQ(images[2]->codeSize, 8);
    EXPECT_EQ(images[3]->flags, 0x80);  // 2 entries
    EXPECT_EQ(images[3]->codeSize, 2);
    EXPECT_EQ(images[4]->flags, 0x00);  // its 128 colours lead the global table
    EXPECT_EQ(images[4]->codeSize, 7);
    const GifAnimation back = DecodeGif(file, "x");
    for (std::size_t i = 0; i < 5; ++i) EXPECT_TRUE(back.frames[i].picture.SamePixels(frames[i].picture)) << i;
}

// A frame drawn with a few colours of a large shared global table is coded with just enough
// bits for the highest index it uses, not the table's depth.
TEST(GifWriter, CodeSizeCoversTheHighestIndexAFrameUses) {
    const struct {
        int later;  // colours of each later frame, all among the first frame's 256
        int codeSize;
    } cases[] = {{1, 2}, {2, 2}, {4, 2}, {5, 3}, {8, 3}, {9, 4}, {100, 7}, {129, 8}};
    for (const auto& c : cases) {
        GifFrameList frames;
        frames.Add(Frame(WithColours(256)));
        frames.Add(Frame(WithColours(c.later, 16)));
        frames.Add(Frame(WithColours(c.later, 8), 3, 2));
        const Bytes file = EncodeGif(frames, GifInfo{});
        const GifStructure g = ParseGif(file);
        ASSERT_EQ(g.table.size(), 256u) << c.later;
        const auto images = g.Images();
        ASSERT_EQ(images.size(), 3u);
        EXPECT_EQ(images[0]->codeSize, 8) << c.later;
        for (std::size_t i = 1; i < 3; ++i) {
            EXPECT_EQ(images[i]->flags, 0x00) << c.later;  // the global table, no table of its own
            EXPECT_EQ(images[i]->codeSize, c.codeSize) << c.later;
        }
        const GifAnimation back = DecodeGif(file, "x");
        ASSERT_EQ(back.frames.Count(), 3u);
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_TRUE(back.frames[i].picture.SamePixels(frames[i].picture)) << c.later << " " << i;
    }
}

// The global table of an animation lists the colours most frames use first; the background
// and transparent indexes still name their colours.
TEST(GifWriter, GlobalTableOfAnAnimationPutsCommonColoursFirst) {
    const ColourRef rare = MakeColour(10, 20, 30), clear = MakeColour(1, 2, 3);
    Picture first = WithColours(200);
    test::SetPixel(first, 0, 0, rare);
    test::SetPixel(first, 1, 0, clear);
    GifFrameList frames;
    frames.Add(Frame(std::move(first)));
    for (int i = 0; i < 3; ++i) {
        Picture p = Solid(6, 5, kRed);
        test::SetPixel(p, 1, 1, kGreen);
        test::SetPixel(p, 2, 2, clear);
        frames.Add(Frame(std::move(p), i, i, 10, 1, clear));
    }
    GifInfo info;
    info.backgroundColour = rare;
    const Bytes file = EncodeGif(frames, info);
    const GifStructure g = ParseGif(file);
    ASSERT_EQ(g.table.size(), 256u);
    // The transparent colour is in all four frames, red and green in three; red has more pixels.
    std::vector<ColourRef> head(g.table.begin(), g.table.begin() + 3);
    EXPECT_EQ(head, (std::vector<ColourRef>{clear, kRed, kGreen}));
    EXPECT_EQ(g.table[std::size_t(g.background)], rare);
    const auto images = g.Images();
    ASSERT_EQ(images.size(), 4u);
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(images[i]->flags, 0x00);
        EXPECT_EQ(images[i]->codeSize, 2);
    }
    const GifAnimation back = DecodeGif(file, "x");
    ASSERT_EQ(back.frames.Count(), 4u);
    EXPECT_EQ(back.info.backgroundColour, rare);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(back.frames[i].picture.SamePixels(frames[i].picture)) << i;
        EXPECT_EQ(back.frames[i].transparentColour, frames[i].transparentColour) << i;
    }
}

TEST(GifWriter, ScreenOfAnAnimation) {
    GifFrameList frames;
    frames.Add(Frame(Solid(2, 2, kRed), 0, 0));
    frames.Add(Frame(Solid(3, 2, kGreen), 5, 7));
    GifInfo info;  // no screen given: the smallest covering every frame
    GifStructure g = ParseGif(EncodeGif(frames, info));
    EXPECT_EQ(g.width, 8);
    EXPECT_EQ(g.height, 9);
    info.screenWidth = 20;
    info.screenHeight = 4;  // given: kept, even when a frame reaches past it
    g = ParseGif(EncodeGif(frames, info));
    EXPECT_EQ(g.width, 20);
    EXPECT_EQ(g.height, 4);
    EXPECT_EQ(g.Images()[1]->left, 5);
    EXPECT_EQ(g.Images()[1]->top, 7);

    // A one-frame list is a still picture: its own size, at (0, 0), no graphic control.
    GifFrameList one;
    one.Add(Frame(Solid(2, 3, kRed), 9, 9, 50, 2));
    g = ParseGif(EncodeGif(one, info));
    EXPECT_EQ(g.width, 2);
    EXPECT_EQ(g.height, 3);
    EXPECT_EQ(g.Images()[0]->left, 0);
    for (const auto& item : g.items) EXPECT_NE(item.label, 0xF9);
}

TEST(GifWriter, RefusesWhatGifCannotHold) {
    GifFrameList none;
    EXPECT_EQ(EncodeError(none), "Nothing to save: the animation has no frames");
    GifFrameList empty;
    empty.Add(Frame(Picture{}));
    EXPECT_EQ(EncodeError(empty), "Nothing to save: the picture is empty");
    GifFrameList wide;
    wide.Add(Frame(Solid(65536, 1, kRed)));
    EXPECT_EQ(EncodeError(wide), "Picture too large for GIF: 65536 x 1 (at most 65535 x 65535)");
    GifFrameList placed;
    placed.Add(Frame(Solid(1, 1, kRed)));
    placed.Add(Frame(Solid(1, 1, kRed), -1, 0));
    EXPECT_EQ(EncodeError(placed), "Frame position outside the GIF range 0..65535");
    GifFrameList screen;
    screen.Add(Frame(Solid(1, 1, kRed)));
    screen.Add(Frame(Solid(1, 1, kRed), 65535, 0));  // covering screen would be 65536 wide
    EXPECT_EQ(EncodeError(screen), "Picture too large for GIF: 65536 x 1 (at most 65535 x 65535)");
    EXPECT_THROW(EncodeGif(Picture{}, 0), ImpExpException);
    EXPECT_EQ(EncodeGif(Solid(65535, 1, kRed), 0).size() > 0, true);
}

TEST(GifWriter, SaveFailuresLeaveTheOldFile) {
    test::ScratchDir dir;
    try {
        SaveGif(Solid(2, 2, kRed), dir / "no" / "such" / "folder.gif", 0);
        FAIL();
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Unable to open file");
        EXPECT_EQ(e.Title(), "Gif Error");
    }
    const fs::path target = dir / "a.gif";
    SaveGif(Solid(2, 2, kRed), target, 0);
    const Bytes before = test::ReadFileBytes(target);
    GifFrameList bad;
    bad.Add(Frame(WithColours(300)));
    GifInfo info;
    info.comment = "kept";
    EXPECT_THROW(SaveGif(bad, info, target), ImpExpException);
    EXPECT_EQ(test::ReadFileBytes(target), before);
    EXPECT_EQ(info.comment, "kept");  // only a successful save updates the comment
    GifFrameList good;
    good.Add(Frame(Solid(2, 2, kGreen)));
    SaveGif(good, info, target);
    EXPECT_EQ(info.comment, "kept Made with Lumaprism");
    EXPECT_EQ(LoadGif(target).info.comment, "kept Made with Lumaprism");
}

class RecordingSink : public ProgressSink {
public:
    void Begin(long low, long high, std::string_view text) override {
        log.push_back("Begin " + std::to_string(low) + " " + std::to_string(high) + " " + std::string(text));
    }
    void Step(long position) override { log.push_back("Step " + std::to_string(position)); }
    void SetText(std::string_view text) override { log.push_back("SetText " + std::string(text)); }
    void End() override { log.push_back("End"); }
    std::vector<std::string> log;
};

TEST(GifWriter, ProgressTexts) {
    GifFrameList frames;
    frames.Add(Frame(Solid(2, 2, kRed)));
    frames.Add(Frame(Solid(2, 1, kGreen)));
    RecordingSink sink;
    EncodeGif(frames, GifInfo{}, &sink);
    EXPECT_EQ(sink.log, (std::vector<std::string>{"Begin 0 2 Saving GIF File.. Frame #1", "Step 1", "Step 2",
                                                  "SetText Saving GIF File.. Frame #2", "Step 1", "End"}));
    RecordingSink captioned;
    EncodeGif(frames, GifInfo{}, &captioned, "banner.gif");
    EXPECT_EQ(captioned.log[0], "Begin 0 2 banner.gif Frame #1");
    EXPECT_EQ(captioned.log[3], "SetText banner.gif Frame #2");
    RecordingSink failing;
    EXPECT_THROW(EncodeGif(WithColours(300), 0, &failing), ImpExpException);
    EXPECT_EQ(failing.log.back(), "End");
}

TEST(GifWriter, FormatTableReadsAndWritesGif) {
    test::ScratchDir dir;
    const Picture p = WithColours(40);
    SavePictureByExtension(p, dir / "x.GIF");
    EXPECT_TRUE(LoadPicture(dir / "x.GIF", PictureFileType::Gif).SamePixels(p));
}

// Frames with more than 256 colours are reduced before writing; transparent pixels stay
// transparent and keep a colour of their own.
TEST(GifWriter, FitGifColoursMakesFramesWritable) {
    GifFrameList frames;
    Picture rich = test::PatternPicture(64, 64);
    for (int x = 0; x < 10; ++x) test::SetPixel(rich, x, 0, MakeColour(1, 2, 3));
    GifFrame transparent = Frame(rich, 0, 0, 10, 1, MakeColour(1, 2, 3));
    frames.Add(transparent);
    frames.Add(Frame(test::PatternPicture(64, 64)));
    frames.Add(Frame(Solid(4, 4, kRed)));
    EXPECT_EQ(EncodeError(frames), "too many colors - try reducing colors");
    EXPECT_EQ(FitGifColours(frames), 2);
    const GifAnimation back = DecodeGif(EncodeGif(frames, GifInfo{}), "x");
    ASSERT_EQ(back.frames.Count(), 3u);
    const GifFrame& f = back.frames[0];
    ASSERT_NE(f.transparentColour, kNoColour);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool wasClear = test::PixelAt(transparent.picture, x, y) == MakeColour(1, 2, 3);
            EXPECT_EQ(test::PixelAt(f.picture, x, y) == f.transparentColour, wasClear) << x << "," << y;
        }
    EXPECT_TRUE(back.frames[2].picture.SamePixels(frames[2].picture));
    Picture still = test::PatternPicture(40, 40);
    EXPECT_TRUE(FitGifColours(still));
    EXPECT_FALSE(FitGifColours(still));
    EXPECT_NO_THROW(EncodeGif(still, 0));
}

// Read, write, read: every frame's pixels, delay, disposal, transparency and position, the
// loop count and the comment (apart from the signature) come back. A one-frame file is a
// still picture: its pixels, transparency and comment come back.
TEST(GifWriter, CorpusRoundTrips) {
    LP_REQUIRE_CORPUS();
    test::ScratchDir dir;
    int files = 0;
    for (const auto& e : fs::recursive_directory_iterator(test::CorpusDir() / "gif")) {
        if (e.path().extension() != ".gif") continue;
        GifAnimation a;
        try {
            a = LoadGif(e.path());
        } catch (const ImpExpException&) {
            continue;  // corrupt on purpose
        }
        ++files;
        const fs::path out = dir / "out.gif";
        GifInfo info = a.info;
        SaveGif(a.frames, info, out);
        const GifAnimation b = LoadGif(out);
        const std::string name = e.path().filename().string();
        ASSERT_EQ(b.frames.Count(), a.frames.Count()) << name;
        EXPECT_EQ(b.info.loop, a.info.loop) << name;
        EXPECT_EQ(b.info.loopCount, a.info.loopCount) << name;
        EXPECT_EQ(b.info.comment, GifCommentWithSignature(a.info.comment)) << name;
        // The background is stored as an index into the first frame's colours.
        if (Contains(a.frames[0].picture, a.info.backgroundColour)) {
            EXPECT_EQ(b.info.backgroundColour, a.info.backgroundColour) << name;
        }
        const bool animated = a.frames.Count() > 1;
        if (animated) {
            EXPECT_EQ(b.info.screenWidth, a.info.screenWidth) << name;
            EXPECT_EQ(b.info.screenHeight, a.info.screenHeight) << name;
        }
        for (std::size_t i = 0; i < a.frames.Count(); ++i) {
            const GifFrame& x = a.frames[i];
            const GifFrame& y = b.frames[i];
            EXPECT_TRUE(y.picture.SamePixels(x.picture)) << name << " frame " << i;
            // A transparent colour no pixel has makes nothing transparent and may be dropped.
            if (y.transparentColour != x.transparentColour) {
                EXPECT_EQ(y.transparentColour, kNoColour) << name << " frame " << i;
                EXPECT_FALSE(Contains(x.picture, x.transparentColour)) << name << " frame " << i;
            }
            if (!animated) continue;
            EXPECT_EQ(y.delay, x.delay) << name << " frame " << i;
            EXPECT_EQ(y.disposal, x.disposal) << name << " frame " << i;
            EXPECT_EQ(y.userInput != 0, x.userInput != 0) << name << " frame " << i;
            EXPECT_EQ(y.left, x.left) << name << " frame " << i;
            EXPECT_EQ(y.top, x.top) << name << " frame " << i;
        }
    }
    EXPECT_GE(files, 30);
}

// Found by fuzzing (the check, not the codec, was wrong): a frame's transparent colour that
// none of its pixels has, but that the shared global table holds, is kept through a round trip.
TEST(GifWriter, UnusedTransparentColourInTheGlobalTableIsKept) {
    const GifAnimation a = LoadGif(test::TestDataDir() / "gif" / "unused-transparent-colour.gif");
    ASSERT_EQ(a.frames.Count(), 2u);
    ASSERT_EQ(a.frames[1].transparentColour, kRed);
    ASSERT_FALSE(Contains(a.frames[1].picture, kRed));
    const GifAnimation b = DecodeGif(EncodeGif(a.frames, a.info), "x");
    EXPECT_EQ(b.frames[1].transparentColour, kRed);
    EXPECT_TRUE(b.frames[1].picture.SamePixels(a.frames[1].picture));
}

}  // namespace
}  // namespace lp
