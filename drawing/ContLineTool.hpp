#pragma once

#include "canvas/Canvas.hpp"
#include "drawing/DrawingState.hpp"

namespace mirona {

// Chain of straight lines. A move shows the dotted rubber band from the chain's vertex (the
// anchor) to the pointer in every image.
void ContLineMove(DrawingState& state, Canvas& canvas, float X, float Y);

// The release: the solid segments from the vertex to the release point, which becomes the
// vertex and the last point; the chain then continues from it (ChainFlag 1).
void ContLineRelease(DrawingState& state, Canvas& canvas, float X, float Y);

} // namespace mirona
