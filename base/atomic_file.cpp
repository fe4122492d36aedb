#include "base/atomic_file.h"

#include "base/imp_exp_exception.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace lp {

namespace {

namespace fs = std::filesystem;

constexpr int kMaxLinks = 40;  // as the kernel's own limit for one lookup
// Writes smaller than this are gathered: a row-by-row encoder then costs a
// system call per quarter megabyte, not per row.
constexpr std::size_t kGatherBytes = 256 * 1024;

/// The umask without changing it: setting it to read it back would race with
/// files other threads create meanwhile.
mode_t CurrentUmask() {
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        long mask = -1;
        while (std::fgets(line, sizeof line, status))
            if (std::strncmp(line, "Umask:", 6) == 0) {
                mask = std::strtol(line + 6, nullptr, 8);
                break;
            }
        std::fclose(status);
        if (mask >= 0) return static_cast<mode_t>(mask) & 0777;
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

/// The permission bits a save gives its result: those of the file it
/// replaces, else what a plain create would give.
mode_t ModeForDestination(const fs::path& destination) {
    struct stat old {};
    if (::stat(destination.c_str(), &old) == 0 && S_ISREG(old.st_mode)) return old.st_mode & 07777;
    return 0666 & ~CurrentUmask();
}

fs::path FolderOf(const fs::path& file) {
    fs::path folder = file.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

/// Makes the rename itself durable. Best effort: some file systems cannot
/// sync a folder, and the new file is in place by now either way.
void SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

/// A hidden name beside the destination for the moment before the rename.
fs::path HiddenName(const fs::path& folder, const fs::path& destination, std::mt19937_64& random) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string name = "." + destination.filename().string() + ".";
    for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    return folder / name;
}

/// Gives the unnamed file a name: through /proc (any user), else through the
/// descriptor itself (needs privileges). False with errno set on failure.
bool LinkUnnamed(int fd, const fs::path& name) {
    char proc[64];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, proc, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno == EEXIST) return false;
    return ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0;
}

[[noreturn]] void ThrowKeepingErrno(const std::string& message, int error) {
    errno = error;  // callers may report the system's text for it
    throw FileWriteError(message);
}

}  // namespace

fs::path SaveDestination(const fs::path& target) {
    fs::path current = target;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(current, ec))) return current;
        const fs::path link = fs::read_symlink(current, ec);
        if (ec) return current;
        current = link.is_absolute() ? link : current.parent_path() / link;
    }
    return current;
}

AtomicFileWriter::AtomicFileWriter(fs::path target, std::string openMessage, std::string writeMessage,
                                   AtomicTempFile temp)
    : m_destination(SaveDestination(target)), m_writeMessage(std::move(writeMessage)) {
    std::error_code ec;
    // A loop of links: renaming over the last one would replace a link, not a file.
    if (fs::is_symlink(fs::symlink_status(m_destination, ec))) ThrowKeepingErrno(openMessage, ELOOP);
    m_folder = FolderOf(m_destination);
    const mode_t mode = ModeForDestination(m_destination);

    if (temp == AtomicTempFile::Unnamed) {
        // Nothing to clean up if the process dies before Commit.
        m_fd = ::open(m_folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        m_unnamed = m_fd >= 0;
    }
    if (m_fd < 0) {
        std::string pattern = (m_folder / ("." + m_destination.filename().string() + ".XXXXXX")).string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        m_fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (m_fd < 0) ThrowKeepingErrno(openMessage, errno);
        m_tempPath = name.data();
    }
    // mkstemp creates 0600 and O_TMPFILE follows the umask: both get the mode
    // of the file being replaced, or of a plain create.
    ::fchmod(m_fd, mode);
}

AtomicFileWriter::~AtomicFileWriter() {
    if (m_fd >= 0) ::close(m_fd);
    if (!m_committed && !m_tempPath.empty()) ::unlink(m_tempPath.c_str());
}

void AtomicFileWriter::Write(std::span<const std::uint8_t> bytes) {
    Count(bytes.size());
    if (m_pending.size() + bytes.size() <= kGatherBytes) {
        if (m_pending.capacity() < kGatherBytes) m_pending.reserve(kGatherBytes);
        m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
        return;
    }
    Flush();
    if (bytes.size() >= kGatherBytes)
        WriteThrough(bytes.data(), bytes.size());
    else
        m_pending.assign(bytes.begin(), bytes.end());
}

void AtomicFileWriter::Flush() {
    WriteThrough(m_pending.data(), m_pending.size());
    m_pending.clear();
}

void AtomicFileWriter::WriteThrough(const std::uint8_t* p, std::size_t left) {
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ThrowKeepingErrno(m_writeMessage, n < 0 ? errno : ENOSPC);
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

void AtomicFileWriter::Commit() {
    Flush();
    const int fd = m_fd;
    m_fd = -1;
    // The bytes reach the disk before the name does: a power loss cannot
    // leave a renamed but empty file.
    if (::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        ThrowKeepingErrno(m_writeMessage, error);
    }
    if (m_unnamed && LinkUnnamed(fd, m_destination)) {
        // A new file: the link is the whole commit, and it fails rather than
        // replace a file someone made meanwhile.
        if (::close(fd) != 0) ThrowKeepingErrno(m_writeMessage, errno);
        m_committed = true;
        SyncFolder(m_folder);
        return;
    }
    if (m_unnamed) {
        // rename() cannot take a descriptor and linkat() will not replace a
        // file: link the data in under a hidden name, then rename that.
        std::random_device seed;
        std::mt19937_64 random((std::uint64_t(seed()) << 32) ^ seed());
        bool linked = false;
        for (int attempt = 0; attempt < 100 && !linked; ++attempt) {
            const fs::path name = HiddenName(m_folder, m_destination, random);
            if (LinkUnnamed(fd, name)) {
                m_tempPath = name;
                linked = true;
            } else if (errno != EEXIST) {
                break;
            }
        }
        if (!linked) {
            const int error = errno;
            ::close(fd);
            ThrowKeepingErrno(m_writeMessage, error);
        }
    }
    if (::close(fd) != 0) ThrowKeepingErrno(m_writeMessage, errno);
    if (::rename(m_tempPath.c_str(), m_destination.c_str()) != 0) ThrowKeepingErrno(m_writeMessage, errno);
    m_committed = true;
    SyncFolder(m_folder);
}

void WriteFileAtomically(const fs::path& target, std::span<const std::uint8_t> bytes, const std::string& openMessage,
                         const std::string& writeMessage) {
    AtomicFileWriter writer(target, openMessage, writeMessage);
    writer.Write(bytes);
    writer.Commit();
}

}  // namespace lp
