#pragma once
// The TIFF component: a small container library of our own that reads and
// writes the file structure (header, image file directories, strips), decodes
// and encodes strip data, and exchanges rows of unpacked samples with its
// caller. It knows nothing about Picture; tiff_reader/tiff_writer convert.
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "base/imp_exp_exception.h"

namespace lp {

/// Status codes of the component. 0 is success; values below 256 are C
/// library error numbers (errno), shown with the C library's text.
enum TiffStatus : int {
    kTiffOk = 0,
    kTiffUnknownType = 256,
    kTiffCorrupted = 257,
    kTiffOddOffset = 258,  // mapped to a text, never produced
    kTiffBlockTooBig = 259,
    kTiffBadVersion = 260,
    kTiffTooManyImages = 261,
    kTiffEndOfFile = 262,
    kTiffUnsupportedType = 263,
    kTiffEscaped = 264,
};

/// The text the program shows for a status ("Corrupted file", strerror for C
/// error numbers, "Unknown error" for anything else).
std::string TiffStatusText(int status);

/// What the component's inner steps throw: a status code with its text.
class TiffStatusError : public InnerError {
public:
    explicit TiffStatusError(int status) : InnerError(TiffStatusText(status)), m_status(status) {}
    int Status() const noexcept { return m_status; }

private:
    int m_status;
};

enum class TiffFieldType : std::uint16_t { Byte = 1, Ascii = 2, Short = 3, Long = 4, Rational = 5 };

/// Tag numbers the component and the picture conversion use.
namespace tiff_tag {
inline constexpr int kNewSubfileType = 254;
inline constexpr int kImageWidth = 256;
inline constexpr int kImageLength = 257;
inline constexpr int kBitsPerSample = 258;
inline constexpr int kCompression = 259;
inline constexpr int kPhotometric = 262;
inline constexpr int kFillOrder = 266;
inline constexpr int kStripOffsets = 273;
inline constexpr int kSamplesPerPixel = 277;
inline constexpr int kRowsPerStrip = 278;
inline constexpr int kStripByteCounts = 279;
inline constexpr int kPlanarConfiguration = 284;
inline constexpr int kGrayResponseUnit = 290;
inline constexpr int kGroup3Options = 292;
inline constexpr int kGroup4Options = 293;
inline constexpr int kResolutionUnit = 296;
inline constexpr int kPredictor = 317;
inline constexpr int kColorMap = 320;
}  // namespace tiff_tag

/// Tags 254..320 have a slot in an image; others are skipped or rejected.
inline constexpr int kTiffFirstSlotTag = 254;
inline constexpr int kTiffLastSlotTag = 320;
inline constexpr int kTiffSlotCount = kTiffLastSlotTag - kTiffFirstSlotTag + 1;  // 67
inline constexpr int kTiffMaxImages = 16;
/// Out-of-line value arrays larger than this are not loaded ("Block too big").
inline constexpr std::uint64_t kTiffMaxValueBytes = 65530;

/// One tag as read from a directory. The values are not copied: they stay a
/// view into the file's bytes, in the file's byte order.
struct TiffField {
    TiffFieldType type = TiffFieldType::Byte;
    std::uint32_t count = 0;        // 0: the tag is absent
    std::uint32_t valueOffset = 0;  // where out-of-line values start in the file
    bool isInline = false;
    /// 0, or why the out-of-line values could not be loaded (kTiffBlockTooBig,
    /// kTiffEndOfFile). Using such a field fails with that status.
    int loadStatus = kTiffOk;
    std::span<const std::uint8_t> bytes;  // count values, as stored

    bool Present() const { return count != 0; }
};

/// One image file directory of a file being read.
class TiffImage {
public:
    /// The slot of a tag; nullptr outside 254..320 or when absent.
    const TiffField* Field(int tag) const;
    TiffField& Slot(int tag) { return m_slots[static_cast<std::size_t>(tag - kTiffFirstSlotTag)]; }

private:
    std::array<TiffField, kTiffSlotCount> m_slots{};
};

/// A TIFF file opened for reading from bytes in memory. The bytes must outlive
/// the object (fields and strips are views into them). Both byte orders are
/// read: "II" is little-endian, any other first two bytes mean big-endian.
class TiffFile {
public:
    /// Reads the header and every directory (at most 16), as the component's
    /// open does. Throws TiffStatusError (kTiffBadVersion, kTiffTooManyImages,
    /// kTiffCorrupted when no directory could be read).
    static TiffFile Open(std::span<const std::uint8_t> data);

    bool BigEndian() const { return m_bigEndian; }
    int ImageCount() const { return static_cast<int>(m_images.size()); }
    const TiffImage& ImageAt(int index) const { return m_images.at(static_cast<std::size_t>(index)); }
    std::span<const std::uint8_t> Data() const { return m_data; }

    /// Value i of a field, read by its stored type (BYTE, SHORT, LONG).
    /// Throws TiffStatusError: the field's load status when its values were not
    /// loaded, kTiffCorrupted for other types or an index past the count.
    std::uint32_t Value(const TiffField& field, std::uint32_t index) const;
    /// The first value of a tag, or fallback when the tag is absent.
    std::uint32_t ValueOr(const TiffImage& image, int tag, std::uint32_t fallback) const;

    std::uint16_t U16(const std::uint8_t* p) const;
    std::uint32_t U32(const std::uint8_t* p) const;

private:
    TiffFile(std::span<const std::uint8_t> data, bool bigEndian) : m_data(data), m_bigEndian(bigEndian) {}
    bool ReadDirectory(std::uint64_t offset, TiffImage& image, std::uint32_t& nextOffset) const;
    void LoadValues(TiffImage& image) const;

    std::span<const std::uint8_t> m_data;
    bool m_bigEndian = false;
    std::vector<TiffImage> m_images;
};

/// One row of unpacked samples handed to a row callback: 1-byte containers for
/// up to 8 bits per sample (bytes), 2-byte containers for 9 to 16 (words).
/// Exactly one of the two is non-empty; its size is width x samples per pixel.
struct TiffSamples {
    std::span<const std::uint8_t> bytes;
    std::span<const std::uint16_t> words;
};

/// The layout ReadTiffRows found; the picture conversion needs it before rows come.
struct TiffRowLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t samplesPerPixel = 1;
    std::uint32_t bitsPerSample = 1;
    std::uint32_t photometric = 0;
};

/// Called once per row, top row first; rowIndex counts from the top.
using TiffRowCallback = std::function<void(std::uint32_t rowIndex, const TiffSamples& samples)>;

/// Upper bound on width x samples per pixel, so one row buffer stays small
/// whatever a hostile header declares.
inline constexpr std::uint64_t kTiffMaxRowSamples = std::uint64_t(1) << 24;

/// Photometric value reported when the tag is absent.
inline constexpr std::uint32_t kTiffNoPhotometric = 0xFFFFFFFFu;

/// Size, samples and photometric interpretation of an image, without touching
/// its strips. Width or height 0, SamplesPerPixel 0 and a BitsPerSample with
/// fewer values than samples: kTiffCorrupted.
TiffRowLayout TiffHeaderOf(const TiffFile& file, const TiffImage& image);

/// Delivers every row of the image, top row first. WhiteIsZero samples are
/// flipped so that 0 is black. Before the first row it refuses with
/// kTiffUnsupportedType: unequal bit counts, bits 0 or over 16,
/// PlanarConfiguration other than 1, a compression other than none (1), LZW (5)
/// and PackBits (32773), a predictor or bit order it does not undo; with
/// kTiffCorrupted: RowsPerStrip 0, missing or short StripOffsets (and the
/// errors of TiffHeaderOf). While reading: kTiffEndOfFile when the data ends
/// before its rows, kTiffCorrupted for broken LZW data.
void ReadTiffRows(const TiffFile& file, const TiffImage& image, const TiffRowCallback& onRow);

/// A directory being built for writing: slots for tags 254..320 holding SHORT
/// or LONG values in machine order. A new one has the component's defaults.
class TiffNewImage {
public:
    TiffNewImage();

    void SetLong(int tag, std::span<const std::uint32_t> values);
    void SetShort(int tag, std::span<const std::uint16_t> values);
    /// The values of a tag (empty when absent) and its type.
    std::span<const std::uint32_t> Values(int tag) const;
    TiffFieldType TypeOf(int tag) const;

private:
    struct Slot {
        TiffFieldType type = TiffFieldType::Short;
        std::vector<std::uint32_t> values;  // empty: absent
    };
    Slot& At(int tag);
    const Slot& At(int tag) const;
    std::array<Slot, kTiffSlotCount> m_slots;
};

/// A row supplier fills the samples of one row (rowIndex from the top) and
/// returns false to report failure, which ends the writing with kTiffEscaped.
/// It gets bytes for up to 8 bits per sample, words for 9 to 16.
struct TiffMutableSamples {
    std::span<std::uint8_t> bytes;
    std::span<std::uint16_t> words;
};
using TiffRowSupplier = std::function<bool(std::uint32_t rowIndex, const TiffMutableSamples& samples)>;

/// Builds a little-endian TIFF file in memory, as the component's create,
/// image-data and directory operations do.
class TiffWriter {
public:
    /// Writes the header "II", 42 and a 0 directory offset (the pending pointer).
    TiffWriter();

    /// Writes the strips of an image whose ImageWidth, ImageLength,
    /// BitsPerSample, SamplesPerPixel, Photometric and PlanarConfiguration are
    /// set, then sets Compression, StripOffsets, StripByteCounts and
    /// RowsPerStrip. Throws TiffStatusError (kTiffUnsupportedType for unequal or
    /// unsupported bit counts or an empty image, kTiffEscaped when the supplier fails).
    void WriteImageData(TiffNewImage& image, const TiffRowSupplier& supplier, bool compress);
    /// Writes the out-of-line values and the directory, and links it in.
    void WriteDirectory(const TiffNewImage& image);

    const std::vector<std::uint8_t>& Bytes() const { return m_out; }
    std::vector<std::uint8_t> TakeBytes() { return std::move(m_out); }

    /// Rows per strip for a width, samples and container size, as written:
    /// 8192 / (width x samples x container), at least 1, at most the height;
    /// raised when the strip count would make StripOffsets too big to read back.
    static std::uint32_t RowsPerStripFor(std::uint32_t width, std::uint32_t height, std::uint32_t samples,
                                         std::uint32_t containerBytes);

private:
    void Put16(std::uint16_t v);
    void Put32(std::uint32_t v);
    void Patch32(std::uint64_t at, std::uint32_t v);
    void AlignEven();
    std::uint32_t Position() const;

    std::vector<std::uint8_t> m_out;
    std::uint64_t m_pendingPointer = 4;
};

}  // namespace lp
