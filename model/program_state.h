#pragma once
// Everything the viewer knows about the open model, in one place. The main
// window owns one of these and hands it by reference to whoever needs it; a
// test can build as many as it likes.

#include "model_records.h"
#include "part_tree.h"

#include <cstdint>

namespace korvex {

struct ProgramState {
    PartList partList;
    StringTables stringTables;
    PartTree tree;
    // Settings rows of the last opened model; kept when the model is closed.
    GeomDataTable geomData;
    bool ModelLoaded = false;
    int32_t SelectedPart = -1;  // part index of the selected tree node, or -1
};

}  // namespace korvex
