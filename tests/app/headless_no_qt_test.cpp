// Batch runs and the headless commands never load the GUI toolkit: the
// program maps no Qt library unless a window is to be shown.
#include "app/gui_module.h"
#include "formats/format_table.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace lp {
namespace {

namespace fs = std::filesystem;

/// Libraries named like Qt's that abort any process loading them come first on
/// the library path; a display is offered, so only the command line keeps the
/// program from the windows.
void PutStubQtFirst(test::EnvironmentOverride& env) {
    ASSERT_TRUE(fs::exists(fs::path(LP_QT_STUB_DIR) / "libQt6Widgets.so.6")) << LP_QT_STUB_DIR;
    env.Set("LD_LIBRARY_PATH", LP_QT_STUB_DIR);
    env.Set("QT_QPA_PLATFORM", "offscreen");
}

TEST(HeadlessRuns, SucceedWithEveryQtLibraryReplacedByOneThatAborts) {
    test::ScratchDir scratch;
    SavePictureByExtension(test::PatternPicture(40, 20), scratch / "in.bmp");
    test::EnvironmentOverride env;
    PutStubQtFirst(env);

    const auto version = test::RunLumaprism({"--version"}, scratch.Path());
    EXPECT_EQ(version.exitCode, 0) << version.err;
    EXPECT_NE(version.out.find("Lumaprism " LP_VERSION_TEXT), std::string::npos) << version.out;

    const auto batch = test::RunLumaprism({"-iin.bmp", "-oout.bmp", "-w10"}, scratch.Path());
    EXPECT_EQ(batch.exitCode, 0) << batch.err;
    EXPECT_EQ(LoadPicture(scratch / "out.bmp", PictureFileType::Bmp).Width(), 10);

    const auto analyze = test::RunLumaprism({"--analyze", "in.bmp"}, scratch.Path());
    EXPECT_EQ(analyze.exitCode, 0) << analyze.err;
    EXPECT_NE(analyze.out.find("in.bmp"), std::string::npos) << analyze.out;

    for (const auto* r : {&version, &batch, &analyze}) EXPECT_EQ(r->err.find("stub libQt6"), std::string::npos) << r->err;
}

#if LP_HAS_GUI_MODULE
TEST(HeadlessRuns, TheStubLibrariesDoStopARunThatOpensWindows) {
    // Without this the test above would prove nothing: the same environment
    // does reach the stubs once the command line asks for a window.
    test::ScratchDir scratch;
    test::EnvironmentOverride env;
    PutStubQtFirst(env);
    const auto windows = test::RunLumaprism({}, scratch.Path());
    EXPECT_NE(windows.exitCode, 0);
    // The module was found and the stand-ins stopped it: missing Qt symbols or their constructor's abort.
    const bool stoppedByStubs = windows.err.find("version Qt_6") != std::string::npos ||
                                windows.err.find("stub libQt6") != std::string::npos;
    EXPECT_TRUE(stoppedByStubs) << windows.err;
}
#endif

/// Starts the program; the caller reaps it.
pid_t Spawn(const std::vector<std::string>& args, const fs::path& workDir) {
    std::vector<std::string> words = {LP_BINARY};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, LP_BINARY, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

TEST(HeadlessRuns, ABatchRunMapsNoQtLibraryWhileItWorks) {
    // The jobs come from a response file that is a FIFO: the program waits in
    // its open() while its libraries are mapped, and this test reads its maps.
    test::ScratchDir scratch;
    SavePictureByExtension(test::PatternPicture(40, 20), scratch / "in.bmp");
    const fs::path fifo = scratch / "jobs.rsp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    test::EnvironmentOverride env;
    env.Set("QT_QPA_PLATFORM", "offscreen");  // a display is there: only the command line decides

    const pid_t pid = Spawn({"@jobs.rsp"}, scratch.Path());
    ASSERT_GT(pid, 0);
    int fd = -1;
    int status = 0;
    bool exited = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (fd < 0 && std::chrono::steady_clock::now() < deadline) {
        fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);  // ENXIO until the reader has opened it
        if (fd >= 0) break;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            exited = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (fd < 0) {
        if (!exited) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
        FAIL() << "the program never opened its response file";
    }
    std::string maps;
    {
        std::ifstream in("/proc/" + std::to_string(pid) + "/maps");
        maps.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::string jobs = "INPUT=in.bmp OUTPUT=out.bmp WIDTH=10\n";
    EXPECT_EQ(::write(fd, jobs.data(), jobs.size()), ssize_t(jobs.size()));
    ::close(fd);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(LoadPicture(scratch / "out.bmp", PictureFileType::Bmp).Width(), 10);

    // The maps are those of the running program with its libraries...
    EXPECT_NE(maps.find("libjpeg"), std::string::npos) << maps;
    EXPECT_NE(maps.find("libpng"), std::string::npos) << maps;
    // ...and no part of the GUI toolkit, nor the window module.
    EXPECT_EQ(maps.find("libQt"), std::string::npos) << maps;
    EXPECT_EQ(maps.find(kGuiModuleName), std::string::npos) << maps;
    // libcurl and the libraries behind it wait for the first fetch.
    EXPECT_EQ(maps.find("libcurl"), std::string::npos) << maps;
}

TEST(HeadlessRuns, AMissingWindowModuleIsExplainedNotACrash) {
    // A copy of the program in a folder without the module: a server install
    // that left the windows out.
    test::ScratchDir scratch;
    const fs::path lonely = scratch / "bin" / "lumaprism";
    fs::create_directories(lonely.parent_path());
    fs::copy_file(LP_BINARY, lonely);
    SavePictureByExtension(test::PatternPicture(8, 8), scratch / "in.bmp");
    test::EnvironmentOverride env;
    env.Set("QT_QPA_PLATFORM", "offscreen");
    const std::string command = "cd '" + scratch.Path().string() + "' && '" + lonely.string() +
                                "' >out.txt 2>err.txt; echo $? >rc.txt";
    ASSERT_EQ(std::system(command.c_str()), 0);
    auto slurp = [&](const char* name) {
        std::ifstream in(scratch / name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(slurp("rc.txt"), "2\n");
    const std::string err = slurp("err.txt");
    EXPECT_NE(err.find("picture windows are not available: the window module lumaprism-gui.so cannot be loaded"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find((scratch / "bin" / "lumaprism-gui.so").string() + ": not found"), std::string::npos) << err;

    // Batch work needs no module.
    const std::string batch = "cd '" + scratch.Path().string() + "' && '" + lonely.string() +
                              "' -iin.bmp -oout.bmp -w4 >/dev/null 2>&1";
    EXPECT_EQ(std::system(batch.c_str()), 0);
    EXPECT_EQ(LoadPicture(scratch / "out.bmp", PictureFileType::Bmp).Width(), 4);
}

TEST(HeadlessRuns, TheWindowModuleIsLookedForBesideTheProgramThenWhereInstallingPutsIt) {
    const auto candidates = GuiModuleCandidates("/opt/lp/bin/lumaprism");
    ASSERT_EQ(candidates.size(), 2u);
    EXPECT_EQ(candidates[0], fs::path("/opt/lp/bin/lumaprism-gui.so"));
    EXPECT_EQ(candidates[1].filename(), "lumaprism-gui.so");
    EXPECT_EQ(candidates[1].parent_path().filename(), "lumaprism");
    EXPECT_TRUE(candidates[1].string().starts_with("/opt/lp/lib")) << candidates[1];
#if LP_HAS_GUI_MODULE
    // The build tree: the module lies beside the program the tests run.
    EXPECT_TRUE(fs::exists(GuiModuleCandidates(LP_BINARY)[0])) << GuiModuleCandidates(LP_BINARY)[0];
#endif
}

}  // namespace
}  // namespace lp
