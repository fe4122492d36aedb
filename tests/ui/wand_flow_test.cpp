// A user's flow on the real program window: open a picture, pick the magic wand
// on the drawing-tools bar, click an area, fill it with the transparent colour
// and save as GIF; an independent decoder (Pillow) then finds exactly that area
// transparent. Runs offscreen and, as part of the screenshot set, under Xvfb.
#include <gtest/gtest.h>

#include <QAction>
#include <QToolBar>
#include <QToolButton>
#include <QtTest/QTest>
#include <cstdio>
#include <fstream>

#include "formats/format_table.h"
#include "shell/ui/child_frame.h"
#include "guikit/ui/command_ids.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/orvantix_view.h"
#include "ui/ui_test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;

/// Runs a command and returns what it wrote to standard output.
std::string Output(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

TEST(Screenshot, MagicWandAreaFilledTransparentIsTransparentInTheSavedGif) {
    if (!fs::exists("/usr/bin/python3") || Output("/usr/bin/python3 -c 'import PIL; print(1)'").rfind('1', 0) != 0)
        GTEST_SKIP() << "Pillow (python3-pil) is not installed";
    test::AppHarness h;
    h.store.WriteInt(kSettingsSection, "BeginnersHint", 0);  // its hints are modal dialogs
    h.store.WriteInt(kSettingsSection, "MagicTolerance", 30);
    h.store.WriteInt(kSettingsSection, "BG_Red", 255);
    h.store.WriteInt(kSettingsSection, "BG_Green", 0);
    h.store.WriteInt(kSettingsSection, "BG_Blue", 255);

    // A blue ring on a light ground with a dark-grey square inside the ring, and a
    // ground colour that varies a little (within the tolerance) row by row.
    constexpr int kW = 64, kH = 48;
    Picture picture;
    picture.Create(kW, kH);
    auto ground = [](int y) { return MakeColour(200, 200, std::uint8_t(190 + y % 5)); };
    std::vector<bool> expected(std::size_t(kW * kH));
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const bool ring = x >= 10 && x < 40 && y >= 8 && y < 38 && !(x >= 14 && x < 36 && y >= 12 && y < 34);
            const bool inner = x >= 20 && x < 30 && y >= 18 && y < 28;
            ColourRef c = ground(y);
            if (ring) c = MakeColour(0, 0, 255);
            if (inner) c = MakeColour(60, 60, 60);
            test::SetPixel(picture, x, y, c);
            // The wand starts outside the ring: the ground outside it is the area.
            const bool outside = !(x >= 10 && x < 40 && y >= 8 && y < 38);
            expected[std::size_t(y * kW + x)] = outside;
        }
    const fs::path file = h.scratch / "flow.bmp";
    SavePictureByExtension(picture, file);

    CLumaprismApp& app = h.Start(file);
    CMainFrame& frame = app.MainFrame();
    frame.showNormal();
    frame.resize(900, 650);
    frame.Action(cmd::kViewDrawingTool)->trigger();  // the bar starts hidden
    CChildFrame* window = frame.ActivePictureWindow();
    ASSERT_NE(window, nullptr);
    window->showNormal();
    window->setGeometry(10, 10, 400, 320);
    QApplication::processEvents();

    QToolButton* wand =
        qobject_cast<QToolButton*>(frame.DrawingToolsBar()->widgetForAction(frame.Action(cmd::kMagicWand)));
    ASSERT_NE(wand, nullptr);
    QTest::mouseClick(wand, Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_EQ(window->View().CurrentTool(), ViewTool::MagicWand);

    COrvantixView& view = window->View();
    const QPoint click = (view.ViewportPoint(QPointF(50, 40)) + QPointF(0.5, 0.5)).toPoint();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, click);
    QApplication::processEvents();
    ASSERT_NE(view.Selection(), nullptr);
    ASSERT_EQ(view.Selection()->Kind(), SelectionKind::MagicWand);

    // The selection as the program shows it, for the README.
    const char* dir = std::getenv("LP_SCREENSHOT_DIR");
    const fs::path shot = fs::path(dir && *dir ? dir : fs::current_path().string()) / "lumaprism-magic-wand.png";
    view.SetZoom(4.0);
    QApplication::processEvents();
    EXPECT_TRUE(window->grab().toImage().save(QString::fromStdString(shot.string())));
    view.SetZoom(1.0);

    frame.UpdateCommandStates();
    ASSERT_TRUE(frame.Action(cmd::kFillTransparent)->isEnabled());
    frame.Action(cmd::kFillTransparent)->trigger();

    const fs::path gif = h.scratch / "flow.gif";
    h.chooser.saveAnswers.push_back(FileChooser::SaveChoice{gif, 0});
    frame.Action(cmd::kFileSaveAs)->trigger();
    ASSERT_TRUE(fs::exists(gif)) << (h.prompter.Messages().empty() ? "" : h.prompter.Messages().back().text);

    const fs::path script = h.scratch / "mask.py";
    std::ofstream(script) << "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
                             "t = im.info.get('transparency')\nprint(im.size[0], im.size[1], t)\n"
                             "px = im.load()\n"
                             "print(''.join('1' if px[x, y] == t else '0' for y in range(im.size[1]) "
                             "for x in range(im.size[0])))\n";
    const std::string out = Output("/usr/bin/python3 " + script.string() + " " + gif.string());
    const auto nl = out.find('\n');
    ASSERT_NE(nl, std::string::npos) << out;
    int w = 0, h2 = 0, index = -1;
    ASSERT_EQ(std::sscanf(out.c_str(), "%d %d %d", &w, &h2, &index), 3) << out;
    ASSERT_EQ(w, kW);
    ASSERT_EQ(h2, kH);
    const std::string mask = out.substr(nl + 1, std::size_t(kW * kH));
    ASSERT_EQ(mask.size(), std::size_t(kW * kH));
    int wrong = 0;
    for (int i = 0; i < kW * kH; ++i) wrong += (mask[std::size_t(i)] == '1') != expected[std::size_t(i)];
    EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace lp
