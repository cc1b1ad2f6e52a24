#pragma once
// Windows bitmap files, read by Qt's bitmap reader.

#include "model/user_io.h"
#include "pixel_buffer.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

namespace korvex {

// Whatever cannot be read as a bitmap (or would need more than `budget`
// bytes) shows "Couldn't load BMP - "PATH"" under "BMP Unit" and gives
// nothing. The bottom picture row comes first; every pixel is R, G, B, 255.
std::optional<PixelBuffer> DecodeBmp(std::span<const uint8_t> file, std::string_view pathShown, Prompts& prompts,
                                     uint64_t budget = DecodeBudget);
std::optional<PixelBuffer> DecodeBmpFile(const std::filesystem::path& path, Prompts& prompts,
                                         uint64_t budget = DecodeBudget);

}  // namespace korvex
