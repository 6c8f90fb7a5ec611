#include "drawing/EllipseTool.hpp"

#include "drawing/RubberBand.hpp"
#include "drawing/SymmetryImages.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace mirona {

namespace {

enum class Orientation : std::uint8_t { Upright, Transposed };

// The ellipse through offsets dx, dy from its centre: radius the distance, aspect |dy / dx|
// (1 for dx == 0). Transposed, the aspect is the reciprocal: 1 when dx == 0, so a circle stays
// a circle, and +infinity when only dy is 0, the vertical flat figure.
void circle(Canvas& canvas, CanvasPoint centre, double dx, double dy, Orientation orientation) {
    const double radius = std::sqrt(dx * dx + dy * dy);
    double aspect = 1.0;
    if (dx != 0.0) {
        if (orientation == Orientation::Upright)
            aspect = std::fabs(dy / dx);
        else
            aspect = dy == 0.0 ? std::numeric_limits<double>::infinity() : std::fabs(dx / dy);
    }
    canvas.Circle(centre.x, centre.y, static_cast<float>(radius), static_cast<float>(aspect));
}

void figurePair(const DrawingState& state, Canvas& canvas, CanvasPoint centre, PointerPoint pointer,
                Orientation orientation) {
    const float dx = state.AnchorX - pointer.x;
    const float dy = static_cast<float>(state.AnchorY) - pointer.y;
    circle(canvas, centre, dx, dy, orientation);
    const float lastDx = state.AnchorX - state.LastX;
    const int lastDy = std::clamp<int>(int{state.AnchorY} - int{state.LastY},
                                       std::numeric_limits<std::int16_t>::min(),
                                       std::numeric_limits<std::int16_t>::max());
    circle(canvas, centre, lastDx, lastDy, orientation);
}

// Images 1 to 4 draw at the anchor's image; 5 to 8 are handed the centre of image k - 4 and
// draw at its transpose, which is the anchor's image k.
void ellipseImages(const DrawingState& state, Canvas& canvas, PointerPoint pointer) {
    forEachImage(state, [&](int k) {
        const CanvasPoint centre =
            imageOf(k > 4 ? k - 4 : k, state.anchor(), state.CanvasW, state.CanvasH);
        if (k <= 4)
            EllipseFigure(state, canvas, centre, pointer);
        else
            EllipseFigureNaname(state, canvas, centre, pointer);
    });
}

} // namespace

void EllipseFigure(const DrawingState& state, Canvas& canvas, CanvasPoint centre,
                   PointerPoint pointer) {
    figurePair(state, canvas, centre, pointer, Orientation::Upright);
}

void EllipseFigureNaname(const DrawingState& state, Canvas& canvas, CanvasPoint centre,
                         PointerPoint pointer) {
    figurePair(state, canvas, {centre.y, centre.x}, pointer, Orientation::Transposed);
}

void EllipseMove(DrawingState& state, Canvas& canvas, float X, float Y) {
    setPreviewPen(canvas);
    ellipseImages(state, canvas, {X, Y});
    state.setLast({X, Y});
}

void EllipseRelease(const DrawingState& state, Canvas& canvas, float X, float Y) {
    ellipseImages(state, canvas, {X, Y});
}

} // namespace mirona
