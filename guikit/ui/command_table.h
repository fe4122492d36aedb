#pragma once
#include <span>
#include <string_view>

namespace lp {

/// Who answers a command, in routing order.
enum class CommandLevel { None, View, Document, ChildFrame, MainWindow, Application };

/// One command of the menus and bars: its menu text (with the accelerator
/// after a tab), its prompt ("status-bar text\ntooltip"), the component the
/// design gives it, and its keyboard accelerators ("Ctrl+O;Ctrl+Insert").
struct CommandInfo {
    int id;
    std::string_view text;
    std::string_view prompt;
    CommandLevel component;
    std::string_view shortcuts = {};
    bool checkable = false;
};

std::span<const CommandInfo> CommandTable();
const CommandInfo* FindCommand(int id);

/// The status-bar part of a prompt (before the newline).
std::string_view PromptStatusText(std::string_view prompt);
/// The tooltip part of a prompt (after the newline); the status text when there is none.
std::string_view PromptTooltip(std::string_view prompt);

/// A menu of the menu bar: its title and its items; 0 is a separator,
/// kRecentFilesSlot the place of the recent-file list, kSubmenu followed by
/// a title index opens one of the submenus listed in MenuLayout::submenus.
struct MenuLayout {
    std::string_view title;
    std::span<const int> items;
};
inline constexpr int kRecentFilesSlot = -1;

/// The menus with no window open, and the menus of a picture window.
std::span<const MenuLayout> NoWindowMenus();
std::span<const MenuLayout> PictureMenus();
/// The menus of the browser window.
std::span<const MenuLayout> BrowserMenus();
/// Submenus referred to from the picture menus by their title.
std::span<const MenuLayout> PictureSubmenus();
/// Items of PictureMenus() that open a submenu: -100 - index into PictureSubmenus().
constexpr int SubmenuItem(int index) { return -100 - index; }

/// Tool-bar layouts: 0 is a separator; kOptionsSlot and kSelectorSlot are the
/// Options button (over a 50-pixel separator) and the picture-position
/// selector (over a 31-pixel separator).
inline constexpr int kOptionsSlot = -2;
inline constexpr int kSelectorSlot = -3;
std::span<const int> PictureToolbarLayout();
std::span<const int> BrowserToolbarLayout();
/// The drawing-tools bar's buttons.
std::span<const int> DrawingToolsLayout();

}  // namespace lp
