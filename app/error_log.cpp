#include "app/error_log.h"

namespace lp {

namespace {

/// A file name as one line: a line break in it (legal on Linux) is shown as "\n".
std::string NameOnOneLine(std::string_view name) {
    std::string out;
    for (const char c : name) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

/// Codec messages may put the file name on a line of its own ("Error Opening
/// File\n<path>"). The log line names the file already, so such a line is
/// dropped; the other lines are joined with blanks.
std::string MessageOnOneLine(std::string_view what, std::string_view message) {
    std::string out;
    std::size_t start = 0;
    while (start <= message.size()) {
        std::size_t end = message.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = message.size();
        const std::string_view piece = message.substr(start, end - start);
        if (!piece.empty() && !(piece == what && start > 0)) {
            if (!out.empty()) out += ' ';
            out.append(piece);
        }
        start = end + 1;
    }
    return out;
}

}  // namespace

ErrorLog::ErrorLog(std::FILE* echo) : m_echo(echo) {}

ErrorLog::~ErrorLog() = default;

void ErrorLog::Write(std::string_view what, std::string_view message) {
    // One line per failure, in the file and on the echo alike.
    std::string line = "ERROR: ";
    line += NameOnOneLine(what);
    line += ' ';
    line += MessageOnOneLine(what, message);
    line += '\n';
    if (m_echo) {
        std::fwrite(line.data(), 1, line.size(), m_echo);
        std::fflush(m_echo);
    }
    if (m_file) {
        // Flushed line by line so the log is complete even if a later job crashes the process.
        std::fwrite(line.data(), 1, line.size(), m_file.get());
        std::fflush(m_file.get());
    }
    m_lines.push_back(std::move(line));
}

bool ErrorLog::Open(const std::filesystem::path& path) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "w"));
    if (!file) return false;
    for (const auto& line : m_lines)
        if (std::fwrite(line.data(), 1, line.size(), file.get()) != line.size()) return false;
    if (std::fflush(file.get()) != 0) return false;
    m_file = std::move(file);
    return true;
}

}  // namespace lp
