#pragma once
// Helpers of the frame optimizer tests: frame builders, a compositor that plays a frame list the
// way players do (disposal after a frame is shown), random animations, and a bridge to the
// independent decoders (Pillow, ImageMagick) through tests/data/gifopt/compare_composited.py.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "formats/gif/gif_records.h"
#include "base/colour.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"
#include "test_support.h"

namespace lp::test::gifopt {

/// A pixel no frame has drawn yet (or that a disposal 2 cleared).
inline constexpr std::uint32_t kUnshown = 0xFF000000u;

/// The screen as a player shows it after one frame.
struct Shown {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00BBGGRR or kUnshown, top row first
    std::uint32_t At(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

inline GifFrame Frame(const Picture& picture, int left, int top, int disposal = 1, ColourRef key = kNoColour,
                      int delay = 10) {
    GifFrame f;
    f.picture = picture;
    f.left = left;
    f.top = top;
    f.disposal = disposal;
    f.transparentColour = key;
    f.delay = static_cast<std::uint16_t>(delay);
    return f;
}

inline GifInfo Screen(int width, int height) {
    GifInfo info;
    info.screenWidth = info.fileScreenWidth = width;
    info.screenHeight = info.fileScreenHeight = height;
    info.valid = 1;
    return info;
}

inline Picture Flat(int width, int height, ColourRef colour) {
    Picture p;
    p.Create(width, height);
    p.Fill(colour);
    return p;
}

/// Pixels from a palette of `colours` colours (at most 64), different per seed.
inline Picture Noise(int width, int height, unsigned seed, unsigned colours = 64) {
    std::mt19937 rng(seed);
    Picture p;
    p.Create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned v = rng() % colours;
            SetPixel(p, x, y,
                     MakeColour(std::uint8_t(v * 4 + 1), std::uint8_t(255 - v * 3), std::uint8_t(v * 7 % 256)));
        }
    return p;
}

/// Plays the list on a screen of width x height: what is shown while each frame is up.
inline std::vector<Shown> Composite(const GifFrameList& frames, int width, int height) {
    Shown canvas{width, height, std::vector<std::uint32_t>(std::size_t(width) * std::size_t(height), kUnshown)};
    std::vector<Shown> out;
    for (const GifFrame& f : frames) {
        const Shown saved = canvas;
        const Picture& p = f.picture;
        for (int y = 0; y < p.Height(); ++y)
            for (int x = 0; x < p.Width(); ++x) {
                const int sx = f.left + x, sy = f.top + y;
                if (sx < 0 || sy < 0 || sx >= width || sy >= height) continue;
                const ColourRef c = PixelAt(p, x, y);
                if (f.transparentColour != kNoColour && c == f.transparentColour) continue;
                canvas.pixels[std::size_t(sy) * std::size_t(width) + std::size_t(sx)] = std::uint32_t(c);
            }
        out.push_back(canvas);
        if (f.disposal == 3) {
            canvas = saved;
        } else if (f.disposal == 2) {
            for (int y = std::max(f.top, 0); y < std::min(f.top + p.Height(), height); ++y)
                for (int x = std::max(f.left, 0); x < std::min(f.left + p.Width(), width); ++x)
                    canvas.pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] = kUnshown;
        }
    }
    return out;
}

inline int Distance(std::uint32_t a, std::uint32_t b) {
    return ColourDistance(int(a & 0xFF), int((a >> 8) & 0xFF), int((a >> 16) & 0xFF), int(b & 0xFF),
                          int((b >> 8) & 0xFF), int((b >> 16) & 0xFF));
}

/// Every frame of the list shows what `before` recorded, within `bound` per pixel.
inline void ExpectSameDisplay(const GifFrameList& frames, const std::vector<Shown>& before, int width, int height,
                              int bound) {
    const std::vector<Shown> after = Composite(frames, width, height);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::uint32_t a = before[i].At(x, y), b = after[i].At(x, y);
                if ((a == kUnshown) != (b == kUnshown) || (a != kUnshown && Distance(a, b) > bound)) {
                    ADD_FAILURE() << "frame " << i << " pixel (" << x << ", " << y << "): before " << std::hex << a
                                  << " after " << b;
                    return;
                }
            }
}

class RecordingProgress : public ProgressSink {
public:
    void Begin(long low, long high, std::string_view text) override {
        events.push_back("Begin " + std::to_string(low) + " " + std::to_string(high) + " " + std::string(text));
    }
    void Step(long position) override { events.push_back("Step " + std::to_string(position)); }
    void SetText(std::string_view text) override { events.push_back("SetText " + std::string(text)); }
    void End() override { events.push_back("End"); }
    std::vector<std::string> events;
};

/// A random animation of 2..9 frames: each later frame copies part of what is shown, changes
/// blobs of it, nudges some pixels by a few units (for the tolerances), and may have a key, any
/// disposal, a place partly off the screen. forPlayers keeps frames on the screen and colours
/// exact, the subset every player agrees on; disposals are drawn from minDisposal..maxDisposal.
inline GifFrameList RandomAnimation(unsigned seed, GifInfo& info, bool forPlayers = false, int minDisposal = 0,
                                    int maxDisposal = 3) {
    std::mt19937 rng(seed * 7919u + 13u);
    const auto pick = [&](int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); };
    const int width = pick(8, 40), height = pick(6, 30);
    info = Screen(width, height);
    GifFrameList frames;
    // Frame 0 does not always cover the screen.
    // Frame 0 does not always cover the screen (players fill the rest with their own background,
    // so not for them).
    const bool partial = !forPlayers && rng() % 4 == 0;
    const int w0 = partial ? pick(1, width) : width;
    const int h0 = partial ? pick(1, height) : height;
    frames.Add(Frame(Noise(w0, h0, seed, 24), 0, 0, pick(minDisposal, 1)));
    const int count = pick(2, 9);
    for (int i = 1; i < count; ++i) {
        // What is on screen before frame i: the last display with its frame's disposal applied.
        const std::vector<Shown> next = [&] {
            GifFrameList probe = frames;
            probe.Add(Frame(Flat(1, 1, 0), 0, 0, 1, 0));  // fully transparent: shows the canvas
            return Composite(probe, width, height);
        }();
        const Shown& under = next.back();
        const int fw = pick(1, width), fh = pick(1, height);
        const int maxLeft = forPlayers ? width - fw : width + 3;
        const int maxTop = forPlayers ? height - fh : height + 3;
        const int left = pick(0, maxLeft), top = pick(0, maxTop);
        Picture p;
        p.Create(fw, fh);
        for (int y = 0; y < fh; ++y)
            for (int x = 0; x < fw; ++x) {
                const int sx = left + x, sy = top + y;
                std::uint32_t c = (sx < width && sy < height) ? under.At(sx, sy) : kUnshown;
                if (c == kUnshown)
                    c = std::uint32_t(MakeColour(std::uint8_t(sx % 4 * 60), 40, std::uint8_t(sy % 3 * 80)));
                SetPixel(p, x, y, ColourRef(c));
            }
        // Blobs of new colour.
        for (int b = pick(0, 3); b > 0; --b) {
            const int bx = pick(0, fw - 1), by = pick(0, fh - 1), bw = pick(1, 6), bh = pick(1, 6);
            const ColourRef colour = MakeColour(std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng()));
            for (int y = by; y < std::min(fh, by + bh); ++y)
                for (int x = bx; x < std::min(fw, bx + bw); ++x) SetPixel(p, x, y, colour);
        }
        // Small nudges (red off by 1, 4 or 5; at most 4 variants of each colour, so frames stay
        // within 256 colours).
        if (!forPlayers)
            for (int n = pick(0, fw * fh / 4); n > 0; --n) {
                const int x = pick(0, fw - 1), y = pick(0, fh - 1);
                const ColourRef c = PixelAt(p, x, y);
                const int flip = rng() % 2 ? 1 : 4;
                SetPixel(p, x, y, MakeColour(std::uint8_t(RedOf(c) ^ flip), GreenOf(c), BlueOf(c)));
            }
        ColourRef key = kNoColour;
        if (rng() % 3 == 0) {
            key = MakeColour(3, 250, 251);
            for (int n = pick(0, fw * fh / 3); n > 0; --n) SetPixel(p, pick(0, fw - 1), pick(0, fh - 1), key);
        }
        frames.Add(Frame(p, left, top, pick(minDisposal, maxDisposal), key, pick(0, 20)));
    }
    return frames;
}

inline bool HavePython() { return std::system("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") == 0; }

/// Both files composited by an independent decoder ("pillow" or "magick") show the same frames
/// (within bound per pixel, transparency alike) with the same delays.
inline void ExpectFilesComposeAlike(const std::string& tool, const std::filesystem::path& a,
                                    const std::filesystem::path& b, int bound) {
    const std::string script = (TestDataDir() / "gifopt" / "compare_composited.py").string();
    const std::string command =
        "/usr/bin/python3 '" + script + "' " + tool + " '" + a.string() + "' '" + b.string() + "' 2>&1";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
        ASSERT_EQ(pclose(pipe), 0) << output;
    } else {
        FAIL() << "cannot run " << command;
    }
    std::istringstream in(output);
    std::string word;
    int countA = -1, countB = -2;
    in >> word >> countA >> countB;
    ASSERT_EQ(word, "frames") << output;
    ASSERT_GT(countA, 0) << output;
    ASSERT_EQ(countA, countB) << output;
    for (int i = 0; i < countA; ++i) {
        long worst = -1, alpha = -1, delayA = -1, delayB = -2;
        in >> worst >> alpha >> delayA >> delayB;
        EXPECT_LE(worst, bound) << "frame " << i << "\n" << output;
        EXPECT_EQ(alpha, 0) << "frame " << i << "\n" << output;
        EXPECT_EQ(delayA, delayB) << "frame " << i << "\n" << output;
    }
}

}  // namespace lp::test::gifopt
