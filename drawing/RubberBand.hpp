#pragma once

#include "canvas/Canvas.hpp"
#include "drawing/DrawingState.hpp"
#include "drawing/SymmetryImages.hpp"

namespace mirona {

// Previews invert with a dotted outline, so drawing one twice removes it.
void setPreviewPen(Canvas& canvas);

// Image k of the segment or box from the anchor to q, always from the anchor's image, so that
// a preview, its removal and the commit trace the same pixels.
template <class Point>
void drawStraight(const DrawingState& state, Canvas& canvas, int k, Point q, LineOption option) {
    const CanvasPoint a = imageOf(k, state.anchor(), state.CanvasW, state.CanvasH);
    const CanvasPoint b = imageOf(k, q, state.CanvasW, state.CanvasH);
    canvas.Line(a.x, a.y, b.x, b.y, option);
}

// One rubber-band step of a segment or box: in each image the figure to the pointer, then the
// previous preview once more to remove it; the pointer becomes the last point.
void straightRubberBand(DrawingState& state, Canvas& canvas, PointerPoint pointer,
                        LineOption option);

// The segment or box from the anchor to q in every image, with the pen in force.
void drawStraightImages(const DrawingState& state, Canvas& canvas, PointerPoint q,
                        LineOption option);

} // namespace mirona
