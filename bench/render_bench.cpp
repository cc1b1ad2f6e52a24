// Time to draw one frame of models of growing size through the window-less
// target, with the vertex arrays the view uses and with the call-per-vertex
// reference, per strip index sent.
#include "big_model.h"
#include "model/elf_reader.h"
#include "model/recording_io.h"
#include "render/frame_renderer.h"
#include "render/headless_target.h"
#include "render/scene.h"
#include "textures/opengl_textures.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

void DrawFrame(benchmark::State& bench, korvex::StripEmitter emitter) {
    std::string whyNot;
    const auto target = korvex::HeadlessTarget::create(640, 480, whyNot);
    if (!target) {
        bench.SkipWithError(("no OpenGL: " + whyNot).c_str());
        return;
    }
    const auto parts = static_cast<int>(bench.range(0));
    const auto path = std::filesystem::temp_directory_path() / ("korvex-render-" + std::to_string(parts) + ".o");
    korvex::fixtures::writeFile(path, korvex::bench::bigModel(parts, 12500).build());
    korvex::ProgramState state;
    korvex::RecordingLog log;
    korvex::ScriptedPrompts prompts;
    korvex::LoadModel(state, path, korvex::UserIo{log, prompts});
    std::filesystem::remove(path);
    state.ModelLoaded = true;
    for (korvex::GeometryPart& part : state.partList.Parts) part.Colour[0] = part.Colour[1] = part.Colour[2] = 1.0f;
    korvex::OpenGlTextures textures;
    korvex::SetupScene(state, "", prompts, textures);
    korvex::resizeView(640, 480);
    state.view.ZoomZ = -40.0f;

    int64_t indices = 0;
    for (const auto& strip : state.partList.PartIndices) indices += static_cast<int64_t>(strip.size());
    const korvex::FrameControls controls{false, false, 100};
    for (auto _ : bench) {
        korvex::RenderFrame(state, controls, emitter);
        glFinish();
    }
    bench.SetItemsProcessed(bench.iterations() * indices);
}

void VertexArrays(benchmark::State& bench) {
    DrawFrame(bench, korvex::StripEmitter::VertexArrays);
}
void CallPerVertex(benchmark::State& bench) {
    DrawFrame(bench, korvex::StripEmitter::Immediate);
}
BENCHMARK(VertexArrays)->Arg(1)->Arg(10)->Arg(40)->Unit(benchmark::kMillisecond);
BENCHMARK(CallPerVertex)->Arg(1)->Arg(10)->Arg(40)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
