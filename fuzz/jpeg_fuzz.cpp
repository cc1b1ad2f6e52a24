// Feeds arbitrary bytes to the JPEG decoder. A refused file gives nothing
// and one message; damaged image data may also throw LoadError. Anything
// else is a fault: a crash, a sanitizer report, a hang, a different
// exception, or a picture whose pixels do not match its size.
#include "fuzz/opaque_picture_check.h"
#include "fuzz/outcome_features.h"
#include "model/load_error.h"
#include "model/recording_io.h"
#include "textures/jpeg_decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    korvex::ScriptedPrompts prompts;
    try {
        const auto picture =
            korvex::DecodeJpeg(std::span<const uint8_t>(data, size), "fuzz.jpg", prompts, korvex::fuzz::FuzzBudget);
        korvex::fuzz::checkOpaquePicture(picture, prompts);
    } catch (const korvex::LoadError& error) {
        // "JPEG error #N": each of libjpeg's error numbers counts as a path of its own.
        const std::string_view text = error.what();
        const std::size_t mark = text.find('#');
        if (mark != std::string_view::npos)
            korvex::fuzz::noteOutcome(std::strtoul(text.data() + mark + 1, nullptr, 10));
    }
    return 0;
}
