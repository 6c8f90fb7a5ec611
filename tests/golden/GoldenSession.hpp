#pragma once

#include "drawing/Editor.hpp"
#include "drawing/MenuChoices.hpp"

#include <array>
#include <cstdint>

namespace mirona::golden {

// The session whose snapshots are kept in this folder, played on the editor's public calls so
// that any version of the format can be made from it again: each tool in several modes, a
// chain of lines that a tool choice ends, a New at another size, then two undos, which leave
// the New and the box after it to redo.
enum class Call : std::uint8_t { New, Press, Move, Release, Tool, Mode, Undo };

struct Event {
    Call call;
    float x = 0;
    float y = 0;
    std::int16_t button = kLeftButton;
};

inline constexpr std::array kSession{
    Event{Call::New, 64, 48},
    Event{Call::Press, 10, 10},
    Event{Call::Move, 20, 14},
    Event{Call::Move, 26, 30},
    Event{Call::Release, 26, 30},
    Event{Call::Mode, static_cast<float>(SymmetryMode::Sayu)},
    Event{Call::Tool, static_cast<float>(ToolNumber::Box)},
    Event{Call::Press, 5, 5},
    Event{Call::Move, 15, 12},
    Event{Call::Release, 18, 20},
    Event{Call::Mode, static_cast<float>(SymmetryMode::Joge)},
    Event{Call::Tool, static_cast<float>(ToolNumber::Ellipse)},
    Event{Call::Press, 30, 20},
    Event{Call::Move, 40, 30},
    Event{Call::Release, 40, 30},
    Event{Call::Mode, static_cast<float>(SymmetryMode::JogeSayu)},
    Event{Call::Tool, static_cast<float>(ToolNumber::ContLine)},
    Event{Call::Press, 8, 40},
    Event{Call::Release, 20, 35},
    Event{Call::Press, 20, 35},
    Event{Call::Move, 30, 12},
    Event{Call::Release, 30, 10},
    Event{Call::Press, 30, 10},
    Event{Call::Release, 50, 44.5f},
    Event{Call::Tool, static_cast<float>(ToolNumber::FreeLine)},
    Event{Call::Press, 60, 3, kRightButton},
    Event{Call::Release, 61, 4, kRightButton},
    Event{Call::New, 40, 36},
    Event{Call::Mode, static_cast<float>(SymmetryMode::Joge)},
    Event{Call::Tool, static_cast<float>(ToolNumber::Box)},
    Event{Call::Press, 3, 4},
    Event{Call::Release, 33, 20},
    Event{Call::Undo},
    Event{Call::Undo},
};

// Plays the session on an editor; a release is settled at once, as an idle front end does.
inline void play(Editor& editor) {
    for (const Event& e : kSession) {
        switch (e.call) {
        case Call::New:
            editor.newPicture(static_cast<int>(e.x), static_cast<int>(e.y));
            break;
        case Call::Press:
            editor.Picture1_MouseDown(e.button, 0, e.x, e.y);
            break;
        case Call::Move:
            editor.Picture1_MouseMove(e.button, 0, e.x, e.y);
            break;
        case Call::Release:
            editor.Picture1_MouseUp(e.button, 0, e.x, e.y);
            editor.settle();
            break;
        case Call::Tool:
            chooseTool(editor.state(), static_cast<ToolNumber>(e.x));
            break;
        case Call::Mode:
            chooseMode(editor.state(), static_cast<SymmetryMode>(e.x));
            break;
        case Call::Undo:
            editor.undo();
            break;
        }
    }
}

} // namespace mirona::golden
