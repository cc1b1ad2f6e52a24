#include "texture_library.h"

#include <utility>

namespace korvex {

std::string MakeUniqueTextureName(const TextureLibrary& library, std::string candidate) {
    for (const TextureEntry& entry : library) {
        if (entry.DisplayName == candidate) candidate = "Another " + candidate;
    }
    return candidate;
}

int32_t FindTextureByName(const TextureLibrary& library, std::string_view name) {
    for (std::size_t i = 0; i < library.size(); ++i) {
        if (library[i].DisplayName == name) return static_cast<int32_t>(i);
    }
    return -1;
}

void appendTexture(TextureLibrary& library, std::string displayName, uint32_t textureObject,
                   std::filesystem::path sourcePath, PictureLayout layout) {
    library.push_back(TextureEntry{std::move(displayName), textureObject, std::move(sourcePath), layout});
}

int32_t textureEntryOf(const ProgramState& state, std::size_t part) {
    const int32_t index = state.partList.Parts[part].TextureIndex;
    if (index <= 0 || static_cast<std::size_t>(index) > state.textureLibrary.size()) return -1;
    return index - 1;
}

void renameTexture(TextureLibrary& library, std::size_t position, std::string displayName) {
    library.at(position).DisplayName = std::move(displayName);
}

TextureEntry detachTextureEntry(ProgramState& state, std::size_t position) {
    TextureLibrary& library = state.textureLibrary;
    TextureEntry removed = library.at(position);
    const auto removedIndex = static_cast<int32_t>(position + 1);
    for (GeometryPart& part : state.partList.Parts) {
        if (part.TextureIndex == removedIndex)
            part.TextureIndex = 0;
        else if (part.TextureIndex > removedIndex)
            --part.TextureIndex;
    }
    library.erase(library.begin() + static_cast<std::ptrdiff_t>(position));
    return removed;
}

void RemoveTextureEntry(ProgramState& state, std::size_t position, TextureGl& gl, TextureCombo& combo) {
    gl.deleteTexture(detachTextureEntry(state, position).TextureObject);
    RefreshTextureCombo(state.textureLibrary, combo);
}

void RefreshTextureCombo(const TextureLibrary& library, TextureCombo& combo) {
    combo.clearItems();
    combo.addItem(NoTextureItem);
    for (const TextureEntry& entry : library) combo.addItem(entry.DisplayName);
    combo.selectNothing();
}

}  // namespace korvex
