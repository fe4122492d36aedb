#include "formats/format_table.h"
#include "formats/tga/tga_reader.h"
#include "formats/tga/tga_writer.h"
#include "base/colour.h"
#include "base/imp_exp_exception.h"
#include "tga_pcx_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace lp {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A one-row picture from colours given left to right.
Picture Row(const std::vector<ColourRef>& colours) {
    Picture p;
    p.Create(int(colours.size()), 1);
    for (std::size_t x = 0; x < colours.size(); ++x) test::SetPixel(p, int(x), 0, colours[x]);
    return p;
}

// The pixel data of an encoded file (after the 18-byte header and the 14-byte ID).
Bytes PixelData(const Bytes& file) { return Bytes(file.begin() + 32, file.end()); }

// Stripes and flat areas as well as noise, so that both packet kinds occur.
Picture MixedPicture(int width, int height) {
    Picture p = test::PatternPicture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((y / 3) % 2 == 0 || x % 200 < 150) test::SetPixel(p, x, y, MakeColour(std::uint8_t(y * 40), 9, 200));
    return p;
}

TEST(TargaWriter, HeaderAndIdentificationText) {
    const Picture p = test::PatternPicture(300, 2);
    for (const bool rle : {true, false}) {
        const Bytes f = EncodeTarga(p, rle, nullptr);
        const Bytes header = {14, 0, std::uint8_t(rle ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0, 44, 1, 2, 0, 24, 0x20};
        ASSERT_GE(f.size(), 32u);
        EXPECT_EQ(Bytes(f.begin(), f.begin() + 18), header);
        EXPECT_EQ(std::string(f.begin() + 18, f.begin() + 32), "Quintera Forge");
        if (!rle) {
            ASSERT_EQ(f.size(), 32u + 300 * 3 * 2);
            // Top row first, blue, green, red.
            const auto top = p.RowFromTop(0);
            EXPECT_EQ(0, std::memcmp(f.data() + 32, top.data(), 900));
        }
    }
}

TEST(TargaWriter, RunLengthPacketsFollowTheRules) {
    const ColourRef a = MakeColour(1, 2, 3), b = MakeColour(4, 5, 6), c = MakeColour(7, 8, 9);
    struct Case {
        const char* what;
        std::vector<ColourRef> row;
        Bytes expected;
    };
    std::vector<ColourRef> run130(130, a);
    std::vector<ColourRef> distinct130;
    for (int i = 0; i < 130; ++i) distinct130.push_back(MakeColour(std::uint8_t(i), 0, 0));
    Bytes literal128 = {0x7F};
    for (int i = 0; i < 128; ++i) literal128.insert(literal128.end(), {0, 0, std::uint8_t(i)});
    literal128.insert(literal128.end(), {0x00, 0, 0, 128, 0x00, 0, 0, 129});

    const std::vector<Case> cases = {
        {"single pixel", {a}, {0x00, 3, 2, 1}},
        {"two different: literal of one, then the last alone", {a, b}, {0x00, 3, 2, 1, 0x00, 6, 5, 4}},
        {"no equal neighbours: all but the last, then the last", {a, b, c}, {0x01, 3, 2, 1, 6, 5, 4, 0x00, 9, 8, 7}},
        {"literal stops before a run", {a, b, b, b}, {0x00, 3, 2, 1, 0x82, 6, 5, 4}},
        {"run then single", {a, a, a, b}, {0x82, 3, 2, 1, 0x00, 6, 5, 4}},
        {"run then literal", {a, a, b, c, a}, {0x81, 3, 2, 1, 0x01, 6, 5, 4, 9, 8, 7, 0x00, 3, 2, 1}},
        {"runs hold at most 128", run130, {0xFF, 3, 2, 1, 0x81, 3, 2, 1}},
        {"literals hold at most 128", distinct130, literal128},
    };
    for (const auto& c : cases) EXPECT_EQ(PixelData(EncodeTarga(Row(c.row), true, nullptr)), c.expected) << c.what;

    // Packets never cross rows: two rows of one colour are two runs.
    Picture two;
    two.Create(3, 2);
    two.Fill(a);
    EXPECT_EQ(PixelData(EncodeTarga(two, true, nullptr)), (Bytes{0x82, 3, 2, 1, 0x82, 3, 2, 1}));
}

TEST(TargaWriter, RoundTripsKeepPixels) {
    for (const auto& [w, h] : {std::pair{1, 1}, {2, 1}, {3, 2}, {129, 5}, {257, 7}, {500, 12}}) {
        for (const Picture& p : {test::PatternPicture(w, h), MixedPicture(w, h)}) {
            for (const bool rle : {true, false}) {
                const Picture back = DecodeTarga(EncodeTarga(p, rle, nullptr), "rt", nullptr);
                EXPECT_TRUE(back.SamePixels(p)) << w << "x" << h << (rle ? " rle" : " raw");
            }
        }
    }
}

TEST(TargaWriter, OtherDecodersReadOurFilesIdentically) {
    const bool pillow = test::HavePillow();
    const bool magick = test::HaveImageMagick();
    if (!pillow && !magick) GTEST_SKIP() << "neither Pillow nor ImageMagick is installed";
    test::ScratchDir dir;
    const Picture p = MixedPicture(301, 17);
    const test::RgbImage want = test::PictureToRgb(p);
    for (const bool rle : {true, false}) {
        SCOPED_TRACE(rle ? "rle" : "raw");
        const auto file = dir / (rle ? "rle.tga" : "raw.tga");
        SaveTarga(p, file, rle, nullptr);
        if (pillow) {
            const auto got = test::DecodeWithPillow(file, dir.Path());
            ASSERT_TRUE(got) << "Pillow refused the file";
            EXPECT_TRUE(test::SameRgb(*got, want)) << "Pillow";
        }
        if (magick) {
            const auto got = test::DecodeWithImageMagick(file, dir.Path());
            ASSERT_TRUE(got) << "ImageMagick refused the file";
            EXPECT_TRUE(test::SameRgb(*got, want)) << "ImageMagick";
        }
    }
}

TEST(TargaWriter, RefusedPictureWritesNothingAndKeepsTheOldFile) {
    test::ScratchDir dir;
    const auto target = dir / "old.tga";
    const Bytes old = {1, 2, 3, 4};
    test::WriteFileBytes(target, old);

    Picture wide;
    wide.Create(65536, 1);
    const Picture empty;
    for (const Picture* p : {&empty, static_cast<const Picture*>(&wide)}) {
        try {
            SaveTarga(*p, target, true, nullptr);
            ADD_FAILURE() << "saved";
        } catch (const ImpExpException& e) {
            EXPECT_EQ(e.Message(), "Bad Parameters in Header");
            EXPECT_EQ(e.Title(), "Targa Error");
            EXPECT_EQ(e.Where(), target.string());
        }
        EXPECT_EQ(test::ReadFileBytes(target), old);
    }
    // The largest size the header holds is still written.
    Picture tall;
    tall.Create(1, 65535);
    EXPECT_EQ(DecodeTarga(EncodeTarga(tall, true, nullptr), "x", nullptr).Height(), 65535);

    // A target that cannot be replaced (a folder) fails without leaving a temporary behind.
    std::filesystem::create_directory(dir / "folder.tga");
    EXPECT_THROW(SaveTarga(test::PatternPicture(2, 2), dir / "folder.tga", true, nullptr), ImpExpException);
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name == "old.tga" || name == "folder.tga" || name == "home") << "left behind: " << name;
    }
}

TEST(TargaWriter, TheTgaExtensionWritesRunLengthEncoded) {
    test::ScratchDir dir;
    const Picture p = MixedPicture(40, 9);
    for (const char* name : {"a.tga", "b.TGA"}) {
        SavePictureByExtension(p, dir / name);
        const Bytes f = test::ReadFileBytes(dir / name);
        ASSERT_GT(f.size(), 18u);
        EXPECT_EQ(f[2], 10) << name;
        EXPECT_TRUE(LoadPicture(dir / name, SniffFileType(dir / name)).SamePixels(p)) << name;
    }
}

}  // namespace
}  // namespace lp
