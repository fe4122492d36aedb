#pragma once
#include "base/settings.h"

#include <span>
#include <string>

namespace lp {

/// "lumaprism --thumbnails FOLDER [--jobs N]": lists the folder as the
/// browser does and fills the browser's own thumbnail cache for it, with a
/// progress bar on a terminal; prints the counts made, from cache and failed.
/// Exit 0 when every picture got its thumbnail, 1 when one failed or the
/// cache index could not be saved, 2 for a usage error.
int RunThumbnailsCommand(std::span<const std::string> args);
/// The command with the settings given (the browser options of the "Settings" section).
int RunThumbnails(std::span<const std::string> args, const AppSettings& settings);

}  // namespace lp
