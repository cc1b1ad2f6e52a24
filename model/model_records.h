#pragma once
// The in-memory records of the one model the viewer holds at a time.

#include "bulk_memory.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

// One vertex exactly as it lies in a model file, so a part's vertices can be
// handed to OpenGL as they are (position at 0, normal at 16, uv at 32).
struct ModelVertex {
    float Position[3];
    uint32_t Reserved1;  // kept as read, never interpreted
    float Normal[3];
    uint32_t Reserved2;  // kept as read, never interpreted
    float TexCoord[2];   // v is stored flipped: 1.0 - v of the file
};
static_assert(sizeof(ModelVertex) == 40, "a vertex record is 40 bytes");

using VertexArray = std::vector<ModelVertex, BulkAllocator<ModelVertex>>;
using TriArray = std::vector<uint16_t, BulkAllocator<uint16_t>>;  // one triangle strip

struct GeometryPart {
    float Colour[3] = {0.0f, 0.0f, 0.0f};
    uint8_t EnvironmentMapped = 0;
    int32_t TextureIndex = 0;  // 0 = none, k = texture library entry k - 1
    uint8_t Transparent = 0;
    std::string Name;  // single-byte characters, at most 255 of them
    // The symbol the part was found under in the file ("geo_r_12_FRNShape"):
    // what a part is known by when the file is read again.
    std::string SymbolName;
    int32_t SettingsRow = 0;
    // False when the part's strip refers to a vertex it does not have; such a
    // part is kept for the tree and the settings but never drawn.
    bool IndicesInRange = true;
};

struct PartList {
    std::vector<GeometryPart> Parts;
    std::vector<VertexArray> PartVertices;
    std::vector<TriArray> PartIndices;
    std::vector<uint8_t> PartVisible;
    int32_t PartCount = 0;  // parts decoded by the last load

    // Sets all four sequences to exactly n elements, keeping the ones that exist.
    void resize(std::size_t n);
    // Lengthens the four sequences to at least n elements, keeping the ones that exist.
    void grow(std::size_t n);
};

// The parts a frame or an export may look at: a load that failed half-way
// may leave the part sequences of different lengths, and PartCount outlives a close.
inline std::size_t drawablePartCount(const PartList& list) {
    const std::size_t count =
        std::min({list.Parts.size(), list.PartVertices.size(), list.PartIndices.size(), list.PartVisible.size()});
    return list.PartCount <= 0 ? 0 : std::min(count, static_cast<std::size_t>(list.PartCount));
}

struct StringTableEntry {
    uint32_t Offset = 0;  // byte offset of the first character within the section
    uint32_t Length = 0;  // characters up to the terminating NUL
};

// One string-table section: its bytes and the names found in them.
struct StringTable {
    std::vector<char> Bytes;
    std::vector<StringTableEntry> Entries;  // in section order, so by rising Offset

    std::string_view text(const StringTableEntry& entry) const { return {Bytes.data() + entry.Offset, entry.Length}; }
};

using StringTables = std::vector<StringTable>;

// One row of a model's settings file; a part finds its row through SettingsRow.
struct GeomDataEntry {
    std::string Name;   // single-byte characters, at most 255 of them
    int32_t LodOn = 0;  // highest level-of-detail percentage at which the part is drawn
    int32_t LodOff = 0; // lowest level-of-detail percentage at which the part is drawn
    uint8_t Transparent = 0;
    uint8_t EnvironmentMapped = 0;
};

using GeomDataTable = std::vector<GeomDataEntry>;

// How a picture file reaches its texture: its own size, before any fitting
// for drawing, and which of its rows and columns, as an image editor shows
// them, become texture row t = 0 and column s = 0.
struct PictureLayout {
    uint32_t Width = 0, Height = 0;  // 0 x 0 when not known
    bool TopRowFirst = false;        // the editor's top row is t = 0 (a top-down TGA); else its bottom row
    bool RightColumnFirst = false;   // the editor's right column is s = 0 (a right-to-left TGA)
};

// One loaded texture; parts refer to it by position through TextureIndex.
struct TextureEntry {
    std::string DisplayName;  // shown in the Textures window and the texture box
    uint32_t TextureObject = 0;  // OpenGL texture name
    std::filesystem::path SourcePath;  // the picture file it was made from; empty when unknown
    PictureLayout Layout;
};

// Every texture loaded since the program started, in the order they were
// added; opening and closing models leaves it alone.
using TextureLibrary = std::vector<TextureEntry>;

// Longest text kept in a part's or a settings row's name.
inline constexpr std::size_t MaxNameLength = 255;

inline std::string cutToNameLength(std::string_view text) { return std::string(text.substr(0, MaxNameLength)); }

}  // namespace korvex
