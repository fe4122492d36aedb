// Every BMP of the shared corpus, each with the outcome we stand by.
//
// Expected pixels: image-rs's reference decodes for its own files; for the
// others, tests/data/bmp/reference/<corpus path>.png, made by
// tests/data/bmp/make_references.py (ImageMagick's decode, with the
// exceptions that script lists and explains).
//
// Where we knowingly differ from an oracle:
// - Pixels a run-length file never sets (delta and early end-of-line skips,
//   data cut short) are black; ImageMagick paints them with palette entry 0.
// - 16-bit channels are scaled as v x 255 / max, rounded (as image-rs does);
//   ImageMagick is off by one on some values (tolerance 1 below) and keeps
//   channels narrower than 5 bits at the top of the byte (those references
//   come from the script's own bit-field decoder).
// - Alpha is ignored: the picture model is 24-bit.
// - Embedded JPEG or PNG, OS/2 Huffman and RLE24, 2- and 64-bit pixels, a
//   16-byte OS/2 2.x header: refused with "Unknown/Unsupported DIB format".
// - Files whose size fields are wrong decode (ImageMagick refuses them): the
//   file itself bounds the data.
// - Files that end early decode with the missing bytes as zero (the rows
//   come out as palette entry 0, or black); oracles refuse them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "bmp_test_support.h"
#include "formats/bmp/bmp_reader.h"
#include "base/imp_exp_exception.h"
#include "test_support.h"

namespace lp {
namespace {

using namespace test::bmp;
namespace fs = std::filesystem;

enum class Outcome {
    Match,    // decodes to the reference (within the tolerance)
    Partial,  // decodes; each pixel is the reference's or black, and a good part is the reference's
    Reject,   // fails with an ImpExpException carrying the message
    Either,   // corrupt beyond any reference: a picture or a clean ImpExpException
};

struct CorpusCase {
    const char* file;  // relative to corpora/bmp
    Outcome outcome;
    const char* reference = nullptr;  // Match/Partial: the file whose expected pixels apply (default: itself)
    int tolerance = 0;
    const char* message = nullptr;  // Reject: the message (a prefix for size limits)
};

void PrintTo(const CorpusCase& c, std::ostream* os) { *os << c.file; }

constexpr const char* kUnsupported = "Unknown/Unsupported DIB format";
constexpr const char* kNotBitmap = "Not a Window Bitmap";
constexpr const char* kTooLarge = "Picture too large";

const std::vector<CorpusCase>& Cases() {
    static const std::vector<CorpusCase> cases = {
        // bmpsuite, good files: ImageMagick's decode.
        {"bmpsuite/g/pal1.bmp", Outcome::Match},
        {"bmpsuite/g/pal1bg.bmp", Outcome::Match},
        {"bmpsuite/g/pal1wb.bmp", Outcome::Match},
        {"bmpsuite/g/pal4.bmp", Outcome::Match},
        {"bmpsuite/g/pal4gs.bmp", Outcome::Match},
        {"bmpsuite/g/pal4rle.bmp", Outcome::Match},
        {"bmpsuite/g/pal8-0.bmp", Outcome::Match},
        {"bmpsuite/g/pal8.bmp", Outcome::Match},
        {"bmpsuite/g/pal8gs.bmp", Outcome::Match},
        {"bmpsuite/g/pal8nonsquare.bmp", Outcome::Match},
        {"bmpsuite/g/pal8os2.bmp", Outcome::Match},
        {"bmpsuite/g/pal8rle.bmp", Outcome::Match},
        {"bmpsuite/g/pal8topdown.bmp", Outcome::Match},
        {"bmpsuite/g/pal8v4.bmp", Outcome::Match},
        {"bmpsuite/g/pal8v5.bmp", Outcome::Match},
        {"bmpsuite/g/pal8w124.bmp", Outcome::Match},
        {"bmpsuite/g/pal8w125.bmp", Outcome::Match},
        {"bmpsuite/g/pal8w126.bmp", Outcome::Match},
        {"bmpsuite/g/rgb16-565.bmp", Outcome::Match, nullptr, 1},
        {"bmpsuite/g/rgb16-565pal.bmp", Outcome::Match, nullptr, 1},
        {"bmpsuite/g/rgb16.bmp", Outcome::Match, nullptr, 1},
        {"bmpsuite/g/rgb16bfdef.bmp", Outcome::Match, nullptr, 1},
        {"bmpsuite/g/rgb24.bmp", Outcome::Match},
        {"bmpsuite/g/rgb24pal.bmp", Outcome::Match},
        {"bmpsuite/g/rgb32.bmp", Outcome::Match},
        {"bmpsuite/g/rgb32bf.bmp", Outcome::Match},
        {"bmpsuite/g/rgb32bfdef.bmp", Outcome::Match},

        // bmpsuite, questionable files.
        {"bmpsuite/q/pal1huffmsb.bmp", Outcome::Reject, nullptr, 0, kUnsupported},  // OS/2 Huffman 1D
        {"bmpsuite/q/pal1p1.bmp", Outcome::Match},                           // 1-entry palette: index 1 reads as black
        {"bmpsuite/q/pal2.bmp", Outcome::Reject, nullptr, 0, kUnsupported},  // 2 bits per pixel
        {"bmpsuite/q/pal2color.bmp", Outcome::Reject, nullptr, 0, kUnsupported},
        {"bmpsuite/q/pal4rlecut.bmp", Outcome::Partial, "bmpsuite/g/pal4.bmp"},   // data ends early
        {"bmpsuite/q/pal4rletrns.bmp", Outcome::Partial, "bmpsuite/g/pal4.bmp"},  // delta/EOL skips
        {"bmpsuite/q/pal8offs.bmp", Outcome::Match},
        {"bmpsuite/q/pal8os2-hs.bmp", Outcome::Match},
        {"bmpsuite/q/pal8os2-sz.bmp", Outcome::Match},
        {"bmpsuite/q/pal8os2sp.bmp", Outcome::Match},
        {"bmpsuite/q/pal8os2v2-16.bmp", Outcome::Reject, nullptr, 0, kUnsupported},  // 16-byte header
        {"bmpsuite/q/pal8os2v2-40sz.bmp", Outcome::Match},
        {"bmpsuite/q/pal8os2v2-sz.bmp", Outcome::Match},
        {"bmpsuite/q/pal8os2v2.bmp", Outcome::Match},
        {"bmpsuite/q/pal8oversizepal.bmp", Outcome::Match, "bmpsuite/g/pal8.bmp"},  // 300 entries, 256 used
        {"bmpsuite/q/pal8rlecut.bmp", Outcome::Partial, "bmpsuite/g/pal8.bmp"},
        {"bmpsuite/q/pal8rletrns.bmp", Outcome::Partial, "bmpsuite/g/pal8.bmp"},
        {"bmpsuite/q/rgb16-231.bmp", Outcome::Match},
        {"bmpsuite/q/rgb16-3103.bmp", Outcome::Match},
        {"bmpsuite/q/rgb16faketrns.bmp", Outcome::Match, nullptr, 1},
        {"bmpsuite/q/rgb24jpeg.bmp", Outcome::Reject, nullptr, 0, kUnsupported},
        {"bmpsuite/q/rgb24largepal.bmp", Outcome::Match},
        {"bmpsuite/q/rgb24lprof.bmp", Outcome::Match},
        {"bmpsuite/q/rgb24png.bmp", Outcome::Reject, nullptr, 0, kUnsupported},
        {"bmpsuite/q/rgb24rle24.bmp", Outcome::Reject, nullptr, 0, kUnsupported},
        {"bmpsuite/q/rgb32-111110.bmp", Outcome::Match, nullptr, 1},
        {"bmpsuite/q/rgb32-7187.bmp", Outcome::Match},
        {"bmpsuite/q/rgb32-xbgr.bmp", Outcome::Match},
        {"bmpsuite/q/rgb32fakealpha.bmp", Outcome::Match},
        {"bmpsuite/q/rgb32h52.bmp", Outcome::Match},
        {"bmpsuite/q/rgba16-1924.bmp", Outcome::Match},
        {"bmpsuite/q/rgba16-4444.bmp", Outcome::Match},
        {"bmpsuite/q/rgba16-5551.bmp", Outcome::Match, nullptr, 1},
        {"bmpsuite/q/rgba32-1.bmp", Outcome::Match},
        {"bmpsuite/q/rgba32-1010102.bmp", Outcome::Match, nullptr, 1},
        {"bmpsuite/q/rgba32-2.bmp", Outcome::Match},
        {"bmpsuite/q/rgba32-61754.bmp", Outcome::Match},
        {"bmpsuite/q/rgba32-81284.bmp", Outcome::Match, nullptr, 1},
        {"bmpsuite/q/rgba32abf.bmp", Outcome::Match, "bmpsuite/q/rgba32-1.bmp"},  // BI_ALPHABITFIELDS
        {"bmpsuite/q/rgba32h56.bmp", Outcome::Match},
        {"bmpsuite/q/rgba64.bmp", Outcome::Reject, nullptr, 0, kUnsupported},

        // bmpsuite, bad files.
        {"bmpsuite/b/badbitcount.bmp", Outcome::Reject, nullptr, 0, kUnsupported},
        {"bmpsuite/b/badbitssize.bmp", Outcome::Match},  // the image-size field is not trusted
        {"bmpsuite/b/baddens1.bmp", Outcome::Match},
        {"bmpsuite/b/baddens2.bmp", Outcome::Match},
        {"bmpsuite/b/badfilesize.bmp", Outcome::Match},
        {"bmpsuite/b/badheadersize.bmp", Outcome::Reject, nullptr, 0, kUnsupported},
        {"bmpsuite/b/badpalettesize.bmp", Outcome::Reject, nullptr, 0, kUnsupported},  // table past the end
        {"bmpsuite/b/badplanes.bmp", Outcome::Reject, nullptr, 0, kUnsupported},
        // Corrupt run-length data: runs and deltas are clipped to the picture.
        {"bmpsuite/b/badrle.bmp", Outcome::Either},
        {"bmpsuite/b/badrle4.bmp", Outcome::Either},
        {"bmpsuite/b/badrle4bis.bmp", Outcome::Either},
        {"bmpsuite/b/badrle4ter.bmp", Outcome::Either},
        {"bmpsuite/b/badrlebis.bmp", Outcome::Either},
        {"bmpsuite/b/badrleter.bmp", Outcome::Either},
        {"bmpsuite/b/badwidth.bmp", Outcome::Reject, nullptr, 0, kUnsupported},
        {"bmpsuite/b/pal8badindex.bmp", Outcome::Partial, "bmpsuite/g/pal8.bmp"},  // indexes past the table: black
        {"bmpsuite/b/reallybig.bmp", Outcome::Reject, nullptr, 0, kTooLarge},
        {"bmpsuite/b/rgb16-880.bmp", Outcome::Match},
        {"bmpsuite/b/rletopdown.bmp", Outcome::Reject, nullptr, 0, kUnsupported},
        {"bmpsuite/b/shortfile.bmp", Outcome::Partial, "bmpsuite/g/pal1.bmp"},  // palette entry 0 is black

        {"bmpsuite/x/ba-bm.bmp", Outcome::Reject, nullptr, 0, kNotBitmap},  // OS/2 bitmap array

        // image-rs: its reference decodes.
        {"image-rs-bmp/images/Core_1_Bit.bmp", Outcome::Match},
        {"image-rs-bmp/images/Core_4_Bit.bmp", Outcome::Match},
        {"image-rs-bmp/images/Core_8_Bit.bmp", Outcome::Match},
        {"image-rs-bmp/images/Info_1_Bit.bmp", Outcome::Match},
        {"image-rs-bmp/images/Info_1_Bit_Top_Down.bmp", Outcome::Match},
        {"image-rs-bmp/images/Info_4_Bit.bmp", Outcome::Match},
        {"image-rs-bmp/images/Info_4_Bit_Top_Down.bmp", Outcome::Match},
        {"image-rs-bmp/images/Info_8_Bit.bmp", Outcome::Match},
        {"image-rs-bmp/images/Info_8_Bit_Top_Down.bmp", Outcome::Match},
        {"image-rs-bmp/images/Info_A8_R8_G8_B8.bmp", Outcome::Match},
        {"image-rs-bmp/images/Info_A8_R8_G8_B8_Top_Down.bmp", Outcome::Match},
        {"image-rs-bmp/images/Info_R8_G8_B8.bmp", Outcome::Match},
        {"image-rs-bmp/images/Info_R8_G8_B8_Top_Down.bmp", Outcome::Match},
        {"image-rs-bmp/images/Info_X1_R5_G5_B5.bmp", Outcome::Match},
        {"image-rs-bmp/images/Info_X1_R5_G5_B5_Top_Down.bmp", Outcome::Match},
        {"image-rs-bmp/images/V3_A1_R5_G5_B5.bmp", Outcome::Match},
        {"image-rs-bmp/images/V3_A1_R5_G5_B5_Top_Down.bmp", Outcome::Match},
        {"image-rs-bmp/images/V3_A4_R4_G4_B4.bmp", Outcome::Match},
        {"image-rs-bmp/images/V3_A4_R4_G4_B4_Top_Down.bmp", Outcome::Match},
        {"image-rs-bmp/images/V3_R5_G6_B5.bmp", Outcome::Match},
        {"image-rs-bmp/images/V3_R5_G6_B5_Top_Down.bmp", Outcome::Match},
        {"image-rs-bmp/images/V3_X4_R4_G4_B4.bmp", Outcome::Match},
        {"image-rs-bmp/images/V3_X4_R4_G4_B4_Top_Down.bmp", Outcome::Match},
        {"image-rs-bmp/images/V3_X8_R8_G8_B8.bmp", Outcome::Match},
        {"image-rs-bmp/images/V3_X8_R8_G8_B8_Top_Down.bmp", Outcome::Match},
        {"image-rs-bmp/images/V4_24_Bit.bmp", Outcome::Match},
        {"image-rs-bmp/images/V4_A8_R8_G8_B8.bmp", Outcome::Match},
        {"image-rs-bmp/images/V4_R5_G6_B5.bmp", Outcome::Match},
        {"image-rs-bmp/images/V5_24_Bit.bmp", Outcome::Match},
        {"image-rs-bmp/images/V5_A1_R5_G5_B5.bmp", Outcome::Match},
        {"image-rs-bmp/images/V5_A8_R8_G8_B8_Rgb.bmp", Outcome::Match},
        {"image-rs-bmp/images/pal8v4.bmp", Outcome::Match},
        {"image-rs-bmp/images/rgba16-1924.bmp", Outcome::Match},
        {"image-rs-bmp/images/imagemagick_invalid_run_length_issue_2321.bmp", Outcome::Match},
        // Lenient decodes: masks of a BI_RGB file are ignored; runs past the row are clipped.
        {"image-rs-bmp/images/lenient/V5_A8_R8_G8_B8_Rgb_BadMask.bmp", Outcome::Match},
        {"image-rs-bmp/images/lenient/rle_overflow.bmp", Outcome::Either},
        {"image-rs-bmp/bad/Bad_clrsUsed.bmp", Outcome::Reject, nullptr, 0, kUnsupported},
        {"image-rs-bmp/bad/Bad_height.bmp", Outcome::Reject, nullptr, 0, kTooLarge},
        {"image-rs-bmp/bad/Bad_width.bmp", Outcome::Reject, nullptr, 0, kTooLarge},
        // 2554 x 18803 RLE4 from 133 bytes of data: within the pixel limit, so
        // it decodes to a mostly black picture like any file that ends early.
        {"image-rs-bmp/bad/Bad_unusual_extend_buffer_usage.bmp", Outcome::Either},
    };
    return cases;
}

fs::path BmpCorpus() { return test::CorpusDir() / "bmp"; }

std::optional<RgbImage> ReferenceFor(const std::string& relative) {
    const fs::path file = relative;
    if (relative.rfind("image-rs-bmp/images/", 0) == 0) {
        const auto own = BmpCorpus() / "image-rs-bmp" / "reference" / "images" / (file.filename().string() + ".png");
        if (fs::exists(own)) return ReadPngRgb(own);
    }
    return ReadPngRgb(test::TestDataDir() / "bmp" / "reference" / (relative + ".png"));
}

TEST(BmpCorpus, EveryFileHasAnExpectedOutcome) {
    LP_REQUIRE_CORPUS();
    std::set<std::string> listed;
    for (const auto& c : Cases()) {
        EXPECT_TRUE(listed.insert(c.file).second) << "listed twice: " << c.file;
        EXPECT_TRUE(fs::exists(BmpCorpus() / c.file)) << "listed but missing: " << c.file;
    }
    std::size_t found = 0;
    for (const auto& e : fs::recursive_directory_iterator(BmpCorpus())) {
        std::string ext = e.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char ch) { return char(std::tolower(ch)); });
        if (!e.is_regular_file() || ext != ".bmp") continue;
        ++found;
        const std::string rel = fs::relative(e.path(), BmpCorpus()).generic_string();
        EXPECT_TRUE(listed.count(rel)) << "corpus file without an expected outcome: " << rel;
    }
    EXPECT_EQ(found, Cases().size());
}

class BmpCorpusFile : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(BmpCorpusFile, DecodesAsExpected) {
    LP_REQUIRE_CORPUS();
    const CorpusCase& c = GetParam();
    const fs::path path = BmpCorpus() / c.file;
    const auto bytes = test::ReadFileBytes(path);

    // Each file runs from memory and through the file loader; both must agree.
    std::optional<Picture> fromMemory;
    std::optional<Picture> fromFile;
    std::string memoryError;
    std::string fileError;
    try {
        fromMemory = DecodeBmp(bytes, path.string(), nullptr);
    } catch (const ImpExpException& e) {
        memoryError = e.Message();
        EXPECT_EQ(e.Title(), "Bitmap Error");
        EXPECT_EQ(e.Where(), path.string());
    }
    try {
        fromFile = LoadBmp(path, nullptr);
    } catch (const ImpExpException& e) {
        fileError = e.Message();
    }
    ASSERT_EQ(memoryError, fileError);
    if (fromMemory) {
        ASSERT_TRUE(fromMemory->SamePixels(*fromFile));
    }

    switch (c.outcome) {
        case Outcome::Reject:
            ASSERT_FALSE(fromMemory) << "decoded, expected: " << c.message;
            EXPECT_EQ(memoryError.rfind(c.message, 0), 0u) << memoryError;
            return;
        case Outcome::Either:
            if (fromMemory) {
                EXPECT_GT(fromMemory->Width(), 0);
                EXPECT_GT(fromMemory->Height(), 0);
            } else {
                EXPECT_FALSE(memoryError.empty());
            }
            return;
        case Outcome::Match:
        case Outcome::Partial:
            break;
    }
    ASSERT_TRUE(fromMemory) << memoryError;
    const auto reference = ReferenceFor(c.reference ? c.reference : c.file);
    ASSERT_TRUE(reference) << "no reference pixels for " << (c.reference ? c.reference : c.file);
    const RgbImage got = ToRgb(*fromMemory);
    if (c.outcome == Outcome::Match) {
        EXPECT_EQ(CompareRgb(got, *reference, c.tolerance), "");
        return;
    }
    ASSERT_EQ(got.width, reference->width);
    ASSERT_EQ(got.height, reference->height);
    std::size_t same = 0;
    std::size_t black = 0;
    std::size_t other = 0;
    for (std::size_t i = 0; i < got.rgb.size(); i += 3) {
        if (std::equal(&got.rgb[i], &got.rgb[i + 3], &reference->rgb[i]))
            ++same;
        else if (got.rgb[i] == 0 && got.rgb[i + 1] == 0 && got.rgb[i + 2] == 0)
            ++black;
        else
            ++other;
    }
    EXPECT_EQ(other, 0u) << "pixels that are neither the reference's nor black";
    EXPECT_GT(same, black / 2) << "too little of the picture decoded";
    EXPECT_GT(black, 0u) << "nothing missing: expected a Match case";
}

std::string CaseName(const ::testing::TestParamInfo<CorpusCase>& info) {
    std::string name = info.param.file;
    for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(All, BmpCorpusFile, ::testing::ValuesIn(Cases()), CaseName);

}  // namespace
}  // namespace lp
