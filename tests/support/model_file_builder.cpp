#include "model_file_builder.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace korvex::fixtures {

namespace {

template <typename T>
void put(Bytes& out, T value) {
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    out.insert(out.end(), p, p + sizeof value);
}

template <typename T>
void putAt(Bytes& out, std::size_t at, T value) {
    std::memcpy(out.data() + at, &value, sizeof value);
}

void padTo(Bytes& out, std::size_t alignment) {
    while (out.size() % alignment != 0) out.push_back(0);
}

Bytes stringTableBytes(const std::vector<std::string>& names, std::vector<uint32_t>* offsets = nullptr) {
    Bytes out{0};
    for (const std::string& name : names) {
        if (offsets) offsets->push_back(static_cast<uint32_t>(out.size()));
        out.insert(out.end(), name.begin(), name.end());
        out.push_back(0);
    }
    return out;
}

Bytes symbolTableBytes(const std::vector<Symbol>& symbols) {
    Bytes out;
    for (const Symbol& s : symbols) {
        put<uint32_t>(out, s.nameOffset.value_or(0));
        put<uint32_t>(out, s.value);
        put<uint32_t>(out, 0);    // size
        put<uint8_t>(out, 0x11);  // global object
        put<uint8_t>(out, 0);
        put<uint16_t>(out, 4);  // the PROGBITS section of ToElf
    }
    return out;
}

}  // namespace

Bytes ElfImage::build() const {
    Bytes out(52, 0);
    std::memcpy(out.data(), magic, 4);
    out[4] = 1;                    // 32-bit
    out[5] = 1;                    // little-endian
    out[6] = 1;                    // version
    putAt<uint16_t>(out, 16, 1);   // relocatable
    putAt<uint16_t>(out, 40, 52);  // header size

    std::vector<uint32_t> offsets;
    for (const Section& s : sections) {
        padTo(out, 4);
        const uint32_t at = s.offset.value_or(static_cast<uint32_t>(out.size()));
        if (out.size() < at + s.contents.size()) out.resize(at + s.contents.size(), 0);
        std::copy(s.contents.begin(), s.contents.end(), out.begin() + at);
        offsets.push_back(at);
    }
    padTo(out, 4);
    const uint32_t tableOffset = sectionHeaderOffset.value_or(static_cast<uint32_t>(out.size()));
    putAt<uint32_t>(out, 32, tableOffset);
    putAt<uint16_t>(out, 46, sectionHeaderEntrySize);
    putAt<uint16_t>(out, 48, sectionHeaderCount.value_or(static_cast<uint16_t>(sections.size())));

    Bytes table;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const Section& s = sections[i];
        const uint32_t fields[10] = {
            0, s.type, 0, 0, offsets[i], s.size.value_or(static_cast<uint32_t>(s.contents.size())), 0, 0, 4, 0};
        for (uint32_t f : fields) put(table, f);
    }
    if (!omitSectionHeaderTable) {
        if (out.size() < tableOffset + table.size()) out.resize(tableOffset + table.size(), 0);
        std::copy(table.begin(), table.end(), out.begin() + tableOffset);
    }
    return out;
}

ModelVertex vertex(float x, float y, float z, float nx, float ny, float nz, float u, float v) {
    return ModelVertex{{x, y, z}, 0, {nx, ny, nz}, 0, {u, v}};
}

Bytes GeometryBlock::encode(uint32_t sectionOffset) const {
    Bytes out = padding;
    out.insert(out.end(), static_cast<std::size_t>(markerLength), 0xFF);
    const std::size_t header = out.size();
    out.resize(header + 48, 0);
    const auto here = [&] { return static_cast<int32_t>(sectionOffset + out.size()); };
    const int32_t vertexStart = here();
    for (const ModelVertex& v : vertices) put(out, v);
    const int32_t indexStart = here();
    for (uint16_t i : indices) put(out, i);
    putAt<int32_t>(out, header + 0, vertexOffset.value_or(vertexStart));
    putAt<int32_t>(out, header + 4, vertexCount.value_or(static_cast<int32_t>(vertices.size())));
    putAt<int32_t>(out, header + 40, indexOffset.value_or(indexStart));
    putAt<int32_t>(out, header + 44, indexCount.value_or(static_cast<int32_t>(indices.size())));
    return out;
}

ElfImage ModelDescription::toElf() const {
    Bytes progBits;
    std::vector<Symbol> symbols{Symbol{}};  // entry 0: the symbol without a name
    for (const Part& part : parts) {
        padTo(progBits, blockAlignment);
        const auto at = static_cast<uint32_t>(progBits.size());
        const Bytes block = part.block.encode(at);
        progBits.insert(progBits.end(), block.begin(), block.end());
        symbols.push_back(Symbol{part.symbolName, std::nullopt, at});
    }
    symbols.insert(symbols.end(), extraSymbols.begin(), extraSymbols.end());

    std::vector<std::string> names;
    for (std::size_t i = 1; i < symbols.size(); ++i) names.push_back(symbols[i].name);
    std::vector<uint32_t> nameOffsets;
    Bytes strtab = stringTableBytes(names, &nameOffsets);
    for (std::size_t i = 1; i < symbols.size(); ++i)
        if (!symbols[i].nameOffset) symbols[i].nameOffset = nameOffsets[i - 1];

    ElfImage elf;
    elf.sections.push_back(Section{SectionNull, {}, 0u, 0u});
    elf.sections.push_back(
        Section{SectionStrTab, stringTableBytes({".shstrtab", ".strtab", ".symtab", ".data"}), {}, {}});
    elf.sections.push_back(Section{SectionStrTab, std::move(strtab), {}, {}});
    elf.sections.push_back(Section{SectionSymTab, symbolTableBytes(symbols), {}, {}});
    elf.sections.push_back(Section{SectionProgBits, std::move(progBits), {}, {}});
    return elf;
}

GeometryBlock quadBlock() {
    GeometryBlock block;
    block.vertices = {vertex(0, 0, 0, 0, 0, 1, 0, 0), vertex(1, 0, 0, 0, 0, 1, 1, 0), vertex(0, 1, 0, 0, 0, 1, 0, 1),
                      vertex(1, 1, 0, 0, 0, 1, 1, 1)};
    block.indices = {0, 1, 2, 3};
    return block;
}

ModelDescription partsNamed(std::initializer_list<const char*> names) {
    ModelDescription model;
    for (const char* name : names) model.parts.push_back({name, quadBlock()});
    return model;
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace korvex::fixtures
