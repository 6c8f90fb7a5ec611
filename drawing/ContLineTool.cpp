#include "drawing/ContLineTool.hpp"

#include "drawing/RubberBand.hpp"

namespace mirona {

void ContLineMove(DrawingState& state, Canvas& canvas, float X, float Y) {
    straightRubberBand(state, canvas, {X, Y}, LineOption::Segment);
}

void ContLineRelease(DrawingState& state, Canvas& canvas, float X, float Y) {
    const PointerPoint release{X, Y};
    drawStraightImages(state, canvas, release, LineOption::Segment);
    state.setAnchor(release);
    state.setLast(release);
    state.ChainFlag = 1;
}

} // namespace mirona
