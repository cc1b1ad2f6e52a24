// Time to draw one frame of models of growing size through the window-less
// target, per strip index sent: with the vertex arrays the view uses, with
// the call-per-vertex reference, and with the strips compiled once into a
// display list. The largest model, 80 parts of 12,500 vertices, is about a
// million triangles.
//
// usage: render_bench [--benchmark_filter=REGEX] [--benchmark_format=json]
// (for example --benchmark_filter='/80$' for the million triangles only)
#include "big_model.h"
#include "model/elf_reader.h"
#include "model/recording_io.h"
#include "render/frame_renderer.h"
#include "render/headless_target.h"
#include "render/scene.h"
#include "textures/opengl_textures.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int Width = 640, Height = 480;
constexpr int VerticesPerPart = 12500;

// A loaded model of white, opaque parts with the view's scene set up around it.
struct BenchScene {
    std::unique_ptr<korvex::HeadlessTarget> target;
    korvex::ProgramState state;
    int64_t indices = 0;
};

std::unique_ptr<BenchScene> makeScene(benchmark::State& bench) {
    auto scene = std::make_unique<BenchScene>();
    std::string whyNot;
    scene->target = korvex::HeadlessTarget::create(Width, Height, whyNot);
    if (!scene->target) {
        bench.SkipWithError(("no OpenGL: " + whyNot).c_str());
        return nullptr;
    }
    const auto parts = static_cast<int>(bench.range(0));
    const auto path = std::filesystem::temp_directory_path() / ("korvex-render-" + std::to_string(parts) + ".o");
    korvex::fixtures::writeFile(path, korvex::bench::bigModel(parts, VerticesPerPart).build());
    korvex::ProgramState& state = scene->state;
    korvex::RecordingLog log;
    korvex::ScriptedPrompts prompts;
    korvex::LoadModel(state, path, korvex::UserIo{log, prompts});
    std::filesystem::remove(path);
    state.ModelLoaded = true;
    for (korvex::GeometryPart& part : state.partList.Parts) part.Colour[0] = part.Colour[1] = part.Colour[2] = 1.0f;
    korvex::OpenGlTextures textures;
    korvex::SetupScene(state, "", prompts, textures);
    korvex::resizeView(Width, Height);
    state.view.ZoomZ = -40.0f;
    for (const auto& strip : state.partList.PartIndices) scene->indices += static_cast<int64_t>(strip.size());
    return scene;
}

// Not rotating, so every frame is the same picture.
constexpr korvex::FrameControls Controls{false, false, 100};

void DrawFrame(benchmark::State& bench, korvex::StripEmitter emitter) {
    const auto scene = makeScene(bench);
    if (!scene) return;
    for (auto _ : bench) {
        korvex::RenderFrame(scene->state, Controls, emitter);
        glFinish();
    }
    bench.SetItemsProcessed(bench.iterations() * scene->indices);
}

// What RenderFrame sends for each drawn part of an opaque, untextured model
// without reflections (the only kind makeScene builds): blending and
// texturing off, the part's colour, and its strip through the same vertex
// arrays. Compiling dereferences the arrays, so the list keeps its own copy
// of the vertices. RenderFrame itself is not compiled into the list: the
// list would then hold the clear and the camera too, and a viewer with a
// moving camera could not use it.
GLuint compilePartStrips(const korvex::ProgramState& state) {
    const korvex::PartList& list = state.partList;
    const GLuint name = glGenLists(1);
    korvex::setVertexArraysEnabled(true);
    glNewList(name, GL_COMPILE);
    for (std::size_t i = 0; i < korvex::drawablePartCount(list); ++i) {
        if (!korvex::partIsDrawn(state, i, Controls)) continue;
        const korvex::GeometryPart& part = list.Parts[i];
        glDisable(GL_BLEND);
        glDisable(GL_TEXTURE_2D);
        glColor3f(part.Colour[0], part.Colour[1], part.Colour[2]);
        korvex::emitStrip(list.PartVertices[i], list.PartIndices[i], korvex::StripEmitter::VertexArrays);
    }
    glEndList();
    korvex::setVertexArraysEnabled(false);
    return name;
}

// A frame as RenderFrame draws it, with the parts from the list: RenderFrame
// itself clears and loads the camera, and with no model loaded it stops
// there, so the clear and the camera are the view's own code and only the
// way the strips reach OpenGL differs from the other two benchmarks.
void DrawFrameFromList(korvex::ProgramState& state, GLuint list) {
    state.ModelLoaded = false;
    korvex::RenderFrame(state, Controls);
    state.ModelLoaded = true;
    glCallList(list);
}

void VertexArrays(benchmark::State& bench) {
    DrawFrame(bench, korvex::StripEmitter::VertexArrays);
}
void CallPerVertex(benchmark::State& bench) {
    DrawFrame(bench, korvex::StripEmitter::Immediate);
}

void DisplayList(benchmark::State& bench) {
    const auto scene = makeScene(bench);
    if (!scene) return;
    korvex::ProgramState& state = scene->state;
    const GLuint list = compilePartStrips(state);
    // The list must draw the very picture the view draws, or the times compare nothing.
    korvex::RenderFrame(state, Controls);
    const std::vector<uint8_t> expected = scene->target->readRgb();
    DrawFrameFromList(state, list);
    if (std::all_of(expected.begin(), expected.end(), [](uint8_t c) { return c == 0; }) ||
        scene->target->readRgb() != expected) {
        bench.SkipWithError("the display list does not draw the picture the vertex arrays draw");
        glDeleteLists(list, 1);
        return;
    }
    for (auto _ : bench) {
        DrawFrameFromList(state, list);
        glFinish();
    }
    glDeleteLists(list, 1);
    bench.SetItemsProcessed(bench.iterations() * scene->indices);
}

BENCHMARK(VertexArrays)->Arg(1)->Arg(10)->Arg(40)->Arg(80)->Unit(benchmark::kMillisecond);
BENCHMARK(DisplayList)->Arg(1)->Arg(10)->Arg(40)->Arg(80)->Unit(benchmark::kMillisecond);
BENCHMARK(CallPerVertex)->Arg(1)->Arg(10)->Arg(40)->Arg(80)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
