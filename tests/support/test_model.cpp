#include "test_model.h"

#include "model/elf_reader.h"
#include "settings/open_command.h"

#include <algorithm>
#include <fstream>

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

CarFolder::CarFolder() : cars_(root_.path() / "cars"), modelFolder_(cars_ / "a"), model_(modelFolder_ / "car.o") {
    std::filesystem::create_directories(modelFolder_);
}

std::vector<std::string> filesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

void writeText(const std::filesystem::path& path, std::string_view text) {
    std::ofstream file(path, std::ios::binary);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!file.flush()) throw std::runtime_error("cannot write " + path.string());
}

void loadInto(LoadOutcome& outcome, const std::filesystem::path& path) {
    outcome.run([&] { LoadModel(outcome.state, path, outcome.io()); });
}

void openInto(LoadOutcome& outcome, const std::filesystem::path& path) {
    outcome.run([&] { OpenModel(outcome.state, path, outcome.io(), outcome.controls); });
}

LoadOutcome loadBytes(const TempDir& dir, const Bytes& bytes, const std::string& name) {
    LoadOutcome outcome;
    writeFile(dir / name, bytes);
    loadInto(outcome, dir / name);
    return outcome;
}

}  // namespace korvex::fixtures
