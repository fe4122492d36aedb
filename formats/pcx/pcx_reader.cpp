#include "formats/pcx/pcx_reader.h"

#include "formats/io/bounded_reader.h"
#include "formats/pcx/pcx_format.h"
#include "base/imp_exp_exception.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

namespace lp {

using namespace pcx;

const char* PcxErrorText(int code) {
    static constexpr std::array<const char*, 9> kTexts = {
        "Error Opening File",
        "Error Reading Header Information",
        "Bad Parameters in Header",
        "Unknown/Unidentified PCX File Format",
        "Error Decoding Image Data",
        "Not Enough Memory to Complete the process",
        "Bad Color Map Entry Size in file",
        "Premature EOF encountered\nPart of Image Loaded",
        "Error Writing File",
    };
    return code >= 0 && code < int(kTexts.size()) ? kTexts[std::size_t(code)] : "Unknown Error";
}

namespace {

[[noreturn]] void Fail(int code) { throw InnerError(PcxErrorText(code)); }

struct PcxHeader {
    std::uint8_t manufacturer = 0;
    std::uint8_t version = 0;
    std::uint8_t encoding = 0;
    std::uint8_t bitsPerPixel = 0;  // per plane
    std::uint16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    std::uint8_t planes = 0;
    std::uint16_t bytesPerLine = 0;  // per plane
};

/// Holds the header, the 256-colour palette and the decoded-line buffer while
/// a file is read; what it hands out is a plain Picture.
class PcxReader {
public:
    PcxReader(std::span<const std::uint8_t> file, const ImageLimits& limits)
        : m_file(file), m_in(file, PcxErrorText(kPrematureEof)), m_limits(limits) {}

    Picture Read(ProgressSink* progress) {
        ReadHeader();
        CheckDataCanFill();

        Picture picture;
        try {
            picture.Create(std::int32_t(m_width), std::int32_t(m_height));
            m_line.assign(m_lineBytes, 0);
        } catch (const ImpExpException&) {
            Fail(kNoMemory);
        } catch (const std::bad_alloc&) {
            Fail(kNoMemory);
        }

        ProgressScope scope(progress, 0, 100, "Loading PCX File");
        const auto data = m_in.Rest();
        for (std::int64_t y = 0; y < m_height; ++y) {
            DecodeLine(data);
            ConvertLine(picture.RowFromTop(int(y)));
            scope.Step(long((y + 1) * 100 / m_height));
        }
        return picture;
    }

private:
    void ReadHeader() {
        if (m_in.Size() < kHeaderBytes) Fail(kErrorReadingHeader);
        const auto h = m_in.Bytes(kHeaderBytes);
        auto u16 = [&](std::size_t at) { return std::uint16_t(h[at] | (h[at + 1] << 8)); };
        m_header.manufacturer = h[0];
        m_header.version = h[kOffVersion];
        m_header.encoding = h[kOffEncoding];
        m_header.bitsPerPixel = h[kOffBitsPerPixel];
        m_header.xMin = u16(kOffXMin);
        m_header.yMin = u16(kOffYMin);
        m_header.xMax = u16(kOffXMax);
        m_header.yMax = u16(kOffYMax);
        m_header.planes = h[kOffPlanes];
        m_header.bytesPerLine = u16(kOffBytesPerLine);

        if (m_header.manufacturer != kManufacturer) Fail(kUnknownFormat);

        // The palette sits at the very end of the file, after the pixel data.
        if (m_header.version == kVersionWithPalette && m_file.size() >= kHeaderBytes + kPaletteBytes + 1 &&
            m_file[m_file.size() - kPaletteBytes - 1] == kPaletteMarker) {
            const std::uint8_t* rgb = m_file.data() + m_file.size() - kPaletteBytes;
            for (std::size_t i = 0; i < 256; ++i) {
                m_palette[i * 3] = rgb[i * 3 + 2];
                m_palette[i * 3 + 1] = rgb[i * 3 + 1];
                m_palette[i * 3 + 2] = rgb[i * 3];
            }
        }

        if ((m_header.planes == 1 || m_header.planes == 3) && m_header.bitsPerPixel != 8) Fail(kUnknownFormat);

        m_width = std::int64_t(m_header.xMax) - m_header.xMin + 1;
        m_height = std::int64_t(m_header.yMax) - m_header.yMin + 1;
        if (m_width <= 0 || m_height <= 0) Fail(kBadParameters);
        // A plane line shorter than the picture is wide would make the
        // conversion read past the decoded line.
        const std::uint64_t neededPerPlane = (std::uint64_t(m_width) * m_header.bitsPerPixel + 7) / 8;
        if (m_header.bytesPerLine < neededPerPlane) Fail(kBadParameters);

        // Only the layouts we can convert: one plane of 8-bit indexes, three
        // planes of 8-bit red, green and blue.
        if (m_header.bitsPerPixel != 8 || (m_header.planes != 1 && m_header.planes != 3)) Fail(kUnknownFormat);
        m_lineBytes = std::size_t(m_header.planes) * m_header.bytesPerLine;
    }

    // Two data bytes yield at most 63 decoded bytes, so a file too short to
    // fill the picture would end in the pixel data anyway; saying so before
    // allocating keeps tiny files from making huge pictures.
    void CheckDataCanFill() const {
        CheckImageSize(m_width, m_height, m_limits);
        const std::uint64_t needed = std::uint64_t(m_lineBytes) * std::uint64_t(m_height);
        const std::uint64_t most = (m_in.Remaining() + 1) / 2 * kMaxRun;
        if (needed > most) Fail(kPrematureEof);
    }

    // Fills m_line; a run that does not fit goes on into the next line.
    void DecodeLine(std::span<const std::uint8_t> data) {
        std::size_t filled = 0;
        std::uint8_t* line = m_line.data();
        while (filled < m_lineBytes) {
            if (m_runLeft > 0) {
                const std::size_t n = std::min<std::size_t>(m_runLeft, m_lineBytes - filled);
                std::memset(line + filled, m_runByte, n);
                filled += n;
                m_runLeft -= n;
                continue;
            }
            if (m_pos >= data.size()) Fail(kPrematureEof);
            const std::uint8_t b = data[m_pos++];
            if ((b & kRunMask) == kRunMask) {
                if (m_pos >= data.size()) Fail(kPrematureEof);
                m_runByte = data[m_pos++];
                m_runLeft = b & ~kRunMask;
            } else {
                line[filled++] = b;
            }
        }
    }

    void ConvertLine(std::span<std::uint8_t> target) const {
        const std::size_t width = std::size_t(m_width);
        const std::size_t bpl = m_header.bytesPerLine;
        const std::uint8_t* line = m_line.data();
        std::uint8_t* out = target.data();
        if (m_header.planes == 3) {
            const std::uint8_t* red = line;
            const std::uint8_t* green = line + bpl;
            const std::uint8_t* blue = line + 2 * bpl;
            for (std::size_t x = 0; x < width; ++x, out += 3) {
                out[0] = blue[x];
                out[1] = green[x];
                out[2] = red[x];
            }
        } else {
            for (std::size_t x = 0; x < width; ++x, out += 3) std::memcpy(out, &m_palette[line[x] * 3u], 3);
        }
    }

    std::span<const std::uint8_t> m_file;
    BoundedReader m_in;
    ImageLimits m_limits;
    PcxHeader m_header;
    std::int64_t m_width = 0;
    std::int64_t m_height = 0;
    std::size_t m_lineBytes = 0;
    // 256-colour palette as blue, green, red; black when the file has none.
    std::array<std::uint8_t, 256 * 3> m_palette{};
    std::vector<std::uint8_t> m_line;
    std::size_t m_pos = 0;  // in the pixel data after the header
    std::size_t m_runLeft = 0;
    std::uint8_t m_runByte = 0;
};

}  // namespace

Picture DecodePcx(std::span<const std::uint8_t> file, const std::string& where, ProgressSink* progress,
                  const ImageLimits& limits) {
    return WithImpExpErrors(where, kPcxErrorTitle, PcxErrorText(kNoMemory), [&] {
        PcxReader reader(file, limits);
        return reader.Read(progress);
    });
}

Picture LoadPcx(const std::filesystem::path& path, ProgressSink* progress, const ImageLimits& limits) {
    const std::vector<std::uint8_t> file = WithImpExpErrors(
        path.string(), kPcxErrorTitle, PcxErrorText(kNoMemory), [&] { return ReadWholeFile(path, PcxErrorText(kErrorOpening)); });
    return DecodePcx(file, path.string(), progress, limits);
}

Picture LoadPcx(const std::filesystem::path& path, ProgressSink* progress) {
    return LoadPcx(path, progress, ImageLimits{});
}

}  // namespace lp
