#include "drawing/PictureFromPixels.hpp"

#include <algorithm>
#include <array>
#include <vector>

namespace mirona {

void drawPictureFromPixels(Surface& surface, int width, int height,
                           std::span<const std::uint8_t> rgba) {
    const PicturePlace place = placeOf(width, height);
    surface.resize(place.side, place.side);
    // A band of 32 canvas rows at a time, as the black bits of its 32 x 32 blocks, inverted onto
    // the white surface.
    const int blocks = (place.side + 31) / 32;
    std::vector<std::array<std::uint32_t, 32>> masks(static_cast<std::size_t>(blocks));
    const int bottom = place.top + height;
    for (int top = place.top / 32 * 32; top < bottom; top += 32) {
        const int rows = std::min(32, place.side - top);
        for (auto& block : masks)
            block.fill(0);
        for (int r = 0; r < rows; ++r) {
            const int y = top + r - place.top;
            if (y < 0 || y >= height)
                continue;
            const std::uint8_t* p = rgba.data() + static_cast<std::size_t>(y) * width * 4;
            for (int x = place.left; x < place.left + width; ++x, p += 4)
                if (isBlackPixel(p[0], p[1], p[2], p[3]))
                    masks[static_cast<std::size_t>(x >> 5)][static_cast<std::size_t>(r)] |=
                        1u << (x & 31);
        }
        surface.invertMasked(0, top, blocks, rows,
                             [&](int j) { return masks[static_cast<std::size_t>(j)].data(); });
    }
}

} // namespace mirona
