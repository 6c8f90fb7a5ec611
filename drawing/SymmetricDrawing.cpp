#include "drawing/SymmetricDrawing.hpp"

#include "drawing/BoxTool.hpp"
#include "drawing/ContLineTool.hpp"
#include "drawing/EllipseTool.hpp"
#include "drawing/FreeLineTool.hpp"

namespace mirona {

void SymmetricDrawing::Picture1_MouseDown(std::int16_t /*Button*/, std::int16_t /*Shift*/, float X,
                                          float Y) {
    if (state_.ChainFlag != 0)
        return;
    state_.setAnchor({X, Y});
    state_.setLast({X, Y});
}

void SymmetricDrawing::Picture1_MouseMove(std::int16_t Button, std::int16_t /*Shift*/, float X,
                                          float Y) {
    if (Button != kLeftButton)
        return;
    switch (static_cast<ToolNumber>(state_.ToolNo)) {
    case ToolNumber::FreeLine:
        FreeLineMove(state_, canvas_, X, Y);
        break;
    case ToolNumber::ContLine:
        ContLineMove(state_, canvas_, X, Y);
        break;
    case ToolNumber::Box:
        BoxMove(state_, canvas_, X, Y);
        break;
    case ToolNumber::Ellipse:
        EllipseMove(state_, canvas_, X, Y);
        break;
    }
}

void SymmetricDrawing::Picture1_MouseUp(std::int16_t /*Button*/, std::int16_t /*Shift*/, float X,
                                        float Y) {
    canvas_.setDrawMode(DrawMode::CopyPen);
    canvas_.setDrawStyle(DrawStyle::Solid);
    switch (static_cast<ToolNumber>(state_.ToolNo)) {
    case ToolNumber::ContLine:
        ContLineRelease(state_, canvas_, X, Y);
        break;
    case ToolNumber::Box:
        BoxRelease(state_, canvas_, X, Y);
        break;
    case ToolNumber::Ellipse:
        EllipseRelease(state_, canvas_, X, Y);
        break;
    case ToolNumber::FreeLine:
        break;
    }
}

} // namespace mirona
