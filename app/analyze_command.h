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

inline constexpr const char* kAnalyzeUsage =
    "Usage: lumaprism --analyze FILE... [--modem BPS] [--json]\n"
    "\n"
    "Opens each picture as a picture window does and prints its width, height,\n"
    "colours and frames, and the sizes it would have as GIF, JPEG (quality 75)\n"
    "and PNG files with their transfer times at the modem speed of the settings.\n"
    "A file's own format shows its size on disk; an animation is measured by its\n"
    "first frame.\n"
    "\n"
    "  --modem BPS   transfer speed in bits per second (0: no times)\n"
    "  --json        one JSON document instead of the table\n"
    "\n"
    "Exit status: 0 every file analyzed, 1 a file could not be read, 2 usage.\n";

}  // namespace lp
