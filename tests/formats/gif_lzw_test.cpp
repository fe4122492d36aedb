#include "formats/gif/gif_lzw.h"

#include <gtest/gtest.h>

#include <random>

#include "gif_test_support.h"

namespace lp {
namespace {

using test::gif::Bytes;
using test::gif::CodePacker;

/// Joins the data sub-blocks of an encoder's output (checking their framing).
Bytes Unblock(const Bytes& blocks, int maxBlock = 254) {
    Bytes raw;
    std::size_t i = 0;
    for (;;) {
        EXPECT_LT(i, blocks.size()) << "missing terminator";
        if (i >= blocks.size()) return raw;
        const int n = blocks[i++];
        if (n == 0) break;
        EXPECT_LE(n, maxBlock);
        raw.insert(raw.end(), blocks.begin() + std::ptrdiff_t(i), blocks.begin() + std::ptrdiff_t(i + std::size_t(n)));
        i += std::size_t(n);
    }
    EXPECT_EQ(i, blocks.size()) << "bytes after the terminator";
    return raw;
}

std::vector<std::uint16_t> DecodeAll(int minCodeSize, const Bytes& raw, std::size_t limit, std::size_t chunk) {
    GifLzwDecoder d(minCodeSize, raw);
    std::vector<std::uint16_t> out;
    std::vector<std::uint16_t> buf(chunk);
    while (out.size() < limit) {
        const std::size_t n = d.Read(std::span(buf).first(std::min(chunk, limit - out.size())));
        out.insert(out.end(), buf.begin(), buf.begin() + std::ptrdiff_t(n));
        if (n == 0) break;
    }
    return out;
}

std::vector<std::uint8_t> Pixels(std::size_t n, int colours, int run, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> px(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (run > 1 && i > 0 && rng() % std::uint32_t(run) != 0)
            px[i] = px[i - 1];
        else
            px[i] = static_cast<std::uint8_t>(rng() % std::uint32_t(colours));
    }
    return px;
}

// Every code size the writer uses, short and long streams (the long ones fill the
// table many times over, so clear codes and 12-bit codes occur), noisy and smooth data.
TEST(GifLzw, EncoderOutputDecodesToTheSamePixelsForEveryCodeSize) {
    for (int codeSize = 2; codeSize <= 8; ++codeSize) {
        for (const std::size_t n :
             {std::size_t(1), std::size_t(2), std::size_t(5), std::size_t(300), std::size_t(70000)}) {
            for (const int run : {1, 8}) {
                const auto px = Pixels(n, 1 << codeSize, run, std::uint32_t(codeSize * 1000 + n + run));
                Bytes blocks;
                GifLzwEncoder enc(codeSize, blocks);
                // Rows of varied length: the encoder's strings run across calls.
                for (std::size_t i = 0; i < px.size(); i += 37)
                    enc.Add(std::span(px).subspan(i, std::min<std::size_t>(37, px.size() - i)));
                enc.Finish();
                const Bytes raw = Unblock(blocks);
                GifLzwDecoder d(codeSize, raw);
                std::vector<std::uint16_t> out(n + 10);
                const std::size_t got = d.Read(out);
                ASSERT_EQ(got, n) << "code size " << codeSize << " n " << n;
                EXPECT_TRUE(d.SawEndCode());
                EXPECT_TRUE(std::equal(px.begin(), px.end(), out.begin())) << "code size " << codeSize;
            }
        }
    }
}

/// Pixel streams whose lengths put the end exactly at the coder's turning points.
struct BoundaryCase {
    const char* name;
    int codeSize;
    std::vector<std::uint8_t> pixels;
};

/// A run of one colour is coded as strings of 1, 2, 3, ... pixels, one table entry per string:
/// k strings take k (k + 1) / 2 pixels.
std::size_t Triangle(std::size_t k) { return k * (k + 1) / 2; }

std::vector<BoundaryCase> BoundaryCases() {
    std::vector<BoundaryCase> cases;
    for (int codeSize = 2; codeSize <= 8; ++codeSize) {
        const std::size_t roots = std::size_t(1) << codeSize;
        // Strings coded before the codes widen the first time, and before the table is full.
        const std::size_t widen = roots - 2 + 1, full = kGifTableSize - roots - 2;
        const auto top = std::uint8_t(roots - 1);
        for (const std::size_t k : {widen, full})
            for (const std::ptrdiff_t d : {-1, 0, 1}) {
                const std::size_t n = std::size_t(std::ptrdiff_t(Triangle(k)) + d);
                cases.push_back({k == full ? "run ends at the table's fill" : "run ends at the first widening",
                                 codeSize, std::vector<std::uint8_t>(n, top)});
            }
        // Long runs: the table restarts every few thousand strings.
        cases.push_back({"long run of the last root", codeSize, std::vector<std::uint8_t>(1500000, top)});
        cases.push_back({"long run of 0", codeSize, std::vector<std::uint8_t>(1000000, 0)});
        // Every root in turn: each string is 2 pixels, the table fills after ~4000 codes.
        std::vector<std::uint8_t> cycle(20000);
        for (std::size_t i = 0; i < cycle.size(); ++i) cycle[i] = std::uint8_t(i % roots);
        cases.push_back({"cycle through every root", codeSize, cycle});
        // Runs broken by noise: table fills and clears at changing places.
        cases.push_back({"runs and noise", codeSize, Pixels(150000, int(roots), 40, std::uint32_t(codeSize))});
        // Noise: nearly one entry per pixel, so the table fills and restarts a few times.
        cases.push_back({"noise through several clears", codeSize, Pixels(kGifTableSize * 3, int(roots), 1, 99)});
    }
    cases.push_back({"one pixel", 2, {3}});
    return cases;
}

TEST(GifLzw, EncoderOutputDecodesToTheSameIndexesAtEveryBoundary) {
    for (const BoundaryCase& c : BoundaryCases()) {
        SCOPED_TRACE(std::string(c.name) + ", code size " + std::to_string(c.codeSize) + ", " +
                     std::to_string(c.pixels.size()) + " pixels");
        Bytes blocks;
        GifLzwEncoder enc(c.codeSize, blocks);
        // Rows of a varied width, as the writer hands them over.
        const std::size_t row = 997;
        for (std::size_t i = 0; i < c.pixels.size(); i += row)
            enc.Add(std::span(c.pixels).subspan(i, std::min(row, c.pixels.size() - i)));
        enc.Finish();
        const Bytes raw = Unblock(blocks);
        GifLzwDecoder d(c.codeSize, raw);
        std::vector<std::uint16_t> out(c.pixels.size() + 16);
        const std::size_t got = d.Read(out);
        ASSERT_EQ(got, c.pixels.size());
        EXPECT_TRUE(d.SawEndCode());
        EXPECT_TRUE(std::equal(c.pixels.begin(), c.pixels.end(), out.begin()));
    }
}

TEST(GifLzw, EncoderStartsWithClearAndFillsBlocksOf254Bytes) {
    const auto px = Pixels(20000, 256, 1, 7);
    Bytes blocks;
    GifLzwEncoder enc(8, blocks);
    enc.Add(px);
    enc.Finish();
    ASSERT_GT(blocks.size(), 600u);
    EXPECT_EQ(blocks[0], 254);
    EXPECT_EQ(blocks[255], 254);
    EXPECT_EQ(blocks[1], 0x00);   // clear code 256 at 9 bits: low byte 0,
    EXPECT_EQ(blocks[2] & 1, 1);  // then its ninth bit
    EXPECT_EQ(blocks.back(), 0);
}

TEST(GifLzw, RepetitiveDataCompresses) {
    std::vector<std::uint8_t> px(100000, 3);
    Bytes blocks;
    GifLzwEncoder enc(2, blocks);
    enc.Add(px);
    enc.Finish();
    EXPECT_LT(blocks.size(), 1000u);
}

// Reading in small pieces gives the same pixels as reading at once (strings cut
// across the caller's buffers are kept for the next call).
TEST(GifLzw, DecoderResumesStringsAcrossReads) {
    const auto px = Pixels(50000, 16, 20, 3);
    Bytes blocks;
    GifLzwEncoder enc(4, blocks);
    enc.Add(px);
    enc.Finish();
    const Bytes raw = Unblock(blocks);
    for (const std::size_t chunk : {std::size_t(1), std::size_t(3), std::size_t(97), std::size_t(100000)}) {
        const auto out = DecodeAll(4, raw, 1000000, chunk);
        ASSERT_EQ(out.size(), px.size()) << chunk;
        EXPECT_TRUE(std::equal(px.begin(), px.end(), out.begin())) << chunk;
    }
}

// Code sizes 1 and 9..11 are never written by us but occur in files: streams of
// root codes decode to those values (roots above 255 included).
TEST(GifLzw, DecodesRootStreamsOfEveryMinimumCodeSize) {
    for (int codeSize = 1; codeSize <= 11; ++codeSize) {
        std::vector<int> values;
        for (int i = 0; i < 9000; ++i) values.push_back((i * 7 + i / 3) % (1 << codeSize));
        const Bytes raw = Unblock(test::gif::RootsOnly(values, codeSize), 255);
        const auto out = DecodeAll(codeSize, raw, 20000, 512);
        ASSERT_EQ(out.size(), values.size()) << codeSize;
        EXPECT_TRUE(std::equal(values.begin(), values.end(), out.begin())) << codeSize;
    }
}

struct OddStream {
    const char* name;
    int codeSize;
    std::vector<int> codes;
    std::vector<std::uint16_t> expected;
};

// Hand-made code sequences (code size 2: clear 4, end 5, first free entry 6).
TEST(GifLzw, OddCodeSequences) {
    const std::vector<OddStream> cases = {
        {"string being defined (KwKwK)", 2, {4, 1, 6, 5}, {1, 1, 1}},
        {"table entries", 2, {4, 0, 1, 6, 7, 5}, {0, 1, 0, 1, 1, 0}},
        {"code past the next free entry reads as 0", 2, {4, 1, 7, 2, 5}, {1, 0, 2}},
        {"non-root first code after a clear reads as 0", 2, {4, 6, 3, 5}, {0, 3}},
        {"clear inside the stream", 2, {4, 1, 2, 4, 3, 3, 5}, {1, 2, 3, 3}},
        {"data after the end code is ignored", 2, {4, 2, 5, 1, 1}, {2}},
        {"no end code: stops when the data ends", 2, {4, 3, 3, 3, 3}, {3, 3, 3, 3}},  // exactly 16 bits
        {"no clear code first", 2, {0, 1, 6, 5}, {0, 1, 0, 1}},
    };
    for (const auto& c : cases) {
        CodePacker p(c.codeSize);
        for (int code : c.codes) p.Code(code);
        const Bytes raw = p.Raw();
        GifLzwDecoder d(c.codeSize, raw);
        std::vector<std::uint16_t> out(64);
        out.resize(d.Read(out));
        EXPECT_EQ(out, c.expected) << c.name;
        EXPECT_TRUE(d.Finished()) << c.name;
    }
}

// A full table without a clear: codes stay 12 bits wide and no entry is added.
TEST(GifLzw, FullTableKeepsTwelveBitCodes) {
    CodePacker p(8);
    p.Code(256);
    std::vector<std::uint16_t> expected;
    for (int i = 0; i < 3839 + 5; ++i) {  // 258 + 3838 = 4096 entries after these codes
        p.Code(i % 256);
        expected.push_back(std::uint16_t(i % 256));
    }
    ASSERT_EQ(p.Width(), 12);
    p.Code(258);  // entry 258 = {0, 1}
    expected.push_back(0);
    expected.push_back(1);
    p.Code(257);
    const Bytes raw = p.Raw();
    GifLzwDecoder d(8, raw);
    std::vector<std::uint16_t> out(10000);
    out.resize(d.Read(out));
    EXPECT_EQ(out, expected);
    EXPECT_TRUE(d.SawEndCode());
}

TEST(GifLzw, EmptyAndGarbageDataNeverOverrun) {
    std::mt19937 rng(11);
    for (int trial = 0; trial < 300; ++trial) {
        const int codeSize = 1 + trial % 11;
        Bytes raw(rng() % 600);
        for (auto& b : raw) b = static_cast<std::uint8_t>(rng());
        GifLzwDecoder d(codeSize, raw);
        std::vector<std::uint16_t> out(5000, 0xFFFF);
        const std::size_t n = d.Read(std::span(out).first(4000));
        EXPECT_LE(n, 4000u);
        EXPECT_EQ(out[4000], 0xFFFF);
        for (std::size_t i = 0; i < n; ++i) EXPECT_LT(out[i], 1 << codeSize);
    }
}

}  // namespace
}  // namespace lp
