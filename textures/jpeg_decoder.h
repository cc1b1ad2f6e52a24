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

}  // namespace korvex
