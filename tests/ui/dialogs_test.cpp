// File dialog rules, the beginner's hints and the recent-file list.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <fstream>

#include "formats/file_types.h"
#include "formats/format_table.h"
#include "shell/ui/beginners_hint.h"
#include "shell/ui/child_frame.h"
#include "guikit/ui/command_ids.h"
#include "guikit/ui/file_chooser.h"
#include "shell/ui/main_frame.h"
#include "ui/ui_test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;

TEST(FileDialogs, FiltersKeepTheirTextsAndGiveQtPatterns) {
    const std::vector<QString> open = QtNameFilters(kOpenFileFilter);
    ASSERT_EQ(open.size(), 11u);
    EXPECT_EQ(open[1], QStringLiteral("Jpeg Files (*.jpg,*.jpeg) (*.jpg *.jpeg)"));
    EXPECT_TRUE(open[0].startsWith(QStringLiteral("Graphics Files (*.jpg,*,jpeg,")));  // as printed
    EXPECT_EQ(open[10], QStringLiteral("All Files (*.*) (*.*)"));
    const std::vector<QString> save = QtNameFilters(kSaveFileFilter);
    ASSERT_EQ(save.size(), 11u);
    EXPECT_EQ(save[10], QStringLiteral("Encapsulated PS Files (*.eps) (*.eps)"));
}

TEST(FileDialogs, TypedNameGetsTheFilterExtension) {
    test::ScratchDir scratch;
    struct Case {
        int filter;
        const char* typed;
        const char* expected;
    };
    const Case cases[] = {
        {1, "photo", "photo.jpg"}, {2, "anim", "anim.gif"}, {4, "pic", "pic.bmp"},     {9, "x", "x.dib"},
        {10, "v", "v.eps"},        {0, "any", "any"},       {3, "has.tga", "has.tga"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WithOpenFilterExtension(scratch / c.typed, c.filter), scratch / c.expected) << c.typed;
    // A file that exists under the name as typed is taken as it is.
    std::ofstream(scratch / "README") << "x";
    EXPECT_EQ(WithOpenFilterExtension(scratch / "README", 1), scratch / "README");
}

TEST(BeginnersHints, CountsDownAndRespectsTheSetting) {
    BeginnersHints hints;
    ASSERT_NE(hints.Find(3), nullptr);
    EXPECT_EQ(hints.Find(3)->topic, 0x10000 + 32783);
    EXPECT_EQ(hints.Find(7), nullptr);
    EXPECT_FALSE(hints.Take(3, false));  // setting off: nothing, no count used
    EXPECT_TRUE(hints.Take(3, true));
    EXPECT_TRUE(hints.Take(3, true));
    EXPECT_FALSE(hints.Take(3, true));  // two shows, then never again this run
    EXPECT_TRUE(hints.Take(21, true));
    EXPECT_FALSE(hints.Take(21, true));
    EXPECT_FALSE(hints.Take(7, true));
}

TEST(RecentFiles, MenuEntriesOpenAndForgetMissingFiles) {
    test::AppHarness h;
    const fs::path a = h.scratch / "a.bmp";
    const fs::path b = h.scratch / "b.bmp";
    SavePictureByExtension(test::PatternPicture(8, 8), a);
    SavePictureByExtension(test::PatternPicture(8, 8), b);
    h.store.WriteText(kRecentFileSection, "File1", b.string());
    h.store.WriteText(kRecentFileSection, "File2", a.string());
    h.store.WriteText(kRecentFileSection, "File3", (h.scratch / "gone.bmp").string());
    CLumaprismApp& app = h.Start();
    CMainFrame& frame = app.MainFrame();
    QAction* first = frame.Action(cmd::kFileMru1);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->text(), QStringLiteral("&1 ") + QString::fromStdString(b.string()));
    EXPECT_FALSE(frame.Action(cmd::kFileMru1 + 3)->isVisible());

    frame.Action(cmd::kFileMru1 + 1)->trigger();  // a.bmp
    ASSERT_EQ(frame.PictureWindows().size(), 1u);
    EXPECT_EQ(app.Settings().recentFiles[0], a.string());
    EXPECT_EQ(app.Settings().recentFiles[1], b.string());

    frame.Action(cmd::kFileMru1 + 2)->trigger();  // gone.bmp: message, no window, entry removed
    EXPECT_EQ(frame.PictureWindows().size(), 1u);
    EXPECT_FALSE(h.prompter.Messages().empty());
    EXPECT_TRUE(app.Settings().recentFiles[2].empty());
    EXPECT_FALSE(frame.Action(cmd::kFileMru1 + 2)->isVisible());
}

TEST(Playback, PlayAndStopThroughTheMenus) {
    test::AppHarness h;
    const fs::path first = h.scratch / "a.gif";
    Picture red;
    red.Create(16, 16);
    red.Fill(0x0000FF);
    Picture blue;
    blue.Create(16, 16);
    blue.Fill(0xFF0000);
    SavePictureByExtension(red, first);
    SavePictureByExtension(blue, h.scratch / "b.gif");
    CLumaprismApp& app = h.Start(first);
    CMainFrame& frame = app.MainFrame();
    h.chooser.openAnswers.push_back({h.scratch / "b.gif"});
    frame.Action(cmd::kAddFrame)->trigger();
    ASSERT_EQ(frame.PictureWindows().at(0)->Document().FrameCount(), 2u);
    frame.UpdateCommandStates();
    EXPECT_TRUE(frame.Action(cmd::kPlay)->isEnabled());
    EXPECT_FALSE(frame.Action(cmd::kStop)->isEnabled());
    frame.PictureWindows().at(0)->Document().AnimationInfo().loop = 1;  // endless: plays until stopped
    frame.Action(cmd::kPlay)->trigger();
    ASSERT_TRUE(frame.PictureWindows().at(0)->Document().IsPlaying());
    EXPECT_TRUE(frame.Action(cmd::kStop)->isEnabled());
    EXPECT_FALSE(frame.Action(cmd::kPlay)->isEnabled());
    EXPECT_FALSE(frame.Action(cmd::kFileSave)->isEnabled());  // no saving under a running player
    QApplication::processEvents();
    frame.Action(cmd::kStop)->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(frame.PictureWindows().at(0)->Document().IsPlaying());
    EXPECT_TRUE(frame.Action(cmd::kPlay)->isEnabled());
}

}  // namespace
}  // namespace lp

namespace lp {
namespace {

TEST(WindowMenu, ListsOpenWindowsWithTheCurrentChecked) {
    test::AppHarness h;
    CLumaprismApp& app = h.Start();
    SavePictureByExtension(test::PatternPicture(8, 8), h.scratch / "one.bmp");
    SavePictureByExtension(test::PatternPicture(8, 8), h.scratch / "two.bmp");
    ASSERT_NE(app.OpenDocumentFile(h.scratch / "one.bmp"), nullptr);
    CChildFrame* second = app.OpenDocumentFile(h.scratch / "two.bmp");
    ASSERT_NE(second, nullptr);
    QMenu* windowMenu = nullptr;
    for (QMenu* menu : app.MainFrame().CurrentMenus())
        if (menu->title() == QStringLiteral("&Window")) windowMenu = menu;
    ASSERT_NE(windowMenu, nullptr);
    emit windowMenu->aboutToShow();
    QStringList entries;
    for (QAction* action : windowMenu->actions())
        if (action->property("windowEntry").toBool() && !action->isSeparator())
            entries << action->text() + (action->isChecked() ? "*" : "");
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(entries[0].startsWith(QStringLiteral("&1 ")) && entries[0].endsWith(QStringLiteral("one.bmp")));
    EXPECT_TRUE(entries[1].endsWith(QStringLiteral("two.bmp*")));
    emit windowMenu->aboutToShow();  // shown again: the list is rebuilt, not doubled
    int count = 0;
    for (QAction* action : windowMenu->actions())
        if (action->property("windowEntry").toBool() && !action->isSeparator()) ++count;
    EXPECT_EQ(count, 2);
}

}  // namespace
}  // namespace lp
