#pragma once

#include "canvas/Canvas.hpp"
#include "drawing/DrawingState.hpp"

#include <cstdint>

namespace mirona {

// Pointer buttons as the handlers receive them: a bit mask.
inline constexpr std::int16_t kLeftButton = 1;
inline constexpr std::int16_t kRightButton = 2;
inline constexpr std::int16_t kMiddleButton = 4;

// Turns the canvas's pointer events into strokes in every active symmetry image.
//
// Button is, for a press or release, the button that changed and, for a move, all buttons held.
// X and Y are canvas pixels, and may lie outside the canvas while a button is held. Shift (the
// keyboard modifiers) is accepted and not used.
//  - A press of any button sets the anchor and the last point, unless a chain of lines is in
//    progress (ChainFlag 1).
//  - A move with the left button alone runs the current tool's step.
//  - A release of any button puts back the copy pen and solid style, then commits the line,
//    rectangle or ellipse.
class SymmetricDrawing final {
public:
    explicit SymmetricDrawing(Canvas& canvas) : canvas_(canvas) {}

    [[nodiscard]] DrawingState& state() { return state_; }
    [[nodiscard]] const DrawingState& state() const { return state_; }

    void Picture1_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void Picture1_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void Picture1_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);

private:
    Canvas& canvas_;
    DrawingState state_;
};

} // namespace mirona
