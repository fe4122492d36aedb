// PNG reading and writing through libpng: PngSuite against an independent
// decoder (Pillow) with the background composition computed here, crafted
// files for gamma, sBIT, 16-bit and truncation, the writer's settings,
// pngcheck, in-memory sizes and atomic saves.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "formats/format_table.h"
#include "formats/png/png_reader.h"
#include "formats/png/png_writer.h"
#include "base/colour.h"
#include "base/imp_exp_exception.h"
#include "test_support.h"

namespace lp {
namespace {

using test::CorpusDir;
using test::PixelAt;
using test::ScratchDir;

std::filesystem::path PngSuite() { return CorpusDir() / "png" / "pngsuite"; }

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}
bool RunQuiet(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }
bool HavePillow() { return RunQuiet("/usr/bin/python3 -c 'import PIL.Image'"); }
bool HavePngcheck() { return RunQuiet("command -v pngcheck"); }

class RecordingProgress : public ProgressSink {
public:
    void Begin(long low, long high, std::string_view text) override {
        texts.emplace_back(text);
        this->low = low, this->high = high;
        ++begins;
    }
    void Step(long position) override { steps.push_back(position); }
    void SetText(std::string_view) override {}
    void End() override { ++ends; }
    int begins = 0, ends = 0;
    long low = -1, high = -1;
    std::vector<std::string> texts;
    std::vector<long> steps;
};

// ---------------------------------------------------------------- PNG files by hand

struct Chunk {
    std::string type;
    std::vector<std::uint8_t> data;
};

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(std::uint8_t(v >> s));
}

std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<std::uint8_t> out(size);
    EXPECT_EQ(compress2(out.data(), &size, raw.data(), uLong(raw.size()), 6), Z_OK);
    out.resize(size);
    return out;
}

std::vector<std::uint8_t> Inflate(const std::vector<std::uint8_t>& packed, std::size_t expected) {
    std::vector<std::uint8_t> out(expected + 1);
    uLongf size = uLongf(out.size());
    EXPECT_EQ(uncompress(out.data(), &size, packed.data(), uLong(packed.size())), Z_OK);
    out.resize(size);
    return out;
}

// A whole PNG file: IHDR from the arguments, the extra chunks before IDAT,
// rows (each already starting with its filter byte) deflated into one IDAT.
std::vector<std::uint8_t> MakePng(std::uint32_t width, std::uint32_t height, int depth, int colourType,
                                  const std::vector<std::uint8_t>& filteredRows, const std::vector<Chunk>& extra = {}) {
    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    auto put = [&](const Chunk& c) {
        PutU32(file, std::uint32_t(c.data.size()));
        std::vector<std::uint8_t> body(c.type.begin(), c.type.end());
        body.insert(body.end(), c.data.begin(), c.data.end());
        file.insert(file.end(), body.begin(), body.end());
        PutU32(file, std::uint32_t(crc32(0, body.data(), uInt(body.size()))));
    };
    Chunk ihdr{"IHDR", {}};
    PutU32(ihdr.data, width);
    PutU32(ihdr.data, height);
    ihdr.data.insert(ihdr.data.end(), {std::uint8_t(depth), std::uint8_t(colourType), 0, 0, 0});
    put(ihdr);
    for (const auto& c : extra) put(c);
    put({"IDAT", Deflate(filteredRows)});
    put({"IEND", {}});
    return file;
}

std::vector<Chunk> ReadChunks(const std::vector<std::uint8_t>& file) {
    std::vector<Chunk> chunks;
    std::size_t pos = 8;
    while (pos + 12 <= file.size()) {
        const std::uint32_t length =
            std::uint32_t(file[pos]) << 24 | file[pos + 1] << 16 | file[pos + 2] << 8 | file[pos + 3];
        Chunk c{std::string(file.begin() + std::ptrdiff_t(pos + 4), file.begin() + std::ptrdiff_t(pos + 8)), {}};
        c.data.assign(file.begin() + std::ptrdiff_t(pos + 8), file.begin() + std::ptrdiff_t(pos + 8 + length));
        chunks.push_back(std::move(c));
        pos += 12 + length;
    }
    return chunks;
}

const Chunk* FindChunk(const std::vector<Chunk>& chunks, const std::string& type) {
    for (const auto& c : chunks)
        if (c.type == type) return &c;
    return nullptr;
}

// ---------------------------------------------------------------- the oracle

// Pixels as Pillow reads them (no gamma, no sBIT shift), with alpha: tRNS
// becomes alpha; 16-bit samples keep their high byte. Also the file's bKGD
// colour reduced to 8 bits, and whether the file has 16-bit samples.
struct OracleImage {
    int width = 0, height = 0;
    bool sixteenBit = false;
    std::optional<ColourRef> background;
    std::vector<std::uint8_t> rgba;  // top row first
};

// Decodes every file named after the output folder; a file Pillow cannot
// read gets no output. bKGD is read from the chunks (Pillow does not report it).
constexpr const char* kOracleScript = R"(import os, struct, sys
from PIL import Image
outdir = sys.argv[1]
for path in sys.argv[2:]:
    try:
        raw = open(path, 'rb').read()
        depth, ctype = raw[24], raw[25]
        chunks, pos = {}, 8
        while pos + 8 <= len(raw):
            n, = struct.unpack('>I', raw[pos:pos + 4])
            chunks.setdefault(raw[pos + 4:pos + 8], raw[pos + 8:pos + 8 + n])
            pos += 12 + n
        im = Image.open(path)
        im.load()
        w, h = im.size
        trns = im.info.get('transparency')
        if ctype == 0 and depth < 8 and isinstance(trns, int):
            # Pillow widens low-depth grey samples to 8 bits but not the tRNS key.
            trns = trns * 255 // ((1 << depth) - 1)
            im.info['transparency'] = trns
        if im.mode in ('I', 'I;16', 'I;16B'):
            rgba = bytearray()
            for v in im.getdata():
                g = v >> 8
                rgba += bytes((g, g, g, 0 if trns is not None and v == trns else 255))
        elif im.mode == 'RGB' and isinstance(trns, tuple) and depth == 16:
            # Pillow keeps only the high bytes of 16-bit RGB; the key is matched on them.
            key = tuple(t >> 8 for t in trns)
            rgba = bytearray()
            for p in im.getdata():
                rgba += bytes(p) + bytes((0 if p == key else 255,))
        else:
            rgba = im.convert('RGBA').tobytes()
        bgtext = '-'
        bkgd = chunks.get(b'bKGD')
        if bkgd is not None:
            if ctype == 3:
                plte = chunks[b'PLTE']
                r, g, b = plte[3 * bkgd[0]: 3 * bkgd[0] + 3]
            else:
                vals = struct.unpack('>%dH' % (len(bkgd) // 2), bkgd)
                scale = lambda v: v >> 8 if depth == 16 else v * 255 // ((1 << depth) - 1)
                vals = [scale(v) for v in vals]
                r, g, b = (vals * 3)[:3] if len(vals) == 1 else vals
            bgtext = '%d,%d,%d' % (r, g, b)
        with open(os.path.join(outdir, os.path.basename(path) + '.rgba'), 'wb') as f:
            f.write(('%d %d %d %s\n' % (w, h, depth, bgtext)).encode())
            f.write(bytes(rgba))
    except Exception as e:
        pass
)";

// Runs the oracle over many files in one process; returns the folder of results.
bool RunOracle(const std::vector<std::filesystem::path>& files, const std::filesystem::path& outDir) {
    std::filesystem::create_directories(outDir);
    const auto script = outDir / "oracle.py";
    std::ofstream(script) << kOracleScript;
    std::string command = "/usr/bin/python3 " + Quote(script.string()) + " " + Quote(outDir.string());
    for (const auto& f : files) command += " " + Quote(f.string());
    return RunQuiet(command);
}

std::optional<OracleImage> ReadOracle(const std::filesystem::path& file, const std::filesystem::path& outDir) {
    std::ifstream in(outDir / (file.filename().string() + ".rgba"), std::ios::binary);
    OracleImage img;
    int depth = 0;
    std::string bg;
    if (!(in >> img.width >> img.height >> depth >> bg)) return std::nullopt;
    in.get();
    img.sixteenBit = depth == 16;
    if (bg != "-") {
        int r = 0, g = 0, b = 0;
        std::sscanf(bg.c_str(), "%d,%d,%d", &r, &g, &b);
        img.background = MakeColour(std::uint8_t(r), std::uint8_t(g), std::uint8_t(b));
    }
    img.rgba.resize(std::size_t(img.width) * img.height * 4);
    if (!in.read(reinterpret_cast<char*>(img.rgba.data()), std::streamsize(img.rgba.size()))) return std::nullopt;
    return img;
}

std::optional<OracleImage> PillowRgba(const std::filesystem::path& file, const std::filesystem::path& scratch) {
    const auto outDir = scratch / "oracle";
    if (!RunOracle({file}, outDir)) return std::nullopt;
    return ReadOracle(file, outDir);
}

// The 8-bit composition libpng performs: fg x a + bg x (255 - a), divided by
// 255 with rounding.
std::uint8_t Composite(int fg, int alpha, int bg) {
    const int t = fg * alpha + bg * (255 - alpha) + 128;
    return std::uint8_t((t + (t >> 8)) >> 8);
}

// The picture the reader must produce: the oracle's pixels over the file's
// bKGD colour, or over the caller's colour when the file has none.
Picture ExpectedPicture(const OracleImage& img, ColourRef callerBackground) {
    const ColourRef bg = img.background.value_or(callerBackground == kNoColour ? 0 : callerBackground);
    Picture p;
    p.Create(img.width, img.height);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const std::uint8_t* s = &img.rgba[(std::size_t(y) * img.width + x) * 4];
            test::SetPixel(p, x, y,
                           MakeColour(Composite(s[0], s[3], RedOf(bg)), Composite(s[1], s[3], GreenOf(bg)),
                                      Composite(s[2], s[3], BlueOf(bg))));
        }
    return p;
}

int MaxChannelDifference(const Picture& a, const Picture& b) {
    int worst = 0;
    for (int y = 0; y < a.Height(); ++y) {
        const auto ra = a.Row(y), rb = b.Row(y);
        for (int i = 0; i < a.Width() * 3; ++i) worst = std::max(worst, std::abs(int(ra[i]) - int(rb[i])));
    }
    return worst;
}

bool IsGrey(const Picture& p) {
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) {
            const ColourRef c = PixelAt(p, x, y);
            if (RedOf(c) != GreenOf(c) || GreenOf(c) != BlueOf(c)) return false;
        }
    return true;
}

// ---------------------------------------------------------------- PngSuite

// The corrupt files of PngSuite and libpng's message for each.
const std::map<std::string, std::string> kCorrupt = {
    {"xc1n0g08.png", "Invalid IHDR data"},
    {"xc9n2c08.png", "Invalid IHDR data"},
    {"xcrn0g04.png", "PNG file corrupted by ASCII conversion"},
    {"xcsn0g01.png", "IDAT: CRC error"},
    {"xd0n2c08.png", "Invalid IHDR data"},
    {"xd3n2c08.png", "Invalid IHDR data"},
    {"xd9n2c08.png", "Invalid IHDR data"},
    {"xdtn0g01.png", "IEND: out of place"},
    {"xhdn0g08.png", "IHDR: CRC error"},
    {"xlfn0g04.png", "PNG file corrupted by ASCII conversion"},
    {"xs1n0g01.png", "Not a PNG file"},
    {"xs2n0g01.png", "Not a PNG file"},
    {"xs4n0g01.png", "Not a PNG file"},
    {"xs7n0g01.png", "PNG file corrupted by ASCII conversion"},
};

std::vector<std::string> PngSuiteFiles() {
    std::vector<std::string> names;
    std::error_code ec;
    const auto dir = PngSuite();
    if (CorpusDir().empty() || !std::filesystem::is_directory(dir, ec)) return {};
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().extension() == ".png") names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A background that is not grey, so that composition and the widening of
// grey images are both visible.
constexpr ColourRef kCallerBackground = MakeColour(0x20, 0x60, 0xC0);

// One test walks the whole suite, so that Pillow starts once for all files.
TEST(PngCorpus, PngSuiteDecodesAsStoredOverTheBackgroundOrFailsWithLibpngsMessage) {
    LP_REQUIRE_CORPUS();
    const auto names = PngSuiteFiles();
    ASSERT_GT(names.size(), 170u);
    std::optional<ScratchDir> oracleDir;
    if (HavePillow()) {
        oracleDir.emplace();
        std::vector<std::filesystem::path> files;
        for (const auto& name : names)
            if (name[0] != 'x') files.push_back(PngSuite() / name);
        ASSERT_TRUE(RunOracle(files, oracleDir->Path()));
    }
    int compared = 0, rejected = 0;
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        const auto path = PngSuite() / name;
        if (name[0] == 'x') {
            const auto it = kCorrupt.find(name);
            ASSERT_NE(it, kCorrupt.end()) << "a corrupt file not in the table";
            try {
                (void)LoadPng(path, kCallerBackground, nullptr);
                ADD_FAILURE() << "loaded a corrupt file";
            } catch (const ImpExpException& e) {
                EXPECT_EQ(e.Message(), it->second);
                EXPECT_EQ(e.Title(), "Png Error");
                EXPECT_EQ(e.Where(), path.string());
                ++rejected;
            }
            continue;
        }
        const Picture ours = LoadPng(path, kCallerBackground, nullptr);
        if (!oracleDir) continue;
        const auto oracle = ReadOracle(path, oracleDir->Path());
        if (!oracle) {
            ADD_FAILURE() << "Pillow could not read it";
            continue;
        }
        const Picture expected = ExpectedPicture(*oracle, kCallerBackground);
        ASSERT_EQ(ours.Width(), expected.Width());
        ASSERT_EQ(ours.Height(), expected.Height());
        // libpng composites 16-bit files before cutting them to 8 bits; the
        // oracle only sees the high bytes, so such files may differ by one.
        const int tolerance = oracle->sixteenBit ? 1 : 0;
        EXPECT_LE(MaxChannelDifference(ours, expected), tolerance);
        ++compared;
    }
    EXPECT_EQ(rejected, 14);
    if (!oracleDir) GTEST_SKIP() << "Pillow (/usr/bin/python3 with PIL) not installed: pixels not compared";
    EXPECT_EQ(compared, int(names.size()) - 14);
}

TEST(PngReader, InterlacedFilesEqualTheirNonInterlacedTwins) {
    LP_REQUIRE_CORPUS();
    int pairs = 0;
    for (const auto& e : std::filesystem::directory_iterator(PngSuite())) {
        const std::string name = e.path().filename().string();
        // basi*, s##i*: the same picture as basn*, s##n* stored with Adam7.
        std::string twin = name;
        if (name.rfind("basi", 0) == 0)
            twin[3] = 'n';
        else if (name.size() > 3 && name[0] == 's' && name[3] == 'i')
            twin[3] = 'n';
        else
            continue;
        const Picture interlaced = LoadPng(e.path(), kNoColour, nullptr);
        const Picture plain = LoadPng(PngSuite() / twin, kNoColour, nullptr);
        EXPECT_TRUE(interlaced.SamePixels(plain)) << name;
        ++pairs;
    }
    EXPECT_GT(pairs, 20);
}

TEST(PngReader, GreyWithAlphaLoadsGreyOverTheDefaultBlack) {
    LP_REQUIRE_CORPUS();
    const Picture p = LoadPng(PngSuite() / "basn4a08.png", kNoColour, nullptr);
    EXPECT_TRUE(IsGrey(p));
    // The top-left pixel is fully transparent in this file: black shows.
    EXPECT_EQ(PixelAt(p, 0, 0), MakeColour(0, 0, 0));
}

TEST(PngReader, PaletteTransparencyComposesOverTheCallersColour) {
    LP_REQUIRE_CORPUS();
    // tp1n3p08: palette with tRNS and no bKGD chunk.
    const auto path = PngSuite() / "tp1n3p08.png";
    const Picture red = LoadPng(path, MakeColour(255, 0, 0), nullptr);
    const Picture blue = LoadPng(path, MakeColour(0, 0, 255), nullptr);
    int transparent = 0;
    for (int y = 0; y < red.Height(); ++y)
        for (int x = 0; x < red.Width(); ++x)
            if (PixelAt(red, x, y) != PixelAt(blue, x, y)) {
                EXPECT_EQ(PixelAt(red, x, y), MakeColour(255, 0, 0));
                EXPECT_EQ(PixelAt(blue, x, y), MakeColour(0, 0, 255));
                ++transparent;
            }
    EXPECT_GT(transparent, 0);
}

TEST(PngReader, FileBackgroundChunkWinsOverTheCallersColour) {
    // 2 x 1 RGBA: an opaque red pixel and a transparent one, bKGD = green.
    const std::vector<std::uint8_t> rows = {0, 255, 0, 0, 255, 9, 9, 9, 0};
    const auto file = MakePng(2, 1, 8, 6, rows, {{"bKGD", {0, 0, 0, 200, 0, 0}}});
    const Picture p = DecodePng(file, "x", MakeColour(0, 0, 255), nullptr);
    EXPECT_EQ(PixelAt(p, 0, 0), MakeColour(255, 0, 0));
    EXPECT_EQ(PixelAt(p, 1, 0), MakeColour(0, 200, 0));
}

TEST(PngReader, AlphaComposesInStoredValuesEvenWithAGammaChunk) {
    // One grey pixel 200 at alpha 128 over black; gAMA 1/2.2. Composition in
    // stored values gives 100; blending in linear light would give about 146.
    const std::vector<std::uint8_t> rows = {0, 200, 200, 200, 128};
    std::vector<std::uint8_t> gama;
    PutU32(gama, 45455);
    const auto file = MakePng(1, 1, 8, 6, rows, {{"gAMA", gama}});
    const Picture p = DecodePng(file, "x", kNoColour, nullptr);
    EXPECT_EQ(PixelAt(p, 0, 0), MakeColour(100, 100, 100));
}

TEST(PngReader, OpaquePixelsArriveAsStoredWhateverTheGammaChunk) {
    const std::vector<std::uint8_t> rows = {0, 10, 128, 250};
    std::vector<std::uint8_t> gama;
    PutU32(gama, 100000 / 4);
    const auto file = MakePng(1, 1, 8, 2, rows, {{"gAMA", gama}});
    EXPECT_EQ(PixelAt(DecodePng(file, "x", kNoColour, nullptr), 0, 0), MakeColour(10, 128, 250));
}

TEST(PngReader, SignificantBitsDoNotShiftSamples) {
    // sBIT 5: samples are stored scaled to 8 bits already; a shift would leave 0..31.
    const std::vector<std::uint8_t> rows = {0, 248, 128, 8};
    const auto file = MakePng(1, 1, 8, 2, rows, {{"sBIT", {5, 5, 5}}});
    EXPECT_EQ(PixelAt(DecodePng(file, "x", kNoColour, nullptr), 0, 0), MakeColour(248, 128, 8));
}

TEST(PngReader, SixteenBitSamplesKeepTheirHighByteAndTheBackgroundIsScaled) {
    // RGBA 16: opaque (0x12FF, 0x3400, 0xABCD) and a transparent pixel.
    const std::vector<std::uint8_t> rows = {0,    0x12, 0xFF, 0x34, 0x00, 0xAB, 0xCD, 0xFF, 0xFF,
                                            0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x00, 0x00};
    const auto file = MakePng(2, 1, 16, 6, rows);
    const Picture p = DecodePng(file, "x", MakeColour(0x40, 0x80, 0xFF), nullptr);
    EXPECT_EQ(PixelAt(p, 0, 0), MakeColour(0x12, 0x34, 0xAB));
    EXPECT_EQ(PixelAt(p, 1, 0), MakeColour(0x40, 0x80, 0xFF));
}

TEST(PngReader, GreyTransparencyOverAColouredBackgroundShowsTheColour) {
    // 2-bit grey, tRNS grey 3 (white): the second pixel is transparent.
    const std::vector<std::uint8_t> rows = {0, 0b01110000};
    const auto file = MakePng(2, 1, 2, 0, rows, {{"tRNS", {0, 3}}});
    const Picture p = DecodePng(file, "x", MakeColour(10, 20, 30), nullptr);
    EXPECT_EQ(PixelAt(p, 0, 0), MakeColour(85, 85, 85));
    EXPECT_EQ(PixelAt(p, 1, 0), MakeColour(10, 20, 30));
}

TEST(PngReader, TruncatedFileFailsWithReadError) {
    LP_REQUIRE_CORPUS();
    const auto whole = test::ReadFileBytes(PngSuite() / "basn2c08.png");
    for (std::size_t keep : {std::size_t(4), std::size_t(30), whole.size() / 2, whole.size() - 5}) {
        const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(keep));
        try {
            (void)DecodePng(cut, "cut.png", kNoColour, nullptr);
            FAIL() << "kept " << keep;
        } catch (const ImpExpException& e) {
            EXPECT_EQ(e.Message(), "Read Error") << "kept " << keep;
            EXPECT_EQ(e.Title(), "Png Error");
        }
    }
}

TEST(PngReader, SizeAboveTheLimitFailsBeforeAllocating) {
    const auto file = MakePng(100000, 100000, 8, 2, {0, 1, 2, 3});
    ImageLimits limits;
    limits.maxPixels = 1 << 20;
    try {
        (void)DecodePng(file, "huge.png", kNoColour, nullptr, limits);
        FAIL();
    } catch (const ImpExpException& e) {
        EXPECT_NE(e.Message().find("too large"), std::string::npos) << e.Message();
        EXPECT_EQ(e.Title(), "Png Error");
    }
}

TEST(PngReader, FileTooSmallForItsDeclaredSizeFailsBeforeAllocating) {
    // 8000 x 8000 RGB declared (192 MB of pixels) in a file of about a hundred bytes.
    const auto file = MakePng(8000, 8000, 8, 2, {0, 1, 2, 3});
    RecordingProgress progress;
    try {
        (void)DecodePng(file, "bomb.png", kNoColour, &progress);
        FAIL();
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Not enough image data");
        EXPECT_EQ(e.Title(), "Png Error");
    }
    EXPECT_EQ(progress.begins, 0);  // stopped before the picture and its rows
}

TEST(PngReader, MissingFileFailsWithErrorOpeningFile) {
    ScratchDir dir;
    const auto path = dir / "absent.png";
    try {
        (void)LoadPng(path, kNoColour, nullptr);
        FAIL();
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Error Opening File\n" + path.string());
        EXPECT_EQ(e.Title(), "Png Error");
        EXPECT_EQ(e.Where(), path.string());
    }
}

TEST(PngReader, ReportsProgressPerRowOfEveryPass) {
    LP_REQUIRE_CORPUS();
    RecordingProgress plain;
    (void)LoadPng(PngSuite() / "basn2c08.png", kNoColour, &plain);
    ASSERT_EQ(plain.texts, std::vector<std::string>{"Loading PNG File .."});
    EXPECT_EQ(plain.low, 0);
    EXPECT_EQ(plain.high, 32);
    EXPECT_EQ(plain.steps.size(), 32u);
    EXPECT_EQ(plain.ends, 1);
    RecordingProgress interlaced;
    (void)LoadPng(PngSuite() / "basi2c08.png", kNoColour, &interlaced);
    EXPECT_EQ(interlaced.steps.size(), 7u * 32u);
    EXPECT_EQ(interlaced.ends, 1);
}

TEST(PngReader, DecodesOnSeveralThreadsAtOnce) {
    const auto bytes = EncodePng(test::PatternPicture(150, 90));
    std::vector<Picture> results(4);
    std::vector<std::thread> threads;
    for (auto& r : results) threads.emplace_back([&r, &bytes] { r = DecodePng(bytes, "x", kNoColour, nullptr); });
    for (auto& t : threads) t.join();
    for (const auto& r : results) EXPECT_TRUE(r.SamePixels(test::PatternPicture(150, 90)));
}

// ---------------------------------------------------------------- writing

// Colour number i (i < 512), all distinct: (i mod 256, 255 - i mod 256, 3 or 131).
ColourRef NumberedColour(int i) {
    return MakeColour(std::uint8_t(i & 255), std::uint8_t(255 - (i & 255)), std::uint8_t((i >> 8) * 128 + 3));
}

// A picture whose colours, read from the top row in scan order, are colour
// numbers 0 .. colours - 1, repeated.
Picture PictureOfColours(int colours, int width = 40, int height = 30) {
    Picture p;
    p.Create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) test::SetPixel(p, x, y, NumberedColour((y * width + x) % colours));
    return p;
}

TEST(PngWriter, TrueColourRoundTripIsExact) {
    for (auto [w, h] : {std::pair{1, 1}, std::pair{3, 2}, std::pair{129, 77}}) {
        const Picture source = test::PatternPicture(w, h);
        const auto bytes = EncodePng(source);
        EXPECT_TRUE(DecodePng(bytes, "x", kNoColour, nullptr).SamePixels(source)) << w << "x" << h;
    }
}

TEST(PngWriter, TrueColourUsesRgbHeaderLevelNineAndOnlyNoneSubPaethFilters) {
    // Large enough that libpng keeps the full 32K window.
    const Picture source = test::PatternPicture(160, 100);
    const auto chunks = ReadChunks(EncodePng(source));
    const Chunk* ihdr = FindChunk(chunks, "IHDR");
    ASSERT_NE(ihdr, nullptr);
    EXPECT_EQ(ihdr->data[8], 8);   // bit depth
    EXPECT_EQ(ihdr->data[9], 2);   // RGB
    EXPECT_EQ(ihdr->data[12], 0);  // not interlaced
    std::vector<std::uint8_t> idat;
    for (const auto& c : chunks)
        if (c.type == "IDAT") idat.insert(idat.end(), c.data.begin(), c.data.end());
    ASSERT_GE(idat.size(), 2u);
    EXPECT_EQ(idat[0], 0x78);    // deflate, 32K window (window bits 15)
    EXPECT_EQ(idat[1] >> 6, 3);  // compressor used its maximum level
    const std::size_t rowBytes = 1 + 160 * 3;
    const auto raw = Inflate(idat, 100 * rowBytes);
    ASSERT_EQ(raw.size(), 100 * rowBytes);
    std::set<int> filters;
    for (std::size_t y = 0; y < 100; ++y) filters.insert(raw[y * rowBytes]);
    for (int f : filters) EXPECT_TRUE(f == 0 || f == 1 || f == 4) << "filter " << f;
}

TEST(PngWriter, PaletteModeListsColoursInFirstSeenOrderFromTheTopRow) {
    const Picture source = PictureOfColours(200);
    const auto bytes = EncodePng(source, kNoColour, nullptr, {}, PngColourMode::Palette);
    const auto chunks = ReadChunks(bytes);
    EXPECT_EQ(FindChunk(chunks, "IHDR")->data[9], 3);
    const Chunk* plte = FindChunk(chunks, "PLTE");
    ASSERT_NE(plte, nullptr);
    ASSERT_EQ(plte->data.size(), 200u * 3);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(plte->data[i * 3], RedOf(NumberedColour(i)));
        EXPECT_EQ(plte->data[i * 3 + 1], GreenOf(NumberedColour(i)));
        EXPECT_EQ(plte->data[i * 3 + 2], BlueOf(NumberedColour(i)));
    }
    EXPECT_TRUE(DecodePng(bytes, "x", kNoColour, nullptr).SamePixels(source));
}

TEST(PngWriter, PaletteModeOfTooManyColoursKeepsTheFirst256AndMapsTheRestToNearest) {
    const Picture source = PictureOfColours(300);
    const auto bytes = EncodePng(source, kNoColour, nullptr, {}, PngColourMode::Palette);
    const auto chunks = ReadChunks(bytes);
    ASSERT_EQ(FindChunk(chunks, "PLTE")->data.size(), 256u * 3);
    const Picture back = DecodePng(bytes, "x", kNoColour, nullptr);
    for (int y = 0; y < source.Height(); ++y)
        for (int x = 0; x < source.Width(); ++x) {
            const int i = (y * source.Width() + x) % 300;
            if (i < 256) {
                ASSERT_EQ(PixelAt(back, x, y), PixelAt(source, x, y));
            }
        }
    // Colour 299 is not in the palette: it takes the first nearest entry by |dR|+|dG|+|dB|.
    const ColourRef extra = NumberedColour(299);
    int best = -1, bestDistance = 1 << 30;
    for (int i = 0; i < 256; ++i) {
        const ColourRef c = NumberedColour(i);
        const int d = ColourDistance(RedOf(extra), GreenOf(extra), BlueOf(extra), RedOf(c), GreenOf(c), BlueOf(c));
        if (d < bestDistance) bestDistance = d, best = i;
    }
    const int at = 299;  // pixel index of the first occurrence of colour 299
    EXPECT_EQ(PixelAt(back, at % 40, at / 40), NumberedColour(best));
}

TEST(PngWriter, BackgroundChunkIsAnIndexInPaletteModeAndEightBitValuesOtherwise) {
    const Picture source = PictureOfColours(10);
    const ColourRef background = NumberedColour(5);
    const auto palette = ReadChunks(EncodePng(source, background, nullptr, {}, PngColourMode::Palette));
    const Chunk* bkgd = FindChunk(palette, "bKGD");
    ASSERT_NE(bkgd, nullptr);
    EXPECT_EQ(bkgd->data, std::vector<std::uint8_t>{5});

    const auto trueColour = ReadChunks(EncodePng(source, background));
    bkgd = FindChunk(trueColour, "bKGD");
    ASSERT_NE(bkgd, nullptr);
    EXPECT_EQ(bkgd->data, (std::vector<std::uint8_t>{0, 5, 0, 250, 0, 3}));

    EXPECT_EQ(FindChunk(ReadChunks(EncodePng(source)), "bKGD"), nullptr);
}

TEST(PngWriter, InMemorySizeEqualsTheWrittenFile) {
    ScratchDir dir;
    const Picture photo = test::PatternPicture(150, 100);
    const Picture few = PictureOfColours(50);
    int n = 0;
    for (const auto& [picture, mode] :
         {std::pair{&photo, PngColourMode::TrueColour}, std::pair{&few, PngColourMode::Palette},
          std::pair{&few, PngColourMode::TrueColour}}) {
        const auto path = dir / ("m" + std::to_string(n++) + ".png");
        SavePng(*picture, path, kNoColour, nullptr, {}, mode);
        EXPECT_EQ(test::ReadFileBytes(path), EncodePng(*picture, kNoColour, nullptr, {}, mode));
        EXPECT_EQ(MeasurePngSize(*picture, kNoColour, mode), std::filesystem::file_size(path));
    }
}

TEST(PngWriter, ProgressUsesTheDefaultTextOrTheCaption) {
    const Picture source = PictureOfColours(20, 10, 12);
    RecordingProgress plain;
    (void)EncodePng(source, kNoColour, &plain);
    EXPECT_EQ(plain.texts, std::vector<std::string>{"Saving PNG File"});
    EXPECT_EQ(plain.high, 12);
    EXPECT_EQ(plain.steps.size(), 12u);
    EXPECT_EQ(plain.ends, plain.begins);
    RecordingProgress captioned;
    (void)EncodePng(source, kNoColour, &captioned, "Measuring PNG", PngColourMode::Palette);
    // Palette mode first collects the colours, reporting to the same sink.
    ASSERT_EQ(captioned.texts.size(), 2u);
    EXPECT_EQ(captioned.texts.back(), "Measuring PNG");
    EXPECT_EQ(captioned.ends, captioned.begins);
}

TEST(PngWriter, EmptyPictureFailsAndLeavesTheOldFileUntouched) {
    ScratchDir dir;
    const auto path = dir / "keep.png";
    test::WriteFileBytes(path, {'o', 'l', 'd'});
    for (auto mode : {PngColourMode::TrueColour, PngColourMode::Palette}) {
        try {
            SavePng(Picture{}, path, kNoColour, nullptr, {}, mode);
            FAIL();
        } catch (const ImpExpException& e) {
            EXPECT_EQ(e.Title(), "Png Error");
            EXPECT_EQ(e.Where(), path.string());
            EXPECT_EQ(e.Message(), "Invalid IHDR data");
        }
    }
    EXPECT_EQ(test::ReadFileBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(PngWriter, UnwritableTargetFailsWithErrorOpeningFile) {
    ScratchDir dir;
    const auto path = dir / "no-such-folder" / "x.png";
    try {
        SavePng(test::PatternPicture(4, 4), path);
        FAIL();
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Error Opening File\n" + path.string());
        EXPECT_EQ(e.Title(), "Png Error");
    }
}

TEST(PngWriter, OutputPassesPngcheckAndDecodesIdenticallyInPillow) {
    ScratchDir dir;
    const Picture photo = test::PatternPicture(101, 57);
    const Picture few = PictureOfColours(77, 33, 21);
    const std::vector<std::tuple<std::string, const Picture*, PngColourMode, ColourRef>> outputs = {
        {"true.png", &photo, PngColourMode::TrueColour, kNoColour},
        {"true_bg.png", &photo, PngColourMode::TrueColour, MakeColour(1, 2, 3)},
        {"palette.png", &few, PngColourMode::Palette, NumberedColour(3)},
    };
    bool checked = false;
    for (const auto& [name, picture, mode, background] : outputs) {
        const auto path = dir / name;
        SavePng(*picture, path, background, nullptr, {}, mode);
        if (HavePngcheck()) {
            EXPECT_TRUE(RunQuiet("pngcheck -q " + Quote(path.string()))) << name;
            checked = true;
        }
        if (HavePillow()) {
            const auto oracle = PillowRgba(path, dir.Path());
            ASSERT_TRUE(oracle.has_value()) << name;
            EXPECT_TRUE(ExpectedPicture(*oracle, kNoColour).SamePixels(*picture)) << name;
            checked = true;
        }
    }
    if (!checked) GTEST_SKIP() << "neither pngcheck nor Pillow installed";
}

// ---------------------------------------------------------------- format table

TEST(PngFormatTable, PlainSaveWritesAPaletteUpTo256ColoursElseTrueColour) {
    ScratchDir dir;
    const struct {
        int colours;
        int colourType;
    } cases[] = {{1, 3}, {256, 3}, {257, 2}};
    for (const auto& c : cases) {
        const auto path = dir / ("c" + std::to_string(c.colours) + ".PNG");
        const Picture source = PictureOfColours(c.colours, 40, 30);
        SavePictureByExtension(source, path);
        const auto chunks = ReadChunks(test::ReadFileBytes(path));
        EXPECT_EQ(FindChunk(chunks, "IHDR")->data[9], c.colourType) << c.colours << " colours";
        EXPECT_TRUE(LoadPicture(path, PictureFileType::Png).SamePixels(source)) << c.colours << " colours";
    }
}

TEST(PngLibrary, VersionTextComesFromTheLibrary) {
    EXPECT_EQ(PngLibraryVersion(), std::string("libpng ") + PNG_LIBPNG_VER_STRING);
    EXPECT_EQ(std::string(PNG_LIBPNG_VER_STRING), png_get_libpng_ver(nullptr));
}

}  // namespace
}  // namespace lp
