#pragma once
// What several of the inspector's commands read from their command lines:
// numbers, lists of them, and pictures given to parts.

#include "inspect.h"

#include "export/model_export.h"
#include "model/program_state.h"
#include "textures/pixel_buffer.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace korvex {

// The whole of `text` as a number; a floating-point one must be finite.
template <typename Number>
std::optional<Number> parseNumber(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if constexpr (std::is_floating_point_v<Number>) {
        if (!std::isfinite(value)) return std::nullopt;
    }
    return value;
}

std::optional<int> parseInRange(std::string_view text, int low, int high);

// Exactly `count` whole numbers within [low, high], with `separator` between them.
std::optional<std::vector<int>> parseList(std::string_view text, char separator, std::size_t count, int low, int high);

// "PART=PICTURE": a part index and a picture file.
using PartPicture = std::pair<int32_t, std::string>;
std::optional<PartPicture> parsePartPicture(const std::string& text);

// Gives each named part its picture as the Textures window would, keeping
// the decoded pictures beside those of the library's entries (one per
// entry, for whoever makes their textures); prints the decoders' boxes.
void applyPartPictures(const std::vector<PartPicture>& given, ProgramState& state,
                       std::vector<std::optional<PixelBuffer>>& pictures, std::ostream& out);

// Runs `write`; answers 0, or 1 once what escaped it is said on `err` as
// "korvex-inspect: WHY" ("there is not enough memory FOR" when memory ran out).
int writeOrSay(std::ostream& err, const std::string& lackingFor, const std::function<void()>& write);

// The files a command that writes reads, which it must not write over: the
// model and the look "being DONE", and "a picture WRITING uses".
std::vector<ExportInput> filesRead(const ModelCommand& model, const ProgramState& state,
                                   const std::vector<PartPicture>& given, const std::string& done,
                                   const std::string& writing);

}  // namespace korvex
