#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/colour.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"
#include "vector/vector_object.h"

namespace lp {

struct VectorizerSettings {
    int tolerance = 0;  // 0..255: colours are alike when each channel falls in the same bucket of tolerance + 1
    int precision = 0;  // 0..100: 100 keeps every corner, 0 merges points up to half a pixel off the line
    ColourRef background = kNoColour;  // regions of exactly this colour touching the border make no object
    bool overlapped = true;            // inner objects are painted over solid outer ones (no holes)
};

/// The result of a run: the drawing, complete or up to where the run stopped,
/// and the message that explains a stop ("Vector Error"), empty when complete.
struct VectorizeResult {
    VectorDrawing drawing;
    std::string stopMessage;
    bool Complete() const { return stopMessage.empty(); }
};

/// Turns a picture into filled polygon objects, one per connected region of
/// alike colour (pixels joined through edges), traced with the contour
/// follower. Objects come in row-major order of their regions' first pixels,
/// so an object always comes after every object that encloses it. One object
/// serves one run at a time.
class CVectorizer {
public:
    static constexpr const char* kErrorTitle = "Vector Error";
    static constexpr const char* kTooLongMessage =
        "You got to Increase/Decrease the Tolerance level and Try again\nPart of Image is Processed";
    static constexpr const char* kNoMemoryMessage = "Not enough Memory\nProcessed part of image";
    /// A contour with more points than this stops the run.
    static constexpr std::size_t kMaxContourPoints = 10000;

    /// Settings outside their ranges are clamped to them.
    explicit CVectorizer(const VectorizerSettings& settings);

    int BucketSize() const { return m_bucket; }
    double MergeTolerance() const { return m_mergeTolerance; }
    /// Alike: every channel in the same bucket (channel / BucketSize()).
    bool Similar(ColourRef a, ColourRef b) const;

    /// Vectorizes the picture. Progress: "Vectorizing ..." over the rows.
    VectorizeResult Run(const Picture& picture, ProgressSink* progress = nullptr);

private:
    // Region word of a pixel: the index of its region's first pixel (in
    // row-major order) in the low 31 bits, and whether a contour of its own
    // region passed through it in the top bit.
    static constexpr std::uint32_t kVisited = 0x80000000u;
    static constexpr std::uint32_t kRegionMask = 0x7FFFFFFFu;
    // Region of a background pixel left out of the drawing.
    static constexpr std::uint32_t kNoRegion = kRegionMask;

    ColourRef At(std::int32_t x, std::int32_t y) const;
    std::size_t Index(std::int32_t x, std::int32_t y) const { return std::size_t(y) * std::size_t(m_width) + std::size_t(x); }
    std::uint32_t RegionAt(std::int32_t x, std::int32_t y) const { return m_regions[Index(x, y)] & kRegionMask; }
    void MarkBorderBackground();
    /// Joins edge-neighbouring alike pixels into regions, each named by its
    /// first pixel, so that every region is traced once, from that pixel.
    void FindRegions();
    /// Traces one contour of region from (x, y), marking the pixels it leaves.
    /// Returns false when the run must stop (m_stop set).
    bool Trace(std::int32_t x, std::int32_t y, std::uint32_t region);

    struct Traced {
        std::uint32_t region;    // first pixel of the object's region
        std::size_t outerSize;   // points of its outer contour
        std::int64_t parent;     // innermost enclosing object, -1 for none
    };
    /// The innermost object enclosing the region whose first pixel is (x, y).
    std::int64_t EnclosingObject(std::int32_t x, std::int32_t y, const std::vector<Traced>& traced,
                                 const std::vector<VectorObject>& objects) const;

    int m_bucket;
    double m_mergeTolerance;
    ColourRef m_background;
    bool m_overlapped;

    // Per run.
    const Picture* m_picture = nullptr;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    std::vector<std::uint32_t> m_regions;          // region word per pixel (see kVisited)
    std::vector<std::uint8_t> m_borderBackground;  // background pixels joined to the border
    ContourPointList m_contour;
    std::string m_stop;
};

}  // namespace lp
