#include "app/batch_job_runner.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>

#include "formats/bmp/bmp_writer.h"
#include "formats/file_types.h"
#include "formats/format_table.h"
#include "imaging/imp_exp_exception.h"
#include "imaging/resize.h"

namespace lp {

namespace {

std::int32_t AtLeastOne(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, 1, std::numeric_limits<std::int32_t>::max()));
}

/// value x multiplier / divisor, truncated toward zero; keep when divisor is 0.
std::int64_t Scaled(std::int64_t value, std::int64_t multiplier, std::int64_t divisor, std::int64_t keep) {
    return divisor == 0 ? keep : value * multiplier / divisor;
}

// ---------------------------------------------------------------------------
// Saving: the output is written in the input's format, whatever its name says.
// One row per input type; a format's own options (JPEG quality, PNG palette
// by colour count, GIF frames, ...) belong in its row.

using JobSaveFn = void (*)(const Picture& picture, const BatchJob& job, const std::filesystem::path& output);

struct JobWriter {
    PictureFileType input;
    JobSaveFn save;
};

void SaveAsBmp(const Picture& picture, const BatchJob&, const std::filesystem::path& output) {
    SaveBmp(picture, output, BmpCompression::None, 24, nullptr);
}
void SaveAsRle(const Picture& picture, const BatchJob&, const std::filesystem::path& output) {
    SaveBmp(picture, output, BmpCompression::Rle4, 4, nullptr);
}
void SaveAsDib(const Picture& picture, const BatchJob&, const std::filesystem::path& output) {
    SaveBmp(picture, output, BmpCompression::Rle8, 8, nullptr);
}

// A null writer: that format's codec has not landed yet.
constexpr std::array kJobWriters{
    JobWriter{PictureFileType::Jpeg, nullptr},   JobWriter{PictureFileType::Gif, nullptr},
    JobWriter{PictureFileType::Png, nullptr},    JobWriter{PictureFileType::Bmp, &SaveAsBmp},
    JobWriter{PictureFileType::Rle, &SaveAsRle}, JobWriter{PictureFileType::Dib, &SaveAsDib},
    JobWriter{PictureFileType::Pcx, nullptr},    JobWriter{PictureFileType::Targa, nullptr},
    JobWriter{PictureFileType::Tiff, nullptr},
};

void SaveJobOutput(const Picture& picture, const BatchJob& job, PictureFileType inputType) {
    const std::filesystem::path output(job.output);
    const auto row = std::find_if(kJobWriters.begin(), kJobWriters.end(),
                                  [inputType](const JobWriter& w) { return w.input == inputType; });
    if (row == kJobWriters.end() || !row->save)
        throw ImpExpException(job.output,
                              std::string("Writing ") + FileTypeName(inputType) + " files is not supported yet",
                              "Format Error");
    row->save(picture, job, output);
}

}  // namespace

TargetSize ComputeTargetSize(const BatchJob& job, std::int32_t pictureWidth, std::int32_t pictureHeight) {
    const std::int64_t pw = pictureWidth;
    const std::int64_t ph = pictureHeight;
    const std::int64_t w = job.width > 0 ? job.width : pw;
    const std::int64_t h = job.height > 0 ? job.height : ph;
    const bool widthGiven = job.given & kGivenWidth;
    const bool heightGiven = job.given & kGivenHeight;
    const bool proportional = job.given & kGivenProportional;

    std::int64_t picW = w, picH = h;
    std::int64_t canW = w, canH = h;
    if (widthGiven && !heightGiven && !proportional) {
        picH = canH = Scaled(ph, w, pw, picH);
    } else if (heightGiven && !widthGiven && !proportional) {
        picW = canW = Scaled(pw, h, ph, picW);
    } else if (widthGiven && heightGiven && proportional) {
        switch (job.proportional) {
            case kProportionalByWidth:
                picH = Scaled(ph, w, pw, picH);
                break;
            case kProportionalByHeight:
                picW = Scaled(pw, h, ph, picW);
                break;
            default:
                // w / h < pw / ph, compared exactly by cross-multiplying positive sizes.
                if (h > 0 && ph > 0 && w * ph < pw * h)
                    picH = Scaled(ph, w, pw, picH);
                else
                    picW = Scaled(pw, h, ph, picW);
                if (!(job.given & kGivenBackground)) {
                    canW = picW;
                    canH = picH;
                }
                break;
        }
    }
    // Any other combination keeps w x h, the missing side taken from the picture.
    return {AtLeastOne(picW), AtLeastOne(picH), AtLeastOne(canW), AtLeastOne(canH)};
}

void ComposeJobPicture(Picture& picture, const TargetSize& size, ColourRef background, bool smart) {
    // The smart flag asks for the area-averaging resampler; until that lands,
    // both paths use the plain one and the smart resampler replaces this call.
    (void)smart;
    Resize(picture, size.pictureWidth, size.pictureHeight);

    const std::int32_t canvasWidth = std::max(size.canvasWidth, size.pictureWidth);
    const std::int32_t canvasHeight = std::max(size.canvasHeight, size.pictureHeight);
    if (canvasWidth == picture.Width() && canvasHeight == picture.Height()) return;

    Picture canvas;
    canvas.Create(canvasWidth, canvasHeight);
    canvas.Fill(background);
    const std::size_t left = std::size_t(canvasWidth - picture.Width()) / 2;
    const int top = (canvasHeight - picture.Height()) / 2;
    const std::size_t rowBytes = std::size_t(picture.Width()) * 3;
    for (int y = 0; y < picture.Height(); ++y)
        std::memcpy(canvas.RowFromTop(top + y).data() + left * 3, picture.RowFromTop(y).data(), rowBytes);
    picture.Adopt(std::move(canvas));
}

std::string CheckJobSizes(const BatchJob& job) {
    if ((job.given & kGivenWidth) && job.width < 1) return "Width must be at least 1";
    if ((job.given & kGivenHeight) && job.height < 1) return "Height must be at least 1";
    return {};
}

bool RunBatchJob(const BatchJob& job, ErrorLog& log) {
    try {
        if (const std::string problem = CheckJobSizes(job); !problem.empty()) {
            log.Write(job.input, problem);
            return false;
        }
        const std::filesystem::path input(job.input);
        const PictureFileType type = SniffFileType(input);
        if (type == PictureFileType::Unknown) {
            log.Write(job.input, "Unknown file format");
            return false;
        }
        if (job.output.empty()) {
            log.Write(job.input, "No output file name");
            return false;
        }
        Picture picture = LoadPicture(input, type, nullptr);
        ComposeJobPicture(picture, ComputeTargetSize(job, picture.Width(), picture.Height()), job.background,
                          job.smart != 0);
        SaveJobOutput(picture, job, type);
        return true;
    } catch (const ImpExpException& e) {
        log.Write(job.input, e.Message());
    } catch (const std::bad_alloc&) {
        log.Write(job.input, "Not Enough Memory");
    } catch (const std::exception& e) {
        log.Write(job.input, e.what());
    }
    return false;
}

int RunBatchJobs(std::span<const BatchJob> jobs, ErrorLog& log) {
    int failed = 0;
    for (const BatchJob& job : jobs)
        if (!RunBatchJob(job, log)) ++failed;
    return failed;
}

}  // namespace lp
