#pragma once
#include "imaging/image_size.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace lp {

/// BMP error texts, indexed by the codes the file formats use.
const char* BmpErrorText(int code);

/// Loads a BMP, DIB or RLE file. A name without any "." gets ".bmp" appended.
/// Throws ImpExpException(file name, text, "Bitmap Error").
Picture LoadBmp(const std::filesystem::path& path, ProgressSink* progress);
Picture LoadBmp(const std::filesystem::path& path, ProgressSink* progress, const ImageLimits& limits);

/// Decodes a whole BMP file held in memory; where names it in errors.
Picture DecodeBmp(std::span<const std::uint8_t> file, const std::string& where, ProgressSink* progress,
                  const ImageLimits& limits = {});

}  // namespace lp
