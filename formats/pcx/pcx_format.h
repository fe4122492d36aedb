#pragma once
// Private to the PCX reader and writer: the file layout and error codes.
#include <cstddef>
#include <cstdint>

namespace lp::pcx {

enum ErrorCode : int {
    kErrorOpening = 0,
    kErrorReadingHeader = 1,
    kBadParameters = 2,
    kUnknownFormat = 3,
    kErrorDecoding = 4,
    kNoMemory = 5,
    kBadColourMapEntrySize = 6,
    kPrematureEof = 7,
    kErrorWriting = 8,
};

inline constexpr std::size_t kHeaderBytes = 128;
inline constexpr std::uint8_t kManufacturer = 10;
inline constexpr std::uint8_t kVersionWithPalette = 5;

// A version 5 file may end with the marker 12 and a 768-byte palette.
inline constexpr std::uint8_t kPaletteMarker = 12;
inline constexpr std::size_t kPaletteBytes = 768;

// Run-length data: a byte with both top bits set carries a count (low six bits)
// for the byte after it.
inline constexpr std::uint8_t kRunMask = 0xC0;
inline constexpr int kMaxRun = 63;

// Header field offsets.
inline constexpr std::size_t kOffVersion = 1;
inline constexpr std::size_t kOffEncoding = 2;
inline constexpr std::size_t kOffBitsPerPixel = 3;
inline constexpr std::size_t kOffXMin = 4;
inline constexpr std::size_t kOffYMin = 6;
inline constexpr std::size_t kOffXMax = 8;
inline constexpr std::size_t kOffYMax = 10;
inline constexpr std::size_t kOffPlanes = 65;
inline constexpr std::size_t kOffBytesPerLine = 66;

}  // namespace lp::pcx
