#pragma once
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lp {

/// The command line's error log: one line "ERROR: <what> <message>" per failure,
/// written to "Error.log" in the current folder and echoed to an optional stream
/// (standard error for the real program).
///
/// Lines written before Open() are held in memory: whether the file is created
/// at all is decided once the whole command line has been read, so a plain
/// start leaves no "Error.log" behind in whatever folder it ran from.
class ErrorLog {
public:
    /// echo: where each line is also printed at once; null prints nothing.
    explicit ErrorLog(std::FILE* echo = nullptr);
    ~ErrorLog();
    ErrorLog(const ErrorLog&) = delete;
    ErrorLog& operator=(const ErrorLog&) = delete;

    static constexpr const char* kFileName = "Error.log";

    /// Appends "ERROR: %s %s\n" with what and message, always as one line: line
    /// breaks inside message become blanks (a line that only repeats what is
    /// dropped), and a line break inside what is shown as "\n".
    void Write(std::string_view what, std::string_view message);

    /// Creates (empties) the file, writes the lines held so far and keeps it
    /// open for later lines. False when the file cannot be created or written.
    bool Open(const std::filesystem::path& path = kFileName);
    bool IsOpen() const { return m_file != nullptr; }

    /// Set whenever a line has been written.
    bool HasErrors() const { return !m_lines.empty(); }
    /// Every line so far, each ending in "\n".
    const std::vector<std::string>& Lines() const { return m_lines; }

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::FILE* m_echo;
    std::unique_ptr<std::FILE, FileCloser> m_file;
    std::vector<std::string> m_lines;
};

}  // namespace lp
