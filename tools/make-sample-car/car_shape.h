#pragma once
// The sample car: a recognisable car built from parametric surfaces, each
// part one triangle strip over vertices in the form the model files store.

#include "model/model_records.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvex::samplecar {

struct CarPart {
    std::string code;  // the part-name code, e.g. "HOODShape"
    std::vector<ModelVertex> vertices;
    std::vector<uint16_t> strip;  // indexes this part's own vertices
};

// The parts in the order they are to be written; the same every run.
std::vector<CarPart> buildSampleCar();

}  // namespace korvex::samplecar
