// The palette window on the control panel's "Palette" page, the palette files it loads and saves,
// the pick-palette tool that feeds it, its hand-over to the Transfer Manager, and the palette
// conversion of the Picture menu.
#include "tools/ui/palette_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QtTest/QTest>
#include <set>

#include "base/data_folders.h"
#include "batch/ui/transfer_manager.h"
#include "document/picture_document.h"
#include "formats/format_table.h"
#include "guikit/ui/command_ids.h"
#include "imaging/colour_count.h"
#include "shell/ui/child_frame.h"
#include "shell/ui/control_panel.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/orvantix_view.h"
#include "tools/palette.h"
#include "ui/ui_test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::AppHarness;
using test::Settle;

/// Columns of colours: column x has colour (x * 7, 255 - x * 7, 40), so a picture w wide has w colours.
fs::path WriteStripes(const fs::path& path, int w = 12, int h = 8) {
    Picture p;
    p.Create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            test::SetPixel(p, x, y, MakeColour(std::uint8_t(x * 7), std::uint8_t(255 - x * 7), 40));
    SavePictureByExtension(p, path);
    return path;
}

ColourRef Stripe(int x) { return MakeColour(std::uint8_t(x * 7), std::uint8_t(255 - x * 7), 40); }

struct PaletteHarness {
    AppHarness h;
    CLumaprismApp* app = nullptr;
    CMainFrame* main = nullptr;
    CPaletteWindow* window = nullptr;

    explicit PaletteHarness(int stripes = 12) {
        h.store.WriteInt(kSettingsSection, "BeginnersHint", 0);  // hints are modal dialogs
        const fs::path file = WriteStripes(h.scratch / "stripes.bmp", stripes);
        app = &h.Start(file);
        main = &app->MainFrame();
        window = &main->PaletteWindow();
    }
    fs::path PaletteDir() const { return PaletteFolder(DataFolders::FromEnvironment()); }
};

TEST(PaletteWindow, IsTheControlPanelsPalettePageAndStartsEmpty) {
    PaletteHarness p;
    EXPECT_EQ(p.main->ControlPanel()->Page(1), p.window);
    EXPECT_EQ(p.window->TitleLabel()->text(), QStringLiteral("Palette"));
    EXPECT_EQ(p.window->CountText()->text(), QStringLiteral("0"));
    for (QPushButton* b : {p.window->ClearButton(), p.window->SaveButton(), p.window->ApplyButton(),
                           p.window->PreviewButton(), p.window->SortButton()})
        EXPECT_FALSE(b->isEnabled()) << b->text().toStdString();
    EXPECT_EQ(p.window->PaletteList()->itemText(0), QStringLiteral("Load from Picture"));
    EXPECT_GE(p.window->PaletteList()->findText(QStringLiteral("Web-Safe")), 1);
    EXPECT_EQ(p.window->CurrentPalette(), nullptr);
}

TEST(PaletteWindow, PaletteCollectedSortedAndSavedReadsBack) {
    PaletteHarness p;
    CPaletteWindow& w = *p.window;
    w.LoadEntry(0);  // "Load from Picture"
    ASSERT_EQ(w.Model().Count(), 12);
    EXPECT_EQ(w.CountText()->text(), QStringLiteral("12"));
    EXPECT_TRUE(w.SaveButton()->isEnabled());

    w.askSort = [](ColourSortKey, ColourSortOrder) {
        return std::make_optional(std::make_pair(ColourSortKey::GBR, ColourSortOrder::Ascending));
    };
    w.SortButton()->click();
    // Green falls as the columns go right: ascending green is the columns right to left.
    EXPECT_EQ(w.Model().ColourAt(0), Stripe(11));
    EXPECT_EQ(w.Model().ColourAt(11), Stripe(0));

    w.askName = [] { return std::make_optional(std::string("stripes")); };
    w.SaveButton()->click();
    EXPECT_TRUE(p.h.prompter.Messages().empty());
    EXPECT_EQ(w.TitleLabel()->text(), QStringLiteral("Palette (stripes)"));
    EXPECT_EQ(w.PaletteList()->currentText(), QStringLiteral("stripes"));

    Palette back;
    ASSERT_EQ(back.Read(p.PaletteDir() / "stripes.pal"), 0);
    EXPECT_EQ(back.Name(), "stripes");
    ASSERT_EQ(back.Count(), 12);
    std::string name;
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(back.GetEntry(i, &name), Stripe(11 - i));
        EXPECT_EQ(name, "stripes" + std::to_string(i + 1));
    }

    // Cleared and loaded again from the list: the same colours in file order.
    w.ClearButton()->click();
    EXPECT_EQ(w.Model().Count(), 0);
    EXPECT_EQ(w.TitleLabel()->text(), QStringLiteral("Palette"));
    w.LoadEntry(w.PaletteList()->findText(QStringLiteral("stripes")));
    ASSERT_EQ(w.Model().Count(), 12);
    EXPECT_EQ(w.Model().ColourAt(0), Stripe(11));
    EXPECT_EQ(w.TitleLabel()->text(), QStringLiteral("Palette (stripes)"));
}

TEST(PaletteWindow, ChoosingInTheListLoadsAlsoWhenTheShownEntryIsChosenAgain) {
    PaletteHarness p;
    CPaletteWindow& w = *p.window;
    QComboBox* list = w.PaletteList();
    list->setCurrentIndex(list->findText(QStringLiteral("Web-Safe")));  // as assistive tools choose
    EXPECT_EQ(w.Model().Count(), 216);
    EXPECT_EQ(w.TitleLabel()->text(), QStringLiteral("Palette (Web-Safe)"));
    w.ReleaseSlider(10);
    Settle();
    emit list->activated(list->currentIndex());  // a click on the entry already shown
    EXPECT_EQ(w.Model().Count(), 216);
    w.ClearButton()->click();
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_EQ(w.Model().Count(), 0);  // clearing the choice loads nothing
}

TEST(PaletteWindow, SaveRefusesAnEmptyNameAndReportsAWriteFailure) {
    PaletteHarness p;
    CPaletteWindow& w = *p.window;
    w.LoadEntry(0);
    w.askName = [] { return std::make_optional(std::string()); };
    w.SaveButton()->click();
    ASSERT_EQ(p.h.prompter.Messages().size(), 1u);
    EXPECT_EQ(p.h.prompter.Messages().back().text, "File name is empty");
    // A folder where the file should go: the write fails and says so.
    fs::create_directories(p.PaletteDir() / "taken.pal");
    EXPECT_FALSE(w.SaveAs("taken"));
    ASSERT_EQ(p.h.prompter.Messages().size(), 2u);
    EXPECT_EQ(p.h.prompter.Messages().back().text, "Error Saving Palette");
    EXPECT_EQ(w.TitleLabel()->text(), QStringLiteral("Palette"));
}

TEST(PaletteWindow, AnUnreadablePaletteFileGivesTheMessageAndLeavesTheGrid) {
    PaletteHarness p;
    CPaletteWindow& w = *p.window;
    w.LoadEntry(0);
    const fs::path bad = p.PaletteDir() / "broken.pal";
    test::WriteFileBytes(bad, {'V', 'P', '1', '.', '0', 0, 1, 2});  // cut inside the header
    w.RefreshPaletteList();
    const int index = w.PaletteList()->findText(QStringLiteral("broken"));
    ASSERT_GE(index, 1);
    w.LoadEntry(index);
    ASSERT_EQ(p.h.prompter.Messages().size(), 1u);
    EXPECT_EQ(p.h.prompter.Messages().back().text,
              "Unable to find palette file : " + bad.string() +
                  ".  Check your palette directory for the same.\nYour request to convert to the palette is not "
                  "processed");
    EXPECT_EQ(w.Model().Count(), 12);
    EXPECT_EQ(w.TitleLabel()->text(), QStringLiteral("Palette"));
}

TEST(PaletteWindow, ConvertToWebSafeWithAnUnreadablePaletteSaysSoAndKeepsThePicture) {
    PaletteHarness p;
    CChildFrame* frame = p.main->ActivePictureWindow();
    ASSERT_NE(frame, nullptr);
    const Picture before = *frame->Document().GetPicture();
    const fs::path webSafe = p.PaletteDir() / "Web-Safe.pal";
    ASSERT_TRUE(fs::exists(webSafe));
    test::WriteFileBytes(webSafe, {'n', 'o', 't'});
    p.main->Action(cmd::kWebSafe)->trigger();
    ASSERT_EQ(p.h.prompter.Messages().size(), 1u);
    EXPECT_EQ(p.h.prompter.Messages().back().text,
              "Unable to find palette file : " + webSafe.string() +
                  ".  Check your palette directory for the same.\nYour request to convert to the palette is not "
                  "processed");
    EXPECT_TRUE(frame->Document().GetPicture()->SamePixels(before));
    EXPECT_FALSE(frame->Document().IsModified());
}

TEST(PaletteWindow, ConvertToWebSafeFromTheMenuMapsOntoTheWebSafeColours) {
    PaletteHarness p;
    CChildFrame* frame = p.main->ActivePictureWindow();
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(p.main->Action(cmd::kWebSafe)->isEnabled());
    p.main->Action(cmd::kWebSafe)->trigger();
    EXPECT_TRUE(p.h.prompter.Messages().empty());
    const Picture& after = *frame->Document().GetPicture();
    for (int x = 0; x < after.Width(); ++x) {
        const ColourRef c = test::PixelAt(after, x, 0);
        EXPECT_EQ(RedOf(c) % 51, 0);
        EXPECT_EQ(GreenOf(c) % 51, 0);
        EXPECT_EQ(BlueOf(c) % 51, 0);
    }
    EXPECT_TRUE(frame->Document().IsModified());
}

TEST(PaletteWindow, ClicksChooseForegroundAndTransparentAndRemoveSwatches) {
    PaletteHarness p;
    CPaletteWindow& w = *p.window;
    p.main->SelectPage(1);
    p.main->show();
    w.LoadEntry(0);
    CPaletteGrid* grid = w.Grid();
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->SwatchCentre(2));
    const AppSettings& s = p.main->Settings();
    EXPECT_EQ(MakeColour(std::uint8_t(s.fgRed), std::uint8_t(s.fgGreen), std::uint8_t(s.fgBlue)), Stripe(2));
    QTest::mouseClick(grid, Qt::LeftButton, Qt::ControlModifier, grid->SwatchCentre(5));
    EXPECT_EQ(MakeColour(std::uint8_t(s.bgRed), std::uint8_t(s.bgGreen), std::uint8_t(s.bgBlue)), Stripe(5));
    COrvantixDoc& doc = p.main->ActivePictureWindow()->Document();
    EXPECT_EQ(doc.Frames()[doc.CurrentFrame()].transparentColour, Stripe(5));

    QTest::mouseClick(grid, Qt::RightButton, {}, grid->SwatchCentre(0));
    EXPECT_EQ(w.Model().Count(), 11);
    EXPECT_EQ(w.Model().ColourAt(0), Stripe(1));
    EXPECT_EQ(w.CountText()->text(), QStringLiteral("11"));

    QTest::mouseMove(grid, grid->SwatchCentre(3));
    EXPECT_EQ(p.main->statusBar()->currentMessage().toStdString(), PaletteWindowModel::kStatusText);

    // Double click past the last colour: the chooser's colour is appended.
    w.chooseColour = [](QColor) { return QColor(1, 2, 3); };
    w.EditSwatch(40);
    EXPECT_EQ(w.Model().Count(), 12);
    EXPECT_EQ(w.Model().ColourAt(11), MakeColour(1, 2, 3));
}

TEST(PaletteWindow, SliderKeepsTheFirstColoursOrAddsThePicturesOwn) {
    PaletteHarness p;
    CPaletteWindow& w = *p.window;
    w.LoadEntry(0);
    w.ReleaseSlider(5);
    EXPECT_EQ(w.Model().Count(), 5);
    EXPECT_EQ(w.CountSlider()->value(), 5);
    w.ReleaseSlider(200);  // more than the picture has: its own colours, the slider moves to them
    EXPECT_EQ(w.Model().Count(), 12);
    EXPECT_EQ(w.CountSlider()->value(), 12);
    w.ReleaseSlider(0);
    EXPECT_EQ(w.Model().Count(), 0);
    EXPECT_FALSE(w.ClearButton()->isEnabled());
}

TEST(PaletteWindow, PickPaletteToolAddsTheColoursOfTheDraggedRectangle) {
    PaletteHarness p;
    p.main->show();
    CMainFrame& main = *p.main;
    QAction* tool = main.Action(cmd::kToolPickPalette);
    ASSERT_TRUE(tool->isEnabled());
    tool->trigger();
    COrvantixView& view = main.ActivePictureWindow()->View();
    EXPECT_EQ(view.CurrentTool(), ViewTool::PickPalette);
    view.SetZoom(1.0, true);
    Settle();
    auto at = [&view](int x, int y) { return view.ViewportPoint(QPointF(x + 0.25, y + 0.25)).toPoint(); };
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, at(3, 1));
    QTest::mouseMove(view.viewport(), at(5, 6));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, at(5, 6));
    CPaletteWindow& w = main.PaletteWindow();
    ASSERT_EQ(w.Model().Count(), 3);  // columns 3, 4 and 5
    EXPECT_EQ(w.Model().ColourAt(0), Stripe(3));
    EXPECT_EQ(w.Model().ColourAt(2), Stripe(5));
    EXPECT_EQ(main.CurrentPage(), 1);
    EXPECT_EQ(view.Selection(), nullptr);
    // The same rectangle again adds nothing: every colour is shown once.
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, at(5, 1));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, at(3, 2));
    EXPECT_EQ(w.Model().Count(), 3);
}

TEST(PaletteWindow, ApplyReducesTheMasterOntoTheWindowsColours) {
    PaletteHarness p(40);
    CMainFrame& main = *p.main;
    CPaletteWindow& w = main.PaletteWindow();
    // Eight colours of the window, none of them in the picture.
    for (int i = 0; i < 8; ++i) w.Model().Add(MakeColour(std::uint8_t(i * 30), 0, 200));
    w.LoadEntry(-1);  // no list choice: nothing happens
    w.ReleaseSlider(8);
    ASSERT_NE(w.CurrentPalette(), nullptr);
    CTransferManager& tm = main.TransferManager();
    tm.FormatTabs()->setCurrentIndex(kTabGifPng);
    // As many colours as the window holds: they are the reduction's fixed colours, so every pixel
    // takes one of them.
    tm.ColoursSlider()->setValue(8);
    w.ApplyButton()->click();
    Settle();
    EXPECT_TRUE(tm.UsePaletteBox()->isChecked());
    const Picture& after = *main.ActivePictureWindow()->Document().GetPicture();
    std::set<ColourRef> allowed;
    for (int i = 0; i < 8; ++i) allowed.insert(MakeColour(std::uint8_t(i * 30), 0, 200));
    for (int y = 0; y < after.Height(); ++y)
        for (int x = 0; x < after.Width(); ++x) EXPECT_TRUE(allowed.count(test::PixelAt(after, x, y))) << x << "," << y;
    EXPECT_TRUE(main.ActivePictureWindow()->Document().CanUndo());
}

TEST(PaletteWindow, PreviewMakesAPreviewWindowWithTheWindowsColours) {
    PaletteHarness p(40);
    CMainFrame& main = *p.main;
    CPaletteWindow& w = main.PaletteWindow();
    w.LoadEntry(0);
    w.ReleaseSlider(6);
    ASSERT_EQ(w.Model().Count(), 6);
    w.CascadeButton()->setChecked(true);
    w.PreviewButton()->click();
    Settle();
    ASSERT_EQ(main.PictureWindows().size(), 2u);
    const Picture& preview = *main.PictureWindows()[1]->Document().GetPicture();
    EXPECT_LE(CountColours(preview), 6);
    // The master is untouched.
    EXPECT_EQ(CountColours(*main.PictureWindows()[0]->Document().GetPicture()), 40);
}

}  // namespace
}  // namespace lp

namespace lp {
namespace {

TEST(Screenshot, PaletteWindowWithThePicturesColoursSorted) {
    test::AppHarness h;
    h.store.WriteInt(kSettingsSection, "BeginnersHint", 0);
    CLumaprismApp& app = h.Start();
    ASSERT_NE(app.OpenDocumentFile(app.ProposedOpenName()), nullptr);
    CMainFrame& frame = app.MainFrame();
    frame.showNormal();
    frame.resize(1100, 760);
    frame.SelectPage(1);
    CPaletteWindow& w = frame.PaletteWindow();
    w.PaletteList()->setCurrentIndex(0);  // as the user's choice shows it
    w.LoadEntry(0);
    w.askSort = [](ColourSortKey, ColourSortOrder) {
        return std::make_optional(std::make_pair(ColourSortKey::Brightness, ColourSortOrder::Ascending));
    };
    w.SortButton()->click();
    test::Settle();
    // The sample has more than 256 colours: a reduction's, at most one per occupied colour cell.
    const Picture& picture = *frame.ActivePictureWindow()->Document().GetPicture();
    ASSERT_GT(CountColours(picture), 256);
    const int expected = std::min(256, Count15BitCells(picture));
    EXPECT_EQ(w.Model().Count(), expected);
    const QImage shot = frame.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const char* dir = std::getenv("LP_SCREENSHOT_DIR");
    const fs::path out = fs::path(dir && *dir ? dir : fs::current_path().string()) / "lumaprism-palette-window.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(out.string())));
    // The grid reaches the screen: its swatches show many different colours.
    const QImage grid = w.Grid()->grab().toImage();
    std::set<QRgb> colours;
    for (int y = 0; y < grid.height(); ++y)
        for (int x = 0; x < grid.width(); ++x) colours.insert(grid.pixel(x, y) & 0xFFFFFF);
    EXPECT_GT(int(colours.size()), expected / 2);
}

}  // namespace
}  // namespace lp
