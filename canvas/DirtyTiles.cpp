#include "canvas/DirtyTiles.hpp"

#include <algorithm>
#include <bit>
#include <utility>

namespace mirona {

void DirtyTiles::resize(int width, int height) {
    width_ = std::max(1, width);
    height_ = std::max(1, height);
    columns_ = (width_ + kTile - 1) / kTile;
    rows_ = (height_ + kTile - 1) / kTile;
    words_ = (columns_ + 63) / 64;
    dirty_.assign(static_cast<std::size_t>(words_) * rows_, 0);
    firstRow_ = 0;
    lastRow_ = -1;
}

void DirtyTiles::add(const PixelRect& r) {
    const PixelRect c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width_),
                      std::min(r.bottom, height_)};
    if (c.isEmpty())
        return;
    const int row0 = c.top / kTile;
    const int row1 = (c.bottom - 1) / kTile;
    const int column0 = c.left / kTile;
    const int column1 = (c.right - 1) / kTile;
    for (int word = column0 / 64; word <= column1 / 64; ++word) {
        // The columns of [column0, column1] in this word.
        const int first = std::max(column0 - word * 64, 0);
        const int last = std::min(column1 - word * 64, 63);
        const std::uint64_t bits =
            (~std::uint64_t{0} >> (63 - last)) & (~std::uint64_t{0} << first);
        for (int row = row0; row <= row1; ++row)
            dirty_[static_cast<std::size_t>(row) * words_ + word] |= bits;
    }
    if (isEmpty()) {
        firstRow_ = row0;
        lastRow_ = row1;
    } else {
        firstRow_ = std::min(firstRow_, row0);
        lastRow_ = std::max(lastRow_, row1);
    }
}

std::vector<PixelRect> DirtyTiles::take() {
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
        const int bottom = std::min((row + 1) * kTile, height_);
        if (!spans.empty() && spans == bandSpans && rects.back().bottom == row * kTile) {
            for (std::size_t i = bandStart; i < rects.size(); ++i)
                rects[i].bottom = bottom;
            continue;
        }
        bandStart = rects.size();
        bandSpans = spans;
        for (const auto& [start, end] : spans)
            rects.push_back({start * kTile, row * kTile, std::min(end * kTile, width_), bottom});
    }
    firstRow_ = 0;
    lastRow_ = -1;
    return rects;
}

} // namespace mirona
