#include "model/geometry_decoder.h"
#include "model/recording_io.h"
#include "tests/support/model_file_builder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace korvex {
namespace {

using fixtures::Bytes;
using fixtures::GeometryBlock;

// Decodes `block` laid out at the start of a section that starts `base` bytes into the file.
struct Decoded {
    bool ok = false;
    VertexArray vertices;
    TriArray indices;
    ScriptedPrompts prompts;

    std::string box() const {
        return prompts.shown.size() == 1 ? prompts.shown[0].text
                                         : "(" + std::to_string(prompts.shown.size()) + " boxes)";
    }
};

Decoded decode(const Bytes& sectionBytes, uint32_t base = 24) {
    Bytes file = sectionBytes;
    file.insert(file.begin(), base, 0x33);
    ModelStream stream = ModelStream::fromBytes(file);
    stream.seek(base);
    Decoded d;
    d.ok = DecodeGeometry(stream, d.vertices, d.indices, base, d.prompts);
    return d;
}

Decoded decode(const GeometryBlock& block) {
    return decode(block.encode(0));
}

TEST(DecodeGeometry, ReadsVerticesAndFlipsV) {
    GeometryBlock block = fixtures::quadBlock();
    block.vertices[1] = fixtures::vertex(1.5f, -2, 3, 0, 1, 0, 0.5f, 0.25f);
    block.vertices[1].Reserved1 = 0xDEADBEEF;
    const Decoded d = decode(block);
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.vertices.size(), 4u);
    const ModelVertex& v = d.vertices[1];
    EXPECT_EQ(v.Position[0], 1.5f);
    EXPECT_EQ(v.Position[1], -2.0f);
    EXPECT_EQ(v.Normal[1], 1.0f);
    EXPECT_EQ(v.TexCoord[0], 0.5f);
    EXPECT_EQ(v.TexCoord[1], 0.75f);
    EXPECT_EQ(v.Reserved1, 0xDEADBEEFu);
    EXPECT_EQ(d.vertices[0].TexCoord[1], 1.0f);
    EXPECT_TRUE(d.prompts.shown.empty());
}

TEST(DecodeGeometry, MarkerMustEndWithinTheFirst999Bytes) {
    GeometryBlock block = fixtures::quadBlock();
    block.padding = Bytes(991, 0x00);
    EXPECT_TRUE(decode(block).ok);

    block.padding = Bytes(992, 0x00);
    const Decoded late = decode(block);
    EXPECT_FALSE(late.ok);
    EXPECT_EQ(late.box(), "Could not find the start of the geometry section in the file.");
    EXPECT_EQ(late.prompts.shown[0].caption, "Error");

    // A run of seven broken by another byte does not count.
    block.padding = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    EXPECT_TRUE(decode(block).ok);
    block.padding.clear();
    block.markerLength = 7;
    block.vertices.resize(30, fixtures::vertex(0, 0, 0));  // enough bytes after it to end the search
    EXPECT_FALSE(decode(block).ok);
}

TEST(DecodeGeometry, HeaderStartsRightAfterTheEighthFF) {
    // A ninth 0xFF is the first byte of the vertex offset: here the offset 255.
    Bytes bytes(9, 0xFF);
    const int32_t fields[] = {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 255 + 40, 1};
    bytes.resize(bytes.size() + 3 + sizeof fields - 4);
    std::memcpy(bytes.data() + 9, reinterpret_cast<const uint8_t*>(fields) + 1, 3);  // rest of 255 = FF 00 00 00
    std::memcpy(bytes.data() + 12, fields + 1, sizeof fields - 4);
    bytes.resize(255);
    const ModelVertex vertex = fixtures::vertex(7, 8, 9);
    bytes.insert(bytes.end(), reinterpret_cast<const uint8_t*>(&vertex), reinterpret_cast<const uint8_t*>(&vertex + 1));
    bytes.insert(bytes.end(), {0, 0});
    const Decoded d = decode(bytes);
    ASSERT_TRUE(d.ok) << d.box();
    ASSERT_EQ(d.vertices.size(), 1u);
    EXPECT_EQ(d.vertices[0].Position[2], 9.0f);
}

struct TrailingCase {
    int32_t vertexCount;
    TriArray file;
    TriArray kept;
};

TEST(DecodeGeometry, OnlyTheLastIndexIsDroppedWhenZeroOrPastTheLastVertex) {
    const TrailingCase cases[] = {
        {4, {0, 1, 2, 3, 0}, {0, 1, 2, 3}},
        {4, {0, 1, 2, 3, 7}, {0, 1, 2, 3}},
        {4, {0, 1, 2, 3}, {0, 1, 2, 3}},
        {4, {0, 1, 2, 0, 0}, {0, 1, 2, 0}},
        {4, {0, 9, 2, 3}, {0, 9, 2, 3}},  // indices before the last are never compared
        {4, {}, {}},
        {0, {5}, {}},
    };
    for (const TrailingCase& c : cases) {
        GeometryBlock block = fixtures::quadBlock();
        block.vertices.resize(static_cast<std::size_t>(c.vertexCount), fixtures::vertex(0, 0, 0));
        block.indices.assign(c.file.begin(), c.file.end());
        const Decoded d = decode(block);
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.indices, c.kept) << "from " << testing::PrintToString(c.file);
        EXPECT_EQ(indicesInRange(d.indices, d.vertices.size()), (c.kept != TriArray{0, 9, 2, 3}));
    }
}

struct BrokenCase {
    const char* name;
    std::function<void(GeometryBlock&)> damage;
    const char* box;  // the step's text before "\r" and the message
};

TEST(DecodeGeometry, EachStepReportsItsOwnFailure) {
    const std::string offsets = "Error while loading geometry offsets and lengths. ";
    const std::string vertexes = "Error while loading vertexes. ";
    const std::string triangles = "Error while loading triangle list. ";
    const BrokenCase cases[] = {
        {"negative vertex count", [](GeometryBlock& b) { b.vertexCount = -1; }, "vertexes"},
        {"vertex count the file cannot hold", [](GeometryBlock& b) { b.vertexCount = 0x7FFFFFFF; }, "vertexes"},
        {"one vertex more than the file holds", [](GeometryBlock& b) { b.vertexCount = 5; }, "vertexes"},
        {"vertex offset before the file", [](GeometryBlock& b) { b.vertexOffset = -1000; }, "vertexes"},
        {"negative index count", [](GeometryBlock& b) { b.indexCount = -2; }, "triangles"},
        {"index count the file cannot hold", [](GeometryBlock& b) { b.indexCount = 0x40000000; }, "triangles"},
        {"index offset past the end", [](GeometryBlock& b) { b.indexOffset = 0x7FFFFFF0; }, "triangles"},
    };
    for (const BrokenCase& c : cases) {
        SCOPED_TRACE(c.name);
        GeometryBlock block = fixtures::quadBlock();
        c.damage(block);
        const Decoded d = decode(block);
        EXPECT_FALSE(d.ok);
        const std::string& step = std::string(c.box) == "vertexes" ? vertexes : triangles;
        EXPECT_EQ(d.box(), step + "\rMessage: Stream read error");
        // Nothing was sized from a count the file cannot back.
        EXPECT_LE(d.vertices.capacity() + d.indices.capacity(), 8u);
    }

    Bytes cut = fixtures::quadBlock().encode(0);
    cut.resize(8 + 44);  // the file ends inside the index count
    const Decoded d = decode(cut);
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(d.box(), offsets + "\rMessage: Stream read error");
    EXPECT_EQ(d.prompts.shown[0].icon, BoxIcon::Error);
}

TEST(DecodeGeometry, EmptyPartsLoadWithoutLookingAtTheirOffsets) {
    GeometryBlock block;
    block.vertexOffset = -5;
    block.indexOffset = 0x7FFFFFFF;
    const Decoded d = decode(block);
    EXPECT_TRUE(d.ok);
    EXPECT_TRUE(d.vertices.empty());
    EXPECT_TRUE(d.indices.empty());
}

TEST(DecodeGeometry, FileEndingDuringTheSearchIsLeftToTheCaller) {
    GeometryBlock block;
    block.markerLength = 0;
    ScriptedPrompts prompts;
    ModelStream stream = ModelStream::fromBytes(block.encode(0));
    VertexArray vertices;
    TriArray indices;
    try {
        DecodeGeometry(stream, vertices, indices, 0, prompts);
        ADD_FAILURE() << "no failure";
    } catch (const LoadError& failure) {
        EXPECT_STREQ(failure.what(), "Stream read error");
    }
    EXPECT_TRUE(prompts.shown.empty());
}

}  // namespace
}  // namespace korvex
