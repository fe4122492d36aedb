#pragma once
#include "imaging/picture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <optional>
#include <utility>
#include <string>
#include <vector>

namespace lp::test {

std::filesystem::path SourceDir();
/// ../shared/corpora beside the source tree; empty when absent.
std::filesystem::path CorpusDir();
/// Skips the current test with a clear message when the corpus is not there.
#define LP_REQUIRE_CORPUS()                                                                       \
    do {                                                                                          \
        if (::lp::test::CorpusDir().empty())                                                      \
            GTEST_SKIP() << "shared corpora not found beside the source tree (../shared/corpora)"; \
    } while (0)

std::filesystem::path TestDataDir();  // tests/data

/// A fresh folder for one test, removed afterwards; LUMAPRISM_HOME points into it.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};
/// Runs the lumaprism binary with the arguments in the given folder.
CommandResult RunLumaprism(const std::vector<std::string>& args, const std::filesystem::path& workDir,
                           const std::string& stdinText = {});

/// A picture whose pixels differ everywhere (r = x*7+y, g = y*13, b = x^y), for round trips.
Picture PatternPicture(int width, int height);
/// The colour at (x, y) counted from the top-left, as 0x00BBGGRR.
std::int32_t PixelAt(const Picture& p, int x, int yFromTop);
void SetPixel(Picture& p, int x, int yFromTop, std::int32_t colour);

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

/// Sets environment variables for the child processes of one test and puts them back.
class EnvironmentOverride {
public:
    void Set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~EnvironmentOverride() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

}  // namespace lp::test
