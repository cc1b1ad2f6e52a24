#pragma once
// Render and export take a look file where they take a model: the look's
// model opens with the user's set-up on it, and its textures' pictures come
// along for the frame or the exported files.

#include "inspect.h"

#include "textures/pixel_buffer.h"

#include <optional>
#include <ostream>
#include <vector>

namespace korvex {

struct InspectedLook {
    FrameControls controls;  // the look's "Rotating", "Use Level of Detail" and slider
    // The decoded picture of each texture library entry, in library order;
    // the entries' texture objects are 0 until someone makes them.
    std::vector<std::optional<PixelBuffer>> pictures;
};

// Reads the look file `command.path` and opens it into `state`, which should
// be fresh, as the window does: its model, its textures (their pictures
// decoded quietly), its parts' set-up and its scene in state.view. Prints
// what `model` prints for the look's model, its parts as the look set them,
// then a box naming the pictures that could not be loaded. A look that
// cannot be read or opened prints nothing there: `korvex-inspect: FAULT`
// goes to `err`, and the answer is nothing.
std::optional<InspectedLook> inspectLook(const ModelCommand& command, ProgramState& state, std::ostream& out,
                                         std::ostream& err);

}  // namespace korvex
