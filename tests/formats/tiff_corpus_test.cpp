// Every TIFF of the shared corpus, with the outcome the reading rules give it.
//
// The reader takes the first image of a classic TIFF (version 42, either byte
// order) whose directories hold only tags 254..320 or private tags (32768 and
// up); grey, RGB and palette pictures of 1-16 bits per sample (palette up to 8),
// contiguous samples, uncompressed, LZW (TIFF 6.0) or PackBits strips.
// The families that fail by design:
//  - "Corrupted file": a first directory holding a public tag above 320 —
//    SampleFormat (339, most files of image-tiff-images, including every seq/
//    file), ExtraSamples (338, alpha), InkSet (332, CMYK), TileWidth (322, tiled),
//    XMP (700) — and quad-lzw-compat.tiff, whose old-style (LSB-first) LZW
//    strip meets a code past the table after 3 bytes under TIFF 6.0 decoding.
//  - "Bad version": BigTIFF (version 43).
//  - "Unsupported type": CCITT G4 (compression 4), 32- and 64-bit samples,
//    16-bit palette indexes, planar (PlanarConfiguration 2) pictures.
// The decodable files must match ImageMagick within 1 per component (it rounds
// 16-bit values to 8 bits; the reader takes v x 255 / (2^bits - 1) rounded down
// and the high byte of ColorMap entries).
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "formats/tiff/tiff_reader.h"
#include "base/imp_exp_exception.h"
#include "test_support.h"
#include "tiff_test_support.h"

namespace lp {
namespace {

namespace tt = test::tiff;

struct CorpusCase {
    const char* file;      // relative to corpora/tiff
    const char* expected;  // nullptr: decodes; else the message of the "Tiff Error"
};

// clang-format off
const CorpusCase kCorpus[] = {
    // Decodable: grey, RGB and palette, 2-16 bits, both byte orders.
    {"image-tiff-images/12bit.cropped.rgb.tiff", nullptr},
    {"image-tiff-images/12bit.cropped.tiff", nullptr},
    {"libtiffpic-depth/flower-minisblack-02.tif", nullptr},
    {"libtiffpic-depth/flower-minisblack-04.tif", nullptr},
    {"libtiffpic-depth/flower-minisblack-06.tif", nullptr},
    {"libtiffpic-depth/flower-minisblack-08.tif", nullptr},
    {"libtiffpic-depth/flower-minisblack-10.tif", nullptr},
    {"libtiffpic-depth/flower-minisblack-12.tif", nullptr},
    {"libtiffpic-depth/flower-minisblack-14.tif", nullptr},
    {"libtiffpic-depth/flower-minisblack-16.tif", nullptr},
    {"libtiffpic-depth/flower-palette-02.tif", nullptr},
    {"libtiffpic-depth/flower-palette-04.tif", nullptr},
    {"libtiffpic-depth/flower-palette-08.tif", nullptr},
    {"libtiffpic-depth/flower-rgb-contig-02.tif", nullptr},
    {"libtiffpic-depth/flower-rgb-contig-04.tif", nullptr},
    {"libtiffpic-depth/flower-rgb-contig-08.tif", nullptr},
    {"libtiffpic-depth/flower-rgb-contig-10.tif", nullptr},
    {"libtiffpic-depth/flower-rgb-contig-12.tif", nullptr},
    {"libtiffpic-depth/flower-rgb-contig-14.tif", nullptr},
    {"libtiffpic-depth/flower-rgb-contig-16.tif", nullptr},

    // Failing by design.
    {"image-tiff-images/big_g4.tif", "Unsupported type"},  // compression 4
    {"image-tiff-images/cmyk-3c-16b.tiff", "Corrupted file"},  // InkSet (332)
    {"image-tiff-images/cmyk-3c-32b-float.tiff", "Corrupted file"},  // InkSet (332)
    {"image-tiff-images/cmyk-3c-8b.tiff", "Corrupted file"},  // InkSet (332)
    {"image-tiff-images/cmyk-4c-8b.tiff", "Corrupted file"},  // ExtraSamples (338)
    {"image-tiff-images/extra_bits_gray_8b.tiff", "Corrupted file"},  // ExtraSamples (338)
    {"image-tiff-images/extra_bits_rgb_8b.tiff", "Corrupted file"},  // ExtraSamples (338)
    {"image-tiff-images/fax4.tiff", "Corrupted file"},  // XMP (700)
    {"image-tiff-images/gradient-1c-32b-float.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/gradient-1c-32b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/gradient-1c-64b-float.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/gradient-1c-64b.tiff", "Unsupported type"},  // 64 bits
    {"image-tiff-images/gradient-3c-32b-float.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/gradient-3c-32b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/gradient-3c-64b.tiff", "Unsupported type"},  // 64 bits
    {"image-tiff-images/hpredict-1c-12b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/imagemagick_group4.tiff", "Unsupported type"},  // compression 4
    {"image-tiff-images/int16.tif", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/int16_rgb.tif", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/int16_zstd.tif", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/int8.tif", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/int8_rgb.tif", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/issue_69_lzw.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/issue_69_packbits.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/logluv-3c-16b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/minisblack-1c-16b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/minisblack-1c-3b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/minisblack-1c-5b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/minisblack-1c-7b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/minisblack-1c-8b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/minisblack-1c-i16b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/minisblack-1c-i8b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/minisblack-2c-8b-alpha.tiff", "Corrupted file"},  // ExtraSamples (338)
    {"image-tiff-images/miniswhite-1c-12b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/miniswhite-1c-1b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/miniswhite-1c-3b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/miniswhite-1c-6b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/palette-1c-1b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/palette-1c-4b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/palette-1c-8b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/planar-rgb-u8.tif", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/predictor-3-gray-f32.tif", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/predictor-3-rgb-f32.tif", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/quad-lzw-compat.tiff", "Corrupted file"},  // old-style LSB-first LZW: a code past the table after 3 bytes
    {"image-tiff-images/quad-tile.jpg.tiff", "Corrupted file"},  // TileWidth (322)
    {"image-tiff-images/random-fp16-pred2.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/random-fp16-pred3.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/random-fp16.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/rgb-3c-16b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/rgb-3c-8b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/single-black-fp16.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/tiled-cmyk-i8.tif", "Corrupted file"},  // TileWidth (322)
    {"image-tiff-images/tiled-gray-i1.tif", "Corrupted file"},  // TileWidth (322)
    {"image-tiff-images/tiled-jpeg-rgb-u8.tif", "Corrupted file"},  // TileWidth (322)
    {"image-tiff-images/tiled-jpeg-ycbcr.tif", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/tiled-oversize-gray-i8.tif", "Corrupted file"},  // TileWidth (322)
    {"image-tiff-images/tiled-rect-rgb-u8.tif", "Corrupted file"},  // TileWidth (322)
    {"image-tiff-images/tiled-rgb-u8.tif", "Corrupted file"},  // TileWidth (322)
    {"image-tiff-images/white-fp16-pred2.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/white-fp16-pred3.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/white-fp16.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/bigtiff/BigTIFF.tif", "Bad version"},  // BigTIFF (version 43)
    {"image-tiff-images/bigtiff/BigTIFFLong.tif", "Bad version"},  // BigTIFF (version 43)
    {"image-tiff-images/bigtiff/BigTIFFMotorola.tif", "Bad version"},  // BigTIFF (version 43)
    {"image-tiff-images/seq/seq-1c-10b-6d739fa2.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-10b-hpredict-6d739fa2.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-10b-miniswhite-6d739fa2.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-12b-47c39b31.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-12b-hpredict-47c39b31.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-12b-miniswhite-47c39b31.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-14b-e883657f.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-14b-hpredict-e883657f.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-14b-miniswhite-e883657f.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-16b-bigendian-68f373a0.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-16b-deflate-68f373a0.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-16b-lzw-68f373a0.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-16b-multistrip-68f373a0.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-16b-tiled-68f373a0.tiff", "Corrupted file"},  // TileWidth (322)
    {"image-tiff-images/seq/seq-1c-1b-71f6a21a.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-1b-fax3-71f6a21a.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-1b-fax3-fillbits-71f6a21a.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-1b-fax3-lsb-71f6a21a.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-1b-miniswhite-71f6a21a.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-24b-072a9dc9.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-24b-hpredict-072a9dc9.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-24b-miniswhite-072a9dc9.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-2b-58b25f76.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-32f-390fe673.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-32f-deflate-fpredict-390fe673.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-3b-ef237c07.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-3b-miniswhite-ef237c07.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-4b-fb92dcae.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-4b-miniswhite-fb92dcae.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-4b-palette-85108c5a.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-5b-73098d17.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-5b-miniswhite-73098d17.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-64f-afa8560e.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-64f-deflate-fpredict-afa8560e.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-6b-miniswhite-79cafbb6.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-7b-9c61ba70.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-7b-miniswhite-9c61ba70.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-8b-bigendian-20f3db0c.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-8b-bigtiff-20f3db0c.tiff", "Bad version"},  // BigTIFF (version 43)
    {"image-tiff-images/seq/seq-1c-8b-deflate-20f3db0c.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-8b-lzw-20f3db0c.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-8b-lzw-hpredict-20f3db0c.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-8b-multipage-adeefdcc.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-8b-multistrip-20f3db0c.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-8b-packbits-20f3db0c.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-8b-palette-89b39bc3.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-8b-tiled-20f3db0c.tiff", "Corrupted file"},  // TileWidth (322)
    {"image-tiff-images/seq/seq-1c-8b-tiled-bigtiff-20f3db0c.tiff", "Bad version"},  // BigTIFF (version 43)
    {"image-tiff-images/seq/seq-1c-8b-tiled-deflate-20f3db0c.tiff", "Corrupted file"},  // TileWidth (322)
    {"image-tiff-images/seq/seq-1c-8b-tiled-lzw-20f3db0c.tiff", "Corrupted file"},  // TileWidth (322)
    {"image-tiff-images/seq/seq-1c-i16-63af2488.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-i32-99fddec2.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-1c-i8-f8446bbe.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-3c-10b-contig-d08d5dc0.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-3c-10b-planar-c82e8ab6.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-3c-12b-contig-e6f40b4a.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-3c-12b-planar-e29e8e25.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-3c-14b-contig-f4dcc6cc.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-3c-14b-planar-4dde706b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-3c-16b-bigtiff-1b40ca6e.tiff", "Bad version"},  // BigTIFF (version 43)
    {"image-tiff-images/seq/seq-3c-24b-contig-27b9f8ce.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-3c-24b-planar-6296c0c9.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-3c-32f-9a471c2b.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-3c-5b-contig-09f197f4.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-3c-64f-9fff098a.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-3c-7b-contig-2e4f43c5.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-3c-8b-bigendian-8743c999.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-3c-8b-lzw-8743c999.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-3c-8b-multistrip-8743c999.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-3c-8b-tiled-8743c999.tiff", "Corrupted file"},  // TileWidth (322)
    {"image-tiff-images/seq/seq-3c-i16-f7fcf423.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-3c-i8-d7550ce4.tiff", "Corrupted file"},  // SampleFormat (339)
    {"image-tiff-images/seq/seq-4c-16b-cmyk-c6e52592.tiff", "Corrupted file"},  // InkSet (332)
    {"image-tiff-images/seq/seq-4c-16b-rgba-5181991f.tiff", "Corrupted file"},  // ExtraSamples (338)
    {"image-tiff-images/seq/seq-4c-8b-cmyk-352ac1da.tiff", "Corrupted file"},  // InkSet (332)
    {"image-tiff-images/seq/seq-4c-8b-rgba-50969cda.tiff", "Corrupted file"},  // ExtraSamples (338)
    {"image-tiff-images/seq/seq-4c-8b-rgba-unassoc-50969cda.tiff", "Corrupted file"},  // ExtraSamples (338)
    {"libtiffpic-depth/flower-minisblack-24.tif", "Corrupted file"},  // SampleFormat (339)
    {"libtiffpic-depth/flower-minisblack-32.tif", "Unsupported type"},  // 32 bits
    {"libtiffpic-depth/flower-palette-16.tif", "Unsupported type"},  // palette 16 bits
    {"libtiffpic-depth/flower-rgb-contig-24.tif", "Corrupted file"},  // SampleFormat (339)
    {"libtiffpic-depth/flower-rgb-contig-32.tif", "Unsupported type"},  // 32 bits
    {"libtiffpic-depth/flower-rgb-planar-02.tif", "Unsupported type"},  // planar 2
    {"libtiffpic-depth/flower-rgb-planar-04.tif", "Unsupported type"},  // planar 2
    {"libtiffpic-depth/flower-rgb-planar-08.tif", "Unsupported type"},  // planar 2
    {"libtiffpic-depth/flower-rgb-planar-10.tif", "Unsupported type"},  // planar 2
    {"libtiffpic-depth/flower-rgb-planar-12.tif", "Unsupported type"},  // planar 2
    {"libtiffpic-depth/flower-rgb-planar-14.tif", "Unsupported type"},  // planar 2
    {"libtiffpic-depth/flower-rgb-planar-16.tif", "Unsupported type"},  // planar 2
    {"libtiffpic-depth/flower-rgb-planar-24.tif", "Corrupted file"},  // SampleFormat (339)
    {"libtiffpic-depth/flower-rgb-planar-32.tif", "Unsupported type"},  // 32 bits
    {"libtiffpic-depth/flower-separated-contig-08.tif", "Corrupted file"},  // InkSet (332)
    {"libtiffpic-depth/flower-separated-contig-16.tif", "Corrupted file"},  // InkSet (332)
    {"libtiffpic-depth/flower-separated-planar-08.tif", "Corrupted file"},  // InkSet (332)
    {"libtiffpic-depth/flower-separated-planar-16.tif", "Corrupted file"},  // InkSet (332)
};
// clang-format on

std::filesystem::path TiffCorpus() { return test::CorpusDir() / "tiff"; }

TEST(TiffCorpus, TableCoversEveryFile) {
    LP_REQUIRE_CORPUS();
    std::set<std::string> listed;
    for (const auto& c : kCorpus) listed.insert(c.file);
    int files = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(TiffCorpus())) {
        const std::string ext = e.path().extension().string();
        if (!e.is_regular_file() || (ext != ".tif" && ext != ".tiff")) continue;
        ++files;
        EXPECT_TRUE(listed.count(std::filesystem::relative(e.path(), TiffCorpus()).string()))
            << "not in the table: " << e.path();
    }
    EXPECT_EQ(files, static_cast<int>(std::size(kCorpus)));
}

// Each file from the file and from memory; the same outcome both ways.
TEST(TiffCorpus, EveryFileHasItsDesignedOutcome) {
    LP_REQUIRE_CORPUS();
    for (const auto& c : kCorpus) {
        SCOPED_TRACE(c.file);
        const auto path = TiffCorpus() / c.file;
        const auto bytes = test::ReadFileBytes(path);
        for (const bool fromFile : {true, false}) {
            try {
                const Picture p = fromFile ? LoadTiff(path, nullptr) : DecodeTiff(bytes, path.string(), nullptr);
                EXPECT_EQ(c.expected, nullptr) << "decoded, expected " << c.expected;
                EXPECT_GT(p.Width(), 0);
            } catch (const ImpExpException& e) {
                ASSERT_NE(c.expected, nullptr) << "failed: " << e.Message();
                EXPECT_EQ(e.Message(), c.expected);
                EXPECT_EQ(e.Title(), "Tiff Error");
                EXPECT_EQ(e.Where(), path.string());
            }
        }
    }
}

TEST(TiffCorpus, DecodedFilesMatchImageMagick) {
    LP_REQUIRE_CORPUS();
    if (!tt::HaveTool("convert")) GTEST_SKIP() << "ImageMagick (convert) not installed";
    int compared = 0;
    for (const auto& c : kCorpus) {
        if (c.expected) continue;
        SCOPED_TRACE(c.file);
        const auto path = TiffCorpus() / c.file;
        const Picture oracle = tt::DecodeWithImageMagick(path);
        ASSERT_FALSE(oracle.IsEmpty());
        const Picture ours = LoadTiff(path, nullptr);
        EXPECT_LE(tt::MaxDifference(ours, oracle), 1);
        EXPECT_GE(tt::MaxDifference(ours, oracle), 0) << "sizes differ";
        ++compared;
    }
    EXPECT_EQ(compared, 20);
}

}  // namespace
}  // namespace lp
