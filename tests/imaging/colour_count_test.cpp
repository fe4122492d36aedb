#include "imaging/colour_count.h"

#include "formats/bmp/bmp_reader.h"
#include "base/imp_exp_exception.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace lp {
namespace {

using test::PixelAt;
using test::SetPixel;

// Records every progress call as text.
class RecordingProgress : public ProgressSink {
public:
    void Begin(long low, long high, std::string_view text) override {
        calls.push_back("Begin " + std::to_string(low) + " " + std::to_string(high) + " " + std::string(text));
    }
    void Step(long position) override { calls.push_back("Step " + std::to_string(position)); }
    void SetText(std::string_view text) override { calls.push_back("Text " + std::string(text)); }
    void End() override { calls.push_back("End"); }
    std::vector<std::string> calls;
};

// A fixed pseudo-random picture (xorshift), so counts are repeatable.
Picture NoisePicture(int width, int height, std::uint32_t seed, std::uint32_t mask) {
    Picture p;
    p.Create(width, height);
    std::uint32_t s = seed;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            s ^= s << 13;
            s ^= s >> 17;
            s ^= s << 5;
            SetPixel(p, x, y, static_cast<ColourRef>(s & mask));
        }
    return p;
}

std::string RunCapture(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) return {};
    std::string out;
    std::array<char, 4096> buf{};
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), pipe.get())) out.append(buf.data(), n);
    return out;
}

bool HaveImageMagick() { return !RunCapture("command -v identify && command -v convert").empty(); }

void WritePpm(const Picture& p, const std::filesystem::path& path) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << p.Width() << " " << p.Height() << "\n255\n";
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) {
            const ColourRef c = PixelAt(p, x, y);
            const char rgb[3] = {char(RedOf(c)), char(GreenOf(c)), char(BlueOf(c))};
            out.write(rgb, 3);
        }
}

// Reads a binary 8-bit PPM (P6) or PGM (P5) as ImageMagick writes them.
Picture ReadPnm(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    in >> magic >> w >> h >> maxval;
    in.get();
    if ((magic != "P6" && magic != "P5") || maxval != 255 || w <= 0 || h <= 0) return {};
    const int channels = magic == "P6" ? 3 : 1;
    Picture p;
    p.Create(w, h);
    std::vector<unsigned char> row(std::size_t(w) * channels);
    for (int y = 0; y < h; ++y) {
        in.read(reinterpret_cast<char*>(row.data()), std::streamsize(row.size()));
        for (int x = 0; x < w; ++x) {
            const unsigned char* v = &row[std::size_t(x) * channels];
            SetPixel(p, x, y, channels == 3 ? MakeColour(v[0], v[1], v[2]) : MakeColour(v[0], v[0], v[0]));
        }
    }
    return in ? p : Picture{};
}

std::int64_t IdentifyCount(const std::filesystem::path& file) {
    const std::string out = RunCapture("identify -format %k '" + file.string() + "[0]' 2>/dev/null");
    return out.empty() ? -1 : std::stoll(out);
}

TEST(ColourCount, OneColourCountsOne) {
    Picture p;
    p.Create(17, 5);
    p.Fill(MakeColour(12, 34, 56));
    EXPECT_EQ(CountColours(p), 1);
    EXPECT_EQ(Count15BitCells(p), 1);
}

TEST(ColourCount, EveryRedGreenPairCounts65536) {
    Picture p;
    p.Create(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) SetPixel(p, x, y, MakeColour(std::uint8_t(x), std::uint8_t(y), 0));
    EXPECT_EQ(CountColours(p), 65536);
    // 32 x 32 red/green cells, blue always in cell 0.
    EXPECT_EQ(Count15BitCells(p), 1024);
}

TEST(ColourCount, ColoursDifferingOnlyInOneBitAreDistinct) {
    // Each channel's lowest and highest bit, one pixel each, plus black: the bitset must keep all apart.
    const std::vector<ColourRef> colours = {0,
                                            MakeColour(1, 0, 0),
                                            MakeColour(0, 1, 0),
                                            MakeColour(0, 0, 1),
                                            MakeColour(128, 0, 0),
                                            MakeColour(0, 128, 0),
                                            MakeColour(0, 0, 128),
                                            MakeColour(255, 255, 255),
                                            MakeColour(255, 255, 254)};
    Picture p;
    p.Create(int(colours.size()), 2);
    for (int x = 0; x < int(colours.size()); ++x) {
        SetPixel(p, x, 0, colours[std::size_t(x)]);
        SetPixel(p, x, 1, colours[std::size_t(x)]);
    }
    EXPECT_EQ(CountColours(p), std::int64_t(colours.size()));
    // (255,255,255) and (255,255,254) share a cell, as do black and the three 1-valued colours.
    EXPECT_EQ(Count15BitCells(p), 5);
}

TEST(ColourCount, EmptyPictureCountsZero) {
    Picture p;
    EXPECT_EQ(CountColours(p), 0);
    std::array<ColourEntry, 256> palette{};
    EXPECT_EQ(CollectColours(p, palette), 0);
    EXPECT_EQ(Count15BitCells(p), 0);
}

TEST(ColourCount, ProgressRunsOverRowsFromTheTop) {
    Picture p;
    p.Create(4, 3);
    RecordingProgress progress;
    CountColours(p, &progress);
    const std::vector<std::string> expected = {"Begin 0 3 Counting Colors in the Picture ..", "Step 1", "Step 2",
                                               "Step 3", "End"};
    EXPECT_EQ(progress.calls, expected);
}

TEST(ColourCount, CollectKeepsFirst256ColoursInScanOrderFromTheTop) {
    // 300 colours; the top row is written last in memory (row 0 is the bottom), so scan order matters.
    Picture p;
    p.Create(20, 15);
    auto colourOf = [](int i) { return MakeColour(std::uint8_t(i % 256), std::uint8_t(i / 256), 7); };
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x) SetPixel(p, x, y, colourOf(y * 20 + x));
    std::array<ColourEntry, 256> palette{};
    EXPECT_EQ(CollectColours(p, palette), 256);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(palette[std::size_t(i)], ColourEntry::FromColour(colourOf(i))) << "entry " << i;
    }
    EXPECT_EQ(CountColours(p), 300);
}

TEST(ColourCount, CollectStoresEachColourOnceAndCountsWithoutPalette) {
    Picture p;
    p.Create(3, 2);
    const ColourRef a = MakeColour(1, 2, 3), b = MakeColour(9, 8, 7);
    for (int x = 0; x < 3; ++x) {
        SetPixel(p, x, 0, x == 1 ? b : a);
        SetPixel(p, x, 1, b);
    }
    std::array<ColourEntry, 256> palette{};
    palette[2] = {99, 99, 99, 99};
    EXPECT_EQ(CollectColours(p, palette), 2);
    EXPECT_EQ(palette[0], ColourEntry::FromColour(a));
    EXPECT_EQ(palette[1], ColourEntry::FromColour(b));
    EXPECT_EQ(palette[2], (ColourEntry{99, 99, 99, 99}));  // untouched
    EXPECT_EQ(CollectColours(p, {}), 2);
}

TEST(ColourCount, CollectIntoGathersSeveralPicturesAndReportsMoreThanItStores) {
    ColourBitset seen;
    std::vector<ColourEntry> palette(300);
    Picture first;
    first.Create(2, 1);
    SetPixel(first, 0, 0, MakeColour(1, 1, 1));
    SetPixel(first, 1, 0, MakeColour(2, 2, 2));
    EXPECT_EQ(CollectColoursInto(first, seen, palette, 10), 12);
    EXPECT_EQ(palette[10], (ColourEntry{1, 1, 1, 0}));
    EXPECT_EQ(palette[11], (ColourEntry{2, 2, 2, 0}));

    // A second picture adds only colours not seen before; only 256 slots from the start are filled.
    Picture second = NoisePicture(40, 40, 7, 0xFFFFFF);
    SetPixel(second, 0, 0, MakeColour(2, 2, 2));
    const std::int64_t newColours = CountColours(second) - 1;
    const int end = CollectColoursInto(second, seen, palette, 12);
    EXPECT_EQ(end, 12 + newColours);
    EXPECT_GT(end, 10 + 256);
    EXPECT_EQ(palette[12], ColourEntry::FromColour(PixelAt(second, 1, 0)));
    EXPECT_NE(palette[267], ColourEntry{});  // the 256th slot from start 12
    EXPECT_EQ(palette[268], ColourEntry{});  // past the 256 stored
}

// Independent count: ImageMagick on a PPM we write ourselves.
// Distinct 0xRRGGBB values, counted the slow way.
std::int64_t DistinctBySet(const Picture& p) {
    std::set<ColourRef> seen;
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) seen.insert(PixelAt(p, x, y));
    return std::int64_t(seen.size());
}

TEST(ColourTally, CountsEachRowWidthLikeASetAndStartsAfreshAfterEveryTake) {
    // Narrow rows reach the last-pixel path at once; the masks keep neighbours
    // that differ only in the byte the four-byte load reads past a pixel.
    ColourTally tally;  // one tally for every picture, as a worker keeps it
    std::uint32_t seed = 7;
    for (const int width : {1, 2, 3, 4, 5, 17, 64, 257}) {
        for (const std::uint32_t mask : {0x00FFFFFFu, 0x000000FFu, 0x00FF0000u, 0x00030303u}) {
            SCOPED_TRACE(std::to_string(width) + " " + std::to_string(mask));
            const Picture p = NoisePicture(width, 9, ++seed, mask);
            tally.AddPicture(p);
            EXPECT_EQ(tally.Rows(), 9);
            EXPECT_EQ(tally.TakeCount(), DistinctBySet(p));
            EXPECT_EQ(tally.Rows(), 0);
            EXPECT_EQ(tally.TakeCount(), 0);
            EXPECT_EQ(CountColours(p), DistinctBySet(p));
        }
    }
}

TEST(ColourTally, RowsAddUpAndClearForgetsThem) {
    const Picture a = NoisePicture(40, 30, 11, 0x00FFFFFF);
    const Picture b = NoisePicture(40, 30, 12, 0x00FFFFFF);
    ColourTally tally;
    tally.AddPicture(a);
    tally.AddPicture(b);
    ColourBitset both;
    std::int64_t expected = 0;
    for (const Picture* p : {&a, &b})
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                const ColourRef c = PixelAt(*p, x, y);
                expected += both.Insert(RedOf(c), GreenOf(c), BlueOf(c)) ? 1 : 0;
            }
    EXPECT_EQ(tally.TakeCount(), expected);
    tally.AddPicture(a);
    tally.Clear();
    tally.AddPicture(b);
    EXPECT_EQ(tally.TakeCount(), DistinctBySet(b));
}

TEST(ColourCount, MatchesImageMagickOnBuiltPictures) {
    if (!HaveImageMagick()) GTEST_SKIP() << "ImageMagick not installed";
    test::ScratchDir dir;
    struct Case {
        const char* name;
        Picture picture;
    };
    Case cases[] = {
        {"pattern", test::PatternPicture(97, 61)},
        {"noise24", NoisePicture(300, 200, 1, 0xFFFFFF)},
        {"noise12bit", NoisePicture(300, 200, 2, 0x0F0F0F)},
        {"single", NoisePicture(5, 5, 3, 0)},
    };
    for (const Case& c : cases) {
        const auto file = dir / (std::string(c.name) + ".ppm");
        WritePpm(c.picture, file);
        EXPECT_EQ(CountColours(c.picture), IdentifyCount(file)) << c.name;
    }
}

// Corpus pictures decoded by ImageMagick into a PPM: our count of those pixels against ImageMagick's
// count of the original file.
TEST(ColourCount, MatchesImageMagickOnCorpusBmps) {
    LP_REQUIRE_CORPUS();
    if (!HaveImageMagick()) GTEST_SKIP() << "ImageMagick not installed";
    test::ScratchDir dir;
    const auto folder = test::CorpusDir() / "bmp" / "bmpsuite" / "g";
    int compared = 0;
    for (const char* name : {"pal1.bmp", "pal1bg.bmp", "pal4.bmp", "pal4rle.bmp", "pal8.bmp", "pal8gs.bmp",
                             "pal8rle.bmp", "pal8os2.bmp", "rgb16.bmp", "rgb16-565.bmp", "rgb24.bmp", "rgb32.bmp"}) {
        const auto file = folder / name;
        if (!std::filesystem::exists(file)) continue;
        const auto ppm = dir / (std::string(name) + ".ppm");
        RunCapture("convert '" + file.string() + "' -depth 8 'ppm:" + ppm.string() + "' 2>/dev/null");
        const Picture p = ReadPnm(ppm);
        ASSERT_FALSE(p.IsEmpty()) << name;
        EXPECT_EQ(CountColours(p), IdentifyCount(file)) << name;
        ++compared;
    }
    EXPECT_GT(compared, 8);
}

// The same comparison through our own BMP reader, over every good file of the suite that it reads.
TEST(ColourCount, MatchesImageMagickOnCorpusBmpsReadByUs) {
    LP_REQUIRE_CORPUS();
    if (!HaveImageMagick()) GTEST_SKIP() << "ImageMagick not installed";
    const auto folder = test::CorpusDir() / "bmp" / "bmpsuite" / "g";
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".bmp") continue;
        Picture p;
        try {
            p = LoadBmp(entry.path(), nullptr);
        } catch (const ImpExpException&) {
            continue;  // readers' own tests judge what they refuse
        }
        EXPECT_EQ(CountColours(p), IdentifyCount(entry.path())) << name;
        ++compared;
    }
    EXPECT_GT(compared, 15);
}

}  // namespace
}  // namespace lp
