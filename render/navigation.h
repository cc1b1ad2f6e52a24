#pragma once
// Moving the camera: turning, tilting, zooming and shifting the model by
// dragging in the 3-D view, zooming with the wheel, the standard views, and
// framing the whole model.

#include "frame_renderer.h"
#include "model/program_state.h"

#include <cstdint>

namespace korvex {

// Any button starts a drag from (x, y); a second button restarts it. The
// middle button, or the left one with Shift held, drags the model sideways
// and up and down instead of turning it.
void viewMousePress(ViewState& view, MouseButton button, int32_t x, int32_t y, bool shift = false);
// While panning, the model follows the pointer: the point of the model at
// the depth of Centre that was under the pointer stays under it. Otherwise
// half a degree of turn per pixel across for every button; down the view,
// a fifth of a degree of tilt with the left button or a twentieth of a unit
// nearer with the right, never nearer than 0.
void viewMouseMove(ViewState& view, int32_t x, int32_t y);
// Any release ends the drag.
void viewMouseRelease(ViewState& view);

// The wheel turned by `angleDelta` eighths of a degree (120 a notch),
// positive away from the user: each notch takes the eye about a tenth of its
// distance nearer (or farther for a negative delta), at least a twentieth of
// a unit, and never past 0.
void viewWheel(ViewState& view, int angleDelta);

enum class StandardView { Front, Side, Top, ThreeQuarter };

// Turns and tilts the camera to look at the model's nose, its right flank,
// down on its roof, or at the nose and right flank from a little above.
// Models run along x with the nose towards +x, the roof up +y and the right
// flank towards +z, as the sample car does.
void setStandardView(ViewState& view, StandardView standard);

// Frames the model: looks at the centre of the box around the parts a frame
// draws under `controls` (every part when it draws none), undoes the pan,
// and moves the eye so those parts, seen from the current direction, fill
// 90% of the view the way they bind and fit the other way. The turn and tilt
// stay as they are; without a model nothing changes.
void fitView(ProgramState& state, const FrameControls& controls = {});

// The view `standard` framed for a picture of `width` x `height` pixels,
// as "Fit" frames it, from the starting distance; the state's own view is
// left as it was.
ViewState fittedStandardView(ProgramState& state, StandardView standard, int width, int height,
                             const FrameControls& controls);

// The camera as the viewer starts: no turn, the starting tilt and distance,
// no pan, looking at the origin.
void resetView(ViewState& view);

}  // namespace korvex
