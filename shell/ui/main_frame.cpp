#include "shell/ui/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QWidgetAction>
#include <cmath>

#include "base/data_folders.h"
#include "base/prompter.h"
#include "browser/thumbnail_cache.h"
#include "browser/ui/br_frame.h"
#include "browser/ui/drive_view.h"
#include "browser/ui/file_view.h"
#include "batch/ui/transfer_manager.h"
#include "document/ui/animation_page.h"
#include "document/ui/doc_commands.h"
#include "optimize/ui/group_windows.h"
#include "optimize/ui/wizard_launcher.h"
#include "shell/ui/child_frame.h"
#include "guikit/ui/command_ids.h"
#include "guikit/ui/command_table.h"
#include "shell/ui/menu_help_key.h"
#include "shell/ui/control_panel.h"
#include "shell/ui/drawing_bar_fields.h"
#include "shell/ui/orvantix_view.h"
#include "shell/ui/position_selector.h"
#include "shell/ui/status_progress.h"
#include "shell/ui/tool_icons.h"
#include "tools/ui/palette_window.h"
#include "tools/merge_layout.h"
#include "tools/ui/merge_wizard.h"
#include "shell/ui/print_commands.h"

namespace lp {

namespace {

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QList<QKeySequence> Shortcuts(std::string_view list) {
    QList<QKeySequence> keys;
    for (const QString& key : Text(list).split(QLatin1Char(';'), Qt::SkipEmptyParts))
        keys.append(QKeySequence::fromString(key, QKeySequence::PortableText));
    return keys;
}

/// Commands that change a picture: on a grouped picture they go through the editing rule.
bool IsEditingCommand(int id) {
    switch (id) {
        case cmd::kFileSaveAs:
        case cmd::kFillForeground:
        case cmd::kFillTransparent:
        case cmd::kEditUndo:
        case cmd::kResize:
        case cmd::kAddFrame:
        case cmd::kDeleteFrame:
        case cmd::kCutOut:
        case cmd::kSpotRemover:
            return true;
        default:
            return false;
    }
}

/// The menu without windows names two scanning commands differently.
std::string_view NoWindowText(int id) {
    if (id == cmd::kScanSelect) return "Select &Source";
    if (id == cmd::kScanAcquire) return "Scan &Acquire";
    return {};
}

}  // namespace

CMainFrame::CMainFrame(AppSettings& settings, Prompter& prompter) : m_settings(settings), m_prompter(prompter) {
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(QStringLiteral("Lumaprism"));
    setWindowIcon(ApplicationIcon());
    setAcceptDrops(true);
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MdiArea"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);

    // Creation order: the status bar with its progress display, the control
    // panel and its collapsed form, the main tool bar, the drawing-tools bar.
    CreateActions();
    CreateStatusBar();
    CreateControlPanel();
    CreateToolBars();
    BuildMenus();
    ShowMenus(MenuSet::NoWindow);
    SetToolbarLayout(ToolbarLayout::Picture);
    UpdateCommandStates();
    resize(900, 650);
}

CMainFrame::~CMainFrame() {
    // The window area reports activations while its windows go away; this
    // object is already half destroyed by then, so stop listening first.
    disconnect(m_mdi, nullptr, this, nullptr);
    // Closed windows wait for their deferred deletion outside the list: take them too.
    for (CChildFrame* frame : m_mdi->findChildren<CChildFrame*>()) delete frame;
}

// ---------------------------------------------------------------------------------------------
// Actions and menus

void CMainFrame::CreateActions() {
    for (const CommandInfo& info : CommandTable()) {
        auto* action = new QAction(Text(info.text), this);
        action->setObjectName(QStringLiteral("cmd%1").arg(info.id));
        action->setData(info.id);
        action->setStatusTip(Text(PromptStatusText(info.prompt)));
        action->setToolTip(Text(PromptTooltip(info.prompt)));
        action->setCheckable(info.checkable);
        action->setIcon(ToolIcon(info.id));
        action->setIconVisibleInMenu(false);
        if (!info.shortcuts.empty()) action->setShortcuts(Shortcuts(info.shortcuts));
        const int id = info.id;
        connect(action, &QAction::triggered, this, [this, id] { RouteCommand(id); });
        addAction(action);  // accelerators work whichever menu bar is shown
        m_actions[id] = action;
    }
    // "&Rectangle" is the current tool at start.
    m_actions[cmd::kToolRectangle]->setChecked(true);

    for (int i = 0; i < kRecentFileCount; ++i) {
        auto* action = new QAction(this);
        const int id = cmd::kFileMru1 + i;
        action->setObjectName(QStringLiteral("cmd%1").arg(id));
        action->setData(id);
        action->setVisible(false);
        connect(action, &QAction::triggered, this, [this, id] { RouteCommand(id); });
        m_recent[std::size_t(i)] = action;
        m_actions[id] = action;
    }
}

QMenu* CMainFrame::BuildMenu(const MenuLayout& layout, bool noWindowTexts) {
    auto* menu = new QMenu(Text(layout.title), this);
    for (const int item : layout.items) {
        if (item == 0) {
            menu->addSeparator();
        } else if (item == kRecentFilesSlot) {
            for (QAction* action : m_recent) menu->addAction(action);
        } else if (item <= SubmenuItem(0)) {
            const MenuLayout& sub = PictureSubmenus()[std::size_t(SubmenuItem(0) - item)];
            menu->addMenu(BuildMenu(sub, noWindowTexts));
        } else if (noWindowTexts && !NoWindowText(item).empty()) {
            // The same command under the other text: it shares state with the main action.
            QAction* main = m_actions.at(item);
            auto* action = new QAction(Text(NoWindowText(item)), this);
            action->setData(item);
            action->setStatusTip(main->statusTip());
            connect(action, &QAction::triggered, this, [this, item] { RouteCommand(item); });
            m_noWindowTextActions.push_back(action);
            menu->addAction(action);
        } else {
            menu->addAction(m_actions.at(item));
        }
    }
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
    new MenuHelpKey(menu, [this](int topic) {
        if (openHelpTopic) openHelpTopic(topic);
    });
    if (layout.title == "&Window") connect(menu, &QMenu::aboutToShow, this, [this, menu] { ListWindows(menu); });
    return menu;
}

void CMainFrame::ListWindows(QMenu* menu) {
    // The open windows follow the menu's own items, the current one checked.
    for (QAction* action : menu->actions())
        if (action->property("windowEntry").toBool()) {
            menu->removeAction(action);
            action->deleteLater();
        }
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList();
    if (windows.isEmpty()) return;
    QAction* separator = menu->addSeparator();
    separator->setProperty("windowEntry", true);
    int number = 1;
    for (QMdiSubWindow* window : windows) {
        QAction* action = menu->addAction(QStringLiteral("&%1 %2").arg(number++).arg(window->windowTitle()));
        action->setProperty("windowEntry", true);
        action->setCheckable(true);
        action->setChecked(window == m_mdi->currentSubWindow());
        connect(action, &QAction::triggered, this, [this, window] { m_mdi->setActiveSubWindow(window); });
    }
}

void CMainFrame::BuildMenus() {
    for (const MenuLayout& layout : NoWindowMenus()) m_noWindowMenus.push_back(BuildMenu(layout, true));
    for (const MenuLayout& layout : PictureMenus()) m_pictureMenus.push_back(BuildMenu(layout, false));
    for (const MenuLayout& layout : BrowserMenus()) m_browserMenus.push_back(BuildMenu(layout, false));
}

void CMainFrame::ShowMenus(MenuSet set) {
    if (set == m_menuSet && !menuBar()->actions().isEmpty()) return;
    m_menuSet = set;
    menuBar()->clear();
    for (QMenu* menu : CurrentMenus()) menuBar()->addMenu(menu);
}

std::vector<QMenu*> CMainFrame::CurrentMenus() const {
    switch (m_menuSet) {
        case MenuSet::Picture: return m_pictureMenus;
        case MenuSet::Browser: return m_browserMenus;
        case MenuSet::NoWindow: break;
    }
    return m_noWindowMenus;
}

QAction* CMainFrame::Action(int id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

// ---------------------------------------------------------------------------------------------
// Bars

void CMainFrame::CreateStatusBar() {
    m_status = new CStatusProgress(statusBar(), CStatusProgress::Mode::TextControl);
    m_status->ShowResolution(96, 96);
    ShowModem(m_settings.modemSpeed);
}

void CMainFrame::ShowModem(double bitsPerSecond) { m_status->ShowModem(bitsPerSecond / 1000.0); }

void CMainFrame::CreateToolBars() {
    m_mainBar = new QToolBar(QStringLiteral("Main"), this);
    m_mainBar->setObjectName(QStringLiteral("MainToolBar"));
    m_mainBar->setIconSize(QSize(16, 15));
    m_mainBar->setAllowedAreas(Qt::AllToolBarAreas);
    addToolBar(Qt::TopToolBarArea, m_mainBar);

    m_optionsButton = new QPushButton(m_mainBar);
    m_optionsButton->setObjectName(QStringLiteral("OptionsButton"));
    m_optionsButton->setFixedSize(50, 22);
    m_optionsButton->setFlat(true);
    m_optionsButton->setIcon(QIcon(OptionsButtonImage(false)));
    m_optionsButton->setIconSize(QSize(48, 20));
    m_optionsButton->setAccessibleName(QStringLiteral("Options"));
    m_optionsButton->setToolTip(m_actions[cmd::kOptions]->toolTip());
    m_optionsButton->setStatusTip(m_actions[cmd::kOptions]->statusTip());
    m_optionsButton->setContentsMargins(0, 1, 0, 0);  // one pixel lower than its separator
    connect(m_optionsButton, &QPushButton::pressed, this,
            [this] { m_optionsButton->setIcon(QIcon(OptionsButtonImage(true))); });
    connect(m_optionsButton, &QPushButton::released, this,
            [this] { m_optionsButton->setIcon(QIcon(OptionsButtonImage(false))); });
    connect(m_optionsButton, &QPushButton::clicked, this, [this] { RouteCommand(cmd::kOptions); });
    m_optionsAction = new QWidgetAction(this);
    m_optionsAction->setDefaultWidget(m_optionsButton);

    m_drawingBar = new QToolBar(QStringLiteral("Drawing Tools"), this);
    m_drawingBar->setObjectName(QStringLiteral("DrawingTools"));
    m_drawingBar->setIconSize(QSize(16, 15));
    m_drawingBar->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    for (const int id : DrawingToolsLayout()) {
        QAction* action = m_actions.at(id);
        m_drawingBar->addAction(action);
        if (QWidget* button = m_drawingBar->widgetForAction(action)) button->setAccessibleName(action->iconText());
    }
    m_drawingFields = new CDrawingBarFields(*m_drawingBar, m_settings, [this](int id) { RouteCommand(id); });
    addToolBar(Qt::TopToolBarArea, m_drawingBar);
    m_drawingBar->hide();
}

void CMainFrame::SetToolbarLayout(ToolbarLayout layout) {
    m_layout = layout;
    m_mainBar->clear();
    const bool picture = layout == ToolbarLayout::Picture;
    for (const int item : picture ? PictureToolbarLayout() : BrowserToolbarLayout()) {
        if (item == 0) {
            m_mainBar->addSeparator();
        } else if (item == kOptionsSlot) {
            m_mainBar->addAction(m_optionsAction);
        } else if (item == kSelectorSlot) {
            if (!m_selector) {
                m_selector = new CPositionSelector(m_mainBar);
                connect(m_selector, &CPositionSelector::Released, this, &CMainFrame::OnSelectorReleased);
                m_selectorAction = new QWidgetAction(this);
                m_selectorAction->setDefaultWidget(m_selector);
            }
            m_selector->SetSelection(m_settings.picPosition);
            m_mainBar->addAction(m_selectorAction);
        } else {
            m_mainBar->addAction(m_actions.at(item));
        }
    }
    m_optionsButton->show();
    if (m_selector) m_selector->setVisible(picture);
}

bool CMainFrame::RestoreBarState(const std::string& state) {
    if (state.empty()) return false;
    const QByteArray bytes = QByteArray::fromBase64(QByteArray::fromStdString(state));
    return restoreState(bytes);
}

std::string CMainFrame::SaveBarState() const { return saveState().toBase64().toStdString(); }

void CMainFrame::CreateControlPanel() {
    m_transferManager = new CTransferManager(m_settings.usePng != 0);
    m_transferManager->SetSpeed(m_settings.modemSpeed);
    m_paletteWindow = new CPaletteWindow(*this);
    m_driveView = new CDriveView(CThumbnailCache::DefaultDirectory(), m_settings.cacheInfo == 1, m_prompter);
    connect(m_driveView, &CDriveView::LocationChosen, this, &CMainFrame::BrowseLocation);
    connect(m_driveView, &CDriveView::FolderChanged, this, [this](const std::filesystem::path& folder) {
        if (m_browser && m_browser->View().Catalog().Location() == folder) m_browser->View().Refresh();
    });
    m_controlPanel = new CControlPanel(m_transferManager, this, new CAnimationPage(*this), m_paletteWindow,
                                      m_driveView);
    m_groupWindows = new CGroupWindows(*this, *m_transferManager);
    m_wizards = new CWizardLauncher(*this);
    m_printCommands = new CPrintCommands(*this);
    connect(m_transferManager, &CTransferManager::SpeedChosen, this, [this](double bitsPerSecond) {
        m_settings.modemSpeed = std::int32_t(bitsPerSecond);
        ShowModem(bitsPerSecond);
        for (CChildFrame* frame : PictureWindows()) {
            frame->Document().EstimateSizes();
            frame->RefreshGroupLabels();
        }
    });
    // A floating panel goes back where it was last left.
    connect(m_controlPanel, &QDockWidget::topLevelChanged, this, [this](bool floating) {
        if (floating) m_controlPanel->move(m_settings.tmPosX, m_settings.tmPosY);
    });
    m_collapsedPanel = new CCollapsedPanel(this);
    addDockWidget(Qt::LeftDockWidgetArea, m_controlPanel);
    addDockWidget(Qt::LeftDockWidgetArea, m_collapsedPanel);
    m_collapsedPanel->hide();
    m_currentPage = m_controlPanel->CurrentIndex();
    connect(m_controlPanel, &CControlPanel::TabChosen, this, &CMainFrame::OnTabChosen);
    connect(m_controlPanel, &CControlPanel::CollapseRequested, this, [this] { CollapseControlPanel(true); });
    connect(m_collapsedPanel, &CCollapsedPanel::ExpandRequested, this, [this] { ExpandControlPanel(true); });
}

const Palette* CMainFrame::WindowPalette() const { return m_paletteWindow ? m_paletteWindow->CurrentPalette() : nullptr; }

void CMainFrame::SelectPage(int index) {
    if (index < 0 || index > 3) return;
    m_controlPanel->ShowPage(index);
    m_currentPage = index;
}

void CMainFrame::OnTabChosen(int index) {
    SelectPage(index);
    if (index == 2) {
        if (!ActivePictureWindow()) ActivateFirst(WindowKind::Picture, false);
    } else if (index == 3) {
        // The browser window opens with its page.
        OpenBrowser();
    }
}

void CMainFrame::CollapseControlPanel(bool activateWindow) {
    m_controlPanel->hide();
    m_collapsedPanel->show();
    m_collapsed = true;
    if (activateWindow && !ActivateFirst(WindowKind::Picture, false)) ActivateFirst(WindowKind::Browser, false);
    UpdateCommandStates();
}

void CMainFrame::ExpandControlPanel(bool activateWindow) {
    m_collapsedPanel->hide();
    m_controlPanel->show();
    m_collapsed = false;
    if (activateWindow && !ActivateFirst(WindowKind::Picture, false)) ActivateFirst(WindowKind::Browser, false);
    UpdateCommandStates();
}

void CMainFrame::ToggleRulers() {
    m_rulersShown = !m_rulersShown;
    for (CChildFrame* frame : PictureWindows()) frame->ShowRulers(m_rulersShown);
    UpdateCommandStates();
}

void CMainFrame::ToggleWelcomeScreen() {
    m_settings.welcomeScreen = m_settings.welcomeScreen ? 0 : 1;
    UpdateCommandStates();
}

void CMainFrame::ShowHint(int number) { m_hints.ShowHint(number, m_settings.beginnersHint != 0, this, openHelpTopic); }

void CMainFrame::SetRecentFiles(const std::array<std::string, kRecentFileCount>& files) {
    for (int i = 0; i < kRecentFileCount; ++i) {
        QAction* action = m_recent[std::size_t(i)];
        const std::string& file = files[std::size_t(i)];
        action->setVisible(!file.empty());
        action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QString::fromStdString(file)));
        action->setStatusTip(QStringLiteral("Open this document"));
    }
}

void CMainFrame::OnSelectorReleased(int cell) {
    ShowHint(21);
    if (cell < 0 || !ActivePictureWindow()) return;
    // Every picture window takes the chosen position.
    m_settings.picPosition = cell;
    for (CChildFrame* frame : PictureWindows()) frame->View().SetPicturePosition(cell);
}

// ---------------------------------------------------------------------------------------------
// Windows

void CMainFrame::AddPictureWindow(CChildFrame* frame) {
    m_groupWindows->Register(frame);
    m_mdi->addSubWindow(frame);
    frame->View().SetPicturePosition(m_settings.picPosition);
    frame->show();
    m_mdi->setActiveSubWindow(frame);
    UpdateCommandStates();
}

CChildFrame* CMainFrame::ActivePictureWindow() const {
    // The current window, also while another application has the focus.
    return qobject_cast<CChildFrame*>(m_mdi->currentSubWindow());
}

std::vector<CChildFrame*> CMainFrame::PictureWindows() const {
    std::vector<CChildFrame*> frames;
    for (QMdiSubWindow* window : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (auto* frame = qobject_cast<CChildFrame*>(window)) frames.push_back(frame);
    return frames;
}

CBrFrame* CMainFrame::Browser() const { return m_browser; }

CBrFrame* CMainFrame::OpenBrowser() {
    if (!m_browser) {
        DataFolders folders = DataFolders::FromEnvironment();
        const DataFolders* given = documentServices ? documentServices().folders : nullptr;
        const DataFolders& use = given ? *given : folders;
        m_browser = new CBrFrame(m_settings, m_prompter, use.Folder(DataFolder::Cache));
        connect(m_browser, &QObject::destroyed, this, [this] { m_browser = nullptr; });
        m_browser->View().openPicture = [this](const std::filesystem::path& path) {
            if (onFilesDropped) onFilesDropped({path});
        };
        m_browser->backToPictureWindow = [this] { ActivateFirst(WindowKind::Picture, false); };
        m_browser->View().openFrameProperties = [this](const std::filesystem::path& gif, std::size_t frame) {
            ShowFrameProperties(gif, frame);
        };
        m_browser->View().sites = &m_driveView->Sites();
        connect(&m_browser->View(), &CFileView::SitesChanged, m_driveView, &CDriveView::ReloadSites);
        connect(&m_browser->View(), &CFileView::UpdateCounts, this, [this] { UpdateCommandStates(); });
        m_mdi->addSubWindow(m_browser);
        m_browser->showMaximized();
        m_mdi->setActiveSubWindow(m_browser);
        m_browser->View().ShowLocation(use.Folder(DataFolder::Picture));
    } else {
        m_browser->showMaximized();
        m_mdi->setActiveSubWindow(m_browser);
    }
    return m_browser;
}

void CMainFrame::ShowFrameProperties(const std::filesystem::path& gif, std::size_t frame) {
    const auto showing = [&]() -> CChildFrame* {
        for (CChildFrame* window : PictureWindows())
            if (window->Document().PathName() == gif) return window;
        return nullptr;
    };
    CChildFrame* window = showing();
    if (!window && onFilesDropped) {
        onFilesDropped({gif});
        window = showing();
    }
    if (!window) return;  // the document said why it could not open the file
    m_mdi->setActiveSubWindow(window);
    if (frame < window->Document().FrameCount()) window->Document().SelectFrame(frame);
    SelectPage(2);
}

void CMainFrame::BrowseLocation(const std::filesystem::path& location) {
    CBrFrame* browser = OpenBrowser();
    if (browser->View().Catalog().Location() != location || browser->View().Catalog().Rows().empty())
        browser->View().ShowLocation(location);
}

bool CMainFrame::ActivateFirst(WindowKind kind, bool maximized) {
    if (kind == WindowKind::Browser) {
        if (!m_browser) return false;
        if (maximized)
            m_browser->showMaximized();
        else
            m_browser->showNormal();
        m_mdi->setActiveSubWindow(m_browser);
        return true;
    }
    const std::vector<CChildFrame*> frames = PictureWindows();
    if (frames.empty()) return false;
    CChildFrame* first = frames.front();
    if (maximized)
        first->showMaximized();
    else
        first->showNormal();
    m_mdi->setActiveSubWindow(first);
    return true;
}

void CMainFrame::OnSubWindowActivated(QMdiSubWindow* window) {
    const bool picture = qobject_cast<CChildFrame*>(window) != nullptr;
    if (picture) m_groupWindows->OnActivated(qobject_cast<CChildFrame*>(window));
    const bool browser = window && window == m_browser;
    // With the last window closed the menu without windows returns; while the
    // main window is inactive (no window reported) the menus stay as they are.
    if (picture)
        ShowMenus(MenuSet::Picture);
    else if (browser)
        ShowMenus(MenuSet::Browser);
    else if (m_mdi->subWindowList().isEmpty())
        ShowMenus(MenuSet::NoWindow);
    else if (window)
        ShowMenus(MenuSet::Picture);
    if (window || m_mdi->subWindowList().isEmpty()) m_transferManager->SetBrowserTarget(browser);
    if (browser) {
        if (m_mainBar->isVisible() && m_layout != ToolbarLayout::Browser) SetToolbarLayout(ToolbarLayout::Browser);
        SelectPage(3);
        m_drawingBar->hide();
    } else if ((window || m_mdi->subWindowList().isEmpty()) && m_mainBar->isVisible() &&
               m_layout != ToolbarLayout::Picture) {
        SetToolbarLayout(ToolbarLayout::Picture);
    }
    UpdateCommandStates();
}

void CMainFrame::TileWindows(Qt::Orientation orientation) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : m_mdi->subWindowList())
        if (!window->isMinimized()) windows.append(window);
    if (windows.isEmpty()) return;
    const QRect area = m_mdi->viewport()->rect();
    const int n = int(windows.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* window = windows[i];
        window->showNormal();
        if (orientation == Qt::Horizontal) {
            const int h = area.height() / n;
            window->setGeometry(0, i * h, area.width(), h);
        } else {
            const int w = area.width() / n;
            window->setGeometry(i * w, 0, w, area.height());
        }
    }
}

void CMainFrame::ArrangeIcons() {
    const QRect area = m_mdi->viewport()->rect();
    int x = 0;
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        if (!window->isMinimized()) continue;
        const QSize size = window->size();
        window->move(x, area.height() - size.height());
        x += size.width();
    }
}

// ---------------------------------------------------------------------------------------------
// Routing

CommandChain CMainFrame::Chain() const {
    CommandChain chain;
    if (CChildFrame* frame = ActivePictureWindow()) {
        chain.targets[0] = &frame->View();
        chain.targets[1] = &frame->DocumentCommands();
        chain.targets[2] = frame;
    } else if (m_browser && m_mdi->currentSubWindow() == m_browser) {
        // The browser window has its own frame and command set.
        chain.targets[0] = &m_browser->View();
        chain.targets[2] = m_browser;
    }
    chain.targets[3] = const_cast<CMainFrame*>(this);
    chain.targets[4] = m_application;
    return chain;
}

CommandLevel CMainFrame::RouteCommand(int id) {
    if (IsEditingCommand(id)) {
        CChildFrame* frame = ActivePictureWindow();
        CommandLevel level = CommandLevel::None;
        if (frame && Chain().Update(id, &level).enabled && !m_groupWindows->BeforeEdit(frame)) return CommandLevel::None;
    }
    const CommandLevel level = Chain().Execute(id);
    UpdateCommandStates();
    return level;
}

void CMainFrame::UpdateCommandStates() {
    const CommandChain chain = Chain();
    for (const auto& [id, action] : m_actions) {
        CommandLevel level = CommandLevel::None;
        const CommandState state = chain.Update(id, &level);
        action->setEnabled(state.enabled);
        if (action->isCheckable() && level != CommandLevel::None) action->setChecked(state.checked);
    }
    for (QAction* action : m_noWindowTextActions) action->setEnabled(m_actions.at(action->data().toInt())->isEnabled());
    m_optionsButton->setEnabled(m_actions.at(cmd::kOptions)->isEnabled());
    CChildFrame* picture = ActivePictureWindow();
    if (m_drawingFields)
        m_drawingFields->Refresh(picture ? std::optional<double>(picture->View().Zoom()) : std::nullopt);
}

bool CMainFrame::UpdateCommand(int id, CommandState& state) {
    if (m_wizards && m_wizards->UpdateCommand(id, state)) return true;
    if (m_printCommands && m_printCommands->UpdateCommand(id, state)) return true;
    switch (id) {
        case cmd::kViewControl:
            state.checked = !m_collapsed;
            return true;
        case cmd::kViewToolbar:
            state.checked = !m_mainBar->isHidden();
            return true;
        case cmd::kViewStatusBar:
            state.checked = !statusBar()->isHidden();
            return true;
        case cmd::kViewDrawingTool:
            state.checked = !m_drawingBar->isHidden();
            return true;
        case cmd::kBeginnersHint:
            state.checked = m_settings.beginnersHint != 0;
            return true;
        case cmd::kStartUpScreen:
            state.checked = m_settings.welcomeScreen != 0;
            return true;
        case cmd::kAppExit:
            return true;
        case cmd::kWindowCascade:
        case cmd::kWindowTileHorz:
        case cmd::kWindowTileVert:
        case cmd::kWindowArrange:
            state.enabled = !m_mdi->subWindowList().isEmpty();
            return true;
        case cmd::kWindowManager:
            state.enabled = true;  // with no picture window it says so
            return true;
        case cmd::kMerge:
            // With one picture open it says that two are needed.
            state.enabled = !PictureWindows().empty();
            return true;
        default:
            return false;
    }
}

bool CMainFrame::ExecuteCommand(int id) {
    if (m_wizards && m_wizards->ExecuteCommand(id)) return true;
    if (m_printCommands && m_printCommands->ExecuteCommand(id)) return true;
    switch (id) {
        case cmd::kViewControl:
            if (m_collapsed)
                ExpandControlPanel(false);
            else
                CollapseControlPanel(false);
            return true;
        case cmd::kViewToolbar:
            if (m_mainBar->isHidden()) {
                // The active window's layout: the browser window has its own.
                SetToolbarLayout(m_browser && m_mdi->currentSubWindow() == m_browser ? ToolbarLayout::Browser
                                                                                      : ToolbarLayout::Picture);
                m_mainBar->show();
            } else {
                m_mainBar->hide();
            }
            return true;
        case cmd::kViewStatusBar:
            statusBar()->setVisible(statusBar()->isHidden());
            return true;
        case cmd::kViewDrawingTool:
            m_drawingBar->setVisible(m_drawingBar->isHidden());
            return true;
        case cmd::kBeginnersHint:
            m_settings.beginnersHint = m_settings.beginnersHint ? 0 : 1;
            return true;
        case cmd::kStartUpScreen:
            ToggleWelcomeScreen();
            return true;
        case cmd::kAppExit:
            close();
            return true;
        case cmd::kWindowCascade:
            m_mdi->cascadeSubWindows();
            return true;
        case cmd::kWindowTileHorz:
            TileWindows(Qt::Horizontal);
            return true;
        case cmd::kWindowTileVert:
            TileWindows(Qt::Vertical);
            return true;
        case cmd::kWindowArrange:
            ArrangeIcons();
            return true;
        case cmd::kWindowManager:
            m_groupWindows->OpenWindowsManager();
            return true;
        case cmd::kMerge:
            Merge();
            return true;
        default:
            return false;
    }
}

void CMainFrame::Merge() {
    // One entry per open picture, in window order; a picture shown in several windows
    // (master and previews) is listed once.
    MergeList list;
    std::vector<const Picture*> pictures;
    for (CChildFrame* frame : PictureWindows()) {
        const COrvantixDoc& document = frame->Document();
        const Picture* picture = document.GetPicture();
        if (!picture || picture->IsEmpty()) continue;
        if (list.Add(MergeEntryName(document.PathName(), document.Title()), picture->Width(), picture->Height()))
            pictures.push_back(picture);
    }
    if (list.Size() < 2) {
        m_prompter.Message(kMergeNeedsTwo, "Lumaprism", PromptIcon::Exclamation);
        return;
    }
    CMergeWizardSheet sheet(std::move(list), std::move(pictures), MergePlacement::FromSettings(m_settings),
                            m_settings.Background(), m_prompter, this);
    if (sheet.exec() != QDialog::Accepted || !sheet.Result() || !documentServices || !addDocumentWindow) return;
    if (auto document = COrvantixDoc::NewUntitled(std::move(*sheet.Result()), documentServices()))
        addDocumentWindow(std::move(document));
}

// ---------------------------------------------------------------------------------------------
// Events

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_controlPanel->isFloating()) {
        m_settings.tmPosX = m_controlPanel->x();
        m_settings.tmPosY = m_controlPanel->y();
    }
    if (onClosing) onClosing();
    m_groupWindows->SetShuttingDown(true);
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        if (!window->close()) {
            m_groupWindows->SetShuttingDown(false);
            event->ignore();
            return;
        }
    }
    QMainWindow::closeEvent(event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    std::vector<std::filesystem::path> files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) files.emplace_back(url.toLocalFile().toStdString());
    if (files.empty()) return;
    event->acceptProposedAction();
    if (onFilesDropped) onFilesDropped(files);
}

}  // namespace lp
