#include "base/atomic_file.h"

#include "base/imp_exp_exception.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace lp {

AtomicFileWriter::AtomicFileWriter(std::filesystem::path target, std::string openMessage, std::string writeMessage)
    : m_target(std::move(target)), m_writeMessage(std::move(writeMessage)) {
    std::filesystem::path folder = m_target.parent_path();
    if (folder.empty()) folder = ".";
    std::string pattern = (folder / ("." + m_target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    m_fd = ::mkstemp(name.data());
    if (m_fd < 0) throw InnerError(openMessage);
    m_tempPath = name.data();
    // mkstemp creates 0600; give the file the mode a plain create would have,
    // or keep the mode of the file being replaced.
    struct stat old {};
    if (::stat(m_target.c_str(), &old) == 0) {
        ::fchmod(m_fd, old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(m_fd, 0666 & ~mask);
    }
}

AtomicFileWriter::~AtomicFileWriter() {
    if (m_fd >= 0) ::close(m_fd);
    if (!m_committed && !m_tempPath.empty()) ::unlink(m_tempPath.c_str());
}

void AtomicFileWriter::Write(std::span<const std::uint8_t> bytes) {
    const std::uint8_t* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw InnerError(m_writeMessage);
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

void AtomicFileWriter::Commit() {
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) throw InnerError(m_writeMessage);
    if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0) throw InnerError(m_writeMessage);
    m_committed = true;
}

void WriteFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                         const std::string& openMessage, const std::string& writeMessage) {
    AtomicFileWriter writer(target, openMessage, writeMessage);
    writer.Write(bytes);
    writer.Commit();
}

}  // namespace lp
