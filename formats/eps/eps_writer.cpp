#include "formats/eps/eps_writer.h"

#include <cstdio>
#include <limits>
#include <new>

#include "base/atomic_file.h"
#include "formats/tiff/tiff_writer.h"
#include "base/imp_exp_exception.h"

namespace lp {

namespace {

constexpr const char* kTitle = "EPS Error";
constexpr const char* kOpenError = "Unable to open file for writing";
constexpr const char* kWriteError = "Error writing to file";
// Line breaks come after the pixel that takes a line past this many characters.
constexpr int kLineLimit = 77;

void AppendInt(std::string& out, long long v) {
    char buffer[32];
    const int n = std::snprintf(buffer, sizeof buffer, "%lld", v);
    out.append(buffer, static_cast<std::size_t>(n));
}

void AppendLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

std::string EpsPostScript(const Picture& picture, bool endComment, ProgressSink* progress) {
    const long long w = picture.Width();
    const long long h = picture.Height();
    std::string out;
    out.reserve(static_cast<std::size_t>(w * h * 6 + h * (w / 13 + 2) + 512));
    out += "%!PS-Adobe-3.0 EPSF-3.0\n%%Title: None\n%%Pages: 1\n%%Orientation: PORTRAIT\n%%BoundingBox: 0 0 ";
    AppendInt(out, w);
    out += ' ';
    AppendInt(out, h);
    out += "\n%%EndComments\n%%BeginSetup\n%%EndSetup\n/picstr ";
    AppendInt(out, 3 * w);
    out += " string def\n";
    AppendInt(out, w);
    out += ' ';
    AppendInt(out, h);
    out += " scale\n";
    AppendInt(out, w);
    out += ' ';
    AppendInt(out, h);
    out += " 8\n[";
    AppendInt(out, w);
    out += " 0 0 -";
    AppendInt(out, h);
    out += " 0 ";
    AppendInt(out, h);
    out += "]\n{currentfile picstr readhexstring pop}\nfalse 3\ncolorimage\n";

    static constexpr char kHex[] = "0123456789abcdef";
    for (long long y = 0; y < h; ++y) {
        if (progress) progress->Step(static_cast<long>(y));
        const auto row = picture.RowFromTop(static_cast<int>(y));
        int lineChars = 0;
        for (long long x = 0; x < w; ++x) {
            const std::uint8_t* p = row.data() + 3 * x;
            for (const std::uint8_t v : {p[2], p[1], p[0]}) {  // red, green, blue
                out += kHex[v >> 4];
                out += kHex[v & 15];
            }
            lineChars += 6;
            if (lineChars > kLineLimit) {
                out += '\n';
                lineChars = 0;
            }
        }
        out += '\n';
    }
    if (endComment) out += "%%EOF";
    return out;
}

std::vector<std::uint8_t> EncodeEps(const Picture& picture, bool preview, ProgressSink* progress,
                                    const std::string& where) {
    return WithImpExpErrors(where, kTitle, kWriteError, [&]() -> std::vector<std::uint8_t> {
        if (picture.IsEmpty()) throw InnerError(kWriteError);
        const std::string postScript = EpsPostScript(picture, preview, progress);
        if (!preview) return {postScript.begin(), postScript.end()};
        const std::vector<std::uint8_t> tiff = EncodeTiff(picture, progress, where);
        constexpr std::uint64_t kHeaderBytes = 32;
        if (kHeaderBytes + postScript.size() + tiff.size() > std::numeric_limits<std::uint32_t>::max())
            throw InnerError(kWriteError);
        const auto psLength = static_cast<std::uint32_t>(postScript.size());
        std::vector<std::uint8_t> out;
        out.reserve(kHeaderBytes + postScript.size() + tiff.size());
        for (const std::uint8_t b : {0xC5, 0xD0, 0xD3, 0xC6}) out.push_back(b);
        AppendLe32(out, kHeaderBytes);  // PostScript part
        AppendLe32(out, psLength);
        AppendLe32(out, 0);  // no metafile preview
        AppendLe32(out, 0);
        AppendLe32(out, kHeaderBytes + psLength);  // TIFF preview
        AppendLe32(out, static_cast<std::uint32_t>(tiff.size()));
        AppendLe32(out, 0);
        out.insert(out.end(), postScript.begin(), postScript.end());
        out.insert(out.end(), tiff.begin(), tiff.end());
        return out;
    });
}

void SaveEps(const Picture& picture, const std::filesystem::path& path, bool preview, ProgressSink* progress) {
    const std::string where = path.string();
    const std::vector<std::uint8_t> bytes = EncodeEps(picture, preview, progress, where);
    WithImpExpErrors(where, kTitle, kWriteError, [&] { WriteFileAtomically(path, bytes, kOpenError, kWriteError); });
}

void SaveEpsWithPreview(const Picture& picture, const std::filesystem::path& path, ProgressSink* progress) {
    SaveEps(picture, path, true, progress);
}

}  // namespace lp
