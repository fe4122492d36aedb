#include "formats/tiff/tiff_writer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "formats/format_table.h"
#include "formats/tiff/tiff_file.h"
#include "formats/tiff/tiff_reader.h"
#include "base/colour.h"
#include "base/imp_exp_exception.h"
#include "test_support.h"
#include "tiff_test_support.h"

namespace lp {
namespace {

namespace tt = test::tiff;

std::uint16_t Le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}
std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return Le16(b, at) | (std::uint32_t(Le16(b, at + 2)) << 16);
}

struct DirEntry {
    std::uint16_t tag, type;
    std::uint32_t count, value;
};

// The entries of the first directory, read straight from the bytes.
std::vector<DirEntry> Directory(const std::vector<std::uint8_t>& file) {
    const std::uint32_t at = Le32(file, 4);
    std::vector<DirEntry> entries;
    for (std::uint16_t i = 0; i < Le16(file, at); ++i) {
        const std::size_t e = at + 2 + 12u * i;
        entries.push_back({Le16(file, e), Le16(file, e + 2), Le32(file, e + 4), Le32(file, e + 8)});
    }
    return entries;
}

const DirEntry& EntryOf(const std::vector<DirEntry>& dir, int tag) {
    for (const auto& e : dir)
        if (e.tag == tag) return e;
    throw std::runtime_error("no tag " + std::to_string(tag));
}

Picture NoisePicture(int width, int height, unsigned seed) {
    std::mt19937 rng(seed);
    Picture p;
    p.Create(width, height);
    for (int y = 0; y < height; ++y)
        for (auto& b : p.Row(y)) b = static_cast<std::uint8_t>(rng());
    return p;
}

TEST(TiffWriter, FileHoldsHeaderStripsAndOneDirectoryOfElevenEntries) {
    const Picture picture = test::PatternPicture(100, 60);
    const auto file = EncodeTiff(picture, nullptr);
    EXPECT_EQ(file[0], 'I');
    EXPECT_EQ(file[1], 'I');
    EXPECT_EQ(Le16(file, 2), 42);
    const std::uint32_t dirAt = Le32(file, 4);
    EXPECT_EQ(dirAt % 2, 0u);
    const auto dir = Directory(file);
    std::vector<int> tags;
    for (const auto& e : dir) tags.push_back(e.tag);
    EXPECT_EQ(tags, (std::vector<int>{254, 256, 257, 258, 259, 262, 273, 277, 278, 279, 284}));
    EXPECT_EQ(Le32(file, dirAt + 2 + 12 * 11), 0u) << "next directory offset";

    const auto expect = [&](int tag, int type, std::uint32_t count, std::uint32_t value) {
        const DirEntry& e = EntryOf(dir, tag);
        EXPECT_EQ(e.type, type) << tag;
        EXPECT_EQ(e.count, count) << tag;
        if (value != 0xFFFFFFFF) {
            EXPECT_EQ(e.value, value) << tag;
        }
    };
    expect(254, 4, 1, 0);
    expect(256, 4, 1, 100);
    expect(257, 4, 1, 60);
    expect(258, 3, 3, 0xFFFFFFFF);
    expect(259, 3, 1, 5);  // LZW
    expect(262, 3, 1, 2);  // RGB
    expect(277, 3, 1, 3);
    expect(278, 4, 1, 27);  // 8192 / 300
    expect(284, 3, 1, 1);
    const std::uint32_t strips = (60 + 26) / 27;
    expect(273, 4, strips, 0xFFFFFFFF);
    expect(279, 4, strips, 0xFFFFFFFF);
    // BitsPerSample 8, 8, 8 out of line at an even position.
    const std::uint32_t bitsAt = EntryOf(dir, 258).value;
    EXPECT_EQ(bitsAt % 2, 0u);
    EXPECT_EQ(Le16(file, bitsAt), 8);
    EXPECT_EQ(Le16(file, bitsAt + 4), 8);
    // Strips start at 8, each at an even position, each right after the last.
    const std::uint32_t offsetsAt = EntryOf(dir, 273).value, countsAt = EntryOf(dir, 279).value;
    std::uint32_t expectedStart = 8;
    for (std::uint32_t s = 0; s < strips; ++s) {
        const std::uint32_t offset = Le32(file, offsetsAt + 4 * s), count = Le32(file, countsAt + 4 * s);
        EXPECT_EQ(offset, expectedStart + (expectedStart & 1)) << s;
        expectedStart = offset + count;
    }
}

TEST(TiffWriter, RowsPerStripFollowTheWidth) {
    struct Case {
        std::uint32_t width, height, expected;
    };
    for (const Case c : {Case{100, 200, 27}, Case{3000, 10, 1}, Case{1, 5, 5}, Case{2730, 10, 1}, Case{2, 100000, 1365},
                         Case{30000, 3, 1}}) {
        EXPECT_EQ(TiffWriter::RowsPerStripFor(c.width, c.height, 3, 1), c.expected) << c.width << "x" << c.height;
    }
    // More strips than a readable StripOffsets array can hold (16382 LONGs)
    // get more rows per strip instead.
    EXPECT_EQ(TiffWriter::RowsPerStripFor(3000, 16382, 3, 1), 1u);
    EXPECT_EQ(TiffWriter::RowsPerStripFor(3000, 16383, 3, 1), 2u);
    EXPECT_EQ(TiffWriter::RowsPerStripFor(3000, 100000, 3, 1), 7u);
}

TEST(TiffWriter, OnePixelIsOneStripWithInlineValues) {
    Picture picture;
    picture.Create(1, 1);
    picture.Fill(MakeColour(255, 0, 0));
    const auto file = EncodeTiff(picture, nullptr);
    const auto dir = Directory(file);
    EXPECT_EQ(EntryOf(dir, 273).count, 1u);
    EXPECT_EQ(EntryOf(dir, 273).type, 4);
    EXPECT_EQ(EntryOf(dir, 273).value, 8u);  // the strip itself, inline
    EXPECT_EQ(EntryOf(dir, 279).count, 1u);
    // BitsPerSample follows the strip at the next even position.
    EXPECT_EQ(EntryOf(dir, 258).value, (8 + EntryOf(dir, 279).value + 1) / 2 * 2);
    EXPECT_EQ(EntryOf(dir, 278).value, 1u);
    EXPECT_EQ(test::PixelAt(DecodeTiff(file, "x", nullptr), 0, 0), MakeColour(255, 0, 0));
}

TEST(TiffWriter, PicturesRoundTripThroughOurReader) {
    struct Case {
        int width, height;
        bool noise;
    };
    for (const Case c : {Case{1, 1, false}, Case{2, 3, true}, Case{100, 50, false}, Case{37, 3000, false},
                         Case{3000, 4, false}, Case{30000, 2, true}, Case{300, 200, true}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const Picture picture = c.noise ? NoisePicture(c.width, c.height, 3) : test::PatternPicture(c.width, c.height);
        const Picture back = DecodeTiff(EncodeTiff(picture, nullptr), "x", nullptr);
        EXPECT_TRUE(back.SamePixels(picture));
    }
}

// Our files pass libtiff's own check and decode identically in libtiff and
// ImageMagick.
TEST(TiffWriter, LibtiffAndImageMagickReadOurFiles) {
    if (!tt::HaveTool("tiffinfo") || !tt::HaveTool("tiffcp") || !tt::HaveTool("convert"))
        GTEST_SKIP() << "libtiff-tools or ImageMagick not installed";
    test::ScratchDir dir;
    for (const auto& [name, picture] :
         {std::pair{"pattern", test::PatternPicture(301, 97)}, std::pair{"noise", NoisePicture(129, 80, 5)},
          std::pair{"wide", test::PatternPicture(3001, 3)}}) {
        SCOPED_TRACE(name);
        const auto path = dir / (std::string(name) + ".tif");
        SaveTiff(picture, path, nullptr);
        const auto info = tt::RunTool("tiffinfo -D " + tt::Quote(path) + " 2>&1");
        const std::string text(info.out.begin(), info.out.end());
        EXPECT_EQ(info.status, 0) << text;
        EXPECT_EQ(text.find("rror"), std::string::npos) << text;
        EXPECT_NE(text.find("Compression Scheme: LZW"), std::string::npos) << text;
        // libtiff decodes the strips (tiffcp to an uncompressed file, read back by us).
        const auto plain = dir / (std::string(name) + "-plain.tif");
        ASSERT_EQ(tt::RunTool("tiffcp -c none " + tt::Quote(path) + " " + tt::Quote(plain) + " 2>&1").status, 0);
        EXPECT_TRUE(LoadTiff(plain, nullptr).SamePixels(picture));
        EXPECT_EQ(tt::MaxDifference(tt::DecodeWithImageMagick(path), picture), 0);
    }
}

// The component writes other depths too: packed from the most significant bit
// below 8 bits, 16-bit samples in its (little-endian) order.
TEST(TiffWriter, ComponentWritesGreyOfOtherDepths) {
    for (std::uint16_t bits : {1, 4, 12, 16}) {
        SCOPED_TRACE("bits " + std::to_string(bits));
        const std::uint32_t width = 13, height = 7, max = (1u << bits) - 1;
        TiffWriter writer;
        TiffNewImage image;
        const std::uint16_t one = 1;
        image.SetLong(tiff_tag::kImageWidth, {&width, 1});
        image.SetLong(tiff_tag::kImageLength, {&height, 1});
        image.SetShort(tiff_tag::kBitsPerSample, {&bits, 1});
        image.SetShort(tiff_tag::kPhotometric, {&one, 1});
        const auto sample = [&](std::uint32_t x, std::uint32_t y) { return (x * 37 + y * 11) * 997 % (max + 1); };
        writer.WriteImageData(
            image,
            [&](std::uint32_t row, const TiffMutableSamples& s) {
                for (std::uint32_t x = 0; x < width; ++x) {
                    if (bits <= 8)
                        s.bytes[x] = static_cast<std::uint8_t>(sample(x, row));
                    else
                        s.words[x] = static_cast<std::uint16_t>(sample(x, row));
                }
                return true;
            },
            bits != 4);
        writer.WriteDirectory(image);
        const auto bytes = writer.TakeBytes();
        const TiffFile file = TiffFile::Open(bytes);
        std::uint32_t rows = 0;
        ReadTiffRows(file, file.ImageAt(0), [&](std::uint32_t row, const TiffSamples& s) {
            for (std::uint32_t x = 0; x < width; ++x) {
                const std::uint32_t v = bits <= 8 ? s.bytes[x] : s.words[x];
                EXPECT_EQ(v, sample(x, row)) << x << "," << row;
            }
            ++rows;
        });
        EXPECT_EQ(rows, height);
        if (tt::HaveTool("convert")) {
            test::ScratchDir dir;
            test::WriteFileBytes(dir / "g.tif", bytes);
            EXPECT_LE(tt::MaxDifference(tt::DecodeWithImageMagick(dir / "g.tif"), DecodeTiff(bytes, "g", nullptr)), 1);
            EXPECT_GE(tt::MaxDifference(tt::DecodeWithImageMagick(dir / "g.tif"), DecodeTiff(bytes, "g", nullptr)), 0);
        }
    }
}

TEST(TiffWriter, SupplierFailureAndBadLayoutsStopTheComponent) {
    TiffNewImage image;
    const std::uint32_t two = 2;
    const std::uint16_t eight = 8, three = 3;
    image.SetLong(tiff_tag::kImageWidth, {&two, 1});
    image.SetLong(tiff_tag::kImageLength, {&two, 1});
    image.SetShort(tiff_tag::kBitsPerSample, {&eight, 1});
    TiffWriter writer;
    try {
        writer.WriteImageData(
            image, [](std::uint32_t, const TiffMutableSamples&) { return false; }, true);
        FAIL() << "no error";
    } catch (const TiffStatusError& e) {
        EXPECT_EQ(e.Status(), kTiffEscaped);
        EXPECT_STREQ(e.what(), "Tiff escaped");
    }
    // Three samples with one BitsPerSample value, or none at all.
    image.SetShort(tiff_tag::kSamplesPerPixel, {&three, 1});
    EXPECT_THROW(writer.WriteImageData(
                     image, [](std::uint32_t, const TiffMutableSamples&) { return true; }, true),
                 TiffStatusError);
}

TEST(TiffWriter, EmptyPicturesAndFailedSavesKeepTheOldFile) {
    test::ScratchDir dir;
    const auto target = dir / "old.tif";
    test::WriteFileBytes(target, {'o', 'l', 'd'});
    try {
        SaveTiff(Picture(), target, nullptr);
        FAIL() << "saved an empty picture";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Unsupported type");
        EXPECT_EQ(e.Title(), "Tiff Error");
        EXPECT_EQ(e.Where(), target.string());
    }
    EXPECT_EQ(test::ReadFileBytes(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));

    // A target that is a folder: the rename fails, the folder stays, no temporary is left.
    std::filesystem::create_directory(dir / "folder.tif");
    try {
        SaveTiff(test::PatternPicture(4, 4), dir / "folder.tif", nullptr);
        FAIL() << "saved over a folder";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Is a directory");
        EXPECT_EQ(e.Title(), "Tiff Error");
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.tif"));
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_NE(e.path().filename().string().rfind(".folder.tif", 0), 0u) << "temporary left: " << e.path();
    try {
        SaveTiff(test::PatternPicture(4, 4), dir / "missing" / "x.tif", nullptr);
        FAIL() << "saved into a missing folder";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "No such file or directory");
    }
}

TEST(TiffWriter, ProgressAndTheFormatTable) {
    struct Sink : ProgressSink {
        std::vector<std::string> calls;
        void Begin(long low, long high, std::string_view text) override {
            calls.push_back("Begin " + std::to_string(low) + " " + std::to_string(high) + " " + std::string(text));
        }
        void Step(long position) override { calls.push_back("Step " + std::to_string(position)); }
        void SetText(std::string_view) override {}
        void End() override { calls.push_back("End"); }
    } sink;
    test::ScratchDir dir;
    const Picture picture = test::PatternPicture(3000, 4);  // one row per strip
    SavePictureByExtension(picture, dir / "a.TIF", &sink);
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"Begin 0 100 Saving TIFF file", "Step 25", "Step 50", "Step 75",
                                                    "Step 100", "End"}));
    EXPECT_TRUE(LoadPicture(dir / "a.TIF", PictureFileType::Tiff).SamePixels(picture));
}

}  // namespace
}  // namespace lp
