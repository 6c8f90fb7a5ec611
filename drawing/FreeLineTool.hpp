#pragma once

#include "canvas/Canvas.hpp"
#include "drawing/DrawingState.hpp"

namespace mirona {

// Freehand curve, one step per move with the left button: the segment from the anchor to the
// pointer in every image, with the pen in force; the pointer becomes the anchor.
void FreeLineMove(DrawingState& state, Canvas& canvas, float X, float Y);

} // namespace mirona
