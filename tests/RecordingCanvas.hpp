#pragma once

#include "canvas/Canvas.hpp"

#include <ostream>
#include <vector>

namespace mirona {

// A canvas that records every figure call with the pen mode and style in force.
class RecordingCanvas final : public Canvas {
public:
    enum class Kind { Segment, Box, Circle, Cls };
    struct Call {
        Kind kind;
        float a, b, c, d; // x1 y1 x2 y2, or cx cy radius aspect
        DrawMode mode;
        DrawStyle style;
    };

    void Cls() override { calls.push_back({Kind::Cls, 0, 0, 0, 0, mode, style}); }
    void Line(float x1, float y1, float x2, float y2, LineOption option) override {
        calls.push_back(
            {option == LineOption::Box ? Kind::Box : Kind::Segment, x1, y1, x2, y2, mode, style});
    }
    void Circle(float cx, float cy, float radius, float aspect) override {
        calls.push_back({Kind::Circle, cx, cy, radius, aspect, mode, style});
    }
    void setDrawMode(DrawMode m) override { mode = m; }
    void setDrawStyle(DrawStyle s) override { style = s; }

    std::vector<Call> calls;
    DrawMode mode = DrawMode::CopyPen;
    DrawStyle style = DrawStyle::Solid;
};

inline std::ostream& operator<<(std::ostream& os, const RecordingCanvas::Call& c) {
    return os << "{" << static_cast<int>(c.kind) << ": " << c.a << ", " << c.b << ", " << c.c
              << ", " << c.d << " mode " << static_cast<int>(c.mode) << " style "
              << static_cast<int>(c.style) << "}";
}

} // namespace mirona
