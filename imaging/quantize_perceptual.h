#pragma once
#include "base/colour.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

#include <span>
#include <vector>

namespace lp {

/// Where the better quantizer measures colour differences.
enum class QuantizeSpace {
    Oklab,  ///< perceptual: equal steps look about equally different
    Rgb,    ///< plain RGB: minimises the mean squared RGB error (what PSNR measures)
};

/// Options of the better quantizer, an alternative to the popularity reduction of ReduceColours.
struct QuantizeOptions {
    int colours = 256;    ///< 1 .. kMaxQuantizeColours
    bool dither = false;  ///< Floyd-Steinberg error diffusion when mapping the pixels
    QuantizeSpace space = QuantizeSpace::Oklab;
    int refinementPasses = 10;  ///< k-means passes after the median cut (0 = median cut only)
};
inline constexpr int kMaxQuantizeColours = 4096;

/// Variance-based median cut over a 6-bit-per-channel histogram, refined by weighted k-means in the
/// chosen space. A picture with no more distinct colours than asked keeps exactly its colours.
/// Throws ImpExpException("Color Quantization", ...) for a colour count outside 1..kMaxQuantizeColours.
std::vector<ColourEntry> BuildQuantizedPalette(const Picture& picture, const QuantizeOptions& options,
                                               ProgressSink* progress = nullptr);

/// Maps every pixel to the palette colour nearest in the given space, optionally with serpentine
/// Floyd-Steinberg error diffusion. The palette must not be empty.
void RemapToPalette(Picture& picture, std::span<const ColourEntry> palette, bool dither, QuantizeSpace space,
                    ProgressSink* progress = nullptr);

/// BuildQuantizedPalette then RemapToPalette; returns the palette.
std::vector<ColourEntry> QuantizeColours(Picture& picture, const QuantizeOptions& options,
                                         ProgressSink* progress = nullptr);

}  // namespace lp
