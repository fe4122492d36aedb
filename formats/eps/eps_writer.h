#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/picture.h"
#include "imaging/progress_sink.h"

namespace lp {

/// The PostScript program that paints the picture as a 24-bit colour image
/// (rows from the top, each pixel as six lower-case hex digits). With
/// endComment the program ends with "%%EOF" (no line break), as in the preview
/// form. The progress sink gets Step(row) per row.
std::string EpsPostScript(const Picture& picture, bool endComment, ProgressSink* progress);

/// The whole EPS file in memory. With preview: the 32-byte DOS/Windows EPS
/// header (0xC5D0D3C6), the PostScript part and a TIFF preview of the picture;
/// without: the PostScript part alone. Throws ImpExpException(where,
/// "Error writing to file", "EPS Error") for an empty picture; a failure of the
/// TIFF preview comes as the TIFF writer's exception ("Tiff Error").
std::vector<std::uint8_t> EncodeEps(const Picture& picture, bool preview, ProgressSink* progress,
                                    const std::string& where = {});

/// Encodes and writes atomically: a failure leaves any old file untouched.
/// "Unable to open file for writing" or "Error writing to file" ("EPS Error").
void SaveEps(const Picture& picture, const std::filesystem::path& path, bool preview, ProgressSink* progress);

/// The form the document and the format table use: with the TIFF preview.
void SaveEpsWithPreview(const Picture& picture, const std::filesystem::path& path, ProgressSink* progress);

}  // namespace lp
