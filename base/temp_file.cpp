#include "base/temp_file.h"

#include <stdexcept>
#include <stdlib.h>
#include <unistd.h>
#include <vector>

namespace lp {

UniqueTempFile::UniqueTempFile(const std::string& extension, std::filesystem::path folder) {
    if (folder.empty()) folder = std::filesystem::temp_directory_path();
    const std::string pattern = (folder / "lp12_XXXXXX").string() + extension;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemps(name.data(), static_cast<int>(extension.size()));
    if (fd < 0) throw std::runtime_error("Cannot create a temporary file in " + folder.string());
    ::close(fd);
    m_path = name.data();
}

UniqueTempFile::~UniqueTempFile() {
    std::error_code ec;
    std::filesystem::remove(m_path, ec);
}

}  // namespace lp
