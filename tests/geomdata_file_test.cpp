#include "settings/geomdata_file.h"

#include "model/load_error.h"
#include "settings/text_line_reader.h"
#include "tests/support/test_model.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

using fixtures::CarFolder;
using fixtures::LoadOutcome;
using fixtures::ModelDescription;

constexpr const char* FindingText =
    "Cannot find geomdata.ini.\r\rWhile this file is not essential, it provides some enhanced features.\r"
    "The program will now request that you find the file. If you do not want to use it, press cancel.";
constexpr const char* FewerRowsText =
    "Error!\r\rThis geomdata.ini file has less parts than the model you are viewing.\r\r"
    "Do you still want to use this geomdata.ini?";

// A model with one part per settings row given, loaded from folder.model().
std::unique_ptr<LoadOutcome> loadedModel(const CarFolder& folder, const std::vector<std::string>& rows) {
    ModelDescription model;
    for (std::size_t i = 0; i < rows.size(); ++i)
        model.parts.push_back({"geo_r_" + rows[i] + "_P" + std::to_string(i), fixtures::quadBlock()});
    fixtures::writeFile(folder.model(), model.build());
    auto outcome = std::make_unique<LoadOutcome>();
    fixtures::loadInto(*outcome, folder.model());
    EXPECT_TRUE(outcome->state.ModelLoaded);
    outcome->log.lines.clear();
    return outcome;
}

std::unique_ptr<LoadOutcome> loadedModel(const CarFolder& folder, int partCount) {
    std::vector<std::string> rows;
    for (int i = 0; i < partCount; ++i) rows.push_back(std::to_string(i));
    return loadedModel(folder, rows);
}

bool loadSettings(LoadOutcome& viewer, const CarFolder& folder) {
    return LoadGeomData(viewer.state, folder.model(), viewer.io());
}

struct Row {
    std::string name;
    int32_t lodOn = 0, lodOff = 0;
    bool transparent = false, environmentMapped = false;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << '{' << row.name << ' ' << row.lodOn << ' ' << row.lodOff << ' ' << row.transparent << ' '
               << row.environmentMapped << '}';
}

std::vector<Row> rowsOf(const GeomDataTable& table) {
    std::vector<Row> rows;
    for (const GeomDataEntry& e : table)
        rows.push_back({e.Name, e.LodOn, e.LodOff, e.Transparent != 0, e.EnvironmentMapped != 0});
    return rows;
}

TEST(GeomDataHeader, DecodesFlagsMaterialsPrefixesAndReadableNames) {
    struct Case {
        std::string header;
        bool transparentBefore, environmentBefore;
        Row expected;  // lodOn and lodOff stay 0
    };
    const std::vector<Case> cases = {
        {"ALPHA_TRANS_RUBBER_WFLShape~EASVehicleRubber", false, true, {"Wheel (Front Left)", 0, 0, true, false}},
        {"ALPHA_OPAQUE_HOODShape", true, false, {"Hood", 0, 0, false, true}},
        {"ALPHA_ADD_WINShape", false, false, {"Window (Front)", 0, 0, true, true}},
        {"ALPHA_GLOSS_TOPShape", true, false, {"Top", 0, 0, true, false}},
        {"BRAKE_RFShape", true, true, {"Brake Part", 0, 0, true, true}},
        {"TOPShape~EASVehicleGeneric", true, true, {"Top", 0, 0, true, false}},
        {"TOPShape~EASVehicleChrome", false, true, {"Top", 0, 0, false, true}},
        {"a~b~EASVehicleRubber", false, true, {"a", 0, 0, false, true}},
        {"ALPHA_TRANS_X~EASVehicleRubber", false, false, {"X", 0, 0, true, false}},
        // Six characters go wherever the prefix stands; here that leaves no word.
        {"XALPHA_TRANS_TOPShape", false, false, {"Top", 0, 0, false, false}},
        // No "_" after the prefix: the whole rest is the word and the text stays.
        {"ALPHA_TRANS", false, false, {"TRANS", 0, 0, true, true}},
        {"RUBBER", false, false, {"", 0, 0, false, false}},
        {"SPOILER", false, false, {"SPOILER", 0, 0, false, false}},
        {"", true, true, {"", 0, 0, true, true}},
        {std::string(300, 'n'), false, false, {std::string(255, 'n'), 0, 0, false, false}},
    };
    for (const Case& c : cases) {
        GeomDataTable table(2);
        table[1].Transparent = c.transparentBefore;
        table[1].EnvironmentMapped = c.environmentBefore;
        ApplyGeomDataHeader(table, c.header, 1);
        EXPECT_EQ(rowsOf(table)[1], c.expected) << c.header;
        EXPECT_EQ(rowsOf(table)[0], (Row{"", 0, 0, false, false})) << c.header;
    }

    GeomDataTable table(1);
    ApplyGeomDataHeader(table, "TOPShape", 1);
    ApplyGeomDataHeader(table, "TOPShape", -1);
    EXPECT_EQ(rowsOf(table), (std::vector<Row>{{"", 0, 0, false, false}}));
}

// Files for a model of three parts (rows 0 to 2). The table is set to known
// rows first; a row the file gives nothing (no header, lodon or lodoff)
// becomes the default row of its number, its flags as they were.
TEST(GeomDataFile, ReadsBlocksByTheirRules) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<Row> expected;
        bool asksAboutFewerRows = false;
    };
    const Row old{"old", 7, 3, false, true};
    const Row default1{"Part 1", 100, 50, false, true}, default2{"Part 2", 100, 10, false, true};
    const std::string blocks = "[TOPShape]\nlodon=95\nlodoff=10\n\n[HOODShape]\nlodon=1000\nlodoff=0\n\n[TRNShape]\n";
    const std::vector<Row> fromBlocks = {
        {"Top", 95, 10, false, true}, {"Hood", 100, 0, false, true}, {"Trunk", 7, 3, false, true}};
    auto replaceAll = [](std::string text, const std::string& lineEnd) {
        std::string out;
        for (char c : text) out += c == '\n' ? lineEnd : std::string(1, c);
        return out;
    };
    const std::vector<Case> cases = {
        {"lf", "[GEOMDATA]\nnumpart=3\n\n" + blocks, fromBlocks},
        {"crlf", replaceAll("[GEOMDATA]\nnumpart=3\n\n" + blocks, "\r\n"), fromBlocks},
        {"lone cr", replaceAll("[GEOMDATA]\nnumpart=3\n\n" + blocks, "\r"), fromBlocks},
        {"lower-case first line and a byte-order mark", "\xEF\xBB\xBF[geomdata]\nnumpart=3\n\n" + blocks, fromBlocks},
        {"count read from characters 9 to 11", "[GEOMDATA]\nnumpart=0030\n\n" + blocks, fromBlocks},
        {"two blank lines skip a row",
         "[GEOMDATA]\nnumpart=3\nx\n[TOPShape]\n\n\n[HOODShape]\nlodoff=4\n",
         {{"Top", 7, 3, false, true}, default1, {"Hood", 7, 4, false, true}}},
        {"spaces and control characters make a blank line",
         "[GEOMDATA]\nnumpart=3\n\n[TOPShape]\n \t\x01\n[HOODShape]\n",
         {{"Top", 7, 3, false, true}, {"Hood", 7, 3, false, true}, default2}},
        {"a missing blank line joins two blocks",
         "[GEOMDATA]\nnumpart=3\n\n[ALPHA_TRANS_TOPShape]\nlodon=50\n[HOODShape]\nlodoff=20\n",
         {{"Hood", 50, 20, true, true}, default1, default2}},
        {"the file stops early",
         "[GEOMDATA]\nnumpart=3\n\n[TOPShape]",
         {{"Top", 7, 3, false, true}, default1, default2}},
        // Fewer rows than parts: the question is answered Yes, the table
        // cut to the count and lengthened again with default rows.
        {"lines past the count are not read",
         "[GEOMDATA]\nnumpart=1\n\n[TOPShape]\n\n[HOODShape]\nlodon=bad\n",
         {{"Top", 7, 3, false, true}, {"Part 1", 100, 50, false, false}, {"Part 2", 100, 10, false, false}},
         true},
        {"count of 0",
         "[GEOMDATA]\nnumpart=0\n\n[TOPShape]\nlodon=bad\n",
         {{"Part 0", 100, 90, false, false}, {"Part 1", 100, 50, false, false}, {"Part 2", 100, 10, false, false}},
         true},
        {"unknown keys and lines are ignored",
         "[GEOMDATA]\nnumpart=3\n\nLODON=5\nname=x\n[TOPShape\nlodoff=9\n",
         {{"TOPShap", 7, 9, false, true}, default1, default2}},
        {"a lone bracket is an empty header",
         "[GEOMDATA]\nnumpart=3\n\n[\n",
         {{"", 7, 3, false, true}, default1, default2}},
        {"negative values are kept",
         "[GEOMDATA]\nnumpart=3\n\nlodon=-5\nlodoff=-12\n",
         {{old.name, -5, -12, false, true}, default1, default2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CarFolder folder;
        auto viewer = loadedModel(folder, 3);
        viewer->state.geomData.assign(3, GeomDataEntry{"old", 7, 3, 0, 1});
        fixtures::writeText(folder.modelFolder() / "geomdata.ini", c.text);
        ASSERT_TRUE(loadSettings(*viewer, folder));
        auto rows = rowsOf(viewer->state.geomData);
        rows.resize(3);
        EXPECT_EQ(rows, c.expected);
        EXPECT_EQ(viewer->prompts.shown.size(), c.asksAboutFewerRows ? 1u : 0u);
    }
}

TEST(TextLineReader, KeepsALinesFirstBytesAndJudgesTheWholeLine) {
    // Blanks, a word across the reader's 4096-byte pieces far past what is
    // kept, and a letter at the very end; then a short line after a CR LF.
    std::string text = std::string(4093, ' ') + "lodoff" + std::string(5000, ' ') + "x\r\nlodon\r";
    TextLineReader reader(ModelStream::fromBytes(std::vector<uint8_t>(text.begin(), text.end())));
    constexpr std::string_view words[] = {"lodon", "lodoff"};
    const TextLine first = reader.readLine(8, words);
    EXPECT_EQ(first.text, std::string(8, ' '));
    EXPECT_TRUE(first.cut);
    EXPECT_FALSE(first.blank) << "the x at the end counts";
    EXPECT_FALSE(first.has(0));
    EXPECT_TRUE(first.has(1));
    const TextLine second = reader.readLine(8, words);
    EXPECT_EQ(second.text, "lodon");
    EXPECT_FALSE(second.cut);
    EXPECT_TRUE(second.has(0));
    EXPECT_FALSE(second.has(1));
    EXPECT_TRUE(reader.atEnd());
    const TextLine past = reader.readLine(8, words);
    EXPECT_TRUE(past.blank);
    EXPECT_EQ(past.text, "");
}

TEST(GeomDataFile, LogsThePathAndTheCountLineThenAppliesTheRows) {
    CarFolder folder;
    auto viewer = loadedModel(folder, 2);
    const auto path = folder.modelFolder() / "geomdata.ini";
    fixtures::writeText(path, "[GEOMDATA]\r\nNumPart=004\r\n\r\n[ALPHA_OPAQUE_FRNShape]\r\n\r\n[WINShape]\r\n");
    ASSERT_TRUE(loadSettings(*viewer, folder));
    EXPECT_EQ(viewer->log.lines,
              (std::vector<std::string>{"", "LOADING Geomdata.ini...", path.string(), "NumPart=004"}));
    EXPECT_EQ(viewer->state.geomData.size(), 4u);
    EXPECT_EQ(viewer->state.partList.Parts[0].Name, "Front");
    EXPECT_TRUE(viewer->state.partList.Parts[0].EnvironmentMapped);
    EXPECT_EQ(viewer->state.tree.PartNodes[1].Caption, u"Window (Front)");
}

TEST(GeomDataFile, FolderAboveTheModelWinsThenTheModelsOwnThenTheUserIsAsked) {
    CarFolder folder;
    auto viewer = loadedModel(folder, 1);
    const std::string file = "[GEOMDATA]\nnumpart=1\n\n";
    fixtures::writeText(folder.modelFolder() / "geomdata.ini", file + "[TOPShape]\n");
    std::filesystem::create_directory(folder.cars() / "geomdata.ini");  // a folder is not the file
    ASSERT_TRUE(loadSettings(*viewer, folder));
    EXPECT_EQ(viewer->state.partList.Parts[0].Name, "Top");

    std::filesystem::remove(folder.cars() / "geomdata.ini");
    fixtures::writeText(folder.cars() / "geomdata.ini", file + "[HOODShape]\n");
    ASSERT_TRUE(loadSettings(*viewer, folder));
    EXPECT_EQ(viewer->state.partList.Parts[0].Name, "Hood");
    EXPECT_EQ(viewer->log.lines.back(), "numpart=1");
    EXPECT_EQ(viewer->log.lines[viewer->log.lines.size() - 2], (folder.modelFolder() / ".." / "geomdata.ini").string());
    EXPECT_TRUE(viewer->prompts.shown.empty());

    std::filesystem::remove(folder.cars() / "geomdata.ini");
    std::filesystem::remove(folder.modelFolder() / "geomdata.ini");
    viewer->log.lines.clear();
    EXPECT_FALSE(loadSettings(*viewer, folder));  // the request is cancelled
    ASSERT_EQ(viewer->prompts.shown.size(), 2u);
    EXPECT_EQ(viewer->prompts.shown[0].kind, ShownBox::Kind::Message);
    EXPECT_EQ(viewer->prompts.shown[0].caption, "Finding Geomdata.ini");
    EXPECT_EQ(viewer->prompts.shown[0].text, FindingText);
    EXPECT_EQ(viewer->prompts.shown[0].icon, BoxIcon::Information);
    EXPECT_EQ(viewer->prompts.shown[1].kind, ShownBox::Kind::FileRequest);
    EXPECT_EQ(viewer->prompts.shown[1].text, "Geomdata.ini|geomdata.ini");
    EXPECT_TRUE(viewer->log.lines.empty());

    const auto chosen = folder.cars() / "elsewhere.ini";
    fixtures::writeText(chosen, file + "[INTShape]\n");
    viewer->prompts.fileAnswers.push_back(chosen);
    ASSERT_TRUE(loadSettings(*viewer, folder));
    EXPECT_EQ(viewer->state.partList.Parts[0].Name, "Interior");
    EXPECT_EQ(viewer->log.lines[2], chosen.string());
}

TEST(GeomDataFile, WrongFirstLineAndFewerRowsAreAnsweredInBoxes) {
    CarFolder folder;
    auto viewer = loadedModel(folder, 3);
    const auto path = folder.modelFolder() / "geomdata.ini";
    for (const char* first : {"GEOMDATA", "[GEOMDATA] ", "", "[GEOMDATA]x"}) {
        viewer->prompts.shown.clear();
        fixtures::writeText(path, std::string(first) + "\nnumpart=3\n\n[TOPShape]\n");
        EXPECT_FALSE(loadSettings(*viewer, folder)) << first;
        ASSERT_EQ(viewer->prompts.shown.size(), 1u);
        EXPECT_EQ(viewer->prompts.shown[0].caption, "Error");
        EXPECT_EQ(viewer->prompts.shown[0].text, "File is not valid.");
        EXPECT_EQ(viewer->prompts.shown[0].icon, BoxIcon::Error);
    }
    EXPECT_EQ(viewer->log.lines.size(), 12u);  // an empty line, "LOADING Geomdata.ini...", the path
    EXPECT_TRUE(viewer->state.geomData.empty());

    fixtures::writeText(path, "[GEOMDATA]\nnumpart=2\n\n[TOPShape]\n");
    viewer->prompts.shown.clear();
    viewer->prompts.yesNoAnswers = {false, true};
    EXPECT_FALSE(loadSettings(*viewer, folder));
    EXPECT_EQ(viewer->state.geomData.size(), 2u);
    EXPECT_EQ(viewer->state.geomData[0].Name, "");
    EXPECT_EQ(viewer->state.partList.Parts[0].Name, "0");

    ASSERT_TRUE(loadSettings(*viewer, folder));
    EXPECT_EQ(rowsOf(viewer->state.geomData),
              (std::vector<Row>{
                  {"Top", 0, 0, false, false}, {"Part 1", 100, 50, false, false}, {"Part 2", 100, 10, false, false}}));
    ASSERT_EQ(viewer->prompts.shown.size(), 2u);
    for (const ShownBox& box : viewer->prompts.shown) {
        EXPECT_EQ(box.kind, ShownBox::Kind::Question);
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.text, FewerRowsText);
        EXPECT_EQ(box.icon, BoxIcon::Error);
    }

    // More rows than parts, and a count below zero, which reads as none.
    fixtures::writeText(path, "[GEOMDATA]\nnumpart=5\n\n");
    viewer->prompts.shown.clear();
    EXPECT_TRUE(loadSettings(*viewer, folder));
    EXPECT_TRUE(viewer->prompts.shown.empty());
    EXPECT_EQ(viewer->state.geomData.size(), 5u);
    fixtures::writeText(path, "[GEOMDATA]\nnumpart=-9\n\nlodon=bad\n");
    viewer->prompts.yesNoAnswers = {false};
    EXPECT_FALSE(loadSettings(*viewer, folder));
    EXPECT_TRUE(viewer->state.geomData.empty());
    EXPECT_EQ(viewer->prompts.shown.size(), 1u);
}

TEST(GeomDataFile, BadNumbersAndUnreadableFilesEscapeKeepingRowsAlreadyRead) {
    struct Case {
        std::string text;
        std::string message;
        std::size_t rowsRead;  // rows whose names were set before the failure
    };
    const std::vector<Case> cases = {
        {"[GEOMDATA]\nnumpart=ab\n", "'ab' is not a valid integer value", 0},
        {"[GEOMDATA]\nnumpart\n", "'' is not a valid integer value", 0},
        {"[GEOMDATA]\nnumpart=2\n\n[TOPShape]\n\n[HOODShape]\nlodon = 95\n", "'= 9' is not a valid integer value", 2},
        {"[GEOMDATA]\nnumpart=2\n\n[TOPShape]\nlodoff=\n", "'' is not a valid integer value", 1},
        {"[GEOMDATA]\nnumpart=2\n\n[TOPShape]\nlodoff=1x\n", "'1x' is not a valid integer value", 1},
    };
    for (const Case& c : cases) {
        CarFolder folder;
        auto viewer = loadedModel(folder, 2);
        fixtures::writeText(folder.modelFolder() / "geomdata.ini", c.text);
        try {
            loadSettings(*viewer, folder);
            ADD_FAILURE() << "no failure for " << c.text;
        } catch (const LoadError& failure) {
            EXPECT_EQ(std::string(failure.what()), c.message);
        }
        for (std::size_t i = 0; i < viewer->state.geomData.size(); ++i)
            EXPECT_EQ(!viewer->state.geomData[i].Name.empty(), i < c.rowsRead) << c.text << " row " << i;
        EXPECT_EQ(viewer->state.partList.Parts[0].Name, "0");  // nothing was applied
    }

    CarFolder folder;
    auto viewer = loadedModel(folder, 1);
    const auto gone = folder.cars() / "gone.ini";
    viewer->prompts.fileAnswers.push_back(gone);
    EXPECT_THROW(
        {
            try {
                loadSettings(*viewer, folder);
            } catch (const LoadError& failure) {
                EXPECT_EQ(std::string(failure.what()),
                          "Cannot open file \"" + gone.string() + "\". No such file or directory");
                throw;
            }
        },
        LoadError);
}

TEST(DefaultGeomData, SpreadsTheLevelsFrom90To10WithHalvesToEven) {
    const std::vector<std::pair<std::size_t, std::vector<int32_t>>> cases = {
        {0, {}},
        {1, {90}},
        {2, {90, 10}},
        {3, {90, 50, 10}},
        {5, {90, 70, 50, 30, 10}},
        // 80 / 32 is 2.5 and 3 * 80 / 32 is 7.5: they round to 2 and 8.
        {33, {90, 88, 85, 82}},
    };
    for (const auto& [parts, levels] : cases) {
        ProgramState state;
        state.partList.resize(parts);
        state.geomData.assign(2, GeomDataEntry{"kept flags", 1, 2, 1, 1});
        FillDefaultGeomData(state);
        ASSERT_EQ(state.geomData.size(), parts);
        for (std::size_t i = 0; i < levels.size(); ++i) {
            EXPECT_EQ(state.geomData[i].LodOff, levels[i]) << parts << " parts, row " << i;
            EXPECT_EQ(state.geomData[i].LodOn, 100);
            EXPECT_EQ(state.geomData[i].Name, "Part " + std::to_string(i));
            EXPECT_EQ(state.geomData[i].Transparent, i < 2 ? 1 : 0);
        }
        if (parts > 1) {
            EXPECT_EQ(state.geomData.back().LodOff, 10);
        }
    }
}

TEST(DefaultGeomData, LevelOfDetailAt50DrawsTheLastThreeOfFiveParts) {
    CarFolder folder;
    auto viewer = loadedModel(folder, {"0", "1", "2", "3", "4", "9", "-1"});
    viewer->state.partList.Parts.resize(5);  // rows 9 and -1 have no entry
    FillDefaultGeomData(viewer->state);
    viewer->state.partList.Parts.resize(7);
    viewer->state.partList.Parts[5].SettingsRow = 9;
    viewer->state.partList.Parts[6].SettingsRow = -1;
    std::vector<bool> drawn;
    for (int32_t i = 0; i < 8; ++i) drawn.push_back(passesLevelOfDetail(viewer->state, i, 50));
    EXPECT_EQ(drawn, (std::vector<bool>{false, false, true, true, true, true, true, true}));
    EXPECT_TRUE(passesLevelOfDetail(viewer->state, 0, 90));
    EXPECT_TRUE(passesLevelOfDetail(viewer->state, 0, 100));
    EXPECT_FALSE(passesLevelOfDetail(viewer->state, 4, 9));
}

TEST(ResetToFileSettings, UndoesRenamesAndFlagsButNotColoursTexturesOrPartsWithoutARow) {
    CarFolder folder;
    auto viewer = loadedModel(folder, {"0", "1", "5", "-2"});
    ProgramState& state = viewer->state;
    state.geomData = {{"Front", 100, 0, 1, 0}, {std::string(255, 'w'), 100, 0, 0, 1}};
    restoreFileSettings(state);

    GeometryPart& front = state.partList.Parts[0];
    front.Name = "My bonnet";
    state.tree.PartNodes[0].Caption = u"My bonnet";
    front.Transparent = 0;
    front.EnvironmentMapped = 1;
    front.Colour[0] = 0.25f;
    front.TextureIndex = 3;
    state.partList.Parts[2].Transparent = 1;
    restoreFileSettings(state);

    EXPECT_EQ(front.Name, "Front");
    EXPECT_EQ(state.tree.PartNodes[0].Caption, u"Front");
    EXPECT_EQ(front.Transparent, 1);
    EXPECT_EQ(front.EnvironmentMapped, 0);
    EXPECT_EQ(front.Colour[0], 0.25f);
    EXPECT_EQ(front.TextureIndex, 3);
    EXPECT_EQ(state.tree.PartNodes[1].Caption, std::u16string(255, u'w'));
    for (std::size_t i : {2u, 3u}) {
        EXPECT_EQ(state.partList.Parts[i].Name, i == 2 ? "5" : "-2");
        EXPECT_EQ(state.tree.PartNodes[i].Caption, i == 2 ? u"5" : u"-2");
    }
    EXPECT_EQ(state.partList.Parts[2].Transparent, 1);

    state.ModelLoaded = false;
    front.Name = "renamed";
    restoreFileSettings(state);
    EXPECT_EQ(front.Name, "renamed");
}

TEST(ResetToFileSettings, ShowsSingleByteNamesAsLatin1) {
    CarFolder folder;
    auto viewer = loadedModel(folder, 1);
    fixtures::writeText(folder.modelFolder() / "geomdata.ini", "[GEOMDATA]\nnumpart=1\n\n[Capot \xE9tendu\xFF]\n");
    ASSERT_TRUE(loadSettings(*viewer, folder));
    EXPECT_EQ(viewer->state.partList.Parts[0].Name, "Capot \xE9tendu\xFF");
    EXPECT_EQ(viewer->state.tree.PartNodes[0].Caption, u"Capot \u00E9tendu\u00FF");
}

}  // namespace
}  // namespace korvex
