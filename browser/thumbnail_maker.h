#pragma once
#include "base/settings.h"
#include "browser/error_listing.h"
#include "browser/thumbnail_cache.h"
#include "imaging/colour_count.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lp {

/// The box a thumbnail fits in, and the two images of a row.
inline constexpr int kThumbnailBox = 90;
inline constexpr int kLargeImageSize = 100;
inline constexpr int kSmallImageSize = 32;

/// Thumbnail size of a w x h picture (whole percentages of the 90 x 90 box);
/// never below 1 x 1. Both w and h must be positive.
struct ThumbnailSize {
    int width = 0;
    int height = 0;
};
ThumbnailSize ComputeThumbnailSize(std::int32_t w, std::int32_t h);

/// The 100 x 100 image of a row: the frame with the thumbnail centred in its
/// 90 x 90 box (top-left at ((90 - tw) / 2 + 5, (90 - th) / 2 + 5)), clipped.
Picture ComposeLargeImage(const Picture& thumbnail);
/// The 32 x 32 icon: white, the thumbnail scaled by 0.32 and centred, a black
/// one-pixel frame. smooth chooses the smoothing resize; usedSmooth tells
/// whether a smoothing resize took place.
Picture ComposeSmallImage(const Picture& thumbnail, bool smooth, bool* usedSmooth = nullptr);

/// The browser options the worker obeys, from the settings of section "Settings".
struct ThumbnailOptions {
    bool cacheInfo = true;     // `CacheInfo` 1
    bool noColours = false;    // `OptColors` 1: do not count colours
    bool largeOnly = false;    // `OptLargePics` 1: no 32 x 32 icons
    bool fastResize = false;   // `OptTnailQlty` 1
    /// Whether to draw the rows' 100 x 100 and 32 x 32 images; a run without
    /// a list (the command line) only fills the cache.
    bool drawImages = true;
    static ThumbnailOptions FromSettings(const AppSettings& settings);
};

/// 0 = the first listing of a location, 1 = a refresh.
enum class PassKind { FirstListing = 0, Refresh = 1 };

/// What the worker needs to know of one list row.
struct ThumbnailRow {
    std::filesystem::path path;  // full path of the picture
    std::int32_t colours = -1;   // the row's colours (-1 = not counted)
    std::int32_t smallIconState = 0;
    bool selected = false;
};

/// One pass of the worker over a list's rows.
struct ThumbnailJob {
    PassKind pass = PassKind::FirstListing;
    std::vector<ThumbnailRow> rows;
    ThumbnailOptions options;
    /// The list's pass number: results carry it, and the list drops those of
    /// a pass older than its current listing.
    std::uint64_t passNumber = 0;

    bool AnySelected() const;
};

/// What one thumbnail step did to its row.
struct ThumbnailOutcome {
    enum class Kind {
        Made,       // decoded from the source (and cached when caching is on)
        FromCache,  // completed from a cache record
        Complete,   // the row already had everything: nothing to do
        Skipped,    // not this row's turn (selection), gone, or not a picture
        Failed,     // an error was recorded
    };
    Kind kind = Kind::Skipped;
    std::size_t index = 0;        // into the job's rows
    std::uint64_t passNumber = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t colours = -1;
    /// "Animated GIF" for a GIF of several frames, else empty (type unchanged).
    std::string typeName;
    std::int32_t thumbQuality = 0;
    std::int32_t smallIconState = 0;
    Picture largeImage;  // 100 x 100 (Made, FromCache)
    Picture smallImage;  // 32 x 32 unless largeOnly
    bool cached = false;  // a record was added for it
};

/// What one worker thread keeps from picture to picture, so that each thumbnail
/// does not allocate and clear it anew. One per thread: never shared.
class ThumbnailScratch {
public:
    /// The colour tally, made on first use. Throws ImpExpException when out of memory.
    ColourTally& Tally();

private:
    std::optional<ColourTally> m_tally;
};

/// The worker's step for row index of the job: cache first, else the source.
/// Never throws: a failure is added to errors and reported as Failed.
/// progress receives the reader's, resize's and writer's progress (may be null).
ThumbnailOutcome MakeThumbnail(const ThumbnailJob& job, std::size_t index, CThumbnailCache* cache,
                               ProgressSink* progress, ErrorListing& errors, ThumbnailScratch& scratch);
/// The same with scratch space of its own (a single thumbnail).
ThumbnailOutcome MakeThumbnail(const ThumbnailJob& job, std::size_t index, CThumbnailCache* cache,
                               ProgressSink* progress, ErrorListing& errors);

}  // namespace lp
