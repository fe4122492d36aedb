#include "guikit/ui/worker_prompter.h"

#include <QThread>
#include <chrono>
#include <future>
#include <memory>

namespace lp {

WorkerPrompter::WorkerPrompter(Prompter& target, QObject* context, std::function<bool()> stopped,
                               std::function<void(const std::string&)> alsoShow)
    : m_target(target), m_context(context), m_stopped(std::move(stopped)), m_alsoShow(std::move(alsoShow)) {}

PromptAnswer WorkerPrompter::Ask(std::string_view text, std::string_view caption, PromptButtons buttons,
                                 PromptAnswer defaultAnswer) {
    QObject* context = m_context.data();
    if (!context) return defaultAnswer;
    // Asked on the window's thread itself: waiting would hold up the very loop that asks.
    if (QThread::currentThread() == context->thread()) return m_target.Ask(text, caption, buttons, defaultAnswer);
    auto answer = std::make_shared<std::promise<PromptAnswer>>();
    std::future<PromptAnswer> reply = answer->get_future();
    QPointer<QObject> guard(context);
    Prompter* target = &m_target;
    QMetaObject::invokeMethod(
        context,
        [guard, target, answer, t = std::string(text), c = std::string(caption), buttons, defaultAnswer] {
            answer->set_value(guard ? target->Ask(t, c, buttons, defaultAnswer) : defaultAnswer);
        },
        Qt::QueuedConnection);
    while (reply.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
        if (m_stopped && m_stopped()) return defaultAnswer;
    try {
        return reply.get();
    } catch (const std::future_error&) {
        return defaultAnswer;  // the window went away before it could ask
    }
}

void WorkerPrompter::Message(std::string_view text, std::string_view caption, PromptIcon icon) {
    QObject* context = m_context.data();
    if (!context) return;
    QPointer<QObject> guard(context);
    Prompter* target = &m_target;
    QMetaObject::invokeMethod(
        context,
        [guard, target, also = m_alsoShow, t = std::string(text), c = std::string(caption), icon] {
            if (!guard) return;
            if (also) also(t);
            target->Message(t, c, icon);
        },
        Qt::QueuedConnection);
}

}  // namespace lp
