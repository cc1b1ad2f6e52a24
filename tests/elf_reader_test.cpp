#include "model/elf_reader.h"
#include "tests/support/test_model.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>

namespace korvex {
namespace {

using fixtures::Bytes;
using fixtures::ElfImage;
using fixtures::ModelDescription;
using fixtures::quadBlock;
using Lines = std::vector<std::string>;

ModelDescription twoQuads(const std::string& first = "geo_r_0_FRNShape",
                          const std::string& second = "geo_r_1_WINShape") {
    ModelDescription model;
    model.parts.push_back({first, quadBlock()});
    model.parts.push_back({second, quadBlock()});
    return model;
}

Lines openingLines(const fixtures::TempDir& dir, const Bytes& bytes) {
    return {"Opening " + (dir / "car.o").string(), "File has a size of: " + std::to_string(bytes.size())};
}

Lines concat(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Lines HeadersRead = {"Identification Found.", "", "LOADING Section Headers..."};
const Lines TablesRead = concat(HeadersRead, {"LOADING String Tables", "LOADING Symbol Table", ""});

TEST(LoadModel, GoodModelLogsEveryStageAndBuildsTheTree) {
    fixtures::TempDir dir;
    const Bytes bytes = twoQuads().build();
    auto loaded = fixtures::loadBytes(dir, bytes);

    EXPECT_EQ(loaded.log.lines, concat(openingLines(dir, bytes), concat(TablesRead, {"Loading Model Geometry.",
                                                                                     "Loaded 2 parts successfully."})));
    EXPECT_FALSE(loaded.escaped);
    EXPECT_TRUE(loaded.prompts.shown.empty());
    ASSERT_TRUE(loaded.state.ModelLoaded);

    const PartList& list = loaded.state.partList;
    EXPECT_EQ(list.PartCount, 2);
    ASSERT_EQ(list.Parts.size(), 2u);
    EXPECT_EQ(list.PartVisible, (std::vector<uint8_t>{1, 1}));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(list.Parts[i].Name, std::to_string(i));
        EXPECT_EQ(list.Parts[i].SettingsRow, i);
        EXPECT_FLOAT_EQ(list.Parts[i].Colour[1], 0.7f);
        EXPECT_EQ(list.PartVertices[i].size(), 4u);
        EXPECT_EQ(list.PartIndices[i], (TriArray{0, 1, 2, 3}));
    }

    const PartTree& tree = loaded.state.tree;
    EXPECT_EQ(tree.RootNode.Caption, u"car.o");
    EXPECT_EQ(tree.RootNode.ImageIndex, FileNodeImage);
    EXPECT_EQ(tree.RootNode.PartIndex, -1);
    EXPECT_TRUE(tree.RootExpanded);
    ASSERT_EQ(tree.PartNodes.size(), 2u);
    EXPECT_EQ(tree.PartNodes[1].Caption, u"1");
    EXPECT_EQ(tree.PartNodes[1].ImageIndex, PartNodeImage);
    EXPECT_EQ(tree.PartNodes[1].LastVertexIndex, 3);
    EXPECT_EQ(tree.PartNodes[1].PartIndex, 1);
    EXPECT_EQ(visibleFlag(loaded.state.partList, tree.PartNodes[1]), &loaded.state.partList.PartVisible[1]);
    EXPECT_EQ(visibleFlag(loaded.state.partList, tree.RootNode), nullptr);
}

// Each case damages one thing of a good two-part model; the log after the size line tells the stage that stopped.
struct FailureCase {
    const char* name;
    std::function<Bytes()> build;
    Lines logAfterSize;
};

ElfImage goodElf() {
    return twoQuads().toElf();
}

const FailureCase FailureCases[] = {
    {"NotElf", [] { return Bytes(64, 'x'); }, {"BAD FILE! No Identification found."}},
    {"SixtyFourBitHeaderSize",
     [] {
         auto elf = goodElf();
         elf.sectionHeaderEntrySize = 64;
         return elf.build();
     },
     {"Identification Found.", "Section Header Size Mismatch."}},
    {"SectionHeadersPastTheEnd",
     [] {
         auto elf = goodElf();
         elf.sectionHeaderCount = 6;  // one more than the file holds
         return elf.build();
     },
     concat(HeadersRead, {"ERROR! while loading Section Headers.", "Message: \"Stream read error\""})},
    {"SectionHeaderOffsetFarAway",
     [] {
         auto elf = goodElf();
         elf.sectionHeaderOffset = 0xFFFFFFF0u;
         elf.omitSectionHeaderTable = true;
         return elf.build();
     },
     concat(HeadersRead, {"ERROR! while loading Section Headers.", "Message: \"Stream read error\""})},
    {"StringTableNotStartingWithNul",
     [] {
         auto elf = goodElf();
         elf.sections[2].contents[0] = 'g';
         return elf.build();
     },
     concat(HeadersRead, {"LOADING String Tables", "ERROR! while loading string table number 1",
                          "Message: \"First Character of string table not #0 in string table number 1\""})},
    {"StringTablePastTheEnd",
     [] {
         auto elf = goodElf();
         elf.sections[1].size = 0x7FFFFFFFu;
         return elf.build();
     },
     concat(HeadersRead,
            {"LOADING String Tables", "ERROR! while loading string table number 0", "Message: \"Stream read error\""})},
    {"SymbolTablePastTheEnd",
     [] {
         auto elf = goodElf();
         elf.sections[3].size = 0xFFFFFFF0u;
         return elf.build();
     },
     concat(TablesRead, {"ERROR! while loading symbol table.", "Message: \"Stream read error\""})},
    {"NoProgBits",
     [] {
         auto elf = goodElf();
         elf.sections[4].type = 8;  // NOBITS
         return elf.build();
     },
     concat(TablesRead, {"ERROR! Could not find the Progbits Section of this file.", "This file may be corrupt."})},
    {"NoSectionsAtAll",
     [] {
         auto elf = goodElf();
         elf.sectionHeaderCount = 0;
         return elf.build();
     },
     concat(TablesRead, {"ERROR! Could not find the Progbits Section of this file.", "This file may be corrupt."})},
    {"SecondPartWithoutMarker",
     [] {
         auto model = twoQuads();
         model.parts[1].block.padding = Bytes(992, 0x11);
         return model.build();
     },
     concat(TablesRead, {"Loading Model Geometry.", "ERROR! while loading model geometry.",
                         "Got up to geometry section 1", "Message: \"Error Loading Geometry Part.\""})},
    {"FileEndsDuringMarkerSearch",
     [] {
         auto model = twoQuads();
         // The last block has no marker and only the section header table follows it.
         fixtures::GeometryBlock unmarked;
         unmarked.padding = Bytes(20, 0x11);
         unmarked.markerLength = 0;
         model.parts.push_back({"geo_r_2_x", unmarked});
         return model.build();
     },
     concat(TablesRead, {"Loading Model Geometry.", "ERROR! while loading model geometry.",
                         "Got up to geometry section 2", "Message: \"Stream read error\""})},
};

void PrintTo(const FailureCase& c, std::ostream* out) {
    *out << c.name;
}

class LoadFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(LoadFailure, LogsTheStageAndLeavesNoModelLoaded) {
    fixtures::TempDir dir;
    const Bytes bytes = GetParam().build();
    auto loaded = fixtures::loadBytes(dir, bytes);
    EXPECT_EQ(loaded.log.lines, concat(openingLines(dir, bytes), GetParam().logAfterSize));
    EXPECT_FALSE(loaded.state.ModelLoaded);
    EXPECT_FALSE(loaded.escaped);
}

INSTANTIATE_TEST_SUITE_P(Damaged, LoadFailure, testing::ValuesIn(FailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LoadModel, MissingMarkerShowsTheDecodersBoxBeforeTheLogLines) {
    fixtures::TempDir dir;
    auto model = twoQuads();
    model.parts[1].block.padding = Bytes(992, 0x11);
    auto loaded = fixtures::loadBytes(dir, model.build());
    ASSERT_EQ(loaded.prompts.shown.size(), 1u);
    EXPECT_EQ(loaded.prompts.shown[0].caption, "Error");
    EXPECT_EQ(loaded.prompts.shown[0].text, "Could not find the start of the geometry section in the file.");
    EXPECT_EQ(loaded.prompts.shown[0].icon, BoxIcon::Error);
    // The tree shows the file node only; the part decoded before the failure keeps its decoding name.
    EXPECT_TRUE(loaded.state.tree.PartNodes.empty());
    EXPECT_EQ(loaded.state.tree.RootNode.Caption, u"car.o");
    EXPECT_EQ(loaded.state.partList.Parts[0].Name, "0_FRNShape");
    EXPECT_EQ(loaded.state.partList.PartCount, 1);
}

const FailureCase& findCase(std::string_view name) {
    for (const FailureCase& c : FailureCases)
        if (c.name == name) return c;
    throw std::logic_error("no such case");
}

TEST(LoadModel, FileEndingDuringMarkerSearchShowsNoBox) {
    fixtures::TempDir dir;
    auto loaded = fixtures::loadBytes(dir, findCase("FileEndsDuringMarkerSearch").build());
    EXPECT_TRUE(loaded.prompts.shown.empty());
}

TEST(LoadModel, FailuresThatEscapeTheLoad) {
    fixtures::TempDir dir;
    fixtures::LoadOutcome missing;
    fixtures::loadInto(missing, dir / "none.o");
    EXPECT_EQ(missing.escaped, "Cannot open file \"" + (dir / "none.o").string() + "\". No such file or directory");
    EXPECT_EQ(missing.log.lines, Lines{"Opening " + (dir / "none.o").string()});

    Bytes shortFile = twoQuads().build();
    shortFile.resize(51);
    auto truncated = fixtures::loadBytes(dir, shortFile);
    EXPECT_EQ(truncated.escaped, "Stream read error");
    EXPECT_EQ(truncated.log.lines, openingLines(dir, shortFile));

    // The third part is named "left": the two nodes before it stay in the tree.
    auto model = twoQuads();
    model.parts.push_back({"geo_r_left_x", quadBlock()});
    const Bytes bytes = model.build();
    auto badName = fixtures::loadBytes(dir, bytes);
    EXPECT_EQ(badName.escaped, "'left' is not a valid integer value");
    EXPECT_FALSE(badName.state.ModelLoaded);
    EXPECT_EQ(badName.state.tree.PartNodes.size(), 2u);
    EXPECT_EQ(badName.log.lines.back(), "Loaded 3 parts successfully.");
}

// The name a part gets from its symbol: up to ten characters after the first
// "r_" (or from the second character), then the text before the first "_".
struct NameCase {
    const char* symbol;
    const char* name;  // nullptr: the load escapes with `failure`
    int32_t row;
    const char* failure;
};

TEST(LoadModel, PartNamesAndSettingsRowsComeFromTheSymbolName) {
    const NameCase cases[] = {
        {"geo_r_3_FBShape", "3", 3, nullptr},
        {"xgeo_r_12_wheel", "12", 12, nullptr},
        {"x42_geo", "42", 42, nullptr},  // no "r_": starts at the second character
        {"geo_r_123456789_x", "123456789", 123456789, nullptr},
        {"geo_r_-7_x", "-7", -7, nullptr},
        {"geo_r_1234567890123_x", nullptr, 0, "'' is not a valid integer value"},  // cut before any "_"
        {"geo_r_7", nullptr, 0, "'' is not a valid integer value"},
        {"geo_r_ 7_x", nullptr, 0, "' 7' is not a valid integer value"},
        {"geo_r_0x1F_a", nullptr, 0, "'0x1F' is not a valid integer value"},
        {"geo_r_+5_a", "+5", 5, nullptr},
    };
    fixtures::TempDir dir;
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.symbol);
        ModelDescription model;
        model.parts.push_back({c.symbol, quadBlock()});
        auto loaded = fixtures::loadBytes(dir, model.build());
        if (c.name) {
            EXPECT_FALSE(loaded.escaped);
            EXPECT_EQ(loaded.state.partList.Parts[0].Name, c.name);
            EXPECT_EQ(loaded.state.partList.Parts[0].SettingsRow, c.row);
        } else {
            EXPECT_EQ(loaded.escaped, c.failure);
        }
    }
}

TEST(LoadModel, DecodingNameKeepsTenCharactersAfterR) {
    fixtures::TempDir dir;
    auto model = twoQuads("xgeo_r_12_wheelhouse");
    model.parts[1].block.markerLength = 0;  // stop before the names are cut at "_"
    auto loaded = fixtures::loadBytes(dir, model.build());
    EXPECT_EQ(loaded.state.partList.Parts[0].Name, "12_wheelho");
}

TEST(LoadModel, OnlyTheSecondStringTableNamesSymbols) {
    fixtures::TempDir dir;
    auto elf = twoQuads().toElf();
    std::swap(elf.sections[1].contents, elf.sections[2].contents);
    auto swapped = fixtures::loadBytes(dir, elf.build());
    EXPECT_EQ(swapped.log.lines.back(), "Loaded 0 parts successfully.");
    EXPECT_TRUE(swapped.state.ModelLoaded);
    EXPECT_TRUE(swapped.state.tree.PartNodes.empty());

    elf = twoQuads().toElf();
    elf.sections.erase(elf.sections.begin() + 1);  // one string table only
    auto single = fixtures::loadBytes(dir, elf.build());
    EXPECT_EQ(single.log.lines.back(), "Loaded 0 parts successfully.");
    EXPECT_TRUE(single.state.ModelLoaded);
}

TEST(LoadModel, SectionsMayComeInAnyOrderAndTheLastProgBitsHoldsTheGeometry) {
    fixtures::TempDir dir;
    auto elf = twoQuads().toElf();
    // Symbol table first, then a decoy PROGBITS without markers, the string tables, the real PROGBITS.
    std::vector<fixtures::Section> reordered{
        elf.sections[3], fixtures::Section{fixtures::SectionProgBits, Bytes(2000, 0x22), {}, {}},
        elf.sections[0], elf.sections[1],
        elf.sections[2], elf.sections[4]};
    elf.sections = reordered;
    auto loaded = fixtures::loadBytes(dir, elf.build());
    EXPECT_EQ(loaded.log.lines.back(), "Loaded 2 parts successfully.");

    std::swap(elf.sections[1], elf.sections[5]);  // now the decoy is last
    auto decoy = fixtures::loadBytes(dir, elf.build());
    EXPECT_EQ(decoy.log.lines.back(), "Message: \"Error Loading Geometry Part.\"");
}

TEST(LoadModel, SymbolsWithoutGeoAreNotParts) {
    fixtures::TempDir dir;
    ModelDescription model;
    model.extraSymbols = {{"Geo_r_1_a", std::nullopt, 0}, {"wheel", std::nullopt, 0}};
    auto loaded = fixtures::loadBytes(dir, model.build());
    EXPECT_EQ(loaded.log.lines.back(), "Loaded 0 parts successfully.");
    EXPECT_TRUE(loaded.state.ModelLoaded);
    EXPECT_TRUE(loaded.state.tree.PartNodes.empty());
    EXPECT_EQ(loaded.state.tree.RootNode.ImageIndex, FileNodeImage);
}

TEST(StringTables, EntriesAndTailSharedNames) {
    StringTables tables;
    const std::string bytes("\0geo_r_1_a\0\0xyz\0tail", 20);
    ParseStringTable(tables, std::vector<char>(bytes.begin(), bytes.end()), 1);
    ASSERT_EQ(tables.size(), 2u);
    ASSERT_EQ(tables[1].Entries.size(), 3u);  // the bytes after the last NUL make no entry
    EXPECT_EQ(tables[1].Entries[1].Offset, 11u);
    EXPECT_EQ(tables[1].text(tables[1].Entries[1]), "");

    EXPECT_EQ(SymbolName(tables, 1), "geo_r_1_a");
    EXPECT_EQ(SymbolName(tables, 5), "r_1_a");
    EXPECT_EQ(SymbolName(tables, 10), "");
    EXPECT_EQ(SymbolName(tables, 12), "xyz");
    EXPECT_EQ(SymbolName(tables, 0), "");
    EXPECT_EQ(SymbolName(tables, 17), "");
    EXPECT_EQ(SymbolName(tables, 0xFFFFFFFFu), "");
    EXPECT_EQ(SymbolName(StringTables(1), 1), "");  // no table number 1

    EXPECT_THROW(ParseStringTable(tables, {'a', 0}, 0), LoadError);
    ParseStringTable(tables, {}, 1);
    EXPECT_TRUE(tables[1].Entries.empty());
}

TEST(LoadModel, SymbolsMayShareTheTailOfALongerName) {
    fixtures::TempDir dir;
    ModelDescription model;
    model.parts.push_back({"big_geo_r_2_a", quadBlock()});
    auto elf = model.toElf();
    // A second symbol naming "geo_r_2_a" inside the first one's text, at the same block.
    Bytes& symtab = elf.sections[3].contents;
    Bytes second(symtab.end() - 16, symtab.end());
    second[0] += 4;
    symtab.insert(symtab.end(), second.begin(), second.end());
    auto loaded = fixtures::loadBytes(dir, elf.build());
    EXPECT_EQ(loaded.log.lines.back(), "Loaded 2 parts successfully.");
    EXPECT_EQ(loaded.state.partList.Parts[1].SettingsRow, 2);
}

TEST(LoadModel, OutOfRangeIndicesKeepThePartButMarkItUndrawable) {
    fixtures::TempDir dir;
    auto model = twoQuads();
    model.parts[1].block.indices = {0, 1, 9, 2, 3};  // 9 is not the last index, so it stays
    auto loaded = fixtures::loadBytes(dir, model.build());
    EXPECT_TRUE(loaded.state.ModelLoaded);
    EXPECT_TRUE(loaded.state.partList.Parts[0].IndicesInRange);
    EXPECT_FALSE(loaded.state.partList.Parts[1].IndicesInRange);
    const Lines tail(loaded.log.lines.end() - 2, loaded.log.lines.end());
    EXPECT_EQ(tail, (Lines{"Loaded 2 parts successfully.",
                           "WARNING! Part 1 has vertex indices out of range; it will not be drawn."}));
    EXPECT_EQ(loaded.state.tree.PartNodes.size(), 2u);
}

TEST(LoadModel, OpeningOverAnOpenModelReusesPartRecordsByIndex) {
    fixtures::TempDir dir;
    auto loaded = fixtures::loadBytes(dir, twoQuads().build());
    GeometryPart& old = loaded.state.partList.Parts[1];
    old.TextureIndex = 5;
    old.Transparent = 1;
    old.EnvironmentMapped = 1;
    old.Colour[0] = 0.1f;
    loaded.state.partList.PartVisible[1] = 0;
    loaded.state.SelectedPart = 1;

    ModelDescription next;
    for (const char* name : {"geo_r_4_a", "geo_r_5_b", "geo_r_6_c"}) next.parts.push_back({name, quadBlock()});
    fixtures::writeFile(dir / "next.o", next.build());
    fixtures::loadInto(loaded, dir / "next.o");

    EXPECT_EQ(loaded.log.lines.front(), "Opening " + (dir / "next.o").string());
    const GeometryPart& reused = loaded.state.partList.Parts[1];
    EXPECT_EQ(reused.TextureIndex, 5);
    EXPECT_EQ(reused.Transparent, 1);
    EXPECT_EQ(reused.EnvironmentMapped, 1);
    EXPECT_FLOAT_EQ(reused.Colour[0], 0.7f);
    EXPECT_EQ(reused.SettingsRow, 5);
    EXPECT_EQ(loaded.state.partList.PartVisible, (std::vector<uint8_t>{1, 1, 1}));
    EXPECT_EQ(loaded.state.SelectedPart, -1);
    EXPECT_EQ(loaded.state.tree.RootNode.Caption, u"next.o");
    EXPECT_EQ(loaded.state.tree.PartNodes.size(), 3u);

    // A smaller model leaves no records of the bigger one behind.
    ModelDescription smaller;
    smaller.parts.push_back({"geo_r_0_a", quadBlock()});
    fixtures::writeFile(dir / "smaller.o", smaller.build());
    fixtures::loadInto(loaded, dir / "smaller.o");
    EXPECT_EQ(loaded.state.partList.Parts.size(), 1u);
    EXPECT_EQ(loaded.state.partList.PartVisible.size(), 1u);
}

}  // namespace
}  // namespace korvex
