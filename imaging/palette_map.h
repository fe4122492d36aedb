#pragma once
#include "base/colour.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

#include <string_view>

namespace lp {

/// What a picture is mapped onto: a named set of colours that answers "nearest
/// colour to this one". `Palette` (tools/palette.h) is the usual one.
class NearestColourSource {
public:
    virtual ~NearestColourSource() = default;
    virtual std::string_view Name() const = 0;
    virtual ColourRef Nearest(ColourRef colour) const = 0;
};

/// Maps every pixel onto the palette, asking it at most once per 15-bit cell: the first pixel met
/// in a cell (from the top row, left to right) decides the colour of every pixel of that cell.
/// Progress "Converting Picture to palette <name>", one step per row.
void ConvertToPalette(Picture& picture, const NearestColourSource& palette, ProgressSink* progress = nullptr);

/// The 8 x 8 threshold matrix (values 0..31) of the two-level halftone.
int HalftoneThreshold(int matrixRow, int matrixColumn);

/// Two-level halftone of one channel (1 = blue, 2 = green, 3 = red): a pixel becomes white when the
/// threshold at (phase + row from top, column) is below the channel scaled to 0..36, else black.
/// Throws ImpExpException for a channel outside 1..3.
void Halftone(Picture& picture, int phase, int channel);

/// Two-level halftone from all three channels; mode 1..4 (see the .cpp). Throws ImpExpException
/// for a mode outside 1..4.
void HalftoneByChannel(Picture& picture, int phase, int mode);

}  // namespace lp
