#include "drawing/RubberBand.hpp"

namespace mirona {

void setPreviewPen(Canvas& canvas) {
    canvas.setDrawMode(DrawMode::NotMergePen);
    canvas.setDrawStyle(DrawStyle::Dot);
}

void straightRubberBand(DrawingState& state, Canvas& canvas, PointerPoint pointer,
                        LineOption option) {
    setPreviewPen(canvas);
    forEachImage(state, [&](int k) {
        drawStraight(state, canvas, k, pointer, option);
        drawStraight(state, canvas, k, state.last(), option);
    });
    state.setLast(pointer);
}

void drawStraightImages(const DrawingState& state, Canvas& canvas, PointerPoint q,
                        LineOption option) {
    forEachImage(state, [&](int k) { drawStraight(state, canvas, k, q, option); });
}

} // namespace mirona
