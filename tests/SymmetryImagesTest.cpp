#include "drawing/SymmetryImages.hpp"

#include <gtest/gtest.h>
#include <vector>

namespace mirona {
namespace {

std::vector<int> images(std::int16_t joge, std::int16_t sayu, std::int16_t naname) {
    DrawingState s;
    s.JogeFlag = joge;
    s.SayuFlag = sayu;
    s.NanameFlag = naname;
    const ActiveImages active(s);
    return {active.begin(), active.end()};
}

TEST(SymmetryImagesTest, ModesSelectImagesInDrawingOrder) {
    EXPECT_EQ(images(1, 0, 0), (std::vector<int>{1, 3}));
    EXPECT_EQ(images(0, 1, 0), (std::vector<int>{1, 2}));
    EXPECT_EQ(images(1, 1, 0), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(images(1, 1, 1), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(images(0, 0, 1), (std::vector<int>{1, 5, 6, 7, 8}));
    // Only 1 counts as on.
    EXPECT_EQ(images(2, -1, 7), (std::vector<int>{1}));
}

TEST(SymmetryImagesTest, ImagesOfAPointAboutTheCanvas) {
    const std::vector<CanvasPoint> expected{{100, 40}, {351, 40}, {100, 411}, {351, 411},
                                            {40, 100}, {40, 351}, {411, 100}, {411, 351}};
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(imageOf(k, StoredPoint{100, 40}, 451, 451), expected[k - 1]) << k;
        EXPECT_EQ(imageOf(k, PointerPoint{100, 40}, 451, 451), expected[k - 1]) << k;
    }
}

TEST(SymmetryImagesTest, FixedPointsAndPointsOffTheCanvas) {
    for (int k = 1; k <= 8; ++k)
        EXPECT_EQ(imageOf(k, PointerPoint{225, 225}, 450, 450), (CanvasPoint{225, 225})) << k;
    EXPECT_EQ(imageOf(2, PointerPoint{225.5f, 7}, 451, 451), (CanvasPoint{225.5f, 7}));
    EXPECT_EQ(imageOf(5, StoredPoint{33, 33}, 451, 451), (CanvasPoint{33, 33}));
    EXPECT_EQ(imageOf(4, PointerPoint{-50, 600}, 451, 451), (CanvasPoint{501, -149}));
    EXPECT_EQ(imageOf(7, PointerPoint{-50, 600}, 451, 451), (CanvasPoint{-149, -50}));
    // A pointer y keeps its fraction; a stored y is whole.
    EXPECT_EQ(imageOf(3, PointerPoint{0, 10.25f}, 451, 451), (CanvasPoint{0, 440.75f}));
}

TEST(SymmetryImagesTest, SixteenBitMirrorSaturates) {
    EXPECT_EQ(imageOf(3, StoredPoint{0, -32768}, 451, 451).y, 32767.0f);
    EXPECT_EQ(imageOf(8, StoredPoint{0, -32768}, 451, 451).x, 32767.0f);
    EXPECT_EQ(imageOf(3, StoredPoint{0, 32767}, 451, 451).y, 451.0f - 32767.0f);
}

TEST(SymmetryImagesTest, StoringAYRoundsHalfToEvenAndSaturates) {
    EXPECT_EQ(storeY(10.5f), 10);
    EXPECT_EQ(storeY(11.5f), 12);
    EXPECT_EQ(storeY(-2.5f), -2);
    EXPECT_EQ(storeY(7.0f), 7);
    EXPECT_EQ(storeY(1e9f), 32767);
    EXPECT_EQ(storeY(-1e9f), -32768);
    EXPECT_EQ(storeY(std::numeric_limits<float>::quiet_NaN()), 0);
}

} // namespace
} // namespace mirona
