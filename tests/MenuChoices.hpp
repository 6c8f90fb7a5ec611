#pragma once

#include "drawing/DrawingState.hpp"

#include <array>

namespace mirona {

// What the tool items, the symmetry items and New do to the drawing state, for tests that
// drive the drawing engine without the window.

enum class ModeItem { Joge, Sayu, JogeSayu, JogeSayuNaname };

inline void chooseTool(DrawingState& state, ToolNumber tool) {
    state.ToolNo = static_cast<std::int16_t>(tool);
    state.ChainFlag = 0;
}

inline void chooseMode(DrawingState& state, ModeItem item) {
    static constexpr std::array<std::array<std::int16_t, 3>, 4> kFlags{
        {{1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 1, 1}}};
    const auto& [joge, sayu, naname] = kFlags[static_cast<std::size_t>(item)];
    state.JogeFlag = joge;
    state.SayuFlag = sayu;
    state.NanameFlag = naname;
}

// New, apart from clearing the canvas.
inline void resetForNew(DrawingState& state) {
    chooseTool(state, ToolNumber::FreeLine);
    chooseMode(state, ModeItem::JogeSayuNaname);
}

} // namespace mirona
