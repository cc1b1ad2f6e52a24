#pragma once
// Reading a whole image file into memory.

#include "pixel_buffer.h"

#include <filesystem>
#include <optional>

namespace korvex {

// The file's bytes, or nothing when it cannot be opened or read, is not a
// regular file (a pipe or a device could stream forever), or is longer than
// `mostBytes`, the most its format can put to use.
std::optional<PixelBytes> readWholeFile(const std::filesystem::path& path, uint64_t mostBytes);

}  // namespace korvex
