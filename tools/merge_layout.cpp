#include "tools/merge_layout.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/imp_exp_exception.h"
#include "base/settings.h"
#include "imaging/image_size.h"

namespace lp {

namespace {
constexpr const char* kMergeWhere = "Merge";
constexpr const char* kMergeTitle = "Bitmap Error";
}  // namespace

std::string MergeEntryName(const std::filesystem::path& path, std::string_view title) {
    if (path.empty()) return std::string(title);
    return path.stem().string() + path.extension().string();
}

MergePlacement MergePlacement::FromSettings(const AppSettings& s) {
    MergePlacement p;
    p.gapX = std::max(s.mergeGapX, 0);
    p.gapY = std::max(s.mergeGapY, 0);
    p.overlap = s.overlap != 0;
    return p;
}

bool MergeList::Add(std::string name, std::int32_t width, std::int32_t height) {
    for (const MergeEntry& e : m_entries)
        if (e.name == name) return false;
    MergeEntry entry;
    entry.name = std::move(name);
    entry.width = width;
    entry.height = height;
    entry.rect = {0, 0, width, height};
    // The first picture starts selected.
    entry.selected = m_entries.empty();
    m_entries.push_back(std::move(entry));
    return true;
}

void MergeList::Select(std::size_t index, bool on) {
    if (index < m_entries.size()) m_entries[index].selected = on;
}

std::vector<std::size_t> MergeList::Selected() const {
    std::vector<std::size_t> indexes;
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].selected) indexes.push_back(i);
    return indexes;
}

std::string MergeList::ListText(int number, std::string_view name) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%3d ", number);
    return prefix + std::string(name);
}

void MergeList::PlaceAutomatically(const MergePlacement& p) {
    const std::int64_t gapX = p.overlap ? 0 : std::max<std::int64_t>(p.gapX, 0);
    const std::int64_t gapY = p.overlap ? 0 : std::max<std::int64_t>(p.gapY, 0);
    const int perLine = std::max(1, p.order == MergeOrder::RowFirst ? p.columns : p.rows);
    std::int64_t x = 0, y = 0, widest = 0, tallest = 0;
    int inLine = 0;
    for (std::size_t index : Selected()) {
        MergeEntry& e = m_entries[index];
        e.rect = {x, y, x + e.width, y + e.height};
        e.placed = true;
        if (p.order == MergeOrder::RowFirst) {
            x += e.width + gapX;
            tallest = std::max<std::int64_t>(tallest, e.height);
            if (++inLine == perLine) {
                inLine = 0;
                x = 0;
                y += tallest + gapY;
                tallest = 0;
            }
        } else {
            y += e.height + gapY;
            widest = std::max<std::int64_t>(widest, e.width);
            if (++inLine == perLine) {
                inLine = 0;
                y = 0;
                x += widest + gapX;
                widest = 0;
            }
        }
    }
}

void MergeList::MoveCentred(std::size_t index, std::int64_t x, std::int64_t y) {
    if (index >= m_entries.size()) return;
    MergeEntry& e = m_entries[index];
    const std::int64_t left = x - e.width / 2, top = y - e.height / 2;
    e.rect = {left, top, left + e.width, top + e.height};
    e.placed = false;
}

void MergeList::Drop(std::size_t index) {
    if (index < m_entries.size()) m_entries[index].placed = true;
}

MergeRect MergeList::Canvas() const {
    MergeRect u;
    bool first = true;
    for (const MergeEntry& e : m_entries) {
        if (!e.selected) continue;
        if (first) {
            u = e.rect;
            first = false;
            continue;
        }
        u.left = std::min(u.left, e.rect.left);
        u.top = std::min(u.top, e.rect.top);
        u.right = std::max(u.right, e.rect.right);
        u.bottom = std::max(u.bottom, e.rect.bottom);
    }
    return u;
}

std::int64_t MergeList::ExtentWidth() const {
    std::int64_t w = 150;
    for (const MergeEntry& e : m_entries)
        if (e.selected) w += e.width;
    return w;
}

std::int64_t MergeList::ExtentHeight() const {
    std::int64_t h = 150;
    for (const MergeEntry& e : m_entries)
        if (e.selected) h += e.height;
    return h;
}

Picture ComposeMerge(const MergeList& list, std::span<const Picture* const> pictures, ColourRef background) {
    const MergeRect canvas = list.Canvas();
    try {
        CheckImageSize(canvas.Width(), canvas.Height(), ImageLimits{});
    } catch (const InnerError& e) {
        throw ImpExpException(kMergeWhere, e.what(), kMergeTitle);
    }
    Picture result;
    result.Create(std::int32_t(canvas.Width()), std::int32_t(canvas.Height()));
    result.Fill(std::int32_t(background));
    const auto& entries = list.Entries();
    for (std::size_t i = 0; i < entries.size() && i < pictures.size(); ++i) {
        const MergeEntry& e = entries[i];
        const Picture* source = pictures[i];
        if (!e.selected || !source || source->IsEmpty()) continue;
        const std::int64_t dx = e.rect.left - canvas.left, dy = e.rect.top - canvas.top;
        const std::int32_t w = std::min<std::int32_t>(source->Width(), std::int32_t(canvas.Width() - dx));
        for (std::int32_t y = 0; y < source->Height(); ++y) {
            const std::int64_t ty = dy + y;
            if (ty < 0 || ty >= canvas.Height() || w <= 0) continue;
            std::memcpy(result.RowFromTop(std::int32_t(ty)).data() + dx * 3, source->RowFromTop(y).data(),
                        std::size_t(w) * 3);
        }
    }
    return result;
}

}  // namespace lp
