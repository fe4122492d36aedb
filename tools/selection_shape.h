#pragma once
// The selection shapes of a picture view. Shapes keep their defining points in
// picture coordinates (the view divides mouse positions by its zoom and adds its
// scroll position); drawing is left to the view, which asks for the outline,
// the handles and the mask.
#include <cstdint>
#include <memory>
#include <vector>

#include "base/colour.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"
#include "tools/contour_follower.h"

namespace lp {

enum class SelectionKind { Rectangle, Ellipse, Polygon, MagicWand };

/// Inclusive-exclusive box in picture coordinates (right and bottom not part of it).
struct SelectionBox {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
    std::int32_t Width() const { return right - left; }
    std::int32_t Height() const { return bottom - top; }
    friend bool operator==(const SelectionBox&, const SelectionBox&) = default;
};

/// One mark per picture pixel, row by row from the top.
struct SelectionMask {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> marks;
    bool At(std::int32_t x, std::int32_t y) const {
        return x >= 0 && y >= 0 && x < width && y < height && marks[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    }
    std::size_t Count() const;
};

class CSelectionShape {
public:
    virtual ~CSelectionShape() = default;

    virtual SelectionKind Kind() const = 0;
    /// A mouse position in picture coordinates: rectangle and ellipse take it as their
    /// second corner, the polygon as a new vertex. False when the shape refuses it.
    virtual bool SetPoint(std::int32_t x, std::int32_t y) = 0;
    /// Whether the pixel (x, y) belongs to the area a fill paints.
    virtual bool Covers(std::int32_t x, std::int32_t y) const = 0;
    /// The box holding every covered pixel (possibly outside the picture).
    virtual SelectionBox Bounds() const = 0;
    /// Points with edit handles.
    virtual std::vector<ContourPoint> Handles() const = 0;
    /// Closed outlines to draw, each ending with its first point again.
    virtual std::vector<std::vector<ContourPoint>> Outlines() const = 0;
    /// On a handle: re-anchor so that the opposite point stays and the handle follows
    /// further SetPoint calls (MoveHandle for the polygon). True on a hit.
    virtual bool HitHandleAndAnchor(std::int32_t x, std::int32_t y) = 0;
    virtual bool HitHandle(std::int32_t x, std::int32_t y) const = 0;
    virtual void Offset(std::int32_t dx, std::int32_t dy) = 0;
    /// Whether a point lies inside the shape (for moving it).
    virtual bool Contains(std::int32_t x, std::int32_t y) const = 0;

    /// Paints the covered pixels of the picture with the colour; frameX/frameY is the
    /// current frame's offset on the canvas (shape points are canvas points). Returns
    /// the number of pixels painted.
    std::size_t Fill(Picture& picture, ColourRef colour, std::int32_t frameX = 0, std::int32_t frameY = 0,
                     ProgressSink* progress = nullptr) const;
    /// The covered pixels inside a width x height picture.
    SelectionMask Mask(std::int32_t width, std::int32_t height, std::int32_t frameX = 0,
                       std::int32_t frameY = 0) const;

    ColourRef fillColour = kNoColour;
    double zoom = 1.0;

protected:
    /// Handle hits count within 3 screen pixels of the point.
    bool NearPoint(ContourPoint p, std::int32_t x, std::int32_t y) const;
};

/// A rectangle spanned by an anchor corner and a moving corner. The pixels from the
/// smaller to the larger coordinate, the larger excluded, are covered.
class CRectSelection : public CSelectionShape {
public:
    CRectSelection(std::int32_t x, std::int32_t y) : m_a{x, y}, m_b{x, y} {}
    SelectionKind Kind() const override { return SelectionKind::Rectangle; }
    bool SetPoint(std::int32_t x, std::int32_t y) override;
    bool Covers(std::int32_t x, std::int32_t y) const override;
    SelectionBox Bounds() const override;
    std::vector<ContourPoint> Handles() const override;
    std::vector<std::vector<ContourPoint>> Outlines() const override;
    bool HitHandleAndAnchor(std::int32_t x, std::int32_t y) override;
    bool HitHandle(std::int32_t x, std::int32_t y) const override;
    void Offset(std::int32_t dx, std::int32_t dy) override;
    /// Strictly inside: the border does not count.
    bool Contains(std::int32_t x, std::int32_t y) const override;
    ContourPoint Anchor() const { return m_a; }
    ContourPoint Corner() const { return m_b; }

protected:
    ContourPoint m_a;
    ContourPoint m_b;
};

/// The ellipse inscribed in the rectangle of its two corners.
class CEllipseSelection final : public CRectSelection {
public:
    using CRectSelection::CRectSelection;
    SelectionKind Kind() const override { return SelectionKind::Ellipse; }
    bool Covers(std::int32_t x, std::int32_t y) const override;
    std::vector<std::vector<ContourPoint>> Outlines() const override;
    bool Contains(std::int32_t x, std::int32_t y) const override { return Covers(x, y); }
};

/// Up to kMaxVertices vertices, open while being drawn, closed by Close().
/// Covered pixels are those whose centre lies inside by the alternate (even-odd) rule.
class CPolygonSelection final : public CSelectionShape {
public:
    static constexpr std::size_t kMaxVertices = 1000;
    CPolygonSelection(std::int32_t x, std::int32_t y) { m_vertices.push_back({x, y}); }
    SelectionKind Kind() const override { return SelectionKind::Polygon; }
    /// Appends a vertex while open (refused past kMaxVertices or once closed); a
    /// grabbed handle instead follows the point.
    bool SetPoint(std::int32_t x, std::int32_t y) override;
    bool Covers(std::int32_t x, std::int32_t y) const override;
    SelectionBox Bounds() const override;
    std::vector<ContourPoint> Handles() const override { return m_vertices; }
    std::vector<std::vector<ContourPoint>> Outlines() const override;
    bool HitHandleAndAnchor(std::int32_t x, std::int32_t y) override;
    bool HitHandle(std::int32_t x, std::int32_t y) const override;
    void Offset(std::int32_t dx, std::int32_t dy) override;
    bool Contains(std::int32_t x, std::int32_t y) const override { return Covers(x, y); }

    void Close() { m_closed = true; m_grabbed = -1; }
    bool Closed() const { return m_closed; }
    const std::vector<ContourPoint>& Vertices() const { return m_vertices; }
    void ReleaseHandle() { m_grabbed = -1; }

private:
    std::vector<ContourPoint> m_vertices;
    bool m_closed = false;
    int m_grabbed = -1;
};

/// The area of similar colour four-connected to a seed pixel, found when the
/// selection is made, with its traced outline. It cannot be moved or stretched.
class CWandSelection final : public CSelectionShape {
public:
    /// Runs the whole search. Colour similarity: |dR| + |dG| + |dB| <= tolerance against
    /// the seed's colour. A seed outside the picture gives an empty area.
    CWandSelection(const Picture& picture, std::int32_t seedX, std::int32_t seedY, int tolerance,
                   ProgressSink* progress = nullptr);
    SelectionKind Kind() const override { return SelectionKind::MagicWand; }
    bool SetPoint(std::int32_t, std::int32_t) override { return true; }
    bool Covers(std::int32_t x, std::int32_t y) const override { return m_mask.At(x, y); }
    SelectionBox Bounds() const override { return m_bounds; }
    std::vector<ContourPoint> Handles() const override { return {}; }
    std::vector<std::vector<ContourPoint>> Outlines() const override;
    bool HitHandleAndAnchor(std::int32_t, std::int32_t) override { return true; }
    bool HitHandle(std::int32_t, std::int32_t) const override { return true; }
    void Offset(std::int32_t, std::int32_t) override {}
    bool Contains(std::int32_t, std::int32_t) const override { return false; }

    const SelectionMask& WandMask() const { return m_mask; }
    const ContourPointList& Contours() const { return m_contours; }
    int Tolerance() const { return m_tolerance; }
    bool IsEmpty() const { return m_bounds.Empty(); }
    /// Whether contour collection stopped for lack of memory (the area stays usable).
    bool OutlineIncomplete() const { return m_outlineIncomplete; }

private:
    void FindArea(const Picture& picture, ContourPoint seed, ProgressSink* progress);
    void TraceOutline(ProgressSink* progress);

    int m_tolerance;
    SelectionMask m_mask;
    std::vector<std::uint8_t> m_visited;
    SelectionBox m_bounds;
    ContourPointList m_contours{0.0};
    bool m_outlineIncomplete = false;
};

}  // namespace lp
