#pragma once
// The user's set-up of a model: what each part is called, whether it is
// shown, its colour, flags and texture, the selection, the scene and the
// camera. Captured from the program state and applied back to it, so that
// reading a file again, and later a saved look or an undo, keep the work.

#include "model/program_state.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvex {

struct PartSetup {
    std::string SymbolName;  // the part's symbol in the file, how it is found again
    int32_t Index = -1;      // its place in the file, for files whose symbols repeat
    std::u16string Caption;  // the name in the tree (the part record's is made from it)
    bool Visible = true;     // its check box
    float Colour[3] = {0.0f, 0.0f, 0.0f};
    uint8_t Transparent = 0;
    uint8_t EnvironmentMapped = 0;
    int32_t TextureIndex = 0;  // 0 = none, k = texture library entry k - 1

    friend bool operator==(const PartSetup&, const PartSetup&) = default;
};

struct SceneSetup {
    float RotationX = StartRotationX, RotationY = 0.0f;
    float ZoomZ = StartZoomZ;
    float PanX = 0.0f, PanY = 0.0f;
    float Centre[3] = {0.0f, 0.0f, 0.0f};
    bool Wireframe = false;
    uint32_t BackgroundColour = 0;
    uint32_t BacklightColour = 0;
    FrameControls Controls;  // "Rotating", "Use Level of Detail" and the slider
};

struct Setup {
    std::vector<PartSetup> Parts;  // one per part of the loaded model, in part order
    int32_t SelectedPart = -1;     // index into Parts, or -1
    SceneSetup Scene;
};

// Whether two set-ups give the parts, the scene colours, wireframe and the
// frame controls the same values: what an undo step changes. Where the
// camera is and which part is selected do not count.
bool sameAppearance(const Setup& a, const Setup& b);

// The set-up of the loaded model (no parts when none is loaded) and of the
// scene, with the window's frame controls as they are.
Setup captureSetup(const ProgramState& state, const FrameControls& controls);

// For each part of `parts`, the captured part it is: the first one not yet
// taken with the same symbol name, else, when both have as many parts, the
// one at the same index if that is not taken; -1 for a part new to the file.
std::vector<int32_t> matchParts(const std::vector<PartSetup>& captured, const PartList& parts);

// Gives each part of the loaded model that matches a captured one its name,
// check box, colour, flags and texture (a texture past the library is
// none), and selects the part that matches the captured selection. Parts
// that match none keep what they have.
void applyParts(ProgramState& state, const Setup& setup);

// Puts the camera, wireframe flag and scene colours into the view state;
// drawing them with OpenGL, and the frame controls, are the window's.
void applyScene(ViewState& view, const SceneSetup& scene);

}  // namespace korvex
