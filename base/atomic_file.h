#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace lp {

/// Writes a file so that a failure never destroys the old one: the bytes go to
/// a temporary file in the target's folder, which is renamed over the target
/// only by Commit(). Destroying an uncommitted writer removes the temporary.
class AtomicFileWriter {
public:
    /// Throws InnerError(openMessage) when the temporary cannot be created.
    AtomicFileWriter(std::filesystem::path target, std::string openMessage, std::string writeMessage);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    /// Throws InnerError(writeMessage) on a short write.
    void Write(std::span<const std::uint8_t> bytes);
    /// Flushes, closes and renames over the target. Throws InnerError(writeMessage).
    void Commit();

    const std::filesystem::path& TempPath() const { return m_tempPath; }

private:
    std::filesystem::path m_target;
    std::filesystem::path m_tempPath;
    std::string m_writeMessage;
    int m_fd = -1;
    bool m_committed = false;
};

/// Convenience: the whole content in one call, atomically.
void WriteFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                         const std::string& openMessage, const std::string& writeMessage);

}  // namespace lp
