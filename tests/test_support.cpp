#include "test_support.h"

#include "base/colour.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace lp::test {

std::filesystem::path SourceDir() { return LP_SOURCE_DIR; }

std::filesystem::path CorpusDir() {
    const auto p = SourceDir().parent_path() / "shared" / "corpora";
    std::error_code ec;
    return std::filesystem::is_directory(p, ec) ? p : std::filesystem::path();
}

std::filesystem::path TestDataDir() { return SourceDir() / "tests" / "data"; }

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lptest_XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) throw std::runtime_error("mkdtemp failed");
    m_path = name.data();
    ::setenv("LUMAPRISM_HOME", (m_path / "home").c_str(), 1);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

namespace {
std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}
}  // namespace

CommandResult RunLumaprism(const std::vector<std::string>& args, const std::filesystem::path& workDir,
                           const std::string& stdinText) {
    const auto outFile = workDir / ".stdout";
    const auto errFile = workDir / ".stderr";
    const auto inFile = workDir / ".stdin";
    { std::ofstream(inFile) << stdinText; }
    std::string cmd = "cd " + ShellQuote(workDir.string()) + " && " + ShellQuote(LP_BINARY);
    for (const auto& a : args) cmd += " " + ShellQuote(a);
    cmd += " <" + ShellQuote(inFile.string()) + " >" + ShellQuote(outFile.string()) + " 2>" +
           ShellQuote(errFile.string());
    const int status = std::system(cmd.c_str());
    CommandResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Slurp(outFile);
    r.err = Slurp(errFile);
    std::error_code ec;
    for (const auto& f : {outFile, errFile, inFile}) std::filesystem::remove(f, ec);
    return r;
}

Picture PatternPicture(int width, int height) {
    Picture p;
    p.Create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(p, x, y, MakeColour(std::uint8_t(x * 7 + y), std::uint8_t(y * 13), std::uint8_t(x ^ y)));
    return p;
}

std::int32_t PixelAt(const Picture& p, int x, int yFromTop) {
    const auto row = p.RowFromTop(yFromTop);
    return MakeColour(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
}

void SetPixel(Picture& p, int x, int yFromTop, std::int32_t colour) {
    auto row = p.RowFromTop(yFromTop);
    row[x * 3] = BlueOf(colour);
    row[x * 3 + 1] = GreenOf(colour);
    row[x * 3 + 2] = RedOf(colour);
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace lp::test
