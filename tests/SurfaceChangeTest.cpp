// The rectangles a drawing call reports to the change listener: the canvas widget repaints
// exactly these, so they must cover every pixel the call set, and along long figures they should
// follow the outline rather than span its extent.
#include "canvas/DirtyTiles.hpp"
#include "canvas/Surface.hpp"

#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace mirona {
namespace {

struct Call {
    std::string name;
    std::function<void(Surface&)> draw;
};

// Figures on a canvas of about n pixels: long, large, across the edges, degenerate.
std::vector<Call> calls(float n) {
    return {
        {"diagonal", [=](Surface& s) { s.Line(-20, 5, n + 30, n - 10, LineOption::Segment); }},
        {"steep", [=](Surface& s) { s.Line(10, n - 1, 30, -50, LineOption::Segment); }},
        {"box", [=](Surface& s) { s.Line(3, 4, n - 4, n - 10, LineOption::Box); }},
        {"box across the edge",
         [=](Surface& s) { s.Line(-30, n / 4, n / 2, n + 60, LineOption::Box); }},
        {"wide ellipse", [=](Surface& s) { s.Circle(n / 2, n / 2, n / 2 - 5, 0.8f); }},
        {"tall ellipse", [=](Surface& s) { s.Circle(n / 2 - 10, n / 2 + 10, n / 2 - 2, 2.5f); }},
        {"ellipse cut by the edges", [=](Surface& s) { s.Circle(20, n - 20, 0.75f * n, 0.6f); }},
        {"flat ellipse", [=](Surface& s) { s.Circle(n / 2, n / 4, n / 3, 0.0f); }},
    };
}

struct Drawn {
    std::vector<PixelRect> reports;
    std::vector<std::pair<int, int>> changed;
    PixelRect extent;
};

Drawn draw(const Call& call, int n, DrawStyle style) {
    Surface s(n, n);
    s.setDrawMode(DrawMode::NotMergePen);
    s.setDrawStyle(style);
    Drawn d;
    s.setChangeListener([&](const PixelRect& r) { d.reports.push_back(r); });
    call.draw(s);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            if (s.pixel(x, y) != Surface::kWhite) {
                d.changed.emplace_back(x, y);
                d.extent = d.extent.united({x, y, x + 1, y + 1});
            }
    return d;
}

bool inside(const PixelRect& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

TEST(SurfaceChangeTest, ReportsCoverEveryChangedPixelAndAreTightAroundThem) {
    constexpr int n = 200;
    for (const DrawStyle style : {DrawStyle::Solid, DrawStyle::Dot})
        for (const Call& call : calls(n)) {
            SCOPED_TRACE(call.name + (style == DrawStyle::Dot ? " dotted" : " solid"));
            const Drawn d = draw(call, n, style);
            ASSERT_FALSE(d.changed.empty());
            for (const auto& [x, y] : d.changed) {
                bool covered = false;
                for (const PixelRect& r : d.reports)
                    covered = covered || inside(r, x, y);
                ASSERT_TRUE(covered) << x << "," << y;
            }
            // Each rectangle has a changed pixel on each of its four edges.
            for (const PixelRect& r : d.reports) {
                ASSERT_FALSE(r.isEmpty());
                bool left = false, right = false, top = false, bottom = false;
                for (const auto& [x, y] : d.changed) {
                    if (!inside(r, x, y))
                        continue;
                    left = left || x == r.left;
                    right = right || x == r.right - 1;
                    top = top || y == r.top;
                    bottom = bottom || y == r.bottom - 1;
                }
                EXPECT_TRUE(left && right && top && bottom)
                    << r.left << "," << r.top << " " << r.right << "," << r.bottom;
            }
        }
}

TEST(SurfaceChangeTest, LongOutlinesReportRectanglesAlongThemNotAcrossThem) {
    constexpr int n = 600;
    for (const Call& call : calls(n)) {
        SCOPED_TRACE(call.name);
        const Drawn d = draw(call, n, DrawStyle::Solid);
        double reported = 0;
        for (const PixelRect& r : d.reports)
            reported += static_cast<double>(r.width()) * r.height();
        const double extent = static_cast<double>(d.extent.width()) * d.extent.height();
        // Rectangles of one outline seldom overlap, so their areas add up to the repainted area.
        EXPECT_LT(reported, extent / 4 + 64.0 * 64.0);
    }
}

// The tiles the surface marks itself for a front end (setShownTiles) and for the history
// (setChangeTiles) are those its listener's rectangles mark, after any sequence of calls: figures
// on and across the edges, kept ellipses drawn again at other places, pens, styles, New,
// resizes and inverted blocks.
TEST(SurfaceChangeTest, TheTilesItMarksAreThoseOfItsReports) {
    std::mt19937 random(41);
    for (int round = 0; round < 30; ++round) {
        const int w = 40 + static_cast<int>(random() % 200);
        const int h = 40 + static_cast<int>(random() % 200);
        Surface s(w, h);
        DirtyTiles shown(3);
        DirtyTiles history;
        DirtyTiles heard(3);
        DirtyTiles heardCoarse;
        for (DirtyTiles* tiles : {&shown, &history, &heard, &heardCoarse})
            tiles->resize(w, h);
        s.setShownTiles(&shown);
        s.setChangeTiles(&history);
        s.setChangeListener([&](const PixelRect& r) {
            heard.add(r);
            heardCoarse.add(r);
        });
        const auto coordinate = [&](int n) {
            return static_cast<float>(static_cast<int>(random() % (n + 80)) - 40);
        };
        for (int call = 0; call < 40; ++call) {
            s.setDrawMode(random() % 2 != 0 ? DrawMode::NotMergePen : DrawMode::CopyPen);
            s.setDrawStyle(random() % 2 != 0 ? DrawStyle::Dot : DrawStyle::Solid);
            switch (random() % 8) {
            case 0:
                s.Line(coordinate(w), coordinate(h), coordinate(w), coordinate(h),
                       random() % 2 != 0 ? LineOption::Box : LineOption::Segment);
                break;
            case 1:
                s.Cls();
                break;
            case 2: {
                const int nw = 40 + static_cast<int>(random() % 200);
                const int nh = 40 + static_cast<int>(random() % 200);
                // As the widget and the history follow a resize before hearing of it.
                s.setResizeListener([&] {
                    for (DirtyTiles* tiles : {&shown, &history, &heard, &heardCoarse})
                        tiles->resize(nw, nh);
                });
                s.resize(nw, nh);
                break;
            }
            case 3: {
                const std::array<std::uint32_t, 32> masks{0x80000001u, 0x00FF0000u, 0xFFFFFFFFu};
                if (s.width() >= 32 && s.height() >= 32)
                    s.invertMasked(0, 0, 1, 32, [&](int) { return masks.data(); });
                break;
            }
            default: {
                // A few sizes again and again, mostly wholly on the canvas.
                const float radius = static_cast<float>(3 + random() % 5 * 7);
                const float aspect = std::array{0.5f, 1.0f, 1.6f}[random() % 3];
                s.Circle(static_cast<float>(random() % static_cast<unsigned>(s.width())),
                         static_cast<float>(random() % static_cast<unsigned>(s.height())), radius,
                         aspect);
                break;
            }
            }
            if (random() % 4 == 0) {
                ASSERT_EQ(shown.take(), heard.take()) << round << " " << call;
                ASSERT_EQ(history.take(), heardCoarse.take()) << round << " " << call;
            }
        }
        ASSERT_EQ(shown.take(), heard.take());
        ASSERT_EQ(history.take(), heardCoarse.take());
    }
}

} // namespace
} // namespace mirona
