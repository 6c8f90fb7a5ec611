#include "web/engine/PageBitmap.hpp"

#include <algorithm>
#include <bit>
#include <cstddef>

namespace mirona {

PageBitmap::PageBitmap(const Surface& surface) : surface_(surface) {
    reset();
}

void PageBitmap::reset() {
    const int w = surface_.width();
    const int h = surface_.height();
    marked_.resize(w, h);
    changed_.resize(w, h);
    marked_.add({0, 0, w, h});
    shown_.assign(surface_.bits().size(), 0);
    const auto pixels = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    if (pixels > capacity_) {
        rgba_.reset(new std::uint32_t[pixels]); // left unwritten: see written_
        capacity_ = pixels;
    }
    written_.assign(static_cast<std::size_t>((h + kBand - 1) / kBand), false);
    fillWhite_ = true;
}

void PageBitmap::fillBands(int top, int bottom) {
    const int w = surface_.width();
    for (int band = top / kBand; band * kBand < bottom; ++band) {
        if (written_[static_cast<std::size_t>(band)])
            continue;
        written_[static_cast<std::size_t>(band)] = true;
        const int end = std::min((band + 1) * kBand, surface_.height());
        std::fill(rgba_.get() + static_cast<std::size_t>(band) * kBand * w,
                  rgba_.get() + static_cast<std::size_t>(end) * w, Surface::kWhite);
    }
}

PageBitmap::Changes PageBitmap::take() {
    const int w = surface_.width();
    surface_.changedWords(marked_.take(), shown_, words_);
    for (const auto& [x, y, changed, now] : words_) {
        if (!written_[static_cast<std::size_t>(y / kBand)])
            fillBands(y, y + 1);
        std::uint32_t* const out = rgba_.get() + static_cast<std::size_t>(y) * w;
        // The bytes from the first changed one to the last: along an outline, one.
        const int first = std::countr_zero(changed) & ~7;
        const int last = (31 - std::countl_zero(changed)) & ~7;
        for (int i = first; i <= last; i += 8) {
            if ((changed >> i & 0xFFu) == 0)
                continue;
            if (x + i + 8 <= w)
                Surface::eightPixels(now >> i & 0xFFu, out + x + i);
            else // the canvas's last pixels, short of a byte
                surface_.displayRow(y, x + i, w, out + x + i);
        }
        changed_.addRun(y, x + first, std::min(x + last + 8, w));
    }

    Changes changes{fillWhite_, {}};
    fillWhite_ = false;
    // The bands of changed tiles, each joined to a rectangle it touches above or beside it where
    // the pixels that rectangle would then copy unchanged, in all, cost less than a call. A
    // rectangle's rows are then rows of tiles with a change in them: all of them written.
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
            if (o.bottom >= band.top && grown < kRectCost)
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
    // A picture opened, or strokes all over it: one rectangle around them all, where that costs
    // less.
    PixelRect around;
    long long cost = 0;
    for (const PixelRect& r : joined) {
        around = around.united(r);
        cost += area(r) + kRectCost;
    }
    if (joined.size() > 1 && area(around) + kRectCost < cost) {
        fillBands(around.top, around.bottom);
        joined.assign(1, around);
    }
    return changes;
}

} // namespace mirona
