#pragma once
// Picture sizes read from a file's header: no pixel is decoded, nothing large allocated.
#include <cstdint>
#include <optional>
#include <span>

#include "formats/format_table.h"

namespace lp {

std::optional<PictureHeader> ReadJpegHeader(std::span<const std::uint8_t> file);
/// The logical screen (rebuilt from the frames when it is 0 x 0) and the number of frames.
std::optional<PictureHeader> ReadGifHeader(std::span<const std::uint8_t> file);
std::optional<PictureHeader> ReadPngHeader(std::span<const std::uint8_t> file);
std::optional<PictureHeader> ReadBmpHeader(std::span<const std::uint8_t> file);
std::optional<PictureHeader> ReadPcxHeader(std::span<const std::uint8_t> file);
std::optional<PictureHeader> ReadTargaHeader(std::span<const std::uint8_t> file);
/// The first image of either byte order.
std::optional<PictureHeader> ReadTiffHeader(std::span<const std::uint8_t> file);

}  // namespace lp
