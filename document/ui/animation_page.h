#pragma once
#include <QPointer>
#include <QWidget>
#include <array>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMdiSubWindow;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QStackedWidget;
class QToolButton;
class QTreeWidget;

namespace lp {

class CChildFrame;
class CMainFrame;
class CFrameColourDlg;
class COrvantixDoc;

/// The frame list: one row per frame in the detailed view, one icon per frame in the large
/// icon view; a click makes that frame current.
class CFrameListView final : public QWidget {
    Q_OBJECT
public:
    explicit CFrameListView(QWidget* parent = nullptr);
    /// Rows and icons for the document (null: empty).
    void Show(COrvantixDoc* document, double bitsPerSecond);
    void SetDetailed(bool detailed);
    bool Detailed() const;
    QTreeWidget* Details() const { return m_details; }
    QListWidget* Icons() const { return m_icons; }
    QAction* LargeIconAction() const { return m_largeIcons; }
    QAction* DetailedAction() const { return m_detailedView; }

signals:
    void FrameChosen(int index);

private:
    QStackedWidget* m_stack = nullptr;
    QTreeWidget* m_details = nullptr;
    QListWidget* m_icons = nullptr;
    QAction* m_largeIcons = nullptr;
    QAction* m_detailedView = nullptr;
    bool m_filling = false;
};

/// The control panel's "Animation" page: the current frame's and the animation's properties,
/// stepping and playback, the speed with its Apply, and the frame list. It follows the active
/// picture window; every edit goes to the document (which keeps it for Undo) and the page is
/// redrawn from the document afterwards.
class CAnimationPage final : public QWidget {
    Q_OBJECT
public:
    explicit CAnimationPage(CMainFrame& mainFrame, QWidget* parent = nullptr);

    /// Redraws every field from the active picture window's document.
    void Refresh();
    COrvantixDoc* Document() const;

    // The controls, for the window tests.
    QLineEdit* LeftField() const { return m_left; }
    QLineEdit* TopField() const { return m_top; }
    QCheckBox* TransparentBox() const { return m_transparent; }
    QPushButton* ColourButton() const { return m_colour; }
    QLineEdit* DelayField() const { return m_delay; }
    QCheckBox* UserInputBox() const { return m_userInput; }
    QRadioButton* DisposalButton(int choice) const { return m_disposal[std::size_t(choice)]; }
    QLabel* FrameSizeText() const { return m_frameSize; }
    QLabel* FrameTimeText() const { return m_frameTime; }
    QCheckBox* AutomaticSizeBox() const { return m_automatic; }
    QSpinBox* XAxis() const { return m_x; }
    QSpinBox* YAxis() const { return m_y; }
    QCheckBox* ContinuousBox() const { return m_continuous; }
    QSpinBox* LoopCount() const { return m_loops; }
    QLabel* FileSizeText() const { return m_fileSize; }
    QLabel* FileTimeText() const { return m_fileTime; }
    QPlainTextEdit* CommentEdit() const { return m_comment; }
    QSlider* FrameSlider() const { return m_frameSlider; }
    QLabel* FrameText() const { return m_frameText; }
    QPushButton* Button(const char* label) const;
    QSlider* SpeedSlider() const { return m_speed; }
    QLabel* SpeedText() const { return m_speedText; }
    CFrameListView* FrameList() const { return m_list; }
    /// The transparent-colour chooser while it is open, else null.
    CFrameColourDlg* ColourChooser() const;

private:
    void Attach(QMdiSubWindow* window);
    void OnDelayEdited(const QString& text);
    void ChooseTransparentColour();
    template <typename Edit>
    void Commit(QWidget* field, Edit edit);

    CMainFrame& m_main;
    QPointer<CChildFrame> m_frame;
    bool m_updating = false;
    QWidget* m_committing = nullptr;  // the field whose edit is being stored: not rewritten
    QString m_lastDelay;

    QLineEdit* m_left = nullptr;
    QLineEdit* m_top = nullptr;
    QCheckBox* m_transparent = nullptr;
    QPushButton* m_colour = nullptr;
    QLineEdit* m_delay = nullptr;
    QCheckBox* m_userInput = nullptr;
    std::array<QRadioButton*, 3> m_disposal{};
    QLabel* m_frameSize = nullptr;
    QLabel* m_frameTime = nullptr;
    QCheckBox* m_automatic = nullptr;
    QSpinBox* m_x = nullptr;
    QSpinBox* m_y = nullptr;
    QCheckBox* m_continuous = nullptr;
    QSpinBox* m_loops = nullptr;
    QLabel* m_fileSize = nullptr;
    QLabel* m_fileTime = nullptr;
    QPlainTextEdit* m_comment = nullptr;
    QSlider* m_frameSlider = nullptr;
    QLabel* m_frameText = nullptr;
    QLabel* m_frameCountText = nullptr;
    std::array<QPushButton*, 6> m_buttons{};  // First, Previous, Next, Last, Play, Stop
    QSlider* m_speed = nullptr;
    QLabel* m_speedText = nullptr;
    QPushButton* m_applySpeed = nullptr;
    CFrameListView* m_list = nullptr;
    QPointer<CFrameColourDlg> m_colourChooser;
};

}  // namespace lp
