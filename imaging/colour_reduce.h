#pragma once
#include "base/colour.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

#include <span>
#include <vector>

namespace lp {

/// Popularity reduction on 15-bit cells without dithering: the cells are ordered by pixel count, a
/// palette is chosen by a threshold search on the |dR|+|dG|+|dB| distance between cell corner colours,
/// and every pixel takes the palette colour nearest to its cell's corner.
///
/// Target rules: 0 is an error (ImpExpException "Color Reduction"); a negative target means "every
/// cell"; the effective target is max(min(target, occupied cells), fixed entries), so a picture with
/// fewer cells than fixed entries maps onto those entries. An empty picture is left alone.
///
/// Rewrites the picture in place and returns the palette its pixels were mapped onto (the fixed
/// entries first). When transparent is given and not kNoColour, the first pixel of that exact colour
/// (from the top row, left to right) turns *transparent into the colour that pixel received.
std::vector<ColourEntry> ReduceColours(Picture& picture, int targetCount,
                                       std::span<const ColourEntry> fixedEntries = {}, ProgressSink* progress = nullptr,
                                       ColourRef* transparent = nullptr);

/// The palette ReduceColours would choose, without changing the picture: the fixed entries followed by
/// the chosen colours, as many as the effective target.
std::vector<ColourEntry> BuildPalette(const Picture& picture, int targetCount,
                                      std::span<const ColourEntry> fixedEntries = {}, ProgressSink* progress = nullptr);

/// Reduces a list of colours in place with the same threshold search (list order instead of
/// popularity, exact colours). Returns the new length; the chosen colours fill the start of the list.
/// A target that is not below the length (a negative one included) leaves the list unchanged; 0 is an
/// error.
int ReducePaletteList(std::span<ColourEntry> colours, int targetCount, ProgressSink* progress = nullptr);

}  // namespace lp
