#pragma once
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/error_log.h"
#include "base/colour.h"

namespace lp {

/// Bits of BatchJob::given: which flags were seen for the job.
enum BatchGivenFlag : std::uint16_t {
    kGivenInput = 0x0001,
    kGivenOutput = 0x0002,
    kGivenWidth = 0x0004,
    kGivenHeight = 0x0008,
    kGivenQuality = 0x0010,
    kGivenColours = 0x0020,
    kGivenBackground = 0x0040,
    kGivenTransparent = 0x0080,
    kGivenProportional = 0x0100,
    kGivenSmart = 0x0200,
    kGivenGifTransparency = 0x0400,
    kGivenGifCutOut = 0x0800,
};

/// Proportional modes of a job with both width and height.
enum BatchProportional : int { kProportionalFit = 0, kProportionalByWidth = 1, kProportionalByHeight = 2 };

/// One command-line job: an input picture, an output file and what to do.
/// -1 in a number field means "not given".
struct BatchJob {
    std::string input = {};
    std::string output = {};
    std::int32_t width = -1;
    std::int32_t height = -1;
    std::int32_t quality = -1;  // JPEG inputs only
    std::int32_t colours = -1;  // GIF inputs only
    ColourRef background = 0;
    ColourRef transparent = 0xFFFFFF;  // carried, used by no job type
    int smart = 0;                     // 1: area-averaging resampler
    int proportional = kProportionalFit;
    std::int32_t gifTransparency = -1;  // tolerance; -1 = off
    std::int32_t gifCutOut = -1;        // tolerance; -1 = off
    std::uint16_t given = 0;            // BatchGivenFlag bits

    friend bool operator==(const BatchJob&, const BatchJob&) = default;
};

/// The framework's share of the command line: the first plain parameter is
/// the file to open, and the end of the line turns that into an open request.
/// Its own flags are the print requests: "-p FILE" prints FILE on the default
/// printer, "-pt FILE PRINTER" on the named printer; both then end the program.
class CCommandLineInfo {
public:
    enum class ShellCommand { FileNew, FileOpen, FilePrint, FilePrintTo };

    virtual ~CCommandLineInfo() = default;

    /// Called once per token, in order. A flag arrives without its leading "-".
    virtual void ParseParam(std::string_view token, bool isFlag, bool isLast);

    ShellCommand Command() const { return m_shellCommand; }
    /// The file to open or to print.
    const std::string& FileToOpen() const { return m_fileName; }
    /// The printer a "-pt" request names (empty for the default printer).
    const std::string& PrinterName() const { return m_printerName; }
    bool IsPrintRequest() const {
        return m_shellCommand == ShellCommand::FilePrint || m_shellCommand == ShellCommand::FilePrintTo;
    }

    /// Whether a flag (without its "-") is one of the framework's own ("p", "pt", any case).
    static bool IsFrameworkFlag(std::string_view token);

protected:
    virtual void ParseParamFlag(std::string_view token);
    virtual void ParseParamNotFlag(std::string_view token);
    void ParseLast(bool isLast);
    /// Whether the next plain parameter will be taken as the printer's name.
    bool ExpectsPrinterName() const {
        return m_shellCommand == ShellCommand::FilePrintTo && !m_fileName.empty() && m_printerName.empty();
    }

private:
    ShellCommand m_shellCommand = ShellCommand::FileNew;
    std::string m_fileName;
    std::string m_printerName;
};

/// The batch mode's parser. Flags and NAME=VALUE keywords fill the job under
/// construction; "{", "}" and "," switch the ready flag; "@file" reads a
/// response file. After every token a complete, ready job is queued.
/// Problems go to the error log as "ERROR: <token> <message>".
class CBatchCommandLineInfo : public CCommandLineInfo {
public:
    /// echo: where log lines are also printed (standard error in the program).
    explicit CBatchCommandLineInfo(std::FILE* echo = nullptr);

    void ParseParam(std::string_view token, bool isFlag, bool isLast) override;

    const std::vector<BatchJob>& Jobs() const { return m_jobs; }
    ErrorLog& Log() { return m_log; }
    const ErrorLog& Log() const { return m_log; }

    /// The job under construction and the two state flags, for tests.
    const BatchJob& PendingJob() const { return m_job; }
    bool Ready() const { return m_ready; }
    bool ResponseFileUsed() const { return m_responseFileUsed; }

private:
    void ParseFlag(std::string_view token);
    void ParseParameter(std::string_view token);
    /// NAME=VALUE with a known NAME: parsed as its flag. False for other tokens.
    bool ParseKeyword(std::string_view token);
    void ReadResponseFile(std::string_view name);
    void ParseResponseToken(std::string_view token, bool isFlag);
    /// Unknown plain parameter: the framework's open request when it names an
    /// existing file, otherwise logged first.
    void HandOverParameter(std::string_view token, bool logAlways);
    void QueueIfReady();

    ErrorLog m_log;
    std::vector<BatchJob> m_jobs;
    BatchJob m_job;
    bool m_ready = false;
    bool m_responseFileUsed = false;
};

/// Hands program arguments (without the program name) to the parser the way the
/// framework does: a leading "-" marks a flag and is removed, and the last
/// argument is marked. "/" starts a path, never a flag.
void ParseCommandLine(CCommandLineInfo& info, std::span<const std::string> args);

/// One token of a response-file line.
struct ResponseToken {
    std::string text;
    bool isFlag = false;

    friend bool operator==(const ResponseToken&, const ResponseToken&) = default;
};

/// Splits a response-file line at spaces (only the space character); a double
/// quote toggles quoting and is dropped; a leading "-" marks a flag and is removed.
std::vector<ResponseToken> SplitResponseLine(std::string_view line);

/// Decimal text read as atoi reads it (leading blanks, sign, digits up to the
/// first other character; nothing gives 0), saturating at the 32-bit limits.
std::int32_t ParseDecimal(std::string_view text);

}  // namespace lp
