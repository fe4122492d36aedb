#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "base/byte_sink.h"
#include "base/imp_exp_exception.h"

namespace lp {

/// A save's temporary file could not be created, written or put in place. errno
/// holds the reason when it is thrown, for writers that report the system's text.
class FileWriteError : public InnerError {
public:
    using InnerError::InnerError;
};

/// How the temporary file of a save is made.
enum class AtomicTempFile {
    /// Unnamed (O_TMPFILE) where the file system allows it, so a killed
    /// process leaves nothing behind; a hidden named file elsewhere.
    Unnamed,
    /// Always the hidden named file (what file systems without O_TMPFILE get).
    Named,
};

/// Writes a file so that a failure never destroys the old one: the bytes go to
/// a temporary file in the folder of the file being replaced (a symbolic link
/// is followed to the file it names), which is synced and renamed over it only
/// by Commit(); the folder is synced after the rename. The result keeps the
/// permission bits of the file it replaces; a new file gets 0666 minus the
/// umask. Destroying an uncommitted writer removes the temporary. Small writes
/// are gathered into larger ones, so encoders may hand over a row at a time.
class AtomicFileWriter final : public ByteSink {
public:
    /// Throws FileWriteError(openMessage) when the temporary cannot be created.
    AtomicFileWriter(std::filesystem::path target, std::string openMessage, std::string writeMessage,
                     AtomicTempFile temp = AtomicTempFile::Unnamed);
    ~AtomicFileWriter() override;
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    /// Throws FileWriteError(writeMessage) on a short write.
    void Write(std::span<const std::uint8_t> bytes) override;
    /// Syncs, closes and renames over the target. Throws FileWriteError(writeMessage).
    void Commit();

    /// The file that Commit() replaces: the target with its links followed.
    const std::filesystem::path& Destination() const { return m_destination; }
    /// The named temporary file; empty while the temporary is unnamed.
    const std::filesystem::path& TempPath() const { return m_tempPath; }
    /// True when the temporary has no name (until Commit links it in).
    bool IsUnnamed() const { return m_unnamed; }

private:
    void Flush();
    void WriteThrough(const std::uint8_t* data, std::size_t size);

    std::filesystem::path m_destination;
    std::filesystem::path m_folder;
    std::filesystem::path m_tempPath;
    std::string m_writeMessage;
    std::vector<std::uint8_t> m_pending;
    int m_fd = -1;
    bool m_unnamed = false;
    bool m_committed = false;
};

/// Convenience: the whole content in one call, atomically.
void WriteFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                         const std::string& openMessage, const std::string& writeMessage);

/// The file a save to target writes: symbolic links followed (a dangling link
/// names the file to create). Not found links resolve as far as they go.
std::filesystem::path SaveDestination(const std::filesystem::path& target);

}  // namespace lp
