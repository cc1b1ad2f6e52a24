#include "model_export.h"

#include "export_writers.h"
#include "model/text_conversion.h"

#include <algorithm>
#include <charconv>
#include <deque>
#include <functional>
#include <future>
#include <set>
#include <string>
#include <thread>

namespace korvex {

namespace {

// A name OBJ and MTL readers take whole and a file system takes as a file
// name: a blank, a control character or one of / \ : * ? " < > | becomes _,
// and bytes that are not UTF-8 become U+FFFD.
std::string wordOf(std::string_view name, std::string_view fallback) {
    std::string word;
    for (const char c : validUtf8(name)) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain =
            byte > 0x20 && byte != 0x7F && std::string_view("/\\:*?\"<>|#").find(c) == std::string_view::npos;
        word.push_back(plain ? c : '_');
    }
    return word.empty() ? std::string(fallback) : word;
}

// Text for a comment: valid UTF-8 on one line, each control character
// (a line break above all) replaced by a blank.
std::string lineText(std::string_view text) {
    std::string line = validUtf8(text);
    std::replace_if(
        line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, ' ');
    return line;
}

// Names made different by a number where two would be the same.
class UniqueNames {
public:
    std::string take(const std::string& name) {
        std::string unique = name;
        for (int k = 2; !taken_.insert(unique).second; ++k) unique = name + "_" + std::to_string(k);
        return unique;
    }

private:
    std::set<std::string> taken_;
};

// Text built in memory; numbers are written with the fewest digits that
// read back as the same float.
class Text {
public:
    Text& operator<<(std::string_view text) {
        text_.append(text);
        return *this;
    }
    Text& number(float value) {
        char digits[32];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        return *this << std::string_view(digits, static_cast<std::size_t>(end - digits));
    }
    Text& number(std::size_t value) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        return *this << std::string_view(digits, static_cast<std::size_t>(end - digits));
    }
    void triple(std::string_view key, float a, float b, float c) {
        *this << key << " ";
        number(a) << " ";
        number(b) << " ";
        number(c) << "\n";
    }
    // Hands the text to `out` and starts again empty.
    void writeTo(std::ostream& out) {
        out.write(text_.data(), static_cast<std::streamsize>(text_.size()));
        text_.clear();
    }

private:
    std::string text_;
};

void writeMaterial(Text& text, const std::string& name, const ExportPart& part, const std::string& picture) {
    text << "\nnewmtl " << name << "\n";
    text.triple("Kd", part.colour[0], part.colour[1], part.colour[2]);
    const float shine = part.reflective ? 0.5f : 0.0f;
    text.triple("Ks", shine, shine, shine);
    text << "d " << (part.transparent ? "0.5" : "1") << "\nillum 2\n";
    if (!picture.empty()) text << "map_Kd " << picture << "\n";
}

// A part's group: its vertices, texture coordinates, normals and faces,
// whose corners count from `firstVertex`, the OBJ number of its first vertex.
Text partText(const ExportPart& part, const std::string& name, std::size_t firstVertex) {
    Text obj;
    obj << "\ng " << name << "\nusemtl " << name << "\n";
    const VertexArray& vertices = *part.vertices;
    for (const ModelVertex& v : vertices) obj.triple("v", v.Position[0], v.Position[1], v.Position[2]);
    // OBJ's v runs up the picture, as the view's does.
    for (const ModelVertex& v : vertices) {
        obj << "vt ";
        obj.number(v.TexCoord[0]) << " ";
        obj.number(v.TexCoord[1]) << "\n";
    }
    for (const ModelVertex& v : vertices) obj.triple("vn", v.Normal[0], v.Normal[1], v.Normal[2]);
    forEachStripTriangle(*part.strip, vertices, [&](uint16_t a, uint16_t b, uint16_t c) {
        obj << "f";
        for (const uint16_t corner : {a, b, c}) {
            const std::size_t index = firstVertex + corner;
            obj << " ";
            obj.number(index) << "/";
            obj.number(index) << "/";
            obj.number(index);
        }
        obj << "\n";
    });
    return obj;
}

// Formats the parts' groups on worker threads, a few parts ahead, and
// writes them to `out` in their order.
void writeParts(const ExportScene& scene, const std::vector<std::string>& names, std::ostream& out) {
    const std::size_t ahead = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
    std::deque<std::future<Text>> pending;
    std::size_t next = 0, firstVertex = 1;
    while (next < scene.parts.size() || !pending.empty()) {
        while (next < scene.parts.size() && pending.size() < ahead) {
            const ExportPart& part = scene.parts[next];
            pending.push_back(
                std::async(std::launch::async, partText, std::cref(part), std::cref(names[next]), firstVertex));
            firstVertex += part.vertices->size();
            ++next;
        }
        pending.front().get().writeTo(out);
        pending.pop_front();
    }
}

}  // namespace

void addObj(FileSet& files, const ExportScene& scene, const std::filesystem::path& path) {
    const std::filesystem::path folder = path.parent_path();
    const std::string stem = wordOf(path.stem().string(), "model");
    const std::filesystem::path mtlPath = folder / (stem + ".mtl");

    const std::string heading =
        "# " + exportGenerator() + (scene.modelName.empty() ? "" : ", from " + lineText(scene.modelName)) + "\n";
    std::ostream& objFile = files.add(path);
    std::ostream& mtlFile = files.add(mtlPath);
    // The pictures, each named after the model and its texture.
    UniqueNames pictureNames;
    std::vector<std::string> pictures;
    for (const ExportTexture& texture : scene.textures) {
        pictures.push_back(
            pictureNames.take(stem + "_" + wordOf(std::filesystem::path(texture.name).stem().string(), "texture")) +
            ".png");
        files.add(folder / pictures.back())
            .write(reinterpret_cast<const char*>(texture.png.data()), static_cast<std::streamsize>(texture.png.size()));
    }

    Text obj, mtl;
    obj << heading << "mtllib " << mtlPath.filename().string() << "\n";
    mtl << heading;
    for (const LeftOutPart& left : scene.leftOut) {
        obj << "# part ";
        obj.number(left.partIndex) << " \"" << wordOf(left.name, "") << "\" left out: " << lineText(left.reason)
                                   << "\n";
    }
    obj.writeTo(objFile);

    UniqueNames partNames;
    std::vector<std::string> names;
    for (const ExportPart& part : scene.parts) {
        names.push_back(partNames.take(wordOf(part.name, "part_" + std::to_string(part.partIndex))));
        writeMaterial(mtl, names.back(), part,
                      part.texture >= 0 ? pictures[static_cast<std::size_t>(part.texture)] : "");
    }
    mtl.writeTo(mtlFile);
    writeParts(scene, names, objFile);
}

}  // namespace korvex
