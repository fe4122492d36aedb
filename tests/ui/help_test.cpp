// Help: the menu's commands, F1 on a highlighted command, dialogs' Help buttons
// and the welcome screen open the shipped manual at the command's topic.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/ui/lumaprism_app.h"
#include "app/ui/welcome_dialog.h"
#include "formats/format_table.h"
#include "guikit/ui/command_ids.h"
#include "guikit/ui/command_table.h"
#include "shell/help_manual.h"
#include "shell/ui/main_frame.h"
#include "test_support.h"
#include "tools/ui/resize_dialog.h"
#include "ui/ui_test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::AppHarness;

/// The URL of a place in the manual of the source tree, where a program run from
/// its build folder finds it.
std::string Expected(std::string_view page, std::string_view anchor) {
    return "file://" + (test::SourceDir() / "resources" / "data" / "help" / std::string(page)).lexically_normal().string() +
           "#" + std::string(anchor);
}

fs::path WritePicture(const fs::path& path) {
    Picture p;
    p.Create(64, 48);
    p.Fill(0x00336699);
    SavePictureByExtension(p, path);
    return path;
}

QMenu* MenuTitled(CMainFrame& frame, const QString& title) {
    for (QMenu* menu : frame.CurrentMenus())
        if (menu->title() == title) return menu;
    return nullptr;
}

TEST(HelpTopics, EveryCommandOfTheMenusAndBarsHasItsOwnTopic) {
    for (const CommandInfo& info : CommandTable())
        EXPECT_TRUE(FindHelpTopic(cmd::HelpTopic(info.id)).has_value()) << info.id << " " << info.text;
    for (int i = 0; i < kRecentFileCount; ++i) EXPECT_TRUE(FindHelpTopic(cmd::HelpTopic(cmd::kFileMru1 + i)));
}

TEST(HelpMenu, IntroductionQuickStartAndTopicsOpenTheirPages) {
    struct Case {
        int command;
        std::string_view page, anchor;
    };
    const Case cases[] = {
        {cmd::kHelpIntroduction, "index.html", "introduction"},
        {cmd::kHelpQuickStart, "index.html", "quick-start"},
        {cmd::kHelpIndex, "index.html", "contents"},
    };
    AppHarness h;
    CLumaprismApp& app = h.Start();
    CMainFrame& frame = app.MainFrame();
    ASSERT_FALSE(app.Manual().empty());
    for (bool withPicture : {false, true}) {
        if (withPicture) ASSERT_NE(app.OpenDocumentFile(WritePicture(h.scratch / "p.bmp")), nullptr);
        QMenu* help = MenuTitled(frame, QStringLiteral("&Help"));
        ASSERT_NE(help, nullptr);
        for (const Case& c : cases) {
            h.urlsOpened.clear();
            QAction* action = frame.Action(c.command);
            ASSERT_TRUE(help->actions().contains(action)) << c.command;
            frame.UpdateCommandStates();
            ASSERT_TRUE(action->isEnabled()) << c.command;
            action->trigger();
            EXPECT_EQ(h.urlsOpened, std::vector<std::string>{Expected(c.page, c.anchor)}) << withPicture;
        }
    }
}

TEST(HelpMenu, F1OnAHighlightedCommandOpensItsTopicAndClosesTheMenus) {
    AppHarness h;
    CLumaprismApp& app = h.Start(WritePicture(h.scratch / "f1.bmp"));
    CMainFrame& frame = app.MainFrame();
    frame.activateWindow();
    struct Case {
        QString menu;
        int command;
        std::string_view page, anchor;
    };
    const Case cases[] = {
        {QStringLiteral("&Picture"), cmd::kVectorize, "vectorizer.html", "vectorization"},
        {QStringLiteral("&Tools"), cmd::kMagicWand, "editing-tools.html", "magic-wand"},
        {QStringLiteral("&File"), cmd::kFileSaveAs, "main-window.html", "files"},
        // In the Help menu itself F1 is the highlighted item's, not Help Topics' own key.
        {QStringLiteral("&Help"), cmd::kHelpQuickStart, "index.html", "quick-start"},
    };
    for (const Case& c : cases) {
        h.urlsOpened.clear();
        QMenu* menu = MenuTitled(frame, c.menu);
        ASSERT_NE(menu, nullptr) << c.menu.toStdString();
        menu->popup(frame.mapToGlobal(QPoint(20, 20)));
        QApplication::processEvents();
        ASSERT_TRUE(menu->isVisible());
        menu->setActiveAction(frame.Action(c.command));
        QTest::keyClick(menu, Qt::Key_F1);
        QApplication::processEvents();
        EXPECT_EQ(h.urlsOpened, std::vector<std::string>{Expected(c.page, c.anchor)}) << c.command;
        EXPECT_FALSE(menu->isVisible()) << c.command;
    }
}

TEST(HelpDialogs, TheResizeDialogsHelpButtonOpensTheResizeSection) {
    AppHarness h;
    CLumaprismApp& app = h.Start(WritePicture(h.scratch / "resize.bmp"));
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CPictureResizeDlg*>(QApplication::activeModalWidget());
        if (!dialog) return;
        seen = true;
        EXPECT_TRUE(dialog->HelpButton()->isEnabled());
        dialog->HelpButton()->click();
        dialog->reject();
    });
    app.MainFrame().RouteCommand(cmd::kResize);
    ASSERT_TRUE(seen);
    EXPECT_EQ(h.urlsOpened, std::vector<std::string>{Expected("units-resize-merge.html", "resize")});
}

TEST(HelpWelcome, QuickStartButtonOpensTheQuickStart) {
    AppHarness h(/*welcome=*/true);
    CLumaprismApp& app = h.Start();
    ASSERT_NE(app.WelcomeScreen(), nullptr);
    QToolButton* quickStart = app.WelcomeScreen()->Button(CWelcomeDialog::QuickStart);
    ASSERT_TRUE(quickStart->isEnabled());
    quickStart->click();
    QApplication::processEvents();
    EXPECT_EQ(app.WelcomeScreen(), nullptr);
    EXPECT_EQ(h.urlsOpened, std::vector<std::string>{Expected("index.html", "quick-start")});
}

}  // namespace
}  // namespace lp
