#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

#include "base/byte_sink.h"
#include "base/colour.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"

namespace lp {

enum class PngColourMode {
    /// 24-bit RGB rows; filters None, Sub and Paeth, zlib level 9.
    TrueColour,
    /// 8-bit palette of the picture's colours in first-seen order from the top
    /// row (cut to the first 256). Callers choose it when the picture has at
    /// most 256 colours; any other colour takes its nearest palette entry.
    Palette,
};

/// Encodes a PNG file in memory. A background colour other than kNoColour is
/// written as a bKGD chunk (a palette index in palette mode, 8-bit values
/// otherwise). Progress text "Saving PNG File" or the caption when not empty.
/// Throws ImpExpException("", text, "Png Error"); an empty picture fails.
/// In palette mode a chosen palette (a reduction's) is stored in its own order, repeats
/// dropped, when it holds every colour of the picture; else the colours are collected.
std::vector<std::uint8_t> EncodePng(const Picture& picture, ColourRef background = kNoColour,
                                    ProgressSink* progress = nullptr, std::string_view caption = {},
                                    PngColourMode mode = PngColourMode::TrueColour,
                                    std::span<const ColourEntry> palette = {});

/// The same, streamed into out (a file being saved writes as libpng encodes).
void EncodePng(const Picture& picture, ByteSink& out, ColourRef background = kNoColour,
               ProgressSink* progress = nullptr, std::string_view caption = {},
               PngColourMode mode = PngColourMode::TrueColour, std::span<const ColourEntry> palette = {});

/// The size EncodePng would produce, counted without keeping the bytes.
std::uint64_t MeasurePngSize(const Picture& picture, ColourRef background = kNoColour,
                             PngColourMode mode = PngColourMode::TrueColour);

/// Encodes into the file, atomically: a failure leaves any old file
/// untouched. Throws ImpExpException(file name, text, "Png Error").
void SavePng(const Picture& picture, const std::filesystem::path& path, ColourRef background = kNoColour,
             ProgressSink* progress = nullptr, std::string_view caption = {},
             PngColourMode mode = PngColourMode::TrueColour);

}  // namespace lp
