// The rectangles a drawing call reports to the change listener: the canvas widget repaints
// exactly these, so they must cover every pixel the call set, and along long figures they should
// follow the outline rather than span its extent.
#include "canvas/Surface.hpp"

#include <functional>
#include <gtest/gtest.h>
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

} // namespace
} // namespace mirona
