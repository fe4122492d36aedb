#pragma once
#include <cstdio>
#include <span>
#include <string>

#include "base/settings.h"

namespace lp {

/// "lumaprism --convert IN... OUT|--out-dir DIR [OPTIONS]": opens each IN as a picture window
/// does, applies the size, colour and frame options, and saves it with the writer its output
/// extension (or --format) chooses. Exit status: 0 every file saved, 1 a file failed (an
/// existing output is left intact), 2 usage.
int RunConvertCommand(std::span<const std::string> args);

/// The command with the settings given; pictures written to "-" and --help go to out,
/// warnings and errors to err.
int RunConvert(std::span<const std::string> args, const AppSettings& settings, std::FILE* out, std::FILE* err);

}  // namespace lp
