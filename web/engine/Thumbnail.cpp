#include "web/engine/Thumbnail.hpp"

#include <algorithm>
#include <bit>

namespace mirona {

Thumbnail thumbnailOf(const Surface& surface, int maxSide) {
    const int w = surface.width();
    const int h = surface.height();
    Thumbnail t;
    const int longer = std::max(w, h);
    const int side = std::min(maxSide, longer);
    t.width = std::max(1, w * side / longer);
    t.height = std::max(1, h * side / longer);
    // Column c of the thumbnail stands for canvas columns [edges[c], edges[c + 1]).
    std::vector<int> edges(static_cast<std::size_t>(t.width) + 1);
    for (int c = 0; c <= t.width; ++c)
        edges[static_cast<std::size_t>(c)] = c * w / t.width;
    std::vector<int> black(static_cast<std::size_t>(t.width) * t.height, 0);
    for (int y = 0; y < h; ++y) {
        int* row = black.data() + static_cast<std::size_t>(y * t.height / h) * t.width;
        for (int c = 0; c < t.width; ++c) {
            const int from = edges[static_cast<std::size_t>(c)];
            const int to = edges[static_cast<std::size_t>(c) + 1];
            // The columns' bits, a word of 32 at a time, masked to [from, to).
            for (int x = from & ~31; x < to; x += 32) {
                std::uint32_t mask = ~std::uint32_t{0};
                if (x < from)
                    mask &= ~std::uint32_t{0} << (from - x);
                if (to - x < 32)
                    mask &= ~(~std::uint32_t{0} << (to - x));
                row[c] += std::popcount(surface.blackMask(x, y) & mask);
            }
        }
    }
    t.grey.resize(black.size());
    for (int r = 0; r < t.height; ++r) {
        const long long rows = (static_cast<long long>(r + 1) * h + t.height - 1) / t.height -
                               (static_cast<long long>(r) * h + t.height - 1) / t.height;
        for (int c = 0; c < t.width; ++c) {
            const auto i = static_cast<std::size_t>(r) * t.width + c;
            const long long area = rows * (edges[static_cast<std::size_t>(c) + 1] -
                                           edges[static_cast<std::size_t>(c)]);
            const long long dark =
                area > 0 ? std::min<long long>(255, 3 * 255 * black[i] / area) : 0;
            t.grey[i] = static_cast<std::uint8_t>(255 - dark);
        }
    }
    return t;
}

} // namespace mirona
