// The main window: start-up, menus, command routing, bars and the control panel.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <fstream>

#include "app/ini_settings_store.h"
#include "app/ui/ask_wizard_dialog.h"
#include "app/ui/default_viewer_dialog.h"
#include "base/data_folders.h"
#include "shell/desktop_integration.h"
#include "app/ui/welcome_dialog.h"
#include "optimize/ui/wizard_launcher.h"
#include "optimize/ui/wizard_sheet.h"
#include "formats/format_table.h"
#include "shell/ui/child_frame.h"
#include "guikit/ui/command_ids.h"
#include "guikit/ui/command_router.h"
#include "guikit/ui/command_table.h"
#include "shell/ui/control_panel.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/position_selector.h"
#include "shell/ui/status_progress.h"
#include "ui/ui_test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::AppHarness;

QStringList MenuTitles(const CMainFrame& frame) {
    QStringList titles;
    for (QMenu* menu : frame.CurrentMenus()) titles << menu->title();
    return titles;
}

std::vector<int> ToolbarIds(QToolBar* bar) {
    std::vector<int> ids;
    for (QAction* action : bar->actions()) {
        if (action->isSeparator())
            ids.push_back(0);
        else if (action->data().isValid())
            ids.push_back(action->data().toInt());
        else
            ids.push_back(-1);  // an embedded control
    }
    return ids;
}

fs::path WritePicture(const fs::path& path, int w = 64, int h = 48) {
    SavePictureByExtension(test::PatternPicture(w, h), path);
    return path;
}

TEST(MainWindowStartup, FirstStartShowsWindowWelcomeAndStatus) {
    AppHarness h(/*welcome=*/true);
    CLumaprismApp& app = h.Start();
    CMainFrame& frame = app.MainFrame();
    EXPECT_TRUE(frame.isVisible());
    EXPECT_TRUE(frame.isMaximized());
    EXPECT_EQ(MenuTitles(frame), (QStringList{"&File", "&View", "&Window", "&Help"}));
    EXPECT_EQ(frame.StatusProgress().PaneText(1), QStringLiteral("96 Dpi x 96 Dpi"));
    EXPECT_EQ(frame.StatusProgress().PaneText(2), QStringLiteral("Modem 28.8 kbps "));
    ASSERT_NE(app.WelcomeScreen(), nullptr);
    EXPECT_TRUE(app.WelcomeScreen()->isVisible());
    // The recent-file list is empty: the sample picture is offered and exists.
    const fs::path sample = h.scratch / "home" / "PICTURE" / "rock.jpg";
    EXPECT_EQ(app.ProposedOpenName(), sample);
    EXPECT_TRUE(fs::is_regular_file(sample));
    EXPECT_FALSE(app.WelcomeScreen()->Button(CWelcomeDialog::OpenRecent)->isEnabled());
}

TEST(MainWindowStartup, NamedFileOpensWithoutWelcome) {
    AppHarness h(/*welcome=*/true);
    const fs::path file = WritePicture(h.scratch / "first.png");
    CLumaprismApp& app = h.Start(file);
    EXPECT_EQ(app.WelcomeScreen(), nullptr);
    ASSERT_EQ(app.MainFrame().PictureWindows().size(), 1u);
    EXPECT_EQ(MenuTitles(app.MainFrame()).size(), 9);
    EXPECT_EQ(app.Settings().recentFiles[0], file.string());
}

TEST(MainWindowStartup, WelcomeCheckBoxIsTheSetting) {
    AppHarness h(/*welcome=*/true);
    CLumaprismApp& app = h.Start();
    ASSERT_NE(app.WelcomeScreen(), nullptr);
    QCheckBox* box = app.WelcomeScreen()->ShowAtStartBox();
    EXPECT_TRUE(box->isChecked());
    box->click();
    EXPECT_EQ(app.Settings().welcomeScreen, 0);
    box->click();
    EXPECT_EQ(app.Settings().welcomeScreen, 1);
}

TEST(MainWindowStartup, WelcomeOpensTheMostRecentFile) {
    AppHarness h(/*welcome=*/true);
    const fs::path file = WritePicture(h.scratch / "recent.bmp");
    h.store.WriteText(kRecentFileSection, "File1", file.string());
    CLumaprismApp& app = h.Start();
    ASSERT_NE(app.WelcomeScreen(), nullptr);
    QToolButton* recent = app.WelcomeScreen()->Button(CWelcomeDialog::OpenRecent);
    ASSERT_TRUE(recent->isEnabled());
    recent->click();
    QApplication::processEvents();
    EXPECT_EQ(app.WelcomeScreen(), nullptr);
    ASSERT_EQ(app.MainFrame().PictureWindows().size(), 1u);
    EXPECT_EQ(app.MainFrame().PictureWindows()[0]->Document().PathName(), file);
    EXPECT_EQ(app.AskWizardStepsReached(), 1);  // PBWizard is on by default
}

TEST(MainWindowStartup, AskWizardOffersTheLumaprismWizardAndItsBoxIsTheSetting) {
    AppHarness h;
    const fs::path file = WritePicture(h.scratch / "asked.bmp");
    CLumaprismApp& app = h.Start();
    // Yes runs the Lumaprism Wizard on the picture just opened.
    h.chooser.openAnswers.push_back({file});
    app.MainFrame().RouteCommand(cmd::kFileOpen);
    QApplication::processEvents();
    CAskWizardDialog* ask = app.AskWizardDialog();
    ASSERT_NE(ask, nullptr);
    EXPECT_TRUE(ask->isVisible());
    EXPECT_TRUE(ask->AskEveryTimeBox()->isChecked());
    EXPECT_EQ(app.MainFrame().Wizards().Sheet(), nullptr);
    ask->YesButton()->click();
    test::Settle();
    EXPECT_EQ(app.AskWizardDialog(), nullptr);
    ASSERT_NE(app.MainFrame().Wizards().Sheet(), nullptr);
    EXPECT_EQ(app.MainFrame().Wizards().Sheet()->Kind(), WizardKind::Master);
    EXPECT_EQ(app.Settings().pbWizard, 1);
    app.MainFrame().Wizards().Sheet()->reject();
    test::Settle();

    // No with the box cleared: no wizard, and no question after the next open.
    h.chooser.openAnswers.push_back({file});
    app.MainFrame().RouteCommand(cmd::kFileOpen);
    QApplication::processEvents();
    ask = app.AskWizardDialog();
    ASSERT_NE(ask, nullptr);
    ask->AskEveryTimeBox()->click();
    ask->NoButton()->click();
    test::Settle();
    EXPECT_EQ(app.Settings().pbWizard, 0);
    EXPECT_FALSE(app.MainFrame().Action(cmd::kAskWizard)->isChecked());
    EXPECT_EQ(app.MainFrame().Wizards().Sheet(), nullptr);
    h.chooser.openAnswers.push_back({file});
    app.MainFrame().RouteCommand(cmd::kFileOpen);
    QApplication::processEvents();
    EXPECT_EQ(app.AskWizardDialog(), nullptr);
    EXPECT_EQ(app.AskWizardStepsReached(), 2);
}

TEST(MainWindowStartup, JunkSettingsFileGivesDefaults) {
    test::ScratchDir scratch;
    const fs::path ini = scratch / "junk.ini";
    {
        std::ofstream out(ini, std::ios::binary);
        out << "[Settings]\nModemSpeed=fast\nWelcomeScreen=0\nPicPosition=99\n\x01\x02\xff garbage ===\n"
            << "[Recent File List]\nFile1=\n[BarSettings]\nState=%%%not-base64%%%\n";
    }
    IniSettingsStore store(ini);
    ScriptedPrompter prompter;
    test::ScriptedChooser chooser;
    InMemoryClipboard clipboard;
    CLumaprismApp::Services services;
    services.store = &store;
    services.prompter = &prompter;
    services.chooser = &chooser;
    services.clipboard = &clipboard;
    CLumaprismApp app(services);
    app.Startup({});
    EXPECT_EQ(app.Settings().modemSpeed, 28800);
    EXPECT_EQ(app.Settings().picPosition, 4);
    EXPECT_EQ(app.MainFrame().StatusProgress().PaneText(2), QStringLiteral("Modem 28.8 kbps "));
}

TEST(MainWindowClose, WritesSettingsAndBarState) {
    AppHarness h;
    h.store.WriteInt(kSettingsSection, "UserSettings", 1);
    CLumaprismApp& app = h.Start();
    CMainFrame& frame = app.MainFrame();
    ASSERT_EQ(app.Settings().beginnersHint, 1);
    frame.Action(cmd::kBeginnersHint)->trigger();
    EXPECT_EQ(app.Settings().beginnersHint, 0);
    EXPECT_FALSE(frame.Action(cmd::kBeginnersHint)->isChecked());
    frame.Action(cmd::kAskWizard)->trigger();
    EXPECT_EQ(app.Settings().pbWizard, 0);
    EXPECT_TRUE(frame.close());
    EXPECT_EQ(h.store.ReadInt(kSettingsSection, "BeginnersHint").value, 0);
    EXPECT_EQ(h.store.ReadInt(kSettingsSection, "PBWizard").value, 0);
    const StoredText bars = h.store.ReadText(kBarSection, "State");
    ASSERT_EQ(bars.state, StoredState::Present);
    EXPECT_FALSE(bars.text.empty());
    // The stored layout restores: a fresh window takes it back.
    AppSettings settings = app.Settings();
    ScriptedPrompter prompter;
    CMainFrame again(settings, prompter);
    EXPECT_TRUE(again.RestoreBarState(bars.text));
    EXPECT_TRUE(app.ExitStep());
}

TEST(MainWindowMenus, EveryCommandIsInAMenuOrBar) {
    AppHarness h;
    CLumaprismApp& app = h.Start();
    CMainFrame& frame = app.MainFrame();
    for (const CommandInfo& info : CommandTable()) {
        QAction* action = frame.Action(info.id);
        ASSERT_NE(action, nullptr) << info.text;
        const bool inMenu = !action->associatedObjects().isEmpty();
        EXPECT_TRUE(inMenu) << info.text;
    }
}

TEST(DesktopIntegration, WallpaperIsWrittenThenTheDesktopToldOrTheUserWhenItCannot) {
    AppHarness h;
    const fs::path file = WritePicture(h.scratch / "wall.bmp", 40, 30);
    CLumaprismApp& app = h.Start(file);
    CMainFrame& frame = app.MainFrame();
    frame.UpdateCommandStates();
    ASSERT_TRUE(frame.Action(cmd::kWallpaperTile)->isEnabled());
    const QByteArray desktop = qgetenv("XDG_CURRENT_DESKTOP");
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    frame.Action(cmd::kWallpaperCentered)->trigger();
    const fs::path copy = WallpaperFile(DataFolders::FromEnvironment());
    ASSERT_TRUE(fs::exists(copy)) << copy;
    EXPECT_EQ(LoadPicture(copy, PictureFileType::Bmp).Width(), 40);
    ASSERT_EQ(h.programsRun.size(), 3u);
    EXPECT_EQ(h.programsRun[0], "gsettings set org.gnome.desktop.background picture-options centered");
    EXPECT_NE(h.programsRun[1].find("picture-uri file://"), std::string::npos) << h.programsRun[1];
    // A desktop without the GNOME settings: the copy is written, the user is told.
    qputenv("XDG_CURRENT_DESKTOP", "KDE");
    const std::size_t messages = h.prompter.Messages().size();
    frame.Action(cmd::kWallpaperTile)->trigger();
    EXPECT_EQ(h.programsRun.size(), 3u);
    ASSERT_EQ(h.prompter.Messages().size(), messages + 1);
    EXPECT_EQ(h.prompter.Messages().back().text, std::string(kWallpaperUnsupported));
    if (desktop.isNull()) qunsetenv("XDG_CURRENT_DESKTOP"); else qputenv("XDG_CURRENT_DESKTOP", desktop);
}

TEST(DesktopIntegration, DefaultViewerDialogStoresItsBoxesAndRegistersOnlyThose) {
    AppHarness h;
    h.store.WriteInt(kSettingsSection, "DefaultBrowser", 0x004);  // GIF
    CLumaprismApp& app = h.Start();
    CMainFrame& frame = app.MainFrame();
    const auto answer = [&](bool ok) {
        QTimer::singleShot(0, [&, ok] {
            auto* dialog = qobject_cast<CDefaultViewerDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Lumaprism As Default Viewer"));
            EXPECT_TRUE(dialog->Box(2)->isChecked());  // ".GIF Files" from the setting
            dialog->Box(1)->setChecked(true);          // ".JPG Files"
            if (ok) dialog->accept(); else dialog->reject();
        });
        frame.Action(cmd::kDefaultBrowser)->trigger();
    };
    answer(false);  // Cancel changes nothing
    EXPECT_EQ(app.Settings().defaultBrowser, 0x004);
    EXPECT_TRUE(h.programsRun.empty());
    answer(true);
    EXPECT_EQ(app.Settings().defaultBrowser, 0x004 | 0x008);
    ASSERT_EQ(h.programsRun.size(), 1u);
    EXPECT_EQ(h.programsRun[0], "xdg-mime default lumaprism.desktop image/jpeg image/gif");
}

class RecordingTarget final : public CommandTarget {
public:
    RecordingTarget(std::vector<int> answers, bool enabled) : m_answers(std::move(answers)), m_enabled(enabled) {}
    bool UpdateCommand(int id, CommandState& state) override {
        if (std::find(m_answers.begin(), m_answers.end(), id) == m_answers.end()) return false;
        state.enabled = m_enabled;
        return true;
    }
    bool ExecuteCommand(int id) override {
        executed.push_back(id);
        return true;
    }
    std::vector<int> executed;

private:
    std::vector<int> m_answers;
    bool m_enabled;
};

TEST(CommandRouting, FirstLevelThatAnswersRunsTheCommand) {
    RecordingTarget view({1}, true), document({1, 2}, true), child({3}, true), main({2, 4}, true), app({5, 6}, false);
    CommandChain chain;
    chain.targets = {&view, &document, &child, &main, &app};
    EXPECT_EQ(chain.Execute(1), CommandLevel::View);
    EXPECT_EQ(chain.Execute(2), CommandLevel::Document);  // the main window never sees it
    EXPECT_EQ(chain.Execute(3), CommandLevel::ChildFrame);
    EXPECT_EQ(chain.Execute(4), CommandLevel::MainWindow);
    EXPECT_EQ(chain.Execute(5), CommandLevel::None);  // answered but disabled: not run
    EXPECT_EQ(chain.Execute(7), CommandLevel::None);
    EXPECT_EQ(view.executed, std::vector<int>{1});
    EXPECT_EQ(document.executed, std::vector<int>{2});
    EXPECT_TRUE(main.executed == std::vector<int>{4});
    EXPECT_TRUE(app.executed.empty());
    chain.targets[0] = nullptr;  // no active window
    EXPECT_EQ(chain.Execute(1), CommandLevel::Document);
}

TEST(CommandRouting, RealCommandsReachTheirLevel) {
    AppHarness h;
    const fs::path file = WritePicture(h.scratch / "route.bmp");
    CLumaprismApp& app = h.Start(file);
    CMainFrame& frame = app.MainFrame();
    EXPECT_EQ(frame.RouteCommand(cmd::kFileSave), CommandLevel::Document);
    EXPECT_EQ(frame.RouteCommand(cmd::kViewRuler), CommandLevel::ChildFrame);
    EXPECT_EQ(frame.RouteCommand(cmd::kViewDrawingTool), CommandLevel::MainWindow);
    EXPECT_TRUE(frame.DrawingToolsBar()->isVisibleTo(&frame));
    EXPECT_EQ(frame.RouteCommand(cmd::kFileOpen), CommandLevel::Application);  // the dialog is cancelled
    EXPECT_EQ(h.chooser.openProposals.back(), file);                           // the most recent file is proposed
    EXPECT_EQ(frame.RouteCommand(cmd::kFileClose), CommandLevel::ChildFrame);
    QApplication::processEvents();
    EXPECT_TRUE(frame.PictureWindows().empty());
    // With no window the picture-window and document levels are gone.
    EXPECT_EQ(frame.RouteCommand(cmd::kFileSave), CommandLevel::None);
    EXPECT_FALSE(frame.Action(cmd::kFileSave)->isEnabled());
    EXPECT_EQ(MenuTitles(frame), (QStringList{"&File", "&View", "&Window", "&Help"}));
}

TEST(MainWindowBars, ToolbarLayouts) {
    AppHarness h;
    CMainFrame& frame = h.Start().MainFrame();
    using namespace cmd;
    const std::vector<int> picture = {
        kFileOpen, 0,         kFileSave,  kReload,   0,         kScanSelect,  kFilePrint, 0,
        kCutOut,   kEditCopy, kEditPaste, kEditUndo, 0,         kResize,      kVectorize, 0,
        -1,        0,         -1,         0,         kAddFrame, kDeleteFrame, 0,          kBeginnersHint,
        kAppAbout};
    EXPECT_EQ(ToolbarIds(frame.MainToolBar()), picture);
    frame.SetToolbarLayout(CMainFrame::ToolbarLayout::Browser);
    const std::vector<int> browser = {kBrowserPictureWindow,
                                      0,
                                      kFileOpen,
                                      0,
                                      kBrowserThumbNail,
                                      kBrowserListView,
                                      kBrowserDetails,
                                      0,
                                      kBrowserFileTypes,
                                      kBrowserWebSites,
                                      kBrowserRefresh,
                                      kBrowserDownload,
                                      kBrowserStop,
                                      0,
                                      -1,
                                      0,
                                      kBeginnersHint,
                                      kAppAbout};
    EXPECT_EQ(ToolbarIds(frame.MainToolBar()), browser);
    EXPECT_TRUE(frame.OptionsButton()->isVisible());
    EXPECT_EQ(frame.OptionsButton()->width(), 50);
    // Hidden, then shown again: the bar takes the layout of the active window.
    frame.Action(kViewToolbar)->trigger();
    EXPECT_FALSE(frame.MainToolBar()->isVisible());
    EXPECT_FALSE(frame.Action(kViewToolbar)->isChecked());
    frame.Action(kViewToolbar)->trigger();
    EXPECT_TRUE(frame.MainToolBar()->isVisible());
    EXPECT_EQ(ToolbarIds(frame.MainToolBar()), picture);
    ASSERT_NE(frame.PositionSelector(), nullptr);
    EXPECT_EQ(frame.PositionSelector()->Selection(), 4);
    // The drawing-tools bar starts hidden with the rectangle pressed.
    EXPECT_FALSE(frame.DrawingToolsBar()->isVisible());
    EXPECT_TRUE(frame.Action(kToolRectangle)->isChecked());
}

TEST(MainWindowBars, StatusBarCommandHidesAndChecks) {
    AppHarness h;
    CMainFrame& frame = h.Start().MainFrame();
    QAction* status = frame.Action(cmd::kViewStatusBar);
    frame.UpdateCommandStates();
    EXPECT_TRUE(status->isChecked());
    status->trigger();
    EXPECT_FALSE(frame.statusBar()->isVisible());
    EXPECT_FALSE(status->isChecked());
}

TEST(ControlPanel, TabsAndCollapse) {
    AppHarness h;
    CMainFrame& frame = h.Start().MainFrame();
    QTabWidget* tabs = frame.ControlPanel()->Tabs();
    ASSERT_EQ(tabs->count(), 4);
    const char* texts[] = {"Speed", "Palette", "Animation", "Browser"};
    const char* tips[] = {"Transfer Manager", "Palette", "Animation Controls", "Lumaprism Browser"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tabs->tabText(i), QString::fromLatin1(texts[i]));
        EXPECT_EQ(tabs->tabToolTip(i), QString::fromLatin1(tips[i]));
    }
    EXPECT_EQ(tabs->tabBar()->font().family(), QStringLiteral("Times New Roman"));
    EXPECT_TRUE(tabs->tabBar()->font().bold());
    EXPECT_EQ(tabs->currentIndex(), 3);  // the drive tree is shown first
    frame.OnTabChosen(1);
    EXPECT_EQ(frame.CurrentPage(), 1);
    EXPECT_TRUE(frame.ControlPanel()->Page(1)->isVisible());
    EXPECT_FALSE(frame.ControlPanel()->Page(3)->isVisible());

    // With no window open, collapsing only swaps the two bars.
    frame.ControlPanel()->CollapseButton()->click();
    EXPECT_FALSE(frame.ControlPanel()->isVisible());
    EXPECT_TRUE(frame.CollapsedPanel()->isVisible());
    EXPECT_TRUE(frame.PictureWindows().empty());
    frame.CollapsedPanel()->ExpandButton()->click();
    EXPECT_TRUE(frame.ControlPanel()->isVisible());
    EXPECT_FALSE(frame.CollapsedPanel()->isVisible());
    // "&Control" toggles the same way and carries the check mark.
    frame.Action(cmd::kViewControl)->trigger();
    EXPECT_TRUE(frame.CollapsedPanel()->isVisible());
    EXPECT_FALSE(frame.Action(cmd::kViewControl)->isChecked());
    frame.Action(cmd::kViewControl)->trigger();
    EXPECT_TRUE(frame.ControlPanel()->isVisible());
}

TEST(ControlPanel, AnimationTabActivatesFirstPictureWindow) {
    AppHarness h;
    CLumaprismApp& app = h.Start();
    CMainFrame& frame = app.MainFrame();
    frame.OnTabChosen(2);  // no picture window: nothing to activate, nothing breaks
    EXPECT_EQ(frame.ActivePictureWindow(), nullptr);
    CChildFrame* first = app.OpenDocumentFile(WritePicture(h.scratch / "one.bmp"));
    ASSERT_NE(first, nullptr);
    frame.MdiArea()->setActiveSubWindow(nullptr);
    ASSERT_EQ(frame.ActivePictureWindow(), nullptr);
    frame.OnTabChosen(2);
    EXPECT_EQ(frame.ActivePictureWindow(), first);
}

TEST(MainWindowWindows, CloseAllClosesEveryWindow) {
    AppHarness h;
    CLumaprismApp& app = h.Start();
    ASSERT_NE(app.OpenDocumentFile(WritePicture(h.scratch / "a.bmp")), nullptr);
    ASSERT_NE(app.OpenDocumentFile(WritePicture(h.scratch / "b.png")), nullptr);
    EXPECT_EQ(app.MainFrame().PictureWindows().size(), 2u);
    EXPECT_EQ(app.MainFrame().RouteCommand(cmd::kCloseAll), CommandLevel::Application);
    QApplication::processEvents();
    EXPECT_TRUE(app.MainFrame().PictureWindows().empty());
    EXPECT_EQ(app.Settings().recentFiles[0], (h.scratch / "b.png").string());
    EXPECT_EQ(app.Settings().recentFiles[1], (h.scratch / "a.bmp").string());
}

}  // namespace
}  // namespace lp
