#include "shell/ui/status_progress.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QStatusBar>

#include "shell/ui/position_selector.h"

namespace lp {
namespace {

TEST(StatusProgressTexts, ExactForms) {
    EXPECT_EQ(StatusSizeText(640, 480, true), QStringLiteral("     640 x 480"));
    EXPECT_EQ(StatusSizeText(6.5, 4.25, false), QStringLiteral("    6.50 x     4.25"));
    EXPECT_EQ(StatusSizeText(12.9, 3.99, true), QStringLiteral("      12 x 3"));  // truncated
    EXPECT_EQ(StatusSizeText(0, 480, true), QString());
    EXPECT_EQ(StatusFrameText(2, 7), QStringLiteral("Frame 2 of 7"));
    EXPECT_EQ(StatusModemText(28.8), QStringLiteral("Modem 28.8 kbps "));
    EXPECT_EQ(StatusModemText(56), QStringLiteral("Modem 56 kbps "));
    EXPECT_EQ(StatusColoursText(256), QStringLiteral("  Colors  256"));
    EXPECT_EQ(StatusColoursText(0), QString());
    EXPECT_EQ(StatusResolutionText(96, 96), QStringLiteral("96 Dpi x 96 Dpi"));
}

TEST(StatusProgress, LayoutsPutTheBarInTheirPane) {
    struct Case {
        CStatusProgress::Mode mode;
        int panes;
        int barPane;
        std::vector<int> fixedWidths;  // pane -> least width, -1 = the message area
    };
    const Case cases[] = {
        {CStatusProgress::Mode::MainText, 4, 2, {-1, 180, 100, 120}},
        {CStatusProgress::Mode::TextControl, 3, 1, {-1, 80, 120}},
        {CStatusProgress::Mode::FourPane, 4, 2, {100, 93, 90, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.mode));
        QStatusBar bar;
        CStatusProgress progress(&bar, c.mode);
        ASSERT_EQ(progress.PaneCount(), c.panes);
        EXPECT_EQ(progress.parentWidget(), progress.Pane(c.barPane));
        for (int pane = 0; pane < c.panes; ++pane) {
            if (c.fixedWidths[pane] >= 0) {
                EXPECT_EQ(progress.Pane(pane)->minimumWidth(), c.fixedWidths[pane]);
            }
        }
    }
}

TEST(StatusProgress, BarVisibleOnlyWhileRunning) {
    QStatusBar bar;
    bar.show();
    CStatusProgress progress(&bar, CStatusProgress::Mode::TextControl);
    EXPECT_FALSE(progress.isVisible());
    progress.Begin(0, 100, "Reading");
    EXPECT_TRUE(progress.isVisible());
    EXPECT_TRUE(progress.TextControl()->isVisible());
    EXPECT_EQ(progress.TextControl()->text(), QStringLiteral("Reading"));
    progress.End();
    EXPECT_FALSE(progress.isVisible());
    EXPECT_FALSE(progress.TextControl()->isVisible());
}

TEST(StatusProgress, StepsFollowTheRangeBeyondSixteenBits) {
    QStatusBar bar;
    CStatusProgress progress(&bar, CStatusProgress::Mode::FourPane);
    progress.Begin(0, 100000, "Rows");
    progress.Step(70000);
    EXPECT_EQ(progress.maximum(), 100000);
    EXPECT_EQ(progress.value(), 70000);  // not already at its end
    progress.Step(200000);
    EXPECT_EQ(progress.value(), 100000);
    progress.End();
}

TEST(StatusProgress, MessagesGoWhereTheModeSays) {
    QStatusBar bar;
    QString mainText;
    CStatusProgress mode0(&bar, CStatusProgress::Mode::MainText, [&](const QString& t) { mainText = t; });
    mode0.Begin(0, 10, "Saving");
    mode0.SetText("Writing rows");
    EXPECT_EQ(mainText, QStringLiteral("Writing rows"));
    mode0.End();

    QStatusBar bar2;
    CStatusProgress mode2(&bar2, CStatusProgress::Mode::FourPane);
    mode2.Begin(0, 10, "Analyzing");
    EXPECT_EQ(mode2.PaneText(3), QStringLiteral("Analyzing"));
    mode2.End();
}

TEST(StatusProgress, PictureFactsInTheirPanes) {
    QStatusBar bar;
    CStatusProgress four(&bar, CStatusProgress::Mode::FourPane);
    four.ShowColours(300);
    four.ShowFrame(1, 3);
    four.ShowSize(320, 200, true);
    EXPECT_EQ(four.PaneText(0), QStringLiteral("  Colors  300"));
    EXPECT_EQ(four.PaneText(1), QStringLiteral("Frame 1 of 3"));
    EXPECT_EQ(four.PaneText(2), QStringLiteral("     320 x 200"));
    four.ShowColours(0);
    EXPECT_EQ(four.PaneText(0), QString());
    four.ShowSize(0, 5, true);  // nothing for a zero size
    EXPECT_EQ(four.PaneText(2), QStringLiteral("     320 x 200"));

    QStatusBar bar0;
    CStatusProgress mode0(&bar0, CStatusProgress::Mode::MainText);
    mode0.ShowColours(12);
    EXPECT_EQ(mode0.PaneText(3), QStringLiteral("  Colors  12"));
}

TEST(PositionSelector, CellsFromClicks) {
    struct Case {
        int x, y, cell;
    };
    const Case cases[] = {
        {2, 2, 0},   {10, 7, 0}, {11, 2, 1},  {20, 2, 2}, {28, 19, 8}, {2, 8, 3},   {29, 2, -1},
        {40, 5, -1}, {5, 19, 6}, {5, 20, -1}, {1, 5, 0},  {5, 1, 0},   {-8, 5, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(CPositionSelector::CellAt(c.x, c.y), c.cell) << c.x << "," << c.y;
}

TEST(PositionSelector, OutsideClickKeepsSelection) {
    CPositionSelector selector;
    selector.SetSelection(4);
    int released = -2;
    QObject::connect(&selector, &CPositionSelector::Released, [&](int cell) { released = cell; });
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(30, 5), QPointF(30, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&selector, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(30, 5), QPointF(30, 5), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&selector, &release);
    EXPECT_EQ(selector.Selection(), 4);
    EXPECT_EQ(released, 4);

    QMouseEvent press2(QEvent::MouseButtonPress, QPointF(3, 15), QPointF(3, 15), Qt::LeftButton, Qt::LeftButton,
                       Qt::NoModifier);
    QApplication::sendEvent(&selector, &press2);
    EXPECT_EQ(selector.Selection(), 6);
}

}  // namespace
}  // namespace lp
