#include "formats/tiff/tiff_file.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "formats/tiff/tiff_lzw.h"

namespace lp {

std::string TiffStatusText(int status) {
    switch (status) {
        case kTiffOk:
            return "";
        case kTiffUnknownType:
            return "Unknown type";
        case kTiffCorrupted:
            return "Corrupted file";
        case kTiffOddOffset:
            return "Odd offset";
        case kTiffBlockTooBig:
            return "Block too big";
        case kTiffBadVersion:
            return "Bad version";
        case kTiffTooManyImages:
            return "Too many images";
        case kTiffEndOfFile:
            return "End of file";
        case kTiffUnsupportedType:
            return "Unsupported type";
        case kTiffEscaped:
            return "Tiff escaped";
        default:
            break;
    }
    if (status > 0 && status < 256) {
        char buffer[256];
        // GNU strerror_r: returns the text, which may or may not live in buffer.
        return ::strerror_r(status, buffer, sizeof buffer);
    }
    return "Unknown error";
}

// ---------------------------------------------------------------------------
// Reading

namespace {

std::uint64_t TypeSize(TiffFieldType type) {
    switch (type) {
        case TiffFieldType::Short:
            return 2;
        case TiffFieldType::Long:
            return 4;
        case TiffFieldType::Rational:
            return 8;
        default:
            return 1;
    }
}

bool FitsInline(TiffFieldType type, std::uint32_t count) {
    switch (type) {
        case TiffFieldType::Byte:
        case TiffFieldType::Ascii:
            return count <= 4;
        case TiffFieldType::Short:
            return count <= 2;
        case TiffFieldType::Long:
            return count <= 1;
        default:
            return false;  // RATIONAL never
    }
}

}  // namespace

const TiffField* TiffImage::Field(int tag) const {
    if (tag < kTiffFirstSlotTag || tag > kTiffLastSlotTag) return nullptr;
    const TiffField& f = m_slots[static_cast<std::size_t>(tag - kTiffFirstSlotTag)];
    return f.Present() ? &f : nullptr;
}

std::uint16_t TiffFile::U16(const std::uint8_t* p) const {
    return m_bigEndian ? static_cast<std::uint16_t>((p[0] << 8) | p[1])
                       : static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t TiffFile::U32(const std::uint8_t* p) const {
    return m_bigEndian ? (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3]
                       : std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
                             (std::uint32_t(p[3]) << 24);
}

TiffFile TiffFile::Open(std::span<const std::uint8_t> data) {
    if (data.size() < 4) throw TiffStatusError(kTiffCorrupted);
    TiffFile file(data, !(data[0] == 0x49 && data[1] == 0x49));
    if (file.U16(data.data() + 2) != 42) throw TiffStatusError(kTiffBadVersion);
    if (data.size() < 8) throw TiffStatusError(kTiffCorrupted);
    std::uint32_t offset = file.U32(data.data() + 4);
    // At most 16 directories are held; a chain that loops back ends there too.
    while (offset > 7 && offset < data.size()) {
        if (file.m_images.size() == kTiffMaxImages) throw TiffStatusError(kTiffTooManyImages);
        TiffImage image;
        std::uint32_t next = 0;
        if (!file.ReadDirectory(offset, image, next)) break;
        file.LoadValues(image);
        file.m_images.push_back(image);
        offset = next;
    }
    // Whatever a failed directory set, the open succeeds when one image was read.
    if (file.m_images.empty()) throw TiffStatusError(kTiffCorrupted);
    return file;
}

bool TiffFile::ReadDirectory(std::uint64_t offset, TiffImage& image, std::uint32_t& nextOffset) const {
    const std::uint64_t size = m_data.size();
    if (offset + 2 > size) return false;
    const std::uint32_t entries = U16(m_data.data() + offset);
    if (entries < 1 || entries > kTiffSlotCount) return false;
    std::uint64_t p = offset + 2;
    for (std::uint32_t i = 0; i < entries; ++i, p += 12) {
        if (p + 12 > size) return false;
        const std::uint8_t* e = m_data.data() + p;
        const int tag = U16(e);
        if (tag < kTiffFirstSlotTag) return false;
        if (tag > kTiffLastSlotTag) {
            // Private tags (32768 and up) are skipped; other unknown tags reject the directory.
            if (tag & 0x8000) continue;
            return false;
        }
        const std::uint16_t type = U16(e + 2);
        if (type < 1 || type > 5) return false;
        TiffField field;
        field.type = static_cast<TiffFieldType>(type);
        field.count = U32(e + 4);
        if (FitsInline(field.type, field.count)) {
            field.isInline = true;
            field.bytes = m_data.subspan(p + 8, field.count * TypeSize(field.type));
        } else {
            field.valueOffset = U32(e + 8);
        }
        image.Slot(tag) = field;  // a repeated tag replaces the earlier one
    }
    nextOffset = (p + 4 <= size) ? U32(m_data.data() + p) : 0;
    return true;
}

void TiffFile::LoadValues(TiffImage& image) const {
    for (int tag = kTiffFirstSlotTag; tag <= kTiffLastSlotTag; ++tag) {
        TiffField& f = image.Slot(tag);
        if (!f.Present() || f.isInline) continue;
        const std::uint64_t bytes = std::uint64_t(f.count) * TypeSize(f.type);
        if (bytes > kTiffMaxValueBytes) {
            f.loadStatus = kTiffBlockTooBig;
        } else if (std::uint64_t(f.valueOffset) + bytes > m_data.size()) {
            f.loadStatus = kTiffEndOfFile;
        } else {
            f.bytes = m_data.subspan(f.valueOffset, bytes);
        }
    }
}

std::uint32_t TiffFile::Value(const TiffField& field, std::uint32_t index) const {
    if (field.loadStatus != kTiffOk) throw TiffStatusError(field.loadStatus);
    if (index >= field.count) throw TiffStatusError(kTiffCorrupted);
    switch (field.type) {
        case TiffFieldType::Byte:
            return field.bytes[index];
        case TiffFieldType::Short:
            return U16(field.bytes.data() + std::size_t(index) * 2);
        case TiffFieldType::Long:
            return U32(field.bytes.data() + std::size_t(index) * 4);
        default:
            throw TiffStatusError(kTiffCorrupted);
    }
}

std::uint32_t TiffFile::ValueOr(const TiffImage& image, int tag, std::uint32_t fallback) const {
    const TiffField* f = image.Field(tag);
    return f ? Value(*f, 0) : fallback;
}

TiffRowLayout TiffHeaderOf(const TiffFile& file, const TiffImage& image) {
    TiffRowLayout layout;
    layout.width = file.ValueOr(image, tiff_tag::kImageWidth, 0);
    layout.height = file.ValueOr(image, tiff_tag::kImageLength, 0);
    if (layout.width == 0 || layout.height == 0) throw TiffStatusError(kTiffCorrupted);
    layout.samplesPerPixel = file.ValueOr(image, tiff_tag::kSamplesPerPixel, 1);
    if (layout.samplesPerPixel == 0) throw TiffStatusError(kTiffCorrupted);
    // BitsPerSample holds one value per sample; absent, it is the default single 1.
    if (const TiffField* bits = image.Field(tiff_tag::kBitsPerSample)) {
        if (bits->count < layout.samplesPerPixel) throw TiffStatusError(kTiffCorrupted);
        layout.bitsPerSample = file.Value(*bits, 0);
    } else {
        if (layout.samplesPerPixel > 1) throw TiffStatusError(kTiffCorrupted);
        layout.bitsPerSample = 1;
    }
    layout.photometric = file.ValueOr(image, tiff_tag::kPhotometric, kTiffNoPhotometric);
    return layout;
}

namespace {

constexpr std::uint32_t kCompressionNone = 1;
constexpr std::uint32_t kCompressionLzw = 5;
constexpr std::uint32_t kCompressionPackBits = 32773;

// Turns the packed bytes of one row into samples (the data is a bit stream read
// from the most significant bit; 16-bit samples are in the file's byte order).
class RowUnpacker {
public:
    RowUnpacker(const TiffFile& file, const TiffRowLayout& layout)
        : m_bigEndian(file.BigEndian()),
          m_bits(layout.bitsPerSample),
          m_flip(layout.photometric == 0),
          m_mask((1u << layout.bitsPerSample) - 1) {
        m_samples = std::size_t(layout.width) * layout.samplesPerPixel;
        m_rowBytes = (std::uint64_t(m_samples) * m_bits + 7) / 8;
        if (m_bits <= 8)
            m_bytes.resize(m_samples);
        else
            m_words.resize(m_samples);
        // Three spare bytes let the bit reader take a 24-bit window at the end of the row.
        m_raw.resize(m_rowBytes + 3, 0);
    }

    std::size_t RowBytes() const { return m_rowBytes; }
    std::span<std::uint8_t> Raw() { return {m_raw.data(), m_rowBytes}; }

    TiffSamples Unpack(std::span<const std::uint8_t> row) {
        if (m_bits == 8) {
            if (!m_flip) return {row.first(m_samples), {}};
            for (std::size_t i = 0; i < m_samples; ++i) m_bytes[i] = static_cast<std::uint8_t>(255 - row[i]);
            return {m_bytes, {}};
        }
        if (m_bits == 16) {
            for (std::size_t i = 0; i < m_samples; ++i) {
                const std::uint8_t* p = row.data() + 2 * i;
                std::uint32_t v = m_bigEndian ? (p[0] << 8) | p[1] : p[0] | (p[1] << 8);
                m_words[i] = static_cast<std::uint16_t>(m_flip ? 65535 - v : v);
            }
            return {{}, m_words};
        }
        if (row.data() != m_raw.data()) std::memcpy(m_raw.data(), row.data(), m_rowBytes);
        const std::uint8_t* raw = m_raw.data();
        std::uint64_t bit = 0;
        for (std::size_t i = 0; i < m_samples; ++i, bit += m_bits) {
            const std::uint8_t* p = raw + (bit >> 3);
            const std::uint32_t window = (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2];
            std::uint32_t v = (window >> (24 - m_bits - (bit & 7))) & m_mask;
            if (m_flip) v = m_mask - v;
            if (m_bits < 8)
                m_bytes[i] = static_cast<std::uint8_t>(v);
            else
                m_words[i] = static_cast<std::uint16_t>(v);
        }
        if (m_bits < 8) return {m_bytes, {}};
        return {{}, m_words};
    }

private:
    bool m_bigEndian;
    std::uint32_t m_bits;
    bool m_flip;
    std::uint32_t m_mask;
    std::size_t m_samples = 0;
    std::size_t m_rowBytes = 0;
    std::vector<std::uint8_t> m_raw;
    std::vector<std::uint8_t> m_bytes;
    std::vector<std::uint16_t> m_words;
};

// One PackBits row: every row starts with a new packet; bytes of a packet that
// run past the end of the row are dropped.
void UnpackBitsRow(std::span<const std::uint8_t> data, std::size_t& pos, std::span<std::uint8_t> row) {
    std::size_t produced = 0;
    while (produced < row.size()) {
        if (pos >= data.size()) throw TiffStatusError(kTiffEndOfFile);
        const int n = static_cast<std::int8_t>(data[pos++]);
        if (n >= 0) {
            const std::size_t count = std::size_t(n) + 1;
            const std::size_t take = std::min(count, row.size() - produced);
            if (data.size() - pos < take) throw TiffStatusError(kTiffEndOfFile);
            std::memcpy(row.data() + produced, data.data() + pos, take);
            produced += take;
            pos += std::min(count, data.size() - pos);
        } else if (n != -128) {
            if (pos >= data.size()) throw TiffStatusError(kTiffEndOfFile);
            const std::uint8_t value = data[pos++];
            const std::size_t take = std::min(std::size_t(1 - n), row.size() - produced);
            std::memset(row.data() + produced, value, take);
            produced += take;
        }
    }
}

}  // namespace

void ReadTiffRows(const TiffFile& file, const TiffImage& image, const TiffRowCallback& onRow) {
    const TiffRowLayout layout = TiffHeaderOf(file, image);
    const TiffField* bitsField = image.Field(tiff_tag::kBitsPerSample);
    for (std::uint32_t s = 1; bitsField && s < layout.samplesPerPixel; ++s)
        if (file.Value(*bitsField, s) != layout.bitsPerSample) throw TiffStatusError(kTiffUnsupportedType);
    if (layout.bitsPerSample == 0 || layout.bitsPerSample > 16) throw TiffStatusError(kTiffUnsupportedType);
    if (file.ValueOr(image, tiff_tag::kPlanarConfiguration, 1) != 1) throw TiffStatusError(kTiffUnsupportedType);
    // Differencing predictors and reversed bit order change every sample; the
    // component does not undo them, so such files are refused rather than
    // shown with wrong pixels.
    if (file.ValueOr(image, tiff_tag::kPredictor, 1) != 1) throw TiffStatusError(kTiffUnsupportedType);
    if (file.ValueOr(image, tiff_tag::kFillOrder, 1) != 1) throw TiffStatusError(kTiffUnsupportedType);
    const std::uint32_t compression = file.ValueOr(image, tiff_tag::kCompression, kCompressionNone);
    if (compression != kCompressionNone && compression != kCompressionLzw && compression != kCompressionPackBits)
        throw TiffStatusError(kTiffUnsupportedType);
    if (std::uint64_t(layout.width) * layout.samplesPerPixel > kTiffMaxRowSamples)
        throw TiffStatusError(kTiffBlockTooBig);

    const std::uint32_t rowsPerStrip = file.ValueOr(image, tiff_tag::kRowsPerStrip, 0xFFFFFFFFu);
    if (rowsPerStrip == 0) throw TiffStatusError(kTiffCorrupted);
    const std::uint64_t strips = (std::uint64_t(layout.height) + rowsPerStrip - 1) / rowsPerStrip;
    const TiffField* offsets = image.Field(tiff_tag::kStripOffsets);
    if (!offsets || offsets->count < strips) throw TiffStatusError(kTiffCorrupted);

    const std::span<const std::uint8_t> data = file.Data();
    RowUnpacker unpacker(file, layout);
    const std::size_t rowBytes = unpacker.RowBytes();
    // Data that cannot hold its rows fails before the first row, so that a few bytes
    // declaring a huge picture never make the caller allocate it. Each strip runs to
    // the end of the file at most; the decoders' largest expansions bound what it gives.
    {
        std::uint32_t first = 0;
        for (std::uint64_t strip = 0; strip < strips; ++strip) {
            const std::uint32_t offset = file.Value(*offsets, static_cast<std::uint32_t>(strip));
            if (offset > data.size()) throw TiffStatusError(kTiffEndOfFile);
            const std::uint64_t available = data.size() - offset;
            const std::uint32_t rows = std::min(layout.height - first, rowsPerStrip);
            first += rows;
            const std::uint64_t most = compression == kCompressionNone ? available
                                       : compression == kCompressionLzw
                                           ? TiffLzwMostBytes(available)
                                           : available / 2 * 128 + 128;
            if (std::uint64_t(rows) * rowBytes > most) throw TiffStatusError(kTiffEndOfFile);
        }
    }
    // One decoder for all strips: its table is big enough to be worth keeping.
    std::optional<TiffLzwDecoder> lzw;
    if (compression == kCompressionLzw) lzw.emplace();
    std::uint32_t row = 0;
    for (std::uint64_t strip = 0; strip < strips; ++strip) {
        const std::uint32_t offset = file.Value(*offsets, static_cast<std::uint32_t>(strip));
        if (offset > data.size()) throw TiffStatusError(kTiffEndOfFile);
        const std::span<const std::uint8_t> source = data.subspan(offset);
        const std::uint32_t rows = std::min(layout.height - row, rowsPerStrip);
        std::size_t pos = 0;
        if (lzw) lzw->Restart(source);
        for (std::uint32_t r = 0; r < rows; ++r, ++row) {
            std::span<const std::uint8_t> packed;
            if (compression == kCompressionNone) {
                if (source.size() - pos < rowBytes) throw TiffStatusError(kTiffEndOfFile);
                packed = source.subspan(pos, rowBytes);
                pos += rowBytes;
            } else if (compression == kCompressionLzw) {
                if (lzw->Read(unpacker.Raw()) < rowBytes) throw TiffStatusError(kTiffEndOfFile);
                packed = unpacker.Raw();
            } else {
                UnpackBitsRow(source, pos, unpacker.Raw());
                packed = unpacker.Raw();
            }
            onRow(row, unpacker.Unpack(packed));
        }
    }
}

// ---------------------------------------------------------------------------
// Writing

TiffNewImage::TiffNewImage() {
    using namespace tiff_tag;
    const std::uint32_t zero = 0, maxRows = 0xFFFFFFFFu;
    const std::uint16_t one = 1, two = 2;
    SetLong(kNewSubfileType, {&zero, 1});
    SetShort(kBitsPerSample, {&one, 1});
    SetShort(kSamplesPerPixel, {&one, 1});
    SetLong(kRowsPerStrip, {&maxRows, 1});
    SetShort(kPlanarConfiguration, {&one, 1});
    SetShort(kGrayResponseUnit, {&two, 1});
    SetLong(kGroup3Options, {&zero, 1});
    SetLong(kGroup4Options, {&zero, 1});
    SetShort(kResolutionUnit, {&two, 1});
    SetShort(kPredictor, {&one, 1});
}

TiffNewImage::Slot& TiffNewImage::At(int tag) {
    if (tag < kTiffFirstSlotTag || tag > kTiffLastSlotTag) throw std::out_of_range("TIFF tag without a slot");
    return m_slots[static_cast<std::size_t>(tag - kTiffFirstSlotTag)];
}

const TiffNewImage::Slot& TiffNewImage::At(int tag) const {
    if (tag < kTiffFirstSlotTag || tag > kTiffLastSlotTag) throw std::out_of_range("TIFF tag without a slot");
    return m_slots[static_cast<std::size_t>(tag - kTiffFirstSlotTag)];
}

void TiffNewImage::SetLong(int tag, std::span<const std::uint32_t> values) {
    Slot& s = At(tag);
    s.type = TiffFieldType::Long;
    s.values.assign(values.begin(), values.end());
}

void TiffNewImage::SetShort(int tag, std::span<const std::uint16_t> values) {
    Slot& s = At(tag);
    s.type = TiffFieldType::Short;
    s.values.assign(values.begin(), values.end());
}

std::span<const std::uint32_t> TiffNewImage::Values(int tag) const { return At(tag).values; }
TiffFieldType TiffNewImage::TypeOf(int tag) const { return At(tag).type; }

TiffWriter::TiffWriter() {
    m_out.reserve(1 << 16);
    m_out.push_back(0x49);
    m_out.push_back(0x49);
    Put16(42);
    Put32(0);
    m_pendingPointer = 4;
}

void TiffWriter::Put16(std::uint16_t v) {
    m_out.push_back(static_cast<std::uint8_t>(v));
    m_out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void TiffWriter::Put32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) m_out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void TiffWriter::Patch32(std::uint64_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) m_out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void TiffWriter::AlignEven() {
    if (m_out.size() & 1) m_out.push_back(0);
}

std::uint32_t TiffWriter::Position() const {
    // Offsets in the file are 32-bit.
    if (m_out.size() > 0xFFFFFFFFull) throw TiffStatusError(kTiffBlockTooBig);
    return static_cast<std::uint32_t>(m_out.size());
}

std::uint32_t TiffWriter::RowsPerStripFor(std::uint32_t width, std::uint32_t height, std::uint32_t samples,
                                          std::uint32_t containerBytes) {
    const std::uint64_t rowBytes = std::uint64_t(width) * samples * containerBytes;
    std::uint64_t rows = rowBytes == 0 ? 1 : 8192 / rowBytes;
    if (rows == 0) rows = 1;
    if (rows > height) rows = height;
    // StripOffsets and StripByteCounts are LONG arrays; one of more than
    // 65530 bytes could not be read back, so very tall pictures get more rows
    // per strip instead of more strips.
    constexpr std::uint64_t kMaxStrips = kTiffMaxValueBytes / 4;
    if (rows > 0 && (std::uint64_t(height) + rows - 1) / rows > kMaxStrips)
        rows = (std::uint64_t(height) + kMaxStrips - 1) / kMaxStrips;
    return static_cast<std::uint32_t>(std::max<std::uint64_t>(rows, 1));
}

void TiffWriter::WriteImageData(TiffNewImage& image, const TiffRowSupplier& supplier, bool compress) {
    using namespace tiff_tag;
    const auto first = [&](int tag) -> std::uint32_t {
        const auto v = image.Values(tag);
        return v.empty() ? 0 : v[0];
    };
    const std::uint32_t width = first(kImageWidth);
    const std::uint32_t height = first(kImageLength);
    const std::uint32_t samples = first(kSamplesPerPixel);
    const auto bitsValues = image.Values(kBitsPerSample);
    if (width == 0 || height == 0 || samples == 0 || bitsValues.size() < samples)
        throw TiffStatusError(kTiffUnsupportedType);
    const std::uint32_t bits = bitsValues[0];
    for (std::uint32_t s = 1; s < samples; ++s)
        if (bitsValues[s] != bits) throw TiffStatusError(kTiffUnsupportedType);
    if (bits == 0 || bits > 16) throw TiffStatusError(kTiffUnsupportedType);
    const std::uint64_t rowSamples = std::uint64_t(width) * samples;
    if (rowSamples > kTiffMaxRowSamples) throw TiffStatusError(kTiffBlockTooBig);

    const std::uint32_t container = bits <= 8 ? 1 : 2;
    const std::uint32_t rowsPerStrip = RowsPerStripFor(width, height, samples, container);
    const std::uint64_t strips = (std::uint64_t(height) + rowsPerStrip - 1) / rowsPerStrip;
    const std::size_t packedRowBytes = static_cast<std::size_t>((rowSamples * bits + 7) / 8);

    std::vector<std::uint8_t> bytes(bits <= 8 ? rowSamples : 0);
    std::vector<std::uint16_t> words(bits > 8 ? rowSamples : 0);
    const TiffMutableSamples buffer{bytes, words};
    std::vector<std::uint8_t> strip;
    strip.reserve(packedRowBytes * rowsPerStrip);
    std::vector<std::uint32_t> offsets, counts;
    offsets.reserve(strips);
    counts.reserve(strips);
    TiffLzwEncoder encoder;

    std::uint32_t row = 0;
    for (std::uint64_t s = 0; s < strips; ++s) {
        AlignEven();
        const std::uint32_t offset = Position();
        strip.clear();
        const std::uint32_t rows = std::min(height - row, rowsPerStrip);
        for (std::uint32_t r = 0; r < rows; ++r, ++row) {
            if (!supplier(row, buffer)) throw TiffStatusError(kTiffEscaped);
            if (bits == 8) {
                strip.insert(strip.end(), bytes.begin(), bytes.end());
            } else if (bits == 16) {
                for (std::uint16_t w : words) {  // machine order of the component: little-endian
                    strip.push_back(static_cast<std::uint8_t>(w));
                    strip.push_back(static_cast<std::uint8_t>(w >> 8));
                }
            } else {
                // Packed from the most significant bit; each row ends on a byte boundary.
                const std::size_t start = strip.size();
                strip.resize(start + packedRowBytes, 0);
                const std::uint32_t mask = (1u << bits) - 1;
                std::uint64_t bit = 0;
                for (std::uint64_t i = 0; i < rowSamples; ++i, bit += bits) {
                    const std::uint32_t v = (bits <= 8 ? bytes[i] : words[i]) & mask;
                    // Spread the sample over at most three bytes.
                    const std::uint32_t shifted = v << (24 - bits - (bit & 7));
                    std::uint8_t* p = strip.data() + start + (bit >> 3);
                    const std::size_t left = packedRowBytes - (bit >> 3);
                    p[0] |= static_cast<std::uint8_t>(shifted >> 16);
                    if (left > 1) p[1] |= static_cast<std::uint8_t>(shifted >> 8);
                    if (left > 2) p[2] |= static_cast<std::uint8_t>(shifted);
                }
            }
        }
        if (compress)
            encoder.Encode(strip, m_out);
        else
            m_out.insert(m_out.end(), strip.begin(), strip.end());
        offsets.push_back(offset);
        counts.push_back(Position() - offset);
    }
    const std::uint16_t compression = compress ? 5 : 1;
    image.SetShort(kCompression, {&compression, 1});
    image.SetLong(kStripOffsets, offsets);
    image.SetLong(kStripByteCounts, counts);
    image.SetLong(kRowsPerStrip, {&rowsPerStrip, 1});
}

void TiffWriter::WriteDirectory(const TiffNewImage& image) {
    using namespace tiff_tag;
    struct Entry {
        int tag;
        TiffFieldType type;
        std::span<const std::uint32_t> values;
        std::uint32_t offset;
    };
    const auto isDefault = [&](int tag, std::span<const std::uint32_t> v) {
        if (v.size() != 1) return false;
        switch (tag) {
            case kGrayResponseUnit:
            case kResolutionUnit:
                return v[0] == 2;
            case kGroup3Options:
            case kGroup4Options:
                return v[0] == 0;
            case kPredictor:
                return v[0] == 1;
            default:
                return false;
        }
    };
    std::vector<Entry> entries;
    for (int tag = kTiffFirstSlotTag; tag <= kTiffLastSlotTag; ++tag) {
        const auto v = image.Values(tag);
        if (v.empty() || isDefault(tag, v)) continue;
        entries.push_back({tag, image.TypeOf(tag), v, 0});
    }
    for (Entry& e : entries) {
        if (FitsInline(e.type, static_cast<std::uint32_t>(e.values.size()))) continue;
        AlignEven();
        e.offset = Position();
        for (std::uint32_t v : e.values) {
            if (e.type == TiffFieldType::Short)
                Put16(static_cast<std::uint16_t>(v));
            else
                Put32(v);
        }
    }
    AlignEven();
    const std::uint32_t directory = Position();
    Put16(static_cast<std::uint16_t>(entries.size()));
    for (const Entry& e : entries) {
        Put16(static_cast<std::uint16_t>(e.tag));
        Put16(static_cast<std::uint16_t>(e.type));
        Put32(static_cast<std::uint32_t>(e.values.size()));
        if (!FitsInline(e.type, static_cast<std::uint32_t>(e.values.size()))) {
            Put32(e.offset);
        } else if (e.type == TiffFieldType::Short) {
            // Inline values are left-justified in the 4-byte field.
            Put16(static_cast<std::uint16_t>(e.values[0]));
            Put16(e.values.size() > 1 ? static_cast<std::uint16_t>(e.values[1]) : 0);
        } else {
            Put32(e.values[0]);
        }
    }
    const std::uint32_t nextField = Position();
    Put32(0);
    Patch32(m_pendingPointer, directory);
    m_pendingPointer = nextField;
}

}  // namespace lp
