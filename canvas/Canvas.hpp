#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace mirona {

// Pen modes, numbered as the drawing code knows them.
enum class DrawMode : std::int16_t {
    NotMergePen = 2, // pixel = NOT(pen OR pixel): with the black pen, inverts
    CopyPen = 13,    // pixel = pen
};

// Line styles.
enum class DrawStyle : std::int16_t {
    Solid = 0,
    Dot = 2, // a subset of the solid figure's pixels
};

// Whether `Line` draws a segment or the outline of the box with the two points as corners.
enum class LineOption : std::uint8_t { Segment, Box };

// A half-open rectangle of pixels: [left, right) x [top, bottom).
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    [[nodiscard]] bool isEmpty() const { return left >= right || top >= bottom; }
    [[nodiscard]] int width() const { return right - left; }
    [[nodiscard]] int height() const { return bottom - top; }
    [[nodiscard]] PixelRect united(const PixelRect& o) const {
        if (isEmpty())
            return o;
        if (o.isEmpty())
            return *this;
        return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
                std::max(bottom, o.bottom)};
    }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The horizontal and vertical semi-axes of the ellipse that `Circle` draws for radius and aspect
// (both taken as magnitudes): the radius is the longer semi-axis, the other is the radius times
// the aspect below 1 and the radius over the aspect above 1.
struct SemiAxes {
    double horizontal = 0;
    double vertical = 0;
};

inline SemiAxes semiAxes(float radius, float aspect) {
    const double r = std::fabs(static_cast<double>(radius));
    const double asp = std::fabs(static_cast<double>(aspect));
    if (asp < 1.0)
        return {r, r * asp};
    if (asp > 1.0)
        return {r / asp, r};
    return {r, r};
}

// The drawing operations the tools draw through. Coordinates are canvas pixels as floats,
// origin at the top-left, y down; any value is accepted and whatever falls outside the canvas
// is clipped. Every figure is a 1-pixel outline in the pen colour (black), drawn with the pen
// mode and line style last set; both stay in force until changed.
class Canvas {
public:
    virtual ~Canvas() = default;

    // Fills the whole canvas with the background colour (white).
    virtual void Cls() = 0;
    // The segment from (x1, y1) to (x2, y2), or with LineOption::Box the outline of the
    // upright rectangle with those opposite corners.
    virtual void Line(float x1, float y1, float x2, float y2, LineOption option) = 0;
    // The ellipse centred on (cx, cy). Aspect is vertical over horizontal extent: below 1 the
    // radius is the horizontal semi-axis, above 1 the vertical one. Radius 0 draws nothing;
    // aspect 0 and +infinity draw the flat horizontal and vertical figures.
    virtual void Circle(float cx, float cy, float radius, float aspect) = 0;
    virtual void setDrawMode(DrawMode mode) = 0;
    virtual void setDrawStyle(DrawStyle style) = 0;
};

} // namespace mirona
