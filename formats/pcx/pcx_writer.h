#pragma once
#include "base/byte_sink.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace lp {

/// Encodes a 24-bit, three-plane, run-length encoded PCX file (version 5) in
/// memory. Throws ImpExpException("", text, "PCX Error").
std::vector<std::uint8_t> EncodePcx(const Picture& picture, ProgressSink* progress);
/// The same, into out a line at a time.
void EncodePcx(const Picture& picture, ByteSink& out, ProgressSink* progress);

/// Encodes and writes atomically: a failure leaves any old file untouched.
/// Throws ImpExpException(file name, text, "PCX Error").
void SavePcx(const Picture& picture, const std::filesystem::path& path, ProgressSink* progress);

}  // namespace lp
