#pragma once
// JPEG files, decoded with libjpeg.

#include "model/user_io.h"
#include "pixel_buffer.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

namespace korvex {

// A file that cannot be read, a rejected header or a picture over `budget`
// bytes shows "Couldn't load JPG - "PATH"" under "BMP Unit" and gives
// nothing. A fatal error in the image data throws LoadError("JPEG error #N").
// The bottom picture row comes first; every pixel is R, G, B, 255.
std::optional<PixelBuffer> DecodeJpeg(std::span<const uint8_t> file, std::string_view pathShown, Prompts& prompts,
                                      uint64_t budget = DecodeBudget);
std::optional<PixelBuffer> DecodeJpegFile(const std::filesystem::path& path, Prompts& prompts,
                                          uint64_t budget = DecodeBudget);

// For a preview `side` pixels wide: the picture at the smallest of libjpeg's
// scales (1/8, 1/4, 1/2, 1) whose longer side still reaches `side`, which
// costs a fraction of the whole picture's memory and time. Sets the
// picture's full size whenever the header could be read; nothing, with no
// box, for a picture that cannot be read or that DecodeJpeg would refuse
// for its size, before any of it is decoded.
std::optional<PixelBuffer> DecodeJpegReduced(std::span<const uint8_t> file, uint32_t side, uint32_t& fullWidth,
                                             uint32_t& fullHeight, uint64_t budget = DecodeBudget);

}  // namespace korvex
