#include "formats/bmp/bmp_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bmp_test_support.h"
#include "base/colour.h"
#include "base/imp_exp_exception.h"
#include "test_support.h"

namespace lp {
namespace {

using test::PixelAt;
using test::bmp::BmpLayout;
using test::bmp::BuildBmp;

constexpr ColourRef kRed = MakeColour(255, 0, 0);
constexpr ColourRef kGreen = MakeColour(0, 255, 0);
constexpr ColourRef kBlue = MakeColour(0, 0, 255);
constexpr ColourRef kWhite = MakeColour(255, 255, 255);
constexpr ColourRef kBlack = 0;

Picture Decode(const std::vector<std::uint8_t>& file, const ImageLimits& limits = {}) {
    return DecodeBmp(file, "test.bmp", nullptr, limits);
}

// The message of the failure, or "decoded" when the file decodes.
std::string DecodeError(const std::vector<std::uint8_t>& file, const ImageLimits& limits = {}) {
    try {
        Decode(file, limits);
        return "decoded";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Where(), "test.bmp");
        EXPECT_EQ(e.Title(), "Bitmap Error");
        return e.Message();
    }
}

// Colours of a picture, top row first, as 0x00BBGGRR.
std::vector<ColourRef> Colours(const Picture& p) {
    std::vector<ColourRef> out;
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) out.push_back(PixelAt(p, x, y));
    return out;
}

// 2 x 2, every header size: 24-bit pixels stored bottom row first.
TEST(BmpReader, ReadsEveryKnownInfoHeaderSizeAndRefusesOthers) {
    const std::vector<std::uint8_t> bits = {
        0,   0, 255, 0,   255, 0,   0, 0,  // bottom row: red, green, padding
        255, 0, 0,   255, 255, 255, 0, 0,  // top row: blue, white, padding
    };
    for (const std::uint32_t size : {40u, 52u, 56u, 64u, 108u, 124u}) {
        BmpLayout layout;
        layout.headerSize = size;
        layout.width = 2;
        layout.height = 2;
        layout.data = bits;
        EXPECT_EQ(Colours(Decode(BuildBmp(layout))), (std::vector<ColourRef>{kBlue, kWhite, kRed, kGreen})) << size;
    }
    for (const std::uint32_t size : {0u, 16u, 41u, 66u, 100u, 128u, 0xFFFFFFFFu}) {
        BmpLayout layout;
        layout.headerSize = size;
        layout.data = {1, 2, 3, 0};
        EXPECT_EQ(DecodeError(BuildBmp(layout)), "Unknown/Unsupported DIB format") << size;
    }
}

TEST(BmpReader, Os2CoreHeaderUsesThreeByteColourEntries) {
    BmpLayout layout;
    layout.headerSize = 12;
    layout.bits = 4;
    layout.width = 3;
    layout.height = 2;
    layout.data = {0x01, 0x23, 0, 0, 0x10, 0x00, 0, 0};  // 4 bits: bottom 0,1,2  top 1,0,0
    layout.palette.assign(16, 0);
    layout.palette[0] = 0x000000;
    layout.palette[1] = 0xFF0000;  // red
    layout.palette[2] = 0x00FF00;
    layout.palette[3] = 0x0000FF;
    const Picture p = Decode(BuildBmp(layout));
    EXPECT_EQ(Colours(p), (std::vector<ColourRef>{kRed, kBlack, kBlack, kBlack, kRed, kGreen}));
    // A 4-byte table here would misplace every entry after the first.
}

struct DepthCase {
    const char* name;
    std::uint16_t bits;
    std::vector<std::uint32_t> palette;
    std::vector<std::uint8_t> row;  // one stored row of 3 pixels, padded
    std::vector<ColourRef> want;
};

TEST(BmpReader, DecodesEveryDepthBottomUpAndTopDown) {
    const std::vector<std::uint32_t> pal = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    const std::vector<DepthCase> cases = {
        {"1 bit", 1, {0x0000FF, 0xFFFFFF}, {0b10100000, 0, 0, 0}, {kWhite, kBlue, kWhite}},
        {"4 bits", 4, pal, {0x21, 0x30, 0, 0}, {kBlue, kGreen, kWhite}},
        {"8 bits", 8, pal, {3, 0, 2, 0}, {kWhite, kRed, kBlue}},
        // 5-5-5: red 0x7C00, green 0x03E0, blue 0x001F; the top bit is ignored.
        {"16 bits", 16, {}, {0x00, 0x7C, 0xE0, 0x83, 0x10, 0x42, 0, 0}, {kRed, kGreen, MakeColour(132, 132, 132)}},
        {"24 bits", 24, {}, {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0}, {kRed, kGreen, kBlue}},
        {"32 bits", 32, {}, {0, 0, 255, 7, 0, 255, 0, 9, 255, 0, 0, 0xFF}, {kRed, kGreen, kBlue}},
    };
    for (const auto& c : cases) {
        for (const bool topDown : {false, true}) {
            BmpLayout layout;
            layout.width = 3;
            layout.height = topDown ? -2 : 2;
            layout.bits = c.bits;
            layout.data = c.row;
            layout.data.resize(c.row.size() * 2, 0);  // second stored row: zero bytes
            layout.palette = c.palette;
            layout.coloursUsed = std::uint32_t(c.palette.size());
            const Picture p = Decode(BuildBmp(layout));
            ASSERT_EQ(p.Width(), 3) << c.name;
            ASSERT_EQ(p.Height(), 2) << c.name;
            const int storedFirst = topDown ? 0 : 1;  // row of the picture (from the top) stored first
            for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(p, x, storedFirst), c.want[x]) << c.name << " x=" << x;
        }
    }
}

TEST(BmpReader, BitFieldMasksOfAnyShapeScaleToEightBits) {
    struct MaskCase {
        const char* name;
        std::uint16_t bits;
        std::vector<std::uint32_t> masks;  // red, green, blue
        std::uint32_t pixel;
        ColourRef want;
    };
    const std::vector<MaskCase> cases = {
        {"565", 16, {0xF800, 0x07E0, 0x001F}, 0xF800 | (32 << 5) | 1, MakeColour(255, 130, 8)},
        // 1-bit channels read 0 or 255, 3-bit ones v x 255 / 7.
        {"1-3-1", 16, {0x0010, 0x000E, 0x0001}, 0x0010 | (3 << 1), MakeColour(255, 109, 0)},
        // A mask with a hole: bits 0b101 scale as a value out of 5.
        {"holes", 16, {0x0005, 0, 0}, 0x0004, MakeColour(204, 0, 0)},
        // An empty mask reads 0; masks past 16 bits see no pixel bits.
        {"empty", 16, {0, 0xFFFF0000, 0x00FF}, 0x00FF, MakeColour(0, 0, 255)},
        {"10-10-10", 32, {0x3FF00000, 0x000FFC00, 0x000003FF}, (1023u << 20) | (512u << 10), MakeColour(255, 128, 0)},
        {"xbgr", 32, {0x000000FF, 0x0000FF00, 0x00FF0000}, 0x00332211, MakeColour(0x11, 0x22, 0x33)},
        {"top bits", 32, {0x80000000, 0x7FFFFFFF, 0}, 0x80000000, MakeColour(255, 0, 0)},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> bits;
        test::bmp::Put32(bits, c.pixel);
        if (c.bits == 16) bits.resize(2);
        bits.resize(4, 0);
        // The same masks after a 40-byte header and inside V3, V4 and V5 headers.
        for (const std::uint32_t size : {40u, 52u, 56u, 108u, 124u}) {
            BmpLayout layout;
            layout.headerSize = size;
            layout.bits = c.bits;
            layout.compression = 3;  // BI_BITFIELDS
            (size == 40 ? layout.trailingMasks : layout.headerMasks) = c.masks;
            layout.data = bits;
            EXPECT_EQ(PixelAt(Decode(BuildBmp(layout)), 0, 0), c.want) << c.name << " header " << size;
        }
    }
}

TEST(BmpReader, AlphaBitfieldsReadFourMasksAndIgnoreAlpha) {
    BmpLayout layout;
    layout.bits = 32;
    layout.compression = 6;  // BI_ALPHABITFIELDS
    layout.trailingMasks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF};
    layout.data = {0x00, 0x10, 0x20, 0x30};
    EXPECT_EQ(PixelAt(Decode(BuildBmp(layout)), 0, 0), MakeColour(0x10, 0x20, 0x30));
}

TEST(BmpReader, MasksOfAnUncompressedV5FileAreIgnored) {
    BmpLayout layout;
    layout.headerSize = 124;
    layout.bits = 32;
    layout.headerMasks = {0x000000FF, 0x0000FF00, 0x00FF0000};  // BI_RGB: not honoured
    layout.data = {0x11, 0x22, 0x33, 0x00};
    EXPECT_EQ(PixelAt(Decode(BuildBmp(layout)), 0, 0), MakeColour(0x33, 0x22, 0x11));
}

TEST(BmpReader, IndexesPastThePaletteReadAsBlack) {
    BmpLayout layout;
    layout.width = 4;
    layout.bits = 8;
    layout.palette = {0xFF0000, 0x00FF00};
    layout.coloursUsed = 2;
    layout.data = {0, 1, 2, 255};
    EXPECT_EQ(Colours(Decode(BuildBmp(layout))), (std::vector<ColourRef>{kRed, kGreen, kBlack, kBlack}));

    layout.bits = 4;
    layout.data = {0x1F, 0x20, 0, 0};
    EXPECT_EQ(Colours(Decode(BuildBmp(layout))), (std::vector<ColourRef>{kGreen, kBlack, kBlack, kRed}));
}

TEST(BmpReader, ColourTableLongerThanTheFileIsRefusedButAnOversizeOneThatFitsIsRead) {
    BmpLayout layout;
    layout.bits = 8;
    layout.palette.assign(300, 0x0000FF);
    layout.coloursUsed = 300;
    layout.data = {7, 0, 0, 0};
    EXPECT_EQ(PixelAt(Decode(BuildBmp(layout)), 0, 0), kBlue);

    layout.palette.assign(2, 0x0000FF);
    layout.coloursUsed = 0xFF000006u;  // would run billions of bytes past the end
    layout.bitsOffset = 14 + 40 + 8;
    EXPECT_EQ(DecodeError(BuildBmp(layout)), "Unknown/Unsupported DIB format");
}

TEST(BmpReader, BitsOffsetIsHonoured) {
    BmpLayout layout;
    layout.bits = 8;
    layout.palette = {0xFF0000, 0x00FF00};
    layout.coloursUsed = 2;
    layout.bitsOffset = 14 + 40 + 8 + 50;  // a gap after the table
    layout.data = {1, 0, 0, 0};
    EXPECT_EQ(PixelAt(Decode(BuildBmp(layout)), 0, 0), kGreen);
}

TEST(BmpReader, ShortColourTableEndsAtTheBitsOffset) {
    // 8 bits, colours-used 0 (256 entries by default) but only 3 stored: the
    // bits offset cuts the table; indexes past it read as black.
    BmpLayout layout;
    layout.width = 4;
    layout.bits = 8;
    layout.palette = {0xFF0000, 0x00FF00, 0x0000FF};
    layout.data = {2, 1, 0, 3};
    EXPECT_EQ(Colours(Decode(BuildBmp(layout))), (std::vector<ColourRef>{kBlue, kGreen, kRed, kBlack}));

    // The same file without a bits offset would need the whole table.
    layout.bitsOffset = 0;
    EXPECT_EQ(DecodeError(BuildBmp(layout)), "Unknown/Unsupported DIB format");
}

TEST(BmpReader, MissingBytesReadAsZero) {
    // 8-bit, 4 x 3, palette entry 0 green: rows the file does not reach take
    // index 0; a row cut in the middle keeps its first pixels.
    BmpLayout layout;
    layout.width = 4;
    layout.height = 3;
    layout.bits = 8;
    layout.palette = {0x00FF00, 0xFF0000};
    layout.coloursUsed = 2;
    layout.data = {1, 1, 1, 1, 1, 1};  // bottom row and half of the middle one
    EXPECT_EQ(Colours(Decode(BuildBmp(layout))), (std::vector<ColourRef>{kGreen, kGreen, kGreen, kGreen,  //
                                                                       kRed, kRed, kGreen, kGreen,      //
                                                                       kRed, kRed, kRed, kRed}));
    // Bits offset past the end of the file: no data at all.
    layout.bitsOffset = 100000;
    auto file = BuildBmp(layout);
    file.resize(14 + 40 + 8);
    EXPECT_EQ(Colours(Decode(file)), std::vector<ColourRef>(12, kGreen));
}

struct ErrorCase {
    const char* name;
    std::vector<std::uint8_t> file;
    std::string message;
};

std::vector<std::uint8_t> With(void (*change)(BmpLayout&)) {
    BmpLayout layout;
    layout.data = {1, 2, 3, 0};
    change(layout);
    return BuildBmp(layout);
}

TEST(BmpReader, RefusesBrokenHeaders) {
    const std::string notBitmap = "Not a Window Bitmap";
    const std::string unsupported = "Unknown/Unsupported DIB format";
    auto truncated = With([](BmpLayout&) {});
    truncated.resize(30);
    auto ba = With([](BmpLayout&) {});
    ba[1] = 'A';
    const std::vector<ErrorCase> cases = {
        {"empty file", {}, notBitmap},
        {"one byte", {'B'}, notBitmap},
        {"bitmap array", ba, notBitmap},
        {"PNG signature", {0x89, 'P', 'N', 'G', 13, 10, 26, 10}, notBitmap},
        {"file header only", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0}, unsupported},
        {"cut in the info header", truncated, unsupported},
        {"width 0", With([](BmpLayout& s) { s.width = 0; }), unsupported},
        {"height 0", With([](BmpLayout& s) { s.height = 0; }), unsupported},
        {"negative width", With([](BmpLayout& s) { s.width = -5; }), unsupported},
        {"height INT32_MIN", With([](BmpLayout& s) { s.height = INT32_MIN; }), "Picture too large"},
        {"2 planes", With([](BmpLayout& s) { s.planes = 2; }), unsupported},
        {"0 planes", With([](BmpLayout& s) { s.planes = 0; }), unsupported},
        {"2 bits", With([](BmpLayout& s) { s.bits = 2; }), unsupported},
        {"0 bits", With([](BmpLayout& s) { s.bits = 0; }), unsupported},
        {"64 bits", With([](BmpLayout& s) { s.bits = 64; }), unsupported},
        {"30000 bits", With([](BmpLayout& s) { s.bits = 30000; }), unsupported},
        {"RLE8 with 4 bits", With([](BmpLayout& s) { s.bits = 4, s.compression = 1; }), unsupported},
        {"RLE4 with 8 bits", With([](BmpLayout& s) { s.bits = 8, s.compression = 2; }), unsupported},
        {"bitfields with 24 bits", With([](BmpLayout& s) { s.compression = 3; }), unsupported},
        {"embedded JPEG", With([](BmpLayout& s) { s.compression = 4; }), unsupported},
        {"embedded PNG", With([](BmpLayout& s) { s.compression = 5; }), unsupported},
        {"CMYK", With([](BmpLayout& s) { s.compression = 11; }), unsupported},
        {"top-down RLE8", With([](BmpLayout& s) { s.bits = 8, s.compression = 1, s.height = -1, s.palette = {0}; }),
         unsupported},
        {"bitfield masks cut off", BuildBmp([] {
             BmpLayout s;
             s.bits = 16;
             s.compression = 3;
             s.trailingMasks = {0xF800};
             return s;
         }()),
         unsupported},
    };
    for (const auto& c : cases) {
        const std::string got = DecodeError(c.file);
        EXPECT_EQ(got.substr(0, c.message.size()), c.message) << c.name << ": " << got;
    }
}

TEST(BmpReader, RefusesSizesOverTheLimitBeforeAllocating) {
    BmpLayout layout;
    layout.width = 100;
    layout.height = 100;
    layout.data = {};
    ImageLimits limits;
    limits.maxPixels = 9999;
    EXPECT_EQ(DecodeError(BuildBmp(layout), limits).rfind("Picture too large: 100 x 100", 0), 0u);
    limits.maxPixels = 10000;
    EXPECT_EQ(DecodeError(BuildBmp(layout), limits), "decoded");

    // 65535 x 65535 declared by a 40-byte file: refused by the default limit,
    // not by an allocation failure.
    layout.width = 65535;
    layout.height = -65535;
    EXPECT_EQ(DecodeError(BuildBmp(layout)).rfind("Picture too large", 0), 0u);
}

// A header declaring a huge picture over a few bytes of data is refused before the picture
// is allocated; a large file cut after half its rows still opens (the rest stays black), and
// small files keep the zero-filled rows of a truncated file.
TEST(BmpReader, DataMustReachHalfTheRowsOfALargePicture) {
    struct Case {
        const char* name;
        std::int32_t width, height;
        std::uint16_t bits;
        std::uint32_t compression;
        std::size_t dataBytes;
        bool loads;
    };
    const std::uint64_t row24 = PackedRowBytes(2000, 24);
    const Case cases[] = {
        {"24-bit 16384 square, 64 bytes", 16384, 16384, 24, 0, 64, false},
        {"1-bit 16384 square, 64 bytes", 16384, 16384, 1, 0, 64, false},
        {"RLE8 16384 square, 10 bytes", 16384, 16384, 8, 1, 10, false},
        {"24-bit 2000 x 2000, half the rows", 2000, 2000, 24, 0, std::size_t(row24 * 1000), true},
        {"24-bit 2000 x 2000, under half", 2000, 2000, 24, 0, std::size_t(row24 * 999), false},
        {"small picture, no data", 100, 100, 24, 0, 0, true},
    };
    for (const auto& c : cases) {
        BmpLayout layout;
        layout.width = c.width;
        layout.height = c.height;
        layout.bits = c.bits;
        layout.compression = c.compression;
        if (c.bits <= 8) layout.palette = {0x000000, 0xFFFFFF};
        layout.data.assign(c.dataBytes, 0x11);
        const std::string got = DecodeError(BuildBmp(layout));
        EXPECT_EQ(got, c.loads ? "decoded" : "Not enough image data") << c.name;
    }
}

// Run-length files: a palette where index i is MakeColour(i, 0, 0)-ish
// colours, and the codes given as bytes.
std::vector<std::uint8_t> RleFile(int width, int height, bool rle4, std::vector<std::uint8_t> codes) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bits = rle4 ? 4 : 8;
    layout.compression = rle4 ? 2 : 1;
    for (int i = 0; i < (rle4 ? 16 : 256); ++i) layout.palette.push_back(std::uint32_t(i) << 16 | 0x0101 * 7);
    layout.data = std::move(codes);
    return BuildBmp(layout);
}
constexpr ColourRef I(int index) { return MakeColour(std::uint8_t(index), 7, 7); }
constexpr ColourRef _ = kBlack;  // a pixel no code set

TEST(BmpReader, Rle8EscapesAndClipping) {
    struct RleCase {
        const char* name;
        std::vector<std::uint8_t> codes;
        std::vector<ColourRef> want;  // 4 x 2, top row first
    };
    const std::vector<RleCase> cases = {
        {"runs and end of line", {2, 5, 2, 6, 0, 0, 4, 9, 0, 1}, {I(9), I(9), I(9), I(9), I(5), I(5), I(6), I(6)}},
        {"absolute run, odd length padded", {0, 3, 1, 2, 3, 0, 1, 4, 0, 1}, {_, _, _, _, I(1), I(2), I(3), I(4)}},
        {"delta right and up", {0, 2, 1, 1, 1, 8, 0, 1}, {_, I(8), _, _, _, _, _, _}},
        {"end of bitmap stops", {1, 3, 0, 1, 3, 3}, {_, _, _, _, I(3), _, _, _}},
        {"run past the row is clipped, no wrap", {9, 4, 1, 5, 0, 0, 1, 6}, {I(6), _, _, _, I(4), I(4), I(4), I(4)}},
        {"absolute run past the row is clipped",
         {2, 1, 0, 4, 9, 8, 7, 6, 0, 0, 1, 2},
         {I(2), _, _, _, I(1), I(1), I(9), I(8)}},
        {"delta past the picture ends decoding", {1, 1, 0, 2, 0, 200, 1, 2}, {_, _, _, _, I(1), _, _, _}},
        {"delta past the row end", {0, 2, 250, 0, 1, 2, 0, 0, 1, 3}, {I(3), _, _, _, _, _, _, _}},
        {"data ends inside an absolute run", {0, 8, 1, 2}, {_, _, _, _, I(1), I(2), _, _}},
        {"data ends inside a delta", {1, 1, 0, 2, 1}, {_, _, _, _, I(1), _, _, _}},
        {"odd last byte", {1, 1, 0}, {_, _, _, _, I(1), _, _, _}},
        {"more lines than the picture", {0, 0, 0, 0, 0, 0, 4, 1}, {_, _, _, _, _, _, _, _}},
    };
    for (const auto& c : cases) EXPECT_EQ(Colours(Decode(RleFile(4, 2, false, c.codes))), c.want) << c.name;
}

TEST(BmpReader, Rle4EscapesAndClipping) {
    struct RleCase {
        const char* name;
        std::vector<std::uint8_t> codes;
        std::vector<ColourRef> want;  // 5 x 2, top row first
    };
    const std::vector<RleCase> cases = {
        {"encoded run alternates its two nibbles",
         {5, 0x12, 0, 0, 3, 0x77, 0, 1},
         {I(7), I(7), I(7), _, _, I(1), I(2), I(1), I(2), I(1)}},
        {"absolute run of 3, padded to a word",
         {0, 3, 0x45, 0x60, 2, 0x99, 0, 1},
         {_, _, _, _, _, I(4), I(5), I(6), I(9), I(9)}},
        {"absolute run of 5 takes 3 bytes and a pad",
         {0, 5, 0x12, 0x34, 0x50, 0, 0, 0, 1, 0xF0},
         {I(15), _, _, _, _, I(1), I(2), I(3), I(4), I(5)}},
        {"run past the row is clipped", {9, 0xAB, 0, 0}, {_, _, _, _, _, I(10), I(11), I(10), I(11), I(10)}},
        {"data ends inside an absolute run", {0, 6, 0x12}, {_, _, _, _, _, I(1), I(2), _, _, _}},
    };
    for (const auto& c : cases) EXPECT_EQ(Colours(Decode(RleFile(5, 2, true, c.codes))), c.want) << c.name;
}

class RecordingSink : public ProgressSink {
public:
    void Begin(long low, long high, std::string_view text) override {
        calls.push_back("Begin " + std::to_string(low) + " " + std::to_string(high) + " " + std::string(text));
    }
    void Step(long position) override { steps.push_back(position); }
    void SetText(std::string_view text) override { calls.push_back("SetText " + std::string(text)); }
    void End() override { calls.push_back("End"); }
    std::vector<std::string> calls;
    std::vector<long> steps;
};

TEST(BmpReader, ReportsProgressInBlocksAndEndsOnFailure) {
    BmpLayout layout;
    layout.width = 100;
    layout.height = 1000;  // 300000 bytes of bits: about 9 blocks of 32768
    layout.data.assign(300000, 0x40);
    RecordingSink sink;
    DecodeBmp(BuildBmp(layout), "x.bmp", &sink);
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"Begin 0 100 Loading BMP file", "End"}));
    ASSERT_GE(sink.steps.size(), 9u);
    EXPECT_TRUE(std::is_sorted(sink.steps.begin(), sink.steps.end()));
    EXPECT_LT(sink.steps.front(), 20);
    EXPECT_EQ(sink.steps.back(), 100);

    RecordingSink failing;
    EXPECT_THROW(DecodeBmp(std::vector<std::uint8_t>{'X', 'Y'}, "x.bmp", &failing), ImpExpException);
    EXPECT_EQ(failing.calls, (std::vector<std::string>{"Begin 0 100 Loading BMP file", "End"}));
}

TEST(BmpReader, LoadAppendsBmpToANameWithoutADot) {
    test::ScratchDir dir;
    BmpLayout layout;
    layout.data = {0, 0, 255, 0};
    std::filesystem::create_directories(dir / "folder.v2");
    test::WriteFileBytes(dir / "folder.v2" / "picture.bmp", BuildBmp(layout));
    EXPECT_EQ(PixelAt(LoadBmp(dir / "folder.v2" / "picture", nullptr), 0, 0), kRed);

    // A name with a dot is opened as it is; the error names the file opened.
    for (const auto& [asked, opened] : {std::pair{"picture.", "picture."}, std::pair{"missing", "missing.bmp"}}) {
        try {
            LoadBmp(dir / "folder.v2" / asked, nullptr);
            ADD_FAILURE() << asked << " loaded";
        } catch (const ImpExpException& e) {
            EXPECT_EQ(e.Message(), "Error Opening File");
            EXPECT_EQ(e.Where(), (dir / "folder.v2" / opened).string());
            EXPECT_EQ(e.Title(), "Bitmap Error");
        }
    }
}

}  // namespace
}  // namespace lp
