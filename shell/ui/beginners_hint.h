#pragma once
#include <array>
#include <functional>
#include <string_view>

class QWidget;

namespace lp {

/// One hint: its text, its help topic (0 = none) and how often it may still be shown.
struct HintRecord {
    int number;
    int topic;
    int timesLeft;
    std::string_view text;
};

/// The hints of one run: a fixed table, not saved. ShowHint shows a hint
/// while the "BeginnersHint" setting is on and the hint has shows left.
class BeginnersHints {
public:
    BeginnersHints();

    /// The hint's record, or null for a number not in the table.
    const HintRecord* Find(int number) const;
    /// Decides whether hint n is shown now (and counts the show); the dialog is
    /// shown by the caller. False when the setting is off or the hint is used up.
    bool Take(int number, bool settingOn);
    /// Take + the modal "Beginner's Hint" dialog. openTopic opens a help topic.
    void ShowHint(int number, bool settingOn, QWidget* parent, const std::function<void(int)>& openTopic);

private:
    std::array<HintRecord, 13> m_hints;
};

}  // namespace lp
