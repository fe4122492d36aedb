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
/// alike colour, found in one row-major scan and traced with the contour
/// follower. One object serves one run at a time.
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
    struct StackEntry {
        ColourRef colour;
        std::int64_t object;  // index in the object list, -1 for none
    };
    // Label of a pixel that was traced as a one-point contour: it is known,
    // but belongs to no object.
    static constexpr std::uint32_t kLonePixel = 0xFFFFFFFFu;

    ColourRef At(std::int32_t x, std::int32_t y) const;
    std::uint32_t& LabelAt(std::int32_t x, std::int32_t y) {
        return m_labels[std::size_t(y) * std::size_t(m_width) + std::size_t(x)];
    }
    bool SkippedBackground(std::int32_t x, std::int32_t y, ColourRef c) const;
    void MarkBorderBackground();
    void Pop();
    void Push(ColourRef colour, std::uint32_t label);
    /// Traces one contour of colour region alike region, labelling with label.
    /// Returns false when the run must stop (m_stop set).
    bool Trace(std::int32_t x, std::int32_t y, ColourRef region, std::uint32_t label);

    int m_bucket;
    double m_mergeTolerance;
    ColourRef m_background;
    bool m_overlapped;

    // Per run.
    const Picture* m_picture = nullptr;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    std::vector<std::uint32_t> m_labels;           // 0 none, else object index + 1 (or kLonePixel)
    std::vector<std::uint8_t> m_borderBackground;  // background pixels joined to the border
    std::vector<StackEntry> m_stack;
    ContourPointList m_contour;
    std::string m_stop;
};

}  // namespace lp
