#pragma once
#include <cstdio>
#include <span>
#include <string>

#include "base/settings.h"

namespace lp {

/// "lumaprism --analyze FILE... [--modem BPS] [--json]": for each picture its size, colours,
/// frames and the measured GIF, JPEG and PNG sizes with their transfer times, as a table or
/// as JSON. Reads the settings of this user (modem speed, background colour).
/// Exit status: 0 every file analyzed, 1 a file failed, 2 usage.
int RunAnalyzeCommand(std::span<const std::string> args);

/// The command with the settings given; output and errors go to the streams.
int RunAnalyze(std::span<const std::string> args, const AppSettings& settings, std::FILE* out, std::FILE* err);

inline constexpr const char* kAnalyzeUsage = "--analyze FILE... [--modem BPS] [--json] [--yes]";
inline constexpr const char* kAnalyzeDescription =
    "Opens each picture as a picture window does and prints its width, height,\n"
    "colours and frames, the sizes it would have as GIF, JPEG (quality 75) and PNG\n"
    "files with their transfer times at the modem speed of the settings, and the\n"
    "smallest of the three. A file's own format shows its size on disk; an\n"
    "animation is measured by its first frame.\n";
inline constexpr const char* kAnalyzeFooter =
    "Exit status: 0 every file analyzed, 1 a file could not be read, 2 usage.\n";

}  // namespace lp
