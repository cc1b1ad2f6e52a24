#include "scene_builder.h"

#include <string>

namespace korvex::fixtures {

namespace {

ModelVertex vertexAt(float x, float y, float z) {
    ModelVertex v{};
    v.Position[0] = x;
    v.Position[1] = y;
    v.Position[2] = z;
    v.Normal[2] = 1.0f;
    v.TexCoord[0] = (x + 1.0f) / 2.0f;
    v.TexCoord[1] = (y + 1.0f) / 2.0f;
    return v;
}

int32_t addPart(ProgramState& state, VertexArray vertices, const PartLook& look) {
    PartList& list = state.partList;
    const std::size_t part = list.Parts.size();
    list.resize(part + 1);
    list.PartCount = static_cast<int32_t>(part + 1);
    GeometryPart& geometry = list.Parts[part];
    geometry.Name = "Part " + std::to_string(part);
    for (int c = 0; c < 3; ++c) geometry.Colour[c] = look.colour[static_cast<std::size_t>(c)];
    geometry.Transparent = look.transparent ? 1 : 0;
    geometry.EnvironmentMapped = look.environmentMapped ? 1 : 0;
    geometry.TextureIndex = look.textureIndex;
    if (look.settingsRow >= 0) {
        geometry.SettingsRow = look.settingsRow;
    } else {
        geometry.SettingsRow = static_cast<int32_t>(state.geomData.size());
        state.geomData.push_back(GeomDataEntry{geometry.Name, 100, 0, 0, 0});
    }
    TriArray& indices = list.PartIndices[part];
    for (std::size_t i = 0; i < vertices.size(); ++i) indices.push_back(static_cast<uint16_t>(i));
    list.PartVertices[part] = std::move(vertices);
    list.PartVisible[part] = 1;
    state.ModelLoaded = true;
    return static_cast<int32_t>(part);
}

}  // namespace

int32_t addSquare(ProgramState& state, float x, float y, float z, float size, const PartLook& look) {
    const float h = size / 2.0f;
    return addPart(state,
                   {vertexAt(x - h, y - h, z), vertexAt(x + h, y - h, z), vertexAt(x - h, y + h, z),
                    vertexAt(x + h, y + h, z)},
                   look);
}

int32_t addTriangle(ProgramState& state, std::array<std::array<float, 2>, 3> corners, const PartLook& look) {
    VertexArray vertices;
    for (const auto& [x, y] : corners) vertices.push_back(vertexAt(x, y, 0.0f));
    return addPart(state, std::move(vertices), look);
}

void lookHeadOn(ViewState& view) {
    view.RotationX = 0.0f;
    view.RotationY = 0.0f;
    view.ZoomZ = -4.0f;
}

}  // namespace korvex::fixtures
