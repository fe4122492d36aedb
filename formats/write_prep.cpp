#include "formats/write_prep.h"

#include <algorithm>

#include "formats/gif/gif_colours.h"
#include "imaging/colour_count.h"

namespace lp {

namespace {

bool FitsSide(const Picture& picture, std::int32_t maxSide) {
    return maxSide == 0 || (picture.Width() <= maxSide && picture.Height() <= maxSide);
}

}  // namespace

bool PngUsesPalette(const Picture& picture, const EncodeOptions& options) {
    switch (options.pngPalette) {
        case PngPaletteMode::Palette: return true;
        case PngPaletteMode::TrueColour: return false;
        case PngPaletteMode::Auto: break;
    }
    if (picture.IsEmpty()) return false;
    const std::int64_t colours = options.knownColours > 0 ? options.knownColours : CountColours(picture);
    return colours <= 256;
}

int PrepareForWrite(const FormatRow& row, GifFrameList& frames, EncodeOptions& options) {
    if (row.accepts.maxFrames != 0)
        while (frames.Count() > std::size_t(row.accepts.maxFrames)) frames.RemoveAt(frames.Count() - 1);

    int changed = 0;
    if (row.accepts.maxColours != 0) {
        for (GifFrame& frame : frames) {
            if (frame.picture.IsEmpty() || !FitsSide(frame.picture, row.accepts.maxSide)) continue;
            if (frame.colourCount == 0) frame.colourCount = static_cast<std::int32_t>(
                std::min<std::int64_t>(CountColours(frame.picture, options.progress), 1 << 30));
            if (frame.colourCount <= row.accepts.maxColours) continue;
            if (FitGifColours(frame, options.progress)) ++changed;
            frame.colourCount = row.accepts.maxColours;
        }
    }
    if (row.type == PictureFileType::Png && options.pngPalette == PngPaletteMode::Auto && !frames.Empty()) {
        const Picture& picture = frames[0].picture;
        if (!picture.IsEmpty() && options.knownColours == 0) options.knownColours = CountColours(picture);
        options.pngPalette = PngUsesPalette(picture, options) ? PngPaletteMode::Palette : PngPaletteMode::TrueColour;
    }
    return changed;
}

std::vector<std::uint8_t> EncodeSaveable(const FormatRow& row, GifFrameList frames, GifInfo* info,
                                         EncodeOptions options) {
    PrepareForWrite(row, frames, options);
    return EncodeWithRow(row, frames, info, options);
}

std::vector<std::uint8_t> EncodeSaveable(const FormatRow& row, const Picture& picture, EncodeOptions options) {
    GifFrameList frames;
    GifFrame frame;
    frame.picture = picture;
    frame.transparentColour = kNoColour;
    frames.Add(std::move(frame));
    return EncodeSaveable(row, std::move(frames), nullptr, std::move(options));
}

void SaveWithRow(const FormatRow& row, GifFrameList frames, GifInfo* info, const std::filesystem::path& path,
                 EncodeOptions options) {
    if (options.where.empty()) options.where = path.string();
    PrepareForWrite(row, frames, options);
    EncodeIntoFile(row, path, frames, info, options);
}

}  // namespace lp
