#include "part_commands.h"

#include "model/text_conversion.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>

namespace korvex {

PartNodeData* partNodeAt(ProgramState& state, std::size_t row) {
    auto& nodes = state.tree.PartNodes;
    return row < nodes.size() ? &nodes[row] : nullptr;
}

GeometryPart* selectedPart(ProgramState& state) {
    auto& parts = state.partList.Parts;
    if (!state.ModelLoaded || state.SelectedPart < 0 || static_cast<std::size_t>(state.SelectedPart) >= parts.size())
        return nullptr;
    return &parts[static_cast<std::size_t>(state.SelectedPart)];
}

void setPartNodeChecked(ProgramState& state, const PartNodeData& node, bool checked) {
    if (uint8_t* flag = visibleFlag(state.partList, node)) *flag = checked ? 1 : 0;
}

bool renamePartNode(ProgramState& state, PartNodeData& node, std::u16string_view text) {
    if (std::all_of(text.begin(), text.end(), [](char16_t c) { return c == u' ' || c < 0x20; })) return false;
    node.Caption = std::u16string(text);
    auto& parts = state.partList.Parts;
    if (node.PartIndex >= 0 && static_cast<std::size_t>(node.PartIndex) < parts.size())
        parts[static_cast<std::size_t>(node.PartIndex)].Name = cutToNameLength(wideToLatin1(text));
    return true;
}

namespace {

void setAllVisible(ProgramState& state, uint8_t visible) {
    if (!state.ModelLoaded) return;
    for (const PartNodeData& node : state.tree.PartNodes)
        if (uint8_t* flag = visibleFlag(state.partList, node)) *flag = visible;
}

template <typename Change>
void forEachPart(ProgramState& state, Change&& change) {
    for (GeometryPart& part : state.partList.Parts) change(part);
}

}  // namespace

void hideAllParts(ProgramState& state) {
    setAllVisible(state, 0);
}
void showAllParts(ProgramState& state) {
    setAllVisible(state, 1);
}

void uncolourAllParts(ProgramState& state) {
    forEachPart(state, [](GeometryPart& part) { std::fill(std::begin(part.Colour), std::end(part.Colour), 1.0f); });
}

void randomPartColours(ProgramState& state) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    randomPartColours(state, static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
}

void randomPartColours(ProgramState& state, uint64_t seed) {
    std::mt19937_64 generator(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    // A double just below 1 can round up to 1.0f; the colour must stay below 1.
    constexpr float belowOne = 0x1.fffffep-1f;
    forEachPart(state, [&](GeometryPart& part) {
        for (float& component : part.Colour) component = std::min(static_cast<float>(unit(generator)), belowOne);
    });
}

void setAllTransparent(ProgramState& state) {
    forEachPart(state, [](GeometryPart& part) { part.Transparent = 1; });
}

void setAllOpaque(ProgramState& state) {
    forEachPart(state, [](GeometryPart& part) { part.Transparent = 0; });
}

void setAllEnvironmentMapped(ProgramState& state) {
    forEachPart(state, [](GeometryPart& part) { part.EnvironmentMapped = 1; });
}

void setAllMatt(ProgramState& state) {
    forEachPart(state, [](GeometryPart& part) { part.EnvironmentMapped = 0; });
}

void setPartColour(GeometryPart& part, ChosenColour colour) {
    for (int i = 0; i < 3; ++i) part.Colour[i] = static_cast<float>((colour >> (8 * i)) & 0xFF) / 255.0f;
}

bool IsWheelPart(const GeometryPart& part) {
    std::string name = part.Name;
    for (char& letter : name)
        if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    const auto contains = [&](std::string_view word) { return name.find(word) != std::string::npos; };
    return (contains("WHEEL") || contains("BRAKE")) && !contains("STEERING");
}

void setSelectedPartTexture(ProgramState& state, int itemIndex) {
    if (GeometryPart* part = selectedPart(state)) part->TextureIndex = itemIndex;
}

void untextureAllParts(ProgramState& state) {
    forEachPart(state, [](GeometryPart& part) { part.TextureIndex = 0; });
}

void textureNonWheelParts(ProgramState& state, int32_t reference) {
    forEachPart(state, [&](GeometryPart& part) {
        if (!IsWheelPart(part)) part.TextureIndex = reference;
    });
    uncolourAllParts(state);
}

void textureWheelParts(ProgramState& state, int32_t reference) {
    forEachPart(state, [&](GeometryPart& part) {
        if (IsWheelPart(part)) part.TextureIndex = reference;
    });
}

bool manageTexturesChoosesForBody(const ProgramState& state) {
    const auto& parts = state.partList.Parts;
    const std::size_t count = std::min(static_cast<std::size_t>(std::max(0, state.partList.PartCount)), parts.size());
    if (!state.ModelLoaded || count == 0) return false;
    return parts[0].TextureIndex == 0 && (count < 2 || parts[1].TextureIndex == 0);
}

std::array<int, 3> swatchOf(const GeometryPart& part) {
    std::array<int, 3> rgb{};
    for (int i = 0; i < 3; ++i) {
        // nearbyint follows the default rounding mode: halves go to the even neighbour.
        const double scaled = std::nearbyint(static_cast<double>(part.Colour[i]) * 255.0);
        rgb[static_cast<std::size_t>(i)] = std::isnan(scaled) ? 0 : static_cast<int>(std::clamp(scaled, 0.0, 255.0));
    }
    return rgb;
}

ChosenColour chosenColourOf(const GeometryPart& part) {
    const auto rgb = swatchOf(part);
    return static_cast<ChosenColour>(rgb[0]) | static_cast<ChosenColour>(rgb[1]) << 8 |
           static_cast<ChosenColour>(rgb[2]) << 16;
}

std::string levelLabel(int position) {
    return std::to_string(position) + "%";
}

}  // namespace korvex
