// JPEG reading and writing through libjpeg: the corpus against an independent
// decoder, colour spaces, truncation, errors, progress, in-memory sizes and
// atomic saves.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "formats/format_table.h"
#include "formats/jpeg/jpeg_reader.h"
#include "formats/jpeg/jpeg_writer.h"
#include "base/colour.h"
#include "base/imp_exp_exception.h"
#include "imaging/colour_count.h"
#include "test_support.h"

namespace lp {
namespace {

using test::CorpusDir;
using test::PixelAt;
using test::ScratchDir;

std::filesystem::path JpegCorpus() { return CorpusDir() / "jpeg"; }

// ---------------------------------------------------------------- oracles

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool RunQuiet(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }
bool HavePillow() { return RunQuiet("/usr/bin/python3 -c 'import PIL.Image'"); }
bool HaveDjpeg() { return RunQuiet("command -v djpeg"); }

// Reads a binary PPM (P6) or PGM (P5), maxval 255, into a picture.
std::optional<Picture> ReadPnm(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    if (!(in >> magic >> w >> h >> maxval) || (magic != "P6" && magic != "P5") || maxval != 255) return std::nullopt;
    in.get();
    const int channels = magic == "P6" ? 3 : 1;
    std::vector<std::uint8_t> data(std::size_t(w) * h * channels);
    if (!in.read(reinterpret_cast<char*>(data.data()), std::streamsize(data.size()))) return std::nullopt;
    Picture p;
    p.Create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* s = &data[(std::size_t(y) * w + x) * channels];
            test::SetPixel(p, x, y, channels == 3 ? MakeColour(s[0], s[1], s[2]) : MakeColour(s[0], s[0], s[0]));
        }
    return p;
}

// Pillow's decode, converted to RGB by Pillow (CMYK with its own formula,
// Adobe files read inverted), of many files in one process; each result is
// PillowOutput(file). Files cut short keep what was decoded.
std::filesystem::path PillowOutput(const std::filesystem::path& file, const std::filesystem::path& scratch) {
    return scratch / (file.filename().string() + ".pillow.ppm");
}

bool PillowDecodeAll(const std::vector<std::filesystem::path>& files, const std::filesystem::path& scratch) {
    const std::string script =
        "import os, sys\nfrom PIL import Image, ImageFile\nImageFile.LOAD_TRUNCATED_IMAGES = True\n"
        "for f in sys.argv[2:]:\n"
        "    Image.open(f).convert('RGB').save(os.path.join(sys.argv[1], os.path.basename(f) + '.pillow.ppm'), "
        "'PPM')\n";
    const auto scriptPath = scratch / "pillow_decode.py";
    std::ofstream(scriptPath) << script;
    std::string command = "/usr/bin/python3 " + Quote(scriptPath.string()) + " " + Quote(scratch.string());
    for (const auto& f : files) command += " " + Quote(f.string());
    return RunQuiet(command);
}

std::optional<Picture> PillowDecode(const std::filesystem::path& file, const std::filesystem::path& scratch) {
    if (!PillowDecodeAll({file}, scratch)) return std::nullopt;
    return ReadPnm(PillowOutput(file, scratch));
}

// djpeg writes its output also when the library only warned (exit status 2).
std::optional<Picture> DjpegDecode(const std::filesystem::path& file, const std::filesystem::path& scratch) {
    const auto out = scratch / "djpeg.pnm";
    std::system(("djpeg -pnm -outfile " + Quote(out.string()) + " " + Quote(file.string()) + " 2>/dev/null").c_str());
    return ReadPnm(out);
}

int MaxChannelDifference(const Picture& a, const Picture& b) {
    int worst = 0;
    for (int y = 0; y < a.Height(); ++y) {
        const auto ra = a.Row(y), rb = b.Row(y);
        for (int i = 0; i < a.Width() * 3; ++i) worst = std::max(worst, std::abs(int(ra[i]) - int(rb[i])));
    }
    return worst;
}

double MeanAbsoluteDifference(const Picture& a, const Picture& b) {
    double sum = 0;
    for (int y = 0; y < a.Height(); ++y) {
        const auto ra = a.Row(y), rb = b.Row(y);
        for (int i = 0; i < a.Width() * 3; ++i) sum += std::abs(int(ra[i]) - int(rb[i]));
    }
    return sum / (double(a.Width()) * a.Height() * 3);
}

bool IsGrey(const Picture& p) {
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) {
            const ColourRef c = PixelAt(p, x, y);
            if (RedOf(c) != GreenOf(c) || GreenOf(c) != BlueOf(c)) return false;
        }
    return true;
}

// Records every call a codec makes on its progress sink.
class RecordingProgress : public ProgressSink {
public:
    void Begin(long low, long high, std::string_view text) override {
        ++begins;
        this->low = low, this->high = high, this->text = text;
    }
    void Step(long position) override { steps.push_back(position); }
    void SetText(std::string_view) override {}
    void End() override { ++ends; }

    int begins = 0, ends = 0;
    long low = -1, high = -1;
    std::string text;
    std::vector<long> steps;
};

// ---------------------------------------------------------------- corpus

enum class Expect {
    SameAsPillow,  // decodes; pixels equal Pillow's (within tolerance)
    SameAsDjpeg,   // decodes what libjpeg's own tool keeps of a damaged file
    Fails,         // ImpExpException with the library's message
};

struct CorpusCase {
    const char* file;
    Expect expect;
    int tolerance;        // per channel, SameAs* only
    const char* message;  // Fails only
    bool grey;            // a greyscale file: must come out grey
};

const CorpusCase kCorpus[] = {
    {"libjpeg-turbo-testimages/testorig.jpg", Expect::SameAsPillow, 0, nullptr, false},
    {"libjpeg-turbo-testimages/testimgint.jpg", Expect::SameAsPillow, 0, nullptr, false},
    {"libjpeg-turbo-testimages/testimgp.jpg", Expect::SameAsPillow, 0, nullptr, false},    // progressive
    {"libjpeg-turbo-testimages/testimgari.jpg", Expect::SameAsPillow, 0, nullptr, false},  // arithmetic
    {"libjpeg-turbo-testimages/testimggray.jpg", Expect::SameAsPillow, 0, nullptr, true},
    {"libjpeg-turbo-testimages/monkey12.jpg", Expect::Fails, 0, "Unsupported JPEG data precision 12", false},
    {"pillow-jpeg/hopper_16bit_qtables.jpg", Expect::SameAsPillow, 0, nullptr, false},
    // Adobe CMYK (stored inverted); the two conversions round differently by at most 1.
    {"pillow-jpeg/pil_sample_cmyk.jpg", Expect::SameAsPillow, 1, nullptr, false},
    {"pillow-jpeg/truncated_jpeg.jpg", Expect::SameAsDjpeg, 0, nullptr, false},
    {"jpeg-decoder-tests/reftest/blank_800x280.jpg", Expect::SameAsPillow, 0, nullptr, true},
    {"jpeg-decoder-tests/reftest/grayscale_16x24_sampling2x2.jpg", Expect::SameAsPillow, 0, nullptr, true},
    {"jpeg-decoder-tests/reftest/grayscale_24x16_sampling2x2.jpg", Expect::SameAsPillow, 0, nullptr, true},
    {"jpeg-decoder-tests/reftest/grayscale_large.jpg", Expect::SameAsPillow, 0, nullptr, true},
    {"jpeg-decoder-tests/reftest/grayscale_long.jpg", Expect::SameAsPillow, 0, nullptr, true},
    {"jpeg-decoder-tests/reftest/grayscale_square.jpg", Expect::SameAsPillow, 0, nullptr, true},
    {"jpeg-decoder-tests/reftest/non-interleaved-mcu.jpg", Expect::SameAsPillow, 0, nullptr, false},
    // Incomplete on purpose: scans stop early; they decode with warnings only.
    {"jpeg-decoder-tests/reftest/partial_progressive.jpg", Expect::SameAsDjpeg, 0, nullptr, false},
    {"jpeg-decoder-tests/reftest/progressive-missing-ac.jpg", Expect::SameAsDjpeg, 0, nullptr, true},
    {"jpeg-decoder-tests/reftest/progressive-missing-dc.jpg", Expect::SameAsDjpeg, 0, nullptr, true},
    // Damaged entropy data that libjpeg only warns about: kept.
    {"jpeg-decoder-tests/crashtest/dc-predictor-overflow.jpg", Expect::SameAsDjpeg, 0, nullptr, true},
    {"jpeg-decoder-tests/crashtest/empty.jpg", Expect::Fails, 0, "Not a JPEG file: starts with 0xff 0xd9", false},
    {"jpeg-decoder-tests/crashtest/invalid-dimensions.jpg", Expect::Fails, 0, "Empty JPEG image (DNL not supported)",
     false},
    {"jpeg-decoder-tests/crashtest/invalid-prediction-shift.jpg", Expect::Fails, 0,
     "Unsupported JPEG process: SOF type 0xc3", false},
    {"jpeg-decoder-tests/crashtest/max_size.jpg", Expect::Fails, 0, "Maximum supported image dimension is 65500 pixels",
     false},
    {"jpeg-decoder-tests/crashtest/missing-frame-image-1410.jpg", Expect::Fails, 0, "JPEG datastream contains no image",
     false},
    {"jpeg-decoder-tests/crashtest/missing-sof.jpg", Expect::Fails, 0, "JPEG datastream contains no image", false},
    {"jpeg-decoder-tests/crashtest/missing-sos.jpg", Expect::Fails, 0,
     "Invalid JPEG file structure: missing SOS marker", false},
    {"jpeg-decoder-tests/crashtest/null_height.jpg", Expect::Fails, 0, "Empty JPEG image (DNL not supported)", false},
};

// One test walks the table, so that Pillow starts once for all files.
TEST(JpegCorpus, DecodesLikeAnIndependentDecoderOrFailsCleanly) {
    LP_REQUIRE_CORPUS();
    ScratchDir scratch;
    const bool pillow = HavePillow();
    const bool djpeg = HaveDjpeg();
    std::vector<std::filesystem::path> pillowFiles;
    for (const auto& c : kCorpus)
        if (c.expect == Expect::SameAsPillow) pillowFiles.push_back(JpegCorpus() / c.file);
    if (pillow) {
        ASSERT_TRUE(PillowDecodeAll(pillowFiles, scratch.Path()));
    }

    int skipped = 0;
    for (const auto& c : kCorpus) {
        SCOPED_TRACE(c.file);
        const auto path = JpegCorpus() / c.file;
        ASSERT_TRUE(std::filesystem::exists(path));
        if (c.expect == Expect::Fails) {
            try {
                (void)LoadJpeg(path, nullptr);
                ADD_FAILURE() << "loaded a file that must fail";
            } catch (const ImpExpException& e) {
                EXPECT_EQ(e.Message(), c.message);
                EXPECT_EQ(e.Title(), "Jpeg Error");
                EXPECT_EQ(e.Where(), path.string());
            }
            continue;
        }
        const Picture ours = LoadJpeg(path, nullptr);
        ASSERT_FALSE(ours.IsEmpty());
        if (c.grey) {
            EXPECT_TRUE(IsGrey(ours));
        }
        std::optional<Picture> expected;
        if (c.expect == Expect::SameAsPillow) {
            if (!pillow) {
                ++skipped;
                continue;
            }
            expected = ReadPnm(PillowOutput(path, scratch.Path()));
        } else {
            if (!djpeg) {
                ++skipped;
                continue;
            }
            expected = DjpegDecode(path, scratch.Path());
        }
        ASSERT_TRUE(expected.has_value()) << "the oracle could not decode it";
        ASSERT_EQ(ours.Width(), expected->Width());
        ASSERT_EQ(ours.Height(), expected->Height());
        EXPECT_LE(MaxChannelDifference(ours, *expected), c.tolerance);
    }
    if (skipped > 0) GTEST_SKIP() << skipped << " files not compared: Pillow or djpeg not installed";
}

// ---------------------------------------------------------------- CMYK and YCCK

// Writes a 32 x 8 four-component JPEG of two flat patches with libjpeg.
// Adobe's convention (an APP14 marker, inks stored inverted) or the plain one
// (no marker, ink amounts as they are); YCCK is always written Adobe style.
std::vector<std::uint8_t> MakeFourComponentJpeg(J_COLOR_SPACE fileSpace, bool adobe, const std::uint8_t (&inkLeft)[4],
                                                const std::uint8_t (&inkRight)[4]) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = 32;
    cinfo.image_height = 8;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, fileSpace);
    cinfo.write_Adobe_marker = adobe ? TRUE : FALSE;
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(32 * 4);
    for (int x = 0; x < 32; ++x)
        for (int k = 0; k < 4; ++k) {
            const std::uint8_t ink = x < 16 ? inkLeft[k] : inkRight[k];
            row[x * 4 + k] = adobe ? JSAMPLE(255 - ink) : JSAMPLE(ink);
        }
    for (int y = 0; y < 8; ++y) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

struct InkCase {
    const char* name;
    J_COLOR_SPACE space;
    bool adobe;
};

void PrintTo(const InkCase& c, std::ostream* os) { *os << c.name; }

class JpegFourComponentTest : public ::testing::TestWithParam<InkCase> {};

TEST_P(JpegFourComponentTest, InksComeOutAsTheirColours) {
    const InkCase& c = GetParam();
    // Full cyan and half black (K = 128, no other ink).
    const std::uint8_t cyan[4] = {255, 0, 0, 0};
    const std::uint8_t halfBlack[4] = {0, 0, 0, 128};
    const auto bytes = MakeFourComponentJpeg(c.space, c.adobe, cyan, halfBlack);
    const Picture p = DecodeJpeg(bytes, "ink.jpg", nullptr);
    ASSERT_EQ(p.Width(), 32);
    ASSERT_EQ(p.Height(), 8);
    auto near = [](ColourRef got, int r, int g, int b) {
        return std::abs(RedOf(got) - r) <= 3 && std::abs(GreenOf(got) - g) <= 3 && std::abs(BlueOf(got) - b) <= 3;
    };
    for (int y = 0; y < 8; ++y) {
        EXPECT_TRUE(near(PixelAt(p, 4, y), 0, 255, 255)) << std::hex << PixelAt(p, 4, y);
        EXPECT_TRUE(near(PixelAt(p, 28, y), 127, 127, 127)) << std::hex << PixelAt(p, 28, y);
    }
}

INSTANTIATE_TEST_SUITE_P(Inks, JpegFourComponentTest,
                         ::testing::Values(InkCase{"AdobeInvertedCmyk", JCS_CMYK, true},
                                           InkCase{"PlainCmyk", JCS_CMYK, false}, InkCase{"AdobeYcck", JCS_YCCK, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- reading

TEST(JpegReader, TruncatedFileKeepsTheRowsDecodedBeforeTheCut) {
    LP_REQUIRE_CORPUS();
    const auto whole = test::ReadFileBytes(JpegCorpus() / "libjpeg-turbo-testimages/testorig.jpg");
    const Picture full = DecodeJpeg(whole, "full", nullptr);
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(whole.size() / 2));
    const Picture partial = DecodeJpeg(cut, "cut", nullptr);
    ASSERT_EQ(partial.Width(), full.Width());
    ASSERT_EQ(partial.Height(), full.Height());
    // Baseline data: the first MCU rows are complete and identical.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < full.Width(); ++x) ASSERT_EQ(PixelAt(partial, x, y), PixelAt(full, x, y));
    // The bottom rows were never in the file.
    EXPECT_FALSE(partial.SamePixels(full));
}

TEST(JpegReader, ColoursCountedWhileDecodingEqualACountOfTheDecodedPicture) {
    LP_REQUIRE_CORPUS();
    ColourTally tally;  // kept from file to file, as the thumbnail worker does
    for (const char* name :
         {"libjpeg-turbo-testimages/testorig.jpg", "libjpeg-turbo-testimages/testimgp.jpg",
          "libjpeg-turbo-testimages/testimggray.jpg", "pillow-jpeg/pil_sample_cmyk.jpg",
          "pillow-jpeg/truncated_jpeg.jpg", "jpeg-decoder-tests/reftest/non-interleaved-mcu.jpg",
          "jpeg-decoder-tests/reftest/grayscale_16x24_sampling2x2.jpg"}) {
        SCOPED_TRACE(name);
        const auto bytes = test::ReadFileBytes(JpegCorpus() / name);
        JpegReadOptions counting;
        counting.colours = &tally;
        const Picture counted = DecodeJpeg(bytes, name, nullptr, counting);
        const Picture plain = DecodeJpeg(bytes, name, nullptr);
        EXPECT_TRUE(counted.SamePixels(plain));
        EXPECT_EQ(tally.Rows(), counted.Height());
        std::set<ColourRef> distinct;
        for (int y = 0; y < plain.Height(); ++y)
            for (int x = 0; x < plain.Width(); ++x) distinct.insert(PixelAt(plain, x, y));
        EXPECT_EQ(tally.TakeCount(), std::int64_t(distinct.size()));
    }
}

TEST(JpegReader, NotAJpegFailsWithTheLibraryTextUnderJpegError) {
    ScratchDir dir;
    const auto path = dir / "fake.jpg";
    test::WriteFileBytes(path, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0});
    try {
        (void)LoadJpeg(path, nullptr);
        FAIL();
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Not a JPEG file: starts with 0x89 0x50");
        EXPECT_EQ(e.Title(), "Jpeg Error");
        EXPECT_EQ(e.Where(), path.string());
    }
}

TEST(JpegReader, MissingFileFailsWithErrorOpeningFile) {
    ScratchDir dir;
    const auto path = dir / "absent.jpg";
    try {
        (void)LoadJpeg(path, nullptr);
        FAIL();
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Error Opening File\n" + path.string());
        EXPECT_EQ(e.Title(), "Jpeg Error");
    }
}

TEST(JpegReader, SizeAboveTheLimitFailsBeforeDecoding) {
    const auto bytes = EncodeJpeg(test::PatternPicture(64, 64), 75);
    JpegReadOptions options;
    options.limits.maxPixels = 1000;
    try {
        (void)DecodeJpeg(bytes, "big.jpg", nullptr, options);
        FAIL();
    } catch (const ImpExpException& e) {
        EXPECT_NE(e.Message().find("too large"), std::string::npos) << e.Message();
        EXPECT_EQ(e.Title(), "Jpeg Error");
        EXPECT_EQ(e.Where(), "big.jpg");
    }
}

TEST(JpegReader, ReducedScaleDecodesAFractionOfTheSize) {
    const auto bytes = EncodeJpeg(test::PatternPicture(227, 149), 90);
    JpegReadOptions options;
    options.scaleDenominator = 2;
    const Picture half = DecodeJpeg(bytes, "x", nullptr, options);
    EXPECT_EQ(half.Width(), 114);
    EXPECT_EQ(half.Height(), 75);
    options.scaleDenominator = 8;
    const Picture eighth = DecodeJpeg(bytes, "x", nullptr, options);
    EXPECT_EQ(eighth.Width(), 29);
    EXPECT_EQ(eighth.Height(), 19);
}

TEST(JpegReader, ReportsProgressPerRowAndEndsOnce) {
    const Picture source = test::PatternPicture(40, 30);
    const auto bytes = EncodeJpeg(source, 90);
    RecordingProgress progress;
    (void)DecodeJpeg(bytes, "x", &progress);
    EXPECT_EQ(progress.begins, 1);
    EXPECT_EQ(progress.ends, 1);
    EXPECT_EQ(progress.text, "Loading JPEG File");
    EXPECT_EQ(progress.low, 0);
    EXPECT_EQ(progress.high, 100);
    ASSERT_EQ(progress.steps.size(), 30u);
    for (std::size_t i = 0; i < progress.steps.size(); ++i) EXPECT_EQ(progress.steps[i], long(i * 100 / 30));
}

TEST(JpegReader, ProgressEndsWhenTheDataIsDamagedMidway) {
    auto bytes = EncodeJpeg(test::PatternPicture(64, 64), 90);
    // Turn the first entropy-coded bytes after the SOS header into a marker
    // the decoder cannot accept (an SOF inside the scan).
    std::size_t sos = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) sos = i;
    ASSERT_GT(sos, 0u);
    const std::size_t data = sos + 2 + ((bytes[sos + 2] << 8) | bytes[sos + 3]);
    std::vector<std::uint8_t> damaged(bytes.begin(), bytes.begin() + std::ptrdiff_t(data + 40));
    const std::uint8_t sof[] = {0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x10, 0x00, 0x10, 0x01, 0x01, 0x11, 0x00};
    damaged.insert(damaged.end(), std::begin(sof), std::end(sof));
    RecordingProgress progress;
    try {
        (void)DecodeJpeg(damaged, "x", &progress);
        FAIL() << "a second SOF inside the scan must fail";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Title(), "Jpeg Error");
        EXPECT_FALSE(e.Message().empty());
    }
    EXPECT_EQ(progress.begins, 1);  // the failure came while rows were read
    EXPECT_EQ(progress.ends, 1);
}

TEST(JpegReader, DecodesOnSeveralThreadsAtOnce) {
    const auto bytes = EncodeJpeg(test::PatternPicture(120, 80), 80);
    const Picture reference = DecodeJpeg(bytes, "x", nullptr);
    std::vector<Picture> results(4);
    std::vector<std::thread> threads;
    for (auto& r : results) threads.emplace_back([&r, &bytes] { r = DecodeJpeg(bytes, "x", nullptr); });
    for (auto& t : threads) t.join();
    for (const auto& r : results) EXPECT_TRUE(r.SamePixels(reference));
}

// ---------------------------------------------------------------- writing

TEST(JpegWriter, RoundTripStaysCloseAtHighQualityAndShrinksAtLowQuality) {
    const Picture source = test::PatternPicture(97, 61);  // odd sizes: partial MCUs
    const auto q100 = EncodeJpeg(source, 100);
    const auto q75 = EncodeJpeg(source, kDefaultJpegQuality);
    const auto q1 = EncodeJpeg(source, 1);
    EXPECT_LT(q1.size(), q75.size());
    EXPECT_LT(q75.size(), q100.size());
    const Picture back = DecodeJpeg(q100, "x", nullptr);
    ASSERT_EQ(back.Width(), 97);
    ASSERT_EQ(back.Height(), 61);
    const Picture low = DecodeJpeg(q1, "x", nullptr);
    ASSERT_EQ(low.Width(), 97);
    // The pattern is full of single-pixel detail that 2 x 2 chroma
    // subsampling blurs even at quality 100; quality 1 loses far more.
    const double best = MeanAbsoluteDifference(source, back);
    EXPECT_LT(best, 8.0);
    EXPECT_GT(MeanAbsoluteDifference(source, low), 2 * best);
}

TEST(JpegWriter, ColoursKeepTheirChannelOrder) {
    Picture p;
    p.Create(48, 16);
    const ColourRef colours[3] = {MakeColour(220, 20, 20), MakeColour(20, 220, 20), MakeColour(20, 20, 220)};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 48; ++x) test::SetPixel(p, x, y, colours[x / 16]);
    const Picture back = DecodeJpeg(EncodeJpeg(p, 95), "x", nullptr);
    for (int i = 0; i < 3; ++i) {
        const ColourRef c = PixelAt(back, i * 16 + 8, 8);
        EXPECT_NEAR(RedOf(c), RedOf(colours[i]), 6);
        EXPECT_NEAR(GreenOf(c), GreenOf(colours[i]), 6);
        EXPECT_NEAR(BlueOf(c), BlueOf(colours[i]), 6);
    }
}

TEST(JpegWriter, WritesBaselineJfifWithTwoByTwoChromaSubsampling) {
    const auto bytes = EncodeJpeg(test::PatternPicture(32, 32), 75);
    ASSERT_GT(bytes.size(), 20u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
    EXPECT_EQ(std::string(bytes.begin() + 6, bytes.begin() + 10), "JFIF");
    EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
    EXPECT_EQ(bytes[bytes.size() - 1], 0xD9);
    // Find SOF0 (baseline) and read the luminance sampling factors.
    bool baseline = false;
    for (std::size_t i = 2; i + 12 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            baseline = true;
            EXPECT_EQ(bytes[i + 9], 3);      // components
            EXPECT_EQ(bytes[i + 11], 0x22);  // Y sampled 2 x 2
            break;
        }
    EXPECT_TRUE(baseline);
}

TEST(JpegWriter, InMemorySizeEqualsTheWrittenFile) {
    ScratchDir dir;
    const Picture source = test::PatternPicture(130, 90);
    for (int quality : {1, 60, 75, 100}) {
        const auto path = dir / ("q" + std::to_string(quality) + ".jpg");
        SaveJpeg(source, path, quality);
        const auto bytes = EncodeJpeg(source, quality);
        EXPECT_EQ(test::ReadFileBytes(path), bytes);
        EXPECT_EQ(MeasureJpegSize(source, quality), std::filesystem::file_size(path));
    }
}

TEST(JpegWriter, ProgressUsesTheDefaultTextOrTheCaption) {
    const Picture source = test::PatternPicture(10, 20);
    RecordingProgress plain;
    (void)EncodeJpeg(source, 75, &plain);
    EXPECT_EQ(plain.text, "Saving JPEG File");
    EXPECT_EQ(plain.high, 100);
    EXPECT_EQ(plain.steps.size(), 20u);
    EXPECT_EQ(plain.steps.back(), 100);
    EXPECT_EQ(plain.ends, 1);
    RecordingProgress captioned;
    (void)EncodeJpeg(source, 75, &captioned, "Measuring");
    EXPECT_EQ(captioned.text, "Measuring");
}

TEST(JpegWriter, EmptyPictureFailsAndLeavesTheOldFileUntouched) {
    ScratchDir dir;
    const auto path = dir / "keep.jpg";
    test::WriteFileBytes(path, {'o', 'l', 'd'});
    try {
        SaveJpeg(Picture{}, path, 75);
        FAIL();
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Title(), "Jpeg Error");
        EXPECT_EQ(e.Where(), path.string());
        EXPECT_EQ(e.Message(), "Empty JPEG image (DNL not supported)");
    }
    EXPECT_EQ(test::ReadFileBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // no temporary left
}

TEST(JpegWriter, UnwritableTargetFailsWithErrorOpeningFile) {
    ScratchDir dir;
    const auto path = dir / "no-such-folder" / "x.jpg";
    try {
        SaveJpeg(test::PatternPicture(8, 8), path, 75);
        FAIL();
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Error Opening File\n" + path.string());
        EXPECT_EQ(e.Title(), "Jpeg Error");
    }
}

TEST(JpegWriter, OutputDecodesInPillowAndDjpegAsInOurReader) {
    ScratchDir dir;
    const auto path = dir / "ours.jpg";
    SaveJpeg(test::PatternPicture(75, 45), path, 75);
    const Picture ours = LoadJpeg(path, nullptr);
    bool checked = false;
    if (HavePillow()) {
        const auto pillow = PillowDecode(path, dir.Path());
        ASSERT_TRUE(pillow.has_value());
        EXPECT_TRUE(pillow->SamePixels(ours));
        checked = true;
    }
    if (HaveDjpeg()) {
        const auto djpeg = DjpegDecode(path, dir.Path());
        ASSERT_TRUE(djpeg.has_value());
        EXPECT_TRUE(djpeg->SamePixels(ours));
        checked = true;
    }
    if (!checked) GTEST_SKIP() << "neither Pillow nor djpeg installed";
}

// ---------------------------------------------------------------- format table

TEST(JpegFormatTable, ExtensionsJpgAndJpegWriteJpegThatTheJpegReaderLoads) {
    ScratchDir dir;
    const Picture source = test::PatternPicture(33, 17);
    for (const char* name : {"a.JPG", "b.jpeg"}) {
        const auto path = dir / name;
        SavePictureByExtension(source, path);
        const auto bytes = test::ReadFileBytes(path);
        EXPECT_EQ(bytes, EncodeJpeg(source, kDefaultJpegQuality)) << name;  // plain saves use quality 75
        const Picture back = LoadPicture(path, PictureFileType::Jpeg);
        EXPECT_EQ(back.Width(), 33);
        EXPECT_EQ(back.Height(), 17);
    }
}

TEST(JpegLibrary, VersionTextNamesTheLibraryInUse) {
    EXPECT_NE(JpegLibraryVersion().find(std::to_string(JPEG_LIB_VERSION)), std::string::npos);
}

}  // namespace
}  // namespace lp
