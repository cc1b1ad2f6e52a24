// Time to load models of growing size from the page cache, per byte of file.
#include "big_model.h"
#include "model/elf_reader.h"
#include "model/recording_io.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>

namespace {

void LoadModelBench(benchmark::State& bench) {
    const auto parts = static_cast<int>(bench.range(0));
    const auto path = std::filesystem::temp_directory_path() / ("korvex-bench-" + std::to_string(parts) + ".o");
    korvex::fixtures::writeFile(path, korvex::bench::bigModel(parts, 12500).build());
    const auto size = static_cast<int64_t>(std::filesystem::file_size(path));

    for (auto _ : bench) {
        korvex::ProgramState state;
        korvex::RecordingLog log;
        korvex::ScriptedPrompts prompts;
        korvex::LoadModel(state, path, korvex::UserIo{log, prompts});
        benchmark::DoNotOptimize(state.partList.PartCount);
    }
    bench.SetBytesProcessed(bench.iterations() * size);
    std::filesystem::remove(path);
}
BENCHMARK(LoadModelBench)->Arg(10)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);

// The least any loader that owns its vertices pays: new arrays of the same
// sizes, filled by one copy each. On a machine where fresh pages are dear this,
// not the parsing, is most of a big model's load time.
void FreshArraysFloor(benchmark::State& bench) {
    const auto parts = static_cast<std::size_t>(bench.range(0));
    const korvex::VertexArray source(12500);
    for (auto _ : bench) {
        std::vector<korvex::VertexArray> arrays(parts);
        for (auto& array : arrays) {
            array.resize(source.size());
            std::memcpy(array.data(), source.data(), source.size() * sizeof(korvex::ModelVertex));
        }
        benchmark::DoNotOptimize(arrays.back().data());
    }
    bench.SetBytesProcessed(bench.iterations() *
                            static_cast<int64_t>(parts * source.size() * sizeof(korvex::ModelVertex)));
}
BENCHMARK(FreshArraysFloor)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
