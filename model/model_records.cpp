#include "model_records.h"

namespace korvex {

void PartList::resize(std::size_t n) {
    Parts.resize(n);
    PartVertices.resize(n);
    PartIndices.resize(n);
    PartVisible.resize(n);
}

void PartList::grow(std::size_t n) {
    if (Parts.size() < n) resize(n);
}

}  // namespace korvex
