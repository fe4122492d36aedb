#pragma once
#include <QIcon>
#include <QPixmap>

namespace lp {

/// The tool-bar image of a command, drawn by the program itself (16 x 15
/// pixels); a null icon for commands that have none.
QIcon ToolIcon(int commandId);
/// The face of the Options button: up (and focused) or pressed.
QPixmap OptionsButtonImage(bool pressed);
/// The control panel's collapse and expand arrows.
QIcon CollapseIcon();
QIcon ExpandIcon();
/// The program's window icon.
QIcon ApplicationIcon();

}  // namespace lp
