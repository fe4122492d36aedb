#include "formats/format_table.h"
#include "formats/pcx/pcx_reader.h"
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
using Bytes = std::vector<std::uint8_t>;

const std::string kOpen = "Error Opening File";
const std::string kHeader = "Error Reading Header Information";
const std::string kBadParams = "Bad Parameters in Header";
const std::string kUnknown = "Unknown/Unidentified PCX File Format";
const std::string kEof = "Premature EOF encountered\nPart of Image Loaded";

struct PcxSpec {
    std::uint8_t manufacturer = 10;
    std::uint8_t version = 5;
    std::uint8_t bitsPerPixel = 8;
    std::uint16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    std::uint8_t planes = 3;
    std::uint16_t bytesPerLine = 1;
    Bytes data;     // run-length data after the header
    Bytes palette;  // when not empty: the marker 12 and these 768 bytes follow
};

Bytes MakePcx(const PcxSpec& s) {
    Bytes f(128, 0);
    auto put16 = [&](std::size_t at, unsigned v) {
        f[at] = std::uint8_t(v);
        f[at + 1] = std::uint8_t(v >> 8);
    };
    f[0] = s.manufacturer;
    f[1] = s.version;
    f[2] = 1;
    f[3] = s.bitsPerPixel;
    put16(4, s.xMin);
    put16(6, s.yMin);
    put16(8, s.xMax);
    put16(10, s.yMax);
    f[65] = s.planes;
    put16(66, s.bytesPerLine);
    f.insert(f.end(), s.data.begin(), s.data.end());
    if (!s.palette.empty()) {
        f.push_back(12);
        f.insert(f.end(), s.palette.begin(), s.palette.end());
    }
    return f;
}

Picture Decode(const Bytes& file, const ImageLimits& limits = {}) {
    return DecodePcx(file, "test.pcx", nullptr, limits);
}

std::string DecodeError(const Bytes& file, const ImageLimits& limits = {}) {
    try {
        Decode(file, limits);
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Title(), "PCX Error");
        EXPECT_EQ(e.Where(), "test.pcx");
        return e.Message();
    }
    return "(loaded)";
}

// A palette whose entry i is (i, 255 - i, i / 2).
Bytes RampPalette() {
    Bytes p;
    for (int i = 0; i < 256; ++i) p.insert(p.end(), {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i / 2)});
    return p;
}

// ---------------------------------------------------------------------------
// Every file of the shared PCX sets, with what it must give.

enum class Expect { Reference, Error };
struct CorpusCase {
    Expect expect;
    std::string detail;  // reference picture (relative to the corpora folder) or error text
};

const std::map<std::string, CorpusCase>& PcxCorpusCases() {
    static const std::map<std::string, CorpusCase> cases = {
        {"generated-pillow/p8-from-basn3p08.pcx", {Expect::Reference, "png/pngsuite/basn3p08.png"}},
        // Greyscale written as one 8-bit plane with a grey trailing palette.
        {"generated-pillow/g8-from-basn0g08.pcx", {Expect::Reference, "png/pngsuite/basn0g08.png"}},
        {"generated-pillow/rgb24-from-basn2c08.pcx", {Expect::Reference, "png/pngsuite/basn2c08.png"}},
        {"sdl-image-sample/sample.pcx", {Expect::Reference, "pcx/sdl-image-sample/sample.bmp"}},
        // One plane of 1 bit: refused by the header check.
        {"generated-pillow/bw1-from-basn2c08.pcx", {Expect::Error, kUnknown}},
        {"pillow-pcx/pil184.pcx", {Expect::Error, kUnknown}},
        // 4 planes of 1 bit pass the header check but are not converted.
        {"pillow-pcx/p_4_planes.pcx", {Expect::Error, kUnknown}},
        // A DCX container, not a PCX file (its first byte is not 10).
        {"pillow-pcx/hopper.dcx", {Expect::Error, kUnknown}},
        // Corrupt on purpose: 12 bytes per line for 88 pixels; 0 bytes per line.
        {"pillow-pcx/01r_00.pcx", {Expect::Error, kBadParams}},
        {"pillow-pcx/ossfuzz-4836216264589312.pcx", {Expect::Error, kBadParams}},
    };
    return cases;
}

TEST(PcxCorpus, EveryFileDecodesLikeItsReferenceOrFailsAsExpected) {
    LP_REQUIRE_CORPUS();
    const auto corpora = test::CorpusDir();
    const auto root = corpora / "pcx";
    const bool pillow = test::HavePillow();
    const bool magick = test::HaveImageMagick();
    test::ScratchDir scratch;
    std::set<std::string> seen;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const auto ext = entry.path().extension();
        if (!entry.is_regular_file() || (ext != ".pcx" && ext != ".dcx")) continue;
        const std::string rel = std::filesystem::relative(entry.path(), root).generic_string();
        SCOPED_TRACE(rel);
        seen.insert(rel);
        const auto it = PcxCorpusCases().find(rel);
        ASSERT_NE(it, PcxCorpusCases().end()) << "file not listed in the expectations";
        const CorpusCase& expected = it->second;

        if (expected.expect == Expect::Error) {
            try {
                LoadPcx(entry.path(), nullptr);
                ADD_FAILURE() << "loaded, expected \"" << expected.detail << "\"";
            } catch (const ImpExpException& e) {
                EXPECT_EQ(e.Message(), expected.detail);
                EXPECT_EQ(e.Title(), "PCX Error");
                EXPECT_EQ(e.Where(), entry.path().string());
            }
            continue;
        }
        const Picture picture = LoadPcx(entry.path(), nullptr);
        const auto reference = corpora / expected.detail;
        std::optional<test::RgbImage> want;
        if (reference.extension() == ".png") {
            want = test::ReadPngRgb(reference);
            ASSERT_TRUE(want) << "cannot read " << expected.detail;
        } else {
            if (pillow) want = test::DecodeWithPillow(reference, scratch.Path());
            if (!want && magick) want = test::DecodeWithImageMagick(reference, scratch.Path());
            if (!want) {
                std::printf("%s not compared: no decoder for %s\n", rel.c_str(), expected.detail.c_str());
                continue;
            }
        }
        EXPECT_TRUE(test::SameRgb(test::PictureToRgb(picture), *want));
    }
    for (const auto& [rel, c] : PcxCorpusCases()) EXPECT_TRUE(seen.count(rel)) << "missing corpus file " << rel;
}

// ---------------------------------------------------------------------------
// Layouts.

TEST(PcxReader, EightBitPaletteFile) {
    PcxSpec s;
    s.planes = 1;
    s.xMax = 2;
    s.yMax = 1;
    s.bytesPerLine = 4;  // one padding byte per line
    // Row 0: 0, 200 (literal as a run of 1), 7; pad. Row 1: a run of 4 x 255 covering the pad.
    s.data = {0, 0xC1, 200, 7, 0, 0xC4, 255};
    s.palette = RampPalette();
    const Picture p = Decode(MakePcx(s));
    ASSERT_EQ(p.Width(), 3);
    ASSERT_EQ(p.Height(), 2);
    EXPECT_EQ(PixelAt(p, 0, 0), MakeColour(0, 255, 0));
    EXPECT_EQ(PixelAt(p, 1, 0), MakeColour(200, 55, 100));
    EXPECT_EQ(PixelAt(p, 2, 0), MakeColour(7, 248, 3));
    for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(p, x, 1), MakeColour(255, 0, 127));

    // Without the marker before the last 768 bytes the palette is all black.
    Bytes noMarker = MakePcx(s);
    noMarker[noMarker.size() - 769] = 11;
    const Picture black = Decode(noMarker);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(black, x, 0), 0);

    // Only version 5 files carry the trailing palette.
    s.version = 3;
    EXPECT_EQ(PixelAt(Decode(MakePcx(s)), 1, 0), 0);
}

TEST(PcxReader, ThreePlanesAreRedGreenBlueAndRunsCrossLines) {
    PcxSpec s;
    s.xMin = 10;  // width and height come from the box, wherever it lies
    s.xMax = 11;
    s.yMin = 5;
    s.yMax = 6;
    s.bytesPerLine = 2;
    // Line 1: red 1, 2; green 3, 4; blue 5 and a run of 0x80 that goes on for 6 bytes into line 2.
    s.data = {1, 2, 3, 4, 5, 0xC7, 0x80};
    const Picture p = Decode(MakePcx(s));
    ASSERT_EQ(p.Width(), 2);
    ASSERT_EQ(p.Height(), 2);
    EXPECT_EQ(PixelAt(p, 0, 0), MakeColour(1, 3, 5));
    EXPECT_EQ(PixelAt(p, 1, 0), MakeColour(2, 4, 0x80));
    EXPECT_EQ(PixelAt(p, 0, 1), MakeColour(0x80, 0x80, 0x80));

    // A count of 0 writes nothing.
    s.yMax = 5;
    s.data = {0xC0, 99, 1, 2, 3, 4, 5, 6};
    EXPECT_EQ(PixelAt(Decode(MakePcx(s)), 1, 0), MakeColour(2, 4, 6));
}

// ---------------------------------------------------------------------------
// Errors.

TEST(PcxReader, BadHeadersFailWithTheirCode) {
    auto with = [](auto change) {
        PcxSpec s;
        s.data = {1, 2, 3};
        change(s);
        return MakePcx(s);
    };
    struct Case {
        const char* what;
        Bytes file;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"empty file", {}, kHeader},
        {"127 header bytes", Bytes(127, 10), kHeader},
        {"manufacturer 11", with([](PcxSpec& s) { s.manufacturer = 11; }), kUnknown},
        {"1 plane of 1 bit", with([](PcxSpec& s) { s.planes = 1, s.bitsPerPixel = 1; }), kUnknown},
        {"3 planes of 4 bits", with([](PcxSpec& s) { s.bitsPerPixel = 4; }), kUnknown},
        {"4 planes of 1 bit", with([](PcxSpec& s) { s.planes = 4, s.bitsPerPixel = 1; }), kUnknown},
        {"2 planes of 8 bits", with([](PcxSpec& s) { s.planes = 2; }), kUnknown},
        {"4 planes of 8 bits", with([](PcxSpec& s) { s.planes = 4; }), kUnknown},
        {"xmax below xmin", with([](PcxSpec& s) { s.xMin = 5, s.xMax = 4; }), kBadParams},
        {"ymax below ymin", with([](PcxSpec& s) { s.yMin = 1; }), kBadParams},
        {"bytes per line below the width", with([](PcxSpec& s) { s.xMax = 1; }), kBadParams},
        {"bytes per line 0", with([](PcxSpec& s) { s.bytesPerLine = 0; }), kBadParams},
        {"data ends in a line", with([](PcxSpec& s) {
             s.data = {1, 2};
         }),
         kEof},
        {"data ends after a count", with([](PcxSpec& s) {
             s.data = {1, 2, 0xC1};
         }),
         kEof},
        {"data ends in the second line", with([](PcxSpec& s) {
             s.yMax = 1, s.data = {0xC4, 1};
         }),
         kEof},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeError(c.file), c.error) << c.what;
}

TEST(PcxReader, SizeLimitsAreCheckedBeforeAllocating) {
    PcxSpec s;
    s.xMin = s.yMin = 1;
    s.xMax = s.yMax = 65535;
    s.bytesPerLine = 65535;
    s.data = {0xFF, 1};
    EXPECT_NE(DecodeError(MakePcx(s)).find("too large"), std::string::npos);
    // Within the limit but far more than 2 bytes can decode to: refused before allocating.
    s.xMax = s.yMax = 9999;
    EXPECT_EQ(DecodeError(MakePcx(s)), kEof);

    PcxSpec ok;
    ok.xMax = 1;
    ok.bytesPerLine = 2;
    ok.data = {0xC6, 3};
    EXPECT_NO_THROW(Decode(MakePcx(ok)));
    EXPECT_NE(DecodeError(MakePcx(ok), ImageLimits{1, 1 << 20}).find("too large"), std::string::npos);
}

TEST(PcxReader, LoadFromFileNamesTheFileAndGoesThroughTheFormatTable) {
    test::ScratchDir dir;
    try {
        LoadPcx(dir / "missing.pcx", nullptr);
        FAIL();
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), kOpen);
        EXPECT_EQ(e.Where(), (dir / "missing.pcx").string());
        EXPECT_EQ(e.Title(), "PCX Error");
    }
    PcxSpec s;
    s.data = {10, 20, 30};
    test::WriteFileBytes(dir / "one.Pcx", MakePcx(s));
    EXPECT_EQ(SniffFileType(dir / "one.Pcx"), PictureFileType::Pcx);
    EXPECT_EQ(PixelAt(LoadPicture(dir / "one.Pcx", PictureFileType::Pcx), 0, 0), MakeColour(10, 20, 30));
}

}  // namespace
}  // namespace lp
