#pragma once
// Private to the Targa reader and writer: the file layout and error codes.
#include <array>
#include <cstdint>

namespace lp::tga {

enum ErrorCode : int {
    kErrorOpening = 0,
    kErrorReadingHeader = 1,
    kBadParameters = 2,
    kUnknownFormat = 3,
    kUnknownColourMapEntry = 4,
    kNoMemory = 5,
    kBadColourMapEntrySize = 6,
    kPrematureEof = 7,
    kErrorWriting = 8,
};

inline constexpr std::size_t kHeaderBytes = 18;

// Image types; run-length encoded types are these plus 8.
inline constexpr int kTypeColourMapped = 1;
inline constexpr int kTypeTrueColour = 2;
inline constexpr int kTypeGrey = 3;
inline constexpr int kRleTypeOffset = 8;

// Image descriptor bits.
inline constexpr std::uint8_t kRightToLeft = 0x10;
inline constexpr std::uint8_t kTopToBottom = 0x20;
inline constexpr std::uint8_t kInterleaveMask = 0xC0;

// Run-length packets: bit 7 marks a run, bits 0-6 hold count - 1.
inline constexpr std::uint8_t kRunPacket = 0x80;
inline constexpr int kMaxPacketPixels = 128;

/// 5-bit channel to 8 bits: v * 255 / 31 rounded to nearest.
inline constexpr std::array<std::uint8_t, 32> kFiveToEight = {0,   8,   16,  25,  33,  41,  49,  58,  66,  74,  82,
                                                              90,  99,  107, 115, 123, 132, 140, 148, 156, 165, 173,
                                                              181, 189, 197, 206, 214, 222, 230, 239, 247, 255};

}  // namespace lp::tga
