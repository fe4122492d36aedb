#pragma once
#include "base/prompter.h"

class QWidget;

namespace lp {

/// Questions and messages as modal message boxes over the main window.
class QtPrompter final : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }

    PromptAnswer Ask(std::string_view text, std::string_view caption, PromptButtons buttons,
                     PromptAnswer defaultAnswer) override;
    void Message(std::string_view text, std::string_view caption, PromptIcon icon) override;

private:
    QWidget* m_parent;
};

}  // namespace lp
