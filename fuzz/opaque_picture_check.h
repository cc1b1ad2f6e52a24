#pragma once
// What the JPEG and bitmap decoders promise for any input: a refusal shows
// one message and gives nothing; a picture shows none and is opaque RGBA of
// exactly its size, within the budget. Anything else stops the fuzzer.

#include "model/recording_io.h"
#include "textures/pixel_buffer.h"

#include <cstdint>
#include <optional>

namespace korvex::fuzz {

// The normal budget of 1 GiB lets a header of a few bytes demand a picture
// so large that one run takes seconds and nears the RSS limit; a smaller one
// keeps runs fast and still meets every refusal on the way.
inline constexpr uint64_t FuzzBudget = uint64_t{64} << 20;

inline void checkOpaquePicture(const std::optional<PixelBuffer>& picture, const ScriptedPrompts& prompts) {
    if (!picture) {
        if (prompts.shown.size() != 1) __builtin_trap();
        return;
    }
    if (!prompts.shown.empty() || picture->bytesPerPixel != 4) __builtin_trap();
    if (picture->pixels.size() != std::size_t{picture->width} * picture->height * 4) __builtin_trap();
    if (picture->pixels.size() > FuzzBudget) __builtin_trap();
    // Every pixel is opaque; a row the decoder skipped would show here.
    for (std::size_t i = 3; i < picture->pixels.size(); i += 4)
        if (picture->pixels[i] != 255) __builtin_trap();
}

}  // namespace korvex::fuzz
