// What the GIF writer produces decodes the same in independent decoders:
// gifsicle (structure: frames, positions, delays, disposal, transparency, loop,
// comment), ImageMagick (every frame's pixels) and Pillow (frame count,
// durations, loop, comment, and the pixels it shows). Skips when a tool is not
// installed; .ci/run installs all three.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"
#include "gif_test_support.h"
#include "test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using namespace test::gif;

constexpr const char* kGifsicle = "/usr/bin/gifsicle";
constexpr const char* kConvert = "/usr/bin/convert";
constexpr const char* kPython = "/usr/bin/python3";

struct Output {
    int status = -1;
    std::string text;
};

Output RunCommand(const std::string& command) {
    Output out;
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.text.append(buf, n);
    out.status = ::pclose(pipe);
    return out;
}

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

bool HavePillow() { return fs::exists(kPython) && RunCommand(std::string(kPython) + " -c 'import PIL'").status == 0; }

struct Sample {
    std::string name;
    GifFrameList frames;
    GifInfo info;
};

GifFrame MakeFrame(Picture p, int left, int top, int delay, int disposal, ColourRef transparent = kNoColour,
                   bool userInput = false) {
    GifFrame f;
    f.picture = std::move(p);
    f.left = left;
    f.top = top;
    f.delay = static_cast<std::uint16_t>(delay);
    f.disposal = disposal;
    f.transparentColour = transparent;
    f.userInput = userInput ? 1 : 0;
    return f;
}

/// Pixels from a small set of colours in a pattern that changes with seed.
Picture Painted(int w, int h, int colours, int seed) {
    Picture p;
    p.Create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int i = ((x * 7 + y * 3 + seed) ^ (x * y + seed * 5)) % colours;
            test::SetPixel(p, x, y,
                           MakeColour(std::uint8_t(i * 37 + seed), std::uint8_t(i * 11), std::uint8_t(255 - i)));
        }
    return p;
}

std::vector<Sample> Samples() {
    std::vector<Sample> out;
    {
        Sample s{"still_two_colours", {}, {}};
        s.frames.Add(MakeFrame(Painted(37, 23, 2, 1), 0, 0, 0, 0));
        out.push_back(std::move(s));
    }
    {
        Sample s{"still_256_colours_noisy", {}, {}};
        s.frames.Add(MakeFrame(Painted(301, 203, 256, 2), 0, 0, 0, 0));
        s.info.comment = "noisy";
        out.push_back(std::move(s));
    }
    {
        Sample s{"still_transparent", {}, {}};
        Picture p = Painted(20, 10, 5, 3);
        const ColourRef clear = test::PixelAt(p, 3, 3);
        s.frames.Add(MakeFrame(std::move(p), 0, 0, 0, 0, clear));
        out.push_back(std::move(s));
    }
    {
        Sample s{"animation_disposals", {}, {}};
        s.frames.Add(MakeFrame(Painted(40, 30, 16, 4), 0, 0, 20, 1));
        Picture second = Painted(12, 9, 6, 5);
        const ColourRef clear = test::PixelAt(second, 0, 0);
        s.frames.Add(MakeFrame(std::move(second), 5, 4, 7, 2, clear));
        s.frames.Add(MakeFrame(Painted(30, 20, 100, 6), 10, 10, 0, 3, kNoColour, true));
        s.frames.Add(MakeFrame(Painted(1, 1, 1, 7), 39, 29, 65535, 0));
        s.frames.Add(MakeFrame(Painted(40, 30, 3, 8), 0, 0, 3, 1));
        s.info.screenWidth = 40;
        s.info.screenHeight = 30;
        s.info.loop = 1;
        s.info.loopCount = 3;
        s.info.comment = "disposals 1 2 3 0";
        out.push_back(std::move(s));
    }
    {
        Sample s{"animation_endless_shared_palette", {}, {}};
        for (int i = 0; i < 6; ++i) s.frames.Add(MakeFrame(Painted(50, 40, 8, i), 0, 0, 5 + i, 1));
        s.info.screenWidth = 50;
        s.info.screenHeight = 40;
        s.info.loop = 1;
        out.push_back(std::move(s));
    }
    {
        // Later frames use four of the 256 colours of the global table (the ones every frame
        // has), so their codes start at 2 bits, not the table's 8.
        Sample s{"animation_few_colours_of_a_full_global_table", {}, {}};
        s.frames.Add(MakeFrame(Painted(64, 48, 256, 11), 0, 0, 10, 1));
        s.frames.Add(MakeFrame(Painted(30, 20, 4, 11), 3, 5, 10, 1));
        s.frames.Add(MakeFrame(Painted(64, 48, 4, 11), 0, 0, 10, 1));
        s.info.screenWidth = 64;
        s.info.screenHeight = 48;
        s.info.loop = 1;
        out.push_back(std::move(s));
    }
    {
        Sample s{"animation_plays_once", {}, {}};
        s.frames.Add(MakeFrame(Painted(16, 16, 4, 9), 0, 0, 50, 1));
        Picture top = Painted(8, 8, 3, 10);
        const ColourRef clear = test::PixelAt(top, 1, 1);
        s.frames.Add(MakeFrame(std::move(top), 4, 4, 50, 1, clear));
        s.info.screenWidth = 16;
        s.info.screenHeight = 16;
        out.push_back(std::move(s));
    }
    return out;
}

Rgba FrameRgba(const GifFrame& f) {
    Rgba out;
    out.width = f.picture.Width();
    out.height = f.picture.Height();
    out.px.resize(std::size_t(out.width) * std::size_t(out.height) * 4);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            const ColourRef c = test::PixelAt(f.picture, x, y);
            std::uint8_t* d = out.At(x, y);
            d[0] = RedOf(c);
            d[1] = GreenOf(c);
            d[2] = BlueOf(c);
            d[3] = c == f.transparentColour ? 0 : 255;
        }
    return out;
}

std::string DisposalWord(int d) {
    switch (d) {
        case 1:
            return "disposal asis";
        case 2:
            return "disposal background";
        case 3:
            return "disposal previous";
        default:
            return "";
    }
}

/// What gifsicle --info should print for our frames (the lines we check).
std::vector<std::string> ExpectedInfo(const Sample& s) {
    std::vector<std::string> lines;
    const bool animated = s.frames.Count() > 1;
    const int w = animated ? s.info.screenWidth : s.frames[0].picture.Width();
    const int h = animated ? s.info.screenHeight : s.frames[0].picture.Height();
    lines.push_back(std::to_string(s.frames.Count()) + (s.frames.Count() == 1 ? " image" : " images"));
    lines.push_back("logical screen " + std::to_string(w) + "x" + std::to_string(h));
    if (s.info.loop || s.info.loopCount > 0)
        lines.push_back(s.info.loopCount == 0 ? "loop forever" : "loop count " + std::to_string(s.info.loopCount));
    for (std::size_t i = 0; i < s.frames.Count(); ++i) {
        const GifFrame& f = s.frames[i];
        std::string image = "+ image #" + std::to_string(i) + " " + std::to_string(f.picture.Width()) + "x" +
                            std::to_string(f.picture.Height());
        if (animated && (f.left || f.top)) image += " at " + std::to_string(f.left) + "," + std::to_string(f.top);
        if (f.transparentColour != kNoColour) image += " transparent";
        lines.push_back(image);
        if (i == 0) lines.push_back("comment " + GifCommentWithSignature(s.info.comment));
        if (animated) {
            std::string timing = DisposalWord(f.disposal);
            if (f.delay) {
                char d[32];
                std::snprintf(d, sizeof d, "delay %d.%02ds", f.delay / 100, f.delay % 100);
                timing += (timing.empty() ? "" : " ") + std::string(d);
            }
            if (!timing.empty()) lines.push_back(timing);
        }
    }
    return lines;
}

/// gifsicle's lines with their indentation and the transparent index removed.
std::vector<std::string> GifsicleInfo(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const auto start = line.find_first_not_of(' ');
        if (start == std::string::npos) continue;
        line = line.substr(start);
        if (line.rfind("* ", 0) == 0) {
            line = line.substr(line.rfind(' ', line.rfind(' ') - 1) + 1);  // "<n> images"
        } else if (line.rfind("global color table", 0) == 0 || line.rfind("local color table", 0) == 0 ||
                   line.rfind("background", 0) == 0) {
            continue;
        }
        const auto t = line.find(" transparent ");
        if (t != std::string::npos) line = line.substr(0, t + 12);
        lines.push_back(line);
    }
    return lines;
}

class GifInterop : public ::testing::Test {
protected:
    void SetUp() override {
        for (auto& s : Samples()) {
            const fs::path file = m_dir / (s.name + ".gif");
            SaveGif(s.frames, s.info, file);
            m_samples.push_back(std::move(s));
            m_files.push_back(file);
        }
    }
    test::ScratchDir m_dir;
    std::vector<Sample> m_samples;
    std::vector<fs::path> m_files;
};

TEST_F(GifInterop, GifsicleSeesTheFramesAndTheirTiming) {
    if (!fs::exists(kGifsicle)) GTEST_SKIP() << "gifsicle not installed";
    for (std::size_t i = 0; i < m_samples.size(); ++i) {
        const Output out = RunCommand(std::string(kGifsicle) + " --info " + Quote(m_files[i]));
        ASSERT_EQ(out.status, 0) << out.text;
        EXPECT_EQ(out.text.find("gifsicle:"), std::string::npos) << out.text;  // no warning
        EXPECT_EQ(GifsicleInfo(out.text), ExpectedInfo(m_samples[i])) << m_samples[i].name << "\n" << out.text;
    }
}

TEST_F(GifInterop, ImageMagickDecodesEveryFramesPixels) {
    if (!fs::exists(kConvert)) GTEST_SKIP() << "ImageMagick not installed";
    for (std::size_t i = 0; i < m_samples.size(); ++i) {
        const fs::path raw = m_dir / "frames.rgba";
        const Output out = RunCommand(std::string(kConvert) + " " + Quote(m_files[i]) + " -depth 8 rgba:" + Quote(raw));
        ASSERT_EQ(out.status, 0) << out.text;
        const Bytes all = test::ReadFileBytes(raw);
        std::size_t at = 0;
        for (const auto& f : m_samples[i].frames) {
            Rgba theirs;
            theirs.width = f.picture.Width();
            theirs.height = f.picture.Height();
            const std::size_t n = std::size_t(theirs.width) * std::size_t(theirs.height) * 4;
            ASSERT_LE(at + n, all.size()) << m_samples[i].name;
            theirs.px.assign(all.begin() + std::ptrdiff_t(at), all.begin() + std::ptrdiff_t(at + n));
            at += n;
            EXPECT_EQ(CountDifferences(FrameRgba(f), theirs), 0) << m_samples[i].name;
        }
        EXPECT_EQ(at, all.size()) << m_samples[i].name;
    }
}

// Pillow: frame count, each frame's duration, the loop count and the comment; and the pixels
// it shows for still pictures and for animations without restoring disposal.
TEST_F(GifInterop, PillowAgrees) {
    if (!HavePillow()) GTEST_SKIP() << "Pillow not installed";
    const char* script = R"(
import sys
from PIL import Image
im = Image.open(sys.argv[1])
print("frames", getattr(im, "n_frames", 1))
print("loop", im.info.get("loop", "none"))
print("comment", im.info.get("comment", b"").decode("latin-1"))
for i in range(getattr(im, "n_frames", 1)):
    im.seek(i)
    print("duration", im.info.get("duration", 0))
    open(sys.argv[2] + "/shown%d.rgba" % i, "wb").write(im.convert("RGBA").tobytes())
)";
    const fs::path scriptFile = m_dir / "pillow.py";
    test::WriteFileBytes(scriptFile, Bytes(script, script + std::strlen(script)));
    for (std::size_t i = 0; i < m_samples.size(); ++i) {
        const Sample& s = m_samples[i];
        const Output out = RunCommand(std::string(kPython) + " " + Quote(scriptFile) + " " + Quote(m_files[i]) + " " +
                                      Quote(m_dir.Path()));
        ASSERT_EQ(out.status, 0) << out.text;
        std::ostringstream expected;
        expected << "frames " << s.frames.Count() << "\n";
        expected << "loop " << ((s.info.loop || s.info.loopCount > 0) ? std::to_string(s.info.loopCount) : "none")
                 << "\n";
        expected << "comment " << GifCommentWithSignature(s.info.comment) << "\n";
        for (const auto& f : s.frames) expected << "duration " << (s.frames.Count() > 1 ? f.delay * 10 : 0) << "\n";
        EXPECT_EQ(out.text, expected.str()) << s.name;

        bool simple = true;
        for (const auto& f : s.frames) simple = simple && f.disposal <= 1;
        if (!simple) continue;
        const bool animated = s.frames.Count() > 1;
        Compositor screen(animated ? s.info.screenWidth : s.frames[0].picture.Width(),
                          animated ? s.info.screenHeight : s.frames[0].picture.Height());
        for (std::size_t k = 0; k < s.frames.Count(); ++k) {
            GifFrame placed;
            placed.picture.CopyFrom(s.frames[k].picture);
            placed.transparentColour = s.frames[k].transparentColour;
            placed.left = animated ? s.frames[k].left : 0;
            placed.top = animated ? s.frames[k].top : 0;
            const Rgba& ours = screen.Draw(placed);
            Rgba theirs{ours.width, ours.height, test::ReadFileBytes(m_dir / ("shown" + std::to_string(k) + ".rgba"))};
            EXPECT_EQ(CountDifferences(ours, theirs), 0) << s.name << " frame " << k;
        }
    }
}

// gifsicle decodes every frame to the same pixels: it writes them again as it read them
// (warning about nothing), and that file holds our frames.
TEST_F(GifInterop, GifsicleDecodesEveryFramesPixels) {
    if (!fs::exists(kGifsicle)) GTEST_SKIP() << "gifsicle not installed";
    for (std::size_t i = 0; i < m_samples.size(); ++i) {
        const Sample& s = m_samples[i];
        const fs::path again = m_dir / "again.gif";
        const Output out = RunCommand(std::string(kGifsicle) + " " + Quote(m_files[i]) + " -o " + Quote(again));
        ASSERT_EQ(out.status, 0) << out.text;
        EXPECT_EQ(out.text, "") << s.name;  // no warning
        const GifAnimation back = LoadGif(again);
        ASSERT_EQ(back.frames.Count(), s.frames.Count()) << s.name;
        for (std::size_t k = 0; k < s.frames.Count(); ++k) {
            EXPECT_TRUE(back.frames[k].picture.SamePixels(s.frames[k].picture)) << s.name << " " << k;
            EXPECT_EQ(back.frames[k].transparentColour, s.frames[k].transparentColour) << s.name << " " << k;
        }
    }
}

// The frames drawn with four colours of a 256-entry global table use it with LZW code size 2
// (the decoders above show the same pixels for them).
TEST_F(GifInterop, FewColoursOfAFullGlobalTableTakeCodeSize2) {
    const auto it = std::find_if(m_samples.begin(), m_samples.end(),
                                 [](const Sample& s) { return s.name == "animation_few_colours_of_a_full_global_table"; });
    ASSERT_NE(it, m_samples.end());
    const GifStructure g = ParseGif(test::ReadFileBytes(m_files[std::size_t(it - m_samples.begin())]));
    EXPECT_EQ(g.table.size(), 256u);
    const auto images = g.Images();
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(images[0]->codeSize, 8);
    for (std::size_t k = 1; k < 3; ++k) {
        EXPECT_EQ(images[k]->flags & 0x80, 0) << k;  // no local table: the global one serves
        EXPECT_EQ(images[k]->codeSize, 2) << k;
    }
}

// And our own reader gets back what was written.
TEST_F(GifInterop, OurReaderAgrees) {
    for (std::size_t i = 0; i < m_samples.size(); ++i) {
        const Sample& s = m_samples[i];
        const GifAnimation back = LoadGif(m_files[i]);
        ASSERT_EQ(back.frames.Count(), s.frames.Count());
        for (std::size_t k = 0; k < s.frames.Count(); ++k) {
            EXPECT_TRUE(back.frames[k].picture.SamePixels(s.frames[k].picture)) << s.name << " " << k;
            EXPECT_EQ(back.frames[k].transparentColour, s.frames[k].transparentColour) << s.name << " " << k;
        }
    }
}

}  // namespace
}  // namespace lp
