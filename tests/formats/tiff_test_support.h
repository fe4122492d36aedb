#pragma once
// Helpers of the TIFF and EPS tests: a builder of small TIFF files with any
// tags (hostile ones included), PPM reading, and running the oracles.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/picture.h"

namespace lp::test::tiff {

/// One directory entry. Values are written by type (BYTE/ASCII/UNDEFINED 1
/// byte, SHORT 2, LONG 4, RATIONAL as pairs of LONG); those that do not fit in
/// 4 bytes go out of line. count overrides the number written in the entry.
struct TiffEntry {
    int tag = 0;
    int type = 3;
    std::vector<std::uint32_t> values;
    std::int64_t count = -1;
    std::int64_t rawValueField = -1;  // >= 0: written as the value field as it stands
};

struct TiffLayout {
    bool bigEndian = false;
    int version = 42;
    std::vector<std::uint8_t> pixels;  // stored at offset 8
    // Store the pixels after everything else instead, so that data cut short
    // really meets the end of the file; single inline StripOffsets values are
    // moved with them (8 becomes the new position).
    bool pixelsAtEnd = false;
    std::vector<std::vector<TiffEntry>> directories;
    bool loopBack = false;  // the last directory points back at the first
};

inline std::vector<std::uint8_t> BuildTiff(const TiffLayout& layout) {
    std::vector<std::uint8_t> out;
    const auto put = [&](std::uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            const int shift = layout.bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
            out.push_back(static_cast<std::uint8_t>(v >> shift));
        }
    };
    const auto patch32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            const int shift = layout.bigEndian ? 8 * (3 - i) : 8 * i;
            out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> shift);
        }
    };
    const auto typeSize = [](int type) { return type == 3 ? 2 : type == 4 ? 4 : type == 5 ? 8 : 1; };
    out.push_back(layout.bigEndian ? 'M' : 'I');
    out.push_back(layout.bigEndian ? 'M' : 'I');
    put(static_cast<std::uint64_t>(layout.version), 2);
    put(0, 4);
    if (!layout.pixelsAtEnd) out.insert(out.end(), layout.pixels.begin(), layout.pixels.end());
    std::vector<std::pair<std::size_t, int>> stripOffsetFields;  // position, bytes
    std::size_t pending = 4;
    std::uint32_t first = 0;
    for (const auto& dir : layout.directories) {
        std::vector<std::uint32_t> offsets(dir.size(), 0);
        for (std::size_t i = 0; i < dir.size(); ++i) {
            const TiffEntry& e = dir[i];
            const std::size_t bytes = e.values.size() * static_cast<std::size_t>(typeSize(e.type));
            if (bytes <= 4 || e.rawValueField >= 0) continue;
            if (out.size() & 1) out.push_back(0);
            offsets[i] = static_cast<std::uint32_t>(out.size());
            for (std::uint32_t v : e.values) {
                if (e.type == 5)
                    put(v, 4);
                else
                    put(v, typeSize(e.type));
            }
        }
        if (out.size() & 1) out.push_back(0);
        const auto at = static_cast<std::uint32_t>(out.size());
        if (first == 0) first = at;
        patch32(pending, at);
        put(dir.size(), 2);
        for (std::size_t i = 0; i < dir.size(); ++i) {
            const TiffEntry& e = dir[i];
            put(static_cast<std::uint64_t>(e.tag), 2);
            put(static_cast<std::uint64_t>(e.type), 2);
            put(static_cast<std::uint64_t>(e.count >= 0 ? e.count : static_cast<std::int64_t>(e.values.size())), 4);
            const std::size_t bytes = e.values.size() * static_cast<std::size_t>(typeSize(e.type));
            if (e.rawValueField >= 0) {
                put(static_cast<std::uint64_t>(e.rawValueField), 4);
            } else if (bytes > 4) {
                put(offsets[i], 4);
            } else {
                if (e.tag == 273 && e.values.size() == 1) stripOffsetFields.push_back({out.size(), typeSize(e.type)});
                std::size_t written = 0;
                for (std::uint32_t v : e.values) {
                    put(v, typeSize(e.type));
                    written += static_cast<std::size_t>(typeSize(e.type));
                }
                for (; written < 4; ++written) out.push_back(0);
            }
        }
        pending = out.size();
        put(0, 4);
    }
    if (layout.loopBack && first != 0) patch32(pending, first);
    if (layout.pixelsAtEnd) {
        const std::size_t base = out.size();
        out.insert(out.end(), layout.pixels.begin(), layout.pixels.end());
        for (auto [at, bytes] : stripOffsetFields) {
            std::uint64_t v = 0;
            for (int i = 0; i < bytes; ++i) {
                const int shift = layout.bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
                v |= std::uint64_t(out[at + std::size_t(i)]) << shift;
            }
            v = v + base - 8;
            for (int i = 0; i < bytes; ++i) {
                const int shift = layout.bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
                out[at + std::size_t(i)] = static_cast<std::uint8_t>(v >> shift);
            }
        }
    }
    return out;
}

/// The entries of a simple one-strip image whose pixels sit at offset 8.
inline std::vector<TiffEntry> SimpleImage(std::uint32_t width, std::uint32_t height, std::uint32_t bits,
                                          std::uint32_t samples, std::uint32_t photometric, std::uint32_t pixelBytes,
                                          std::uint32_t compression = 1) {
    return {
        {256, 4, {width}},       {257, 4, {height}},      {258, 3, std::vector<std::uint32_t>(samples, bits)},
        {259, 3, {compression}}, {262, 3, {photometric}}, {273, 4, {8}},
        {277, 3, {samples}},     {278, 4, {height}},      {279, 4, {pixelBytes}},
    };
}

/// Replaces (or adds, keeping the tags in order) an entry.
inline void SetEntry(std::vector<TiffEntry>& dir, TiffEntry entry) {
    for (auto& e : dir)
        if (e.tag == entry.tag) {
            e = std::move(entry);
            return;
        }
    auto it = dir.begin();
    while (it != dir.end() && it->tag < entry.tag) ++it;
    dir.insert(it, std::move(entry));
}

inline void RemoveEntry(std::vector<TiffEntry>& dir, int tag) {
    std::erase_if(dir, [&](const TiffEntry& e) { return e.tag == tag; });
}

/// A picture from a binary PPM (P6, maxval 255); empty when unreadable.
inline Picture ReadPpmBytes(const std::vector<std::uint8_t>& bytes) {
    Picture p;
    std::size_t pos = 0;
    int fields[3] = {0, 0, 0};
    if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != '6') return p;
    pos = 2;
    for (int& f : fields) {
        while (pos < bytes.size()) {
            if (bytes[pos] == '#') {
                while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
            } else if (std::isspace(bytes[pos])) {
                ++pos;
            } else {
                break;
            }
        }
        while (pos < bytes.size() && std::isdigit(bytes[pos])) f = f * 10 + (bytes[pos++] - '0');
    }
    ++pos;  // one white-space byte after maxval
    const int w = fields[0], h = fields[1];
    if (w <= 0 || h <= 0 || fields[2] != 255 || bytes.size() < pos + std::size_t(w) * h * 3) return p;
    p.Create(w, h);
    for (int y = 0; y < h; ++y) {
        auto row = p.RowFromTop(y);
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* s = bytes.data() + pos + (std::size_t(y) * w + x) * 3;
            row[x * 3] = s[2];
            row[x * 3 + 1] = s[1];
            row[x * 3 + 2] = s[0];
        }
    }
    return p;
}

/// The largest difference of any colour component; -1 when the sizes differ.
inline int MaxDifference(const Picture& a, const Picture& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
    int worst = 0;
    for (int y = 0; y < a.Height(); ++y) {
        const auto ra = a.Row(y), rb = b.Row(y);
        for (int i = 0; i < a.Width() * 3; ++i) worst = std::max(worst, std::abs(int(ra[i]) - int(rb[i])));
    }
    return worst;
}

/// True when a program can be found on PATH.
inline bool HaveTool(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

/// Runs a shell command; its standard output as bytes, and its exit status.
struct ToolRun {
    int status = -1;
    std::vector<std::uint8_t> out;
};
inline ToolRun RunTool(const std::string& command) {
    ToolRun r;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return r;
    std::uint8_t buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.insert(r.out.end(), buffer, buffer + n);
    r.status = ::pclose(pipe);
    return r;
}

inline std::string Quote(const std::filesystem::path& p) {
    std::string out = "'";
    for (char c : p.string()) out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

inline Picture ReadPpm(const std::filesystem::path& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return ReadPpmBytes(bytes);
}

/// What ImageMagick decodes a file to (first image), as a picture; empty on failure.
inline Picture DecodeWithImageMagick(const std::filesystem::path& path) {
    const ToolRun r = RunTool("convert " + Quote(path.string() + "[0]") + " -depth 8 ppm:- 2>/dev/null");
    if (r.status != 0) return {};
    return ReadPpmBytes(r.out);
}

}  // namespace lp::test::tiff
