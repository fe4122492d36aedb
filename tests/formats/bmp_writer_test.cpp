#include "formats/bmp/bmp_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "bmp_test_support.h"
#include "formats/bmp/bmp_format.h"
#include "formats/bmp/bmp_reader.h"
#include "formats/format_table.h"
#include "base/colour.h"
#include "base/imp_exp_exception.h"
#include "test_support.h"

namespace lp {
namespace {

using test::PixelAt;
using test::SetPixel;
namespace fs = std::filesystem;

std::uint32_t U32(const std::vector<std::uint8_t>& f, std::size_t at) {
    return std::uint32_t(f[at]) | std::uint32_t(f[at + 1]) << 8 | std::uint32_t(f[at + 2]) << 16 |
           std::uint32_t(f[at + 3]) << 24;
}
std::uint16_t U16(const std::vector<std::uint8_t>& f, std::size_t at) { return std::uint16_t(f[at] | f[at + 1] << 8); }

// A picture of `colours` distinct colours laid out in runs of random length,
// so the run-length encoders meet runs, short pieces and long literal stretches.
Picture FewColours(int width, int height, int colours, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<ColourRef> set;
    // Distinct for i below 512: red fixes i modulo 256, green tells i from i + 256.
    for (int i = 0; i < colours; ++i)
        set.push_back(
            MakeColour(std::uint8_t(i * 37 + 11), std::uint8_t((i >> 8) * 97 + i * 3), std::uint8_t(255 - i)));
    Picture p;
    p.Create(width, height);
    for (int y = 0; y < height; ++y) {
        int x = 0;
        while (x < width) {
            const int run = (rng() % 3 == 0) ? 1 + int(rng() % 300) : 1;
            const ColourRef c = set[rng() % set.size()];
            for (int k = 0; k < run && x < width; ++k, ++x) SetPixel(p, x, y, c);
        }
    }
    // Every colour at least once, so the count is exact.
    for (int i = 0; i < colours && i < width * height; ++i) SetPixel(p, i % width, i / width, set[i]);
    return p;
}

std::uint8_t Scale5(std::uint8_t v) { return std::uint8_t(((v >> 3) * 255 + 15) / 31); }

ColourRef FixedNearest(int bits, ColourRef c) {
    const auto e = bmp::FixedPalette(bits)[bmp::NearestFixedIndex(bits, RedOf(c), GreenOf(c), BlueOf(c))];
    return MakeColour(e.red, e.green, e.blue);
}

struct Mode {
    const char* name;
    BmpCompression compression;
    int bits;      // as passed
    int fileBits;  // as stored
};
const std::vector<Mode> kModes = {
    {"24 bits", BmpCompression::None, 24, 24},    {"16 bits", BmpCompression::None, 16, 16},
    {"8 bits", BmpCompression::None, 8, 8},       {"RLE8", BmpCompression::Rle8, 8, 8},
    {"RLE8, bits 0", BmpCompression::Rle8, 0, 8}, {"4 bits", BmpCompression::None, 4, 4},
    {"RLE4", BmpCompression::Rle4, 4, 4},         {"RLE4, bits 0", BmpCompression::Rle4, 0, 4},
    {"1 bit", BmpCompression::None, 1, 1},
};

// What the reader must give back for a pixel written in the mode, when the
// picture's colours do (fits) or do not fit the mode's table.
ColourRef Expected(const Mode& m, ColourRef c, bool fits) {
    if (m.fileBits == 24 || (m.fileBits <= 8 && fits)) return c;
    if (m.fileBits == 16) return MakeColour(Scale5(RedOf(c)), Scale5(GreenOf(c)), Scale5(BlueOf(c)));
    return FixedNearest(m.fileBits, c);
}

std::size_t CountColours(const Picture& p) {
    std::set<ColourRef> colours;
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) colours.insert(PixelAt(p, x, y));
    return colours.size();
}

TEST(BmpWriter, EveryModeReadsBack) {
    for (const auto& m : kModes) {
        for (const int width : {1, 2, 3, 7, 8, 9, 37, 300, 600}) {
            const int height = 5;
            const int capacity = 1 << std::min(m.fileBits, 8);
            for (const Picture& p : {FewColours(width, height, std::min(capacity, width * height), unsigned(width)),
                                     test::PatternPicture(width, height)}) {
                const bool fits = CountColours(p) <= std::size_t(capacity);
                const Picture back = DecodeBmp(EncodeBmp(p, m.compression, m.bits, nullptr), "x", nullptr);
                ASSERT_EQ(back.Width(), width);
                ASSERT_EQ(back.Height(), height);
                int bad = 0;
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x) bad += PixelAt(back, x, y) != Expected(m, PixelAt(p, x, y), fits);
                EXPECT_EQ(bad, 0) << m.name << " width " << width << (fits ? " own colours" : " fixed palette");
            }
        }
    }
}

TEST(BmpWriter, HeaderFieldsAndSizes) {
    const Picture p = test::PatternPicture(5, 3);
    for (const auto& m : kModes) {
        const auto f = EncodeBmp(p, m.compression, m.bits, nullptr);
        const std::uint32_t colours = m.fileBits <= 8 ? 1u << m.fileBits : 0;
        const std::uint32_t offBits = 14 + 40 + 4 * colours;
        SCOPED_TRACE(m.name);
        ASSERT_GT(f.size(), offBits);
        EXPECT_EQ(f[0], 'B');
        EXPECT_EQ(f[1], 'M');
        EXPECT_EQ(U32(f, 2), f.size());
        EXPECT_EQ(U32(f, 6), 0u);
        EXPECT_EQ(U32(f, 10), offBits);
        EXPECT_EQ(U32(f, 14), 40u);
        EXPECT_EQ(U32(f, 18), 5u);
        EXPECT_EQ(U32(f, 22), 3u);
        EXPECT_EQ(U16(f, 26), 1);
        EXPECT_EQ(U16(f, 28), m.fileBits);
        EXPECT_EQ(U32(f, 30), std::uint32_t(m.compression));  // 0 none, 1 RLE8, 2 RLE4
        EXPECT_EQ(U32(f, 34), f.size() - offBits);            // image size
        for (const std::size_t at : {38u, 42u, 46u, 50u}) EXPECT_EQ(U32(f, at), 0u);
        if (m.compression == BmpCompression::None) {
            EXPECT_EQ(f.size() - offBits, std::size_t((m.fileBits * 5 + 31) >> 5) * 4 * 3);
        } else {
            EXPECT_EQ(f[f.size() - 2], 0);  // end of bitmap
            EXPECT_EQ(f[f.size() - 1], 1);
        }
    }
}

TEST(BmpWriter, RefusesBadBitsAndCompressionPairs) {
    const Picture p = test::PatternPicture(4, 4);
    const BmpCompression none = BmpCompression::None, rle8 = BmpCompression::Rle8, rle4 = BmpCompression::Rle4;
    const std::set<std::pair<int, BmpCompression>> allowed = {{0, rle8}, {0, rle4}, {1, none},  {4, none}, {4, rle4},
                                                              {8, none}, {8, rle8}, {16, none}, {24, none}};
    test::ScratchDir dir;
    for (const int bits : {-1, 0, 1, 2, 4, 8, 15, 16, 24, 32}) {
        for (const auto c : {none, rle8, rle4, BmpCompression(3), BmpCompression(-1)}) {
            const bool ok = allowed.count({bits, c}) > 0;
            try {
                EncodeBmp(p, c, bits, nullptr);
                EXPECT_TRUE(ok) << bits << " bits, compression " << int(c) << " accepted";
            } catch (const ImpExpException& e) {
                EXPECT_FALSE(ok) << bits << " bits, compression " << int(c) << ": " << e.Message();
                EXPECT_EQ(e.Message(), "Bad Parameters for Saving File");
                EXPECT_EQ(e.Where(), "");
                EXPECT_EQ(e.Title(), "Bitmap Error");
            }
        }
    }
    // 24 bits with RLE8 through the file writer: the error names the file and nothing is written.
    const fs::path target = dir / "out.bmp";
    try {
        SaveBmp(p, target, rle8, 24, nullptr);
        ADD_FAILURE() << "saved";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Bad Parameters for Saving File");
        EXPECT_EQ(e.Where(), target.string());
    }
    EXPECT_FALSE(fs::exists(target));
}

std::vector<std::string> FilesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(BmpWriter, RefusesAnEmptyPicture) {
    test::ScratchDir dir;
    fs::create_directories(dir / "out");
    const fs::path target = dir / "out" / "old.bmp";
    test::WriteFileBytes(target, {'o', 'l', 'd'});
    try {
        SaveBmp(Picture{}, target, BmpCompression::None, 24, nullptr);
        ADD_FAILURE() << "saved an empty picture";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Insufficient Information for Saving");
    }
    EXPECT_EQ(test::ReadFileBytes(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(FilesIn(dir / "out"), std::vector<std::string>{"old.bmp"});
}

// The colour table of an encoded file, as 0x00BBGGRR.
std::vector<ColourRef> Table(const std::vector<std::uint8_t>& f) {
    std::vector<ColourRef> out;
    for (std::size_t at = 54; at < U32(f, 10); at += 4) out.push_back(MakeColour(f[at + 2], f[at + 1], f[at]));
    return out;
}

TEST(BmpWriter, UsesThePicturesOwnColoursWhenTheyFitElseTheFixedPalette) {
    // Red and blue in 1 bit: the table is those two, not black and white.
    Picture two;
    two.Create(3, 1);
    SetPixel(two, 0, 0, MakeColour(255, 0, 0));
    SetPixel(two, 1, 0, MakeColour(0, 0, 255));
    SetPixel(two, 2, 0, MakeColour(255, 0, 0));
    auto f = EncodeBmp(two, BmpCompression::None, 1, nullptr);
    EXPECT_EQ(Table(f), (std::vector<ColourRef>{MakeColour(255, 0, 0), MakeColour(0, 0, 255)}));
    EXPECT_TRUE(DecodeBmp(f, "x", nullptr).SamePixels(two));

    for (const int bits : {4, 8}) {
        const int capacity = 1 << bits;
        const Picture full = FewColours(40, 20, capacity, 5);
        f = EncodeBmp(full, BmpCompression::None, bits, nullptr);
        const auto table = Table(f);
        EXPECT_EQ(std::set<ColourRef>(table.begin(), table.end()).size(), std::size_t(capacity));
        EXPECT_TRUE(DecodeBmp(f, "x", nullptr).SamePixels(full)) << bits;

        const Picture over = FewColours(40, 20, capacity + 1, 5);
        f = EncodeBmp(over, BmpCompression::None, bits, nullptr);
        std::vector<ColourRef> fixed;
        for (const auto& e : bmp::FixedPalette(bits)) fixed.push_back(MakeColour(e.red, e.green, e.blue));
        EXPECT_EQ(Table(f), fixed) << bits;
    }
}

TEST(BmpWriter, FixedPalettesAndNearestColour) {
    const auto vga = bmp::FixedPalette(4);
    ASSERT_EQ(vga.size(), 16u);
    const auto cube = bmp::FixedPalette(8);
    ASSERT_EQ(cube.size(), 256u);
    std::set<ColourRef> distinct;
    for (const auto& e : cube) distinct.insert(MakeColour(e.red, e.green, e.blue));
    EXPECT_EQ(distinct.size(), 256u);
    EXPECT_TRUE(distinct.count(0) && distinct.count(0xFFFFFF) && distinct.count(MakeColour(255, 0, 0)));
    EXPECT_EQ(vga[9], (bmp::Bgr{0, 0, 255}));
    EXPECT_EQ(vga[7], (bmp::Bgr{192, 192, 192}));

    // The fast searches give what a full search gives, lowest index on ties.
    std::mt19937 rng(7);
    auto check = [&](int r, int g, int b) {
        for (const int bits : {1, 4, 8}) {
            const auto pal = bmp::FixedPalette(bits);
            int best = 0;
            int bestDistance = 1 << 30;
            for (int i = 0; i < int(pal.size()); ++i) {
                const int d = ColourDistance(r, g, b, pal[i].red, pal[i].green, pal[i].blue);
                if (d < bestDistance) bestDistance = d, best = i;
            }
            ASSERT_EQ(bmp::NearestFixedIndex(bits, std::uint8_t(r), std::uint8_t(g), std::uint8_t(b)), best)
                << bits << " bits, colour " << r << "," << g << "," << b;
        }
    };
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 5)
            for (int b = 0; b < 256; b += 5) check(r, g, b);
    for (int v = 0; v < 256; ++v) check(v, v, v);  // every grey: ties between cube and extra greys
    for (int i = 0; i < 100000; ++i) check(int(rng() % 256), int(rng() % 256), int(rng() % 256));
}

// Walks a run-length row as a decoder would and checks the codes are well formed.
std::vector<std::uint8_t> WalkRleRow(const std::vector<std::uint8_t>& s, bool rle4) {
    std::vector<std::uint8_t> px;
    std::size_t i = 0;
    while (i < s.size()) {
        const std::uint8_t n = s[i], v = s[i + 1];
        i += 2;
        if (n > 0) {
            for (int k = 0; k < n; ++k) px.push_back(rle4 ? ((k & 1) ? v & 15 : v >> 4) : v);
            continue;
        }
        EXPECT_GE(v, 3) << "escape codes do not belong inside a row";
        const std::size_t bytes = rle4 ? (v + 1u) / 2 : v;
        for (int k = 0; k < v; ++k) px.push_back(rle4 ? ((k & 1) ? s[i + k / 2] & 15 : s[i + k / 2] >> 4) : s[i + k]);
        i += bytes + (bytes & 1);
    }
    EXPECT_EQ(i, s.size()) << "absolute runs must be padded to 16 bits";
    return px;
}

TEST(BmpWriter, RunLengthRowsAreWellFormedAndExact) {
    std::mt19937 rng(11);
    for (const bool rle4 : {false, true}) {
        const unsigned range = rle4 ? 16 : 256;
        for (int trial = 0; trial < 400; ++trial) {
            const std::size_t length = 1 + rng() % 700;
            std::vector<std::uint8_t> row(length);
            switch (trial % 5) {
                case 0:
                    for (auto& v : row) v = std::uint8_t(rng() % range);
                    break;  // noise
                case 1:
                    for (auto& v : row) v = std::uint8_t(trial % range);
                    break;  // one run
                case 2:
                    for (std::size_t i = 0; i < length; ++i) row[i] = std::uint8_t(i & 1);
                    break;  // alternating
                case 3:
                    for (std::size_t i = 0; i < length; ++i) row[i] = std::uint8_t((i / 2) % range);
                    break;  // pairs
                default: {  // runs of 1..5 mixed with noise
                    std::size_t i = 0;
                    while (i < length) {
                        const std::size_t run = 1 + rng() % 5;
                        const auto v = std::uint8_t(rng() % range);
                        for (std::size_t k = 0; k < run && i < length; ++k) row[i++] = v;
                    }
                }
            }
            std::vector<std::uint8_t> codes;
            rle4 ? bmp::EncodeRle4Row(row, codes) : bmp::EncodeRle8Row(row, codes);
            EXPECT_EQ(WalkRleRow(codes, rle4), row) << (rle4 ? "RLE4" : "RLE8") << " trial " << trial;
            // Never worse than absolute runs of 255 plus a little per code.
            EXPECT_LE(codes.size(), (rle4 ? length / 2 : length) + 4 * (length / 255 + 1) + 4 * (length / 3 + 1));
        }
    }
}

TEST(BmpWriter, PeersReadWhatWeWrite) {
    const bool magick = test::bmp::HaveImageMagick();
    const bool pillow = test::bmp::HavePillow();
    if (!magick && !pillow) GTEST_SKIP() << "neither ImageMagick nor Pillow is installed";
    test::ScratchDir dir;
    for (const auto& m : kModes) {
        for (const bool fits : {true, false}) {
            const Picture p = fits ? FewColours(41, 13, 1 << std::min(m.fileBits, 8), 3) : test::PatternPicture(41, 13);
            const fs::path file = dir / "peer.bmp";
            SaveBmp(p, file, m.compression, m.bits, nullptr);
            const auto ours = test::bmp::ToRgb(LoadBmp(file, nullptr));
            SCOPED_TRACE(std::string(m.name) + (fits ? ", own colours" : ", fixed palette"));
            // 5-bit channels: the peers round some values the other way.
            const int tolerance = m.fileBits == 16 ? 1 : 0;
            if (magick) {
                const auto im = test::bmp::DecodeWithImageMagick(file, dir.Path());
                ASSERT_TRUE(im) << "ImageMagick refused the file";
                EXPECT_EQ(test::bmp::CompareRgb(*im, ours, tolerance), "");
            }
            // Pillow 9.4 misreads RLE4 files (bmpsuite's g/pal4rle.bmp as well).
            if (pillow && m.compression != BmpCompression::Rle4) {
                const auto pil = test::bmp::DecodeWithPillow(file, dir.Path());
                ASSERT_TRUE(pil) << "Pillow refused the file";
                EXPECT_EQ(test::bmp::CompareRgb(*pil, ours, tolerance), "");
            }
        }
    }
}

TEST(BmpWriter, FailedSaveLeavesTheOldFileUntouched) {
    test::ScratchDir dir;
    const fs::path folder = dir / "out";
    fs::create_directories(folder);
    const Picture picture = test::PatternPicture(100, 100);
    const std::vector<std::uint8_t> old = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};

    // The temporary beside a 250-character name cannot be linked in under a
    // name of its own (it passes the file-system limit), whoever runs the test.
    const fs::path longName = folder / (std::string(246, 'x') + ".bmp");
    test::WriteFileBytes(longName, old);
    try {
        SaveBmp(picture, longName, BmpCompression::None, 24, nullptr);
        ADD_FAILURE() << "saved";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Error writing to file");
        EXPECT_EQ(e.Where(), longName.string());
    }
    EXPECT_EQ(test::ReadFileBytes(longName), old);
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{longName.filename().string()});

    // A write that fails half-way (file-size limit), in a child process.
    const fs::path target = folder / "picture.bmp";
    test::WriteFileBytes(target, old);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            SaveBmp(picture, target, BmpCompression::None, 24, nullptr);
            ::_exit(2);
        } catch (const ImpExpException& e) {
            ::_exit(e.Message() == "Error writing to file" ? 0 : 3);
        }
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "2: saved past the limit, 3: wrong message";
    EXPECT_EQ(test::ReadFileBytes(target), old);
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"picture.bmp", longName.filename().string()}));

    // And a save that succeeds replaces it.
    SaveBmp(picture, target, BmpCompression::None, 24, nullptr);
    EXPECT_TRUE(LoadBmp(target, nullptr).SamePixels(picture));
}

class RecordingSink : public ProgressSink {
public:
    void Begin(long low, long high, std::string_view text) override {
        calls.push_back("Begin " + std::to_string(low) + " " + std::to_string(high) + " " + std::string(text));
    }
    void Step(long position) override { calls.push_back("Step " + std::to_string(position)); }
    void SetText(std::string_view text) override { calls.push_back("SetText " + std::string(text)); }
    void End() override { calls.push_back("End"); }
    std::vector<std::string> calls;
};

TEST(BmpWriter, SaveReportsProgress) {
    test::ScratchDir dir;
    RecordingSink sink;
    SaveBmp(test::PatternPicture(3, 3), dir / "p.bmp", BmpCompression::Rle8, 8, &sink);
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"Begin 0 100 Saving BMP file", "Step 10", "Step 100", "End"}));

    RecordingSink failing;
    EXPECT_THROW(SaveBmp(Picture{}, dir / "q.bmp", BmpCompression::None, 24, &failing), ImpExpException);
    EXPECT_EQ(failing.calls, (std::vector<std::string>{"Begin 0 100 Saving BMP file", "End"}));
}

TEST(BmpWriter, ExtensionsChooseTheModes) {
    test::ScratchDir dir;
    const Picture p = test::PatternPicture(6, 4);
    const struct {
        const char* name;
        int bits;
        int compression;
    } cases[] = {{"a.bmp", 24, 0}, {"b.RLE", 4, 2}, {"c.Dib", 8, 1}};
    for (const auto& c : cases) {
        SavePictureByExtension(p, dir / c.name);
        const auto f = test::ReadFileBytes(dir / c.name);
        ASSERT_GE(f.size(), 54u);
        EXPECT_EQ(U16(f, 28), c.bits) << c.name;
        EXPECT_EQ(U32(f, 30), std::uint32_t(c.compression)) << c.name;
    }
}

}  // namespace
}  // namespace lp
