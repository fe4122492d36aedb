#pragma once
#include <array>

#include "guikit/ui/command_table.h"

namespace lp {

/// What a target says about a command it answers.
struct CommandState {
    bool enabled = true;
    bool checked = false;
};

/// One level of the routing chain: the active view, its document, the picture
/// window, the main window, the application. A target that does not answer a
/// command returns false and the next level is asked.
class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    /// True when this target answers the command; state says whether it is
    /// enabled and checked now.
    virtual bool UpdateCommand(int id, CommandState& state) = 0;
    /// True when this target answered (the command ran or was refused by it).
    virtual bool ExecuteCommand(int id) = 0;
};

/// The chain in routing order; null entries (no active window) are skipped.
struct CommandChain {
    std::array<CommandTarget*, 5> targets{};  // view, document, child frame, main window, application

    /// Runs the command at the first level that answers it and returns that level.
    CommandLevel Execute(int id) const;
    /// The state from the first level that answers; disabled when nobody does.
    CommandState Update(int id, CommandLevel* answeredBy = nullptr) const;
};

}  // namespace lp
