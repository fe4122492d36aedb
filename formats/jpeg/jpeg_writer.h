#pragma once
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "base/byte_sink.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

namespace lp {

/// The quality of callers that have no value of their own.
inline constexpr int kDefaultJpegQuality = 75;

/// Encodes a baseline JFIF file in memory (library defaults, 2 x 2 chroma
/// subsampling, standard tables scaled by quality 1..100; values outside are
/// clamped). Progress text "Saving JPEG File" or the caption when not empty.
/// Throws ImpExpException("", text, "Jpeg Error"); an empty picture fails.
std::vector<std::uint8_t> EncodeJpeg(const Picture& picture, int quality, ProgressSink* progress = nullptr,
                                     std::string_view caption = {});

/// The same, streamed into out (a file being saved writes as the library encodes).
void EncodeJpeg(const Picture& picture, int quality, ByteSink& out, ProgressSink* progress = nullptr,
                std::string_view caption = {});

/// The size EncodeJpeg would produce, counted without keeping the bytes.
std::uint64_t MeasureJpegSize(const Picture& picture, int quality);

/// Encodes into the file, atomically: a failure leaves any old file
/// untouched. Throws ImpExpException(file name, text, "Jpeg Error").
void SaveJpeg(const Picture& picture, const std::filesystem::path& path, int quality, ProgressSink* progress = nullptr,
              std::string_view caption = {});

}  // namespace lp
