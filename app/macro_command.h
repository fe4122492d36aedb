#pragma once
#include "base/settings.h"

#include <span>
#include <string>

namespace lp {

/// Text printed by "lumaprism --macro --help".
extern const char* const kMacroCommandUsage;

/// "lumaprism --macro NAME.TPL [--report FILE] [--jobs N] FILE...": applies a
/// batch macro to the files as the picture browser does, going on after a
/// failed file. Returns 0 when every file succeeded, 1 when any failed, 2 for
/// a usage error.
int RunMacroCommand(std::span<const std::string> args);
/// The command with the settings given (SmartReSize, the report's modem speed).
int RunMacro(std::span<const std::string> args, const AppSettings& settings);

}  // namespace lp
