#pragma once
// The camera as plain numbers: the perspective resizeView sets up and the
// model-view matrix RenderFrame loads. Picking and panning work from the
// same two, so what is drawn under a pixel and what they find there cannot
// disagree.

#include "model/program_state.h"

#include <array>

namespace korvex {

// The perspective of the 3-D view.
inline constexpr double FieldOfViewY = 60.0;  // degrees from the bottom edge to the top
inline constexpr double NearPlane = 0.01;
inline constexpr double FarPlane = 500.0;

// Half the height of what the view shows at distance 1: tan(FieldOfViewY / 2).
double halfHeightAtUnitDistance();

using Matrix4 = std::array<float, 16>;  // column-major, as glLoadMatrixf takes it

// Shifts by (PanX, PanY, ZoomZ), tilts by RotationX about x, turns by
// RotationY about y and brings Centre to the origin, in that order from the
// eye's side: the model turns about Centre, which lies straight ahead of the
// eye before any pan. Worked out in single precision, step by step, as the
// fixed-function pipeline's own translate and rotate calls would.
Matrix4 modelViewOf(const ViewState& view);

}  // namespace korvex
