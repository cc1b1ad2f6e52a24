// Feeds arbitrary bytes to the TGA decoder. It reports every bad file by
// giving nothing, so any crash, sanitizer report or hang is a fault, and so
// is a picture that disagrees with its own header.
#include "textures/tga_decoder.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto picture = korvex::DecodeTga(std::span<const uint8_t>(data, size));
    if (!picture) return 0;
    // A decoded file has at least its 18-byte header, which gave the size.
    const uint32_t width = data[12] + 256u * data[13];
    const uint32_t height = data[14] + 256u * data[15];
    if (picture->width != width || picture->height != height || picture->bytesPerPixel != data[16] / 8u)
        __builtin_trap();
    if (picture->pixels.size() != std::size_t{width} * height * picture->bytesPerPixel) __builtin_trap();
    return 0;
}
