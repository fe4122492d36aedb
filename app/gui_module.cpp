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

namespace {

/// The loaded module, or null after saying on standard error why it cannot be loaded.
void* LoadGuiModule() {
    std::error_code ec;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", ec);
    std::string reasons;
    for (const std::filesystem::path& candidate : GuiModuleCandidates(executable)) {
        if (!std::filesystem::exists(candidate, ec)) {
            reasons += "  " + candidate.string() + ": not found\n";
            continue;
        }
        // Kept loaded until the process ends: the toolkit registers exit handlers.
        if (void* module = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) return module;
        const char* why = ::dlerror();
        reasons += "  " + std::string(why ? why : candidate.string() + ": cannot be loaded") + "\n";
    }
    std::fprintf(stderr, "lumaprism: picture windows are not available: the window module %s cannot be loaded\n%s",
                 kGuiModuleName, reasons.c_str());
    return nullptr;
}

void* FindEntry(void* module, const char* symbol) {
    void* entry = ::dlsym(module, symbol);
    if (!entry)
        std::fprintf(stderr, "lumaprism: picture windows are not available: %s has no entry %s\n", kGuiModuleName,
                     symbol);
    return entry;
}

}  // namespace

int RunGuiModule(int argc, char** argv, const std::string& fileToOpen) {
    void* module = LoadGuiModule();
    if (!module) return 2;
    auto entry = reinterpret_cast<GuiEntryFunction>(FindEntry(module, kGuiEntrySymbol));
    if (!entry) return 2;
    return entry(argc, argv, fileToOpen.c_str());
}

int RunGuiPrintModule(int argc, char** argv, const std::string& file, const std::string& printer) {
    // Printing draws on the printer, not on a screen.
    if (!DisplayAvailable()) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    void* module = LoadGuiModule();
    if (!module) return 2;
    auto entry = reinterpret_cast<GuiPrintFunction>(FindEntry(module, kGuiPrintSymbol));
    if (!entry) return 2;
    return entry(argc, argv, file.c_str(), printer.c_str());
}

}  // namespace lp
