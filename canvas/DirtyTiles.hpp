#pragma once

#include "canvas/Canvas.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <span>
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

    // Tiles of 2^tileShift pixels square; kTile unless said otherwise.
    explicit DirtyTiles(int tileShift = 5) : shift_(tileShift) {}

    // A w x h area with nothing dirty. Sizes below 1 become 1.
    void resize(int width, int height);

    // Marks the tiles r touches; the parts of r outside the area are ignored. Inline: it runs
    // for every rectangle the surface reports.
    void add(const PixelRect& r) {
        const PixelRect c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width_),
                          std::min(r.bottom, height_)};
        if (c.isEmpty())
            return;
        // Non-negative from here: the divisions are shifts.
        const auto tile = [this](int v) {
            return static_cast<int>(static_cast<unsigned>(v) >> shift_);
        };
        const int row0 = tile(c.top);
        const int row1 = tile(c.bottom - 1);
        const int column0 = tile(c.left);
        const int column1 = tile(c.right - 1);
        markColumns(dirty_.data() + static_cast<std::size_t>(row0) * words_, column0, column1,
                    row1 - row0 + 1);
        firstRow_ = std::min(firstRow_, row0);
        lastRow_ = std::max(lastRow_, row1);
    }

    // Marks the tiles of each of the rectangles moved by (dx, dy), as add does, where `bounds`
    // holds them all: a recorded figure's pieces drawn about a point. Where the moved bounds lie
    // inside the area, no rectangle needs clipping. Inline, as add.
    void addMoved(std::span<const PixelRect> rects, const PixelRect& bounds, int dx, int dy) {
        if (rects.empty())
            return;
        if (bounds.left + dx < 0 || bounds.top + dy < 0 || bounds.right + dx > width_ ||
            bounds.bottom + dy > height_) {
            for (const PixelRect& r : rects)
                add({r.left + dx, r.top + dy, r.right + dx, r.bottom + dy});
            return;
        }
        // Non-negative from here.
        const auto tile = [this](int v) { return static_cast<unsigned>(v) >> shift_; };
        for (const PixelRect& r : rects) {
            const unsigned column0 = tile(r.left + dx);
            const unsigned column1 = tile(r.right - 1 + dx);
            const unsigned row0 = tile(r.top + dy);
            const unsigned row1 = tile(r.bottom - 1 + dy);
            std::uint64_t* const line = dirty_.data() + static_cast<std::size_t>(row0) * words_;
            if (column0 >> 6 == column1 >> 6) {
                // Within one word of a row, as nearly every piece is.
                const std::uint64_t bits = columnBits(column0 & 63, column1 & 63);
                std::uint64_t* marks = line + (column0 >> 6);
                for (unsigned row = row0; row <= row1; ++row, marks += words_)
                    *marks |= bits;
                continue;
            }
            markColumns(line, static_cast<int>(column0), static_cast<int>(column1),
                        static_cast<int>(row1 - row0) + 1);
        }
        firstRow_ = std::min(firstRow_, static_cast<int>(tile(bounds.top + dy)));
        lastRow_ = std::max(lastRow_, static_cast<int>(tile(bounds.bottom - 1 + dy)));
    }

    // Marks the tiles of the pixels [left, right) of row y, which lie inside the area, as add
    // does: a changed word's pixels, which come in their thousands a move. Inline, and with no
    // clipping.
    void addRun(int y, int left, int right) {
        const auto tile = [this](int v) { return static_cast<unsigned>(v) >> shift_; };
        const unsigned row = tile(y);
        const unsigned column0 = tile(left);
        const unsigned column1 = tile(right - 1);
        std::uint64_t* const line = dirty_.data() + static_cast<std::size_t>(row) * words_;
        if (column0 >> 6 == column1 >> 6)
            line[column0 >> 6] |= columnBits(column0 & 63, column1 & 63);
        else
            markColumns(line, static_cast<int>(column0), static_cast<int>(column1), 1);
        firstRow_ = std::min(firstRow_, static_cast<int>(row));
        lastRow_ = std::max(lastRow_, static_cast<int>(row));
    }

    [[nodiscard]] bool isEmpty() const { return firstRow_ > lastRow_; }

    // The dirty tiles as rectangles clipped to the area, in the order above; then nothing is
    // dirty.
    [[nodiscard]] std::vector<PixelRect> take();

private:
    [[nodiscard]] int tileSize() const { return 1 << shift_; }
    // The bits of tile columns first to last of a word, both within 0 to 63.
    [[nodiscard]] static std::uint64_t columnBits(unsigned first, unsigned last) {
        return (~std::uint64_t{0} >> (63 - last)) & (~std::uint64_t{0} << first);
    }
    // Marks tile columns column0 to column1 of `rows` rows of tiles from `line`, a row's first
    // word.
    void markColumns(std::uint64_t* line, int column0, int column1, int rows) {
        for (int word = column0 / 64; word <= column1 / 64; ++word) {
            // The columns of [column0, column1] in this word.
            const int first = std::max(column0 - word * 64, 0);
            const int last = std::min(column1 - word * 64, 63);
            const std::uint64_t bits = columnBits(first, last);
            std::uint64_t* marks = line + word;
            for (int row = 0; row < rows; ++row, marks += words_)
                *marks |= bits;
        }
    }

    int shift_;
    int width_ = 1;
    int height_ = 1;
    int columns_ = 1;
    int rows_ = 1;
    int words_ = 1; // per row of tiles
    // A bit a tile, row by row of tiles: marking a rectangle is a few word operations, as it
    // happens for every rectangle the surface reports.
    std::vector<std::uint64_t> dirty_ = std::vector<std::uint64_t>(1, 0);
    std::vector<std::uint64_t> band_ = std::vector<std::uint64_t>(1, 0); // take()'s last new row
    static constexpr int kNone = std::numeric_limits<int>::max();
    int firstRow_ = kNone; // the rows that can hold dirty tiles
    int lastRow_ = -1;
};

} // namespace mirona
