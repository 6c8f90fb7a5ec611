#include "drawing/FreeLineTool.hpp"

#include "drawing/RubberBand.hpp"

namespace mirona {

void FreeLineMove(DrawingState& state, Canvas& canvas, float X, float Y) {
    const PointerPoint pointer{X, Y};
    drawStraightImages(state, canvas, pointer, LineOption::Segment);
    state.setAnchor(pointer);
}

} // namespace mirona
