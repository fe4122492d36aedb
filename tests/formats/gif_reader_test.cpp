// The GIF reader on hand-made files: records, extensions, interlacing, colour
// tables, errors, limits, truncation and progress.
#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"

#include <gtest/gtest.h>

#include "gif_test_support.h"
#include "base/imp_exp_exception.h"
#include "test_support.h"

namespace lp {
namespace {

using namespace test::gif;

constexpr ColourRef kRed = MakeColour(255, 0, 0);
constexpr ColourRef kGreen = MakeColour(0, 255, 0);
constexpr ColourRef kBlue = MakeColour(0, 0, 255);
constexpr ColourRef kWhite = MakeColour(255, 255, 255);
const std::vector<ColourRef> kPalette = {kRed, kGreen, kBlue, kWhite};

std::string DecodeError(const Bytes& file, const GifReadOptions& options = {}) {
    try {
        DecodeGif(file, "test.gif", nullptr, options);
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Title(), "GIF Error");
        EXPECT_EQ(e.Where(), "test.gif");
        return e.Message();
    }
    return "decoded";
}

/// A 2 x 2 image at (left, top) whose pixels are the indexes given.
GifBuilder& AddImage(GifBuilder& b, std::vector<int> px, int w = 2, int h = 2, int left = 0, int top = 0,
                     const std::vector<ColourRef>& local = {}, int codeSize = 2) {
    return b.Image(left, top, w, h, codeSize, local).Raw(RootsOnly(px, codeSize));
}

TEST(GifReader, SingleFrameGif87aLoads) {
    GifBuilder b("87a");
    b.Screen(2, 2, kPalette, 3);
    AddImage(b, {0, 1, 2, 3}).Trailer();
    const GifAnimation a = DecodeGif(b.Get(), "x");
    ASSERT_EQ(a.frames.Count(), 1u);
    const GifFrame& f = a.frames[0];
    // The first image row is the top row of the picture.
    EXPECT_EQ(Pixels(f.picture), (std::vector<ColourRef>{kRed, kGreen, kBlue, kWhite}));
    EXPECT_EQ(f.delay, 0);
    EXPECT_EQ(f.disposal, 0);
    EXPECT_EQ(f.transparentColour, kNoColour);
    EXPECT_EQ(f.index, 0);
    EXPECT_EQ(f.mark1, 0);
    EXPECT_EQ(a.info.valid, 1);
    EXPECT_EQ(a.info.backgroundColour, kWhite);
    EXPECT_EQ(a.info.fileScreenWidth, 2);
    EXPECT_EQ(a.info.screenHeight, 2);
    EXPECT_EQ(a.info.loop, 0);
    EXPECT_EQ(a.info.commonPaletteCount, 0);
    EXPECT_FALSE(IsAnimatedGif(b.Get()));
}

TEST(GifReader, AnyVersionAfterGifIsAccepted) {
    GifBuilder b("xyz");
    b.Screen(2, 2, kPalette);
    AddImage(b, {0, 0, 0, 0}).Trailer();
    EXPECT_EQ(DecodeGif(b.Get(), "x").frames.Count(), 1u);
}

TEST(GifReader, InterlacedRowsArriveInDisplayOrder) {
    // 1 x 11: stored rows are 0, 8 | 4 | 2, 6, 10 | 1, 3, 5, 7, 9; each stored row's pixel
    // is its display row number, so the picture must read 0..10 from the top.
    std::vector<int> stored = {0, 8, 4, 2, 6, 10, 1, 3, 5, 7, 9};
    std::vector<ColourRef> grey;
    for (int i = 0; i < 16; ++i) grey.push_back(MakeColour(std::uint8_t(i * 10), 0, 0));
    GifBuilder b;
    b.Screen(1, 11, grey).Image(0, 0, 1, 11, 4, {}, true).Raw(RootsOnly(stored, 4)).Trailer();
    const GifAnimation a = DecodeGif(b.Get(), "x");
    std::vector<ColourRef> expected;
    for (int i = 0; i <= 10; ++i) expected.push_back(MakeColour(std::uint8_t(i * 10), 0, 0));
    EXPECT_EQ(Pixels(a.frames[0].picture), expected);
}

TEST(GifReader, GraphicControlValuesCarryOverToImagesWithoutTheirOwn) {
    GifBuilder b;
    b.Screen(4, 4, kPalette).Control(25, 2, 1, true);
    AddImage(b, {0, 1, 1, 0});
    AddImage(b, {1, 2, 2, 1}, 2, 2, 2, 2);  // no graphic control of its own
    b.Control(7, 3);
    AddImage(b, {3, 3, 3, 3});
    b.Trailer();
    const GifAnimation a = DecodeGif(b.Get(), "x");
    ASSERT_EQ(a.frames.Count(), 3u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(a.frames[i].delay, 25);
        EXPECT_EQ(a.frames[i].disposal, 2);
        EXPECT_NE(a.frames[i].userInput, 0);
        EXPECT_EQ(a.frames[i].transparentColour, kGreen);
    }
    EXPECT_EQ(a.frames[1].left, 2);
    EXPECT_EQ(a.frames[1].top, 2);
    EXPECT_EQ(a.frames[2].delay, 7);
    EXPECT_EQ(a.frames[2].disposal, 3);
    EXPECT_EQ(a.frames[2].userInput, 0);
    EXPECT_EQ(a.frames[2].transparentColour, kNoColour);
    EXPECT_EQ(a.frames[2].index, 2);
    EXPECT_TRUE(IsAnimatedGif(b.Get()));
}

TEST(GifReader, DisposalFourToSevenReadsAsZero) {
    for (int disposal = 0; disposal < 8; ++disposal) {
        GifBuilder b;
        b.Screen(2, 2, kPalette).Control(0, disposal);
        AddImage(b, {0, 0, 0, 0}).Trailer();
        EXPECT_EQ(DecodeGif(b.Get(), "x").frames[0].disposal, disposal <= 3 ? disposal : 0) << disposal;
    }
}

struct LoopCase {
    const char* name;
    Bytes extension;
    int loop;
    int loopCount;
};

Bytes Ext(std::initializer_list<int> bytes) {
    Bytes out;
    for (int v : bytes) out.push_back(static_cast<std::uint8_t>(v));
    return out;
}
Bytes AppExt(std::string_view id, const Bytes& data) {
    Bytes out = Ext({0x21, 0xFF, int(id.size())});
    out.insert(out.end(), id.begin(), id.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

TEST(GifReader, LoopCountComesOnlyFromTheLoopingBlock) {
    const std::vector<LoopCase> cases = {
        {"NETSCAPE2.0 count 5", AppExt("NETSCAPE2.0", Ext({3, 1, 5, 0, 0})), 1, 5},
        {"NETSCAPE2.0 endless", AppExt("NETSCAPE2.0", Ext({3, 1, 0, 0, 0})), 1, 0},
        {"ANIMEXTS1.0", AppExt("ANIMEXTS1.0", Ext({3, 1, 0x10, 0x27, 0})), 1, 10000},
        {"largest count", AppExt("NETSCAPE2.0", Ext({3, 1, 0xFF, 0xFF, 0})), 1, 65535},
        {"other application", AppExt("XMP DataXMP", Ext({3, 1, 5, 0, 0})), 0, 0},
        {"sub-block too short", AppExt("NETSCAPE2.0", Ext({2, 1, 5, 0})), 0, 0},
        {"buffering sub-block only", AppExt("NETSCAPE2.0", Ext({5, 2, 0, 0, 1, 0, 0})), 0, 0},
        {"buffering then looping", AppExt("NETSCAPE2.0", Ext({5, 2, 0, 0, 1, 0, 3, 1, 9, 0, 0})), 1, 9},
        {"short identifier", AppExt("NETSCAPE", Ext({3, 1, 5, 0, 0})), 0, 0},
    };
    for (const auto& c : cases) {
        GifBuilder b;
        b.Screen(2, 2, kPalette).Raw(c.extension);
        AddImage(b, {0, 0, 0, 0}).Trailer();
        const GifAnimation a = DecodeGif(b.Get(), "x");
        EXPECT_EQ(a.info.loop, c.loop) << c.name;
        EXPECT_EQ(a.info.loopCount, c.loopCount) << c.name;
    }
}

TEST(GifReader, CommentIsTheFirstSubBlockUpToNulAndAtMost254Characters) {
    const std::string long300(300, 'x');
    const struct {
        Bytes ext;
        std::string expected;
    } cases[] = {
        {Ext({0x21, 0xFE, 5, 'H', 'e', 'l', 'l', 'o', 0}), "Hello"},
        {Ext({0x21, 0xFE, 3, 'a', 0, 'b', 2, 'c', 'd', 0}), "a"},
        {Ext({0x21, 0xFE, 2, 'a', 'b', 2, 'c', 'd', 0}), "ab"},
        {Ext({0x21, 0xFE, 0}), ""},
    };
    for (const auto& c : cases) {
        GifBuilder b;
        b.Screen(2, 2, kPalette).Raw(c.ext);
        AddImage(b, {0, 0, 0, 0}).Trailer();
        EXPECT_EQ(DecodeGif(b.Get(), "x").info.comment, c.expected);
    }
    GifBuilder b;
    b.Screen(2, 2, kPalette).Comment(long300);
    AddImage(b, {0, 0, 0, 0}).Trailer();
    EXPECT_EQ(DecodeGif(b.Get(), "x").info.comment, std::string(254, 'x'));
}

TEST(GifReader, UnknownExtensionsAndStrayBytesAreSkipped) {
    GifBuilder b;
    b.Screen(2, 2, kPalette).Raw(Ext({0x21, 0x2A, 3, 1, 2, 3, 0})).Byte(0x00).Byte(0x99);
    b.Raw(Ext({0x21, 0x01, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));  // plain text extension
    AddImage(b, {3, 2, 1, 0}).Trailer();
    const GifAnimation a = DecodeGif(b.Get(), "x");
    EXPECT_EQ(Pixels(a.frames[0].picture), (std::vector<ColourRef>{kWhite, kBlue, kGreen, kRed}));
}

TEST(GifReader, LocalTableReplacesTheGlobalOneForItsImageOnly) {
    GifBuilder b;
    b.Screen(2, 1, kPalette);
    AddImage(b, {0, 1}, 2, 1);
    AddImage(b, {0, 1}, 2, 1, 0, 0, {kWhite, kBlue});
    AddImage(b, {0, 1}, 2, 1);
    b.Trailer();
    const GifAnimation a = DecodeGif(b.Get(), "x");
    ASSERT_EQ(a.frames.Count(), 3u);
    EXPECT_EQ(Pixels(a.frames[0].picture), (std::vector<ColourRef>{kRed, kGreen}));
    EXPECT_EQ(Pixels(a.frames[1].picture), (std::vector<ColourRef>{kWhite, kBlue}));
    EXPECT_EQ(Pixels(a.frames[2].picture), (std::vector<ColourRef>{kRed, kGreen}));
}

// Indexes the file's table does not cover read as black; a transparent index outside
// the table names no colour; with no table at all every pixel is black.
TEST(GifReader, IndexesPastTheTableReadAsBlack) {
    {
        GifBuilder b;
        b.Screen(4, 1, {kRed, kGreen}).Control(0, 0, 200);
        AddImage(b, {0, 1, 5, 7}, 4, 1, 0, 0, {}, 3).Trailer();
        const GifAnimation a = DecodeGif(b.Get(), "x");
        EXPECT_EQ(Pixels(a.frames[0].picture), (std::vector<ColourRef>{kRed, kGreen, 0, 0}));
        EXPECT_EQ(a.frames[0].transparentColour, kNoColour);
    }
    {
        GifBuilder b;
        b.Screen(2, 1);
        AddImage(b, {1, 2}, 2, 1).Trailer();
        const GifAnimation a = DecodeGif(b.Get(), "x");
        EXPECT_EQ(Pixels(a.frames[0].picture), (std::vector<ColourRef>{0, 0}));
        EXPECT_EQ(a.info.backgroundColour, 0);
    }
    {
        // Code size 9: roots above 255 exist in the stream but name no colour.
        GifBuilder b;
        b.Screen(3, 1, kPalette).Image(0, 0, 3, 1, 9).Raw(RootsOnly({2, 300, 511}, 9)).Trailer();
        EXPECT_EQ(Pixels(DecodeGif(b.Get(), "x").frames[0].picture), (std::vector<ColourRef>{kBlue, 0, 0}));
    }
}

// Minimum code sizes 1..11 are read; 0 and 12 and above fail with code 1013.
TEST(GifReader, LzwCodeSizeRange) {
    for (int codeSize = 0; codeSize <= 13; ++codeSize) {
        GifBuilder b;
        b.Screen(2, 1, kPalette).Image(0, 0, 2, 1, codeSize);
        if (codeSize >= 1 && codeSize <= 11)
            b.Raw(RootsOnly({1, 0}, codeSize));
        else
            b.Raw(Ext({2, 0, 0, 0}));
        b.Trailer();
        if (codeSize >= 1 && codeSize <= 11) {
            EXPECT_EQ(Pixels(DecodeGif(b.Get(), "x").frames[0].picture), (std::vector<ColourRef>{kGreen, kRed}))
                << codeSize;
        } else {
            EXPECT_EQ(DecodeError(b.Get()), "Unknown message code 1013") << codeSize;
        }
    }
}

TEST(GifReader, BadFilesFailWithTheReadersTexts) {
    const auto header = [](int w, int h) {
        GifBuilder b;
        b.Screen(w, h, kPalette);
        return b;
    };
    const struct {
        const char* name;
        Bytes file;
        const char* error;
    } cases[] = {
        {"empty file", {}, "Unknown message code 1016"},
        {"not a GIF", Ext({'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), "Unknown message code 1016"},
        {"signature only", Ext({'G', 'I', 'F', '8'}), "Premature end of input file"},
        {"screen cut", Ext({'G', 'I', 'F', '8', '9', 'a', 2, 0, 2}), "Premature end of input file"},
        {"global table cut", Ext({'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x81, 0, 0, 1, 2, 3}),
         "Premature end of input file"},
        {"no image, trailer", header(2, 2).Trailer().Get(), "The GIF file holds no image"},
        {"no image, no trailer", header(2, 2).Raw(Ext({0x21, 0xFE, 1, 'a', 0})).Get(), "Premature end of input file"},
        {"extension cut", header(2, 2).Raw(Ext({0x21, 0xFE, 9, 'a'})).Get(), "Premature end of input file"},
        {"descriptor cut", header(2, 2).Raw(Ext({0x2C, 0, 0, 0})).Get(), "Premature end of input file"},
        {"local table cut", header(2, 2).Raw(Ext({0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0x82, 1, 2})).Get(),
         "Premature end of input file"},
        {"data cut before any pixel", header(2, 2).Image(0, 0, 2, 2, 2).Get(), "Premature end of input file"},
        {"frame 0 wide", header(2, 2).Image(0, 0, 0, 2, 2).Raw(RootsOnly({0}, 2)).Trailer().Get(),
         "Invalid picture size"},
        {"frame 0 high", header(2, 2).Image(0, 0, 2, 0, 2).Raw(RootsOnly({0}, 2)).Trailer().Get(),
         "Invalid picture size"},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeError(c.file), c.error) << c.name;
}

TEST(GifReader, LimitsAreCheckedBeforeAllocating) {
    GifBuilder big;
    big.Screen(65535, 65535, kPalette).Image(0, 0, 65535, 65535, 2).Raw(RootsOnly({0}, 2)).Trailer();
    EXPECT_EQ(DecodeError(big.Get()).rfind("Picture too large: 65535 x 65535", 0), 0u);

    GifBuilder frame;
    frame.Screen(10, 10, kPalette).Image(0, 0, 5000, 5000, 2).Raw(RootsOnly({0}, 2)).Trailer();
    GifReadOptions small;
    small.limits.picture.maxPixels = 1000000;
    EXPECT_EQ(DecodeError(frame.Get(), small).rfind("Picture too large: 5000 x 5000", 0), 0u);

    GifBuilder many;
    many.Screen(2, 2, kPalette);
    for (int i = 0; i < 5; ++i) AddImage(many, {0, 0, 0, 0});
    many.Trailer();
    GifReadOptions frames;
    frames.limits.maxFrames = 4;
    EXPECT_EQ(DecodeError(many.Get(), frames), "Too many frames: more than 4");
    GifReadOptions total;
    total.limits.maxTotalPixels = 19;
    EXPECT_EQ(DecodeError(many.Get(), total), "Animation too large: its frames hold more than 19 pixels");
    total.limits.maxTotalPixels = 20;
    EXPECT_EQ(DecodeGif(many.Get(), "x", nullptr, total).frames.Count(), 5u);
}

// The logical screen is no picture: a screen of 0 is rebuilt from the frames, and one over
// the limits does not matter while the frames are small.
TEST(GifReader, OnlyFramesAreCheckedAgainstTheLimits) {
    struct Case {
        const char* name;
        int screenWidth, screenHeight;
        int wantWidth, wantHeight;
    };
    const Case cases[] = {
        {"0 x 0", 0, 0, 5, 4}, {"0 wide", 0, 9, 5, 4}, {"0 high", 9, 0, 5, 4}, {"over the cap", 65535, 65535, 65535, 65535},
    };
    for (const auto& c : cases) {
        GifBuilder b;
        b.Screen(c.screenWidth, c.screenHeight, kPalette);
        AddImage(b, {0, 1, 2, 3}, 2, 2, 0, 0);
        AddImage(b, {3, 3, 3, 3}, 2, 2, 3, 2).Trailer();
        GifReadOptions options;
        options.limits.picture.maxPixels = 1000;
        const GifAnimation a = DecodeGif(b.Get(), "x", nullptr, options);
        ASSERT_EQ(a.frames.Count(), 2u) << c.name;
        EXPECT_EQ(a.info.screenWidth, c.wantWidth) << c.name;
        EXPECT_EQ(a.info.screenHeight, c.wantHeight) << c.name;
        EXPECT_EQ(a.info.fileScreenWidth, c.screenWidth) << c.name;
        EXPECT_EQ(Pixels(a.frames[0].picture), (std::vector<ColourRef>{kRed, kGreen, kBlue, kWhite})) << c.name;
    }
}

// A common padding: entry 0 is the transparent black, entry 1 an opaque black. The pixels of
// entry 1 must stay visible, so the key takes a colour the frame does not show.
TEST(GifReader, KeySharingAVisibleColourGetsAColourOfItsOwn) {
    constexpr ColourRef kBlack = MakeColour(0, 0, 0);
    std::vector<int> px(8 * 4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 8; ++x) px[std::size_t(y * 8 + x)] = x < 4 ? 0 : 1;
    GifBuilder b;
    b.Screen(8, 4, {kBlack, kBlack, kWhite, kWhite}).Control(0, 0, 0);
    AddImage(b, px, 8, 4).Trailer();
    const GifAnimation a = DecodeGif(b.Get(), "x");
    ASSERT_EQ(a.frames.Count(), 1u);
    const GifFrame& f = a.frames[0];
    ASSERT_NE(f.transparentColour, kNoColour);
    EXPECT_NE(f.transparentColour, kBlack);
    EXPECT_NE(f.transparentColour, kWhite);
    const std::vector<ColourRef> got = Pixels(f.picture);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            const ColourRef want = y >= 2 ? kWhite : x < 4 ? f.transparentColour : kBlack;
            EXPECT_EQ(got[std::size_t(y * 8 + x)], want) << x << "," << y;
        }

    // The same table where the frame never shows entry 1: the key keeps its own colour.
    for (int& v : px)
        if (v == 1) v = 2;
    GifBuilder unused;
    unused.Screen(8, 4, {kBlack, kBlack, kWhite, kWhite}).Control(0, 0, 0);
    AddImage(unused, px, 8, 4).Trailer();
    const GifAnimation u = DecodeGif(unused.Get(), "x");
    EXPECT_EQ(u.frames[0].transparentColour, kBlack);
    EXPECT_EQ(Pixels(u.frames[0].picture)[0], kBlack);
    EXPECT_EQ(Pixels(u.frames[0].picture)[4], kWhite);
}

// Frames larger than their data could ever make are refused before they are allocated; all
// frames of a file share one budget of pixel bytes.
TEST(GifReader, FramesTheDataCannotFillAndTheBudget) {
    GifBuilder bomb;
    bomb.Screen(4096, 4096, kPalette);
    for (int i = 0; i < 3; ++i) bomb.Image(0, 0, 4096, 4096, 2).Raw(RootsOnly({0, 1, 2}, 2));
    bomb.Trailer();
    EXPECT_EQ(DecodeError(bomb.Get()), "Not enough image data");

    // A cut stream keeps the frames before the cut, as any truncated file.
    GifBuilder cut;
    cut.Screen(4096, 4096, kPalette);
    AddImage(cut, {0, 1, 2, 3});
    cut.Image(0, 0, 4096, 4096, 2).Raw(Bytes{5, 1, 2, 3});
    const GifAnimation kept = DecodeGif(cut.Get(), "x");
    EXPECT_EQ(kept.frames.Count(), 1u);

    // The data of one flat colour packs as tight as LZW can: it is never refused.
    Picture flat;
    flat.Create(2048, 2048);
    const GifAnimation dense = DecodeGif(EncodeGif(flat, 0), "x");
    ASSERT_EQ(dense.frames.Count(), 1u);
    EXPECT_EQ(dense.frames[0].picture.Width(), 2048);

    // A small frame with short data still fills the rest with the background.
    GifBuilder shortData;
    shortData.Screen(300, 300, kPalette).Image(0, 0, 300, 300, 2).Raw(RootsOnly({1}, 2)).Trailer();
    EXPECT_EQ(DecodeGif(shortData.Get(), "x").frames[0].picture.Width(), 300);

    // Three 2 x 2 frames take 3 x 16 bytes of 24-bit rows (each row padded to 8 bytes).
    GifBuilder three;
    three.Screen(2, 2, kPalette);
    for (int i = 0; i < 3; ++i) AddImage(three, {0, 1, 2, 3});
    three.Trailer();
    GifReadOptions budget;
    budget.limits.picture.maxBytes = 47;
    EXPECT_EQ(DecodeError(three.Get(), budget).rfind("Picture too large", 0), 0u) << DecodeError(three.Get(), budget);
    budget.limits.picture.maxBytes = 48;
    EXPECT_EQ(DecodeGif(three.Get(), "x", nullptr, budget).frames.Count(), 3u);
}

// The stream ends inside the second frame's data: the first frame stays whole, the
// second keeps its decoded rows and shows its transparent colour (or the background) in
// the rest; a cut after a complete frame keeps it.
TEST(GifReader, TruncatedStreamsKeepWhatDecoded) {
    GifBuilder b;
    b.Screen(4, 4, kPalette, 3);
    AddImage(b, std::vector<int>(16, 0), 4, 4);
    const std::size_t afterFirst = b.Size();
    b.Control(5, 0, 2);
    b.Image(0, 0, 4, 4, 2);
    // The clear and three codes take 3 bits each, the next ones 4: the first two data
    // bytes hold the clear and exactly four pixels.
    const Bytes data = RootsOnly({1, 1, 1, 1, 1, 1}, 2);
    b.Byte(data[0]).Byte(data[1]).Byte(data[2]);  // length byte and two data bytes
    const GifAnimation a = DecodeGif(b.Get(), "x");
    ASSERT_EQ(a.frames.Count(), 2u);
    EXPECT_EQ(Pixels(a.frames[0].picture), std::vector<ColourRef>(16, kRed));
    std::vector<ColourRef> expected(16, kBlue);  // transparent colour of the cut frame
    for (int i = 0; i < 4; ++i) expected[std::size_t(i)] = kGreen;
    EXPECT_EQ(Pixels(a.frames[1].picture), expected);
    EXPECT_EQ(a.frames[1].transparentColour, kBlue);
    EXPECT_EQ(a.frames[1].delay, 5);

    // A cut first frame without transparency fills with the background colour.
    GifBuilder c;
    c.Screen(4, 2, kPalette, 3).Image(0, 0, 4, 2, 2);
    c.Byte(data[0]).Byte(data[1]).Byte(data[2]);
    EXPECT_EQ(Pixels(DecodeGif(c.Get(), "x").frames[0].picture),
              (std::vector<ColourRef>{kGreen, kGreen, kGreen, kGreen, kWhite, kWhite, kWhite, kWhite}));

    // Cut right after the first frame, inside an extension, or in a descriptor: one frame.
    for (const std::size_t extra : {std::size_t(0), std::size_t(3), std::size_t(10)}) {
        const Bytes head(b.Get().begin(), b.Get().begin() + std::ptrdiff_t(afterFirst + extra));
        EXPECT_EQ(DecodeGif(head, "x").frames.Count(), 1u) << extra;
    }
}

// Data that ends (at its end code or terminator) before the frame is full is not a
// truncated file: the frame is complete and the rest shows the background.
TEST(GifReader, ShortImageDataFillsTheRest) {
    GifBuilder b;
    b.Screen(3, 2, kPalette, 2);
    AddImage(b, {0, 1}, 3, 2);
    AddImage(b, {0, 0, 0, 0, 0, 0}, 3, 2);
    b.Trailer();
    const GifAnimation a = DecodeGif(b.Get(), "x");
    ASSERT_EQ(a.frames.Count(), 2u);
    EXPECT_EQ(Pixels(a.frames[0].picture), (std::vector<ColourRef>{kRed, kGreen, kBlue, kBlue, kBlue, kBlue}));
}

TEST(GifReader, FirstFrameModeAndProbe) {
    GifBuilder b;
    b.Screen(2, 2, kPalette).Comment("first").Control(3, 1, 0);
    AddImage(b, {0, 1, 2, 3});
    AddImage(b, {3, 3, 3, 3}).Trailer();
    GifInfo info;
    const GifFrame f = DecodeGifFirstFrame(b.Get(), "x", nullptr, &info);
    EXPECT_EQ(Pixels(f.picture), (std::vector<ColourRef>{kRed, kGreen, kBlue, kWhite}));
    EXPECT_EQ(f.transparentColour, kRed);
    EXPECT_EQ(f.delay, 3);
    EXPECT_EQ(info.comment, "first");
    EXPECT_TRUE(IsAnimatedGif(b.Get()));
    // The probe does not decode: a second image is enough, whatever its data.
    GifBuilder p;
    p.Screen(2, 2, kPalette);
    AddImage(p, {0, 0, 0, 0});
    p.Image(0, 0, 2, 2, 2);
    EXPECT_TRUE(IsAnimatedGif(p.Get()));
    EXPECT_FALSE(IsAnimatedGif(Bytes{'G', 'I', 'F'}));
}

TEST(GifReader, EncodedSizeIsTheDataLengthPlusFivePercent) {
    GifBuilder b;
    b.Screen(2, 2, kPalette).Image(0, 0, 2, 2, 2);
    const Bytes data = RootsOnly(std::vector<int>(4, 1), 2);
    b.Raw(data).Trailer();
    EXPECT_EQ(DecodeGif(b.Get(), "x").frames[0].encodedSize, int(data.size() * 105 / 100));
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

TEST(GifReader, ProgressReportsEveryRowOfEveryFrame) {
    GifBuilder b;
    b.Screen(2, 2, kPalette);
    AddImage(b, {0, 0, 0, 0});
    AddImage(b, {0, 0}, 1, 2);
    b.Trailer();
    RecordingSink sink;
    DecodeGif(b.Get(), "x", &sink);
    EXPECT_EQ(sink.log,
              (std::vector<std::string>{"Begin 0 2 Loading GIF File ... Frame #1", "Step 1", "Step 2", "End",
                                        "Begin 0 2 Loading GIF File ... Frame #2", "Step 1", "Step 2", "End"}));
    RecordingSink captioned;
    GifReadOptions options;
    options.caption = "Opening banner.gif";
    DecodeGif(b.Get(), "x", &captioned, options);
    EXPECT_EQ(captioned.log[0], "Begin 0 2 Opening banner.gif");

    // A failure after a frame leaves no progress running.
    RecordingSink failing;
    GifBuilder bad;
    bad.Screen(2, 2, kPalette).Image(0, 0, 2, 2, 2).Raw(RootsOnly({0}, 2));
    bad.Raw(Ext({0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0, 0})).Trailer();  // second image: code size 0
    EXPECT_THROW(DecodeGif(bad.Get(), "x", &failing), ImpExpException);
    EXPECT_EQ(std::count_if(failing.log.begin(), failing.log.end(), [](auto& l) { return l.rfind("Begin", 0) == 0; }),
              std::count(failing.log.begin(), failing.log.end(), "End"));
}

TEST(GifReader, FilesAndTheirErrors) {
    test::ScratchDir dir;
    try {
        LoadGif(dir / "missing.gif");
        FAIL();
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "File Open Error");
        EXPECT_EQ(e.Where(), (dir / "missing.gif").string());
        EXPECT_EQ(e.Title(), "GIF Error");
    }
    EXPECT_FALSE(IsAnimatedGif(dir / "missing.gif"));
    GifBuilder b;
    b.Screen(2, 2, kPalette);
    AddImage(b, {0, 1, 2, 3}).Trailer();
    test::WriteFileBytes(dir / "a.gif", b.Get());
    EXPECT_EQ(Pixels(LoadGifPicture(dir / "a.gif", nullptr)), (std::vector<ColourRef>{kRed, kGreen, kBlue, kWhite}));
    EXPECT_EQ(LoadGif(dir / "a.gif").frames.Count(), 1u);
}

}  // namespace
}  // namespace lp
