#include "model_records.h"

namespace korvex {

void PartList::Resize(std::size_t n) {
    Parts.resize(n);
    PartVertices.resize(n);
    PartIndices.resize(n);
    PartVisible.resize(n);
}

void PartList::Grow(std::size_t n) {
    if (Parts.size() < n) Resize(n);
}

void PartList::Clear() { Resize(0); }

}  // namespace korvex
