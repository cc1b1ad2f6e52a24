#include "model_export.h"

#include "file_set.h"
#include "model/program_name.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <sstream>

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

// The square of a vertex's normal's length.
double normalSquare(const ModelVertex& v) {
    return double{v.Normal[0]} * v.Normal[0] + double{v.Normal[1]} * v.Normal[1] + double{v.Normal[2]} * v.Normal[2];
}

// Whether every vertex's normal has a direction. A part with one that has
// none is written without normals, and readers work them out from its faces.
bool allNormalsHaveDirections(const VertexArray& vertices) {
    return std::all_of(vertices.begin(), vertices.end(), [](const ModelVertex& v) { return normalSquare(v) > 1e-12; });
}

// Each normal as a unit vector; one that is unit length within float
// rounding is kept exactly as stored.
void writeUnitNormals(const VertexArray& vertices, uint8_t* out) {
    for (const ModelVertex& v : vertices) {
        const double square = normalSquare(v);
        const double scale = std::abs(square - 1.0) <= 1e-6 ? 1.0 : 1.0 / std::sqrt(square);
        float normal[3];
        for (int k = 0; k < 3; ++k) normal[k] = static_cast<float>(v.Normal[k] * scale);
        std::memcpy(out, normal, sizeof normal);
        out += sizeof normal;
    }
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
        return std::move(model_);
    }

    // The binary chunk's length: every piece, each padded to four bytes.
    std::size_t binarySize() const { return layout_.size(); }

    // Writes the binary chunk's contents piece by piece, with the zeros
    // between them; no copy of the whole chunk is ever made.
    void writeBinary(std::ostream& out) const {
        std::vector<uint8_t> staging;
        std::size_t at = 0;
        for (const Piece& piece : pieces_) {
            staging.assign(piece.offset - at, 0);
            staging.resize(piece.offset - at + piece.size);
            piece.fill(staging.data() + (piece.offset - at));
            out.write(reinterpret_cast<const char*>(staging.data()), static_cast<std::streamsize>(staging.size()));
            at = piece.offset + piece.size;
        }
        static constexpr char zeros[4] = {};
        out.write(zeros, static_cast<std::streamsize>(layout_.size() - at));
    }

private:
    // Writes a piece of the binary chunk straight into its place, once the
    // whole layout is known and the chunk made.
    using Fill = std::function<void(uint8_t*)>;
    struct Piece {
        std::size_t offset;
        std::size_t size;
        Fill fill;
    };

    int addView(std::size_t bytes, int target, Fill fill) {
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = layout_.reserve(bytes);
        view.byteLength = bytes;
        view.target = target;
        pieces_.push_back({view.byteOffset, bytes, std::move(fill)});
        model_.bufferViews.push_back(view);
        return static_cast<int>(model_.bufferViews.size()) - 1;
    }

    // A copy of `bytes` bytes at `data`, which outlive the builder.
    int addView(const void* data, std::size_t bytes, int target) {
        return addView(bytes, target, [data, bytes](uint8_t* out) { std::memcpy(out, data, bytes); });
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

    // `count` vertices' worth of `components` floats each, written by `fill`.
    int addFloats(std::size_t count, int components, int type, Fill fill) {
        const std::size_t bytes = count * static_cast<std::size_t>(components) * sizeof(float);
        return addAccessor(addView(bytes, TINYGLTF_TARGET_ARRAY_BUFFER, std::move(fill)), TINYGLTF_COMPONENT_TYPE_FLOAT,
                           type, count);
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
        std::vector<double> low(3, std::numeric_limits<double>::infinity());
        std::vector<double> high(3, -std::numeric_limits<double>::infinity());
        for (const ModelVertex& v : vertices) {
            for (int k = 0; k < 3; ++k) {
                low[k] = std::min(low[k], double{v.Position[k]});
                high[k] = std::max(high[k], double{v.Position[k]});
            }
        }

        tinygltf::Primitive primitive;
        primitive.mode = TINYGLTF_MODE_TRIANGLES;
        primitive.attributes["POSITION"] =
            addFloats(vertices.size(), 3, TINYGLTF_TYPE_VEC3, [&vertices](uint8_t* out) {
                for (const ModelVertex& v : vertices) {
                    std::memcpy(out, v.Position, sizeof v.Position);
                    out += sizeof v.Position;
                }
            });
        model_.accessors.back().minValues = low;
        model_.accessors.back().maxValues = high;
        if (allNormalsHaveDirections(vertices))
            primitive.attributes["NORMAL"] = addFloats(vertices.size(), 3, TINYGLTF_TYPE_VEC3,
                                                       [&vertices](uint8_t* out) { writeUnitNormals(vertices, out); });
        primitive.attributes["TEXCOORD_0"] =
            addFloats(vertices.size(), 2, TINYGLTF_TYPE_VEC2, [&vertices](uint8_t* out) {
                for (const ModelVertex& v : vertices) {
                    // glTF's v runs down the picture, as the model file's does.
                    const float uv[2] = {v.TexCoord[0], 1.0f - v.TexCoord[1]};
                    std::memcpy(out, uv, sizeof uv);
                    out += sizeof uv;
                }
            });
        primitive.indices = addIndices(part);
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
    int addIndices(const ExportPart& part) {
        const TriArray& strip = *part.strip;
        const bool wide = std::find(strip.begin(), strip.end(), uint16_t{0xFFFF}) != strip.end();
        const std::size_t count = part.triangleCount * 3;
        const VertexArray& vertices = *part.vertices;
        const auto write = [&strip, &vertices](auto index, uint8_t* out) {
            forEachStripTriangle(strip, vertices, [&](uint16_t a, uint16_t b, uint16_t c) {
                const decltype(index) corners[3] = {a, b, c};
                std::memcpy(out, corners, sizeof corners);
                out += sizeof corners;
            });
        };
        const int view =
            wide ? addView(count * sizeof(uint32_t), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER,
                           [write](uint8_t* out) { write(uint32_t{}, out); })
                 : addView(count * sizeof(uint16_t), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER,
                           [write](uint8_t* out) { write(uint16_t{}, out); });
        return addAccessor(view, wide ? TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT : TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT,
                           TINYGLTF_TYPE_SCALAR, count);
    }

    Value leftOutNote() const {
        Value::Array parts;
        for (const LeftOutPart& left : scene_.leftOut)
            parts.push_back(Value(Value::Object{{"part", Value(static_cast<int>(left.partIndex))},
                                                {"name", Value(left.name)},
                                                {"reason", Value(left.reason)}}));
        return Value(Value::Object{{"partsLeftOut", Value(std::move(parts))}});
    }

    const ExportScene& scene_;
    tinygltf::Model model_;
    BufferLayout layout_;
    std::vector<Piece> pieces_;
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

namespace {

template <typename Number>
void putLittleEndian(std::ostream& out, Number value) {
    static_assert(std::endian::native == std::endian::little, "GLB numbers are little-endian");
    out.write(reinterpret_cast<const char*>(&value), sizeof value);
}

// The glTF document as the library writes it, with the one buffer, the
// binary chunk, named in it.
std::string gltfJson(const tinygltf::Model& model, std::size_t binarySize, const std::filesystem::path& path) {
    std::ostringstream text;
    tinygltf::TinyGLTF writer;
    writer.WriteGltfSceneToStream(&model, text, false, false);
    std::string json = text.str();
    while (!json.empty() && std::isspace(static_cast<unsigned char>(json.back()))) json.pop_back();
    if (json.size() < 2 || json.front() != '{' || json.back() != '}')
        throw ExportError("cannot write " + path.string() + ": the glTF library wrote no document");
    if (binarySize > 0)
        json.insert(json.size() - 1, ",\"buffers\":[{\"byteLength\":" + std::to_string(binarySize) + "}]");
    // The JSON chunk is padded with spaces to four bytes.
    json.append((4 - json.size() % 4) % 4, ' ');
    return json;
}

}  // namespace

// The library writes the document; the binary container around it is laid
// out here, so that the vertex data goes to the file straight from the
// model: the library's own GLB writer makes a copy of the whole binary
// chunk first, and the fresh pages of those copies took nine tenths of a
// large model's export.
void writeGlb(const ExportScene& scene, const std::filesystem::path& path) {
    GlbBuilder builder(scene);
    const tinygltf::Model model = builder.build();
    const std::size_t binary = builder.binarySize();
    const std::string json = gltfJson(model, binary, path);
    const uint64_t total = 12 + 8 + json.size() + (binary > 0 ? 8 + binary : 0);
    if (total > std::numeric_limits<uint32_t>::max())
        throw ExportError("cannot write " + path.string() + ": the model is larger than a .glb file can hold");

    FileSet files;
    std::ostream& out = files.add(path);
    out.write("glTF", 4);
    putLittleEndian(out, uint32_t{2});
    putLittleEndian(out, static_cast<uint32_t>(total));
    putLittleEndian(out, static_cast<uint32_t>(json.size()));
    out.write("JSON", 4);
    out.write(json.data(), static_cast<std::streamsize>(json.size()));
    if (binary > 0) {
        putLittleEndian(out, static_cast<uint32_t>(binary));
        out.write("BIN\0", 4);
        builder.writeBinary(out);
    }
    files.commit();
}

void writeExport(const ExportScene& scene, ExportFormat format, const std::filesystem::path& path) {
    if (format == ExportFormat::Glb)
        writeGlb(scene, path);
    else
        writeObj(scene, path);
}

}  // namespace korvex
