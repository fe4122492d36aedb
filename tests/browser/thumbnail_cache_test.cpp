#include "browser/thumbnail_cache.h"

#include "browser/cache_dialog.h"

#include "formats/jpeg/jpeg_writer.h"
#include "test_support.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <fstream>

namespace lp {
namespace {

using test::ReadFileBytes;
using test::ScratchDir;
using test::WriteFileBytes;

CacheRecord Record(const std::string& path, const std::string& name) {
    CacheRecord r;
    r.path = path;
    r.size = 1234;
    r.lastWrite = 0x01D0000012345678ULL;
    r.width = 640;
    r.height = 480;
    r.colours = 255;
    r.cacheName = name;
    r.smallIconState = kIconDrawn;
    r.thumbQuality = kSmoothQuality;
    return r;
}

void Touch(const std::filesystem::path& p, const std::string& text = "x") { std::ofstream(p) << text; }

void SetAge(const std::filesystem::path& p, std::chrono::seconds age) {
    const auto when = std::chrono::system_clock::now() - age;
    const auto secs = std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count();
    struct timespec times[2] = {{secs, 0}, {secs, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
}

TEST(ThumbnailCacheIndex, FixtureParsesFieldByFieldAndRoundTripsByteForByte) {
    const auto bytes = ReadFileBytes(test::TestDataDir() / "browser" / "two_records.csh");
    ASSERT_EQ(bytes.size(), kCacheHeaderBytes + 2 * kCacheRecordBytes);
    const ParsedCacheIndex parsed = ParseCacheIndex(bytes);
    ASSERT_TRUE(parsed.valid) << parsed.problem;
    EXPECT_EQ(parsed.nextNumber, 3);
    ASSERT_EQ(parsed.records.size(), 2u);
    const CacheRecord& a = parsed.records[0];
    EXPECT_EQ(a.path, "/home/user/Pictures/sunset.jpg");
    EXPECT_EQ(a.size, 123456u);
    EXPECT_EQ(a.lastWrite, 0x01D0A1B2C3D4E5F6ULL);
    EXPECT_EQ(a.width, 1024);
    EXPECT_EQ(a.height, 768);
    EXPECT_EQ(a.colours, 70000);
    EXPECT_EQ(a.cacheName, "Pic00000.wbi");
    EXPECT_EQ(a.animated, 0);
    EXPECT_EQ(a.smallIconState, 5);
    EXPECT_EQ(a.thumbQuality, 5);
    const CacheRecord& b = parsed.records[1];
    EXPECT_EQ(b.size, 4000000000u);
    EXPECT_EQ(b.colours, -1);
    EXPECT_EQ(b.animated, 1);
    EXPECT_EQ(b.cacheName, "Pic00002.wbi");
    EXPECT_EQ(SerializeCacheIndex(parsed.nextNumber, parsed.records), bytes);
}

TEST(ThumbnailCacheIndex, FreshCacheWritesTheEmptyHeader) {
    ScratchDir dir;
    const auto folder = dir / "CACHE";
    { CThumbnailCache cache(folder, true); }
    const auto bytes = ReadFileBytes(folder / kCacheIndexName);
    std::vector<std::uint8_t> expected = {'O', 'X', 0, 0, 0, 0};
    expected.resize(kCacheHeaderBytes, ' ');
    EXPECT_EQ(bytes, expected);
}

std::vector<std::uint8_t> ValidIndex() {
    const CacheRecord records[] = {Record("/pics/a.jpg", "Pic00000.wbi")};
    return SerializeCacheIndex(1, records);
}

struct Damage {
    const char* what;
    void (*apply)(std::vector<std::uint8_t>&);
};

const Damage kDamages[] = {
    {"short header", [](auto& b) { b.resize(30); }},
    {"wrong magic", [](auto& b) { b[1] = 'Y'; }},
    {"cut record", [](auto& b) { b.resize(b.size() - 10); }},
    {"negative next number", [](auto& b) { b[5] = 0x80; }},
    {"relative path", [](auto& b) { b[56] = 'p'; }},
    {"unterminated path", [](auto& b) { std::memset(&b[56], 'a', kCachePathBytes); }},
    {"name climbing out", [](auto& b) { std::memcpy(&b[56 + 288], "../../etc.wbi", 14); }},
    {"absolute name", [](auto& b) { std::memcpy(&b[56 + 288], "/tmp/victim.wbi", 16); }},
    {"name of the index", [](auto& b) { std::memcpy(&b[56 + 288], "oxbrowse.csh", 13); }},
    {"negative width", [](auto& b) { b[56 + 275] = 0xFF; }},
    {"colours below -1", [](auto& b) { std::memcpy(&b[56 + 280], "\xFE\xFF\xFF\xFF", 4); }},
    {"animated byte 2", [](auto& b) { b[56 + 544] = 2; }},
};

TEST(ThumbnailCacheIndex, DamagedIndexIsRebuiltNotTrusted) {
    ASSERT_TRUE(ParseCacheIndex(ValidIndex()).valid);
    for (const Damage& damage : kDamages) {
        SCOPED_TRACE(damage.what);
        auto bytes = ValidIndex();
        damage.apply(bytes);
        EXPECT_FALSE(ParseCacheIndex(bytes).valid);

        ScratchDir dir;
        const auto folder = dir / "CACHE";
        std::filesystem::create_directories(folder);
        WriteFileBytes(folder / kCacheIndexName, bytes);
        CThumbnailCache cache(folder, true);
        EXPECT_TRUE(cache.IndexWasRebuilt());
        EXPECT_TRUE(cache.Records().empty());
        EXPECT_EQ(cache.NextNumber(), 0);
        EXPECT_EQ(ReadFileBytes(folder / kCacheIndexName).size(), kCacheHeaderBytes);
    }
}

TEST(ThumbnailCache, NeverDeletesOutsideItsFolderWhateverTheIndexSays) {
    ScratchDir dir;
    const auto folder = dir / "CACHE";
    std::filesystem::create_directories(folder);
    const auto victim = dir / "victim.wbi";
    Touch(victim);
    // A hand-made index whose record points at the victim, written raw.
    auto bytes = SerializeCacheIndex(1, std::vector<CacheRecord>{Record("/pics/a.jpg", "Pic00000.wbi")});
    std::memset(&bytes[56 + 288], 0, kCacheNameBytes);
    std::memcpy(&bytes[56 + 288], "../victim.wbi", 13);
    WriteFileBytes(folder / kCacheIndexName, bytes);
    {
        CThumbnailCache cache(folder, true);
        EXPECT_FALSE(cache.Lookup("/pics/a.jpg", 1, 1));  // stale: would delete its file
        cache.CleanAll();
        cache.CleanOlderThan(1);
        // Records that try to name such a file are refused on the way in too.
        EXPECT_FALSE(cache.Add(Record("/pics/b.jpg", "../victim.wbi")));
        EXPECT_FALSE(cache.Add(Record("/pics/b.jpg", "sub/x.wbi")));
    }
    EXPECT_TRUE(std::filesystem::exists(victim));
}

TEST(ThumbnailCache, LookupDropsStaleRecordsAndTheirFiles) {
    ScratchDir dir;
    const auto folder = dir / "CACHE";
    CThumbnailCache cache(folder, true);
    for (const char* name : {"Pic00000.wbi", "Pic00001.wbi", "Pic00002.wbi"}) Touch(folder / name);
    ASSERT_TRUE(cache.Add(Record("/pics/same.jpg", "Pic00000.wbi")));
    ASSERT_TRUE(cache.Add(Record("/pics/time.jpg", "Pic00001.wbi")));
    ASSERT_TRUE(cache.Add(Record("/pics/size.jpg", "Pic00002.wbi")));
    ASSERT_TRUE(cache.Add(Record("/pics/gone.jpg", "Pic00003.wbi")));  // file deleted by hand

    const CacheRecord model = Record("", "x.wbi");
    auto hit = cache.Lookup("/pics/same.jpg", model.size, model.lastWrite);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->cacheName, "Pic00000.wbi");
    // Linux names are case-sensitive: another case is another picture.
    EXPECT_FALSE(cache.Lookup("/pics/SAME.jpg", model.size, model.lastWrite));

    EXPECT_FALSE(cache.Lookup("/pics/time.jpg", model.size, model.lastWrite + 1));
    EXPECT_FALSE(std::filesystem::exists(folder / "Pic00001.wbi"));
    EXPECT_FALSE(cache.Lookup("/pics/size.jpg", model.size + 1, model.lastWrite));
    EXPECT_FALSE(std::filesystem::exists(folder / "Pic00002.wbi"));
    EXPECT_FALSE(cache.Lookup("/pics/gone.jpg", model.size, model.lastWrite));

    const auto left = cache.Records();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].path, "/pics/same.jpg");
    // A stale record is gone for good: the current stamp finds nothing now.
    EXPECT_FALSE(cache.Lookup("/pics/time.jpg", model.size, model.lastWrite));
}

TEST(ThumbnailCache, RecordsSurviveSaveAndReload) {
    ScratchDir dir;
    const auto folder = dir / "CACHE";
    std::vector<CacheRecord> added;
    {
        CThumbnailCache cache(folder, true);
        Picture p = test::PatternPicture(40, 30);
        for (int i = 0; i < 3; ++i) {
            const auto name = cache.StoreThumbnail(p);
            ASSERT_TRUE(name);
            CacheRecord r = Record("/pics/" + std::to_string(i) + ".png", *name);
            r.animated = i == 1;
            r.colours = i == 2 ? -1 : 100 + i;
            ASSERT_TRUE(cache.Add(r));
            added.push_back(r);
        }
    }
    CThumbnailCache again(folder, true);
    EXPECT_FALSE(again.IndexWasRebuilt());
    EXPECT_EQ(again.Records(), added);
    EXPECT_EQ(again.NextNumber(), 3);
    EXPECT_EQ(ReadFileBytes(folder / kCacheIndexName), SerializeCacheIndex(3, added));
}

TEST(ThumbnailCache, CacheFilesAreNumberedAndNeverShared) {
    ScratchDir dir;
    const auto folder = dir / "CACHE";
    CThumbnailCache first(folder, true);
    CThumbnailCache second(folder, true);  // another list or another instance
    const Picture p = test::PatternPicture(20, 10);
    EXPECT_EQ(first.StoreThumbnail(p), "Pic00000.wbi");
    // The second cache also starts at 0, finds the file taken and moves on.
    EXPECT_EQ(second.StoreThumbnail(p), "Pic00001.wbi");
    Touch(folder / "Pic00002.wbi", "someone else's");
    EXPECT_EQ(first.StoreThumbnail(p), "Pic00003.wbi");
    EXPECT_EQ(test::ReadFileBytes(folder / "Pic00002.wbi").size(), 14u);

    CacheRecord r = Record("/p.png", "Pic00000.wbi");
    const Picture back = first.ReadThumbnail(r);
    EXPECT_EQ(back.Width(), 20);
    EXPECT_EQ(back.Height(), 10);
}

TEST(ThumbnailCache, DisabledCacheTouchesNothing) {
    ScratchDir dir;
    const auto folder = dir / "CACHE";
    std::filesystem::create_directories(folder);
    auto bytes = ValidIndex();
    bytes.push_back(0x42);  // even a damaged index is left as it was
    WriteFileBytes(folder / kCacheIndexName, bytes);
    {
        CThumbnailCache cache(folder, false);
        EXPECT_FALSE(cache.Lookup("/pics/a.jpg", 1234, 0x01D0000012345678ULL));
        EXPECT_FALSE(cache.StoreThumbnail(test::PatternPicture(5, 5)));
        EXPECT_FALSE(cache.Add(Record("/pics/b.jpg", "Pic00005.wbi")));
        EXPECT_FALSE(cache.Save());
    }
    EXPECT_EQ(ReadFileBytes(folder / kCacheIndexName), bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
}

TEST(ThumbnailCache, CleanKeepsWholeDaysOnly) {
    ScratchDir dir;
    const auto folder = dir / "CACHE";
    CThumbnailCache cache(folder, true);
    Touch(folder / "Pic00000.wbi");
    Touch(folder / "Pic00001.wbi");
    SetAge(folder / "Pic00000.wbi", std::chrono::hours(47));  // age 1 day: stays
    SetAge(folder / "Pic00001.wbi", std::chrono::hours(49));  // age 2 days: goes
    ASSERT_TRUE(cache.Add(Record("/a.jpg", "Pic00000.wbi")));
    ASSERT_TRUE(cache.Add(Record("/b.jpg", "Pic00001.wbi")));
    ASSERT_TRUE(cache.Add(Record("/c.jpg", "Pic00002.wbi")));  // file missing: dropped
    cache.CleanOlderThan(1);
    const auto left = cache.Records();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].path, "/a.jpg");
    EXPECT_TRUE(std::filesystem::exists(folder / "Pic00000.wbi"));
    EXPECT_FALSE(std::filesystem::exists(folder / "Pic00001.wbi"));
    cache.CleanOlderThan(2);
    EXPECT_EQ(cache.Records().size(), 1u);
}

TEST(ThumbnailCache, CleanAllEmptiesAndRestartsNumbering) {
    ScratchDir dir;
    const auto folder = dir / "CACHE";
    CThumbnailCache cache(folder, true);
    const Picture p = test::PatternPicture(8, 8);
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(cache.Add(Record("/" + std::to_string(i), *cache.StoreThumbnail(p))));
    Touch(folder / "notes.txt");
    cache.CleanAll();
    EXPECT_TRUE(cache.Records().empty());
    EXPECT_EQ(cache.NextNumber(), 0);
    EXPECT_FALSE(std::filesystem::exists(folder / "Pic00000.wbi"));
    EXPECT_FALSE(std::filesystem::exists(folder / "Pic00001.wbi"));
    EXPECT_TRUE(std::filesystem::exists(folder / "notes.txt"));
    EXPECT_TRUE(std::filesystem::exists(folder / kCacheIndexName));
    EXPECT_EQ(cache.StoreThumbnail(p), "Pic00000.wbi");
}

TEST(ThumbnailCache, StatisticsCountRecordsAndExistingFiles) {
    ScratchDir dir;
    const auto folder = dir / "CACHE";
    CThumbnailCache cache(folder, true);
    Touch(folder / "Pic00000.wbi", std::string(1000, 'a'));
    Touch(folder / "Pic00001.wbi", std::string(536, 'b'));
    ASSERT_TRUE(cache.Add(Record("/a", "Pic00000.wbi")));
    ASSERT_TRUE(cache.Add(Record("/b", "Pic00001.wbi")));
    ASSERT_TRUE(cache.Add(Record("/c", "Pic00009.wbi")));  // no file: counted, no bytes
    const CacheStatistics stats = cache.Statistics();
    EXPECT_EQ(stats.files, 3u);
    EXPECT_EQ(stats.bytes, 1536u);
    EXPECT_EQ(stats.FilesText(), "    3");
    EXPECT_EQ(stats.SizeText(), "     1.50Kb");
    EXPECT_EQ((CacheStatistics{0, 123456789}).SizeText(), "120563.27Kb");
}

TEST(ThumbnailCache, RecordsThatDoNotFitTheIndexAreRefused) {
    ScratchDir dir;
    CThumbnailCache cache(dir / "CACHE", true);
    EXPECT_FALSE(cache.Add(Record("/" + std::string(kCachePathBytes, 'a'), "Pic00000.wbi")));
    EXPECT_TRUE(cache.Add(Record("/" + std::string(kCachePathBytes - 2, 'a'), "Pic00000.wbi")));
    EXPECT_EQ(CacheFileName(0), "Pic00000.wbi");
    EXPECT_EQ(CacheFileName(123456), "Pic123456.wbi");
}

TEST(ThumbnailCache, FileTimeCountsFrom1601) {
    EXPECT_EQ(FileTimeFromUnix(0, 0), 116444736000000000ULL);
    EXPECT_EQ(FileTimeFromUnix(1, 500), 116444736010000005ULL);
}

TEST(CacheDialog, OkCleansAsChosenThenStoresTheBox) {
    ScratchDir dir;
    const auto folder = dir / "CACHE";
    CThumbnailCache cache(folder, true);
    Touch(folder / "Pic00000.wbi");
    Touch(folder / "Pic00001.wbi");
    SetAge(folder / "Pic00001.wbi", std::chrono::hours(24 * 10));
    ASSERT_TRUE(cache.Add(Record("/a.jpg", "Pic00000.wbi")));
    ASSERT_TRUE(cache.Add(Record("/b.jpg", "Pic00001.wbi")));

    AppSettings settings;
    CacheDialogState dialog = CacheDialogState::Open(settings, cache);
    EXPECT_TRUE(dialog.enableCacheInfo);
    EXPECT_EQ(dialog.statistics.files, 2u);
    EXPECT_FALSE(dialog.DaysEnabled());
    dialog.cleanAll = false;
    EXPECT_TRUE(dialog.DaysEnabled());
    dialog.keepDays = 366;
    EXPECT_FALSE(dialog.Accept(cache, settings));
    EXPECT_EQ(cache.Records().size(), 2u);
    dialog.keepDays = 7;
    ASSERT_TRUE(dialog.Accept(cache, settings));
    ASSERT_EQ(cache.Records().size(), 1u);
    EXPECT_EQ(cache.Records()[0].path, "/a.jpg");

    // Unticked: nothing is cleaned, CacheInfo becomes 0 and lookups find nothing.
    dialog.enableCacheInfo = false;
    dialog.cleanAll = true;
    EXPECT_FALSE(dialog.CleanAndStatisticsEnabled());
    ASSERT_TRUE(dialog.Accept(cache, settings));
    EXPECT_EQ(settings.cacheInfo, 0);
    EXPECT_EQ(cache.Records().size(), 1u);
    EXPECT_FALSE(cache.Lookup("/a.jpg", 1234, 0x01D0000012345678ULL));
}

}  // namespace
}  // namespace lp
