#include "document/ui/doc_commands.h"

#include <QApplication>

#include "document/picture_document.h"
#include "guikit/ui/command_ids.h"
#include "guikit/ui/file_chooser.h"

namespace lp {

CDocCommands::CDocCommands(COrvantixDoc& document, PictureClipboard& clipboard, FileChooser& chooser,
                           QWidget* dialogParent)
    : m_document(document), m_clipboard(clipboard), m_chooser(chooser), m_dialogParent(dialogParent) {}

bool CDocCommands::UpdateCommand(int id, CommandState& state) {
    const bool has = m_document.HasPicture();
    const bool playing = m_document.IsPlaying();
    switch (id) {
        case cmd::kFileSave:
        case cmd::kFileSaveAs:
            state.enabled = has && !playing;
            return true;
        case cmd::kReload:
            state.enabled = m_document.CanReload() && !playing;
            return true;
        case cmd::kEditUndo:
            state.enabled = m_document.CanUndo() && !playing;
            return true;
        case cmd::kEditCopy:
            state.enabled = has;
            return true;
        case cmd::kWebSafe:
            state.enabled = has && !playing;
            return true;
        case cmd::kVectorize:
            state.enabled = has && !playing && vectorize != nullptr;
            return true;
        case cmd::kNextFrame:
            state.enabled = m_document.CanNextFrame() && !playing;
            return true;
        case cmd::kPrevFrame:
            state.enabled = m_document.CanPreviousFrame() && !playing;
            return true;
        case cmd::kFirstFrame:
        case cmd::kLastFrame:
            state.enabled = m_document.FrameCount() >= 2 && !playing;
            return true;
        case cmd::kPlay:
            state.enabled = m_document.CanPlay();
            return true;
        case cmd::kStop:
            state.enabled = playing;
            return true;
        case cmd::kAddFrame:
            state.enabled = has && !playing;
            return true;
        case cmd::kDeleteFrame:
            state.enabled = m_document.CanDeleteFrame() && !playing;
            return true;
        default:
            return false;
    }
}

bool CDocCommands::ExecuteCommand(int id) {
    switch (id) {
        case cmd::kFileSave:
            Save();
            return true;
        case cmd::kFileSaveAs:
            SaveAs();
            return true;
        case cmd::kReload:
            m_document.Reload();
            return true;
        case cmd::kEditUndo:
            m_document.Undo();
            return true;
        case cmd::kEditCopy:
            m_document.Copy(m_clipboard);
            return true;
        case cmd::kWebSafe:
            m_document.ConvertToWebSafe();
            return true;
        case cmd::kVectorize:
            if (vectorize) vectorize();
            return true;
        case cmd::kNextFrame:
            if (!m_document.NextFrame()) QApplication::beep();
            return true;
        case cmd::kPrevFrame:
            m_document.PreviousFrame();
            return true;
        case cmd::kFirstFrame:
            m_document.FirstFrame();
            return true;
        case cmd::kLastFrame:
            m_document.LastFrame();
            return true;
        case cmd::kPlay:
            m_document.Play();
            return true;
        case cmd::kStop:
            m_document.Stop();
            return true;
        case cmd::kAddFrame: {
            const std::vector<std::filesystem::path> files =
                m_chooser.OpenFileNames(m_dialogParent, m_document.PathName(), true);
            if (!files.empty()) m_document.AddFrames(files);
            return true;
        }
        case cmd::kDeleteFrame:
            m_document.DeleteFrame();
            return true;
        default:
            return false;
    }
}

bool CDocCommands::Save() {
    switch (m_document.Save()) {
        case COrvantixDoc::SaveResult::Saved:
            return true;
        case COrvantixDoc::SaveResult::Failed:
            return false;
        case COrvantixDoc::SaveResult::NeedsSaveAs:
            return SaveAs();
    }
    return false;
}

bool CDocCommands::SaveAs() {
    std::filesystem::path proposed = m_document.PathName();
    if (proposed.empty()) proposed = m_document.Title();
    const auto choice = m_chooser.SaveFileName(m_dialogParent, proposed, m_document.SaveAsFilterIndex());
    if (!choice) return false;
    return m_document.SaveAs(COrvantixDoc::WithFilterExtension(choice->path, choice->filterIndex));
}

}  // namespace lp
