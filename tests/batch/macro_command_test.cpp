// "lumaprism --macro": transcripts of the command run as a user runs it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/data_folders.h"
#include "base/prompter.h"
#include "batch/batch_macro.h"
#include "formats/format_table.h"
#include "formats/gif/gif_reader.h"
#include "formats/png/png_writer.h"
#include "test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::RunLumaprism;
using test::ScratchDir;

struct MacroFixture {
    ScratchDir dir;
    fs::path out = dir / "out";
    MacroFixture() {
        fs::create_directories(out);
        BatchMacro m("half");
        m.resizeMode = kResizeRelative;
        m.widthPercent = m.heightPercent = 50;
        m.colors = 64;
        m.outputFormat = kOutputGif;
        m.outputDir = out.string();
        SaveBatchMacroFile(m, DataFolders::FromEnvironment().Folder(DataFolder::Template) / "half.TPL");
        for (int i = 0; i < 4; ++i) SavePng(test::PatternPicture(40 + i, 30), dir / ("p" + std::to_string(i) + ".png"));
        test::WriteFileBytes(dir / "corrupt.png", {0x89, 'P', 'N', 'G', 0, 0});
    }
};

TEST(MacroCommand, AppliesTheMacroAndWritesTheReport) {
    MacroFixture s;
    const auto r = RunLumaprism({"--macro", "half", "--report", "report.txt", "p0.png", "p1.png"}, s.dir.Path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("p0.png -> " + (s.out / "p0.gif").string()), std::string::npos) << r.out;
    EXPECT_EQ(LoadGif(s.out / "p1.gif").frames[0].picture.Width(), 20);
    const auto report = test::ReadFileBytes(s.dir / "report.txt");
    const std::string text(report.begin(), report.end());
    EXPECT_TRUE(text.starts_with("BROWSER PAGE OPTIMIZATION\n")) << text;
    EXPECT_NE(text.find("Number of files processed                         : 2\n"), std::string::npos);
}

TEST(MacroCommand, GoesOnAfterFailedFilesAndExitsNonZero) {
    MacroFixture s;
    const auto r = RunLumaprism({"--macro", "half", "--report", "report.txt", "p0.png", "missing.png", "corrupt.png",
                                 "p1.png"},
                                s.dir.Path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("missing.png"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("corrupt.png"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(s.out / "p0.gif"));
    EXPECT_TRUE(fs::exists(s.out / "p1.gif"));
    const auto report = test::ReadFileBytes(s.dir / "report.txt");
    const std::string text(report.begin(), report.end());
    EXPECT_NE(text.find("Number of files selected                          : 4\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Number of files processed                         : 2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Old : " + (s.dir / "missing.png").string()), std::string::npos) << text;
}

TEST(MacroCommand, ParallelRunMatchesSerialRun) {
    MacroFixture s;
    const std::vector<std::string> files{"p0.png", "p1.png", "missing.png", "p2.png", "p3.png"};
    std::vector<std::string> serial{"--macro", "half", "--report", "serial.txt"};
    serial.insert(serial.end(), files.begin(), files.end());
    const auto a = RunLumaprism(serial, s.dir.Path());
    std::vector<std::vector<std::uint8_t>> first;
    for (int i = 0; i < 4; ++i) first.push_back(test::ReadFileBytes(s.out / ("p" + std::to_string(i) + ".gif")));
    std::vector<std::string> parallel{"--macro", "half", "--jobs", "2", "--report", "parallel.txt"};
    parallel.insert(parallel.end(), files.begin(), files.end());
    const auto b = RunLumaprism(parallel, s.dir.Path());
    EXPECT_EQ(a.exitCode, 1);
    EXPECT_EQ(b.exitCode, 1);
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(test::ReadFileBytes(s.dir / "serial.txt"), test::ReadFileBytes(s.dir / "parallel.txt"));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(test::ReadFileBytes(s.out / ("p" + std::to_string(i) + ".gif")), first[std::size_t(i)]) << i;
}

TEST(MacroCommand, ASecondInputWithTheSameOutputNameFailsWhateverTheJobs) {
    for (const char* jobs : {"1", "2"}) {
        SCOPED_TRACE(jobs);
        MacroFixture s;
        // noise.png and noise.bmp both become noise.gif: the one named first keeps it.
        SavePng(test::PatternPicture(40, 30), s.dir / "noise.png");
        SavePictureByExtension(test::PatternPicture(60, 40), s.dir / "noise.bmp");
        const auto r =
            RunLumaprism({"--macro", "half", "--jobs", jobs, "noise.png", "p1.png", "noise.bmp"}, s.dir.Path());
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("ERROR: noise.bmp Not written: " + (s.out / "noise.gif").string() +
                             " would overwrite the output of noise.png\n"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(LoadGif(s.out / "noise.gif").frames[0].picture.Width(), 20);
        EXPECT_TRUE(fs::exists(s.out / "p1.gif"));
        EXPECT_EQ(r.out.find("noise.bmp ->"), std::string::npos) << r.out;
    }
}

TEST(MacroCommand, AMacroWhoseFolderNamesADriveLoadsAndFailsOnlyWhereTheFolderIsUsed) {
    struct Case {
        std::int32_t outputFormat;
        int exitCode;
    };
    for (const Case c : {Case{kOutputSame, 0}, Case{kOutputGif, 1}}) {
        SCOPED_TRACE(c.outputFormat);
        MacroFixture s;
        BatchMacro m("drive");
        m.resizeMode = kResizeRelative;
        m.widthPercent = m.heightPercent = 50;
        m.outputFormat = c.outputFormat;
        m.outputDir = "D:\\pictures\\web";
        SaveBatchMacroFile(m, DataFolders::FromEnvironment().Folder(DataFolder::Template) / "drive.TPL");
        const auto r = RunLumaprism({"--macro", "drive", "p0.png"}, s.dir.Path());
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        if (c.outputFormat == kOutputSame) {
            // Written beside the source, the folder never used.
            EXPECT_EQ(LoadPicture(s.dir / "p0.png", PictureFileType::Png).Width(), 20);
        } else {
            EXPECT_NE(r.err.find("ERROR: p0.png Output directory \"D:\\pictures\\web\" names a drive"),
                      std::string::npos)
                << r.err;
            EXPECT_EQ(LoadPicture(s.dir / "p0.png", PictureFileType::Png).Width(), 40);
        }
    }
}

TEST(MacroCommand, UsageAndMacroErrors) {
    MacroFixture s;
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string err;
    };
    const Case cases[] = {
        {{"--macro"}, 2, "no macro given"},
        {{"--macro", "half"}, 2, "no files given"},
        {{"--macro", "half", "--jobs", "0", "p0.png"}, 2, "--jobs"},
        {{"--macro", "half", "--jobs", "x", "p0.png"}, 2, "--jobs"},
        {{"--macro", "half", "--bogus", "p0.png"}, 2, "unknown option '--bogus'"},
        {{"--macro", "nothere", "p0.png"}, 1, "nothere.TPL Error opening file"},
        {{"--macro", "./corrupt.png", "p0.png"}, 1, "corrupt.png Not a Lumaprism Batch macro file"},
    };
    for (const auto& c : cases) {
        const auto r = RunLumaprism(c.args, s.dir.Path());
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.back() << "\n" << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    EXPECT_TRUE(fs::is_empty(s.out)) << "nothing written";
    const auto help = RunLumaprism({"--macro", "--help"}, s.dir.Path());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: lumaprism --macro NAME")) << help.out;
    const auto mainHelp = RunLumaprism({"--help"}, s.dir.Path());
    EXPECT_NE(mainHelp.out.find("--macro NAME"), std::string::npos);
}

}  // namespace
}  // namespace lp
