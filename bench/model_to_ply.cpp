// model-to-ply MODEL OUT.ply: opens MODEL as the viewer does (its settings
// file included) and writes the geometry the view draws by default as a
// binary little-endian PLY file, so that other programs can be timed on the
// very same triangles. Every part the view draws gives all its vertices
// (position, normal, texture coordinate) and the triangles of its strip,
// each turned to the strip's alternating winding; a triangle with two equal
// corners is left out, as it covers nothing.

#include "export/export_scene.h"
#include "model/recording_io.h"
#include "render/frame_renderer.h"
#include "settings/open_command.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <vector>

namespace {

static_assert(std::endian::native == std::endian::little, "the records are written as they lie in memory");

struct Triangle {
    int32_t corner[3];
};

// The strip's triangles in its own winding, degenerate ones left out;
// `offset` is where the part's vertices start.
void appendStripTriangles(const korvex::TriArray& strip, const korvex::VertexArray& vertices, int32_t offset,
                          std::vector<Triangle>& triangles) {
    korvex::forEachStripTriangle(strip, vertices, [&](uint16_t a, uint16_t b, uint16_t c) {
        triangles.push_back({{offset + a, offset + b, offset + c}});
    });
}

template <typename T>
void put(std::ofstream& out, const T& value) {
    out.write(reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: model-to-ply MODEL OUT.ply\n", stderr);
        return 2;
    }
    korvex::ProgramState state;
    korvex::RecordingLog log;
    korvex::ScriptedPrompts prompts;  // a missing settings file is not looked for
    korvex::RecordingControls controls;
    try {
        korvex::OpenModel(state, argv[1], korvex::UserIo{log, prompts}, controls);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "model-to-ply: %s\n", failure.what());
        return 1;
    }
    if (!state.ModelLoaded) {
        std::fprintf(stderr, "model-to-ply: %s did not load\n", argv[1]);
        return 1;
    }

    // The window's controls as it starts: level of detail on, slider at 100.
    const korvex::FrameControls startControls;
    const korvex::PartList& list = state.partList;
    std::vector<std::size_t> drawn;
    std::vector<Triangle> triangles;
    int32_t vertexCount = 0;
    for (std::size_t i = 0; i < korvex::drawablePartCount(list); ++i) {
        if (!korvex::partIsDrawn(state, i, startControls)) continue;
        drawn.push_back(i);
        appendStripTriangles(list.PartIndices[i], list.PartVertices[i], vertexCount, triangles);
        vertexCount += static_cast<int32_t>(list.PartVertices[i].size());
    }

    std::ofstream out(argv[2], std::ios::binary);
    out << "ply\nformat binary_little_endian 1.0\n"
        << "element vertex " << vertexCount << '\n';
    for (const char* name : {"x", "y", "z", "nx", "ny", "nz", "s", "t"}) out << "property float " << name << '\n';
    out << "element face " << triangles.size() << '\n'
        << "property list uchar int vertex_indices\nend_header\n";
    for (const std::size_t part : drawn) {
        for (const korvex::ModelVertex& v : list.PartVertices[part]) {
            for (const float value : {v.Position[0], v.Position[1], v.Position[2], v.Normal[0], v.Normal[1],
                                      v.Normal[2], v.TexCoord[0], v.TexCoord[1]})
                put(out, value);
        }
    }
    for (const Triangle& triangle : triangles) {
        put(out, uint8_t{3});
        put(out, triangle.corner);
    }
    out.close();
    if (!out) {
        std::fprintf(stderr, "model-to-ply: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
