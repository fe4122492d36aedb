// The program as started from a shell: batch-only runs need no display and
// never create the Qt application; runs without batch work open the windows.
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QToolButton>
#include <cstdlib>
#include <optional>
#include <set>

#include "app/ui/welcome_dialog.h"
#include "formats/format_table.h"
#include "shell/ui/child_frame.h"
#include "shell/ui/main_frame.h"
#include "ui/ui_test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;

TEST(StartupProcess, BatchOnlyRunNeverStartsTheWindowSystem) {
    test::ScratchDir scratch;
    SavePictureByExtension(test::PatternPicture(20, 10), scratch / "in.bmp");
    test::EnvironmentOverride env;
    // A platform that does not exist: constructing the Qt application aborts the program.
    env.Set("QT_QPA_PLATFORM", "no-such-platform");
    env.Set("DISPLAY", ":99999");

    const auto batch = test::RunLumaprism({"-iin.bmp", "-oout.bmp", "-w10"}, scratch.Path());
    EXPECT_EQ(batch.exitCode, 0) << batch.err;
    EXPECT_EQ(batch.err.find("platform"), std::string::npos) << batch.err;
    EXPECT_EQ(LoadPicture(scratch / "out.bmp", PictureFileType::Bmp).Width(), 10);

    // The same environment with no batch work does reach the window system, so
    // the run above would have failed had it created the application.
    const auto windows = test::RunLumaprism({}, scratch.Path());
    EXPECT_NE(windows.exitCode, 0);
    EXPECT_NE(windows.err.find("no-such-platform"), std::string::npos) << windows.err;
}

TEST(StartupProcess, NoDisplayExplainsInsteadOfAborting) {
    test::ScratchDir scratch;
    SavePictureByExtension(test::PatternPicture(4, 4), scratch / "a.bmp");
    test::EnvironmentOverride env;
    env.Set("QT_QPA_PLATFORM", nullptr);
    env.Set("DISPLAY", nullptr);
    env.Set("WAYLAND_DISPLAY", nullptr);
    const auto r = test::RunLumaprism({"a.bmp"}, scratch.Path());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("not available without a display; a.bmp not opened"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(scratch / "Error.log"));
}

TEST(Screenshot, MainWindowWithOnePictureRendersNonBlank) {
    test::AppHarness h;
    CLumaprismApp& app = h.Start();
    // The sample picture the first start puts in PICTURE, as a new user sees it.
    ASSERT_NE(app.OpenDocumentFile(app.ProposedOpenName()), nullptr);
    CMainFrame& frame = app.MainFrame();
    frame.showNormal();
    frame.resize(1000, 700);
    CChildFrame* window = frame.PictureWindows().at(0);
    window->showNormal();
    window->setGeometry(10, 10, 560, 420);
    QApplication::processEvents();
    const QImage shot = frame.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const char* dir = std::getenv("LP_SCREENSHOT_DIR");
    const fs::path out = fs::path(dir && *dir ? dir : fs::current_path().string()) / "lumaprism-main-window.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(out.string())));
    // Non-blank: the picture's many colours reach the screen.
    std::set<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 2)
        for (int x = 0; x < shot.width(); x += 2) colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 200u);
    const QImage inside = window->grab().toImage();
    std::set<QRgb> pictureColours;
    for (int y = 0; y < inside.height(); ++y)
        for (int x = 0; x < inside.width(); ++x) pictureColours.insert(inside.pixel(x, y));
    EXPECT_GT(pictureColours.size(), 200u);
}

}  // namespace
}  // namespace lp

namespace lp {
namespace {

TEST(Screenshot, WelcomeScreenShowsItsButtons) {
    test::AppHarness h(/*welcome=*/true);
    CLumaprismApp& app = h.Start();
    CWelcomeDialog* welcome = app.WelcomeScreen();
    ASSERT_NE(welcome, nullptr);
    QApplication::processEvents();
    const QImage shot = welcome->grab().toImage();
    const char* dir = std::getenv("LP_SCREENSHOT_DIR");
    const fs::path out = fs::path(dir && *dir ? dir : fs::current_path().string()) / "lumaprism-welcome.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(out.string())));
    for (auto choice : {CWelcomeDialog::QuickStart, CWelcomeDialog::OpenPicture, CWelcomeDialog::Scan,
                        CWelcomeDialog::OpenRecent, CWelcomeDialog::Paste})
        EXPECT_TRUE(welcome->Button(choice)->isVisible());
    // Closing without a choice leaves the main window maximized.
    welcome->reject();
    QApplication::processEvents();
    EXPECT_EQ(app.WelcomeScreen(), nullptr);
    EXPECT_TRUE(app.MainFrame().isMaximized());
}

}  // namespace
}  // namespace lp
