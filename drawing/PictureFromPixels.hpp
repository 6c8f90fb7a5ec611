#pragma once

#include "canvas/Surface.hpp"

#include <cstdint>
#include <span>

namespace mirona {

// Whether a pixel of R, G, B and alpha bytes, composited over white, is black: its luminance
// 0.299 R + 0.587 G + 0.114 B is below 128. Exact, in whole numbers, with no rounding between the
// compositing and the luminance.
constexpr bool isBlackPixel(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    const std::int64_t luminance =
        std::int64_t{299} * r + std::int64_t{587} * g + std::int64_t{114} * b;
    // luminance over white, times 1000 * 255: a * L + (255 - a) * 255 * 1000.
    return a * luminance + (255 - a) * std::int64_t{255000} < std::int64_t{128000} * 255;
}

// The square canvas a width x height picture opens on: the side is the longer of the two, and
// the picture's top-left corner is at (left, top), which centres it, rounded down.
struct PicturePlace {
    int side = 0;
    int left = 0;
    int top = 0;
};
constexpr PicturePlace placeOf(int width, int height) {
    const int side = width > height ? width : height;
    return {side, (side - width) / 2, (side - height) / 2};
}

// Gives the surface the picture's square canvas, white, with the picture's black pixels on it
// (isBlackPixel) at placeOf: `rgba` holds width x height pixels, row by row, four bytes each in
// the order R, G, B, alpha. The sizes must be at least 1 and rgba that long.
void drawPictureFromPixels(Surface& surface, int width, int height,
                           std::span<const std::uint8_t> rgba);

} // namespace mirona
