#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "imaging/progress_sink.h"
#include "vector/vector_object.h"

namespace lp {

enum class VectorFileFormat { Lvf, Wmf, Emf, Eps, Svg };

/// The format of an upper-case extension with its dot (".LVF", ".WMF", ".EMF",
/// ".EPS", ".SVG"); none for anything else.
std::optional<VectorFileFormat> VectorFormatForExtension(std::string_view upperExtension);

/// The file's bytes. Throws InnerError with the format's message.
std::vector<std::uint8_t> EncodeVectorFile(const VectorDrawing& drawing, VectorFileFormat format,
                                           ProgressSink* progress = nullptr);

/// Writes the drawing in the format of the path's extension (any case),
/// atomically: a failure leaves an old file as it was. Throws ImpExpException:
/// "Unsupported Format. Don't know to save as %s." (nothing written),
/// "Unable to open file \n%s\nfor writing", "Error writing Header Information",
/// "Error writing to file" (LVF, the application's title "Lumaprism");
/// "Unable to create Meta file \n%s\nfor writing" (WMF, EMF) and the EPS and
/// SVG messages under "Vector Error".
void WriteVectorFile(const VectorDrawing& drawing, const std::filesystem::path& path, ProgressSink* progress = nullptr);

/// The save dialog's filter, one entry per format of the metafile family.
extern const char* const kVectorSaveFilter;
/// Our SVG writer's entry, shown after those (filter index 4).
extern const char* const kSvgSaveFilterEntry;
/// A name chosen in the save dialog without an extension gets the one of the
/// chosen filter entry (0 ".lvf", 1 ".wmf", 2 ".emf", 3 ".eps", 4 ".svg").
std::filesystem::path WithVectorExtension(const std::filesystem::path& chosen, int filterIndex);

}  // namespace lp
