#include "drawing/Editor.hpp"

#include "drawing/PictureFromPixels.hpp"
#include "drawing/Selection.hpp"

#include <algorithm>
#include <array>

namespace mirona {

namespace {

// "Mrn" and the format version, 1, in the top byte: older or foreign bytes are told apart before
// anything else is read.
constexpr std::uint32_t kSnapshotHeader = 0x016E724Du;

bool isFlag(std::int16_t v) {
    return v == 0 || v == 1;
}

} // namespace

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

bool Editor::openPicture(int width, int height, std::span<const std::uint8_t> rgba) {
    if (width < 1 || height < 1 || width > History::kMaxSide || height > History::kMaxSide ||
        rgba.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4)
        return false;
    abandon();
    settle();
    state().ChainFlag = 0;
    drawPictureFromPixels(surface_, width, height, rgba);
    fitStateToSurface();
    history_.commit();
    return true;
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

std::vector<std::uint8_t> Editor::snapshot() {
    if (!stroking()) {
        pending_ = false;
        history_.commit();
    }
    const DrawingState& s = state();
    SnapshotWriter out;
    out.put(kSnapshotHeader);
    for (const std::int16_t v : {s.ToolNo, s.ChainFlag, s.JogeFlag, s.SayuFlag, s.NanameFlag})
        out.put(v);
    out.put(s.AnchorX);
    out.put(s.AnchorY);
    out.put(s.LastX);
    out.put(s.LastY);
    history_.save(out);
    return out.take();
}

bool Editor::restore(std::span<const std::uint8_t> bytes) {
    if (stroking())
        return false;
    SnapshotReader in(bytes);
    DrawingState s = state();
    const auto header = in.get<std::uint32_t>();
    for (std::int16_t* v : {&s.ToolNo, &s.ChainFlag, &s.JogeFlag, &s.SayuFlag, &s.NanameFlag})
        *v = in.get<std::int16_t>();
    s.AnchorX = in.get<float>();
    s.AnchorY = in.get<std::int16_t>();
    s.LastX = in.get<float>();
    s.LastY = in.get<std::int16_t>();
    const bool isMode = std::any_of(kModeFlags.begin(), kModeFlags.end(), [&s](const auto& flags) {
        return flags == std::array{s.JogeFlag, s.SayuFlag, s.NanameFlag};
    });
    if (!in.ok() || header != kSnapshotHeader || s.ToolNo < 0 || s.ToolNo > 3 ||
        !isFlag(s.ChainFlag) || !isMode ||
        (s.ChainFlag == 1 && s.ToolNo != static_cast<std::int16_t>(ToolNumber::ContLine)) ||
        !history_.restore(in))
        return false;
    pending_ = false;
    state() = s;
    fitStateToSurface();
    return true;
}

void Editor::fitStateToSurface() {
    state().CanvasW = static_cast<float>(surface_.width());
    state().CanvasH = storeY(static_cast<float>(surface_.height()));
}

} // namespace mirona
