#include "imaging/colour_reduce.h"

#include "imaging/colour_count.h"
#include "base/imp_exp_exception.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace lp {

namespace {

constexpr std::uint16_t kCountCap = 0x7FFF;

[[noreturn]] void ThrowZeroTarget() {
    throw ImpExpException("Color Reduction", "Cannot reduce to 0 colors", "Bitmap Error");
}

// Progress in percent within one phase: Step whenever the whole-number part changes.
class PercentProgress {
public:
    explicit PercentProgress(const ProgressScope& scope) : m_scope(scope) {}

    void StartPhase(const std::string& text) {
        m_scope.SetText(text);
        m_position = 0;
        m_shown = 0;
        m_scope.Step(0);
    }
    void Advance(double by) {
        m_position += by;
        const long whole = static_cast<long>(m_position);
        if (whole != m_shown) {
            m_shown = whole;
            m_scope.Step(whole);
        }
    }

private:
    const ProgressScope& m_scope;
    double m_position = 0;
    long m_shown = 0;
};

struct CellHistogram {
    std::vector<std::uint16_t> counts = std::vector<std::uint16_t>(kCellCount, 0);
};

// Counts every pixel into its cell, each counter stopping at 0x7FFF.
CellHistogram CountCells(const Picture& picture, PercentProgress& progress) {
    CellHistogram histogram;
    std::uint16_t* counts = histogram.counts.data();
    const int width = picture.Width();
    const int height = picture.Height();
    const double perRow = height > 0 ? 100.0 / height : 0;
    for (int done = 0; done < height; ++done) {
        const std::uint8_t* p = picture.RowFromTop(done).data();
        for (int x = 0; x < width; ++x, p += 3) {
            std::uint16_t& c = counts[CellIndex(p[2], p[1], p[0])];
            if (c < kCountCap) ++c;
        }
        progress.Advance(perRow);
    }
    return histogram;
}

// The occupied cells by descending count, equal counts by descending cell index. A counting sort over
// the counts: within one count the cells come in ascending index order and are written from the end of
// their group backwards.
std::vector<std::uint16_t> SortCells(const CellHistogram& histogram, PercentProgress& progress) {
    std::vector<std::uint32_t> groupEnd(std::size_t(kCountCap) + 2, 0);
    for (std::uint16_t c : histogram.counts)
        if (c > 0) ++groupEnd[c];
    // groupEnd[c] = number of cells with count >= c, the exclusive end of group c in the output.
    for (int c = kCountCap - 1; c >= 1; --c) groupEnd[std::size_t(c)] += groupEnd[std::size_t(c) + 1];
    std::vector<std::uint16_t> sorted(groupEnd[1]);
    const double perCell = 100.0 / kCellCount;
    for (int cell = 0; cell < kCellCount; ++cell) {
        const std::uint16_t c = histogram.counts[std::size_t(cell)];
        if (c > 0) sorted[--groupEnd[c]] = std::uint16_t(cell);
        progress.Advance(perCell);
    }
    return sorted;
}

int Distance(const ColourEntry& a, const ColourEntry& b) {
    return ColourDistance(a.red, a.green, a.blue, b.red, b.green, b.blue);
}

// The threshold search. candidates are examined in order; the result holds the fixed entries followed by
// the chosen colours, at most target entries (fewer when no threshold filled the palette exactly).
std::vector<ColourEntry> SearchPalette(std::span<const ColourEntry> candidates, std::span<const ColourEntry> fixed,
                                       std::size_t target, PercentProgress& progress) {
    std::vector<ColourEntry> best(fixed.begin(), fixed.end());
    if (fixed.size() >= target) return best;

    std::vector<ColourEntry> working;
    working.reserve(target);
    const double perCandidate = candidates.empty() ? 0 : 100.0 / double(candidates.size());
    int step = 766;
    int threshold = 766;
    for (int iteration = 1;; ++iteration) {
        progress.StartPhase("Iterations : " + std::to_string(iteration));
        working.assign(fixed.begin(), fixed.end());
        bool filled = false;
        for (std::size_t k = 0; k < candidates.size(); ++k) {
            progress.Advance(perCandidate);
            const ColourEntry& candidate = candidates[k];
            const bool near = std::any_of(working.begin(), working.end(),
                                          [&](const ColourEntry& e) { return Distance(candidate, e) < threshold; });
            if (near) continue;
            working.push_back(candidate);
            if (working.size() == target) {
                if (k + 1 == candidates.size()) return working;
                filled = true;
                break;
            }
        }
        if (!filled && working.size() > best.size()) best = working;
        step /= 2;
        if (step == 0) return best;
        threshold += filled ? step : -step;
    }
}

// Appends candidates, in order, that are not yet in the palette (all four bytes compared) until it
// holds target entries.
void TopUp(std::vector<ColourEntry>& palette, std::span<const ColourEntry> candidates, std::size_t target) {
    for (const ColourEntry& c : candidates) {
        if (palette.size() >= target) return;
        if (std::find(palette.begin(), palette.end(), c) == palette.end()) palette.push_back(c);
    }
}

// The effective target: max(min(target, cells), fixed); a negative target, taken as unsigned, becomes
// the number of cells.
std::size_t EffectiveTarget(int target, std::size_t cells, std::size_t fixed) {
    if (target == 0) ThrowZeroTarget();
    const std::size_t wanted = target < 0 ? cells : std::min(std::size_t(target), cells);
    return std::max(wanted, fixed);
}

// Histogram, sort, search and top-up: the palette for the picture's cells and the sorted cells.
struct ChosenPalette {
    std::vector<ColourEntry> palette;
    std::vector<std::uint16_t> sortedCells;
};

ChosenPalette ChooseForPicture(const Picture& picture, int target, std::span<const ColourEntry> fixed,
                               PercentProgress& progress) {
    const CellHistogram histogram = CountCells(picture, progress);
    progress.StartPhase("Processing Colors..");
    ChosenPalette chosen;
    chosen.sortedCells = SortCells(histogram, progress);
    const std::size_t effective = EffectiveTarget(target, chosen.sortedCells.size(), fixed.size());

    std::vector<ColourEntry> corners;
    corners.reserve(chosen.sortedCells.size());
    for (std::uint16_t cell : chosen.sortedCells) corners.push_back(CellCorner(cell));

    chosen.palette = SearchPalette(corners, fixed, effective, progress);
    TopUp(chosen.palette, corners, effective);
    return chosen;
}

}  // namespace

std::vector<ColourEntry> ReduceColours(Picture& picture, int targetCount, std::span<const ColourEntry> fixedEntries,
                                       ProgressSink* progress, ColourRef* transparent) {
    if (targetCount == 0) ThrowZeroTarget();
    if (picture.IsEmpty()) return {};

    ProgressScope scope(progress, 0, 100, "Counter Analysing Picture ..");
    PercentProgress percent(scope);
    const ChosenPalette chosen = ChooseForPicture(picture, targetCount, fixedEntries, percent);
    const std::vector<ColourEntry>& palette = chosen.palette;

    // Every occupied cell to the entry nearest its corner; ties go to the lowest index.
    percent.StartPhase("Mapping Colors");
    std::vector<std::uint16_t> cellToEntry(kCellCount, 0);
    const double perCell = 100.0 / double(chosen.sortedCells.size());
    for (std::uint16_t cell : chosen.sortedCells) {
        const ColourEntry corner = CellCorner(cell);
        int bestDistance = 766;
        std::size_t bestIndex = 0;
        for (std::size_t i = 0; i < palette.size(); ++i) {
            const int d = Distance(corner, palette[i]);
            if (d < bestDistance) {
                bestDistance = d;
                bestIndex = i;
                if (d == 0) break;
            }
        }
        cellToEntry[cell] = std::uint16_t(bestIndex);
        percent.Advance(perCell);
    }

    // Cell straight to the three output bytes (blue, green, red).
    std::vector<std::uint8_t> cellToBgr(std::size_t(kCellCount) * 3, 0);
    for (std::uint16_t cell : chosen.sortedCells) {
        const ColourEntry& e = palette[cellToEntry[cell]];
        std::uint8_t* out = &cellToBgr[std::size_t(cell) * 3];
        out[0] = e.blue;
        out[1] = e.green;
        out[2] = e.red;
    }

    percent.StartPhase("Updating Colors");
    bool lookForTransparent = transparent && *transparent != kNoColour;
    const int width = picture.Width();
    const int height = picture.Height();
    const double perRow = 100.0 / height;
    for (int done = 0; done < height; ++done) {
        auto row = picture.RowFromTop(done);
        int transparentAt = -1;
        std::uint8_t* p = row.data();
        for (int x = 0; x < width; ++x, p += 3) {
            if (lookForTransparent && transparentAt < 0 && MakeColour(p[2], p[1], p[0]) == *transparent)
                transparentAt = x;
            const std::uint8_t* c = &cellToBgr[std::size_t(CellIndex(p[2], p[1], p[0])) * 3];
            p[0] = c[0];
            p[1] = c[1];
            p[2] = c[2];
        }
        if (transparentAt >= 0) {
            // The row is written in place; the colour handed back is the one actually stored there.
            const std::uint8_t* stored = row.data() + std::size_t(transparentAt) * 3;
            *transparent = MakeColour(stored[2], stored[1], stored[0]);
            lookForTransparent = false;
        }
        percent.Advance(perRow);
    }
    return palette;
}

std::vector<ColourEntry> BuildPalette(const Picture& picture, int targetCount,
                                      std::span<const ColourEntry> fixedEntries, ProgressSink* progress) {
    if (targetCount == 0) ThrowZeroTarget();
    ProgressScope scope(progress, 0, 100, "Counter Analysing Picture ..");
    PercentProgress percent(scope);
    return ChooseForPicture(picture, targetCount, fixedEntries, percent).palette;
}

int ReducePaletteList(std::span<ColourEntry> colours, int targetCount, ProgressSink* progress) {
    if (targetCount == 0) ThrowZeroTarget();
    if (targetCount < 0 || std::size_t(targetCount) >= colours.size()) return int(colours.size());

    ProgressScope scope(progress, 0, 100, "Processing Colors..");
    PercentProgress percent(scope);
    const std::vector<ColourEntry> list(colours.begin(), colours.end());
    std::vector<ColourEntry> chosen = SearchPalette(list, {}, std::size_t(targetCount), percent);
    TopUp(chosen, list, std::size_t(targetCount));
    std::copy(chosen.begin(), chosen.end(), colours.begin());
    return int(chosen.size());
}

}  // namespace lp
