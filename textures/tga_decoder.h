#pragma once
// Truevision TGA files: uncompressed and run-length true colour, 24 or 32
// bits. Every failure is silent: the caller reports it.

#include "pixel_buffer.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace korvex {

// Rows in file order, whatever the descriptor says; B,G,R(,A) become R,G,B(,A).
// A picture of more than `budget` bytes is refused before anything is reserved.
std::optional<PixelBuffer> DecodeTga(std::span<const uint8_t> file, uint64_t budget = DecodeBudget);
std::optional<PixelBuffer> DecodeTgaFile(const std::filesystem::path& path, uint64_t budget = DecodeBudget);

}  // namespace korvex
