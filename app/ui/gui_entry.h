#pragma once
#include <string>

namespace lp {

/// Whether a windowing system can be reached (a display, a Wayland socket or
/// a platform chosen with QT_QPA_PLATFORM). Decided before any Qt object
/// exists: constructing the application without one aborts the process.
bool DisplayAvailable();

/// Runs the picture windows: start-up, the event loop, the exit step.
/// fileToOpen is the command line's open request (empty for none). Returns
/// the process exit code.
int RunGui(int argc, char** argv, const std::string& fileToOpen);

}  // namespace lp
