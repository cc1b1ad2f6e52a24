#pragma once
// A model of many large parts, for measuring how loading scales.

#include "tests/support/model_file_builder.h"

namespace korvex::bench {

// `parts` parts of `verticesPerPart` vertices each (a wavy sheet), each drawn
// as one strip through all of its vertices.
fixtures::ModelDescription bigModel(int parts, int verticesPerPart);

}  // namespace korvex::bench
