#pragma once
// Small models made straight into the program state, for drawing tests:
// flat squares and triangles facing the viewer, with a camera that looks at
// them head on.

#include "model/program_state.h"

#include <array>
#include <cstdint>

namespace korvex::fixtures {

using Rgb = std::array<float, 3>;

struct PartLook {
    Rgb colour{1.0f, 0.0f, 0.0f};
    bool transparent = false;
    bool environmentMapped = false;
    int32_t textureIndex = 0;
    int32_t settingsRow = -1;  // -1: a row of its own, drawn at every level
};

// A square of side `size` centred on (x, y) at depth z, facing +Z, as a
// strip of four vertices; answers its part index. The state is marked as
// holding a loaded model.
int32_t addSquare(ProgramState& state, float x, float y, float z, float size, const PartLook& look = {});
// A triangle with its corners at the given points of the z = 0 plane.
int32_t addTriangle(ProgramState& state, std::array<std::array<float, 2>, 3> corners, const PartLook& look = {});

// The camera straight in front of the z = 0 plane at distance 4, still.
void lookHeadOn(ViewState& view);

}  // namespace korvex::fixtures
