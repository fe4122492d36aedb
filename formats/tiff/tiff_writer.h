#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/picture.h"
#include "imaging/progress_sink.h"

namespace lp {

/// Encodes the picture as a little-endian TIFF in memory: 24-bit RGB in
/// LZW-compressed strips of about 8192 bytes, one directory. Throws
/// ImpExpException(where, text, "Tiff Error"); an empty picture is refused
/// with "Unsupported type".
std::vector<std::uint8_t> EncodeTiff(const Picture& picture, ProgressSink* progress, const std::string& where = {});

/// Encodes and writes atomically: a failure leaves any old file untouched.
/// Throws ImpExpException(file name, text, "Tiff Error"); a file that cannot be
/// written gives the C library's text for the error.
void SaveTiff(const Picture& picture, const std::filesystem::path& path, ProgressSink* progress);

}  // namespace lp
