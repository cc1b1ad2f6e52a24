#include "big_model.h"

#include <cmath>
#include <string>

namespace korvex::bench {

fixtures::ModelDescription bigModel(int parts, int verticesPerPart) {
    fixtures::ModelDescription model;
    for (int p = 0; p < parts; ++p) {
        fixtures::GeometryBlock block;
        block.padding.assign(static_cast<std::size_t>(p % 29), 0x5A);
        block.vertices.reserve(static_cast<std::size_t>(verticesPerPart));
        for (int i = 0; i < verticesPerPart; ++i) {
            const float x = static_cast<float>(i / 2) * 0.01f, z = static_cast<float>(i % 2) * 0.5f;
            const float y = 0.1f * std::sin(x + static_cast<float>(p));
            block.vertices.push_back(fixtures::vertex(x, y, z + static_cast<float>(p), 0, 1, 0, x, z));
        }
        block.indices.reserve(static_cast<std::size_t>(verticesPerPart));
        for (int i = 0; i < verticesPerPart; ++i) block.indices.push_back(static_cast<uint16_t>(i));
        model.parts.push_back({"geo_r_" + std::to_string(p) + "_part", std::move(block)});
    }
    return model;
}

}  // namespace korvex::bench
