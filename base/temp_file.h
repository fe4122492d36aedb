#pragma once
#include <filesystem>
#include <string>

namespace lp {

/// A unique temporary file (mkstemp-style) with the given extension in the
/// system's temporary folder, removed when the object goes away. Replaces the
/// fixed "12##1~~" names, which race between windows, threads and processes.
class UniqueTempFile {
public:
    /// extension with its dot, for example ".GIF". Throws std::runtime_error.
    explicit UniqueTempFile(const std::string& extension, std::filesystem::path folder = {});
    ~UniqueTempFile();
    UniqueTempFile(const UniqueTempFile&) = delete;
    UniqueTempFile& operator=(const UniqueTempFile&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}  // namespace lp
