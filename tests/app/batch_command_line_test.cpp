#include "app/batch_command_line.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "test_support.h"

namespace lp {

// Readable failure output for jobs.
void PrintTo(const BatchJob& j, std::ostream* os) {
    *os << "{in='" << j.input << "' out='" << j.output << "' w=" << j.width << " h=" << j.height << " q=" << j.quality
        << " n=" << j.colours << " b=" << std::hex << j.background << " t=" << j.transparent << std::dec
        << " s=" << j.smart << " r=" << j.proportional << " gt=" << j.gifTransparency << " gc=" << j.gifCutOut
        << " given=0x" << std::hex << j.given << std::dec << "}";
}

namespace {

constexpr std::uint16_t kIO = kGivenInput | kGivenOutput;

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::vector<std::string> LoggedLines(const ErrorLog& log) {
    std::vector<std::string> lines;
    for (const auto& line : log.Lines()) {
        EXPECT_TRUE(line.ends_with('\n')) << line;
        lines.push_back(line.substr(0, line.size() - 1));
    }
    return lines;
}

// "$D" in arguments, response-file text, expected names and log lines stands for
// a scratch folder holding "existing.bmp" and, when given, the response file "r.txt".
struct ParseCase {
    std::string name;
    std::vector<std::string> args;
    std::vector<BatchJob> jobs;
    std::vector<std::string> log = {};
    std::string responseFile = {};
    std::string fileToOpen = {};
    bool ready = true;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }

class ParseTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, QueuesJobsAndLogs) {
    const ParseCase& c = GetParam();
    test::ScratchDir scratch;
    const std::string dir = scratch.Path().string();
    { std::ofstream(scratch / "existing.bmp") << "BM"; }
    if (!c.responseFile.empty())
        std::ofstream(scratch / "r.txt", std::ios::binary) << ReplaceAll(c.responseFile, "$D", dir);

    std::vector<std::string> args;
    for (const auto& a : c.args) args.push_back(ReplaceAll(a, "$D", dir));
    std::vector<BatchJob> expectedJobs = c.jobs;
    for (auto& j : expectedJobs) {
        j.input = ReplaceAll(j.input, "$D", dir);
        j.output = ReplaceAll(j.output, "$D", dir);
    }
    std::vector<std::string> expectedLog;
    for (const auto& l : c.log) expectedLog.push_back(ReplaceAll(l, "$D", dir));

    CBatchCommandLineInfo info;
    ParseCommandLine(info, args);

    EXPECT_EQ(info.Jobs(), expectedJobs);
    EXPECT_EQ(LoggedLines(info.Log()), expectedLog);
    EXPECT_EQ(info.Log().HasErrors(), !expectedLog.empty());
    EXPECT_EQ(info.FileToOpen(), ReplaceAll(c.fileToOpen, "$D", dir));
    EXPECT_EQ(info.Command() == CCommandLineInfo::ShellCommand::FileOpen, !c.fileToOpen.empty());
    EXPECT_EQ(info.Ready(), c.ready);
}

const ParseCase kFlagCases[] = {
    {"SingleJobNeedsNoMarkers",
     {"-ia.bmp", "-ob.bmp", "-w100"},
     {{.input = "a.bmp", .output = "b.bmp", .width = 100, .given = kIO | kGivenWidth}}},
    {"FlagLettersAnyCase",
     {"-Ia.bmp", "-OB.BMP", "-H50", "-Q20"},
     {{.input = "a.bmp", .output = "B.BMP", .height = 50, .quality = 20, .given = kIO | kGivenHeight | kGivenQuality}}},
    {"EveryFlag",
     {"-ia", "-ob", "-w1", "-h2", "-q3", "-n4", "-b(1,2,3)", "-t(4,5,6)", "-sy", "-rh", "-gt7", "-gc8"},
     {{.input = "a",
       .output = "b",
       .width = 1,
       .height = 2,
       .quality = 3,
       .colours = 4,
       .background = MakeColour(1, 2, 3),
       .transparent = MakeColour(4, 5, 6),
       .smart = 1,
       .proportional = kProportionalByHeight,
       .gifTransparency = 7,
       .gifCutOut = 8,
       .given = 0x0FFF}}},
    {"TolerancesSecondLetterAnyCase",
     {"-ia", "-GT5", "-gC6", "-q1"},
     {{.input = "a",
       .quality = 1,
       .gifTransparency = 5,
       .gifCutOut = 6,
       .given = kGivenInput | kGivenGifTransparency | kGivenGifCutOut | kGivenQuality}}},
    {"QualityAloneQueues",
     {"-ia", "-ob", "-q50"},
     {{.input = "a", .output = "b", .quality = 50, .given = kIO | kGivenQuality}}},
    {"ColoursAloneNeverQueue", {"-ia", "-ob", "-n16"}, {}},
    {"TolerancesAloneNeverQueue", {"-ia", "-ob", "-gt5", "-gc5"}, {}},
    {"NoInputNoJob", {"-ob", "-w5"}, {}},
    {"NumbersReadAsAtoi",
     {"-ia", "-w12abc", "-h 7", "-q+4"},
     {{.input = "a",
       .width = 12,
       .height = 7,
       .quality = 4,
       .given = kGivenInput | kGivenWidth | kGivenHeight | kGivenQuality}}},
    {"NumbersSaturate",
     {"-ia", "-w99999999999", "-h-99999999999"},
     {{.input = "a", .width = INT_MAX, .height = INT_MIN, .given = kGivenInput | kGivenWidth | kGivenHeight}}},
    {"MissingNumberReadsZero", {"-ia", "-w"}, {{.input = "a", .width = 0, .given = kGivenInput | kGivenWidth}}},
    {"MinusOneCountsAsNotGiven", {"-ia", "-w-1"}, {}},
    {"ColourSyntax",
     {"-ia", "-b(255,128,0)", "-t[9;8,7]", "-w1"},
     {{.input = "a",
       .width = 1,
       .background = MakeColour(255, 128, 0),
       .transparent = MakeColour(9, 7, 0),
       .given = kGivenInput | kGivenBackground | kGivenTransparent | kGivenWidth}}},
    {"ColourMissingPartsReadZero",
     {"-ia", "-b(,,9)", "-t", "-w1"},
     {{.input = "a",
       .width = 1,
       .background = MakeColour(0, 0, 9),
       .transparent = 0,
       .given = kGivenInput | kGivenBackground | kGivenTransparent | kGivenWidth}}},
    {"ColourPartsHeldToByteRange",
     {"-ia", "-b(300,-5,99999999999)", "-w1"},
     {{.input = "a",
       .width = 1,
       .background = MakeColour(255, 0, 255),
       .given = kGivenInput | kGivenBackground | kGivenWidth}}},
    {"SmartAndProportionalValues",
     {"-ia", "-sY", "-rW", "-w1", ",", "-ib", "-syes", "-rH", "-w1", ",", "-ic", "-sn", "-rx", "-w1", ",", "-id", "-s",
      "-r", "-w1"},
     {{.input = "a",
       .width = 1,
       .smart = 1,
       .proportional = 1,
       .given = kGivenInput | kGivenSmart | kGivenProportional | kGivenWidth},
      {.input = "b",
       .width = 1,
       .smart = 1,
       .proportional = 2,
       .given = kGivenInput | kGivenSmart | kGivenProportional | kGivenWidth},
      {.input = "c",
       .width = 1,
       .smart = 0,
       .proportional = 0,
       .given = kGivenInput | kGivenSmart | kGivenProportional | kGivenWidth},
      {.input = "d",
       .width = 1,
       .smart = 0,
       .proportional = 0,
       .given = kGivenInput | kGivenSmart | kGivenProportional | kGivenWidth}}},
    {"UnknownFlagLoggedJobStillRuns",
     {"-x", "-ia", "-ob", "-w5"},
     {{.input = "a", .output = "b", .width = 5, .given = kIO | kGivenWidth}},
     {"ERROR: x Not a defined flag"}},
    {"UnknownFlagLoggedWhole",
     {"-zoom=3", "-"},
     {},
     {"ERROR: zoom=3 Not a defined flag", "ERROR:  Not a defined flag"}},
    {"UnknownGFlagLoggedAfterTheG", {"-gx5", "-g"}, {}, {"ERROR: x5 Not a defined flag", "ERROR:  Not a defined flag"}},
    {"SlashStartsAPathNotAFlag",
     {"/w100", "-i/tmp/in.bmp", "-o/tmp/out.bmp", "-w3"},
     {{.input = "/tmp/in.bmp", .output = "/tmp/out.bmp", .width = 3, .given = kIO | kGivenWidth}},
     {"ERROR: /w100 Not a defined parameter"},
     {},
     "/w100"},
};

const ParseCase kKeywordCases[] = {
    {"Keywords",
     {"INPUT=a.bmp", "OUTPUT=b.bmp", "WIDTH=50"},
     {{.input = "a.bmp", .output = "b.bmp", .width = 50, .given = kIO | kGivenWidth}}},
    {"KeywordNamesAnyCase",
     {"input=a", "Output=b", "hEiGhT=7"},
     {{.input = "a", .output = "b", .height = 7, .given = kIO | kGivenHeight}}},
    {"EveryKeyword",
     {"INPUT=a", "OUTPUT=b", "HEIGHT=2", "QUALITY=3", "COLORS=4", "BACKGROUND=(1,2,3)", "TRANSPARENT=(4,5,6)",
      "SMART=y", "PROPORTIONAL=w", "GTRANSPARENT=7", "GCUTOUT=8", "WIDTH=1"},
     {{.input = "a",
       .output = "b",
       .width = 1,
       .height = 2,
       .quality = 3,
       .colours = 4,
       .background = MakeColour(1, 2, 3),
       .transparent = MakeColour(4, 5, 6),
       .smart = 1,
       .proportional = kProportionalByWidth,
       .gifTransparency = 7,
       .gifCutOut = 8,
       .given = 0x0FFF}}},
    {"ValueIsAfterTheFirstEquals",
     {"INPUT=x=y.bmp", "OUTPUT==b", "WIDTH=5"},
     {{.input = "x=y.bmp", .output = "=b", .width = 5, .given = kIO | kGivenWidth}}},
    {"OutputPathContainingInput",
     {"INPUT=a.bmp", "OUTPUT=/tmp/INPUT/b.bmp", "WIDTH=5"},
     {{.input = "a.bmp", .output = "/tmp/INPUT/b.bmp", .width = 5, .given = kIO | kGivenWidth}}},
    {"GTransparentIsTheTolerance",
     {"-ia", "GTRANSPARENT=12", "-w5"},
     {{.input = "a", .width = 5, .gifTransparency = 12, .given = kGivenInput | kGivenGifTransparency | kGivenWidth}}},
    {"KeywordAsLastTokenIsNotLast",
     {"INPUT=a", "WIDTH=5"},
     // The rewritten flag is not the last token, but the keyword token itself is.
     {{.input = "a", .width = 5, .given = kGivenInput | kGivenWidth}}},
    {"UnknownKeywordLogged",
     {"SIZE=5", "WIDTH", "=5"},
     {},
     {"ERROR: SIZE=5 Not a defined parameter", "ERROR: WIDTH Not a defined parameter",
      "ERROR: =5 Not a defined parameter"},
     {},
     "SIZE=5"},
};

const ParseCase kGroupCases[] = {
    {"TwoGroups",
     {"{", "-ia", "-ob", "-w1", "}", "{", "-ic", "-od", "-h2", "}"},
     {{.input = "a", .output = "b", .width = 1, .given = kIO | kGivenWidth},
      {.input = "c", .output = "d", .height = 2, .given = kIO | kGivenHeight}}},
    {"TwoKeywordGroups",
     {"{", "INPUT=a", "OUTPUT=b", "WIDTH=1", "}", "{", "INPUT=c", "OUTPUT=d", "HEIGHT=2", "}"},
     {{.input = "a", .output = "b", .width = 1, .given = kIO | kGivenWidth},
      {.input = "c", .output = "d", .height = 2, .given = kIO | kGivenHeight}}},
    {"Comma",
     {"-ia", "-ob", "-w1", ",", "-ic", "-od", "-h2"},
     {{.input = "a", .output = "b", .width = 1, .given = kIO | kGivenWidth},
      {.input = "c", .output = "d", .height = 2, .given = kIO | kGivenHeight}}},
    {"WidthInsideGroupWaitsForClose",
     {"{", "-w1", "-ia", "-ob", "}"},
     {{.input = "a", .output = "b", .width = 1, .given = kIO | kGivenWidth}}},
    {"LastTokenMakesReady",
     {"{", "-ia", "-ob", "-w1"},
     {{.input = "a", .output = "b", .width = 1, .given = kIO | kGivenWidth}}},
    {"UnclosedGroupNotLastNotQueued", {"{", "-ia", "-ob", "-w1", "{"}, {}, {}, {}, {}, false},
    {"ReadyStaysOnAfterClose",
     {"}", "-ia", "-ob", "-w1", "-ic", "-od", "-w2"},
     {{.input = "a", .output = "b", .width = 1, .given = kIO | kGivenWidth},
      {.input = "c", .output = "d", .width = 2, .given = kIO | kGivenWidth}}},
    // Once ready, a job is queued as soon as it passes the check: here before its output.
    {"ReadyJobQueuedBeforeItsOutput",
     {"-ia", "-ob", "-w1", ",", "-w2", "-ic", "-od", "{"},
     {{.input = "a", .output = "b", .width = 1, .given = kIO | kGivenWidth},
      {.input = "c", .width = 2, .given = kGivenInput | kGivenWidth}},
     {},
     {},
     {},
     false},
};

const ParseCase kOpenRequestCases[] = {
    {"ExistingFileIsOpenRequest", {"$D/existing.bmp"}, {}, {}, {}, "$D/existing.bmp"},
    {"ExistingFileBesideJob",
     {"$D/existing.bmp", "-ia", "-ob", "-w1"},
     {{.input = "a", .output = "b", .width = 1, .given = kIO | kGivenWidth}},
     {},
     {},
     "$D/existing.bmp"},
    {"MissingFileLogged",
     {"$D/missing.bmp"},
     {},
     {"ERROR: $D/missing.bmp Not a defined parameter"},
     {},
     "$D/missing.bmp"},
    {"FolderLogged", {"$D"}, {}, {"ERROR: $D Not a defined parameter"}, {}, "$D"},
};

const ParseCase kResponseFileCases[] = {
    {"ResponseFileAlone",
     {"@$D/r.txt"},
     {{.input = "a.bmp", .output = "b.bmp", .width = 5, .given = kIO | kGivenWidth}},
     {},
     "INPUT=a.bmp OUTPUT=b.bmp WIDTH=5\n"},
    {"ResponseFileGroupsOnLines",
     {"@$D/r.txt"},
     {{.input = "a", .output = "b", .width = 1, .given = kIO | kGivenWidth},
      {.input = "c", .output = "d", .height = 2, .given = kIO | kGivenHeight}},
     {},
     "{ INPUT=a OUTPUT=b WIDTH=1 }\n{ INPUT=c OUTPUT=d HEIGHT=2 }\n"},
    {"ResponseFileGroupsOnOneLine",
     {"@$D/r.txt"},
     {{.input = "a", .output = "b", .width = 1, .given = kIO | kGivenWidth},
      {.input = "c", .output = "d", .height = 2, .given = kIO | kGivenHeight}},
     {},
     "  {   INPUT=a OUTPUT=b WIDTH=1 } { INPUT=c OUTPUT=d HEIGHT=2 }  "},
    {"ResponseFileQuotesAndCrLf",
     {"@$D/r.txt"},
     {{.input = "my photo.bmp", .output = "out dir/b.bmp", .width = 7, .given = kIO | kGivenWidth}},
     {},
     "INPUT=\"my photo.bmp\" \"OUTPUT=out dir/b.bmp\"\r\nWIDTH=7\r\n"},
    {"ResponseFileRefusesFlagsAndCommas",
     {"@$D/r.txt"},
     {},
     {"ERROR: ia.bmp Not a defined parameter", "ERROR: w5 Not a defined parameter", "ERROR: , Not a defined parameter",
      "ERROR: @x Not a defined parameter", "ERROR: /tmp/nowhere Not a defined parameter",
      "ERROR: $D/existing.bmp Not a defined parameter"},
     "-ia.bmp -w5 , @x /tmp/nowhere -$D/existing.bmp\n",
     "ia.bmp"},
    {"ResponseFileLeadingMinusKeyword",
     {"@$D/r.txt"},
     {{.input = "a", .output = "b", .width = 5, .given = kIO | kGivenWidth}},
     {},
     "-INPUT=a OUTPUT=b -WIDTH=5\n"},
    {"ResponseFileExistingFileIsOpenRequest", {"@$D/r.txt"}, {}, {}, "$D/existing.bmp\n", "$D/existing.bmp"},
    {"ResponseFileStopsLastTokenRule", {"@$D/r.txt", "-w100"}, {}, {}, "INPUT=a OUTPUT=b\n", {}, false},
    {"ResponseFileThenGroupClose",
     {"@$D/r.txt", "-w100", "}"},
     {{.input = "a", .output = "b", .width = 100, .given = kIO | kGivenWidth}},
     {},
     "INPUT=a OUTPUT=b\n"},
    {"ResponseFileMissing",
     {"@$D/none.txt", "@", "@$D"},
     {},
     {"ERROR: $D/none.txt could not be opened", "ERROR:  could not be opened", "ERROR: $D could not be opened"},
     {},
     {},
     false},
};

std::string CaseName(const ::testing::TestParamInfo<ParseCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Flags, ParseTable, ::testing::ValuesIn(kFlagCases), CaseName);
INSTANTIATE_TEST_SUITE_P(Keywords, ParseTable, ::testing::ValuesIn(kKeywordCases), CaseName);
INSTANTIATE_TEST_SUITE_P(Groups, ParseTable, ::testing::ValuesIn(kGroupCases), CaseName);
INSTANTIATE_TEST_SUITE_P(OpenRequests, ParseTable, ::testing::ValuesIn(kOpenRequestCases), CaseName);
INSTANTIATE_TEST_SUITE_P(ResponseFiles, ParseTable, ::testing::ValuesIn(kResponseFileCases), CaseName);

// ---------------------------------------------------------------------------

struct SplitCase {
    std::string line;
    std::vector<ResponseToken> tokens;
};

TEST(PrintRequest, TheFrameworksPrintFlagsAreTakenAndNotLogged) {
    using Cmd = CCommandLineInfo::ShellCommand;
    test::ScratchDir scratch;
    const std::string file = (scratch / "existing.bmp").string();
    { std::ofstream(file) << "BM"; }
    struct Case {
        std::vector<std::string> args;
        Cmd command;
        std::string printer;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {{"-p", file}, Cmd::FilePrint, "", {}},
        {{"-P", file}, Cmd::FilePrint, "", {}},
        {{"-pt", file, "Office Laser"}, Cmd::FilePrintTo, "Office Laser", {}},
        {{"-PT", file, "/tmp/out.pdf"}, Cmd::FilePrintTo, "/tmp/out.pdf", {}},
        // A file to print that does not exist is still an error of its own.
        {{"-p", "missing.bmp"}, Cmd::FilePrint, "", {"ERROR: missing.bmp Not a defined parameter"}},
        // Only one printer name: what follows it is not the framework's.
        {{"-pt", file, "a", "b"}, Cmd::FilePrintTo, "a", {"ERROR: b Not a defined parameter"}},
        // Other p-flags stay undefined.
        {{"-px", file}, Cmd::FileOpen, "", {"ERROR: px Not a defined flag"}},
    };
    for (const Case& c : cases) {
        CBatchCommandLineInfo info;
        ParseCommandLine(info, c.args);
        EXPECT_EQ(info.Command(), c.command) << c.args[0];
        EXPECT_EQ(info.FileToOpen(), c.args[1]) << c.args[0];
        EXPECT_EQ(info.PrinterName(), c.printer) << c.args[0];
        EXPECT_EQ(info.IsPrintRequest(), c.command != Cmd::FileOpen) << c.args[0];
        EXPECT_EQ(LoggedLines(info.Log()), c.log) << c.args[0];
        EXPECT_TRUE(info.Jobs().empty());
    }
}

TEST(PrintRequest, BatchJobsBesideAPrintRequestStillQueue) {
    test::ScratchDir scratch;
    const std::string file = (scratch / "existing.bmp").string();
    { std::ofstream(file) << "BM"; }
    CBatchCommandLineInfo info;
    ParseCommandLine(info, std::vector<std::string>{"-ia.bmp", "-ob.bmp", "-w10", ",", "-p", file});
    ASSERT_EQ(info.Jobs().size(), 1u);
    EXPECT_EQ(info.Command(), CCommandLineInfo::ShellCommand::FilePrint);
    EXPECT_FALSE(info.Log().HasErrors());
}

TEST(SplitResponseLine, SpacesQuotesAndFlags) {
    const SplitCase cases[] = {
        {"", {}},
        {"   ", {}},
        {"  a  b ", {{"a"}, {"b"}}},
        {"INPUT=\"my photo.bmp\" x", {{"INPUT=my photo.bmp"}, {"x"}}},
        {"ab\"c d\"ef", {{"abc def"}}},
        {"\"a b", {{"a b"}}},
        {"\"\" \"\"", {}},
        {"-ia -Ob", {{"ia", true}, {"Ob", true}}},
        {"\"-ia b\"", {{"ia b", true}}},
        {"/tmp/a", {{"/tmp/a"}}},
        {"a\tb", {{"a\tb"}}},
        {"{ }", {{"{"}, {"}"}}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitResponseLine(c.line), c.tokens) << "line: " << c.line;
}

TEST(ParseDecimal, ReadsLikeAtoiAndSaturates) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"", 0},
        {"abc", 0},
        {"42", 42},
        {"  -17x", -17},
        {"+8", 8},
        {"\t\n 3", 3},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"99999999999999999999999", INT_MAX},
        {"- 5", 0},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(ParseDecimal(text), value) << "text: '" << text << "'";
}

TEST(ErrorLog, HoldsLinesUntilOpenedThenWritesThrough) {
    test::ScratchDir scratch;
    const auto path = scratch / "Error.log";
    ErrorLog log;
    EXPECT_FALSE(log.HasErrors());
    log.Write("x", "Not a defined flag");
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_TRUE(log.Open(path));
    log.Write("a b.bmp", "Unknown file format");
    const auto bytes = test::ReadFileBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "ERROR: x Not a defined flag\nERROR: a b.bmp Unknown file format\n");
    EXPECT_TRUE(log.HasErrors());
}

TEST(ErrorLog, EveryFailureIsOneLineInTheFileAndOnTheEcho) {
    struct Case {
        const char* what;
        const char* message;
        const char* line;
    };
    const Case cases[] = {
        // The file name a codec puts on its own line is the one the log names already.
        {"out/x.jpg", "Error Opening File\nout/x.jpg", "ERROR: out/x.jpg Error Opening File\n"},
        {"a.png", "Error Opening File\r\na.png", "ERROR: a.png Error Opening File\n"},
        // Another file named on a second line stays, on the same line.
        {"a.png", "Error Opening File\nb.png", "ERROR: a.png Error Opening File b.png\n"},
        {"a.tif", "first\n\nsecond\n", "ERROR: a.tif first second\n"},
        // A message that is only the name is kept (nothing else would be left).
        {"a.bmp", "a.bmp", "ERROR: a.bmp a.bmp\n"},
        // Linux file names may hold a line break.
        {"odd\nname.bmp", "Unknown file format", "ERROR: odd\\nname.bmp Unknown file format\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        test::ScratchDir scratch;
        const auto echoPath = scratch / "echo.txt";
        std::FILE* echo = std::fopen(echoPath.c_str(), "w");
        ASSERT_NE(echo, nullptr);
        {
            ErrorLog log(echo);
            ASSERT_TRUE(log.Open(scratch / "Error.log"));
            log.Write(c.what, c.message);
            ASSERT_EQ(log.Lines().size(), 1u);
            EXPECT_EQ(log.Lines()[0], c.line);
        }
        std::fclose(echo);
        const auto logged = test::ReadFileBytes(scratch / "Error.log");
        EXPECT_EQ(std::string(logged.begin(), logged.end()), c.line);
        const auto echoed = test::ReadFileBytes(echoPath);
        EXPECT_EQ(std::string(echoed.begin(), echoed.end()), c.line);
    }
}

TEST(ErrorLog, OpenEmptiesAnOldLogAndFailsOnAFolder) {
    test::ScratchDir scratch;
    const auto path = scratch / "Error.log";
    test::WriteFileBytes(path, {'o', 'l', 'd'});
    {
        ErrorLog log;
        ASSERT_TRUE(log.Open(path));
    }
    EXPECT_TRUE(test::ReadFileBytes(path).empty());
    ErrorLog log;
    EXPECT_FALSE(log.Open(scratch.Path()));
}

}  // namespace
}  // namespace lp
