#include "canvas/DirtyTiles.hpp"

#include <algorithm>
#include <utility>

namespace mirona {

void DirtyTiles::resize(int width, int height) {
    width_ = std::max(1, width);
    height_ = std::max(1, height);
    columns_ = (width_ + kTile - 1) / kTile;
    rows_ = (height_ + kTile - 1) / kTile;
    dirty_.assign(static_cast<std::size_t>(columns_) * rows_, 0);
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
    for (int row = row0; row <= row1; ++row)
        std::fill_n(dirty_.begin() + row * columns_ + column0, column1 - column0 + 1, 1);
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
        const auto line = dirty_.begin() + row * columns_;
        spans.clear();
        for (int column = 0; column < columns_;) {
            if (line[column] == 0) {
                ++column;
                continue;
            }
            const int start = column;
            while (column < columns_ && line[column] != 0)
                ++column;
            spans.emplace_back(start, column);
        }
        std::fill_n(line, columns_, 0);
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
