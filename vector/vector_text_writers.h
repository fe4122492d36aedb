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

/// SVG: the canvas in the background colour or white, then one path per
/// object whose contours combine by the even-odd rule (holes show what lies
/// beneath), filled and outlined one pixel wide in the object's colour around
/// pixel centres, so that the drawing covers the pixels it came from.
std::string EncodeVectorSvg(const VectorDrawing& drawing, ProgressSink* progress = nullptr);

}  // namespace lp
