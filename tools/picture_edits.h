#pragma once
// Picture edits of the view tools: cut-out, the retouch pen's strokes, the
// free-hand rotation of a selected area and the rotation of every frame.
#include <cstdint>
#include <optional>

#include "formats/gif/gif_records.h"
#include "base/colour.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"
#include "tools/selection_shape.h"

namespace lp {

/// The picture of the selection's bounding rectangle (clipped to the picture): the
/// whole rectangle for a rectangle selection; for an ellipse or a closed polygon the
/// transparent colour with only the covered pixels copied. Nothing for a magic-wand
/// selection, an open polygon, a polygon of fewer than three vertices or an empty box.
std::optional<Picture> CutOut(const Picture& picture, const CSelectionShape& shape, ColourRef transparent);

/// A line of the pen width from a to b (both ends included) in the colour; a pen
/// wider than one pixel paints a disc of that diameter at every point.
void DrawPenLine(Picture& picture, ContourPoint a, ContourPoint b, int penWidth, ColourRef colour);

/// Free-hand rotation of a selected area: the box's pixels (for an ellipse only those
/// inside it, the rest background) turn by the angle into a new picture, whose
/// top-left block of the box's size goes back onto the picture at the box's corner.
/// Pixels outside the box never change.
void RotateArea(Picture& picture, SelectionBox box, bool ellipse, double angleDegrees, ColourRef background);

/// Turns every frame but skipFrame by the angle, grows the logical screen to the
/// largest turned frame (it never shrinks) and reports "Rotating frame %d of %d ".
void RotateOtherFrames(GifFrameList& frames, GifInfo& info, std::size_t skipFrame, double angleDegrees,
                       ColourRef background, ProgressSink* progress = nullptr);

}  // namespace lp
