#pragma once
#include "imaging/picture.h"
#include "imaging/progress_sink.h"
#include "vector/vector_object.h"

namespace lp {

/// The preview rendering: a picture of the drawing's size filled with the
/// background colour (or white); each object then draws its contours as lines
/// through the pixel centres and fills the even-odd combination of its
/// contours, so holes show what lies beneath. Progress: "Writing Objects..".
/// Throws ImpExpException as Picture::Create does.
Picture PaintVectorObjects(const VectorDrawing& drawing, ProgressSink* progress = nullptr);

}  // namespace lp
