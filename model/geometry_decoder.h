#pragma once

#include "model_records.h"
#include "model_stream.h"
#include "user_io.h"

#include <cstdint>

namespace korvex {

// Reads one part's geometry block starting at the stream's position: finds
// the eight-byte 0xFF marker, then the vertex records and strip indices that
// its header points to (offsets counted from `base`). Shows an error box and
// answers false when the block is unusable. A file that ends during the
// marker search throws instead, and the caller reports it.
bool DecodeGeometry(ModelStream& stream, VertexArray& vertices, TriArray& indices, int64_t base, Prompts& prompts);

// True when every index of the strip names one of the part's vertices.
bool indicesInRange(const TriArray& indices, std::size_t vertexCount);

}  // namespace korvex
