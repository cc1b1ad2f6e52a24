#include "hostile_files.h"

#include "image_writers.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace korvex::fixtures::hostile {

namespace {

constexpr std::size_t MiB = std::size_t{1} << 20;

void putU32(Bytes& bytes, std::size_t at, uint32_t value) {
    std::memcpy(bytes.data() + at, &value, 4);
}

// Where section `index`'s header lies in a file the builder wrote.
std::size_t sectionHeaderAt(const Bytes& file, std::size_t index) {
    uint32_t table = 0;
    std::memcpy(&table, file.data() + 32, 4);
    return table + index * 40;
}

}  // namespace

ModelDescription oneQuad() {
    ModelDescription model;
    model.parts.push_back({"geo_r_0_FRNShape", quadBlock()});
    return model;
}

Bytes sectionTablePastTheEnd() {
    ElfImage elf = oneQuad().toElf();
    elf.sectionHeaderCount = 65535;
    return elf.build();
}

Bytes headerAtTheEnd() {
    ModelDescription model = oneQuad();
    model.extraSymbols.push_back({"geo_r_1_ENDShape", std::nullopt, 0});
    Bytes file = model.build();
    uint32_t progBits = 0;
    std::memcpy(&progBits, file.data() + sectionHeaderAt(file, 4) + 16, 4);
    // The layout does not depend on the symbol's value: build again with it.
    model.extraSymbols.back().value = static_cast<uint32_t>(file.size()) - progBits;
    file = model.build();
    file.insert(file.end(), 8, 0xFF);
    file.insert(file.end(), 12, 0x01);
    return file;
}

Bytes fourGigabyteSection() {
    Bytes file = oneQuad().build();
    putU32(file, sectionHeaderAt(file, 1) + 20, 0xFFFFFFF0u);
    return file;
}

Bytes unterminatedStrings() {
    ElfImage elf = oneQuad().toElf();
    Bytes& names = elf.sections[2].contents;
    names.pop_back();
    names.insert(names.end(), {'g', 'e', 'o', '_'});
    return elf.build();
}

Bytes namesPastEveryTable() {
    ModelDescription model = oneQuad();
    for (uint32_t offset : {0x1000u, 0x7FFFFFFFu, 0xFFFFFFFFu}) model.extraSymbols.push_back({"", offset, 0});
    return model.build();
}

Bytes indicesBeyondTheVertices() {
    ModelDescription model = oneQuad();
    model.parts[0].block.indices.assign(65535, 60000);
    return model.build();
}

Bytes fullViewStrip(int parts) {
    ModelDescription model;
    GeometryBlock block;
    block.vertices = {vertex(-1000, -1000, 0), vertex(3000, -1000, 0), vertex(-1000, 3000, 0)};
    for (int i = 0; i < 65535; ++i) block.indices.push_back(static_cast<uint16_t>(i % 3));
    model.parts.push_back({"geo_r_0_FRNShape", std::move(block)});
    for (int i = 1; i < parts; ++i)
        model.extraSymbols.push_back({"geo_r_" + std::to_string(i) + "_FRNShape", std::nullopt, 0});
    return model.build();
}

Bytes manyEmptyParts(int count) {
    ModelDescription model;
    model.parts.push_back({"geo_r_0_FRNShape", GeometryBlock{}});
    for (int i = 1; i < count; ++i) model.extraSymbols.push_back({"", 1u, 0});
    return model.build();
}

Bytes manySmallParts(int count) {
    ModelDescription model;
    for (int i = 0; i < count; ++i) {
        GeometryBlock block;
        const auto x = static_cast<float>(i);
        block.vertices = {vertex(x, 0, 0), vertex(x + 1, 0, 0), vertex(x, 1, 0)};
        block.indices = {0, 1, 2};
        model.parts.push_back({"geo_r_" + std::to_string(i) + "_FRNShape", std::move(block)});
    }
    return model.build();
}

void writeTableOfZeros(const std::filesystem::path& path, uint32_t bytes) {
    ElfImage elf = oneQuad().toElf();
    // The section-name table moves to the end of the file and grows.
    constexpr uint32_t Start = 64 * 1024;
    elf.sections[1].offset = Start;
    elf.sections[1].size = bytes;
    elf.sections[1].contents.clear();
    writeFile(path, elf.build());
    std::filesystem::resize_file(path, uint64_t{Start} + bytes);
}

Bytes tgaHeader(uint16_t width, uint16_t height) {
    Bytes tga(18 + 64, 0x40);
    std::fill(tga.begin(), tga.begin() + 18, uint8_t{0});
    tga[2] = 2;  // uncompressed true colour
    tga[12] = width & 0xFF, tga[13] = width >> 8, tga[14] = height & 0xFF, tga[15] = height >> 8;
    tga[16] = 32;
    return tga;
}

Bytes boastfulJpeg(uint16_t side) {
    Bytes jpeg = images::writeJpeg(images::testPattern(16, 16));
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = static_cast<uint8_t>(side >> 8), jpeg[i + 6] = side & 0xFF;  // height
            jpeg[i + 7] = static_cast<uint8_t>(side >> 8), jpeg[i + 8] = side & 0xFF;  // width
            break;
        }
    return jpeg;
}

Bytes hugeJpeg() {
    return boastfulJpeg(65500);
}

Bytes hugeBitmapHeader() {
    Bytes bmp = images::writeBmp(images::testPattern(4, 4), {});
    putU32(bmp, 14, 0xFFFFFFF0u);
    return bmp;
}

std::string millionLineSettings() {
    std::string text = "[GEOMDATA]\nnumpart=1\n\n[ALPHA_OPAQUE_FRNShape]\n";
    text.reserve(text.size() + 1'000'000 * 10);
    for (int i = 0; i < 1'000'000; ++i) text += "lodon=050\n";
    return text;
}

std::string tenMegabyteLine() {
    return "[GEOMDATA]\nnumpart=1\n\n[ALPHA_TRANS_" + std::string(10 * MiB, 'Q') + "FRNShape]\nlodoff=020\n";
}

void writeEndlessLineSettings(const std::filesystem::path& path, uint64_t bytes) {
    const std::string head = "[GEOMDATA]\nnumpart=1\n\n[ALPHA_TRANS_";
    writeFile(path, Bytes(head.begin(), head.end()));
    std::filesystem::resize_file(path, head.size() + bytes);
    std::ofstream tail(path, std::ios::binary | std::ios::app);
    tail << "FRNShape]\nlodoff=020\n";
}

std::string withPath(std::string text, const std::string& path) {
    for (std::size_t at = text.find("PATH"); at != std::string::npos; at = text.find("PATH", at + path.size()))
        text.replace(at, 4, path);
    return text;
}

}  // namespace korvex::fixtures::hostile
