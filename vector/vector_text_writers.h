#pragma once
#include <string>

#include "imaging/progress_sink.h"
#include "vector/vector_object.h"

namespace lp {

/// Encapsulated PostScript: a bounding box of the canvas, the background (when
/// set) as a filled rectangle, and every contour as a filled path in its
/// object's colour. Numbers are written in the "C" locale whatever the
/// process's locale. Progress: "Writing Objects.." over the objects.
std::string EncodeVectorEps(const VectorDrawing& drawing, ProgressSink* progress = nullptr);

/// SVG: the canvas in the background colour or white, then the objects as
/// paths whose contours combine by the even-odd rule (holes show what lies
/// beneath), filled and outlined one pixel wide around pixel centres, so that
/// the drawing covers the pixels it came from; square caps cover the end
/// pixels of contours left open where their last step needs no outline. One
/// style class per colour; path data in relative steps. When the drawing's
/// nesting is known, the objects of one depth and colour share one path,
/// depth after depth, ordered for short moves; otherwise each object has its
/// own path in drawing order.
std::string EncodeVectorSvg(const VectorDrawing& drawing, ProgressSink* progress = nullptr);

}  // namespace lp
