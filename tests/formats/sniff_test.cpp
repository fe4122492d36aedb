#include "formats/file_types.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lp {
namespace {

std::vector<std::uint8_t> Bytes(std::string s) { return {s.begin(), s.end()}; }

struct SniffCase {
    const char* name;
    std::vector<std::uint8_t> head;
    PictureFileType expected;
};

TEST(Sniff, TableOfHeadsAndNames) {
    const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    const std::vector<SniffCase> cases = {
        {"a.gif", Bytes("GIF89a"), PictureFileType::Gif},
        {"a.gif", Bytes("GIF87a"), PictureFileType::Gif},
        {"a.dat", Bytes("GIF87z"), PictureFileType::Gif},  // any sixth byte after "87"
        {"a.dat", Bytes("GIF88a"), PictureFileType::Unknown},
        {"a.dat", Bytes("GIF89b"), PictureFileType::Unknown},
        {"x", {0xFF, 0xD8, 0xFF, 0xE0}, PictureFileType::Jpeg},
        {"x", Bytes("\x01\x02\x03\x04\x05\x06JFIF"), PictureFileType::Jpeg},
        {"x.bmp", Bytes("BM\x10"), PictureFileType::Bmp},
        {"x.rle", Bytes("BM\x10"), PictureFileType::Rle},  // extension wins
        {"x.DIB", Bytes("BM\x10"), PictureFileType::Dib},
        {"x.tif", Bytes("II*\0"), PictureFileType::Tiff},
        {"x.tif", Bytes("MM\0*"), PictureFileType::Unknown},  // big-endian TIFF is not recognised
        {"x.png", png, PictureFileType::Png},
        {"x.jpg", png, PictureFileType::Unknown},  // PNG named .jpg
        {"x.Tga", {}, PictureFileType::Targa},
        {"x.pcx", {}, PictureFileType::Pcx},
        {"x.jpg", {}, PictureFileType::Unknown},
        {"x.GIF", Bytes("BM"), PictureFileType::Bmp},  // content beats a non-listed extension
    };
    for (const auto& c : cases)
        EXPECT_EQ(SniffBytes(c.head, c.name), c.expected) << c.name << " head size " << c.head.size();
}

TEST(Sniff, FilesShortMissingAndFolders) {
    test::ScratchDir dir;
    EXPECT_EQ(SniffFileType(dir / "missing.bmp"), PictureFileType::Unknown);
    EXPECT_EQ(SniffFileType(dir.Path()), PictureFileType::Unknown);
    test::WriteFileBytes(dir / "short.bmp", Bytes("BM"));
    EXPECT_EQ(SniffFileType(dir / "short.bmp"), PictureFileType::Bmp);
    test::WriteFileBytes(dir / "empty.png", {});
    EXPECT_EQ(SniffFileType(dir / "empty.png"), PictureFileType::Png);
    test::WriteFileBytes(dir / "bmp.rle", Bytes("BM0123456789"));
    EXPECT_EQ(SniffFileType(dir / "bmp.rle"), PictureFileType::Rle);
}

TEST(Sniff, ExtensionIsUpperCasedWithDot) {
    EXPECT_EQ(UpperExtension("a/b.c/pic.jpeg"), ".JPEG");
    EXPECT_EQ(UpperExtension("a/b.c/noext"), "");
}

}  // namespace
}  // namespace lp
