#include "canvas/History.hpp"

#include <functional>
#include <gtest/gtest.h>
#include <string_view>
#include <vector>

namespace mirona {
namespace {

std::size_t digest(const Surface& surface) {
    const auto image = surface.Image();
    return std::hash<std::string_view>{}(
        {reinterpret_cast<const char*>(image.data()), image.size() * sizeof(image[0])});
}

// New over a busy 2048-pixel picture, over and over: the last hundred full-canvas steps fit
// the budget, the oldest go, and undoing all that is held gives back the picture before the
// oldest step kept.
TEST(HistoryTest, KeepsAHundredFullCanvasStepsWithinItsBudget) {
    constexpr int n = 2048;
    constexpr int kSteps = 130;
    Surface surface(n, n);
    History history(surface);
    history.commit();
    std::vector<std::size_t> pictures{digest(surface)};
    for (int i = 0; i < kSteps; ++i) {
        if (i % 2 == 0) {
            // Diagonals three pixels apart, shifted each time: no row of any tile is empty.
            for (int x = 1 - n + i % 3; x < n; x += 3)
                surface.Line(static_cast<float>(x), 0, static_cast<float>(x + n - 1), n - 1,
                             LineOption::Segment);
        } else {
            surface.Cls();
        }
        ASSERT_TRUE(history.commit());
        ASSERT_LE(history.bytes(), History::kDefaultBudget);
        pictures.push_back(digest(surface));
    }
    EXPECT_GE(history.steps(), 100u);
    EXPECT_LT(history.steps(), static_cast<std::size_t>(kSteps)) << "the oldest steps went";
    while (history.undo()) {
    }
    EXPECT_EQ(digest(surface), pictures[kSteps - history.steps()]);
}

} // namespace
} // namespace mirona
