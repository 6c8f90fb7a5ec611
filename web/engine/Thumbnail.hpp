#pragma once

#include "canvas/Surface.hpp"

#include <cstdint>
#include <vector>

namespace mirona {

// The picture shrunk for a list of pictures: at most maxSide pixels a side, the aspect kept,
// one grey byte a pixel (0 black, 255 white), row by row. Each pixel is as dark as the share of
// black in the area it stands for, made three times as strong, so that lines a pixel wide still
// show at a twentieth of their size.
struct Thumbnail {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> grey;
};

[[nodiscard]] Thumbnail thumbnailOf(const Surface& surface, int maxSide);

} // namespace mirona
