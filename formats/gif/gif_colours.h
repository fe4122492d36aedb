#pragma once
#include "formats/gif/gif_records.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

namespace lp {

/// Makes a frame writable as GIF: with more than 256 distinct colours it is reduced
/// (popularity reduction, no dithering). A transparent frame keeps its transparent pixels
/// exactly: the others are reduced to 255 colours and the transparent ones take a colour
/// outside that palette, which becomes the frame's transparentColour. Returns true when the
/// frame was changed. Throws what the reduction throws (ImpExpException).
bool FitGifColours(GifFrame& frame, ProgressSink* progress = nullptr);
/// Reduces a frame to at most targetCount colours (1..256) the same way, keeping its
/// transparent pixels exact; with transparency the visible colours get targetCount - 1
/// entries (at least 1). Returns false only for an empty frame.
bool ReduceGifFrameColours(GifFrame& frame, int targetCount, ProgressSink* progress = nullptr);
/// The table entries a frame needs without merging: its visible pixels' 15-bit cells, plus one
/// for the transparent colour when the frame shows it.
int CountGifFrameCells(const GifFrame& frame);
/// Every frame of the list; returns the number of frames changed.
int FitGifColours(GifFrameList& frames, ProgressSink* progress = nullptr);
/// A single picture (no transparency).
bool FitGifColours(Picture& picture, ProgressSink* progress = nullptr);

}  // namespace lp
