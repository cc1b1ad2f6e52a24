// Writes a few small, valid and nearly valid model files for the fuzzer to start from.
#include "tests/support/model_file_builder.h"

#include <iostream>

using namespace korvex::fixtures;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make-fuzz-seeds FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);

    ModelDescription two;
    two.parts.push_back({"geo_r_0_FRNShape", quadBlock()});
    two.parts.push_back({"geo_r_1_WINShape", quadBlock()});
    two.parts[1].block.padding = {1, 2, 3};
    two.parts[1].block.indices = {0, 1, 2, 3, 0};
    writeFile(folder / "two-parts.o", two.build());

    ModelDescription shared = two;
    shared.extraSymbols.push_back({"", 5u, 0});
    shared.parts[0].block.markerLength = 9;
    writeFile(folder / "shared-name.o", shared.build());

    ModelDescription none;
    none.extraSymbols.push_back({"wheel", std::nullopt, 0});
    writeFile(folder / "no-parts.o", none.build());
    return 0;
}
