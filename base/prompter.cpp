#include "base/prompter.h"

#include <cstdio>

namespace lp {

PromptAnswer DefaultAnswerPrompter::Ask(std::string_view, std::string_view, PromptButtons,
                                        PromptAnswer defaultAnswer) {
    return defaultAnswer;
}

void DefaultAnswerPrompter::Message(std::string_view text, std::string_view caption, PromptIcon) {
    std::fprintf(stderr, "%.*s: %.*s\n", int(caption.size()), caption.data(), int(text.size()), text.data());
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
