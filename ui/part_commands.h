#pragma once
// What the part tree, the options panel and the "Options" menu do to the
// model, apart from any widget.

#include "model/program_state.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvex {

// The tree node in row `row` under the file node, or nullptr.
PartNodeData* partNodeAt(ProgramState& state, std::size_t row);

// The part the options panel edits, or nullptr when none of the loaded
// model's parts is selected.
GeometryPart* selectedPart(ProgramState& state);

// A part node's check box changed: the part is drawn while it is checked.
void setPartNodeChecked(ProgramState& state, const PartNodeData& node, bool checked);

// An accepted edit of a node's name: the node keeps the whole text, the
// part's name its first 255 characters as single-byte characters. A name
// that is empty or only blanks is not taken: answers false and nothing
// changes.
bool renamePartNode(ProgramState& state, PartNodeData& node, std::u16string_view text);

// "Hide All Parts" and "Show All Parts": every part node of a loaded model.
void hideAllParts(ProgramState& state);
void showAllParts(ProgramState& state);

// The "Options" menu's commands for every part.
void uncolourAllParts(ProgramState& state);
void randomPartColours(ProgramState& state);  // random colours, seeded from the clock
void randomPartColours(ProgramState& state, uint64_t seed);
void setAllTransparent(ProgramState& state);
void setAllOpaque(ProgramState& state);
void setAllEnvironmentMapped(ProgramState& state);  // "Set All Enviroment Mapped"
void setAllMatt(ProgramState& state);

// Whether a part is one of the wheels or brakes, told by its name: "WHEEL"
// or "BRAKE" in it, letters compared without case, and not "STEERING".
bool IsWheelPart(const GeometryPart& part);

// The texture box's choice for the selected part: item 0 is "No Texture",
// item k the library's entry k - 1. Without a selected part nothing changes.
void setSelectedPartTexture(ProgramState& state, int itemIndex);
// "Untexture All Parts": no part keeps a texture; colours stay.
void untextureAllParts(ProgramState& state);
// What the texture-all commands do with the texture chosen for them
// (`reference` is its library position plus 1). Non-wheel parts get it and
// then every part turns white, so that the texture shows in its own colours.
void textureNonWheelParts(ProgramState& state, int32_t reference);
// Wheel parts get it; colours stay.
void textureWheelParts(ProgramState& state, int32_t reference);
// "Manage Textures" on a model whose first two parts have no texture yet
// goes straight to texturing the body.
bool manageTexturesChoosesForBody(const ProgramState& state);

// A colour as the colour chooser gives it: 0x00BBGGRR.
using ChosenColour = uint32_t;

// Stores a chosen colour in a part: each component divided by 255.
void setPartColour(GeometryPart& part, ChosenColour colour);

// A part's colour as 0 to 255 per component, halves rounded to even.
std::array<int, 3> swatchOf(const GeometryPart& part);
// The same as the colour chooser gives colours.
ChosenColour chosenColourOf(const GeometryPart& part);

// The level-of-detail slider's label: "55%".
std::string levelLabel(int position);

}  // namespace korvex
