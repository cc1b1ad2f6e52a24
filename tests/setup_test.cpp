// The user's set-up captured and put back, and the model's files read again
// after another program changed them: no window.

#include "setup/reload.h"
#include "setup/setup.h"

#include "tests/support/test_model.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

using fixtures::CarFolder;
using fixtures::LoadOutcome;
using fixtures::partsNamed;


const std::string Settings =
    "[GEOMDATA]\nnumpart=3\n\n[ALPHA_OPAQUE_FRNShape]\n\n[ALPHA_OPAQUE_HODShape]\n\n[ALPHA_TRANS_TOPShape]\n\n";

std::vector<std::u16string> captions(const ProgramState& state) {
    std::vector<std::u16string> found;
    for (const PartNodeData& node : state.tree.PartNodes) found.push_back(node.Caption);
    return found;
}

// The sample's three parts, opened with their settings file beside them,
// then given a set-up of the user's own.
struct SetUpViewer {
    CarFolder folder;
    LoadOutcome viewer;
    ProgramState& state = viewer.state;

    SetUpViewer() {
        fixtures::writeFile(folder.model(),
                            partsNamed({"geo_r_0_FRNShape", "geo_r_1_HODShape", "geo_r_2_TOPShape"}).build());
        fixtures::writeText(folder.modelFolder() / "geomdata.ini", Settings);
        fixtures::openInto(viewer, folder.model());
        state.textureLibrary.resize(2);
        // The hood: renamed, hidden, red, matt, textured; the roof selected.
        GeometryPart& hood = state.partList.Parts[1];
        state.tree.PartNodes[1].Caption = u"Bonnet";
        hood.Name = "Bonnet";
        state.partList.PartVisible[1] = 0;
        hood.Colour[0] = 1.0f;
        hood.Colour[1] = hood.Colour[2] = 0.0f;
        hood.EnvironmentMapped = 0;
        hood.TextureIndex = 2;
        state.SelectedPart = 2;
        state.view.RotationX = 33.0f;
        state.view.ZoomZ = -9.0f;
    }
    ReloadOutcome reopen() { return reopenModel(state, FrameControls{}, viewer.log); }
};

TEST(Setup, PartsAreMatchedByTheirSymbolNameElseByIndexWhenTheCountsAgree) {
    std::vector<PartSetup> captured(3);
    captured[0].SymbolName = "geo_r_0_FRNShape";
    captured[1].SymbolName = "geo_r_1_HODShape";
    captured[2].SymbolName = "geo_r_1_HODShape";  // a file may repeat a name
    PartList parts;
    parts.resize(3);
    parts.Parts[0].SymbolName = "geo_r_1_HODShape";
    parts.Parts[1].SymbolName = "geo_r_9_NEWShape";
    parts.Parts[2].SymbolName = "geo_r_1_HODShape";
    // The names first, in order; then the one left over by index.
    EXPECT_EQ(matchParts(captured, parts), (std::vector<int32_t>{1, -1, 2}));
    // With as many parts on both sides, an unmatched part takes its index's.
    for (GeometryPart& part : parts.Parts) part.SymbolName += "x";
    EXPECT_EQ(matchParts(captured, parts), (std::vector<int32_t>{0, 1, 2}));
    // With another count, only names match.
    captured.pop_back();
    EXPECT_EQ(matchParts(captured, parts), (std::vector<int32_t>{-1, -1, -1}));
    parts.Parts[2].SymbolName = "geo_r_0_FRNShape";
    EXPECT_EQ(matchParts(captured, parts), (std::vector<int32_t>{-1, -1, 0}));
    EXPECT_EQ(matchParts(captured, PartList{}), std::vector<int32_t>{});
}

TEST(Setup, ACapturedSetupAppliedToAFreshCopyOfTheModelGivesTheSameParts) {
    SetUpViewer set;
    const auto setup = captureSetup(set.state, FrameControls{false, true, 40});
    ASSERT_EQ(setup.Parts.size(), 3u);
    EXPECT_EQ(setup.SelectedPart, 2);
    EXPECT_FALSE(setup.Scene.Controls.Rotating);
    EXPECT_EQ(setup.Scene.Controls.DetailLevel, 40);

    LoadOutcome fresh;
    fixtures::openInto(fresh, set.folder.model());
    fresh.state.textureLibrary.resize(1);  // one texture fewer: the hood's is past the end
    applyParts(fresh.state, setup);
    applyScene(fresh.state.view, setup.Scene);
    EXPECT_EQ(captions(fresh.state), captions(set.state));
    const GeometryPart& hood = fresh.state.partList.Parts[1];
    EXPECT_EQ(hood.Name, "Bonnet");
    EXPECT_EQ(fresh.state.partList.PartVisible, (std::vector<uint8_t>{1, 0, 1}));
    EXPECT_EQ(hood.Colour[0], 1.0f);
    EXPECT_EQ(hood.EnvironmentMapped, 0);
    EXPECT_EQ(hood.TextureIndex, 0);
    EXPECT_EQ(fresh.state.SelectedPart, 2);
    EXPECT_EQ(fresh.state.view.RotationX, 33.0f);
    EXPECT_EQ(fresh.state.view.ZoomZ, -9.0f);
}

TEST(Reload, AModelRewrittenKeepsTheSetupOfItsPartsDropsTheGoneAndGivesTheNewTheirFileSettings) {
    SetUpViewer set;
    // The roof goes, two parts come; the hood moves to the front of the file.
    fixtures::writeFile(
        set.folder.model(),
        partsNamed({"geo_r_1_HODShape", "geo_r_0_FRNShape", "geo_r_2_TRKShape", "geo_r_3_EXTShape"}).build());
    const ReloadOutcome outcome = set.reopen();
    ASSERT_TRUE(outcome.Done) << outcome.Failure;
    // The settings file has a row fewer than the model: used, as it was at
    // the first open, without asking again.
    EXPECT_EQ(captions(set.state), (std::vector<std::u16string>{u"Bonnet", u"Front", u"Top", u"Part 3"}));
    EXPECT_EQ(set.state.partList.PartVisible, (std::vector<uint8_t>{0, 1, 1, 1}));
    EXPECT_EQ(set.state.partList.Parts[0].TextureIndex, 2);
    EXPECT_EQ(set.state.partList.Parts[0].Colour[0], 1.0f);
    // The new part comes as the file has it: the third settings row, untextured.
    EXPECT_EQ(set.state.partList.Parts[2].Transparent, 1);
    EXPECT_EQ(set.state.partList.Parts[2].TextureIndex, 0);
    EXPECT_EQ(set.state.SelectedPart, -1);  // the roof was selected
    EXPECT_EQ(set.state.view.RotationX, 33.0f);
    // Nothing was asked; the log shows the new load.
    EXPECT_TRUE(set.viewer.prompts.shown.empty());
    EXPECT_EQ(set.viewer.log.lines.front(), "Opening " + set.folder.model().string());
}

TEST(Reload, AModelThatDoesNotLoadNowLeavesEverythingAsItWas) {
    SetUpViewer set;
    const std::vector<std::string> log = set.viewer.log.lines;
    const auto before = captions(set.state);
    for (const std::size_t length : {std::size_t{0}, std::size_t{10}, std::size_t{200}}) {
        fixtures::Bytes bytes = partsNamed({"geo_r_0_FRNShape"}).build();
        bytes.resize(std::min(length, bytes.size()));
        fixtures::writeFile(set.folder.model(), bytes);
        const ReloadOutcome outcome = set.reopen();
        EXPECT_FALSE(outcome.Done);
        EXPECT_FALSE(outcome.Failure.empty());
        EXPECT_TRUE(set.state.ModelLoaded);
        EXPECT_EQ(captions(set.state), before);
        EXPECT_EQ(set.state.partList.Parts[1].TextureIndex, 2);
        EXPECT_EQ(set.viewer.log.lines, log);
    }
    std::filesystem::remove(set.folder.model());
    EXPECT_FALSE(set.reopen().Done);
}

TEST(Reload, TheSettingsFileReadAgainGivesNamesAndFlagsAndLeavesColoursAndTextures) {
    SetUpViewer set;
    ASSERT_EQ(set.state.SettingsPath, set.folder.modelFolder() / "geomdata.ini");
    fixtures::writeText(set.state.SettingsPath,
                        "[GEOMDATA]\nnumpart=3\n\n[ALPHA_TRANS_FRNShape]\n\n[ALPHA_OPAQUE_REARShape]\n\n[TOPShape]\n\n");
    ASSERT_TRUE(rereadSettings(set.state, set.viewer.log).Done);
    EXPECT_EQ(captions(set.state), (std::vector<std::u16string>{u"Front", u"Rear", u"Top"}));
    EXPECT_EQ(set.state.partList.Parts[0].Transparent, 1);
    EXPECT_EQ(set.state.partList.Parts[1].EnvironmentMapped, 1);
    EXPECT_EQ(set.state.partList.Parts[1].Colour[0], 1.0f);
    EXPECT_EQ(set.state.partList.Parts[1].TextureIndex, 2);

    // Half written: the rows read before stay, and so does the file in use.
    const GeomDataTable rows = set.state.geomData;
    for (const char* broken : {"[GEOM", "[GEOMDATA]\nnumpart=3\n\n[A]\nlodon=1x0\n"}) {
        fixtures::writeText(set.state.SettingsPath, broken);
        const ReloadOutcome outcome = rereadSettings(set.state, set.viewer.log);
        EXPECT_FALSE(outcome.Done);
        EXPECT_FALSE(outcome.Failure.empty());
        EXPECT_EQ(set.state.geomData.size(), rows.size());
        EXPECT_EQ(set.state.geomData[1].Name, rows[1].Name);
        EXPECT_EQ(set.state.SettingsPath, set.folder.modelFolder() / "geomdata.ini");
    }
}

}  // namespace
}  // namespace korvex
