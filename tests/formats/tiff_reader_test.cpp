#include "formats/tiff/tiff_reader.h"

#include <gtest/gtest.h>

#include <span>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "formats/file_types.h"
#include "formats/format_table.h"
#include "formats/tiff/tiff_file.h"
#include "formats/tiff/tiff_writer.h"
#include "formats/tiff/tiff_lzw.h"
#include "base/colour.h"
#include "base/imp_exp_exception.h"
#include "test_support.h"
#include "tiff_test_support.h"

namespace lp {
namespace {

namespace tt = test::tiff;

using tt::BuildTiff;
using tt::RemoveEntry;
using tt::SetEntry;
using tt::SimpleImage;
using tt::TiffEntry;
using tt::TiffLayout;

// The message of the "Tiff Error" a decode raises, or "" when it succeeds.
std::string DecodeError(const std::vector<std::uint8_t>& file, const ImageLimits& limits = {}) {
    try {
        DecodeTiff(file, "x.tif", nullptr, limits);
        return "";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Title(), "Tiff Error");
        EXPECT_EQ(e.Where(), "x.tif");
        return e.Message();
    }
}

// Packs samples from the most significant bit, each row on a byte boundary.
std::vector<std::uint8_t> PackRows(const std::vector<std::vector<std::uint32_t>>& rows, int bits) {
    std::vector<std::uint8_t> out;
    for (const auto& row : rows) {
        std::uint64_t acc = 0;
        int n = 0;
        for (std::uint32_t v : row) {
            acc = (acc << bits) | v;
            n += bits;
            while (n >= 8) {
                n -= 8;
                out.push_back(static_cast<std::uint8_t>(acc >> n));
            }
        }
        if (n) out.push_back(static_cast<std::uint8_t>(acc << (8 - n)));
    }
    return out;
}

// An 8-bit RGB image of w x h whose pixel (x, y) is (x, y, x + y).
TiffLayout Rgb8(std::uint32_t w, std::uint32_t h) {
    TiffLayout layout;
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x)
            for (std::uint32_t v : {x, y, x + y}) layout.pixels.push_back(static_cast<std::uint8_t>(v));
    layout.directories.push_back(SimpleImage(w, h, 8, 3, 2, static_cast<std::uint32_t>(layout.pixels.size())));
    return layout;
}

TEST(TiffReader, GreyLevelsFollowThePhotometricInterpretation) {
    // 8-bit BlackIsZero: 255 is white.
    TiffLayout black;
    black.pixels = {0, 128, 255};
    black.directories.push_back(SimpleImage(3, 1, 8, 1, 1, 3));
    const Picture b = DecodeTiff(BuildTiff(black), "b.tif", nullptr);
    EXPECT_EQ(test::PixelAt(b, 0, 0), MakeColour(0, 0, 0));
    EXPECT_EQ(test::PixelAt(b, 1, 0), MakeColour(128, 128, 128));
    EXPECT_EQ(test::PixelAt(b, 2, 0), MakeColour(255, 255, 255));
    // 1-bit WhiteIsZero: 0 samples are white.
    TiffLayout white;
    white.pixels = PackRows({{0, 1, 0}, {1, 1, 0}}, 1);
    white.directories.push_back(SimpleImage(3, 2, 1, 1, 0, 2));
    const Picture w = DecodeTiff(BuildTiff(white), "w.tif", nullptr);
    EXPECT_EQ(test::PixelAt(w, 0, 0), MakeColour(255, 255, 255));
    EXPECT_EQ(test::PixelAt(w, 1, 0), MakeColour(0, 0, 0));
    EXPECT_EQ(test::PixelAt(w, 2, 0), MakeColour(255, 255, 255));
    EXPECT_EQ(test::PixelAt(w, 0, 1), MakeColour(0, 0, 0));
}

// Samples of 1 to 16 bits become v x 255 / (2^bits - 1), rounded down, after
// the WhiteIsZero flip; rows end on a byte boundary whatever the width.
TEST(TiffReader, SamplesOfEveryDepthAreScaledToEightBits) {
    for (int bits : {1, 2, 3, 4, 5, 6, 7, 9, 10, 12, 14, 15, 16}) {
        for (std::uint32_t photometric : {0u, 1u}) {
            SCOPED_TRACE("bits " + std::to_string(bits) + " photometric " + std::to_string(photometric));
            const std::uint32_t max = (1u << bits) - 1;
            const std::vector<std::uint32_t> row = {0, max, max / 3, 1, max - 1};
            TiffLayout layout;
            layout.bigEndian = bits == 16;  // 16-bit samples follow the byte order; packed depths are a bit stream
            layout.pixels = PackRows({row, row}, bits);
            layout.directories.push_back(SimpleImage(5, 2, static_cast<std::uint32_t>(bits), 1, photometric,
                                                   static_cast<std::uint32_t>(layout.pixels.size())));
            const Picture p = DecodeTiff(BuildTiff(layout), "x.tif", nullptr);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 5; ++x) {
                    const std::uint32_t v = photometric == 0 ? max - row[x] : row[x];
                    const auto g = static_cast<std::uint8_t>(std::uint64_t(v) * 255 / max);
                    EXPECT_EQ(test::PixelAt(p, x, y), MakeColour(g, g, g)) << "x " << x;
                }
        }
    }
}

TEST(TiffReader, SixteenBitSamplesAreReadInTheFilesByteOrder) {
    for (const bool big : {false, true}) {
        TiffLayout layout;
        layout.bigEndian = big;
        // 0xF00F and 0x0FF0 as the file stores them.
        layout.pixels =
            big ? std::vector<std::uint8_t>{0xF0, 0x0F, 0x0F, 0xF0} : std::vector<std::uint8_t>{0x0F, 0xF0, 0xF0, 0x0F};
        layout.directories.push_back(SimpleImage(2, 1, 16, 1, 1, 4));
        const Picture p = DecodeTiff(BuildTiff(layout), "x.tif", nullptr);
        const auto scaled = [](std::uint32_t v) { return static_cast<std::uint8_t>(v * 255 / 65535); };
        EXPECT_EQ(test::PixelAt(p, 0, 0), MakeColour(scaled(0xF00F), scaled(0xF00F), scaled(0xF00F))) << big;
        EXPECT_EQ(test::PixelAt(p, 1, 0), MakeColour(scaled(0x0FF0), scaled(0x0FF0), scaled(0x0FF0))) << big;
    }
}

TEST(TiffReader, RgbPalettesAndExtraSamples) {
    // RGB rows arrive top first with red and blue exchanged into the picture's order.
    const Picture rgb = DecodeTiff(BuildTiff(Rgb8(4, 3)), "x.tif", nullptr);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(test::PixelAt(rgb, x, y), MakeColour(std::uint8_t(x), std::uint8_t(y), std::uint8_t(x + y)));
    // A fourth sample (alpha without an ExtraSamples tag) is ignored.
    TiffLayout rgba;
    rgba.pixels = {10, 20, 30, 0, 40, 50, 60, 255};
    rgba.directories.push_back(SimpleImage(2, 1, 8, 4, 2, 8));
    const Picture a = DecodeTiff(BuildTiff(rgba), "x.tif", nullptr);
    EXPECT_EQ(test::PixelAt(a, 0, 0), MakeColour(10, 20, 30));
    EXPECT_EQ(test::PixelAt(a, 1, 0), MakeColour(40, 50, 60));
    // Palette: the high bytes of the red, green and blue thirds of ColorMap.
    TiffLayout pal;
    pal.pixels = PackRows({{0, 1, 2, 3}}, 2);
    auto dir = SimpleImage(4, 1, 2, 1, 3, 1);
    dir.push_back(
        {320, 3, {0x0000, 0x10FF, 0x2000, 0xFFFF, 0x0100, 0x2200, 0x3300, 0x4400, 0xAA00, 0xBB00, 0xCC00, 0xDD00}});
    pal.directories.push_back(dir);
    const Picture p = DecodeTiff(BuildTiff(pal), "x.tif", nullptr);
    EXPECT_EQ(test::PixelAt(p, 0, 0), MakeColour(0x00, 0x01, 0xAA));
    EXPECT_EQ(test::PixelAt(p, 1, 0), MakeColour(0x10, 0x22, 0xBB));
    EXPECT_EQ(test::PixelAt(p, 2, 0), MakeColour(0x20, 0x33, 0xCC));
    EXPECT_EQ(test::PixelAt(p, 3, 0), MakeColour(0xFF, 0x44, 0xDD));
}

TEST(TiffReader, TagsAreReadByTheirStoredType) {
    TiffLayout layout = Rgb8(3, 2);
    auto& dir = layout.directories[0];
    SetEntry(dir, {256, 1, {3}});        // BYTE
    SetEntry(dir, {257, 3, {2}});        // SHORT
    SetEntry(dir, {258, 4, {8, 8, 8}});  // LONG
    SetEntry(dir, {273, 3, {8}});
    const Picture p = DecodeTiff(BuildTiff(layout), "x.tif", nullptr);
    EXPECT_EQ(p.Width(), 3);
    EXPECT_EQ(p.Height(), 2);
    EXPECT_EQ(test::PixelAt(p, 2, 1), MakeColour(2, 1, 3));
}

TEST(TiffReader, StripsPackBitsAndAbsentRowsPerStrip) {
    // Three strips of 2, 2 and 1 rows at scattered offsets.
    TiffLayout layout = Rgb8(2, 5);
    const std::vector<std::uint8_t> rows = layout.pixels;
    auto& dir = layout.directories[0];
    SetEntry(dir, {278, 3, {2}});
    layout.pixels.clear();
    for (int part : {1, 2, 0}) {  // stored as strip 1, strip 2, strip 0
        const std::size_t from = std::size_t(part) * 12, to = std::min<std::size_t>(from + 12, rows.size());
        layout.pixels.insert(layout.pixels.end(), rows.begin() + long(from), rows.begin() + long(to));
    }
    SetEntry(dir, {273, 4, {8 + 18, 8, 8 + 12}});  // strip 0 last, strip 1 first
    const Picture strips = DecodeTiff(BuildTiff(layout), "x.tif", nullptr);
    EXPECT_EQ(tt::MaxDifference(strips, DecodeTiff(BuildTiff(Rgb8(2, 5)), "x.tif", nullptr)), 0);

    // Without RowsPerStrip the image is one strip.
    TiffLayout one = Rgb8(3, 4);
    RemoveEntry(one.directories[0], 278);
    EXPECT_EQ(DecodeError(BuildTiff(one)), "");

    // PackBits: every row starts with a new packet; a run past the row end is dropped.
    TiffLayout pb;
    pb.pixels = {0xFE, 7,        // run of 3 x 7
                 0xFD, 9, 0x80,  // run of 4 x 9 for a 3-byte row (one dropped), then a -128 no-op
                 0x02, 1, 2,    3};
    pb.directories.push_back(SimpleImage(3, 3, 8, 1, 1, 9, 32773));
    const Picture p = DecodeTiff(BuildTiff(pb), "x.tif", nullptr);
    EXPECT_EQ(test::PixelAt(p, 2, 0), MakeColour(7, 7, 7));
    EXPECT_EQ(test::PixelAt(p, 0, 1), MakeColour(9, 9, 9));
    EXPECT_EQ(test::PixelAt(p, 0, 2), MakeColour(1, 1, 1));
    EXPECT_EQ(test::PixelAt(p, 2, 2), MakeColour(3, 3, 3));
}

TEST(TiffReader, PrivateTagsAreSkippedAndLaterDirectoriesMayFail) {
    TiffLayout layout = Rgb8(2, 2);
    SetEntry(layout.directories[0], {33432, 2, {'a', 'b', 'c', 0, 'd', 'e'}});  // private, past 32768
    SetEntry(layout.directories[0], {65000, 7, {1, 2, 3, 4, 5, 6, 7, 8}});      // any type once private
    EXPECT_EQ(DecodeError(BuildTiff(layout)), "");
    // A second directory with a rejected tag leaves a file of one image.
    auto second = SimpleImage(2, 2, 8, 3, 2, 12);
    second.push_back({700, 1, {1, 2, 3, 4, 5}});
    layout.directories.push_back(second);
    EXPECT_EQ(DecodeError(BuildTiff(layout)), "");
    // A value array too big to load does not matter when nothing uses it.
    TiffLayout big = Rgb8(2, 2);
    SetEntry(big.directories[0], {305, 2, {}, 70000, 8});  // Software, 70000 ASCII bytes
    EXPECT_EQ(DecodeError(BuildTiff(big)), "");
}

TEST(TiffReader, SixteenDirectoriesLoadSeventeenAreTooMany) {
    TiffLayout layout = Rgb8(2, 2);
    for (int i = 1; i < 16; ++i) layout.directories.push_back(layout.directories[0]);
    EXPECT_EQ(DecodeError(BuildTiff(layout)), "");
    layout.directories.push_back(layout.directories[0]);
    EXPECT_EQ(DecodeError(BuildTiff(layout)), "Too many images");
}

// Fields a hostile file can set to nonsense end in the reader's errors.
TEST(TiffReader, BrokenFilesFailWithTheirMessages) {
    struct Case {
        const char* name;
        std::function<void(TiffLayout&)> edit;
        const char* expected;
    };
    const auto dir0 = [](TiffLayout& s) -> std::vector<TiffEntry>& { return s.directories[0]; };
    const std::vector<Case> cases = {
        {"CMYK",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {262, 3, {5}});
         },
         "Unknown type"},
        {"YCbCr",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {262, 3, {6}});
         },
         "Unknown type"},
        {"no photometric", [&](TiffLayout& s) { RemoveEntry(dir0(s), 262); }, "Corrupted file"},
        {"tag 700",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {700, 1, {0, 0}});
         },
         "Corrupted file"},
        {"tag 338",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {338, 3, {0}});
         },
         "Corrupted file"},
        {"tag below 254",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {200, 3, {0}});
         },
         "Corrupted file"},
        {"field type 7",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {305, 7, {1, 2}});
         },
         "Corrupted file"},
        {"field type 0",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {305, 0, {}, 1, 0});
         },
         "Corrupted file"},
        {"no entries", [&](TiffLayout& s) { dir0(s).clear(); }, "Corrupted file"},
        {"68 entries",
         [&](TiffLayout& s) {
             for (int t = 32768; t < 32768 + 59; ++t) dir0(s).push_back({t, 3, {0}});
         },
         "Corrupted file"},
        {"version 43", [&](TiffLayout& s) { s.version = 43; }, "Bad version"},
        {"width 0",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {256, 4, {0}});
         },
         "Corrupted file"},
        {"height 0",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {257, 4, {0}});
         },
         "Corrupted file"},
        {"no width", [&](TiffLayout& s) { RemoveEntry(dir0(s), 256); }, "Corrupted file"},
        {"width as RATIONAL",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {256, 5, {3, 1}, 1});
         },
         "Corrupted file"},
        {"BitsPerSample 0",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {258, 3, {0, 0, 0}});
         },
         "Unsupported type"},
        {"BitsPerSample 17",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {258, 3, {17, 17, 17}});
         },
         "Unsupported type"},
        {"BitsPerSample 32",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {258, 3, {32, 32, 32}});
         },
         "Unsupported type"},
        {"unequal bits",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {258, 3, {8, 8, 4}});
         },
         "Unsupported type"},
        {"short BitsPerSample",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {258, 3, {8}});
         },
         "Corrupted file"},
        {"SamplesPerPixel 0",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {277, 3, {0}});
         },
         "Corrupted file"},
        {"RGB with 2 samples",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {277, 3, {2}});
             SetEntry(dir0(s), {258, 3, {8, 8}});
         },
         "Unsupported type"},
        {"planar",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {284, 3, {2}});
         },
         "Unsupported type"},
        {"JPEG compression",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {259, 3, {7}});
         },
         "Unsupported type"},
        {"Deflate compression",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {259, 3, {8}});
         },
         "Unsupported type"},
        {"predictor 2",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {317, 3, {2}});
         },
         "Unsupported type"},
        {"fill order 2",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {266, 3, {2}});
         },
         "Unsupported type"},
        {"RowsPerStrip 0",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {278, 4, {0}});
         },
         "Corrupted file"},
        {"no StripOffsets", [&](TiffLayout& s) { RemoveEntry(dir0(s), 273); }, "Corrupted file"},
        {"short StripOffsets",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {278, 4, {1}});
         },
         "Corrupted file"},
        {"strip past the end",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {273, 4, {100000}});
         },
         "End of file"},
        {"strip cut short", [&](TiffLayout& s) { s.pixels.resize(s.pixels.size() - 1); }, "End of file"},
        {"offsets past the end",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {278, 4, {1}});
             SetEntry(dir0(s), {273, 4, {8, 20, 32, 44}, -1, 90000});
         },
         "End of file"},
        {"offsets too big to load",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {278, 4, {1}});
             SetEntry(dir0(s), {273, 4, {8}, 16383, 8});  // 65532 bytes of LONG
         },
         "Block too big"},
        {"BitsPerSample too big to load",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {258, 3, {8}, 40000, 8});
         },
         "Block too big"},
        {"count near 2^32",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {273, 4, {8}, 0xFFFFFFFF, 8});
         },
         "Block too big"},
        {"directory loop", [&](TiffLayout& s) { s.loopBack = true; }, "Too many images"},
        {"header only",
         [&](TiffLayout& s) {
             s.directories.clear();
             s.pixels.clear();
         },
         "Corrupted file"},
        {"LZW data ends early",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {259, 3, {5}});
             s.pixels = {0x80, 0x00, 0x40};  // clear, literal 1, then the data ends
         },
         "End of file"},
        {"PackBits data ends early",
         [&](TiffLayout& s) {
             SetEntry(dir0(s), {259, 3, {32773}});
             s.pixels = {0x05, 1, 2, 3};
         },
         "End of file"},
    };
    for (const auto& c : cases) {
        TiffLayout layout = Rgb8(4, 4);
        layout.pixelsAtEnd = true;
        c.edit(layout);
        EXPECT_EQ(DecodeError(BuildTiff(layout)), c.expected) << c.name;
    }
    // Files too short for a header.
    EXPECT_EQ(DecodeError({}), "Corrupted file");
    EXPECT_EQ(DecodeError({'I', 'I', 42}), "Corrupted file");
    EXPECT_EQ(DecodeError({'I', 'I', 42, 0, 8}), "Corrupted file");
    EXPECT_EQ(DecodeError({'I', 'I', 43, 0, 8, 0, 0, 0}), "Bad version");
}

// Codes packed from the most significant bit at the given widths.
std::vector<std::uint8_t> PackCodes(const std::vector<std::pair<int, int>>& codes) {
    std::vector<std::uint8_t> out;
    std::uint64_t acc = 0;
    int n = 0;
    for (auto [code, width] : codes) {
        acc = (acc << width) | std::uint64_t(code);
        n += width;
        while (n >= 8) {
            n -= 8;
            out.push_back(static_cast<std::uint8_t>(acc >> n));
        }
    }
    if (n) out.push_back(static_cast<std::uint8_t>(acc << (8 - n)));
    return out;
}

std::string LzwImageError(const std::vector<std::uint8_t>& strip, std::uint32_t width) {
    TiffLayout layout;
    layout.pixels = strip;
    layout.pixelsAtEnd = true;
    layout.directories.push_back(SimpleImage(width, 1, 8, 1, 1, static_cast<std::uint32_t>(strip.size()), 5));
    return DecodeError(BuildTiff(layout));
}

TEST(TiffLzw, BadCodesAreCorruptedFiles) {
    // A code past the next free entry (258 is next, 300 is not there yet).
    EXPECT_EQ(LzwImageError(PackCodes({{256, 9}, {65, 9}, {300, 9}, {257, 9}}), 4), "Corrupted file");
    // The first code after a clear must be a literal.
    EXPECT_EQ(LzwImageError(PackCodes({{256, 9}, {258, 9}, {257, 9}}), 4), "Corrupted file");
    EXPECT_EQ(LzwImageError(PackCodes({{256, 9}, {65, 9}, {256, 9}, {259, 9}, {257, 9}}), 4), "Corrupted file");
    // The end code before the row is complete.
    EXPECT_EQ(LzwImageError(PackCodes({{256, 9}, {65, 9}, {257, 9}}), 4), "End of file");
    // The string not yet in the table (KwKwK): 65, then 258 = "AA".
    EXPECT_EQ(LzwImageError(PackCodes({{256, 9}, {65, 9}, {258, 9}, {257, 9}}), 3), "");
    // Without a leading clear the table starts fresh as well.
    EXPECT_EQ(LzwImageError(PackCodes({{66, 9}, {67, 9}, {257, 9}}), 2), "");
}

// Filling the table to 4096 entries without a clear: no more entries are
// added and the width stays at 12 bits until a clear code comes.
TEST(TiffLzw, AFullTableStaysAtTwelveBits) {
    std::vector<std::pair<int, int>> codes = {{256, 9}};
    std::vector<std::uint8_t> expected;
    int width = 9;
    int nextFree = 258;
    for (int i = 0; nextFree < 4096 + 5; ++i) {
        const int literal = i % 251;
        codes.push_back({literal, width});
        expected.push_back(static_cast<std::uint8_t>(literal));
        if (i > 0 && nextFree < 4096) {
            const int added = nextFree++;
            if (added == (1 << width) - 2 && width < 12) ++width;
        } else if (i > 0) {
            ++nextFree;  // counts codes only, the table is full
        }
    }
    EXPECT_EQ(width, 12);
    // Entry 4095 is added on reading literal 3838: literals 3837 and 3838.
    codes.push_back({4095, 12});
    expected.push_back(expected[3837]);
    expected.push_back(expected[3838]);
    codes.push_back({256, 12});
    codes.push_back({7, 9});
    expected.push_back(7);
    codes.push_back({257, 9});
    const auto stream = PackCodes(codes);
    TiffLzwDecoder decoder(stream);
    std::vector<std::uint8_t> out(expected.size() + 10);
    const std::size_t n = decoder.Read(out);
    ASSERT_EQ(n, expected.size());
    out.resize(n);
    EXPECT_EQ(out, expected);
}

// Random code streams against a plain model of the decoding rules (strings
// kept whole), read back in pieces of random sizes. Long strings fill the
// table and then keep the decoder at 12 bits for megabytes without a clear,
// so the decoder has to drop window bytes no entry needs.
TEST(TiffLzw, RandomStreamsMatchAPlainModel) {
    std::mt19937 rng(88);
    for (int round = 0; round < 3; ++round) {
        std::vector<std::pair<int, int>> codes;
        std::vector<std::uint8_t> expected;
        std::vector<std::vector<std::uint8_t>> table(258);
        for (int i = 0; i < 256; ++i) table[i] = {static_cast<std::uint8_t>(i)};
        int width = 9, previous = -1;
        const auto clear = [&] {
            codes.push_back({256, width});
            table.resize(258);
            width = 9;
            previous = -1;
        };
        const auto emit = [&](int code) {
            codes.push_back({code, width});
            std::vector<std::uint8_t> str;
            if (code < static_cast<int>(table.size()))
                str = table[code];
            else
                str = table[previous], str.push_back(table[previous][0]);  // not yet in the table
            if (previous >= 0 && table.size() < 4096) {
                auto entry = table[previous];
                entry.push_back(str[0]);
                table.push_back(entry);
                if (static_cast<int>(table.size()) - 1 == (1 << width) - 2 && width < 12) ++width;
            }
            expected.insert(expected.end(), str.begin(), str.end());
            previous = code;
        };
        // Any code below limit but the clear and end codes.
        const auto anyCode = [&](std::size_t limit) {
            const int v = static_cast<int>(rng() % (limit - 2));
            return v < 256 ? v : v + 2;
        };
        clear();
        emit(static_cast<int>(rng() % 256));
        while (table.size() < 4096) {
            const int next = static_cast<int>(table.size());
            const unsigned pick = rng() % 10;
            emit(pick < 4                 ? next
                 : pick < 7 && next > 258 ? next - 1
                 : pick < 9               ? static_cast<int>(rng() % 256)
                                          : anyCode(table.size()));
        }
        while (expected.size() < (std::size_t(9) << 20)) emit(3500 + static_cast<int>(rng() % 596));
        clear();
        emit(65);
        for (int i = 0; i < 300; ++i) emit(anyCode(table.size()));
        codes.push_back({257, width});

        const auto stream = PackCodes(codes);
        TiffLzwDecoder decoder(stream);
        std::vector<std::uint8_t> decoded;
        for (;;) {
            std::vector<std::uint8_t> piece(1 + rng() % 20000);
            const std::size_t n = decoder.Read(piece);
            decoded.insert(decoded.end(), piece.begin(), piece.begin() + long(n));
            if (n < piece.size()) break;
        }
        ASSERT_EQ(decoded.size(), expected.size()) << "round " << round;
        EXPECT_TRUE(decoded == expected) << "round " << round;
    }
}

// Our encoder's strips decode to what went in, through table restarts, in
// pieces of any size (strings longer than the space asked for are kept).
TEST(TiffLzw, EncoderAndDecoderRoundTrip) {
    std::mt19937 rng(8);
    for (std::size_t size : {1u, 2u, 3u, 255u, 4096u, 20000u, 70000u}) {
        for (const bool noisy : {true, false}) {
            std::vector<std::uint8_t> data(size);
            for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(noisy ? rng() : (i / 7) % 3);
            std::vector<std::uint8_t> encoded;
            TiffLzwEncode(data, encoded);
            TiffLzwDecoder decoder(encoded);
            std::vector<std::uint8_t> decoded;
            std::vector<std::uint8_t> piece(noisy ? 1000 : 3);
            for (;;) {
                const std::size_t n = decoder.Read(piece);
                decoded.insert(decoded.end(), piece.begin(), piece.begin() + long(n));
                if (n < piece.size()) break;
            }
            EXPECT_EQ(decoded, data) << size << (noisy ? " noisy" : " runs");
        }
    }
}

// The code sequence of a short input, worked out by hand: A B then AB (258).
TEST(TiffLzw, EncoderWritesTheExpectedCodes) {
    std::vector<std::uint8_t> encoded;
    TiffLzwEncode(std::vector<std::uint8_t>{'A', 'B', 'A', 'B'}, encoded);
    EXPECT_EQ(encoded, PackCodes({{256, 9}, {'A', 9}, {'B', 9}, {258, 9}, {257, 9}}));
}

// Walks an encoded strip as a strict decoder does (the width grows once entry 510, 1022 or
// 2046 is added) and returns how many bits come before the end of the end code, or -1 when
// the stream holds no end code at the width the decoder reads it.
long StrictEndCodeBits(const std::vector<std::uint8_t>& stream) {
    const std::uint64_t total = std::uint64_t(stream.size()) * 8;
    std::uint64_t pos = 0;
    int width = 9;
    int next = 258;
    bool previous = false;
    while (pos + std::uint64_t(width) <= total) {
        int code = 0;
        for (int b = 0; b < width; ++b, ++pos) code = code << 1 | ((stream[pos / 8] >> (7 - pos % 8)) & 1);
        if (code == 257) return long(pos);
        if (code == 256) {
            width = 9;
            next = 258;
            previous = false;
            continue;
        }
        if (code > next) return -1;
        if (previous && next < 4096) {
            const int added = next++;
            if (added == (1 << width) - 2 && width < 12) ++width;
        }
        previous = true;
    }
    return -1;
}

// The end code has the width a decoder reads it at, whatever entry was assigned last: the
// 340 x 1 fixture (bytes (i*i+i)/2 mod 256) ends right after entry 510, and every length up
// to 3000 of the same sequence passes entries 1022 and 2046 too.
TEST(TiffLzw, EndCodeHasTheDecodersWidth) {
    std::vector<std::uint8_t> sequence(3000);
    for (std::size_t i = 0; i < sequence.size(); ++i) sequence[i] = std::uint8_t((i * i + i) / 2 % 256);
    const std::vector<std::uint8_t> fixture(sequence.begin(), sequence.begin() + 1020);
    std::vector<std::uint8_t> encoded;
    TiffLzwEncode(fixture, encoded);
    const long bits = StrictEndCodeBits(encoded);
    ASSERT_GT(bits, 0);
    EXPECT_EQ((std::uint64_t(bits) + 7) / 8, encoded.size());
    for (std::size_t n = 1; n <= sequence.size(); ++n) {
        encoded.clear();
        TiffLzwEncode(std::span(sequence).first(n), encoded);
        const long b = StrictEndCodeBits(encoded);
        ASSERT_GT(b, 0) << n;
        ASSERT_EQ((std::uint64_t(b) + 7) / 8, encoded.size()) << n;
    }
}

// A few bytes declaring 16384 x 16384 fail before the picture is allocated, whatever the
// compression: the strips cannot hold the rows.
TEST(TiffReader, StripsThatCannotHoldTheirRowsFailBeforeAllocating) {
    struct Case {
        const char* name;
        std::uint32_t compression;
        std::uint32_t rowsPerStrip;
    };
    const Case cases[] = {{"none", 1, 16384}, {"LZW", 5, 16384}, {"PackBits", 32773, 16384}, {"LZW, strips of 64 rows", 5, 64}};
    for (const auto& c : cases) {
        TiffLayout layout;
        layout.pixels = {0x80, 0x00, 0x81, 0x00, 0x11, 0x22};
        auto dir = SimpleImage(16384, 16384, 8, 3, 2, 6, c.compression);
        SetEntry(dir, {278, 4, {c.rowsPerStrip}});
        if (c.rowsPerStrip == 64) {
            SetEntry(dir, {273, 4, std::vector<std::uint32_t>(256, 8)});
            SetEntry(dir, {279, 4, std::vector<std::uint32_t>(256, 6)});
        }
        layout.directories.push_back(dir);
        EXPECT_EQ(DecodeError(BuildTiff(layout)), "End of file") << c.name;
    }
    // A flat picture packs as tight as LZW can: the bound never refuses it.
    Picture flat;
    flat.Create(2048, 2048);
    EXPECT_EQ(DecodeTiff(EncodeTiff(flat, nullptr, "flat.tif"), "flat.tif", nullptr, ImageLimits{}).Width(), 2048);
}

// Pictures made by libtiff's tiffcp (see make_fixtures.py) against the pixels
// ImageMagick and tiff2rgba gave for them.
TEST(TiffReader, FixturesMatchTheirExpectedPixels) {
    int checked = 0;
    for (const auto& e : std::filesystem::directory_iterator(test::TestDataDir() / "tiff")) {
        if (e.path().extension() != ".tif") continue;
        SCOPED_TRACE(e.path().filename().string());
        const Picture expected = tt::ReadPpm(std::filesystem::path(e.path()).replace_extension(".ppm"));
        ASSERT_FALSE(expected.IsEmpty());
        const Picture fromFile = LoadTiff(e.path(), nullptr);
        const Picture fromMemory = DecodeTiff(test::ReadFileBytes(e.path()), "x", nullptr);
        EXPECT_LE(tt::MaxDifference(fromFile, expected), 1);
        EXPECT_GE(tt::MaxDifference(fromFile, expected), 0) << "sizes differ";
        EXPECT_TRUE(fromFile.SamePixels(fromMemory));
        ++checked;
    }
    EXPECT_EQ(checked, 6);
}

TEST(TiffReader, BigEndianFilesReadButSniffAsUnknown) {
    TiffLayout layout = Rgb8(3, 2);
    layout.bigEndian = true;
    const auto bytes = BuildTiff(layout);
    test::ScratchDir dir;
    test::WriteFileBytes(dir / "be.tif", bytes);
    EXPECT_EQ(SniffFileType(dir / "be.tif"), PictureFileType::Unknown);
    // A caller that passes the type gets the picture.
    const Picture p = LoadPicture(dir / "be.tif", PictureFileType::Tiff);
    EXPECT_EQ(test::PixelAt(p, 2, 1), MakeColour(2, 1, 3));
    TiffLayout le = Rgb8(3, 2);
    test::WriteFileBytes(dir / "le.tif", BuildTiff(le));
    EXPECT_EQ(SniffFileType(dir / "le.tif"), PictureFileType::Tiff);
    EXPECT_TRUE(LoadPicture(dir / "le.tif", PictureFileType::Tiff).SamePixels(p));
}

struct RecordingSink : ProgressSink {
    std::vector<std::string> calls;
    void Begin(long low, long high, std::string_view text) override {
        calls.push_back("Begin " + std::to_string(low) + " " + std::to_string(high) + " " + std::string(text));
    }
    void Step(long position) override { calls.push_back("Step " + std::to_string(position)); }
    void SetText(std::string_view text) override { calls.push_back("Text " + std::string(text)); }
    void End() override { calls.push_back("End"); }
};

TEST(TiffReader, ProgressStepsPerRowAndEndsOnFailure) {
    RecordingSink sink;
    DecodeTiff(BuildTiff(Rgb8(2, 4)), "x.tif", &sink);
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"Begin 0 100 Loading TIFF File", "Step 0", "Step 25", "Step 50",
                                                    "Step 75", "End"}));
    TiffLayout cut = Rgb8(2, 4);
    cut.pixelsAtEnd = true;
    cut.pixels.resize(10);
    RecordingSink failing;
    EXPECT_THROW(DecodeTiff(BuildTiff(cut), "x.tif", &failing), ImpExpException);
    ASSERT_FALSE(failing.calls.empty());
    EXPECT_EQ(failing.calls.back(), "End");
}

TEST(TiffReader, SizesBeyondTheLimitsFailBeforeAllocating) {
    TiffLayout layout = Rgb8(2, 2);
    SetEntry(layout.directories[0], {256, 4, {200000}});
    SetEntry(layout.directories[0], {257, 4, {200000}});
    const std::string message = DecodeError(BuildTiff(layout));
    EXPECT_EQ(message.rfind("Picture too large", 0), 0u) << message;
    ImageLimits small;
    small.maxPixels = 3;
    EXPECT_EQ(DecodeError(BuildTiff(Rgb8(2, 2)), small).rfind("Picture too large", 0), 0u);
    // Samples beyond four per pixel count against the limit too: 2 x 2 pixels
    // of 5 samples are 20 samples, over 4 x 4 pixels' worth.
    small.maxPixels = 4;
    TiffLayout many;
    many.pixels.assign(20, 7);
    many.directories.push_back(SimpleImage(2, 2, 8, 5, 2, 20));
    EXPECT_EQ(DecodeError(BuildTiff(many), small), "Block too big");
    many.directories[0] = SimpleImage(2, 2, 8, 4, 2, 16);
    EXPECT_EQ(DecodeError(BuildTiff(many), small), "");
}

TEST(TiffReader, MissingFileGivesTheSystemText) {
    test::ScratchDir dir;
    try {
        LoadTiff(dir / "missing.tif", nullptr);
        FAIL() << "loaded a missing file";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "No such file or directory");
        EXPECT_EQ(e.Title(), "Tiff Error");
        EXPECT_EQ(e.Where(), (dir / "missing.tif").string());
    }
}

TEST(TiffReader, StatusTexts) {
    EXPECT_EQ(TiffStatusText(256), "Unknown type");
    EXPECT_EQ(TiffStatusText(258), "Odd offset");
    EXPECT_EQ(TiffStatusText(264), "Tiff escaped");
    EXPECT_EQ(TiffStatusText(12), "Cannot allocate memory");
    EXPECT_EQ(TiffStatusText(265), "Unknown error");
    EXPECT_EQ(TiffStatusText(-3), "Unknown error");
}

}  // namespace
}  // namespace lp
