#include "formats/tiff/tiff_reader.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

#include "formats/tiff/tiff_errors.h"
#include "formats/tiff/tiff_file.h"

namespace lp {

namespace {

// Photometric interpretations; 0 (WhiteIsZero) and 1 (BlackIsZero) are grey,
// the component has already turned WhiteIsZero samples round.
constexpr std::uint32_t kRgb = 2;
constexpr std::uint32_t kPalette = 3;

// Reads the file, keeping the C library's error number for the message.
std::vector<std::uint8_t> ReadTiffFileBytes(const std::filesystem::path& path) {
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    errno = 0;
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "rb"));
    if (!file) throw TiffStatusError(errno > 0 && errno < 256 ? errno : EIO);
    // Read straight into the buffer, sized from the file when it says its size.
    std::vector<std::uint8_t> data;
    struct stat info {};
    std::size_t capacity = 1 << 16;
    if (::fstat(::fileno(file.get()), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
        capacity = static_cast<std::size_t>(info.st_size) + 1;
    std::size_t used = 0;
    for (;;) {
        if (used == capacity) capacity *= 2;
        data.resize(capacity);
        const std::size_t n = std::fread(data.data() + used, 1, capacity - used, file.get());
        used += n;
        if (used < capacity) {
            if (std::ferror(file.get())) throw TiffStatusError(errno > 0 && errno < 256 ? errno : EIO);
            break;
        }
    }
    data.resize(used);
    return data;
}

// What one delivered row becomes: samples scaled to 8 bits through a table
// (v x 255 / (2^bits - 1), rounded down), or palette entries.
struct Conversion {
    std::uint32_t photometric = 0;
    std::uint32_t samplesPerPixel = 1;
    std::vector<std::uint8_t> scale;                         // 2^bits entries (grey and RGB)
    std::array<std::array<std::uint8_t, 3>, 256> palette{};  // blue, green, red

    template <class Sample>
    void Store(std::span<const Sample> samples, std::span<std::uint8_t> dst, std::uint32_t width) const {
        const std::size_t step = samplesPerPixel;
        const Sample* s = samples.data();
        std::uint8_t* d = dst.data();
        if (photometric == kRgb && sizeof(Sample) == 1 && scale.size() == 256) {
            // 8-bit samples scale to themselves.
            for (std::uint32_t x = 0; x < width; ++x, s += step, d += 3) {
                d[0] = static_cast<std::uint8_t>(s[2]);
                d[1] = static_cast<std::uint8_t>(s[1]);
                d[2] = static_cast<std::uint8_t>(s[0]);
            }
        } else if (photometric == kRgb) {
            for (std::uint32_t x = 0; x < width; ++x, s += step, d += 3) {
                d[0] = scale[s[2]];
                d[1] = scale[s[1]];
                d[2] = scale[s[0]];
            }
        } else if (photometric == kPalette) {
            // Palette indexes have at most 8 bits, so they always come in bytes.
            if constexpr (sizeof(Sample) == 1) {
                for (std::uint32_t x = 0; x < width; ++x, s += step, d += 3) {
                    const auto& c = palette[s[0]];
                    d[0] = c[0];
                    d[1] = c[1];
                    d[2] = c[2];
                }
            }
        } else {
            for (std::uint32_t x = 0; x < width; ++x, s += step, d += 3) d[0] = d[1] = d[2] = scale[s[0]];
        }
    }
};

Conversion ConversionFor(const TiffFile& file, const TiffImage& image, const TiffRowLayout& layout) {
    if (layout.photometric == kTiffNoPhotometric) throw TiffStatusError(kTiffCorrupted);
    if (layout.photometric > kPalette) throw TiffStatusError(kTiffUnknownType);
    const std::uint32_t bits = layout.bitsPerSample;
    if (bits == 0 || bits > 16) throw TiffStatusError(kTiffUnsupportedType);
    if (layout.photometric == kPalette && bits > 8) throw TiffStatusError(kTiffUnsupportedType);
    if (layout.photometric == kRgb && layout.samplesPerPixel < 3) throw TiffStatusError(kTiffUnsupportedType);

    Conversion c;
    c.photometric = layout.photometric;
    c.samplesPerPixel = layout.samplesPerPixel;
    const std::uint32_t levels = 1u << bits;
    if (layout.photometric == kPalette) {
        const TiffField* map = image.Field(tiff_tag::kColorMap);
        const std::uint32_t n = map ? map->count / 3 : 0;
        if (n < levels) throw TiffStatusError(kTiffCorrupted);
        for (std::uint32_t i = 0; i < levels; ++i) {
            // The high byte of each 16-bit value.
            const auto high = [&](std::uint32_t k) { return static_cast<std::uint8_t>(file.Value(*map, k) >> 8); };
            c.palette[i] = {high(2 * n + i), high(n + i), high(i)};
        }
    } else {
        c.scale.resize(levels);
        for (std::uint32_t v = 0; v < levels; ++v)
            c.scale[v] = static_cast<std::uint8_t>(std::uint64_t(v) * 255 / (levels - 1));
    }
    return c;
}

}  // namespace

Picture DecodeTiff(std::span<const std::uint8_t> bytes, const std::string& where, ProgressSink* progress,
                   const ImageLimits& limits) {
    return WithTiffErrors(where, [&] {
        const TiffFile file = TiffFile::Open(bytes);
        const TiffImage& image = file.ImageAt(0);
        const TiffRowLayout layout = TiffHeaderOf(file, image);
        const Conversion conversion = ConversionFor(file, image, layout);
        CheckImageSize(layout.width, layout.height, limits);
        // Extra samples are read and dropped, and strips may share their data:
        // bound the samples a file makes us decode as pixels are bounded.
        if (std::uint64_t(layout.width) * layout.samplesPerPixel * layout.height > limits.maxPixels * 4)
            throw TiffStatusError(kTiffBlockTooBig);
        Picture picture;
        ProgressScope scope(progress, 0, 100, "Loading TIFF File");
        ReadTiffRows(file, image, [&](std::uint32_t row, const TiffSamples& samples) {
            // Made at the first row: the strips are checked against their rows before it.
            if (row == 0) {
                try {
                    picture.Create(static_cast<std::int32_t>(layout.width), static_cast<std::int32_t>(layout.height));
                } catch (const ImpExpException&) {
                    throw InnerError(kTiffNoMemory);
                }
            }
            scope.Step(static_cast<long>(std::uint64_t(row) * 100 / layout.height));
            const auto dst = picture.RowFromTop(static_cast<int>(row));
            if (!samples.bytes.empty())
                conversion.Store(samples.bytes, dst, layout.width);
            else
                conversion.Store(samples.words, dst, layout.width);
        });
        return picture;
    });
}

Picture LoadTiff(const std::filesystem::path& path, ProgressSink* progress, const ImageLimits& limits) {
    const std::string where = path.string();
    const std::vector<std::uint8_t> bytes = WithTiffErrors(where, [&] { return ReadTiffFileBytes(path); });
    return DecodeTiff(bytes, where, progress, limits);
}

Picture LoadTiff(const std::filesystem::path& path, ProgressSink* progress) {
    return LoadTiff(path, progress, ImageLimits{});
}

}  // namespace lp
