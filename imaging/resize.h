#pragma once
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

namespace lp {

/// Nearest-neighbour resize: destination pixel (u, v), counted from the top-left,
/// takes source pixel (trunc(u * w / W), trunc(v * h / H)); rows and columns are
/// dropped or repeated, never blended. The picture's surface is replaced in
/// place. Throws ImpExpException when the new surface cannot be created; the
/// picture is then unchanged. An empty picture stays empty.
void Resize(Picture& picture, int newWidth, int newHeight);

/// Area-averaging (box) resize: destination pixel (u, v), counted from the
/// top-left, is the integer mean of the source pixels (j, k) with
/// trunc(u * sx) <= j < (u + 1) * sx and trunc(v * sy) <= k < (v + 1) * sy,
/// sx = w / W, sy = h / H, boxes clamped to the picture. Keeps one band of
/// source rows and reads each source row once. Progress: Begin(0, h,
/// "Resizing the Picture.."), one Step per destination row. Throws
/// ImpExpException("Bitmap Resize Error", ..., "Bitmap Error") for a size that
/// is not positive or breaks the pixel limits, or when memory runs out; the
/// picture is then unchanged. An empty picture stays empty.
void SmartResize(Picture& picture, int newWidth, int newHeight, ProgressSink* progress);

// Mirroring and rotation: imaging/rotate.h.

}  // namespace lp
