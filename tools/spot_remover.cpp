#include "tools/spot_remover.h"

#include <algorithm>
#include <cstdlib>

namespace lp {

SpotRemoverParams SpotRemoverParams::FromSlider(int s) {
    s = std::clamp(s, 0, 100);
    if (s <= 20) return {5 * s, 100, 0};
    if (s <= 50) return {3 * s - 60, 100, 1};
    if (s <= 75) return {4 * s - 200, 100, 2};
    return {2 * s - 125, 101 - s, 2};
}

CSpotRemover::CSpotRemover(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                           Picture& picture, ProgressSink* progress)
    : m_left(std::max(0, left)),
      m_top(std::max(0, top)),
      m_right(std::min(picture.Width(), right)),
      m_bottom(std::min(picture.Height(), bottom)),
      m_picture(picture),
      m_progress(progress) {}

std::size_t CSpotRemover::Run(int t1, int t2, int requiredPairs) {
    if (m_right - m_left < 3 || m_bottom - m_top < 3) return 0;
    ProgressScope scope(m_progress, m_top, m_bottom, "Removing Spots..");
    auto at = [&](std::int32_t x, std::int32_t y) { return m_picture.RowFromTop(y).data() + std::size_t(x) * 3; };
    auto similar = [t1](const std::uint8_t* a, const std::uint8_t* b) {
        return std::abs(a[0] - b[0]) <= t1 && std::abs(a[1] - b[1]) <= t1 && std::abs(a[2] - b[2]) <= t1;
    };
    std::size_t replaced = 0;
    for (std::int32_t y = m_top + 1; y <= m_bottom - 2; ++y) {
        for (std::int32_t x = m_left + 1; x <= m_right - 2; ++x) {
            std::uint8_t* c = at(x, y);
            // The fourth sample is the right-hand neighbour on the same row.
            const std::uint8_t* n[4] = {at(x - 1, y - 1), at(x + 1, y - 1), at(x - 1, y + 1), at(x + 1, y)};
            int counter[4] = {0, 0, 0, 0};
            int pairs = 0;
            static constexpr int kPairs[6][2] = {{0, 1}, {0, 3}, {0, 2}, {1, 3}, {1, 2}, {2, 3}};
            for (const auto& pr : kPairs)
                if (similar(n[pr[0]], n[pr[1]])) {
                    ++pairs;
                    ++counter[pr[0]];
                    ++counter[pr[1]];
                }
            if (pairs < requiredPairs) continue;
            const std::uint8_t* n1 = n[0];
            if (!(std::abs(c[0] - n1[0]) > t2 && std::abs(c[1] - n1[1]) > t2 && std::abs(c[2] - n1[2]) > t2)) continue;
            int sum[3] = {0, 0, 0}, count = 0;
            for (int i = 0; i < 4; ++i)
                if (counter[i] >= 1) {
                    for (int k = 0; k < 3; ++k) sum[k] += n[i][k];
                    ++count;
                }
            if (count == 0) continue;
            const std::uint8_t avg[3] = {std::uint8_t(sum[0] / count), std::uint8_t(sum[1] / count),
                                         std::uint8_t(sum[2] / count)};
            // A black replacement is never written.
            if (avg[0] == 0 && avg[1] == 0 && avg[2] == 0) continue;
            c[0] = avg[0], c[1] = avg[1], c[2] = avg[2];
            ++replaced;
        }
        scope.Step(y);
    }
    return replaced;
}

}  // namespace lp
