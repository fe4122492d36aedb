#pragma once
#include <filesystem>

#include "imaging/picture.h"

namespace lp {

/// The sample picture's file name in the PICTURE folder.
inline constexpr const char* kSamplePictureName = "rock.jpg";

/// A picture of a grey-brown stone surface drawn by the program itself
/// (layered value noise with light from the top left).
Picture MakeSamplePicture(int width = 320, int height = 240);

/// Writes the sample picture into the folder unless the file exists.
/// Returns its path; an empty path when it could not be written.
std::filesystem::path EnsureSamplePicture(const std::filesystem::path& pictureFolder);

}  // namespace lp
