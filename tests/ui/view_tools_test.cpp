// The picture view's tools: one current tool, selections drawn with the mouse,
// fills, the magic wand, rotation commands with undo, zoom and panning.
#include <gtest/gtest.h>

#include <QAction>
#include <QStatusBar>
#include <QComboBox>
#include <QSpinBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest/QTest>

#include "formats/format_table.h"
#include "shell/ui/child_frame.h"
#include "shell/ui/drawing_bar_fields.h"
#include "guikit/ui/command_ids.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/orvantix_view.h"
#include "tools/ui/rotation_dialog.h"
#include "tools/ui/spot_remover_page.h"
#include "optimize/transfer_info.h"
#include "ui/ui_test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::AppHarness;
using test::PixelAt;

constexpr int kTools[] = {cmd::kToolRectangle, cmd::kToolEllipse, cmd::kToolPolygon,
                          cmd::kMagicWand,     cmd::kPickColour,  cmd::kRetouchPen};

void SendMouse(QWidget* target, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent event(type, at, target->mapToGlobal(at), button, buttons, modifiers);
    QApplication::sendEvent(target, &event);
}

/// Drags with the left button from one picture pixel to another (pixel centres).
void DragPicture(COrvantixView& view, QPoint from, QPoint to) {
    const double half = view.Zoom() / 2;
    const QPointF a = view.ViewportPoint(QPointF(from)) + QPointF(half, half);
    const QPointF b = view.ViewportPoint(QPointF(to)) + QPointF(half, half);
    QWidget* vp = view.viewport();
    SendMouse(vp, QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseMove, (a + b) / 2, Qt::NoButton, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseMove, b, Qt::NoButton, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
}

void ClickPicture(COrvantixView& view, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const double half = view.Zoom() / 2;
    const QPointF a = view.ViewportPoint(QPointF(at)) + QPointF(half, half);
    SendMouse(view.viewport(), QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton, modifiers);
    SendMouse(view.viewport(), QEvent::MouseButtonRelease, a, Qt::LeftButton, Qt::NoButton, modifiers);
}

struct Opened {
    CMainFrame& frame;
    CChildFrame& window;
    COrvantixView& view;
    COrvantixDoc& doc;
};

Opened Open(AppHarness& h, const Picture& picture) {
    // The hints are modal dialogs: a test run takes them as read.
    h.store.WriteInt(kSettingsSection, "BeginnersHint", 0);
    const fs::path file = h.scratch / "tools.bmp";
    SavePictureByExtension(picture, file);
    CLumaprismApp& app = h.Start(file);
    CMainFrame& frame = app.MainFrame();
    CChildFrame* window = frame.ActivePictureWindow();
    EXPECT_NE(window, nullptr);
    window->resize(500, 400);
    QApplication::processEvents();
    frame.UpdateCommandStates();
    return {frame, *window, window->View(), window->Document()};
}

Picture TwoAreas() {
    // Left half black, right half white, a grey square inside the white part.
    Picture p;
    p.Create(40, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) test::SetPixel(p, x, y, x < 20 ? MakeColour(0, 0, 0) : MakeColour(255, 255, 255));
    for (int y = 10; y < 15; ++y)
        for (int x = 25; x < 30; ++x) test::SetPixel(p, x, y, MakeColour(128, 128, 128));
    return p;
}

TEST(ViewTools, EachToolFromTheMenuAndTheBarLeavesTheOthersUnchecked) {
    AppHarness h;
    Opened o = Open(h, TwoAreas());
    for (const bool fromBar : {false, true}) {
        for (const int id : kTools) {
            SCOPED_TRACE(id);
            QAction* action = o.frame.Action(id);
            ASSERT_TRUE(action->isEnabled());
            if (fromBar) {
                auto* button = qobject_cast<QToolButton*>(o.frame.DrawingToolsBar()->widgetForAction(action));
                ASSERT_NE(button, nullptr);
                EXPECT_FALSE(button->accessibleName().isEmpty());
                EXPECT_EQ(button->accessibleName(), action->iconText());
                button->click();
            } else {
                action->trigger();
            }
            QApplication::processEvents();
            for (const int other : kTools) EXPECT_EQ(o.frame.Action(other)->isChecked(), other == id) << other;
        }
    }
    EXPECT_EQ(o.view.CurrentTool(), ViewTool::RetouchPen);
}

TEST(ViewTools, RectangleDrawnWithTheMouseThenFillForegroundChangesExactlyItsPixels) {
    AppHarness h;
    const Picture original = test::PatternPicture(40, 30);
    Opened o = Open(h, original);
    o.frame.Action(cmd::kToolRectangle)->trigger();
    EXPECT_FALSE(o.frame.Action(cmd::kFillForeground)->isEnabled());
    DragPicture(o.view, {5, 4}, {15, 12});
    ASSERT_NE(o.view.Selection(), nullptr);
    EXPECT_EQ(o.view.Selection()->Bounds(), (SelectionBox{5, 4, 15, 12}));
    o.frame.UpdateCommandStates();
    ASSERT_TRUE(o.frame.Action(cmd::kFillForeground)->isEnabled());
    o.frame.Action(cmd::kFillForeground)->trigger();
    const ColourRef fg = MakeColour(0, 0, 128);
    const Picture& now = *o.doc.GetPicture();
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 5 && x < 15 && y >= 4 && y < 12;
            ASSERT_EQ(PixelAt(now, x, y), inside ? fg : PixelAt(original, x, y)) << x << "," << y;
        }
    EXPECT_EQ(o.view.Selection(), nullptr);
    EXPECT_TRUE(o.doc.IsModified());
    o.frame.Action(cmd::kEditUndo)->trigger();
    EXPECT_TRUE(o.doc.GetPicture()->SamePixels(original));
}

TEST(ViewTools, RectangleHandleDragAndMoveAtZoomTwo) {
    AppHarness h;
    Opened o = Open(h, test::PatternPicture(40, 30));
    o.frame.Action(cmd::kZoom200)->trigger();
    ASSERT_DOUBLE_EQ(o.view.Zoom(), 2.0);
    o.frame.Action(cmd::kToolRectangle)->trigger();
    DragPicture(o.view, {2, 2}, {10, 8});
    ASSERT_NE(o.view.Selection(), nullptr);
    EXPECT_EQ(o.view.Selection()->Bounds(), (SelectionBox{2, 2, 10, 8}));
    // The corner handle follows the mouse; the opposite corner stays.
    const QPointF corner = o.view.ViewportPoint(QPointF(10, 8));
    SendMouse(o.view.viewport(), QEvent::MouseButtonPress, corner, Qt::LeftButton, Qt::LeftButton);
    const QPointF to = o.view.ViewportPoint(QPointF(14, 12)) + QPointF(1, 1);
    SendMouse(o.view.viewport(), QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    SendMouse(o.view.viewport(), QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(o.view.Selection()->Bounds(), (SelectionBox{2, 2, 14, 12}));
    // A drag inside moves it.
    DragPicture(o.view, {6, 6}, {9, 7});
    EXPECT_EQ(o.view.Selection()->Bounds(), (SelectionBox{5, 3, 17, 13}));
    // Esc removes it.
    QTest::keyClick(&o.view, Qt::Key_Escape);
    EXPECT_EQ(o.view.Selection(), nullptr);
}

TEST(ViewTools, CopyTakesTheSelectedRectangleOrElseThePicture) {
    AppHarness h;
    const Picture original = test::PatternPicture(40, 30);
    Opened o = Open(h, original);
    o.frame.Action(cmd::kToolRectangle)->trigger();
    DragPicture(o.view, {4, 3}, {14, 11});
    ASSERT_NE(o.view.Selection(), nullptr);
    const SelectionBox box = o.view.Selection()->Bounds();
    o.frame.UpdateCommandStates();
    ASSERT_TRUE(o.frame.Action(cmd::kEditCopy)->isEnabled());
    o.frame.Action(cmd::kEditCopy)->trigger();
    std::optional<Picture> copied;
    ASSERT_EQ(h.clipboard.GetPicture(copied), PictureClipboard::Status::Ok);
    ASSERT_TRUE(copied);
    ASSERT_EQ(copied->Width(), box.right - box.left);
    ASSERT_EQ(copied->Height(), box.bottom - box.top);
    EXPECT_EQ(PixelAt(*copied, 0, 0), PixelAt(original, box.left, box.top));
    EXPECT_EQ(PixelAt(*copied, copied->Width() - 1, copied->Height() - 1),
              PixelAt(original, box.right - 1, box.bottom - 1));
    EXPECT_TRUE(o.doc.GetPicture()->SamePixels(original));

    QTest::keyClick(&o.view, Qt::Key_Escape);
    ASSERT_EQ(o.view.Selection(), nullptr);
    o.frame.UpdateCommandStates();
    o.frame.Action(cmd::kEditCopy)->trigger();
    ASSERT_EQ(h.clipboard.GetPicture(copied), PictureClipboard::Status::Ok);
    ASSERT_TRUE(copied);
    EXPECT_TRUE(copied->SamePixels(original));
}

TEST(ViewTools, DrawingBarFieldsEditTheSettingsAndZoomTheView) {
    AppHarness h;
    Opened o = Open(h, test::PatternPicture(40, 30));
    CDrawingBarFields& fields = o.frame.DrawingBarFields();
    AppSettings& settings = o.frame.Settings();
    EXPECT_EQ(fields.ToleranceField()->accessibleName(), "Magic Wand Tolerance");
    EXPECT_EQ(fields.PenWidthList()->accessibleName(), "Pen Width");
    EXPECT_EQ(fields.ColourSelector()->accessibleName(), "Color Selector");
    EXPECT_EQ(fields.ZoomList()->accessibleName(), "Zoom");

    // Tolerance: taken over when the field is left; more than 100 cannot be typed.
    QSpinBox* tolerance = fields.ToleranceField();
    EXPECT_EQ(tolerance->value(), settings.magicTolerance);
    tolerance->setFocus();
    tolerance->selectAll();
    QTest::keyClicks(tolerance, "37");
    EXPECT_EQ(settings.magicTolerance, 100);  // not yet: the field still has the focus
    emit tolerance->editingFinished();
    EXPECT_EQ(settings.magicTolerance, 37);
    tolerance->selectAll();
    QTest::keyClicks(tolerance, "150");
    emit tolerance->editingFinished();
    EXPECT_GE(settings.magicTolerance, 0);
    EXPECT_LE(settings.magicTolerance, 100);

    // Pen width 1..9.
    ASSERT_EQ(fields.PenWidthList()->count(), 9);
    EXPECT_EQ(fields.PenWidthList()->itemText(8), "9");
    emit fields.PenWidthList()->activated(4);
    EXPECT_EQ(settings.penWidth, 5);

    // Colour selector: left click the foreground, Ctrl+left click the transparent colour; cancel keeps.
    QColor answer(12, 34, 56);
    QString askedTitle;
    fields.SetColourChooser([&](QColor, const QString& title) {
        askedTitle = title;
        return answer;
    });
    QTest::mouseClick(fields.ColourSelector(), Qt::LeftButton);
    EXPECT_EQ(askedTitle, "Foreground Color");
    EXPECT_EQ(std::tuple(settings.fgRed, settings.fgGreen, settings.fgBlue), std::tuple(12, 34, 56));
    answer = QColor(200, 100, 0);
    QTest::mouseClick(fields.ColourSelector(), Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(std::tuple(settings.bgRed, settings.bgGreen, settings.bgBlue), std::tuple(200, 100, 0));
    EXPECT_EQ(std::tuple(settings.fgRed, settings.fgGreen, settings.fgBlue), std::tuple(12, 34, 56));
    answer = QColor();
    QTest::mouseClick(fields.ColourSelector(), Qt::LeftButton);
    EXPECT_EQ(std::tuple(settings.fgRed, settings.fgGreen, settings.fgBlue), std::tuple(12, 34, 56));

    // Zoom list: a percentage zooms the view; a fit adds the ninth entry with its percentage.
    QComboBox* zoom = fields.ZoomList();
    EXPECT_EQ(zoom->currentText(), "100%");
    emit zoom->activated(2);
    EXPECT_DOUBLE_EQ(o.view.Zoom(), 2.0);
    EXPECT_EQ(zoom->count(), 8);
    EXPECT_EQ(zoom->currentText(), "200%");
    emit zoom->activated(4);  // Best Fit
    ASSERT_NE(o.view.Zoom(), 2.0);
    ASSERT_FALSE(IsListedZoom(o.view.Zoom())) << o.view.Zoom();  // 40x30 in a 500x400 window
    ASSERT_EQ(zoom->count(), 9);
    EXPECT_EQ(zoom->currentIndex(), 8);
    EXPECT_EQ(zoom->currentText().toStdString(), ZoomListText(o.view.Zoom()));
    emit zoom->activated(0);
    EXPECT_DOUBLE_EQ(o.view.Zoom(), 0.5);
    EXPECT_EQ(zoom->count(), 8);
}

TEST(ViewTools, ManualResizeDragsTheCornerProportionallyOrWithShiftFreely) {
    AppHarness h;
    Opened o = Open(h, test::PatternPicture(40, 20));
    // An earlier edit's undo picture is forgotten once manual resize is chosen.
    o.frame.Action(cmd::kFlipHorizontal)->trigger();
    ASSERT_NE(o.doc.UndoPicture(), nullptr);
    o.frame.UpdateCommandStates();
    ASSERT_TRUE(o.frame.Action(cmd::kManualResize)->isEnabled());
    o.frame.Action(cmd::kManualResize)->trigger();
    EXPECT_EQ(o.view.CurrentTool(), ViewTool::ManualResize);
    EXPECT_EQ(o.doc.UndoPicture(), nullptr);
    EXPECT_FALSE(o.frame.Action(cmd::kEditUndo)->isEnabled());
    o.view.SetZoom(1.0, true);
    QWidget* vp = o.view.viewport();
    const QPointF corner = o.view.ViewportPoint(QPointF(40, 20));
    const QPointF to = o.view.ViewportPoint(QPointF(60, 22));
    SendMouse(vp, QEvent::MouseButtonPress, corner, Qt::LeftButton, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    // While dragging: the new size and the estimated times for it.
    EXPECT_EQ(o.frame.statusBar()->currentMessage().toStdString(),
              ResizeDragStatus(60, 30, o.doc.Transfer(), double(o.doc.ColourCount()), h.app->Settings().modemSpeed));
    SendMouse(vp, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(o.doc.GetPicture()->Width(), 60);
    EXPECT_EQ(o.doc.GetPicture()->Height(), 30);  // the height follows the width
    EXPECT_EQ(o.view.ShownImage().width(), 60);

    o.doc.Undo();
    o.view.RefreshPicture();
    ASSERT_EQ(o.doc.GetPicture()->Width(), 40);
    SendMouse(vp, QEvent::MouseButtonPress, corner, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    SendMouse(vp, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    SendMouse(vp, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
    EXPECT_EQ(o.doc.GetPicture()->Width(), 60);
    EXPECT_EQ(o.doc.GetPicture()->Height(), 22);

    // A press away from the handles changes nothing.
    const QPointF inside = o.view.ViewportPoint(QPointF(10, 5));
    SendMouse(vp, QEvent::MouseButtonPress, inside, Qt::LeftButton, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(o.doc.GetPicture()->Width(), 60);
    EXPECT_EQ(o.doc.GetPicture()->Height(), 22);
}

TEST(ViewTools, EllipseAndPolygonWithTheMouse) {
    AppHarness h;
    Opened o = Open(h, test::PatternPicture(40, 30));
    o.frame.Action(cmd::kToolEllipse)->trigger();
    DragPicture(o.view, {0, 0}, {20, 20});
    ASSERT_NE(o.view.Selection(), nullptr);
    EXPECT_EQ(o.view.Selection()->Kind(), SelectionKind::Ellipse);
    EXPECT_FALSE(o.view.Selection()->Covers(0, 0));
    EXPECT_TRUE(o.view.Selection()->Covers(10, 10));

    o.frame.Action(cmd::kToolPolygon)->trigger();
    EXPECT_EQ(o.view.Selection(), nullptr);  // choosing a tool removes the selection
    ClickPicture(o.view, {2, 2});
    ClickPicture(o.view, {30, 2});
    const QPointF last = o.view.ViewportPoint(QPointF(2, 25)) + QPointF(0.5, 0.5);
    SendMouse(o.view.viewport(), QEvent::MouseButtonPress, last, Qt::LeftButton, Qt::LeftButton);
    SendMouse(o.view.viewport(), QEvent::MouseButtonRelease, last, Qt::LeftButton, Qt::NoButton);
    SendMouse(o.view.viewport(), QEvent::MouseButtonDblClick, last, Qt::LeftButton, Qt::LeftButton);
    SendMouse(o.view.viewport(), QEvent::MouseButtonRelease, last, Qt::LeftButton, Qt::NoButton);
    ASSERT_NE(o.view.Selection(), nullptr);
    const auto& polygon = static_cast<const CPolygonSelection&>(*o.view.Selection());
    EXPECT_TRUE(polygon.Closed());
    EXPECT_EQ(polygon.Vertices().size(), 3u);
    EXPECT_TRUE(polygon.Covers(5, 5));
    EXPECT_FALSE(polygon.Covers(30, 25));
    o.frame.UpdateCommandStates();
    ASSERT_TRUE(o.frame.Action(cmd::kCutOut)->isEnabled());
    o.frame.Action(cmd::kCutOut)->trigger();
    EXPECT_EQ(o.doc.GetPicture()->Width(), 28);
    EXPECT_EQ(PixelAt(*o.doc.GetPicture(), 27, 22), MakeColour(255, 255, 255));  // outside: transparent colour
}

TEST(ViewTools, MagicWandClickThenFillTransparentTakesTheArea) {
    AppHarness h;
    const Picture original = TwoAreas();
    Opened o = Open(h, original);
    h.app->MainFrame().Settings().magicTolerance = 0;
    o.frame.Action(cmd::kMagicWand)->trigger();
    ClickPicture(o.view, {30, 20});  // the white part, around the grey square
    ASSERT_NE(o.view.Selection(), nullptr);
    ASSERT_EQ(o.view.Selection()->Kind(), SelectionKind::MagicWand);
    o.frame.Settings().bgRed = 10, o.frame.Settings().bgGreen = 200, o.frame.Settings().bgBlue = 30;
    o.frame.UpdateCommandStates();
    o.frame.Action(cmd::kFillTransparent)->trigger();
    const Picture& now = *o.doc.GetPicture();
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool white = PixelAt(original, x, y) == MakeColour(255, 255, 255);
            ASSERT_EQ(PixelAt(now, x, y), white ? MakeColour(10, 200, 30) : PixelAt(original, x, y)) << x << "," << y;
        }
}

TEST(ViewTools, PickColourSetsForegroundOrWithCtrlTheTransparentColour) {
    AppHarness h;
    Opened o = Open(h, TwoAreas());
    o.frame.Action(cmd::kPickColour)->trigger();
    ClickPicture(o.view, {26, 11});
    EXPECT_EQ(o.frame.Settings().fgRed, 128);
    EXPECT_EQ(o.frame.Settings().bgRed, 255);
    ClickPicture(o.view, {1, 1}, Qt::ControlModifier);
    EXPECT_EQ(o.frame.Settings().fgRed, 128);
    EXPECT_EQ(o.frame.Settings().bgRed, 0);
    EXPECT_EQ(o.frame.Settings().bgBlue, 0);
}

TEST(ViewTools, RetouchPenDrawsWithThePenWidthAndUndoes) {
    AppHarness h;
    const Picture original = TwoAreas();
    Opened o = Open(h, original);
    o.frame.Settings().penWidth = 3;
    o.frame.Action(cmd::kRetouchPen)->trigger();
    DragPicture(o.view, {2, 5}, {12, 5});
    const Picture& now = *o.doc.GetPicture();
    EXPECT_EQ(PixelAt(now, 7, 4), MakeColour(0, 0, 128));
    EXPECT_EQ(PixelAt(now, 7, 6), MakeColour(0, 0, 128));
    EXPECT_EQ(PixelAt(now, 7, 8), MakeColour(0, 0, 0));
    EXPECT_TRUE(o.doc.IsModified());
    o.frame.Action(cmd::kEditUndo)->trigger();
    EXPECT_TRUE(o.doc.GetPicture()->SamePixels(original));
}

TEST(ViewTools, RotationAndFlipCommandsUndo) {
    AppHarness h;
    const Picture original = test::PatternPicture(40, 30);
    Opened o = Open(h, original);
    for (const int id : {cmd::kRotate180, cmd::kRotate90Cw, cmd::kRotate90Ccw, cmd::kFlipHorizontal, cmd::kFlipVertical}) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(o.frame.Action(id)->isEnabled());
        o.frame.Action(id)->trigger();
        EXPECT_FALSE(o.doc.GetPicture()->SamePixels(original));
        const bool quarter = id == cmd::kRotate90Cw || id == cmd::kRotate90Ccw;
        EXPECT_EQ(o.view.ShownImage().width(), quarter ? 30 : 40);
        o.frame.Action(cmd::kEditUndo)->trigger();
        EXPECT_TRUE(o.doc.GetPicture()->SamePixels(original));
    }
}

TEST(ViewTools, FreeHandRotationWithTheArrowKeys) {
    AppHarness h;
    const Picture original = test::PatternPicture(40, 30);
    Opened o = Open(h, original);
    o.frame.Action(cmd::kRotateFreeHand)->trigger();
    EXPECT_EQ(o.view.CurrentTool(), ViewTool::FreeHandRotation);
    ASSERT_FALSE(h.prompter.Messages().empty());
    EXPECT_EQ(h.prompter.Messages().back().text.rfind("Use only Up and Down arrow keys", 0), 0u);
    QTest::keyClick(&o.view, Qt::Key_Up);
    QTest::keyClick(&o.view, Qt::Key_Up);
    EXPECT_GT(o.doc.GetPicture()->Width(), 40);
    QTest::keyClick(&o.view, Qt::Key_Escape);
    EXPECT_EQ(o.view.CurrentTool(), ViewTool::Rectangle);
    o.frame.Action(cmd::kEditUndo)->trigger();
    EXPECT_TRUE(o.doc.GetPicture()->SamePixels(original));
}

TEST(ViewTools, ZoomCommandsChangeTheScale) {
    AppHarness h;
    Opened o = Open(h, test::PatternPicture(200, 150));
    EXPECT_DOUBLE_EQ(o.view.Zoom(), 1.0);
    struct Step {
        int id;
        double expected;
    };
    const int cw = o.view.viewport()->width(), ch = o.view.viewport()->height();
    const Step steps[] = {
        {cmd::kZoomIn, 2.0},
        {cmd::kZoomIn, 3.0},
        {cmd::kZoomOut, 2.0},
        {cmd::kZoom50, 0.5},
        {cmd::kZoomIn, 0.75},
        {cmd::kZoom400, 4.0},
        {cmd::kZoom100, 1.0},
        {cmd::kZoomFitWidth, cw / 200.0},
        {cmd::kZoomFitHeight, ch / 150.0},
        {cmd::kZoomBestFit, std::min(cw / 200.0, ch / 150.0)},
    };
    for (const Step& s : steps) {
        o.frame.Action(s.id)->trigger();
        EXPECT_DOUBLE_EQ(o.view.Zoom(), s.expected) << s.id;
    }
    o.frame.Action(cmd::kZoom200)->trigger();
    // A point maps to the pixel under it at the new scale.
    EXPECT_EQ(o.view.PicturePoint((o.view.ViewportPoint(QPointF(7, 5)) + QPointF(1, 1)).toPoint()), QPoint(7, 5));
}

/// Runs the command; its modal dialog, once open, is handed to act (which closes it).
template <typename Dialog, typename Act>
void AnswerDialogOf(CMainFrame& frame, int command, Act act) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<Dialog*>(w); d && d->isVisible()) dialog = d;
        }
        ASSERT_NE(dialog, nullptr);
        seen = true;
        act(*dialog);
        if (dialog->isVisible()) dialog->reject();
    });
    frame.Action(command)->trigger();
    EXPECT_TRUE(seen);
}

TEST(ViewTools, ArbitraryRotationDialogTurnsByTheTypedAngle) {
    AppHarness h;
    Opened o = Open(h, test::PatternPicture(40, 20));
    const Picture start = *o.doc.GetPicture();
    const struct {
        const char* angle;
        bool clockwise;
        bool accept;
        int width, height;  // the picture afterwards
    } cases[] = {
        {"90", false, true, 20, 40},   // a quarter turn counter-clockwise
        {"90", true, true, 40, 20},    // and back clockwise
        {"180", false, false, 40, 20},  // Cancel: nothing turns
        {"abc", false, true, 40, 20},  // no number reads as 0: the message, nothing turns
        {"0", true, true, 40, 20},
    };
    for (const auto& c : cases) {
        const Picture before = *o.doc.GetPicture();
        const std::size_t messages = h.prompter.Messages().size();
        AnswerDialogOf<CRotationDialog>(o.frame, cmd::kRotateArbitrary, [&](CRotationDialog& d) {
            d.AngleField()->setText(QString::fromLatin1(c.angle));
            if (c.clockwise) d.ClockwiseButton()->setChecked(true);
            if (!c.clockwise)
                for (QRadioButton* r : d.findChildren<QRadioButton*>())
                    if (r->text() == QStringLiteral("CCW")) r->setChecked(true);
            if (c.accept) d.accept(); else d.reject();
        });
        EXPECT_EQ(o.doc.GetPicture()->Width(), c.width) << c.angle;
        EXPECT_EQ(o.doc.GetPicture()->Height(), c.height) << c.angle;
        const bool zero = c.accept && (std::string(c.angle) == "0" || std::string(c.angle) == "abc");
        if (zero) {
            ASSERT_EQ(h.prompter.Messages().size(), messages + 1) << c.angle;
            EXPECT_EQ(h.prompter.Messages().back().text, "Angle of rotation is 0 ( Zero ).  No change");
        }
        if (zero || !c.accept) EXPECT_TRUE(before.SamePixels(*o.doc.GetPicture())) << c.angle;
        // A quarter turn and back is exact.
        if (&c == &cases[1]) EXPECT_TRUE(start.SamePixels(*o.doc.GetPicture()));
    }
}

TEST(ViewTools, CustomZoomDialogZoomsWhileSlidingAndCancelRestores) {
    AppHarness h;
    Opened o = Open(h, test::PatternPicture(200, 150));
    ASSERT_DOUBLE_EQ(o.view.Zoom(), 1.0);
    AnswerDialogOf<QDialog>(o.frame, cmd::kZoomCustom, [&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Custom Zoom"));
        QSlider* slider = d.findChild<QSlider*>();
        ASSERT_NE(slider, nullptr);
        EXPECT_EQ(slider->accessibleName(), QStringLiteral("Zoom"));
        EXPECT_EQ(slider->value(), 100);
        slider->setValue(250);
        EXPECT_DOUBLE_EQ(o.view.Zoom(), 2.5);  // the view follows the slider at once
        d.reject();
    });
    EXPECT_DOUBLE_EQ(o.view.Zoom(), 1.0);  // Cancel returns to the zoom before
    AnswerDialogOf<QDialog>(o.frame, cmd::kZoomCustom, [&](QDialog& d) {
        d.findChild<QSlider*>()->setValue(40);
        d.accept();
    });
    EXPECT_DOUBLE_EQ(o.view.Zoom(), 0.4);
}

TEST(ViewTools, RightButtonPansALargeZoomedPicture) {
    AppHarness h;
    Opened o = Open(h, test::PatternPicture(200, 200));
    o.frame.Action(cmd::kZoom400)->trigger();
    EXPECT_EQ(o.view.ScrollOrigin(), QPoint(0, 0));
    QWidget* vp = o.view.viewport();
    SendMouse(vp, QEvent::MouseButtonPress, QPointF(100, 100), Qt::RightButton, Qt::RightButton);
    SendMouse(vp, QEvent::MouseMove, QPointF(60, 80), Qt::NoButton, Qt::RightButton);
    SendMouse(vp, QEvent::MouseButtonRelease, QPointF(60, 80), Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(o.view.ScrollOrigin(), QPoint(10, 5));
}

TEST(ViewTools, PicturePositionsAreCheckedOneAtATime) {
    AppHarness h;
    Opened o = Open(h, test::PatternPicture(20, 10));
    for (int i = 0; i < 9; ++i) {
        o.frame.Action(cmd::kPosTopLeft + i)->trigger();
        EXPECT_EQ(o.view.PicturePosition(), i);
        for (int j = 0; j < 9; ++j) EXPECT_EQ(o.frame.Action(cmd::kPosTopLeft + j)->isChecked(), i == j);
    }
    o.frame.Action(cmd::kPosTopLeft + 8)->trigger();
    const QSize area = o.view.viewport()->size();
    EXPECT_EQ(o.view.PictureOrigin(), QPoint(area.width() - 20, area.height() - 10));
}

TEST(ViewTools, SpotRemoverCommandAsksThenCleansTheWholePicture) {
    AppHarness h;
    Picture p;
    p.Create(10, 10);
    p.Fill(MakeColour(100, 100, 100));
    test::SetPixel(p, 4, 4, MakeColour(250, 250, 250));
    Opened o = Open(h, p);
    h.prompter = ScriptedPrompter({PromptAnswer::Yes});
    o.frame.Action(cmd::kSpotRemover)->trigger();
    EXPECT_EQ(PixelAt(*o.doc.GetPicture(), 4, 4), MakeColour(100, 100, 100));
    o.frame.Action(cmd::kEditUndo)->trigger();
    EXPECT_EQ(PixelAt(*o.doc.GetPicture(), 4, 4), MakeColour(250, 250, 250));
}

TEST(SpotRemoverPage, SliderStoresTheSettingAndTheParameters) {
    AppSettings settings;
    settings.spotRemover = 30;
    SpotRemoverParams params;
    CSpotRemoverPage page(settings, params);
    EXPECT_EQ(page.Slider()->value(), 30);
    EXPECT_EQ(page.PositionField()->text(), QStringLiteral("30"));
    page.Slider()->setValue(90);
    EXPECT_EQ(page.PositionField()->text(), QStringLiteral("90"));
    EXPECT_EQ(settings.spotRemover, 30);  // only OK stores it
    page.Apply();
    EXPECT_EQ(settings.spotRemover, 90);
    EXPECT_EQ(params, SpotRemoverParams::FromSlider(90));
    EXPECT_EQ(page.Slider()->accessibleName(), QStringLiteral("Range"));
}

}  // namespace
}  // namespace lp
