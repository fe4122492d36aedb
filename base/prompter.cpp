#include "base/prompter.h"

#include <cstdio>

namespace lp {

DefaultAnswerPrompter::DefaultAnswerPrompter(bool yesToAll, MessageSink sink)
    : m_yesToAll(yesToAll), m_sink(std::move(sink)) {
    if (!m_sink)
        m_sink = [](std::string_view text, std::string_view caption) {
            std::fprintf(stderr, "%.*s: %.*s\n", int(caption.size()), caption.data(), int(text.size()), text.data());
        };
}

PromptAnswer DefaultAnswerPrompter::Ask(std::string_view, std::string_view, PromptButtons,
                                        PromptAnswer defaultAnswer) {
    return m_yesToAll ? PromptAnswer::Yes : defaultAnswer;
}

void DefaultAnswerPrompter::Message(std::string_view text, std::string_view caption, PromptIcon) {
    m_sink(text, caption);
}

DefaultAnswerPrompter::MessageSink DefaultAnswerPrompter::Quiet() {
    return [](std::string_view, std::string_view) {};
}

PromptAnswer ScriptedPrompter::Ask(std::string_view text, std::string_view caption, PromptButtons,
                                   PromptAnswer defaultAnswer) {
    m_questions.push_back({std::string(text), std::string(caption)});
    if (m_answers.empty()) return defaultAnswer;
    const PromptAnswer a = m_answers.front();
    m_answers.pop_front();
    return a;
}

void ScriptedPrompter::Message(std::string_view text, std::string_view caption, PromptIcon) {
    m_messages.push_back({std::string(text), std::string(caption)});
}

}  // namespace lp
