// The page's canvas is given only the rectangles PageBitmap hands over (and a white fill when it
// asks for one). Here a canvas kept that way must show exactly the surface after every step of
// random drawing, with both pens and styles, figures crossing the edges, and new sizes; and the
// rectangles must stay near what changed.
#include "web/engine/PageBitmap.hpp"

#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace mirona {
namespace {

// A canvas as the page keeps it: only what is put on it changes.
struct PageCanvas {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    long long put = 0; // pixels put, in all

    void show(const PageBitmap& page, const PageBitmap::Changes& changes, int w, int h) {
        if (w != width || h != height) { // a new size: the canvas starts cleared
            width = w;
            height = h;
            pixels.assign(static_cast<std::size_t>(w) * h, 0);
        }
        if (changes.fillWhite)
            pixels.assign(pixels.size(), Surface::kWhite);
        const auto* rgba = reinterpret_cast<const std::uint32_t*>(page.rgba());
        for (const PixelRect& r : changes.rects) {
            ASSERT_FALSE(r.isEmpty());
            ASSERT_GE(r.left, 0);
            ASSERT_GE(r.top, 0);
            ASSERT_LE(r.right, w);
            ASSERT_LE(r.bottom, h);
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) {
                    const std::size_t i = static_cast<std::size_t>(y) * w + x;
                    pixels[i] = rgba[i];
                }
            put += static_cast<long long>(r.width()) * r.height();
        }
    }
};

void expectShows(const PageCanvas& canvas, const Surface& s, int step) {
    ASSERT_EQ(canvas.width, s.width());
    ASSERT_EQ(canvas.height, s.height());
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            ASSERT_EQ(canvas.pixels[static_cast<std::size_t>(y) * s.width() + x], s.pixel(x, y))
                << "pixel " << x << ", " << y << " after step " << step;
}

TEST(PageBitmapTest, TheCanvasShowsTheSurfaceAfterEveryStep) {
    std::mt19937 rng(11);
    Surface surface(70, 45);
    PageBitmap page(surface);
    surface.setShownTiles(page.marks());
    surface.setResizeListener([&] { page.reset(); });
    PageCanvas canvas;
    for (int step = 0; step < 600; ++step) {
        const int w = surface.width();
        const int h = surface.height();
        std::uniform_real_distribution<float> x(-20.0f, w + 20.0f);
        std::uniform_real_distribution<float> y(-20.0f, h + 20.0f);
        surface.setDrawMode(rng() % 2 ? DrawMode::CopyPen : DrawMode::NotMergePen);
        surface.setDrawStyle(rng() % 2 ? DrawStyle::Solid : DrawStyle::Dot);
        // A few figures between two looks of the page, as a move draws several.
        for (int figure = 0, figures = 1 + static_cast<int>(rng() % 4); figure < figures;
             ++figure) {
            switch (rng() % 20) {
            case 0:
                surface.resize(1 + static_cast<int>(rng() % 140), 1 + static_cast<int>(rng() % 90));
                break;
            case 1:
                surface.Cls();
                break;
            case 2:
            case 3:
            case 4:
            case 5:
                surface.Circle(x(rng), y(rng), static_cast<float>(rng() % 60),
                               0.2f + static_cast<float>(rng() % 30) / 10.0f);
                break;
            case 6:
            case 7:
            case 8:
                surface.Line(x(rng), y(rng), x(rng), y(rng), LineOption::Box);
                break;
            default:
                surface.Line(x(rng), y(rng), x(rng), y(rng), LineOption::Segment);
                break;
            }
        }
        canvas.show(page, page.take(), surface.width(), surface.height());
        expectShows(canvas, surface, step);
    }
}

TEST(PageBitmapTest, NothingIsPutWhereNothingChangedAndAMoveOnlyNearItsOutlines) {
    Surface surface(2048, 2048);
    PageBitmap page(surface);
    surface.setShownTiles(page.marks());
    PageCanvas canvas;
    // A new picture is a white fill, no pixels.
    canvas.show(page, page.take(), 2048, 2048);
    EXPECT_EQ(canvas.put, 0);
    // A line drawn again over itself changes no pixel, and nothing is put.
    surface.setDrawMode(DrawMode::CopyPen);
    surface.Line(10, 10, 2000, 1500, LineOption::Segment);
    canvas.show(page, page.take(), 2048, 2048);
    const long long first = canvas.put;
    EXPECT_GT(first, 0);
    surface.Line(10, 10, 2000, 1500, LineOption::Segment);
    canvas.show(page, page.take(), 2048, 2048);
    EXPECT_EQ(canvas.put, first);
    // A long diagonal is put as rectangles along it, not as the square it spans: each leaves
    // fewer unchanged pixels than a call costs, besides its cells of changed pixels.
    const long long spanned = 1990LL * 1490;
    EXPECT_LT(first, spanned / 10);
    expectShows(canvas, surface, 0);
}

} // namespace
} // namespace mirona
