#include "RecordingCanvas.hpp"
#include "drawing/SymmetricDrawing.hpp"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace mirona {
namespace {

using Kind = RecordingCanvas::Kind;
constexpr auto kInf = std::numeric_limits<float>::infinity();

struct Expected {
    Kind kind;
    float a, b, c, d;
};

class DrawingTest : public testing::Test {
protected:
    DrawingTest() {
        state().CanvasW = 451;
        state().CanvasH = 451;
    }
    DrawingState& state() { return drawing.state(); }
    void mode(std::int16_t joge, std::int16_t sayu, std::int16_t naname) {
        state().JogeFlag = joge;
        state().SayuFlag = sayu;
        state().NanameFlag = naname;
    }
    void tool(ToolNumber t) { state().ToolNo = static_cast<std::int16_t>(t); }
    void press(float x, float y, std::int16_t button = kLeftButton) {
        drawing.Picture1_MouseDown(button, 0, x, y);
    }
    void move(float x, float y, std::int16_t buttons = kLeftButton) {
        drawing.Picture1_MouseMove(buttons, 0, x, y);
    }
    void release(float x, float y, std::int16_t button = kLeftButton) {
        drawing.Picture1_MouseUp(button, 0, x, y);
    }
    // The figure calls since the last take, checked against `expected` with the pen given.
    void expectCalls(const std::vector<Expected>& expected, DrawMode m, DrawStyle s) {
        ASSERT_EQ(canvas.calls.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const auto& c = canvas.calls[i];
            const auto& e = expected[i];
            EXPECT_EQ(c.kind, e.kind) << "call " << i;
            EXPECT_FLOAT_EQ(c.a, e.a) << "call " << i;
            EXPECT_FLOAT_EQ(c.b, e.b) << "call " << i;
            EXPECT_FLOAT_EQ(c.c, e.c) << "call " << i;
            if (std::isinf(e.d))
                EXPECT_TRUE(std::isinf(c.d)) << "call " << i;
            else
                EXPECT_FLOAT_EQ(c.d, e.d) << "call " << i;
            EXPECT_EQ(c.mode, m) << "call " << i;
            EXPECT_EQ(c.style, s) << "call " << i;
        }
        canvas.calls.clear();
    }

    RecordingCanvas canvas;
    SymmetricDrawing drawing{canvas};
};

TEST_F(DrawingTest, FreehandStepDrawsTheSegmentInEveryImageAndMovesTheAnchor) {
    press(100, 40);
    EXPECT_TRUE(canvas.calls.empty());
    move(110, 50);
    expectCalls({{Kind::Segment, 100, 40, 110, 50},
                 {Kind::Segment, 351, 40, 341, 50},
                 {Kind::Segment, 100, 411, 110, 401},
                 {Kind::Segment, 351, 411, 341, 401},
                 {Kind::Segment, 40, 100, 50, 110},
                 {Kind::Segment, 40, 351, 50, 341},
                 {Kind::Segment, 411, 100, 401, 110},
                 {Kind::Segment, 411, 351, 401, 341}},
                DrawMode::CopyPen, DrawStyle::Solid);
    EXPECT_EQ(state().AnchorX, 110);
    EXPECT_EQ(state().AnchorY, 50);

    mode(0, 1, 0);
    move(120, 55);
    expectCalls({{Kind::Segment, 110, 50, 120, 55}, {Kind::Segment, 341, 50, 331, 55}},
                DrawMode::CopyPen, DrawStyle::Solid);
    release(130, 60);
    EXPECT_TRUE(canvas.calls.empty()) << "a freehand stroke is not joined to the release";
}

TEST_F(DrawingTest, OnlyTheLeftButtonAloneDraws) {
    press(10, 10, kRightButton);
    EXPECT_EQ(state().AnchorX, 10) << "a press of any button sets the anchor";
    move(30, 30, kRightButton);
    move(30, 30, kMiddleButton);
    move(30, 30, kLeftButton | kRightButton);
    move(30, 30, 0);
    EXPECT_TRUE(canvas.calls.empty());

    // A second button during a drag is a new press: the anchor jumps, and moves with both
    // buttons draw nothing.
    tool(ToolNumber::Box);
    press(10, 10);
    move(20, 20);
    canvas.calls.clear();
    press(30, 35, kRightButton);
    EXPECT_EQ(state().AnchorX, 30);
    EXPECT_EQ(state().AnchorY, 35);
    EXPECT_EQ(state().LastX, 30);
    EXPECT_EQ(state().LastY, 35);
    move(40, 40, kLeftButton | kRightButton);
    EXPECT_TRUE(canvas.calls.empty());
}

TEST_F(DrawingTest, EveryReleasePutsBackCopyPenAndSolidBeforeDrawing) {
    for (std::int16_t t = 0; t <= 4; ++t) { // 4 is no tool: nothing drawn, pen still restored
        state().ToolNo = t;
        state().ChainFlag = 0;
        press(5, 5);
        canvas.setDrawMode(DrawMode::NotMergePen);
        canvas.setDrawStyle(DrawStyle::Dot);
        release(9, 7, kMiddleButton);
        EXPECT_EQ(canvas.mode, DrawMode::CopyPen);
        EXPECT_EQ(canvas.style, DrawStyle::Solid);
        for (const auto& c : canvas.calls) {
            EXPECT_EQ(c.mode, DrawMode::CopyPen);
            EXPECT_EQ(c.style, DrawStyle::Solid);
        }
        EXPECT_EQ(canvas.calls.empty(), t == 0 || t == 4) << "tool " << t;
        canvas.calls.clear();
    }
}

TEST_F(DrawingTest, ContinuousLineRubberBandNewThenOldPerImage) {
    tool(ToolNumber::ContLine);
    mode(1, 0, 0);
    press(100, 40);
    move(120, 60);
    expectCalls({{Kind::Segment, 100, 40, 120, 60},
                 {Kind::Segment, 100, 40, 100, 40},
                 {Kind::Segment, 100, 411, 120, 391},
                 {Kind::Segment, 100, 411, 100, 411}},
                DrawMode::NotMergePen, DrawStyle::Dot);
    move(125, 70);
    expectCalls({{Kind::Segment, 100, 40, 125, 70},
                 {Kind::Segment, 100, 40, 120, 60},
                 {Kind::Segment, 100, 411, 125, 381},
                 {Kind::Segment, 100, 411, 120, 391}},
                DrawMode::NotMergePen, DrawStyle::Dot);
    EXPECT_EQ(state().LastX, 125);
    EXPECT_EQ(state().LastY, 70);
}

TEST_F(DrawingTest, ContinuousLineChainsFromTheLastRelease) {
    tool(ToolNumber::ContLine);
    press(100, 40);
    release(200, 90);
    expectCalls({{Kind::Segment, 100, 40, 200, 90},
                 {Kind::Segment, 351, 40, 251, 90},
                 {Kind::Segment, 100, 411, 200, 361},
                 {Kind::Segment, 351, 411, 251, 361},
                 {Kind::Segment, 40, 100, 90, 200},
                 {Kind::Segment, 40, 351, 90, 251},
                 {Kind::Segment, 411, 100, 361, 200},
                 {Kind::Segment, 411, 351, 361, 251}},
                DrawMode::CopyPen, DrawStyle::Solid);
    EXPECT_EQ(state().ChainFlag, 1);
    EXPECT_EQ(state().AnchorX, 200);
    EXPECT_EQ(state().AnchorY, 90);
    EXPECT_EQ(state().LastX, 200);
    EXPECT_EQ(state().LastY, 90);

    // The next press plays no part; a symmetry change keeps the chain.
    mode(0, 1, 0);
    press(10, 10);
    EXPECT_EQ(state().AnchorX, 200);
    move(210, 100);
    canvas.calls.clear();
    release(220, 95);
    expectCalls({{Kind::Segment, 200, 90, 220, 95}, {Kind::Segment, 251, 90, 231, 95}},
                DrawMode::CopyPen, DrawStyle::Solid);
    EXPECT_EQ(state().AnchorX, 220);
}

TEST_F(DrawingTest, RectanglePreviewAndCommitMapBothCorners) {
    tool(ToolNumber::Box);
    press(100, 40);
    move(150, 90);
    ASSERT_EQ(canvas.calls.size(), 16u);
    EXPECT_EQ(canvas.calls[1].a, canvas.calls[1].c) << "first step removes the anchor's box";
    canvas.calls.clear();
    release(150, 90);
    expectCalls({{Kind::Box, 100, 40, 150, 90},
                 {Kind::Box, 351, 40, 301, 90},
                 {Kind::Box, 100, 411, 150, 361},
                 {Kind::Box, 351, 411, 301, 361},
                 {Kind::Box, 40, 100, 90, 150},
                 {Kind::Box, 40, 351, 90, 301},
                 {Kind::Box, 411, 100, 361, 150},
                 {Kind::Box, 411, 351, 361, 301}},
                DrawMode::CopyPen, DrawStyle::Solid);
    EXPECT_EQ(state().ChainFlag, 0);
    EXPECT_EQ(state().AnchorX, 100);
    EXPECT_EQ(state().LastX, 150);
}

TEST_F(DrawingTest, EllipseStrokeInLeftRightMode) {
    tool(ToolNumber::Ellipse);
    mode(0, 1, 0);
    const float r1 = std::sqrt(2000.0f);
    press(100, 100);
    move(140, 120);
    expectCalls({{Kind::Circle, 100, 100, r1, 0.5f},
                 {Kind::Circle, 100, 100, 0, 1},
                 {Kind::Circle, 351, 100, r1, 0.5f},
                 {Kind::Circle, 351, 100, 0, 1}},
                DrawMode::NotMergePen, DrawStyle::Dot);
    EXPECT_EQ(state().LastX, 140);
    EXPECT_EQ(state().LastY, 120);
    move(160, 100);
    expectCalls({{Kind::Circle, 100, 100, 60, 0},
                 {Kind::Circle, 100, 100, r1, 0.5f},
                 {Kind::Circle, 351, 100, 60, 0},
                 {Kind::Circle, 351, 100, r1, 0.5f}},
                DrawMode::NotMergePen, DrawStyle::Dot);
    const DrawingState before = state();
    release(160, 100);
    expectCalls({{Kind::Circle, 100, 100, 60, 0},
                 {Kind::Circle, 100, 100, 60, 0},
                 {Kind::Circle, 351, 100, 60, 0},
                 {Kind::Circle, 351, 100, 60, 0}},
                DrawMode::CopyPen, DrawStyle::Solid);
    EXPECT_EQ(state().AnchorX, before.AnchorX);
    EXPECT_EQ(state().LastX, before.LastX);
    EXPECT_EQ(state().LastY, before.LastY);
}

// The diagonal images are the exact transposes of images 1 to 4, also for drags along an
// axis: a circle stays a circle, the flat horizontal figure becomes the flat vertical one.
TEST_F(DrawingTest, EllipseDiagonalImagesAreTransposes) {
    tool(ToolNumber::Ellipse);
    press(100, 40);
    release(130, 80); // dx 30, dy 40: radius 50
    expectCalls({{Kind::Circle, 100, 40, 50, 4.0f / 3},
                 {Kind::Circle, 100, 40, 0, 1},
                 {Kind::Circle, 351, 40, 50, 4.0f / 3},
                 {Kind::Circle, 351, 40, 0, 1},
                 {Kind::Circle, 100, 411, 50, 4.0f / 3},
                 {Kind::Circle, 100, 411, 0, 1},
                 {Kind::Circle, 351, 411, 50, 4.0f / 3},
                 {Kind::Circle, 351, 411, 0, 1},
                 {Kind::Circle, 40, 100, 50, 0.75f},
                 {Kind::Circle, 40, 100, 0, 1},
                 {Kind::Circle, 40, 351, 50, 0.75f},
                 {Kind::Circle, 40, 351, 0, 1},
                 {Kind::Circle, 411, 100, 50, 0.75f},
                 {Kind::Circle, 411, 100, 0, 1},
                 {Kind::Circle, 411, 351, 50, 0.75f},
                 {Kind::Circle, 411, 351, 0, 1}},
                DrawMode::CopyPen, DrawStyle::Solid);

    press(100, 40);
    release(130, 40); // horizontal drag
    ASSERT_EQ(canvas.calls.size(), 16u);
    for (std::size_t i = 0; i < 16; i += 2) {
        EXPECT_FLOAT_EQ(canvas.calls[i].c, 30);
        if (i < 8)
            EXPECT_EQ(canvas.calls[i].d, 0) << i;
        else
            EXPECT_EQ(canvas.calls[i].d, kInf) << i;
    }
    canvas.calls.clear();
    press(100, 40);
    release(100, 10); // vertical drag: circles everywhere
    ASSERT_EQ(canvas.calls.size(), 16u);
    for (std::size_t i = 0; i < 16; i += 2) {
        EXPECT_FLOAT_EQ(canvas.calls[i].c, 30);
        EXPECT_EQ(canvas.calls[i].d, 1) << i;
    }
}

TEST_F(DrawingTest, PositionsFarOffTheCanvasSaturateInsteadOfOverflowing) {
    tool(ToolNumber::ContLine);
    press(100, 1e9f);
    EXPECT_EQ(state().AnchorY, 32767);
    move(-1e9f, -1e9f);
    EXPECT_EQ(state().LastY, -32768);
    release(std::numeric_limits<float>::quiet_NaN(), 5);
    EXPECT_EQ(state().ChainFlag, 1);
    EXPECT_EQ(state().AnchorY, 5);
    for (const auto& c : canvas.calls)
        EXPECT_TRUE(c.kind == Kind::Segment);
}

} // namespace
} // namespace mirona
