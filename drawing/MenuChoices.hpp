#pragma once

#include "drawing/DrawingState.hpp"

#include <array>
#include <cstddef>

namespace mirona {

// The symmetry modes of the mode menu, in menu order.
enum class SymmetryMode { Joge, Sayu, JogeSayu, JogeSayuNaname };

// Each mode's up-down, left-right and diagonal image flags, in menu order.
inline constexpr std::array<std::array<std::int16_t, 3>, 4> kModeFlags{
    {{1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 1, 1}}};

// A tool choice: the tool, and the end of any chain of lines.
inline void chooseTool(DrawingState& state, ToolNumber tool) {
    state.ToolNo = static_cast<std::int16_t>(tool);
    state.ChainFlag = 0;
}

// A symmetry choice sets the three image flags and nothing else; a chain goes on.
inline void chooseMode(DrawingState& state, SymmetryMode mode) {
    const auto& [joge, sayu, naname] = kModeFlags[static_cast<std::size_t>(mode)];
    state.JogeFlag = joge;
    state.SayuFlag = sayu;
    state.NanameFlag = naname;
}

// Whether the tool is the state's, as its menu item's check mark shows.
inline bool isChosen(const DrawingState& state, ToolNumber tool) {
    return state.ToolNo == static_cast<std::int16_t>(tool);
}

// Whether the state's image flags are those of the mode, as its menu item's check mark shows.
inline bool isChosen(const DrawingState& state, SymmetryMode mode) {
    const auto& [joge, sayu, naname] = kModeFlags[static_cast<std::size_t>(mode)];
    return state.JogeFlag == joge && state.SayuFlag == sayu && state.NanameFlag == naname;
}

} // namespace mirona
