#include "app/thumbnails_command.h"

#include "browser/thumbnail_cache.h"
#include "browser/thumbnail_maker.h"
#include "formats/format_table.h"
#include "formats/jpeg/jpeg_writer.h"
#include "test_support.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>

namespace lp {
namespace {

using test::RunLumaprism;
using test::ScratchDir;

TEST(ThumbnailsCommand, FillsTheBrowsersCacheAndCountsOutcomes) {
    ScratchDir dir;
    const auto folder = dir / "pics";
    std::filesystem::create_directories(folder);
    SaveJpeg(test::PatternPicture(300, 200), folder / "one.jpg", 80);
    SavePictureByExtension(test::PatternPicture(50, 50), folder / "two.png");
    std::ofstream(folder / "broken.png") << "not a png at all";
    std::ofstream(folder / "readme.txt") << "ignored";

    const auto first = RunLumaprism({"--thumbnails", folder.string()}, dir.Path());
    EXPECT_EQ(first.exitCode, 1) << first.err;
    EXPECT_NE(first.out.find("3 pictures in "), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("made 2, from cache 0, failed 1"), std::string::npos) << first.out;
    EXPECT_NE(first.err.find("ERROR: " + (folder / "broken.png").string()), std::string::npos) << first.err;

    // The very cache a browser list opens.
    const auto cacheDir = dir / "home" / "CACHE";
    EXPECT_EQ(CThumbnailCache::DefaultDirectory(), cacheDir);
    {
        CThumbnailCache cache(cacheDir, true);
        ASSERT_EQ(cache.Records().size(), 2u);
        // Several decoders finish in any order: the record is found by its path.
        const auto& records = cache.Records();
        const auto one = std::find_if(records.begin(), records.end(),
                                      [&](const auto& r) { return r.path == (folder / "one.jpg").string(); });
        ASSERT_NE(one, records.end());
        EXPECT_EQ(one->width, 300);
    }

    std::filesystem::remove(folder / "broken.png");
    const auto second = RunLumaprism({"--thumbnails", folder.string(), "--jobs", "2"}, dir.Path());
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(second.out.find("made 0, from cache 2, failed 0"), std::string::npos) << second.out;
}

TEST(ThumbnailsCommand, ObeysCacheInfoFromTheSettingsFile) {
    ScratchDir dir;
    const auto folder = dir / "pics";
    std::filesystem::create_directories(folder);
    SavePictureByExtension(test::PatternPicture(50, 50), folder / "two.png");
    std::filesystem::create_directories(dir / "home");
    std::ofstream(dir / "home" / (ApplicationKey() + ".ini")) << "[Settings]\nCacheInfo=0\nOptColors=1\n";

    const auto run = RunLumaprism({"--thumbnails", folder.string()}, dir.Path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("made 1, from cache 0, failed 0"), std::string::npos) << run.out;
    EXPECT_FALSE(std::filesystem::exists(dir / "home" / "CACHE" / kCacheIndexName));
}

TEST(ThumbnailsCommand, TwoInstancesSharingOneCacheLeaveItValid) {
    ScratchDir dir;
    for (const char* sub : {"a", "b"}) {
        std::filesystem::create_directories(dir / sub);
        for (int i = 0; i < 20; ++i)
            SavePictureByExtension(test::PatternPicture(40 + i, 30), dir / sub / ("p" + std::to_string(i) + ".png"));
    }
    const std::string binary = LP_BINARY;
    const std::string cmd = "cd '" + dir.Path().string() + "' && ('" + binary + "' --thumbnails a >/dev/null 2>&1 & '" +
                            binary + "' --thumbnails b >/dev/null 2>&1 & wait)";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const auto cacheDir = dir / "home" / "CACHE";
    CThumbnailCache cache(cacheDir, true);
    EXPECT_FALSE(cache.IndexWasRebuilt());
    // Last writer wins: at least one folder's records are there, each with its
    // own existing file, and no file is named by two records.
    const auto records = cache.Records();
    EXPECT_GE(records.size(), 20u);
    std::set<std::string> names;
    for (const CacheRecord& r : records) {
        EXPECT_TRUE(std::filesystem::exists(cacheDir / r.cacheName)) << r.cacheName;
        EXPECT_TRUE(names.insert(r.cacheName).second) << r.cacheName;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(cacheDir), {}), 41);  // 40 files and the index
}

TEST(ThumbnailsCommand, OnePixelHighOrWidePicturesComeFromTheCacheOnTheSecondRun) {
    // A thumbnail is shrunk when either side changes; a 600 x 1 picture kept
    // at 600 x 1 would be refused as oversized and made again on every visit.
    struct Case {
        const char* name;
        int width, height;
    };
    const std::vector<Case> cases = {{"wide.png", 600, 1}, {"tall.png", 1, 600}, {"wide.jpg", 600, 1},
                                     {"tall.jpg", 1, 600},  {"thin.png", 400, 2}};
    // Colour counting on, then off (the JPEG decodes at a reduced scale).
    for (const char* optColors : {"0", "1"}) {
        SCOPED_TRACE(std::string("OptColors=") + optColors);
        ScratchDir dir;
        const auto folder = dir / "pics";
        std::filesystem::create_directories(folder);
        for (const Case& c : cases) {
            const auto path = folder / c.name;
            if (path.extension() == ".jpg")
                SaveJpeg(test::PatternPicture(c.width, c.height), path, 80);
            else
                SavePictureByExtension(test::PatternPicture(c.width, c.height), path);
        }
        std::filesystem::create_directories(dir / "home");
        std::ofstream(dir / "home" / (ApplicationKey() + ".ini")) << "[Settings]\nOptColors=" << optColors << "\n";

        const auto first = RunLumaprism({"--thumbnails", folder.string()}, dir.Path());
        EXPECT_EQ(first.exitCode, 0) << first.err;
        EXPECT_NE(first.out.find("made 5, from cache 0, failed 0"), std::string::npos) << first.out;
        const auto second = RunLumaprism({"--thumbnails", folder.string()}, dir.Path());
        EXPECT_EQ(second.exitCode, 0) << second.err;
        EXPECT_NE(second.out.find("made 0, from cache 5, failed 0"), std::string::npos) << second.out;

        CThumbnailCache cache(dir / "home" / "CACHE", true);
        const auto records = cache.Records();
        ASSERT_EQ(records.size(), cases.size());
        for (const CacheRecord& r : records) {
            SCOPED_TRACE(r.path);
            const Picture thumb = cache.ReadThumbnail(r);
            const ThumbnailSize expected = ComputeThumbnailSize(r.width, r.height);
            EXPECT_EQ(thumb.Width(), expected.width);
            EXPECT_EQ(thumb.Height(), expected.height);
            EXPECT_EQ(std::min(thumb.Width(), thumb.Height()), 1);
            EXPECT_EQ(std::max(r.width, r.height), r.width == 400 ? 400 : 600);  // the source's size is kept
        }
    }
}

TEST(ThumbnailsCommand, UsageErrors) {
    ScratchDir dir;
    const std::vector<std::vector<std::string>> usage = {
        {"--thumbnails"},
        {"--thumbnails", dir.Path().string(), "--jobs"},
        {"--thumbnails", dir.Path().string(), "--jobs", "0"},
        {"--thumbnails", dir.Path().string(), "--jobs", "x"},
        {"--thumbnails", dir.Path().string(), "--colour"},
        {"--thumbnails", "a", "b"},
    };
    for (const auto& args : usage) {
        const auto r = RunLumaprism(args, dir.Path());
        EXPECT_EQ(r.exitCode, 2) << args.back();
        EXPECT_NE(r.err.find("Usage: lumaprism --thumbnails FOLDER"), std::string::npos);
    }
    const auto missing = RunLumaprism({"--thumbnails", (dir / "nope").string()}, dir.Path());
    EXPECT_EQ(missing.exitCode, 1);
    const auto empty = RunLumaprism({"--thumbnails", dir.Path().string()}, dir.Path());
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_NE(empty.out.find("made 0, from cache 0, failed 0"), std::string::npos);
}

}  // namespace
}  // namespace lp
