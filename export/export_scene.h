#pragma once
// What an export takes from the open model: the parts it writes, each as a
// list of triangles with its name, look and texture, the textures' pictures
// as PNG, and the parts it leaves out with the reason why.

#include "model/program_state.h"
#include "textures/pixel_buffer.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvex {

// A file that could not be written; the text says which and why.
class ExportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    // "cannot write PATH: REASON".
    ExportError(const std::filesystem::path& path, const std::string& reason)
        : std::runtime_error("cannot write " + path.string() + ": " + reason), reason_(reason) {}

    // Why, without the file's name, where the error was made with one.
    std::string reason() const { return reason_.empty() ? what() : reason_; }

private:
    std::string reason_;
};

// Calls take(a, b, c) for each triangle of the strip that covers anything,
// in the strip's own alternating winding: triangle k keeps the order of its
// corners when k is even and swaps the first two when it is odd, as OpenGL
// draws it. A triangle with two equal corners, or two corners at the same
// point, is left out, and so is one with a corner past `vertices`.
// (The callback is not called `emit`: files that include the toolkit's
// headers have that word defined away.)
template <typename Take>
void forEachStripTriangle(const TriArray& strip, const VertexArray& vertices, Take&& take) {
    const auto samePoint = [&vertices](uint16_t p, uint16_t q) {
        const float* a = vertices[p].Position;
        const float* b = vertices[q].Position;
        return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
    };
    for (std::size_t k = 0; k + 2 < strip.size(); ++k) {
        const uint16_t a = strip[k], b = strip[k + 1], c = strip[k + 2];
        if (a == b || b == c || a == c) continue;
        if (a >= vertices.size() || b >= vertices.size() || c >= vertices.size()) continue;
        if (samePoint(a, b) || samePoint(b, c) || samePoint(a, c)) continue;
        if (k % 2 == 0)
            take(a, b, c);
        else
            take(b, a, c);
    }
}

struct ExportTexture {
    std::string name;          // as the Textures window shows it
    std::vector<uint8_t> png;  // the picture as the view shows it, top row first
};

struct ExportPart {
    std::size_t partIndex = 0;
    std::string name;                       // UTF-8, as the tree shows it
    const VertexArray* vertices = nullptr;  // the loaded records, texture v flipped as the view uses it
    const TriArray* strip = nullptr;        // its triangles are forEachStripTriangle's
    std::size_t triangleCount = 0;
    float colour[3] = {1.0f, 1.0f, 1.0f};
    bool transparent = false;
    bool reflective = false;
    int32_t texture = -1;  // position in ExportScene::textures, or -1
};

struct LeftOutPart {
    std::size_t partIndex = 0;
    std::string name;
    std::string reason;
};

struct ExportScene {
    std::string modelName;  // the model file's name, as the tree's root shows it
    std::vector<ExportPart> parts;
    std::vector<ExportTexture> textures;
    std::vector<LeftOutPart> leftOut;
};

// The picture of texture library entry `entry`, row 0 at texture t = 0 as
// OpenGL holds it; nothing when it cannot be had.
using TexturePictureSource = std::function<std::optional<PixelBuffer>(std::size_t entry)>;

struct ExportChoices {
    bool leaveOutHidden = false;  // the window's export writes what the user left checked
    // With "Use Level of Detail" on, the slider's level: parts the view
    // does not draw at it are left out. Nothing when it is off.
    std::optional<int32_t> detailLevel;
    TexturePictureSource pictures;
};

// The scene an export of `state` writes. A part the view could never draw,
// one whose strip makes no triangle and one holding a coordinate that is
// not a finite number are left out with their reason; a texture whose
// picture cannot be had leaves its parts untextured.
ExportScene collectExport(const ProgramState& state, const ExportChoices& choices);

// The picture as PNG, its last row first, so that the file shows it the
// way a glTF or OBJ reader maps it; throws ExportError when it cannot be encoded.
std::vector<uint8_t> encodePng(const PixelBuffer& picture);

}  // namespace korvex
