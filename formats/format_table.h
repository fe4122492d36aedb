#pragma once
#include "formats/file_types.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

#include <filesystem>
#include <string_view>

namespace lp {

using LoadFn = Picture (*)(const std::filesystem::path& path, ProgressSink* progress);
using SaveFn = void (*)(const Picture& picture, const std::filesystem::path& path, ProgressSink* progress);

/// One row of the format table: the single place that knows which code reads
/// a type and which writer serves an extension. A format not yet built has a
/// null function; callers get a clear error instead.
struct ReaderEntry {
    PictureFileType type;
    LoadFn load;  // single picture (for GIF: the first frame)
};

struct WriterEntry {
    std::string_view extension;  // upper case, with the dot
    SaveFn save;
};

const ReaderEntry* FindReader(PictureFileType type);
const WriterEntry* FindWriter(std::string_view upperExtension);

/// Loads one picture with the reader of the given type. Throws ImpExpException
/// (also when no reader for the type exists in this build).
Picture LoadPicture(const std::filesystem::path& path, PictureFileType type, ProgressSink* progress = nullptr);

/// Saves with the writer chosen by the target's extension (case-insensitive).
/// Unknown extension: ImpExpException with "Unsupported Format. Don't know to save as %s.".
void SavePictureByExtension(const Picture& picture, const std::filesystem::path& path,
                            ProgressSink* progress = nullptr);

}  // namespace lp
