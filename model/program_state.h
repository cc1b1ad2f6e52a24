#pragma once
// Everything the viewer knows about the open model, in one place. The main
// window owns one of these and hands it by reference to whoever needs it; a
// test can build as many as it likes.

#include "model_records.h"
#include "part_tree.h"

#include <cstdint>

namespace korvex {

// What the 3-D view and the window's drag bars share. A press on any of them
// starts a drag, a release on any ends it.
struct ViewState {
    bool Dragging = false;
    int32_t LastMouseX = 0;  // pointer position at the press, in the pressed panel
    int32_t LastMouseY = 0;
    bool Wireframe = false;  // "Toggle Wireframe"
};

struct ProgramState {
    PartList partList;
    StringTables stringTables;
    PartTree tree;
    // Settings rows of the last opened model; kept when the model is closed.
    GeomDataTable geomData;
    // The program's textures; they outlive every model.
    TextureLibrary textureLibrary;
    bool ModelLoaded = false;
    int32_t SelectedPart = -1;  // part index of the selected tree node, or -1
    ViewState view;
};

}  // namespace korvex
