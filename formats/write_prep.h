#pragma once
// The one step that makes frames saveable by a row's writer, shared by every save and
// every size measurement, so that what is measured is what is written.
#include "formats/format_table.h"

namespace lp {

/// Prepares frames (the caller's copies) for row: frames over the writer's colour limit
/// are fitted (a frame with a transparent colour keeps an exact key, its visible colours
/// reduced); the automatic PNG palette mode is decided from the colour count; pictures
/// past the writer's largest side are left for the writer to refuse with its own error.
/// Frames past the writer's frame limit are dropped (a one-picture format writes the
/// first). Returns the number of frames whose pixels changed.
int PrepareForWrite(const FormatRow& row, GifFrameList& frames, EncodeOptions& options);

/// True when the PNG writer writes a palette picture for these options: the mode asks
/// for it, or Auto and the picture has at most 256 colours (counted unless known).
bool PngUsesPalette(const Picture& picture, const EncodeOptions& options);

/// Prepares copies and encodes: the bytes a save with the same options writes.
std::vector<std::uint8_t> EncodeSaveable(const FormatRow& row, GifFrameList frames, GifInfo* info,
                                         EncodeOptions options);
std::vector<std::uint8_t> EncodeSaveable(const FormatRow& row, const Picture& picture, EncodeOptions options);

/// Prepares, encodes and writes atomically. A failure leaves any old file untouched.
void SaveWithRow(const FormatRow& row, GifFrameList frames, GifInfo* info, const std::filesystem::path& path,
                 EncodeOptions options);

}  // namespace lp
