#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace lp {

/// The picture windows live in a module of their own ("lumaprism-gui.so"), so
/// that batch runs and the headless commands never load the GUI toolkit: the
/// program opens it only once the command line asks for a window.

/// The module's entry: int lumaprism_gui_main(int argc, char** argv, const char* fileToOpen).
inline constexpr const char* kGuiEntrySymbol = "lumaprism_gui_main";
using GuiEntryFunction = int (*)(int argc, char** argv, const char* fileToOpen);
inline constexpr const char* kGuiModuleName = "lumaprism-gui.so";
/// The print request's entry: int lumaprism_gui_print(int argc, char** argv, const char* file,
/// const char* printer); prints without any window and returns the exit code.
inline constexpr const char* kGuiPrintSymbol = "lumaprism_gui_print";
using GuiPrintFunction = int (*)(int argc, char** argv, const char* file, const char* printer);

/// Whether a windowing system can be reached (a display, a Wayland socket or
/// a platform chosen with QT_QPA_PLATFORM). Decided before the module is
/// loaded: constructing the GUI application without one aborts the process.
bool DisplayAvailable();

/// Where the module is looked for, in this order: beside the executable (the
/// build tree), then where installing puts it relative to the executable.
std::vector<std::filesystem::path> GuiModuleCandidates(const std::filesystem::path& executable);

/// Loads the module and runs the picture windows: start-up, the event loop,
/// the exit step. fileToOpen is the command line's open request (empty for
/// none). Returns the process exit code; when the module cannot be loaded it
/// says why on standard error and returns 2.
int RunGuiModule(int argc, char** argv, const std::string& fileToOpen);

/// Loads the module and prints the file on the printer (empty: the default printer; a name
/// ending in ".pdf" that names no printer: that PDF file). Printing needs no display: without
/// one the module runs on Qt's offscreen platform. Returns the exit code (2 when the module
/// cannot be loaded).
int RunGuiPrintModule(int argc, char** argv, const std::string& file, const std::string& printer);

}  // namespace lp
