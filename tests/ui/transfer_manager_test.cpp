// The Transfer Manager panel, preview windows and the Windows Manager in the running program.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <QTreeWidget>
#include <fstream>
#include <set>

#include "base/data_folders.h"
#include "batch/ui/transfer_manager.h"
#include "formats/format_table.h"
#include "imaging/colour_count.h"
#include "optimize/picture_groups.h"
#include "optimize/ui/group_windows.h"
#include "optimize/ui/windows_manager_dlg.h"
#include "shell/ui/child_frame.h"
#include "guikit/ui/command_ids.h"
#include "shell/ui/control_panel.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/status_progress.h"
#include "ui/ui_test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::Settle;
using test::AppHarness;

/// A started program with one photo-like picture open.
struct Session {
    AppHarness h;
    CMainFrame* main = nullptr;
    CChildFrame* master = nullptr;
    explicit Session(int width = 120, int height = 90) {
        const fs::path file = h.scratch / "photo.bmp";
        SavePictureByExtension(test::PatternPicture(width, height), file);
        main = &h.Start(file).MainFrame();
        master = main->PictureWindows().at(0);
        main->SelectPage(0);
        Settle();
    }
    CTransferManager& Tm() { return main->TransferManager(); }
    std::vector<CChildFrame*> Windows() {
        Settle();
        return main->PictureWindows();
    }
};

TEST(TransferManagerPanel, IsTheSpeedPageAndFollowsTheActiveMaster) {
    Session s;
    EXPECT_EQ(s.main->ControlPanel()->Page(0), &s.Tm());
    ASSERT_TRUE(s.Tm().Model().Attached());
    EXPECT_EQ(s.Tm().Model().Info(), &s.master->Document().Transfer());
    // Every control carries the name the user reads.
    EXPECT_EQ(s.Tm().PreviewButton()->accessibleName(), QStringLiteral("Preview"));
    EXPECT_EQ(s.Tm().ColoursSlider()->accessibleName(), QStringLiteral("Colors"));
    EXPECT_EQ(s.Tm().FormatTabs()->tabText(1), QStringLiteral("  Gif "));  // Use PNG is off
    EXPECT_TRUE(s.Tm().WizardButton()->isEnabled());
    EXPECT_EQ(s.Tm().WizardButton()->accessibleName(), QStringLiteral("Wizard"));
    EXPECT_EQ(s.Tm().FormatBox(kFormatPng), nullptr);
    EXPECT_EQ(s.Tm().SpeedList()->count(), 10);
    EXPECT_EQ(s.Tm().SpeedList()->currentText(), QStringLiteral("28.8"));
    EXPECT_FALSE(s.Tm().MasterField(kFormatJpg)->text().isEmpty());
}

TEST(TransferManagerPanel, SliderChangeUpdatesPreviewFields) {
    Session s;
    CTransferManager& tm = s.Tm();
    tm.FormatTabs()->setCurrentIndex(kTabGifPng);
    const QString before = tm.PreviewField(kFormatGif)->text();
    const int start = tm.ColoursSlider()->value();
    ASSERT_GT(start, 8);
    tm.ColoursSlider()->setValue(8);
    const TransferInfo& t = s.master->Document().Transfer();
    EXPECT_EQ(tm.ColoursText()->text(), QStringLiteral("8"));
    EXPECT_EQ(tm.PreviewField(kFormatGif)->text().toStdString(), FormatSizeField(t.previewGifBytes));
    EXPECT_NE(tm.PreviewField(kFormatGif)->text(), before);
    EXPECT_EQ(s.master->Document().Settings().colors, 8);
    // The Display tab switches to times.
    tm.DisplayTabs()->setCurrentIndex(1);
    EXPECT_EQ(tm.PreviewField(kFormatGif)->text().toStdString(),
              FormatTimeField(TransferSeconds(t.previewGifBytes, 28800)));
    // Choosing a speed changes the setting and the status bar.
    tm.SpeedList()->setCurrentIndex(0);
    emit tm.SpeedList()->activated(0);
    EXPECT_EQ(s.main->Settings().modemSpeed, 9600);
}

TEST(TransferManagerPanel, PreviewOpensACaptionedWindow) {
    Session s;
    CTransferManager& tm = s.Tm();
    tm.FormatTabs()->setCurrentIndex(kTabGifPng);
    tm.ColoursSlider()->setValue(16);
    tm.PreviewButton()->click();
    auto windows = s.Windows();
    ASSERT_EQ(windows.size(), 2u) << (s.h.prompter.Messages().empty() ? "" : s.h.prompter.Messages()[0].text);
    CChildFrame* preview = windows[1];
    const QString caption = preview->windowTitle();
    EXPECT_TRUE(caption.startsWith(QStringLiteral("(Preview 1) (JPG "))) << caption.toStdString();
    EXPECT_TRUE(caption.endsWith(QStringLiteral("s) photo.bmp"))) << caption.toStdString();
    EXPECT_EQ(preview->StatusProgress().PaneText(3), QStringLiteral("Preview 1  (Color Reduction) "));
    EXPECT_LE(CountColours(*preview->Document().GetPicture()), 16);
    EXPECT_GT(CountColours(*s.master->Document().GetPicture()), 16);  // the master is untouched
    // The preview's sizes are the trial estimates, and the graph holds both windows.
    EXPECT_EQ(preview->Document().Transfer().gifBytes, s.master->Document().Transfer().previewGifBytes);
    EXPECT_EQ(tm.Model().Graph().Windows().size(), 2u);
    EXPECT_TRUE(s.master->windowTitle().startsWith(QStringLiteral("(Master)")));
    // The third preview is labelled 3.
    tm.PreviewButton()->click();
    tm.PreviewButton()->click();
    windows = s.Windows();
    ASSERT_EQ(windows.size(), 4u);
    EXPECT_TRUE(windows[3]->windowTitle().startsWith(QStringLiteral("(Preview 3)")));
    EXPECT_EQ(s.main->Groups().PreviewNumber(windows[3]), 4);
}

TEST(TransferManagerPanel, SizeAndQualityPreviews) {
    Session s(400, 300);
    CTransferManager& tm = s.Tm();
    tm.FormatTabs()->setCurrentIndex(kTabSize);
    tm.AreaSlider()->setValue(25);
    EXPECT_EQ(tm.AreaText()->text(), QStringLiteral("25%"));
    tm.PreviewButton()->click();
    auto windows = s.Windows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[1]->Document().GetPicture()->Width(), 200);
    EXPECT_EQ(windows[1]->Document().GetPicture()->Height(), 150);
    EXPECT_EQ(windows[1]->StatusProgress().PaneText(3), QStringLiteral("Preview 1  (Size) "));

    s.main->MdiArea()->setActiveSubWindow(s.master);
    tm.FormatTabs()->setCurrentIndex(kTabJpeg);
    tm.QualitySlider()->setValue(20);
    tm.PreviewButton()->click();
    windows = s.Windows();
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_EQ(windows[2]->StatusProgress().PaneText(3), QStringLiteral("Preview 2  (JPEG Quality) "));
    EXPECT_FALSE(windows[2]->Document().GetPicture()->SamePixels(*s.master->Document().GetPicture()));
}

TEST(TransferManagerPanel, ApplyChangesTheMasterAndKeepsUndo) {
    Session s;
    CTransferManager& tm = s.Tm();
    tm.FormatTabs()->setCurrentIndex(kTabGifPng);
    tm.ColoursSlider()->setValue(4);
    tm.ApplyButton()->click();
    Settle();
    COrvantixDoc& doc = s.master->Document();
    EXPECT_LE(CountColours(*doc.GetPicture()), 4);
    EXPECT_TRUE(doc.CanUndo());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(s.Windows().size(), 1u);
    EXPECT_EQ(tm.Model().PresentColors(), std::int32_t(doc.ColourCount()));
}

TEST(TransferManagerPanel, BadInput) {
    Session s;
    CTransferManager& tm = s.Tm();
    // Zero size at Preview: the message and no window.
    tm.FormatTabs()->setCurrentIndex(kTabSize);
    tm.AreaSlider()->setValue(0);
    tm.PreviewButton()->click();
    EXPECT_EQ(s.Windows().size(), 1u);
    ASSERT_FALSE(s.h.prompter.Messages().empty());
    EXPECT_EQ(s.h.prompter.Messages().back().text, "Size should always be greater than zero");

    // A .TPL that cannot be read: its error, and the settings stay.
    const fs::path templates = DataFolders::FromEnvironment().Folder(DataFolder::Template);
    fs::create_directories(templates);
    std::ofstream(templates / "Broken.tpl") << "XX not a macro";
    tm.RefreshMacroList();
    const int index = tm.MacroList()->findText(QStringLiteral("Broken"));
    ASSERT_GT(index, 0);
    const BatchMacro before = s.master->Document().Settings();
    tm.MacroList()->setCurrentIndex(index);
    emit tm.MacroList()->activated(index);
    EXPECT_EQ(s.h.prompter.Messages().back().caption, "Batch macro Wizard Error");
    EXPECT_EQ(s.master->Document().Settings(), before);

    // A good one loads into the master's settings and moves the sliders.
    BatchMacro good("Small");
    good.resizeMode = kResizeRelative;
    good.widthPercent = good.heightPercent = 50;
    SaveBatchMacroFile(good, templates / "Small.TPL");
    tm.RefreshMacroList();
    const int goodIndex = tm.MacroList()->findText(QStringLiteral("Small"));
    ASSERT_GT(goodIndex, 0);
    tm.MacroList()->setCurrentIndex(goodIndex);
    emit tm.MacroList()->activated(goodIndex);
    EXPECT_EQ(s.master->Document().Settings().width, 60);
    EXPECT_EQ(tm.AreaSlider()->value(), 25);
}

TEST(PreviewGroups, EditingPreviewTwoAndAnsweringOkLeavesOneMaster) {
    Session s;
    CTransferManager& tm = s.Tm();
    tm.FormatTabs()->setCurrentIndex(kTabGifPng);
    tm.ColoursSlider()->setValue(16);
    tm.PreviewButton()->click();
    s.main->MdiArea()->setActiveSubWindow(s.master);
    tm.ColoursSlider()->setValue(8);
    tm.PreviewButton()->click();
    auto windows = s.Windows();
    ASSERT_EQ(windows.size(), 3u);
    CChildFrame* second = windows[2];
    s.main->MdiArea()->setActiveSubWindow(second);
    s.h.prompter = ScriptedPrompter({PromptAnswer::Ok});
    s.main->RouteCommand(cmd::kFileSaveAs);  // an editing command; the save dialog is cancelled
    windows = s.Windows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0], second);
    ASSERT_FALSE(s.h.prompter.Questions().empty());
    EXPECT_EQ(s.h.prompter.Questions()[0].text, std::string(kPreviewEditQuestion));
    EXPECT_TRUE(second->windowTitle().startsWith(QStringLiteral("(Master)"))) << second->windowTitle().toStdString();
    EXPECT_EQ(second->StatusProgress().PaneText(3), QStringLiteral("Master Picture Window"));
    EXPECT_EQ(tm.Model().Info(), &second->Document().Transfer());
}

TEST(PreviewGroups, EditingTheMasterCancelKeepsEverything) {
    Session s;
    s.Tm().FormatTabs()->setCurrentIndex(kTabGifPng);
    s.Tm().PreviewButton()->click();
    s.main->MdiArea()->setActiveSubWindow(s.master);
    s.h.prompter = ScriptedPrompter({PromptAnswer::Cancel});
    s.main->RouteCommand(cmd::kFileSaveAs);
    EXPECT_EQ(s.Windows().size(), 2u);
    EXPECT_TRUE(s.h.chooser.saveFilters.empty());  // the command did not run
    s.h.prompter = ScriptedPrompter({PromptAnswer::Ok});
    s.main->RouteCommand(cmd::kFileSaveAs);
    EXPECT_EQ(s.Windows().size(), 1u);
    EXPECT_EQ(s.h.chooser.saveFilters.size(), 1u);
}

TEST(PreviewGroups, ClosingTheMasterAsks) {
    Session s;
    s.Tm().FormatTabs()->setCurrentIndex(kTabGifPng);
    s.Tm().PreviewButton()->click();
    s.h.prompter = ScriptedPrompter({PromptAnswer::Yes});
    EXPECT_FALSE(s.master->close());
    EXPECT_EQ(s.Windows().size(), 2u);
    ASSERT_NE(s.main->Groups().WindowsManager(), nullptr);  // Yes: choose a new master there
    s.main->Groups().WindowsManager()->close();
    s.h.prompter = ScriptedPrompter({PromptAnswer::No});
    EXPECT_TRUE(s.master->close());
    EXPECT_TRUE(s.Windows().empty());
}

TEST(WindowsManager, CloseRefusesTheMasterAndSelectPromotes) {
    Session s;
    s.Tm().FormatTabs()->setCurrentIndex(kTabGifPng);
    s.Tm().ColoursSlider()->setValue(16);
    s.Tm().PreviewButton()->click();
    s.main->MdiArea()->setActiveSubWindow(s.master);
    s.Tm().PreviewButton()->click();
    ASSERT_EQ(s.Windows().size(), 3u);
    s.main->Action(cmd::kWindowManager)->trigger();
    CWindowsManagerDlg* dlg = s.main->Groups().WindowsManager();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Windows Manager"));
    ASSERT_EQ(dlg->List()->topLevelItemCount(), 3);
    EXPECT_EQ(dlg->List()->topLevelItem(0)->text(0), QStringLiteral("Master"));
    EXPECT_EQ(dlg->List()->topLevelItem(1)->text(0), QStringLiteral("Preview     1"));
    EXPECT_EQ(dlg->List()->topLevelItem(1)->text(1), QStringLiteral("Colors"));
    EXPECT_EQ(dlg->List()->columnCount(), 7);  // no "PNG Time" without Use PNG
    EXPECT_FALSE(dlg->SelectButton()->isEnabled());

    dlg->List()->selectAll();
    dlg->CloseButton()->click();
    ASSERT_FALSE(s.h.prompter.Messages().empty());
    EXPECT_EQ(s.h.prompter.Messages().back().text, std::string(kCloseMasterRefused));
    EXPECT_EQ(s.Windows().size(), 3u);

    // Closing a preview removes its row.
    dlg->List()->clearSelection();
    dlg->List()->topLevelItem(2)->setSelected(true);
    dlg->CloseButton()->click();
    EXPECT_EQ(dlg->List()->topLevelItemCount(), 2);
    EXPECT_EQ(s.Windows().size(), 2u);

    // Select makes preview 1 the master and closes the rest.
    dlg->List()->clearSelection();
    dlg->List()->topLevelItem(1)->setSelected(true);
    ASSERT_TRUE(dlg->SelectButton()->isEnabled());
    dlg->SelectButton()->click();
    auto windows = s.Windows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_NE(windows[0], s.master);
    EXPECT_TRUE(windows[0]->windowTitle().startsWith(QStringLiteral("(Master)")));
    EXPECT_EQ(s.main->Groups().PreviewNumber(windows[0]), 1);
}

TEST(WindowsManager, NoWindowsSaysSo) {
    AppHarness h;
    CMainFrame& main = h.Start().MainFrame();
    main.Action(cmd::kWindowManager)->trigger();
    ASSERT_FALSE(h.prompter.Messages().empty());
    EXPECT_EQ(h.prompter.Messages().back().text, "No windows are active");
    EXPECT_EQ(main.Groups().WindowsManager(), nullptr);
}

TEST(Screenshot, TransferManagerWithAPreview) {
    test::AppHarness h;
    CLumaprismApp& app = h.Start();
    ASSERT_NE(app.OpenDocumentFile(app.ProposedOpenName()), nullptr);
    CMainFrame& frame = app.MainFrame();
    frame.showNormal();
    frame.resize(1100, 760);
    frame.SelectPage(0);
    CTransferManager& tm = frame.TransferManager();
    tm.FormatTabs()->setCurrentIndex(kTabGifPng);
    tm.ColoursSlider()->setValue(64);
    tm.PreviewButton()->click();
    Settle();
    ASSERT_EQ(frame.PictureWindows().size(), 2u);
    const QImage shot = frame.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const char* dir = std::getenv("LP_SCREENSHOT_DIR");
    const fs::path out =
        fs::path(dir && *dir ? dir : fs::current_path().string()) / "lumaprism-transfer-manager.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(out.string())));
    // The panel draws its curves: the three curve colours reach the screen.
    const QImage panel = tm.grab().toImage();
    std::set<QRgb> colours;
    for (int y = 0; y < panel.height(); ++y)
        for (int x = 0; x < panel.width(); ++x) colours.insert(panel.pixel(x, y) & 0xFFFFFF);
    EXPECT_TRUE(colours.count(0x00FF00)) << "GIF curve";
    EXPECT_TRUE(colours.count(0xFF0000)) << "JPEG curve";
}

}  // namespace
}  // namespace lp
