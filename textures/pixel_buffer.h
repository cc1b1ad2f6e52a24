#pragma once
// A decoded picture as it is handed to OpenGL.

#include "model/model_records.h"

#include <cstdint>
#include <vector>

namespace korvex {

// Pixel memory is filled by the decoder right after it is sized; zeroing a
// large picture first would cost a pass of its own.
using PixelBytes = std::vector<uint8_t, BulkAllocator<uint8_t>>;

struct PixelBuffer {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bytesPerPixel = 0;  // 3: R, G, B; 4: R, G, B, A
    // Rows one after the other without gaps; row 0 is texture row t = 0.
    PixelBytes pixels;
    // Whether row 0 is the top row an image editor shows, not the bottom
    // one, and each row's first pixel its rightmost (only TGA files say so).
    bool topRowFirst = false;
    bool rightColumnFirst = false;

    std::size_t rowBytes() const { return std::size_t{width} * bytesPerPixel; }
};

// The picture's own size and the order of its rows and columns.
inline PictureLayout layoutOf(const PixelBuffer& picture) {
    return {picture.width, picture.height, picture.topRowFirst, picture.rightColumnFirst};
}

// The most a decoded picture may take. A header asking for more
// is refused before anything is reserved, so a hostile file cannot exhaust
// memory; an honest 8192 x 8192 picture (256 MiB) fits easily.
inline constexpr uint64_t DecodeBudget = uint64_t{1} << 30;

}  // namespace korvex
