#pragma once
// The part tree's contents, kept apart from any widget so that loading,
// renaming and resetting work the same with or without a window.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

struct PartList;

enum NodeImage : int32_t {
    FileNodeImage = 0,
    PartNodeImage = 1,
    NoFileNodeImage = 2,
};

struct PartNodeData {
    std::u16string Caption;
    int32_t ImageIndex = NoFileNodeImage;
    int32_t LastVertexIndex = 0;  // part nodes: vertex count - 1
    int32_t PartIndex = -1;       // root nodes: -1
    // The node's check box is the part's element of PartVisible, reached
    // through PartIndex (see VisibleFlag below): a raw reference into a
    // sequence that grows while a file loads could dangle.
};

// Exactly one top-level node (RootNode) with the part nodes as its children,
// in part-index order. Part nodes have check boxes; the root has none.
struct PartTree {
    PartNodeData RootNode{u"No File Loaded", NoFileNodeImage, 0, -1};
    bool RootExpanded = false;
    std::vector<PartNodeData> PartNodes;
};

// The part's visibility flag behind a node, or nullptr for a node without a part.
uint8_t* visibleFlag(PartList& parts, const PartNodeData& node);

}  // namespace korvex

namespace korvex {

struct ProgramState;

// A single expanded root for the model file `fileName`, nothing selected.
void SetFileRoot(ProgramState& state, std::u16string_view fileName);

}  // namespace korvex
