#pragma once
// One frame of the 3-D view: the frame clock, the camera, auto-rotation and
// the passes over the parts. Plain OpenGL on the context that is current;
// nothing is allocated per frame.

#include "model/program_state.h"

#include <cstddef>
#include <cstdint>

namespace korvex {

// How a part's strip reaches OpenGL. Both send the same vertices in the same
// order; the immediate one, a call per attribute, is kept as the reference.
enum class StripEmitter { VertexArrays, Immediate };

// Sends one part's strip; the array path needs the three arrays enabled.
void emitStrip(const VertexArray& vertices, const TriArray& indices, StripEmitter emitter);
// Enables or disables the position, normal and texture coordinate arrays.
void setVertexArraysEnabled(bool enabled);

// Advances the smoothed clock: the mean of the time since StartTick and the
// previous frame's time, in unsigned 32-bit arithmetic so the tick counter
// may wrap.
void AdvanceFrameClock(ViewState& view, uint32_t tick);

// Clears, places the camera, turns the model while Rotating is set, and
// draws the loaded model's parts and the selected part's highlight.
void RenderFrame(ProgramState& state, const FrameControls& controls, StripEmitter emitter = StripEmitter::VertexArrays);

// Whether the part is drawn at the slider's level: always with the level of
// detail off or for a part without a settings row, otherwise when the
// slider lies within the row's range, both ends included.
bool PartInDetailRange(const ProgramState& state, int32_t part, const FrameControls& controls);

// Whether a frame draws `part` (below drawablePartCount) with `controls`:
// shown, its strip within its own vertices (a strip that names a vertex the
// part lacks is never sent) and within the detail range.
bool partIsDrawn(const ProgramState& state, std::size_t part, const FrameControls& controls);

// Whether a frame draws any part of the loaded model with `controls`.
bool anyPartDrawn(const ProgramState& state, const FrameControls& controls);

// "Toggle Wireframe": flips the mode and sets the polygon mode to match.
void toggleWireframe(ViewState& view);
// Outlines in wireframe mode, filled triangles otherwise.
void ApplyPolygonMode(const ViewState& view);

}  // namespace korvex
