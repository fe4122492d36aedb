#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <functional>

#include "formats/format_table.h"
#include "guikit/ui/command_ids.h"
#include "options/ui/options_sheet_dlg.h"
#include "shell/ui/child_frame.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/orvantix_view.h"
#include "shell/ui/ruler.h"
#include "shell/ui/status_progress.h"
#include "shell/ui/units_page.h"
#include "tools/ui/merge_rotate_opt.h"
#include "tools/ui/merge_wizard.h"
#include "tools/ui/resize_dialog.h"
#include "ui/ui_test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::AppHarness;

fs::path WriteFilled(const fs::path& path, int w, int h, ColourRef colour) {
    Picture p;
    p.Create(w, h);
    p.Fill(std::int32_t(colour));
    SavePictureByExtension(p, path);
    return path;
}

/// Runs a command; while its modal dialog of type T is open, act on it (then it is closed
/// with reject if still open). Returns whether the dialog was seen.
template <typename T>
bool WithDialog(CMainFrame& frame, int command, const std::function<void(T&)>& act) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog)
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<T*>(w); d && d->isVisible()) dialog = d;
        if (!dialog) return;
        seen = true;
        act(*dialog);
        if (dialog->isVisible()) dialog->reject();
    });
    frame.RouteCommand(command);
    return seen;
}

void Type(CSizeField* field, const QString& text) {
    field->Edit()->setText(text);
    emit field->Edit()->editingFinished();
}

std::vector<std::string> MessageTexts(const ScriptedPrompter& prompter) {
    std::vector<std::string> texts;
    for (const auto& m : prompter.Messages()) texts.push_back(m.text);
    return texts;
}

TEST(PictureResizeDialog, CentimetresAt96DpiGiveTheExpectedPixelsWithUndo) {
    AppHarness h;
    CLumaprismApp& app = h.Start(WriteFilled(h.scratch / "p.bmp", 400, 300, MakeColour(10, 200, 30)));
    CMainFrame& frame = app.MainFrame();
    CChildFrame* window = frame.ActivePictureWindow();
    ASSERT_NE(window, nullptr);
    frame.UpdateCommandStates();
    ASSERT_TRUE(frame.Action(cmd::kResize)->isEnabled());
    const bool seen = WithDialog<CPictureResizeDlg>(frame, cmd::kResize, [](CPictureResizeDlg& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Picture Resize"));
        EXPECT_EQ(d.WidthField()->Text(), QStringLiteral("400"));
        EXPECT_TRUE(d.UnitButton(MeasureUnit::Pixel)->isChecked());
        EXPECT_TRUE(d.ProportionalBox()->isChecked());
        d.UnitButton(MeasureUnit::Cm)->click();
        EXPECT_EQ(d.WidthField()->Text(), QStringLiteral("10.58"));
        EXPECT_EQ(d.HeightField()->Text(), QStringLiteral("7.94"));
        Type(d.WidthField(), QStringLiteral("5.08"));  // two inches
        EXPECT_EQ(d.HeightField()->Text(), QStringLiteral("3.81"));
        EXPECT_EQ(d.XPercentField()->value(), 48);
        d.OkButton()->click();
    });
    ASSERT_TRUE(seen);
    const Picture* picture = window->Document().GetPicture();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Width(), 192);
    EXPECT_EQ(picture->Height(), 144);
    EXPECT_EQ(test::PixelAt(*picture, 100, 100), std::int32_t(MakeColour(10, 200, 30)));
    ASSERT_NE(window->Document().UndoPicture(), nullptr);
    EXPECT_EQ(window->Document().UndoPicture()->Width(), 400);
    EXPECT_TRUE(window->Document().IsModified());
    EXPECT_TRUE(h.prompter.Messages().empty());
    window->Document().Undo();
    EXPECT_EQ(window->Document().GetPicture()->Width(), 400);
}

TEST(PictureResizeDialog, PercentHalvesBothSidesWithTheSmartResampler) {
    AppHarness h;
    CLumaprismApp& app = h.Start(WriteFilled(h.scratch / "p.bmp", 401, 301, MakeColour(0, 0, 255)));
    CMainFrame& frame = app.MainFrame();
    ASSERT_TRUE(WithDialog<CPictureResizeDlg>(frame, cmd::kResize, [](CPictureResizeDlg& d) {
        d.XPercentField()->setValue(50);
        EXPECT_EQ(d.YPercentField()->value(), 50);
        d.SmartBox()->setChecked(true);
        d.OkButton()->click();
    }));
    const Picture* picture = frame.ActivePictureWindow()->Document().GetPicture();
    EXPECT_EQ(picture->Width(), 201);  // 200.5 rounded up
    EXPECT_EQ(picture->Height(), 151);
}

TEST(PictureResizeDialog, BadSizesShowTheMessagesAndChangeNothing) {
    AppHarness h;
    CLumaprismApp& app = h.Start(WriteFilled(h.scratch / "p.bmp", 400, 300, MakeColour(1, 2, 3)));
    CMainFrame& frame = app.MainFrame();
    COrvantixDoc& document = frame.ActivePictureWindow()->Document();
    ASSERT_TRUE(WithDialog<CPictureResizeDlg>(frame, cmd::kResize, [&](CPictureResizeDlg& d) {
        for (const char* text : {"0", "-20", "12a"}) {
            Type(d.WidthField(), QString::fromLatin1(text));
            EXPECT_EQ(d.WidthField()->Edit()->selectedText(), QString::fromLatin1(text));
            EXPECT_EQ(d.HeightField()->Text(), QStringLiteral("300")) << text;
            EXPECT_EQ(d.XPercentField()->value(), 100) << text;
        }
        EXPECT_EQ(MessageTexts(h.prompter),
                  (std::vector<std::string>{"Invalid Number", "Invalid Number", "Invalid Number"}));
        // OK with the refused text still there: refused again, the dialog stays open.
        d.OkButton()->click();
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(h.prompter.Messages().size(), 4u);
        // A size beyond 2000 %: the percentage range check refuses it.
        d.ProportionalBox()->setChecked(false);
        Type(d.WidthField(), QStringLiteral("900000"));
        d.OkButton()->click();
        EXPECT_TRUE(d.isVisible());
        ASSERT_EQ(h.prompter.Messages().size(), 5u);
        EXPECT_EQ(h.prompter.Messages().back().text, "Please enter an integer between 0 and 2000.");
        // A percentage of 0 leaves no pixels.
        d.XPercentField()->setValue(0);
        d.OkButton()->click();
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(h.prompter.Messages().back().text, "Invalid Number");
        d.CancelButton()->click();
    }));
    EXPECT_EQ(document.GetPicture()->Width(), 400);
    EXPECT_EQ(document.GetPicture()->Height(), 300);
    EXPECT_EQ(document.UndoPicture(), nullptr);
    EXPECT_FALSE(document.IsModified());
}

TEST(PictureResizeDialog, ASizeBeyondThePixelLimitIsRefusedWithTheLimit) {
    ScriptedPrompter prompter;
    CPictureResizeDlg dialog(20000, 20000, MeasureUnits{}, &prompter);
    dialog.show();
    dialog.XPercentField()->setValue(2000);
    EXPECT_EQ(dialog.WidthField()->Text(), QStringLiteral("400000"));
    dialog.OkButton()->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.Result());
    ASSERT_EQ(prompter.Messages().size(), 1u);
    EXPECT_NE(prompter.Messages()[0].text.find("too large"), std::string::npos) << prompter.Messages()[0].text;
    dialog.XPercentField()->setValue(10);
    dialog.OkButton()->click();
    ASSERT_TRUE(dialog.Result());
    EXPECT_EQ(dialog.Result()->size, (SizeWH{2000, 2000}));
}

TEST(MergeWizard, TwoPicturesInARowWithAGapGiveTheExpectedCanvas) {
    AppHarness h;
    h.store.WriteInt(kSettingsSection, "Merge Gap X", 10);
    h.store.WriteInt(kSettingsSection, "Merge Gap Y", 5);
    CLumaprismApp& app = h.Start(WriteFilled(h.scratch / "red.bmp", 100, 50, MakeColour(255, 0, 0)));
    ASSERT_NE(app.OpenDocumentFile(WriteFilled(h.scratch / "blue.bmp", 100, 50, MakeColour(0, 0, 255))), nullptr);
    CMainFrame& frame = app.MainFrame();
    ASSERT_EQ(frame.PictureWindows().size(), 2u);
    frame.UpdateCommandStates();
    ASSERT_TRUE(frame.Action(cmd::kMerge)->isEnabled());
    const bool seen = WithDialog<CMergeWizardSheet>(frame, cmd::kMerge, [](CMergeWizardSheet& w) {
        CMyCheckListBox* list = w.Page1()->CheckList();
        ASSERT_EQ(list->Count(), 2);
        EXPECT_EQ(list->Box(0)->text(), QStringLiteral("red.bmp"));
        EXPECT_TRUE(list->Box(0)->isChecked());
        EXPECT_FALSE(list->Box(1)->isChecked());
        EXPECT_EQ(list->Current(), 0);
        EXPECT_FALSE(w.button(QWizard::BackButton)->isEnabled());
        // "View picture" shows the current picture at its size (it fits the box).
        w.Page1()->ViewPictureBox()->setChecked(true);
        EXPECT_EQ(w.Page1()->Preview()->pixmap().size(), QSize(100, 50));
        list->Box(1)->click();
        EXPECT_EQ(list->Current(), 1);
        w.next();
        CMergeWizardPage2* page = w.Page2();
        ASSERT_EQ(page->ImagesList()->count(), 2);
        EXPECT_EQ(page->ImagesList()->item(1)->text(), QStringLiteral("  2 blue.bmp"));
        EXPECT_FALSE(page->SettingsButton()->isEnabled());
        page->chooseSettings = [](const MergePlacement& p) {
            EXPECT_EQ(p.gapX, 10);  // from the settings
            EXPECT_EQ(p.gapY, 5);
            MergePlacement chosen = p;
            chosen.columns = 2;
            return std::optional<MergePlacement>(chosen);
        };
        page->AutomaticButton()->click();
        EXPECT_TRUE(page->SettingsButton()->isEnabled());
        page->SettingsButton()->click();
        EXPECT_EQ(w.List().Entries()[1].rect, (MergeRect{110, 0, 210, 50}));
        w.button(QWizard::FinishButton)->click();
    });
    ASSERT_TRUE(seen);
    ASSERT_EQ(frame.PictureWindows().size(), 3u);
    CChildFrame* merged = frame.ActivePictureWindow();
    ASSERT_NE(merged, nullptr);
    const Picture* picture = merged->Document().GetPicture();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Width(), 210);
    EXPECT_EQ(picture->Height(), 50);
    EXPECT_TRUE(merged->Document().IsModified());
    EXPECT_EQ(merged->Document().Title(), "Untitled");
    // Through JPEG: near, not exact. The stripe between them is the transparent colour (white).
    auto near = [](std::int32_t got, ColourRef want) {
        const ColourRef c = ColourRef(got);
        return std::abs(RedOf(c) - RedOf(want)) < 40 && std::abs(GreenOf(c) - GreenOf(want)) < 40 &&
               std::abs(BlueOf(c) - BlueOf(want)) < 40;
    };
    EXPECT_TRUE(near(test::PixelAt(*picture, 40, 25), MakeColour(255, 0, 0)));
    EXPECT_TRUE(near(test::PixelAt(*picture, 105, 25), MakeColour(255, 255, 255)));
    EXPECT_TRUE(near(test::PixelAt(*picture, 170, 25), MakeColour(0, 0, 255)));
    EXPECT_TRUE(h.prompter.Messages().empty());
}

TEST(MergeWizard, ManualPlacementDropsWhereTheMouseClicks) {
    AppHarness h;
    CLumaprismApp& app = h.Start(WriteFilled(h.scratch / "a.bmp", 100, 50, MakeColour(255, 0, 0)));
    ASSERT_NE(app.OpenDocumentFile(WriteFilled(h.scratch / "b.bmp", 40, 20, MakeColour(0, 255, 0))), nullptr);
    ASSERT_NE(app.OpenDocumentFile(WriteFilled(h.scratch / "c.bmp", 30, 30, MakeColour(0, 0, 255))), nullptr);
    CMainFrame& frame = app.MainFrame();
    SizeWH expected{0, 0};
    ASSERT_TRUE(WithDialog<CMergeWizardSheet>(frame, cmd::kMerge, [&expected](CMergeWizardSheet& w) {
        w.Page1()->CheckList()->Box(1)->click();  // b; c stays out
        w.next();
        CMergeWizardPage2* page = w.Page2();
        ASSERT_EQ(page->ImagesList()->count(), 2);
        CMergeArea* area = page->Area();
        auto send = [area](QEvent::Type type, QPoint at, Qt::MouseButton button) {
            QMouseEvent event(type, QPointF(at), area->mapToGlobal(QPointF(at)), button,
                              type == QEvent::MouseMove ? Qt::NoButton : Qt::MouseButtons(button), Qt::NoModifier);
            QApplication::sendEvent(area, &event);
        };
        page->ImagesList()->setCurrentRow(1);
        EXPECT_EQ(area->Carried(), 1);
        const QPoint at(area->width() * 3 / 4, area->height() * 3 / 4);
        const QPoint c = area->CanvasPoint(QPointF(at));
        ASSERT_GT(c.x(), 100);
        const MergeRect dropped{c.x() - 20, c.y() - 10, c.x() + 20, c.y() + 10};
        send(QEvent::MouseMove, at, Qt::NoButton);
        EXPECT_EQ(w.List().Entries()[1].rect, dropped);
        EXPECT_FALSE(w.List().Entries()[1].placed);
        send(QEvent::MouseButtonPress, at, Qt::LeftButton);
        EXPECT_TRUE(w.List().Entries()[1].placed);
        EXPECT_EQ(area->Carried(), -1);
        // Further mouse moves leave it where it was dropped.
        send(QEvent::MouseMove, QPoint(5, 5), Qt::NoButton);
        EXPECT_EQ(w.List().Entries()[1].rect, dropped);
        EXPECT_EQ(w.List().Canvas(), (MergeRect{0, 0, dropped.right, dropped.bottom}));
        expected = {int(dropped.right), int(dropped.bottom)};
        w.button(QWizard::FinishButton)->click();
    }));
    ASSERT_EQ(frame.PictureWindows().size(), 4u);
    const Picture* picture = frame.ActivePictureWindow()->Document().GetPicture();
    // a at (0, 0), never dropped, and b where it was dropped; c never reaches the result.
    EXPECT_EQ(picture->Width(), expected.width);
    EXPECT_EQ(picture->Height(), expected.height);
}

TEST(MergeWizard, OnePictureOpenSaysTwoAreNeeded) {
    AppHarness h;
    CLumaprismApp& app = h.Start(WriteFilled(h.scratch / "only.bmp", 20, 20, MakeColour(1, 1, 1)));
    CMainFrame& frame = app.MainFrame();
    const bool seen = WithDialog<CMergeWizardSheet>(frame, cmd::kMerge, [](CMergeWizardSheet&) {});
    EXPECT_FALSE(seen);
    EXPECT_EQ(MessageTexts(h.prompter),
              (std::vector<std::string>{"Only one document opened.  Need atleast 2 documents to be opened"}));
    EXPECT_EQ(frame.PictureWindows().size(), 1u);
}

TEST(UnitsAndRulers, ConfirmedUnitsReachRulersAndStatusBar) {
    AppHarness h;
    CLumaprismApp& app = h.Start(WriteFilled(h.scratch / "p.bmp", 200, 100, MakeColour(9, 9, 9)));
    CMainFrame& frame = app.MainFrame();
    CChildFrame* window = frame.ActivePictureWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->StatusProgress().PaneText(2), QStringLiteral("     200 x 100"));
    EXPECT_EQ(window->HorzRuler()->UnitButton()->text(), QStringLiteral("Pi"));
    const bool seen = WithDialog<CAllPgSt>(frame, cmd::kOptions, [](CAllPgSt& sheet) {
        EXPECT_EQ(sheet.Tabs()->tabText(sheet.Tabs()->currentIndex()), QStringLiteral("Units/Res"));
        CUnitsPage* page = sheet.UnitsPage();
        EXPECT_TRUE(page->EqualBox()->isChecked());
        page->UnitButton(MeasureUnit::Cm)->click();
        page->XField()->setValue(100);
        EXPECT_EQ(page->YField()->value(), 100);
        sheet.OkButton()->click();
    });
    ASSERT_TRUE(seen);
    EXPECT_EQ(frame.Settings().units, (MeasureUnits{MeasureUnit::Cm, 100, 100}));
    EXPECT_EQ(window->StatusProgress().PaneText(2), QStringLiteral("    5.08 x     2.54"));
    EXPECT_EQ(window->StatusProgress().PaneText(1), QStringLiteral("100 Dpi x 100 Dpi"));
    EXPECT_EQ(window->HorzRuler()->UnitButton()->text(), QStringLiteral("Cm"));
    EXPECT_EQ(window->HorzRuler()->Unit(), MeasureUnit::Cm);
    EXPECT_EQ(window->VertRuler()->Resolution(), 100);
    // A new window starts with the run's units.
    CChildFrame* second = app.OpenDocumentFile(WriteFilled(h.scratch / "q.bmp", 100, 100, MakeColour(1, 1, 1)));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->VertRuler()->Unit(), MeasureUnit::Cm);
    EXPECT_EQ(second->StatusProgress().PaneText(2), QStringLiteral("    2.54 x     2.54"));

    // Unequal resolutions: each ruler keeps its own.
    ASSERT_TRUE(WithDialog<CAllPgSt>(frame, cmd::kOptions, [](CAllPgSt& sheet) {
        CUnitsPage* page = sheet.UnitsPage();
        page->EqualBox()->setChecked(false);
        page->YField()->setValue(50);
        EXPECT_EQ(page->XField()->value(), 100);
        sheet.OkButton()->click();
    }));
    EXPECT_EQ(window->HorzRuler()->Resolution(), 100);
    EXPECT_EQ(window->VertRuler()->Resolution(), 50);
}

TEST(UnitsAndRulers, RulersFollowZoomAndScroll) {
    AppHarness h;
    const fs::path file = WriteFilled(h.scratch / "big.bmp", 1200, 900, MakeColour(40, 40, 40));
    CLumaprismApp& app = h.Start(file);
    CMainFrame& frame = app.MainFrame();
    frame.ToggleRulers();
    CChildFrame* window = frame.ActivePictureWindow();
    ASSERT_NE(window, nullptr);
    test::Settle();
    Ruler* horz = window->HorzRuler();
    ASSERT_FALSE(horz->isHidden());
    EXPECT_EQ(horz->Origin(), 0);
    window->View().SetZoom(2.0);
    EXPECT_EQ(horz->Zoom(), 2.0);
    EXPECT_EQ(window->VertRuler()->Zoom(), 2.0);
    window->View().SetScrollOrigin(QPoint(150, 80));
    EXPECT_DOUBLE_EQ(horz->Origin(), 150);
    EXPECT_DOUBLE_EQ(window->VertRuler()->Origin(), 80);
    // Picture x 200 is drawn 100 ruler pixels after the start: (200 - 150) x 2.
    bool found = false;
    for (const RulerTick& t : horz->Ticks())
        if (t.label == "200") {
            found = true;
            EXPECT_DOUBLE_EQ(t.position, 100);
        }
    EXPECT_TRUE(found);
    // The ruler's start lines up with the view's first pixel.
    const QPoint viewStart = window->View().viewport()->mapTo(window, QPoint(0, 0));
    EXPECT_EQ(horz->mapTo(window, QPoint(horz->StartOffset(), 0)).x(), viewStart.x());
    // Setting the same origin again does not repaint.
    const int repaints = horz->Repaints();
    horz->SetOrigin(150);
    EXPECT_EQ(horz->Repaints(), repaints);
    // The unit button opens the options sheet.
    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (auto* sheet = qobject_cast<CAllPgSt*>(QApplication::activeModalWidget())) {
            opened = true;
            sheet->reject();
        }
    });
    horz->UnitButton()->click();
    EXPECT_TRUE(opened);
}

TEST(Screenshot, PictureWindowWithRulersInCentimetres) {
    AppHarness h;
    const fs::path file = h.scratch / "pattern.png";
    SavePictureByExtension(test::PatternPicture(320, 240), file);
    CLumaprismApp& app = h.Start(file);
    CMainFrame& frame = app.MainFrame();
    frame.Settings().units = {MeasureUnit::Cm, 96, 96};
    CChildFrame* window = frame.ActivePictureWindow();
    ASSERT_NE(window, nullptr);
    window->TakeUnits(frame.Settings().units);
    frame.ToggleRulers();
    window->resize(560, 420);
    window->View().SetZoom(1.5);
    test::Settle();
    const QImage shot = window->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const char* dir = std::getenv("LP_SCREENSHOT_DIR");
    const fs::path out = fs::path(dir && *dir ? dir : fs::current_path().string()) / "lumaprism-rulers.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(out.string())));
    // The top ruler carries dark tick marks and numbers on its grey band.
    const QImage ruler = window->HorzRuler()->grab().toImage();
    int dark = 0;
    for (int y = 0; y < ruler.height(); ++y)
        for (int x = Ruler::kButtonWidth; x < ruler.width(); ++x)
            if (qGray(ruler.pixel(x, y)) < 64) ++dark;
    EXPECT_GT(dark, 100);
    EXPECT_EQ(window->HorzRuler()->UnitButton()->text(), QStringLiteral("Cm"));
}

TEST(OptionsRotateMerge, PageShowsTheSettingsAndOverlapDisablesTheGaps) {
    AppHarness h;
    h.store.WriteInt(kSettingsSection, "Merge Gap X", 3);
    h.store.WriteInt(kSettingsSection, "Step Rotation", 250);
    CLumaprismApp& app = h.Start();
    CMainFrame& frame = app.MainFrame();
    ASSERT_TRUE(WithDialog<CAllPgSt>(frame, cmd::kOptions, [](CAllPgSt& sheet) {
        EXPECT_EQ(sheet.Tabs()->tabText(2), QStringLiteral("Rotate/Merge"));
        CMergeRotateOpt* page = sheet.MergeRotatePage();
        EXPECT_EQ(page->GapXField()->value(), 3);
        EXPECT_EQ(page->StepField()->text(), QStringLiteral("2.5"));
        EXPECT_TRUE(page->GapXField()->isEnabled());
        page->OverlapButton()->click();
        EXPECT_FALSE(page->GapXField()->isEnabled());
        EXPECT_FALSE(page->GapYField()->isEnabled());
        page->StepField()->setText(QStringLiteral("1.5"));
        emit page->StepField()->textEdited(QStringLiteral("1.5"));
        sheet.OkButton()->click();
    }));
    EXPECT_EQ(frame.Settings().overlap, 1);
    EXPECT_DOUBLE_EQ(frame.Settings().stepRotation, 1.5);
}

}  // namespace
}  // namespace lp
