// The user's set-up captured and put back, and the model's files read again
// after another program changed them: no window.

#include "setup/look_file.h"
#include "setup/reload.h"
#include "setup/setup.h"

#include "tests/support/test_model.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

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

TEST(Look, TheSampleCarWithEveryKindOfSettingIsWrittenAndReadBackFieldForField) {
    fixtures::TempDir dir;
    LoadOutcome viewer;
    fixtures::openInto(viewer, KORVEX_SAMPLE_CAR);
    ProgramState& state = viewer.state;
    ASSERT_TRUE(state.ModelLoaded);
    std::filesystem::create_directories(dir / "skins");
    for (const char* picture : {"skins/body.tga", "rims.jpg"}) fixtures::writeText(dir / picture, "");
    state.textureLibrary = {{"Body \u00e9t\u00e9", 7, dir / "skins/body.tga"}, {"Rims", 8, dir / "rims.jpg"},
                            {"Made here", 9, {}}};
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (std::size_t p = 0; p < state.partList.Parts.size(); ++p) {
        GeometryPart& part = state.partList.Parts[p];
        for (float& component : part.Colour) component = unit(random);
        part.Transparent = p % 2;
        part.EnvironmentMapped = p % 3 == 0;
        part.TextureIndex = static_cast<int32_t>(p % 4);
        state.partList.PartVisible[p] = p % 5 != 0;
        state.tree.PartNodes[p].Caption = u"Teil \u00fc " + std::u16string(1, static_cast<char16_t>(u'A' + p % 26));
    }
    state.view = {};
    state.view.RotationX = -12.25f;
    state.view.RotationY = 1234.5678f;
    state.view.ZoomZ = -7.125f;
    state.view.PanX = 0.1f;
    state.view.PanY = -0.3f;
    state.view.Centre[0] = 1e-7f;
    state.view.Centre[2] = -3.3f;
    state.view.Wireframe = true;
    state.view.BackgroundColour = 0x010203;
    state.view.BacklightColour = 0xFEFDFC;
    const FrameControls controls{false, false, 37};

    const Look written = lookOf(state, controls);
    const std::filesystem::path file = dir / "looks" / "sample.kvlook";
    std::filesystem::create_directories(file.parent_path());
    ASSERT_FALSE(writeLookFile(written, file));
    const LookReading reading = readLookFile(file);
    ASSERT_TRUE(reading.look) << reading.fault;
    const Look& read = *reading.look;
    EXPECT_EQ(std::filesystem::weakly_canonical(read.Model), std::filesystem::weakly_canonical(KORVEX_SAMPLE_CAR));
    ASSERT_EQ(read.Textures.size(), 3u);
    for (std::size_t t = 0; t < 3; ++t) {
        EXPECT_EQ(read.Textures[t].DisplayName, written.Textures[t].DisplayName);
        EXPECT_EQ(read.Textures[t].Picture, written.Textures[t].Picture);
    }
    ASSERT_EQ(read.setup.Parts.size(), state.partList.Parts.size());
    EXPECT_EQ(read.setup.Parts, written.setup.Parts);
    const SceneSetup& a = read.setup.Scene;
    const SceneSetup& b = written.setup.Scene;
    EXPECT_EQ(std::tie(a.RotationX, a.RotationY, a.ZoomZ, a.PanX, a.PanY, a.Wireframe, a.BackgroundColour,
                       a.BacklightColour, a.Controls.Rotating, a.Controls.UseLevelOfDetail, a.Controls.DetailLevel),
              std::tie(b.RotationX, b.RotationY, b.ZoomZ, b.PanX, b.PanY, b.Wireframe, b.BackgroundColour,
                       b.BacklightColour, b.Controls.Rotating, b.Controls.UseLevelOfDetail, b.Controls.DetailLevel));
    EXPECT_TRUE(std::equal(std::begin(a.Centre), std::end(a.Centre), std::begin(b.Centre)));

    // Written again over itself, the file is the same; a write that cannot
    // be made says why and leaves nothing behind.
    const std::string text = lookJson(written, file).toStdString();
    ASSERT_FALSE(writeLookFile(read, file));
    EXPECT_EQ(lookJson(*readLookFile(file).look, file).toStdString(), text);
    EXPECT_TRUE(writeLookFile(read, dir / "gone" / "sample.kvlook"));
    EXPECT_EQ(fixtures::filesIn(file.parent_path()), std::vector<std::string>{"sample.kvlook"});
}

}  // namespace
}  // namespace korvex
