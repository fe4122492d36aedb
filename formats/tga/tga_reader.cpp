#include "formats/tga/tga_reader.h"

#include "formats/io/bounded_reader.h"
#include "formats/tga/tga_format.h"
#include "base/imp_exp_exception.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

namespace lp {

using namespace tga;

const char* TargaErrorText(int code) {
    static constexpr std::array<const char*, 9> kTexts = {
        "Error Opening File",
        "Error Reading Header Information",
        "Bad Parameters in Header",
        "Unknown/Unidentified TGA File Format",
        "Unknown/Unidentified Colormap Entry",
        "Not Enough Memory to Complete the process",
        "Bad Color Map Entry Size in file",
        "Premature EOF encountered\nPart of Image Loaded",
        "Error Writing File",
    };
    return code >= 0 && code < int(kTexts.size()) ? kTexts[std::size_t(code)] : "Unknown Error";
}

namespace {

[[noreturn]] void Fail(int code) { throw InnerError(TargaErrorText(code)); }

struct TargaHeader {
    std::uint8_t idLength = 0;
    std::uint8_t colourMapType = 0;
    std::uint8_t imageType = 0;
    std::uint16_t mapFirst = 0;
    std::uint16_t mapLength = 0;
    std::uint8_t mapEntryBits = 0;
    std::uint16_t xOrigin = 0;
    std::uint16_t yOrigin = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t pixelDepth = 0;
    std::uint8_t descriptor = 0;
};

// 16-bit pixels and colour-map entries: little-endian, red in bits 10-14,
// green 5-9, blue 0-4; bit 15 (attribute) is ignored.
inline void Put555(std::uint8_t lo, std::uint8_t hi, std::uint8_t* bgr) {
    const unsigned word = unsigned(lo) | (unsigned(hi) << 8);
    bgr[0] = kFiveToEight[word & 0x1F];
    bgr[1] = kFiveToEight[(word >> 5) & 0x1F];
    bgr[2] = kFiveToEight[(word >> 10) & 0x1F];
}

/// Holds the header, the colour map and the one-row buffer while a file is
/// read; what it hands out is a plain Picture.
class TargaReader {
public:
    TargaReader(std::span<const std::uint8_t> file, const ImageLimits& limits)
        : m_in(file, TargaErrorText(kPrematureEof)), m_limits(limits) {}

    Picture Read(ProgressSink* progress) {
        ReadHeader();
        ReadIdAndColourMap();
        CheckDataCanFill();

        Picture picture;
        try {
            picture.Create(m_header.width, m_header.height);
            // Any packet ends inside one row's worth of pixels, so 4 bytes per
            // pixel always suffices, whatever the file's depth.
            m_row.assign(std::size_t(m_header.width) * 4, 0);
        } catch (const ImpExpException&) {
            Fail(kNoMemory);
        } catch (const std::bad_alloc&) {
            Fail(kNoMemory);
        }

        const int width = m_header.width;
        const int height = m_header.height;
        const bool topFirst = (m_header.descriptor & kTopToBottom) != 0;
        ProgressScope scope(progress, 0, 100, "Loading Targa File");
        for (int i = 0; i < height; ++i) {
            if (m_rle)
                DecodeRleRow();
            else
                std::memcpy(m_row.data(), m_in.Bytes(std::uint64_t(width) * m_bytesPerPixel).data(),
                            std::size_t(width) * m_bytesPerPixel);
            ConvertRow(topFirst ? picture.RowFromTop(i) : picture.Row(i));
            scope.Step(long(std::int64_t(i) * 100 / height));
        }
        return picture;
    }

private:
    void ReadHeader() {
        if (m_in.Size() < kHeaderBytes) Fail(kErrorReadingHeader);
        m_header.idLength = m_in.U8();
        m_header.colourMapType = m_in.U8();
        m_header.imageType = m_in.U8();
        m_header.mapFirst = m_in.U16LE();
        m_header.mapLength = m_in.U16LE();
        m_header.mapEntryBits = m_in.U8();
        m_header.xOrigin = m_in.U16LE();
        m_header.yOrigin = m_in.U16LE();
        m_header.width = m_in.U16LE();
        m_header.height = m_in.U16LE();
        m_header.pixelDepth = m_in.U8();
        m_header.descriptor = m_in.U8();

        const int depth = m_header.pixelDepth == 15 ? 16 : m_header.pixelDepth;
        m_bytesPerPixel = depth / 8;
        if (m_header.colourMapType > 1 || depth % 8 != 0 || m_bytesPerPixel < 1 || m_bytesPerPixel > 4 ||
            (m_header.descriptor & kInterleaveMask) != 0)
            Fail(kBadParameters);
        // A picture without pixels cannot be shown or saved again.
        if (m_header.width == 0 || m_header.height == 0) Fail(kBadParameters);

        m_rle = m_header.imageType > kRleTypeOffset;
        m_baseType = m_rle ? m_header.imageType - kRleTypeOffset : m_header.imageType;
        switch (m_baseType) {
            case kTypeColourMapped:
                if (m_bytesPerPixel != 1 || m_header.colourMapType != 1) Fail(kBadParameters);
                break;
            case kTypeTrueColour:
                // One byte per pixel holds no true colour.
                if (m_bytesPerPixel < 2) Fail(kBadParameters);
                break;
            default:
                // Greyscale and every type we do not know: refused rather
                // than handed out as a picture without pixels.
                Fail(kUnknownFormat);
        }
    }

    void ReadIdAndColourMap() {
        const unsigned length = m_header.mapLength;
        int entryBytes = 0;
        if (length != 0) {
            if (length > 256 || m_header.mapFirst != 0) Fail(kBadParameters);
            if (m_header.mapEntryBits == 24)
                entryBytes = 3;
            else if (m_header.mapEntryBits == 16 || m_header.mapEntryBits == 15)  // 15: 16 without the attribute bit
                entryBytes = 2;
            else
                Fail(kUnknownColourMapEntry);
        }
        try {
            m_in.Skip(m_header.idLength);
            const auto map = m_in.Bytes(std::uint64_t(length) * entryBytes);
            for (unsigned i = 0; i < length; ++i) {
                std::uint8_t* bgr = &m_map[i * 3];
                if (entryBytes == 3)
                    std::memcpy(bgr, &map[i * 3], 3);
                else
                    Put555(map[i * 2], map[i * 2 + 1], bgr);
            }
        } catch (const TruncatedInput&) {
            Fail(kErrorReadingHeader);
        }
        // Indexes past the map read as black (the rest of m_map stays zero).
    }

    // A file too short to hold the declared pixels would end in the pixel
    // data anyway; saying so before allocating keeps tiny files from making
    // huge pictures.
    void CheckDataCanFill() const {
        CheckImageSize(m_header.width, m_header.height, m_limits);
        const std::uint64_t pixels = std::uint64_t(m_header.width) * m_header.height;
        const std::uint64_t minBytes =
            m_rle ? (pixels + kMaxPacketPixels - 1) / kMaxPacketPixels * (1 + std::uint64_t(m_bytesPerPixel))
                  : pixels * std::uint64_t(m_bytesPerPixel);
        if (m_in.Remaining() < minBytes) Fail(kPrematureEof);
    }

    // Fills m_row with one row of file pixels. Packets may run on into the
    // next row: what is left of a packet is carried in m_packetLeft.
    void DecodeRleRow() {
        const std::size_t bpp = std::size_t(m_bytesPerPixel);
        std::size_t x = 0;
        const std::size_t width = m_header.width;
        while (x < width) {
            if (m_packetLeft == 0) {
                const std::uint8_t head = m_in.U8();
                m_packetLeft = (head & 0x7F) + 1;
                m_repeat = (head & kRunPacket) != 0;
                if (m_repeat) std::memcpy(m_runPixel.data(), m_in.Bytes(bpp).data(), bpp);
            }
            const std::size_t n = std::min<std::size_t>(m_packetLeft, width - x);
            std::uint8_t* out = m_row.data() + x * bpp;
            if (m_repeat) {
                for (std::size_t k = 0; k < n; ++k, out += bpp) std::memcpy(out, m_runPixel.data(), bpp);
            } else {
                std::memcpy(out, m_in.Bytes(n * bpp).data(), n * bpp);
            }
            x += n;
            m_packetLeft -= int(n);
        }
    }

    void ConvertRow(std::span<std::uint8_t> target) const {
        const int width = m_header.width;
        const bool rightToLeft = (m_header.descriptor & kRightToLeft) != 0;
        const std::uint8_t* in = m_row.data();
        for (int x = 0; x < width; ++x, in += m_bytesPerPixel) {
            std::uint8_t* bgr = &target[std::size_t(rightToLeft ? width - 1 - x : x) * 3];
            switch (m_bytesPerPixel) {
                case 1:
                    std::memcpy(bgr, &m_map[std::size_t(in[0]) * 3], 3);
                    break;
                case 2:
                    Put555(in[0], in[1], bgr);
                    break;
                default:  // 24 and 32 bits: blue, green, red (and an ignored fourth byte)
                    bgr[0] = in[0];
                    bgr[1] = in[1];
                    bgr[2] = in[2];
                    break;
            }
        }
    }

    BoundedReader m_in;
    ImageLimits m_limits;
    TargaHeader m_header;
    int m_bytesPerPixel = 0;
    int m_baseType = 0;
    bool m_rle = false;
    // Colour map as blue, green, red; entries the file does not fill stay black.
    std::array<std::uint8_t, 256 * 3> m_map{};
    std::vector<std::uint8_t> m_row;
    int m_packetLeft = 0;
    bool m_repeat = false;
    std::array<std::uint8_t, 4> m_runPixel{};
};

}  // namespace

Picture DecodeTarga(std::span<const std::uint8_t> file, const std::string& where, ProgressSink* progress,
                    const ImageLimits& limits) {
    return WithImpExpErrors(where, kTargaErrorTitle, TargaErrorText(kNoMemory), [&] {
        TargaReader reader(file, limits);
        return reader.Read(progress);
    });
}

Picture LoadTarga(const std::filesystem::path& path, ProgressSink* progress, const ImageLimits& limits) {
    const std::vector<std::uint8_t> file = WithImpExpErrors(path.string(), kTargaErrorTitle, TargaErrorText(kNoMemory),
                                                            [&] { return ReadWholeFile(path, TargaErrorText(kErrorOpening)); });
    return DecodeTarga(file, path.string(), progress, limits);
}

Picture LoadTarga(const std::filesystem::path& path, ProgressSink* progress) {
    return LoadTarga(path, progress, ImageLimits{});
}

}  // namespace lp
