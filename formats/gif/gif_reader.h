#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "formats/gif/gif_records.h"
#include "imaging/image_size.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

namespace lp {

/// What the reader may allocate. Fuzzers and tests lower these; nothing is global.
struct GifReadLimits {
    ImageLimits picture;                        // the logical screen and every frame
    std::uint64_t maxTotalPixels = 1ull << 30;  // all frames of one file together
    std::uint32_t maxFrames = 100000;
};

struct GifReadOptions {
    /// Progress text: empty gives "Loading GIF File ... Frame #N"; else this caption.
    std::string caption;
    GifReadLimits limits;
};

/// A whole GIF file: every frame and the animation-level record.
struct GifAnimation {
    GifFrameList frames;
    GifInfo info;
};

/// Reads every frame. Failures raise ImpExpException(file name, text, "GIF Error") with
/// "File Open Error", "Premature end of input file", "Unknown message code 1016" (not a GIF),
/// "Unknown message code 1013" (LZW code size outside 1..11), "Not Enough Memory" or a
/// "too large" text. A stream cut after at least one complete frame keeps its frames; a cut
/// frame keeps what it decoded, the rest filled with the background (or its transparent colour).
GifAnimation LoadGif(const std::filesystem::path& path, ProgressSink* progress = nullptr,
                     const GifReadOptions& options = {});
GifAnimation DecodeGif(std::span<const std::uint8_t> file, const std::string& where, ProgressSink* progress = nullptr,
                       const GifReadOptions& options = {});

/// Reads the first frame only (its record holds the picture and transparent colour);
/// info, when given, is filled too.
GifFrame LoadGifFirstFrame(const std::filesystem::path& path, ProgressSink* progress = nullptr, GifInfo* info = nullptr,
                           const GifReadOptions& options = {});
GifFrame DecodeGifFirstFrame(std::span<const std::uint8_t> file, const std::string& where,
                             ProgressSink* progress = nullptr, GifInfo* info = nullptr,
                             const GifReadOptions& options = {});

/// Picture of the first frame: the format table's reader.
Picture LoadGifPicture(const std::filesystem::path& path, ProgressSink* progress);

/// Animation probe: reads the first frame and looks for a second image. Any failure
/// (including a file that cannot be read) answers false.
bool IsAnimatedGif(const std::filesystem::path& path, const GifReadOptions& options = {});
bool IsAnimatedGif(std::span<const std::uint8_t> file, const GifReadOptions& options = {});

}  // namespace lp
