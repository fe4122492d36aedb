#include "vector/vector_file.h"

#include <new>
#include <string>

#include "formats/file_types.h"
#include "base/atomic_file.h"
#include "base/imp_exp_exception.h"
#include "vector/lvf_format.h"
#include "vector/metafile_writer.h"
#include "vector/vector_text_writers.h"

namespace lp {

namespace {

constexpr const char* kApplicationTitle = "Lumaprism";
constexpr const char* kVectorErrorTitle = "Vector Error";

std::vector<std::uint8_t> TextBytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string OpenMessage(const std::filesystem::path& path) {
    return "Unable to open file \n" + path.string() + "\nfor writing";
}
std::string MetafileMessage(const std::filesystem::path& path) {
    return "Unable to create Meta file \n" + path.string() + "\nfor writing";
}

void WriteLvf(const VectorDrawing& drawing, const std::filesystem::path& path, ProgressSink* progress) {
    const std::vector<std::uint8_t> bytes = EncodeLvf(drawing, progress);
    AtomicFileWriter file(path, OpenMessage(path), "Error writing to file");
    const std::span<const std::uint8_t> all(bytes);
    try {
        file.Write(all.first(kLvfHeaderBytes));
    } catch (const InnerError&) {
        throw InnerError("Error writing Header Information");
    }
    file.Write(all.subspan(kLvfHeaderBytes));
    file.Commit();
}

}  // namespace

const char* const kVectorSaveFilter =
    "Lumaprism Vector Format (*.LVF)|*.lvf|Window Meta File (*.WMF)|*.wmf|Window Enhanced Meta File "
    "(*.EMF)|*.emf|Encapsulated PostScript File (*.EPS)|*.eps||";
const char* const kSvgSaveFilterEntry = "Scalable Vector Graphics (*.SVG)|*.svg||";

std::optional<VectorFileFormat> VectorFormatForExtension(std::string_view ext) {
    if (ext == ".LVF") return VectorFileFormat::Lvf;
    if (ext == ".WMF") return VectorFileFormat::Wmf;
    if (ext == ".EMF") return VectorFileFormat::Emf;
    if (ext == ".EPS") return VectorFileFormat::Eps;
    if (ext == ".SVG") return VectorFileFormat::Svg;
    return std::nullopt;
}

std::vector<std::uint8_t> EncodeVectorFile(const VectorDrawing& drawing, VectorFileFormat format,
                                           ProgressSink* progress) {
    switch (format) {
        case VectorFileFormat::Lvf:
            return EncodeLvf(drawing, progress);
        case VectorFileFormat::Wmf:
            return EncodeWmf(drawing, progress);
        case VectorFileFormat::Emf:
            return EncodeEmf(drawing, progress);
        case VectorFileFormat::Eps:
            return TextBytes(EncodeVectorEps(drawing, progress));
        case VectorFileFormat::Svg:
            return TextBytes(EncodeVectorSvg(drawing, progress));
    }
    throw InnerError("Unsupported Format");
}

void WriteVectorFile(const VectorDrawing& drawing, const std::filesystem::path& path, ProgressSink* progress) {
    const std::string ext = UpperExtension(path);
    const std::optional<VectorFileFormat> format = VectorFormatForExtension(ext);
    if (!format)
        throw ImpExpException(path.string(), "Unsupported Format. Don't know to save as " + ext + ".",
                              kApplicationTitle);
    const bool metafile = *format == VectorFileFormat::Wmf || *format == VectorFileFormat::Emf;
    const char* title = *format == VectorFileFormat::Lvf ? kApplicationTitle : kVectorErrorTitle;
    try {
        if (*format == VectorFileFormat::Lvf) {
            WriteLvf(drawing, path, progress);
            return;
        }
        const std::vector<std::uint8_t> bytes = EncodeVectorFile(drawing, *format, progress);
        const std::string openMessage = metafile ? MetafileMessage(path) : OpenMessage(path);
        WriteFileAtomically(path, bytes, openMessage, metafile ? openMessage : "Error writing to file");
    } catch (const InnerError& e) {
        // The metafile encoders know no path; their one message names it.
        throw ImpExpException(path.string(), metafile ? MetafileMessage(path) : std::string(e.what()), title);
    } catch (const std::bad_alloc&) {
        throw ImpExpException(path.string(), "Not enough Memory", title);
    }
}

std::filesystem::path WithVectorExtension(const std::filesystem::path& chosen, int filterIndex) {
    static constexpr const char* kExtensions[] = {".lvf", ".wmf", ".emf", ".eps", ".svg"};
    if (chosen.has_extension() || filterIndex < 0 || filterIndex > 4) return chosen;
    std::filesystem::path named = chosen;
    named += kExtensions[filterIndex];
    return named;
}

}  // namespace lp
