// Area-averaging resize: every destination pixel is the mean of the source
// pixels its box touches. Source boxes of neighbouring destination pixels may
// share a column or row when the scale is fractional (5 -> 2: columns 0..2 and
// 2..4); that shared pixel counts in both.
#include "base/imp_exp_exception.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"
#include "imaging/resize.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

namespace lp {

namespace {

constexpr const char* kWhere = "Bitmap Resize Error";
constexpr const char* kTitle = "Bitmap Error";

[[noreturn]] void ThrowNoMemory() { throw ImpExpException(kWhere, "Not Enough Memory", kTitle); }

/// Source cells [first, end) of one destination cell along one axis.
struct Span {
    std::int32_t first;
    std::int32_t end;
};

// Cell i (0-based) covers source cells k with trunc(i * scale) <= k < (i + 1) * scale.
// Floating point can put the last end one cell past the picture (21 -> 19 gives
// 19 * (21/19) = 21.000000000000004), so ends are clamped to the picture, and a
// box always keeps at least its first cell.
std::vector<Span> CellSpans(std::int32_t source, std::int32_t target) {
    const double scale = static_cast<double>(source) / static_cast<double>(target);
    std::vector<Span> spans(static_cast<std::size_t>(target));
    for (std::int32_t i = 0; i < target; ++i) {
        auto first = static_cast<std::int64_t>(static_cast<double>(i) * scale);
        auto end = static_cast<std::int64_t>(std::ceil(static_cast<double>(i + 1) * scale));
        first = std::clamp<std::int64_t>(first, 0, source - 1);
        end = std::clamp<std::int64_t>(end, first + 1, source);
        spans[static_cast<std::size_t>(i)] = {static_cast<std::int32_t>(first), static_cast<std::int32_t>(end)};
    }
    return spans;
}

// Exact quotient of sum / n using one multiplication; the correction steps make
// it agree with integer division whatever the rounding of the reciprocal.
inline std::uint32_t Divide(std::uint64_t sum, std::uint64_t n, double reciprocal) {
    auto q = static_cast<std::uint64_t>(static_cast<double>(sum) * reciprocal);
    while (q * n > sum) --q;
    while ((q + 1) * n <= sum) ++q;
    return static_cast<std::uint32_t>(q);
}

/// Holds the source rows of the current destination row's box: each source row
/// is copied in once, when the first box needing it arrives, and stays until
/// no later box needs it. Slot of source row k: k % capacity.
class RowBand {
public:
    RowBand(std::size_t rowBytes, std::int32_t capacity) : m_rowBytes(rowBytes), m_capacity(capacity) {
        m_bytes.assign(rowBytes * static_cast<std::size_t>(capacity), 0);
    }
    const std::uint8_t* Row(std::int32_t k) const {
        return m_bytes.data() + static_cast<std::size_t>(k % m_capacity) * m_rowBytes;
    }
    /// Brings source rows up to end (exclusive) into the band.
    void Fill(const Picture& picture, std::int32_t end) {
        for (; m_next < end; ++m_next)
            std::memcpy(m_bytes.data() + static_cast<std::size_t>(m_next % m_capacity) * m_rowBytes,
                        picture.RowFromTop(m_next).data(), m_rowBytes);
    }

private:
    std::size_t m_rowBytes;
    std::int32_t m_capacity;
    std::int32_t m_next = 0;
    std::vector<std::uint8_t> m_bytes;
};

// Column sums of one box of rows. 32-bit sums hold up to 16 843 009 rows of
// 255 (far above the largest picture); totals over a box are 64-bit.
template <typename ColumnSum>
void ResizeRows(const Picture& source, Picture& target, const std::vector<Span>& columns, const std::vector<Span>& rows,
                RowBand& band, const ProgressScope& progress) {
    const std::size_t valuesPerRow = static_cast<std::size_t>(source.Width()) * 3;
    std::vector<ColumnSum> sums(valuesPerRow);

    for (std::size_t v = 0; v < rows.size(); ++v) {
        const Span box = rows[v];
        band.Fill(source, box.end);
        progress.Step(box.end);

        const std::uint8_t* first = band.Row(box.first);
        for (std::size_t i = 0; i < valuesPerRow; ++i) sums[i] = first[i];
        for (std::int32_t k = box.first + 1; k < box.end; ++k) {
            const std::uint8_t* row = band.Row(k);
            for (std::size_t i = 0; i < valuesPerRow; ++i) sums[i] += row[i];
        }

        const std::uint64_t boxRows = static_cast<std::uint64_t>(box.end - box.first);
        auto out = target.RowFromTop(static_cast<int>(v));
        std::uint8_t* px = out.data();
        for (const Span column : columns) {
            std::uint64_t b = 0, g = 0, r = 0;
            const ColumnSum* s = sums.data() + static_cast<std::size_t>(column.first) * 3;
            for (std::int32_t j = column.first; j < column.end; ++j, s += 3) {
                b += s[0];
                g += s[1];
                r += s[2];
            }
            const std::uint64_t n = boxRows * static_cast<std::uint64_t>(column.end - column.first);
            const double reciprocal = 1.0 / static_cast<double>(n);
            px[0] = static_cast<std::uint8_t>(Divide(b, n, reciprocal));
            px[1] = static_cast<std::uint8_t>(Divide(g, n, reciprocal));
            px[2] = static_cast<std::uint8_t>(Divide(r, n, reciprocal));
            px += 3;
        }
    }
}

}  // namespace

void SmartResize(Picture& picture, int newWidth, int newHeight, ProgressSink* progressSink) {
    try {
        CheckImageSize(newWidth, newHeight, ImageLimits{});
    } catch (const InnerError& e) {
        throw ImpExpException(kWhere, e.what(), kTitle);
    }
    if (picture.IsEmpty()) return;

    const std::int32_t w = picture.Width();
    const std::int32_t h = picture.Height();
    Picture result;
    std::vector<Span> columns, rows;
    std::int32_t bandRows = 0;
    try {
        columns = CellSpans(w, newWidth);
        rows = CellSpans(h, newHeight);
        for (const Span& s : rows) bandRows = std::max(bandRows, s.end - s.first);
        result.Create(newWidth, newHeight);
    } catch (const std::bad_alloc&) {
        ThrowNoMemory();
    } catch (const ImpExpException&) {
        ThrowNoMemory();
    }

    ProgressScope progress(progressSink, 0, h, "Resizing the Picture..");
    try {
        // Consecutive boxes overlap by at most one row, so the band holds at
        // most ceil(sy) + 1 rows, and a single row when enlarging.
        RowBand band(static_cast<std::size_t>(w) * 3, bandRows);
        if (static_cast<std::uint64_t>(bandRows) * 255 <= UINT32_MAX)
            ResizeRows<std::uint32_t>(picture, result, columns, rows, band, progress);
        else
            ResizeRows<std::uint64_t>(picture, result, columns, rows, band, progress);
    } catch (const std::bad_alloc&) {
        ThrowNoMemory();
    }
    picture.Adopt(std::move(result));
}

}  // namespace lp
