#include "ui/part_commands.h"
#include "model/text_conversion.h"

#include <gtest/gtest.h>

#include <set>

using namespace korvex;

namespace {

ProgramState modelWithParts(int count) {
    ProgramState state;
    state.partList.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        auto& part = state.partList.Parts[static_cast<std::size_t>(i)];
        part.Name = "part" + std::to_string(i);
        std::fill(std::begin(part.Colour), std::end(part.Colour), 0.7f);
        state.partList.PartVisible[static_cast<std::size_t>(i)] = 1;
        state.tree.PartNodes.push_back(PartNodeData{latin1ToWide(part.Name), PartNodeImage, 3, i});
    }
    state.partList.PartCount = count;
    state.ModelLoaded = count > 0;
    return state;
}

}  // namespace

TEST(PartCommands, ChosenColoursSurviveTheTripToThePartAndBackToTheSwatch) {
    GeometryPart part;
    for (uint32_t level = 0; level <= 255; ++level) {
        setPartColour(part, level | (255 - level) << 8 | (level / 2) << 16);
        const auto rgb = swatchOf(part);
        ASSERT_EQ(rgb, (std::array<int, 3>{int(level), int(255 - level), int(level / 2)})) << level;
    }
    setPartColour(part, 0x0000FF);
    EXPECT_EQ(part.Colour[0], 1.0f);
    EXPECT_EQ(part.Colour[1], 0.0f);
    EXPECT_EQ(part.Colour[2], 0.0f);

    // 127.5 is the one exact half in range, and goes to the even neighbour;
    // out-of-range colours stay on the scale.
    part.Colour[0] = 0.5f;
    part.Colour[1] = 0.7f;  // 178.49...
    part.Colour[2] = 0.0f;
    EXPECT_EQ(swatchOf(part), (std::array<int, 3>{128, 178, 0}));
    part.Colour[0] = -1.0f;
    part.Colour[1] = 7.0f;
    EXPECT_EQ(swatchOf(part)[0], 0);
    EXPECT_EQ(swatchOf(part)[1], 255);
}

TEST(PartCommands, RenamingKeepsTheWholeTextInTheNodeAndCutsThePartName) {
    ProgramState state = modelWithParts(2);
    const std::u16string longName(300, u'x');
    renamePartNode(state, state.tree.PartNodes[1], longName);
    EXPECT_EQ(state.tree.PartNodes[1].Caption, longName);
    EXPECT_EQ(state.partList.Parts[1].Name, std::string(255, 'x'));
    EXPECT_EQ(state.partList.Parts[0].Name, "part0");

    // Beyond Latin-1 a character becomes '?', a surrogate pair one '?'.
    renamePartNode(state, state.tree.PartNodes[0], u"D\u00e9j\u00e0 \u20ac \U0001F697!");
    EXPECT_EQ(state.partList.Parts[0].Name, "D\xe9j\xe0 ? ?!");
}

TEST(PartCommands, CheckBoxesAndHideShowAllDriveTheVisibilityFlags) {
    ProgramState state = modelWithParts(3);
    setPartNodeChecked(state, state.tree.PartNodes[1], false);
    EXPECT_EQ(state.partList.PartVisible, (std::vector<uint8_t>{1, 0, 1}));
    showAllParts(state);
    EXPECT_EQ(state.partList.PartVisible, (std::vector<uint8_t>{1, 1, 1}));
    hideAllParts(state);
    EXPECT_EQ(state.partList.PartVisible, (std::vector<uint8_t>{0, 0, 0}));

    // With no model loaded the tree commands leave everything alone.
    state.ModelLoaded = false;
    showAllParts(state);
    EXPECT_EQ(state.partList.PartVisible, (std::vector<uint8_t>{0, 0, 0}));
}

TEST(PartCommands, BulkCommandsSetOneFieldOfEveryPart) {
    ProgramState state = modelWithParts(4);
    state.partList.Parts[2].TextureIndex = 3;
    uncolourAllParts(state);
    setAllTransparent(state);
    setAllEnvironmentMapped(state);
    for (const auto& part : state.partList.Parts) {
        EXPECT_EQ(std::vector<float>(std::begin(part.Colour), std::end(part.Colour)), (std::vector<float>{1, 1, 1}));
        EXPECT_EQ(part.Transparent, 1);
        EXPECT_EQ(part.EnvironmentMapped, 1);
    }
    setAllOpaque(state);
    setAllMatt(state);
    for (const auto& part : state.partList.Parts) {
        EXPECT_EQ(part.Transparent, 0);
        EXPECT_EQ(part.EnvironmentMapped, 0);
    }
    EXPECT_EQ(state.partList.Parts[2].TextureIndex, 3);

    ProgramState empty;
    setAllTransparent(empty);
    randomPartColours(empty);
    EXPECT_TRUE(empty.partList.Parts.empty());
}

TEST(PartCommands, RandomColoursStayBelowOneAndFollowTheSeed) {
    ProgramState state = modelWithParts(50);
    randomPartColours(state, 7);
    std::set<float> seen;
    for (const auto& part : state.partList.Parts)
        for (float c : part.Colour) {
            EXPECT_GE(c, 0.0f);
            EXPECT_LT(c, 1.0f);
            seen.insert(c);
        }
    EXPECT_GT(seen.size(), 140u);

    ProgramState again = modelWithParts(50);
    randomPartColours(again, 7);
    EXPECT_EQ(again.partList.Parts[49].Colour[2], state.partList.Parts[49].Colour[2]);
    randomPartColours(again, 8);
    EXPECT_NE(again.partList.Parts[0].Colour[0], state.partList.Parts[0].Colour[0]);
}

TEST(PartCommands, SelectedPartNamesOnlyAPartOfTheLoadedModel) {
    ProgramState state = modelWithParts(2);
    state.SelectedPart = 1;
    EXPECT_EQ(selectedPart(state), &state.partList.Parts[1]);
    state.SelectedPart = 2;
    EXPECT_EQ(selectedPart(state), nullptr);
    state.SelectedPart = 0;
    state.ModelLoaded = false;
    EXPECT_EQ(selectedPart(state), nullptr);
    EXPECT_EQ(levelLabel(55), "55%");
}

TEST(PartCommands, WheelPartsAreToldByTheirNamesWhateverTheCase) {
    const std::pair<const char*, bool> names[] = {
        {"Wheel (Front Left)", true}, {"Brake (Rear Left)", true}, {"Low Detail Wheel", true}, {"rearwheel", true},
        {"Steering Wheel", false},    {"steering wheel", false},   {"Trunk", false},           {"WHEE L", false},
        {"\xe9wheel", true},
    };
    for (const auto& [name, wheel] : names) {
        GeometryPart part;
        part.Name = name;
        EXPECT_EQ(IsWheelPart(part), wheel) << name;
    }
}

TEST(PartCommands, TextureCommandsGiveReferencesToTheirParts) {
    ProgramState state = modelWithParts(4);
    const char* names[] = {"Wheel (Front Left)", "Brake (Front Right)", "Steering Wheel", "Trunk"};
    for (int i = 0; i < 4; ++i) state.partList.Parts[static_cast<std::size_t>(i)].Name = names[i];
    const auto references = [&] {
        std::vector<int32_t> found;
        for (const auto& part : state.partList.Parts) found.push_back(part.TextureIndex);
        return found;
    };
    const auto colourOf = [&](std::size_t i) {
        const auto& c = state.partList.Parts[i].Colour;
        return std::vector<float>{c[0], c[1], c[2]};
    };
    EXPECT_TRUE(manageTexturesChoosesForBody(state));

    textureWheelParts(state, 2);
    EXPECT_EQ(references(), (std::vector<int32_t>{2, 2, 0, 0}));
    EXPECT_EQ(colourOf(3), (std::vector<float>{0.7f, 0.7f, 0.7f}));
    textureNonWheelParts(state, 1);
    EXPECT_EQ(references(), (std::vector<int32_t>{2, 2, 1, 1}));
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(colourOf(i), (std::vector<float>{1, 1, 1})) << i;
    // The first part has a texture now: "Manage Textures" only manages.
    EXPECT_FALSE(manageTexturesChoosesForBody(state));

    state.SelectedPart = 3;
    setSelectedPartTexture(state, 0);
    state.SelectedPart = 2;
    setSelectedPartTexture(state, 5);
    EXPECT_EQ(references(), (std::vector<int32_t>{2, 2, 5, 0}));
    state.SelectedPart = -1;
    setSelectedPartTexture(state, 3);
    EXPECT_EQ(references(), (std::vector<int32_t>{2, 2, 5, 0}));

    untextureAllParts(state);
    EXPECT_EQ(references(), (std::vector<int32_t>{0, 0, 0, 0}));
    EXPECT_EQ(colourOf(0), (std::vector<float>{1, 1, 1}));
}

TEST(PartCommands, ManageTexturesLooksAtTheFirstTwoPartsOfALoadedModel) {
    ProgramState state = modelWithParts(3);
    state.partList.Parts[2].TextureIndex = 1;
    EXPECT_TRUE(manageTexturesChoosesForBody(state));
    state.partList.Parts[1].TextureIndex = 1;
    EXPECT_FALSE(manageTexturesChoosesForBody(state));

    ProgramState single = modelWithParts(1);
    EXPECT_TRUE(manageTexturesChoosesForBody(single));
    single.ModelLoaded = false;
    EXPECT_FALSE(manageTexturesChoosesForBody(single));
    EXPECT_FALSE(manageTexturesChoosesForBody(modelWithParts(0)));
}
