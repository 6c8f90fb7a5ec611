#include "drawing/BoxTool.hpp"

#include "drawing/RubberBand.hpp"

namespace mirona {

void BoxMove(DrawingState& state, Canvas& canvas, float X, float Y) {
    straightRubberBand(state, canvas, {X, Y}, LineOption::Box);
}

void BoxRelease(const DrawingState& state, Canvas& canvas, float X, float Y) {
    drawStraightImages(state, canvas, {X, Y}, LineOption::Box);
}

} // namespace mirona
