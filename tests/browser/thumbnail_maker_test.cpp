#include "browser/thumbnail_maker.h"
#include "browser/thumbnail_worker.h"

#include "formats/format_table.h"
#include "formats/gif/gif_writer.h"
#include "formats/jpeg/jpeg_reader.h"
#include "formats/jpeg/jpeg_writer.h"
#include "imaging/colour_count.h"
#include "test_support.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

namespace lp {
namespace {

using test::PixelAt;
using test::ScratchDir;

ThumbnailJob JobFor(const std::vector<std::filesystem::path>& paths, ThumbnailOptions options = {},
                    PassKind pass = PassKind::FirstListing) {
    ThumbnailJob job;
    job.pass = pass;
    job.options = options;
    for (const auto& p : paths) job.rows.push_back(ThumbnailRow{p});
    return job;
}

void SaveSolid(const std::filesystem::path& path, int w, int h) {
    SavePictureByExtension(test::PatternPicture(w, h), path);
}

void Retime(const std::filesystem::path& p, std::int64_t secondsBack) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto secs = std::chrono::duration_cast<std::chrono::seconds>(now).count() - secondsBack;
    struct timespec times[2] = {{secs, 0}, {secs, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
}

TEST(ThumbnailGeometry, WholePercentagesOfTheBox) {
    struct Case {
        int w, h, tw, th;
    };
    const Case cases[] = {
        {1000, 500, 90, 45}, {90, 50, 90, 50},     {60, 40, 60, 40},   {50, 200, 22, 90},
        {1001, 1001, 80, 80}, {89, 89, 89, 89},    {1, 1, 1, 1},       {300, 100, 90, 30},
        // Over 9000 pixels the percentage would be 0: fitted exactly, never 0 x 0.
        {18000, 9000, 90, 45}, {100000, 10, 90, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        const ThumbnailSize s = ComputeThumbnailSize(c.w, c.h);
        EXPECT_EQ(s.width, c.tw);
        EXPECT_EQ(s.height, c.th);
    }
}

TEST(ThumbnailGeometry, LargeImageCentresTheThumbnailInTheBox) {
    Picture thumb = test::PatternPicture(60, 40);
    const Picture large = ComposeLargeImage(thumb);
    ASSERT_EQ(large.Width(), 100);
    ASSERT_EQ(large.Height(), 100);
    EXPECT_EQ(PixelAt(large, 20, 30), PixelAt(thumb, 0, 0));
    EXPECT_EQ(PixelAt(large, 79, 69), PixelAt(thumb, 59, 39));
    EXPECT_EQ(PixelAt(large, 19, 30), 0x00FFFFFF);
    EXPECT_EQ(PixelAt(large, 80, 69), 0x00FFFFFF);
    // A thumbnail larger than the box is clipped, not written past the image.
    const Picture huge = ComposeLargeImage(test::PatternPicture(300, 20));
    EXPECT_EQ(huge.Width(), 100);
}

TEST(ThumbnailGeometry, SmallIconIsScaledCentredAndFramed) {
    const Picture thumb = test::PatternPicture(90, 45);
    bool smooth = false;
    const Picture small = ComposeSmallImage(thumb, true, &smooth);
    ASSERT_EQ(small.Width(), 32);
    EXPECT_TRUE(smooth);
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(PixelAt(small, i, 0), 0);
        EXPECT_EQ(PixelAt(small, 31, i), 0);
    }
    // 28 x 14 at (2, 9): the rows above it are white.
    EXPECT_EQ(PixelAt(small, 15, 8), 0x00FFFFFF);
    EXPECT_NE(PixelAt(small, 15, 9), 0x00FFFFFF);
    EXPECT_EQ(PixelAt(small, 15, 23), 0x00FFFFFF);
}

TEST(ThumbnailGeometry, SmallIconShrinksAThumbnailThatIsOnePixelHighOrWide) {
    // 90 x 1 becomes 28 x 1 (the 1 stays); copied unscaled it would be cut
    // to the middle 32 pixels and fill the row.
    for (const bool wide : {true, false}) {
        Picture thumb;
        thumb.Create(wide ? 90 : 1, wide ? 1 : 90);
        thumb.Fill(0x000000FF);
        const Picture small = ComposeSmallImage(thumb, false, nullptr);
        const auto at = [&](int along, int across) {
            return wide ? PixelAt(small, along, across) : PixelAt(small, across, along);
        };
        EXPECT_EQ(at(2, 15), 0x000000FFu) << wide;
        EXPECT_EQ(at(29, 15), 0x000000FFu) << wide;
        EXPECT_EQ(at(1, 15), 0x00FFFFFFu) << wide;
        EXPECT_EQ(at(30, 15), 0x00FFFFFFu) << wide;
        EXPECT_EQ(at(15, 14), 0x00FFFFFFu) << wide;
    }
}

class ThumbnailMakerTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::filesystem::path cacheDir = dir / "CACHE";
    ErrorListing errors;
};

TEST_F(ThumbnailMakerTest, SecondVisitComesFromTheCacheWithTheSameFacts) {
    const auto photo = dir / "photo.png";
    SaveSolid(photo, 300, 200);
    CThumbnailCache cache(cacheDir, true);
    const ThumbnailJob job = JobFor({photo});
    const ThumbnailOutcome first = MakeThumbnail(job, 0, &cache, nullptr, errors);
    ASSERT_EQ(first.kind, ThumbnailOutcome::Kind::Made);
    EXPECT_EQ(first.width, 300);
    EXPECT_EQ(first.height, 200);
    const auto colours = static_cast<std::int32_t>(CountColours(test::PatternPicture(300, 200)));
    ASSERT_GT(colours, 256);
    EXPECT_EQ(first.colours, colours);
    EXPECT_EQ(first.thumbQuality, kSmoothQuality);
    EXPECT_EQ(first.smallIconState, kIconDrawn);
    EXPECT_TRUE(first.cached);
    const auto records = cache.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].cacheName, "Pic00000.wbi");
    EXPECT_EQ(records[0].path, photo.string());
    EXPECT_EQ(records[0].colours, colours);
    const Picture stored = cache.ReadThumbnail(records[0]);
    EXPECT_EQ(stored.Width(), 90);
    EXPECT_EQ(stored.Height(), 60);

    const ThumbnailOutcome second = MakeThumbnail(job, 0, &cache, nullptr, errors);
    EXPECT_EQ(second.kind, ThumbnailOutcome::Kind::FromCache);
    EXPECT_EQ(second.width, 300);
    EXPECT_EQ(second.height, 200);
    EXPECT_EQ(second.colours, colours);
    EXPECT_EQ(cache.Records().size(), 1u);
    EXPECT_TRUE(errors.Empty());
}

TEST_F(ThumbnailMakerTest, ChangedSourceGetsANewThumbnailAndLosesTheOldFile) {
    const auto photo = dir / "photo.png";
    SaveSolid(photo, 120, 120);
    CThumbnailCache cache(cacheDir, true);
    const ThumbnailJob job = JobFor({photo});
    ASSERT_EQ(MakeThumbnail(job, 0, &cache, nullptr, errors).kind, ThumbnailOutcome::Kind::Made);
    Retime(photo, 3600);
    const ThumbnailOutcome again = MakeThumbnail(job, 0, &cache, nullptr, errors);
    EXPECT_EQ(again.kind, ThumbnailOutcome::Kind::Made);
    EXPECT_FALSE(std::filesystem::exists(cacheDir / "Pic00000.wbi"));
    const auto records = cache.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].cacheName, "Pic00001.wbi");
}

TEST_F(ThumbnailMakerTest, DeletedOrDamagedCacheFileIsRebuilt) {
    const auto photo = dir / "photo.png";
    SaveSolid(photo, 100, 100);
    CThumbnailCache cache(cacheDir, true);
    const ThumbnailJob job = JobFor({photo});
    ASSERT_EQ(MakeThumbnail(job, 0, &cache, nullptr, errors).kind, ThumbnailOutcome::Kind::Made);
    std::filesystem::remove(cacheDir / "Pic00000.wbi");
    EXPECT_EQ(MakeThumbnail(job, 0, &cache, nullptr, errors).kind, ThumbnailOutcome::Kind::Made);
    // Garbage in place of the JPEG: rebuilt, not reported as the picture's failure.
    std::ofstream(cacheDir / "Pic00001.wbi") << "not a jpeg";
    EXPECT_EQ(MakeThumbnail(job, 0, &cache, nullptr, errors).kind, ThumbnailOutcome::Kind::Made);
    // A cached thumbnail over 90 x 90 is stale.
    SaveJpeg(test::PatternPicture(200, 200), cacheDir / "Pic00002.wbi", 75);
    EXPECT_EQ(MakeThumbnail(job, 0, &cache, nullptr, errors).kind, ThumbnailOutcome::Kind::Made);
    EXPECT_EQ(MakeThumbnail(job, 0, &cache, nullptr, errors).kind, ThumbnailOutcome::Kind::FromCache);
    EXPECT_TRUE(errors.Empty());
}

TEST_F(ThumbnailMakerTest, AnimatedGifIsNamedSoFromSourceAndFromCache) {
    GifFrameList frames;
    for (int i = 0; i < 3; ++i) {
        GifFrame f;
        f.picture.Create(30 + i, 20);
        f.picture.Fill(0x000000FF * (i + 1));
        frames.Add(std::move(f));
    }
    GifInfo info;
    const auto gif = dir / "anim.gif";
    SaveGif(frames, info, gif);
    CThumbnailCache cache(cacheDir, true);
    const ThumbnailJob job = JobFor({gif});
    const ThumbnailOutcome made = MakeThumbnail(job, 0, &cache, nullptr, errors);
    ASSERT_EQ(made.kind, ThumbnailOutcome::Kind::Made) << (errors.Empty() ? "" : errors.Entries()[0].description);
    EXPECT_EQ(made.typeName, "Animated GIF");
    EXPECT_EQ(cache.Records().at(0).animated, 1);
    const ThumbnailOutcome cached = MakeThumbnail(job, 0, &cache, nullptr, errors);
    EXPECT_EQ(cached.kind, ThumbnailOutcome::Kind::FromCache);
    EXPECT_EQ(cached.typeName, "Animated GIF");
}

// How many times fn opens path, counted by the kernel (closes are watched too: the kernel
// merges two identical events in a row).
template <class Fn>
int OpensOf(const std::filesystem::path& path, Fn&& fn) {
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return -1;
    if (::inotify_add_watch(fd, path.c_str(), IN_OPEN | IN_CLOSE) < 0) {
        ::close(fd);
        return -1;
    }
    fn();
    int opens = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        for (char* p = buffer; p < buffer + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len)
            if (reinterpret_cast<inotify_event*>(p)->mask & IN_OPEN) ++opens;
    ::close(fd);
    return opens;
}

TEST_F(ThumbnailMakerTest, EverySourceIsReadOnceWhateverItsType) {
    GifFrameList frames;
    for (int i = 0; i < 2; ++i) {
        GifFrame f;
        f.picture.Create(40, 30);
        f.picture.Fill(0x00102030u * std::uint32_t(i + 1));
        frames.Add(std::move(f));
    }
    GifInfo info;
    SaveGif(frames, info, dir / "anim.gif");
    SaveJpeg(test::PatternPicture(800, 400), dir / "photo.jpg", 90);
    SaveSolid(dir / "drawing.png", 300, 100);
    SaveSolid(dir / "scan.bmp", 100, 300);
    SaveSolid(dir / "scan.tga", 120, 30);
    struct Case {
        const char* name;
        bool noColours;  // JPEG: decoded at a reduced scale
        int width, height;
        const char* typeName;
    };
    const Case cases[] = {
        {"anim.gif", false, 40, 30, "Animated GIF"}, {"photo.jpg", true, 800, 400, ""},
        {"photo.jpg", false, 800, 400, ""},          {"drawing.png", false, 300, 100, ""},
        {"scan.bmp", false, 100, 300, ""},           {"scan.tga", false, 120, 30, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.noColours ? " (colours not counted)" : ""));
        ThumbnailOptions options;
        options.cacheInfo = false;
        options.noColours = c.noColours;
        ThumbnailOutcome out;
        const int opens = OpensOf(dir / c.name, [&] { out = MakeThumbnail(JobFor({dir / c.name}, options), 0, nullptr, nullptr, errors); });
        ASSERT_GE(opens, 0) << "inotify unavailable";
        EXPECT_EQ(opens, 1);
        ASSERT_EQ(out.kind, ThumbnailOutcome::Kind::Made);
        EXPECT_EQ(out.width, c.width);
        EXPECT_EQ(out.height, c.height);
        EXPECT_EQ(out.typeName, c.typeName);
        EXPECT_EQ(out.colours == -1, c.noColours);
    }
    EXPECT_TRUE(errors.Empty());
}

TEST_F(ThumbnailMakerTest, CorruptPictureIsListedOnceAndNothingIsCached) {
    const auto bad = dir / "bad.jpg";
    std::vector<std::uint8_t> bytes = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x10, 0x00, 0x10};
    test::WriteFileBytes(bad, bytes);
    CThumbnailCache cache(cacheDir, true);
    const ThumbnailOutcome out = MakeThumbnail(JobFor({bad}), 0, &cache, nullptr, errors);
    EXPECT_EQ(out.kind, ThumbnailOutcome::Kind::Failed);
    ASSERT_EQ(errors.Size(), 1u);
    EXPECT_EQ(errors.Entries()[0].object, bad.string());
    EXPECT_FALSE(errors.Entries()[0].description.empty());
    EXPECT_TRUE(cache.Records().empty());
}

TEST_F(ThumbnailMakerTest, CacheOffWritesNothing) {
    const auto photo = dir / "photo.png";
    SaveSolid(photo, 100, 50);
    CThumbnailCache cache(cacheDir, true);
    ThumbnailOptions options;
    options.cacheInfo = false;
    const ThumbnailOutcome out = MakeThumbnail(JobFor({photo}, options), 0, &cache, nullptr, errors);
    EXPECT_EQ(out.kind, ThumbnailOutcome::Kind::Made);
    EXPECT_FALSE(out.cached);
    EXPECT_TRUE(cache.Records().empty());
    EXPECT_FALSE(std::filesystem::exists(cacheDir / "Pic00000.wbi"));
}

TEST_F(ThumbnailMakerTest, SpeedOptionsSkipColoursIconsAndSmoothing) {
    const auto photo = dir / "photo.jpg";
    SaveJpeg(test::PatternPicture(800, 400), photo, 90);
    ThumbnailOptions speed;
    speed.noColours = speed.largeOnly = speed.fastResize = true;
    CThumbnailCache cache(cacheDir, true);
    const ThumbnailOutcome out = MakeThumbnail(JobFor({photo}, speed), 0, &cache, nullptr, errors);
    ASSERT_EQ(out.kind, ThumbnailOutcome::Kind::Made);
    // The picture's own size, even though it was decoded at a reduced scale.
    EXPECT_EQ(out.width, 800);
    EXPECT_EQ(out.height, 400);
    EXPECT_EQ(out.colours, -1);
    EXPECT_EQ(out.thumbQuality, 0);
    EXPECT_TRUE(out.smallImage.IsEmpty());
    // 9000 / 800 = 11 %: 88 x 44.
    const Picture stored = cache.ReadThumbnail(cache.Records().at(0));
    EXPECT_EQ(stored.Width(), 88);
    EXPECT_EQ(stored.Height(), 44);

    // Features want colours and smoothing: the speed record is not good enough.
    const ThumbnailOutcome full = MakeThumbnail(JobFor({photo}), 0, &cache, nullptr, errors);
    EXPECT_EQ(full.kind, ThumbnailOutcome::Kind::Made);
    EXPECT_GT(full.colours, 0);
}

TEST_F(ThumbnailMakerTest, RefreshWithSelectionWorksOnlyOnSelectedRows) {
    const auto a = dir / "a.png";
    const auto b = dir / "b.png";
    SaveSolid(a, 10, 10);
    SaveSolid(b, 10, 10);
    ThumbnailJob job = JobFor({a, b}, {}, PassKind::Refresh);
    job.rows[1].selected = true;
    EXPECT_EQ(MakeThumbnail(job, 0, nullptr, nullptr, errors).kind, ThumbnailOutcome::Kind::Skipped);
    EXPECT_EQ(MakeThumbnail(job, 1, nullptr, nullptr, errors).kind, ThumbnailOutcome::Kind::Made);
    job.pass = PassKind::FirstListing;
    EXPECT_EQ(MakeThumbnail(job, 0, nullptr, nullptr, errors).kind, ThumbnailOutcome::Kind::Made);
}

TEST_F(ThumbnailMakerTest, AnyNameIsCachedUnlessItsPathIsTooLongForTheIndex) {
    const std::filesystem::path latin1 = dir / std::string("caf\xE9.png");  // not UTF-8
    SaveSolid(latin1, 30, 30);
    auto deep = dir.Path();
    while (deep.native().size() < kCachePathBytes) deep /= std::string(40, 'd');
    std::filesystem::create_directories(deep);
    const auto longPath = deep / "long.png";
    SaveSolid(longPath, 30, 30);
    CThumbnailCache cache(cacheDir, true);
    const ThumbnailJob job = JobFor({latin1, longPath});
    const ThumbnailOutcome a = MakeThumbnail(job, 0, &cache, nullptr, errors);
    const ThumbnailOutcome b = MakeThumbnail(job, 1, &cache, nullptr, errors);
    EXPECT_EQ(a.kind, ThumbnailOutcome::Kind::Made);
    EXPECT_TRUE(a.cached);
    EXPECT_EQ(b.kind, ThumbnailOutcome::Kind::Made);  // shown, but not recorded
    EXPECT_FALSE(b.cached);
    ASSERT_TRUE(cache.Save());
    CThumbnailCache reopened(cacheDir, true);
    ASSERT_EQ(reopened.Records().size(), 1u);
    EXPECT_EQ(reopened.Records()[0].path, latin1.native());
    EXPECT_EQ(MakeThumbnail(job, 0, &reopened, nullptr, errors).kind, ThumbnailOutcome::Kind::FromCache);
}

TEST(ErrorListingTest, MissingFileShowsItsTitle) {
    EXPECT_EQ(ErrorListing::EntryFor(ImpExpException("a.gif", "File Open Error", "GIF Error")),
              (ErrorListingEntry{"a.gif", "File Open Error"}));
    EXPECT_EQ(ErrorListing::EntryFor(ImpExpException("b.jpg", "whatever", "File does not exists")),
              (ErrorListingEntry{"b.jpg", "File does not exists"}));
}

/// Records everything and can hold the worker inside a picture.
class RecordingObserver : public ThumbnailObserver {
public:
    void OnThumbnail(ThumbnailOutcome&& outcome) override {
        std::unique_lock lock(m_mutex);
        ++thumbnails;
        kinds.push_back(outcome.kind);
        m_changed.notify_all();
        if (delay.count()) {
            lock.unlock();
            std::this_thread::sleep_for(delay);
        }
    }
    void OnPassFinished(std::uint64_t pass, const ErrorListing& errors, bool wasStopped) override {
        std::lock_guard lock(m_mutex);
        finished = true;
        stopped = wasStopped;
        errorCount = errors.Size();
        m_changed.notify_all();
    }
    void WaitFor(int count) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return thumbnails >= count; });
    }
    int Count() {
        std::lock_guard lock(m_mutex);
        return thumbnails;
    }

    std::chrono::milliseconds delay{0};
    int thumbnails = 0;
    std::vector<ThumbnailOutcome::Kind> kinds;
    bool finished = false;
    bool stopped = false;
    std::size_t errorCount = 0;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

TEST(ThumbnailWorkerTest, StopFlagEndsThePassBetweenPictures) {
    ScratchDir dir;
    const auto photo = dir / "p.png";
    SaveSolid(photo, 20, 20);
    ThumbnailJob job = JobFor(std::vector<std::filesystem::path>(500, photo));
    RecordingObserver observer;
    observer.delay = std::chrono::milliseconds(2);
    ThumbnailWorker worker;
    worker.Start(std::move(job), nullptr, observer);
    observer.WaitFor(3);
    worker.Stop();
    EXPECT_FALSE(worker.Running());
    const int atStop = observer.Count();
    EXPECT_LT(atStop, 500);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(observer.Count(), atStop);  // nothing after Stop returned
    EXPECT_TRUE(observer.finished);
    EXPECT_TRUE(observer.stopped);
}

TEST(ThumbnailWorkerTest, PassListsEveryFailureOnceAndKeepsTheCacheValid) {
    ScratchDir dir;
    std::vector<std::filesystem::path> paths;
    for (int i = 0; i < 6; ++i) {
        paths.push_back(dir / ("good" + std::to_string(i) + ".png"));
        SaveSolid(paths.back(), 40 + i, 30);
    }
    paths.push_back(dir / "cut.png");
    auto png = test::ReadFileBytes(paths[0]);
    png.resize(40);
    test::WriteFileBytes(paths.back(), png);
    paths.push_back(dir / "empty.gif");
    test::WriteFileBytes(paths.back(), {});
    paths.push_back(dir / "missing.png");  // vanished since the listing: skipped silently

    const auto cacheDir = dir / "CACHE";
    for (unsigned threads : {1u, 3u}) {
        SCOPED_TRACE(threads);
        RecordingObserver observer;
        {
            CThumbnailCache cache(cacheDir, true);
            ThumbnailWorker worker;
            worker.Start(JobFor(paths), &cache, observer, threads);
            worker.Wait();
            EXPECT_EQ(worker.Errors().Size(), 1u);  // the cut PNG; the empty file is no picture
        }
        EXPECT_TRUE(observer.finished);
        EXPECT_FALSE(observer.stopped);
        EXPECT_EQ(observer.errorCount, 1u);
        EXPECT_EQ(observer.thumbnails, 8);
        CThumbnailCache reopened(cacheDir, true);
        EXPECT_FALSE(reopened.IndexWasRebuilt());
        EXPECT_EQ(reopened.Records().size(), 6u);
    }
}


// Pictures of different sizes, colours and kinds, so that a worker thread's
// reused tally meets each after another.
std::vector<std::filesystem::path> MixedPictures(const ScratchDir& dir) {
    std::vector<std::filesystem::path> paths;
    const int sizes[][2] = {{640, 480}, {300, 200}, {90, 50}, {1, 120}, {500, 37}, {211, 333}};
    int i = 0;
    for (const auto& s : sizes) {
        const bool jpeg = i % 3 != 2;
        paths.push_back(dir / ("p" + std::to_string(i++) + (jpeg ? ".jpg" : ".png")));
        Picture p = test::PatternPicture(s[0], s[1]);
        if (i == 4) p.Fill(0x00336699);  // a single colour after many
        SavePictureByExtension(p, paths.back());
    }
    return paths;
}

// What a pass left in the cache, keyed by source path.
std::map<std::string, std::pair<CacheRecord, std::vector<std::uint8_t>>> CacheContents(
    const std::filesystem::path& cacheDir) {
    CThumbnailCache cache(cacheDir, true);
    std::map<std::string, std::pair<CacheRecord, std::vector<std::uint8_t>>> out;
    for (const CacheRecord& r : cache.Records())
        out[r.path] = {r, test::ReadFileBytes(cacheDir / r.cacheName)};
    return out;
}

TEST(ThumbnailWorkerTest, SeveralThreadsMakeTheThumbnailsOneThreadMakes) {
    ScratchDir dir;
    const auto paths = MixedPictures(dir);
    ThumbnailOptions speed;
    speed.noColours = speed.largeOnly = speed.fastResize = true;
    for (const ThumbnailOptions& options : {ThumbnailOptions{}, speed}) {
        SCOPED_TRACE(options.noColours ? "Speed" : "Features");
        std::map<std::string, std::pair<CacheRecord, std::vector<std::uint8_t>>> byThreads[2];
        const unsigned threadCounts[2] = {1u, 3u};
        for (int k = 0; k < 2; ++k) {
            const auto cacheDir = dir / ("CACHE" + std::to_string(k) + (options.noColours ? "s" : "f"));
            {
                RecordingObserver observer;
                CThumbnailCache cache(cacheDir, true);
                ThumbnailWorker worker;
                // Every path twice over: each thread's scratch sees a long run of pictures.
                std::vector<std::filesystem::path> twice = paths;
                twice.insert(twice.end(), paths.begin(), paths.end());
                worker.Start(JobFor(twice, options), &cache, observer, threadCounts[k]);
                worker.Wait();
                EXPECT_TRUE(worker.Errors().Empty());
                ASSERT_TRUE(cache.Save());
            }
            byThreads[k] = CacheContents(cacheDir);
            ASSERT_EQ(byThreads[k].size(), paths.size());
        }
        for (const auto& path : paths) {
            SCOPED_TRACE(path.filename().string());
            const auto& [one, oneBytes] = byThreads[0].at(path.string());
            const auto& [three, threeBytes] = byThreads[1].at(path.string());
            EXPECT_EQ(three.width, one.width);
            EXPECT_EQ(three.height, one.height);
            EXPECT_EQ(three.colours, one.colours);
            EXPECT_EQ(three.thumbQuality, one.thumbQuality);
            EXPECT_EQ(threeBytes, oneBytes);
            // The count is the whole picture's, as a plain load and count give it.
            const std::int32_t full = options.noColours
                                          ? -1
                                          : std::int32_t(CountColours(
                                                DecodePictureFile(ReadPictureFile(path)).frames[0].picture));
            EXPECT_EQ(one.colours, full);
        }
    }
}

TEST_F(ThumbnailMakerTest, ScratchLeftHalfUsedCountsOnlyTheNextPicture) {
    // A picture that failed half way leaves rows in the thread's tally.
    const auto photo = dir / "photo.jpg";
    SavePictureByExtension(test::PatternPicture(200, 150), photo);
    ThumbnailScratch scratch;
    scratch.Tally().AddPicture(test::PatternPicture(333, 77));
    const ThumbnailOutcome out = MakeThumbnail(JobFor({photo}), 0, nullptr, nullptr, errors, scratch);
    ASSERT_EQ(out.kind, ThumbnailOutcome::Kind::Made);
    EXPECT_EQ(out.colours, CountColours(LoadJpeg(photo, nullptr)));
    EXPECT_EQ(scratch.Tally().Rows(), 0);
}

}  // namespace
}  // namespace lp
