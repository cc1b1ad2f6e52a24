#include "model_export.h"

#include "export_writers.h"
#include "model/program_name.h"
#include "model/text_conversion.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string_view>
#include <vector>

namespace korvex {

namespace {

// The numbers glTF gives its choices.
enum : int {
    ModeTriangles = 4,
    UnsignedShort = 5123,
    UnsignedInt = 5125,
    Float = 5126,
    FilterLinear = 9729,
    FilterLinearMipmapLinear = 9987,
    ArrayBuffer = 34962,
    ElementArrayBuffer = 34963,
};

// The document's text, written as it goes: a model of many parts costs the
// length of its text, not a tree of objects for every value in it.
class JsonText {
public:
    std::string text;

    JsonText& raw(std::string_view piece) {
        text.append(piece);
        return *this;
    }
    // A string, valid UTF-8, with what JSON cannot hold as it is escaped.
    JsonText& string(std::string_view value) {
        text.push_back('"');
        for (const char c : validUtf8(value)) {
            const auto byte = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') {
                text.push_back('\\');
                text.push_back(c);
            } else if (byte < 0x20) {
                static constexpr char hex[] = "0123456789abcdef";
                text.append("\\u00");
                text.push_back(hex[byte >> 4]);
                text.push_back(hex[byte & 15]);
            } else {
                text.push_back(c);
            }
        }
        text.push_back('"');
        return *this;
    }
    // A number with the fewest digits that read back as the same value.
    template <typename Number>
    JsonText& number(Number value) {
        char digits[32];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        text.append(digits, static_cast<std::size_t>(end - digits));
        return *this;
    }
    // "key": followed by the value the caller writes, after a comma unless `first`.
    JsonText& key(std::string_view name, bool first = false) {
        if (!first) text.push_back(',');
        string(name);
        text.push_back(':');
        return *this;
    }
    // An array of `count` elements, each written by element(k).
    template <typename Element>
    JsonText& array(std::size_t count, Element&& element) {
        text.push_back('[');
        for (std::size_t k = 0; k < count; ++k) {
            if (k > 0) text.push_back(',');
            element(k);
        }
        text.push_back(']');
        return *this;
    }
};

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

// One glTF file: the parts' arrays laid out in the binary chunk, a few
// numbers kept for each, and the document written from those numbers.
class GlbBuilder {
public:
    explicit GlbBuilder(const ExportScene& scene) : scene_(scene) {
        for (const ExportTexture& texture : scene_.textures) {
            const std::size_t at = layout_.reserve(texture.png.size());
            const uint8_t* data = texture.png.data();
            const std::size_t size = texture.png.size();
            pieces_.push_back({at, size, [data, size](uint8_t* out) { std::memcpy(out, data, size); }});
            views_.push_back({at, size, 0});
        }
        for (const ExportPart& part : scene_.parts) addPart(part);
    }

    // The document, with the one buffer, the binary chunk, named in it,
    // padded with spaces to four bytes.
    std::string json() const {
        JsonText json;
        json.raw("{").key("asset", true).raw("{").key("generator", true).string(exportGenerator());
        json.key("version").string("2.0").raw("}");
        json.key("scene").number(0);
        json.key("scenes").raw("[{").key("name", true).string(scene_.modelName);
        json.key("nodes").array(parts_.size(), [&](std::size_t k) { json.number(k); });
        if (!scene_.leftOut.empty()) writeLeftOut(json);
        json.raw("}]");
        if (!parts_.empty()) {
            json.key("nodes").array(parts_.size(), [&](std::size_t k) {
                json.raw("{").key("mesh", true).number(k).key("name").string(scene_.parts[k].name).raw("}");
            });
            json.key("meshes").array(parts_.size(), [&](std::size_t k) { writeMesh(json, k); });
            json.key("materials").array(parts_.size(), [&](std::size_t k) { writeMaterial(json, scene_.parts[k]); });
            json.key("accessors").raw("[");
            for (const PartArrays& arrays : parts_) writeAccessors(json, arrays);
            json.text.back() = ']';
        }
        writeViews(json);
        if (layout_.size() > 0) json.key("buffers").raw("[{").key("byteLength", true).number(layout_.size()).raw("}]");
        if (!scene_.textures.empty()) writeTextures(json);
        json.raw("}");
        json.text.append((4 - json.text.size() % 4) % 4, ' ');
        return std::move(json.text);
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
    // Writes a piece of the binary chunk straight into its place.
    using Fill = std::function<void(uint8_t*)>;
    struct Piece {
        std::size_t offset;
        std::size_t size;
        Fill fill;
    };
    struct View {
        std::size_t offset, size;
        int target;
    };
    // A part's arrays, each an accessor over a view of its own, numbered
    // from the part's first: position, normal (where every normal has a
    // direction), texture coordinate, then the indices.
    struct PartArrays {
        std::size_t firstAccessor = 0;
        std::size_t vertices = 0, indices = 0;
        bool normals = false;
        bool wideIndices = false;
        float low[3], high[3];
    };

    void reserve(std::size_t bytes, int target, Fill fill) {
        const std::size_t at = layout_.reserve(bytes);
        pieces_.push_back({at, bytes, std::move(fill)});
        views_.push_back({at, bytes, target});
    }

    void addPart(const ExportPart& part) {
        const VertexArray& vertices = *part.vertices;
        PartArrays arrays{};
        arrays.firstAccessor = views_.size() - scene_.textures.size();
        arrays.vertices = vertices.size();
        for (int k = 0; k < 3; ++k) {
            arrays.low[k] = std::numeric_limits<float>::infinity();
            arrays.high[k] = -std::numeric_limits<float>::infinity();
        }
        for (const ModelVertex& v : vertices) {
            for (int k = 0; k < 3; ++k) {
                arrays.low[k] = std::min(arrays.low[k], v.Position[k]);
                arrays.high[k] = std::max(arrays.high[k], v.Position[k]);
            }
        }
        const std::size_t count = vertices.size();
        reserve(count * 12, ArrayBuffer, [&vertices](uint8_t* out) {
            for (const ModelVertex& v : vertices) {
                std::memcpy(out, v.Position, sizeof v.Position);
                out += sizeof v.Position;
            }
        });
        arrays.normals = allNormalsHaveDirections(vertices);
        if (arrays.normals)
            reserve(count * 12, ArrayBuffer, [&vertices](uint8_t* out) { writeUnitNormals(vertices, out); });
        reserve(count * 8, ArrayBuffer, [&vertices](uint8_t* out) {
            for (const ModelVertex& v : vertices) {
                // glTF's v runs down the picture, as the model file's does.
                const float uv[2] = {v.TexCoord[0], 1.0f - v.TexCoord[1]};
                std::memcpy(out, uv, sizeof uv);
                out += sizeof uv;
            }
        });
        // Sixteen-bit indices, unless one is 65535, which readers may take
        // for the end of a strip.
        const TriArray& strip = *part.strip;
        arrays.wideIndices = std::find(strip.begin(), strip.end(), uint16_t{0xFFFF}) != strip.end();
        arrays.indices = part.triangleCount * 3;
        const auto write = [&strip, &vertices](auto index, uint8_t* out) {
            forEachStripTriangle(strip, vertices, [&](uint16_t a, uint16_t b, uint16_t c) {
                const decltype(index) corners[3] = {a, b, c};
                std::memcpy(out, corners, sizeof corners);
                out += sizeof corners;
            });
        };
        if (arrays.wideIndices)
            reserve(arrays.indices * 4, ElementArrayBuffer, [write](uint8_t* out) { write(uint32_t{}, out); });
        else
            reserve(arrays.indices * 2, ElementArrayBuffer, [write](uint8_t* out) { write(uint16_t{}, out); });
        parts_.push_back(arrays);
    }

    void writeMesh(JsonText& json, std::size_t k) const {
        const PartArrays& arrays = parts_[k];
        std::size_t next = arrays.firstAccessor;
        json.raw("{").key("name", true).string(scene_.parts[k].name).key("primitives").raw("[{");
        json.key("attributes", true).raw("{").key("POSITION", true).number(next++);
        if (arrays.normals) json.key("NORMAL").number(next++);
        json.key("TEXCOORD_0").number(next++).raw("}");
        json.key("indices").number(next).key("material").number(k).key("mode").number(int{ModeTriangles});
        json.raw("}]}");
    }

    void writeMaterial(JsonText& json, const ExportPart& part) const {
        json.raw("{").key("name", true).string(part.name).key("pbrMetallicRoughness").raw("{");
        // The view adds a transparent part's light to what lies behind it;
        // half its colour over the background is the nearest blend.
        json.key("baseColorFactor", true).array(4, [&](std::size_t c) {
            json.number(c < 3 ? double{part.colour[c]} : part.transparent ? 0.5 : 1.0);
        });
        if (part.texture >= 0) json.key("baseColorTexture").raw("{").key("index", true).number(part.texture).raw("}");
        json.key("metallicFactor").number(0.0).key("roughnessFactor").number(part.reflective ? 0.2 : 0.8).raw("}");
        if (part.transparent) json.key("alphaMode").string("BLEND");
        // The view draws both faces of every triangle.
        json.key("doubleSided").raw("true}");
    }

    // Each of the part's accessors with a comma after it; an accessor's view
    // has its number, the pictures' views coming first.
    void writeAccessors(JsonText& json, const PartArrays& arrays) const {
        std::size_t next = arrays.firstAccessor;
        const auto accessor = [&](int component, std::string_view type, std::size_t count) {
            json.raw("{").key("bufferView", true).number(scene_.textures.size() + next++).key("byteOffset").number(0);
            json.key("componentType").number(component).key("count").number(count).key("type").string(type);
        };
        accessor(Float, "VEC3", arrays.vertices);
        json.key("max").array(3, [&](std::size_t c) { json.number(double{arrays.high[c]}); });
        json.key("min").array(3, [&](std::size_t c) { json.number(double{arrays.low[c]}); }).raw("},");
        if (arrays.normals) {
            accessor(Float, "VEC3", arrays.vertices);
            json.raw("},");
        }
        accessor(Float, "VEC2", arrays.vertices);
        json.raw("},");
        accessor(arrays.wideIndices ? UnsignedInt : UnsignedShort, "SCALAR", arrays.indices);
        json.raw("},");
    }

    void writeViews(JsonText& json) const {
        if (views_.empty()) return;
        json.key("bufferViews").array(views_.size(), [&](std::size_t k) {
            const View& view = views_[k];
            json.raw("{").key("buffer", true).number(0).key("byteOffset").number(view.offset);
            json.key("byteLength").number(view.size);
            if (view.target != 0) json.key("target").number(view.target);
            json.raw("}");
        });
    }

    void writeTextures(JsonText& json) const {
        const std::size_t count = scene_.textures.size();
        json.key("images").array(count, [&](std::size_t k) {
            json.raw("{").key("bufferView", true).number(k).key("mimeType").string("image/png");
            json.key("name").string(scene_.textures[k].name).raw("}");
        });
        json.key("samplers").raw("[{").key("magFilter", true).number(int{FilterLinear});
        json.key("minFilter").number(int{FilterLinearMipmapLinear}).raw("}]");
        json.key("textures").array(count, [&](std::size_t k) {
            json.raw("{").key("name", true).string(scene_.textures[k].name).key("sampler").number(0);
            json.key("source").number(k).raw("}");
        });
    }

    void writeLeftOut(JsonText& json) const {
        json.key("extras").raw("{").key("partsLeftOut", true).array(scene_.leftOut.size(), [&](std::size_t k) {
            const LeftOutPart& left = scene_.leftOut[k];
            json.raw("{").key("part", true).number(left.partIndex).key("name").string(left.name);
            json.key("reason").string(left.reason).raw("}");
        });
        json.raw("}");
    }

    const ExportScene& scene_;
    BufferLayout layout_;
    std::vector<Piece> pieces_;
    std::vector<View> views_;  // the pictures', then each part's
    std::vector<PartArrays> parts_;
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

}  // namespace

// The document is written from the layout, and the binary chunk after it
// goes to the file piece by piece straight from the model: no copy of the
// whole chunk, nor a tree of the document's values, is ever made, so that
// the export's memory is about its document's length.
void addGlb(FileSet& files, const ExportScene& scene, const std::filesystem::path& path) {
    std::ostream& out = files.add(path);
    const GlbBuilder builder(scene);
    const std::size_t binary = builder.binarySize();
    const std::string json = builder.json();
    const uint64_t total = 12 + 8 + json.size() + (binary > 0 ? 8 + binary : 0);
    if (total > std::numeric_limits<uint32_t>::max())
        throw ExportError(path, "the model is larger than a .glb file can hold");

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
}

void writeExports(const ExportScene& scene, const std::vector<ExportTarget>& targets,
                  const std::vector<ExportInput>& inputs) {
    std::filesystem::path current;
    try {
        FileSet files;
        for (const ExportInput& input : inputs) files.protect(input.path, input.what);
        for (const ExportTarget& target : targets) {
            current = target.path;
            if (target.format == ExportFormat::Glb)
                addGlb(files, scene, target.path);
            else
                addObj(files, scene, target.path);
        }
        files.commit();
    } catch (const ExportError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw ExportError(current, "there is not enough memory");
    } catch (const std::exception& failure) {
        throw ExportError(current, failure.what());
    }
}

}  // namespace korvex
