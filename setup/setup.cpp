#include "setup.h"

#include "model/text_conversion.h"

#include <algorithm>
#include <map>
#include <string_view>

namespace korvex {

namespace {

// The camera, wireframe flag and scene colours, which the view state and a
// set-up keep under the same names.
template <typename From, typename To>
void copyScene(const From& from, To& to) {
    to.RotationX = from.RotationX;
    to.RotationY = from.RotationY;
    to.ZoomZ = from.ZoomZ;
    to.PanX = from.PanX;
    to.PanY = from.PanY;
    std::copy(std::begin(from.Centre), std::end(from.Centre), to.Centre);
    to.Wireframe = from.Wireframe;
    to.BackgroundColour = from.BackgroundColour;
    to.BacklightColour = from.BacklightColour;
}

}  // namespace

bool sameAppearance(const Setup& a, const Setup& b) {
    const SceneSetup& x = a.Scene;
    const SceneSetup& y = b.Scene;
    return a.Parts == b.Parts && x.Wireframe == y.Wireframe && x.BackgroundColour == y.BackgroundColour &&
           x.BacklightColour == y.BacklightColour && x.Controls.Rotating == y.Controls.Rotating &&
           x.Controls.UseLevelOfDetail == y.Controls.UseLevelOfDetail &&
           x.Controls.DetailLevel == y.Controls.DetailLevel;
}

Setup captureSetup(const ProgramState& state, const FrameControls& controls) {
    Setup setup;
    if (state.ModelLoaded) {
        const PartList& list = state.partList;
        for (const PartNodeData& node : state.tree.PartNodes) {
            if (node.PartIndex < 0 || static_cast<std::size_t>(node.PartIndex) >= list.Parts.size()) continue;
            const auto i = static_cast<std::size_t>(node.PartIndex);
            const GeometryPart& part = list.Parts[i];
            PartSetup captured;
            captured.SymbolName = part.SymbolName;
            captured.Index = node.PartIndex;
            captured.Caption = node.Caption;
            captured.Visible = i < list.PartVisible.size() && list.PartVisible[i] != 0;
            std::copy(std::begin(part.Colour), std::end(part.Colour), captured.Colour);
            captured.Transparent = part.Transparent;
            captured.EnvironmentMapped = part.EnvironmentMapped;
            captured.TextureIndex = part.TextureIndex;
            if (node.PartIndex == state.SelectedPart) setup.SelectedPart = static_cast<int32_t>(setup.Parts.size());
            setup.Parts.push_back(std::move(captured));
        }
    }
    copyScene(state.view, setup.Scene);
    setup.Scene.Controls = controls;
    return setup;
}

std::vector<int32_t> matchParts(const std::vector<PartSetup>& captured, const PartList& parts) {
    const std::size_t count = parts.Parts.size();
    std::vector<int32_t> matches(count, -1);
    std::vector<bool> taken(captured.size(), false);
    // Each name stands for its captured parts in order, so that a name the
    // file repeats is matched in the order of the file.
    std::multimap<std::string_view, std::size_t> byName;
    for (std::size_t c = 0; c < captured.size(); ++c) byName.emplace(captured[c].SymbolName, c);
    for (std::size_t p = 0; p < count; ++p) {
        const auto [first, last] = byName.equal_range(parts.Parts[p].SymbolName);
        for (auto it = first; it != last; ++it) {
            if (taken[it->second]) continue;
            taken[it->second] = true;
            matches[p] = static_cast<int32_t>(it->second);
            break;
        }
    }
    if (captured.size() != count) return matches;
    for (std::size_t p = 0; p < count; ++p) {
        if (matches[p] >= 0 || taken[p]) continue;
        taken[p] = true;
        matches[p] = static_cast<int32_t>(p);
    }
    return matches;
}

void applyParts(ProgramState& state, const Setup& setup) {
    PartList& list = state.partList;
    const std::vector<int32_t> matches = matchParts(setup.Parts, list);
    const auto textures = static_cast<int32_t>(state.textureLibrary.size());
    int32_t selected = -1;
    for (PartNodeData& node : state.tree.PartNodes) {
        if (node.PartIndex < 0 || static_cast<std::size_t>(node.PartIndex) >= matches.size()) continue;
        const auto i = static_cast<std::size_t>(node.PartIndex);
        if (matches[i] < 0) continue;
        const PartSetup& captured = setup.Parts[static_cast<std::size_t>(matches[i])];
        GeometryPart& part = list.Parts[i];
        node.Caption = captured.Caption;
        part.Name = cutToNameLength(wideToLatin1(captured.Caption));
        if (i < list.PartVisible.size()) list.PartVisible[i] = captured.Visible ? 1 : 0;
        std::copy(std::begin(captured.Colour), std::end(captured.Colour), part.Colour);
        part.Transparent = captured.Transparent;
        part.EnvironmentMapped = captured.EnvironmentMapped;
        part.TextureIndex = captured.TextureIndex >= 0 && captured.TextureIndex <= textures ? captured.TextureIndex : 0;
        if (matches[i] == setup.SelectedPart) selected = node.PartIndex;
    }
    state.SelectedPart = selected;
}

void applyScene(ViewState& view, const SceneSetup& scene) {
    copyScene(scene, view);
}

}  // namespace korvex
