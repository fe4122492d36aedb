#pragma once
#include <cstdint>

#include "imaging/picture.h"
#include "imaging/progress_sink.h"

namespace lp {

/// The spot remover's working parameters, computed from the options slider.
struct SpotRemoverParams {
    int neighbourTolerance = 5;  // T1: per channel, for two similar neighbours
    int centreTolerance = 20;    // T2: per channel, the centre against its upper-left neighbour
    int level = 0;               // 0, 1 or 2
    /// Similar neighbour pairs required: 6, 5 or 3.
    int RequiredPairs() const { return level == 0 ? 6 : level == 1 ? 5 : 3; }
    /// From the slider position (clamped to 0..100).
    static SpotRemoverParams FromSlider(int slider);
    friend bool operator==(const SpotRemoverParams&, const SpotRemoverParams&) = default;
};

/// Replaces single pixels that differ strongly from an otherwise uniform
/// neighbourhood by the average of their neighbours, in place and in row order,
/// inside the rectangle (left, top, right, bottom; right and bottom exclusive,
/// counted from the top). The rectangle's one-pixel border never changes.
class CSpotRemover {
public:
    CSpotRemover(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom, Picture& picture,
                 ProgressSink* progress = nullptr);
    /// Returns the number of pixels replaced.
    std::size_t Run(int neighbourTolerance, int centreTolerance, int requiredPairs);
    std::size_t Run(const SpotRemoverParams& p) {
        return Run(p.neighbourTolerance, p.centreTolerance, p.RequiredPairs());
    }

private:
    std::int32_t m_left, m_top, m_right, m_bottom;
    Picture& m_picture;
    ProgressSink* m_progress;
};

}  // namespace lp
