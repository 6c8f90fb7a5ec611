#pragma once

#include "canvas/Surface.hpp"
#include "drawing/Editor.hpp"
#include "drawing/MenuChoices.hpp"
#include "web/engine/PageBitmap.hpp"
#include "web/engine/Thumbnail.hpp"

#include <cstdint>
#include <span>
#include <vector>

namespace mirona {

// The program behind the web page: the picture with its history, the drawing state and what the
// page has to repaint. The page forwards its pointer events, keys and menu choices here and
// shows the bitmap; everything that decides pixels or menu state is the desktop's own code.
class WebSession final {
public:
    WebSession();

    // Start-up (the first call, which is no undo step) and New: a square canvas with the smaller
    // side of the area under the menu bar (the height on a tie), the freehand tool, the eight-image
    // mode, a chain ended, all white.
    void newPicture(int areaWidth, int areaHeight) { editor_.newPictureIn(areaWidth, areaHeight); }

    // Pointer events in whole canvas pixels, as the desktop canvas delivers them. `button` is
    // the button that changed (1 left, 2 right, 4 middle), `buttons` all buttons held, `shift`
    // the keyboard modifiers (1 Shift, 2 Ctrl, 4 Alt).
    void pointerDown(std::int16_t button, std::int16_t shift, float x, float y) {
        editor_.Picture1_MouseDown(button, shift, x, y);
    }
    void pointerMove(std::int16_t buttons, std::int16_t shift, float x, float y) {
        editor_.Picture1_MouseMove(buttons, shift, x, y);
    }
    void pointerUp(std::int16_t button, std::int16_t shift, float x, float y) {
        editor_.Picture1_MouseUp(button, shift, x, y);
    }
    // The positions one browser event brings, oldest first (its coalesced events): the freehand
    // tool draws through every one, the rubber-band tools need only the newest.
    void pointerMoves(std::int16_t buttons, std::int16_t shift,
                      std::span<const PointerPoint> positions);

    // Takes back the stroke in progress, as Editor does: a finger's stroke that turned out to
    // begin a tap.
    void abandon() { editor_.abandon(); }

    // Makes a release's undo step; the page calls it once the release's drawing is shown.
    void settle() { editor_.settle(); }

    // Undo and redo as Editor does them; the canvas may change size.
    bool undo() { return editor_.undo(); }
    bool redo() { return editor_.redo(); }
    [[nodiscard]] bool canUndo() const { return editor_.canUndo(); }
    [[nodiscard]] bool canRedo() const { return editor_.canRedo(); }

    void selectTool(ToolNumber tool) { chooseTool(editor_.state(), tool); }
    void selectMode(SymmetryMode mode) { chooseMode(editor_.state(), mode); }
    // The menu's check marks.
    [[nodiscard]] bool isToolChosen(ToolNumber tool) const {
        return isChosen(editor_.state(), tool);
    }
    [[nodiscard]] bool isModeChosen(SymmetryMode mode) const {
        return isChosen(editor_.state(), mode);
    }

    [[nodiscard]] int width() const { return surface_.width(); }
    [[nodiscard]] int height() const { return surface_.height(); }
    // The bitmap as the page's canvas takes it, RGBA bytes row by row: what the canvas shows once
    // takeChanged()'s rectangles are put on it.
    [[nodiscard]] const std::uint8_t* rgba() const { return page_.rgba(); }
    // What the page has to put on its canvas since the last call: PageBitmap::take().
    [[nodiscard]] PageBitmap::Changes takeChanged() { return page_.take(); }

    // The session as Editor::snapshot() and restore() keep it: what the page stores in the
    // browser and opens again. A restore that fails changes nothing. The page stores the head
    // as one record and each step's bytes as one record under its serial, writing only steps it
    // has not stored yet; the head followed by the steps' records, oldest first, is a snapshot.
    [[nodiscard]] std::vector<std::uint8_t> snapshot() { return editor_.snapshot(); }
    bool restore(std::span<const std::uint8_t> bytes) { return editor_.restore(bytes); }

    // Opens a picture from its pixels, as Editor::openPicture does: RGBA bytes, width x height
    // of them row by row, from the browser's decoder. False, and nothing changed, for sides
    // outside 1 to History::kMaxSide.
    bool openPicture(int width, int height, const std::uint8_t* rgba) {
        if (width < 1 || height < 1 || width > History::kMaxSide || height > History::kMaxSide)
            return false;
        return editor_.openPicture(
            width, height,
            {rgba, static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4});
    }
    [[nodiscard]] std::vector<std::uint8_t> snapshotHead() { return editor_.snapshotHead(); }
    [[nodiscard]] std::size_t stepCount() { return editor_.stepCount(); }
    [[nodiscard]] std::uint32_t stepSerial(std::size_t i) const { return editor_.stepSerial(i); }
    [[nodiscard]] std::vector<std::uint8_t> stepBytes(std::size_t i) const {
        return editor_.stepBytes(i);
    }
    // Whether a button pressed on the canvas is still held: a snapshot then leaves out the
    // stroke.
    [[nodiscard]] bool stroking() const { return editor_.stroking(); }

    // The picture shrunk for the list of pictures, as thumbnailOf() makes it.
    [[nodiscard]] Thumbnail thumbnail(int maxSide) const { return thumbnailOf(surface_, maxSide); }

    // The picture as the BMP file the desktop program saves.
    [[nodiscard]] std::vector<std::uint8_t> bmp() const;
    // The picture as it is (Editor::picture: never a stroke in progress) as a PNG file, for
    // sharing and the clipboard. Changes nothing.
    [[nodiscard]] std::vector<std::uint8_t> png() const;

private:
    Surface surface_;
    Editor editor_;
    PageBitmap page_;
};

} // namespace mirona
