#include "formats/format_table.h"
#include "formats/tga/tga_reader.h"
#include "base/colour.h"
#include "base/imp_exp_exception.h"
#include "tga_pcx_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace lp {
namespace {

using test::PixelAt;

const std::string kOpen = "Error Opening File";
const std::string kHeader = "Error Reading Header Information";
const std::string kBadParams = "Bad Parameters in Header";
const std::string kUnknown = "Unknown/Unidentified TGA File Format";
const std::string kMapEntry = "Unknown/Unidentified Colormap Entry";
const std::string kEof = "Premature EOF encountered\nPart of Image Loaded";

// Builds a Targa file: header fields, optional ID, map and pixel bytes.
struct TgaSpec {
    std::uint8_t idLength = 0;
    std::uint8_t mapType = 0;
    std::uint8_t imageType = 2;
    std::uint16_t mapFirst = 0;
    std::uint16_t mapLength = 0;
    std::uint8_t mapBits = 0;
    std::uint16_t width = 1;
    std::uint16_t height = 1;
    std::uint8_t depth = 24;
    std::uint8_t descriptor = 0;
    std::vector<std::uint8_t> body;  // ID field, colour map and pixels as stored
};

std::vector<std::uint8_t> MakeTga(const TgaSpec& s) {
    std::vector<std::uint8_t> f = {s.idLength,
                                   s.mapType,
                                   s.imageType,
                                   std::uint8_t(s.mapFirst),
                                   std::uint8_t(s.mapFirst >> 8),
                                   std::uint8_t(s.mapLength),
                                   std::uint8_t(s.mapLength >> 8),
                                   s.mapBits,
                                   0,
                                   0,
                                   0,
                                   0,
                                   std::uint8_t(s.width),
                                   std::uint8_t(s.width >> 8),
                                   std::uint8_t(s.height),
                                   std::uint8_t(s.height >> 8),
                                   s.depth,
                                   s.descriptor};
    f.insert(f.end(), s.body.begin(), s.body.end());
    return f;
}

Picture Decode(const std::vector<std::uint8_t>& file, const ImageLimits& limits = {}) {
    return DecodeTarga(file, "test.tga", nullptr, limits);
}

std::string DecodeError(const std::vector<std::uint8_t>& file, const ImageLimits& limits = {}) {
    try {
        Decode(file, limits);
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Title(), "Targa Error");
        EXPECT_EQ(e.Where(), "test.tga");
        return e.Message();
    }
    return "(loaded)";
}

// ---------------------------------------------------------------------------
// Every file of the shared Targa sets, with what it must give.

enum class Expect { Reference, Oracle, Error };
struct CorpusCase {
    Expect expect;
    std::string detail;  // reference PNG (relative to the corpus tga folder) or error text
    int tolerance = 0;   // 5-bit channels: other decoders widen them by bit copying, we round
};

const std::map<std::string, CorpusCase>& TargaCorpusCases() {
    static const std::map<std::string, CorpusCase> cases = [] {
        std::map<std::string, CorpusCase> c;
        const std::string common = "pillow-tga/common/";
        // Greyscale (types 3 and 11, L and LA) is not read: every one fails as unknown.
        for (const std::string size : {"1x1_l", "200x32_l", "200x32_la"})
            for (const std::string v : {"_bl_raw", "_bl_rle", "_tl_raw", "_tl_rle"})
                c[common + size + v + ".tga"] = {Expect::Error, kUnknown};
        for (const std::string mode : {"p", "rgb", "rgba"})
            for (const std::string v : {"_bl_raw", "_bl_rle", "_tl_raw", "_tl_rle"})
                c[common + "200x32_" + mode + v + ".tga"] = {Expect::Reference, common + "200x32_" + mode + ".png"};
        // The x origin field is only a display hint.
        c["pillow-tga/200x32_p_bl_raw_origin.tga"] = {Expect::Reference, common + "200x32_p.png"};
        c["pillow-tga/cross_scan_line.tga"] = {Expect::Error, kUnknown};  // greyscale RLE
        c["pillow-tga/la.tga"] = {Expect::Error, kUnknown};               // greyscale + alpha RLE
        c["pillow-tga/cross_scan_line_truncated.tga"] = {Expect::Error, kEof};
        c["pillow-tga/p_8.tga"] = {Expect::Error, kMapEntry};  // 8-bit colour-map entries
        c["pillow-tga/p_16.tga"] = {Expect::Oracle, "", 1};    // 16-bit colour-map entries
        c["pillow-tga/rgba16.tga"] = {Expect::Oracle, "", 1};
        c["pillow-tga/tga_id_field.tga"] = {Expect::Oracle, ""};

        const std::string rs = "image-rs-tga/";
        c[rs + "encoding/black_white.tga"] = {Expect::Oracle, ""};
        for (const std::string name : {"bottom_left", "bottom_right", "top_left", "top_right"})
            c[rs + "testsuite/" + name + ".tga"] = {Expect::Reference, rs + "reference/testsuite/" + name + ".tga.png"};
        // 15-bit colour maps are read as 16-bit ones without the attribute bit, used or not.
        for (const std::string name : {"b5-attrib", "b5-noattrib", "b5-cmap", "b5-unused-cmap"})
            c[rs + "testsuite/" + name + ".tga"] = {Expect::Reference, rs + "reference/testsuite/" + name + ".tga.png",
                                                    1};
        // Colour maps must start at entry 0.
        c[rs + "testsuite/cmap_offset.tga"] = {Expect::Error, kBadParams};
        // Corrupt on purpose: interleaving bits, zero sizes, bad map types.
        for (const std::string name :
             {"bad-color-map", "flip-zero-height", "flip-zero-height2", "orientation-zero-width", "overfull-image",
              "sixteen-bit-gray-colormap", "sixteen-bit-gray-colormap2"})
            c[rs + "regression/" + name + ".tga"] = {Expect::Error, kBadParams};
        // 8224 x 32 declared, no pixel data at all.
        c[rs + "regression/slice-copy-length.tga"] = {Expect::Error, kEof};
        return c;
    }();
    return cases;
}

TEST(TargaCorpus, EveryFileDecodesLikeItsReferenceOrFailsAsExpected) {
    LP_REQUIRE_CORPUS();
    const auto root = test::CorpusDir() / "tga";
    const bool pillow = test::HavePillow();
    const bool magick = test::HaveImageMagick();
    test::ScratchDir scratch;
    std::set<std::string> seen;
    int oracleSkipped = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".tga") continue;
        const std::string rel = std::filesystem::relative(entry.path(), root).generic_string();
        SCOPED_TRACE(rel);
        seen.insert(rel);
        const auto it = TargaCorpusCases().find(rel);
        ASSERT_NE(it, TargaCorpusCases().end()) << "file not listed in the expectations";
        const CorpusCase& expected = it->second;

        if (expected.expect == Expect::Error) {
            try {
                LoadTarga(entry.path(), nullptr);
                ADD_FAILURE() << "loaded, expected \"" << expected.detail << "\"";
            } catch (const ImpExpException& e) {
                EXPECT_EQ(e.Message(), expected.detail);
                EXPECT_EQ(e.Title(), "Targa Error");
                EXPECT_EQ(e.Where(), entry.path().string());
            }
            continue;
        }
        const Picture picture = LoadTarga(entry.path(), nullptr);
        std::optional<test::RgbImage> want;
        if (expected.expect == Expect::Reference) {
            want = test::ReadPngRgb(root / expected.detail);
            ASSERT_TRUE(want) << "cannot read " << expected.detail;
        } else {
            if (pillow) want = test::DecodeWithPillow(entry.path(), scratch.Path());
            if (!want && magick) want = test::DecodeWithImageMagick(entry.path(), scratch.Path());
            if (!want) {
                ++oracleSkipped;
                continue;
            }
        }
        EXPECT_TRUE(test::SameRgb(test::PictureToRgb(picture), *want, expected.tolerance));
    }
    for (const auto& [rel, c] : TargaCorpusCases()) EXPECT_TRUE(seen.count(rel)) << "missing corpus file " << rel;
    if (oracleSkipped) std::printf("%d files not compared: neither Pillow nor ImageMagick available\n", oracleSkipped);
}

// ---------------------------------------------------------------------------
// Pixel layouts.

// 2 x 2 picture, top row red, green; bottom row blue, white (as B, G, R).
const std::vector<std::uint8_t> kTopRow = {0, 0, 255, 0, 255, 0};
const std::vector<std::uint8_t> kBottomRow = {255, 0, 0, 255, 255, 255};

void ExpectTwoByTwo(const Picture& p) {
    ASSERT_EQ(p.Width(), 2);
    ASSERT_EQ(p.Height(), 2);
    EXPECT_EQ(PixelAt(p, 0, 0), MakeColour(255, 0, 0));
    EXPECT_EQ(PixelAt(p, 1, 0), MakeColour(0, 255, 0));
    EXPECT_EQ(PixelAt(p, 0, 1), MakeColour(0, 0, 255));
    EXPECT_EQ(PixelAt(p, 1, 1), MakeColour(255, 255, 255));
}

TEST(TargaReader, BottomUpRawAndTopDownRleLoadIdentically) {
    TgaSpec raw;
    raw.width = raw.height = 2;
    raw.body = kBottomRow;
    raw.body.insert(raw.body.end(), kTopRow.begin(), kTopRow.end());

    TgaSpec rle = raw;
    rle.imageType = 10;
    rle.descriptor = 0x20;
    // A literal packet of 3 pixels crossing from the top row into the bottom row, then a run of 1.
    rle.body = {0x02};
    rle.body.insert(rle.body.end(), kTopRow.begin(), kTopRow.end());
    rle.body.insert(rle.body.end(), kBottomRow.begin(), kBottomRow.begin() + 3);
    rle.body.insert(rle.body.end(), {0x80, 255, 255, 255});

    const Picture a = Decode(MakeTga(raw));
    const Picture b = Decode(MakeTga(rle));
    ExpectTwoByTwo(a);
    EXPECT_TRUE(a.SamePixels(b));
}

TEST(TargaReader, RunPacketsCarryAcrossRowsAndExtraPixelsAreIgnored) {
    TgaSpec s;
    s.imageType = 10;
    s.width = 3;
    s.height = 2;
    s.depth = 32;  // the fourth byte is ignored
    // One run of 4 across both rows, then a run of 128 of which only 2 are needed.
    s.body = {0x83, 10, 20, 30, 99, 0xFF, 40, 50, 60, 0};
    const Picture p = Decode(MakeTga(s));
    EXPECT_EQ(PixelAt(p, 0, 1), MakeColour(30, 20, 10));  // bottom row first (descriptor bit 5 clear)
    EXPECT_EQ(PixelAt(p, 2, 1), MakeColour(30, 20, 10));
    EXPECT_EQ(PixelAt(p, 0, 0), MakeColour(30, 20, 10));
    EXPECT_EQ(PixelAt(p, 1, 0), MakeColour(60, 50, 40));
    EXPECT_EQ(PixelAt(p, 2, 0), MakeColour(60, 50, 40));
}

TEST(TargaReader, SixteenBitPixelsUseTheFiveBitTable) {
    // Pixel x has red = x, green = 31 - x, blue = x; the attribute bit is set on odd pixels.
    TgaSpec s;
    s.width = 32;
    s.depth = 15;  // read as 16
    for (unsigned x = 0; x < 32; ++x) {
        const unsigned word = (x << 10) | ((31 - x) << 5) | x | ((x & 1) << 15);
        s.body.push_back(std::uint8_t(word));
        s.body.push_back(std::uint8_t(word >> 8));
    }
    const Picture p = Decode(MakeTga(s));
    for (int x = 0; x < 32; ++x) {
        const int v = (x * 255 * 2 + 31) / 62;  // x * 255 / 31 rounded to nearest
        const int w = ((31 - x) * 255 * 2 + 31) / 62;
        EXPECT_EQ(PixelAt(p, x, 0), MakeColour(std::uint8_t(v), std::uint8_t(w), std::uint8_t(v))) << x;
    }

    TgaSpec white;
    white.depth = 16;
    white.body = {0xFF, 0x7F};
    EXPECT_EQ(PixelAt(Decode(MakeTga(white)), 0, 0), MakeColour(255, 255, 255));
}

TEST(TargaReader, RightToLeftRowsAreMirrored) {
    TgaSpec s;
    s.width = 3;
    s.descriptor = 0x30;  // top first, right to left
    s.body = {1, 1, 1, 2, 2, 2, 3, 3, 3};
    const Picture p = Decode(MakeTga(s));
    EXPECT_EQ(PixelAt(p, 0, 0), MakeColour(3, 3, 3));
    EXPECT_EQ(PixelAt(p, 1, 0), MakeColour(2, 2, 2));
    EXPECT_EQ(PixelAt(p, 2, 0), MakeColour(1, 1, 1));
}

TEST(TargaReader, ColourMapsOf15And16And24BitsAndIndexesPastTheMap) {
    TgaSpec s;
    s.idLength = 3;
    s.mapType = 1;
    s.imageType = 1;
    s.mapLength = 2;
    s.mapBits = 24;
    s.width = 3;
    s.depth = 8;
    s.body = {'a', 'b', 'c', /*map*/ 10, 20, 30, 40, 50, 60, /*pixels*/ 1, 0, 200};
    Picture p = Decode(MakeTga(s));
    EXPECT_EQ(PixelAt(p, 0, 0), MakeColour(60, 50, 40));
    EXPECT_EQ(PixelAt(p, 1, 0), MakeColour(30, 20, 10));
    EXPECT_EQ(PixelAt(p, 2, 0), 0);  // past the map: black

    s.idLength = 0;
    s.mapBits = 16;
    s.imageType = 9;  // run-length encoded colour-mapped
    s.body = {/*map*/ 0x00, 0x7C, 0x1F, 0x00, /*run of 3 of index 1*/ 0x82, 1};
    p = Decode(MakeTga(s));
    for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(p, x, 0), MakeColour(0, 0, 255));

    // 15-bit entries are read as the 16-bit ones, for a colour-mapped picture and for a
    // true-colour one that carries an unused map.
    s.mapBits = 15;
    p = Decode(MakeTga(s));
    for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(p, x, 0), MakeColour(0, 0, 255));
    TgaSpec trueColour;
    trueColour.mapType = 1;
    trueColour.mapLength = 2;
    trueColour.mapBits = 15;
    trueColour.body = {/*map*/ 0x00, 0x7C, 0x1F, 0x00, /*pixel*/ 10, 20, 30};
    EXPECT_EQ(PixelAt(Decode(MakeTga(trueColour)), 0, 0), MakeColour(30, 20, 10));

    // A colour-mapped file with an empty map is all black.
    s.mapLength = 0;
    s.body = {0x82, 1};
    EXPECT_EQ(PixelAt(Decode(MakeTga(s)), 1, 0), 0);
}

// ---------------------------------------------------------------------------
// Errors.

TEST(TargaReader, BadHeadersFailWithTheirCode) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> file;
        std::string error;
    };
    auto with = [](auto change) {
        TgaSpec s;
        s.body = {1, 2, 3};
        change(s);
        return MakeTga(s);
    };
    const std::vector<Case> cases = {
        {"empty file", {}, kHeader},
        {"17 header bytes", std::vector<std::uint8_t>(17, 0), kHeader},
        {"colour-map type 2", with([](TgaSpec& s) { s.mapType = 2; }), kBadParams},
        {"depth 0", with([](TgaSpec& s) { s.depth = 0; }), kBadParams},
        {"depth 12", with([](TgaSpec& s) { s.depth = 12; }), kBadParams},
        {"depth 40", with([](TgaSpec& s) { s.depth = 40; }), kBadParams},
        {"interleaved", with([](TgaSpec& s) { s.descriptor = 0x40; }), kBadParams},
        {"width 0", with([](TgaSpec& s) { s.width = 0; }), kBadParams},
        {"height 0", with([](TgaSpec& s) { s.height = 0; }), kBadParams},
        {"true colour, 8 bits", with([](TgaSpec& s) { s.depth = 8; }), kBadParams},
        {"colour-mapped, 16 bits", with([](TgaSpec& s) { s.imageType = 1, s.mapType = 1, s.depth = 16; }), kBadParams},
        {"colour-mapped without map type", with([](TgaSpec& s) { s.imageType = 1, s.depth = 8; }), kBadParams},
        {"greyscale", with([](TgaSpec& s) { s.imageType = 3, s.depth = 8; }), kUnknown},
        {"greyscale RLE", with([](TgaSpec& s) { s.imageType = 11, s.depth = 8; }), kUnknown},
        {"no image data (type 0)", with([](TgaSpec& s) { s.imageType = 0; }), kUnknown},
        {"type 8", with([](TgaSpec& s) { s.imageType = 8; }), kUnknown},
        {"type 32", with([](TgaSpec& s) { s.imageType = 32; }), kUnknown},
        {"map of 257", with([](TgaSpec& s) { s.mapType = 1, s.mapLength = 257, s.mapBits = 24; }), kBadParams},
        {"map from entry 1", with([](TgaSpec& s) { s.mapType = 1, s.mapLength = 1, s.mapFirst = 1, s.mapBits = 24; }),
         kBadParams},
        {"32-bit map entries", with([](TgaSpec& s) { s.mapType = 1, s.mapLength = 1, s.mapBits = 32; }), kMapEntry},
        {"map cut short", with([](TgaSpec& s) {
             s.mapType = 1, s.mapLength = 2, s.mapBits = 24, s.body = {1, 2, 3};
         }),
         kHeader},
        {"ID field past the end", with([](TgaSpec& s) { s.idLength = 10; }), kHeader},
        {"raw pixels cut short", with([](TgaSpec& s) { s.width = 2; }), kEof},
        {"run-length pixels cut short", with([](TgaSpec& s) {
             s.imageType = 10, s.width = 200, s.height = 2, s.body = {0xFF, 1, 2, 3};
         }),
         kEof},
        {"literal packet cut short",
         with([](TgaSpec& s) { s.imageType = 10, s.width = 3, s.body = {0x02, 1, 2, 3, 4, 5, 6}; }), kEof},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeError(c.file), c.error) << c.what;
}

TEST(TargaReader, SizeLimitsAreCheckedBeforeAllocating) {
    TgaSpec s;
    s.width = s.height = 60000;
    s.imageType = 10;
    s.body = {0xFF, 1, 2, 3};
    // The default limit refuses 3.6 billion pixels with a clear message.
    EXPECT_NE(DecodeError(MakeTga(s)).find("too large"), std::string::npos);
    // Within the limit, 4 bytes cannot hold 36 million pixels: refused before any allocation.
    s.width = s.height = 6000;
    EXPECT_EQ(DecodeError(MakeTga(s)), kEof);
    // Lowered limits refuse what would otherwise load.
    TgaSpec ok;
    ok.width = 4;
    ok.body.assign(12, 7);
    EXPECT_NO_THROW(Decode(MakeTga(ok)));
    EXPECT_NE(DecodeError(MakeTga(ok), ImageLimits{3, 1 << 20}).find("too large"), std::string::npos);
}

class CountingSink : public ProgressSink {
public:
    void Begin(long, long, std::string_view t) override { ++begins, text = t; }
    void Step(long p) override {
        EXPECT_GE(p, last);
        EXPECT_LE(p, 100);
        last = p;
        ++steps;
    }
    void SetText(std::string_view) override {}
    void End() override { ++ends; }
    int begins = 0, steps = 0, ends = 0;
    long last = 0;
    std::string text;
};

TEST(TargaReader, ProgressPerRowAndEndedOnFailure) {
    TgaSpec s;
    s.width = 2;
    s.height = 5;
    s.body.assign(30, 9);
    CountingSink ok;
    DecodeTarga(MakeTga(s), "x", &ok);
    EXPECT_EQ(ok.begins, 1);
    EXPECT_EQ(ok.steps, 5);
    EXPECT_EQ(ok.ends, 1);
    EXPECT_EQ(ok.text, "Loading Targa File");

    s.imageType = 10;
    s.body = {0x84, 1, 2, 3};  // 5 of 10 pixels, then the data ends
    CountingSink failed;
    EXPECT_THROW(DecodeTarga(MakeTga(s), "x", &failed), ImpExpException);
    EXPECT_EQ(failed.begins, failed.ends);
}

TEST(TargaReader, LoadFromFileNamesTheFileAndGoesThroughTheFormatTable) {
    test::ScratchDir dir;
    try {
        LoadTarga(dir / "missing.tga", nullptr);
        FAIL();
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), kOpen);
        EXPECT_EQ(e.Where(), (dir / "missing.tga").string());
        EXPECT_EQ(e.Title(), "Targa Error");
    }
    TgaSpec s;
    s.body = {10, 20, 30};
    test::WriteFileBytes(dir / "one.TGA", MakeTga(s));
    EXPECT_EQ(SniffFileType(dir / "one.TGA"), PictureFileType::Targa);
    const Picture p = LoadPicture(dir / "one.TGA", PictureFileType::Targa);
    EXPECT_EQ(PixelAt(p, 0, 0), MakeColour(30, 20, 10));
}

}  // namespace
}  // namespace lp
