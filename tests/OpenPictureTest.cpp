#include "canvas/Surface.hpp"
#include "drawing/Editor.hpp"
#include "drawing/MenuChoices.hpp"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace mirona {
namespace {

// Over white by the book, in floating point: each channel composited, then the luminance.
bool referenceBlack(const std::uint8_t* p) {
    const double a = p[3] / 255.0;
    const auto over = [a](std::uint8_t c) { return c * a + 255.0 * (1 - a); };
    return 0.299 * over(p[0]) + 0.587 * over(p[1]) + 0.114 * over(p[2]) < 128.0 - 1e-9;
}

// Random pictures, mostly not square, some at the luminance threshold, opened over a drawn
// picture: the canvas is the longer side square, white outside the picture, which sits centred
// (the margins differ by at most a pixel) with each pixel black by its luminance over white;
// undo gives back the picture before, at its size, redo the opened one; the tool and the mode
// stay and the chain ends; bad sizes change nothing. A first opening is the start.
TEST(OpenPictureTest, PixelsBecomeBlackOrWhiteCentredOnASquareAsOneUndoStep) {
    std::mt19937 random(28);
    for (int round = 0; round < 60; ++round) {
        Surface surface(1, 1);
        Editor editor(surface);
        const int width = 1 + static_cast<int>(random() % 70);
        const int height = round % 5 == 0 ? width : 1 + static_cast<int>(random() % 70);
        std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
        for (std::size_t i = 0; i < rgba.size(); i += 4) {
            const std::uint8_t grey = random() % 2 == 0 ? 127 : 128; // either side of the line
            for (int c = 0; c < 4; ++c)
                rgba[i + c] = round % 3 == 0 ? (c < 3 ? grey : 255) : random() % 256;
        }
        if (round % 4 == 0) {
            ASSERT_TRUE(editor.openPicture(width, height, rgba));
            EXPECT_FALSE(editor.canUndo());
        }
        editor.newPicture(33, 33);
        chooseTool(editor.state(), ToolNumber::ContLine);
        chooseMode(editor.state(), SymmetryMode::Sayu);
        editor.Picture1_MouseDown(kLeftButton, 0, 3, 4);
        editor.Picture1_MouseUp(kLeftButton, 0, 20, 9);
        ASSERT_EQ(editor.state().ChainFlag, 1);
        const std::vector<std::uint32_t> before = surface.Image();
        for (const auto& [w, h] : {std::pair{0, height}, {width, History::kMaxSide + 1}})
            EXPECT_FALSE(editor.openPicture(w, h, rgba));
        EXPECT_FALSE(editor.openPicture(width, height, {rgba.data(), rgba.size() - 1}));
        EXPECT_EQ(surface.Image(), before);

        ASSERT_TRUE(editor.openPicture(width, height, rgba));
        const int side = std::max(width, height);
        ASSERT_EQ(surface.width(), side);
        ASSERT_EQ(surface.height(), side);
        const int left = (side - width) / 2;
        const int top = (side - height) / 2;
        EXPECT_LE(side - width - 2 * left, 1);
        EXPECT_LE(side - height - 2 * top, 1);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const bool inside = x >= left && x < left + width && y >= top && y < top + height;
                const bool black =
                    inside &&
                    referenceBlack(
                        &rgba[(static_cast<std::size_t>(y - top) * width + x - left) * 4]);
                ASSERT_EQ(surface.pixel(x, y), black ? Surface::kBlack : Surface::kWhite)
                    << width << " x " << height << " at " << x << ", " << y;
            }
        EXPECT_TRUE(isChosen(editor.state(), ToolNumber::ContLine));
        EXPECT_TRUE(isChosen(editor.state(), SymmetryMode::Sayu));
        EXPECT_EQ(editor.state().ChainFlag, 0);
        EXPECT_EQ(editor.state().CanvasW, static_cast<float>(side));
        const std::vector<std::uint32_t> opened = surface.Image();
        ASSERT_TRUE(editor.undo());
        EXPECT_EQ(surface.width(), 33);
        EXPECT_EQ(surface.Image(), before);
        ASSERT_TRUE(editor.redo());
        EXPECT_EQ(surface.Image(), opened);
    }
}

} // namespace
} // namespace mirona
