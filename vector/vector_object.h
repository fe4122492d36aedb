#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "base/colour.h"
#include "tools/contour_follower.h"

namespace lp {

/// One filled polygon set made by the vectorizer: the outer boundary of a
/// region and, after it, its holes.
struct VectorObject {
    static constexpr std::uint16_t kFilledPolygonSet = 1;

    std::uint16_t type = kFilledPolygonSet;  // the only type there is
    ColourRef colour = 0;                    // where the region was first met
    /// All contours one after another, each closed by a repetition of its
    /// first point; the first is the outer boundary, the others are holes.
    std::vector<ContourPoint> points;
    std::uint32_t holeCount = 0;  // contours after the first
    /// Objects enclosing this one (holding it inside their outer boundary);
    /// valid when the drawing's nestingKnown is set.
    std::uint32_t depth = 0;

    std::vector<std::span<const ContourPoint>> Contours() const { return SplitContours(points); }
};

/// What a vector file holds: the objects in painting order (later ones cover
/// earlier ones) on a canvas of the picture's size.
struct VectorDrawing {
    std::int32_t width = 0;
    std::int32_t height = 0;
    ColourRef background = kNoColour;  // none: the canvas is white
    std::vector<VectorObject> objects;
    /// Each object's depth is exact: objects of one depth never overlap, so a
    /// writer may paint them in any order after the shallower ones.
    bool nestingKnown = false;
};

}  // namespace lp
