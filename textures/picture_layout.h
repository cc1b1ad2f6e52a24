#pragma once
// Where a point of a texture lies on its picture as an image editor shows
// it: the view samples the picture at texture coordinates, a painter counts
// pixels from the picture's top left.

#include "model/model_records.h"

#include <cstdint>

namespace korvex {

struct EditorPoint {
    double x = 0.0, y = 0.0;
};

// Texture point (s, t), as OpenGL is given it, in the editor's pixel units
// of a picture laid out as `layout` (at its Width x Height), not wrapped:
// s = 1 is the picture's far edge, s = 2 the far edge of the next copy.
EditorPoint editorPoint(const PictureLayout& layout, double s, double t);

// The picture's pixel the view shows at texture point (s, t), the texture
// repeating every 1 along s and t as OpenGL repeats it; the layout must
// have a size.
struct EditorPixel {
    uint32_t x = 0, y = 0;
};
EditorPixel editorPixel(const PictureLayout& layout, double s, double t);

}  // namespace korvex
