#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "base/colour.h"
#include "imaging/image_size.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

namespace lp {

/// Loads a PNG file as stored (no gamma correction). Transparency is not
/// kept: alpha and tRNS are composited over the file's bKGD colour when it has
/// one, else over background (black when kNoColour). 16-bit samples keep their
/// high byte. Throws ImpExpException(file name, text, "Png Error").
Picture LoadPng(const std::filesystem::path& path, ColourRef background, ProgressSink* progress);
Picture LoadPng(const std::filesystem::path& path, ColourRef background, ProgressSink* progress,
                const ImageLimits& limits);

/// Decodes a whole PNG file held in memory; where names it in errors.
Picture DecodePng(std::span<const std::uint8_t> file, const std::string& where, ColourRef background,
                  ProgressSink* progress, const ImageLimits& limits = {});

/// The version text of the PNG library this program was built with.
std::string PngLibraryVersion();

}  // namespace lp
