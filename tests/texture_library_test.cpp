#include "textures/texture_library.h"

#include "model/model_commands.h"
#include "model/recording_io.h"
#include "tests/support/recording_gl.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

class RecordingCombo : public TextureCombo {
public:
    void clearItems() override { items.clear(), selected = -2; }
    void addItem(std::string_view text) override {
        items.emplace_back(text);
        if (selected == -2) selected = 0;  // as a combo box selects its first item
    }
    void selectNothing() override { selected = -1; }

    std::vector<std::string> items{"No Texture"};
    int selected = 0;
};

TextureLibrary named(std::initializer_list<const char*> names) {
    TextureLibrary library;
    uint32_t object = 10;
    for (const char* name : names) appendTexture(library, name, object++);
    return library;
}

TEST(TextureLibrary, NamesAreMadeUniqueInOnePass) {
    TextureLibrary library;
    for (int i = 0; i < 3; ++i) appendTexture(library, MakeUniqueTextureName(library, "wood.jpg"), i + 1);
    ASSERT_EQ(library.size(), 3u);
    EXPECT_EQ(library[0].DisplayName, "wood.jpg");
    EXPECT_EQ(library[1].DisplayName, "Another wood.jpg");
    EXPECT_EQ(library[2].DisplayName, "Another Another wood.jpg");
    EXPECT_EQ(library[2].TextureObject, 3u);

    // Case counts, and an entry passed before the prefix was added is not looked at again.
    EXPECT_EQ(MakeUniqueTextureName(named({"Wood.jpg"}), "wood.jpg"), "wood.jpg");
    EXPECT_EQ(MakeUniqueTextureName(named({"Another b.bmp", "b.bmp"}), "b.bmp"), "Another b.bmp");
    EXPECT_EQ(MakeUniqueTextureName(named({"b.bmp", "Another b.bmp"}), "b.bmp"), "Another Another b.bmp");
    EXPECT_EQ(MakeUniqueTextureName({}, ""), "");
}

TEST(TextureLibrary, FindsTheFirstExactNameAndRenamesWithoutATest) {
    TextureLibrary library = named({"a.tga", "b.tga", "a.tga"});
    EXPECT_EQ(FindTextureByName(library, "a.tga"), 0);
    EXPECT_EQ(FindTextureByName(library, "b.tga"), 1);
    EXPECT_EQ(FindTextureByName(library, "A.tga"), -1);
    EXPECT_EQ(FindTextureByName(library, "a.tg"), -1);
    renameTexture(library, 1, "a.tga");
    EXPECT_EQ(library[1].DisplayName, "a.tga");
    EXPECT_EQ(library[1].TextureObject, 11u);
    EXPECT_EQ(FindTextureByName(library, "a.tga"), 0);
    EXPECT_THROW(renameTexture(library, 3, "x"), std::out_of_range);
}

TEST(TextureLibrary, RemovingAnEntryMovesLaterReferencesDown) {
    ProgramState state;
    state.textureLibrary = named({"a", "b", "c", "d"});
    state.partList.resize(6);
    const int32_t before[] = {0, 1, 2, 3, 4, -1};
    for (std::size_t i = 0; i < 6; ++i) state.partList.Parts[i].TextureIndex = before[i];
    fixtures::RecordingGl gl;
    RecordingCombo combo;
    combo.selected = 3;

    RemoveTextureEntry(state, 1, gl, combo);
    std::vector<int32_t> after;
    for (const GeometryPart& part : state.partList.Parts) after.push_back(part.TextureIndex);
    EXPECT_EQ(after, (std::vector<int32_t>{0, 1, 0, 2, 3, -1}));
    EXPECT_EQ(gl.calls, (std::vector<std::string>{"glDeleteTextures(1, 11)"}));
    ASSERT_EQ(state.textureLibrary.size(), 3u);
    EXPECT_EQ(state.textureLibrary[1].DisplayName, "c");
    EXPECT_EQ(state.textureLibrary[1].TextureObject, 12u);
    EXPECT_EQ(combo.items, (std::vector<std::string>{"No Texture", "a", "c", "d"}));
    EXPECT_EQ(combo.selected, -1);

    // The last entry goes: only "No Texture" is left and nothing is textured.
    ProgramState single;
    single.textureLibrary = named({"only"});
    single.partList.resize(2);
    single.partList.Parts[1].TextureIndex = 1;
    RemoveTextureEntry(single, 0, gl, combo);
    EXPECT_TRUE(single.textureLibrary.empty());
    EXPECT_EQ(single.partList.Parts[1].TextureIndex, 0);
    EXPECT_EQ(combo.items, (std::vector<std::string>{"No Texture"}));
    EXPECT_EQ(gl.calls.back(), "glDeleteTextures(1, 10)");
}

TEST(TextureLibrary, OutlivesTheModel) {
    ProgramState state;
    state.textureLibrary = named({"paint.jpg"});
    state.ModelLoaded = true;
    state.partList.resize(1);
    RecordingLog log;
    RecordingControls controls;
    EXPECT_TRUE(CloseModel(state, log, controls));
    ASSERT_EQ(state.textureLibrary.size(), 1u);
    EXPECT_EQ(state.textureLibrary[0].DisplayName, "paint.jpg");
}

}  // namespace
}  // namespace korvex
