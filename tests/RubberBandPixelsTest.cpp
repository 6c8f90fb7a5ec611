#include "canvas/Surface.hpp"
#include "drawing/SymmetricDrawing.hpp"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace mirona {
namespace {

constexpr int kSize = 120;

struct Pad {
    Surface surface{kSize, kSize};
    SymmetricDrawing drawing{surface};

    Pad(std::int16_t tool, const std::int16_t (&flags)[3], unsigned backgroundSeed) {
        DrawingState& s = drawing.state();
        s.CanvasW = kSize;
        s.CanvasH = kSize;
        // Some strokes underneath, so that previews invert black as well as white pixels.
        std::mt19937 rng(backgroundSeed);
        std::uniform_real_distribution<float> c(0, kSize);
        drawing.Picture1_MouseDown(kLeftButton, 0, c(rng), c(rng));
        for (int i = 0; i < 30; ++i)
            drawing.Picture1_MouseMove(kLeftButton, 0, std::round(c(rng)), std::round(c(rng)));
        drawing.Picture1_MouseUp(kLeftButton, 0, 0, 0);
        s.ToolNo = tool;
        s.JogeFlag = flags[0];
        s.SayuFlag = flags[1];
        s.NanameFlag = flags[2];
    }
    std::vector<std::uint32_t> pixels() const { return surface.Image(); }
};

// A left drag released where it last moved leaves exactly what a press and a right-button
// release at the same points leave without any preview: no dotted pixel survives, also where
// images overlap each other or the drag leaves the canvas.
TEST(RubberBandPixelsTest, ADragLeavesNoTraceOfItsPreviews) {
    const std::int16_t modes[4][3] = {{1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 1, 1}};
    std::mt19937 rng(2024);
    std::uniform_real_distribution<float> inside(0, kSize);
    std::uniform_real_distribution<float> wide(-kSize, 2 * kSize);
    for (std::int16_t tool = 1; tool <= 3; ++tool) {
        for (const auto& flags : modes) {
            for (int trial = 0; trial < 25; ++trial) {
                Pad dragged(tool, flags, trial);
                Pad clicked(tool, flags, trial);
                const float ax = std::round(inside(rng));
                const float ay = std::round(inside(rng));
                float bx = ax;
                float by = ay;
                dragged.drawing.Picture1_MouseDown(kLeftButton, 0, ax, ay);
                for (int i = 0; i < 12; ++i) {
                    auto& d = trial % 3 == 0 ? wide : inside;
                    bx = std::round(d(rng));
                    by = std::round(d(rng));
                    dragged.drawing.Picture1_MouseMove(kLeftButton, 0, bx, by);
                }
                dragged.drawing.Picture1_MouseUp(kLeftButton, 0, bx, by);

                clicked.drawing.Picture1_MouseDown(kRightButton, 0, ax, ay);
                clicked.drawing.Picture1_MouseUp(kRightButton, 0, bx, by);
                ASSERT_EQ(dragged.pixels(), clicked.pixels())
                    << "tool " << tool << " trial " << trial;
            }
        }
    }
}

TEST(RubberBandPixelsTest, PreviewIsDottedAndInvertsOnlyWhileDragging) {
    const std::int16_t all[3] = {1, 1, 1};
    Pad pad(2, all, 99);
    const auto before = pad.pixels();
    pad.drawing.Picture1_MouseDown(kLeftButton, 0, 20, 30);
    pad.drawing.Picture1_MouseMove(kLeftButton, 0, 50, 45);
    EXPECT_EQ(pad.surface.drawMode(), DrawMode::NotMergePen);
    EXPECT_NE(pad.pixels(), before);
    // Back at the press point, the anchor's degenerate box has been inverted twice: all gone.
    pad.drawing.Picture1_MouseMove(kLeftButton, 0, 20, 30);
    EXPECT_EQ(pad.pixels(), before);
}

} // namespace
} // namespace mirona
