// make-sample-car OUT_PATH: writes the sample car as a model file, and its
// settings file "geomdata.ini" beside it.

#include "car_shape.h"
#include "sample_settings.h"
#include "tests/support/model_file_builder.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace {

using korvex::fixtures::Bytes;

// Real files carry a short header before each block's marker. Its length and
// bytes vary per part but stay below 0x80, so they never read as the marker.
Bytes blockPadding(std::size_t partIndex) {
    const std::size_t length = (partIndex * 7 + 3) % 32;
    Bytes padding;
    for (std::size_t k = 0; k < length; ++k)
        padding.push_back(static_cast<uint8_t>((partIndex * 31 + k * 17 + 5) % 0x80));
    return padding;
}

korvex::fixtures::ModelDescription describe(const std::vector<korvex::samplecar::CarPart>& parts) {
    korvex::fixtures::ModelDescription description;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        korvex::fixtures::ModelDescription::Part part;
        // The settings row leads, as the loader reads it from just after "r_".
        part.symbolName = "geo_r_" + std::to_string(i) + "_" + parts[i].code;
        part.block.padding = blockPadding(i);
        part.block.vertices = parts[i].vertices;
        part.block.indices = parts[i].strip;
        description.parts.push_back(std::move(part));
    }
    return description;
}

void writeSettingsBeside(const std::filesystem::path& modelPath, const std::vector<korvex::samplecar::CarPart>& parts) {
    std::vector<std::string> codes;
    for (const auto& part : parts) codes.push_back(part.code);
    const std::string text = korvex::samplecar::sampleSettingsFile(codes);
    std::ofstream file(modelPath.parent_path() / "geomdata.ini", std::ios::binary);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!file.flush()) throw std::runtime_error("cannot write geomdata.ini");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make-sample-car OUT_PATH\n";
        return 2;
    }
    try {
        const auto parts = korvex::samplecar::buildSampleCar();
        korvex::fixtures::writeFile(argv[1], describe(parts).build());
        writeSettingsBeside(argv[1], parts);
    } catch (const std::exception& failure) {
        std::cerr << "make-sample-car: " << failure.what() << '\n';
        return 1;
    }
    return 0;
}
