#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace mirona {

// Pixels per metre at 96 dots per inch: a screen's logical resolution, and the web's CSS pixel.
inline constexpr std::int32_t kPixelsPerMetreAt96Dpi = 3780;

// The Windows bitmap file of a picture: a 14-byte file header, a 40-byte BITMAPINFOHEADER, then
// the rows bottom-up, 24 bits per pixel in blue, green, red order, each row padded with zeros to
// a multiple of four bytes. `pixels` are 0xAARRGGBB words, row by row, width x height of them;
// alpha is dropped. These are the bytes Qt's BMP writer produces for an RGB32 image with the
// same resolution.
[[nodiscard]] std::vector<std::uint8_t>
encodeBmp(std::span<const std::uint32_t> pixels, int width, int height,
          std::int32_t pixelsPerMetre = kPixelsPerMetreAt96Dpi);

} // namespace mirona
