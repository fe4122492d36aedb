// Every file of tests/data/crashers was once a crash, a hang or a memory bomb. Each must
// now load as a valid picture or fail with a clean error, within a bounded memory.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "formats/file_types.h"
#include "formats/format_table.h"
#include "formats/gif/gif_reader.h"
#include "imaging/image_size.h"
#include "base/imp_exp_exception.h"
#include "test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;

fs::path CrashersDir() { return test::TestDataDir() / "crashers"; }

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string ReadText(const fs::path& p) {
    const auto bytes = test::ReadFileBytes(p.string());
    return {bytes.begin(), bytes.end()};
}

bool IsFixture(const fs::path& p) {
    const std::string ext = p.extension().string();
    return fs::is_regular_file(p) && ext != ".py" && ext != ".md";
}

// Sets the picture budget for one scope and puts the old value back.
class ScopedBudget {
public:
    explicit ScopedBudget(const char* megabytes) {
        if (const char* old = std::getenv(kPictureBudgetVariable)) m_old = old;
        ::setenv(kPictureBudgetVariable, megabytes, 1);
    }
    ~ScopedBudget() {
        if (m_old)
            ::setenv(kPictureBudgetVariable, m_old->c_str(), 1);
        else
            ::unsetenv(kPictureBudgetVariable);
    }

private:
    std::optional<std::string> m_old;
};

// "" when the load gave a valid picture or a clean error, else what went wrong.
template <class Fn>
std::string CleanOutcome(Fn&& load) {
    try {
        const Picture p = load();
        if (p.IsEmpty() || p.Width() <= 0 || p.Height() <= 0) return "an empty picture came back";
        return "";
    } catch (const ImpExpException& e) {
        return e.Message().empty() ? "an error without a message" : "";
    } catch (const std::exception& e) {
        return std::string("an exception that is not ImpExpException: ") + e.what();
    }
}

TEST(Crashers, EveryFileLoadsOrFailsCleanly) {
    ASSERT_TRUE(fs::is_directory(CrashersDir()));
    // Well under the default, so that a reader that ignores the budget shows here.
    const ScopedBudget budget("256");
    int files = 0;
    for (const auto& entry : fs::directory_iterator(CrashersDir())) {
        if (!IsFixture(entry.path())) continue;
        ++files;
        const fs::path path = entry.path();
        const PictureFileType type = SniffFileType(path);
        if (type == PictureFileType::Unknown) continue;  // nothing reads it: nothing can crash
        EXPECT_EQ(CleanOutcome([&] { return LoadPicture(path, type); }), "") << path.filename();
        if (type == PictureFileType::Gif) {
            const std::string all = CleanOutcome([&] {
                GifAnimation a = LoadGif(path);
                return std::move(a.frames[0].picture);
            });
            EXPECT_EQ(all, "") << path.filename() << " (all frames)";
        }
    }
    EXPECT_GT(files, 0);
}

// The memory bombs fail before they allocate: a batch job converting each one runs under an
// address-space limit far below what the declared pictures would take, and fails cleanly.
TEST(Crashers, MemoryBombsFailWithinBoundedMemory) {
    if (std::system("prlimit --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "prlimit not found";
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's shadow memory alone is larger than any address-space limit that proves the point.
    GTEST_SKIP() << "address-space limits do not apply to a sanitizer build";
#endif
    const test::ScratchDir work;
    struct Bomb {
        const char* file;
        const char* message;
    };
    const Bomb bombs[] = {
        {"gif-60-frames-of-4096-square.gif", "Not enough image data"},
        {"gif-34-bytes-16384-square.gif", "Not enough image data"},
        {"bmp-rle8-64-bytes-16384-square.bmp", "Not enough image data"},
        {"bmp-118-bytes-16384-square.bmp", "Not enough image data"},
        {"tiff-138-bytes-16384-square.tif", "End of file"},
        {"png-1-bit-16384-square-cut.png", "Not enough image data"},
        {"jpeg-16384-square-cut.jpg", "Not enough image data"},
    };
    for (const auto& b : bombs) {
        const fs::path input = CrashersDir() / b.file;
        ASSERT_TRUE(fs::exists(input)) << b.file;
        const std::string out = (work.Path() / "out.bmp").string();
        const std::string cmd = "cd " + Quote(work.Path().string()) +
                                " && prlimit --as=600000000 " + Quote(LP_BINARY) + " -i" +
                                Quote(input.string()) + " -o" + Quote(out) +
                                " -w10 >/dev/null 2>err.txt";
        const int status = std::system(cmd.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << b.file << ": killed by a signal";
        EXPECT_NE(WEXITSTATUS(status), 0) << b.file;
        const std::string log = ReadText(work.Path() / "Error.log");
        EXPECT_NE(log.find(b.message), std::string::npos) << b.file << ": " << log;
        EXPECT_FALSE(fs::exists(out)) << b.file;
    }
}

}  // namespace
}  // namespace lp
