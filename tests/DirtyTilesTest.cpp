#include "canvas/DirtyTiles.hpp"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace mirona {
namespace {

bool intersects(const PixelRect& a, const PixelRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool contains(const PixelRect& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The rectangles must form a banded region: sorted by top then left, one height per top,
// neither overlapping nor touching sideways within a band, bands not overlapping.
void expectBanded(const std::vector<PixelRect>& rects) {
    for (std::size_t i = 1; i < rects.size(); ++i) {
        const PixelRect& a = rects[i - 1];
        const PixelRect& b = rects[i];
        if (a.top == b.top) {
            EXPECT_EQ(a.bottom, b.bottom);
            EXPECT_LT(a.right, b.left) << "touching or out of order within a band";
        } else {
            EXPECT_LE(a.bottom, b.top) << "bands overlap or are out of order";
        }
    }
}

TEST(DirtyTilesTest, CoversWhatWasAddedWithBandedTilesNearIt) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        const int w = 1 + static_cast<int>(rng() % 300);
        const int h = 1 + static_cast<int>(rng() % 300);
        DirtyTiles tiles;
        tiles.resize(w, h);
        EXPECT_TRUE(tiles.isEmpty());
        std::vector<PixelRect> added;
        const int count = static_cast<int>(rng() % 12);
        for (int i = 0; i < count; ++i) {
            const int x = static_cast<int>(rng() % 400) - 50;
            const int y = static_cast<int>(rng() % 400) - 50;
            const PixelRect r{x, y, x + 1 + static_cast<int>(rng() % 60),
                              y + 1 + static_cast<int>(rng() % 60)};
            added.push_back(r);
            tiles.add(r);
        }
        const std::vector<PixelRect> rects = tiles.take();
        EXPECT_TRUE(tiles.isEmpty());
        EXPECT_TRUE(tiles.take().empty());
        expectBanded(rects);
        for (const PixelRect& r : rects) {
            ASSERT_FALSE(r.isEmpty());
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= w && r.bottom <= h);
        }
        // Every added pixel on the area is covered.
        for (const PixelRect& a : added)
            for (int y = std::max(a.top, 0); y < std::min(a.bottom, h); ++y)
                for (int x = std::max(a.left, 0); x < std::min(a.right, w); ++x) {
                    bool covered = false;
                    for (const PixelRect& r : rects)
                        covered = covered || contains(r, x, y);
                    ASSERT_TRUE(covered) << x << "," << y;
                }
        // Every tile handed back was touched by an added rectangle.
        for (const PixelRect& r : rects)
            for (int ty = r.top; ty < r.bottom; ty += DirtyTiles::kTile)
                for (int tx = r.left; tx < r.right; tx += DirtyTiles::kTile) {
                    const PixelRect tile{tx, ty, std::min(tx + DirtyTiles::kTile, w),
                                         std::min(ty + DirtyTiles::kTile, h)};
                    bool touched = false;
                    for (const PixelRect& a : added)
                        touched = touched || intersects(a, tile);
                    EXPECT_TRUE(touched) << "tile at " << tx << "," << ty;
                }
    }
}

TEST(DirtyTilesTest, JoinsTouchingTilesAndEqualRows) {
    constexpr int t = DirtyTiles::kTile;
    static_assert(t == 32, "the expectations below are drawn for 32-pixel tiles");
    DirtyTiles tiles;
    tiles.resize(200, 100);
    // A vertical line through tile rows 0 and 1, a dot in the next column of row 0, and a short
    // line in row 2 across two columns at the right edge.
    tiles.add({10, 0, 11, 64});
    tiles.add({40, 5, 41, 6});
    tiles.add({190, 70, 199, 71});
    EXPECT_EQ(tiles.take(), (std::vector<PixelRect>{
                                {0, 0, 2 * t, t}, {0, t, t, 2 * t}, {5 * t, 2 * t, 200, 3 * t}}));
    // Rows 1 to 3 hold the same column: one band, cut at the bottom edge.
    tiles.add({10, 40, 11, 99});
    EXPECT_EQ(tiles.take(), (std::vector<PixelRect>{{0, t, t, 100}}));
}

TEST(DirtyTilesTest, ResizeForgetsTheTiles) {
    DirtyTiles tiles;
    tiles.resize(50, 50);
    tiles.add({0, 0, 50, 50});
    tiles.resize(10, 10);
    EXPECT_TRUE(tiles.isEmpty());
    tiles.add({-5, -5, 100, 100});
    EXPECT_EQ(tiles.take(), (std::vector<PixelRect>{{0, 0, 10, 10}}));
}

// A figure's pieces moved about a point mark what each piece moved marks alone, wherever the
// point is: inside the area, across its edges and wholly outside, on tiles of every size, in
// areas wider than a word of tiles.
TEST(DirtyTilesTest, MovedPiecesMarkWhatEachMarksAlone) {
    std::mt19937 random(23);
    for (int round = 0; round < 400; ++round) {
        const int shift = 2 + static_cast<int>(random() % 4);
        const int w = 1 + static_cast<int>(random() % 700);
        const int h = 1 + static_cast<int>(random() % 300);
        // Pieces about the origin, as a recorded figure's, some wider than a word of tiles.
        std::vector<PixelRect> pieces;
        PixelRect bounds;
        const int reach = 1 + static_cast<int>(random() % 400);
        for (int i = static_cast<int>(random() % 30); i >= 0; --i) {
            const int left = static_cast<int>(random() % (2 * reach)) - reach;
            const int top = static_cast<int>(random() % (2 * reach)) - reach;
            const int most = i == 0 ? 2 * reach : 70;
            pieces.push_back({left, top, left + 1 + static_cast<int>(random() % most),
                              top + 1 + static_cast<int>(random() % 70)});
            bounds = bounds.united(pieces.back());
        }
        DirtyTiles moved(shift);
        DirtyTiles alone(shift);
        moved.resize(w, h);
        alone.resize(w, h);
        for (int figure = 0; figure < 3; ++figure) {
            const int dx = static_cast<int>(random() % (w + 2 * reach)) - reach;
            const int dy = static_cast<int>(random() % (h + 2 * reach)) - reach;
            moved.addMoved(pieces, bounds, dx, dy);
            for (const PixelRect& r : pieces)
                alone.add({r.left + dx, r.top + dy, r.right + dx, r.bottom + dy});
        }
        ASSERT_EQ(moved.isEmpty(), alone.isEmpty()) << round;
        ASSERT_EQ(moved.take(), alone.take()) << round;
    }
}

// A run of a row marks what its one-row rectangle marks, on tiles of every size and in areas
// wider than a word of tiles, runs across a word's edge among them.
TEST(DirtyTilesTest, RunsMarkWhatTheirRectanglesMark) {
    std::mt19937 random(31);
    for (int round = 0; round < 300; ++round) {
        const int shift = 2 + static_cast<int>(random() % 4);
        const int w = 1 + static_cast<int>(random() % 2100);
        const int h = 1 + static_cast<int>(random() % 200);
        DirtyTiles runs(shift);
        DirtyTiles rects(shift);
        runs.resize(w, h);
        rects.resize(w, h);
        for (int i = static_cast<int>(random() % 40); i >= 0; --i) {
            const int y = static_cast<int>(random() % h);
            const int left = static_cast<int>(random() % w);
            const int right = std::min(w, left + 1 + static_cast<int>(random() % 300));
            runs.addRun(y, left, right);
            rects.add({left, y, right, y + 1});
        }
        ASSERT_EQ(runs.take(), rects.take()) << round;
        ASSERT_TRUE(runs.isEmpty());
    }
}

} // namespace
} // namespace mirona
