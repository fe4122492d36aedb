#pragma once
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lp {

enum class PromptAnswer { Ok, Cancel, Yes, No };
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptIcon { None, Information, Exclamation, Question, Stop };

/// How the core asks questions and shows messages without a toolkit. The GUI
/// answers with message boxes, tests with scripted answers, the batch mode with
/// each question's default.
class Prompter {
public:
    virtual ~Prompter() = default;
    virtual PromptAnswer Ask(std::string_view text, std::string_view caption, PromptButtons buttons,
                             PromptAnswer defaultAnswer) = 0;
    virtual void Message(std::string_view text, std::string_view caption, PromptIcon icon) = 0;
};

/// Batch mode: every question takes its default (or Yes when told to say yes to all);
/// messages go to the sink, standard error ("caption: text") when none is given.
class DefaultAnswerPrompter final : public Prompter {
public:
    using MessageSink = std::function<void(std::string_view text, std::string_view caption)>;

    explicit DefaultAnswerPrompter(bool yesToAll = false, MessageSink sink = {});

    PromptAnswer Ask(std::string_view text, std::string_view caption, PromptButtons buttons,
                     PromptAnswer defaultAnswer) override;
    void Message(std::string_view text, std::string_view caption, PromptIcon icon) override;

    /// A sink that drops every message.
    static MessageSink Quiet();

private:
    bool m_yesToAll;
    MessageSink m_sink;
};

/// Tests: answers come from a queue (the default when it runs dry) and every
/// question and message is recorded.
class ScriptedPrompter final : public Prompter {
public:
    struct Record {
        std::string text;
        std::string caption;
    };
    explicit ScriptedPrompter(std::deque<PromptAnswer> answers = {}) : m_answers(std::move(answers)) {}

    PromptAnswer Ask(std::string_view text, std::string_view caption, PromptButtons buttons,
                     PromptAnswer defaultAnswer) override;
    void Message(std::string_view text, std::string_view caption, PromptIcon icon) override;

    const std::vector<Record>& Questions() const { return m_questions; }
    const std::vector<Record>& Messages() const { return m_messages; }

private:
    std::deque<PromptAnswer> m_answers;
    std::vector<Record> m_questions;
    std::vector<Record> m_messages;
};

}  // namespace lp
