#pragma once
// korvex-inspect uv: opens a model as `model` does, or a look with its
// model and set-up, then writes the UV layout template of a texture as the
// viewer's "Export UV Layout..." writes it.

#include "inspect.h"
#include "inspect_options.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace korvex {

struct UvCommand {
    ModelCommand model;
    std::string png;
    // The template shows every part that uses the texture of the first,
    // or, when it has none, the parts named; every part when none is.
    std::vector<int32_t> parts;
    std::vector<PartPicture> textures;  // pictures given to parts, over the look's
    std::optional<std::pair<int, int>> size;  // the picture's own size otherwise
    bool over = false;                        // drawn over the picture
};

// Nothing for a command line that is not a well-formed uv command.
std::optional<UvCommand> parseUvCommand(const std::vector<std::string>& args);

// Prints what `model` prints (for a look, that of its model with the look's
// set-up), then the pictures' boxes; answers 0 once the PNG is written, 1
// when the model or look did not open, a part named is not in it, the
// picture to draw over cannot be had, or the file cannot be written.
int inspectUv(const UvCommand& command, ProgramState& state, std::ostream& out, std::ostream& err);

}  // namespace korvex
