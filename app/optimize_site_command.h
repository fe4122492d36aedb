#pragma once
#include <cstdio>
#include <span>
#include <string>

#include "base/settings.h"

namespace lp {

/// lumaprism --optimize-site URL OUTDIR [--levels N] [--no-alt] [--no-width]
/// [--no-height] [--macro NAME.TPL] [--report FILE] [--mirror-only]: mirrors a site into OUTDIR,
/// adds the missing IMG attributes, optimizes its images and prints the report.
/// Reads this user's settings (internet access, modem speed).
int RunOptimizeSiteCommand(std::span<const std::string> args);

/// The command with the settings given; progress and failures go to `err`,
/// the report to `out`. Exit code 0 done, 1 the job failed, 2 usage.
int RunOptimizeSite(std::span<const std::string> args, const AppSettings& settings, std::FILE* out, std::FILE* err);

}  // namespace lp
