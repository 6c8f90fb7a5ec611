#pragma once

#include "canvas/BmpEncoder.hpp"

#include <cstdint>
#include <span>
#include <vector>

namespace mirona {

// The PNG file of a black-and-white picture, for handing it to other programs: one bit a pixel
// in greyscale (0 black, 1 white), not interlaced, its resolution in a pHYs chunk, the rows in one
// zlib stream of a single deflate block with the fixed Huffman codes, each run that repeats
// within the last 32 KiB (a white stretch, the row above) sent as a match. `pixels` are 0xAARRGGBB
// words, row by row, width x height of them (sides from 1), as Surface::Image() gives them: a
// word whose colour is 0 is black, any other white; alpha is dropped. Any PNG decoder gives back
// exactly those black and white pixels.
[[nodiscard]] std::vector<std::uint8_t>
encodePng(std::span<const std::uint32_t> pixels, int width, int height,
          std::int32_t pixelsPerMetre = kPixelsPerMetreAt96Dpi);

// The CRC-32 that ends a PNG chunk, of its type and data: for checking a chunk as well as
// writing one.
[[nodiscard]] std::uint32_t pngCrc(std::span<const std::uint8_t> bytes);

} // namespace mirona
