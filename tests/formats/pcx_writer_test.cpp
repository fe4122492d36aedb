#include "formats/format_table.h"
#include "formats/pcx/pcx_reader.h"
#include "formats/pcx/pcx_writer.h"
#include "base/colour.h"
#include "base/imp_exp_exception.h"
#include "tga_pcx_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace lp {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Data(const Bytes& file) { return Bytes(file.begin() + 128, file.end()); }

Picture MixedPicture(int width, int height) {
    Picture p = test::PatternPicture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((y / 3) % 2 == 0 || x % 200 < 150) test::SetPixel(p, x, y, MakeColour(std::uint8_t(y * 40), 9, 200));
    return p;
}

TEST(PcxWriter, HeaderFields) {
    const Bytes f = EncodePcx(test::PatternPicture(300, 2), nullptr);
    ASSERT_GE(f.size(), 128u);
    Bytes expected(128, 0);
    expected[0] = 10;
    expected[1] = 5;
    expected[2] = 1;
    expected[3] = 8;
    expected[4] = 1;           // xmin 1
    expected[6] = 1;           // ymin 1
    expected[8] = 300 & 0xFF;  // xmax = width
    expected[9] = 300 >> 8;
    expected[10] = 2;  // ymax = height
    expected[65] = 3;
    expected[66] = 300 & 0xFF;  // bytes per line = width
    expected[67] = 300 >> 8;
    EXPECT_EQ(Bytes(f.begin(), f.begin() + 128), expected);
}

TEST(PcxWriter, LineEncoding) {
    struct Case {
        const char* what;
        Picture picture;
        Bytes expected;
    };
    auto flat = [](int width, ColourRef c) {
        Picture p;
        p.Create(width, 1);
        p.Fill(c);
        return p;
    };
    Picture twoPixels;
    twoPixels.Create(2, 1);
    test::SetPixel(twoPixels, 0, 0, MakeColour(0x3F, 0x40, 0xC5));
    test::SetPixel(twoPixels, 1, 0, MakeColour(0x00, 0xBF, 0xFF));

    const std::vector<Case> cases = {
        // 100 equal bytes per plane: 63 + 37, in each of the three planes.
        {"100 equal bytes", flat(100, MakeColour(1, 2, 3)), {0xFF, 1, 0xE5, 1, 0xFF, 2, 0xE5, 2, 0xFF, 3, 0xE5, 3}},
        // A grey line is one run of 3 x 21 = 63 bytes crossing from plane to plane.
        {"runs cross planes", flat(21, MakeColour(9, 9, 9)), {0xFF, 9}},
        {"66 grey bytes", flat(22, MakeColour(9, 9, 9)), {0xFF, 9, 0xC3, 9}},
        // Single bytes: below 0x40 unchanged, 0x40 and above as a run of one.
        {"single bytes", twoPixels, {0x3F, 0x00, 0xC1, 0x40, 0xC1, 0xBF, 0xC1, 0xC5, 0xC1, 0xFF}},
    };
    for (const auto& c : cases) EXPECT_EQ(Data(EncodePcx(c.picture, nullptr)), c.expected) << c.what;
    // Lines never share a run: two grey lines are two runs.
    Picture two;
    two.Create(21, 2);
    two.Fill(MakeColour(9, 9, 9));
    EXPECT_EQ(Data(EncodePcx(two, nullptr)), (Bytes{0xFF, 9, 0xFF, 9}));
}

TEST(PcxWriter, RoundTripsKeepPixels) {
    for (const auto& [w, h] : {std::pair{1, 1}, {2, 1}, {3, 2}, {63, 3}, {64, 5}, {257, 7}, {500, 12}}) {
        for (const Picture& p : {test::PatternPicture(w, h), MixedPicture(w, h)}) {
            const Picture back = DecodePcx(EncodePcx(p, nullptr), "rt", nullptr);
            EXPECT_TRUE(back.SamePixels(p)) << w << "x" << h;
        }
    }
}

// Pictures of up to 256 colours come back the same through an 8-bit palette
// file too; this one is built by hand, as the writer only writes 24 bits.
TEST(PcxWriter, EightBitPaletteRoundTrip) {
    Picture p;
    p.Create(5, 3);
    Bytes file(128, 0);
    file[0] = 10, file[1] = 5, file[2] = 1, file[3] = 8, file[8] = 4, file[10] = 2, file[65] = 1, file[66] = 6;
    Bytes palette(768, 0);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            const int index = (y * 5 + x) * 17 % 256;
            palette[index * 3] = std::uint8_t(index);
            palette[index * 3 + 1] = std::uint8_t(x * 50);
            palette[index * 3 + 2] = std::uint8_t(y * 100);
            test::SetPixel(p, x, y, MakeColour(std::uint8_t(index), std::uint8_t(x * 50), std::uint8_t(y * 100)));
            file.insert(file.end(), {0xC1, std::uint8_t(index)});
        }
        file.push_back(0);  // the padding byte of each line
    }
    file.push_back(12);
    file.insert(file.end(), palette.begin(), palette.end());
    const Picture back = DecodePcx(file, "p8", nullptr);
    EXPECT_TRUE(back.SamePixels(p));
    // And our 24-bit file of it decodes to the same.
    EXPECT_TRUE(DecodePcx(EncodePcx(back, nullptr), "p24", nullptr).SamePixels(p));
}

TEST(PcxWriter, OtherDecodersReadOurFilesIdentically) {
    const bool pillow = test::HavePillow();
    const bool magick = test::HaveImageMagick();
    if (!pillow && !magick) GTEST_SKIP() << "neither Pillow nor ImageMagick is installed";
    test::ScratchDir dir;
    // An odd width too: bytes per line equal the width, even when odd.
    for (const int width : {300, 301}) {
        SCOPED_TRACE(width);
        const Picture p = MixedPicture(width, 17);
        const test::RgbImage want = test::PictureToRgb(p);
        const auto file = dir / "out.pcx";
        SavePcx(p, file, nullptr);
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

TEST(PcxWriter, RefusedPictureWritesNothingAndKeepsTheOldFile) {
    test::ScratchDir dir;
    const auto target = dir / "old.pcx";
    const Bytes old = {1, 2, 3, 4};
    test::WriteFileBytes(target, old);

    Picture tall;
    tall.Create(1, 65536);
    const Picture empty;
    for (const Picture* p : {&empty, static_cast<const Picture*>(&tall)}) {
        try {
            SavePcx(*p, target, nullptr);
            ADD_FAILURE() << "saved";
        } catch (const ImpExpException& e) {
            EXPECT_EQ(e.Message(), "Bad Parameters in Header");
            EXPECT_EQ(e.Title(), "PCX Error");
            EXPECT_EQ(e.Where(), target.string());
        }
        EXPECT_EQ(test::ReadFileBytes(target), old);
    }
    Picture wide;
    wide.Create(65535, 1);
    EXPECT_EQ(DecodePcx(EncodePcx(wide, nullptr), "x", nullptr).Width(), 65535);

    std::filesystem::create_directory(dir / "folder.pcx");
    EXPECT_THROW(SavePcx(test::PatternPicture(2, 2), dir / "folder.pcx", nullptr), ImpExpException);
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name == "old.pcx" || name == "folder.pcx" || name == "home") << "left behind: " << name;
    }
}

TEST(PcxWriter, ThePcxExtensionWritesPcx) {
    test::ScratchDir dir;
    const Picture p = MixedPicture(40, 9);
    for (const char* name : {"a.pcx", "b.PCX"}) {
        SavePictureByExtension(p, dir / name);
        EXPECT_EQ(test::ReadFileBytes(dir / name).at(0), 10) << name;
        EXPECT_TRUE(LoadPicture(dir / name, SniffFileType(dir / name)).SamePixels(p)) << name;
    }
}

}  // namespace
}  // namespace lp
