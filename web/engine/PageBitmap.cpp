#include "web/engine/PageBitmap.hpp"

#include <algorithm>
#include <cstddef>

namespace mirona {

PageBitmap::PageBitmap(const Surface& surface) : surface_(surface) {
    reset();
}

void PageBitmap::reset() {
    const int w = surface_.width();
    const int h = surface_.height();
    words_ = (w + 31) / 32;
    marked_.resize(w, h);
    changed_.resize(w, h);
    marked_.add({0, 0, w, h});
    shown_.assign(static_cast<std::size_t>(words_) * h, 0);
    rgba_.assign(static_cast<std::size_t>(w) * h, Surface::kWhite);
    fillWhite_ = true;
}

PageBitmap::Changes PageBitmap::take() {
    const int w = surface_.width();
    for (const PixelRect& r : marked_.take())
        for (int y = r.top; y < r.bottom; ++y) {
            std::uint32_t* const shownRow = shown_.data() + static_cast<std::size_t>(y) * words_;
            std::uint32_t* const out = rgba_.data() + static_cast<std::size_t>(y) * w;
            // Whole words: a word two rectangles share finds nothing changed the second time.
            for (int x = r.left & ~31; x < r.right; x += 32) {
                const std::uint32_t now = surface_.blackMask(x, y);
                std::uint32_t& was = shownRow[x >> 5];
                const std::uint32_t changed = now ^ was;
                if (changed == 0)
                    continue;
                was = now;
                for (int i = 0; i < 32; i += 8) {
                    if ((changed >> i & 0xFFu) == 0)
                        continue;
                    const int end = std::min(x + i + 8, w);
                    for (int p = x + i; p < end; ++p)
                        out[p] = Surface::colourOf(now, p - x);
                    changed_.add({x + i, y, end, y + 1});
                }
            }
        }

    Changes changes{fillWhite_, {}};
    fillWhite_ = false;
    // The bands of changed cells, each joined to a rectangle above it where the pixels that
    // rectangle would then copy unchanged, in all, cost less than a call.
    std::vector<PixelRect>& joined = changes.rects;
    std::vector<long long> unchanged; // of each rectangle joined
    const auto area = [](const PixelRect& r) {
        return static_cast<long long>(r.width()) * r.height();
    };
    for (const PixelRect& band : changed_.take()) {
        // Only the last few: the bands come top to bottom, and those far above are done.
        const std::size_t first = joined.size() > kLookBack ? joined.size() - kLookBack : 0;
        std::size_t into = first;
        long long grown = 0;
        for (; into < joined.size(); ++into) {
            const PixelRect& o = joined[into];
            grown = unchanged[into] + area(o.united(band)) - area(o) - area(band);
            if (o.bottom >= band.top - (1 << kCell) && grown < kRectCost)
                break;
        }
        if (into < joined.size()) {
            joined[into] = joined[into].united(band);
            unchanged[into] = grown;
        } else {
            joined.push_back(band);
            unchanged.push_back(0);
        }
    }
    return changes;
}

} // namespace mirona
