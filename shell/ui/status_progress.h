#pragma once
#include <QProgressBar>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "imaging/progress_sink.h"

class QLabel;
class QStatusBar;

namespace lp {

/// Text forms of the status-bar facts, kept apart from the widgets so that the
/// exact strings can be checked on their own.
QString StatusSizeText(double width, double height, bool wholeNumbers);
QString StatusFrameText(int frame, int count);
QString StatusModemText(double kbps);
QString StatusColoursText(long count);
QString StatusResolutionText(int x, int y);

/// The progress display of a window's status bar: a bar placed over one pane,
/// visible only while an operation runs, and the message shown where the
/// layout chosen at construction puts it. The same object writes the picture
/// facts (size, frame, modem speed, colours, resolution) into their panes.
class CStatusProgress final : public QProgressBar, public ProgressSink {
    Q_OBJECT
public:
    enum class Mode {
        MainText = 0,     ///< panes 1..3 (180, 100, 120); bar in pane 2; message to the main window
        TextControl = 1,  ///< panes 1..2 (80, 120); bar in pane 1; message in a text control over pane 0
        FourPane = 2,     ///< panes 0..3 (100, 93, 90, stretching 100); bar in pane 2; message to pane 3
    };
    /// mainText receives the message in the MainText mode (the main window draws it).
    CStatusProgress(QStatusBar* statusBar, Mode mode, std::function<void(const QString&)> mainText = {});
    ~CStatusProgress() override;

    void Begin(long low, long high, std::string_view text) override;
    void Step(long position) override;
    void SetText(std::string_view text) override;
    void End() override;

    void ShowSize(double width, double height, bool wholeNumbers);
    void ShowFrame(int frame, int count);
    void ShowModem(double kbps);
    void ShowColours(long count);
    void ShowResolution(int x, int y);
    /// The title of a picture window's status bar (its message pane).
    void ShowTitle(const QString& text);

    Mode LayoutMode() const { return m_mode; }
    int PaneCount() const { return int(m_panes.size()); }
    /// The text of a pane (an empty string for a pane that does not exist).
    QString PaneText(int pane) const;
    QLabel* Pane(int pane) const;
    /// The "Prog Text" control of the TextControl mode, or null.
    QLabel* TextControl() const { return m_textControl; }
    bool Running() const { return m_running; }
    QString Message() const { return m_message; }

private:
    void SetPane(int pane, const QString& text);
    void ShowMessage(const QString& text);
    void PlaceOverPane();

    QStatusBar* m_statusBar;
    Mode m_mode;
    std::function<void(const QString&)> m_mainText;
    std::vector<QLabel*> m_panes;  // index = pane number; null where the status bar's own message area serves
    QLabel* m_textControl = nullptr;
    int m_barPane = 0;
    bool m_running = false;
    QString m_message;
};

}  // namespace lp
