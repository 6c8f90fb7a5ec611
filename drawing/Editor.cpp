#include "drawing/Editor.hpp"

#include "drawing/Selection.hpp"

namespace mirona {

void Editor::Picture1_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) {
    settle();
    if (held_ == 0)
        beforeStroke_ = state();
    held_ = static_cast<std::int16_t>(held_ | Button);
    last_ = {X, Y};
    drawing_.Picture1_MouseDown(Button, Shift, X, Y);
}

void Editor::Picture1_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y) {
    settle();
    if (X != last_.x || Y != last_.y)
        Picture1_MouseMove(static_cast<std::int16_t>(held_ | Button), Shift, X, Y);
    drawing_.Picture1_MouseUp(Button, Shift, X, Y);
    held_ = static_cast<std::int16_t>(held_ & ~Button);
    if (held_ == 0)
        pending_ = true;
}

void Editor::abandon() {
    if (!stroking())
        return;
    history_.revert();
    state() = beforeStroke_;
    surface_.setDrawMode(DrawMode::CopyPen);
    surface_.setDrawStyle(DrawStyle::Solid);
    held_ = 0;
}

void Editor::settle() {
    if (!pending_)
        return;
    pending_ = false;
    history_.commit();
}

void Editor::newPicture(int width, int height) {
    settle();
    held_ = 0;
    if (width != surface_.width() || height != surface_.height())
        surface_.resize(width, height);
    fitStateToSurface();
    chooseTool(state(), ToolNumber::FreeLine);
    chooseMode(state(), SymmetryMode::JogeSayuNaname);
    surface_.Cls();
    history_.commit();
}

bool Editor::undo() {
    return travel(&History::undo);
}

bool Editor::redo() {
    return travel(&History::redo);
}

bool Editor::travel(bool (History::*move)()) {
    if (stroking())
        return false;
    settle();
    state().ChainFlag = 0;
    const bool moved = (history_.*move)();
    fitStateToSurface();
    return moved;
}

void Editor::fitStateToSurface() {
    state().CanvasW = static_cast<float>(surface_.width());
    state().CanvasH = storeY(static_cast<float>(surface_.height()));
}

} // namespace mirona
