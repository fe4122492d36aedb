#pragma once
#include <QApplication>
#include <deque>
#include <memory>

#include "base/prompter.h"
#include "base/settings.h"
#include "app/ui/lumaprism_app.h"
#include "document/picture_clipboard.h"
#include "guikit/ui/file_chooser.h"
#include "test_support.h"

namespace lp::test {

/// Lets queued signals and deferred deletions run, as the event loop would between user actions.
inline void Settle() {
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

/// File dialogs with scripted answers; every request is recorded.
class ScriptedChooser final : public FileChooser {
public:
    std::deque<std::vector<std::filesystem::path>> openAnswers;
    std::deque<std::optional<SaveChoice>> saveAnswers;
    std::vector<std::filesystem::path> openProposals;
    std::vector<int> saveFilters;
    std::deque<std::optional<SaveChoice>> vectorSaveAnswers;
    int vectorSaveRequests = 0;

    std::vector<std::filesystem::path> OpenFileNames(QWidget*, const std::filesystem::path& proposed, bool) override {
        openProposals.push_back(proposed);
        if (openAnswers.empty()) return {};
        auto answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }
    std::optional<SaveChoice> SaveFileName(QWidget*, const std::filesystem::path&, int filterIndex) override {
        saveFilters.push_back(filterIndex);
        if (saveAnswers.empty()) return std::nullopt;
        auto answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    std::optional<SaveChoice> SaveVectorFileName(QWidget*, const std::filesystem::path&) override {
        ++vectorSaveRequests;
        if (vectorSaveAnswers.empty()) return std::nullopt;
        auto answer = vectorSaveAnswers.front();
        vectorSaveAnswers.pop_front();
        return answer;
    }
};

/// One application with scripted services in a scratch home folder.
struct AppHarness {
    ScratchDir scratch;
    InMemorySettingsStore store;
    ScriptedPrompter prompter;
    ScriptedChooser chooser;
    InMemoryClipboard clipboard;
    std::unique_ptr<CLumaprismApp> app;

    /// welcome: leave the welcome screen on (the default store shows it).
    explicit AppHarness(bool welcome = false) {
        if (!welcome) store.WriteInt(kSettingsSection, "WelcomeScreen", 0);
    }
    CLumaprismApp& Start(const std::filesystem::path& file = {}) {
        CLumaprismApp::Services services;
        services.store = &store;
        services.prompter = &prompter;
        services.chooser = &chooser;
        services.clipboard = &clipboard;
        services.runProgram = [this](const std::string& program, const std::vector<std::string>& args) {
            programsRun.push_back(program);
            for (const auto& a : args) programsRun.back() += " " + a;
        };
        services.openUrl = [this](const std::string& url) { urlsOpened.push_back(url); };
        services.chooseScanSource = chooseScanSource;
        services.scanLibrary = scanLibrary;
        app = std::make_unique<CLumaprismApp>(services);
        app->Startup(file);
        QApplication::processEvents();
        return *app;
    }
    ~AppHarness() { app.reset(); }

    std::vector<std::string> programsRun;
    std::vector<std::string> urlsOpened;  // pages of the manual, instead of the desktop's browser
    /// The answer of "Select Source" (set before Start); unset: the source list dialog.
    std::function<std::optional<std::size_t>(std::span<const ScanDevice>, std::size_t)> chooseScanSource;
    /// The SANE library scanning loads (set before Start); empty: the system's.
    std::string scanLibrary;
};

}  // namespace lp::test
