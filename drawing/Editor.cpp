#include "drawing/Editor.hpp"

#include "drawing/MenuChoices.hpp"
#include "drawing/PictureFromPixels.hpp"

#include <algorithm>
#include <array>

namespace mirona {

namespace {

// "Mrn" and the format version in the top byte: older or foreign bytes are told apart before
// anything else is read. Version 1 had no serial numbers for steps.
constexpr std::uint32_t kSnapshotMagic = 0x006E724Du;
constexpr std::uint32_t kSnapshotVersion = 2;

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

void Editor::commitUnlessStroking() {
    if (!stroking()) {
        pending_ = false;
        history_.commit();
    }
}

void Editor::writeHead(SnapshotWriter& out) {
    commitUnlessStroking();
    const DrawingState& s = stroking() ? beforeStroke_ : state();
    out.put(kSnapshotMagic | kSnapshotVersion << 24);
    for (const std::int16_t v : {s.ToolNo, s.ChainFlag, s.JogeFlag, s.SayuFlag, s.NanameFlag})
        out.put(v);
    out.put(s.AnchorX);
    out.put(s.AnchorY);
    out.put(s.LastX);
    out.put(s.LastY);
}

std::vector<std::uint8_t> Editor::snapshot() {
    SnapshotWriter out;
    writeHead(out);
    history_.save(out);
    return out.take();
}

std::vector<std::uint8_t> Editor::snapshotHead() {
    SnapshotWriter out;
    writeHead(out);
    history_.saveHead(out);
    return out.take();
}

std::size_t Editor::stepCount() {
    commitUnlessStroking();
    return history_.steps();
}

std::vector<std::uint8_t> Editor::stepBytes(std::size_t i) const {
    SnapshotWriter out;
    history_.saveStep(out, i);
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
    const std::uint32_t version = header >> 24;
    if (!in.ok() || (header & 0xFFFFFFu) != kSnapshotMagic || version < 1 ||
        version > kSnapshotVersion || s.ToolNo < 0 || s.ToolNo > 3 || !isFlag(s.ChainFlag) ||
        !isMode ||
        (s.ChainFlag == 1 && s.ToolNo != static_cast<std::int16_t>(ToolNumber::ContLine)) ||
        !history_.restore(in, static_cast<int>(version)))
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
