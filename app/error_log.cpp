#include "app/error_log.h"

namespace lp {

ErrorLog::ErrorLog(std::FILE* echo) : m_echo(echo) {}

ErrorLog::~ErrorLog() = default;

void ErrorLog::Write(std::string_view what, std::string_view message) {
    std::string line = "ERROR: ";
    line.append(what);
    line += ' ';
    line.append(message);
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
