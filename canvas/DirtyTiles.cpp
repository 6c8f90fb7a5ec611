#include "canvas/DirtyTiles.hpp"

#include <algorithm>
#include <bit>

namespace mirona {

void DirtyTiles::resize(int width, int height) {
    width_ = std::max(1, width);
    height_ = std::max(1, height);
    columns_ = (width_ + tileSize() - 1) >> shift_;
    rows_ = (height_ + tileSize() - 1) >> shift_;
    words_ = (columns_ + 63) / 64;
    dirty_.assign(static_cast<std::size_t>(words_) * rows_, 0);
    band_.assign(static_cast<std::size_t>(words_), 0);
    firstRow_ = kNone;
    lastRow_ = -1;
}

std::vector<PixelRect> DirtyTiles::take() {
    const int tile = tileSize();
    std::vector<PixelRect> rects;
    std::size_t bandStart = 0; // the first rectangle of the band being built
    bool inBand = false;       // whose rows have the dirty columns in band_
    for (int row = firstRow_; row <= lastRow_; ++row) {
        const auto line = dirty_.begin() + static_cast<std::ptrdiff_t>(row) * words_;
        const int bottom = std::min((row + 1) * tile, height_);
        // A row with the same dirty columns as the band right above it lengthens the band's
        // rectangles; the columns are compared as words, not as runs.
        if (inBand && rects.back().bottom == row * tile &&
            std::equal(line, line + words_, band_.begin())) {
            for (std::size_t i = bandStart; i < rects.size(); ++i)
                rects[i].bottom = bottom;
            std::fill_n(line, words_, 0);
            continue;
        }
        bandStart = rects.size();
        std::copy(line, line + words_, band_.begin());
        // Runs of set bits, which may go on across words.
        for (int word = 0; word < words_; ++word) {
            std::uint64_t bits = line[word];
            while (bits != 0) {
                const int start = word * 64 + std::countr_zero(bits);
                const int end = start + std::countr_one(bits >> (start - word * 64));
                if (rects.size() > bandStart && rects.back().right == start * tile)
                    rects.back().right = std::min(end * tile, width_);
                else
                    rects.push_back(
                        {start * tile, row * tile, std::min(end * tile, width_), bottom});
                bits = end - word * 64 >= 64 ? 0 : bits & (~std::uint64_t{0} << (end - word * 64));
            }
        }
        inBand = rects.size() > bandStart;
        std::fill_n(line, words_, 0);
    }
    firstRow_ = kNone;
    lastRow_ = -1;
    return rects;
}

} // namespace mirona
