#pragma once
#include "base/byte_sink.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace lp {

/// Encodes a 24-bit Targa file in memory (top-left origin, identification
/// text "Quintera Forge"); compress selects run-length encoding (image type 10)
/// over raw rows (type 2). Throws ImpExpException("", text, "Targa Error").
std::vector<std::uint8_t> EncodeTarga(const Picture& picture, bool compress, ProgressSink* progress);
/// The same, into out a row at a time.
void EncodeTarga(const Picture& picture, bool compress, ByteSink& out, ProgressSink* progress);

/// Encodes and writes atomically: a failure leaves any old file untouched.
/// Throws ImpExpException(file name, text, "Targa Error").
void SaveTarga(const Picture& picture, const std::filesystem::path& path, bool compress, ProgressSink* progress);

}  // namespace lp
