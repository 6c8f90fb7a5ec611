#include "canvas/DirtyTiles.hpp"

#include <algorithm>
#include <bit>
#include <utility>

namespace mirona {

void DirtyTiles::resize(int width, int height) {
    width_ = std::max(1, width);
    height_ = std::max(1, height);
    columns_ = (width_ + tileSize() - 1) >> shift_;
    rows_ = (height_ + tileSize() - 1) >> shift_;
    words_ = (columns_ + 63) / 64;
    dirty_.assign(static_cast<std::size_t>(words_) * rows_, 0);
    firstRow_ = kNone;
    lastRow_ = -1;
}

std::vector<PixelRect> DirtyTiles::take() {
    const int tile = tileSize();
    std::vector<PixelRect> rects;
    std::vector<std::pair<int, int>> spans;     // this row's runs of dirty columns
    std::vector<std::pair<int, int>> bandSpans; // those of the band being built
    std::size_t bandStart = 0;                  // its first rectangle in rects
    for (int row = firstRow_; row <= lastRow_; ++row) {
        const auto line = dirty_.begin() + static_cast<std::ptrdiff_t>(row) * words_;
        spans.clear();
        // Runs of set bits, which may go on across words.
        for (int word = 0; word < words_; ++word) {
            std::uint64_t bits = line[word];
            while (bits != 0) {
                const int start = word * 64 + std::countr_zero(bits);
                const int end = start + std::countr_one(bits >> (start - word * 64));
                if (!spans.empty() && spans.back().second == start)
                    spans.back().second = end;
                else
                    spans.emplace_back(start, end);
                bits = end - word * 64 >= 64 ? 0 : bits & (~std::uint64_t{0} << (end - word * 64));
            }
        }
        std::fill_n(line, words_, 0);
        const int bottom = std::min((row + 1) * tile, height_);
        if (!spans.empty() && spans == bandSpans && rects.back().bottom == row * tile) {
            for (std::size_t i = bandStart; i < rects.size(); ++i)
                rects[i].bottom = bottom;
            continue;
        }
        bandStart = rects.size();
        bandSpans = spans;
        for (const auto& [start, end] : spans)
            rects.push_back({start * tile, row * tile, std::min(end * tile, width_), bottom});
    }
    firstRow_ = kNone;
    lastRow_ = -1;
    return rects;
}

} // namespace mirona
