#include "export_scene.h"

#include "image_file.h"

#include "model/text_conversion.h"
#include "settings/geomdata_file.h"

#include <QBuffer>
#include <QImage>

#include <algorithm>
#include <cmath>

namespace korvex {

namespace {

bool allFinite(const VertexArray& vertices) {
    return std::all_of(vertices.begin(), vertices.end(), [](const ModelVertex& v) {
        return std::isfinite(v.Position[0]) && std::isfinite(v.Position[1]) && std::isfinite(v.Position[2]) &&
               std::isfinite(v.Normal[0]) && std::isfinite(v.Normal[1]) && std::isfinite(v.Normal[2]) &&
               std::isfinite(v.TexCoord[0]) && std::isfinite(v.TexCoord[1]);
    });
}

// The name the tree shows for each part; the part's own name where no node has it.
std::vector<std::string> treeNames(const ProgramState& state) {
    std::vector<std::string> names;
    for (const GeometryPart& part : state.partList.Parts) names.push_back(wideToUtf8(latin1ToWide(part.Name)));
    for (const PartNodeData& node : state.tree.PartNodes)
        if (node.PartIndex >= 0 && static_cast<std::size_t>(node.PartIndex) < names.size())
            names[static_cast<std::size_t>(node.PartIndex)] = wideToUtf8(node.Caption);
    return names;
}

// Each library entry's place among the scene's textures, made the first
// time a part asks for it; -1 for one whose picture cannot be had.
class TextureSlots {
public:
    TextureSlots(const TextureLibrary& library, const TexturePictureSource& pictures, ExportScene& scene)
        : library_(library), pictures_(pictures), scene_(scene), slots_(library.size(), Unasked) {}

    int32_t slotFor(int32_t textureIndex) {
        if (textureIndex <= 0 || static_cast<std::size_t>(textureIndex) > library_.size()) return -1;
        const std::size_t entry = static_cast<std::size_t>(textureIndex) - 1;
        if (slots_[entry] == Unasked) {
            slots_[entry] = -1;
            if (pictures_) {
                if (const std::optional<PixelBuffer> picture = pictures_(entry)) {
                    scene_.textures.push_back({library_[entry].DisplayName, encodePng(*picture)});
                    slots_[entry] = static_cast<int32_t>(scene_.textures.size()) - 1;
                }
            }
        }
        return slots_[entry];
    }

private:
    static constexpr int32_t Unasked = -2;
    const TextureLibrary& library_;
    const TexturePictureSource& pictures_;
    ExportScene& scene_;
    std::vector<int32_t> slots_;
};

}  // namespace

ExportScene collectExport(const ProgramState& state, const ExportChoices& choices) {
    ExportScene scene;
    if (!state.ModelLoaded) return scene;
    scene.modelName = wideToUtf8(state.tree.RootNode.Caption);
    const PartList& list = state.partList;
    // The parts the last load decoded, as the view draws them.
    const std::size_t count = drawablePartCount(list);
    const std::vector<std::string> names = treeNames(state);
    TextureSlots textureSlots(state.textureLibrary, choices.pictures, scene);
    for (std::size_t i = 0; i < count; ++i) {
        if (choices.leaveOutHidden && list.PartVisible[i] == 0) continue;
        const GeometryPart& part = list.Parts[i];
        const auto leaveOut = [&](const char* reason) { scene.leftOut.push_back({i, names[i], reason}); };
        if (choices.detailLevel && !passesLevelOfDetail(state, static_cast<int32_t>(i), *choices.detailLevel)) {
            leaveOut("the level of detail shown leaves it out");
            continue;
        }
        if (!part.IndicesInRange) {
            leaveOut("its strip refers to a vertex it does not have");
            continue;
        }
        if (!allFinite(list.PartVertices[i])) {
            leaveOut("it holds a coordinate that is not a finite number");
            continue;
        }
        ExportPart exported;
        forEachStripTriangle(list.PartIndices[i], list.PartVertices[i],
                             [&](uint16_t, uint16_t, uint16_t) { ++exported.triangleCount; });
        if (exported.triangleCount == 0) {
            leaveOut("its strip makes no triangle");
            continue;
        }
        exported.partIndex = i;
        exported.name = names[i];
        exported.vertices = &list.PartVertices[i];
        exported.strip = &list.PartIndices[i];
        std::copy(std::begin(part.Colour), std::end(part.Colour), exported.colour);
        exported.transparent = part.Transparent != 0;
        exported.reflective = part.EnvironmentMapped != 0;
        exported.texture = textureSlots.slotFor(part.TextureIndex);
        scene.parts.push_back(std::move(exported));
    }
    return scene;
}

std::vector<uint8_t> encodePng(const PixelBuffer& picture) {
    const QImage rows = imageOfRows(picture);
    if (rows.isNull()) throw ExportError("a texture's picture is not one that can be written");
    QImage image = rows.mirrored(false, true);
    // A picture that is opaque all over is written without its alpha channel.
    bool opaque = picture.bytesPerPixel == 4;
    for (std::size_t k = 3; opaque && k < picture.rowBytes() * picture.height; k += 4)
        opaque = picture.pixels[k] == 255;
    if (opaque) image = image.convertToFormat(QImage::Format_RGB888);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) throw ExportError("a texture's picture could not be encoded as PNG");
    return {bytes.begin(), bytes.end()};
}

}  // namespace korvex
