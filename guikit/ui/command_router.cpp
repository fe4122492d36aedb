#include "guikit/ui/command_router.h"

namespace lp {

namespace {
CommandLevel LevelAt(std::size_t index) { return static_cast<CommandLevel>(int(index) + 1); }
}  // namespace

CommandLevel CommandChain::Execute(int id) const {
    // A command runs only where it is enabled: a disabled command must not be
    // reachable through an accelerator either.
    CommandLevel level = CommandLevel::None;
    const CommandState state = Update(id, &level);
    if (level == CommandLevel::None || !state.enabled) return CommandLevel::None;
    CommandTarget* target = targets[std::size_t(level) - 1];
    return target->ExecuteCommand(id) ? level : CommandLevel::None;
}

CommandState CommandChain::Update(int id, CommandLevel* answeredBy) const {
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (!targets[i]) continue;
        CommandState state;
        if (targets[i]->UpdateCommand(id, state)) {
            if (answeredBy) *answeredBy = LevelAt(i);
            return state;
        }
    }
    if (answeredBy) *answeredBy = CommandLevel::None;
    return CommandState{false, false};
}

}  // namespace lp
