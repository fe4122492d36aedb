#pragma once
#include <QMdiSubWindow>
#include <memory>

#include "base/measure_units.h"
#include "document/picture_document.h"
#include "guikit/ui/command_router.h"

class QFrame;
class QSplitter;
class QStatusBar;

namespace lp {

class CDocCommands;
class CFrameStrip;
class CMainFrame;
class COrvantixView;
struct ViewContext;
class CStatusProgress;
class PictureClipboard;
class Ruler;
class FileChooser;
class CVectorizeDlg;

/// A picture window: the view over its document, its own four-pane status
/// bar, the two rulers (ids 130 and 132) and the splitter whose second row
/// holds the frame strip of a multi-frame picture. It owns its document and
/// listens to it; it answers the picture-window commands (close, rulers,
/// start-up screen).
class CChildFrame final : public QMdiSubWindow, public CommandTarget, public DocumentObserver {
    Q_OBJECT
public:
    CChildFrame(CMainFrame& mainFrame, std::unique_ptr<COrvantixDoc> document, PictureClipboard& clipboard,
                FileChooser& chooser);
    ~CChildFrame() override;

    COrvantixDoc& Document() { return *m_document; }
    const COrvantixDoc& Document() const { return *m_document; }
    COrvantixView& View() { return *m_view; }
    CDocCommands& DocumentCommands() { return *m_docCommands; }
    CStatusProgress& StatusProgress() { return *m_status; }
    Ruler* HorzRuler() const { return m_horzRuler; }
    Ruler* VertRuler() const { return m_vertRuler; }
    QSplitter* Splitter() const { return m_splitter; }
    CFrameStrip* FrameStrip() const { return m_frameStrip; }

    /// The caption of Part "transfer times": the prefix with the three times, then the title.
    QString CaptionText() const;
    /// Refreshes the caption and the status-bar title after the window's group changed.
    void RefreshGroupLabels();
    /// Shows or hides both rulers, growing or shrinking the window by 20 pixels.
    void ShowRulers(bool show);
    /// The program-wide units: both rulers take the unit and their axis's resolution, and
    /// the status bar shows the resolution and the picture size in the unit.
    void TakeUnits(const MeasureUnits& units);
    /// The rulers follow the view's zoom and scroll position.
    void FollowView();
    /// Gives the splitter's first row its height from the frame count and the canvas size.
    void LayoutSplitter();
    /// Closes without asking (the application closing after the user answered).
    void CloseWithoutAsking();
    /// "&Vectorization...": the vectorizer's dialog over a copy of the current picture (window
    /// modal, not blocking); null without a picture.
    CVectorizeDlg* OpenVectorizeDialog(FileChooser& chooser);

    // CommandTarget (the picture-window level)
    bool UpdateCommand(int id, CommandState& state) override;
    bool ExecuteCommand(int id) override;

    // DocumentObserver
    void PictureReplaced() override;
    void FramesChanged() override;
    void TitleChanged() override;
    void TransferInfoChanged() override;
    void StatusChanged(std::int64_t colourCount, std::int32_t width, std::int32_t height) override;
    void PlaybackFrame(const Picture& canvas, std::size_t index) override;
    void PlaybackEnded() override;

signals:
    /// Frames, frame properties or sizes changed (the animation page follows).
    void DocumentChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    ViewContext ViewContextFor();
    void RefreshCaption();
    void RefreshStatus();
    /// The picture size in the status bar, in the program-wide unit.
    void ShowSize(std::int32_t width, std::int32_t height);
    /// Asks to save a modified picture; false when the window must stay open.
    bool SaveModified();

    CMainFrame& m_mainFrame;
    std::unique_ptr<COrvantixDoc> m_document;
    PictureClipboard& m_clipboard;
    std::unique_ptr<CDocCommands> m_docCommands;
    COrvantixView* m_view = nullptr;
    CStatusProgress* m_status = nullptr;
    QStatusBar* m_statusBar = nullptr;
    Ruler* m_horzRuler = nullptr;
    Ruler* m_vertRuler = nullptr;
    QSplitter* m_splitter = nullptr;
    CFrameStrip* m_frameStrip = nullptr;
    bool m_shownOnce = false;
    bool m_closeAsked = false;  // the user already answered the save question
};

}  // namespace lp
