#pragma once

#include <cstdint>
#include <span>

namespace mirona {

// Plays one byte string as a session on the drawing engine and checks it, aborting with a
// message on stderr when an invariant breaks. Every byte string is a valid session:
//  - two bytes give the canvas size, 1 to 600 pixels square;
//  - then each event starts with a byte that picks a press, move or release (any button mask,
//    any float coordinates: whole pixels, special values such as halves, the 16-bit limits,
//    huge values, infinities and NaN, or raw float bits), a tool item, a symmetry item, New
//    (at the same size or another), undo, redo, taking back the stroke in progress, or opening
//    a picture of random size and colours, each changing the state as the menus, keys and
//    taps do.
// Checked: after every event the flags are 0 or 1, the tool is 0 to 3, a chain of lines goes
// on exactly from a line's release until a tool choice, New, an opening, undo or redo, the
// history holds the steps drawn within its budget; a stroke taken back leaves the pixels and
// the state as they were before its press; every rubber-band drag (line, rectangle, ellipse)
// released at its last move point leaves the same pixels as the same press and release without the
// moves, replayed on a copy taken at the press; every undo gives back the picture from before its
// step and every redo the one after it, and undo or redo during a stroke changes nothing; at the
// end undoing every step held gives back the picture from before the oldest; an opened picture is a
// step whose canvas is the square of its longer side with the picture centred, black where its
// luminance over white is below 128, with the tool and the mode kept; every new step's serial is
// above all before it; a snapshot is its head followed by its steps' records, and one taken during
// a stroke is the one after the stroke is taken back. Returns a digest of the size and pixels of
// the picture as the events left it.
std::uint64_t runDrawingFuzzInput(std::span<const std::uint8_t> input);

} // namespace mirona
