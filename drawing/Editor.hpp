#pragma once

#include "canvas/History.hpp"
#include "canvas/Surface.hpp"
#include "drawing/SymmetricDrawing.hpp"

#include <cstdint>
#include <span>
#include <vector>

namespace mirona {

// The picture being edited, for any front end: the pointer handlers, New, and undo and redo.
//
// The front end owns the surface, which must outlive the editor. Everything one press-to-release
// changes (from the first button pressed until no button is held) is one undo step, and so is a
// New that changed the picture or its size. Tool and symmetry choices are not steps. A release
// away from the last position delivered is preceded by a move there with the buttons held before
// it, so that a stroke always ends where the pointer was let go, whatever the front end's events.
// The step of a release is made by settle(), which the front end calls once it is idle, so that a
// release costs no more than its drawing; every other call here settles first, so a step never
// takes in what came after.
class Editor final {
public:
    explicit Editor(Surface& surface) : surface_(surface), drawing_(surface), history_(surface) {}

    [[nodiscard]] DrawingState& state() { return drawing_.state(); }
    [[nodiscard]] const DrawingState& state() const { return drawing_.state(); }
    [[nodiscard]] const History& history() const { return history_; }
    // Whether a button pressed on the canvas is still held.
    [[nodiscard]] bool stroking() const { return held_ != 0; }

    void Picture1_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void Picture1_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y) {
        if (pending_)
            settle();
        last_ = {X, Y};
        drawing_.Picture1_MouseMove(Button, Shift, X, Y);
    }
    void Picture1_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);

    // Takes back the stroke in progress as if it had never begun: the pixels and the drawing
    // state return to what they were before its first press, every button counts as released,
    // and no step is made. Does nothing while no button is held.
    void abandon();

    // Makes what the last press-to-release changed an undo step, where that is still to do.
    void settle();

    // New, and the start: a width x height canvas, all white, the freehand tool and the
    // eight-image mode, no chain. The anchor and last point keep their values. The first call
    // starts the history; later ones are steps.
    void newPicture(int width, int height);
    // The same with the square canvas that fits an area: its side is the area's smaller side.
    void newPictureIn(int areaWidth, int areaHeight) {
        const int side = areaHeight > areaWidth ? areaWidth : areaHeight;
        newPicture(side, side);
    }
    // Opens a picture: `rgba` holds width x height pixels row by row, four bytes each (R, G, B,
    // alpha), which become black or white on a square canvas of the longer side, the picture
    // centred on it (drawPictureFromPixels). A stroke in progress is taken back first; the chain
    // of lines ends; the tool and the mode stay. Like New, the first call starts the history and
    // later ones are steps. Sides outside 1 to History::kMaxSide, or bytes of another length,
    // change nothing and return false.
    bool openPicture(int width, int height, std::span<const std::uint8_t> rgba);

    // The picture as it is, for handing over (a copy, a share): the surface's pixels as
    // Surface::Image() gives them, or while a button is held those from before the stroke's first
    // press, never a rubber band. Makes no step and changes nothing.
    [[nodiscard]] std::vector<std::uint32_t> picture() const {
        return stroking() ? history_.picture() : surface_.Image();
    }

    // Whether undo() and redo() would find a step, once a release's step is made.
    [[nodiscard]] bool canUndo() const { return history_.undoable() > 0; }
    [[nodiscard]] bool canRedo() const { return history_.undoable() < history_.steps(); }

    // While a button is held they do nothing. Otherwise they end a chain of lines, then take
    // back the last step or do again the last one taken back, where there is one, and say so.
    // They may resize the surface; the canvas size in the state follows.
    bool undo();
    bool redo();

    // The session as bytes that restore() takes back: the canvas size and pixels, the tool and
    // the mode, the chain with its anchor and last point, and the undo history with which steps
    // can be undone and redone. What was drawn since the last step is made a step first, as
    // undo does, unless a button is held: a stroke in progress is left out, the picture and the
    // drawing state being those from before its first press. The bytes are a head followed by
    // one record per step, oldest first, so that storage can keep each step's record once and
    // rewrite only the head: snapshot() is snapshotHead() followed by stepBytes(i) for every i
    // below stepCount(). A step's serial is unique in the picture's life, across restores too;
    // its record never changes. stepCount() makes the step that snapshotHead() would; the other
    // two describe the steps it counted.
    [[nodiscard]] std::vector<std::uint8_t> snapshot();
    [[nodiscard]] std::vector<std::uint8_t> snapshotHead();
    [[nodiscard]] std::size_t stepCount();
    [[nodiscard]] std::uint32_t stepSerial(std::size_t i) const { return history_.serial(i); }
    [[nodiscard]] std::vector<std::uint8_t> stepBytes(std::size_t i) const;
    // Puts back what snapshot() made, in this build or another, in this format version or the
    // one before: storage can hand back anything, so bytes that are not a whole, consistent
    // snapshot, or a call while a button is held, change nothing and return false. A history
    // beyond this build's limits loses its oldest steps as History::restore() says. Restoring
    // is not an undo step.
    bool restore(std::span<const std::uint8_t> bytes);

private:
    bool travel(bool (History::*move)());
    void fitStateToSurface();
    // Makes a step of what was drawn since the last one, unless a button is held.
    void commitUnlessStroking();
    void writeHead(SnapshotWriter& out);

    Surface& surface_;
    SymmetricDrawing drawing_;
    History history_;
    std::int16_t held_ = 0; // the buttons held on the canvas
    bool pending_ = false;  // a release's step is still to be made
    PointerPoint last_;     // the last position delivered
    DrawingState beforeStroke_;
};

} // namespace mirona
