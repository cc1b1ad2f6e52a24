#pragma once
// korvex-inspect texture: decodes an image file as the texture manager
// would and writes the picture it would upload.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace korvex {

struct TextureCommand {
    std::string path;
    std::optional<std::string> png;  // where the fitted picture goes
    uint32_t maxTextureSize = 16384;
};

// Nothing for a command line that is not a texture command.
std::optional<TextureCommand> parseTextureCommand(const std::vector<std::string>& args);

// Prints "ok W H BPP" or the boxes and errors then "fail"; answers the exit status.
int inspectTexture(const TextureCommand& command, std::ostream& out, std::ostream& err);

}  // namespace korvex
