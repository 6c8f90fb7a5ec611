#include "web/WebSession.hpp"

#include "canvas/BmpEncoder.hpp"

#include <algorithm>

namespace mirona {

WebSession::WebSession() : surface_(1, 1), drawing_(surface_) {
    surface_.setChangeListener([this](const PixelRect& r) { changed_.add(r); });
    newPicture(1, 1);
}

void WebSession::newPicture(int areaWidth, int areaHeight) {
    const int size = areaHeight > areaWidth ? areaWidth : areaHeight;
    // Sized first: the surface reports its new area as changed.
    changed_.resize(size, size);
    surface_.resize(size, size);
    rgba_.assign(static_cast<std::size_t>(surface_.width()) * surface_.height(), 0);
    DrawingState& state = drawing_.state();
    state.CanvasW = static_cast<float>(surface_.width());
    state.CanvasH = storeY(static_cast<float>(surface_.height()));
    selectTool(ToolNumber::FreeLine);
    selectMode(SymmetryMode::JogeSayuNaname);
    surface_.Cls();
}

void WebSession::pointerDown(std::int16_t button, std::int16_t shift, float x, float y) {
    lastDelivered_ = {x, y};
    drawing_.Picture1_MouseDown(button, shift, x, y);
}

void WebSession::pointerMove(std::int16_t buttons, std::int16_t shift, float x, float y) {
    lastDelivered_ = {x, y};
    drawing_.Picture1_MouseMove(buttons, shift, x, y);
}

void WebSession::pointerUp(std::int16_t button, std::int16_t buttons, std::int16_t shift, float x,
                           float y) {
    if (x != lastDelivered_.x || y != lastDelivered_.y)
        pointerMove(static_cast<std::int16_t>(buttons | button), shift, x, y);
    drawing_.Picture1_MouseUp(button, shift, x, y);
}

ToolNumber WebSession::tool() const {
    return static_cast<ToolNumber>(drawing_.state().ToolNo);
}

SymmetryMode WebSession::mode() const {
    const DrawingState& state = drawing_.state();
    for (const SymmetryMode mode : {SymmetryMode::Joge, SymmetryMode::Sayu, SymmetryMode::JogeSayu,
                                    SymmetryMode::JogeSayuNaname}) {
        DrawingState chosen = state;
        chooseMode(chosen, mode);
        if (chosen.JogeFlag == state.JogeFlag && chosen.SayuFlag == state.SayuFlag &&
            chosen.NanameFlag == state.NanameFlag)
            return mode;
    }
    return SymmetryMode::JogeSayuNaname; // not reached: the flags only change through a mode
}

std::vector<PixelRect> WebSession::takeChanged() {
    std::vector<PixelRect> rects = changed_.take();
    const auto pixels = surface_.Image();
    const auto w = static_cast<std::size_t>(surface_.width());
    for (const PixelRect& r : rects)
        for (int y = r.top; y < r.bottom; ++y)
            for (std::size_t i = y * w + r.left, end = y * w + r.right; i < end; ++i) {
                // 0xAARRGGBB to the bytes R, G, B, A.
                const std::uint32_t p = pixels[i];
                rgba_[i] = (p & 0xFF00FF00u) | ((p >> 16) & 0xFFu) | ((p & 0xFFu) << 16);
            }
    return rects;
}

std::vector<std::uint8_t> WebSession::bmp() const {
    return encodeBmp(surface_.Image(), surface_.width(), surface_.height());
}

} // namespace mirona
