#include "formats/file_types.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "formats/format_table.h"

namespace lp {

std::string UpperExtension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return ext;
}

PictureFileType SniffBytes(std::span<const std::uint8_t> head, std::string_view fileName) {
    // The first 10 bytes, as a zeroed buffer of that size would hold them.
    head = head.first(std::min<std::size_t>(head.size(), 10));
    PictureFileType type = PictureFileType::Unknown;
    int rank = 0;
    for (const FormatRow& row : FormatRows()) {
        if (row.probe && row.probeRank > rank && row.probe(head)) {
            type = row.type;
            rank = row.probeRank;
        }
    }
    const std::string ext = std::filesystem::path(std::string(fileName)).extension().string();
    for (const FormatRow& row : FormatRows())
        if (row.byExtension && row.HasExtension(ext)) return row.type;
    return type;
}

PictureFileType SniffFileType(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return PictureFileType::Unknown;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return PictureFileType::Unknown;
    std::uint8_t head[10] = {};
    const ssize_t n = ::read(fd, head, sizeof head);
    ::close(fd);
    return SniffBytes(std::span(head, n > 0 ? std::size_t(n) : 0), path.filename().string());
}

const char* FileTypeName(PictureFileType type) {
    if (const FormatRow* row = FindFormat(type)) return row->name.data();
    return "Unknown";
}

}  // namespace lp
