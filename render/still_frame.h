#pragma once
// Pictures, film frames and the cells of a sheet: one frame of the view as
// it stands, at any size, drawn by the frame renderer into whatever
// framebuffer is bound. Plain OpenGL on the context that is current.

#include "model/program_state.h"

#include <cstdint>
#include <vector>

namespace korvex {

// How a still frame is drawn: its size in pixels and whether the
// background is left clear (alpha 0) instead of the scene's colour.
struct StillFrame {
    int width = 0, height = 0;
    bool transparent = false;
};

// Draws the frame without moving the model (the clock and the turn stand
// still) and leaves the projection at the still's size; the background
// colour is as it was afterwards.
void drawStill(ProgramState& state, FrameControls controls, const StillFrame& still);

// R,G,B,A pixels as OpenGL blends them over a clear background (colour
// already multiplied by alpha, as along a smoothed edge) turned into the
// straight alpha picture files hold.
void unpremultiply(std::vector<uint8_t>& rgba);

// The most samples a pixel, at most `samples`, that a multisampled colour
// and depth buffer of `width` x `height` may have within a gibibyte: a
// picture of 8192 x 8192 is smoothed with 2 samples, not 8.
int affordableSamples(int width, int height, int samples);

// Turns R,G,B,A rows as OpenGL reads them (bottom row first) over, so that
// the top row comes first.
void flipRows(std::vector<uint8_t>& pixels, int width, int height, int channels);

// The turn about the upright axis of frame `index` of a film that makes one
// full turn in `count` frames from `startDegrees`.
float turntableAngle(float startDegrees, int index, int count);

}  // namespace korvex
