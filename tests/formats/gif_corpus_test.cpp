// Every file of the shared GIF corpora: valid files decode to the expected
// frames (composited frames of gif-test-suite, image-rs reference renderings,
// and ImageMagick's frame pixels when it is installed), corrupt ones fail with
// the reader's error, and cut copies of the valid ones keep what the
// truncation rule says.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "formats/gif/gif_reader.h"
#include "gif_test_support.h"
#include "base/imp_exp_exception.h"
#include "test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using namespace test::gif;

enum class Reference {
    None,
    SuiteFrames,   // gif-test-suite: gifs/frames/<name>-N.png, every frame composited
    ImageRsStill,  // image-rs: reference/<dir>/<name>.gif.png, the first frame on its screen
};

struct CorpusCase {
    const char* path;   // under corpora/gif
    const char* error;  // nullptr: decodes
    int frames;
    int loop;
    const char* comment;
    Reference reference;
};

constexpr const char* kCodeSize = "Unknown message code 1013";

const CorpusCase kCases[] = {
    {"gif-test-suite/gifs/animated_loop.gif", nullptr, 4, 1, "", Reference::SuiteFrames},
    {"gif-test-suite/gifs/animated_loop_interlaced.gif", nullptr, 4, 1, "", Reference::SuiteFrames},
    {"gif-test-suite/gifs/animated_loop_variable_delay.gif", nullptr, 4, 1, "", Reference::SuiteFrames},
    {"gif-test-suite/gifs/animated_noloop.gif", nullptr, 4, 0, "", Reference::SuiteFrames},
    {"gif-test-suite/gifs/animated_transparent_firstframerestoreprev_loop.gif", nullptr, 4, 1, "",
     Reference::SuiteFrames},
    {"gif-test-suite/gifs/animated_transparent_frame_norestore_loop.gif", nullptr, 4, 1, "", Reference::SuiteFrames},
    {"gif-test-suite/gifs/animated_transparent_frame_restorebackground_loop.gif", nullptr, 4, 1, "",
     Reference::SuiteFrames},
    {"gif-test-suite/gifs/animated_transparent_frame_restoreprev_loop.gif", nullptr, 4, 1, "", Reference::SuiteFrames},
    {"gif-test-suite/gifs/animated_transparent_loop.gif", nullptr, 4, 1, "", Reference::SuiteFrames},
    {"gif-test-suite/gifs/animated_transparent_loop_frames_out_of_bounds.gif", nullptr, 4, 1, "",
     Reference::SuiteFrames},
    {"gif-test-suite/gifs/animated_transparent_restoreprev_loop.gif", nullptr, 4, 1, "", Reference::SuiteFrames},
    {"gif-test-suite/gifs/static_nontransparent.gif", nullptr, 1, 0, "", Reference::SuiteFrames},
    {"gif-test-suite/gifs/static_transparent.gif", nullptr, 1, 0, "", Reference::SuiteFrames},
    // LZW minimum code size 0 right after the image descriptor.
    {"image-gif-tests/crashtest/issue-117-out-of-range.gif", kCodeSize, 0, 0, "", Reference::None},
    {"image-gif-tests/crashtest/issue-96-small-codesize-2.gif", kCodeSize, 0, 0, "", Reference::None},
    // A logical screen 185 x 0 (not checked: only frames are), then LZW code size 0.
    {"image-gif-tests/crashtest/issue-96-small-codesize.gif", kCodeSize, 0, 0, "", Reference::None},
    {"image-gif-tests/regression/issue-208-block-type-beta.gif", nullptr, 1, 0, "", Reference::None},
    {"image-gif-tests/regression/issue-208-block-type.gif", nullptr, 1, 0, "", Reference::None},
    // Unknown extension label 0x2A: skipped.
    {"image-gif-tests/regression/issue-209-extension-block-type.gif", nullptr, 1, 0, "", Reference::None},
    {"image-gif-tests/samples/2x2.gif", nullptr, 1, 0, "", Reference::None},
    {"image-gif-tests/samples/alpha_gif_a.gif", nullptr, 1, 0, "", Reference::None},
    {"image-gif-tests/samples/anim-gr.gif", nullptr, 2, 1, "", Reference::None},
    {"image-gif-tests/samples/beacon.gif", nullptr, 2, 1, "", Reference::None},
    {"image-gif-tests/samples/beacon_xmp.gif", nullptr, 2, 1, "", Reference::None},
    {"image-gif-tests/samples/interlaced.gif", nullptr, 1, 0, "", Reference::None},
    {"image-gif-tests/samples/sample_1.gif", nullptr, 1, 0, "", Reference::None},
    // LZW minimum code size 1.
    {"image-gif-tests/samples/set_hsts.gif", nullptr, 1, 0, "", Reference::None},
    // A 6727 x 65351 screen (not checked: only frames are), then LZW code size 0.
    {"image-gif-tests/stall/issue-101-infinite-empty-loop.gif", kCodeSize, 0, 0, "", Reference::None},
    {"image-rs-gif/anim/any-disposal.gif", nullptr, 5, 1, "", Reference::ImageRsStill},
    {"image-rs-gif/anim/border_touching_layers.gif", nullptr, 2, 1, "", Reference::ImageRsStill},
    {"image-rs-gif/anim/interlaced.gif", nullptr, 1, 0, "Created with GIMP", Reference::ImageRsStill},
    {"image-rs-gif/anim/issue_1455_undersized.gif", nullptr, 2, 1, "", Reference::ImageRsStill},
    {"image-rs-gif/anim/large-gif-anim-combine.gif", nullptr, 2, 1, "Created with GIMP", Reference::None},
    {"image-rs-gif/anim/large-gif-anim-full-frame-replace.gif", nullptr, 2, 1, "Created with GIMP", Reference::None},
    {"image-rs-gif/anim/mixed-disposal.gif", nullptr, 5, 1, "", Reference::ImageRsStill},
    {"image-rs-gif/anim/oob.gif", nullptr, 1, 0, "", Reference::ImageRsStill},
    // Header, a screen, then junk and no image.
    {"image-rs-gif/regression/zero-loop-count.gif", "Premature end of input file", 0, 0, "", Reference::None},
    {"image-rs-gif/simple/alpha_gif_a.gif", nullptr, 1, 0, "", Reference::ImageRsStill},
    {"image-rs-gif/simple/issue_1455_oversized.gif", nullptr, 1, 0, "", Reference::ImageRsStill},
    {"image-rs-gif/simple/sample_1.gif", nullptr, 1, 0, "", Reference::ImageRsStill},
};

fs::path GifCorpus() { return test::CorpusDir() / "gif"; }

Rgba FrameRgba(const GifFrame& f) {
    Rgba out;
    out.width = f.picture.Width();
    out.height = f.picture.Height();
    out.px.resize(std::size_t(out.width) * std::size_t(out.height) * 4);
    for (int y = 0; y < out.height; ++y) {
        const std::uint8_t* row = f.picture.RowFromTop(y).data();
        for (int x = 0; x < out.width; ++x) {
            const std::uint8_t* s = row + x * 3;
            std::uint8_t* d = out.At(x, y);
            const bool clear = MakeColour(s[2], s[1], s[0]) == f.transparentColour;
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            d[3] = clear ? 0 : 255;
        }
    }
    return out;
}

/// Each frame as ImageMagick decodes it (frame-sized RGBA rasters); empty when unavailable.
std::vector<Rgba> ImageMagickFrames(const fs::path& file, const GifFrameList& ours) {
    if (!fs::exists("/usr/bin/convert")) return {};
    const std::string cmd = "/usr/bin/convert '" + file.string() + "' -depth 8 rgba:- 2>/dev/null";
    std::FILE* pipe = ::popen(cmd.c_str(), "r");
    if (!pipe) return {};
    std::vector<std::uint8_t> all;
    std::uint8_t buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) all.insert(all.end(), buf, buf + n);
    ::pclose(pipe);
    std::vector<Rgba> frames;
    std::size_t at = 0;
    for (const auto& f : ours) {
        Rgba r;
        r.width = f.picture.Width();
        r.height = f.picture.Height();
        const std::size_t n = std::size_t(r.width) * std::size_t(r.height) * 4;
        if (at + n > all.size()) return {};
        r.px.assign(all.begin() + std::ptrdiff_t(at), all.begin() + std::ptrdiff_t(at + n));
        at += n;
        frames.push_back(std::move(r));
    }
    return at == all.size() ? frames : std::vector<Rgba>{};
}

void PrintTo(const CorpusCase& c, std::ostream* os) { *os << c.path; }

std::vector<CorpusCase> ValidCases() {
    std::vector<CorpusCase> out;
    for (const auto& c : kCases)
        if (!c.error) out.push_back(c);
    return out;
}

std::string CaseName(const ::testing::TestParamInfo<CorpusCase>& info) {
    std::string name = fs::path(info.param.path).stem().string();
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name + "_" + std::to_string(info.index);
}

class GifCorpusFile : public ::testing::TestWithParam<CorpusCase> {};
class GifCorpusValidFile : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(GifCorpusFile, DecodesAsExpected) {
    LP_REQUIRE_CORPUS();
    const CorpusCase& c = GetParam();
    const fs::path file = GifCorpus() / c.path;
    ASSERT_TRUE(fs::exists(file)) << file;

    if (c.error) {
        try {
            LoadGif(file);
            FAIL() << c.path << " decoded";
        } catch (const ImpExpException& e) {
            EXPECT_EQ(e.Message().rfind(c.error, 0), 0u) << e.Message();
            EXPECT_EQ(e.Title(), "GIF Error");
            EXPECT_EQ(e.Where(), file.string());
        }
        EXPECT_FALSE(IsAnimatedGif(file));
        return;
    }

    const GifAnimation a = LoadGif(file);
    ASSERT_EQ(int(a.frames.Count()), c.frames);
    EXPECT_EQ(a.info.valid, 1);
    EXPECT_EQ(a.info.loop, c.loop);
    EXPECT_EQ(a.info.loopCount, 0);
    EXPECT_EQ(a.info.comment, c.comment);
    EXPECT_EQ(a.info.screenWidth, a.info.fileScreenWidth);
    EXPECT_EQ(a.info.screenHeight, a.info.fileScreenHeight);
    EXPECT_EQ(IsAnimatedGif(file), c.frames > 1);
    for (std::size_t i = 0; i < a.frames.Count(); ++i) {
        EXPECT_EQ(a.frames[i].index, int(i));
        EXPECT_GE(a.frames[i].disposal, 0);
        EXPECT_LE(a.frames[i].disposal, 3);
        EXPECT_GT(a.frames[i].encodedSize, 0);
    }

    // The same bytes from memory give the same frames; the first-frame read agrees.
    const auto bytes = test::ReadFileBytes(file);
    const GifAnimation m = DecodeGif(bytes, "memory");
    ASSERT_EQ(m.frames.Count(), a.frames.Count());
    for (std::size_t i = 0; i < a.frames.Count(); ++i) EXPECT_TRUE(m.frames[i].picture.SamePixels(a.frames[i].picture));
    GifInfo firstInfo;
    const GifFrame first = LoadGifFirstFrame(file, nullptr, &firstInfo);
    EXPECT_TRUE(first.picture.SamePixels(a.frames[0].picture));
    EXPECT_EQ(first.transparentColour, a.frames[0].transparentColour);
    EXPECT_EQ(firstInfo.screenWidth, a.info.screenWidth);

    const std::string name = fs::path(c.path).stem().string();
    if (c.reference == Reference::SuiteFrames) {
        Compositor screen(a.info.screenWidth, a.info.screenHeight);
        for (std::size_t i = 0; i < a.frames.Count(); ++i) {
            const Rgba& shown = screen.Draw(a.frames[i]);
            const std::string png = c.frames == 1 ? name + ".png" : name + "-" + std::to_string(i) + ".png";
            Rgba expected;
            ASSERT_TRUE(LoadPngRgba(file.parent_path() / "frames" / png, expected)) << png;
            EXPECT_EQ(CountDifferences(shown, expected), 0) << png;
        }
    } else if (c.reference == Reference::ImageRsStill) {
        const fs::path dir = fs::path(c.path).parent_path();
        Rgba expected;
        ASSERT_TRUE(LoadPngRgba(GifCorpus() / "image-rs-gif" / "reference" / dir.filename() /
                                    (fs::path(c.path).filename().string() + ".png"),
                                expected));
        Compositor screen(a.info.screenWidth, a.info.screenHeight);
        EXPECT_EQ(CountDifferences(screen.Draw(a.frames[0]), expected), 0);
    }

    const auto magick = ImageMagickFrames(file, a.frames);
    if (!magick.empty()) {
        for (std::size_t i = 0; i < a.frames.Count(); ++i)
            EXPECT_EQ(CountDifferences(FrameRgba(a.frames[i]), magick[i]), 0) << "frame " << i;
    }
}

// Cut copies of every valid file: complete frames stay as they were, a cut frame keeps
// its decoded pixels and shows the background (or its transparent colour) elsewhere, and
// a file cut before any pixel fails with "Premature end of input file".
TEST_P(GifCorpusValidFile, CutCopiesKeepWhatDecoded) {
    LP_REQUIRE_CORPUS();
    const CorpusCase& c = GetParam();
    const auto bytes = test::ReadFileBytes(GifCorpus() / c.path);
    const GifAnimation full = DecodeGif(bytes, "full");
    // Many cuts for small files, fewer for big ones (each cut decodes the file again).
    std::uint64_t pixels = 0;
    for (const auto& f : full.frames) pixels += std::uint64_t(f.picture.Width()) * std::uint64_t(f.picture.Height());
    const std::size_t cuts =
        std::clamp<std::size_t>(std::size_t(4000000 / std::max<std::uint64_t>(pixels, 1)), 16, 400);
    const std::size_t step = std::max<std::size_t>(1, bytes.size() / cuts);
    for (std::size_t cut = 0; cut < bytes.size(); cut += step) {
        const std::span<const std::uint8_t> head(bytes.data(), cut);
        GifAnimation part;
        try {
            part = DecodeGif(head, "cut");
        } catch (const ImpExpException& e) {
            const bool early =
                e.Message() == "Premature end of input file" || e.Message() == "Unknown message code 1016";
            EXPECT_TRUE(early) << "cut at " << cut << ": " << e.Message();
            continue;
        }
        ASSERT_GE(part.frames.Count(), 1u);
        ASSERT_LE(part.frames.Count(), full.frames.Count()) << cut;
        for (std::size_t i = 0; i + 1 < part.frames.Count(); ++i)
            ASSERT_TRUE(part.frames[i].picture.SamePixels(full.frames[i].picture)) << "cut " << cut << " frame " << i;
        const std::size_t last = part.frames.Count() - 1;
        const GifFrame& got = part.frames[last];
        const GifFrame& want = full.frames[last];
        const ColourRef fill =
            want.transparentColour != kNoColour ? want.transparentColour : full.info.backgroundColour;
        ASSERT_EQ(got.picture.Width(), want.picture.Width());
        ASSERT_EQ(got.picture.Height(), want.picture.Height());
        int bad = 0;
        for (int y = 0; y < got.picture.Height(); ++y) {
            const std::uint8_t* g = got.picture.RowFromTop(y).data();
            const std::uint8_t* w = want.picture.RowFromTop(y).data();
            for (int x = 0; x < got.picture.Width(); ++x, g += 3, w += 3)
                if (!std::equal(g, g + 3, w) && MakeColour(g[2], g[1], g[0]) != fill) ++bad;
        }
        EXPECT_EQ(bad, 0) << "cut at " << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, GifCorpusFile, ::testing::ValuesIn(kCases), CaseName);
INSTANTIATE_TEST_SUITE_P(Corpus, GifCorpusValidFile, ::testing::ValuesIn(ValidCases()), CaseName);

TEST(GifCorpus, TableListsEveryFile) {
    LP_REQUIRE_CORPUS();
    std::set<std::string> listed;
    for (const auto& c : kCases) listed.insert(c.path);
    for (const auto& e : fs::recursive_directory_iterator(GifCorpus())) {
        if (e.path().extension() != ".gif") continue;
        EXPECT_TRUE(listed.count(fs::relative(e.path(), GifCorpus()).string())) << e.path();
    }
}

}  // namespace
}  // namespace lp
