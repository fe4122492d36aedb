#include "app/batch_job_runner.h"
#include "app/job_warnings.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>
#include <string_view>

#include "formats/file_types.h"
#include "formats/format_table.h"
#include "formats/write_prep.h"
#include "formats/gif/gif_colours.h"
#include "formats/jpeg/jpeg_writer.h"
#include "imaging/colour_count.h"
#include "imaging/console_progress.h"
#include "base/imp_exp_exception.h"
#include "imaging/resize.h"
#include "optimize/gif_optimizer.h"

namespace lp {

namespace {

std::int32_t AtLeastOne(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, 1, std::numeric_limits<std::int32_t>::max()));
}

/// value x multiplier / divisor, truncated toward zero; keep when divisor is 0.
std::int64_t Scaled(std::int64_t value, std::int64_t multiplier, std::int64_t divisor, std::int64_t keep) {
    return divisor == 0 ? keep : value * multiplier / divisor;
}

// Saving: the output is written in the input's format, whatever its name says, by
// that format's row with the job's options (JPEG quality; PNG as a palette picture
// when it has at most 256 colours).
EncodeOptions JobEncodeOptions(const BatchJob& job, ProgressSink* progress) {
    EncodeOptions options;
    options.jpegQuality = job.quality > 0 ? job.quality : kDefaultJpegQuality;
    options.progress = progress;
    options.where = job.output;
    return options;
}

void SaveJobOutput(const Picture& picture, const BatchJob& job, PictureFileType inputType, ProgressSink* progress) {
    const FormatRow* row = FindFormat(inputType);
    if (!row || !row->CanWrite())
        throw ImpExpException(job.output, std::string("Writing ") + FileTypeName(inputType) + " files is not supported",
                              "Format Error");
    GifFrameList frames;
    GifFrame frame;
    frame.picture = picture;
    frame.transparentColour = kNoColour;
    frames.Add(std::move(frame));
    SaveWithRow(*row, std::move(frames), nullptr, std::filesystem::path(job.output), JobEncodeOptions(job, progress));
}

std::int32_t ClampToGifCoordinate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, 0, 65535));
}

/// A GIF job: the target size comes from the first frame; every frame is scaled by the
/// first frame's factors (size and position), shifted by the canvas offset, and reduced
/// to the job's colour count (or its own 15-bit cell count, at most 256), so the
/// animation composited afterwards looks like the input composited and resized.
void RunGifJob(const BatchJob& job, const PictureFile& input, ProgressSink* progress, std::string_view& failing) {
    DecodedPicture animation = DecodePictureFile(input);
    GifFrameList& frames = animation.frames;
    GifInfo& info = animation.info;
    if (frames.Empty()) throw ImpExpException(job.input, "No frames in the file", "GIF Error");

    const std::int64_t firstWidth = frames[0].picture.Width();
    const std::int64_t firstHeight = frames[0].picture.Height();
    const TargetSize size = ComputeTargetSize(job, frames[0].picture.Width(), frames[0].picture.Height());
    const std::int64_t canvasWidth = std::max(size.canvasWidth, size.pictureWidth);
    const std::int64_t canvasHeight = std::max(size.canvasHeight, size.pictureHeight);
    const std::int64_t offsetX = (canvasWidth - size.pictureWidth) / 2;
    const std::int64_t offsetY = (canvasHeight - size.pictureHeight) / 2;
    const auto scaleX = [&](std::int64_t v) { return v * size.pictureWidth / firstWidth; };
    const auto scaleY = [&](std::int64_t v) { return v * size.pictureHeight / firstHeight; };

    std::int64_t screenWidth = scaleX(std::max(info.screenWidth, 0)) + 2 * offsetX;
    std::int64_t screenHeight = scaleY(std::max(info.screenHeight, 0)) + 2 * offsetY;
    for (std::size_t i = 0; i < frames.Count(); ++i) {
        GifFrame& frame = frames[i];
        const bool first = i == 0;
        // The first frame sets the canvas; later frames keep their place on the scaled screen.
        const TargetSize frameSize =
            first ? size
                  : TargetSize{AtLeastOne(scaleX(frame.picture.Width())), AtLeastOne(scaleY(frame.picture.Height())),
                               0, 0};
        // Averaging would blend the transparent key into its neighbours: frames with
        // transparency keep exact pixels with the plain resampler.
        const bool smart = job.smart != 0 && frame.transparentColour == kNoColour;
        ComposeJobPicture(frame.picture, frameSize, job.background, smart);
        frame.left = ClampToGifCoordinate(scaleX(frame.left) + (first ? 0 : offsetX));
        frame.top = ClampToGifCoordinate(scaleY(frame.top) + (first ? 0 : offsetY));

        const int target = job.colours > 0 ? std::min(job.colours, 256) : std::min(CountGifFrameCells(frame), 256);
        ReduceGifFrameColours(frame, std::max(target, 1), progress);
        frame.colourCount = std::max(target, 1);  // at most this many now: nothing to fit when saving

        screenWidth = std::max<std::int64_t>(screenWidth, frame.left + std::int64_t(frame.picture.Width()));
        screenHeight = std::max<std::int64_t>(screenHeight, frame.top + std::int64_t(frame.picture.Height()));
    }
    info.screenWidth = ClampToGifCoordinate(screenWidth);
    info.screenHeight = ClampToGifCoordinate(screenHeight);
    // -gc then -gt: cut frames down to their changes, then clear what is unchanged.
    OptimizeGifJobFrames(frames, info, job.gifCutOut, job.gifTransparency, progress);
    failing = job.output;
    SaveWithRow(*FindFormat(PictureFileType::Gif), std::move(frames), &info, std::filesystem::path(job.output),
                JobEncodeOptions(job, progress));
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
    if (smart)
        SmartResize(picture, size.pictureWidth, size.pictureHeight, nullptr);
    else
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
    if ((job.given & kGivenColours) && job.colours < 1) return "Number of colors must be at least 1";
    return {};
}

bool RunBatchJob(const BatchJob& job, ErrorLog& log) {
    // A failure names the file it concerns: the input until the output is being written.
    std::string_view failing = job.input;
    try {
        if (const std::string problem = CheckJobSizes(job); !problem.empty()) {
            log.Write(job.input, problem);
            return false;
        }
        // One read: the bytes that are sniffed are the bytes that are decoded. A file that
        // cannot be read says why (no such file, permission denied).
        const PictureFile input = ReadPictureFile(std::filesystem::path(job.input));
        const PictureFileType type = input.type;
        if (type == PictureFileType::Unknown) {
            log.Write(job.input, "Unknown file format");
            return false;
        }
        if (job.output.empty()) {
            log.Write(job.input, "No output file name");
            return false;
        }
        WarnAboutJob(job, type);
        ConsoleProgress progress;
        if (type == PictureFileType::Gif) {
            RunGifJob(job, input, &progress, failing);
            return true;
        }
        DecodeOptions options;
        options.firstFrameOnly = true;
        Picture picture = std::move(DecodePictureFile(input, options).frames[0].picture);
        ComposeJobPicture(picture, ComputeTargetSize(job, picture.Width(), picture.Height()), job.background,
                          job.smart != 0);
        failing = job.output;
        SaveJobOutput(picture, job, type, &progress);
        return true;
    } catch (const ImpExpException& e) {
        log.Write(failing, e.Message());
    } catch (const std::bad_alloc&) {
        log.Write(failing, "Not Enough Memory");
    } catch (const std::exception& e) {
        log.Write(failing, e.what());
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
