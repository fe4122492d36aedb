#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "app/batch_command_line.h"
#include "app/error_log.h"
#include "base/colour.h"
#include "imaging/picture.h"

namespace lp {

/// Where a job's picture ends up: the picture is resized to picture size and
/// centred on a canvas of max(canvas, picture) size.
struct TargetSize {
    std::int32_t pictureWidth = 0;
    std::int32_t pictureHeight = 0;
    std::int32_t canvasWidth = 0;
    std::int32_t canvasHeight = 0;

    friend bool operator==(const TargetSize&, const TargetSize&) = default;
};

/// The job's target size for a picture of pictureWidth x pictureHeight, from the
/// width, height, proportional and background flags it was given. Computed
/// sizes are at least 1; a zero divisor leaves the value it would have changed.
TargetSize ComputeTargetSize(const BatchJob& job, std::int32_t pictureWidth, std::int32_t pictureHeight);

/// Resizes the picture to the target's picture size and centres it on a canvas
/// filled with the background colour. Throws ImpExpException when a surface
/// cannot be made; the picture is then unchanged or resized but not composed.
void ComposeJobPicture(Picture& picture, const TargetSize& size, ColourRef background, bool smart);

/// Empty when the sizes the user gave are usable, else the message to log.
std::string CheckJobSizes(const BatchJob& job);

/// Runs one job: sniff, load, compose, save in the input's format. A failure is
/// logged as "ERROR: <input> <message>" and leaves any existing output as it was.
bool RunBatchJob(const BatchJob& job, ErrorLog& log);

/// Runs the jobs in order, each regardless of the others; returns how many failed.
int RunBatchJobs(std::span<const BatchJob> jobs, ErrorLog& log);

}  // namespace lp
