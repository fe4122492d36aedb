#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "imaging/image_size.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

namespace lp {

class ColourTally;  // imaging/colour_count.h

struct JpegReadOptions {
    ImageLimits limits;
    /// 1 decodes at full size; 2, 4 or 8 let the library decode at that
    /// fraction (thumbnails, which do not need the full picture).
    int scaleDenominator = 1;
    /// When set, every decoded row is added to it as it leaves the library,
    /// so the picture's colours are counted without a second pass over it.
    ColourTally* colours = nullptr;
};

/// Loads a JPEG file. Greyscale comes out grey; CMYK and YCCK (Adobe's
/// inverted form included) come out as RGB. Library warnings do not fail the
/// load: a truncated file keeps what the library decoded.
/// Throws ImpExpException(file name, text, "Jpeg Error").
Picture LoadJpeg(const std::filesystem::path& path, ProgressSink* progress);
Picture LoadJpeg(const std::filesystem::path& path, ProgressSink* progress, const JpegReadOptions& options);

/// Decodes a whole JPEG file held in memory; where names it in errors.
Picture DecodeJpeg(std::span<const std::uint8_t> file, const std::string& where, ProgressSink* progress,
                   const JpegReadOptions& options = {});

/// The version text of the JPEG library this program was built with.
std::string JpegLibraryVersion();

}  // namespace lp
