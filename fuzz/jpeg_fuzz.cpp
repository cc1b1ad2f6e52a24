// Feeds arbitrary bytes to the JPEG decoder. A refused file gives nothing
// and one message; damaged image data may also throw LoadError. Anything
// else is a fault: a crash, a sanitizer report, a hang, a different
// exception, or a picture whose pixels do not match its size.
#include "fuzz/outcome_features.h"
#include "model/load_error.h"
#include "model/recording_io.h"
#include "textures/jpeg_decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

namespace {

// The normal budget of 1 GiB lets a header of a few bytes demand a picture
// so large that one run takes seconds and nears the RSS limit; a smaller one
// keeps runs fast and still meets every refusal on the way.
constexpr uint64_t FuzzBudget = uint64_t{64} << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    korvex::ScriptedPrompts prompts;
    try {
        const auto picture = korvex::DecodeJpeg(std::span<const uint8_t>(data, size), "fuzz.jpg", prompts, FuzzBudget);
        if (!picture) {
            if (prompts.shown.size() != 1) __builtin_trap();
            return 0;
        }
        if (!prompts.shown.empty() || picture->bytesPerPixel != 4) __builtin_trap();
        if (picture->pixels.size() != std::size_t{picture->width} * picture->height * 4) __builtin_trap();
        if (picture->pixels.size() > FuzzBudget) __builtin_trap();
        // Every pixel is opaque; a row the decoder skipped would show here.
        for (std::size_t i = 3; i < picture->pixels.size(); i += 4)
            if (picture->pixels[i] != 255) __builtin_trap();
    } catch (const korvex::LoadError& error) {
        // "JPEG error #N": each of libjpeg's error numbers counts as a path of its own.
        const std::string_view text = error.what();
        const std::size_t mark = text.find('#');
        if (mark != std::string_view::npos)
            korvex::fuzz::noteOutcome(std::strtoul(text.data() + mark + 1, nullptr, 10));
    }
    return 0;
}
