#pragma once
// Shrinking a picture that is larger than OpenGL's texture size limit.

#include "pixel_buffer.h"

namespace korvex {

// The buffer itself when its larger side is within `limit`; otherwise a copy
// whose larger side is `limit`, the smaller side scaled by the same 32-bit
// float factor (halves rounded to even, never below 1 pixel), every pixel
// the nearest one of the original.
PixelBuffer FitToMaxTextureSize(PixelBuffer buffer, uint32_t limit);

}  // namespace korvex
