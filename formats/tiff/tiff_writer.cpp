#include "formats/tiff/tiff_writer.h"

#include <cerrno>
#include <optional>

#include "base/atomic_file.h"
#include "formats/tiff/tiff_errors.h"
#include "formats/tiff/tiff_file.h"

namespace lp {

namespace {

int SavedErrno() {
    const int err = errno;
    return err > 0 && err < 256 ? err : EIO;
}

// Writes atomically; a failure reports the C library's text for the error.
void WriteTiffBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::optional<AtomicFileWriter> writer;
    try {
        writer.emplace(path, "", "");
    } catch (const InnerError&) {
        throw TiffStatusError(SavedErrno());
    }
    try {
        writer->Write(bytes);
        writer->Commit();
    } catch (const InnerError&) {
        throw TiffStatusError(SavedErrno());
    }
}

}  // namespace

std::vector<std::uint8_t> EncodeTiff(const Picture& picture, ProgressSink* progress, const std::string& where) {
    return WithTiffErrors(where, [&] {
        using namespace tiff_tag;
        ProgressScope scope(progress, 0, 100, "Saving TIFF file");
        if (picture.IsEmpty()) throw TiffStatusError(kTiffUnsupportedType);
        const auto width = static_cast<std::uint32_t>(picture.Width());
        const auto height = static_cast<std::uint32_t>(picture.Height());
        TiffWriter writer;
        TiffNewImage image;
        const std::uint16_t eight[] = {8, 8, 8};
        const std::uint16_t three = 3, rgb = 2, contiguous = 1;
        image.SetLong(kImageWidth, {&width, 1});
        image.SetLong(kImageLength, {&height, 1});
        image.SetShort(kBitsPerSample, eight);
        image.SetShort(kSamplesPerPixel, {&three, 1});
        image.SetShort(kPhotometric, {&rgb, 1});
        image.SetShort(kPlanarConfiguration, {&contiguous, 1});
        writer.WriteImageData(
            image,
            [&](std::uint32_t row, const TiffMutableSamples& samples) {
                // Picture rows are blue, green, red; the file wants red, green, blue.
                const auto src = picture.RowFromTop(static_cast<int>(row));
                std::uint8_t* d = samples.bytes.data();
                const std::uint8_t* s = src.data();
                for (std::uint32_t x = 0; x < width; ++x, s += 3, d += 3) {
                    d[0] = s[2];
                    d[1] = s[1];
                    d[2] = s[0];
                }
                scope.Step(static_cast<long>((std::uint64_t(row) + 1) * 100 / height));
                return true;
            },
            true);
        writer.WriteDirectory(image);
        return writer.TakeBytes();
    });
}

void SaveTiff(const Picture& picture, const std::filesystem::path& path, ProgressSink* progress) {
    const std::string where = path.string();
    const std::vector<std::uint8_t> bytes = EncodeTiff(picture, progress, where);
    WithTiffErrors(where, [&] { WriteTiffBytes(path, bytes); });
}

}  // namespace lp
