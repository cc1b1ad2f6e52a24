// Writes a few small, valid and nearly valid model files for the fuzzer to start from.
#include "tests/support/model_file_builder.h"

#include <iostream>
#include <string_view>

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

    // The same with a settings file after it: the fuzz target opens the
    // model with the text from "[GEOMDATA]" on as its geomdata.ini.
    auto withSettings = [](Bytes model, std::string_view settings) {
        model.insert(model.end(), settings.begin(), settings.end());
        return model;
    };
    writeFile(folder / "two-parts-settings.o",
              withSettings(two.build(),
                           "[GEOMDATA]\nnumpart=2\n\n[ALPHA_OPAQUE_FRNShape]\nlodon=100\nlodoff=40\n\n"
                           "[ALPHA_TRANS_RUBBER_WINShape~EASVehicleRubber]\nlodon=39\nlodoff=0\n"));
    writeFile(folder / "two-parts-fewer-rows.o",
              withSettings(two.build(), "[geomdata]\r\nnumpart=1\r\n\r\n[WFLShape]\r\nlodon=50\r\n\x01"));

    ModelDescription shared = two;
    shared.extraSymbols.push_back({"", 5u, 0});
    shared.parts[0].block.markerLength = 9;
    writeFile(folder / "shared-name.o", shared.build());

    ModelDescription none;
    none.extraSymbols.push_back({"wheel", std::nullopt, 0});
    writeFile(folder / "no-parts.o", none.build());
    return 0;
}
