#pragma once
// Which part lies under a pixel of the 3-D view, found without OpenGL by
// casting a ray through the very camera and perspective the frame was drawn
// with.

#include "frame_renderer.h"
#include "model/program_state.h"

#include <cstdint>

namespace korvex {

// The part nearest the eye, in front of the near plane, whose triangles
// cover the centre of pixel (x, y) of the view (origin at the top left, the
// view ViewportWidth x ViewportHeight pixels), among the parts a frame
// draws with `controls`; either face of a triangle counts. Answers -1 for
// empty space, a pixel outside the view, or a view whose size is unknown.
// `drawn` is the camera the frame used: while Rotating, RenderFrame turns
// the state's own view on for the next frame. Takes time linear in the
// triangles and allocates nothing.
int32_t pickPart(const ProgramState& state, const ViewState& drawn, const FrameControls& controls, int32_t x,
                 int32_t y);

// The same, with the texture coordinates (s, t as OpenGL is given them) of
// the point hit, interpolated across its triangle from the corners'.
struct SurfacePoint {
    int32_t part = -1;
    float texCoord[2] = {0.0f, 0.0f};
};
SurfacePoint pickSurface(const ProgramState& state, const ViewState& drawn, const FrameControls& controls, int32_t x,
                         int32_t y);

}  // namespace korvex
