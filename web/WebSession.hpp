#pragma once

#include "canvas/DirtyTiles.hpp"
#include "canvas/Surface.hpp"
#include "drawing/Selection.hpp"
#include "drawing/SymmetricDrawing.hpp"

#include <cstdint>
#include <vector>

namespace mirona {

// The program behind the web page: the picture, its drawing state and what the page has to
// repaint. The page forwards its pointer events and menu choices here and shows the bitmap;
// everything that decides pixels or menu state happens here, in the same code as the desktop.
class WebSession final {
public:
    WebSession();

    // Start-up and New: a square canvas with the smaller side of the area under the menu bar
    // (the height on a tie), the freehand tool, the eight-image mode, a chain ended, all white.
    void newPicture(int areaWidth, int areaHeight);

    // Pointer events in whole canvas pixels, as the desktop canvas delivers them. `button` is
    // the button that changed (1 left, 2 right, 4 middle), `buttons` all buttons held after the
    // event, `shift` the keyboard modifiers (1 Shift, 2 Ctrl, 4 Alt). A release away from the
    // last position delivered is preceded by a move there with the released button still held.
    void pointerDown(std::int16_t button, std::int16_t shift, float x, float y);
    void pointerMove(std::int16_t buttons, std::int16_t shift, float x, float y);
    void pointerUp(std::int16_t button, std::int16_t buttons, std::int16_t shift, float x, float y);

    void selectTool(ToolNumber tool) { chooseTool(drawing_.state(), tool); }
    void selectMode(SymmetryMode mode) { chooseMode(drawing_.state(), mode); }
    // The menu state: the current tool, and the mode whose image flags are set.
    [[nodiscard]] ToolNumber tool() const;
    [[nodiscard]] SymmetryMode mode() const;

    [[nodiscard]] int width() const { return surface_.width(); }
    [[nodiscard]] int height() const { return surface_.height(); }
    // The bitmap as the page's canvas takes it, RGBA bytes row by row: up to date inside every
    // rectangle that takeChanged() has returned.
    [[nodiscard]] const std::uint8_t* rgba() const {
        return reinterpret_cast<const std::uint8_t*>(rgba_.data());
    }
    // A few rectangles covering every pixel changed since the last call.
    [[nodiscard]] std::vector<PixelRect> takeChanged();

    // The picture as the BMP file the desktop program saves.
    [[nodiscard]] std::vector<std::uint8_t> bmp() const;

private:
    Surface surface_;
    SymmetricDrawing drawing_;
    DirtyTiles changed_;
    std::vector<std::uint32_t> rgba_;
    PointerPoint lastDelivered_;
};

} // namespace mirona
