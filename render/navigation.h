#pragma once
// Turning, tilting and zooming the model by dragging in the 3-D view.

#include "model/program_state.h"

#include <cstdint>

namespace korvex {

// Any button starts a drag from (x, y); a second button restarts it.
void viewMousePress(ViewState& view, MouseButton button, int32_t x, int32_t y);
// Half a degree of turn per pixel across for every button; down the view,
// a fifth of a degree of tilt with the left button or a twentieth of a unit
// nearer with the right, never nearer than 0.
void viewMouseMove(ViewState& view, int32_t x, int32_t y);
// Any release ends the drag.
void viewMouseRelease(ViewState& view);

}  // namespace korvex
