#pragma once
#include <cstdio>
#include <span>
#include <string>

namespace lp {

/// "lumaprism --macro-new FILE.TPL [--FIELD VALUE]...": writes a batch macro with one long
/// option per field of the record; fields not given keep the defaults of a new macro, so the
/// file holds the same bytes as a macro the windows would save with those settings.
/// FILE containing "/" is a path, else a macro of the TEMPLATE folder.
/// Exit status: 0 written, 1 the file could not be written, 2 usage.
int RunMacroNewCommand(std::span<const std::string> args);
int RunMacroNew(std::span<const std::string> args, std::FILE* out, std::FILE* err);

/// "lumaprism --macro-show NAME [--json]": prints every field of a macro, as the options of
/// --macro-new would set it, or as one JSON object. Exit status: 0, 1 unreadable, 2 usage.
int RunMacroShowCommand(std::span<const std::string> args);
int RunMacroShow(std::span<const std::string> args, std::FILE* out, std::FILE* err);

}  // namespace lp
