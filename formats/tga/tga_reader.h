#pragma once
#include "imaging/image_size.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace lp {

/// Targa error texts by code (0 "Error Opening File" ... 8 "Error Writing File").
const char* TargaErrorText(int code);
inline constexpr const char* kTargaErrorTitle = "Targa Error";

/// Loads a colour-mapped or true-colour Targa file, raw or run-length encoded.
/// Throws ImpExpException(file name, text, "Targa Error").
Picture LoadTarga(const std::filesystem::path& path, ProgressSink* progress);
Picture LoadTarga(const std::filesystem::path& path, ProgressSink* progress, const ImageLimits& limits);

/// Decodes a whole Targa file held in memory; where names it in errors.
Picture DecodeTarga(std::span<const std::uint8_t> file, const std::string& where, ProgressSink* progress,
                    const ImageLimits& limits = {});

}  // namespace lp
