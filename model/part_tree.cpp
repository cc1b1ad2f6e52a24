#include "part_tree.h"

#include "program_state.h"

namespace korvex {

uint8_t* visibleFlag(PartList& parts, const PartNodeData& node) {
    if (node.PartIndex < 0 || static_cast<std::size_t>(node.PartIndex) >= parts.PartVisible.size()) return nullptr;
    return &parts.PartVisible[static_cast<std::size_t>(node.PartIndex)];
}

void SetFileRoot(ProgramState& state, std::u16string_view fileName) {
    state.tree = PartTree{};
    state.tree.RootNode = PartNodeData{std::u16string(fileName), FileNodeImage, 0, -1};
    state.tree.RootExpanded = true;
    state.SelectedPart = -1;
}

}  // namespace korvex
