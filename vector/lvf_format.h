#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "imaging/progress_sink.h"
#include "vector/vector_object.h"

namespace lp {

/// The program's own vector format: a 177-byte header ("LV", the text
/// "LINEAR VECTOR FORMAT 1.0", spaces), the background colour, a 16-bit object
/// count and the objects (type, hole count, colour, 16-bit point count, points
/// as 32-bit x and y). Everything little-endian.
inline constexpr std::size_t kLvfHeaderBytes = 177;
inline constexpr std::size_t kLvfObjectHeaderBytes = 9;

/// The whole file in memory. A count over 65535 (objects, holes or points of
/// one object) does not fit its field: InnerError("Error writing to file").
/// Progress: "Writing Objects.." over the objects.
std::vector<std::uint8_t> EncodeLvf(const VectorDrawing& drawing, ProgressSink* progress = nullptr);

/// What an LVF file gives back. The format keeps no canvas size (width and
/// height stay 0) and writes "no background" as black, so background is the
/// stored colour whatever it meant.
VectorDrawing DecodeLvf(std::span<const std::uint8_t> bytes);

/// Reads an LVF file. Throws ImpExpException (title "Vector Error") when the
/// file cannot be read or is not a complete LVF file.
VectorDrawing ReadLvf(const std::filesystem::path& path);

}  // namespace lp
