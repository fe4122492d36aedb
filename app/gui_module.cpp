#include "app/gui_module.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <system_error>

#ifndef LP_GUI_MODULE_INSTALL_DIR
#define LP_GUI_MODULE_INSTALL_DIR "../lib/lumaprism"
#endif

namespace lp {

namespace {

bool EnvSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

}  // namespace

bool DisplayAvailable() { return EnvSet("QT_QPA_PLATFORM") || EnvSet("DISPLAY") || EnvSet("WAYLAND_DISPLAY"); }

std::vector<std::filesystem::path> GuiModuleCandidates(const std::filesystem::path& executable) {
    const std::filesystem::path folder = executable.parent_path();
    return {folder / kGuiModuleName, (folder / LP_GUI_MODULE_INSTALL_DIR / kGuiModuleName).lexically_normal()};
}

int RunGuiModule(int argc, char** argv, const std::string& fileToOpen) {
    std::error_code ec;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", ec);
    std::string reasons;
    void* module = nullptr;
    for (const std::filesystem::path& candidate : GuiModuleCandidates(executable)) {
        if (!std::filesystem::exists(candidate, ec)) {
            reasons += "  " + candidate.string() + ": not found\n";
            continue;
        }
        // Kept loaded until the process ends: the toolkit registers exit handlers.
        module = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module) break;
        const char* why = ::dlerror();
        reasons += "  " + std::string(why ? why : candidate.string() + ": cannot be loaded") + "\n";
    }
    if (!module) {
        std::fprintf(stderr, "lumaprism: picture windows are not available: the window module %s cannot be loaded\n%s",
                     kGuiModuleName, reasons.c_str());
        return 2;
    }
    auto entry = reinterpret_cast<GuiEntryFunction>(::dlsym(module, kGuiEntrySymbol));
    if (!entry) {
        std::fprintf(stderr, "lumaprism: picture windows are not available: %s has no entry %s\n", kGuiModuleName,
                     kGuiEntrySymbol);
        return 2;
    }
    return entry(argc, argv, fileToOpen.c_str());
}

}  // namespace lp
