// An ellipse wholly on the canvas is drawn from its outline's offsets, kept for the last few
// sizes; one that crosses an edge pixel by pixel, each checked against the edges. Both must set
// the same pixels: here the outline drawn on the canvas is compared with the same ellipse moved
// across each edge, over many sizes, aspects, positions, pens and styles.
#include "canvas/Surface.hpp"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace mirona {
namespace {

struct Ellipse {
    float radius;
    float aspect;
    // The semi-axes in pixels, as the surface rounds them.
    [[nodiscard]] int a() const {
        return static_cast<int>(std::nearbyint(semiAxes(radius, aspect).horizontal));
    }
    [[nodiscard]] int b() const {
        return static_cast<int>(std::nearbyint(semiAxes(radius, aspect).vertical));
    }
};

void draw(Surface& s, const Ellipse& e, int cx, int cy, DrawMode mode, DrawStyle style) {
    s.setDrawMode(mode);
    s.setDrawStyle(style);
    s.Circle(static_cast<float>(cx), static_cast<float>(cy), e.radius, e.aspect);
}

std::vector<Ellipse> randomEllipses(unsigned seed, int count, float maxRadius) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> radius(1, maxRadius);
    std::uniform_real_distribution<float> logAspect(-3, 3);
    std::vector<Ellipse> out;
    for (int i = 0; i < count; ++i)
        out.push_back({std::round(radius(rng)), std::exp(logAspect(rng))});
    // Circles, the flattest figures and the smallest ones, whose arcs are a pixel or two.
    for (const float r : {1.0f, 2.0f, 3.0f, 17.0f, 64.0f})
        for (const float aspect : {1.0f, 0.01f, 100.0f, 0.5f})
            out.push_back({r, aspect});
    return out;
}

constexpr std::array kModes{DrawMode::CopyPen, DrawMode::NotMergePen};
constexpr std::array kStyles{DrawStyle::Solid, DrawStyle::Dot};

TEST(SurfaceOutlineTest, OutlineOnTheCanvasSetsThePixelsOfTheClippedWalk) {
    constexpr int kSize = 160;
    std::mt19937 rng(7);
    for (const Ellipse& e : randomEllipses(1, 60, 70)) {
        const int a = e.a();
        const int b = e.b();
        if (2 * a + 1 > kSize || 2 * b + 1 > kSize)
            continue;
        // Anywhere on the canvas, touching its edges included.
        std::uniform_int_distribution<int> cx(a, kSize - 1 - a);
        std::uniform_int_distribution<int> cy(b, kSize - 1 - b);
        for (const DrawMode mode : kModes)
            for (const DrawStyle style : kStyles) {
                const int x = cx(rng);
                const int y = cy(rng);
                Surface whole(kSize, kSize);
                draw(whole, e, x, y, mode, style);
                // Moved so that a column or row of it lies off each edge in turn: the pixels on
                // the canvas are those of the whole outline, moved; together they cover it.
                std::vector<bool> seen(static_cast<std::size_t>(kSize) * kSize, false);
                const std::array<std::array<int, 2>, 4> moves{
                    {{a - 1 - x, 0}, {kSize - a - x, 0}, {0, b - 1 - y}, {0, kSize - b - y}}};
                for (const auto& [dx, dy] : moves) {
                    Surface clipped(kSize, kSize);
                    draw(clipped, e, x + dx, y + dy, mode, style);
                    for (int py = 0; py < kSize; ++py)
                        for (int px = 0; px < kSize; ++px) {
                            const int wx = px - dx;
                            const int wy = py - dy;
                            const bool inside = wx >= 0 && wx < kSize && wy >= 0 && wy < kSize;
                            const std::uint32_t expected =
                                inside ? whole.pixel(wx, wy) : Surface::kWhite;
                            ASSERT_EQ(clipped.pixel(px, py), expected)
                                << "radius " << e.radius << " aspect " << e.aspect << " at " << x
                                << ", " << y << " moved " << dx << ", " << dy << " pixel " << px
                                << ", " << py;
                            if (inside)
                                seen[static_cast<std::size_t>(wy) * kSize + wx] = true;
                        }
                }
                for (int py = 0; py < kSize; ++py)
                    for (int px = 0; px < kSize; ++px)
                        if (whole.pixel(px, py) == Surface::kBlack)
                            ASSERT_TRUE(seen[static_cast<std::size_t>(py) * kSize + px]);
            }
    }
}

TEST(SurfaceOutlineTest, KeptOutlinesDrawAsIfEachWereNew) {
    // More sizes than are kept, in both styles, drawn in turn on one surface with the inverting
    // pen: the picture must be the figures each drawn on a fresh surface, inverted together.
    constexpr int kSize = 200;
    const std::vector<Ellipse> ellipses = randomEllipses(3, 7, 90);
    std::mt19937 rng(11);
    std::uniform_int_distribution<std::size_t> pick(0, ellipses.size() - 1);
    Surface together(kSize, kSize);
    std::vector<std::uint32_t> expected(static_cast<std::size_t>(kSize) * kSize, 0);
    for (int i = 0; i < 400; ++i) {
        const Ellipse& e = ellipses[pick(rng) % 3 + (i / 50) % (ellipses.size() - 2)];
        if (2 * e.a() + 1 > kSize || 2 * e.b() + 1 > kSize)
            continue;
        std::uniform_int_distribution<int> cx(e.a(), kSize - 1 - e.a());
        std::uniform_int_distribution<int> cy(e.b(), kSize - 1 - e.b());
        const int x = cx(rng);
        const int y = cy(rng);
        const DrawStyle style = kStyles[static_cast<std::size_t>(rng() & 1u)];
        draw(together, e, x, y, DrawMode::NotMergePen, style);
        Surface alone(kSize, kSize);
        draw(alone, e, x, y, DrawMode::NotMergePen, style);
        for (int py = 0; py < kSize; ++py)
            for (int px = 0; px < kSize; ++px)
                expected[static_cast<std::size_t>(py) * kSize + px] ^=
                    alone.pixel(px, py) == Surface::kBlack ? 1u : 0u;
    }
    for (int py = 0; py < kSize; ++py)
        for (int px = 0; px < kSize; ++px)
            ASSERT_EQ(together.pixel(px, py) == Surface::kBlack,
                      expected[static_cast<std::size_t>(py) * kSize + px] != 0)
                << px << ", " << py;
}

TEST(SurfaceOutlineTest, OutlineReportsCoverItsPixels) {
    constexpr int kSize = 120;
    for (const Ellipse& e : randomEllipses(5, 30, 55))
        for (const DrawStyle style : kStyles) {
            if (2 * e.a() + 1 > kSize || 2 * e.b() + 1 > kSize)
                continue;
            Surface s(kSize, kSize);
            std::vector<PixelRect> reported;
            s.setChangeListener([&](const PixelRect& r) { reported.push_back(r); });
            draw(s, e, kSize / 2, kSize / 2, DrawMode::CopyPen, style);
            for (int py = 0; py < kSize; ++py)
                for (int px = 0; px < kSize; ++px) {
                    if (s.pixel(px, py) != Surface::kBlack)
                        continue;
                    bool covered = false;
                    for (const PixelRect& r : reported)
                        covered = covered ||
                                  (px >= r.left && px < r.right && py >= r.top && py < r.bottom);
                    ASSERT_TRUE(covered) << px << ", " << py;
                }
        }
}

// A kept outline is placed as words for a column within a word and a height of the bitmap: drawn
// again at several columns of a word, after resizes that change the bitmap's height, and among
// other sizes, it must set the pixels each figure sets on a fresh surface.
TEST(SurfaceOutlineTest, KeptOutlinesDrawAtEveryColumnAndHeightAsIfNew) {
    std::mt19937 rng(13);
    const std::vector<Ellipse> ellipses = randomEllipses(17, 12, 60);
    Surface kept(1, 1);
    for (int round = 0; round < 120; ++round) {
        const Ellipse& e = ellipses[rng() % 3];
        const int w = 2 * e.a() + 70 + static_cast<int>(rng() % 50);
        const int h = 2 * e.b() + 1 + static_cast<int>(rng() % 40);
        if (round % 4 == 0 || kept.width() < w || kept.height() < h)
            kept.resize(w + static_cast<int>(rng() % 3), h + static_cast<int>(rng() % 3));
        else
            kept.Cls();
        const int width = kept.width();
        const int height = kept.height();
        const DrawMode mode = kModes[rng() % 2];
        const DrawStyle style = kStyles[rng() % 2];
        // The pixels each figure sets alone, inverted or set together as the pen does.
        std::vector<bool> expected(static_cast<std::size_t>(width) * height, false);
        const auto drawBoth = [&](const Ellipse& f, int cx, int cy) {
            if (cx - f.a() < 0 || cx + f.a() >= width || cy - f.b() < 0 || cy + f.b() >= height)
                return;
            draw(kept, f, cx, cy, mode, style);
            Surface alone(width, height);
            draw(alone, f, cx, cy, mode, style);
            for (int py = 0; py < height; ++py)
                for (int px = 0; px < width; ++px) {
                    const bool black = alone.pixel(px, py) == Surface::kBlack;
                    const auto i = static_cast<std::size_t>(py) * width + px;
                    expected[i] =
                        mode == DrawMode::CopyPen ? expected[i] || black : expected[i] != black;
                }
        };
        // Columns within a word and a word on, more than are kept at once, each followed by
        // another size, so that the kept ones are found among others.
        const int x = e.a() + static_cast<int>(rng() % 32);
        const int y = e.b() + static_cast<int>(rng() % static_cast<unsigned>(height - 2 * e.b()));
        for (const int dx : {0, 1, 32, 5, 17, 0, 1}) {
            drawBoth(e, x + dx, y);
            drawBoth(ellipses[3 + rng() % 9], x + dx, y);
        }
        for (int py = 0; py < height; ++py)
            for (int px = 0; px < width; ++px)
                ASSERT_EQ(kept.pixel(px, py) == Surface::kBlack,
                          expected[static_cast<std::size_t>(py) * width + px])
                    << "radius " << e.radius << " aspect " << e.aspect << " at " << x << ", " << y
                    << " pixel " << px << ", " << py;
    }
}

} // namespace
} // namespace mirona
