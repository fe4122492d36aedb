#pragma once
#include <QObject>
#include <QPointer>
#include <map>
#include <memory>
#include <string>

#include "batch/batch_macro.h"
#include "formats/gif/gif_records.h"
#include "optimize/picture_groups.h"

namespace lp {

class CChildFrame;
class CMainFrame;
class COrvantixDoc;
class CTransferManager;
class CWindowsManagerDlg;

/// The main window's bookkeeping of master and preview windows: maps picture windows to the
/// groups of PictureGroups, attaches the Transfer Manager to the active group's master, makes
/// previews, applies the trial, and carries out the editing and closing rules and the Windows
/// Manager's commands.
class CGroupWindows final : public QObject {
    Q_OBJECT
public:
    CGroupWindows(CMainFrame& mainFrame, CTransferManager& transferManager);
    ~CGroupWindows() override;

    PictureGroups& Groups() { return m_groups; }
    const PictureGroups& Groups() const { return m_groups; }

    /// A picture window joins: as the master of its picture, or as the preview being made.
    void Register(CChildFrame* frame);
    GroupWindowId IdOf(const CChildFrame* frame) const;
    CChildFrame* WindowOf(GroupWindowId id) const;
    /// 1 for a master (and for a window the groups do not know).
    int PreviewNumber(const CChildFrame* frame) const;
    int PreviewKind(const CChildFrame* frame) const;
    std::string StatusTitle(const CChildFrame* frame) const;
    /// The master of the frame's group (the frame itself for a master).
    CChildFrame* MasterOf(const CChildFrame* frame) const;
    /// The group key of a document: its path name, or its title without one.
    static std::string KeyOf(const COrvantixDoc& document);
    bool UseAllFrames() const;

    /// The active window changed: the Transfer Manager shows its group's master.
    void OnActivated(CChildFrame* frame);
    /// A document's sizes changed: refresh the panel when it is the master shown.
    void OnTransferInfoChanged(CChildFrame* frame);
    /// The editing rule before an editing command; false when the command must not run.
    bool BeforeEdit(CChildFrame* frame);
    /// The closing rule; false when the window must stay open.
    bool AllowClose(CChildFrame* frame);
    /// The program is closing: previews close with their masters, nothing asked.
    void SetShuttingDown(bool on) { m_shuttingDown = on; }

    /// The Transfer Manager's Preview: a new preview window of the active group's master, or
    /// null (after the message) when none could be made.
    CChildFrame* MakePreview();
    /// A wizard's result as a new preview of master (previewKind = the wizard kind): the
    /// processed frames, the settings applied, the measured size of the comparison
    /// (jpeg: JPEG bytes, else GIF bytes). Null (after the message) when none could be made.
    CChildFrame* AddWizardPreview(CChildFrame* master, GifFrameList frames, const GifInfo& info,
                                  const BatchMacro& settings, int kind, bool jpeg, std::int64_t resultBytes);
    /// The Transfer Manager's Apply on the active group's master.
    bool Apply();
    /// Apply with no picture window active: the Transfer Manager's macro on the browser's selection.
    bool ApplyToBrowserSelection();
    /// Makes a preview the master of its group; the other windows of the group close.
    void Promote(CChildFrame* preview);
    /// Activates (and restores) a window of the active group by number.
    void ActivateNumber(int previewNumber);
    void ActivateWindow(CChildFrame* frame);
    /// Closes windows of a group without the closing rule (their numbers are 0 already).
    void CloseWindows(const std::vector<GroupWindowId>& ids);

    /// "Window Manager": the dialog, or the message when no picture window is open.
    void OpenWindowsManager();
    CWindowsManagerDlg* WindowsManager() const;
    /// Tiles the picture windows (after a preview, and the dialog's Tile).
    void Tile();
    void Cascade();

    /// The present state of a document as the panel reads it.
    static void PresentState(const COrvantixDoc& document, std::int32_t& w, std::int32_t& h, std::int32_t& c,
                             std::int32_t& q);

private:
    void Forget(QObject* frame);
    void AttachTo(CChildFrame* master);

    CMainFrame& m_main;
    CTransferManager& m_tm;
    PictureGroups m_groups;
    std::map<const QObject*, GroupWindowId> m_ids;
    std::map<GroupWindowId, CChildFrame*> m_windows;
    CChildFrame* m_attached = nullptr;
    struct Pending {
        std::string key;
        int kind = 0;
    };
    std::unique_ptr<Pending> m_pending;  // the preview being made
    QPointer<CWindowsManagerDlg> m_dialog;
    bool m_shuttingDown = false;
};

}  // namespace lp
