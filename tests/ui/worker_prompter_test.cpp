// Questions and messages of work on a worker thread reach the user on the window's thread.
#include "guikit/ui/worker_prompter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QObject>
#include <atomic>
#include <thread>

namespace lp {
namespace {

bool RunEventsUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

TEST(WorkerPrompter, AWorkersQuestionGetsTheUsersAnswer) {
    QObject window;
    ScriptedPrompter user({PromptAnswer::No});
    std::atomic<bool> stopped{false};
    std::vector<std::string> shown;
    WorkerPrompter prompter(user, &window, [&] { return stopped.load(); },
                            [&](const std::string& text) { shown.push_back(text); });
    std::atomic<int> answer{-1};
    std::thread worker([&] {
        answer = int(prompter.Ask("Want to continue ?", "Lumaprism", PromptButtons::YesNo, PromptAnswer::Yes));
        prompter.Message("Done", "Lumaprism", PromptIcon::Information);
    });
    ASSERT_TRUE(RunEventsUntil([&] { return user.Messages().size() == 1; }));
    worker.join();
    EXPECT_EQ(answer.load(), int(PromptAnswer::No));  // the user's answer, not the default
    ASSERT_EQ(user.Questions().size(), 1u);
    EXPECT_EQ(user.Questions()[0].text, "Want to continue ?");
    EXPECT_EQ(user.Messages()[0].text, "Done");
    EXPECT_EQ(shown, std::vector<std::string>{"Done"});
}

TEST(WorkerPrompter, AStoppedWorkerStopsWaitingAndTakesTheDefault) {
    QObject window;
    ScriptedPrompter user({PromptAnswer::No});
    std::atomic<bool> stopped{false};
    WorkerPrompter prompter(user, &window, [&] { return stopped.load(); });
    std::atomic<int> answer{-1};
    // The window's thread is busy (no events run): only the stop can end the wait.
    std::thread worker([&] {
        answer = int(prompter.Ask("Want to continue ?", "Lumaprism", PromptButtons::YesNo, PromptAnswer::Yes));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(answer.load(), -1);  // still waiting for the user
    stopped = true;
    worker.join();
    EXPECT_EQ(answer.load(), int(PromptAnswer::Yes));
    // The question posted meanwhile is still asked once events run; its answer is dropped.
    QApplication::processEvents();
}

TEST(WorkerPrompter, OnTheWindowsThreadItAsksAtOnce) {
    QObject window;
    ScriptedPrompter user({PromptAnswer::No});
    WorkerPrompter prompter(user, &window, [] { return false; });
    EXPECT_EQ(prompter.Ask("q", "c", PromptButtons::YesNo, PromptAnswer::Yes), PromptAnswer::No);
}

}  // namespace
}  // namespace lp
