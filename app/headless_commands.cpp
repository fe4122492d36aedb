// The headless commands as the program runs them: each reads this user's
// settings file and writes to the process's standard streams.
#include <cstdio>

#include "app/analyze_command.h"
#include "imaging/image_size.h"
#include "app/convert_command.h"
#include "app/macro_command.h"
#include "app/optimize_site_command.h"
#include "app/ini_settings_store.h"
#include "app/thumbnails_command.h"

namespace lp {

namespace {

AppSettings UserSettings() {
    const IniSettingsStore store;
    AppSettings settings = LoadSettings(store);
    ApplyPictureBudgetSetting(settings.pictureBudget);
    return settings;
}

}  // namespace

int RunAnalyzeCommand(std::span<const std::string> args) { return RunAnalyze(args, UserSettings(), stdout, stderr); }

int RunConvertCommand(std::span<const std::string> args) { return RunConvert(args, UserSettings(), stdout, stderr); }

int RunMacroCommand(std::span<const std::string> args) { return RunMacro(args, UserSettings()); }

int RunOptimizeSiteCommand(std::span<const std::string> args) {
    return RunOptimizeSite(args, UserSettings(), stdout, stderr);
}

int RunThumbnailsCommand(std::span<const std::string> args) { return RunThumbnails(args, UserSettings()); }

}  // namespace lp
