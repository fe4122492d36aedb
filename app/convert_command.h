#pragma once
#include <cstdio>
#include <span>
#include <string>

#include "base/settings.h"

namespace lp {

/// "lumaprism --convert IN OUT [--quality Q]": opens IN as a picture window does and saves
/// OUT with the writer its extension chooses (every writer, EPS included), through the
/// document's save. Exit status: 0 saved, 1 failed (an existing OUT is left intact), 2 usage.
int RunConvertCommand(std::span<const std::string> args);

/// The command with the settings given; errors go to err.
int RunConvert(std::span<const std::string> args, const AppSettings& settings, std::FILE* out, std::FILE* err);

inline constexpr const char* kConvertUsage =
    "Usage: lumaprism --convert IN OUT [--quality Q]\n"
    "\n"
    "Opens IN (every frame of an animated GIF) and saves it as OUT in the format\n"
    "of OUT's extension: .jpg .jpeg .gif .png .bmp .rle .dib .tif .tga .pcx .eps.\n"
    "\n"
    "  --quality Q   JPEG quality 1..100 (default: the JpegQuality setting)\n"
    "\n"
    "Exit status: 0 saved, 1 failed (an existing OUT is left intact), 2 usage.\n";

}  // namespace lp
