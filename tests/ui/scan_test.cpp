// Scanning from the windows: Select Source and Scan Acquire against SANE's test backend, the
// scan's Stop button, and the source list dialog.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <atomic>
#include <fstream>
#include <thread>
#include <set>

#include <gtest/gtest.h>
#include <unistd.h>

#include "app/ui/lumaprism_app.h"
#include "app/ui/welcome_dialog.h"
#include "document/picture_document.h"
#include "guikit/ui/command_ids.h"
#include "shell/fake_sane.h"
#include "shell/sane_source_manager.h"
#include "shell/twain_connector.h"
#include "shell/ui/child_frame.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/select_source_dialog.h"
#include "shell/ui/status_progress.h"
#include "ui_test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;

/// SANE reads its configuration folder's name once per process: one folder for this program,
/// each test writing its own test.conf into it, removed when the program ends.
struct SaneConfigFolder {
    SaneConfigFolder() : path(fs::temp_directory_path() / ("lumaprism-ui-sane-" + std::to_string(::getpid()))) {
        fs::create_directories(path);
    }
    ~SaneConfigFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    fs::path path;
};

const fs::path& SaneFolder() {
    static const SaneConfigFolder folder;
    return folder.path;
}

class ScanHarness : public test::AppHarness {
public:
    explicit ScanHarness(const std::string& testConf) {
        std::ofstream(SaneFolder() / "dll.conf") << "test\n";
        std::ofstream(SaneFolder() / "test.conf") << "number_of_devices 2\nresolution 50\nbr_x 80\nbr_y 100\n"
                                                  << testConf;
        env.Set("SANE_CONFIG_DIR", SaneFolder().c_str());
        env.Set(CSaneSourceManager::kDefaultDeviceVariable, nullptr);
    }
    ~ScanHarness() { app.reset(); }
    bool BackendPresent() {
        CSaneSourceManager probe({});
        if (!probe.LoadLibrary() || probe.OpenManager(ApplicationIdentity()) != twrc::kSuccess) return false;
        const bool present = !probe.Devices().empty();
        probe.CloseManager();
        return present;
    }
    /// Runs the event loop until the condition holds (at most 30 s).
    template <typename F>
    bool WaitUntil(F&& condition) {
        QElapsedTimer timer;
        timer.start();
        while (!condition() && timer.elapsed() < 30000) QApplication::processEvents(QEventLoop::AllEvents, 50);
        return condition();
    }
    test::EnvironmentOverride env;
    std::vector<std::size_t> initialChoices;
};

#define LP_REQUIRE_BACKEND(h) \
    if (!(h).BackendPresent()) GTEST_SKIP() << "SANE's test backend (libsane1) is not installed"

TEST(Scanning, SelectSourceThenAcquireOpensTheScannedPicture) {
    ScanHarness h("test-picture \"Solid white\"\n");
    LP_REQUIRE_BACKEND(h);
    h.chooseScanSource = [&h](std::span<const ScanDevice> devices, std::size_t initial) -> std::optional<std::size_t> {
        EXPECT_EQ(devices.size(), 2u);
        h.initialChoices.push_back(initial);
        return 1;
    };
    CLumaprismApp& app = h.Start();
    CMainFrame& frame = app.MainFrame();
    ASSERT_TRUE(frame.Action(cmd::kScanSelect)->isEnabled());
    ASSERT_TRUE(frame.Action(cmd::kScanAcquire)->isEnabled());
    frame.Action(cmd::kScanSelect)->trigger();
    EXPECT_EQ(app.Twain().Source().productName, "test:1");
    frame.Action(cmd::kScanSelect)->trigger();  // the list starts at the source chosen before
    ASSERT_EQ(h.initialChoices.size(), 2u);
    EXPECT_EQ(h.initialChoices[0], 0u);
    EXPECT_EQ(h.initialChoices[1], 1u);

    frame.Action(cmd::kScanAcquire)->trigger();
    ASSERT_TRUE(h.WaitUntil([&] { return frame.PictureWindows().size() == 1; }))
        << (h.prompter.Messages().empty() ? "" : h.prompter.Messages()[0].text);
    EXPECT_TRUE(h.prompter.Messages().empty());
    const COrvantixDoc& document = frame.PictureWindows()[0]->Document();
    ASSERT_NE(document.GetPicture(), nullptr);
    EXPECT_EQ(document.GetPicture()->Width(), 157);
    EXPECT_EQ(document.GetPicture()->Height(), 196);
    EXPECT_EQ(test::PixelAt(*document.GetPicture(), 10, 10), MakeColour(255, 255, 255));
    EXPECT_EQ(document.FrameCount(), 1u);
    EXPECT_EQ(document.ColourCount(), 1);
    EXPECT_EQ(document.Title(), "Untitled");
    EXPECT_TRUE(document.IsModified());
    EXPECT_FALSE(app.Scanning());
    EXPECT_FALSE(app.Twain().ManagerOpen());
    EXPECT_TRUE(frame.Action(cmd::kScanAcquire)->isEnabled());
}

TEST(Scanning, StopButtonCancelsAndNoWindowAppears) {
    // Slow enough that the Stop comes first.
    ScanHarness h(
        "resolution 600\nmode Color\ndepth 16\nread-limit true\nread-limit-size 4096\nread-delay true\n"
        "read-delay-duration 200000\n");
    LP_REQUIRE_BACKEND(h);
    CLumaprismApp& app = h.Start();
    CMainFrame& frame = app.MainFrame();
    frame.Action(cmd::kScanAcquire)->trigger();
    ASSERT_TRUE(app.Scanning()) << (h.prompter.Messages().empty() ? "" : h.prompter.Messages()[0].text);
    EXPECT_FALSE(frame.Action(cmd::kScanAcquire)->isEnabled());
    QPushButton* stop = app.ScanStopButton();
    ASSERT_NE(stop, nullptr);
    EXPECT_TRUE(stop->isVisible());
    EXPECT_EQ(stop->accessibleName(), "Stop");
    stop->click();
    ASSERT_TRUE(h.WaitUntil([&] { return !app.Scanning(); }));
    ASSERT_EQ(h.prompter.Messages().size(), 1u);
    EXPECT_EQ(h.prompter.Messages()[0].text, "Acquire was canceled");
    EXPECT_EQ(h.prompter.Messages()[0].caption, "TWAIN Interface Error");
    EXPECT_TRUE(frame.PictureWindows().empty());
    EXPECT_FALSE(stop->isVisible());
    EXPECT_TRUE(frame.Action(cmd::kScanAcquire)->isEnabled());
}

TEST(Scanning, WelcomeScreenScanButtonAcquires) {
    ScanHarness h("");
    LP_REQUIRE_BACKEND(h);
    h.store.WriteInt(kSettingsSection, "WelcomeScreen", 1);
    CLumaprismApp& app = h.Start();
    CWelcomeDialog* welcome = app.WelcomeScreen();
    ASSERT_NE(welcome, nullptr);
    ASSERT_TRUE(welcome->Button(CWelcomeDialog::Scan)->isEnabled());
    welcome->Button(CWelcomeDialog::Scan)->click();
    ASSERT_TRUE(h.WaitUntil([&] { return app.MainFrame().PictureWindows().size() == 1; }));
    EXPECT_EQ(test::PixelAt(*app.MainFrame().PictureWindows()[0]->Document().GetPicture(), 0, 0), MakeColour(0, 0, 0));
}

TEST(Screenshot, ScannedColourPatternInItsWindow) {
    ScanHarness h("mode Color\ntest-picture \"Color pattern\"\nresolution 75\n");
    LP_REQUIRE_BACKEND(h);
    CLumaprismApp& app = h.Start();
    CMainFrame& frame = app.MainFrame();
    frame.Action(cmd::kScanAcquire)->trigger();
    ASSERT_TRUE(h.WaitUntil([&] { return frame.PictureWindows().size() == 1; }));
    frame.SelectPage(0);  // the Transfer Manager beside the scan
    QApplication::processEvents();
    const QImage shot = frame.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const char* dir = std::getenv("LP_SCREENSHOT_DIR");
    const fs::path out = fs::path(dir && *dir ? dir : fs::current_path().string()) / "lumaprism-scan.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(out.string())));
    // The scanned pattern reaches the screen: the view shows many colours.
    const QImage view = frame.PictureWindows()[0]->grab().toImage();
    std::set<QRgb> colours;
    for (int y = 0; y < view.height(); ++y)
        for (int x = 0; x < view.width(); ++x) colours.insert(view.pixel(x, y) & 0xFFFFFF);
    EXPECT_GT(colours.size(), 20u);
}

TEST(Scanning, SelectSourceListsWhileTheWindowKeepsGoing) {
    test::FakeSane fake;
    ASSERT_TRUE(fake.Loaded()) << LP_FAKE_SANE;
    test::AppHarness h;
    h.scanLibrary = LP_FAKE_SANE;
    std::vector<std::string> offered;
    h.chooseScanSource = [&](std::span<const ScanDevice> devices, std::size_t) -> std::optional<std::size_t> {
        for (const ScanDevice& d : devices) offered.push_back(d.name);
        return 0;
    };
    CLumaprismApp& app = h.Start();
    CMainFrame& frame = app.MainFrame();
    // Runs only if the event loop turns while the listing is held; it looks at the window, then
    // lets the listing go.
    bool looked = false;
    QString message;
    bool selectEnabled = true, acquireEnabled = true, progressShown = false;
    QTimer check;
    check.setInterval(5);
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (looked || !fake.listingWaits()) return;
        looked = true;
        message = frame.StatusProgress().Message();
        progressShown = frame.StatusProgress().Running();
        selectEnabled = frame.Action(cmd::kScanSelect)->isEnabled();
        acquireEnabled = frame.Action(cmd::kScanAcquire)->isEnabled();
        // A second Select Source meanwhile is refused, not run inside the first.
        frame.Action(cmd::kScanSelect)->trigger();
        fake.hold(0);
    });
    check.start();
    // Nothing lets the listing go if the loop does not turn: give up after a while instead of hanging.
    std::atomic<bool> over{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 2000 && !over; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        fake.hold(0);
    });
    const QString before = frame.StatusProgress().Message();
    fake.hold(1);
    frame.Action(cmd::kScanSelect)->trigger();
    over = true;
    watchdog.join();
    check.stop();
    ASSERT_TRUE(looked) << "the window's event loop did not run while the scanners were listed";
    EXPECT_EQ(message, "Looking for scanners...");
    EXPECT_TRUE(progressShown);
    EXPECT_FALSE(selectEnabled);
    EXPECT_FALSE(acquireEnabled);
    EXPECT_EQ(offered, std::vector<std::string>{"fake:0"});  // one choice: the refused second command asked nothing
    EXPECT_EQ(app.Twain().Source().productName, "fake:0");
    EXPECT_TRUE(h.prompter.Messages().empty());
    EXPECT_FALSE(frame.StatusProgress().Running());
    EXPECT_EQ(frame.StatusProgress().Message(), before);
    EXPECT_TRUE(frame.Action(cmd::kScanSelect)->isEnabled());
    EXPECT_TRUE(frame.Action(cmd::kScanAcquire)->isEnabled());

    // The scan of the chosen device, opened and read on the same worker.
    frame.Action(cmd::kScanAcquire)->trigger();
    QElapsedTimer timer;
    timer.start();
    while (frame.PictureWindows().empty() && timer.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_EQ(frame.PictureWindows().size(), 1u) << (h.prompter.Messages().empty() ? "" : h.prompter.Messages()[0].text);
    EXPECT_EQ(frame.PictureWindows()[0]->Document().GetPicture()->Width(), 4);
    EXPECT_EQ(fake.threadCount(), 1);
    EXPECT_FALSE(fake.calledOn(::pthread_self()));
}

TEST(SelectSourceDialog, ListsTheDevicesAndStartsAtTheCurrentOne) {
    const std::vector<ScanDevice> devices = {{"test:0", "Noname", "frontend-tester", "virtual device"},
                                             {"test:1", "Noname", "frontend-tester", "virtual device"}};
    CSelectSourceDlg dialog(devices, 1);
    EXPECT_EQ(dialog.windowTitle(), "Select Source");
    ASSERT_EQ(dialog.List()->count(), 2);
    EXPECT_EQ(dialog.List()->item(0)->text(), "Noname frontend-tester (test:0)");
    EXPECT_EQ(dialog.List()->accessibleName(), "Sources");
    EXPECT_EQ(dialog.SelectButton()->accessibleName(), "Select");
    EXPECT_EQ(dialog.Chosen(), 1u);
    dialog.List()->setCurrentRow(0);
    EXPECT_EQ(dialog.Chosen(), 0u);
    EXPECT_TRUE(dialog.SelectButton()->isEnabled());

    CSelectSourceDlg empty({}, 0);
    EXPECT_EQ(empty.List()->count(), 0);
    EXPECT_FALSE(empty.SelectButton()->isEnabled());
}

}  // namespace
}  // namespace lp
