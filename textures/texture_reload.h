#pragma once
// A picture read again for a texture that already exists, made ready away
// from the window's thread so that putting it into the texture costs little
// more than copying its bytes.

#include "pixel_buffer.h"
#include "texture_files.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace korvex {

struct ReloadedPicture {
    TextureFileKind kind = TextureFileKind::Unknown;
    PixelBuffer picture;  // fitted to the texture size limit
    PictureLayout layout;  // of the picture as the file holds it
    // For the loaders that draw with mipmaps (TGA), the smaller levels as
    // the mipmap builder makes them from `picture`, largest first; empty
    // otherwise, and for a picture whose sides are not powers of two (the
    // builder scales those first: such a picture is uploaded as new).
    std::vector<PixelBuffer> levels;
};

// Decodes the picture at `path` without a word to the user and fits it to
// `sizeLimit`; nothing when it cannot be read now.
std::optional<ReloadedPicture> prepareReloadedPicture(const std::filesystem::path& path, uint32_t sizeLimit);

// The next smaller mipmap level of `level` (whose sides are powers of two,
// not both 1), as the mipmap builder makes it: each pixel the rounded mean
// of the two by two it covers; along a side of 1, the truncated mean of two.
PixelBuffer halveLevel(const PixelBuffer& level);

// Whether the sides of a picture are powers of two.
bool powerOfTwoSides(const PixelBuffer& picture);

}  // namespace korvex
