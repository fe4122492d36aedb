// The SANE source manager: frame layouts turned into pictures, and whole scans from SANE's "test"
// backend under a private configuration folder, compared with what scanimage makes of the same.
#include "shell/sane_source_manager.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstring>
#include <thread>

#include <dlfcn.h>
#include <unistd.h>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "shell/fake_sane.h"
#include "shell/twain_connector.h"
#include "test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;

// --- Frame layouts -------------------------------------------------------------------------------

TEST(ScanFrames, SamplesOfEveryDepthAndKind) {
    const struct {
        const char* name;
        ScanFrameFormat frame;
        std::vector<std::uint8_t> line;
        ColourRef first, second;  // the first two pixels
    } cases[] = {
        {"grey 8", {0, true, 2, 2, 1, 8}, {0x10, 0xF0}, MakeColour(0x10, 0x10, 0x10), MakeColour(0xF0, 0xF0, 0xF0)},
        // 1 bits are black; the line's last bits are padding.
        {"grey 1", {0, true, 1, 2, 1, 1}, {0b1000'0000}, MakeColour(0, 0, 0), MakeColour(255, 255, 255)},
        {"rgb 8", {1, true, 6, 2, 1, 8}, {1, 2, 3, 4, 5, 6}, MakeColour(1, 2, 3), MakeColour(4, 5, 6)},
        {"rgb 1", {1, true, 1, 2, 1, 1}, {0b1010'1100}, MakeColour(0, 255, 0), MakeColour(255, 0, 0)},
        // 16-bit samples in host order keep their high byte.
        {"grey 16",
         {0, true, 4, 2, 1, 16},
         [] {
             const std::uint16_t v[2] = {0x12FF, 0xAB00};
             std::vector<std::uint8_t> b(4);
             std::memcpy(b.data(), v, 4);
             return b;
         }(),
         MakeColour(0x12, 0x12, 0x12), MakeColour(0xAB, 0xAB, 0xAB)},
        {"rgb 16",
         {1, true, 12, 2, 1, 16},
         [] {
             const std::uint16_t v[6] = {0x0100, 0x0200, 0x0300, 0xFF00, 0x8000, 0x00FF};
             std::vector<std::uint8_t> b(12);
             std::memcpy(b.data(), v, 12);
             return b;
         }(),
         MakeColour(1, 2, 3), MakeColour(0xFF, 0x80, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(CheckScanFrame(c.frame), "");
        Picture picture;
        picture.Create(2, 1);
        StoreScanRows(c.frame, c.line, 0, 1, picture);
        EXPECT_EQ(test::PixelAt(picture, 0, 0), c.first);
        EXPECT_EQ(test::PixelAt(picture, 1, 0), c.second);
    }
}

TEST(ScanFrames, ThreePassesFillOneChannelEach) {
    Picture picture;
    picture.Create(1, 2);
    picture.Fill(MakeColour(0, 0, 0));
    const std::vector<std::uint8_t> red = {10, 11}, green = {20, 21}, blue = {30, 31};
    StoreScanRows({2, false, 1, 1, 2, 8}, red, 0, 2, picture);
    StoreScanRows({4, false, 1, 1, 2, 8}, blue, 0, 2, picture);
    StoreScanRows({3, true, 1, 1, 2, 8}, green, 0, 2, picture);
    EXPECT_EQ(test::PixelAt(picture, 0, 0), MakeColour(10, 20, 30));
    EXPECT_EQ(test::PixelAt(picture, 0, 1), MakeColour(11, 21, 31));  // rows count from the top
}

TEST(ScanFrames, RowsOutsideThePictureOrTheDataAreLeftAlone) {
    Picture picture;
    picture.Create(1, 2);
    picture.Fill(MakeColour(7, 7, 7));
    const std::vector<std::uint8_t> data = {50};  // one row where three are claimed
    StoreScanRows({0, true, 1, 1, 2, 8}, data, 1, 3, picture);
    EXPECT_EQ(test::PixelAt(picture, 0, 0), MakeColour(7, 7, 7));
    EXPECT_EQ(test::PixelAt(picture, 0, 1), MakeColour(50, 50, 50));
}

TEST(ScanFrames, LayoutsThatCannotBeRead) {
    const ScanFrameFormat bad[] = {
        {0x0B, true, 10, 10, 1, 8},  // compressed data
        {0, true, 10, 10, 1, 12},    // 12-bit samples
        {1, true, 5, 2, 1, 8},       // 2 RGB pixels need 6 bytes
        {0, true, 1, 9, 1, 1},       // 9 one-bit pixels need 2 bytes
        {0, true, 10, 0, 1, 8},      // no pixels
        {0, true, 10, 10, 0, 8},     // no lines
    };
    for (const ScanFrameFormat& f : bad) EXPECT_NE(CheckScanFrame(f), "") << f.format << " " << f.depth;
    EXPECT_EQ(CheckScanFrame({0, true, 2, 9, -1, 1}), "");  // unknown height is fine
}

TEST(ScanDevices, LabelsAndTheFirstChoice) {
    const std::vector<ScanDevice> devices = {{"test:0", "Noname", "frontend-tester", "virtual device"},
                                             {"net:host:x", "", "", ""},
                                             {"v4l:/dev/video0", "Acme", "", "camera"}};
    EXPECT_EQ(ScanDeviceLabel(devices[0]), "Noname frontend-tester (test:0)");
    EXPECT_EQ(ScanDeviceLabel(devices[1]), "net:host:x");
    EXPECT_EQ(ScanDeviceLabel(devices[2]), "Acme (v4l:/dev/video0)");
    EXPECT_EQ(InitialDeviceChoice(devices, "v4l:/dev/video0"), 2u);
    EXPECT_EQ(InitialDeviceChoice(devices, "gone:1"), 0u);
    EXPECT_EQ(InitialDeviceChoice({}, "x"), 0u);
}

// --- The test backend ----------------------------------------------------------------------------

/// The private SANE configuration folder of this test program. SANE reads the folder's name once
/// per process, so every test shares it and writes its own dll.conf and test.conf into it.
class SaneConfigFolder {
public:
    SaneConfigFolder()
        : m_path(fs::temp_directory_path() / ("lumaprism-sane-test-" + std::to_string(::getpid()))) {
        fs::create_directories(m_path);
    }
    ~SaneConfigFolder() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

const fs::path& SaneConfigPath() {
    static const SaneConfigFolder folder;
    return folder.Path();
}

/// Keeps SANE's test backend mapped for the whole test program. SANE unloads a backend at
/// sane_exit, and the backend keeps allocations for the process's life (its configuration
/// path): once its code is gone the leak checker can no longer see them held, and reports them.
void PinTestBackend() {
    static const bool pinned = [] {
        void* sane = ::dlopen(CSaneSourceManager::kDefaultLibrary, RTLD_NOW | RTLD_LOCAL);
        Dl_info info{};
        if (!sane || !::dladdr(::dlsym(sane, "sane_init"), &info) || !info.dli_fname) return false;
        const fs::path backend = fs::path(info.dli_fname).parent_path() / "sane" / "libsane-test.so.1";
        return ::dlopen(backend.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE) != nullptr;
    }();
    (void)pinned;
}

/// The private configuration with the given backends and test.conf lines.
class SaneTestBackend {
public:
    explicit SaneTestBackend(const std::string& testConf, const std::string& backends = "test\n") {
        PinTestBackend();
        std::ofstream(SaneConfigPath() / "dll.conf") << backends;
        std::ofstream(SaneConfigPath() / "test.conf") << testConf;
        m_env.Set("SANE_CONFIG_DIR", SaneConfigPath().c_str());
        m_env.Set(CSaneSourceManager::kDefaultDeviceVariable, nullptr);
        std::error_code ec;
        fs::remove(SaneConfigPath() / "scan.pnm", ec);
    }
    const fs::path& Folder() const { return SaneConfigPath(); }

private:
    test::EnvironmentOverride m_env;
};

/// Waits for what the worker posts.
class Posts {
public:
    void Post(SourceMessage m) {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(m);
        m_cv.notify_all();
    }
    bool WaitFor(std::size_t count) {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::seconds(60), [&] { return m_messages.size() >= count; });
    }
    std::vector<SourceMessage> Messages() {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<SourceMessage> m_messages;
};

CSaneSourceManager::Callbacks CallbacksPosting(Posts& posts, std::size_t choice = 0) {
    CSaneSourceManager::Callbacks callbacks;
    callbacks.choose = [choice](std::span<const ScanDevice>, std::size_t) { return std::optional<std::size_t>(choice); };
    callbacks.post = [&posts](SourceMessage m) { posts.Post(m); };
    return callbacks;
}

#define LP_REQUIRE_SANE_TEST_BACKEND(manager)                                                          \
    do {                                                                                               \
        if (!(manager).LoadLibrary()) GTEST_SKIP() << "libsane.so.1 cannot be loaded";                 \
        ASSERT_EQ((manager).OpenManager(ApplicationIdentity()), twrc::kSuccess);                       \
        if ((manager).Devices().empty())                                                               \
            GTEST_SKIP() << "SANE's test backend (libsane-test.so, package libsane1) is not installed"; \
    } while (0)

/// One scan through the manager's own calls, as the connector makes them.
int ScanOnce(CSaneSourceManager& manager, Posts& posts, NativeImage& image, int& condition) {
    TwainIdentity source;
    EXPECT_EQ(manager.OpenSource(source), twrc::kSuccess);
    EXPECT_EQ(manager.SetNativeTransfer(source), twrc::kSuccess);
    EXPECT_EQ(manager.EnableSource(source, true, false), twrc::kSuccess);
    EXPECT_TRUE(posts.WaitFor(1));
    const int rc = manager.NativeTransfer(source, image);
    manager.GetCondition(&source, condition);
    int pending = -1;
    EXPECT_EQ(manager.EndTransfer(source, pending), twrc::kSuccess);
    EXPECT_EQ(pending, 0);
    EXPECT_EQ(manager.DisableSource(source), twrc::kSuccess);
    EXPECT_EQ(manager.CloseSource(source), twrc::kSuccess);
    EXPECT_EQ(manager.CloseManager(), twrc::kSuccess);
    return rc;
}

/// The picture scanimage writes (PBM, PGM or PPM, 8 or 16 bits) in our exchange form; empty when
/// scanimage is not there.
Picture ScanimagePicture(const fs::path& folder) {
    const fs::path out = folder / "scan.pnm";
    const std::string command = "scanimage -d test:0 --format=pnm > '" + out.string() + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) return {};
    const std::vector<std::uint8_t> bytes = test::ReadFileBytes(out);
    std::size_t pos = 0;
    auto token = [&] {
        for (;;) {
            while (pos < bytes.size() && std::isspace(bytes[pos])) ++pos;
            if (pos < bytes.size() && bytes[pos] == '#') {
                while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
                continue;
            }
            break;
        }
        std::string t;
        while (pos < bytes.size() && !std::isspace(bytes[pos])) t += char(bytes[pos++]);
        return t;
    };
    const std::string magic = token();
    const int width = std::stoi(token()), height = std::stoi(token());
    const int maxval = magic == "P4" ? 1 : std::stoi(token());
    ++pos;  // the one white-space character before the data
    Picture picture;
    picture.Create(width, height);
    const int channels = magic == "P6" ? 3 : 1;
    const int sampleBytes = maxval > 255 ? 2 : 1;
    const std::size_t rowBytes = magic == "P4" ? std::size_t(width + 7) / 8 : std::size_t(width) * channels * sampleBytes;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = bytes.data() + pos + std::size_t(y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            std::uint8_t v[3];
            for (int c = 0; c < 3; ++c) {
                if (magic == "P4") {
                    v[c] = (row[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255;
                } else {
                    const std::size_t s = std::size_t(x) * channels + (channels == 3 ? c : 0);
                    v[c] = row[s * sampleBytes];  // big-endian: the first byte is the high one
                }
            }
            test::SetPixel(picture, x, y, MakeColour(v[0], v[1], v[2]));
        }
    }
    return picture;
}

TEST(SaneTestBackend, DevicesAreListedAndChosenByName) {
    SaneTestBackend backend("number_of_devices 2\n");
    Posts posts;
    CSaneSourceManager manager(CallbacksPosting(posts, 1));
    LP_REQUIRE_SANE_TEST_BACKEND(manager);
    const std::vector<ScanDevice> devices = manager.Devices();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].name, "test:0");
    EXPECT_EQ(devices[1].name, "test:1");
    EXPECT_EQ(devices[0].vendor, "Noname");
    TwainIdentity source;
    EXPECT_EQ(manager.GetDefaultSource(source), twrc::kSuccess);
    EXPECT_EQ(source.productName, "test:0");
    ASSERT_EQ(manager.UserSelect(source), twrc::kSuccess);
    EXPECT_EQ(source.productName, "test:1");
    // The choice made becomes the default of the run.
    TwainIdentity fresh;
    manager.GetDefaultSource(fresh);
    EXPECT_EQ(fresh.productName, "test:1");
    EXPECT_EQ(manager.CloseManager(), twrc::kSuccess);
}

struct BackendCase {
    const char* name;
    const char* conf;
    int bitsPerPixel;
    bool scanimageWrites = true;  // scanimage writes no file of 1-bit colour
};

class SaneTestBackendScan : public ::testing::TestWithParam<BackendCase> {};

// The backend's geometry in test.conf: 80 x 100 mm at 50 dpi, which it makes 157 x 196 pixels
// (whole pixels, rounded down).
constexpr const char* kGeometry = "resolution 50\ntl_x 0\ntl_y 0\nbr_x 80\nbr_y 100\n";

TEST_P(SaneTestBackendScan, PictureMatchesTheBackendsPattern) {
    const BackendCase& c = GetParam();
    SaneTestBackend backend(std::string(kGeometry) + c.conf);
    Posts posts;
    CSaneSourceManager manager(CallbacksPosting(posts));
    LP_REQUIRE_SANE_TEST_BACKEND(manager);
    NativeImage image;
    int condition = -1;
    ASSERT_EQ(ScanOnce(manager, posts, image, condition), twrc::kXferDone);
    EXPECT_EQ(image.bitsPerPixel, c.bitsPerPixel);
    ASSERT_EQ(image.picture.Width(), 157);
    ASSERT_EQ(image.picture.Height(), 196);
    const std::string conf = c.conf;
    if (conf.find("Grid") != std::string::npos) {
        // A black and white grid of 10 mm squares, starting white at the top left.
        EXPECT_EQ(test::PixelAt(image.picture, 0, 0), MakeColour(255, 255, 255));
        EXPECT_EQ(test::PixelAt(image.picture, 25, 0), MakeColour(0, 0, 0));
        EXPECT_EQ(test::PixelAt(image.picture, 45, 0), MakeColour(255, 255, 255));
    }
    if (!c.scanimageWrites) {
        // One bit per channel: every channel is 0 or 255, and the pattern uses more than black and white.
        std::set<ColourRef> colours;
        for (int y = 0; y < image.picture.Height(); ++y)
            for (int x = 0; x < image.picture.Width(); ++x) {
                const ColourRef colour = test::PixelAt(image.picture, x, y);
                for (const std::uint8_t v : {RedOf(colour), GreenOf(colour), BlueOf(colour)})
                    ASSERT_TRUE(v == 0 || v == 255) << x << "," << y;
                colours.insert(colour);
            }
        EXPECT_GT(colours.size(), 2u);
        return;
    }
    if (std::system("command -v scanimage > /dev/null") != 0)
        GTEST_SKIP() << "scanimage (package sane-utils) is not installed: pixels not compared";
    const Picture expected = ScanimagePicture(backend.Folder());
    ASSERT_FALSE(expected.IsEmpty()) << "scanimage failed";
    ASSERT_EQ(expected.Width(), image.picture.Width());
    ASSERT_EQ(expected.Height(), image.picture.Height());
    int differing = 0;
    for (int y = 0; y < expected.Height(); ++y)
        for (int x = 0; x < expected.Width(); ++x)
            differing += test::PixelAt(expected, x, y) != test::PixelAt(image.picture, x, y);
    EXPECT_EQ(differing, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SaneTestBackendScan,
    ::testing::Values(BackendCase{"Grey8Grid", "mode Gray\ndepth 8\ntest-picture \"Grid\"\n", 8},
                      BackendCase{"Grey1Grid", "mode Gray\ndepth 1\ntest-picture \"Grid\"\n", 1},
                      BackendCase{"Grey16Pattern", "mode Gray\ndepth 16\ntest-picture \"Color pattern\"\n", 8},
                      BackendCase{"Colour8Pattern", "mode Color\ndepth 8\ntest-picture \"Color pattern\"\n", 24},
                      BackendCase{"Colour16Pattern", "mode Color\ndepth 16\ntest-picture \"Color pattern\"\n", 24},
                      BackendCase{"Colour1Pattern", "mode Color\ndepth 1\ntest-picture \"Color pattern\"\n", 24, false},
                      BackendCase{"ThreePassPattern",
                                  "mode Color\ndepth 8\nthree-pass true\nthree-pass-order BGR\n"
                                  "test-picture \"Color pattern\"\n",
                                  24}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SaneTestBackend, ReadErrorIsAFailureWithSanesStatus) {
    SaneTestBackend backend(std::string(kGeometry) + "read-status-code \"SANE_STATUS_IO_ERROR\"\n");
    Posts posts;
    CSaneSourceManager manager(CallbacksPosting(posts));
    LP_REQUIRE_SANE_TEST_BACKEND(manager);
    NativeImage image;
    int condition = -1;
    EXPECT_EQ(ScanOnce(manager, posts, image, condition), twrc::kFailure);
    EXPECT_EQ(condition, 9);  // SANE_STATUS_IO_ERROR
    EXPECT_TRUE(image.picture.IsEmpty());
}

TEST(SaneTestBackend, StopDuringASlowScanCancelsTheAcquisition) {
    // Small reads, each followed by a pause: the scan would take minutes.
    SaneTestBackend backend(
        "resolution 600\nmode Color\ndepth 16\nread-limit true\nread-limit-size 4096\n"
        "read-delay true\nread-delay-duration 200000\n");
    Posts posts;
    ScriptedPrompter prompter;
    std::vector<Picture> acquired;
    auto owned = std::make_unique<CSaneSourceManager>(CallbacksPosting(posts));
    CSaneSourceManager& manager = *owned;
    CTwainConnector connector(std::move(owned), prompter, [&](Picture p) { acquired.push_back(std::move(p)); });
    if (!manager.LoadLibrary()) GTEST_SKIP() << "libsane.so.1 cannot be loaded";
    connector.Acquire();
    ASSERT_TRUE(connector.SourceEnabled()) << (prompter.Messages().empty() ? "" : prompter.Messages()[0].text);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto stopped = std::chrono::steady_clock::now();
    manager.Stop();
    ASSERT_TRUE(posts.WaitFor(1));
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::seconds(10));
    connector.OnSourceMessage(SourceMessage::XferReady);
    ASSERT_EQ(prompter.Messages().size(), 1u) << acquired.size() << " pictures, the scan took "
                                              << std::chrono::duration_cast<std::chrono::milliseconds>(
                                                     std::chrono::steady_clock::now() - stopped)
                                                     .count()
                                              << " ms after the stop";
    EXPECT_EQ(prompter.Messages()[0].text, "Acquire was canceled");
    EXPECT_TRUE(acquired.empty());
    EXPECT_FALSE(connector.SourceOpen());
    EXPECT_FALSE(connector.ManagerOpen());
}

TEST(SaneTestBackend, SelectThenAcquireMakesThePictureOfTheChosenDevice) {
    SaneTestBackend backend(std::string(kGeometry) + "number_of_devices 2\ntest-picture \"Solid white\"\n");
    Posts posts;
    ScriptedPrompter prompter;
    std::vector<Picture> acquired;
    auto owned = std::make_unique<CSaneSourceManager>(CallbacksPosting(posts, 1));
    CSaneSourceManager& manager = *owned;
    if (!manager.LoadLibrary()) GTEST_SKIP() << "libsane.so.1 cannot be loaded";
    CTwainConnector connector(std::move(owned), prompter, [&](Picture p) { acquired.push_back(std::move(p)); });
    connector.SelectSource();
    if (connector.Source().productName.empty()) GTEST_SKIP() << "SANE's test backend is not installed";
    EXPECT_EQ(connector.Source().productName, "test:1");
    EXPECT_FALSE(connector.ManagerOpen());  // closed between commands
    connector.Acquire();
    ASSERT_TRUE(posts.WaitFor(1));
    connector.OnSourceMessage(SourceMessage::XferReady);
    EXPECT_TRUE(prompter.Messages().empty()) << prompter.Messages()[0].text;
    ASSERT_EQ(acquired.size(), 1u);
    EXPECT_EQ(acquired[0].Width(), 157);
    EXPECT_EQ(test::PixelAt(acquired[0], 80, 100), MakeColour(255, 255, 255));
    EXPECT_FALSE(connector.SourceOpen());
}

TEST(SaneTestBackend, NoDeviceToOpenIsAFailure) {
    SaneTestBackend backend("", "");  // no backend at all
    Posts posts;
    ScriptedPrompter prompter;
    auto owned = std::make_unique<CSaneSourceManager>(CallbacksPosting(posts));
    if (!owned->LoadLibrary()) GTEST_SKIP() << "libsane.so.1 cannot be loaded";
    CTwainConnector connector(std::move(owned), prompter, [](Picture) {});
    connector.Acquire();
    ASSERT_EQ(prompter.Messages().size(), 1u);
    EXPECT_EQ(prompter.Messages()[0].text, "Can't open source\nCondition Code: 3\nReturn Code: 1");
    EXPECT_FALSE(connector.ManagerOpen());
}

TEST(SaneLibrary, MissingLibraryGivesTheLibraryMessage) {
    ScriptedPrompter prompter;
    Posts posts;
    CTwainConnector connector(
        std::make_unique<CSaneSourceManager>(CallbacksPosting(posts), "libsane-not-there.so.0"), prompter,
        [](Picture) {});
    connector.SelectSource();
    connector.Acquire();
    ASSERT_EQ(prompter.Messages().size(), 2u);
    EXPECT_EQ(prompter.Messages()[0].text, "Error Opening Library TWAIN.DLL");
    EXPECT_EQ(prompter.Messages()[1].text, "Error Opening Library TWAIN.DLL");
    EXPECT_EQ(prompter.Messages()[0].caption, "TWAIN Interface Error");
}

// --- The worker thread ---------------------------------------------------------------------------

TEST(SaneWorker, CallsRunOnOneWorkerWhileTheCallerWaitsFree) {
    test::FakeSane fake;
    ASSERT_TRUE(fake.Loaded()) << LP_FAKE_SANE << ": " << ::dlerror();
    Posts posts;
    ScriptedPrompter prompter;
    std::vector<Picture> acquired;
    std::vector<std::string> waits;
    bool held = true;
    CSaneSourceManager::Callbacks callbacks = CallbacksPosting(posts, 0);
    // The caller's side of a wait: the held listing can only end when this thread lets it go.
    callbacks.wait = [&](std::string_view what, const std::function<bool()>& finished) {
        waits.emplace_back(what);
        while (!finished()) {
            if (held && fake.listingWaits()) {
                held = false;
                fake.hold(0);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    auto owned = std::make_unique<CSaneSourceManager>(std::move(callbacks), LP_FAKE_SANE);
    CTwainConnector connector(std::move(owned), prompter, [&](Picture p) { acquired.push_back(std::move(p)); });
    fake.hold(1);
    connector.SelectSource();
    EXPECT_FALSE(held) << "the listing did not run while the caller waited";
    EXPECT_NE(std::find(waits.begin(), waits.end(), CSaneSourceManager::kLookingText), waits.end());
    EXPECT_EQ(connector.Source().productName, "fake:0");

    connector.Acquire();
    ASSERT_TRUE(connector.SourceEnabled()) << (prompter.Messages().empty() ? "" : prompter.Messages()[0].text);
    ASSERT_TRUE(posts.WaitFor(1));
    connector.OnSourceMessage(SourceMessage::XferReady);
    EXPECT_TRUE(prompter.Messages().empty()) << prompter.Messages()[0].text;
    ASSERT_EQ(acquired.size(), 1u);
    EXPECT_EQ(acquired[0].Width(), 4);
    EXPECT_EQ(acquired[0].Height(), 2);
    EXPECT_EQ(test::PixelAt(acquired[0], 3, 1), MakeColour(0x80, 0x80, 0x80));
    EXPECT_FALSE(connector.ManagerOpen());
    // init, listing, open, scan, close, exit: all on the one worker, none on the caller's thread.
    EXPECT_EQ(fake.threadCount(), 1);
    EXPECT_FALSE(fake.calledOn(::pthread_self()));
}

}  // namespace
}  // namespace lp

// SANE's test backend loses its read buffer when a scan is cancelled: not ours to free. Read by
// the leak checker of sanitizer builds, unused otherwise.
extern "C" const char* __lsan_default_suppressions() { return "leak:libsane-test.so\n"; }
