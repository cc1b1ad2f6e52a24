#include "settings/open_command.h"

#include "model/model_commands.h"
#include "tests/support/test_model.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

using fixtures::Bytes;
using fixtures::CarFolder;
using fixtures::LoadOutcome;
using fixtures::ModelDescription;
using fixtures::partsNamed;


std::string lastLine(const LoadOutcome& viewer) {
    return viewer.log.lines.empty() ? "" : viewer.log.lines.back();
}

TEST(OpenModel, AFileThatIsNotAModelStillLooksForItsSettings) {
    CarFolder folder;
    const Bytes bytes(64, 'x');
    fixtures::writeFile(folder.model(), bytes);
    LoadOutcome viewer;
    viewer.state.geomData.resize(4);
    fixtures::openInto(viewer, folder.model());

    EXPECT_FALSE(viewer.escaped);
    EXPECT_EQ(viewer.log.lines,
              (std::vector<std::string>{"Opening " + folder.model().string(), "File has a size of: 64",
                                        "BAD FILE! No Identification found."}));
    EXPECT_FALSE(viewer.state.ModelLoaded);
    EXPECT_EQ(viewer.controls.closeEnabled, false);
    ASSERT_EQ(viewer.prompts.shown.size(), 2u);
    EXPECT_EQ(viewer.prompts.shown[0].caption, "Finding Geomdata.ini");
    EXPECT_EQ(viewer.prompts.shown[1].kind, ShownBox::Kind::FileRequest);
    EXPECT_TRUE(viewer.state.geomData.empty());  // defaults for no parts
    EXPECT_EQ(viewer.state.tree.RootNode.Caption, u"No File Loaded");

    // With a settings file the table is filled, but nothing is applied.
    fixtures::writeText(folder.modelFolder() / "geomdata.ini", "[GEOMDATA]\nnumpart=1\n\n[TOPShape]\n");
    fixtures::openInto(viewer, folder.model());
    ASSERT_EQ(viewer.state.geomData.size(), 1u);
    EXPECT_EQ(viewer.state.geomData[0].Name, "Top");
    EXPECT_EQ(lastLine(viewer), "numpart=1");
}

TEST(OpenModel, AFailureThatEscapesTheLoadSkipsEverythingAfterIt) {
    CarFolder folder;
    fixtures::writeFile(folder.model(), partsNamed({"geo_r_0_FRNShape", "geo_r_1_TOPShape"}).build());
    LoadOutcome viewer;
    fixtures::openInto(viewer, folder.model());
    ASSERT_TRUE(viewer.state.ModelLoaded);
    EXPECT_EQ(viewer.controls.closeEnabled, true);
    EXPECT_EQ(viewer.state.partList.Parts[1].Name, "Part 1");

    for (const auto& bad : {folder.modelFolder() / "missing.o", folder.modelFolder() / "bad-name.o"}) {
        fixtures::writeFile(folder.modelFolder() / "bad-name.o", partsNamed({"geo_r_x_FRNShape"}).build());
        viewer.controls.closeEnabled.reset();
        viewer.prompts.shown.clear();
        viewer.escaped.reset();
        fixtures::openInto(viewer, bad);
        ASSERT_TRUE(viewer.escaped) << bad;
        EXPECT_FALSE(viewer.controls.closeEnabled) << "the close controls keep their state";
        EXPECT_TRUE(viewer.prompts.shown.empty()) << "no settings file is looked for";
        EXPECT_EQ(viewer.state.geomData.size(), 2u);
    }
    EXPECT_EQ(*viewer.escaped, "'x' is not a valid integer value");
    EXPECT_FALSE(viewer.state.ModelLoaded);
    EXPECT_TRUE(viewer.state.tree.PartNodes.empty());
}

TEST(CloseModel, EmptiesTheModelOnceAndKeepsTheSettingsAndTheLog) {
    CarFolder folder;
    fixtures::writeFile(folder.model(), partsNamed({"geo_r_0_a", "geo_r_1_b", "geo_r_2_c"}).build());
    LoadOutcome viewer;
    fixtures::openInto(viewer, folder.model());
    ASSERT_TRUE(viewer.state.ModelLoaded);
    viewer.state.SelectedPart = 2;
    const auto logBefore = viewer.log.lines;

    EXPECT_TRUE(CloseModel(viewer.state, viewer.log, viewer.controls));
    EXPECT_FALSE(CloseModel(viewer.state, viewer.log, viewer.controls));

    auto expectedLog = logBefore;
    expectedLog.push_back("Data unloaded.");
    EXPECT_EQ(viewer.log.lines, expectedLog);
    EXPECT_EQ(viewer.controls.closeEnabled, false);
    EXPECT_EQ(viewer.controls.partOptionsDisabled, 1);
    const ProgramState& state = viewer.state;
    EXPECT_FALSE(state.ModelLoaded);
    EXPECT_EQ(state.SelectedPart, -1);
    EXPECT_TRUE(state.partList.Parts.empty() && state.partList.PartVertices.empty() &&
                state.partList.PartIndices.empty() && state.partList.PartVisible.empty());
    EXPECT_EQ(state.partList.PartCount, 3);
    EXPECT_EQ(state.geomData.size(), 3u);
    EXPECT_EQ(state.tree.RootNode.Caption, u"No File Loaded");
    EXPECT_EQ(state.tree.RootNode.ImageIndex, NoFileNodeImage);
    EXPECT_EQ(state.tree.RootNode.PartIndex, -1);
    EXPECT_FALSE(state.tree.RootExpanded);
    EXPECT_TRUE(state.tree.PartNodes.empty());
}

TEST(OpenCommands, ToolButtonOpensOverTheLoadedModelReusingItsRecordsByIndex) {
    CarFolder folder;
    fixtures::writeFile(folder.model(), partsNamed({"geo_r_0_a", "geo_r_1_b", "geo_r_2_c"}).build());
    const auto second = folder.modelFolder() / "second.o";
    fixtures::writeFile(second, partsNamed({"geo_r_0_d", "geo_r_1_e"}).build());
    LoadOutcome viewer;
    // Each open also asks for the settings file, which is cancelled.
    viewer.prompts.fileAnswers = {folder.model(), std::nullopt, second, std::nullopt};
    ASSERT_TRUE(chooseAndOpenModel(viewer.state, viewer.io(), viewer.controls));
    EXPECT_EQ(viewer.prompts.shown[0].kind, ShownBox::Kind::FileRequest);
    EXPECT_EQ(viewer.prompts.shown[0].text, "O files (*.o)|*.o|All Files (*.*)|*.*");
    viewer.state.partList.Parts[1].TextureIndex = 4;
    viewer.state.partList.Parts[2].TextureIndex = 5;
    viewer.state.SelectedPart = 1;

    ASSERT_TRUE(chooseAndOpenModel(viewer.state, viewer.io(), viewer.controls));
    const ProgramState& state = viewer.state;
    EXPECT_EQ(lastLine(viewer), "Loaded 2 parts successfully.");
    ASSERT_EQ(state.partList.Parts.size(), 2u);
    EXPECT_EQ(state.partList.Parts[1].TextureIndex, 4);
    EXPECT_EQ(state.partList.Parts[1].Name, "Part 1");
    EXPECT_EQ(state.tree.RootNode.Caption, u"second.o");
    EXPECT_EQ(state.tree.PartNodes.size(), 2u);
    EXPECT_EQ(state.SelectedPart, -1);
    EXPECT_EQ(state.geomData.size(), 2u);
    EXPECT_FALSE(chooseAndOpenModel(viewer.state, viewer.io(), viewer.controls));  // cancelled
    EXPECT_TRUE(state.ModelLoaded);
}

TEST(OpenCommands, MenuOpenClosesFirstEvenWhenTheDialogIsCancelled) {
    CarFolder folder;
    fixtures::writeFile(folder.model(), partsNamed({"geo_r_0_a"}).build());
    LoadOutcome viewer;
    EXPECT_FALSE(closeThenChooseAndOpenModel(viewer.state, viewer.io(), viewer.controls));
    EXPECT_TRUE(viewer.log.lines.empty());
    EXPECT_FALSE(viewer.controls.closeEnabled);

    viewer.prompts.fileAnswers = {folder.model(), std::nullopt};
    ASSERT_TRUE(closeThenChooseAndOpenModel(viewer.state, viewer.io(), viewer.controls));
    ASSERT_TRUE(viewer.state.ModelLoaded);
    EXPECT_FALSE(closeThenChooseAndOpenModel(viewer.state, viewer.io(), viewer.controls));
    EXPECT_FALSE(viewer.state.ModelLoaded);
    EXPECT_EQ(lastLine(viewer), "Data unloaded.");
    EXPECT_EQ(viewer.controls.closeEnabled, false);
    EXPECT_TRUE(viewer.state.partList.Parts.empty());
}

}  // namespace
}  // namespace korvex
