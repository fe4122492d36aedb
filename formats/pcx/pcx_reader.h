#pragma once
#include "imaging/image_size.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace lp {

/// PCX error texts by code (0 "Error Opening File" ... 8 "Error Writing File").
const char* PcxErrorText(int code);
inline constexpr const char* kPcxErrorTitle = "PCX Error";

/// Loads an 8-bit palette (one plane) or 24-bit (three planes) PCX file.
/// Throws ImpExpException(file name, text, "PCX Error").
Picture LoadPcx(const std::filesystem::path& path, ProgressSink* progress);
Picture LoadPcx(const std::filesystem::path& path, ProgressSink* progress, const ImageLimits& limits);

/// Decodes a whole PCX file held in memory; where names it in errors.
Picture DecodePcx(std::span<const std::uint8_t> file, const std::string& where, ProgressSink* progress,
                  const ImageLimits& limits = {});

}  // namespace lp
