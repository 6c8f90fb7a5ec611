#pragma once

#include "canvas/Canvas.hpp"
#include "drawing/DrawingState.hpp"

namespace mirona {

// Ellipse centred on the anchor. Only the centre is mirrored: the radius (the distance from
// the anchor to the point) and the aspect |dy / dx| are the same in images 1 to 4, and the
// diagonal images 5 to 8 get the transposed ellipse.
//
// A move inverts, with the dotted pen, the ellipses for the pointer and then those for the
// last point in every image; the pointer becomes the last point.
void EllipseMove(DrawingState& state, Canvas& canvas, float X, float Y);

// The release: the same two ellipses per image with the pen in force. No state changes.
void EllipseRelease(const DrawingState& state, Canvas& canvas, float X, float Y);

// Centred on `centre`: the ellipse for the pointer, then the one for the last point.
void EllipseFigure(const DrawingState& state, Canvas& canvas, CanvasPoint centre,
                   PointerPoint pointer);

// The same, transposed: centred on (centre.y, centre.x) with the reciprocal aspect.
void EllipseFigureNaname(const DrawingState& state, Canvas& canvas, CanvasPoint centre,
                         PointerPoint pointer);

} // namespace mirona
