#include "test_model.h"

#include "model/elf_reader.h"

#include <random>
#include <stdexcept>

namespace korvex::fixtures {

TempDir::TempDir() {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = base / ("korvex-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void loadInto(LoadOutcome& outcome, const std::filesystem::path& path) {
    try {
        LoadModel(outcome.state, path, UserIo{outcome.log, outcome.prompts});
    } catch (const std::exception& failure) {
        outcome.escaped = failure.what();
    }
}

LoadOutcome loadBytes(const TempDir& dir, const Bytes& bytes, const std::string& name) {
    LoadOutcome outcome;
    writeFile(dir / name, bytes);
    loadInto(outcome, dir / name);
    return outcome;
}

}  // namespace korvex::fixtures
