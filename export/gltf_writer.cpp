#include "model_export.h"

#include "file_set.h"
#include "model/program_name.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <list>

namespace korvex {

namespace {

using tinygltf::Value;

// Lays the binary chunk out: each piece starts on a four-byte boundary, as
// accessors of floats require.
class BufferLayout {
public:
    std::size_t reserve(std::size_t bytes) {
        const std::size_t at = size_;
        size_ = (size_ + bytes + 3) & ~std::size_t{3};
        return at;
    }
    std::size_t size() const { return size_; }

private:
    std::size_t size_ = 0;
};

// The normal of each vertex as a unit vector, or nothing when one of them
// has no direction: the part is then written without normals, and readers
// work them out from its faces.
std::optional<std::vector<float>> unitNormals(const VertexArray& vertices) {
    std::vector<float> normals;
    normals.reserve(vertices.size() * 3);
    for (const ModelVertex& v : vertices) {
        const double square =
            double{v.Normal[0]} * v.Normal[0] + double{v.Normal[1]} * v.Normal[1] + double{v.Normal[2]} * v.Normal[2];
        if (!(square > 1e-12)) return std::nullopt;
        // Normals that are unit length within float rounding are kept exactly as stored.
        const double scale = std::abs(square - 1.0) <= 1e-6 ? 1.0 : 1.0 / std::sqrt(square);
        for (int k = 0; k < 3; ++k) normals.push_back(static_cast<float>(v.Normal[k] * scale));
    }
    return normals;
}

class GlbBuilder {
public:
    explicit GlbBuilder(const ExportScene& scene) : scene_(scene) {
        model_.asset.version = "2.0";
        model_.asset.generator = exportGenerator();
    }

    tinygltf::Model build() {
        addTextures();
        tinygltf::Scene root;
        root.name = scene_.modelName;
        for (const ExportPart& part : scene_.parts) root.nodes.push_back(addPart(part));
        if (!scene_.leftOut.empty()) root.extras = leftOutNote();
        model_.scenes.push_back(std::move(root));
        model_.defaultScene = 0;
        fillBuffer();
        return std::move(model_);
    }

private:
    // A piece of the binary chunk, copied in once the whole layout is known.
    struct Piece {
        std::size_t offset;
        const void* data;
        std::size_t size;
    };

    int addView(const void* data, std::size_t bytes, int target) {
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = layout_.reserve(bytes);
        view.byteLength = bytes;
        view.target = target;
        pieces_.push_back({view.byteOffset, data, bytes});
        model_.bufferViews.push_back(view);
        return static_cast<int>(model_.bufferViews.size()) - 1;
    }

    int addAccessor(int view, int componentType, int type, std::size_t count) {
        tinygltf::Accessor accessor;
        accessor.bufferView = view;
        accessor.byteOffset = 0;
        accessor.componentType = componentType;
        accessor.type = type;
        accessor.count = count;
        model_.accessors.push_back(accessor);
        return static_cast<int>(model_.accessors.size()) - 1;
    }

    template <typename Element>
    int addFloats(std::vector<Element>&& values, int type, std::size_t count) {
        kept_.emplace_back(reinterpret_cast<const char*>(values.data()),
                           reinterpret_cast<const char*>(values.data() + values.size()));
        const std::string& bytes = kept_.back();
        return addAccessor(addView(bytes.data(), bytes.size(), TINYGLTF_TARGET_ARRAY_BUFFER),
                           TINYGLTF_COMPONENT_TYPE_FLOAT, type, count);
    }

    void addTextures() {
        if (scene_.textures.empty()) return;
        tinygltf::Sampler sampler;
        sampler.magFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
        sampler.minFilter = TINYGLTF_TEXTURE_FILTER_LINEAR_MIPMAP_LINEAR;
        model_.samplers.push_back(sampler);
        for (const ExportTexture& texture : scene_.textures) {
            tinygltf::Image image;
            image.name = texture.name;
            image.mimeType = "image/png";
            image.bufferView = addView(texture.png.data(), texture.png.size(), 0);
            model_.images.push_back(image);
            tinygltf::Texture entry;
            entry.name = texture.name;
            entry.sampler = 0;
            entry.source = static_cast<int>(model_.images.size()) - 1;
            model_.textures.push_back(entry);
        }
    }

    int addMaterial(const ExportPart& part) {
        tinygltf::Material material;
        material.name = part.name;
        tinygltf::PbrMetallicRoughness& look = material.pbrMetallicRoughness;
        // The view adds a transparent part's light to what lies behind it;
        // half its colour over the background is the nearest blend.
        look.baseColorFactor = {part.colour[0], part.colour[1], part.colour[2], part.transparent ? 0.5 : 1.0};
        look.metallicFactor = 0.0;
        look.roughnessFactor = part.reflective ? 0.2 : 0.8;
        if (part.texture >= 0) look.baseColorTexture.index = part.texture;
        if (part.transparent) material.alphaMode = "BLEND";
        // The view draws both faces of every triangle.
        material.doubleSided = true;
        model_.materials.push_back(material);
        return static_cast<int>(model_.materials.size()) - 1;
    }

    int addPart(const ExportPart& part) {
        const VertexArray& vertices = *part.vertices;
        std::vector<float> positions, texCoords;
        positions.reserve(vertices.size() * 3);
        texCoords.reserve(vertices.size() * 2);
        std::vector<double> low(3, std::numeric_limits<double>::infinity());
        std::vector<double> high(3, -std::numeric_limits<double>::infinity());
        for (const ModelVertex& v : vertices) {
            for (int k = 0; k < 3; ++k) {
                positions.push_back(v.Position[k]);
                low[k] = std::min(low[k], double{v.Position[k]});
                high[k] = std::max(high[k], double{v.Position[k]});
            }
            // glTF's v runs down the picture, as the model file's does.
            texCoords.push_back(v.TexCoord[0]);
            texCoords.push_back(1.0f - v.TexCoord[1]);
        }

        tinygltf::Primitive primitive;
        primitive.mode = TINYGLTF_MODE_TRIANGLES;
        primitive.attributes["POSITION"] = addFloats(std::move(positions), TINYGLTF_TYPE_VEC3, vertices.size());
        model_.accessors.back().minValues = low;
        model_.accessors.back().maxValues = high;
        if (auto normals = unitNormals(vertices))
            primitive.attributes["NORMAL"] = addFloats(std::move(*normals), TINYGLTF_TYPE_VEC3, vertices.size());
        primitive.attributes["TEXCOORD_0"] = addFloats(std::move(texCoords), TINYGLTF_TYPE_VEC2, vertices.size());
        primitive.indices = addIndices(part.corners);
        primitive.material = addMaterial(part);

        tinygltf::Mesh mesh;
        mesh.name = part.name;
        mesh.primitives.push_back(std::move(primitive));
        model_.meshes.push_back(std::move(mesh));
        tinygltf::Node node;
        node.name = part.name;
        node.mesh = static_cast<int>(model_.meshes.size()) - 1;
        model_.nodes.push_back(std::move(node));
        return static_cast<int>(model_.nodes.size()) - 1;
    }

    // Sixteen-bit indices, unless one is 65535, which readers may take for
    // the end of a strip.
    int addIndices(const std::vector<uint16_t>& corners) {
        const bool wide = std::find(corners.begin(), corners.end(), uint16_t{0xFFFF}) != corners.end();
        int view;
        if (wide) {
            std::vector<uint32_t> widened(corners.begin(), corners.end());
            kept_.emplace_back(reinterpret_cast<const char*>(widened.data()), widened.size() * sizeof(uint32_t));
            view = addView(kept_.back().data(), kept_.back().size(), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
        } else {
            view = addView(corners.data(), corners.size() * sizeof(uint16_t), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
        }
        return addAccessor(view, wide ? TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT : TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT,
                           TINYGLTF_TYPE_SCALAR, corners.size());
    }

    Value leftOutNote() const {
        Value::Array parts;
        for (const LeftOutPart& left : scene_.leftOut)
            parts.push_back(Value(Value::Object{{"part", Value(static_cast<int>(left.partIndex))},
                                                {"name", Value(left.name)},
                                                {"reason", Value(left.reason)}}));
        return Value(Value::Object{{"partsLeftOut", Value(std::move(parts))}});
    }

    void fillBuffer() {
        if (layout_.size() == 0) return;
        tinygltf::Buffer buffer;
        buffer.data.resize(layout_.size());
        for (const Piece& piece : pieces_) std::memcpy(buffer.data.data() + piece.offset, piece.data, piece.size);
        model_.buffers.push_back(std::move(buffer));
    }

    const ExportScene& scene_;
    tinygltf::Model model_;
    BufferLayout layout_;
    std::vector<Piece> pieces_;
    // Data made for the file, kept until the buffer is filled; a list, so
    // that what the pieces point at never moves.
    std::list<std::string> kept_;
};

}  // namespace

std::string exportGenerator() {
    return std::string(ApplicationTitle) + " " + std::string(ProgramVersion);
}

std::optional<ExportFormat> exportFormatOf(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".glb") return ExportFormat::Glb;
    if (extension == ".obj") return ExportFormat::Obj;
    return std::nullopt;
}

void writeGlb(const ExportScene& scene, const std::filesystem::path& path) {
    const tinygltf::Model model = GlbBuilder(scene).build();
    FileSet files;
    std::ostream& out = files.add(path);
    tinygltf::TinyGLTF writer;
    if (!writer.WriteGltfSceneToStream(&model, out, false, true) && out.good())
        throw ExportError("cannot write " + path.string() + ": the glTF library refused the scene");
    files.commit();
}

void writeExport(const ExportScene& scene, ExportFormat format, const std::filesystem::path& path) {
    if (format == ExportFormat::Glb)
        writeGlb(scene, path);
    else
        writeObj(scene, path);
}

}  // namespace korvex
