#pragma once
// Writes model files byte for byte from a description in code, so that a
// test (or a generator) says exactly what its file holds. Every field that a
// reader looks at can be overridden to make a damaged file.

#include "model/model_records.h"

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace korvex::fixtures {

using Bytes = std::vector<uint8_t>;

enum : uint32_t { SectionNull = 0, SectionProgBits = 1, SectionSymTab = 2, SectionStrTab = 3 };

struct Section {
    uint32_t type = SectionNull;
    Bytes contents;
    std::optional<uint32_t> offset;  // default: laid out after the previous contents
    std::optional<uint32_t> size;    // default: contents.size()
};

// The ELF container: a 52-byte header, the sections' contents, then the section header table.
struct ElfImage {
    std::vector<Section> sections;
    uint8_t magic[4] = {0x7F, 'E', 'L', 'F'};
    uint16_t sectionHeaderEntrySize = 40;
    std::optional<uint16_t> sectionHeaderCount;   // default: sections.size()
    std::optional<uint32_t> sectionHeaderOffset;  // default: after the contents
    bool omitSectionHeaderTable = false;          // point at a table that is not there

    Bytes build() const;
};

// A vertex as the file stores it (v not yet flipped).
ModelVertex vertex(float x, float y, float z, float nx = 0, float ny = 0, float nz = 1, float u = 0, float v = 0);

struct GeometryBlock {
    Bytes padding;         // bytes before the marker
    int markerLength = 8;  // 0xFF bytes of the marker
    std::vector<ModelVertex> vertices;
    std::vector<uint16_t> indices;
    // Header overrides; by default the header points at the data that follows it.
    std::optional<int32_t> vertexOffset, vertexCount, indexOffset, indexCount;

    // The block laid out at `sectionOffset` within its section.
    Bytes encode(uint32_t sectionOffset) const;
};

struct Symbol {
    std::string name;
    std::optional<uint32_t> nameOffset;  // default: where `name` lands in the string table
    uint32_t value = 0;
};

// A model: geometry symbols with their blocks, laid out as null section,
// section-name table (string table 0), symbol-name table (string table 1),
// symbol table and one PROGBITS section with the blocks.
struct ModelDescription {
    struct Part {
        std::string symbolName;
        GeometryBlock block;
    };
    std::vector<Part> parts;
    std::vector<Symbol> extraSymbols;  // not tied to a block (value as given)
    uint32_t blockAlignment = 16;

    ElfImage toElf() const;
    Bytes build() const { return toElf().build(); }
};

// A small part: a quad of four vertices drawn as the strip 0 1 2 3.
GeometryBlock quadBlock();

// A model of quads, one under each of these symbol names.
ModelDescription partsNamed(std::initializer_list<const char*> names);

void writeFile(const std::filesystem::path& path, const Bytes& bytes);

}  // namespace korvex::fixtures
