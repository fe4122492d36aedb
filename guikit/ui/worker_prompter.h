#pragma once
#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

#include "base/prompter.h"

namespace lp {

/// The prompter of work running on a worker thread. Messages are shown on the window's thread
/// without waiting for them. A question waits for the user's answer there; while it waits it
/// keeps looking at `stopped`, and once the work is being stopped it gives the default answer,
/// so that a window waiting for its worker never also waits for the user.
class WorkerPrompter final : public Prompter {
public:
    /// context: an object of the window's thread (the questions are asked while it lives);
    /// alsoShow: called there with every message's text (a status line, for instance).
    WorkerPrompter(Prompter& target, QObject* context, std::function<bool()> stopped,
                   std::function<void(const std::string&)> alsoShow = {});

    PromptAnswer Ask(std::string_view text, std::string_view caption, PromptButtons buttons,
                     PromptAnswer defaultAnswer) override;
    void Message(std::string_view text, std::string_view caption, PromptIcon icon) override;

private:
    Prompter& m_target;
    QPointer<QObject> m_context;
    std::function<bool()> m_stopped;
    std::function<void(const std::string&)> m_alsoShow;
};

}  // namespace lp
