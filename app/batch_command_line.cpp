#include "app/batch_command_line.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <limits>

namespace lp {

namespace {

constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

struct Keyword {
    std::string_view name;
    std::string_view flag;
};

constexpr std::array kKeywords{
    Keyword{"WIDTH", "w"},      Keyword{"HEIGHT", "h"},       Keyword{"QUALITY", "q"},       Keyword{"COLORS", "n"},
    Keyword{"BACKGROUND", "b"}, Keyword{"TRANSPARENT", "t"},  Keyword{"INPUT", "i"},         Keyword{"OUTPUT", "o"},
    Keyword{"SMART", "s"},      Keyword{"PROPORTIONAL", "r"}, Keyword{"GTRANSPARENT", "gt"}, Keyword{"GCUTOUT", "gc"},
};

/// "(R,G,B)": the first character is skipped whatever it is, then R up to the
/// first comma, G up to the next, B up to ")". A missing part reads as 0; a
/// part outside 0..255 is held at the nearer end.
ColourRef ParseColour(std::string_view text) {
    if (!text.empty()) text.remove_prefix(1);
    auto next = [&text](char stop) {
        const std::size_t end = text.find(stop);
        const std::string_view part = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        return static_cast<std::uint8_t>(std::clamp<std::int32_t>(ParseDecimal(part), 0, 255));
    };
    const std::uint8_t red = next(',');
    const std::uint8_t green = next(',');
    const std::uint8_t blue = next(')');
    return MakeColour(red, green, blue);
}

bool IsExistingFile(std::string_view name) {
    if (name.empty()) return false;
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(name), ec);
}

}  // namespace

std::int32_t ParseDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Accumulate in 64 bits and stop growing once past the 32-bit range.
    constexpr std::int64_t kLimit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<std::int64_t>(value * 10 + (text[i] - '0'), kLimit);
    if (negative) value = -value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// ---------------------------------------------------------------------------
// The framework's part

void CCommandLineInfo::ParseParam(std::string_view token, bool isFlag, bool isLast) {
    if (isFlag)
        ParseParamFlag(token);
    else
        ParseParamNotFlag(token);
    ParseLast(isLast);
}

bool CCommandLineInfo::IsFrameworkFlag(std::string_view token) {
    return EqualsNoCase(token, "p") || EqualsNoCase(token, "pt");
}

void CCommandLineInfo::ParseParamFlag(std::string_view token) {
    if (EqualsNoCase(token, "pt"))
        m_shellCommand = ShellCommand::FilePrintTo;
    else if (EqualsNoCase(token, "p"))
        m_shellCommand = ShellCommand::FilePrint;
}

void CCommandLineInfo::ParseParamNotFlag(std::string_view token) {
    if (m_fileName.empty())
        m_fileName = token;
    else if (ExpectsPrinterName())
        m_printerName = token;
}

void CCommandLineInfo::ParseLast(bool isLast) {
    if (isLast && m_shellCommand == ShellCommand::FileNew && !m_fileName.empty())
        m_shellCommand = ShellCommand::FileOpen;
}

// ---------------------------------------------------------------------------
// The batch parser

CBatchCommandLineInfo::CBatchCommandLineInfo(std::FILE* echo) : m_log(echo) {}

void CBatchCommandLineInfo::ParseParam(std::string_view token, bool isFlag, bool isLast) {
    // The last token makes a single job ready without any marker, unless a
    // response file took over the grouping.
    if (isLast && !m_responseFileUsed) m_ready = true;
    if (isFlag)
        ParseFlag(token);
    else
        ParseParameter(token);
    QueueIfReady();
    ParseLast(isLast);
}

void CBatchCommandLineInfo::ParseFlag(std::string_view token) {
    if (token.empty()) {
        m_log.Write(token, "Not a defined flag");
        ParseParamFlag(token);
        return;
    }
    const std::string_view rest = token.substr(1);
    switch (AsciiLower(token[0])) {
        case 'i':
            m_job.input = rest;
            m_job.given |= kGivenInput;
            return;
        case 'o':
            m_job.output = rest;
            m_job.given |= kGivenOutput;
            return;
        case 'w':
            m_job.width = ParseDecimal(rest);
            m_job.given |= kGivenWidth;
            return;
        case 'h':
            m_job.height = ParseDecimal(rest);
            m_job.given |= kGivenHeight;
            return;
        case 'q':
            m_job.quality = ParseDecimal(rest);
            m_job.given |= kGivenQuality;
            return;
        case 'n':
            m_job.colours = ParseDecimal(rest);
            m_job.given |= kGivenColours;
            return;
        case 'b':
            m_job.background = ParseColour(rest);
            m_job.given |= kGivenBackground;
            return;
        case 't':
            m_job.transparent = ParseColour(rest);
            m_job.given |= kGivenTransparent;
            return;
        case 's':
            m_job.smart = (!rest.empty() && AsciiLower(rest[0]) == 'y') ? 1 : 0;
            m_job.given |= kGivenSmart;
            return;
        case 'r': {
            const char mode = rest.empty() ? '\0' : AsciiLower(rest[0]);
            m_job.proportional = mode == 'h'   ? kProportionalByHeight
                                 : mode == 'w' ? kProportionalByWidth
                                               : kProportionalFit;
            m_job.given |= kGivenProportional;
            return;
        }
        case 'g': {
            const char which = rest.empty() ? '\0' : AsciiLower(rest[0]);
            if (which == 't') {
                m_job.gifTransparency = ParseDecimal(rest.substr(1));
                m_job.given |= kGivenGifTransparency;
            } else if (which == 'c') {
                m_job.gifCutOut = ParseDecimal(rest.substr(1));
                m_job.given |= kGivenGifCutOut;
            } else {
                m_log.Write(rest, "Not a defined flag");
                ParseParamFlag(rest);
            }
            return;
        }
        default:
            // The framework's own flags (the print requests) are not errors.
            if (!IsFrameworkFlag(token)) m_log.Write(token, "Not a defined flag");
            ParseParamFlag(token);
            return;
    }
}

void CBatchCommandLineInfo::ParseParameter(std::string_view token) {
    if (token == "," || token == "}") {
        m_ready = true;
    } else if (token == "{") {
        m_ready = false;
    } else if (token.starts_with('@')) {
        m_responseFileUsed = true;
        ReadResponseFile(token.substr(1));
    } else if (!ParseKeyword(token)) {
        HandOverParameter(token, false);
    }
}

bool CBatchCommandLineInfo::ParseKeyword(std::string_view token) {
    const std::size_t equals = token.find('=');
    if (equals == std::string_view::npos) return false;
    const std::string_view name = token.substr(0, equals);
    for (const Keyword& keyword : kKeywords) {
        if (!EqualsNoCase(name, keyword.name)) continue;
        std::string flag(keyword.flag);
        flag += token.substr(equals + 1);
        ParseParam(flag, true, false);
        return true;
    }
    return false;
}

void CBatchCommandLineInfo::HandOverParameter(std::string_view token, bool logAlways) {
    // A printer's name after "-pt FILE" is the framework's, like an existing file.
    const bool frameworks = !logAlways && (IsExistingFile(token) || ExpectsPrinterName());
    if (!frameworks) m_log.Write(token, "Not a defined parameter");
    ParseParamNotFlag(token);
}

void CBatchCommandLineInfo::ReadResponseFile(std::string_view name) {
    const std::filesystem::path path(name);
    std::error_code ec;
    std::ifstream in;
    if (!name.empty() && !std::filesystem::is_directory(path, ec)) in.open(path, std::ios::binary);
    if (!in.is_open()) {
        m_log.Write(name, "could not be opened");
        return;
    }
    std::string line;
    while (std::getline(in, line)) {
        // Files written on other systems end their lines in CR LF.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        for (const ResponseToken& token : SplitResponseLine(line)) ParseResponseToken(token.text, token.isFlag);
    }
}

void CBatchCommandLineInfo::ParseResponseToken(std::string_view token, bool isFlag) {
    if (ParseKeyword(token)) {
        // queued (if ready) by the keyword's own ParseParam
    } else if (token == "{") {
        m_ready = false;
    } else if (token == "}") {
        m_ready = true;
    } else {
        // Only keywords and braces belong in a response file; flags are refused.
        HandOverParameter(token, isFlag);
    }
    // Every token counts, so a group closed inside the file is queued before
    // the next group starts overwriting its fields.
    QueueIfReady();
}

void CBatchCommandLineInfo::QueueIfReady() {
    if (!m_ready || m_job.input.empty()) return;
    if (m_job.width == -1 && m_job.height == -1 && m_job.quality == -1) return;
    m_jobs.push_back(std::move(m_job));
    m_job = BatchJob{};
}

// ---------------------------------------------------------------------------

void ParseCommandLine(CCommandLineInfo& info, std::span<const std::string> args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view token = args[i];
        const bool isFlag = token.starts_with('-');
        if (isFlag) token.remove_prefix(1);
        info.ParseParam(token, isFlag, i + 1 == args.size());
    }
}

std::vector<ResponseToken> SplitResponseLine(std::string_view line) {
    std::vector<ResponseToken> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        if (i == line.size()) break;
        std::string text;
        bool quoted = false;
        for (; i < line.size() && (quoted || line[i] != ' '); ++i) {
            if (line[i] == '"')
                quoted = !quoted;
            else
                text += line[i];
        }
        ResponseToken token;
        if (text.starts_with('-')) {
            token.isFlag = true;
            text.erase(0, 1);
        }
        token.text = std::move(text);
        if (!token.text.empty()) tokens.push_back(std::move(token));
    }
    return tokens;
}

}  // namespace lp
