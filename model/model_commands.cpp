#include "model_commands.h"

namespace korvex {

void ResetTree(ProgramState& state) {
    state.tree = PartTree{};
    state.SelectedPart = -1;
}

bool CloseModel(ProgramState& state, LogSink& log, CommandControls& controls) {
    if (!state.ModelLoaded) return false;
    ResetTree(state);
    PartList& list = state.partList;
    list.PartVertices.clear();
    list.PartIndices.clear();
    list.Parts.clear();
    list.PartVisible.clear();
    controls.setCloseEnabled(false);
    log.LogLine("Data unloaded.");
    controls.DisablePartOptions();
    state.ModelLoaded = false;
    return true;
}

}  // namespace korvex
