#include "web/engine/Thumbnail.hpp"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace mirona {
namespace {

// The thumbnail as its contract says, pixel by pixel: each thumbnail pixel's share of black in
// the canvas pixels that map onto it (floor of column and row times the thumbnail's side over
// the canvas's), three times as strong.
Thumbnail expectedThumbnail(const Surface& s, int maxSide) {
    const int longer = std::max(s.width(), s.height());
    const int side = std::min(maxSide, longer);
    Thumbnail t{
        std::max(1, s.width() * side / longer), std::max(1, s.height() * side / longer), {}};
    std::vector<long long> black(static_cast<std::size_t>(t.width) * t.height);
    std::vector<long long> area(black.size());
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            // Column c holds the x with c * w / t.width <= x < (c + 1) * w / t.width.
            int c = 0;
            while ((c + 1) * s.width() / t.width <= x)
                ++c;
            const auto i = static_cast<std::size_t>(y * t.height / s.height()) * t.width + c;
            ++area[i];
            black[i] += s.pixel(x, y) == Surface::kBlack ? 1 : 0;
        }
    for (std::size_t i = 0; i < black.size(); ++i)
        t.grey.push_back(static_cast<std::uint8_t>(
            255 - (area[i] ? std::min<long long>(255, 3 * 255 * black[i] / area[i]) : 0)));
    return t;
}

TEST(ThumbnailTest, EachPixelIsTheShareOfBlackInTheAreaItStandsFor) {
    std::mt19937 random(7);
    for (const auto& [w, h] :
         {std::pair{1, 1}, {5, 3}, {33, 96}, {96, 97}, {451, 451}, {700, 260}}) {
        Surface s(w, h);
        std::uniform_real_distribution<float> x(-5, static_cast<float>(w + 5));
        std::uniform_real_distribution<float> y(-5, static_cast<float>(h + 5));
        for (int i = 0; i < 12; ++i)
            s.Line(x(random), y(random), x(random), y(random),
                   i % 3 ? LineOption::Segment : LineOption::Box);
        const Thumbnail actual = thumbnailOf(s, 96);
        const Thumbnail expected = expectedThumbnail(s, 96);
        EXPECT_EQ(actual.width, expected.width) << w << " x " << h;
        EXPECT_EQ(actual.height, expected.height) << w << " x " << h;
        EXPECT_EQ(actual.grey, expected.grey) << w << " x " << h;
    }
}

} // namespace
} // namespace mirona
