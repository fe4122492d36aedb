#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "imaging/image_size.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

namespace lp {

/// Loads the first image of a TIFF file, little- or big-endian: grey
/// (WhiteIsZero, BlackIsZero), RGB and palette pictures of 1 to 16 bits per
/// sample, uncompressed, LZW or PackBits strips. Throws ImpExpException(file
/// name, text, "Tiff Error") with the component's texts ("Corrupted file",
/// "Unsupported type", "End of file", ...), "Unknown type" for other
/// photometric interpretations, "Not enough memory!".
Picture LoadTiff(const std::filesystem::path& path, ProgressSink* progress);
Picture LoadTiff(const std::filesystem::path& path, ProgressSink* progress, const ImageLimits& limits);

/// Decodes a whole TIFF file held in memory; where names it in errors.
Picture DecodeTiff(std::span<const std::uint8_t> file, const std::string& where, ProgressSink* progress,
                   const ImageLimits& limits = {});

}  // namespace lp
