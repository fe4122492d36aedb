#pragma once
#include <string>

namespace lp {

/// Runs the picture windows: start-up, the event loop, the exit step.
/// fileToOpen is the command line's open request (empty for none). Returns
/// the process exit code. The program reaches it through the window module's
/// entry (app/gui_module.h), never by linking it.
int RunGui(int argc, char** argv, const std::string& fileToOpen);

}  // namespace lp
