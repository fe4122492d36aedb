#pragma once
#include <functional>

#include "guikit/ui/command_router.h"

class QWidget;

namespace lp {

class COrvantixDoc;
class FileChooser;
class PictureClipboard;

/// The document level of the command routing: the commands the picture
/// document carries (save, save as, reload, undo, copy, web-safe conversion,
/// the frame commands and playback), with the dialogs they need.
class CDocCommands final : public CommandTarget {
public:
    CDocCommands(COrvantixDoc& document, PictureClipboard& clipboard, FileChooser& chooser, QWidget* dialogParent);

    bool UpdateCommand(int id, CommandState& state) override;
    bool ExecuteCommand(int id) override;

    /// Save in place, or through the save dialog when the document needs it.
    /// True when the picture was written.
    bool Save();
    /// The save dialog, then the save under the chosen name. True when written.
    bool SaveAs();

    /// "&Vectorization...": opens the vectorizer's dialog; unset: the command is disabled.
    std::function<void()> vectorize;

private:
    COrvantixDoc& m_document;
    PictureClipboard& m_clipboard;
    FileChooser& m_chooser;
    QWidget* m_dialogParent;
};

}  // namespace lp
