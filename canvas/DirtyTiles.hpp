#pragma once

#include "canvas/Canvas.hpp"

#include <cstdint>
#include <vector>

namespace mirona {

// Collects changed rectangles on a grid of square tiles and hands them back as a few
// rectangles covering every tile touched: one band per run of tile rows with the same dirty
// columns, top to bottom, and in each band one rectangle per run of touching dirty tiles, left
// to right. Bands and rectangles neither overlap nor touch sideways, which is the order a banded
// region (QRegion::setRects) takes as it is. Many small rectangles along the outlines of a
// pointer move thus become a handful, and the area to repaint stays near the outlines.
class DirtyTiles final {
public:
    static constexpr int kTile = 32;

    // A w x h area with nothing dirty. Sizes below 1 become 1.
    void resize(int width, int height);

    // Marks the tiles r touches; the parts of r outside the area are ignored.
    void add(const PixelRect& r);

    [[nodiscard]] bool isEmpty() const { return firstRow_ > lastRow_; }

    // The dirty tiles as rectangles clipped to the area, in the order above; then nothing is
    // dirty.
    [[nodiscard]] std::vector<PixelRect> take();

private:
    int width_ = 1;
    int height_ = 1;
    int columns_ = 1;
    int rows_ = 1;
    int words_ = 1; // per row of tiles
    // A bit a tile, row by row of tiles: marking a rectangle is a few word operations, as it
    // happens for every rectangle the surface reports.
    std::vector<std::uint64_t> dirty_ = std::vector<std::uint64_t>(1, 0);
    int firstRow_ = 0; // the rows that can hold dirty tiles
    int lastRow_ = -1;
};

} // namespace mirona
