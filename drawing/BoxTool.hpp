#pragma once

#include "canvas/Canvas.hpp"
#include "drawing/DrawingState.hpp"

namespace mirona {

// Rectangle. A move shows the dotted rectangle from the anchor to the pointer in every image.
void BoxMove(DrawingState& state, Canvas& canvas, float X, float Y);

// The release: the solid rectangles from the anchor to the release point. No state changes.
void BoxRelease(const DrawingState& state, Canvas& canvas, float X, float Y);

} // namespace mirona
