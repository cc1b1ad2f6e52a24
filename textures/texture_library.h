#pragma once
// The program's list of loaded textures and what the texture box shows of it.

#include "model/program_state.h"
#include "texture_gl.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace korvex {

// The texture box of the part options panel (textureBox).
class TextureCombo {
public:
    virtual ~TextureCombo() = default;
    virtual void clearItems() = 0;
    virtual void addItem(std::string_view text) = 0;
    virtual void selectNothing() = 0;
};

inline constexpr std::string_view NoTextureItem = "No Texture";

// One pass over the entries in order: each one that bears the candidate's
// name puts "Another " in front of it. An entry already passed is not
// looked at again.
std::string MakeUniqueTextureName(const TextureLibrary& library, std::string candidate);

// The first position whose name is exactly `name`, or -1.
int32_t FindTextureByName(const TextureLibrary& library, std::string_view name);

// `sourcePath` is the picture file the texture was made from, `layout` how it reached the texture.
void appendTexture(TextureLibrary& library, std::string displayName, uint32_t textureObject,
                   std::filesystem::path sourcePath = {}, PictureLayout layout = {});
// The library position of the texture part `part` wears, or -1 for none
// (an index past the library is none, as the view draws it).
int32_t textureEntryOf(const ProgramState& state, std::size_t part);

// No uniqueness test: two entries may share a name after a rename.
void renameTexture(TextureLibrary& library, std::size_t position, std::string displayName);

// Takes the entry at `position` (which must exist) out of the library and
// answers it, its texture object still there: parts using it lose their
// texture, parts using a later one keep theirs.
TextureEntry detachTextureEntry(ProgramState& state, std::size_t position);

// Drops the entry at `position` (which must exist): parts using it lose
// their texture, parts using a later one keep theirs, its texture object is
// deleted, and the texture box is filled again.
void RemoveTextureEntry(ProgramState& state, std::size_t position, TextureGl& gl, TextureCombo& combo);

// "No Texture", then every entry's name; nothing is selected afterwards.
void RefreshTextureCombo(const TextureLibrary& library, TextureCombo& combo);

}  // namespace korvex
