#pragma once

#include "drawing/DrawingState.hpp"

#include <array>
#include <cstddef>

namespace mirona {

// The symmetry modes of the mode menu, in menu order.
enum class SymmetryMode { Joge, Sayu, JogeSayu, JogeSayuNaname };

// A tool choice: the tool, and the end of any chain of lines.
inline void chooseTool(DrawingState& state, ToolNumber tool) {
    state.ToolNo = static_cast<std::int16_t>(tool);
    state.ChainFlag = 0;
}

// A symmetry choice sets the three image flags and nothing else; a chain goes on.
inline void chooseMode(DrawingState& state, SymmetryMode mode) {
    static constexpr std::array<std::array<std::int16_t, 3>, 4> kFlags{
        {{1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 1, 1}}};
    const auto& [joge, sayu, naname] = kFlags[static_cast<std::size_t>(mode)];
    state.JogeFlag = joge;
    state.SayuFlag = sayu;
    state.NanameFlag = naname;
}

} // namespace mirona
