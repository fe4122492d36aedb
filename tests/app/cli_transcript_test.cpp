// The lumaprism program run as a user runs it: arguments in, files, standard
// output, standard error and exit status out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "formats/bmp/bmp_reader.h"
#include "formats/bmp/bmp_writer.h"
#include "formats/format_table.h"
#include "base/colour.h"
#include "test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::RunLumaprism;
using test::ScratchDir;

std::string ReadText(const fs::path& path) {
    const auto bytes = test::ReadFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

void WriteText(const fs::path& path, const std::string& text) {
    test::WriteFileBytes(path, {text.begin(), text.end()});
}

void MakeBmp(const fs::path& path, int width, int height) {
    SaveBmp(test::PatternPicture(width, height), path, BmpCompression::None, 24, nullptr);
}

Picture Load(const fs::path& path) { return LoadBmp(path, nullptr); }

void CopyFixture(const char* name, const ScratchDir& scratch, const std::string& as = {}) {
    fs::copy_file(test::TestDataDir() / "cli" / name, scratch / (as.empty() ? std::string(name) : as));
}

// The source pixel that nearest-neighbour scaling puts at (u, v).
std::int32_t Nearest(const Picture& source, int u, int v, int newWidth, int newHeight) {
    return test::PixelAt(source, int(std::int64_t(u) * source.Width() / newWidth),
                         int(std::int64_t(v) * source.Height() / newHeight));
}

TEST(CliTranscript, SingleJobKeepsTheAspect) {
    ScratchDir scratch;
    MakeBmp(scratch / "in.bmp", 200, 100);
    const auto r = RunLumaprism({"-iin.bmp", "-oout.bmp", "-w100"}, scratch.Path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    const Picture out = Load(scratch / "out.bmp");
    ASSERT_EQ(out.Width(), 100);
    ASSERT_EQ(out.Height(), 50);
    const Picture in = test::PatternPicture(200, 100);
    for (int v : {0, 17, 49})
        for (int u : {0, 33, 99}) EXPECT_EQ(test::PixelAt(out, u, v), Nearest(in, u, v, 100, 50));
    // A run with batch work always leaves a (here empty) log.
    EXPECT_EQ(ReadText(scratch / "Error.log"), "");
}

TEST(CliTranscript, ForeignFixtureScaledDown) {
    // A BMP written by another program (Pillow): pixel (x, y) = (40x, 60y, 100 + x + y).
    ScratchDir scratch;
    CopyFixture("pattern_6x4.bmp", scratch, "sample.bmp");
    const auto r = RunLumaprism({"-isample.bmp", "-oout.bmp", "-w3"}, scratch.Path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Picture out = Load(scratch / "out.bmp");
    ASSERT_EQ(out.Width(), 3);
    ASSERT_EQ(out.Height(), 2);
    for (int v = 0; v < 2; ++v)
        for (int u = 0; u < 3; ++u) {
            const int x = 2 * u, y = 2 * v;
            EXPECT_EQ(test::PixelAt(out, u, v),
                      MakeColour(std::uint8_t(40 * x), std::uint8_t(60 * y), std::uint8_t(100 + x + y)));
        }
}

TEST(CliTranscript, KeywordForm) {
    ScratchDir scratch;
    MakeBmp(scratch / "a.bmp", 100, 40);
    const auto r = RunLumaprism({"INPUT=a.bmp", "OUTPUT=b.bmp", "WIDTH=50"}, scratch.Path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const Picture out = Load(scratch / "b.bmp");
    EXPECT_EQ(out.Width(), 50);
    EXPECT_EQ(out.Height(), 20);
}

TEST(CliTranscript, TwoGroupsRunInOrder) {
    ScratchDir scratch;
    MakeBmp(scratch / "a.bmp", 100, 40);
    MakeBmp(scratch / "b.bmp", 30, 60);
    // Both jobs write the same output: the second, run last, wins.
    const auto r = RunLumaprism(
        {"{", "INPUT=a.bmp", "OUTPUT=a2.bmp", "WIDTH=50", "}", "{", "INPUT=b.bmp", "OUTPUT=b2.bmp", "HEIGHT=20", "}",
         "{", "-ia.bmp",     "-oboth.bmp",    "-w10",     "}", "{", "-ib.bmp",     "-oboth.bmp",    "-w11",      "}"},
        scratch.Path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Load(scratch / "a2.bmp").Width(), 50);
    EXPECT_EQ(Load(scratch / "a2.bmp").Height(), 20);
    EXPECT_EQ(Load(scratch / "b2.bmp").Width(), 10);
    EXPECT_EQ(Load(scratch / "b2.bmp").Height(), 20);
    EXPECT_EQ(Load(scratch / "both.bmp").Width(), 11);
}

TEST(CliTranscript, ResponseFile) {
    ScratchDir scratch;
    CopyFixture("pattern_6x4.bmp", scratch);
    CopyFixture("pattern_6x4.bmp", scratch, "my photo.bmp");
    CopyFixture("two_groups.rsp", scratch);
    const auto r = RunLumaprism({"@two_groups.rsp"}, scratch.Path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const Picture small = Load(scratch / "small.bmp");
    EXPECT_EQ(small.Width(), 3);
    EXPECT_EQ(small.Height(), 2);
    const Picture two = Load(scratch / "small two.bmp");
    EXPECT_EQ(two.Width(), 3);
    EXPECT_EQ(two.Height(), 2);
}

TEST(CliTranscript, ResponseFileWithCrLfLines) {
    ScratchDir scratch;
    CopyFixture("pattern_6x4.bmp", scratch);
    CopyFixture("crlf.rsp", scratch);
    const auto r = RunLumaprism({"@crlf.rsp"}, scratch.Path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Load(scratch / "crlf.bmp").Width(), 2);
}

TEST(CliTranscript, OutputFormatFollowsTheInput) {
    struct Case {
        const char* input;
        const char* output;
        int compression;
        int bitsPerPixel;
    };
    const Case cases[] = {
        {"a.bmp", "b.png", 0, 24},
        {"a.rle", "b.bmp", 2, 4},
        {"a.dib", "b.jpg", 1, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        ScratchDir scratch;
        MakeBmp(scratch / c.input, 40, 20);  // a plain BMP inside; the extension decides RLE and DIB
        const auto r =
            RunLumaprism({std::string("-i") + c.input, std::string("-o") + c.output, "-w10"}, scratch.Path());
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const auto bytes = test::ReadFileBytes(scratch / c.output);
        ASSERT_GE(bytes.size(), 54u);
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        EXPECT_EQ(bytes[28] | bytes[29] << 8, c.bitsPerPixel);
        EXPECT_EQ(bytes[30], c.compression);
        const Picture out = Load(scratch / c.output);
        EXPECT_EQ(out.Width(), 10);
        EXPECT_EQ(out.Height(), 5);
    }
}

TEST(CliTranscript, FitOnBackgroundCanvas) {
    ScratchDir scratch;
    MakeBmp(scratch / "in.bmp", 200, 200);
    const auto r = RunLumaprism({"-iin.bmp", "-oout.bmp", "-w300", "-h100", "-r", "-b(0,0,255)"}, scratch.Path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Picture out = Load(scratch / "out.bmp");
    ASSERT_EQ(out.Width(), 300);
    ASSERT_EQ(out.Height(), 100);
    EXPECT_EQ(test::PixelAt(out, 0, 0), MakeColour(0, 0, 255));
    EXPECT_EQ(test::PixelAt(out, 299, 99), MakeColour(0, 0, 255));
    EXPECT_EQ(test::PixelAt(out, 150, 50), test::PixelAt(test::PatternPicture(200, 200), 100, 100));
}

TEST(CliTranscript, UnknownFlagIsLoggedAndFailsTheRun) {
    ScratchDir scratch;
    MakeBmp(scratch / "a.bmp", 20, 20);
    const auto r = RunLumaprism({"-x", "-ia.bmp", "-ob.bmp", "-w10"}, scratch.Path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ERROR: x Not a defined flag\nRefer to Error.log\n");
    EXPECT_EQ(ReadText(scratch / "Error.log"), "ERROR: x Not a defined flag\n");
    EXPECT_EQ(Load(scratch / "b.bmp").Width(), 10);  // the job itself still ran
}

TEST(CliTranscript, FailingJobsKeepOldOutputAndTheNextJobRuns) {
    ScratchDir scratch;
    MakeBmp(scratch / "good.bmp", 20, 20);
    WriteText(scratch / "corrupt.bmp", "BM this is not a bitmap at all");
    WriteText(scratch / "notes.txt", "plain text");
    WriteText(scratch / "old.bmp", "precious old content");
    const auto r = RunLumaprism({"{", "-icorrupt.bmp", "-oold.bmp",       "-w10", "}",  // reader fails
                                 "{", "-igood.bmp",    "-onowhere/x.bmp", "-w10", "}",  // writer fails
                                 "{", "-inotes.txt",   "-oold.bmp",       "-w10", "}",  // unknown type
                                 "{", "-imissing.bmp", "-oold.bmp",       "-w10", "}",  // no such file
                                 "{", "-igood.bmp",    "-oold.bmp",       "-w0",  "}",  // size 0
                                 "{", "-igood.bmp",    "-onew.bmp",       "-w10", "}"},
                                scratch.Path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(ReadText(scratch / "old.bmp"), "precious old content");
    EXPECT_EQ(Load(scratch / "new.bmp").Width(), 10);
    EXPECT_FALSE(fs::exists(scratch / "nowhere"));

    const std::string log = ReadText(scratch / "Error.log");
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = log.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(log.substr(start, end - start));
    ASSERT_EQ(lines.size(), 5u) << log;
    EXPECT_TRUE(lines[0].starts_with("ERROR: corrupt.bmp ")) << lines[0];
    EXPECT_GT(lines[0].size(), std::string("ERROR: corrupt.bmp ").size());
    EXPECT_TRUE(lines[1].starts_with("ERROR: nowhere/x.bmp ")) << lines[1];  // the file that failed
    EXPECT_EQ(lines[2], "ERROR: notes.txt Unknown file format");
    EXPECT_EQ(lines[3], "ERROR: missing.bmp Error Opening File: No such file or directory");
    EXPECT_EQ(lines[4], "ERROR: good.bmp Width must be at least 1");
    // Every line is echoed on standard error, followed by the pointer to the log.
    EXPECT_EQ(r.err, log + "Refer to Error.log\n");
    // No temporary files are left beside the outputs ("home" holds the settings file).
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(scratch.Path())) names.insert(e.path().filename().string());
    EXPECT_EQ(names,
              (std::set<std::string>{"Error.log", "corrupt.bmp", "good.bmp", "home", "new.bmp", "notes.txt", "old.bmp"}));
}

TEST(CliTranscript, AnOutputThatCannotBeWrittenIsNamedOnOneLine) {
    // Each format's writer fails on a missing folder; the log names the output
    // (not the input, which was read) on a single line.
    for (const char* ext : {"jpg", "png", "gif", "bmp", "tif", "tga", "pcx"}) {
        SCOPED_TRACE(ext);
        ScratchDir scratch;
        const std::string input = std::string("in.") + ext;
        const std::string output = std::string("nowhere/out.") + ext;
        SavePictureByExtension(test::PatternPicture(16, 8), scratch / input);
        const auto r = RunLumaprism({"-i" + input, "-o" + output, "-w8"}, scratch.Path());
        EXPECT_EQ(r.exitCode, 1);
        const std::string log = ReadText(scratch / "Error.log");
        ASSERT_TRUE(log.starts_with("ERROR: " + output + " ")) << log;
        ASSERT_TRUE(log.ends_with("\n")) << log;
        EXPECT_EQ(log.find('\n'), log.size() - 1) << log;  // one line
        EXPECT_GT(log.size(), ("ERROR: " + output + " \n").size()) << log;
        EXPECT_EQ(log.find(output, 7 + output.size()), std::string::npos) << "the name is given once: " << log;
        EXPECT_EQ(r.err, log + "Refer to Error.log\n");
    }
}

TEST(CliTranscript, SavingThroughALinkWritesItsTargetAndKeepsTheLink) {
    ScratchDir scratch;
    MakeBmp(scratch / "sq.bmp", 20, 20);
    fs::create_directories(scratch / "real");
    MakeBmp(scratch / "real" / "target.bmp", 4, 4);
    fs::permissions(scratch / "real" / "target.bmp", fs::perms(0640));
    fs::create_symlink("real/target.bmp", scratch / "link.bmp");
    const auto r = RunLumaprism({"-isq.bmp", "-olink.bmp", "-w10"}, scratch.Path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(scratch / "link.bmp"));
    EXPECT_EQ(Load(scratch / "real" / "target.bmp").Width(), 10);
    EXPECT_EQ(fs::status(scratch / "real" / "target.bmp").permissions() & fs::perms::all, fs::perms(0640));
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(scratch / "real")) names.insert(e.path().filename().string());
    EXPECT_EQ(names, std::set<std::string>{"target.bmp"});
}

TEST(CliTranscript, UnreadableInputIsReported) {
    ScratchDir scratch;
    WriteText(scratch / "x.pcx", "not really a pcx");
    const auto r = RunLumaprism({"-ix.pcx", "-oy.pcx", "-w10"}, scratch.Path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(fs::exists(scratch / "y.pcx"));
    const std::string log = ReadText(scratch / "Error.log");
    EXPECT_TRUE(log.starts_with("ERROR: x.pcx ")) << log;
}

TEST(CliTranscript, NoBatchWorkPrintsUsage) {
    // Without batch work the program opens its windows when it can reach a
    // display; these runs check the answer it gives when there is none.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) ::unsetenv(name);
    struct Case {
        std::vector<std::string> args;
        const char* errMentions;
        bool logCreated;
    };
    const Case cases[] = {
        {{}, "Usage: lumaprism", false},
        {{"-ia.bmp", "-ob.bmp", "-n16"}, "no job to run", false},
        {{"a.bmp"}, "windows are not available", false},  // an existing file: the open request
        {{"stray"}, "ERROR: stray Not a defined parameter\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
        ScratchDir scratch;
        MakeBmp(scratch / "a.bmp", 4, 4);
        const auto r = RunLumaprism(c.args, scratch.Path());
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(c.errMentions), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Usage: lumaprism"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("Refer to Error.log"), std::string::npos) << r.err;
        EXPECT_EQ(fs::exists(scratch / "Error.log"), c.logCreated);
        EXPECT_FALSE(fs::exists(scratch / "b.bmp"));
    }
}

TEST(CliTranscript, OldErrorLogIsEmptiedByABatchRun) {
    ScratchDir scratch;
    MakeBmp(scratch / "a.bmp", 4, 4);
    WriteText(scratch / "Error.log", "ERROR: old run\n");
    const auto r = RunLumaprism({"-ia.bmp", "-ob.bmp", "-h2"}, scratch.Path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadText(scratch / "Error.log"), "");
}

TEST(CliTranscript, ErrorLogThatCannotBeCreatedStopsTheRun) {
    ScratchDir scratch;
    MakeBmp(scratch / "a.bmp", 4, 4);
    fs::create_directory(scratch / "Error.log");
    const auto r = RunLumaprism({"-ia.bmp", "-ob.bmp", "-h2"}, scratch.Path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Error.log"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(scratch / "b.bmp"));
}

TEST(CliTranscript, AbsolutePathsAreNotFlags) {
    ScratchDir scratch;
    MakeBmp(scratch / "a.bmp", 8, 8);
    const fs::path work = scratch / "elsewhere";
    fs::create_directory(work);
    const auto r =
        RunLumaprism({"-i" + (scratch / "a.bmp").string(), "-o" + (scratch / "b.bmp").string(), "-w4"}, work);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Load(scratch / "b.bmp").Width(), 4);
    EXPECT_TRUE(fs::exists(work / "Error.log"));  // the log lies in the current folder
}

TEST(CliTranscript, HelpAndVersion) {
    ScratchDir scratch;
    const auto help = RunLumaprism({"--help"}, scratch.Path());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: lumaprism")) << help.out;
    EXPECT_NE(help.out.find("-wN"), std::string::npos);
    EXPECT_EQ(help.err, "");

    const auto version = RunLumaprism({"--version"}, scratch.Path());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.starts_with("Lumaprism " LP_VERSION_TEXT "\n")) << version.out;
    EXPECT_NE(version.out.find("libpng "), std::string::npos) << version.out;
    EXPECT_NE(version.out.find("libjpeg "), std::string::npos) << version.out;

    // Long options never reach the job parser: nothing runs, nothing is logged.
    MakeBmp(scratch / "a.bmp", 4, 4);
    const auto mixed = RunLumaprism({"-ia.bmp", "-ob.bmp", "-w2", "--help"}, scratch.Path());
    EXPECT_EQ(mixed.exitCode, 0);
    EXPECT_FALSE(fs::exists(scratch / "b.bmp"));

    const auto unknown = RunLumaprism({"--frobnicate"}, scratch.Path());
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("unknown option '--frobnicate'"), std::string::npos) << unknown.err;
    EXPECT_FALSE(fs::exists(scratch / "Error.log"));
}

}  // namespace
}  // namespace lp
