#pragma once
#include "base/byte_sink.h"
#include "base/colour.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace lp {

enum class BmpCompression : int { None = 0, Rle8 = 1, Rle4 = 2 };

/// Encodes a packed BMP file in memory. bitsPerPixel 0 lets the compression
/// choose (RLE4 -> 4, RLE8 -> 8). Throws ImpExpException("", text, "Bitmap Error").
/// A table of 2, 16 or 256 entries starts with a chosen palette (a reduction's) in its order
/// when it fits; colours it lacks follow as they are found.
std::vector<std::uint8_t> EncodeBmp(const Picture& picture, BmpCompression compression, int bitsPerPixel,
                                    ProgressSink* progress, std::span<const ColourEntry> palette = {});

/// The same, into out: an uncompressed file goes out a row at a time.
void EncodeBmp(const Picture& picture, BmpCompression compression, int bitsPerPixel, ByteSink& out,
               ProgressSink* progress, std::span<const ColourEntry> palette = {});

/// Encodes into the file, atomically: a failure leaves any old file untouched.
/// Throws ImpExpException(file name, text, "Bitmap Error").
void SaveBmp(const Picture& picture, const std::filesystem::path& path, BmpCompression compression,
             int bitsPerPixel, ProgressSink* progress);

}  // namespace lp
