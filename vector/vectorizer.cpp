#include "vector/vectorizer.h"

#include <algorithm>
#include <new>
#include <span>

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

// Background-coloured pixels joined (through edges) to a background pixel on
// the border: only these regions are left out. A background-coloured region
// enclosed by an object must still be painted, or the object (drawn without
// it) would cover it.
void CVectorizer::MarkBorderBackground() {
    m_borderBackground.clear();
    if (m_background == kNoColour || m_overlapped) return;
    m_borderBackground.assign(std::size_t(m_width) * std::size_t(m_height), 0);
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

void CVectorizer::FindRegions() {
    const std::size_t count = std::size_t(m_width) * std::size_t(m_height);
    m_regions.resize(count);
    // Union-find whose root is always the smaller index: each region ends up
    // named by its first pixel in row-major order.
    auto find = [&](std::uint32_t i) {
        std::uint32_t root = i;
        while (m_regions[root] != root) root = m_regions[root];
        while (m_regions[i] != root) {
            const std::uint32_t next = m_regions[i];
            m_regions[i] = root;
            i = next;
        }
        return root;
    };
    auto join = [&](std::uint32_t a, std::uint32_t b) {
        a = find(a);
        b = find(b);
        if (a < b)
            m_regions[b] = a;
        else if (b < a)
            m_regions[a] = b;
    };
    // Per-channel buckets: alike colours have equal keys.
    std::uint8_t bucketOf[256];
    for (int v = 0; v < 256; ++v) bucketOf[v] = static_cast<std::uint8_t>(v / m_bucket);
    const auto rowLength = static_cast<std::size_t>(m_width);
    std::vector<std::uint32_t> keys(rowLength), above(rowLength);
    const bool skipping = !m_borderBackground.empty();
    for (std::int32_t y = 0; y < m_height; ++y) {
        const std::uint8_t* row = m_picture->RowFromTop(y).data();
        for (std::int32_t x = 0; x < m_width; ++x) {
            const std::uint8_t* p = row + 3 * std::size_t(x);
            keys[std::size_t(x)] = std::uint32_t(bucketOf[p[2]]) | std::uint32_t(bucketOf[p[1]]) << 8 |
                                   std::uint32_t(bucketOf[p[0]]) << 16;
        }
        for (std::int32_t x = 0; x < m_width; ++x) {
            const std::size_t i = Index(x, y);
            if (skipping && m_borderBackground[i] != 0) {
                m_regions[i] = kNoRegion;
                continue;
            }
            m_regions[i] = static_cast<std::uint32_t>(i);
            const std::uint32_t key = keys[std::size_t(x)];
            if (x > 0 && keys[std::size_t(x) - 1] == key && m_regions[i - 1] != kNoRegion)
                join(static_cast<std::uint32_t>(i - 1), static_cast<std::uint32_t>(i));
            if (y > 0 && above[std::size_t(x)] == key && m_regions[i - std::size_t(m_width)] != kNoRegion)
                join(static_cast<std::uint32_t>(i - std::size_t(m_width)), static_cast<std::uint32_t>(i));
        }
        std::swap(keys, above);
    }
    // Every pixel straight to its root; roots come before their members.
    for (std::size_t i = 0; i < count; ++i)
        if (m_regions[i] != kNoRegion) m_regions[i] = m_regions[m_regions[i]];
}

bool CVectorizer::Trace(std::int32_t x, std::int32_t y, std::uint32_t region) {
    const ContourEnd end = FollowContour(
        m_width, m_height, ContourPoint{x, y},
        [&](std::int32_t px, std::int32_t py) { return RegionAt(px, py) == region; },
        [&](std::int32_t px, std::int32_t py) { m_regions[Index(px, py)] |= kVisited; }, m_contour,
        kMaxContourPoints);
    if (end == ContourEnd::TooLong || end == ContourEnd::Stuck) {
        m_contour.DiscardContour();
        m_stop = kTooLongMessage;
        return false;
    }
    return true;
}

namespace {

/// Whether the pixel centre (x, y) lies inside the closed contour (the last
/// point repeats the first), by the parity of the contour's crossings of the
/// row left of it. Exact for a contour whose points are pixel centres joined
/// by collinear merging only; a pixel outside the region is never on it.
bool InsideContour(std::span<const ContourPoint> contour, std::int32_t x, std::int32_t y) {
    bool inside = false;
    for (std::size_t i = 0; i + 1 < contour.size(); ++i) {
        const ContourPoint a = contour[i], b = contour[i + 1];
        if (!((a.y <= y && y < b.y) || (b.y <= y && y < a.y))) continue;
        // Crossing at a.x + (y - a.y)(b.x - a.x) / (b.y - a.y), compared with x.
        const std::int64_t den = std::int64_t(b.y) - a.y;
        const std::int64_t lhs = (std::int64_t(a.x) - x) * den + (std::int64_t(y) - a.y) * (std::int64_t(b.x) - a.x);
        if (den > 0 ? lhs < 0 : lhs > 0) inside = !inside;
    }
    return inside;
}

}  // namespace

std::int64_t CVectorizer::EnclosingObject(std::int32_t x, std::int32_t y, const std::vector<Traced>& traced,
                                          const std::vector<VectorObject>& objects) const {
    // The region met on the left encloses this one, or is enclosed by the
    // same object as this one. Lone pixels enclose nothing: look past them.
    for (std::int32_t u = x - 1; u >= 0; --u) {
        const std::uint32_t region = RegionAt(u, y);
        if (region == kNoRegion) return -1;  // left-out background touches the border
        const auto it = std::lower_bound(traced.begin(), traced.end(), region,
                                         [](const Traced& t, std::uint32_t r) { return t.region < r; });
        if (it == traced.end() || it->region != region) continue;
        const auto index = static_cast<std::size_t>(it - traced.begin());
        const auto outer = std::span<const ContourPoint>(objects[index].points).first(it->outerSize);
        return InsideContour(outer, x, y) ? std::int64_t(index) : it->parent;
    }
    return -1;  // joined to the left border
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
        if (std::uint64_t(m_width) * std::uint64_t(m_height) >= kNoRegion) throw std::bad_alloc();
        MarkBorderBackground();
        FindRegions();
        std::vector<VectorObject>& objects = result.drawing.objects;
        // Per object, in object order (ascending first pixels).
        std::vector<Traced> traced;

        for (std::int32_t y = 0; y < m_height && m_stop.empty(); ++y) {
            scope.Step(y);
            for (std::int32_t x = 0; x < m_width; ++x) {
                const std::size_t i = Index(x, y);
                const std::uint32_t word = m_regions[i];
                const std::uint32_t region = word & kRegionMask;
                if (region == kNoRegion) continue;
                if (region == i) {
                    // The region's first pixel: its outer boundary.
                    m_contour.Clear();
                    if (!Trace(x, y, region)) break;
                    if (m_contour.ContourSize() <= 1) {
                        m_regions[i] |= kVisited;  // a lone pixel makes no object
                        continue;
                    }
                    VectorObject object;
                    object.colour = At(x, y);
                    const auto contour = m_contour.CurrentContour();
                    object.points.assign(contour.begin(), contour.end());
                    const std::int64_t parent = EnclosingObject(x, y, traced, objects);
                    if (parent >= 0) object.depth = objects[std::size_t(parent)].depth + 1;
                    objects.push_back(std::move(object));
                    traced.push_back(Traced{region, contour.size(), parent});
                    continue;
                }
                // Entering the region at a pixel no contour has passed: the
                // boundary of one of its holes.
                if (m_overlapped || (word & kVisited) != 0 || x == 0 || RegionAt(x - 1, y) == region) continue;
                const auto owner = std::lower_bound(traced.begin(), traced.end(), region,
                                                    [](const Traced& t, std::uint32_t r) { return t.region < r; });
                if (owner == traced.end() || owner->region != region) continue;
                m_contour.Clear();
                if (!Trace(x, y, region)) break;
                if (m_contour.ContourSize() > 1) {
                    VectorObject& object = objects[std::size_t(owner - traced.begin())];
                    const auto contour = m_contour.CurrentContour();
                    object.points.insert(object.points.end(), contour.begin(), contour.end());
                    ++object.holeCount;
                } else {
                    m_regions[i] |= kVisited;
                }
            }
        }
    } catch (const std::bad_alloc&) {
        m_stop = kNoMemoryMessage;
    }
    // Merged points off the pixel centres' straight lines make the depth
    // test approximate.
    result.drawing.nestingKnown = m_mergeTolerance == 0.0;
    result.stopMessage = m_stop;
    m_regions = {};
    m_borderBackground = {};
    m_contour.Clear();
    m_picture = nullptr;
    return result;
}

}  // namespace lp
