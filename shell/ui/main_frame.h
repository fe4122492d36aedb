#pragma once
#include <QMainWindow>
#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/settings.h"
#include "document/picture_document.h"
#include "shell/ui/beginners_hint.h"
#include "guikit/ui/command_router.h"
#include "tools/spot_remover.h"
#include "tools/view_tools.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QPushButton;
class QWidgetAction;

namespace lp {

class CBrFrame;
class CDriveView;
class CChildFrame;
class CCollapsedPanel;
class CGroupWindows;
class CTransferManager;
class CWizardLauncher;
class CControlPanel;
class CDrawingBarFields;
class CPaletteWindow;
class CPositionSelector;
class CStatusProgress;
class Palette;
class Prompter;
class CPrintCommands;

/// The main window: menu bar, main and drawing-tools bars, status bar with
/// its progress display, the control panel, and the area holding the picture
/// windows. Every command goes through RouteCommand: active view, its
/// document, the picture window, this window, the application.
class CMainFrame final : public QMainWindow, public CommandTarget {
    Q_OBJECT
public:
    enum class ToolbarLayout { Picture, Browser };
    enum class WindowKind { Picture, Browser };

    CMainFrame(AppSettings& settings, Prompter& prompter);
    ~CMainFrame() override;

    /// The last level of the routing chain.
    void SetApplication(CommandTarget* application) { m_application = application; }
    AppSettings& Settings() { return m_settings; }
    Prompter& GetPrompter() { return m_prompter; }
    CStatusProgress& StatusProgress() { return *m_status; }
    QMdiArea* MdiArea() const { return m_mdi; }
    CControlPanel* ControlPanel() const { return m_controlPanel; }
    CCollapsedPanel* CollapsedPanel() const { return m_collapsedPanel; }
    QToolBar* MainToolBar() const { return m_mainBar; }
    QToolBar* DrawingToolsBar() const { return m_drawingBar; }
    CDrawingBarFields& DrawingBarFields() const { return *m_drawingFields; }
    QPushButton* OptionsButton() const { return m_optionsButton; }
    /// The control panel's "Speed" page.
    CTransferManager& TransferManager() { return *m_transferManager; }
    /// The control panel's "Palette" page.
    CPaletteWindow& PaletteWindow() { return *m_paletteWindow; }
    /// The palette window's colours for colour reduction; null while it holds none.
    const Palette* WindowPalette() const;
    /// Master and preview windows.
    CGroupWindows& Groups() { return *m_groupWindows; }
    const CGroupWindows& Groups() const { return *m_groupWindows; }
    /// The Wizards menu and the wizards' results.
    CWizardLauncher& Wizards() { return *m_wizards; }
    /// The printing commands and the application's printer.
    CPrintCommands& PrintCommands() { return *m_printCommands; }
    /// The browser window, null until first opened.
    CBrFrame* Browser() const;
    /// The browser window, made on first use (on the PICTURE folder) and activated maximized.
    CBrFrame* OpenBrowser();
    /// Shows a location in the browser window (made when missing).
    void BrowseLocation(const std::filesystem::path& location);
    /// The browser's "P&roperties": the animated GIF in a picture window (the one showing it,
    /// else newly opened) at frame index, with the "Animation" page and its frame properties.
    void ShowFrameProperties(const std::filesystem::path& gif, std::size_t frame);
    /// The drive tree of the "Browser" page.
    CDriveView* DriveView() const { return m_driveView; }
    /// Null until the picture layout first needs it.
    CPositionSelector* PositionSelector() const { return m_selector; }
    /// The action of a command (one per command; menus and bars share it).
    QAction* Action(int id) const;
    /// The menus now in the menu bar, by title.
    std::vector<QMenu*> CurrentMenus() const;
    enum class MenuSet { NoWindow, Picture, Browser };
    MenuSet ShownMenus() const { return m_menuSet; }
    bool ShowsPictureMenus() const { return m_menuSet == MenuSet::Picture; }

    // Windows
    /// Adds a picture window to the window area and shows it.
    void AddPictureWindow(CChildFrame* frame);
    CChildFrame* ActivePictureWindow() const;
    /// The picture windows in window order (NextPictureWindow's walk).
    std::vector<CChildFrame*> PictureWindows() const;
    /// Activates the first window of the kind, maximized or in its normal state.
    /// False when there is none.
    bool ActivateFirst(WindowKind kind, bool maximized);

    // Routing
    CommandChain Chain() const;
    CommandLevel RouteCommand(int id);
    /// Enables, disables and checks every action from the routing chain.
    void UpdateCommandStates();

    // Bars and panels
    void SetToolbarLayout(ToolbarLayout layout);
    ToolbarLayout CurrentToolbarLayout() const { return m_layout; }
    /// Shows the page of the tab index and records it.
    void SelectPage(int index);
    int CurrentPage() const { return m_currentPage; }
    /// The user's choice of a tab (with the window activations it brings).
    void OnTabChosen(int index);
    void CollapseControlPanel(bool activateWindow);
    void ExpandControlPanel(bool activateWindow);
    bool ControlPanelCollapsed() const { return m_collapsed; }
    bool RulersShown() const { return m_rulersShown; }
    void ToggleRulers();
    void ToggleWelcomeScreen();
    void ShowModem(double bitsPerSecond);
    void ShowHint(int number);
    BeginnersHints& Hints() { return m_hints; }
    /// Rebuilds the recent-file entries of the File menus.
    void SetRecentFiles(const std::array<std::string, kRecentFileCount>& files);
    /// Moves the tool bars and docks to a stored state (the "BarSettings" text).
    bool RestoreBarState(const std::string& state);
    std::string SaveBarState() const;

    /// Called when the main window is about to close, before its windows close.
    std::function<void()> onClosing;
    /// Files dropped on the main window.
    std::function<void(const std::vector<std::filesystem::path>&)> onFilesDropped;
    /// The services a new document gets; unset: no document can be made here (previews).
    std::function<DocumentServices()> documentServices;
    /// Shows a new document in a picture window; returns the window, or null.
    std::function<CChildFrame*(std::unique_ptr<COrvantixDoc>)> addDocumentWindow;
    /// Opens a help topic (0x10000 + command id); unset: help is not available.
    std::function<void(int)> openHelpTopic;
    /// The master/preview check before a picture window changes its picture; false stops
    /// the change. Unset: the picture belongs to no group and the change goes ahead.
    std::function<bool(CChildFrame&)> confirmPictureChange;

    /// The application's one current tool, and the spot remover's working parameters.
    ToolState& Tools() { return m_tools; }
    SpotRemoverParams& SpotParams() { return m_spotParams; }

    // CommandTarget (the main-window level)
    bool UpdateCommand(int id, CommandState& state) override;
    bool ExecuteCommand(int id) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateActions();
    QMenu* BuildMenu(const struct MenuLayout& layout, bool noWindowTexts);
    void BuildMenus();
    void ShowMenus(MenuSet set);
    void ListWindows(QMenu* menu);
    void CreateStatusBar();
    void CreateToolBars();
    void CreateControlPanel();
    void OnSubWindowActivated(QMdiSubWindow* window);
    void OnSelectorReleased(int cell);
    void TileWindows(Qt::Orientation orientation);
    /// "&Merge": the wizard over the open pictures; its result opens as a new picture.
    void Merge();
    void ArrangeIcons();

    AppSettings& m_settings;
    Prompter& m_prompter;
    CommandTarget* m_application = nullptr;
    QMdiArea* m_mdi = nullptr;
    CStatusProgress* m_status = nullptr;
    QToolBar* m_mainBar = nullptr;
    QToolBar* m_drawingBar = nullptr;
    CDrawingBarFields* m_drawingFields = nullptr;  // owned by the bar
    QPushButton* m_optionsButton = nullptr;
    QWidgetAction* m_optionsAction = nullptr;
    CPositionSelector* m_selector = nullptr;
    QWidgetAction* m_selectorAction = nullptr;
    CControlPanel* m_controlPanel = nullptr;
    CCollapsedPanel* m_collapsedPanel = nullptr;
    CTransferManager* m_transferManager = nullptr;
    CPaletteWindow* m_paletteWindow = nullptr;
    CGroupWindows* m_groupWindows = nullptr;
    CWizardLauncher* m_wizards = nullptr;
    CPrintCommands* m_printCommands = nullptr;  // owned as a child object
    CDriveView* m_driveView = nullptr;
    CBrFrame* m_browser = nullptr;  // owned by the window area
    std::map<int, QAction*> m_actions;
    std::vector<QAction*> m_noWindowTextActions;  // same commands, texts of the menu without windows
    std::array<QAction*, kRecentFileCount> m_recent{};
    std::vector<QMenu*> m_noWindowMenus;
    std::vector<QMenu*> m_pictureMenus;
    std::vector<QMenu*> m_browserMenus;
    MenuSet m_menuSet = MenuSet::NoWindow;
    ToolbarLayout m_layout = ToolbarLayout::Picture;
    int m_currentPage = 3;
    bool m_collapsed = false;
    bool m_rulersShown = false;
    BeginnersHints m_hints;
    ToolState m_tools;
    SpotRemoverParams m_spotParams;  // 5, 20, level 0 until the options page is confirmed
};

}  // namespace lp
