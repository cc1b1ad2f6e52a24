#include "model_file_builder.h"

#include <cstring>
#include <fstream>
#include <stdexcept>

namespace korvex::fixtures {

namespace {

template <typename T>
void Put(Bytes& out, T value) {
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    out.insert(out.end(), p, p + sizeof value);
}

template <typename T>
void PutAt(Bytes& out, std::size_t at, T value) {
    std::memcpy(out.data() + at, &value, sizeof value);
}

void PadTo(Bytes& out, std::size_t alignment) {
    while (out.size() % alignment != 0) out.push_back(0);
}

}  // namespace

Bytes ElfImage::Build() const {
    Bytes out(52, 0);
    std::memcpy(out.data(), magic, 4);
    out[4] = 1;  // 32-bit
    out[5] = 1;  // little-endian
    out[6] = 1;  // version
    PutAt<uint16_t>(out, 16, 1);   // relocatable
    PutAt<uint16_t>(out, 40, 52);  // header size

    std::vector<uint32_t> offsets;
    for (const Section& s : sections) {
        PadTo(out, 4);
        const uint32_t at = s.offset.value_or(static_cast<uint32_t>(out.size()));
        if (out.size() < at + s.contents.size()) out.resize(at + s.contents.size(), 0);
        std::memcpy(out.data() + at, s.contents.data(), s.contents.size());
        offsets.push_back(at);
    }
    PadTo(out, 4);
    const uint32_t tableOffset = sectionHeaderOffset.value_or(static_cast<uint32_t>(out.size()));
    PutAt<uint32_t>(out, 32, tableOffset);
    PutAt<uint16_t>(out, 46, sectionHeaderEntrySize);
    PutAt<uint16_t>(out, 48, sectionHeaderCount.value_or(static_cast<uint16_t>(sections.size())));

    Bytes table;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const Section& s = sections[i];
        const uint32_t fields[10] = {0, s.type, 0, 0, offsets[i], s.size.value_or(static_cast<uint32_t>(s.contents.size())), 0, 0, 4, 0};
        for (uint32_t f : fields) Put(table, f);
    }
    if (!omitSectionHeaderTable) {
        if (out.size() < tableOffset + table.size()) out.resize(tableOffset + table.size(), 0);
        std::memcpy(out.data() + tableOffset, table.data(), table.size());
    }
    if (truncateTo && *truncateTo < out.size()) out.resize(*truncateTo);
    return out;
}

ModelVertex Vertex(float x, float y, float z, float nx, float ny, float nz, float u, float v) {
    return ModelVertex{{x, y, z}, 0, {nx, ny, nz}, 0, {u, v}};
}

Bytes GeometryBlock::Encode(uint32_t sectionOffset) const {
    Bytes out = padding;
    out.insert(out.end(), static_cast<std::size_t>(markerLength), 0xFF);
    const std::size_t header = out.size();
    out.resize(header + 48, 0);
    const auto here = [&] { return static_cast<int32_t>(sectionOffset + out.size()); };
    const int32_t vertexStart = here();
    if (!headerOnly)
        for (const ModelVertex& v : vertices) Put(out, v);
    const int32_t indexStart = here();
    if (!headerOnly)
        for (uint16_t i : indices) Put(out, i);
    PutAt<int32_t>(out, header + 0, vertexOffset.value_or(vertexStart));
    PutAt<int32_t>(out, header + 4, vertexCount.value_or(static_cast<int32_t>(vertices.size())));
    PutAt<int32_t>(out, header + 40, indexOffset.value_or(indexStart));
    PutAt<int32_t>(out, header + 44, indexCount.value_or(static_cast<int32_t>(indices.size())));
    return out;
}

Bytes StringTableBytes(const std::vector<std::string>& names, std::vector<uint32_t>* offsets) {
    Bytes out{0};
    for (const std::string& name : names) {
        if (offsets) offsets->push_back(static_cast<uint32_t>(out.size()));
        out.insert(out.end(), name.begin(), name.end());
        out.push_back(0);
    }
    return out;
}

Bytes SymbolTableBytes(const std::vector<Symbol>& symbols) {
    Bytes out;
    for (const Symbol& s : symbols) {
        Put<uint32_t>(out, s.nameOffset.value_or(0));
        Put<uint32_t>(out, s.value);
        Put<uint32_t>(out, 0);    // size
        Put<uint8_t>(out, 0x11);  // global object
        Put<uint8_t>(out, 0);
        Put<uint16_t>(out, 4);    // the PROGBITS section of ToElf
    }
    return out;
}

ElfImage ModelDescription::ToElf() const {
    Bytes progBits;
    std::vector<Symbol> symbols{Symbol{}};  // entry 0: the symbol without a name
    for (const Part& part : parts) {
        PadTo(progBits, blockAlignment);
        const auto at = static_cast<uint32_t>(progBits.size());
        const Bytes block = part.block.Encode(at);
        progBits.insert(progBits.end(), block.begin(), block.end());
        symbols.push_back(Symbol{part.symbolName, std::nullopt, at});
    }
    symbols.insert(symbols.end(), extraSymbols.begin(), extraSymbols.end());

    std::vector<std::string> names;
    for (std::size_t i = 1; i < symbols.size(); ++i) names.push_back(symbols[i].name);
    std::vector<uint32_t> nameOffsets;
    Bytes strtab = StringTableBytes(names, &nameOffsets);
    for (std::size_t i = 1; i < symbols.size(); ++i)
        if (!symbols[i].nameOffset) symbols[i].nameOffset = nameOffsets[i - 1];

    ElfImage elf;
    elf.sections.push_back(Section{SectionNull, {}, 0u, 0u});
    elf.sections.push_back(Section{SectionStrTab, StringTableBytes({".shstrtab", ".strtab", ".symtab", ".data"}), {}, {}});
    elf.sections.push_back(Section{SectionStrTab, std::move(strtab), {}, {}});
    elf.sections.push_back(Section{SectionSymTab, SymbolTableBytes(symbols), {}, {}});
    elf.sections.push_back(Section{SectionProgBits, std::move(progBits), {}, {}});
    return elf;
}

GeometryBlock QuadBlock() {
    GeometryBlock block;
    block.vertices = {Vertex(0, 0, 0, 0, 0, 1, 0, 0), Vertex(1, 0, 0, 0, 0, 1, 1, 0), Vertex(0, 1, 0, 0, 0, 1, 0, 1),
                      Vertex(1, 1, 0, 0, 0, 1, 1, 1)};
    block.indices = {0, 1, 2, 3};
    return block;
}

void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace korvex::fixtures
