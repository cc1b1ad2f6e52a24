#include "export/model_export.h"
#include "tests/support/image_writers.h"
#include "tests/support/inspect_run.h"
#include "tests/support/test_model.h"
#include "textures/tga_decoder.h"

#include <tiny_gltf.h>
#include <tiny_obj_loader.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

namespace korvex {
namespace {

using fixtures::ModelDescription;
using fixtures::vertex;

TEST(StripTriangles, FollowTheStripsWindingAndDropTrianglesThatCoverNothing) {
    // Vertex 7 lies where vertex 6 does; 9 is past the vertices.
    VertexArray vertices;
    for (int k = 0; k < 8; ++k) vertices.push_back(vertex(static_cast<float>(k), static_cast<float>(k % 2), 0));
    vertices[7] = vertices[6];
    TriArray strip;
    for (uint16_t index : {0, 1, 2, 3, 3, 4, 5, 6, 7, 5, 9, 4}) strip.push_back(index);
    std::vector<std::array<uint16_t, 3>> triangles;
    forEachStripTriangle(strip, vertices, [&](uint16_t a, uint16_t b, uint16_t c) { triangles.push_back({a, b, c}); });
    const std::vector<std::array<uint16_t, 3>> expected = {{0, 1, 2}, {2, 1, 3}, {3, 4, 5}, {5, 4, 6}};
    EXPECT_EQ(triangles, expected);
}

// Three parts: a quad with its own texture coordinates, a quad drawn
// transparent by the settings file whose strip ends on a repeated corner,
// and a part whose strip points past its vertices.
ModelDescription threeParts() {
    ModelDescription model;
    fixtures::GeometryBlock front = fixtures::quadBlock();
    front.vertices = {vertex(0, 0, 0, 0, 0, 1, 0.25f, 0.75f), vertex(1, 0, 0, 0, 0, 2, 0.5f, 0.125f),
                      vertex(0, 1, 0, 0, 0, 1, 0.0f, 1.0f), vertex(1, 1, 0.5f, 0, 0, 1, 1.0f, 0.0f)};
    model.parts.push_back({"geo_r_0_FRNShape", front});
    model.parts.push_back({"geo_r_7_TOPShape", fixtures::quadBlock()});
    model.parts[1].block.indices = {0, 1, 2, 3, 3};
    model.parts.push_back({"geo_r_3_HODShape", fixtures::quadBlock()});
    model.parts[2].block.indices = {0, 1, 9, 2};  // the last index is not read
    return model;
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        fixtures::writeFile(folder.model(), threeParts().build());
        fixtures::writeText(folder.modelFolder() / "geomdata.ini",
                            "[GEOMDATA]\nnumpart=8\n\n[ALPHA_OPAQUE_FRNShape]\nlodon=100\nlodoff=40\n\n\n\n\n\n\n\n"
                            "[ALPHA_TRANS_TOPShape]\nlodon=39\nlodoff=0\n");
        images::Picture picture = images::testPattern(4, 2);
        images::writeFile(picture_, images::writeTga(picture));
    }

    InspectRun exportModel(const std::vector<std::string>& formats) {
        std::vector<std::string> args = {"export", folder.model().string()};
        args.insert(args.end(), formats.begin(), formats.end());
        args.insert(args.end(), {"--texture", "0=" + picture_.string()});
        return inspect(args);
    }

    fixtures::CarFolder folder;
    std::filesystem::path picture_ = folder.modelFolder() / "paint.tga";
};

template <typename T>
std::vector<T> accessorValues(const tinygltf::Model& model, int accessorIndex) {
    const tinygltf::Accessor& accessor = model.accessors.at(static_cast<std::size_t>(accessorIndex));
    const tinygltf::BufferView& view = model.bufferViews.at(static_cast<std::size_t>(accessor.bufferView));
    const int components = tinygltf::GetNumComponentsInType(static_cast<uint32_t>(accessor.type));
    std::vector<T> values(accessor.count * static_cast<std::size_t>(components));
    std::memcpy(values.data(), model.buffers.at(0).data.data() + view.byteOffset + accessor.byteOffset,
                values.size() * sizeof(T));
    return values;
}

TEST_F(ExportTest, TheGlbHoldsEachDrawablePartWithItsLookAndTheFilesTextureCoordinates) {
    const std::filesystem::path glb = folder.modelFolder() / "car.glb";
    const InspectRun run = exportModel({"--glb", glb.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(run.out.ends_with("left out\t2\tits strip refers to a vertex it does not have\n")) << run.out;

    tinygltf::Model model;
    tinygltf::TinyGLTF reader;
    std::string error, warning;
    ASSERT_TRUE(reader.LoadBinaryFromFile(&model, &error, &warning, glb.string())) << error;
    EXPECT_EQ(model.asset.generator, "Korvex Model Viewer 1.0");
    ASSERT_EQ(model.meshes.size(), 2u);
    EXPECT_EQ(model.meshes[0].name, "Front");
    EXPECT_EQ(model.meshes[1].name, "Top");
    ASSERT_EQ(model.scenes.size(), 1u);
    EXPECT_EQ(model.scenes[0].nodes.size(), 2u);
    const tinygltf::Value& left = model.scenes[0].extras.Get("partsLeftOut");
    ASSERT_EQ(left.ArrayLen(), 1u);
    EXPECT_EQ(left.Get(0).Get("part").GetNumberAsInt(), 2);
    EXPECT_EQ(left.Get(0).Get("reason").Get<std::string>(), "its strip refers to a vertex it does not have");

    const tinygltf::Primitive& front = model.meshes[0].primitives.at(0);
    EXPECT_EQ(front.mode, TINYGLTF_MODE_TRIANGLES);
    EXPECT_EQ(accessorValues<uint16_t>(model, front.indices), (std::vector<uint16_t>{0, 1, 2, 2, 1, 3}));
    EXPECT_EQ(accessorValues<float>(model, front.attributes.at("POSITION")),
              (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0.5f}));
    // Texture coordinates as the file holds them, and normals of unit length.
    EXPECT_EQ(accessorValues<float>(model, front.attributes.at("TEXCOORD_0")),
              (std::vector<float>{0.25f, 0.75f, 0.5f, 0.125f, 0.0f, 1.0f, 1.0f, 0.0f}));
    EXPECT_EQ(accessorValues<float>(model, front.attributes.at("NORMAL")),
              (std::vector<float>{0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}));
    const tinygltf::Primitive& top = model.meshes[1].primitives.at(0);
    EXPECT_EQ(accessorValues<uint16_t>(model, top.indices).size(), 6u);

    const tinygltf::Material& opaque = model.materials.at(static_cast<std::size_t>(front.material));
    const tinygltf::Material& transparent = model.materials.at(static_cast<std::size_t>(top.material));
    EXPECT_EQ(opaque.name, "Front");
    EXPECT_EQ(opaque.alphaMode, "OPAQUE");
    EXPECT_EQ(transparent.alphaMode, "BLEND");
    EXPECT_EQ(transparent.pbrMetallicRoughness.baseColorTexture.index, -1);

    // The picture is inside the file as PNG, its rows turned so that glTF's
    // v = 0 meets the row the view shows at the top.
    const int texture = opaque.pbrMetallicRoughness.baseColorTexture.index;
    ASSERT_EQ(texture, 0);
    const tinygltf::Image& image = model.images.at(static_cast<std::size_t>(model.textures[0].source));
    EXPECT_EQ(image.mimeType, "image/png");
    EXPECT_EQ(image.name, "paint.tga");
    const PixelBuffer decoded = *DecodeTgaFile(picture_);
    ASSERT_EQ(image.width, 4);
    ASSERT_EQ(image.height, 2);
    ASSERT_EQ(decoded.bytesPerPixel, 3u);
    for (std::size_t row = 0; row < 2; ++row)
        for (std::size_t x = 0; x < 4; ++x)
            for (std::size_t c = 0; c < 3; ++c)
                EXPECT_EQ(image.image[(row * 4 + x) * static_cast<std::size_t>(image.component) + c],
                          decoded.pixels[((1 - row) * 4 + x) * 3 + c]);
}

TEST_F(ExportTest, TheObjHoldsOneGroupAndMaterialPerPartWithItsPictureBeside) {
    const std::filesystem::path obj = folder.modelFolder() / "car.obj";
    const InspectRun run = exportModel({"--obj", obj.string()});
    ASSERT_EQ(run.status, 0) << run.err;

    tinyobj::ObjReader reader;
    ASSERT_TRUE(reader.ParseFromFile(obj.string())) << reader.Error();
    EXPECT_EQ(reader.Warning(), "");
    const auto& shapes = reader.GetShapes();
    ASSERT_EQ(shapes.size(), 2u);
    EXPECT_EQ(shapes[0].name, "Front");
    EXPECT_EQ(shapes[1].name, "Top");
    EXPECT_EQ(shapes[0].mesh.num_face_vertices, (std::vector<unsigned char>{3, 3}));
    EXPECT_EQ(shapes[1].mesh.num_face_vertices.size(), 2u);
    const tinyobj::attrib_t& attrib = reader.GetAttrib();
    ASSERT_EQ(attrib.vertices.size(), 8u * 3);
    EXPECT_EQ(std::vector<float>(attrib.vertices.begin(), attrib.vertices.begin() + 12),
              (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0.5f}));
    // OBJ counts v up the picture, as the view does.
    EXPECT_EQ(std::vector<float>(attrib.texcoords.begin(), attrib.texcoords.begin() + 8),
              (std::vector<float>{0.25f, 0.25f, 0.5f, 0.875f, 0.0f, 0.0f, 1.0f, 1.0f}));
    EXPECT_EQ(attrib.normals[5], 2.0f);
    // The second group's corners are its own four vertices.
    EXPECT_EQ(shapes[1].mesh.indices[0].vertex_index, 4);

    const auto& materials = reader.GetMaterials();
    ASSERT_EQ(materials.size(), 2u);
    EXPECT_EQ(materials[0].name, "Front");
    EXPECT_EQ(materials[0].diffuse_texname, "car_paint.png");
    EXPECT_EQ(materials[1].dissolve, 0.5f);
    EXPECT_EQ(materials[1].diffuse_texname, "");
    EXPECT_EQ(shapes[1].mesh.material_ids[0], 1);
    EXPECT_EQ(images::readFile(folder.modelFolder() / "car_paint.png").at(1), 'P');

    std::ifstream text(obj);
    const std::string all((std::istreambuf_iterator<char>(text)), std::istreambuf_iterator<char>());
    EXPECT_NE(all.find("\n# part 2 \"Part_3\" left out: its strip refers to a vertex it does not have\n"),
              std::string::npos);
}

// The sample car, written both ways, read back by the glTF library and by
// the OBJ reader: the same parts, the same triangles corner for corner, and
// the vertices the loader holds.
TEST(ExportSampleCar, BothFilesHoldTheLoadedPartsTrianglesAndVertices) {
    fixtures::TempDir dir;
    const std::filesystem::path glb = dir.path() / "car.glb", obj = dir.path() / "car.obj";
    const InspectRun run = inspect({"export", KORVEX_SAMPLE_CAR, "--glb", glb.string(), "--obj", obj.string()});
    ASSERT_EQ(run.status, 0) << run.err;

    fixtures::LoadOutcome car;
    fixtures::openInto(car, KORVEX_SAMPLE_CAR);
    const PartList& list = car.state.partList;
    ASSERT_GT(list.PartCount, 10);

    tinygltf::Model model;
    tinygltf::TinyGLTF gltf;
    std::string error, warning;
    ASSERT_TRUE(gltf.LoadBinaryFromFile(&model, &error, &warning, glb.string())) << error;
    tinyobj::ObjReader reader;
    ASSERT_TRUE(reader.ParseFromFile(obj.string())) << reader.Error();
    const auto& shapes = reader.GetShapes();
    const tinyobj::attrib_t& attrib = reader.GetAttrib();
    ASSERT_EQ(model.meshes.size(), static_cast<std::size_t>(list.PartCount));
    ASSERT_EQ(shapes.size(), model.meshes.size());

    std::size_t totalTriangles = 0;
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        SCOPED_TRACE("part " + std::to_string(i));
        const VertexArray& vertices = list.PartVertices[i];
        // The strip's triangles that cover anything, counted here.
        const TriArray& strip = list.PartIndices[i];
        const auto apart = [&vertices](uint16_t p, uint16_t q) {
            return p != q && (vertices[p].Position[0] != vertices[q].Position[0] ||
                              vertices[p].Position[1] != vertices[q].Position[1] ||
                              vertices[p].Position[2] != vertices[q].Position[2]);
        };
        std::size_t triangles = 0;
        for (std::size_t k = 0; k + 2 < strip.size(); ++k)
            triangles +=
                apart(strip[k], strip[k + 1]) && apart(strip[k + 1], strip[k + 2]) && apart(strip[k], strip[k + 2]);
        totalTriangles += triangles;

        const tinygltf::Primitive& primitive = model.meshes[i].primitives.at(0);
        const std::vector<uint16_t> corners = accessorValues<uint16_t>(model, primitive.indices);
        const std::vector<float> positions = accessorValues<float>(model, primitive.attributes.at("POSITION"));
        const std::vector<float> uvs = accessorValues<float>(model, primitive.attributes.at("TEXCOORD_0"));
        ASSERT_EQ(corners.size(), triangles * 3);
        ASSERT_EQ(shapes[i].mesh.num_face_vertices.size(), triangles);
        ASSERT_EQ(positions.size(), vertices.size() * 3);

        // A few vertices: the loader's positions in both files; glTF's v as
        // the file holds it, OBJ's as the view draws it.
        for (const std::size_t v : {std::size_t{0}, vertices.size() / 2, vertices.size() - 1}) {
            for (int c = 0; c < 3; ++c) EXPECT_EQ(positions[v * 3 + c], vertices[v].Position[c]);
            EXPECT_EQ(uvs[v * 2], vertices[v].TexCoord[0]);
            EXPECT_EQ(uvs[v * 2 + 1], 1.0f - vertices[v].TexCoord[1]);
        }
        // Every corner of every triangle is the same point, in the same
        // order, in both files, with its texture coordinates.
        for (std::size_t corner = 0; corner < corners.size(); ++corner) {
            const tinyobj::index_t& index = shapes[i].mesh.indices[corner];
            const ModelVertex& expected = vertices[corners[corner]];
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(attrib.vertices[static_cast<std::size_t>(index.vertex_index) * 3 + c], expected.Position[c]);
            ASSERT_EQ(attrib.texcoords[static_cast<std::size_t>(index.texcoord_index) * 2], expected.TexCoord[0]);
            ASSERT_EQ(attrib.texcoords[static_cast<std::size_t>(index.texcoord_index) * 2 + 1], expected.TexCoord[1]);
        }
    }
    EXPECT_GT(totalTriangles, 25000u);
}

TEST_F(ExportTest, AFileThatCannotBeWrittenIsReportedAndLeavesNothingBehind) {
    const std::filesystem::path missing = folder.modelFolder() / "missing" / "car.glb";
    const InspectRun run = exportModel({"--glb", missing.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "korvex-inspect: cannot write " + missing.string() + ": No such file or directory\n");

    // The MTL file's name is taken by a folder: neither the OBJ nor the
    // picture is put in place, and no temporary file stays.
    const std::vector<std::string> before = {"car.mtl", "car.o", "geomdata.ini", "paint.tga"};
    std::filesystem::create_directory(folder.modelFolder() / "car.mtl");
    ASSERT_EQ(fixtures::filesIn(folder.modelFolder()), before);
    const InspectRun blocked = exportModel({"--obj", (folder.modelFolder() / "car.obj").string()});
    EXPECT_EQ(blocked.status, 1);
    EXPECT_NE(blocked.err.find("cannot write " + (folder.modelFolder() / "car.mtl").string()), std::string::npos)
        << blocked.err;
    EXPECT_EQ(fixtures::filesIn(folder.modelFolder()), before);

    // A model that does not load writes nothing.
    const InspectRun nothing = inspect({"export", (folder.modelFolder() / "none.o").string(), "--glb", "x.glb"});
    EXPECT_EQ(nothing.status, 1);
    EXPECT_NE(nothing.err.find("nothing to export"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("x.glb"));
}

TEST_F(ExportTest, AnExistingFileIsReplacedWholeAndHiddenPartsCanBeLeftOut) {
    const std::filesystem::path glb = folder.modelFolder() / "car.glb";
    fixtures::writeText(glb, std::string(1 << 20, 'x'));
    ASSERT_EQ(exportModel({"--glb", glb.string()}).status, 0);
    EXPECT_LT(std::filesystem::file_size(glb), 1u << 20);
    EXPECT_EQ(images::readFile(glb).at(0), 'g');

    fixtures::LoadOutcome outcome;
    fixtures::openInto(outcome, folder.model());
    outcome.state.partList.PartVisible[0] = 0;
    const ExportScene all = collectExport(outcome.state, {});
    ExportChoices checkedOnly;
    checkedOnly.leaveOutHidden = true;
    const ExportScene shown = collectExport(outcome.state, checkedOnly);
    ASSERT_EQ(all.parts.size(), 2u);
    ASSERT_EQ(shown.parts.size(), 1u);
    EXPECT_EQ(shown.parts[0].name, "Top");
    // With the level of detail in use, what the slider does not show is left
    // out and named: the front is drawn from 40 to 100, the top from 0 to 39.
    for (const auto& [level, kept, left] : {std::tuple{40, "Front", "Top"}, {39, "Top", "Front"}}) {
        ExportChoices atLevel;
        atLevel.detailLevel = level;
        const ExportScene detailed = collectExport(outcome.state, atLevel);
        ASSERT_EQ(detailed.parts.size(), 1u) << level;
        EXPECT_EQ(detailed.parts[0].name, kept);
        // The third part, its strip broken, is left out for that.
        ASSERT_EQ(detailed.leftOut.size(), 2u);
        EXPECT_EQ(detailed.leftOut[0].name, left);
        EXPECT_EQ(detailed.leftOut[0].reason, "the level of detail shown leaves it out");
        EXPECT_EQ(detailed.leftOut[1].partIndex, 2u);
    }
    // A renamed part is written under its new name.
    outcome.state.tree.PartNodes[1].Caption = u"Dach \u00fc\u20ac";
    EXPECT_EQ(collectExport(outcome.state, {}).parts[1].name, "Dach \xc3\xbc\xe2\x82\xac");
}

TEST(ExportCommand, TakesOnlyWellFormedCommandLines) {
    EXPECT_EQ(inspect({"export", "car.o"}).status, 2);
    EXPECT_EQ(inspect({"export", "car.o", "--glb"}).status, 2);
    EXPECT_EQ(inspect({"export", "car.o", "--glb", "a.glb", "--texture", "x=paint.tga"}).status, 2);
    EXPECT_EQ(inspect({"export", "car.o", "--ply", "a.ply"}).status, 2);
    EXPECT_EQ(exportFormatOf("a/B.GLB"), ExportFormat::Glb);
    EXPECT_EQ(exportFormatOf("b.obj"), ExportFormat::Obj);
    EXPECT_EQ(exportFormatOf("c.gltf"), std::nullopt);
}

}  // namespace
}  // namespace korvex
