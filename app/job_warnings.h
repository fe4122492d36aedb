#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "app/batch_command_line.h"
#include "formats/file_types.h"

namespace lp {

/// What a legacy job will do that its command line does not say: the output is written in
/// the input's format whatever its extension names, and -q, -n, -gt and -gc act on one input
/// format only. Each line starts with "warning: ". They never change the job or its status.
std::vector<std::string> JobWarnings(const BatchJob& job, PictureFileType inputType);

/// "warning: OUT: kept frame 1 of N (only GIF holds an animation)" when an animation of
/// frameCount frames is written to a format that holds one frame; empty otherwise.
std::string KeptFirstFrameWarning(const std::string& shownOutput, bool outputHoldsFrames, std::size_t frameCount);

/// Prints every line of JobWarnings to err (standard error in the program).
void WarnAboutJob(const BatchJob& job, PictureFileType inputType, std::FILE* err = stderr);

}  // namespace lp
