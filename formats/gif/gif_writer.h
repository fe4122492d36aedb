#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/gif/gif_records.h"
#include "base/colour.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

namespace lp {

/// Appended to every comment the writer stores (when not already there).
inline constexpr std::string_view kGifSignature = "Made with Lumaprism";

/// The comment text the writer stores for a comment: the comment (up to any NUL) with
/// the signature appended unless it already holds it, cut to kGifMaxComment characters.
std::string GifCommentWithSignature(std::string_view comment);

/// Encodes one picture as a GIF89a file in memory (no comment, no looping block, no
/// transparency); the background index is that of background in the palette, else 0.
/// Every frame the writer takes must have at most 256 distinct colours; more fail with
/// "too many colors - try reducing colors" (see FitGifColours). Failures raise
/// ImpExpException(where, text, "Gif Error"). A palette chosen by a reduction (or, for a
/// list, each frame's palette) gives the colours looked up before any is discovered; the
/// table keeps the writer's own order, chosen for short codes, and only the colours used.
std::vector<std::uint8_t> EncodeGif(const Picture& picture, ColourRef background, ProgressSink* progress = nullptr,
                                    std::string_view caption = {}, const std::string& where = {},
                                    std::span<const ColourEntry> palette = {});

/// Encodes every frame of the list with the animation record: comment (with the
/// signature), looping block when info.loop or info.loopCount is set (the count as
/// given), graphic control per frame. A list of one frame is written as a still picture
/// at (0, 0) on a screen of its size. With more than one frame the screen is
/// info.screenWidth x info.screenHeight, or, when either is not positive, the smallest
/// screen that covers every frame.
std::vector<std::uint8_t> EncodeGif(const GifFrameList& frames, const GifInfo& info, ProgressSink* progress = nullptr,
                                    std::string_view caption = {}, const std::string& where = {});

/// Encode and write atomically: a failure leaves any old file untouched. Errors name the file.
void SaveGif(const Picture& picture, const std::filesystem::path& path, ColourRef background,
             ProgressSink* progress = nullptr, std::string_view caption = {});
/// As above for a frame list; after a successful save info.comment holds the text written.
void SaveGif(const GifFrameList& frames, GifInfo& info, const std::filesystem::path& path,
             ProgressSink* progress = nullptr, std::string_view caption = {});

/// The format table's writer: the picture alone, background black.
void SaveGifPicture(const Picture& picture, const std::filesystem::path& path, ProgressSink* progress);

}  // namespace lp
