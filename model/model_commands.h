#pragma once
// Closing a model, and the empty state the part tree returns to.

#include "program_state.h"
#include "user_io.h"

namespace korvex {

// Leaves the tree with its single "No File Loaded" node, nothing selected.
void ResetTree(ProgramState& state);

// The close command: when a model is loaded, empties the tree and the part
// sequences (the part count and the settings rows stay), disables the close
// controls and the options panel, and logs "Data unloaded.". Does nothing
// when no model is loaded; answers whether it closed one.
bool CloseModel(ProgramState& state, LogSink& log, CommandControls& controls);

}  // namespace korvex
