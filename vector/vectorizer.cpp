#include "vector/vectorizer.h"

#include <algorithm>
#include <new>

namespace lp {

CVectorizer::CVectorizer(const VectorizerSettings& settings)
    : m_bucket(std::clamp(settings.tolerance, 0, 255) + 1),
      m_mergeTolerance((100 - std::clamp(settings.precision, 0, 100)) * 0.005),
      m_background(settings.background < 0 ? kNoColour : (settings.background & 0xFFFFFF)),
      m_overlapped(settings.overlapped),
      m_contour(m_mergeTolerance) {}

bool CVectorizer::Similar(ColourRef a, ColourRef b) const {
    return RedOf(a) / m_bucket == RedOf(b) / m_bucket && GreenOf(a) / m_bucket == GreenOf(b) / m_bucket &&
           BlueOf(a) / m_bucket == BlueOf(b) / m_bucket;
}

ColourRef CVectorizer::At(std::int32_t x, std::int32_t y) const {
    const std::uint8_t* p = m_picture->RowFromTop(y).data() + 3 * std::size_t(x);
    return MakeColour(p[2], p[1], p[0]);
}

bool CVectorizer::SkippedBackground(std::int32_t x, std::int32_t y, ColourRef c) const {
    return m_background != kNoColour && !m_overlapped && c == m_background &&
           m_borderBackground[std::size_t(y) * std::size_t(m_width) + std::size_t(x)] != 0;
}

// Background-coloured pixels joined (through edges) to a background pixel on
// the border: only these regions are left out. A background-coloured region
// enclosed by an object must still be painted, or the object (drawn without
// it) would cover it.
void CVectorizer::MarkBorderBackground() {
    m_borderBackground.assign(std::size_t(m_width) * std::size_t(m_height), 0);
    if (m_background == kNoColour || m_overlapped) return;
    std::vector<std::size_t> pending;
    auto seed = [&](std::int32_t x, std::int32_t y) {
        const std::size_t i = std::size_t(y) * std::size_t(m_width) + std::size_t(x);
        if (m_borderBackground[i] == 0 && At(x, y) == m_background) {
            m_borderBackground[i] = 1;
            pending.push_back(i);
        }
    };
    for (std::int32_t x = 0; x < m_width; ++x) {
        seed(x, 0);
        seed(x, m_height - 1);
    }
    for (std::int32_t y = 0; y < m_height; ++y) {
        seed(0, y);
        seed(m_width - 1, y);
    }
    while (!pending.empty()) {
        const std::size_t i = pending.back();
        pending.pop_back();
        const auto x = static_cast<std::int32_t>(i % std::size_t(m_width));
        const auto y = static_cast<std::int32_t>(i / std::size_t(m_width));
        if (x > 0) seed(x - 1, y);
        if (x + 1 < m_width) seed(x + 1, y);
        if (y > 0) seed(x, y - 1);
        if (y + 1 < m_height) seed(x, y + 1);
    }
}

void CVectorizer::Pop() {
    if (!m_stack.empty()) m_stack.pop_back();
}

void CVectorizer::Push(ColourRef colour, std::uint32_t label) {
    const std::int64_t object = (label == 0 || label == kLonePixel) ? -1 : std::int64_t(label) - 1;
    m_stack.push_back(StackEntry{colour, object});
}

bool CVectorizer::Trace(std::int32_t x, std::int32_t y, ColourRef region, std::uint32_t label) {
    const ContourEnd end = FollowContour(
        m_width, m_height, ContourPoint{x, y},
        [&](std::int32_t px, std::int32_t py) {
            const std::uint32_t l = LabelAt(px, py);
            return (l == 0 || l == label) && Similar(At(px, py), region);
        },
        [&](std::int32_t px, std::int32_t py) { LabelAt(px, py) = label; }, m_contour, kMaxContourPoints);
    if (end == ContourEnd::TooLong || end == ContourEnd::Stuck) {
        m_contour.DiscardContour();
        m_stop = kTooLongMessage;
        return false;
    }
    return true;
}

VectorizeResult CVectorizer::Run(const Picture& picture, ProgressSink* progress) {
    VectorizeResult result;
    result.drawing.width = picture.Width();
    result.drawing.height = picture.Height();
    result.drawing.background = m_background;
    m_picture = &picture;
    m_width = picture.Width();
    m_height = picture.Height();
    m_stop.clear();
    m_contour.Clear();
    if (picture.IsEmpty()) return result;

    ProgressScope scope(progress, 0, m_height, "Vectorizing ...");
    try {
        m_labels.assign(std::size_t(m_width) * std::size_t(m_height), 0);
        m_stack.clear();
        m_stack.reserve(std::size_t(m_width));
        MarkBorderBackground();
        std::vector<VectorObject>& objects = result.drawing.objects;

        for (std::int32_t y = 0; y < m_height && m_stop.empty(); ++y) {
            scope.Step(y);
            m_stack.clear();
            for (std::int32_t x = 0; x < m_width; ++x) {
                const ColourRef c = At(x, y);
                if (!m_stack.empty() && Similar(c, m_stack.back().colour)) continue;
                // Leaving an object's boundary ends its run on this row.
                if (x > 0 && LabelAt(x - 1, y) != 0 && !SkippedBackground(x - 1, y, At(x - 1, y))) Pop();
                if (!m_stack.empty() && Similar(c, m_stack.back().colour)) {
                    if (m_overlapped || LabelAt(x, y) != 0 || SkippedBackground(x, y, c)) continue;
                    // Back in the enclosing region at an untraced pixel: the
                    // boundary of a hole.
                    const std::int64_t owner = m_stack.back().object;
                    if (owner < 0) continue;
                    const auto label = static_cast<std::uint32_t>(owner + 1);
                    m_contour.Clear();
                    if (!Trace(x, y, c, label)) break;
                    if (m_contour.ContourSize() > 1) {
                        VectorObject& object = objects[std::size_t(owner)];
                        const auto contour = m_contour.CurrentContour();
                        object.points.insert(object.points.end(), contour.begin(), contour.end());
                        ++object.holeCount;
                    } else {
                        LabelAt(x, y) = label;
                    }
                    continue;
                }
                if (SkippedBackground(x, y, c)) continue;
                const std::uint32_t label = LabelAt(x, y);
                Push(c, label);
                if (label != 0) continue;

                const std::size_t index = objects.size();
                if (index + 1 >= kLonePixel) {
                    m_stop = kNoMemoryMessage;
                    break;
                }
                m_contour.Clear();
                if (!Trace(x, y, c, static_cast<std::uint32_t>(index + 1))) break;
                if (m_contour.ContourSize() <= 1) {
                    LabelAt(x, y) = kLonePixel;
                    continue;
                }
                VectorObject object;
                object.colour = c;
                const auto contour = m_contour.CurrentContour();
                object.points.assign(contour.begin(), contour.end());
                objects.push_back(std::move(object));
                m_stack.back().object = static_cast<std::int64_t>(index);
            }
        }
    } catch (const std::bad_alloc&) {
        m_stop = kNoMemoryMessage;
    }
    result.stopMessage = m_stop;
    m_labels = {};
    m_borderBackground = {};
    m_stack = {};
    m_contour.Clear();
    m_picture = nullptr;
    return result;
}

}  // namespace lp
