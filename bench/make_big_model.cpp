// make-big-model OUT [PARTS VERTICES_PER_PART]: writes a large model for timing the loader.
#include "big_model.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::cerr << "usage: make-big-model OUT [PARTS VERTICES_PER_PART]\n";
        return 2;
    }
    const int parts = argc == 4 ? std::stoi(argv[2]) : 200;
    const int vertices = argc == 4 ? std::stoi(argv[3]) : 12500;
    korvex::fixtures::writeFile(argv[1], korvex::bench::bigModel(parts, vertices).build());
    return 0;
}
