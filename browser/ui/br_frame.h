#pragma once
#include <QMdiSubWindow>
#include <filesystem>

#include "base/settings.h"
#include "guikit/ui/command_router.h"
#include "imaging/progress_sink.h"

class QLabel;
class QProgressBar;
class QStatusBar;

namespace lp {

class CFileView;
class Prompter;

/// The browser window (`CBrFrame`): the list and its four-pane status bar
/// (message, status text, progress, counts). Titled "Lumaprism Browser"; its
/// system menu's Close entry is greyed.
class CBrFrame final : public QMdiSubWindow, public CommandTarget, public ProgressSink {
    Q_OBJECT
public:
    CBrFrame(AppSettings& settings, Prompter& prompter, std::filesystem::path cacheDirectory, QWidget* parent = nullptr);
    ~CBrFrame() override;

    CFileView& View() const { return *m_view; }
    QStatusBar* StatusBar() const { return m_statusBar; }
    /// Pane texts (0 message, 1 status, 3 counts).
    QString PaneText(int pane) const;
    QProgressBar* Progress() const { return m_progress; }

    /// update-counts with n.
    void UpdateCounts(int n);
    void UpdateMessagePane();

    /// "Back to picture window": activates the picture editor window.
    std::function<void()> backToPictureWindow;

    // ProgressSink: the progress control of pane 2.
    void Begin(long low, long high, std::string_view text) override;
    void Step(long position) override;
    void SetText(std::string_view text) override;
    void End() override;

    bool UpdateCommand(int id, CommandState& state) override;
    bool ExecuteCommand(int id) override;

private:
    CFileView* m_view;
    QStatusBar* m_statusBar;
    QLabel* m_message;
    QLabel* m_statusText;
    QProgressBar* m_progress;
    QLabel* m_counts;
};

}  // namespace lp
