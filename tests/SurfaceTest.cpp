#include "canvas/Surface.hpp"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace mirona {
namespace {

using Pixels = std::vector<std::uint32_t>;

Pixels snapshot(const Surface& s) {
    return s.Image();
}

std::set<std::pair<int, int>> blackPixels(const Surface& s) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (s.pixel(x, y) == Surface::kBlack)
                out.emplace(x, y);
    return out;
}

// One figure call, replayable on any surface.
struct Figure {
    enum class Kind { Segment, Box, Ellipse } kind;
    float a, b, c, d;

    void draw(Surface& s, float dx = 0, float dy = 0) const {
        switch (kind) {
        case Kind::Segment:
            s.Line(a + dx, b + dy, c + dx, d + dy, LineOption::Segment);
            break;
        case Kind::Box:
            s.Line(a + dx, b + dy, c + dx, d + dy, LineOption::Box);
            break;
        case Kind::Ellipse:
            s.Circle(a + dx, b + dy, c, d);
            break;
        }
    }
};

std::vector<Figure> randomFigures(unsigned seed, int count, float lo, float hi) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> coord(lo, hi);
    std::uniform_int_distribution<int> kind(0, 2);
    std::uniform_real_distribution<float> radius(0, (hi - lo) / 2);
    const float aspects[] = {
        0.0f, 0.3f, 0.5f, 1.0f, 1.7f, 3.0f, std::numeric_limits<float>::infinity()};
    std::uniform_int_distribution<int> aspect(0, 6);
    std::vector<Figure> out;
    for (int i = 0; i < count; ++i) {
        const auto k = static_cast<Figure::Kind>(kind(rng));
        const float x = std::round(coord(rng));
        const float y = std::round(coord(rng));
        if (k == Figure::Kind::Ellipse)
            out.push_back({k, x, y, radius(rng), aspects[aspect(rng)]});
        else
            out.push_back({k, x, y, std::round(coord(rng)), std::round(coord(rng))});
    }
    return out;
}

void scribble(Surface& s, unsigned seed) {
    for (const Figure& f : randomFigures(seed, 12, 0, static_cast<float>(s.width())))
        f.draw(s);
}

// A white surface with one figure drawn in the given style and pen.
Surface drawn(const Figure& f, int size, DrawStyle style, DrawMode mode = DrawMode::CopyPen,
              float shift = 0) {
    Surface s(size, size);
    s.setDrawStyle(style);
    s.setDrawMode(mode);
    f.draw(s, shift, shift);
    return s;
}

// The inverting pen is what removes a preview: each pixel must be hit at most once, so one
// inverting pass on white blackens exactly the pixels the copy pen blackens, and a second pass
// restores any picture.
TEST(SurfaceTest, InvertingPenHitsEachPixelOnceAndUndoesItself) {
    for (const DrawStyle style : {DrawStyle::Solid, DrawStyle::Dot}) {
        for (const Figure& f : randomFigures(7, 400, -40, 100)) {
            ASSERT_EQ(snapshot(drawn(f, 64, style)),
                      snapshot(drawn(f, 64, style, DrawMode::NotMergePen)));

            Surface picture(64, 64);
            scribble(picture, 3);
            const Pixels before = snapshot(picture);
            picture.setDrawStyle(style);
            picture.setDrawMode(DrawMode::NotMergePen);
            f.draw(picture);
            f.draw(picture);
            ASSERT_EQ(before, snapshot(picture));
        }
    }
}

TEST(SurfaceTest, DottedFigureIsAThinnedSubsetOfTheSolidOne) {
    for (const Figure& f : randomFigures(11, 400, -20, 80)) {
        const auto s = blackPixels(drawn(f, 64, DrawStyle::Solid));
        const auto d = blackPixels(drawn(f, 64, DrawStyle::Dot));
        for (const auto& p : d)
            ASSERT_TRUE(s.contains(p)) << p.first << "," << p.second;
        if (s.size() >= 4) {
            EXPECT_LT(d.size(), s.size());
            EXPECT_GE(d.size() * 3, s.size()) << "dots too sparse";
        }
    }
}

// Clipping must not change which pixels a figure sets: a small canvas shows exactly the
// corresponding window of the same figure drawn, shifted, on a larger one.
TEST(SurfaceTest, ClippingKeepsTheVisiblePixels) {
    constexpr int kOffset = 70;
    for (const DrawStyle style : {DrawStyle::Solid, DrawStyle::Dot}) {
        for (const Figure& f : randomFigures(19, 400, -60, 120)) {
            const Surface small = drawn(f, 60, style);
            const Surface large = drawn(f, 220, style, DrawMode::CopyPen, kOffset);
            for (int y = 0; y < 60; ++y)
                for (int x = 0; x < 60; ++x)
                    ASSERT_EQ(small.pixel(x, y), large.pixel(x + kOffset, y + kOffset))
                        << "at " << x << "," << y;
        }
    }
}

TEST(SurfaceTest, SegmentsRunFromEndToEndWithoutGaps) {
    for (const Figure& f : randomFigures(23, 300, 0, 63)) {
        if (f.kind != Figure::Kind::Segment)
            continue;
        Surface s(64, 64);
        f.draw(s);
        const auto px = blackPixels(s);
        const int dx = static_cast<int>(std::fabs(f.c - f.a));
        const int dy = static_cast<int>(std::fabs(f.d - f.b));
        EXPECT_EQ(px.size(), static_cast<std::size_t>(std::max(dx, dy) + 1));
        EXPECT_TRUE(px.contains({static_cast<int>(f.a), static_cast<int>(f.b)}));
        EXPECT_TRUE(px.contains({static_cast<int>(f.c), static_cast<int>(f.d)}));
    }
}

// Pixel i of a segment lies i steps along its major axis and (2ik + n) / 2n steps, rounded down,
// along the minor one (n, k the major and minor extents); a dotted one keeps the even i. Checked
// for every slope, so that each of the rasteriser's loops is compared with the rule.
TEST(SurfaceTest, SegmentPixelsFollowTheRoundingRule) {
    for (const Figure& f : randomFigures(29, 600, 0, 63)) {
        if (f.kind != Figure::Kind::Segment)
            continue;
        for (const DrawStyle style : {DrawStyle::Solid, DrawStyle::Dot}) {
            const auto x1 = static_cast<int>(f.a), y1 = static_cast<int>(f.b);
            const auto x2 = static_cast<int>(f.c), y2 = static_cast<int>(f.d);
            const bool xMajor = std::abs(x2 - x1) >= std::abs(y2 - y1);
            const int n = xMajor ? std::abs(x2 - x1) : std::abs(y2 - y1);
            const int k = xMajor ? std::abs(y2 - y1) : std::abs(x2 - x1);
            const int sx = x2 < x1 ? -1 : 1, sy = y2 < y1 ? -1 : 1;
            std::set<std::pair<int, int>> expected;
            for (int i = 0; i <= n; i += style == DrawStyle::Dot ? 2 : 1) {
                const int minor = n == 0 ? 0 : (2 * i * k + n) / (2 * n);
                expected.emplace(x1 + sx * (xMajor ? i : minor), y1 + sy * (xMajor ? minor : i));
            }
            EXPECT_EQ(blackPixels(drawn(f, 64, style)), expected)
                << x1 << "," << y1 << " to " << x2 << "," << y2;
        }
    }
}

TEST(SurfaceTest, BoxIsTheOutlineThroughBothCornersInEitherOrder) {
    Surface s(40, 40);
    s.Line(30, 25, 5, 10, LineOption::Box);
    const auto px = blackPixels(s);
    EXPECT_EQ(px.size(), 2u * (25 + 15));
    for (const auto& [x, y] : px)
        EXPECT_TRUE(x == 5 || x == 30 || y == 10 || y == 25) << x << "," << y;
    for (int x = 5; x <= 30; ++x)
        EXPECT_TRUE(px.contains({x, 10}) && px.contains({x, 25}));
}

TEST(SurfaceTest, DegenerateFiguresDrawWithoutFailure) {
    Surface s(40, 40);
    s.Line(7, 9, 7, 9, LineOption::Segment);
    EXPECT_EQ(blackPixels(s), (std::set<std::pair<int, int>>{{7, 9}}));
    s.Cls();
    s.Line(7, 9, 7, 9, LineOption::Box);
    EXPECT_EQ(blackPixels(s), (std::set<std::pair<int, int>>{{7, 9}}));
    s.Cls();
    s.Line(3, 9, 12, 9, LineOption::Box);
    EXPECT_EQ(blackPixels(s).size(), 10u);
    s.Cls();
    s.Circle(20, 20, 0, 1);
    s.Circle(20, 20, 0, 0);
    s.Circle(20, 20, 0, std::numeric_limits<float>::infinity());
    EXPECT_TRUE(blackPixels(s).empty()) << "radius 0 leaves no dot";
}

TEST(SurfaceTest, CircleAxesFollowRadiusAndAspect) {
    const auto extent = [](float radius, float aspect) {
        Surface s(100, 100);
        s.Circle(50, 50, radius, aspect);
        int minX = 100, maxX = -1, minY = 100, maxY = -1;
        for (const auto& [x, y] : blackPixels(s)) {
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
        return std::vector<int>{minX, maxX, minY, maxY};
    };
    EXPECT_EQ(extent(20, 1), (std::vector<int>{30, 70, 30, 70}));
    EXPECT_EQ(extent(44.72f, 0.5f), (std::vector<int>{5, 95, 28, 72}));
    EXPECT_EQ(extent(44.72f, 2.0f), (std::vector<int>{28, 72, 5, 95}));
    EXPECT_EQ(extent(30, 0), (std::vector<int>{20, 80, 50, 50}));
    EXPECT_EQ(extent(30, std::numeric_limits<float>::infinity()),
              (std::vector<int>{50, 50, 20, 80}));

    Surface s(100, 100);
    s.Circle(50, 50, 30, 0);
    EXPECT_EQ(blackPixels(s).size(), 61u) << "the flat figure is one row";
}

// A closed outline: all pixels form one 8-connected piece and lie near the true curve.
TEST(SurfaceTest, EllipseOutlineIsConnectedAndOnTheCurve) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> axis(1, 60);
    for (int i = 0; i < 400; ++i) {
        const int a = axis(rng);
        const int b = axis(rng);
        Surface s(140, 140);
        s.Circle(70, 70, static_cast<float>(std::max(a, b)),
                 static_cast<float>(b) / static_cast<float>(a));
        const auto px = blackPixels(s);
        std::set<std::pair<int, int>> reached{*px.begin()};
        std::vector<std::pair<int, int>> todo{*px.begin()};
        while (!todo.empty()) {
            const auto [x, y] = todo.back();
            todo.pop_back();
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (px.contains({x + dx, y + dy}) && reached.insert({x + dx, y + dy}).second)
                        todo.emplace_back(x + dx, y + dy);
        }
        ASSERT_EQ(reached.size(), px.size()) << "gap in a=" << a << " b=" << b;
        // The true curve passes through the 3x3 block around each pixel: the ellipse's
        // equation changes sign there.
        const auto f = [&](int x, int y) {
            const double u = (x - 70.0) / a;
            const double v = (y - 70.0) / b;
            return u * u + v * v - 1;
        };
        for (const auto& [x, y] : px) {
            bool inside = false;
            bool outside = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    inside = inside || f(x + dx, y + dy) <= 0;
                    outside = outside || f(x + dx, y + dy) >= 0;
                }
            ASSERT_TRUE(inside && outside) << x << "," << y << " a=" << a << " b=" << b;
        }
    }
}

TEST(SurfaceTest, FarCoordinatesDrawTheirVisiblePart) {
    Surface s(60, 60);
    s.Line(-1e9f, 30, 1e9f, 30, LineOption::Segment);
    EXPECT_EQ(blackPixels(s).size(), 60u);
    s.Cls();
    s.Line(10, 10, 1e9f, 1e9f, LineOption::Segment);
    auto px = blackPixels(s);
    EXPECT_EQ(px.size(), 50u);
    EXPECT_TRUE(px.contains({10, 10}) && px.contains({59, 59}));
    s.Cls();
    s.Line(20, 20, -3e38f, 40, LineOption::Box);
    px = blackPixels(s);
    EXPECT_TRUE(px.contains({0, 20}) && px.contains({0, 40}) && px.contains({20, 30}));
    s.Cls();
    s.Circle(30, 30, 1e7f, 1); // encloses the canvas: nothing of it is visible
    EXPECT_TRUE(blackPixels(s).empty());
    s.Circle(-30000, 30, 30010, 1); // only its rightmost arc reaches the canvas
    px = blackPixels(s);
    EXPECT_TRUE(px.contains({10, 30}));
    for (const auto& [x, y] : px)
        EXPECT_LE(x, 10);
}

// Radii past a canvas's reach take wider arithmetic: the visible arc lies on the curve on either
// side of the switch.
TEST(SurfaceTest, HugeEllipsesStayOnTheCurve) {
    for (const int a : {(1 << 14) - 1, 1 << 14, 1 << 16, (1 << 20) - 1, 1 << 22})
        for (const int b : {a / 3, a - 1, a + 5}) {
            Surface s(60, 60);
            const int cx = 40 - a;
            s.Circle(static_cast<float>(cx), 30, static_cast<float>(std::max(a, b)),
                     static_cast<float>(b) / static_cast<float>(a));
            const auto px = blackPixels(s);
            ASSERT_GE(px.size(), 59u) << a << " " << b;
            const auto f = [&](int x, int y) {
                const double u = static_cast<double>(x - cx) / a;
                const double v = (y - 30.0) / b;
                return u * u + v * v - 1;
            };
            for (const auto& [x, y] : px)
                ASSERT_TRUE(f(x - 1, y) < 0 || f(x, y) <= 0) << x << "," << y << " a=" << a;
            for (const auto& [x, y] : px)
                ASSERT_TRUE(f(x + 1, y) > 0 || f(x, y) >= 0) << x << "," << y << " a=" << a;
        }
}

TEST(SurfaceTest, NonFiniteCoordinatesAreRejectedOrClipped) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    Surface s(30, 30);
    s.Line(nan, 1, 5, 5, LineOption::Segment);
    s.Line(1, 1, 5, nan, LineOption::Box);
    s.Circle(10, 10, nan, 1);
    s.Circle(10, 10, 5, nan);
    s.Circle(nan, 10, 5, 1);
    s.Circle(10, 10, inf, 1);
    EXPECT_TRUE(blackPixels(s).empty());
    s.Line(-inf, 15, inf, 15, LineOption::Segment);
    s.Line(5, -inf, 5, inf, LineOption::Box);
    const auto px = blackPixels(s);
    EXPECT_TRUE(px.contains({0, 15}) && px.contains({29, 15}) && px.contains({5, 0}));
}

TEST(SurfaceTest, ReportsTheRectangleEachCallChanged) {
    Surface s(80, 80);
    std::vector<PixelRect> reports;
    s.setChangeListener([&](const PixelRect& r) { reports.push_back(r); });
    // With the inverting pen every pixel a call touches changes, so the report is exact.
    s.setDrawMode(DrawMode::NotMergePen);
    for (const Figure& f : randomFigures(31, 300, -30, 110)) {
        const Pixels before = snapshot(s);
        reports.clear();
        f.draw(s);
        PixelRect changed;
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 80; ++x)
                if (s.pixel(x, y) != before[static_cast<std::size_t>(y * 80 + x)])
                    changed = changed.united({x, y, x + 1, y + 1});
        PixelRect reported;
        for (const PixelRect& r : reports)
            reported = reported.united(r);
        ASSERT_EQ(reported, changed);
    }
    reports.clear();
    s.Cls();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], (PixelRect{0, 0, 80, 80}));
}

TEST(SurfaceTest, ClsWhitensAndResizeStartsWhite) {
    Surface s(20, 10);
    scribble(s, 1);
    ASSERT_FALSE(blackPixels(s).empty());
    s.Cls();
    EXPECT_TRUE(blackPixels(s).empty());
    scribble(s, 2);
    s.resize(33, 17);
    EXPECT_EQ(s.width(), 33);
    EXPECT_EQ(s.height(), 17);
    EXPECT_TRUE(blackPixels(s).empty());
}

} // namespace
} // namespace mirona
