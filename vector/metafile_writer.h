#pragma once
#include <cstdint>
#include <vector>

#include "imaging/progress_sink.h"
#include "vector/vector_object.h"

namespace lp {

/// Both metafiles record the same drawing: the canvas filled (pen and brush) in
/// the background colour or white, then every contour of every object as a
/// filled polygon with a solid brush and a one-pixel pen of the object's
/// colour. Progress: "Writing Objects.." over the objects.

/// Windows metafile with a placeable header (bounds 0, 0, width, height at 96
/// units per inch) so that readers know its size. Coordinates are 16-bit:
/// a canvas over 32767 or a contour of more than 32767 points throws
/// InnerError("Unable to create Meta file ...") and yields nothing.
std::vector<std::uint8_t> EncodeWmf(const VectorDrawing& drawing, ProgressSink* progress = nullptr);

/// Enhanced metafile in pixel units, its frame in 0.01 mm for a reference
/// screen of 96 pixels per inch, described as "Orvantix".
std::vector<std::uint8_t> EncodeEmf(const VectorDrawing& drawing, ProgressSink* progress = nullptr);

/// The reference screen of EMF files: its size in pixels and millimetres.
inline constexpr std::int32_t kEmfScreenPixelsX = 1920;
inline constexpr std::int32_t kEmfScreenPixelsY = 1440;
inline constexpr std::int32_t kEmfScreenMillimetresX = 508;
inline constexpr std::int32_t kEmfScreenMillimetresY = 381;

}  // namespace lp
