#include "picture_layout.h"

#include <algorithm>
#include <cmath>

namespace korvex {

namespace {

// Texture coordinate `c` along a side of `size` pixels, counted from the
// editor's first pixel of that side.
double alongSide(double c, uint32_t size, bool reversed) {
    return (reversed ? 1.0 - c : c) * size;
}

uint32_t pixelAlong(double c, uint32_t size, bool reversed) {
    if (!std::isfinite(c)) return 0;
    const double wrapped = c - std::floor(c);
    const double at = std::floor(alongSide(wrapped, size, reversed));
    // At the far edge of a side the last pixel is the one sampled.
    return static_cast<uint32_t>(std::clamp(at, 0.0, static_cast<double>(size) - 1.0));
}

}  // namespace

EditorPoint editorPoint(const PictureLayout& layout, double s, double t) {
    // Texture row t = 0 is the editor's bottom row unless the file put its top row first.
    return {alongSide(s, layout.Width, layout.RightColumnFirst), alongSide(t, layout.Height, !layout.TopRowFirst)};
}

EditorPixel editorPixel(const PictureLayout& layout, double s, double t) {
    return {pixelAlong(s, layout.Width, layout.RightColumnFirst), pixelAlong(t, layout.Height, !layout.TopRowFirst)};
}

}  // namespace korvex
